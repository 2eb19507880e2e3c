// Which wallpaper a system can show, and the live wallpaper's process: the
// installed player started with /wallpaper, now and at each logon.
//
// The Active Desktop HTML wallpaper exists up to Windows XP. Later systems
// still create the IActiveDesktop object but draw no page; Wine's answers
// "not implemented". There the player plays the movie behind the icons.
#pragma once

#include <functional>
#include <string>

namespace ww {

// The logon entry under HKCU\...\Run; one live wallpaper at a time.
constexpr char kRunValueName[] = "Wallweaver live wallpaper";
constexpr char kWallpaperSwitch[] = "/wallpaper";
constexpr char kStopSwitch[] = "/stop";
// The live wallpaper's hidden window; closing it ends that player.
constexpr char kLiveWallpaperWindowClass[] = "WovenplayWallpaper";
constexpr unsigned kLiveWallpaperStopWaitMs = 5000;

// True where a page can be the desktop wallpaper.
bool HasHtmlWallpaper();
// Replaces that answer for this process (tests of both roads in one
// process); empty restores the system's.
void SetHtmlWallpaperCheck(std::function<bool()> check);

// "PLAYER" /wallpaper, or "PLAYER" /wallpaper "PAGE" for a page that is not
// the one the player's settings name (the builder's preview kept).
std::string LiveWallpaperCommand(const std::string& playerPath, const std::string& page = "");
// Starts the player behind the icons and registers it for each logon; false
// when it could not be started.
bool StartLiveWallpaper(const std::string& playerPath, const std::string& page = "");
bool RegisterAtLogon(const std::string& playerPath, const std::string& page = "");
// Removes the logon entry when it starts this player.
void UnregisterAtLogon(const std::string& playerPath);
// The command the logon entry holds; empty when there is none.
std::string LogonCommand();
// Ends the live wallpapers that playerPath runs, and no other; false when
// one is still running after a while.
bool StopLiveWallpaperOf(const std::string& playerPath);

} // namespace ww
