// The player's window: the wallpaper's movie playing as the installed page
// sets it, who made it, a link to the publisher, and a button that makes it
// the wallpaper again: the page as the Active Desktop wallpaper where the
// system has one, else the player itself behind the desktop icons.
#pragma once

#include "common/player_tail.h"
#include "common/win32/dialog.h"
#include "movie/win32/movie_view.h"

#include <windows.h>
#include <wininet.h>
#include <shlobj.h>

#include <string>

namespace ww::player {

// The address the link opens: web addresses as they are, a bare host name
// as a web address; empty for anything else (a path, another scheme), which
// is then shown as plain text.
std::string LinkTarget(const std::string& address);
// The installed page: one folder above the player, under pageName; empty
// when pageName is not a bare file name.
std::string InstalledPagePath(const std::string& playerPath, const std::string& pageName);
// The installed wallpaper's own folder, where the player lies: the one folder
// its page may take the movie from.
movie::MovieScope InstalledMovieScope(const std::string& playerPath);
// Reads the page's movie into view; false, saying why, when the page or the
// movie cannot be read or the page names a movie outside the scope.
bool ShowPageMovie(const std::string& pagePath, const movie::MovieScope& scope, MovieView* view,
                   std::string* error);

class PlayerWindow : public Dialog {
  public:
    PlayerWindow(const PlayerSettings& settings, const std::string& playerPath,
                 IActiveDesktop* desktop);
    bool StoreToControls() override;

  protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnClose() override;
    void OnDestroy() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

  private:
    void SetIcons();
    void MakeFonts();
    void ApplyWallpaper();
    void OpenLink();
    void CreateMovieView();

    PlayerSettings settings_;
    std::string playerPath_;
    std::string pagePath_;
    std::string link_;
    IActiveDesktop* desktop_;
    GdiObject nameFont_;
    GdiObject linkFont_;
    MovieView movie_;
};

} // namespace ww::player
