// The first wizard page: the movie, the wallpaper's name and the publisher.
#pragma once

#include "swf/swf_reader.h"
#include "builder/ui/fitted_picture.h"
#include "builder/ui/flash_preview.h"
#include "builder/ui/transparent_bitmap.h"
#include "builder/ui/wizard_page.h"

#include <string>

namespace ww {

class InformationPage : public WizardPage {
  public:
    InformationPage();

    bool LoadFromControls() override;
    bool StoreToControls() override;
    void ShowProject(const WallpaperProject& project) override;
    void TakeProject(WallpaperProject& project) override;
    bool PreTranslate(const MSG& message) override;

    bool ValidatePage() override;
    // Button 1017: choose a movie, or a projector whose movie is saved out.
    void ChooseMovie();
    // Repaints the preview at once.
    void RedrawPreview();

    std::string SwfFilename;
    std::string WallpaperName;
    std::string PublisherName;
    std::string PublisherURL;
    std::string Copyright;
    SwfMovieInfo movieInfo;
    FlashPreviewControl preview;
    TransparentBitmapStatic picture;
    FittedPicture banner;
    PageTooltips tooltips;

  protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
    void OnDestroy() override;

  private:
    void CreatePreview();
    void AcceptMovie();
    void RefuseMovie(bool stopPreview);
};

} // namespace ww
