// BuilderWindow: the builder's only top-level window. It shows one of the four
// wizard pages at a time above Back, Next and Cancel, owns the navigation and
// the checks on the way, the menus, the About box, opening and saving the
// project, and the exit path.
#pragma once

#include "builder/project/project.h"
#include "builder/project/workspace.h"
#include "builder/package/build_commands.h"
#include "builder/ui/build_page.h"
#include "builder/ui/information_page.h"
#include "builder/ui/installer_page.h"
#include "builder/ui/messages.h"
#include "builder/ui/setting_page.h"
#include "common/win32/dialog.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ww {

class BuilderWindow : public Dialog {
  public:
    BuilderWindow(const Workspace& workspace, const std::string& startupProjectPath);

    // Creates and shows the window and runs its message loop until the quit
    // message; answers the quit message's exit code.
    int RunModal();
    // Creates and shows the window without running a loop; whoever runs one
    // hands each message to ProcessMessage.
    bool CreateMainWindow();
    // One message of the loop: Escape dropped, the pages' own filters and
    // tooltips, then the dialog manager.
    void ProcessMessage(MSG& message);

    void GoToPage(int target);
    bool ValidateCurrentPage();
    void NextCommand();
    void BackCommand();
    void ExitCommand();

    void OpenProjectCommand();
    void SaveProjectCommand();
    // Asks for a file name and writes the project from the pages.
    void SaveProject();
    // Reads a project file into the pages, dropping files that no longer exist.
    bool LoadProject(const std::string& path);
    bool HasProjectContent();
    // The project as the pages hold it, after each transfers from its controls.
    WallpaperProject CollectProject();

    // WM_BUILD_WALLPAPER and WM_BUILD_INSTALLER: build under the wait cursor
    // and report; a refused readme brings up the Installer page.
    void BuildWallpaperCommand();
    void BuildInstallerCommand();
    // The shared result box: Yes opens the output, No its folder.
    void ReportBuildResult(const std::string& outputPath, bool success);
    // WM_PREVIEW_WALLPAPER.
    void PreviewCommand();

    InformationPage informationPage;
    SettingPage settingPage;
    InstallerPage installerPage;
    BuildPage buildPage;

    int currentPage = kInformationPage;
    bool isModified = false;
    int32_t movieWidth = 0;
    int32_t movieHeight = 0;
    const std::string startupProjectPath;

  protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnPaint() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

  private:
    // One wizard page in its place: its View menu item, its title, and what
    // entering it by Next, by Back or directly does beyond showing it.
    struct PageSlot {
        WizardPage* page;
        int viewMenuId;
        int titleStringId;
        void (BuilderWindow::*onNext)();
        void (BuilderWindow::*onBack)();
        void (BuilderWindow::*onJump)();
    };

    int PageCount() const { return static_cast<int>(pages_.size()); }
    WizardPage* PageAt(int number);
    // Shows page number as the current one, with the buttons it has; hook
    // runs once it is shown.
    void EnterPage(int number, void (BuilderWindow::*PageSlot::*hook)());
    void UpdateButtons();
    void SettingPageFromMovie();
    void SettingPageFromNewMovie();
    void RedrawInformationPreview();
    void ApplyPlaybackToPreview();
    bool PreTranslate(const MSG& message);
    bool IsMenuBarLetter(char letter) const;
    void HideAllPages();
    void ShowOnlyPage(int number);
    void SetTitle();
    void CheckViewItems(HMENU menu) const;
    void OpenWithShell(const std::string& target) const;
    void ShowAbout();
    void ShowBuildOutcome(const BuildOutcome& outcome);

    std::vector<PageSlot> pages_;
    Workspace workspace_;
    HICON icon_;
    const std::string titlePrefix_ = "Wallweaver - ";
};

} // namespace ww
