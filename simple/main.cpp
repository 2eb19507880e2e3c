// Wovenlite.exe: a copy of this stub with a simple package appended installs
// one wallpaper. It has no window of its own: it asks, extracts the package
// into the Windows wallpaper folder and offers to apply the page.
#include "common/fs.h"
#include "common/package_reader.h"
#include "common/path.h"
#include "common/win32/active_desktop.h"
#include "common/win32/folders.h"
#include "common/win32/hardening.h"
#include "common/win32/com.h"
#include "common/win32/message_box.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {

const char kTitle[] = "Setup";

void ShowError(const char* text) {
    ww::ShowMessageBox(nullptr, text, kTitle, MB_OK | MB_ICONERROR);
}

bool AskYes(const std::string& question) {
    return ww::ShowMessageBox(nullptr, question, kTitle, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// The Windows folder's Web\Wallpaper\, created when the system lacks it.
std::string WallpaperDestination() {
    ww::EnsureWallpaperFolder();
    return ww::WallpaperFolder();
}

// Windows+D, so the desktop shows while the wallpaper changes.
void ShowDesktop() {
    keybd_event(VK_LWIN, 0, 0, 0);
    keybd_event('D', 0, 0, 0);
    keybd_event(VK_LWIN, 0, KEYEVENTF_KEYUP, 0);
    keybd_event('D', 0, KEYEVENTF_KEYUP, 0);
}

void RunInstaller(IActiveDesktop* desktop) {
    ww::SimplePackageReader package;
    package.Open(ww::ModuleFilePath());
    const std::string name = package.header().wallpaperName;
    if (name.empty()) {
        ShowError("This file is not a standard setup file!");
        return;
    }
    if (!AskYes("Do you want to install " + name + "?"))
        return;
    const std::string destination = WallpaperDestination();
    switch (package.ExtractPackage(destination, ww::IsValidExistingFolder)) {
    case ww::SimplePackageReader::ExtractResult::Ok:
        break;
    case ww::SimplePackageReader::ExtractResult::FolderNotCreated:
        ShowError("Can not create director to install!");
        ShowError("Can not extra files to continue install!");
        return;
    case ww::SimplePackageReader::ExtractResult::Failed:
        ShowError("Can not extra files to continue install!");
        return;
    }
    if (!AskYes("Install success! do your want to set it as current desktop?"))
        return;
    ShowDesktop();
    ww::SetActiveDesktopWallpaper(destination + package.header().page.name, desktop);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ww::RestrictDllSearchToSystem32();
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    ww::ComScope com;
    ww::ActiveDesktopObject desktop;
    RunInstaller(desktop.get());
    return 0;
}
