// Wallweaver.exe: start-up checks, then the main window.
#include "builder/project/workspace.h"
#include "builder/ui/builder_window.h"
#include "common/win32/com.h"
#include "common/win32/message_box.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdlib>
#include <string>

namespace {

void EnableControls() {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
}

// The first plain parameter of the command line, if any.
std::string ProjectPathArgument() {
    for (int i = 1; i < __argc; ++i) {
        const char* arg = __argv[i];
        if (arg[0] != '-' && arg[0] != '/')
            return arg;
    }
    return std::string();
}

// An installed builder folder (Program Files for an ordinary user) may take
// no files: temp and output then live in the user's own application data.
void ChooseScratchRoot(ww::Workspace& workspace) {
    if (workspace.ScratchIsWritable())
        return;
    char local[MAX_PATH] = "";
    if (FAILED(
            SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, local)))
        return;
    const std::string root = std::string(local) + "\\Wallweaver";
    CreateDirectoryA(root.c_str(), nullptr);
    workspace.SetScratchRoot(root);
}

// Per-monitor aware (version 2: dialogs from templates rescale themselves
// when moved to a monitor of another DPI), else aware of the system's DPI.
// Both are looked up at run time: older systems lack them.
void BecomeDpiAware() {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    if (!user32)
        return;
    using SetContext = BOOL(WINAPI*)(HANDLE);
    const auto setContext = reinterpret_cast<SetContext>(
        reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
    if (setContext && setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4))))
        return;
    using SetAware = BOOL(WINAPI*)();
    if (const auto setAware = reinterpret_cast<SetAware>(
            reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDPIAware"))))
        setAware();
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    BecomeDpiAware();
    EnableControls();
    // OLE rather than plain COM: the hosted player needs in-place activation.
    ww::OleScope ole;
    ww::Workspace workspace(ww::GetBuilderFolder());
    if (!workspace.CheckRequiredFiles()) {
        ww::ShowMessageBox(nullptr, "Missing some key file.Please re-installe Wallweaver!",
                           "Wallweaver", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    ChooseScratchRoot(workspace);
    ww::BuilderWindow window(workspace, ProjectPathArgument());
    const int exitCode = window.RunModal();
    return exitCode < 0 ? 0 : exitCode;
}
