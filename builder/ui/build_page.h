// The fourth wizard page: the icon and the names of the two outputs, and the
// buttons that ask the main window to preview or build.
#pragma once

#include "builder/project/workspace.h"
#include "builder/ui/fitted_picture.h"
#include "builder/ui/transparent_bitmap.h"
#include "builder/ui/wizard_page.h"

#include <string>

namespace ww {

class BuildPage : public WizardPage {
  public:
    BuildPage();

    bool LoadFromControls() override;
    bool StoreToControls() override;
    void ShowProject(const WallpaperProject& project) override;
    void TakeProject(WallpaperProject& project) override;

    void ChooseIcon();
    void ChooseWallpaperExe();
    void ChooseInstallerExe();
    void BuildWallpaperCommand();
    void BuildInstallerCommand();
    void RequestPreview();
    // The output must end in ".exe", and an existing one is overwritten only
    // when the author says Yes; shows its own messages.
    bool CheckOutputName(const std::string& path);

    std::string IconFilename;
    std::string WovenliteFilename;
    std::string InstallerPackageFilename;
    TransparentBitmapStatic picture;
    FittedPicture side;
    // The builder's folders, for the icon chooser's starting place; set by the
    // main window before the page is created.
    const Workspace* workspace = nullptr;

  protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;

  private:
    void ChooseInto(std::string* field, int box, bool save, const std::string& defaultExtension,
                    const std::string& initialFileName, const char* filter);
    // The steps both build buttons share; message is sent when they pass.
    void RequestBuild(bool wallpaper);
};

} // namespace ww
