// Shortcuts saved through the shell's link object and read back through it.
#include "common/fs.h"
#include "common/path.h"
#include "common/win32/shortcuts.h"
#include "tests/support/fixtures.h"
#include "tests/support/temp_dir.h"
#include "tests/win32/shell_folders.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace ww {
namespace {

TEST(Shortcuts, NameIsThePlayerFileWithoutItsEnding) {
    const struct {
        const char* target;
        const char* name;
    } cases[] = {
        {"C:\\windows\\Web\\Wallpaper\\Clouds\\Clouds.exe", "Clouds"},
        {"C:\\w\\Sea and Sky.exe", "Sea and Sky"},
        {"C:\\w\\x.exe", "x"},
        {"C:\\w\\ab", ""},
        {"C:\\w\\", ""},
        {"Clouds.exe", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShortcutName(c.target), c.name) << c.target;
}

TEST(Shortcuts, PointsAtTheTargetAndStartsInItsFolder) {
    test::TempDir dir;
    ASSERT_TRUE(CreateFolder(dir / "Clouds"));
    const std::string target = dir / "Clouds\\Clouds.exe";
    const std::string other = dir / "Clouds\\Other.exe";
    test::WriteFileBytes(target, {1});
    test::WriteFileBytes(other, {2});
    const std::string link = dir / "Clouds.lnk";

    ASSERT_EQ(CreateShortcut(target, link), 1);
    test::ShortcutInfo info;
    ASSERT_TRUE(test::ReadShortcut(link, &info));
    EXPECT_TRUE(EqualsNoCase(info.target, target)) << info.target;
    EXPECT_TRUE(EqualsNoCase(info.workingFolder, dir / "Clouds\\")) << info.workingFolder;

    // An existing shortcut of the same name is replaced.
    ASSERT_EQ(CreateShortcut(other, link), 1);
    ASSERT_TRUE(test::ReadShortcut(link, &info));
    EXPECT_TRUE(EqualsNoCase(info.target, other)) << info.target;

    EXPECT_EQ(CreateShortcut(target, dir / "no such folder\\Clouds.lnk"), 0);
}

// The desktop shortcut is made by the setup wizard tests, in a process that
// starts with the desktop moved into the test's folder (the shell keeps the
// folder it saw first for the whole process).
TEST(Shortcuts, QuickLaunchShortcutIsNamedAfterThePlayer) {
    test::TempDir dir;
    ASSERT_FALSE(QuickLaunchFolder().empty());
    const std::string name = "Clouds " + UniqueSuffix();
    const std::string target = dir / (name + ".exe");
    test::WriteFileBytes(target, {1});
    EXPECT_EQ(CreateQuickLaunchShortcut(target), 1);
    const std::string link = QuickLaunchFolder() + name + ".lnk";
    test::ShortcutInfo info;
    EXPECT_TRUE(test::ReadShortcut(link, &info)) << link;
    EXPECT_TRUE(EqualsNoCase(info.target, target)) << info.target;
    EXPECT_TRUE(EqualsNoCase(info.workingFolder, dir.path())) << info.workingFolder;
    DeleteFileA(link.c_str());
    // Nothing is made for a target without a folder.
    EXPECT_EQ(CreateQuickLaunchShortcut("Clouds.exe"), 1);
    EXPECT_FALSE(test::PathExists(QuickLaunchFolder() + ".lnk"));
}

} // namespace
} // namespace ww
