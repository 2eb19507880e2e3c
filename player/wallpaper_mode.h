// Wovenplay /wallpaper and /stop: the installed movie behind the desktop
// icons, run by a hidden window that the other switch, a change of
// wallpaper or the end of the session closes. That window owns the
// notification-area icon, whose menu pauses, opens the player and stops.
#pragma once

#include "common/win32/live_wallpaper.h"
#include "movie/wallpaper_page.h"

#include <string>

namespace ww::player {

// The hidden window's class; /stop closes every window of it.
constexpr const char* kWallpaperWindowClass = kLiveWallpaperWindowClass;
constexpr unsigned kStopWaitMs = kLiveWallpaperStopWaitMs;

enum class Mode { Window, Wallpaper, Stop };

// The notification-area icon's callback message and its menu's commands,
// sent to the hidden window as WM_COMMAND.
constexpr unsigned kTrayMessage = 0x8000 + 1; // WM_APP + 1
constexpr unsigned kTrayIconId = 1;
enum TrayCommand {
    kTrayPauseResume = 40001,
    kTrayOpen = 40002,
    kTrayStop = 40003,
};

// The first switch of a command line; anything else is the window.
Mode ParseMode(const std::string& arguments);
// The page named after /wallpaper, unquoted; empty when none is.
std::string WallpaperPageArgument(const std::string& arguments);

// Plays the page's movie behind the icons until stopped; the exit code.
// A live wallpaper already running is stopped first. A movie the scope does
// not allow is refused, saying so, before anything is opened.
// canOpen: the player has a window of its own to open (it carries settings).
int RunWallpaper(const std::string& pagePath, const movie::MovieScope& scope,
                 const std::string& playerPath, const std::string& title, bool canOpen = true);
// Closes every running live wallpaper and removes this player's logon entry.
int StopWallpapers(const std::string& playerPath);

} // namespace ww::player
