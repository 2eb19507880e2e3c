// The player's window: who made the wallpaper, a link to the publisher, and
// a button that makes the installed page the Active Desktop wallpaper again.
#pragma once

#include "common/player_tail.h"
#include "common/win32/dialog.h"

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

    PlayerSettings settings_;
    std::string pagePath_;
    std::string link_;
    IActiveDesktop* desktop_;
    GdiObject nameFont_;
    GdiObject linkFont_;
};

} // namespace ww::player
