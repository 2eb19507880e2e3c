#include "player/wallpaper_mode.h"

#include "common/path.h"
#include "common/win32/live_wallpaper.h"
#include "common/win32/message_box.h"
#include "movie/win32/desktop_layer.h"

#include <windows.h>

namespace ww::player {

namespace {

constexpr UINT_PTR kCheckTimer = 1;
constexpr UINT kCheckPeriodMs = 1000;

struct Host {
    LiveWallpaper wallpaper;
    std::string playerPath;
};

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
    switch (message) {
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
        if (host)
            host->wallpaper.Stop();
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
                 const std::string& playerPath, const std::string& title) {
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
