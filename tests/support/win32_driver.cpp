#include "tests/support/win32_driver.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace ww::test {

namespace {

// Quotes one argument so the program's command-line parser gives it back
// unchanged: backslashes before a quote, or before the closing quote, are
// doubled, and quotes inside are escaped.
std::string QuoteArgument(const std::string& arg) {
    std::string out = "\"";
    size_t slashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        out.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
        slashes = 0;
        out += c;
    }
    out.append(slashes * 2, '\\');
    return out + "\"";
}

} // namespace

ChildProcess::~ChildProcess() {
    if (pi_.hProcess) {
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
    }
}

bool ChildProcess::Start(const std::string& exe, const std::vector<std::string>& args,
                         const std::string& workingFolder) {
    std::string cmd = "\"" + exe + "\"";
    for (const std::string& a : args)
        cmd += " " + QuoteArgument(a);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    return CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                          workingFolder.empty() ? nullptr : workingFolder.c_str(), &si, &pi_) != 0;
}

bool ChildProcess::Wait(DWORD timeoutMs, DWORD* exitCode) {
    if (!pi_.hProcess || WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (exitCode)
        GetExitCodeProcess(pi_.hProcess, exitCode);
    return true;
}

void ChildProcess::Kill() {
    if (pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(pi_.hProcess, 99);
        WaitForSingleObject(pi_.hProcess, 5000);
    }
}

std::string WindowText(HWND hwnd) {
    char buf[4096];
    int n = GetWindowTextA(hwnd, buf, sizeof buf);
    return std::string(buf, n > 0 ? n : 0);
}

std::string ClassNameOf(HWND hwnd) {
    char buf[256];
    int n = GetClassNameA(hwnd, buf, sizeof buf);
    return std::string(buf, n > 0 ? n : 0);
}

namespace {

struct Search {
    DWORD pid;
    std::vector<WindowInfo> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid && IsWindowVisible(hwnd))
        search->found.push_back({hwnd, ClassNameOf(hwnd), WindowText(hwnd)});
    return TRUE;
}

} // namespace

std::vector<WindowInfo> TopWindowsOf(DWORD pid) {
    Search search{pid, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(DWORD pid, const std::string& title, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        for (const WindowInfo& w : TopWindowsOf(pid)) {
            if (title.empty() || w.title == title)
                return w.hwnd;
        }
        Sleep(50);
    }
    return nullptr;
}

bool IsMessageBox(HWND hwnd) {
    return ClassNameOf(hwnd) == "#32770" && GetDlgItem(hwnd, 0xFFFF) != nullptr;
}

std::string MessageBoxText(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? WindowText(text) : std::string();
}

SeenBox AnswerNextBox(DWORD pid, const std::string& title, int button, DWORD timeoutMs) {
    SeenBox seen;
    DWORD start = GetTickCount();
    HWND box = nullptr;
    while (!box && GetTickCount() - start < timeoutMs) {
        for (const WindowInfo& w : TopWindowsOf(pid)) {
            if (w.title == title && IsMessageBox(w.hwnd)) {
                box = w.hwnd;
                break;
            }
        }
        if (!box)
            Sleep(50);
    }
    if (!box)
        return seen;
    seen.found = true;
    seen.text = MessageBoxText(box);
    PressButton(box, button);
    for (int i = 0; i < 200 && IsWindow(box) && IsWindowVisible(box); ++i)
        Sleep(25);
    return seen;
}

BoxLog::BoxLog(const std::string& path) : path_(path) {
    DeleteFileA(path.c_str());
    SetEnvironmentVariableA("WALLWEAVER_BOX_LOG", path.c_str());
}

BoxLog::~BoxLog() {
    SetEnvironmentVariableA("WALLWEAVER_BOX_LOG", nullptr);
}

std::vector<LoggedBox> BoxLog::Read() const {
    std::vector<LoggedBox> boxes;
    FILE* f = std::fopen(path_.c_str(), "rb");
    if (!f)
        return boxes;
    char line[8192];
    while (std::fgets(line, sizeof line, f)) {
        std::string s(line);
        if (!s.empty() && s.back() == '\n')
            s.pop_back();
        size_t a = s.find('\t');
        size_t b = a == std::string::npos ? a : s.find('\t', a + 1);
        if (b == std::string::npos)
            continue;
        boxes.push_back({static_cast<UINT>(std::strtoul(s.c_str(), nullptr, 16)),
                         s.substr(a + 1, b - a - 1), s.substr(b + 1)});
    }
    std::fclose(f);
    return boxes;
}

void PressButton(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

namespace {

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK MatchControl(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<ControlSearch*>(lParam);
    if (GetDlgCtrlID(hwnd) == search->id) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

struct TitleSearch {
    std::string title;
    HWND found;
    DWORD pid;
};

BOOL CALLBACK MatchTitle(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<TitleSearch*>(lParam);
    if (IsWindowVisible(hwnd) && WindowText(hwnd) == search->title) {
        search->found = hwnd;
        GetWindowThreadProcessId(hwnd, &search->pid);
        return FALSE;
    }
    return TRUE;
}

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

} // namespace

HWND FindControl(HWND root, int id) {
    ControlSearch search{id, nullptr};
    // EnumChildWindows visits every descendant, not only direct children.
    EnumChildWindows(root, MatchControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string ControlText(HWND control) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return std::string();
    std::vector<char> text(length + 2, '\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 5000, &got);
    return std::string(text.data(), got < text.size() ? got : 0);
}

void ClickControl(HWND control) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(control, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored);
}

bool IsCheckedBox(HWND checkBox) {
    DWORD_PTR state = 0;
    SendMessageTimeoutA(checkBox, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
    return state == BST_CHECKED;
}

HWND WaitForAnyWindow(const std::string& title, DWORD timeoutMs, DWORD* pid) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        TitleSearch search{title, nullptr, 0};
        EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            if (pid)
                *pid = search.pid;
            return search.found;
        }
        Sleep(50);
    }
    return nullptr;
}

bool SaveWindowImage(HWND hwnd, const std::string& bmpPath) {
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(hwnd);
    RedrawWindow(hwnd, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(400);
    RECT rect;
    if (!GetWindowRect(hwnd, &rect))
        return false;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    std::vector<uint8_t> pixels(static_cast<size_t>(stride) * height);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    int rows = GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (rows != height)
        return false;
    std::vector<uint8_t> file;
    file.push_back('B');
    file.push_back('M');
    PutU32(file, 54 + static_cast<uint32_t>(pixels.size()));
    PutU32(file, 0);
    PutU32(file, 54);
    PutU32(file, 40);
    PutU32(file, static_cast<uint32_t>(width));
    PutU32(file, static_cast<uint32_t>(height));
    PutU16(file, 1);
    PutU16(file, 24);
    for (int i = 0; i < 6; ++i)
        PutU32(file, i == 1 ? static_cast<uint32_t>(pixels.size()) : 0);
    file.insert(file.end(), pixels.begin(), pixels.end());
    FILE* f = std::fopen(bmpPath.c_str(), "wb");
    if (!f)
        return false;
    bool written = std::fwrite(file.data(), 1, file.size(), f) == file.size();
    return std::fclose(f) == 0 && written;
}

} // namespace ww::test
