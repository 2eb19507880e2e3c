#include "builder/ui/mouse_hook.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace ww {

namespace {

// One hook per thread of the builder, whose only thread is the UI's.
struct HookState {
    HHOOK hook = nullptr;
    HWND target = nullptr;
    std::unique_ptr<FlashMouseFilter> filter;
};

HookState gHook;

std::string ClassNameOf(HWND window) {
    char name[260] = "";
    if (!window || !GetClassNameA(window, name, sizeof name))
        return std::string();
    return name;
}

void Perform(const MouseHookAction& action, HWND under, POINT cursor) {
    if (action.postQuit)
        PostMessageA(gHook.target, WM_QUIT, 0, 0);
    HWND parent = under ? GetParent(under) : nullptr;
    switch (action.send) {
    case MouseHookAction::Send::DesktopPress:
        if (parent)
            SendMessageA(GetParent(parent), WM_FLASH_DESKTOP_PRESS, 0, 0);
        break;
    case MouseHookAction::Send::RightPress:
        SendMessageA(GetParent(gHook.target), WM_FLASH_RIGHT_PRESS, static_cast<WPARAM>(cursor.x),
                     static_cast<LPARAM>(cursor.y));
        break;
    case MouseHookAction::Send::None:
        break;
    }
}

LRESULT CALLBACK MouseProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && gHook.filter) {
        const auto* data = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
        POINT at{};
        GetCursorPos(&at);
        HWND under = WindowFromPoint(at);
        bool overFlash = IsFlashWindowClass(ClassNameOf(under));
        bool inListView = false;
        if (overFlash) {
            HWND parent = GetParent(under);
            inListView = parent && _stricmp(ClassNameOf(parent).c_str(), "SysListView32") == 0;
        }
        const auto message = static_cast<UINT>(wParam);
        MouseHookAction action = gHook.filter->Decide(message, data->pt, overFlash, inListView);
        Perform(action, under, data->pt);
        if (action.swallow)
            return 1;
    }
    return CallNextHookEx(gHook.hook, code, wParam, lParam);
}

} // namespace

bool IsFlashWindowClass(const std::string& className) {
    static const char kPlayerClass[] = "MacromediaFlashPlayerActiveX";
    return className.compare(0, 4, "ATL:") == 0 ||
           className.compare(0, sizeof kPlayerClass - 1, kPlayerClass) == 0;
}

MouseHookAction FlashMouseFilter::Decide(UINT message, POINT cursor, bool overFlash,
                                         bool parentIsListView) {
    MouseHookAction action;
    switch (message) {
    case WM_MOUSEMOVE:
        if (!firstMove_ && options_.quitOnMove &&
            (std::abs(cursor.x - last_.x) > kMouseMoveSlack ||
             std::abs(cursor.y - last_.y) > kMouseMoveSlack))
            action.postQuit = true;
        firstMove_ = false;
        last_ = cursor;
        break;
    case WM_LBUTTONDOWN:
        action.postQuit = options_.quitOnLeftPress;
        if (options_.interceptLeftPress && overFlash && parentIsListView) {
            action.send = MouseHookAction::Send::DesktopPress;
            action.swallow = true;
        }
        break;
    case WM_LBUTTONDBLCLK:
        action.swallow = overFlash && parentIsListView;
        break;
    case WM_RBUTTONDOWN:
        if (!options_.interceptRightPress) {
            action.postQuit = options_.quitOnRightPress;
        } else if (overFlash) {
            action.send = parentIsListView ? MouseHookAction::Send::DesktopPress
                                           : MouseHookAction::Send::RightPress;
            action.swallow = true;
        }
        break;
    default:
        break;
    }
    return action;
}

bool InstallFlashMouseHook(HWND target, bool install, bool interceptRightPress,
                           bool quitOnLeftPress, bool quitOnRightPress, bool quitOnMove,
                           bool interceptLeftPress) {
    if (gHook.hook) {
        UnhookWindowsHookEx(gHook.hook);
        gHook.hook = nullptr;
    }
    gHook.target = nullptr;
    gHook.filter.reset();
    if (!install)
        return true;
    FlashMouseOptions options;
    options.interceptRightPress = interceptRightPress;
    options.quitOnLeftPress = quitOnLeftPress;
    options.quitOnRightPress = quitOnRightPress;
    options.quitOnMove = quitOnMove;
    options.interceptLeftPress = interceptLeftPress;
    gHook.target = target;
    gHook.filter = std::make_unique<FlashMouseFilter>(options);
    gHook.hook = SetWindowsHookExA(WH_MOUSE, &MouseProc, nullptr, GetCurrentThreadId());
    if (!gHook.hook) {
        gHook.target = nullptr;
        gHook.filter.reset();
        return false;
    }
    return true;
}

} // namespace ww
