// Wovenlite run as a person runs it: a copy with a package, started from
// another folder under another name, its boxes answered from outside.
#include "common/fs.h"
#include "common/package_format.h"
#include "common/path.h"
#include "common/win32/uninstall.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_builder.h"
#include "tests/support/pe_signature.h"
#include "tests/support/swf_writer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32_active_desktop.h"
#include "tests/support/win32_driver.h"
#include "tests/support/win32_frames.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace ww {
namespace {

using test::AnswerNextBox;
using test::ChildProcess;
using test::TempDir;

std::string BinFolder() {
    return FolderOfPath(ModuleFilePath());
}

std::string WallpaperFolder() {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    return std::string(windows) + "\\Web\\Wallpaper\\";
}

class SimpleInstaller : public ::testing::Test {
  protected:
    void SetUp() override {
        name_ = "Lite " + UniqueSuffix();
        spec_ = test::SampleSimpleRecipe();
        spec_.stub = test::ReadFileBytes(BinFolder() + "Wovenlite.exe");
        spec_.wallpaperName = name_;
        spec_.page.name = name_ + ".htm";
        spec_.extras = {{"notes.txt", test::PatternBytes(77, 4), -1}};
    }
    void TearDown() override {
        RemoveUninstallEntry(name_);
        std::error_code ec;
        std::filesystem::remove_all(WallpaperFolder() + name_, ec);
        std::filesystem::remove(WallpaperFolder() + name_ + ".htm", ec);
    }
    // Writes the installer under an unusual name and starts it.
    void Start(const test::Bytes& installer) {
        exe_ = dir_ / "Get the wallpaper now.exe";
        test::WriteFileBytes(exe_, installer);
        ASSERT_TRUE(child_.Start(exe_, {}, dir_.path()));
    }
    void ExpectEnded() { EXPECT_TRUE(child_.Wait(20000)) << "the installer did not end"; }
    std::string Folder() const { return WallpaperFolder() + name_ + "\\"; }

    TempDir dir_;
    std::string name_;
    std::string exe_;
    test::SimplePackageRecipe spec_;
    ChildProcess child_;
};

TEST_F(SimpleInstaller, InstallsAndAppliesThePage) {
    test::ActiveDesktopRecorder desktop(dir_ / "desktop.log");
    ASSERT_TRUE(desktop.registered());
    test::BoxLog boxes(dir_ / "boxes.log");
    Start(test::MakeSimplePackage(spec_));
    auto first = AnswerNextBox(child_.pid(), "Setup", IDYES);
    ASSERT_TRUE(first.found);
    EXPECT_EQ(first.text, "Do you want to install " + name_ + "?");
    auto second = AnswerNextBox(child_.pid(), "Setup", IDYES);
    EXPECT_EQ(second.text, "Install success! do your want to set it as current desktop?");
    ExpectEnded();

    EXPECT_EQ(test::ReadFileBytes(WallpaperFolder() + name_ + ".htm"), spec_.page.data);
    EXPECT_EQ(test::ReadFileBytes(Folder() + "wave.swf"), spec_.movie.data);
    EXPECT_EQ(test::ReadFileBytes(Folder() + "display1.bmp"), spec_.image.data);
    EXPECT_EQ(test::ReadFileBytes(Folder() + "notes.txt"), spec_.extras[0].data);

    auto shown = boxes.Read();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].flags, UINT(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(shown[1].flags, UINT(MB_YESNO | MB_ICONQUESTION));

    // The long-lived object, then one more for the change; the options call
    // follows only when the desktop-HTML setting is off, as it is here.
    std::vector<std::string> calls = desktop.Calls();
    const std::vector<std::string> expected = {
        "Create",
        "Create",
        "SetWallpaper " + WallpaperFolder() + name_ + ".htm 0",
        "ApplyChanges 7",
        "SetDesktopItemOptions 12 1 1",
        "ApplyChanges 4",
        "Release",
        "Release",
    };
    EXPECT_EQ(calls, expected);
}

TEST_F(SimpleInstaller, NoToTheFirstQuestionTouchesNothing) {
    Start(test::MakeSimplePackage(spec_));
    EXPECT_TRUE(AnswerNextBox(child_.pid(), "Setup", IDNO).found);
    ExpectEnded();
    EXPECT_FALSE(test::PathExists(Folder()));
    EXPECT_FALSE(test::PathExists(WallpaperFolder() + name_ + ".htm"));
}

TEST_F(SimpleInstaller, NoToTheSecondLeavesFilesAndDesktopAlone) {
    test::ActiveDesktopRecorder desktop(dir_ / "desktop.log");
    Start(test::MakeSimplePackage(spec_));
    EXPECT_TRUE(AnswerNextBox(child_.pid(), "Setup", IDYES).found);
    EXPECT_TRUE(AnswerNextBox(child_.pid(), "Setup", IDNO).found);
    ExpectEnded();
    EXPECT_TRUE(test::PathExists(Folder() + "wave.swf"));
    for (const std::string& call : desktop.Calls())
        EXPECT_EQ(call.find("SetWallpaper"), std::string::npos) << call;
}

TEST_F(SimpleInstaller, ReinstallOverwritesWithoutAsking) {
    ASSERT_TRUE(CreateFolder(WallpaperFolder()) || IsExistingFolder(WallpaperFolder()));
    ASSERT_TRUE(CreateFolder(Folder()));
    test::WriteFileBytes(Folder() + "wave.swf", {1, 2, 3});
    spec_.extras.clear();
    Start(test::MakeSimplePackage(spec_));
    EXPECT_TRUE(AnswerNextBox(child_.pid(), "Setup", IDYES).found);
    EXPECT_TRUE(AnswerNextBox(child_.pid(), "Setup", IDNO).found);
    ExpectEnded();
    EXPECT_EQ(test::ReadFileBytes(Folder() + "wave.swf"), spec_.movie.data);
    EXPECT_EQ(test::ListFolder(Folder()), (std::vector<std::string>{"display1.bmp", "uninstall.exe",
                                                                    "uninstall.wwr", "wave.swf"}));
}

TEST_F(SimpleInstaller, AFolderThatCannotBeCreatedGivesBothMessages) {
    name_ = "Bad?Name";
    spec_.wallpaperName = name_;
    test::BoxLog boxes(dir_ / "boxes.log");
    Start(test::MakeSimplePackage(spec_));
    EXPECT_TRUE(AnswerNextBox(child_.pid(), "Setup", IDYES).found);
    EXPECT_EQ(AnswerNextBox(child_.pid(), "Setup", IDOK).text,
              "Can not create director to install!");
    EXPECT_EQ(AnswerNextBox(child_.pid(), "Setup", IDOK).text,
              "Can not extra files to continue install!");
    ExpectEnded();
    auto shown = boxes.Read();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[1].flags, UINT(MB_OK | MB_ICONERROR));
    EXPECT_EQ(shown[2].flags, UINT(MB_OK | MB_ICONERROR));
}

TEST_F(SimpleInstaller, AHostilePackageWritesNothing) {
    spec_.extras = {{"..\\..\\evil.txt", {1, 2}, -1}};
    Start(test::MakeSimplePackage(spec_));
    EXPECT_TRUE(AnswerNextBox(child_.pid(), "Setup", IDYES).found);
    EXPECT_EQ(AnswerNextBox(child_.pid(), "Setup", IDOK).text,
              "Can not extra files to continue install!");
    ExpectEnded();
    EXPECT_FALSE(test::PathExists(Folder()));
    EXPECT_FALSE(test::PathExists(WallpaperFolder() + name_ + ".htm"));
}

TEST_F(SimpleInstaller, ATruncatedCopyIsNotASetupFile) {
    test::Bytes installer = test::MakeSimplePackage(spec_);
    installer.pop_back();
    Start(installer);
    EXPECT_EQ(AnswerNextBox(child_.pid(), "Setup", IDOK).text,
              "This file is not a standard setup file!");
    ExpectEnded();
    EXPECT_FALSE(test::PathExists(Folder()));
}

TEST_F(SimpleInstaller, ASignedCopyInstalls) {
    Start(test::WithCertificateTable(test::MakeSimplePackage(spec_)));
    auto first = AnswerNextBox(child_.pid(), "Setup", IDYES);
    EXPECT_EQ(first.text, "Do you want to install " + name_ + "?");
    EXPECT_TRUE(AnswerNextBox(child_.pid(), "Setup", IDNO).found);
    ExpectEnded();
    EXPECT_EQ(test::ReadFileBytes(Folder() + "wave.swf"), spec_.movie.data);
    EXPECT_EQ(test::ReadFileBytes(Folder() + "notes.txt"), spec_.extras[0].data);
}

// A package built on Linux stores its names in UTF-8. Where the installer's
// code page is UTF-8 (its manifest asks for it) the bytes are taken as they
// stand; elsewhere (Wine ignores that setting) the installer re-encodes them
// into the code page. Either way accented names reach the disk intact, and a
// name the code page cannot hold is refused, naming it, with nothing written.
// Checked through wide paths, whatever this test program's code page.
TEST_F(SimpleInstaller, NamesInUtf8InstallIntactOrAreRefusedUpFront) {
    namespace fs = std::filesystem;
    const fs::path root = fs::path(WallpaperFolder());
    auto read = [](const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return test::Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    auto install = [&](const std::string& wallpaper, const std::vector<std::string>& extras) {
        spec_.wallpaperName = wallpaper;
        spec_.page.name = wallpaper + ".htm";
        spec_.extras.clear();
        for (size_t i = 0; i < extras.size(); ++i)
            spec_.extras.push_back({extras[i], test::PatternBytes(30 + i, uint8_t(i)), -1});
        Start(test::MakeSimplePackage(spec_));
        const auto first = AnswerNextBox(child_.pid(), "Setup", IDYES);
        if (first.text.rfind("Do you want to install ", 0) == 0) {
            EXPECT_EQ(AnswerNextBox(child_.pid(), "Setup", IDNO).text,
                      "Install success! do your want to set it as current desktop?");
        }
        ExpectEnded();
        const fs::path folder = root / fs::u8path(wallpaper);
        const bool installed = fs::exists(root / fs::u8path(wallpaper + ".htm"));
        if (installed) {
            EXPECT_EQ(read(root / fs::u8path(wallpaper + ".htm")), spec_.page.data);
            EXPECT_EQ(read(folder / "wave.swf"), spec_.movie.data);
            for (size_t i = 0; i < extras.size(); ++i)
                EXPECT_EQ(read(folder / fs::u8path(extras[i])), spec_.extras[i].data) << i;
        } else {
            EXPECT_NE(first.text.find("cannot hold"), std::string::npos) << first.text;
            EXPECT_FALSE(fs::exists(folder));
        }
        std::error_code ec;
        fs::remove_all(folder, ec);
        fs::remove(root / fs::u8path(wallpaper + ".htm"), ec);
        return installed;
    };
    EXPECT_TRUE(install("Oc\xC3\xA9"
                        "an " +
                            name_,
                        {"caf\xC3\xA9.txt", "na\xC3\xAFve.txt"}));
    const bool utf8 = install("\xE6\xB5\xB7 \xF0\x9F\x8C\x8A " + name_,
                              {"\xE6\xB5\xB7\xE8\xBE\xB9.txt", "\xF0\x9F\x8C\x8A.txt"});
    if (!utf8)
        std::cout << "this system keeps its own code page: Chinese and emoji names refused\n";
}

} // namespace
} // namespace ww

namespace ww {
namespace {

// /S: no question, no window; the files, the log and the wallpaper applied as
// the default answers do; an exit code per failure.
TEST_F(SimpleInstaller, SilentlyInstallsAppliesAndLogsOrSaysWhyNotByItsExitCode) {
    test::ActiveDesktopRecorder desktop(dir_ / "desktop.log");
    ASSERT_TRUE(desktop.registered());
    auto run = [&](const test::Bytes& installer, const std::vector<std::string>& args) {
        exe_ = dir_ / "Get the wallpaper now.exe";
        test::WriteFileBytes(exe_, installer);
        ChildProcess child;
        EXPECT_TRUE(child.Start(exe_, args, dir_.path()));
        DWORD code = 0xDEAD;
        for (const DWORD start = GetTickCount(); !child.Wait(50, &code);) {
            EXPECT_TRUE(test::TopWindowsOf(child.pid()).empty()) << "a window appeared";
            // A wizard waiting for answers would never end by itself.
            if (GetTickCount() - start > 60000) {
                child.Kill();
                break;
            }
        }
        return code;
    };
    const std::string log = dir_ / "install.log";
    // Written together, as some deployment scripts do, the switches still
    // install without a window.
    EXPECT_EQ(run(test::MakeSimplePackage(spec_), {"/S/LOG=" + log}), 0u);
    EXPECT_TRUE(test::PathExists(log));
    RemoveFile(log);
    EXPECT_EQ(run(test::MakeSimplePackage(spec_), {"/S", "/LOG=" + log}), 0u);
    EXPECT_EQ(test::ReadFileBytes(WallpaperFolder() + name_ + ".htm"), spec_.page.data);
    EXPECT_EQ(test::ReadFileBytes(Folder() + "notes.txt"), spec_.extras[0].data);
    EXPECT_EQ(test::ReadFileText(log), WallpaperFolder() + name_ + ".htm\r\n" + Folder() +
                                           "wave.swf\r\n" + Folder() + "display1.bmp\r\n" +
                                           Folder() + "notes.txt\r\n");
    const std::vector<std::string> calls = desktop.Calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(),
                        "SetWallpaper " + WallpaperFolder() + name_ + ".htm 0"),
              calls.end());

    EXPECT_EQ(run(spec_.stub, {"/S"}), 1u);
    EXPECT_EQ(run(test::MakeSimplePackage(spec_), {"/S", "/LOG=" + dir_ / "no\\such.log"}), 4u);
    name_ = "Odd?" + UniqueSuffix();
    spec_.wallpaperName = name_;
    spec_.page.name = name_ + ".htm";
    EXPECT_EQ(run(test::MakeSimplePackage(spec_), {"/S"}), 2u);
    EXPECT_FALSE(test::PathExists(WallpaperFolder() + name_ + ".htm"));
}

// The desktop wallpaper the system keeps in the profile, put back afterwards.
class SavedDesktopWallpaper {
  public:
    SavedDesktopWallpaper() { SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, saved_, 0); }
    ~SavedDesktopWallpaper() {
        SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, saved_, SPIF_UPDATEINIFILE);
    }
    static std::string Current() {
        char key[MAX_PATH] = "";
        HKEY desktop;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE,
                          &desktop) != ERROR_SUCCESS)
            return std::string();
        DWORD type = 0, bytes = sizeof key - 1;
        RegQueryValueExA(desktop, "Wallpaper", nullptr, &type, reinterpret_cast<BYTE*>(key),
                         &bytes);
        RegCloseKey(desktop);
        return key;
    }

  private:
    char saved_[MAX_PATH] = "";
};

// Without a page wallpaper and without a player to play the movie, the
// installer makes the display image the wallpaper, asked or silent.
TEST_F(SimpleInstaller, OnACurrentSystemTheDisplayImageBecomesTheWallpaper) {
    test::ActiveDesktopRecorder desktop(dir_ / "desktop.log", test::DesktopSystem::Current);
    SavedDesktopWallpaper saved;
    Start(test::MakeSimplePackage(spec_));
    EXPECT_TRUE(AnswerNextBox(child_.pid(), "Setup", IDYES).found);
    auto second = AnswerNextBox(child_.pid(), "Setup", IDYES);
    EXPECT_EQ(second.text, "Install success! do your want to set it as current desktop?");
    ExpectEnded();
    EXPECT_EQ(test::ReadFileBytes(WallpaperFolder() + name_ + ".htm"), spec_.page.data);
    EXPECT_TRUE(EqualsNoCase(SavedDesktopWallpaper::Current(), Folder() + "display1.bmp"))
        << SavedDesktopWallpaper::Current();

    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(""), SPIF_UPDATEINIFILE);
    exe_ = dir_ / "Silent.exe";
    test::WriteFileBytes(exe_, test::MakeSimplePackage(spec_));
    ChildProcess silent;
    ASSERT_TRUE(silent.Start(exe_, {"/S"}, dir_.path()));
    DWORD code = 0xDEAD;
    ASSERT_TRUE(silent.Wait(20000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(EqualsNoCase(SavedDesktopWallpaper::Current(), Folder() + "display1.bmp"))
        << SavedDesktopWallpaper::Current();
    for (const std::string& call : desktop.Calls())
        EXPECT_EQ(call.find("SetWallpaper"), std::string::npos) << call;
}

// The start of a PNG file: its signature and a header chunk claiming a
// width x height RGB picture, with no pixel data after it.
test::Bytes PngHeadOnly(uint32_t width, uint32_t height) {
    test::Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                       0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    for (uint32_t v : {width, height})
        for (int shift : {24, 16, 8, 0})
            png.push_back(static_cast<uint8_t>(v >> shift));
    for (uint8_t b : {8, 2, 0, 0, 0, 0, 0, 0, 0}) // depth, RGB, methods; no checksum
        png.push_back(b);
    return png;
}

// A still the system cannot decode leaves the desktop as it was, with no
// bitmap and no temporary file beside the installed files.
TEST_F(SimpleInstaller, AStillThatCannotBeDecodedLeavesTheDesktopAlone) {
    test::ActiveDesktopRecorder desktop(dir_ / "desktop.log", test::DesktopSystem::Current);
    SavedDesktopWallpaper saved;
    const struct {
        const char* what;
        test::Bytes still;
    } cases[] = {
        {"not a picture", test::PatternBytes(5000, 3)},
        {"cut after its header", PngHeadOnly(1920, 1080)},
        {"larger than any screen", PngHeadOnly(100000, 100000)},
        {"empty", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(""), SPIF_UPDATEINIFILE);
        spec_.image = {kMovieStillName, c.still, -1};
        exe_ = dir_ / "Silent.exe";
        test::WriteFileBytes(exe_, test::MakeSimplePackage(spec_));
        ChildProcess silent;
        ASSERT_TRUE(silent.Start(exe_, {"/S", "/LOG=" + (dir_ / "install.log")}, dir_.path()));
        DWORD code = 0xDEAD;
        ASSERT_TRUE(silent.Wait(20000, &code));
        EXPECT_EQ(code, 0u);
        EXPECT_EQ(SavedDesktopWallpaper::Current(), "");
        EXPECT_EQ(test::ReadFileBytes(Folder() + kMovieStillName), c.still);
        EXPECT_FALSE(test::PathExists(Folder() + kMovieStillBitmapName));
        for (const auto& entry : std::filesystem::directory_iterator(Folder()))
            EXPECT_EQ(entry.path().extension().string().find("tmp"), std::string::npos)
                << entry.path().string();
        const std::string log = test::ReadFileText(dir_ / "install.log");
        EXPECT_EQ(log.find(kMovieStillBitmapName), std::string::npos) << log;
    }
    for (const std::string& call : desktop.Calls())
        EXPECT_EQ(call.find("SetWallpaper"), std::string::npos) << "the page was set: " << call;
}

// The remover the install leaves is the bare stub: /uninstall /S takes away
// every file, the entry, and gives the desktop its wallpaper back.
TEST_F(SimpleInstaller, TheRemoverTakesEverythingAwayAndRestoresTheWallpaper) {
    test::ActiveDesktopRecorder desktop(dir_ / "desktop.log");
    SavedDesktopWallpaper saved;
    const std::string previous = dir_ / "previous.bmp";
    test::WriteFileBytes(previous, spec_.image.data);
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(previous.c_str()),
                          SPIF_UPDATEINIFILE);
    const auto before = test::ListFolder(WallpaperFolder());
    const std::string entry = std::string(kUninstallKeyPath) + "\\" + UninstallEntryName(name_);

    exe_ = dir_ / "Silent.exe";
    test::WriteFileBytes(exe_, test::MakeSimplePackage(spec_));
    ChildProcess silent;
    ASSERT_TRUE(silent.Start(exe_, {"/S"}, dir_.path()));
    DWORD code = 0xDEAD;
    ASSERT_TRUE(silent.Wait(20000, &code));
    ASSERT_EQ(code, 0u);
    const std::string remover = Folder() + "uninstall.exe";
    EXPECT_EQ(test::ReadFileBytes(remover), spec_.stub) << "the remover is the stub alone";
    char command[1024] = "";
    DWORD size = sizeof command;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, entry.c_str(), "QuietUninstallString", RRF_RT_REG_SZ,
                           nullptr, command, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(command), "\"" + remover + "\" /uninstall /S");
    // The display image shown, as the installer shows it where no page can
    // be the wallpaper.
    std::string image = Folder() + "display1.bmp";
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, image.data(), SPIF_UPDATEINIFILE);

    ChildProcess uninstall;
    ASSERT_TRUE(uninstall.Start(remover, {"/uninstall", "/S"}, dir_.path()));
    ASSERT_TRUE(uninstall.Wait(20000, &code));
    EXPECT_EQ(code, 0u);
    for (DWORD start = GetTickCount(); test::PathExists(Folder()) && GetTickCount() - start < 30000;
         Sleep(100)) {
    }
    EXPECT_FALSE(test::PathExists(Folder()));
    EXPECT_EQ(test::ListFolder(WallpaperFolder()), before);
    EXPECT_TRUE(EqualsNoCase(SavedDesktopWallpaper::Current(), previous))
        << SavedDesktopWallpaper::Current();
    HKEY key;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, entry.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);

    // Run again where nothing is left to read: nothing to do, said by its code.
    test::WriteFileBytes(dir_ / "uninstall.exe", spec_.stub);
    ChildProcess again;
    ASSERT_TRUE(again.Start(dir_ / "uninstall.exe", {"/uninstall", "/S"}, dir_.path()));
    ASSERT_TRUE(again.Wait(20000, &code));
    EXPECT_EQ(code, 1u);
}

// The sample project built by the command-line builder from the Windows
// build's own folder, then installed as a person would.
TEST(SimpleInstallerEndToEnd, TheSampleBuiltByTheCommandLineInstalls) {
    TempDir dir;
    const std::string sample = std::string(WW_SOURCE_DIR) + "/samples/ocean/";
    const std::string project = dir / "ocean";
    ASSERT_TRUE(CreateFolder(project));
    for (const char* f : {"Ocean.sdf", "readme.txt", "credits.txt"})
        test::WriteFileBytes(project + "\\" + f, test::ReadFileBytes(sample + f));
    test::SwfRecipe movie = test::StageRecipe(false);
    test::WriteFileBytes(project + "\\wave.swf", test::MakeSwf(movie));

    const std::string output = dir / "Ocean Wallpaper.exe";
    ChildProcess cli;
    ASSERT_TRUE(cli.Start(BinFolder() + "wallweaver-cli.exe",
                          {"build-wallpaper", project + "\\Ocean.sdf", "--output", output,
                           "--builder-folder", BinFolder()}));
    DWORD status = 99;
    ASSERT_TRUE(cli.Wait(60000, &status));
    ASSERT_EQ(status, 0u);

    // Run from another folder under another name.
    ASSERT_TRUE(CreateFolder(dir / "downloads"));
    const std::string renamed = dir / "downloads\\ocean-wallpaper-2.exe";
    ASSERT_TRUE(CopyFileA(output.c_str(), renamed.c_str(), FALSE));
    ChildProcess installer;
    ASSERT_TRUE(installer.Start(renamed, {}, dir / "downloads"));
    EXPECT_EQ(AnswerNextBox(installer.pid(), "Setup", IDYES).text, "Do you want to install Ocean?");
    EXPECT_TRUE(AnswerNextBox(installer.pid(), "Setup", IDNO).found);
    EXPECT_TRUE(installer.Wait(20000));

    const std::string installed = WallpaperFolder() + "Ocean\\";
    EXPECT_EQ(test::ReadFileBytes(installed + "wave.swf"), test::MakeSwf(movie));
    EXPECT_EQ(test::ReadFileBytes(installed + "credits.txt"),
              test::ReadFileBytes(sample + "credits.txt"));
    EXPECT_EQ(test::ReadFileBytes(installed + "display1.bmp"),
              test::ReadFileBytes(BinFolder() + "Resource\\display1.bmp"));
    std::string page = test::ReadFileText(WallpaperFolder() + "Ocean.htm");
    EXPECT_NE(page.find("Ocean\\wave.swf"), std::string::npos);
    std::error_code ec;
    std::filesystem::remove_all(installed, ec);
    std::filesystem::remove(WallpaperFolder() + "Ocean.htm", ec);
}

// A 24-bit bottom-up bitmap file's pixels; empty for any other kind.
test::Pixels ReadBitmap(const std::string& path) {
    const test::Bytes b = test::ReadFileBytes(path);
    test::Pixels p;
    auto le32 = [&](size_t at) {
        return static_cast<int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 |
                                    static_cast<uint32_t>(b[at + 3]) << 24);
    };
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || b[28] != 24 || le32(18) <= 0 ||
        le32(22) <= 0)
        return p;
    const int width = le32(18), height = le32(22);
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t(3);
    const size_t pixels = static_cast<uint32_t>(le32(10));
    if (b.size() < pixels || (b.size() - pixels) / stride < static_cast<size_t>(height))
        return p;
    p.width = width;
    p.height = height;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = &b[pixels + (height - 1 - y) * stride];
        for (int x = 0; x < width; ++x)
            p.rgb.insert(p.rgb.end(), {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]});
    }
    return p;
}

// The middle of a picture with the proportions of width x height, scaled to
// that size by nearest pixels.
test::Pixels CoverCut(const test::Pixels& from, int width, int height) {
    const int cutWidth = std::min(from.width, from.height * width / height);
    const int cutHeight = std::min(from.height, from.width * height / width);
    test::Pixels p;
    p.width = width;
    p.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int sx = (from.width - cutWidth) / 2 + x * cutWidth / width;
            const int sy = (from.height - cutHeight) / 2 + y * cutHeight / height;
            const uint8_t* px = &from.rgb[(static_cast<size_t>(sy) * from.width + sx) * 3];
            p.rgb.insert(p.rgb.end(), px, px + 3);
        }
    return p;
}

// Without a display image the wallpaper is a still of the movie's first
// drawing frame: the builder draws it for a 1920 x 1080 screen and the
// installer fits it to this one, keeping its middle.
TEST(SimpleInstallerEndToEnd, WithoutADisplayImageTheWallpaperIsTheMoviesStill) {
    TempDir dir;
    test::ActiveDesktopRecorder desktop(dir / "desktop.log", test::DesktopSystem::Current);
    SavedDesktopWallpaper saved;
    const std::string name = "Still " + UniqueSuffix();
    test::SwfRecipe movie = test::StageRecipe(false);
    movie.frameCount = 2;
    test::PlaceRecipe place;
    place.characterId = 1;
    for (const test::Bytes& tag :
         {test::ShowFrameTag(),
          test::RectangleShapeTag(1, 1, 0, 0, 5500, 8000, test::Solid(255, 0, 0)),
          test::PlaceObject2Tag(place), test::ShowFrameTag()})
        movie.tags.insert(movie.tags.end(), tag.begin(), tag.end());
    test::WriteFileBytes(dir / "red.swf", test::MakeSwf(movie));
    test::WriteFileText(dir / "Still.sdf",
                        "[General]\r\nSwfFilename=red.swf\r\nWallpaperName=" + name +
                            "\r\nDimensions=2\r\nWidth=100\r\nHeight=100\r\n"
                            "BKGroundColor=#1E3C64\r\nScale=0\r\n");
    const std::string output = dir / "Still Wallpaper.exe";
    ChildProcess cli;
    ASSERT_TRUE(cli.Start(BinFolder() + "wallweaver-cli.exe",
                          {"build-wallpaper", dir / "Still.sdf", "--output", output,
                           "--builder-folder", BinFolder()}));
    DWORD status = 99;
    ASSERT_TRUE(cli.Wait(60000, &status));
    ASSERT_EQ(status, 0u);
    for (int frame : {1, 2}) {
        ChildProcess render;
        ASSERT_TRUE(render.Start(BinFolder() + "wallweaver-cli.exe",
                                 {"render", dir / "red.swf",
                                  dir / ("frame" + std::to_string(frame) + ".png"), "--frame",
                                  std::to_string(frame), "--width", "1920", "--height", "1080",
                                  "--background", "#1E3C64"}));
        ASSERT_TRUE(render.Wait(60000, &status));
        ASSERT_EQ(status, 0u);
    }

    ChildProcess installer;
    ASSERT_TRUE(installer.Start(output, {"/S"}, dir.path()));
    ASSERT_TRUE(installer.Wait(20000, &status));
    EXPECT_EQ(status, 0u);
    const std::string folder = WallpaperFolder() + name + "\\";
    // The package carries the still compressed: it was 6.3 MB as a bitmap.
    EXPECT_LT(std::filesystem::file_size(output),
              std::filesystem::file_size(BinFolder() + "Wovenlite.exe") + 160 * 1024);
    const std::string still = folder + kMovieStillBitmapName;
    EXPECT_TRUE(EqualsNoCase(SavedDesktopWallpaper::Current(), still))
        << SavedDesktopWallpaper::Current();
    const test::Pixels shown = ReadBitmap(still);
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(shown.width, width);
    EXPECT_EQ(shown.height, height);
    test::Pixels drawn[2];
    ASSERT_TRUE(test::ReadPng(dir / "frame1.png", &drawn[0]));
    ASSERT_TRUE(test::ReadPng(dir / "frame2.png", &drawn[1]));
    EXPECT_LT(test::MeanDifference(shown, CoverCut(drawn[1], width, height)), 4.0);
    EXPECT_GT(test::MeanDifference(shown, CoverCut(drawn[0], width, height)), 20.0)
        << "the empty first frame is not the still";

    // The remover takes the bitmap made from the still too, and gives the
    // desktop back the wallpaper it had.
    ChildProcess remover;
    ASSERT_TRUE(remover.Start(folder + "uninstall.exe", {"/uninstall", "/S"}, dir.path()));
    ASSERT_TRUE(remover.Wait(20000, &status));
    EXPECT_EQ(status, 0u);
    for (DWORD start = GetTickCount(); test::PathExists(folder) && GetTickCount() - start < 30000;
         Sleep(100)) {
    }
    EXPECT_FALSE(test::PathExists(still));
    EXPECT_FALSE(test::PathExists(folder));
    EXPECT_FALSE(EqualsNoCase(SavedDesktopWallpaper::Current(), still));

    RemoveUninstallEntry(name);
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    std::filesystem::remove(WallpaperFolder() + name + ".htm", ec);
}

} // namespace
} // namespace ww
