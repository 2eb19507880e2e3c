// The second wizard page: how the movie sits in the page, its quality and
// size, the background colour and the three player switches.
#pragma once

#include "builder/ui/wizard_page.h"

#include <cstdint>
#include <string>

namespace ww {

class SettingPage : public WizardPage {
  public:
    SettingPage();

    bool LoadFromControls() override;
    bool StoreToControls() override;
    void ShowProject(const WallpaperProject& project) override;
    void TakeProject(WallpaperProject& project) override;
    // The controls' choices, leaving the page's own record as it is.
    void ReadProject(WallpaperProject& project) const;
    // Applies a pending dimension refresh, then asks to be shown.
    void ShowPage() override;
    bool ValidatePage() override;
    // Writes the width and height boxes, their editability and unit labels
    // for the selected Dimensions entry.
    void ApplyDimensionsMode();
    // Button 1001.
    void ChooseBackgroundColour();

    // The selected index of one of the five lists; -1 for none.
    int Selection(int listId) const;
    void Select(int listId, int index) const;

    int32_t AutoPlay = 1;
    int32_t Loop = 1;
    int32_t ShowMenu = 1;
    std::string BKGroundColor = "#FFFFFF";
    std::string Width;
    std::string Height;
    bool refreshDimensions = true;

  protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;

  private:
    void SetDimensionBoxes(const std::string& width, const std::string& height, bool editable,
                           const char* unit) const;
};

// "#RRGGBB" in upper case for a colour chosen in the colour dialog.
std::string ColourText(COLORREF colour);
// "#RRGGBB" (either case) as a colour; false for any other text.
bool ParseColourText(const std::string& text, COLORREF* colour);

} // namespace ww
