#include "builder/ui/desktop_preview.h"

#include "builder/ui/messages.h"

#include "builder/page/page_generator.h"
#include "builder/ui/resource.h"
#include "common/fs.h"
#include "common/path.h"
#include "common/win32/active_desktop.h"
#include "common/win32/folders.h"
#include "common/win32/live_wallpaper.h"
#include "common/win32/message_box.h"
#include "movie/win32/desktop_layer.h"

#include <cstdio>

namespace ww {

namespace {

constexpr char kTitle[] = "Wallweaver";
constexpr size_t kWallpaperChars = 260;

BOOL CALLBACK MinimizeIfTitled(HWND window, LPARAM) {
    char title[260] = "";
    if (IsWindowVisible(window) && GetWindowTextA(window, title, sizeof title) > 0)
        SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    return TRUE;
}

// GetWallpaper's wide path, each character's low byte kept, up to the first NUL.
std::string ReadCurrentWallpaper() {
    std::string narrow;
    ComPtr<IActiveDesktop> desktop(CreateActiveDesktop());
    if (!desktop)
        return narrow;
    wchar_t wide[kWallpaperChars] = L"";
    if (SUCCEEDED(desktop->GetWallpaper(wide, kWallpaperChars, 0))) {
        wide[kWallpaperChars - 1] = L'\0';
        for (size_t i = 0; i < kWallpaperChars && wide[i]; ++i)
            narrow += static_cast<char>(wide[i] & 0xFF);
    }
    return narrow;
}

void SwitchActiveDesktopOff(IActiveDesktop* longLived) {
    if (!longLived)
        return;
    COMPONENTSOPT options{};
    options.dwSize = sizeof options;
    options.fEnableComponents = FALSE;
    options.fActiveDesktop = FALSE;
    longLived->SetDesktopItemOptions(&options, 0);
    longLived->ApplyChanges(AD_APPLY_REFRESH);
}

// The page that OK keeps; its folder is made when the system lacks it.
void KeepPreview(const WallpaperProject& project, const Workspace& workspace,
                 IActiveDesktop* longLived) {
    if (!EnsureWallpaperFolder())
        return;
    const std::string page = KeptWallpaperPath(WindowsFolder(), project.WallpaperName);
    if (GenerateWallpaperPage(project, workspace, page, true))
        SetActiveDesktopWallpaper(page, longLived);
}

// The preview from the validated project on: steps 4 to 9.
void PreviewOnDesktop(const WallpaperProject& project, const Workspace& workspace) {
    ActiveDesktopObject longLived;
    const bool wasActiveDesktopOn = IsActiveDesktopOn();
    std::string previousWallpaper;
    if (wasActiveDesktopOn)
        previousWallpaper = ReadCurrentWallpaper();
    const std::string tempPage = workspace.GetTempFolder() + "TempHTMLFile.htm";
    if (!GenerateWallpaperPage(project, workspace, tempPage, true))
        return;
    SetActiveDesktopWallpaper(tempPage, longLived.get());
    DesktopPreviewDialog dialog;
    if (dialog.Run() == IDOK)
        KeepPreview(project, workspace, longLived.get());
    else if (wasActiveDesktopOn)
        SetActiveDesktopWallpaper(previousWallpaper, longLived.get());
    else
        SwitchActiveDesktopOff(longLived.get());
}

// Where no page can be the wallpaper: the movie plays behind the icons from
// this process for the countdown, which leaves the desktop as it was when it
// ends. OK keeps the page as above and has the builder's player play it
// from now on and at each logon.
void PreviewLive(const WallpaperProject& project, const Workspace& workspace) {
    const std::string tempPage = workspace.GetTempFolder() + "TempHTMLFile.htm";
    if (!GenerateWallpaperPage(project, workspace, tempPage, true))
        return;
    movie::PageMovie settings;
    std::string error;
    std::shared_ptr<movie::Movie> movie(new movie::Movie);
    LiveWallpaper wallpaper;
    // A movie the renderer cannot read leaves the desktop still, as a page
    // the shell cannot show does.
    if (movie::LoadPageMovie(tempPage, &settings, &error) &&
        movie::LoadMovie(movie::PageMoviePath(tempPage, settings.movie), movie.get(), &error))
        wallpaper.Start(movie, settings);
    DesktopPreviewDialog dialog;
    const INT_PTR answer = dialog.Run();
    wallpaper.Stop();
    if (answer != IDOK || !EnsureWallpaperFolder())
        return;
    const std::string page = KeptWallpaperPath(WindowsFolder(), project.WallpaperName);
    if (GenerateWallpaperPage(project, workspace, page, true))
        StartLiveWallpaper(JoinPath(workspace.BuilderFolder(), "Wovenplay.exe"), page);
}

} // namespace

void MinimizeDesktopWindows() {
    HDESK desktop = OpenDesktopA("Default", 0, FALSE, DESKTOP_ENUMERATE);
    if (!desktop)
        return;
    EnumDesktopWindows(desktop, &MinimizeIfTitled, 0);
    CloseDesktop(desktop);
}

std::string CountdownText(int seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "Reverting in %d seconds", seconds);
    return text;
}

std::string KeptWallpaperPath(const std::string& windowsFolder, const std::string& wallpaperName) {
    std::string folder = windowsFolder;
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    return folder + "Web\\Wallpaper\\" + wallpaperName + ".htm";
}

INT_PTR DesktopPreviewDialog::Run() {
    countdown = kPreviewCountdownStart;
    return RunModal(GetModuleHandleA(nullptr), IDD_DESKTOP_PREVIEW, nullptr);
}

bool DesktopPreviewDialog::OnInit() {
    SetTimer(hwnd(), kPreviewTimerId, kPreviewTimerPeriod, nullptr);
    return true;
}

bool DesktopPreviewDialog::OnTimer(UINT_PTR timerId) {
    if (timerId != kPreviewTimerId)
        return false;
    if (countdown <= 0) {
        KillTimer(hwnd(), kPreviewTimerId);
        End(IDCANCEL);
        return true;
    }
    --countdown;
    SetItemText(IDC_PREVIEW_COUNTDOWN, CountdownText(countdown));
    return true;
}

bool DesktopPreviewDialog::OnCommand(int id, int, HWND) {
    switch (id) {
    case IDC_PREVIEW_OK:
        KillTimer(hwnd(), kPreviewTimerId);
        End(IDOK);
        return true;
    case IDC_PREVIEW_CANCEL:
    case IDCANCEL: // Esc and the close box
        KillTimer(hwnd(), kPreviewTimerId);
        End(IDCANCEL);
        return true;
    default:
        return false;
    }
}

bool DesktopPreviewDialog::OnClose() {
    KillTimer(hwnd(), kPreviewTimerId);
    End(IDCANCEL);
    return true;
}

void RunDesktopPreview(HWND mainWindow, const std::function<WallpaperProject()>& collectProject,
                       const Workspace& workspace) {
    MinimizeDesktopWindows();
    const WallpaperProject project = collectProject();
    const UserMessages refusals = ValidatePreview(project);
    for (const UserMessage& message : refusals)
        ShowMessageBox(mainWindow, message.text, kTitle, MB_OK | MessageIconFlags(message.icon));
    if (refusals.empty() && HasHtmlWallpaper())
        PreviewOnDesktop(project, workspace);
    else if (refusals.empty())
        PreviewLive(project, workspace);
    SendMessageA(mainWindow, WM_SYSCOMMAND, SC_RESTORE, 0);
}

} // namespace ww
