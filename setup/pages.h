// The five pages of the setup wizard, each a child dialog shown inside the
// wizard window's page area.
#pragma once

#include "common/package_reader.h"
#include "common/win32/bitmap_view.h"
#include "common/win32/dialog.h"
#include "setup/install.h"

#include <windows.h>

#include <array>
#include <string>

namespace ww::setup {

// Sent by the extraction to the wizard window, which forwards it to the
// Installing page: wParam = step 1 to 10.
constexpr UINT WM_EXTRACT_PROGRESS = WM_USER + 101; // 1125
// Sent by the Installing page to the wizard window when the installation is
// over: wParam = 1 when every file was written.
constexpr UINT WM_INSTALL_FINISHED = WM_USER + 102; // 1126

// A page with a picture frame into which its image is drawn stretched.
class WizardPage : public Dialog {
  public:
    // Reads the image file now: the wizard removes it from the temporary
    // folder once every page holds its copy.
    void SetImage(const std::string& path) { image_.Load(path); }
    void SetWallpaperName(const std::string& name) { wallpaperName_ = name; }

  protected:
    virtual int FrameId() const = 0;
    bool OnPaint() override;

    std::string wallpaperName_;

  private:
    BitmapView image_;
};

class WelcomePage : public WizardPage {
  public:
    bool StoreToControls() override;

  protected:
    int FrameId() const override;
    bool OnInit() override;
    void OnDestroy() override;

  private:
    GdiObject headingFont_;
};

class LicensePage : public WizardPage {
  public:
    void SetText(const std::string& text) { text_ = text; }
    bool StoreToControls() override;

  protected:
    int FrameId() const override;
    bool OnInit() override;

  private:
    std::string text_;
};

class TasksPage : public WizardPage {
  public:
    bool StoreToControls() override;
    bool LoadFromControls() override;
    bool desktopIcon() const { return desktopIcon_; }
    bool quickLaunchIcon() const { return quickLaunchIcon_; }

  protected:
    int FrameId() const override;
    bool OnInit() override;

  private:
    bool desktopIcon_ = true;
    bool quickLaunchIcon_ = true;
};

class InstallingPage : public WizardPage {
  public:
    // Runs the installation when the page is entered, showing each step;
    // tells the wizard window by WM_INSTALL_FINISHED unless the folder could
    // not be made.
    void Install(Installation& installation, HWND wizard);

  protected:
    int FrameId() const override;
    bool OnInit() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

  private:
    void ShowStep(int step);

    std::array<std::string, kInstallStepCount> captions_;
};

class FinishedPage : public WizardPage {
  public:
    bool StoreToControls() override;
    bool LoadFromControls() override;
    bool launch() const { return launch_; }

  protected:
    int FrameId() const override;
    bool OnInit() override;

  private:
    bool launch_ = true;
};

} // namespace ww::setup
