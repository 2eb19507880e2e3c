// The wizard window of Wovenset: five pages in a fixed page area, with Back,
// Next and Exit (Finish on the last page) below them.
#pragma once

#include "common/package_reader.h"
#include "common/win32/dialog.h"
#include "setup/install.h"
#include "setup/pages.h"

#include <windows.h>

#include <array>
#include <string>

namespace ww::setup {

enum PageNumber { kWelcome = 1, kLicense, kTasks, kInstalling, kFinished };

class WizardWindow : public Dialog {
  public:
    // package: the program's reader, already opened on its own file.
    WizardWindow(HINSTANCE instance, const SetupPackageReader& package);
    void Run();

  protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnClose() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

  private:
    void SetIcons();
    void TakePageArea();
    void GiveImagesToPages();
    void GiveReadmeToLicensePage();
    bool CreatePages();
    WizardPage& Page(int number);
    void HidePagesEnableButtons();
    void ShowPage(int number);
    void UpdateTitle();
    void GoForward();
    void GoBack();
    void AskToExit();
    void FinishAction();

    HINSTANCE instance_;
    const SetupPackageReader& package_;
    Installation installation_;
    std::string wallpaperName_;
    std::string titleSuffix_;
    RECT pageArea_{};
    int page_ = kWelcome;

    WelcomePage welcome_;
    LicensePage license_;
    TasksPage tasks_;
    InstallingPage installing_;
    FinishedPage finished_;
};

} // namespace ww::setup
