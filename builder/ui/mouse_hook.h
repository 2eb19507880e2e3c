// The builder's thread-local mouse hook. It keeps right-button presses over
// an embedded Flash Player window from reaching the player (whose own menu
// would open), and can end a program on mouse activity.
#pragma once

#include <windows.h>

#include <string>

namespace ww {

// Sent to the parent of the hook's target window for a right press over a
// Flash window: wParam, lParam = cursor x, y in screen coordinates.
constexpr UINT WM_FLASH_RIGHT_PRESS = WM_USER + 119; // 1143
// Sent to the list view's parent for a press over a Flash window that sits in
// a list view (the desktop).
constexpr UINT WM_FLASH_DESKTOP_PRESS = WM_USER + 120; // 1144
// Moves of at most this many pixels in x and in y do not count as moving.
constexpr int kMouseMoveSlack = 4;

struct FlashMouseOptions {
    bool interceptRightPress = false;
    bool quitOnLeftPress = false;
    bool quitOnRightPress = false;
    bool quitOnMove = false;
    bool interceptLeftPress = false;
};

// Installs (install true) a WH_MOUSE hook for the calling thread with the
// target window and options, or removes it and clears the target. A quit
// option, when set, posts WM_QUIT to the target window. False when the system
// refuses the hook.
bool InstallFlashMouseHook(HWND target, bool install, bool interceptRightPress,
                           bool quitOnLeftPress, bool quitOnRightPress, bool quitOnMove,
                           bool interceptLeftPress);

// A player window: its class name starts with "ATL:" or its first 28
// characters are "MacromediaFlashPlayerActiveX" (both with case).
bool IsFlashWindowClass(const std::string& className);

// What the hook does with one mouse message.
struct MouseHookAction {
    enum class Send { None, DesktopPress, RightPress };
    bool swallow = false;
    bool postQuit = false;
    Send send = Send::None;
};

// The hook's decisions, apart from the windows they act on; remembers the
// cursor between moves.
class FlashMouseFilter {
  public:
    explicit FlashMouseFilter(const FlashMouseOptions& options) : options_(options) {}
    // overFlash: the window under the cursor is a player window;
    // parentIsListView: its parent's class is "SysListView32" (any case).
    MouseHookAction Decide(UINT message, POINT cursor, bool overFlash, bool parentIsListView);

  private:
    FlashMouseOptions options_;
    bool firstMove_ = true;
    POINT last_{};
};

} // namespace ww
