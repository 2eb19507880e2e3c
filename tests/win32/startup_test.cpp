// The Windows programs started as a person starts them, their windows and
// boxes read and answered from outside.
#include "builder/project/workspace.h"
#include "common/file.h"
#include "common/fs.h"
#include "common/path.h"
#include "tests/support/fixtures.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32_driver.h"

#include <gtest/gtest.h>

namespace ww {
namespace {

using test::ChildProcess;
using test::TempDir;

std::string BinFolder() {
    return FolderOfPath(ModuleFilePath());
}

// A copy of the builder folder as it ships, in a fresh place.
void CopyBuilderFolder(const std::string& to) {
    ASSERT_TRUE(CreateFolder(to + "Resource"));
    for (int i = 0; i < Workspace::kRequiredFileCount; ++i) {
        std::string name = Workspace::RequiredFile(i);
        test::WriteFileBytes(to + name, test::ReadFileBytes(BinFolder() + name));
    }
    test::WriteFileBytes(to + "Wallweaver.exe",
                         test::ReadFileBytes(BinFolder() + "Wallweaver.exe"));
}

TEST(BuilderStartup, MissingHelpFileShowsTheMessageAndEnds) {
    TempDir dir;
    CopyBuilderFolder(dir.path());
    ASSERT_TRUE(RemoveFile(dir / "Wallweaver.chm"));
    test::BoxLog log(dir / "boxes.log");
    ChildProcess builder;
    ASSERT_TRUE(builder.Start(dir / "Wallweaver.exe"));
    HWND box = test::WaitForWindow(builder.pid(), "Wallweaver", 30000);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(test::IsMessageBox(box));
    EXPECT_EQ(test::MessageBoxText(box), "Missing some key file.Please re-installe Wallweaver!");
    auto boxes = log.Read();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].flags & MB_ICONMASK, UINT(MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes[0].flags & MB_TYPEMASK, UINT(MB_OK));
    EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
    test::PressButton(box, IDOK);
    EXPECT_TRUE(builder.Wait(15000));
    // It ended without creating anything.
    EXPECT_FALSE(test::PathExists(dir / "temp"));
    EXPECT_FALSE(test::PathExists(dir / "output"));
}

TEST(BuilderStartup, WithEveryFilePresentTheMainWindowOpens) {
    TempDir dir;
    CopyBuilderFolder(dir.path());
    ChildProcess builder;
    ASSERT_TRUE(builder.Start(dir / "Wallweaver.exe"));
    HWND main = test::WaitForWindow(builder.pid(), "Wallweaver - Information", 30000);
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(test::IsMessageBox(main));
    PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
    // The close box asks before the builder ends.
    test::SeenBox exit = test::AnswerNextBox(builder.pid(), "Wallweaver", IDYES);
    EXPECT_TRUE(exit.found);
    EXPECT_EQ(exit.text, "Are your sure you want to exit Wallweaver?");
    EXPECT_TRUE(builder.Wait(15000));
}

TEST(PlayerStartup, SaysPlainlyWhenItCarriesNoSettings) {
    ChildProcess player;
    ASSERT_TRUE(player.Start(BinFolder() + "Wovenplay.exe"));
    HWND box = test::WaitForWindow(player.pid(), "Wovenplay", 30000);
    ASSERT_NE(box, nullptr);
    EXPECT_NE(test::MessageBoxText(box).find("carries no wallpaper settings"), std::string::npos);
    test::PressButton(box, IDOK);
    EXPECT_TRUE(player.Wait(15000));
}

TEST(InstallerStubs, BareStubsSayTheyCarryNoPackage) {
    TempDir dir;
    test::BoxLog log(dir / "boxes.log");
    ChildProcess setup;
    ASSERT_TRUE(setup.Start(BinFolder() + "Wovenset.exe"));
    HWND box = test::WaitForWindow(setup.pid(), "Setup", 30000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(test::MessageBoxText(box),
              BinFolder() + "Wovenset.exe is not a Wallweaver Setup File!");
    auto boxes = log.Read();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].flags & MB_ICONMASK, UINT(MB_ICONSTOP));
    test::PressButton(box, IDOK);
    EXPECT_TRUE(setup.Wait(15000));

    ChildProcess simple;
    ASSERT_TRUE(simple.Start(BinFolder() + "Wovenlite.exe"));
    box = test::WaitForWindow(simple.pid(), "Setup", 30000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(test::MessageBoxText(box), "This file is not a standard setup file!");
    test::PressButton(box, IDOK);
    EXPECT_TRUE(simple.Wait(15000));
}

} // namespace
} // namespace ww
