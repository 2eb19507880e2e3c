// The Information page: choosing a movie in all its forms, the check before
// leaving the page, and the tooltips.
#include "builder/ui/resource.h"
#include "common/path.h"
#include "tests/support/fixtures.h"
#include "tests/support/swf_writer.h"
#include "tests/support/win32_driver.h"
#include "tests/ui/ui_harness.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace ww {
namespace {

using test::BuilderUnderTest;

std::string PreviewText(BuilderUnderTest& b) {
    return b.Text(b.info(), IDC_INFO_PREVIEW);
}

TEST(InformationPage, ChoosingAMovieAcceptsMoviesAndProjectorsAndRefusesTheRest) {
    test::TempDir files;
    test::SwfRecipe small = test::StageRecipe(false);
    small.xmax = 6400; // 320 x 240
    small.ymax = 4800;
    small.frameCount = 24;
    test::WriteFileBytes(files / "first.swf", test::MakeSwf(small));
    test::WriteFileBytes(files / "STAGE.SWF", test::MakeSwf(test::StageRecipe(true)));
    test::WriteFileBytes(files / "fake.swf", test::PatternBytes(400, 3));
    test::WriteFileBytes(files / "plain.exe", test::PatternBytes(4000, 5));
    test::WriteFileBytes(files / "movie.txt", test::MakeSwf(test::StageRecipe(false)));
    test::ProjectorRecipe projector;
    projector.movie = test::MakeSwf(test::StageRecipe(false));
    test::WriteFileBytes(files / "player.exe", test::MakeProjector(projector));

    struct Case {
        const char* chosen;
        const char* savedAs; // the Save dialog's answer for a projector; "" cancels
        std::vector<std::string> boxes;
        const char* box;     // the path box afterwards, relative to files; "=" unchanged
        bool previewKept;    // the preview still shows the first movie
        const char* preview; // else: part of what it shows, "" for nothing
        int width;           // the movie width the main window knows
    };
    const Case cases[] = {
        {"STAGE.SWF", nullptr, {}, "STAGE.SWF", false, "STAGE.SWF\r\n550 x 400 pixels", 550},
        {"fake.swf", nullptr, {"Non-standard SWF file!"}, "", true, nullptr, 320},
        {"movie.txt", nullptr, {"Non-standard SWF file!"}, "", true, nullptr, 320},
        {"plain.exe", nullptr, {"Non-standard SWF file!"}, "", false, "", 320},
        {"player.exe",
         "saved.swf",
         {"Only SWF file is avaliable, Please save it as SWF file first!"},
         "saved.swf",
         false,
         "saved.swf\r\n550 x 400 pixels",
         550},
        {"player.exe",
         "",
         {"Only SWF file is avaliable, Please save it as SWF file first!"},
         "=",
         true,
         nullptr,
         320},
    };
    for (const Case& c : cases) {
        BuilderUnderTest b;
        b.answers().ChooseFile(files / "first.swf");
        b.Click(b.info(), IDC_INFO_CHOOSE_MOVIE);
        const std::string firstPreview = PreviewText(b);
        ASSERT_NE(firstPreview.find("first.swf"), std::string::npos) << firstPreview;
        ASSERT_NE(firstPreview.find("320 x 240 pixels"), std::string::npos) << firstPreview;
        ASSERT_NE(firstPreview.find("24 frames"), std::string::npos) << firstPreview;
        b.answers().Forget();

        b.answers().ChooseFile(files / c.chosen);
        if (c.savedAs) {
            if (*c.savedAs)
                b.answers().ChooseFile(files / c.savedAs);
            else
                b.answers().CancelFileDialog();
        }
        b.Click(b.info(), IDC_INFO_CHOOSE_MOVIE);
        EXPECT_EQ(b.answers().BoxTexts(), c.boxes) << c.chosen;
        for (const test::SeenMessageBox& box : b.answers().boxes)
            EXPECT_EQ(box.icon(), UINT(MB_ICONEXCLAMATION)) << c.chosen;
        std::string expectedBox = std::string(c.box) == "=" ? files / "first.swf"
                                  : *c.box                  ? files / c.box
                                                            : "";
        EXPECT_EQ(b.Text(b.info(), IDC_INFO_MOVIE_PATH), expectedBox) << c.chosen;
        if (c.previewKept)
            EXPECT_EQ(PreviewText(b), firstPreview) << c.chosen;
        else if (!*c.preview)
            EXPECT_EQ(PreviewText(b), "") << c.chosen;
        else
            EXPECT_NE(PreviewText(b).find(c.preview), std::string::npos)
                << c.chosen << ": " << PreviewText(b);
        EXPECT_EQ(b.window().movieWidth, c.width) << c.chosen;
        if (c.savedAs && *c.savedAs) {
            EXPECT_EQ(test::ReadFileBytes(files / c.savedAs), projector.movie);
            const FileDialogRequest& save = b.answers().fileRequests[1];
            EXPECT_EQ(save.kind, FileDialogKind::Save);
            EXPECT_EQ(save.filter, "Flash Files(*.swf)|*.swf||");
            EXPECT_EQ(save.initialFileName, "*.swf");
            EXPECT_EQ(save.defaultExtension, "*.swf");
        }
        // The open dialog of every choice.
        const FileDialogRequest& open = b.answers().fileRequests[0];
        EXPECT_EQ(open.kind, FileDialogKind::Open);
        EXPECT_EQ(open.filter, "Flash Files(*.swf)|*.swf|Flash Project Files(*.exe)|*.exe||");
        EXPECT_EQ(open.initialFileName, "*.swf");
        EXPECT_EQ(open.flags, DWORD(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
    }
}

TEST(InformationPage, ProjectorWithTheSaveCancelledKeepsItsPathOnlyUntilTheNextCheck) {
    test::TempDir files;
    test::ProjectorRecipe projector;
    projector.movie = test::MakeSwf(test::StageRecipe(false));
    test::WriteFileBytes(files / "player.exe", test::MakeProjector(projector));
    BuilderUnderTest b;
    b.answers().ChooseFile(files / "player.exe");
    b.answers().CancelFileDialog();
    b.Click(b.info(), IDC_INFO_CHOOSE_MOVIE);
    EXPECT_EQ(b.window().informationPage.SwfFilename, files / "player.exe");
    EXPECT_EQ(b.Text(b.info(), IDC_INFO_MOVIE_PATH), "");
    EXPECT_EQ(b.window().movieWidth, 0);
    b.answers().Forget();
    b.Type(b.info(), IDC_INFO_WALLPAPER_NAME, "Ocean");
    b.ClickMain(IDC_MAIN_NEXT);
    EXPECT_EQ(b.answers().BoxTexts(), std::vector<std::string>{"Please select a swf file!"});
    // A projector typed into the box passes the check as the movie.
    b.answers().Forget();
    b.Type(b.info(), IDC_INFO_MOVIE_PATH, files / "player.exe");
    b.ClickMain(IDC_MAIN_NEXT);
    EXPECT_TRUE(b.answers().boxes.empty());
    EXPECT_EQ(b.ShownPage(), 2);
}

TEST(InformationPage, NextChecksTheMovieAndTheNameAndMayShowTwoMessages) {
    test::TempDir files;
    test::WriteFileBytes(files / "good.swf", test::MakeSwf(test::StageRecipe(false)));
    test::WriteFileBytes(files / "bad.swf", test::PatternBytes(300, 1));
    test::WriteFileBytes(files / "notes.doc", test::MakeSwf(test::StageRecipe(false)));
    const std::string kInvalidName = "Invalid Wallpaper name, please enter letters or number only!";
    struct Case {
        std::string movie;
        std::string name;
        std::vector<std::string> boxes;
    };
    const Case cases[] = {
        {"", "", {"Please select a swf file!"}},
        {"", "Ocean", {"Please select a swf file!"}},
        {files / "good.swf", "", {"Please enter Wallpaper name!"}},
        {files / "missing.swf", "Sea/Sky", {"Invalid file name", kInvalidName}},
        {files / "bad.swf", "Sea:Sky", {"Non-standard SWF file!", kInvalidName}},
        {files / "notes.doc", "Ocean", {"Non-standard SWF file!"}},
        {files / "good.swf", "Sea|Sky", {kInvalidName}},
        {files / "good.swf", "Sea and Sky v1.2", {}},
        {files.path(), "Folder as movie", {"Non-standard SWF file!"}},
    };
    for (const Case& c : cases) {
        BuilderUnderTest b;
        b.Type(b.info(), IDC_INFO_MOVIE_PATH, c.movie);
        b.Type(b.info(), IDC_INFO_WALLPAPER_NAME, c.name);
        b.ClickMain(IDC_MAIN_NEXT);
        EXPECT_EQ(b.answers().BoxTexts(), c.boxes) << c.movie << " / " << c.name;
        EXPECT_EQ(b.ShownPage(), c.boxes.empty() ? 2 : 1) << c.movie << " / " << c.name;
        // Typed by hand, the path reaches neither the preview nor the movie size.
        EXPECT_EQ(PreviewText(b), "");
        EXPECT_EQ(b.window().movieWidth, 0);
    }
}

TEST(InformationPage, EachBoxAndTheButtonCarryTheirTooltip) {
    BuilderUnderTest b;
    SendMessageA(b.info(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    const struct {
        int control;
        const char* text;
    } tips[] = {
        {IDC_INFO_MOVIE_PATH, "The path and file name of the selected SWF file"},
        {IDC_INFO_CHOOSE_MOVIE, "Click to specify where to open a SWF file"},
        {IDC_INFO_WALLPAPER_NAME, "Enter the wallpaper name"},
        {IDC_INFO_PUBLISHER_NAME, "Enter the publisher name"},
        {IDC_INFO_PUBLISHER_URL, "Enter the publisher`s URL"},
        {IDC_INFO_COPYRIGHT, "Enter the publisher`s copyright information"},
    };
    for (const auto& tip : tips) {
        HWND tooltip = b.window().informationPage.tooltips.TooltipOf(tip.control);
        ASSERT_NE(tooltip, nullptr) << tip.control;
        EXPECT_NE(GetWindowLongA(tooltip, GWL_STYLE) & TTS_ALWAYSTIP, 0);
        char text[256] = "";
        TTTOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = b.info();
        tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(b.info(), tip.control));
        tool.lpszText = text;
        SendMessageA(tooltip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
        EXPECT_STREQ(text, tip.text);
    }
}

TEST(InformationPage, ThePreviewTakesThePlaceOfItsFrame) {
    BuilderUnderTest b;
    HWND preview = GetDlgItem(b.info(), IDC_INFO_PREVIEW);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(test::ClassNameOf(preview), "WallweaverMoviePreview");
    EXPECT_FALSE(b.window().informationPage.preview.hostsPlayer());
    // Inside the picture that frames it, and drawn above it.
    RECT picture{}, place{};
    GetWindowRect(GetDlgItem(b.info(), IDC_INFO_PICTURE), &picture);
    GetWindowRect(preview, &place);
    EXPECT_GE(place.left, picture.left);
    EXPECT_LE(place.right, picture.right);
    EXPECT_EQ(GetWindow(b.info(), GW_CHILD), preview);
}

} // namespace
} // namespace ww
