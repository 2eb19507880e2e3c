// Wovenset run as a person runs it: an installer made of the real stub with
// a package appended (the real player as slot 7), started under an unusual
// name, its wizard walked by its buttons and its boxes answered from outside.
#include "common/fs.h"
#include "common/package_reader.h"
#include "common/path.h"
#include "common/player_tail.h"
#include "common/win32/live_wallpaper.h"
#include "common/win32/shortcuts.h"
#include "common/win32/uninstall.h"
#include "player/wallpaper_mode.h"
#include "tests/support/bitmap_writer.h"
#include "tests/support/dpi_setting.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_builder.h"
#include "tests/support/pe_signature.h"
#include "tests/support/swf_writer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32_active_desktop.h"
#include "tests/support/win32_driver.h"
#include "tests/support/win32_frames.h"
#include "tests/win32/shell_folders.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

namespace ww {
namespace {

using test::AnswerNextBox;
using test::ChildProcess;
using test::ControlText;
using test::FindControl;

constexpr int kBack = 1000, kNext = 1001, kExit = 1002, kLicenseText = 1005, kLaunch = 1006,
              kQuickLaunchIcon = 1007, kProgress = 1008, kInstallText = 1010, kDesktopIcon = 1011,
              kTasksText = 1012, kStatus = 1013, kStepCaption = 1014, kFinishedText = 1015,
              kHeading = 1018, kBanner = 1016, kSideImage = 1017;

std::string BinFolder() {
    return FolderOfPath(ModuleFilePath());
}

std::string WallpaperFolder() {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    return std::string(windows) + "\\Web\\Wallpaper\\";
}

// Page screenshots land under the build tree for a person to look at.
std::string ArtefactFolder() {
    std::string folder = FolderOfPath(WithoutTrailingSeparator(BinFolder())) + "test-artefacts";
    CreateFolder(folder);
    folder += "\\setup-wizard\\";
    CreateFolder(folder);
    return folder;
}

bool WaitForTitle(HWND window, const std::string& title, DWORD timeoutMs = 30000) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50)) {
        if (test::WindowText(window) == title)
            return true;
    }
    return false;
}

bool Enabled(HWND wizard, int id) {
    return IsWindowEnabled(GetDlgItem(wizard, id)) != FALSE;
}

bool Visible(HWND wizard, int id) {
    return IsWindowVisible(GetDlgItem(wizard, id)) != FALSE;
}

// Ends the live wallpaper a test started, with the installed player's /stop.
bool StopLiveWallpaper(const std::string& player) {
    if (!FindWindowA(player::kWallpaperWindowClass, nullptr))
        return true;
    ChildProcess stop;
    return stop.Start(player, {"/stop"}) && stop.Wait(20000) &&
           !FindWindowA(player::kWallpaperWindowClass, nullptr);
}

class SetupWizard : public ::testing::Test {
  protected:
    void SetUp() override { UseName("Weave " + UniqueSuffix()); }
    void TearDown() override {
        if (child_)
            child_->Kill();
        StopLiveWallpaper(Folder() + name_ + ".exe");
        UnregisterAtLogon(Folder() + name_ + ".exe");
        RemoveUninstallEntry(name_);
        std::error_code ec;
        std::filesystem::remove_all(Folder(), ec);
        std::filesystem::remove(WallpaperFolder() + name_ + ".htm", ec);
        DeleteFileA(QuickLaunchLink().c_str());
    }

    void UseName(const std::string& name) {
        name_ = name;
        spec_ = test::SampleSetupRecipe();
        spec_.stub = test::ReadFileBytes(BinFolder() + "Wovenset.exe");
        spec_.wallpaperName = name_;
        spec_.slots[0] = {name_ + ".htm", test::PatternBytes(500, 1), -1};
        spec_.slots[1] = {"wave.swf", test::PatternBytes(3000, 2), -1};
        spec_.slots[2] = {"display1.bmp", test::MakeBitmap({32, 24, 24, 0x102030}), -1};
        spec_.slots[3] = {"top1.bmp", test::MakeBitmap({566, 69, 24, 0x3060C0}), -1};
        spec_.slots[4] = {"left1.bmp", test::MakeBitmap({164, 300, 8, 0x206040}), -1};
        const std::string readme = "Terms of use\nLine two\r\n";
        test::Bytes readmeBytes(readme.begin(), readme.end());
        readmeBytes.push_back(0);
        readmeBytes.insert(readmeBytes.end(), {'h', 'i', 'd', 'd', 'e', 'n'});
        spec_.slots[5] = {"readme.txt", readmeBytes, -1};
        spec_.slots[6] = {name_ + ".exe", Player(), -1};
        spec_.extras = {{"notes.txt", test::PatternBytes(77, 4), -1}, {"empty.dat", {}, -1}};
    }
    test::Bytes Player() const {
        test::Bytes exe = test::ReadFileBytes(BinFolder() + "Wovenplay.exe");
        uint8_t tail[kPlayerTailSize];
        WritePlayerTail(
            {name_ + ".htm", name_, "Tide Works", "http://example.invalid/", "(c) Tide"}, tail);
        exe.insert(exe.end(), tail, tail + sizeof tail);
        return exe;
    }
    std::string Folder() const { return WallpaperFolder() + name_ + "\\"; }
    std::string Suffix() const { return " - " + name_ + " Setup Wizard"; }
    std::string DesktopLink() const { return dir_ / ("Desktop\\" + name_ + ".lnk"); }
    std::string QuickLaunchLink() const { return QuickLaunchFolder() + name_ + ".lnk"; }

    // Writes the installer under an unusual name and starts it.
    void Start(const test::Bytes& installer) {
        exe_ = dir_ / "Get the wallpaper now.exe";
        test::WriteFileBytes(exe_, installer);
        child_ = std::make_unique<ChildProcess>();
        ASSERT_TRUE(child_->Start(exe_, {}, dir_.path()));
    }
    // Waits for the Welcome page, the first window the wizard shows.
    HWND AcceptInstall() { return test::WaitForWindow(child_->pid(), "Welcome" + Suffix(), 30000); }
    void Press(HWND wizard, int id, const std::string& nextTitle) {
        test::PressButton(wizard, id);
        ASSERT_TRUE(WaitForTitle(wizard, nextTitle + Suffix())) << test::WindowText(wizard);
    }
    void Screenshot(HWND wizard, const std::string& name) {
        EXPECT_TRUE(test::SaveWindowImage(wizard, ArtefactFolder() + name + ".bmp")) << name;
    }
    void ExpectEnded() { EXPECT_TRUE(child_->Wait(20000)) << "the wizard did not end"; }
    // Walks from Welcome to Finished with the boxes as given.
    HWND InstallWith(bool desktopIcon, bool quickLaunchIcon) {
        HWND wizard = AcceptInstall();
        EXPECT_NE(wizard, nullptr);
        if (!wizard)
            return nullptr;
        Press(wizard, kNext, "License Agreement");
        Press(wizard, kNext, "Select Additional Tasks");
        if (!desktopIcon)
            test::ClickControl(FindControl(wizard, kDesktopIcon));
        if (!quickLaunchIcon)
            test::ClickControl(FindControl(wizard, kQuickLaunchIcon));
        Press(wizard, kNext, "Finished");
        return wizard;
    }
    void ExpectInstalledFiles() {
        EXPECT_EQ(test::ReadFileBytes(WallpaperFolder() + name_ + ".htm"), spec_.slots[0].data);
        for (int slot = 1; slot < 7; ++slot)
            EXPECT_EQ(test::ReadFileBytes(Folder() + spec_.slots[slot].name),
                      spec_.slots[slot].data)
                << spec_.slots[slot].name;
        for (const auto& extra : spec_.extras)
            EXPECT_EQ(test::ReadFileBytes(Folder() + extra.name), extra.data) << extra.name;
        EXPECT_EQ(test::ListFolder(Folder()),
                  (std::vector<std::string>{name_ + ".exe", "display1.bmp", "empty.dat",
                                            "left1.bmp", "notes.txt", "readme.txt", "top1.bmp",
                                            kInstallRecordName, "wave.swf"}));
    }

    test::TempDir dir_;
    // A system with the page wallpaper, unless a test says otherwise.
    std::unique_ptr<test::ActiveDesktopRecorder> system_ =
        std::make_unique<test::ActiveDesktopRecorder>(dir_ / "desktop.log");
    // The desktop of the test prefix is the host's home folder; it is moved
    // here for the shortcuts.
    test::DesktopRedirect desktop_{dir_ / "Desktop"};
    std::string name_;
    std::string exe_;
    test::SetupPackageRecipe spec_;
    std::unique_ptr<ChildProcess> child_;
};

TEST_F(SetupWizard, WalksFromWelcomeToFinishedAndStartsThePlayer) {
    Start(test::MakeSetupPackage(spec_));
    HWND wizard = AcceptInstall();
    ASSERT_NE(wizard, nullptr);

    EXPECT_EQ(ControlText(FindControl(wizard, kHeading)),
              "Welcome to the " + name_ + " Setup Wizard");
    EXPECT_EQ(ControlText(FindControl(wizard, kInstallText)),
              "This will install " + name_ + " on your computer.");
    EXPECT_FALSE(Enabled(wizard, kBack));
    EXPECT_TRUE(Enabled(wizard, kNext));
    EXPECT_EQ(ControlText(GetDlgItem(wizard, kExit)), "&Exit");
    Screenshot(wizard, "1-welcome");

    Press(wizard, kNext, "License Agreement");
    EXPECT_TRUE(Enabled(wizard, kBack));
    // Up to the first zero byte, lines ending in CR LF.
    EXPECT_EQ(ControlText(FindControl(wizard, kLicenseText)), "Terms of use\r\nLine two\r\n");
    // Typing and editing keys do not change the text.
    HWND licence = FindControl(wizard, kLicenseText);
    DWORD_PTR ignored = 0;
    for (UINT key : {UINT(VK_DELETE), UINT(VK_BACK), UINT('X')})
        SendMessageTimeoutA(licence, WM_KEYDOWN, key, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    SendMessageTimeoutA(licence, WM_CHAR, 'x', 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    SendMessageTimeoutA(licence, WM_CLEAR, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    EXPECT_EQ(ControlText(licence), "Terms of use\r\nLine two\r\n");
    Screenshot(wizard, "2-license-agreement");

    Press(wizard, kNext, "Select Additional Tasks");
    EXPECT_EQ(ControlText(FindControl(wizard, kTasksText)),
              "Setect the additional tasks you would like Setup to perform while installing " +
                  name_ + " , then click Next.");
    EXPECT_TRUE(test::IsCheckedBox(FindControl(wizard, kDesktopIcon)));
    EXPECT_TRUE(test::IsCheckedBox(FindControl(wizard, kQuickLaunchIcon)));
    Screenshot(wizard, "3-select-additional-tasks");

    // The installation runs on entering the Installing page and moves on.
    Press(wizard, kNext, "Finished");
    EXPECT_EQ(ControlText(FindControl(wizard, kStatus)), "Extracting files......");
    EXPECT_EQ(ControlText(FindControl(wizard, kStepCaption)), Folder());
    EXPECT_EQ(SendMessageA(FindControl(wizard, kProgress), PBM_GETPOS, 0, 0), 99);
    EXPECT_FALSE(Visible(wizard, kBack));
    EXPECT_FALSE(Visible(wizard, kNext));
    EXPECT_FALSE(Enabled(wizard, kNext));
    EXPECT_EQ(ControlText(GetDlgItem(wizard, kExit)), "Finish");
    EXPECT_EQ(ControlText(FindControl(wizard, kFinishedText)),
              "Setup has finished installing " + name_ +
                  " on your computer. The application may be launched by selecting the "
                  "installed icons.");
    EXPECT_EQ(ControlText(FindControl(wizard, kLaunch)), "Launch " + name_);
    EXPECT_TRUE(test::IsCheckedBox(FindControl(wizard, kLaunch)));
    Screenshot(wizard, "5-finished");
    ExpectInstalledFiles();

    const DWORD wizardPid = child_->pid();
    test::PressButton(wizard, kExit);
    ExpectEnded();
    DWORD playerPid = 0;
    HWND player = test::WaitForAnyWindow(name_, 30000, &playerPid);
    ASSERT_NE(player, nullptr) << "the player did not start";
    test::PressButton(player, IDCANCEL);

    const std::string target = Folder() + name_ + ".exe";
    for (const std::string& link : {DesktopLink(), QuickLaunchLink()}) {
        test::ShortcutInfo info;
        ASSERT_TRUE(test::ReadShortcut(link, &info)) << link;
        EXPECT_TRUE(EqualsNoCase(info.target, target)) << info.target;
        EXPECT_TRUE(EqualsNoCase(info.workingFolder, Folder())) << info.workingFolder;
    }
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, playerPid);
    if (process) {
        EXPECT_EQ(WaitForSingleObject(process, 15000), WAIT_OBJECT_0);
        CloseHandle(process);
    }
    // The images were read from a private temporary folder, now gone.
    EXPECT_TRUE(
        FindMatches(UserTempFolder() + "Wovenset-" + std::to_string(wizardPid) + "-*").empty());
}

// The frame control id of the page on show; the hidden pages hold one too.
HWND FrameOnShow(HWND wizard, int id) {
    for (HWND page = FindWindowExA(wizard, nullptr, "#32770", nullptr); page;
         page = FindWindowExA(wizard, page, "#32770", nullptr))
        if (IsWindowVisible(page) && GetDlgItem(page, id))
            return GetDlgItem(page, id);
    return nullptr;
}

// At 144 DPI the side and top pictures (the shipped artwork) fill the frames
// the pages give them, look like the artwork scaled smoothly, and show no
// stray dots.
TEST_F(SetupWizard, AtAHigherDpiThePicturesFillTheirFramesCleanly) {
    const std::string shipped = BinFolder() + "Resource\\";
    spec_.slots[3] = {"top1.bmp", test::ReadFileBytes(shipped + "top1.bmp"), -1};
    spec_.slots[4] = {"left1.bmp", test::ReadFileBytes(shipped + "left1.bmp"), -1};
    test::DpiSetting dpi(144);
    Start(test::MakeSetupPackage(spec_));
    HWND wizard = AcceptInstall();
    ASSERT_NE(wizard, nullptr);
    SetForegroundWindow(wizard);
    const struct {
        const char* next; // the page to go on to first, if any
        int frame;
        const char* art;
    } pictures[] = {{nullptr, kSideImage, "left1.bmp"}, {"License Agreement", kBanner, "top1.bmp"}};
    for (const auto& p : pictures) {
        SCOPED_TRACE(p.art);
        if (p.next)
            Press(wizard, kNext, p.next);
        Sleep(300); // let the page paint
        HWND frame = FrameOnShow(wizard, p.frame);
        ASSERT_NE(frame, nullptr);
        RECT rect{}, page{};
        GetWindowRect(frame, &rect);
        GetClientRect(GetParent(frame), &page);
        // The template's frames are 109 of 377 and 377 of 377 units wide.
        const double share = p.frame == kSideImage ? 109.0 / 377 : 1.0;
        EXPECT_NEAR(rect.right - rect.left, page.right * share, 3);
        HBITMAP art =
            static_cast<HBITMAP>(LoadImageA(nullptr, (shipped + p.art).c_str(), IMAGE_BITMAP, 0, 0,
                                            LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        test::Pixels original, shown;
        ASSERT_TRUE(test::PixelsOfBitmap(art, &original));
        DeleteObject(art);
        ASSERT_TRUE(test::CaptureClient(frame, &shown));
        // Larger than the artwork: it was drawn at its 96-DPI size before.
        EXPECT_GT(shown.width, original.width * 5 / 4);
        const test::Pixels expected = test::ScaledByArea(original, shown.width, shown.height);
        EXPECT_LT(test::MeanDifference(shown, expected), 6.0);
        EXPECT_EQ(test::StrayPixels(shown), 0);
        if (HasFailure())
            test::SaveBmp(shown, ArtefactFolder() + "setup-144-" + p.art);
    }
}

// No box comes before the Welcome page, which asks the question itself;
// leaving there touches nothing.
TEST_F(SetupWizard, TheWelcomePageComesFirstAndExitThereTouchesNothing) {
    test::BoxLog boxes(dir_ / "boxes.log");
    Start(test::MakeSetupPackage(spec_));
    HWND wizard = AcceptInstall();
    ASSERT_NE(wizard, nullptr);
    EXPECT_TRUE(boxes.Read().empty()) << boxes.Read().front().text;
    test::PressButton(wizard, kExit);
    EXPECT_EQ(AnswerNextBox(child_->pid(), "Wallweaver Setup", IDYES).text,
              "Do your want to exit setup?");
    ExpectEnded();
    EXPECT_FALSE(test::PathExists(Folder()));
    EXPECT_FALSE(test::PathExists(WallpaperFolder() + name_ + ".htm"));
}

TEST_F(SetupWizard, ACopyWithoutAPackageNamesItsOwnPath) {
    test::BoxLog boxes(dir_ / "boxes.log");
    Start(spec_.stub);
    auto box = AnswerNextBox(child_->pid(), "Setup", IDOK);
    EXPECT_EQ(box.text, exe_ + " is not a Wallweaver Setup File!");
    ExpectEnded();
    auto shown = boxes.Read();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].flags, UINT(MB_OK | MB_ICONSTOP));
}

TEST_F(SetupWizard, AHostilePackageWritesNothing) {
    struct Case {
        const char* what;
        void (*alter)(test::SetupPackageRecipe&);
    };
    const Case cases[] = {
        {"an extra file named outside the folder",
         [](test::SetupPackageRecipe& s) { s.extras[0].name = "..\\..\\evil.txt"; }},
        {"a slot named by a path", [](test::SetupPackageRecipe& s) { s.slots[1].name = "C:evil"; }},
        {"a count above capacity", [](test::SetupPackageRecipe& s) { s.recordedCount = 129; }},
        {"a negative count", [](test::SetupPackageRecipe& s) { s.recordedCount = 0xFFFFFFFF; }},
        {"a size reaching before the file",
         [](test::SetupPackageRecipe& s) { s.slots[0].recordedSize = 0x7FFFFFFF; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::SetupPackageRecipe recipe = spec_;
        c.alter(recipe);
        Start(test::MakeSetupPackage(recipe));
        auto box = AnswerNextBox(child_->pid(), "Setup", IDOK);
        EXPECT_EQ(box.text, exe_ + " is not a Wallweaver Setup File!");
        ExpectEnded();
        EXPECT_FALSE(test::PathExists(Folder()));
        EXPECT_FALSE(test::PathExists(WallpaperFolder() + name_ + ".htm"));
    }
}

TEST_F(SetupWizard, BackEscapeAndTheCloseBox) {
    test::BoxLog boxes(dir_ / "boxes.log");
    Start(test::MakeSetupPackage(spec_));
    HWND wizard = AcceptInstall();
    ASSERT_NE(wizard, nullptr);
    Press(wizard, kNext, "License Agreement");
    Press(wizard, kBack, "Welcome");
    EXPECT_FALSE(Enabled(wizard, kBack));
    EXPECT_TRUE(Enabled(wizard, kNext));

    // Escape does nothing; Exit and the close box ask, No keeps the page.
    PostMessageA(wizard, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    test::PressButton(wizard, kExit);
    auto question = AnswerNextBox(child_->pid(), "Wallweaver Setup", IDNO);
    EXPECT_EQ(question.text, "Do your want to exit setup?");
    EXPECT_EQ(test::WindowText(wizard), "Welcome" + Suffix());
    PostMessageA(wizard, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(AnswerNextBox(child_->pid(), "Wallweaver Setup", IDYES).found);
    ExpectEnded();

    auto shown = boxes.Read();
    ASSERT_EQ(shown.size(), 2u) << "Escape asked something";
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(shown[i].title, "Wallweaver Setup");
        EXPECT_EQ(shown[i].flags, UINT(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
    }
    EXPECT_FALSE(test::PathExists(Folder()));
}

TEST_F(SetupWizard, UncheckingAllThreeBoxesTouchesNoShell) {
    Start(test::MakeSetupPackage(spec_));
    HWND wizard = InstallWith(false, false);
    ASSERT_NE(wizard, nullptr);
    test::ClickControl(FindControl(wizard, kLaunch));
    EXPECT_FALSE(test::IsCheckedBox(FindControl(wizard, kLaunch)));
    // The close box does nothing on the last page.
    PostMessageA(wizard, WM_SYSCOMMAND, SC_CLOSE, 0);
    Sleep(500);
    EXPECT_TRUE(IsWindowVisible(wizard));
    test::PressButton(wizard, kExit);
    ExpectEnded();
    ExpectInstalledFiles();
    EXPECT_FALSE(test::PathExists(DesktopLink()));
    EXPECT_FALSE(test::PathExists(QuickLaunchLink()));
    EXPECT_EQ(test::WaitForAnyWindow(name_, 3000), nullptr) << "the player was started";
}

TEST_F(SetupWizard, AQuestionMarkInTheNameGivesTheFolderMessageAndExtractsNothing) {
    UseName("Odd?" + UniqueSuffix());
    const auto before = test::ListFolder(WallpaperFolder());
    test::BoxLog boxes(dir_ / "boxes.log");
    Start(test::MakeSetupPackage(spec_));
    HWND wizard = AcceptInstall();
    ASSERT_NE(wizard, nullptr);
    Press(wizard, kNext, "License Agreement");
    Press(wizard, kNext, "Select Additional Tasks");
    test::PressButton(wizard, kNext);
    // While it installs, there is no page to go back or on to.
    ASSERT_NE(test::WaitForWindow(child_->pid(), "Setup", 30000), nullptr);
    EXPECT_FALSE(Enabled(wizard, kBack));
    EXPECT_FALSE(Enabled(wizard, kNext));
    auto box = AnswerNextBox(child_->pid(), "Setup", IDYES);
    EXPECT_EQ(box.text, "Can not create directory to extra files!");
    // The Installing page stays after the failure, every button enabled.
    ASSERT_TRUE(WaitForTitle(wizard, "Installing" + Suffix()));
    auto allEnabled = [&] {
        return Enabled(wizard, kBack) && Enabled(wizard, kNext) && Enabled(wizard, kExit);
    };
    for (DWORD start = GetTickCount(); !allEnabled() && GetTickCount() - start < 5000; Sleep(50)) {
    }
    EXPECT_TRUE(allEnabled());
    EXPECT_EQ(ControlText(FindControl(wizard, kStatus)), "Extracting files......");
    Screenshot(wizard, "4-installing");

    // Back and Next run the installation again, with the same outcome.
    Press(wizard, kBack, "Select Additional Tasks");
    test::PressButton(wizard, kNext);
    EXPECT_EQ(AnswerNextBox(child_->pid(), "Setup", IDNO).text,
              "Can not create directory to extra files!");
    ASSERT_TRUE(WaitForTitle(wizard, "Installing" + Suffix()));
    Press(wizard, kNext, "Finished");
    test::PressButton(wizard, kExit);
    ExpectEnded();

    auto shown = boxes.Read();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].flags, UINT(MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_EQ(test::ListFolder(WallpaperFolder()), before);
    EXPECT_EQ(test::WaitForAnyWindow(name_, 2000), nullptr) << "a player was started";
}

TEST_F(SetupWizard, ASecondRunOverwritesTheFirst) {
    Start(test::MakeSetupPackage(spec_));
    HWND wizard = InstallWith(false, false);
    ASSERT_NE(wizard, nullptr);
    test::ClickControl(FindControl(wizard, kLaunch));
    test::PressButton(wizard, kExit);
    ExpectEnded();
    ExpectInstalledFiles();

    // The second package carries other bytes and a readme far beyond the
    // 128 KiB of the original buffers, shown whole.
    spec_.slots[0].data = test::PatternBytes(400, 9);
    spec_.slots[1].data = test::PatternBytes(2500, 8);
    std::string readme(200000, 'r');
    for (size_t i = 100; i < readme.size(); i += 101)
        readme[i] = '\n';
    spec_.slots[5].data = test::Bytes(readme.begin(), readme.end());
    spec_.extras[0].data = test::PatternBytes(33, 7);
    Start(test::MakeSetupPackage(spec_));
    wizard = AcceptInstall();
    ASSERT_NE(wizard, nullptr);
    Press(wizard, kNext, "License Agreement");
    const size_t lines = static_cast<size_t>(std::count(readme.begin(), readme.end(), '\n'));
    EXPECT_EQ(ControlText(FindControl(wizard, kLicenseText)).size(), readme.size() + lines);
    Press(wizard, kNext, "Select Additional Tasks");
    Press(wizard, kNext, "Finished");
    test::ClickControl(FindControl(wizard, kLaunch));
    test::PressButton(wizard, kExit);
    ExpectEnded();
    ExpectInstalledFiles();
}

// Signed after it was built, as a publisher signs a download: the
// certificate table follows the package.
TEST_F(SetupWizard, ASignedCopyInstallsWhole) {
    Start(test::WithCertificateTable(test::MakeSetupPackage(spec_)));
    HWND wizard = InstallWith(false, false);
    ASSERT_NE(wizard, nullptr);
    test::ClickControl(FindControl(wizard, kLaunch));
    test::PressButton(wizard, kExit);
    ExpectEnded();
    ExpectInstalledFiles();
}

// The sample project built by the command-line builder from the Windows
// build's own folder, then installed from Welcome to Finished.
TEST_F(SetupWizard, TheSampleBuiltByTheCommandLineInstallsWhole) {
    const std::string sample = std::string(WW_SOURCE_DIR) + "/samples/ocean/";
    const std::string project = dir_ / "ocean";
    ASSERT_TRUE(CreateFolder(project));
    for (const char* f : {"readme.txt", "credits.txt"})
        test::WriteFileBytes(project + "\\" + f, test::ReadFileBytes(sample + f));
    // Named apart from the other tests' installs of the same sample.
    std::string sdf = test::ReadFileText(sample + "Ocean.sdf");
    const size_t at = sdf.find("WallpaperName=Ocean");
    ASSERT_NE(at, std::string::npos);
    sdf.replace(at, std::string("WallpaperName=Ocean").size(), "WallpaperName=" + name_);
    test::WriteFileText(project + "\\Ocean.sdf", sdf);
    const test::SwfRecipe movie = test::StageRecipe(false);
    test::WriteFileBytes(project + "\\wave.swf", test::MakeSwf(movie));

    const std::string output = dir_ / "Ocean Setup.exe";
    ChildProcess cli;
    ASSERT_TRUE(cli.Start(BinFolder() + "wallweaver-cli.exe",
                          {"build-installer", project + "\\Ocean.sdf", "--output", output,
                           // No trailing backslash: before the closing quote it
                           // would escape the quote.
                           "--builder-folder", WithoutTrailingSeparator(BinFolder())}));
    DWORD status = 99;
    ASSERT_TRUE(cli.Wait(60000, &status));
    ASSERT_EQ(status, 0u);

    Start(test::ReadFileBytes(output));
    HWND wizard = AcceptInstall();
    ASSERT_NE(wizard, nullptr);
    Press(wizard, kNext, "License Agreement");
    std::string readme = test::ReadFileText(sample + "readme.txt");
    EXPECT_NE(ControlText(FindControl(wizard, kLicenseText)).find(readme.substr(0, 20)),
              std::string::npos);
    Press(wizard, kNext, "Select Additional Tasks");
    Press(wizard, kNext, "Finished");
    test::PressButton(wizard, kExit);
    ExpectEnded();

    // The page and the player as the build packed them (it made them in a
    // scratch folder of its own, gone with it).
    SetupPackageReader package;
    ASSERT_TRUE(package.Open(output));
    const test::Bytes whole = test::ReadFileBytes(output);
    auto packed = [&](int slot) {
        const auto start = whole.begin() + package.SlotOffset(slot);
        return test::Bytes(start, start + package.trailer().slot(slot).size);
    };
    EXPECT_EQ(test::ReadFileBytes(WallpaperFolder() + name_ + ".htm"), packed(kSlotPage));
    const struct {
        const char* installed;
        std::string from;
    } files[] = {
        {"wave.swf", project + "\\wave.swf"},
        {"display1.bmp", BinFolder() + "Resource\\display1.bmp"},
        {"top1.bmp", BinFolder() + "Resource\\top1.bmp"},
        {"left1.bmp", BinFolder() + "Resource\\left1.bmp"},
        {"readme.txt", sample + "readme.txt"},
        {"credits.txt", sample + "credits.txt"},
    };
    for (const auto& f : files)
        EXPECT_EQ(test::ReadFileBytes(Folder() + f.installed), test::ReadFileBytes(f.from))
            << f.installed;
    EXPECT_EQ(test::ReadFileBytes(Folder() + name_ + ".exe"), packed(kSlotPlayer));
    PlayerSettings settings;
    ASSERT_TRUE(ReadPlayerTail(Folder() + name_ + ".exe", &settings));
    EXPECT_EQ(settings.pageName, name_ + ".htm");
    EXPECT_EQ(settings.wallpaperName, name_);
    EXPECT_EQ(settings.publisherName, "Wallweaver Samples");

    const std::string target = Folder() + name_ + ".exe";
    for (const std::string& link : {DesktopLink(), QuickLaunchLink()}) {
        test::ShortcutInfo info;
        ASSERT_TRUE(test::ReadShortcut(link, &info)) << link;
        EXPECT_TRUE(EqualsNoCase(info.target, target)) << info.target;
        EXPECT_TRUE(EqualsNoCase(info.workingFolder, Folder())) << info.workingFolder;
    }
    DWORD playerPid = 0;
    HWND player = test::WaitForAnyWindow(name_, 30000, &playerPid);
    ASSERT_NE(player, nullptr) << "the player did not start";
    test::PressButton(player, IDCANCEL);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, playerPid);
    if (process) {
        EXPECT_EQ(WaitForSingleObject(process, 15000), WAIT_OBJECT_0);
        CloseHandle(process);
    }
    // The build left nothing in the builder folder to clean up.
    EXPECT_FALSE(test::PathExists(BinFolder() + "output\\" + name_ + ".htm"));
}

// Where a page cannot be the wallpaper, the live wallpaper is the end user's
// choice: the Launch box starts it and registers it for each logon, an
// unchecked box or a plain /S leaves no player running and no Run value, and
// /S /WALLPAPER starts it unattended. It never asks for the page wallpaper.
TEST_F(SetupWizard, OnACurrentSystemTheLiveWallpaperStartsOnlyWhenAsked) {
    system_.reset();
    system_ = std::make_unique<test::ActiveDesktopRecorder>(dir_ / "desktop.log",
                                                            test::DesktopSystem::Current);
    const std::string movie = dir_ / "wave.swf";
    const std::string writer = "\"\"" + BinFolder() + "make_sample_movie.exe\" \"" + movie + "\"\"";
    ASSERT_EQ(std::system(writer.c_str()), 0);
    const std::string page = "<html><body><embed src=\"" + name_ +
                             "/wave.swf\" width=\"100%\" height=\"100%\"></body></html>";
    spec_.slots[0].data.assign(page.begin(), page.end());
    spec_.slots[1].data = test::ReadFileBytes(movie);
    const std::string player = Folder() + name_ + ".exe";
    const std::string logon = "\"" + player + "\" /wallpaper";
    auto liveWallpaper = [](DWORD waitMs) {
        HWND host = nullptr;
        for (DWORD start = GetTickCount(); !host && GetTickCount() - start < waitMs; Sleep(50))
            host = FindWindowA(player::kWallpaperWindowClass, nullptr);
        return host;
    };

    for (bool launch : {false, true}) {
        SCOPED_TRACE(launch ? "Launch checked" : "Launch unchecked");
        exe_ = dir_ / (launch ? "Checked.exe" : "Unchecked.exe");
        test::WriteFileBytes(exe_, test::MakeSetupPackage(spec_));
        child_ = std::make_unique<ChildProcess>();
        ASSERT_TRUE(child_->Start(exe_, {}, dir_.path()));
        HWND wizard = InstallWith(false, false);
        ASSERT_NE(wizard, nullptr);
        if (!launch)
            test::ClickControl(FindControl(wizard, kLaunch));
        test::PressButton(wizard, kExit);
        ExpectEnded();
        if (!launch) {
            EXPECT_EQ(liveWallpaper(3000), nullptr) << "a live wallpaper nobody asked for";
            EXPECT_EQ(LogonCommand(), "");
            EXPECT_EQ(test::WaitForAnyWindow(name_, 500), nullptr) << "the player window opened";
            continue;
        }
        EXPECT_NE(liveWallpaper(30000), nullptr) << "no live wallpaper";
        EXPECT_TRUE(EqualsNoCase(LogonCommand(), logon)) << LogonCommand();
        if (HWND window = test::WaitForAnyWindow(name_, 10000))
            PostMessageA(window, WM_CLOSE, 0, 0);
        ASSERT_TRUE(StopLiveWallpaper(player));
        EXPECT_EQ(LogonCommand(), "");
    }

    for (bool asked : {false, true}) {
        SCOPED_TRACE(asked ? "/S /WALLPAPER" : "/S");
        exe_ = dir_ / "Silent.exe";
        test::WriteFileBytes(exe_, test::MakeSetupPackage(spec_));
        ChildProcess silent;
        std::vector<std::string> args = {"/S"};
        if (asked)
            args.push_back("/WALLPAPER");
        ASSERT_TRUE(silent.Start(exe_, args, dir_.path()));
        DWORD code = 0xDEAD;
        ASSERT_TRUE(silent.Wait(30000, &code));
        EXPECT_EQ(code, 0u);
        if (!asked) {
            EXPECT_EQ(liveWallpaper(3000), nullptr) << "a live wallpaper nobody asked for";
            EXPECT_EQ(LogonCommand(), "");
            continue;
        }
        EXPECT_NE(liveWallpaper(30000), nullptr) << "no live wallpaper after /S /WALLPAPER";
        EXPECT_TRUE(EqualsNoCase(LogonCommand(), logon)) << LogonCommand();
        EXPECT_TRUE(StopLiveWallpaper(player));
    }
    for (const std::string& call : system_->Calls())
        EXPECT_EQ(call.find("SetWallpaper"), std::string::npos) << call;
}

// Unattended installs: /S shows no window at all and answers an exit code.
class SilentInstall : public SetupWizard {
  protected:
    // Runs the installer with args, watching for any window it shows.
    DWORD RunSilently(const test::Bytes& installer, const std::vector<std::string>& args) {
        exe_ = dir_ / "Get the wallpaper now.exe";
        test::WriteFileBytes(exe_, installer);
        child_ = std::make_unique<ChildProcess>();
        EXPECT_TRUE(child_->Start(exe_, args, dir_.path()));
        DWORD code = 0xDEAD;
        while (!child_->Wait(50, &code)) {
            for (const test::WindowInfo& w : test::TopWindowsOf(child_->pid()))
                windows_.push_back(w.title);
        }
        return code;
    }
    std::vector<std::string> windows_;
};

TEST_F(SilentInstall, InstallsWithoutAWindowLogsEachFileAndMakesTheShortcuts) {
    const std::string log = dir_ / "install.log";
    EXPECT_EQ(RunSilently(test::MakeSetupPackage(spec_), {"/S", "/LOG=" + log}), 0u);
    EXPECT_TRUE(windows_.empty()) << windows_.front();
    ExpectInstalledFiles();
    std::string expected = WallpaperFolder() + name_ + ".htm\r\n";
    for (int slot = 1; slot < 7; ++slot)
        expected += Folder() + spec_.slots[slot].name + "\r\n";
    for (const auto& extra : spec_.extras)
        expected += Folder() + extra.name + "\r\n";
    EXPECT_EQ(test::ReadFileText(log), expected);
    // The wizard's default tasks, without starting the player.
    test::ShortcutInfo link;
    ASSERT_TRUE(test::ReadShortcut(DesktopLink(), &link));
    EXPECT_EQ(link.target, Folder() + name_ + ".exe");
    EXPECT_TRUE(test::PathExists(QuickLaunchLink()));
    EXPECT_EQ(test::WaitForAnyWindow(name_, 2000), nullptr) << "a player was started";
}

TEST_F(SilentInstall, EachFailureHasItsOwnExitCodeAndWritesNothing) {
    const auto before = test::ListFolder(WallpaperFolder());
    EXPECT_EQ(RunSilently(spec_.stub, {"/s"}), 1u) << "a bare stub is no setup file";
    test::SetupPackageRecipe hostile = spec_;
    hostile.extras[0].name = "..\\..\\evil.txt";
    EXPECT_EQ(RunSilently(test::MakeSetupPackage(hostile), {"/S"}), 1u);
    EXPECT_EQ(RunSilently(test::MakeSetupPackage(spec_), {"/S", "/LOG=" + dir_ / "no\\such.log"}),
              4u)
        << "a log that cannot be written stops the install before it starts";
    EXPECT_TRUE(windows_.empty());
    EXPECT_EQ(test::ListFolder(WallpaperFolder()), before);

    UseName("Odd?" + UniqueSuffix());
    EXPECT_EQ(RunSilently(test::MakeSetupPackage(spec_), {"/S"}), 2u)
        << "the wallpaper's folder cannot be made";
    EXPECT_TRUE(windows_.empty());
    EXPECT_EQ(test::ListFolder(WallpaperFolder()), before);
}

// What an install touches and an uninstall must put back: the files under the
// Windows folder's Web\, the desktop, the profile's Quick Launch folder and
// those above it, the user's Uninstall and Run keys, and the desktop
// wallpaper.
// Each file by its bytes; a key by its values' types and bytes.
using Snapshot = std::map<std::string, std::string>;

void SnapshotFolder(const std::string& root, Snapshot* shot) {
    std::error_code ec;
    (*shot)[root] = std::filesystem::is_directory(root, ec) ? "<folder>" : "<absent>";
    for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        const std::string path = it->path().string();
        if (it->is_directory(ec)) {
            (*shot)[path] = "<folder>";
        } else {
            // Its size and a hash: a failure prints the snapshot whole.
            const test::Bytes bytes = test::ReadFileBytes(path);
            (*shot)[path] =
                std::to_string(bytes.size()) + " bytes, hash " +
                std::to_string(std::hash<std::string>()(std::string(bytes.begin(), bytes.end())));
        }
    }
}

// An absent key and an empty one read alike: the system may keep either.
void SnapshotKey(HKEY parent, const std::string& path, Snapshot* shot) {
    HKEY key;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    char name[512];
    BYTE data[4096];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) !=
            ERROR_SUCCESS)
            break;
        (*shot)[path + "|" + name] =
            std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), dataSize);
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        subkeys.push_back(name);
    }
    RegCloseKey(key);
    for (const std::string& sub : subkeys) {
        (*shot)[path + "\\" + sub] = "<key>";
        SnapshotKey(parent, path + "\\" + sub, shot);
    }
}

std::string RegistryText(const std::string& keyPath, const char* value) {
    char data[1024] = "";
    DWORD size = sizeof data - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, keyPath.c_str(), value, RRF_RT_REG_SZ, nullptr, data,
                     &size) != ERROR_SUCCESS)
        return "<none>";
    return data;
}

DWORD RegistryNumber(const std::string& keyPath, const char* value) {
    DWORD data = 0xDEAD, size = sizeof data;
    RegGetValueA(HKEY_CURRENT_USER, keyPath.c_str(), value, RRF_RT_REG_DWORD, nullptr, &data,
                 &size);
    return data;
}

class Uninstall : public SilentInstall {
  protected:
    void SetUp() override {
        SilentInstall::SetUp();
        spec_.publisherName = "Tide Works";
    }
    Snapshot Take() const {
        Snapshot shot;
        SnapshotFolder(FolderOfPath(WithoutTrailingSeparator(WallpaperFolder())), &shot);
        SnapshotFolder(dir_ / "Desktop", &shot);
        std::string appData = QuickLaunchFolder();
        for (int up = 0; up < 3; ++up)
            appData = FolderOfPath(WithoutTrailingSeparator(appData));
        // Only the levels an install may make: Wine links other profile
        // folders to the host's home.
        shot[appData + "Microsoft"] = FolderExists(appData + "Microsoft") ? "<folder>" : "<absent>";
        SnapshotFolder(appData + "Microsoft\\Internet Explorer", &shot);
        SnapshotKey(HKEY_CURRENT_USER, kUninstallKeyPath, &shot);
        SnapshotKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", &shot);
        shot["<desktop wallpaper>"] = CurrentDesktopWallpaper();
        return shot;
    }
    std::string Player() const { return Folder() + name_ + ".exe"; }
    std::string Entry() const {
        return std::string(kUninstallKeyPath) + "\\" + UninstallEntryName(name_);
    }
    void Install() {
        ASSERT_EQ(RunSilently(test::MakeSetupPackage(spec_), {"/S"}), 0u);
        ASSERT_TRUE(test::PathExists(Folder() + kInstallRecordName));
    }
    // Runs the installed player's /uninstall with args, watching for windows.
    DWORD RunUninstall(const std::vector<std::string>& args) {
        ChildProcess remover;
        EXPECT_TRUE(remover.Start(Player(), args, dir_.path()));
        DWORD code = 0xDEAD;
        while (!remover.Wait(50, &code)) {
            for (const test::WindowInfo& w : test::TopWindowsOf(remover.pid()))
                windows_.push_back(w.title);
        }
        return code;
    }
    // The copy in the temporary folder deletes the player once it has ended.
    bool WaitForPlayerGone() {
        for (DWORD start = GetTickCount(); GetTickCount() - start < 30000; Sleep(100)) {
            if (!test::PathExists(Player()) && !test::PathExists(Folder() + kInstallRecordName))
                return true;
        }
        return false;
    }
    // A page and movie the player plays, for the live wallpaper.
    void UsePlayableMovie() {
        const std::string movie = dir_ / "wave.swf";
        const std::string writer =
            "\"\"" + BinFolder() + "make_sample_movie.exe\" \"" + movie + "\"\"";
        ASSERT_EQ(std::system(writer.c_str()), 0);
        const std::string page = "<html><body><embed src=\"" + name_ +
                                 "/wave.swf\" width=\"100%\" height=\"100%\"></body></html>";
        spec_.slots[0].data.assign(page.begin(), page.end());
        spec_.slots[1].data = test::ReadFileBytes(movie);
    }
};

// An install, its live wallpaper running as at logon, then an uninstall:
// every file, key and shortcut is as it was, and the live wallpaper ended.
TEST_F(Uninstall, PutsBackEverythingTheInstallChanged) {
    UsePlayableMovie();
    const Snapshot before = Take();
    Install();
    EXPECT_EQ(RegistryText(Entry(), "DisplayName"), name_);
    EXPECT_EQ(RegistryText(Entry(), "Publisher"), "Tide Works");
    EXPECT_EQ(RegistryText(Entry(), "DisplayIcon"), Player());
    EXPECT_EQ(RegistryText(Entry(), "InstallLocation"), WithoutTrailingSeparator(Folder()));
    EXPECT_EQ(RegistryText(Entry(), "UninstallString"), "\"" + Player() + "\" /uninstall");
    EXPECT_EQ(RegistryText(Entry(), "QuietUninstallString"), "\"" + Player() + "\" /uninstall /S");
    EXPECT_EQ(RegistryNumber(Entry(), "NoModify"), 1u);
    EXPECT_EQ(RegistryNumber(Entry(), "NoRepair"), 1u);
    const DWORD kib = RegistryNumber(Entry(), "EstimatedSize");
    EXPECT_GE(kib, static_cast<DWORD>(spec_.slots[6].data.size() / 1024));
    EXPECT_LT(kib, 0xDEADu);
    ASSERT_TRUE(RegisterAtLogon(Player()));
    ChildProcess live;
    ASSERT_TRUE(live.Start(Player(), {"/wallpaper"}));
    for (DWORD start = GetTickCount();
         !FindWindowA(player::kWallpaperWindowClass, nullptr) && GetTickCount() - start < 30000;
         Sleep(50)) {
    }
    ASSERT_NE(FindWindowA(player::kWallpaperWindowClass, nullptr), nullptr);

    EXPECT_EQ(RunUninstall({"/uninstall", "/S"}), 0u);
    EXPECT_TRUE(windows_.empty()) << windows_.front();
    EXPECT_TRUE(live.Wait(10000)) << "the live wallpaper still runs";
    EXPECT_EQ(LogonCommand(), "");
    ASSERT_TRUE(WaitForPlayerGone());
    const Snapshot after = Take();
    for (const auto& [path, content] : after) {
        if (!before.count(path))
            ADD_FAILURE() << "left behind: " << path;
    }
    for (const auto& [path, content] : before) {
        auto found = after.find(path);
        if (found == after.end())
            ADD_FAILURE() << "removed: " << path;
        else if (found->second != content)
            ADD_FAILURE() << "changed: " << path;
    }
}

TEST_F(Uninstall, AUsersOwnFileAndItsFolderStay) {
    Install();
    const std::string own = Folder() + "my notes.txt";
    test::WriteFileText(own, "mine");
    EXPECT_EQ(RunUninstall({"/uninstall", "/S"}), 0u);
    ASSERT_TRUE(WaitForPlayerGone());
    EXPECT_EQ(test::ListFolder(Folder()), std::vector<std::string>{"my notes.txt"});
    EXPECT_EQ(test::ReadFileText(own), "mine");
    EXPECT_FALSE(test::PathExists(WallpaperFolder() + name_ + ".htm"));
    EXPECT_EQ(RegistryText(Entry(), "DisplayName"), "<none>");
}

// Each way an uninstall can stop says so by its exit code, and a second run
// finishes what the first left: a file held open, a half-removed install.
TEST_F(Uninstall, ExitCodesAndASecondTry) {
    Install();
    const Snapshot installed = Take();
    const std::string record = Folder() + kInstallRecordName;
    const test::Bytes recordBytes = test::ReadFileBytes(record);

    const struct {
        const char* what;
        std::string recordText; // empty: the install's own
        DWORD code;
    } refused[] = {
        {"no record", "<delete>", 1},
        {"a stranger's file", "hello\r\n", 1},
        {"a path that climbs out", "Wallweaver install record 1\r\nname=x\r\nfile=C:\\a\\..\\b\r\n",
         1},
        {"a relative path", "Wallweaver install record 1\r\nname=x\r\nfile=b.txt\r\n", 1},
        {"an unknown line", "Wallweaver install record 1\r\nname=x\r\nrun=calc\r\n", 1},
        {"a file no install writes",
         "Wallweaver install record 1\r\nname=x\r\nfile=" + WallpaperFolder() + "..\\win.ini\r\n",
         1},
        {"a file outside the wallpaper folder",
         "Wallweaver install record 1\r\nname=x\r\nfile=C:\\windows\\win.ini\r\n", 1},
        {"a shortcut that is no shortcut",
         "Wallweaver install record 1\r\nname=x\r\nshortcut=C:\\windows\\win.ini\r\n", 1},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.what);
        if (r.recordText == "<delete>")
            DeleteFileA(record.c_str());
        else
            test::WriteFileText(record, r.recordText);
        EXPECT_EQ(RunUninstall({"/uninstall", "/S"}), r.code);
        test::WriteFileBytes(record, recordBytes);
        EXPECT_EQ(Take(), installed) << "a refused uninstall touched something";
    }
    EXPECT_TRUE(windows_.empty());

    // A file held open stays; the entry and the record stay with it.
    const std::string held = Folder() + "notes.txt";
    HANDLE open = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);
    EXPECT_EQ(RunUninstall({"/uninstall", "/S"}), 2u);
    CloseHandle(open);
    EXPECT_TRUE(test::PathExists(held));
    EXPECT_TRUE(test::PathExists(record));
    EXPECT_EQ(RegistryText(Entry(), "DisplayName"), name_);
    EXPECT_FALSE(test::PathExists(WallpaperFolder() + name_ + ".htm"));
    EXPECT_FALSE(test::PathExists(DesktopLink()));

    // The second run removes what is left, and the entry.
    EXPECT_EQ(RunUninstall({"/uninstall", "/S"}), 0u);
    ASSERT_TRUE(WaitForPlayerGone());
    EXPECT_FALSE(test::PathExists(Folder()));
    EXPECT_EQ(RegistryText(Entry(), "DisplayName"), "<none>");
}

// Asked first; No changes nothing, Yes removes and says so.
TEST_F(Uninstall, AsksBeforeRemovingAndSaysWhenDone) {
    Install();
    const Snapshot installed = Take();
    ChildProcess no;
    ASSERT_TRUE(no.Start(Player(), {"/uninstall"}, dir_.path()));
    test::SeenBox question = AnswerNextBox(no.pid(), name_ + " Uninstall", IDNO);
    EXPECT_EQ(question.text, "Do you want to remove " + name_ + " and all of its files?");
    DWORD code = 0xDEAD;
    ASSERT_TRUE(no.Wait(20000, &code));
    EXPECT_EQ(code, 3u);
    EXPECT_EQ(Take(), installed);

    ChildProcess yes;
    ASSERT_TRUE(yes.Start(Player(), {"/uninstall"}, dir_.path()));
    AnswerNextBox(yes.pid(), name_ + " Uninstall", IDYES);
    test::SeenBox done = AnswerNextBox(yes.pid(), name_ + " Uninstall", IDOK);
    EXPECT_EQ(done.text, name_ + " was removed from your computer.");
    ASSERT_TRUE(yes.Wait(20000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(WaitForPlayerGone());
}

} // namespace
} // namespace ww
