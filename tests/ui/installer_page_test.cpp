// The Installer page: its four choosers, the external files list, the readme
// test, its tooltips and its keyboard filter.
#include "builder/ui/resource.h"
#include "common/fs.h"
#include "tests/support/fixtures.h"
#include "tests/ui/builder_folder.h"
#include "tests/ui/ui_harness.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace ww {
namespace {

using test::BuilderUnderTest;

std::vector<std::string> ListItems(BuilderUnderTest& b) {
    return b.window().installerPage.ExternalFiles();
}

TEST(InstallerPage, ChoosersAskWithTheirFiltersAndFillTheirBoxes) {
    BuilderUnderTest b;
    const std::string resource = b.folder() / "Resource\\";
    ASSERT_TRUE(RemoveDirectoryA(resource.c_str()));
    struct Case {
        int button;
        int box;
        const char* extension;
        std::string initial;
        const char* filter;
        std::string InstallerPage::*field;
    };
    const Case cases[] = {
        {IDC_INST_CHOOSE_TOP_IMAGE, IDC_INST_TOP_IMAGE, "*.bmp", resource + "*.bmp",
         "Bitmap Files(*.bmp)|*.bmp||", &InstallerPage::TopImageFilename},
        {IDC_INST_CHOOSE_LEFT_IMAGE, IDC_INST_LEFT_IMAGE, "*.bmp", resource + "*.bmp",
         "Bitmap Files(*.bmp)|*.bmp||", &InstallerPage::LeftImageFilename},
        {IDC_INST_CHOOSE_DISPLAY_IMAGE, IDC_INST_DISPLAY_IMAGE, "*.bmp", resource + "*.bmp",
         "Bitmap Files(*.bmp)|*.bmp|", &InstallerPage::DisplayImageFilename},
        {IDC_INST_CHOOSE_README, IDC_INST_README, "*.txt", "*.txt", "Text Files(*.txt)|*.txt||",
         &InstallerPage::ReadmeFilename},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        b.answers().Forget();
        const std::string chosen = b.folder() / ("chosen" + std::to_string(c.button));
        b.answers().ChooseFile(chosen);
        b.Click(b.installer(), c.button);
        ASSERT_EQ(b.answers().fileRequests.size(), 1u);
        const FileDialogRequest& request = b.answers().fileRequests[0];
        EXPECT_EQ(request.kind, FileDialogKind::Open);
        EXPECT_EQ(request.defaultExtension, c.extension);
        EXPECT_EQ(request.initialFileName, c.initial);
        EXPECT_EQ(request.filter, c.filter);
        EXPECT_EQ(request.flags, DWORD(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
        EXPECT_EQ(request.structSize, 88u);
        EXPECT_EQ(b.Text(b.installer(), c.box), chosen);
        EXPECT_EQ(b.window().installerPage.*c.field, chosen);
        // Cancel changes nothing; nothing is copied anywhere.
        b.answers().CancelFileDialog();
        b.Click(b.installer(), c.button);
        EXPECT_EQ(b.Text(b.installer(), c.box), chosen);
        EXPECT_FALSE(test::PathExists(chosen));
    }
    // The resource folder was made for the first chooser that needed it.
    EXPECT_TRUE(IsExistingFolder(resource));
    EXPECT_TRUE(b.answers().boxes.empty());
}

TEST(InstallerPage, AddDelAndClearKeepTheListAndMarkChangesOnlyWhenTheyChange) {
    BuilderUnderTest b;
    const std::string a = b.folder() / "a.swf", c = b.folder() / "c.txt", d = b.folder() / "d.bin";
    InstallerPage& page = b.window().installerPage;

    // Cancel adds nothing and changes nothing.
    b.window().isModified = false;
    b.answers().CancelFileDialog();
    b.Click(b.installer(), IDC_INST_ADD);
    ASSERT_EQ(b.answers().fileRequests.size(), 1u);
    const FileDialogRequest& request = b.answers().fileRequests[0];
    EXPECT_EQ(request.kind, FileDialogKind::Open);
    EXPECT_EQ(request.defaultExtension, "*.swf");
    EXPECT_EQ(request.initialFileName, "*.swf");
    EXPECT_EQ(request.filter,
              "Flash Files(*.swf)|*.swf|Text Document(*.txt)|*.txt|All Files(*.*)|*.*||");
    EXPECT_EQ(request.flags, DWORD(OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST));
    EXPECT_TRUE(ListItems(b).empty());
    EXPECT_FALSE(b.window().isModified);

    // Three in one choice, in the dialog's order; the same file again is listed again.
    b.answers().ChooseFiles({d, a, c});
    b.Click(b.installer(), IDC_INST_ADD);
    b.answers().ChooseFiles({a});
    b.Click(b.installer(), IDC_INST_ADD);
    EXPECT_EQ(ListItems(b), (std::vector<std::string>{d, a, c, a}));
    EXPECT_TRUE(b.window().isModified);

    // Del without a selection does nothing.
    b.window().isModified = false;
    b.Click(b.installer(), IDC_INST_DEL);
    EXPECT_EQ(ListItems(b).size(), 4u);
    EXPECT_FALSE(b.window().isModified);
    // Del of the selected item; no item is selected afterwards.
    HWND list = GetDlgItem(b.installer(), IDC_INST_EXTERNAL_FILES);
    SendMessageA(list, LB_SETCURSEL, 1, 0);
    b.Click(b.installer(), IDC_INST_DEL);
    EXPECT_EQ(ListItems(b), (std::vector<std::string>{d, c, a}));
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_TRUE(b.window().isModified);

    // Clear of five empties the list; Clear of none changes nothing.
    page.SetExternalFiles({a, a, c, d, a});
    b.window().isModified = false;
    b.Click(b.installer(), IDC_INST_CLEAR);
    EXPECT_TRUE(ListItems(b).empty());
    EXPECT_TRUE(b.window().isModified);
    b.window().isModified = false;
    b.Click(b.installer(), IDC_INST_CLEAR);
    EXPECT_FALSE(b.window().isModified);
    EXPECT_TRUE(b.answers().boxes.empty());
}

TEST(InstallerPage, ValidateReadmeGivesItsThreeMessages) {
    BuilderUnderTest b;
    test::WriteFileText(b.folder() / "NOTES.TXT", "notes");
    test::WriteFileText(b.folder() / "notes.doc", "notes");
    test::WriteFileText(b.folder() / "notes.txt.doc", "notes");
    struct Case {
        std::string readme;
        const char* message; // null: passes
    };
    const Case cases[] = {
        {"", "Readme file is required for buliding a custom installer!"},
        {b.folder() / "missing.txt", "Invalidate file!"},
        {b.folder() / "notes.doc", "Only text file is available!"},
        {b.folder() / "notes.txt.doc", "Only text file is available!"},
        {b.folder() / "NOTES.TXT", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.readme);
        b.answers().Forget();
        // Typed into the box: the test reads the box, not an older field.
        b.window().installerPage.SetItemText(IDC_INST_README, c.readme);
        EXPECT_EQ(b.window().installerPage.ValidateReadme(), c.message == nullptr);
        if (!c.message) {
            EXPECT_TRUE(b.answers().boxes.empty());
            continue;
        }
        ASSERT_EQ(b.answers().boxes.size(), 1u);
        EXPECT_EQ(b.answers().boxes[0].text, c.message);
        EXPECT_EQ(b.answers().boxes[0].title, "Wallweaver");
        EXPECT_EQ(b.answers().boxes[0].icon(), UINT(MB_ICONEXCLAMATION));
        EXPECT_EQ(b.answers().boxes[0].buttons(), UINT(MB_OK));
    }
}

std::string TipText(HWND tooltip, HWND page, HWND control) {
    char text[512] = "";
    TTTOOLINFOA info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND;
    info.hwnd = page;
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = text;
    SendMessageA(tooltip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
    return text;
}

TEST(InstallerPage, NineTooltipsAndAKeyboardThatNeitherClosesNorSubmits) {
    BuilderUnderTest b;
    InstallerPage& page = b.window().installerPage;
    SendMessageA(b.installer(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    const struct {
        int control;
        const char* text;
    } tips[] = {
        {IDC_INST_TOP_IMAGE, "Top image of installer, 566x69 pixels"},
        {IDC_INST_CHOOSE_TOP_IMAGE, "Click to specify where to open the installer image"},
        {IDC_INST_LEFT_IMAGE, "Left image of installer, 164x300 pixels"},
        {IDC_INST_CHOOSE_LEFT_IMAGE, "Click to specify where to open the installer image"},
        {IDC_INST_DISPLAY_IMAGE, "Image where will be showed in the windows desktop property"},
        {IDC_INST_CHOOSE_DISPLAY_IMAGE, "Click to specify where to open the display image"},
        {IDC_INST_README, "Custom license or readme file of the installer"},
        {IDC_INST_CHOOSE_README, "Click to specify where to open the readme file"},
        {IDC_INST_EXTERNAL_FILES, "The other additional files required by your flash or any "
                                  "other files you want to pack to your installer"},
    };
    for (const auto& tip : tips) {
        HWND tooltip = page.tooltips.TooltipOf(tip.control);
        ASSERT_NE(tooltip, nullptr) << tip.control;
        EXPECT_NE(GetWindowLongA(tooltip, GWL_STYLE) & TTS_ALWAYSTIP, 0);
        // TTM_GETTEXT hands back at most 80 characters of the longest text.
        const std::string shown =
            TipText(tooltip, b.installer(), GetDlgItem(b.installer(), tip.control));
        const std::string expected = tip.text;
        EXPECT_GE(shown.size(), std::min<size_t>(expected.size(), 79)) << tip.control;
        EXPECT_EQ(expected.substr(0, shown.size()), shown) << tip.control;
    }

    b.answers().ChooseFile(test::WriteMovie(b.folder()));
    b.Click(b.info(), IDC_INFO_CHOOSE_MOVIE);
    b.Type(b.info(), IDC_INFO_WALLPAPER_NAME, "Ocean");
    b.ClickMain(IDC_MAIN_NEXT);
    b.ClickMain(IDC_MAIN_NEXT);
    ASSERT_EQ(b.ShownPage(), 3);
    b.answers().Forget();
    b.PressKey(GetDlgItem(b.installer(), IDC_INST_README), VK_ESCAPE);
    EXPECT_TRUE(b.answers().fileRequests.empty());
    EXPECT_TRUE(b.answers().boxes.empty());
    EXPECT_TRUE(IsWindowVisible(b.installer()));
    EXPECT_FALSE(b.quitPosted());
    // Enter on a focused button presses it.
    b.answers().CancelFileDialog();
    b.PressKey(GetDlgItem(b.installer(), IDC_INST_ADD), VK_RETURN);
    EXPECT_EQ(b.answers().fileRequests.size(), 1u);
    // Enter in a box is the wizard's Next.
    b.PressKey(GetDlgItem(b.installer(), IDC_INST_README), VK_RETURN);
    EXPECT_EQ(b.ShownPage(), 4);
}

} // namespace
} // namespace ww
