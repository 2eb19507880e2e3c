// Wovenplay.exe: the player that every setup package carries. It finds its
// settings in the tail that the builder appended to its own file.
#include "common/fs.h"
#include "common/player_tail.h"
#include "common/win32/message_box.h"

#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ww::PlayerSettings settings;
    if (!ww::ReadPlayerTail(ww::ModuleFilePath(), &settings)) {
        ww::ShowMessageBox(nullptr,
                           "This player carries no wallpaper settings. It is made for a "
                           "wallpaper by the Wallweaver builder.",
                           "Wovenplay", MB_OK | MB_ICONINFORMATION);
        return 1;
    }
    std::string text = settings.wallpaperName + "\r\n\r\nPublisher: " + settings.publisherName +
                       "\r\nWeb address: " + settings.publisherUrl + "\r\n" + settings.copyright;
    ww::ShowMessageBox(nullptr, text, settings.wallpaperName, MB_OK | MB_ICONINFORMATION);
    return 0;
}
