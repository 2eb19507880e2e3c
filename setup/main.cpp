// Wovenset.exe: the setup wizard stub. The builder appends a setup package to
// a copy of it; run by an end user, the copy reads the package from the end
// of its own file and installs the wallpaper through a five-page wizard.
#include "common/fs.h"
#include "common/install_options.h"
#include "common/package_reader.h"
#include "common/win32/com.h"
#include "common/win32/dialog.h"
#include "common/win32/hardening.h"
#include "common/win32/message_box.h"
#include "setup/install.h"
#include "setup/wizard_window.h"

#include <windows.h>
#include <commctrl.h>

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
    if (package->error() == ww::PackageError::ForeignName) {
        ww::ShowMessageBox(nullptr, ww::ForeignNameMessage(package->refusal()), kTitle,
                           MB_OK | MB_ICONSTOP);
        return false;
    }
    ww::ShowMessageBox(nullptr, ww::FormatText("%s is not a Wallweaver Setup File!", self), kTitle,
                       MB_OK | MB_ICONSTOP);
    return false;
}

int RunWizard(HINSTANCE instance, const std::string& self) {
    InitControls();
    ww::SetupPackageReader package;
    // The Welcome page is the first thing shown: it asks the same question.
    if (OpenOwnPackage(self, &package)) {
        ww::setup::WizardWindow wizard(instance, package);
        wizard.Run();
    }
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
    ww::RestrictDllSearchToSystem32();
    const ww::InstallOptions options = ww::ParseInstallOptions(arguments ? arguments : "");
    // The shell's shortcut object and ShellExecute want COM on this thread.
    ww::ComScope com;
    const std::string self = ww::ModuleFilePath();
    return options.silent ? ww::setup::InstallSilently(self, options) : RunWizard(instance, self);
}
