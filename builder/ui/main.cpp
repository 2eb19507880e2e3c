// Wallweaver.exe: start-up checks, then the main window.
#include "builder/project/workspace.h"
#include "builder/ui/resource.h"
#include "common/win32/message_box.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdlib>
#include <string>

namespace {

struct StartInfo {
    std::string builderFolder;
    std::string projectPath;
};

INT_PTR CALLBACK MainWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: {
        auto* start = reinterpret_cast<StartInfo*>(lParam);
        HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAINFRAME));
        SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        std::string text = "Wallweaver is ready in " + start->builderFolder;
        if (!start->projectPath.empty())
            text += "\r\nProject: " + start->projectPath;
        SetDlgItemTextA(hwnd, IDC_MAIN_INFO, text.c_str());
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) {
            EndDialog(hwnd, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

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

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    EnableControls();
    CoInitialize(nullptr);
    ww::Workspace workspace(ww::GetBuilderFolder());
    if (!workspace.CheckRequiredFiles()) {
        ww::ShowMessageBox(nullptr, "Missing some key file.Please re-installe Wallweaver!",
                           "Wallweaver", MB_OK | MB_ICONEXCLAMATION);
        CoUninitialize();
        return 0;
    }
    StartInfo start{workspace.BuilderFolder(), ProjectPathArgument()};
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainWindowProc,
                    reinterpret_cast<LPARAM>(&start));
    CoUninitialize();
    return 0;
}
