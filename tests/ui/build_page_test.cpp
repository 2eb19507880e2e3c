// The Build page and the build commands behind it: the choosers, the checks
// made before a build is asked for, the builds themselves under the window,
// and the result dialog's three answers.
#include "builder/ui/resource.h"
#include "common/fs.h"
#include "common/package_reader.h"
#include "common/path.h"
#include "common/win32/message_box.h"
#include "tests/support/fixtures.h"
#include "tests/ui/builder_folder.h"
#include "tests/ui/ui_harness.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace ww {
namespace {

using test::BuilderUnderTest;

std::string SuccessText(const std::string& path) {
    return "The " + path +
           " was built successfully!  Press Yes to open it, Press No to go to destination "
           "directory, Press Cancel to exit this window!";
}

class BuildPageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::FillBuilderFolder(b_.folder());
        test::WalkToBuildPage(b_, test::WriteMovie(b_.folder()));
        b_.answers().Forget();
    }
    BuildPage& page() { return b_.window().buildPage; }

    BuilderUnderTest b_;
};

TEST_F(BuildPageTest, ChoosersAskWithTheirFiltersAndFillTheirBoxes) {
    const std::string resource = b_.folder() / "Resource\\";
    ASSERT_TRUE(RemoveFile(resource + "top1.bmp") && RemoveFile(resource + "left1.bmp") &&
                RemoveFile(resource + "display1.bmp") && RemoveDirectoryA(resource.c_str()));
    struct Case {
        int button;
        int box;
        FileDialogKind kind;
        const char* extension;
        std::string initial;
        const char* filter;
        std::string BuildPage::*field;
    };
    const Case cases[] = {
        {IDC_BUILD_CHOOSE_ICON, IDC_BUILD_ICON, FileDialogKind::Open, "*.ico", resource + "*.ico",
         "Icon Files(*.ico)|*.ico||", &BuildPage::IconFilename},
        {IDC_BUILD_CHOOSE_WALLPAPER, IDC_BUILD_WALLPAPER_PATH, FileDialogKind::Save, "*.exe",
         "*.exe", "Application Files(*.exe)|*.exe||", &BuildPage::WovenliteFilename},
        {IDC_BUILD_CHOOSE_INSTALLER, IDC_BUILD_INSTALLER_PATH, FileDialogKind::Save, "*.exe",
         "*.exe", "Application Files(*.exe)|*.exe||", &BuildPage::InstallerPackageFilename},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        b_.answers().Forget();
        const std::string chosen = b_.folder() / ("chosen" + std::to_string(c.button));
        b_.answers().ChooseFile(chosen);
        b_.Click(b_.build(), c.button);
        ASSERT_EQ(b_.answers().fileRequests.size(), 1u);
        const FileDialogRequest& request = b_.answers().fileRequests[0];
        EXPECT_EQ(request.kind, c.kind);
        EXPECT_EQ(request.defaultExtension, c.extension);
        EXPECT_EQ(request.initialFileName, c.initial);
        EXPECT_EQ(request.filter, c.filter);
        EXPECT_EQ(request.flags, DWORD(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
        EXPECT_EQ(b_.Text(b_.build(), c.box), chosen);
        EXPECT_EQ(page().*c.field, chosen);
        b_.answers().CancelFileDialog();
        b_.Click(b_.build(), c.button);
        EXPECT_EQ(b_.Text(b_.build(), c.box), chosen);
    }
    EXPECT_TRUE(IsExistingFolder(resource));
    EXPECT_TRUE(b_.answers().boxes.empty());
}

// The checks before each build, in order, for both buttons. The result box
// only shows when the build was asked for and made.
TEST_F(BuildPageTest, ChecksBeforeABuildInTheirOrder) {
    const std::string existing = b_.folder() / "Existing.exe";
    const std::string missingIcon = b_.folder() / "missing.ico";
    test::WriteFileText(b_.folder() / "readme.txt", "Read me");
    b_.window().installerPage.SetItemText(IDC_INST_README, b_.folder() / "readme.txt");
    struct Case {
        const char* what;
        std::string icon;
        std::string output;
        std::vector<int> answers;
        std::vector<std::string> wallpaperBoxes; // the installer's differ where noted
        bool built;
    };
    const std::string fresh = b_.folder() / "Fresh.EXE";
    const Case cases[] = {
        {"no name", "", "", {}, {"*name*"}, false},
        {"not exe",
         "",
         b_.folder() / "x.exe.txt",
         {},
         {"File name error! Please save it as exe file!"},
         false},
        {"capital EXE", "", fresh, {IDCANCEL}, {"*success*"}, true},
        {"overwrite No",
         "",
         existing,
         {IDNO},
         {existing + " already exist,do you want to overwrite it?"},
         false},
        {"overwrite Yes",
         "",
         existing,
         {IDYES, IDCANCEL},
         {existing + " already exist,do you want to overwrite it?", "*success*"},
         true},
        // The build is still asked for, and fails on the icon it cannot read.
        {"missing icon",
         missingIcon,
         fresh,
         {IDOK, IDYES},
         {"*icon*", fresh + " already exist,do you want to overwrite it?", "*failed*"},
         false},
    };
    for (int button : {IDC_BUILD_WALLPAPER, IDC_BUILD_INSTALLER}) {
        const bool wallpaper = button == IDC_BUILD_WALLPAPER;
        const int box = wallpaper ? IDC_BUILD_WALLPAPER_PATH : IDC_BUILD_INSTALLER_PATH;
        RemoveFile(fresh);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (wallpaper ? " wallpaper" : " installer"));
            test::WriteFileText(existing, "old");
            b_.Type(b_.build(), IDC_BUILD_ICON, c.icon);
            b_.Type(b_.build(), box, c.output);
            b_.answers().Forget();
            b_.answers().AnswerBoxes(c.answers);
            b_.Click(b_.build(), button);
            std::vector<std::string> expected;
            for (const std::string& text : c.wallpaperBoxes) {
                if (text == "*name*")
                    expected.push_back(wallpaper
                                           ? "Please enter a file name of projectable wallpaper!"
                                           : "Please enter a file name of the installer!");
                else if (text == "*icon*")
                    expected.push_back(wallpaper ? " Invalid icon file!" : "Invalid icon file!");
                else if (text == "*success*")
                    expected.push_back(SuccessText(c.output));
                else if (text == "*failed*")
                    expected.push_back("Failed to build " + c.output + "! Please check again!");
                else
                    expected.push_back(text);
            }
            EXPECT_EQ(b_.answers().BoxTexts(), expected);
            const auto& boxes = b_.answers().boxes;
            for (const test::SeenMessageBox& seen : boxes) {
                EXPECT_EQ(seen.title, "Wallweaver");
                if (seen.text.find("already exist") != std::string::npos)
                    EXPECT_EQ(seen.flags, UINT(MB_YESNO | MB_ICONINFORMATION));
                else if (seen.text.find("File name error") != std::string::npos ||
                         seen.text.find("Failed to build") != std::string::npos)
                    EXPECT_EQ(seen.flags, UINT(MB_OK | MB_ICONERROR));
                else if (seen.text.find("successfully") != std::string::npos)
                    EXPECT_EQ(seen.flags, UINT(MB_YESNOCANCEL | MB_ICONINFORMATION));
                else
                    EXPECT_EQ(seen.flags, UINT(MB_OK | MB_ICONEXCLAMATION));
            }
            if (c.output == existing) {
                EXPECT_EQ(test::ReadFileText(existing) != "old", c.built);
            }
            EXPECT_EQ(b_.ShownPage(), 4);
        }
    }
}

// Enter in a box is the wizard's Next, which on this page saves a changed
// project; it never builds.
TEST_F(BuildPageTest, EnterInABoxSavesAndNeverBuilds) {
    const std::string output = b_.folder() / "Out.exe";
    b_.Type(b_.build(), IDC_BUILD_WALLPAPER_PATH, output);
    b_.Type(b_.build(), IDC_BUILD_INSTALLER_PATH, output);
    b_.answers().Forget();
    for (int box : {IDC_BUILD_ICON, IDC_BUILD_WALLPAPER_PATH, IDC_BUILD_INSTALLER_PATH}) {
        b_.answers().CancelFileDialog();
        b_.PressKey(GetDlgItem(b_.build(), box), VK_RETURN);
        b_.PressKey(GetDlgItem(b_.build(), box), VK_ESCAPE);
    }
    ASSERT_EQ(b_.answers().fileRequests.size(), 3u);
    for (const FileDialogRequest& r : b_.answers().fileRequests)
        EXPECT_EQ(r.kind, FileDialogKind::Save);
    EXPECT_TRUE(b_.answers().boxes.empty());
    EXPECT_FALSE(test::PathExists(output));
    EXPECT_EQ(b_.ShownPage(), 4);
    EXPECT_FALSE(b_.quitPosted());
}

TEST_F(BuildPageTest, ResultDialogYesOpensTheOutputNoItsFolderCancelNothing) {
    test::ShellCallRecorder shell;
    const std::string output = b_.folder() / "Ocean Wallpaper.exe";
    b_.Type(b_.build(), IDC_BUILD_WALLPAPER_PATH, output);
    b_.answers().AnswerBoxes({IDYES});
    b_.Click(b_.build(), IDC_BUILD_WALLPAPER);
    b_.answers().AnswerBoxes({IDYES, IDNO});
    b_.Click(b_.build(), IDC_BUILD_WALLPAPER);
    b_.answers().AnswerBoxes({IDYES, IDCANCEL});
    b_.Click(b_.build(), IDC_BUILD_WALLPAPER);
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(shell.calls[0].verb, "open");
    EXPECT_EQ(shell.calls[0].target, output);
    EXPECT_EQ(shell.calls[0].show, SW_SHOWNORMAL);
    EXPECT_EQ(shell.calls[1].verb, "explore");
    EXPECT_EQ(shell.calls[1].target, FolderOfPath(output));
    EXPECT_EQ(shell.calls[1].show, SW_SHOWNORMAL);
    // The output is the Wovenlite stub with the page, the movie and the
    // default display image.
    SimplePackageReader reader;
    ASSERT_TRUE(reader.Open(output));
    EXPECT_EQ(reader.header().wallpaperName, "Ocean");
    EXPECT_EQ(reader.header().movie.name, "wave.swf");
    EXPECT_EQ(reader.header().image.name, "display1.bmp");
}

TEST_F(BuildPageTest, BuildFailuresAreReportedAndLoseNothing) {
    const std::string wallpaper = b_.folder() / "W.exe";
    const std::string installer = b_.folder() / "I.exe";
    b_.Type(b_.build(), IDC_BUILD_WALLPAPER_PATH, wallpaper);
    b_.Type(b_.build(), IDC_BUILD_INSTALLER_PATH, installer);

    // No icon: both build and keep the stubs' bytes in front.
    b_.answers().AnswerBoxes({IDCANCEL});
    b_.Click(b_.build(), IDC_BUILD_WALLPAPER);
    EXPECT_EQ(b_.answers().BoxTexts(), (std::vector<std::string>{SuccessText(wallpaper)}));
    const test::Bytes stub = test::ReadFileBytes(b_.folder() / "Wovenlite.exe");
    const test::Bytes built = test::ReadFileBytes(wallpaper);
    ASSERT_GT(built.size(), stub.size());
    EXPECT_TRUE(std::equal(stub.begin(), stub.end(), built.begin()));

    // The readme is refused before anything is written, and the Installer
    // page comes up.
    const std::string readmes[] = {"", b_.folder() / "gone.txt", b_.folder() / "notes.doc"};
    test::WriteFileText(b_.folder() / "notes.doc", "doc");
    const char* messages[] = {"Readme file is required for buliding a custom installer!",
                              "Invalidate file!", "Only text file is available!"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(readmes[i]);
        b_.window().installerPage.SetItemText(IDC_INST_README, readmes[i]);
        b_.Menu(ID_VIEW_BUILD);
        b_.answers().Forget();
        b_.Click(b_.build(), IDC_BUILD_INSTALLER);
        EXPECT_EQ(b_.answers().BoxTexts(), (std::vector<std::string>{messages[i]}));
        EXPECT_EQ(b_.ShownPage(), 3);
        EXPECT_EQ(b_.Title(), "Wallweaver - Installer");
        EXPECT_FALSE(test::PathExists(installer));
        EXPECT_TRUE(test::ListFolder(b_.folder() / "output").empty());
    }

    // An icon that cannot be read fails the build and keeps the earlier output.
    test::WriteFileText(b_.folder() / "broken.ico", "not an icon");
    b_.Menu(ID_VIEW_BUILD);
    b_.Type(b_.build(), IDC_BUILD_ICON, b_.folder() / "broken.ico");
    b_.answers().Forget();
    b_.answers().AnswerBoxes({IDYES});
    b_.Click(b_.build(), IDC_BUILD_WALLPAPER);
    ASSERT_EQ(b_.answers().boxes.size(), 2u);
    EXPECT_EQ(b_.answers().boxes[1].text, "Failed to build " + wallpaper + "! Please check again!");
    EXPECT_EQ(b_.answers().boxes[1].flags, UINT(MB_OK | MB_ICONERROR));
    EXPECT_EQ(test::ReadFileBytes(wallpaper), built);

    // A page that cannot be generated stops the projectable wallpaper.
    ASSERT_TRUE(RemoveFile(b_.folder() / "res.sdt"));
    b_.Type(b_.build(), IDC_BUILD_ICON, "");
    b_.answers().Forget();
    b_.answers().AnswerBoxes({IDYES});
    b_.Click(b_.build(), IDC_BUILD_WALLPAPER);
    ASSERT_EQ(b_.answers().boxes.size(), 2u);
    EXPECT_EQ(b_.answers().boxes[1].text, "Failed to build HTML File!");
    EXPECT_EQ(b_.answers().boxes[1].flags, UINT(MB_OK | MB_ICONERROR));
    EXPECT_EQ(test::ReadFileBytes(wallpaper), built);
}

// The real result box, looked at from inside its own loop and cancelled.
struct ResultBoxSeen {
    bool found = false;
    std::string screenshot;
    bool hasYesNoCancel = false;
};
ResultBoxSeen gResultBox;

void CALLBACK LookAtResultBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = FindWindowA("#32770", "Wallweaver");
    if (!box)
        return;
    KillTimer(nullptr, timer);
    gResultBox.found = true;
    gResultBox.hasYesNoCancel =
        GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) && GetDlgItem(box, IDCANCEL);
    gResultBox.screenshot = test::SaveScreenshot(box, "6-build-result");
    SendMessageA(box, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(BuildPageTest, TheResultBoxAsAPersonSeesIt) {
    test::ShellCallRecorder shell;
    b_.Type(b_.build(), IDC_BUILD_WALLPAPER_PATH, b_.folder() / "Ocean Wallpaper.exe");
    // This one box is the system's own.
    SetMessageBoxAnswerer(nullptr);
    gResultBox = ResultBoxSeen();
    SetTimer(nullptr, 0, 100, &LookAtResultBox);
    b_.Click(b_.build(), IDC_BUILD_WALLPAPER);
    ASSERT_TRUE(gResultBox.found);
    EXPECT_TRUE(gResultBox.hasYesNoCancel);
    EXPECT_FALSE(gResultBox.screenshot.empty());
    EXPECT_TRUE(shell.calls.empty());
}

} // namespace
} // namespace ww
