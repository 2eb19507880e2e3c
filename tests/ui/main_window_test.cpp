// The builder's main window driven as a person drives it: navigation, the
// checks on the way, the menus, saving and opening, and the exit path.
#include "builder/project/project_file.h"
#include "builder/ui/resource.h"
#include "builder/ui/shell_calls.h"
#include "common/path.h"
#include "tests/support/fixtures.h"
#include "tests/support/swf_writer.h"
#include "tests/ui/ui_harness.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace ww {
namespace {

using test::BuilderUnderTest;

// The movie of a 550 x 400 stage, written into folder.
std::string WriteStageMovie(const test::TempDir& folder, const std::string& name = "stage.swf",
                            bool compressed = false) {
    std::string path = folder / name;
    test::WriteFileBytes(path, test::MakeSwf(test::StageRecipe(compressed)));
    return path;
}

// Chooses a movie through the page's button and names the wallpaper, so that
// the Information page may be left.
void FillInformationPage(BuilderUnderTest& b, const std::string& movie,
                         const std::string& name = "Ocean") {
    b.answers().ChooseFile(movie);
    b.Click(b.info(), IDC_INFO_CHOOSE_MOVIE);
    b.Type(b.info(), IDC_INFO_WALLPAPER_NAME, name);
}

TEST(BuilderWindow, FreshStartShowsTheInformationPageWithBackDisabled) {
    BuilderUnderTest b;
    EXPECT_EQ(b.Title(), "Wallweaver - Information");
    EXPECT_EQ(b.ShownPage(), 1);
    EXPECT_FALSE(b.Enabled(b.main(), IDC_MAIN_BACK));
    EXPECT_TRUE(b.Enabled(b.main(), IDC_MAIN_NEXT));
    EXPECT_TRUE(b.Enabled(b.main(), IDC_MAIN_CANCEL));
    EXPECT_EQ(b.Text(b.main(), IDC_MAIN_NEXT), "&Next >");
    EXPECT_FALSE(b.Visible(GetDlgItem(b.main(), IDC_MAIN_FRAME)));
    EXPECT_TRUE(b.MenuChecked(ID_VIEW_INFORMATION));
    EXPECT_FALSE(b.MenuChecked(ID_VIEW_BUILD));
    EXPECT_TRUE(b.answers().boxes.empty());
    // The pages sit where the frame marks, all at the same place.
    RECT info{}, build{};
    GetWindowRect(b.info(), &info);
    GetWindowRect(b.build(), &build);
    EXPECT_EQ(info.left, build.left);
    EXPECT_EQ(info.top, build.top);
    // The Setting page's own defaults already count as a change: File > Save asks.
    b.answers().CancelFileDialog();
    b.Menu(ID_FILE_SAVE);
    ASSERT_EQ(b.answers().fileRequests.size(), 1u);
    const FileDialogRequest& save = b.answers().fileRequests[0];
    EXPECT_EQ(save.kind, FileDialogKind::Save);
    EXPECT_EQ(save.initialFileName, "*.sdf");
    EXPECT_EQ(save.defaultExtension, "*.sdf");
    EXPECT_EQ(save.filter, "*.sdf|*.sdf|");
    EXPECT_EQ(save.flags, DWORD(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
    EXPECT_EQ(save.structSize, 88u);
}

TEST(BuilderWindow, ViewBuildWithAnEmptyMovieStopsOnTheInformationPage) {
    BuilderUnderTest b;
    b.Menu(ID_VIEW_BUILD);
    ASSERT_EQ(b.answers().boxes.size(), 1u);
    EXPECT_EQ(b.answers().boxes[0].text, "Please select a swf file!");
    EXPECT_EQ(b.answers().boxes[0].title, "Wallweaver");
    EXPECT_EQ(b.answers().boxes[0].icon(), UINT(MB_ICONEXCLAMATION));
    EXPECT_EQ(b.answers().boxes[0].buttons(), UINT(MB_OK));
    EXPECT_EQ(b.ShownPage(), 1);
    EXPECT_EQ(b.Title(), "Wallweaver - Information");
}

TEST(BuilderWindow, ViewBuildWithAnEmptiedColourEndsOnTheSettingPage) {
    BuilderUnderTest b;
    FillInformationPage(b, WriteStageMovie(b.folder()));
    b.ClickMain(IDC_MAIN_NEXT);
    ASSERT_EQ(b.ShownPage(), 2);
    b.Type(b.setting(), IDC_SET_COLOUR, "");
    b.Menu(ID_VIEW_INFORMATION); // back: no check at all
    EXPECT_EQ(b.ShownPage(), 1);
    EXPECT_TRUE(b.answers().boxes.empty());
    b.Menu(ID_VIEW_BUILD);
    EXPECT_EQ(b.answers().BoxTexts(),
              std::vector<std::string>{"Please select a HTML background color!"});
    EXPECT_EQ(b.ShownPage(), 2);
    EXPECT_EQ(b.Title(), "Wallweaver - Setting");
    EXPECT_TRUE(b.MenuChecked(ID_VIEW_SETTING));
    EXPECT_FALSE(b.MenuChecked(ID_VIEW_INFORMATION));
    // A colour the page cannot write as it stands is refused too.
    b.answers().Forget();
    b.Type(b.setting(), IDC_SET_COLOUR, "blue");
    b.Menu(ID_VIEW_BUILD);
    EXPECT_EQ(b.answers().BoxTexts(),
              std::vector<std::string>{
                  "The background color must be # and six hexadecimal digits, such as #1E3C64!"});
    EXPECT_EQ(b.ShownPage(), 2);
    b.Type(b.setting(), IDC_SET_COLOUR, "#0000FF");
    b.Menu(ID_VIEW_BUILD);
    EXPECT_EQ(b.ShownPage(), 4);
}

TEST(BuilderWindow, NextAndBackWalkThePagesWithTheButtonsOfEach) {
    BuilderUnderTest b;
    FillInformationPage(b, WriteStageMovie(b.folder()));
    struct Step {
        int button;
        int page;
        const char* title;
        bool backEnabled;
        const char* nextText;
    };
    const Step steps[] = {
        {IDC_MAIN_NEXT, 2, "Wallweaver - Setting", true, "&Next >"},
        {IDC_MAIN_NEXT, 3, "Wallweaver - Installer", true, "&Next >"},
        {IDC_MAIN_NEXT, 4, "Wallweaver - Build", true, "&Save >"},
        {IDC_MAIN_BACK, 3, "Wallweaver - Installer", true, "&Next >"},
        {IDC_MAIN_BACK, 2, "Wallweaver - Setting", true, "&Next >"},
        {IDC_MAIN_BACK, 1, "Wallweaver - Information", false, "&Next >"},
    };
    for (const Step& step : steps) {
        b.ClickMain(step.button);
        EXPECT_EQ(b.ShownPage(), step.page) << step.title;
        EXPECT_EQ(b.Title(), step.title);
        EXPECT_EQ(b.Enabled(b.main(), IDC_MAIN_BACK), step.backEnabled) << step.title;
        EXPECT_EQ(b.Text(b.main(), IDC_MAIN_NEXT), step.nextText) << step.title;
        EXPECT_TRUE(b.Enabled(b.main(), IDC_MAIN_CANCEL));
    }
    EXPECT_TRUE(b.answers().boxes.empty());
    // View > Information from the Build page switches at once.
    b.Menu(ID_VIEW_BUILD);
    EXPECT_EQ(b.ShownPage(), 4);
    b.Menu(ID_VIEW_INFORMATION);
    EXPECT_EQ(b.ShownPage(), 1);
    EXPECT_TRUE(b.answers().boxes.empty());
}

TEST(BuilderWindow, SaveOnTheBuildPageIsEnabledOnlyWhileSomethingChanged) {
    BuilderUnderTest b;
    FillInformationPage(b, WriteStageMovie(b.folder()));
    b.answers().Forget();
    b.Menu(ID_VIEW_BUILD);
    ASSERT_EQ(b.ShownPage(), 4);
    ASSERT_TRUE(b.Enabled(b.main(), IDC_MAIN_NEXT));
    const std::string project = b.folder() / "Ocean.sdf";
    b.answers().ChooseFile(project);
    b.ClickMain(IDC_MAIN_NEXT);
    ASSERT_EQ(b.answers().fileRequests.size(), 1u);
    EXPECT_EQ(b.answers().fileRequests[0].initialFileName, "Ocean.sdf");
    EXPECT_TRUE(test::PathExists(project));
    EXPECT_FALSE(b.Enabled(b.main(), IDC_MAIN_NEXT));
    EXPECT_EQ(b.Title(), "Wallweaver - Build");
    // Nothing changed: File > Save does nothing.
    b.Menu(ID_FILE_SAVE);
    EXPECT_EQ(b.answers().fileRequests.size(), 1u);
    // Typing in any box of the page enables it again.
    b.Type(b.build(), IDC_BUILD_WALLPAPER_PATH, "C:\\out\\Ocean.exe");
    EXPECT_TRUE(b.Enabled(b.main(), IDC_MAIN_NEXT));
    // A cancelled save leaves it enabled.
    b.answers().CancelFileDialog();
    b.ClickMain(IDC_MAIN_NEXT);
    EXPECT_EQ(b.answers().fileRequests.size(), 2u);
    EXPECT_TRUE(b.Enabled(b.main(), IDC_MAIN_NEXT));
}

TEST(BuilderWindow, ExitAsksFirstAndCleansTheScratchFoldersOnYes) {
    struct Case {
        const char* name;
        bool edit;
        std::vector<int> answers;
        std::vector<std::string> questions;
        bool quits;
    };
    const Case cases[] = {
        {"No keeps everything",
         false,
         {IDNO},
         {"Are your sure you want to exit Wallweaver?"},
         false},
        {"untouched builder", false, {IDYES}, {"Are your sure you want to exit Wallweaver?"}, true},
        {"edited, not saved",
         true,
         {IDYES, IDNO},
         {"Are your sure you want to exit Wallweaver?", "Do you want to save current setting?"},
         true},
    };
    for (const Case& c : cases) {
        BuilderUnderTest b;
        test::WriteFileText(b.folder() / "temp\\TempHTMLFile.htm", "<html></html>");
        test::WriteFileText(b.folder() / "output\\Ocean.htm", "<html></html>");
        if (c.edit)
            b.Type(b.info(), IDC_INFO_PUBLISHER_NAME, "Tide Works");
        b.answers().AnswerBoxes(c.answers);
        b.ClickMain(IDC_MAIN_CANCEL);
        EXPECT_EQ(b.answers().BoxTexts(), c.questions) << c.name;
        for (const test::SeenMessageBox& box : b.answers().boxes) {
            EXPECT_EQ(box.icon(), UINT(MB_ICONQUESTION)) << c.name;
            EXPECT_EQ(box.buttons(), UINT(MB_YESNO)) << c.name;
        }
        EXPECT_EQ(b.quitPosted(), c.quits) << c.name;
        EXPECT_EQ(test::ListFolder(b.folder() / "temp").empty(), c.quits) << c.name;
        EXPECT_EQ(test::ListFolder(b.folder() / "output").empty(), c.quits) << c.name;
        EXPECT_TRUE(test::PathExists(b.folder() / "temp")) << c.name;
        EXPECT_TRUE(b.answers().fileRequests.empty()) << c.name;
    }
}

TEST(BuilderWindow, CloseBoxFileExitAndCancelAskTheSameQuestion) {
    BuilderUnderTest b;
    SendMessageA(b.main(), WM_CLOSE, 0, 0);
    b.Pump();
    b.Menu(ID_FILE_EXIT);
    b.ClickMain(IDC_MAIN_CANCEL);
    EXPECT_EQ(b.answers().BoxTexts(),
              std::vector<std::string>(3, "Are your sure you want to exit Wallweaver?"));
    EXPECT_FALSE(b.quitPosted());
    EXPECT_TRUE(IsWindowVisible(b.main()));
}

TEST(BuilderWindow, SavingAfterEditsOnExitWritesTheProject) {
    BuilderUnderTest b;
    b.Type(b.info(), IDC_INFO_WALLPAPER_NAME, "Ocean");
    const std::string project = b.folder() / "Exit.sdf";
    b.answers().AnswerBoxes({IDYES, IDYES});
    b.answers().ChooseFile(project);
    b.ClickMain(IDC_MAIN_CANCEL);
    EXPECT_TRUE(b.quitPosted());
    WallpaperProject read;
    ASSERT_TRUE(ReadProjectFile(project, &read));
    EXPECT_EQ(read.WallpaperName, "Ocean");
}

bool gMenuTimerFired = false;
bool gMenuWasOpen = false;

void CALLBACK EndMenuFromTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetCurrentThreadId(), &info);
    gMenuWasOpen = (info.flags & GUI_INMENUMODE) != 0;
    gMenuTimerFired = true;
    EndMenu();
}

TEST(BuilderWindow, EscapeDoesNothingAndEnterInABoxIsNext) {
    BuilderUnderTest b;
    b.Type(b.info(), IDC_INFO_WALLPAPER_NAME, "Ocean");
    const HWND name = GetDlgItem(b.info(), IDC_INFO_WALLPAPER_NAME);
    b.PressKey(name, VK_ESCAPE);
    b.PressKey(GetDlgItem(b.main(), IDC_MAIN_NEXT), VK_ESCAPE);
    EXPECT_TRUE(b.answers().boxes.empty());
    EXPECT_FALSE(b.quitPosted());
    b.PressKey(name, VK_RETURN); // Next, with the page's own check
    EXPECT_EQ(b.answers().BoxTexts(), std::vector<std::string>{"Please select a swf file!"});
    EXPECT_EQ(b.ShownPage(), 1);
    EXPECT_EQ(b.Text(b.info(), IDC_INFO_WALLPAPER_NAME), "Ocean");
    // Enter on a focused button of a page presses that button only.
    b.answers().CancelFileDialog();
    b.PressKey(GetDlgItem(b.info(), IDC_INFO_CHOOSE_MOVIE), VK_RETURN);
    EXPECT_EQ(b.answers().fileRequests.size(), 1u);
    EXPECT_EQ(b.answers().boxes.size(), 1u);
}

// One tab order: a page's fields, then Back, Next and Cancel, and round again;
// the menu bar's letters open its menus even where a page's label has one.
TEST(BuilderWindow, TabWalksThePageThenTheButtonsAndMenuLettersWin) {
    BuilderUnderTest b;
    const HWND first = GetNextDlgTabItem(b.main(), nullptr, FALSE);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetParent(first), b.info());
    std::vector<HWND> order = {first};
    for (HWND at = first; order.size() < 40;) {
        at = GetNextDlgTabItem(b.main(), at, FALSE);
        if (at == first)
            break;
        order.push_back(at);
    }
    const HWND next = GetDlgItem(b.main(), IDC_MAIN_NEXT);
    const HWND cancel = GetDlgItem(b.main(), IDC_MAIN_CANCEL);
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(order[order.size() - 2], next); // Back is disabled on the first page
    EXPECT_EQ(order.back(), cancel);
    for (size_t i = 0; i + 2 < order.size(); ++i)
        EXPECT_EQ(GetParent(order[i]), b.info()) << i;
    EXPECT_NE(std::find(order.begin(), order.end(), GetDlgItem(b.info(), IDC_INFO_WALLPAPER_NAME)),
              order.end());
    // On the Setting page, whose labels hold &Vertical and &Horizontal.
    b.ClickMain(IDC_MAIN_NEXT);
    b.answers().Forget();
    const HWND colour = GetDlgItem(b.setting(), IDC_SET_COLOUR);
    for (char letter : {'v', 'h'}) {
        SetFocus(colour);
        gMenuTimerFired = gMenuWasOpen = false;
        // Fires inside the menu loop the letter starts, and ends it.
        SetTimer(nullptr, 0, 200, EndMenuFromTimer);
        PostMessageA(colour, WM_SYSCHAR, static_cast<WPARAM>(letter), 1 << 29);
        for (int i = 0; i < 100 && !gMenuTimerFired; ++i) {
            b.Pump();
            Sleep(20);
        }
        EXPECT_TRUE(gMenuWasOpen) << letter;
        EXPECT_EQ(GetFocus(), colour) << letter;
    }
}

TEST(BuilderWindow, ASavedProjectChangedAndOpenedAgainComesBackAsSaved) {
    BuilderUnderTest b;
    const std::string movie = WriteStageMovie(b.folder());
    FillInformationPage(b, movie);
    b.Type(b.info(), IDC_INFO_PUBLISHER_URL, "http://example.invalid/tide");
    b.ClickMain(IDC_MAIN_NEXT);
    b.PickListEntry(b.setting(), IDC_SET_QUALITY, 5);
    b.PickListEntry(b.setting(), IDC_SET_DIMENSIONS, 2); // Percent
    b.Type(b.setting(), IDC_SET_WIDTH, "50");
    b.Click(b.setting(), IDC_SET_LOOP);
    test::WriteFileText(b.folder() / "readme.txt", "Read me");
    b.Type(b.installer(), IDC_INST_README, b.folder() / "readme.txt");
    const std::string project = b.folder() / "Ocean.sdf";
    b.answers().ChooseFile(project);
    b.Menu(ID_FILE_SAVE);
    ASSERT_TRUE(test::PathExists(project));

    // Changed everywhere, then opened again from the Setting page.
    b.Type(b.info(), IDC_INFO_WALLPAPER_NAME, "Changed");
    b.PickListEntry(b.setting(), IDC_SET_QUALITY, 0);
    b.Type(b.installer(), IDC_INST_README, "");
    b.Click(b.setting(), IDC_SET_LOOP);
    b.answers().ChooseFile(project);
    b.Menu(ID_FILE_OPEN);
    const FileDialogRequest& open = b.answers().fileRequests.back();
    EXPECT_EQ(open.kind, FileDialogKind::Open);
    EXPECT_EQ(open.initialFileName, "*.sdf");
    EXPECT_EQ(b.ShownPage(), 1);
    EXPECT_EQ(b.Text(b.info(), IDC_INFO_MOVIE_PATH), movie);
    EXPECT_EQ(b.Text(b.info(), IDC_INFO_WALLPAPER_NAME), "Ocean");
    EXPECT_EQ(b.Text(b.info(), IDC_INFO_PUBLISHER_URL), "http://example.invalid/tide");
    EXPECT_EQ(SendDlgItemMessageA(b.setting(), IDC_SET_QUALITY, CB_GETCURSEL, 0, 0), 5);
    EXPECT_EQ(SendDlgItemMessageA(b.setting(), IDC_SET_DIMENSIONS, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(b.Text(b.setting(), IDC_SET_WIDTH), "50");
    EXPECT_EQ(IsDlgButtonChecked(b.setting(), IDC_SET_LOOP), UINT(BST_UNCHECKED));
    EXPECT_EQ(IsDlgButtonChecked(b.setting(), IDC_SET_AUTO_PLAY), UINT(BST_CHECKED));
    EXPECT_EQ(b.Text(b.installer(), IDC_INST_README), b.folder() / "readme.txt");
    EXPECT_TRUE(b.answers().boxes.empty());
    // Opening cleared the change mark: File > Save does nothing now.
    const size_t requests = b.answers().fileRequests.size();
    b.Menu(ID_FILE_SAVE);
    EXPECT_EQ(b.answers().fileRequests.size(), requests);
    // The stored width is the movie width the Setting page gets on Back.
    b.Menu(ID_VIEW_INSTALLER);
    b.ClickMain(IDC_MAIN_BACK);
    EXPECT_EQ(b.window().settingPage.Width, "50");
}

TEST(BuilderWindow, OpeningDropsFilesThatHaveGone) {
    BuilderUnderTest b;
    test::WriteFileText(b.folder() / "kept.txt", "kept");
    WallpaperProject stored;
    stored.SwfFilename = b.folder() / "moved-away.swf";
    stored.WallpaperName = "Ocean";
    stored.ReadmeFilename = b.folder() / "gone.txt";
    stored.TopImageFilename = b.folder() / "kept.txt";
    stored.ExtFileItems = {b.folder() / "kept.txt", b.folder() / "gone.dat",
                           b.folder() / "kept.txt"};
    stored.IconFilename = b.folder() / "gone.ico";
    stored.WovenliteFilename = b.folder() / "not-yet-built.exe";
    stored.Width = "640";
    stored.Height = "480";
    const std::string project = b.folder() / "old.sdf";
    ASSERT_TRUE(WriteProjectFile(project, stored));
    b.answers().ChooseFile(project);
    b.Menu(ID_FILE_OPEN);
    EXPECT_EQ(b.Text(b.info(), IDC_INFO_MOVIE_PATH), "");
    EXPECT_EQ(b.window().informationPage.movieInfo.width, 0);
    EXPECT_EQ(b.Text(b.info(), IDC_INFO_WALLPAPER_NAME), "Ocean");
    EXPECT_EQ(b.Text(b.installer(), IDC_INST_README), "");
    EXPECT_EQ(b.Text(b.installer(), IDC_INST_TOP_IMAGE), b.folder() / "kept.txt");
    EXPECT_EQ(b.window().installerPage.ExternalFiles(),
              (std::vector<std::string>{b.folder() / "kept.txt", b.folder() / "kept.txt"}));
    EXPECT_EQ(b.Text(b.build(), IDC_BUILD_ICON), "");
    EXPECT_EQ(b.Text(b.build(), IDC_BUILD_WALLPAPER_PATH), b.folder() / "not-yet-built.exe");
    EXPECT_EQ(b.window().movieWidth, 640);
    EXPECT_EQ(b.window().movieHeight, 480);
    EXPECT_TRUE(b.answers().boxes.empty());
    // A file that is no project opens as one with nothing in it.
    test::WriteFileText(b.folder() / "noise.sdf", "not a profile at all\n");
    b.answers().ChooseFile(b.folder() / "noise.sdf");
    b.Menu(ID_FILE_OPEN);
    EXPECT_EQ(b.Text(b.info(), IDC_INFO_WALLPAPER_NAME), "");
    EXPECT_EQ(b.Text(b.setting(), IDC_SET_COLOUR), "");
    // A path that names nothing changes nothing.
    b.Type(b.info(), IDC_INFO_WALLPAPER_NAME, "Still here");
    b.answers().ChooseFile(b.folder() / "missing.sdf");
    b.Menu(ID_FILE_OPEN);
    EXPECT_EQ(b.Text(b.info(), IDC_INFO_WALLPAPER_NAME), "Still here");
}

TEST(BuilderWindow, AProjectOnTheCommandLineOpensAtStartUnchanged) {
    test::TempDir files;
    WallpaperProject stored;
    stored.SwfFilename = WriteStageMovie(files);
    stored.WallpaperName = "Ocean";
    const std::string project = files / "start.sdf";
    ASSERT_TRUE(WriteProjectFile(project, stored));
    BuilderUnderTest b(project);
    EXPECT_EQ(b.Title(), "Wallweaver - Information");
    EXPECT_EQ(b.Text(b.info(), IDC_INFO_WALLPAPER_NAME), "Ocean");
    EXPECT_EQ(b.window().informationPage.movieInfo.width, 550);
    EXPECT_FALSE(b.window().isModified);
    b.Menu(ID_VIEW_BUILD);
    EXPECT_EQ(b.ShownPage(), 4);
    EXPECT_FALSE(b.Enabled(b.main(), IDC_MAIN_NEXT));
}

// Opening a project and looking through its pages changes nothing: the
// Setting page keeps the stored sizes and exit asks no question about saving.
TEST(BuilderWindow, AnOpenedProjectLookedThroughAsksNothingAboutSaving) {
    const struct {
        int32_t dimensions;
        const char* width;
        const char* height;
    } cases[] = {
        {kDimensionsMatchMovie, "550", "400"},
        {kDimensionsPixels, "640", "480"},
        {kDimensionsPercent, "80", "60"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dimensions);
        test::TempDir files;
        WallpaperProject stored;
        stored.SwfFilename = WriteStageMovie(files);
        stored.WallpaperName = "Ocean";
        stored.Dimensions = c.dimensions;
        stored.Width = c.width;
        stored.Height = c.height;
        const std::string project = files / "look.sdf";
        ASSERT_TRUE(WriteProjectFile(project, stored));
        BuilderUnderTest b(project);
        b.ClickMain(IDC_MAIN_NEXT);
        ASSERT_EQ(b.ShownPage(), 2);
        EXPECT_EQ(b.Text(b.setting(), IDC_SET_WIDTH), c.width);
        EXPECT_EQ(b.Text(b.setting(), IDC_SET_HEIGHT), c.height);
        b.ClickMain(IDC_MAIN_NEXT);
        b.ClickMain(IDC_MAIN_BACK);
        b.ClickMain(IDC_MAIN_BACK);
        EXPECT_FALSE(b.window().isModified);
        b.answers().AnswerBoxes({IDYES});
        b.ClickMain(IDC_MAIN_CANCEL);
        EXPECT_EQ(b.answers().BoxTexts(),
                  std::vector<std::string>{"Are your sure you want to exit Wallweaver?"});
        EXPECT_TRUE(b.quitPosted());
    }
}

TEST(BuilderWindow, HelpMenuItemsOpenTheHelpFileTheSiteAndAMail) {
    struct Opened {
        std::string verb, target;
        int show;
    };
    std::vector<Opened> opened;
    ShellCalls saved = CurrentShellCalls();
    CurrentShellCalls().execute = [&opened](HWND, const std::string& verb,
                                            const std::string& target, int show) {
        opened.push_back({verb, target, show});
        return 42;
    };
    {
        BuilderUnderTest b;
        b.Menu(ID_HELP_CONTENT);
        b.Menu(ID_HELP_HOMEPAGE);
        b.Menu(ID_HELP_EMAIL);
        ASSERT_EQ(opened.size(), 3u);
        EXPECT_EQ(opened[0].target, b.folder() / "Wallweaver.chm");
    }
    CurrentShellCalls() = saved;
    EXPECT_EQ(opened[0].verb, "Open");
    EXPECT_EQ(opened[0].show, SW_SHOW);
    EXPECT_EQ(opened[1].target, "http://wallweaver.example.invalid/");
    EXPECT_EQ(opened[2].target, "mailto:support@wallweaver.example.invalid");
}

TEST(BuilderWindow, ShowsItsIconWhenAskedForADragIcon) {
    BuilderUnderTest b;
    HICON icon = reinterpret_cast<HICON>(SendMessageA(b.main(), WM_QUERYDRAGICON, 0, 0));
    EXPECT_EQ(icon, LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAINFRAME)));
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(b.main(), WM_GETICON, ICON_BIG, 0)), icon);
}

} // namespace
} // namespace ww
