// The desktop preview: the wallpaper page made the Active Desktop wallpaper
// for a trial, with a dialog that counts down and puts the old desktop back
// unless the author keeps the new one.
#pragma once

#include "builder/project/project.h"
#include "builder/project/workspace.h"
#include "common/win32/dialog.h"

#include <windows.h>

#include <functional>
#include <string>

namespace ww {

constexpr UINT_PTR kPreviewTimerId = 1;
constexpr UINT kPreviewTimerPeriod = 1000; // ms
constexpr int kPreviewCountdownStart = 30;

// Minimises every visible, titled top-level window of the "Default" desktop.
void MinimizeDesktopWindows();

// The "Desktop Preview" dialog (template 144): OK keeps, Cancel, closing and
// the end of the countdown revert. Each tick of timer 1 counts down; the tick
// after the one that shows 0 ends it as Cancel.
class DesktopPreviewDialog : public Dialog {
  public:
    // IDOK or IDCANCEL.
    INT_PTR Run();
    int countdown = kPreviewCountdownStart;

  protected:
    bool OnInit() override;
    bool OnTimer(UINT_PTR timerId) override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnClose() override;
};

// "Reverting in %d seconds".
std::string CountdownText(int seconds);
// The page kept by OK: WINDOWS\Web\Wallpaper\<name>.htm.
std::string KeptWallpaperPath(const std::string& windowsFolder, const std::string& wallpaperName);

// The Build page's preview command. collectProject transfers the pages'
// controls into the project; mainWindow is restored at the end.
void RunDesktopPreview(HWND mainWindow, const std::function<WallpaperProject()>& collectProject,
                       const Workspace& workspace);

} // namespace ww
