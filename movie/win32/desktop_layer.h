// The layer behind the desktop icons on Windows 10 and 11, and the live
// wallpaper that plays there: one movie view per monitor, each paused on its
// own when a full-screen program covers its monitor, all of them when the
// session is locked or battery saver is on.
//
// Asked with message 0x052C, the shell's Progman window makes a WorkerW
// window behind the icons: up to Windows 11 23H2 a top-level window right
// after the one that holds the icons (SHELLDLL_DefView), and the views are
// its children; from 24H2 a child of Progman itself, beside the icons'
// window. There a child of that WorkerW shows nothing: the views are
// children of Progman, between the icons and the WorkerW, made layered once
// they are children (a window layered while SetParent moves it is not
// composited), and they keep off the taskbar (each monitor's work area).
#pragma once

#include "movie/movie.h"
#include "movie/playback.h"
#include "movie/wallpaper_page.h"
#include "movie/win32/movie_view.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace ww {

constexpr UINT kMakeWorkerMessage = 0x052C;

enum class DesktopLayout {
    None,           // no Progman: the views stand at the bottom of the windows
    WorkerSibling,  // Windows 10, Windows 11 up to 23H2
    WorkerInProgman // Windows 11 24H2
};

struct DesktopLayer {
    HWND window = nullptr; // the views' parent: the WorkerW, or Progman from 24H2
    HWND worker = nullptr; // the WorkerW
    HWND icons = nullptr;  // SHELLDLL_DefView, from 24H2
    DesktopLayout layout = DesktopLayout::None;
};

// Asks Progman for the layer and finds it.
DesktopLayer FindDesktopLayer();

// The name of the desktop that takes input now, and of the one this thread
// was started on. input is empty when the input desktop cannot be opened:
// the lock screen runs on one of its own.
struct DesktopNames {
    std::string input;
    std::string ours;
};
DesktopNames ReadDesktopNames();
// What the desktop looks like now, for the pause rules. The names come in
// from outside because Wine's input desktop is always "Default": a test of
// a desktop named otherwise gives them instead.
movie::DesktopState ReadDesktopState(const DesktopNames& names);
std::vector<movie::ScreenWindow> ReadScreenWindows();
std::vector<movie::MonitorArea> ReadMonitors();
// The part of a monitor outside the taskbar and docked bars.
RECT WorkAreaOf(const movie::MonitorArea& monitor);

class LiveWallpaper {
  public:
    LiveWallpaper() = default;
    ~LiveWallpaper() { Stop(); }
    LiveWallpaper(const LiveWallpaper&) = delete;
    LiveWallpaper& operator=(const LiveWallpaper&) = delete;

    // One view per monitor in the layer, playing the movie.
    bool Start(std::shared_ptr<const movie::Movie> movie, const movie::PageMovie& settings);
    void Stop();
    // The pause rules applied to each view; views made again when the shell
    // has replaced the layer (Explorer restarted) or the monitors changed.
    void Check();

    const DesktopLayer& layer() const { return layer_; }
    const std::vector<std::unique_ptr<MovieView>>& views() const { return views_; }
    // Where Check reads the desktops' names; ReadDesktopNames unless a test
    // says otherwise.
    void SetDesktopNamesReader(DesktopNames (*read)()) { readNames_ = read; }
    // The user's pause (the tray menu), on top of the pause rules.
    void SetHeld(bool held);
    bool held() const { return held_; }

  private:
    void MakeViews();
    // A view of 24H2's desktop: made on its own, then moved into Progman
    // right below after (the icons, or the view before) and made layered.
    bool MakeProgmanView(MovieView* view, const RECT& screen, HWND after);
    // Puts the views back right below the icons where they have moved (the
    // shell reorders its children, and a parent in another process may
    // place a new child on top).
    void KeepBelowIcons();

    std::shared_ptr<const movie::Movie> movie_;
    movie::PageMovie settings_;
    DesktopLayer layer_;
    std::vector<movie::MonitorArea> monitors_;
    std::vector<std::unique_ptr<MovieView>> views_;
    std::vector<movie::MonitorArea> areas_; // each view's monitor
    bool held_ = false;
    DesktopNames (*readNames_)() = ReadDesktopNames;
};

} // namespace ww
