#include "builder/ui/setting_page.h"

#include "builder/project/project.h"
#include "builder/ui/messages.h"
#include "builder/ui/resource.h"
#include "common/win32/file_dialog.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace ww {

namespace {

struct ListSetUp {
    int id;
    const ChoiceList* list;
    int initial;
};

// In the order the page selects them at start.
const ListSetUp kLists[] = {
    {IDC_SET_QUALITY, &kQualityList, 2},
    {IDC_SET_DIMENSIONS, &kDimensionsList, 0},
    {IDC_SET_SCALE, &kScaleList, 0},
    {IDC_SET_HORIZONTAL, &kHorizontalAlignList, 1},
    {IDC_SET_VERTICAL, &kVerticalAlignList, 1},
};

} // namespace

SettingPage::SettingPage() : WizardPage(kSettingPage, IDD_SETTING_PAGE) {}

bool SettingPage::LoadFromControls() {
    AutoPlay = IsChecked(IDC_SET_AUTO_PLAY) ? 1 : 0;
    Loop = IsChecked(IDC_SET_LOOP) ? 1 : 0;
    ShowMenu = IsChecked(IDC_SET_SHOW_MENU) ? 1 : 0;
    BKGroundColor = ItemText(IDC_SET_COLOUR);
    Width = ItemText(IDC_SET_WIDTH);
    Height = ItemText(IDC_SET_HEIGHT);
    return true;
}

bool SettingPage::StoreToControls() {
    SetChecked(IDC_SET_AUTO_PLAY, AutoPlay != 0);
    SetChecked(IDC_SET_LOOP, Loop != 0);
    SetChecked(IDC_SET_SHOW_MENU, ShowMenu != 0);
    SetItemText(IDC_SET_COLOUR, BKGroundColor);
    SetItemText(IDC_SET_WIDTH, Width);
    SetItemText(IDC_SET_HEIGHT, Height);
    return true;
}

void SettingPage::ShowProject(const WallpaperProject& project) {
    Select(IDC_SET_HORIZONTAL, project.FlashAlign_Horizontal);
    Select(IDC_SET_VERTICAL, project.FlashAlign_Vertical);
    Select(IDC_SET_SCALE, project.Scale);
    SetItemText(IDC_SET_COLOUR, project.BKGroundColor);
    Select(IDC_SET_QUALITY, project.Quality);
    Select(IDC_SET_DIMENSIONS, project.Dimensions);
    SetItemText(IDC_SET_HEIGHT, project.Height);
    SetItemText(IDC_SET_WIDTH, project.Width);
    LoadFromControls();
    AutoPlay = project.AutoPlay;
    Loop = project.Loop;
    ShowMenu = project.ShowMenu;
    StoreToControls();
}

void SettingPage::TakeProject(WallpaperProject& project) {
    LoadFromControls();
    ReadProject(project);
}

void SettingPage::ReadProject(WallpaperProject& project) const {
    project.FlashAlign_Horizontal = Selection(IDC_SET_HORIZONTAL);
    project.FlashAlign_Vertical = Selection(IDC_SET_VERTICAL);
    project.Scale = Selection(IDC_SET_SCALE);
    project.Quality = Selection(IDC_SET_QUALITY);
    project.Dimensions = Selection(IDC_SET_DIMENSIONS);
    project.Width = ItemText(IDC_SET_WIDTH);
    project.Height = ItemText(IDC_SET_HEIGHT);
    project.BKGroundColor = ItemText(IDC_SET_COLOUR);
    project.AutoPlay = IsChecked(IDC_SET_AUTO_PLAY) ? 1 : 0;
    project.Loop = IsChecked(IDC_SET_LOOP) ? 1 : 0;
    project.ShowMenu = IsChecked(IDC_SET_SHOW_MENU) ? 1 : 0;
}

bool SettingPage::OnInit() {
    for (const ListSetUp& setUp : kLists) {
        for (int32_t i = 0; i < setUp.list->count; ++i)
            SendMessageA(Item(setUp.id), CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(setUp.list->labels[i]));
    }
    for (const ListSetUp& setUp : kLists)
        Select(setUp.id, setUp.initial);
    AutoPlay = Loop = ShowMenu = 1;
    BKGroundColor = "#FFFFFF";
    SendMessageA(Item(IDC_SET_WIDTH), EM_SETREADONLY, TRUE, 0);
    SendMessageA(Item(IDC_SET_HEIGHT), EM_SETREADONLY, TRUE, 0);
    StoreToControls();
    return true;
}

int SettingPage::Selection(int listId) const {
    return static_cast<int>(SendMessageA(Item(listId), CB_GETCURSEL, 0, 0));
}

void SettingPage::Select(int listId, int index) const {
    SendMessageA(Item(listId), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

bool SettingPage::OnCommand(int id, int code, HWND) {
    switch (id) {
    case IDC_SET_COLOUR:
    case IDC_SET_WIDTH:
    case IDC_SET_HEIGHT:
        if (code == EN_CHANGE)
            NotifyModified();
        return true;
    case IDC_SET_AUTO_PLAY:
    case IDC_SET_LOOP:
    case IDC_SET_SHOW_MENU:
        if (code == BN_CLICKED)
            NotifyModified();
        return true;
    case IDC_SET_HORIZONTAL:
    case IDC_SET_VERTICAL:
    case IDC_SET_SCALE:
    case IDC_SET_QUALITY:
        if (code == CBN_SELCHANGE)
            NotifyModified();
        return true;
    case IDC_SET_DIMENSIONS:
        if (code == CBN_SELCHANGE)
            ApplyDimensionsMode();
        return true;
    case IDC_SET_CHOOSE_COLOUR:
        if (code == BN_CLICKED)
            ChooseBackgroundColour();
        return true;
    default:
        return false;
    }
}

void SettingPage::ShowPage() {
    if (refreshDimensions) {
        ApplyDimensionsMode();
        refreshDimensions = false;
    }
    WizardPage::ShowPage();
}

void SettingPage::SetDimensionBoxes(const std::string& width, const std::string& height,
                                    bool editable, const char* unit) const {
    // Writing a box marks the project changed: only a value that differs.
    if (ItemText(IDC_SET_WIDTH) != width)
        SetItemText(IDC_SET_WIDTH, width);
    if (ItemText(IDC_SET_HEIGHT) != height)
        SetItemText(IDC_SET_HEIGHT, height);
    SendMessageA(Item(IDC_SET_WIDTH), EM_SETREADONLY, editable ? FALSE : TRUE, 0);
    SendMessageA(Item(IDC_SET_HEIGHT), EM_SETREADONLY, editable ? FALSE : TRUE, 0);
    SetItemText(IDC_SET_WIDTH_UNIT, unit);
    SetItemText(IDC_SET_HEIGHT_UNIT, unit);
}

void SettingPage::ApplyDimensionsMode() {
    switch (Selection(IDC_SET_DIMENSIONS)) {
    case kDimensionsMatchMovie:
        SetDimensionBoxes(Width, Height, false, "pixels");
        break;
    case kDimensionsPixels:
        SetDimensionBoxes(Width, Height, true, "pixels");
        break;
    case kDimensionsPercent:
        SetDimensionBoxes("100", "100", true, "percent");
        break;
    case kDimensionsFullScreen:
        SetDimensionBoxes(std::to_string(GetSystemMetrics(SM_CXSCREEN)),
                          std::to_string(GetSystemMetrics(SM_CYSCREEN)), true, "pixels");
        break;
    default:
        break;
    }
}

void SettingPage::ChooseBackgroundColour() {
    ColourDialogRequest request;
    request.owner = BoxOwner();
    // The dialog opens on the colour in the box; white when it is no colour.
    request.initial = RGB(255, 255, 255);
    ParseColourText(ItemText(IDC_SET_COLOUR), &request.initial);
    request.flags = CC_FULLOPEN;
    COLORREF chosen = 0;
    if (!ShowColourDialog(request, &chosen))
        return;
    BKGroundColor = ColourText(chosen);
    SetItemText(IDC_SET_COLOUR, BKGroundColor);
}

bool SettingPage::ValidatePage() {
    WallpaperProject project;
    TakeProject(project);
    UserMessages messages = ValidateSetting(project);
    ShowUserMessages(BoxOwner(), messages);
    return messages.empty();
}

bool ParseColourText(const std::string& text, COLORREF* colour) {
    if (text.size() != 7 || text[0] != '#')
        return false;
    unsigned value = 0;
    for (size_t i = 1; i < text.size(); ++i) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
        const char* digits = "0123456789abcdef";
        const char* at = std::strchr(digits, c);
        if (!c || !at)
            return false;
        value = value * 16 + static_cast<unsigned>(at - digits);
    }
    *colour = RGB(value >> 16 & 0xFF, value >> 8 & 0xFF, value & 0xFF);
    return true;
}

std::string ColourText(COLORREF colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", GetRValue(colour), GetGValue(colour),
                  GetBValue(colour));
    std::string upper = text;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

} // namespace ww
