#include "player/wallpaper_mode.h"

#include "common/path.h"
#include "common/win32/live_wallpaper.h"
#include "common/win32/message_box.h"
#include "movie/win32/desktop_layer.h"
#include "player/mouse_hook.h"
#include "player/resource.h"

#include <windows.h>
#include <shellapi.h>

namespace ww::player {

namespace {

constexpr UINT_PTR kCheckTimer = 1;
constexpr UINT kCheckPeriodMs = 1000;

struct Host {
    LiveWallpaper wallpaper;
    DesktopPointer pointer;
    std::string playerPath;
    std::string title;
    bool canOpen = true;
    UINT taskbarCreated = 0;
};

// The wallpaper's own icon (the builder replaces the player's) and name.
void AddTrayIcon(HWND hwnd, const Host& host) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = hwnd;
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayMessage;
    data.hIcon = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PLAYER), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    lstrcpynA(data.szTip, host.title.c_str(), sizeof data.szTip);
    Shell_NotifyIconA(NIM_ADD, &data);
}

void RemoveTrayIcon(HWND hwnd) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = hwnd;
    data.uID = kTrayIconId;
    Shell_NotifyIconA(NIM_DELETE, &data);
}

void ShowTrayMenu(HWND hwnd, const Host& host) {
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    AppendMenuA(menu, MF_STRING, kTrayPauseResume, host.wallpaper.held() ? "&Resume" : "&Pause");
    AppendMenuA(menu, MF_STRING | (host.canOpen ? 0 : MF_GRAYED), kTrayOpen, "&Open");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, kTrayStop, "&Stop");
    POINT at{};
    GetCursorPos(&at);
    // Without this the menu stays open when the user clicks elsewhere.
    SetForegroundWindow(hwnd);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_BOTTOMALIGN, at.x, at.y, 0, hwnd, nullptr);
    PostMessageA(hwnd, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

// The player's own window, in a process of its own as the shortcuts start it.
void OpenPlayerWindow(const std::string& playerPath) {
    std::string command = "\"" + playerPath + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const std::string folder = FolderOfPath(playerPath);
    if (CreateProcessA(playerPath.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

void OnTrayCommand(HWND hwnd, Host* host, WPARAM command) {
    switch (LOWORD(command)) {
    case kTrayPauseResume:
        host->wallpaper.SetHeld(!host->wallpaper.held());
        break;
    case kTrayOpen:
        if (host->canOpen)
            OpenPlayerWindow(host->playerPath);
        break;
    case kTrayStop:
        // As /stop: this wallpaper ends and no longer starts at logon.
        UnregisterAtLogon(host->playerPath);
        DestroyWindow(hwnd);
        break;
    default:
        break;
    }
}

std::string FirstWord(const std::string& text) {
    size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos)
        return std::string();
    size_t e = text.find_first_of(" \t", b);
    return text.substr(b, e == std::string::npos ? std::string::npos : e - b);
}

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* host = reinterpret_cast<Host*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    // Explorer started again: its notification area is new and empty.
    if (host && host->taskbarCreated && message == host->taskbarCreated) {
        AddTrayIcon(hwnd, *host);
        return 0;
    }
    switch (message) {
    case kTrayMessage:
        if (host && (lParam == WM_RBUTTONUP || lParam == WM_CONTEXTMENU))
            ShowTrayMenu(hwnd, *host);
        else if (host && lParam == WM_LBUTTONDBLCLK)
            OnTrayCommand(hwnd, host, kTrayOpen);
        return 0;
    case WM_COMMAND:
        if (host)
            OnTrayCommand(hwnd, host, wParam);
        return 0;
    case kDesktopPointerMessage:
        if (host)
            host->pointer.OnMessage(wParam, lParam);
        return 0;
    case WM_TIMER:
        if (host && wParam == kCheckTimer)
            host->wallpaper.Check();
        return 0;
    case WM_DISPLAYCHANGE:
        if (host)
            host->wallpaper.Check();
        return 0;
    case WM_SETTINGCHANGE:
        // Another wallpaper was chosen: this one gives way, at logon too.
        if (host && wParam == SPI_SETDESKWALLPAPER) {
            UnregisterAtLogon(host->playerPath);
            DestroyWindow(hwnd);
        }
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        RemoveTrayIcon(hwnd);
        if (host) {
            host->pointer.Stop();
            host->wallpaper.Stop();
        }
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

// Closes the running live wallpapers, waiting a while for each to end.
void CloseRunning() {
    const DWORD until = GetTickCount() + kStopWaitMs;
    while (HWND running = FindWindowA(kWallpaperWindowClass, nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(running, &process);
        HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, process);
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(running, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kStopWaitMs, &answer);
        if (handle) {
            WaitForSingleObject(handle, kStopWaitMs);
            CloseHandle(handle);
        }
        if (IsWindow(running) || static_cast<int>(until - GetTickCount()) < 0)
            break;
    }
}

} // namespace

Mode ParseMode(const std::string& arguments) {
    std::string word = FirstWord(arguments);
    // A switch may come quoted, as some launchers quote every argument.
    if (word.size() >= 2 && word.front() == '"' && word.back() == '"')
        word = word.substr(1, word.size() - 2);
    if (EqualsNoCase(word, kWallpaperSwitch))
        return Mode::Wallpaper;
    if (EqualsNoCase(word, kStopSwitch))
        return Mode::Stop;
    return Mode::Window;
}

std::string WallpaperPageArgument(const std::string& arguments) {
    size_t b = arguments.find_first_not_of(" \t");
    if (b == std::string::npos)
        return std::string();
    size_t e = arguments.find_first_of(" \t", b);
    if (e == std::string::npos)
        return std::string();
    std::string rest = arguments.substr(e);
    const size_t first = rest.find_first_not_of(" \t");
    const size_t last = rest.find_last_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    rest = rest.substr(first, last - first + 1);
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"')
        rest = rest.substr(1, rest.size() - 2);
    return rest;
}

int RunWallpaper(const std::string& pagePath, const movie::MovieScope& scope,
                 const std::string& playerPath, const std::string& title, bool canOpen) {
    movie::PageMovie page;
    std::string error, moviePath;
    std::shared_ptr<movie::Movie> movie(new movie::Movie);
    bool loaded = !pagePath.empty() && movie::LoadPageMovie(pagePath, &page, &error) &&
                  movie::ResolvePageMovie(pagePath, page.movie, scope, &moviePath, &error);
    if (loaded) {
        loaded = movie::LoadMovie(moviePath, movie.get(), &error);
        if (!loaded)
            error = moviePath + ": " + error;
    }
    if (!loaded) {
        ShowMessageBox(nullptr,
                       "The wallpaper cannot be played: " + (error.empty() ? pagePath : error) +
                           ". Please install the wallpaper again.",
                       title, MB_OK | MB_ICONEXCLAMATION);
        return 1;
    }
    CloseRunning();
    WNDCLASSA wc{};
    wc.lpfnWndProc = &HostProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kWallpaperWindowClass;
    RegisterClassA(&wc);
    Host host;
    host.playerPath = playerPath;
    host.title = title;
    host.canOpen = canOpen;
    host.taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    // Hidden but top-level: broadcasts such as a change of wallpaper reach it.
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, kWallpaperWindowClass, title.c_str(), WS_POPUP,
                                  0, 0, 0, 0, nullptr, nullptr, wc.hInstance, &host);
    if (!window)
        return 1;
    if (!host.wallpaper.Start(movie, page)) {
        DestroyWindow(window);
        return 1;
    }
    SetTimer(window, kCheckTimer, kCheckPeriodMs, nullptr);
    host.pointer.Start(window, &host.wallpaper);
    AddTrayIcon(window, host);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

int StopWallpapers(const std::string& playerPath) {
    CloseRunning();
    UnregisterAtLogon(playerPath);
    return FindWindowA(kWallpaperWindowClass, nullptr) ? 1 : 0;
}

} // namespace ww::player
