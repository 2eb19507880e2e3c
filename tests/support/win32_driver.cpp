#include "tests/support/win32_driver.h"

#include <cstdio>
#include <cstdlib>

namespace ww::test {

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
        cmd += " \"" + a + "\"";
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

} // namespace ww::test
