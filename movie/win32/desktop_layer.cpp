#include "movie/win32/desktop_layer.h"

#include <cstring>

namespace ww {

namespace {

constexpr DWORD kAskTimeoutMs = 1000;
// DWMWA_CLOAKED: hidden store apps keep visible, full-screen windows.
constexpr DWORD kCloakedAttribute = 14;

bool HasClass(HWND window, const char* name) {
    char text[64] = "";
    GetClassNameA(window, text, sizeof text);
    return std::strcmp(text, name) == 0;
}

struct SiblingSearch {
    HWND worker = nullptr;
};

BOOL CALLBACK FindWorkerAfterIcons(HWND window, LPARAM parameter) {
    if (!FindWindowExA(window, nullptr, "SHELLDLL_DefView", nullptr))
        return TRUE;
    auto* search = reinterpret_cast<SiblingSearch*>(parameter);
    search->worker = FindWindowExA(nullptr, window, "WorkerW", nullptr);
    return search->worker ? FALSE : TRUE;
}

// The desktop's windows that are not programs: they never cover anything.
bool IsShellWindow(HWND window) {
    for (const char* name : {"Progman", "WorkerW", "Shell_TrayWnd", "Shell_SecondaryTrayWnd"}) {
        if (HasClass(window, name))
            return true;
    }
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId();
}

using CloakQuery = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);

bool IsCloaked(HWND window) {
    static CloakQuery query = [] {
        // Absent before Vista; the search is already limited to System32.
        HMODULE dwm = LoadLibraryA("dwmapi.dll");
        return dwm ? reinterpret_cast<CloakQuery>(
                         reinterpret_cast<void*>(GetProcAddress(dwm, "DwmGetWindowAttribute")))
                   : nullptr;
    }();
    DWORD cloaked = 0;
    return query && SUCCEEDED(query(window, kCloakedAttribute, &cloaked, sizeof cloaked)) &&
           cloaked != 0;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
    auto* windows = reinterpret_cast<std::vector<movie::ScreenWindow>*>(parameter);
    if (!IsWindowVisible(window))
        return TRUE;
    RECT r{};
    GetWindowRect(window, &r);
    movie::ScreenWindow w;
    w.left = r.left;
    w.top = r.top;
    w.right = r.right;
    w.bottom = r.bottom;
    w.minimized = IsIconic(window) != 0;
    w.shell = IsShellWindow(window) || IsCloaked(window);
    windows->push_back(w);
    return TRUE;
}

BOOL CALLBACK CollectMonitor(HMONITOR, HDC, LPRECT r, LPARAM parameter) {
    auto* monitors = reinterpret_cast<std::vector<movie::MonitorArea>*>(parameter);
    monitors->push_back(movie::MonitorArea{r->left, r->top, r->right, r->bottom});
    return TRUE;
}

bool SameMonitors(const std::vector<movie::MonitorArea>& a,
                  const std::vector<movie::MonitorArea>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].left != b[i].left || a[i].top != b[i].top || a[i].right != b[i].right ||
            a[i].bottom != b[i].bottom)
            return false;
    }
    return true;
}

} // namespace

DesktopLayer FindDesktopLayer() {
    DesktopLayer layer;
    HWND progman = FindWindowA("Progman", nullptr);
    if (!progman)
        return layer;
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(progman, kMakeWorkerMessage, 0, 0, SMTO_NORMAL, kAskTimeoutMs, &answer);
    if (HWND inside = FindWindowExA(progman, nullptr, "WorkerW", nullptr)) {
        layer.window = progman;
        layer.worker = inside;
        layer.icons = FindWindowExA(progman, nullptr, "SHELLDLL_DefView", nullptr);
        layer.layout = DesktopLayout::WorkerInProgman;
        return layer;
    }
    SiblingSearch search;
    EnumWindows(&FindWorkerAfterIcons, reinterpret_cast<LPARAM>(&search));
    if (search.worker) {
        layer.window = search.worker;
        layer.worker = search.worker;
        layer.layout = DesktopLayout::WorkerSibling;
    }
    return layer;
}

DesktopNames ReadDesktopNames() {
    DesktopNames names;
    char ours[256] = "Default";
    DWORD needed = 0;
    GetUserObjectInformationA(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, ours, sizeof ours,
                              &needed);
    names.ours = ours;
    HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    if (!input)
        return names;
    char name[256] = "";
    // A name that cannot be read is taken for ours, as before.
    if (!GetUserObjectInformationA(input, UOI_NAME, name, sizeof name, &needed))
        lstrcpynA(name, ours, sizeof name);
    names.input = name;
    CloseDesktop(input);
    return names;
}

movie::DesktopState ReadDesktopState(const DesktopNames& names) {
    movie::DesktopState state;
    // Any other input desktop than the one we were started on (the lock
    // screen, or whatever an alternate-desktop tool named its own) is not
    // ours to draw on.
    state.sessionLocked =
        names.input.empty() || lstrcmpiA(names.input.c_str(), names.ours.c_str()) != 0;
    SYSTEM_POWER_STATUS power{};
    // The byte after the battery percentage is the battery saver flag from Windows 10 on.
    if (GetSystemPowerStatus(&power))
        state.batterySaver = power.Reserved1 == 1;
    return state;
}

std::vector<movie::ScreenWindow> ReadScreenWindows() {
    std::vector<movie::ScreenWindow> windows;
    EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<movie::MonitorArea> ReadMonitors() {
    std::vector<movie::MonitorArea> monitors;
    EnumDisplayMonitors(nullptr, nullptr, &CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
    if (monitors.empty())
        monitors.push_back(
            movie::MonitorArea{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
    return monitors;
}

RECT WorkAreaOf(const movie::MonitorArea& monitor) {
    RECT whole{monitor.left, monitor.top, monitor.right, monitor.bottom};
    RECT work = whole;
    MONITORINFO info{};
    info.cbSize = sizeof info;
    HMONITOR handle = MonitorFromRect(&whole, MONITOR_DEFAULTTONULL);
    if (handle && GetMonitorInfoA(handle, &info))
        IntersectRect(&work, &whole, &info.rcWork);
    // The primary monitor's work area is also what SPI_GETWORKAREA tells,
    // which some systems keep more current than the monitor's record.
    RECT primary{};
    if (monitor.left == 0 && monitor.top == 0 &&
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &primary, 0) && !IsRectEmpty(&primary)) {
        RECT both{};
        if (IntersectRect(&both, &work, &primary))
            work = both;
    }
    return IsRectEmpty(&work) ? whole : work;
}

bool LiveWallpaper::Start(std::shared_ptr<const movie::Movie> movie,
                          const movie::PageMovie& settings) {
    Stop();
    movie_ = std::move(movie);
    settings_ = settings;
    MakeViews();
    return !views_.empty();
}

void LiveWallpaper::Stop() {
    views_.clear();
    areas_.clear();
    movie_.reset();
    layer_ = DesktopLayer();
}

void LiveWallpaper::MakeViews() {
    views_.clear();
    areas_.clear();
    layer_ = FindDesktopLayer();
    monitors_ = ReadMonitors();
    POINT origin{0, 0};
    if (layer_.window)
        ClientToScreen(layer_.window, &origin);
    for (const movie::MonitorArea& m : monitors_) {
        auto view = std::make_unique<MovieView>();
        RECT r{m.left - origin.x, m.top - origin.y, m.right - origin.x, m.bottom - origin.y};
        bool made;
        if (layer_.layout == DesktopLayout::WorkerInProgman) {
            made = MakeProgmanView(view.get(), WorkAreaOf(m),
                                   views_.empty() ? layer_.icons : views_.back()->hwnd());
        } else if (layer_.window) {
            made = view->Create(layer_.window, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, r, 0);
        } else {
            // No shell layer: a window under every other one, never activated.
            made = view->Create(nullptr, WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, r, 0);
            if (made)
                SetWindowPos(view->hwnd(), HWND_BOTTOM, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        }
        if (!made)
            continue;
        view->SetSettings(settings_);
        view->Show(movie_);
        views_.push_back(std::move(view));
        areas_.push_back(m);
    }
}

bool LiveWallpaper::MakeProgmanView(MovieView* view, const RECT& screen, HWND after) {
    // Made top-level and plain: SetParent moves it, and only then is it
    // layered, as a layered window moved into Progman is not composited.
    if (!view->Create(nullptr, WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, screen, 0))
        return false;
    HWND hwnd = view->hwnd();
    if (!SetParent(hwnd, layer_.window)) {
        DestroyWindow(hwnd);
        return false;
    }
    SetWindowLongPtrA(hwnd, GWL_STYLE, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS);
    // No constant alpha is set: the view hands the system its whole picture
    // each frame (UpdateLayeredWindowIndirect), which such a setting forbids.
    SetWindowLongPtrA(hwnd, GWL_EXSTYLE, WS_EX_NOACTIVATE | WS_EX_LAYERED);
    POINT origin{0, 0};
    ClientToScreen(layer_.window, &origin);
    // Right below the icons (or the view before), and so above the WorkerW
    // behind them; with no icons' window found, at least above the WorkerW.
    if (!after) {
        after = GetWindow(layer_.worker, GW_HWNDPREV);
        if (!after)
            after = HWND_TOP;
    }
    SetWindowPos(hwnd, after, screen.left - origin.x, screen.top - origin.y,
                 screen.right - screen.left, screen.bottom - screen.top,
                 SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    return true;
}

void LiveWallpaper::KeepBelowIcons() {
    if (layer_.layout != DesktopLayout::WorkerInProgman || !layer_.icons)
        return;
    HWND above = layer_.icons;
    for (const auto& view : views_) {
        if (view->hwnd() && GetWindow(above, GW_HWNDNEXT) != view->hwnd())
            SetWindowPos(view->hwnd(), above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        above = view->hwnd() ? view->hwnd() : above;
    }
}

void LiveWallpaper::SetHeld(bool held) {
    held_ = held;
    Check();
}

void LiveWallpaper::Check() {
    if (!movie_)
        return;
    bool lost =
        (layer_.window && !IsWindow(layer_.window)) || (layer_.worker && !IsWindow(layer_.worker));
    for (const auto& view : views_)
        lost = lost || !view->hwnd();
    if (lost || !SameMonitors(monitors_, ReadMonitors()))
        MakeViews();
    KeepBelowIcons();
    const movie::DesktopState desktop = ReadDesktopState(readNames_());
    const std::vector<movie::ScreenWindow> windows = ReadScreenWindows();
    for (size_t i = 0; i < views_.size(); ++i)
        views_[i]->SetPaused(held_ || !movie::PauseReason(desktop, areas_[i], windows).empty());
}

} // namespace ww
