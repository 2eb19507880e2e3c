#include "player/mouse_hook.h"

#include <commctrl.h>
#include <shellapi.h>

namespace ww::player {

namespace {

DesktopPointer* g_active = nullptr;

std::string ClassOf(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

// Asks Explorer's icon list, in its own process, whether an icon lies at
// the point; the question and answer travel through memory lent there.
bool IconAt(HWND list, POINT screen) {
    DWORD process = 0;
    GetWindowThreadProcessId(list, &process);
    HANDLE handle =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process);
    // Unable to ask: take it for an icon, so the click stays the icons'.
    if (!handle)
        return true;
    bool icon = true;
    void* remote =
        VirtualAllocEx(handle, nullptr, sizeof(LVHITTESTINFO), MEM_COMMIT, PAGE_READWRITE);
    if (remote) {
        LVHITTESTINFO info{};
        info.pt = screen;
        ScreenToClient(list, &info.pt);
        SIZE_T done = 0;
        DWORD_PTR item = static_cast<DWORD_PTR>(-1);
        if (WriteProcessMemory(handle, remote, &info, sizeof info, &done) &&
            SendMessageTimeoutA(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(remote),
                                SMTO_ABORTIFHUNG, 200, &item)) {
            icon = static_cast<int>(item) >= 0;
        }
        VirtualFreeEx(handle, remote, 0, MEM_RELEASE);
    }
    CloseHandle(handle);
    return icon;
}

} // namespace

bool PointOnBareDesktop(POINT screen) {
    HWND hwnd = WindowFromPoint(screen);
    if (!hwnd)
        return false;
    const std::string name = ClassOf(hwnd);
    if (name == "Progman" || name == "WorkerW" || name == "WallweaverMovieView")
        return true;
    // The icons' list: bare where no icon is.
    if (name == "SysListView32" && ClassOf(GetParent(hwnd)) == "SHELLDLL_DefView")
        return !IconAt(hwnd, screen);
    // Anything else, the icons' window without a list included, is not
    // the desktop's bare face.
    return false;
}

void OpenWebPage(const std::string& url) {
    ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool DesktopPointer::Start(HWND notify, LiveWallpaper* wallpaper) {
    if (g_active || hook_)
        return false;
    notify_ = notify;
    wallpaper_ = wallpaper;
    hook_ = SetWindowsHookExA(WH_MOUSE_LL, &DesktopPointer::HookProc, GetModuleHandleA(nullptr), 0);
    if (!hook_)
        return false;
    g_active = this;
    return true;
}

void DesktopPointer::Stop() {
    if (hook_)
        UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
    if (g_active == this)
        g_active = nullptr;
    over_ = pressed_ = nullptr;
}

LRESULT CALLBACK DesktopPointer::HookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && g_active && g_active->notify_ &&
        (wParam == WM_MOUSEMOVE || wParam == WM_LBUTTONDOWN || wParam == WM_LBUTTONUP ||
         wParam == WM_MOUSEWHEEL)) {
        const auto* event = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        const WPARAM action =
            wParam == WM_MOUSEWHEEL ? MAKEWPARAM(WM_MOUSEWHEEL, HIWORD(event->mouseData)) : wParam;
        // The hook must answer at once: the work is done on the window's turn.
        PostMessageA(g_active->notify_, kDesktopPointerMessage, action,
                     MAKELPARAM(static_cast<short>(event->pt.x), static_cast<short>(event->pt.y)));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

MovieView* DesktopPointer::ViewAt(POINT screen) const {
    if (!wallpaper_)
        return nullptr;
    for (const auto& view : wallpaper_->views()) {
        RECT r{};
        if (view && view->hwnd() && GetWindowRect(view->hwnd(), &r) && PtInRect(&r, screen))
            return view.get();
    }
    return nullptr;
}

void DesktopPointer::OnMessage(WPARAM action, LPARAM point) {
    if (!wallpaper_)
        return;
    const POINT screen{static_cast<short>(LOWORD(point)), static_cast<short>(HIWORD(point))};
    MovieView* view = PointOnBareDesktop(screen) ? ViewAt(screen) : nullptr;
    // Views the wallpaper has made again since are no longer ours to tell.
    bool overLive = false, pressedLive = false;
    for (const auto& v : wallpaper_->views()) {
        overLive |= v.get() == over_;
        pressedLive |= v.get() == pressed_;
    }
    if (!overLive)
        over_ = nullptr;
    if (!pressedLive)
        pressed_ = nullptr;
    auto tell = [&](MovieView* v, MovieView::PointerAction a) {
        v->SetUrlOpener(&OpenWebPage);
        POINT client = screen;
        ScreenToClient(v->hwnd(), &client);
        v->Pointer(a, client.x, client.y);
    };
    // A view the pointer left hears that it is gone, unless it holds a press.
    if (over_ && over_ != view && over_ != pressed_)
        tell(over_, MovieView::PointerAction::Leave);
    over_ = view;
    switch (LOWORD(action)) {
    case WM_MOUSEMOVE:
        if (pressed_)
            tell(pressed_, MovieView::PointerAction::Move);
        else if (view)
            tell(view, MovieView::PointerAction::Move);
        break;
    case WM_LBUTTONDOWN:
        if (view) {
            pressed_ = view;
            tell(view, MovieView::PointerAction::Down);
        }
        break;
    case WM_LBUTTONUP:
        // The release goes where the press went, wherever it happens.
        if (pressed_) {
            tell(pressed_, MovieView::PointerAction::Up);
            pressed_ = nullptr;
        }
        break;
    case WM_MOUSEWHEEL:
        // Only over the bare desktop, as the pointer itself.
        if (view) {
            POINT client = screen;
            ScreenToClient(view->hwnd(), &client);
            view->Wheel(client.x, client.y, static_cast<short>(HIWORD(action)));
        }
        break;
    default:
        break;
    }
}

} // namespace ww::player
