// The Setting page: its lists and defaults, the dimension modes, the colour.
#include "builder/ui/resource.h"
#include "builder/ui/setting_page.h"
#include "tests/support/fixtures.h"
#include "tests/support/swf_writer.h"
#include "tests/ui/ui_harness.h"

#include <gtest/gtest.h>

#include <functional>

namespace ww {
namespace {

using test::BuilderUnderTest;

std::vector<std::string> ListEntries(HWND dialog, int id) {
    std::vector<std::string> entries;
    HWND list = GetDlgItem(dialog, id);
    LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[128] = "";
        SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

std::string SelectedEntry(HWND dialog, int id) {
    LRESULT at = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    if (at < 0)
        return "(none)";
    return ListEntries(dialog, id)[static_cast<size_t>(at)];
}

// The builder on its Setting page after a 550 x 400 movie was accepted.
void GoToSettingWithStageMovie(BuilderUnderTest& b) {
    const std::string movie = b.folder() / "stage.swf";
    test::WriteFileBytes(movie, test::MakeSwf(test::StageRecipe(false)));
    b.answers().ChooseFile(movie);
    b.Click(b.info(), IDC_INFO_CHOOSE_MOVIE);
    b.Type(b.info(), IDC_INFO_WALLPAPER_NAME, "Ocean");
    b.ClickMain(IDC_MAIN_NEXT);
    ASSERT_EQ(b.ShownPage(), 2);
}

TEST(SettingPage, ANewProjectShowsTheDefaults) {
    BuilderUnderTest b;
    const struct {
        int id;
        std::vector<std::string> entries;
        const char* selected;
    } lists[] = {
        {IDC_SET_HORIZONTAL, {"Left", "Center", "Right"}, "Center"},
        {IDC_SET_VERTICAL, {"Top", "Middle", "Bottom"}, "Middle"},
        {IDC_SET_SCALE, {"Default(Show all)", "No border", "Exact fit"}, "Default(Show all)"},
        {IDC_SET_QUALITY, {"Low", "Auto Low", "Auto High", "Medium", "High", "Best"}, "Auto High"},
        {IDC_SET_DIMENSIONS, {"Match Movie", "Pixels", "Percent", "Full Screen"}, "Match Movie"},
    };
    for (const auto& list : lists) {
        EXPECT_EQ(ListEntries(b.setting(), list.id), list.entries) << list.id;
        EXPECT_EQ(SelectedEntry(b.setting(), list.id), list.selected) << list.id;
    }
    for (int box : {IDC_SET_AUTO_PLAY, IDC_SET_LOOP, IDC_SET_SHOW_MENU})
        EXPECT_EQ(IsDlgButtonChecked(b.setting(), box), UINT(BST_CHECKED)) << box;
    EXPECT_EQ(b.Text(b.setting(), IDC_SET_COLOUR), "#FFFFFF");
    EXPECT_TRUE(b.ReadOnly(b.setting(), IDC_SET_WIDTH));
    EXPECT_TRUE(b.ReadOnly(b.setting(), IDC_SET_HEIGHT));
    EXPECT_EQ(b.Text(b.setting(), IDC_SET_WIDTH), "");
    EXPECT_EQ(b.Text(b.setting(), IDC_SET_WIDTH_UNIT), "pixels");
}

TEST(SettingPage, DimensionModesWriteTheBoxesTheirUnitsAndEditability) {
    BuilderUnderTest b;
    GoToSettingWithStageMovie(b);
    const std::string screenWidth = std::to_string(GetSystemMetrics(SM_CXSCREEN));
    const std::string screenHeight = std::to_string(GetSystemMetrics(SM_CYSCREEN));
    struct Step {
        int mode;          // -1: no new selection, only what is typed
        const char* typed; // typed into the width box first, when set
        std::string width, height;
        bool editable;
        const char* unit;
    };
    const Step steps[] = {
        {-1, nullptr, "550", "400", false, "pixels"},
        {2, nullptr, "100", "100", true, "percent"},
        {0, nullptr, "550", "400", false, "pixels"},
        {1, nullptr, "550", "400", true, "pixels"},
        {-1, "640", "640", "400", true, "pixels"},
        {2, nullptr, "100", "100", true, "percent"},
        // The field still holds the movie width, not the 640 typed.
        {1, nullptr, "550", "400", true, "pixels"},
        {3, nullptr, screenWidth, screenHeight, true, "pixels"},
    };
    for (const Step& step : steps) {
        if (step.typed)
            b.Type(b.setting(), IDC_SET_WIDTH, step.typed);
        if (step.mode >= 0)
            b.PickListEntry(b.setting(), IDC_SET_DIMENSIONS, step.mode);
        EXPECT_EQ(b.Text(b.setting(), IDC_SET_WIDTH), step.width) << step.mode;
        EXPECT_EQ(b.Text(b.setting(), IDC_SET_HEIGHT), step.height) << step.mode;
        EXPECT_EQ(b.ReadOnly(b.setting(), IDC_SET_WIDTH), !step.editable) << step.mode;
        EXPECT_EQ(b.ReadOnly(b.setting(), IDC_SET_HEIGHT), !step.editable) << step.mode;
        EXPECT_EQ(b.Text(b.setting(), IDC_SET_WIDTH_UNIT), step.unit) << step.mode;
        EXPECT_EQ(b.Text(b.setting(), IDC_SET_HEIGHT_UNIT), step.unit) << step.mode;
    }
}

TEST(SettingPage, ANewMovieRefreshesTheSizeOnlyOnceOnNext) {
    BuilderUnderTest b;
    GoToSettingWithStageMovie(b);
    b.PickListEntry(b.setting(), IDC_SET_DIMENSIONS, 1);
    b.Type(b.setting(), IDC_SET_WIDTH, "700");
    b.ClickMain(IDC_MAIN_NEXT);
    b.ClickMain(IDC_MAIN_BACK);
    // Back always writes the movie size into the fields; with no refresh
    // pending the boxes keep what was typed.
    EXPECT_EQ(b.Text(b.setting(), IDC_SET_WIDTH), "700");
    EXPECT_EQ(b.window().settingPage.Width, "550");
    // A new movie: Next from page 1 shows its size.
    test::SwfRecipe wide = test::StageRecipe(false);
    wide.xmax = 16000; // 800
    test::WriteFileBytes(b.folder() / "wide.swf", test::MakeSwf(wide));
    b.ClickMain(IDC_MAIN_BACK);
    b.answers().ChooseFile(b.folder() / "wide.swf");
    b.Click(b.info(), IDC_INFO_CHOOSE_MOVIE);
    b.ClickMain(IDC_MAIN_NEXT);
    EXPECT_EQ(b.Text(b.setting(), IDC_SET_WIDTH), "800");
    EXPECT_EQ(b.Text(b.setting(), IDC_SET_HEIGHT), "400");
}

TEST(SettingPage, TheColourChooserOpensOnTheColourWritesUpperCaseHexAndCancelChangesNothing) {
    BuilderUnderTest b;
    GoToSettingWithStageMovie(b);
    b.answers().ChooseColour(RGB(10, 5, 255));
    b.Click(b.setting(), IDC_SET_CHOOSE_COLOUR);
    EXPECT_EQ(b.Text(b.setting(), IDC_SET_COLOUR), "#0A05FF");
    ASSERT_EQ(b.answers().colourRequests.size(), 1u);
    EXPECT_EQ(b.answers().colourRequests[0].initial, RGB(255, 255, 255));
    EXPECT_NE(b.answers().colourRequests[0].flags & CC_FULLOPEN, 0u);
    b.Click(b.setting(), IDC_SET_CHOOSE_COLOUR); // cancelled
    EXPECT_EQ(b.Text(b.setting(), IDC_SET_COLOUR), "#0A05FF");
    // The dialog opens on the colour the box holds, typed or chosen.
    EXPECT_EQ(b.answers().colourRequests[1].initial, RGB(10, 5, 255));
    b.Type(b.setting(), IDC_SET_COLOUR, "#abcdef");
    b.Click(b.setting(), IDC_SET_CHOOSE_COLOUR);
    EXPECT_EQ(b.answers().colourRequests[2].initial, RGB(171, 205, 239));
    b.Type(b.setting(), IDC_SET_COLOUR, "#ABCDE");
    b.Click(b.setting(), IDC_SET_CHOOSE_COLOUR);
    EXPECT_EQ(b.answers().colourRequests[3].initial, RGB(255, 255, 255));

    const struct {
        COLORREF colour;
        const char* text;
    } colours[] = {
        {RGB(255, 128, 0), "#FF8000"},
        {RGB(0, 0, 0), "#000000"},
        {RGB(10, 5, 255), "#0A05FF"},
        {RGB(171, 205, 239), "#ABCDEF"},
    };
    for (const auto& c : colours) {
        EXPECT_EQ(ColourText(c.colour), c.text);
        COLORREF back = 0;
        EXPECT_TRUE(ParseColourText(c.text, &back));
        EXPECT_EQ(back, c.colour);
    }
    for (const char* text : {"", "#", "FF8000", "#FF800", "#FF80000", "#GG8000", "#FF 800"}) {
        COLORREF left = 7;
        EXPECT_FALSE(ParseColourText(text, &left)) << text;
        EXPECT_EQ(left, 7u) << text;
    }
}

TEST(SettingPage, EveryControlChangeMarksTheProjectChanged) {
    BuilderUnderTest b;
    GoToSettingWithStageMovie(b);
    const std::string project = b.folder() / "p.sdf";
    struct Change {
        const char* name;
        std::function<void()> act;
    };
    const Change changes[] = {
        {"horizontal", [&] { b.PickListEntry(b.setting(), IDC_SET_HORIZONTAL, 0); }},
        {"vertical", [&] { b.PickListEntry(b.setting(), IDC_SET_VERTICAL, 2); }},
        {"scale", [&] { b.PickListEntry(b.setting(), IDC_SET_SCALE, 1); }},
        {"quality", [&] { b.PickListEntry(b.setting(), IDC_SET_QUALITY, 4); }},
        {"dimensions", [&] { b.PickListEntry(b.setting(), IDC_SET_DIMENSIONS, 2); }},
        {"colour", [&] { b.Type(b.setting(), IDC_SET_COLOUR, "#000000"); }},
        {"loop", [&] { b.Click(b.setting(), IDC_SET_LOOP); }},
        {"auto play", [&] { b.Click(b.setting(), IDC_SET_AUTO_PLAY); }},
        {"show menu", [&] { b.Click(b.setting(), IDC_SET_SHOW_MENU); }},
        {"installer box", [&] { b.Type(b.installer(), IDC_INST_TOP_IMAGE, "top.bmp"); }},
        {"build box", [&] { b.Type(b.build(), IDC_BUILD_ICON, "x.ico"); }},
    };
    for (const Change& change : changes) {
        b.answers().ChooseFile(project);
        b.Menu(ID_FILE_SAVE);
        ASSERT_FALSE(b.window().isModified);
        change.act();
        EXPECT_TRUE(b.window().isModified) << change.name;
    }
}

} // namespace
} // namespace ww
