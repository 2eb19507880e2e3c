// Wovenplay.exe: the player that every setup package carries. It finds its
// settings in the tail that the builder appended to its own file and shows
// the installed wallpaper's movie and credits, with a button that puts the
// wallpaper back on the desktop. With /wallpaper it plays the movie behind
// the desktop icons; /stop ends that; /uninstall removes the wallpaper.
#include "common/fs.h"
#include "common/player_tail.h"
#include "common/win32/active_desktop.h"
#include "common/win32/hardening.h"
#include "common/win32/com.h"
#include "common/win32/message_box.h"
#include "common/win32/uninstall.h"
#include "player/player_window.h"
#include "player/wallpaper_mode.h"
#include "player/resource.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {

void InitControls() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
}

bool ReadOwnSettings(const std::string& self, ww::PlayerSettings* settings) {
    if (ww::ReadPlayerTail(self, settings)) {
        // The installer stored the page under the name this system takes; a
        // name it could not hold it refused, so that one never gets here.
        for (std::string* name : {&settings->pageName, &settings->wallpaperName}) {
            std::string local;
            if (ww::NameForThisSystem(*name, &local))
                *name = local;
        }
        return true;
    }
    ww::ShowMessageBox(nullptr,
                       "This player carries no wallpaper settings. It is made for a wallpaper by "
                       "the Wallweaver builder.",
                       "Wovenplay", MB_OK | MB_ICONINFORMATION);
    return false;
}

// The builder's own player, which carries no settings, plays the preview page
// the builder kept (/wallpaper PAGE, also from the logon entry), whose movie
// is the author's file where it lies. A player installed with a wallpaper
// keeps to that wallpaper's folder, whatever page it is given.
ww::movie::MovieScope PageArgumentScope(const std::string& self) {
    ww::PlayerSettings own;
    return ww::ReadPlayerTail(self, &own) ? ww::player::InstalledMovieScope(self)
                                          : ww::movie::MovieScope::AuthorsFiles();
}

bool HasOwnSettings(const std::string& self) {
    ww::PlayerSettings own;
    return ww::ReadPlayerTail(self, &own);
}

void RunPlayerWindow(HINSTANCE instance, const ww::PlayerSettings& settings,
                     const std::string& self) {
    ww::ActiveDesktopObject desktop;
    ww::player::PlayerWindow window(settings, self, desktop.get());
    window.RunModal(instance, IDD_PLAYER, nullptr);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
    ww::RestrictDllSearchToSystem32();
    InitControls();
    const std::string self = ww::ModuleFilePath();
    const std::string line = arguments ? arguments : "";
    if (ww::IsUninstallCleanupCommand(line))
        return ww::RunUninstallCleanup(line);
    ww::UninstallOptions uninstall;
    if (ww::IsUninstallCommand(line, &uninstall))
        return ww::RunUninstall(self, uninstall);
    const ww::player::Mode mode = ww::player::ParseMode(arguments ? arguments : "");
    if (mode == ww::player::Mode::Stop)
        return ww::player::StopWallpapers(self);
    // A page named on the command line needs no settings of the player's own.
    const std::string page = ww::player::WallpaperPageArgument(arguments ? arguments : "");
    if (mode == ww::player::Mode::Wallpaper && !page.empty())
        return ww::player::RunWallpaper(page, PageArgumentScope(self), self, "Wovenplay",
                                        HasOwnSettings(self));
    ww::PlayerSettings settings;
    if (!ReadOwnSettings(self, &settings))
        return 1;
    if (mode == ww::player::Mode::Wallpaper)
        return ww::player::RunWallpaper(ww::player::InstalledPagePath(self, settings.pageName),
                                        ww::player::InstalledMovieScope(self), self,
                                        settings.wallpaperName);
    ww::ComScope com;
    RunPlayerWindow(instance, settings, self);
    return 0;
}
