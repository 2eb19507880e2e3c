// Wovenplay as the setup wizard installs it: a copy with its settings tail,
// one folder below the wallpaper page, started and driven from outside.
#include "common/fs.h"
#include "common/path.h"
#include "common/player_tail.h"
#include "player/player_window.h"
#include "tests/support/fixtures.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32_active_desktop.h"
#include "tests/support/win32_driver.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace ww {
namespace {

using test::ChildProcess;
using test::ControlText;
using test::FindControl;

constexpr int kName = 1101, kPublisher = 1102, kAddress = 1103, kCopyright = 1104, kApply = 1105,
              kStatus = 1106;

std::string BinFolder() {
    return FolderOfPath(ModuleFilePath());
}

// The player with a tail whose reserved field holds junk, which it ignores.
test::Bytes PlayerWithTail(const PlayerSettings& settings) {
    test::Bytes exe = test::ReadFileBytes(BinFolder() + "Wovenplay.exe");
    uint8_t tail[kPlayerTailSize];
    WritePlayerTail(settings, tail);
    std::memset(tail + 5 * kStringFieldSize, 'x', kStringFieldSize);
    exe.insert(exe.end(), tail, tail + sizeof tail);
    return exe;
}

class Player : public ::testing::Test {
  protected:
    void SetUp() override {
        settings_ = {"Ocean.htm", "Ocean " + UniqueSuffix(), "Tide Works & Co",
                     "http://example.invalid/tide", "(c) 2024 Tide Works"};
        ASSERT_TRUE(CreateFolder(dir_ / "Ocean"));
        exe_ = dir_ / "Ocean\\Ocean.exe";
    }
    void TearDown() override { child_.Kill(); }
    HWND Start() {
        test::WriteFileBytes(exe_, PlayerWithTail(settings_));
        EXPECT_TRUE(child_.Start(exe_));
        return test::WaitForWindow(child_.pid(), settings_.wallpaperName, 30000);
    }
    void Close(HWND window) {
        test::PressButton(window, IDCANCEL);
        EXPECT_TRUE(child_.Wait(15000)) << "the player did not end";
    }

    test::TempDir dir_;
    PlayerSettings settings_;
    std::string exe_;
    ChildProcess child_;
};

TEST_F(Player, ShowsEveryStringOfItsTail) {
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ControlText(FindControl(window, kName)), settings_.wallpaperName);
    EXPECT_EQ(ControlText(FindControl(window, kPublisher)), settings_.publisherName);
    EXPECT_EQ(ControlText(FindControl(window, kAddress)), settings_.publisherUrl);
    EXPECT_EQ(ControlText(FindControl(window, kCopyright)), settings_.copyright);
    EXPECT_TRUE(IsWindowEnabled(FindControl(window, kApply)));
    // For a person to look at, under the build tree.
    std::string artefacts = FolderOfPath(WithoutTrailingSeparator(BinFolder())) + "test-artefacts";
    CreateFolder(artefacts);
    EXPECT_TRUE(test::SaveWindowImage(window, artefacts + "\\player.bmp"));
    Close(window);
}

TEST_F(Player, PutsTheInstalledPageBackOnTheDesktop) {
    test::ActiveDesktopRecorder desktop(dir_ / "desktop.log");
    ASSERT_TRUE(desktop.registered());
    test::WriteFileText(dir_ / "Ocean.htm", "<html></html>");
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    test::ClickControl(FindControl(window, kApply));
    EXPECT_EQ(ControlText(FindControl(window, kStatus)), "The wallpaper is on the desktop again.");
    std::vector<std::string> calls = desktop.Calls();
    const std::string set = "SetWallpaper " + dir_.path() + "Ocean.htm 0";
    EXPECT_NE(std::find(calls.begin(), calls.end(), set), calls.end()) << set;
    EXPECT_NE(std::find(calls.begin(), calls.end(), "ApplyChanges 7"), calls.end());
    Close(window);
}

TEST_F(Player, AMissingPageIsReportedAndTheDesktopLeftAlone) {
    test::ActiveDesktopRecorder desktop(dir_ / "desktop.log");
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    test::PressButton(window, kApply);
    auto box = test::AnswerNextBox(child_.pid(), settings_.wallpaperName, IDOK);
    ASSERT_TRUE(box.found);
    EXPECT_NE(box.text.find(dir_.path() + "Ocean.htm"), std::string::npos) << box.text;
    for (const std::string& call : desktop.Calls())
        EXPECT_EQ(call.find("SetWallpaper"), std::string::npos) << call;
    Close(window);
}

TEST_F(Player, ItsWindowShowsNoMovieFromOutsideTheWallpapersFolder) {
    // Beside the page, where the page is, but not in the wallpaper's folder.
    test::WriteFileText(dir_ / "secret.swf", "FWS");
    test::WriteFileText(dir_ / "Ocean.htm", "<embed src=\"secret.swf\">");
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ControlText(FindControl(window, kStatus)),
              "The movie cannot be shown: the page's Flash movie \"secret.swf\" is outside the "
              "wallpaper's folder: " +
                  dir_.path() + "Ocean.htm.");
    Close(window);
}

TEST_F(Player, APageNameThatIsNotAFileNameCannotBeApplied) {
    for (const char* page : {"..\\..\\evil.htm", "C:\\evil.htm", ""}) {
        settings_.pageName = page;
        HWND window = Start();
        ASSERT_NE(window, nullptr) << page;
        EXPECT_FALSE(IsWindowEnabled(FindControl(window, kApply))) << page;
        Close(window);
    }
}

TEST(PlayerLink, OpensWebAddressesOnly) {
    const struct {
        const char* address;
        const char* opened;
    } cases[] = {
        {"http://example.invalid/tide", "http://example.invalid/tide"},
        {"HTTPS://example.invalid/", "HTTPS://example.invalid/"},
        {"www.example.invalid/tide", "http://www.example.invalid/tide"},
        {"", ""},
        {"C:\\windows\\system32\\cmd.exe", ""},
        {"file:///C:/evil.exe", ""},
        {"javascript:alert(1)", ""},
        {"\\\\server\\share\\run.exe", ""},
        {"..\\run.exe", ""},
        {"/etc/passwd", ""},
        {"calc.exe /c", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(player::LinkTarget(c.address), c.opened) << c.address;
}

TEST(PlayerLink, TheInstalledPageIsOneFolderAboveThePlayer) {
    EXPECT_EQ(player::InstalledPagePath("C:\\w\\Web\\Wallpaper\\Ocean\\Ocean.exe", "Ocean.htm"),
              "C:\\w\\Web\\Wallpaper\\Ocean.htm");
    EXPECT_EQ(player::InstalledPagePath("C:\\Ocean\\Ocean.exe", "..\\Ocean.htm"), "");
    EXPECT_EQ(player::InstalledPagePath("C:\\Ocean\\Ocean.exe", "CON"), "");
    EXPECT_EQ(player::InstalledPagePath("Ocean.exe", "Ocean.htm"), "");
}

TEST(PlayerWithoutTail, SaysSoAndEnds) {
    test::TempDir dir;
    test::Bytes exe = test::ReadFileBytes(BinFolder() + "Wovenplay.exe");
    // A tail cut by one byte is no tail.
    uint8_t tail[kPlayerTailSize];
    WritePlayerTail({"Ocean.htm", "Ocean", "", "", ""}, tail);
    exe.insert(exe.end(), tail, tail + sizeof tail - 1);
    test::WriteFileBytes(dir / "Ocean.exe", exe);
    ChildProcess player;
    ASSERT_TRUE(player.Start(dir / "Ocean.exe"));
    auto box = test::AnswerNextBox(player.pid(), "Wovenplay", IDOK);
    ASSERT_TRUE(box.found);
    EXPECT_NE(box.text.find("carries no wallpaper settings"), std::string::npos) << box.text;
    DWORD status = 0;
    EXPECT_TRUE(player.Wait(15000, &status));
    EXPECT_EQ(status, 1u);
}

} // namespace
} // namespace ww
