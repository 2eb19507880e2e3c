// The pointer for the live wallpaper. Its views sit behind the desktop
// icons and never get mouse messages, so a low-level mouse hook watches the
// pointer and, where it is over the desktop itself (not over an icon, not
// over a window), hands moves, presses and releases to the view beneath.
// The hook only posts a message and passes every event on: the icons and
// windows get their clicks as before, and nothing is put in front of them.
#pragma once

#include "movie/win32/desktop_layer.h"

#include <windows.h>

#include <string>

namespace ww::player {

// The hook's message to the window given to Start: wParam's low word the
// action (WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEWHEEL) and, for
// the wheel, its high word the signed turn; lParam the screen point.
constexpr UINT kDesktopPointerMessage = 0x8000 + 2; // WM_APP + 2

class DesktopPointer {
  public:
    DesktopPointer() = default;
    ~DesktopPointer() { Stop(); }
    DesktopPointer(const DesktopPointer&) = delete;
    DesktopPointer& operator=(const DesktopPointer&) = delete;

    // One per process: a second Start fails.
    bool Start(HWND notify, LiveWallpaper* wallpaper);
    void Stop();
    // The posted message, answered on the window's thread.
    void OnMessage(WPARAM action, LPARAM point);

  private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
    MovieView* ViewAt(POINT screen) const;

    HHOOK hook_ = nullptr;
    HWND notify_ = nullptr;
    LiveWallpaper* wallpaper_ = nullptr;
    MovieView* over_ = nullptr;    // the view last told of the pointer
    MovieView* pressed_ = nullptr; // the view a press went to
};

// Whether the screen point shows the desktop itself: the window there is
// the desktop's (Progman, WorkerW, the icons' window) and no icon is there.
bool PointOnBareDesktop(POINT screen);

// Opens an http or https page with the shell, as a link in a browser.
void OpenWebPage(const std::string& url);

} // namespace ww::player
