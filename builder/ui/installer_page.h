// The third wizard page: the installer's pictures, readme and extra files.
#pragma once

#include "builder/project/workspace.h"
#include "builder/ui/fitted_picture.h"
#include "builder/ui/wizard_page.h"

#include <string>
#include <vector>

namespace ww {

class InstallerPage : public WizardPage {
  public:
    InstallerPage();

    bool LoadFromControls() override;
    bool StoreToControls() override;
    void ShowProject(const WallpaperProject& project) override;
    void TakeProject(WallpaperProject& project) override;
    bool PreTranslate(const MSG& message) override;

    // The external files: the items of list 1004, top to bottom.
    std::vector<std::string> ExternalFiles() const;
    // Empties the list, then adds the paths in order.
    void SetExternalFiles(const std::vector<std::string>& paths) const;

    // The readme test of the installer build; shows its own message.
    bool ValidateReadme();

    void ChooseTopImage();
    void ChooseLeftImage();
    void ChooseDisplayImage();
    void ChooseReadme();
    void AddExternalFiles();
    void RemoveExternalFile();
    void ClearExternalFiles();

    std::string TopImageFilename;
    std::string LeftImageFilename;
    std::string DisplayImageFilename;
    std::string ReadmeFilename;
    PageTooltips tooltips;
    FittedPicture side;
    // The builder's folders, for the choosers' starting place; set by the
    // main window before the page is created.
    const Workspace* workspace = nullptr;

  protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
    void OnDestroy() override;

  private:
    // An Open dialog for one file; on OK the path goes into the field and its box.
    void ChooseInto(std::string* field, int box, const std::string& defaultExtension,
                    const std::string& initialFileName, const char* filter);
    std::string ResourceFolder() const;
};

} // namespace ww
