// Wovenset.exe: the setup wizard stub. The builder appends a setup package to
// a copy of it; run by an end user, the copy reads the package from the end
// of its own file and installs the wallpaper through a five-page wizard.
#include "common/fs.h"
#include "common/package_reader.h"
#include "common/win32/dialog.h"
#include "common/win32/hardening.h"
#include "common/win32/message_box.h"
#include "setup/wizard_window.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <string>

namespace {

const char kTitle[] = "Setup";

void InitControls() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
}

// The marker is what makes a setup file; a package that carries it but
// breaks any other rule is refused the same way, before anything is written.
bool OpenOwnPackage(const std::string& self, ww::SetupPackageReader* package) {
    if (package->Open(self))
        return true;
    ww::ShowMessageBox(nullptr, ww::FormatText("%s is not a Wallweaver Setup File!", self), kTitle,
                       MB_OK | MB_ICONSTOP);
    return false;
}

bool AskToInstall(const std::string& wallpaperName) {
    return ww::ShowMessageBox(
               nullptr,
               ww::FormatText("This will install %s. Do you wish to continue?", wallpaperName),
               kTitle, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void RunWizard(HINSTANCE instance, const std::string& self, const ww::SetupPackageReader& package) {
    ww::setup::WizardWindow wizard(instance, self, package);
    wizard.Run();
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    ww::RestrictDllSearchToSystem32();
    InitControls();
    // The shell's shortcut object and ShellExecute want COM on this thread.
    HRESULT com = CoInitialize(nullptr);
    const std::string self = ww::ModuleFilePath();
    ww::SetupPackageReader package;
    if (OpenOwnPackage(self, &package) && AskToInstall(package.trailer().wallpaperName))
        RunWizard(instance, self, package);
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}
