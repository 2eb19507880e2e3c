// Runs the built wallweaver-cli build-wallpaper and build-installer over a
// builder folder of stand-in stubs: what the builder window refuses, the
// command line refuses with the same texts, writing nothing anywhere.
#include "common/fs.h"
#include "common/package_reader.h"
#include "common/path.h"
#include "tests/support/cli_runner.h"
#include "tests/support/fixtures.h"
#include "tests/support/swf_writer.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace ww {
namespace {

using test::CliResult;
using test::ListFolder;
using test::PatternBytes;
using test::ReadFileBytes;
using test::RunCli;
using test::TempDir;
using test::WriteFileBytes;
using test::WriteFileText;

const std::string kSep(1, kPathSeparator);

// Every name below the folder, with a trailing separator for folders.
std::vector<std::string> ListTree(const std::string& folder, const std::string& prefix = "") {
    std::vector<std::string> all;
    for (const std::string& name : ListFolder(folder)) {
        const std::string path = folder + kSep + name;
        if (IsExistingFolder(path)) {
            all.push_back(prefix + name + kSep);
            for (const std::string& inner : ListTree(path, prefix + name + kSep))
                all.push_back(inner);
        } else {
            all.push_back(prefix + name);
        }
    }
    return all;
}

class CliBuild : public ::testing::Test {
  protected:
    void SetUp() override {
        builder_ = dir_ / "builder";
        ASSERT_TRUE(CreateFolder(builder_));
        ASSERT_TRUE(CreateFolder(builder_ + kSep + "Resource"));
        WriteFileBytes(builder_ + kSep + "res.sdt",
                       ReadFileBytes(std::string(WW_SOURCE_DIR) + "/data/res.sdt"));
        WriteFileBytes(builder_ + kSep + "Wovenlite.exe", PatternBytes(900, 1));
        WriteFileBytes(builder_ + kSep + "Wovenset.exe", PatternBytes(800, 2));
        WriteFileBytes(builder_ + kSep + "Wovenplay.exe", PatternBytes(700, 3));
        for (const char* image : {"display1.bmp", "left1.bmp", "top1.bmp"})
            WriteFileBytes(builder_ + kSep + "Resource" + kSep + image, PatternBytes(64, 9));
        work_ = dir_ / "work";
        ASSERT_TRUE(CreateFolder(work_));
        WriteFileBytes(work_ + kSep + "wave.swf", test::MakeSwf(test::StageRecipe(false)));
        WriteFileText(work_ + kSep + "notes.txt", "not a movie");
        WriteFileText(work_ + kSep + "fake.swf", "not a movie either");
        WriteFileText(work_ + kSep + "readme.txt", "Hi");
        WriteFileText(work_ + kSep + "nul.txt", "a device name on Windows");
        WriteFileText(work_ + kSep + "credits.txt", "thanks");
        // Elsewhere: on Windows it would be the movie itself.
        ASSERT_TRUE(CreateFolder(work_ + kSep + "other"));
        WriteFileText(work_ + kSep + "other" + kSep + "WAVE.SWF", "a movie's name in capitals");
        WriteFileText(work_ + kSep + "other" + kSep + "readme.txt", "another readme");
    }

    // A project in the work folder: the sample's keys, with some replaced.
    std::string WriteProject(const std::map<std::string, std::string>& changes) {
        std::map<std::string, std::string> keys = {
            {"SwfFilename", "wave.swf"},
            {"WallpaperName", "Ocean"},
            {"ReadmeFilename", "readme.txt"},
            {"ExtFileCount", "1"},
            {"ExtFileItem0", "credits.txt"},
            {"BKGroundColor", "#1E3C64"},
            {"WovenliteFilename", "Ocean Wallpaper.exe"},
            {"InstallerPackageFilename", "Ocean Setup.exe"},
        };
        for (const auto& change : changes)
            keys[change.first] = change.second;
        std::string text = "[General]\r\n";
        for (const auto& key : keys)
            text += key.first + "=" + key.second + "\r\n";
        const std::string path = work_ + kSep + "p.sdf";
        WriteFileText(path, text);
        return path;
    }

    CliResult Build(const char* command, const std::string& project) {
        // No trailing separator: a backslash before a closing quote escapes it.
        return RunCli(dir_, {command, project, "--builder-folder", builder_});
    }

    TempDir dir_;
    std::string builder_;
    std::string work_;
};

TEST_F(CliBuild, RefusesWhatTheWindowRefusesAndWritesNothing) {
    const std::string invalidName = "Invalid Wallpaper name, please enter letters or number only!";
    const std::string plain = "the package stores a name that is not a plain file name: ";
    const std::string clash = "the package stores two files under one name: ";
    const std::string colour =
        "The background color must be # and six hexadecimal digits, such as #1E3C64!";
    const std::string pixels = "Width and height must be whole numbers of pixels from 1 to 16384!";
    const std::string percent = "Width and height must be whole percentages from 1 to 1000!";
    struct Case {
        const char* command;
        std::map<std::string, std::string> changes;
        std::string err;
    };
    // The movie's two messages name it, as the window's place beside its box does.
    auto movie = [&](const char* text, const char* name) {
        return std::string(text) + " \"" + work_ + kSep + name + "\"\n";
    };
    const std::vector<Case> cases = {
        {"build-wallpaper", {{"SwfFilename", ""}}, "Please select a swf file!\n"},
        {"build-installer", {{"WallpaperName", ""}}, "Please enter Wallpaper name!\n"},
        {"build-wallpaper", {{"SwfFilename", "gone.swf"}}, movie("Invalid file name", "gone.swf")},
        {"build-wallpaper",
         {{"SwfFilename", "notes.txt"}},
         movie("Non-standard SWF file!", "notes.txt")},
        {"build-installer",
         {{"SwfFilename", "fake.swf"}},
         movie("Non-standard SWF file!", "fake.swf")},
        {"build-wallpaper", {{"WallpaperName", "Bad*Name"}}, invalidName + "\n"},
        {"build-installer", {{"WallpaperName", "../escaped"}}, invalidName + "\n"},
        {"build-wallpaper", {{"WallpaperName", "..\\escaped"}}, invalidName + "\n"},
        {"build-installer",
         {{"SwfFilename", "notes.txt"}, {"WallpaperName", "a:b"}},
         movie("Non-standard SWF file!", "notes.txt") + invalidName + "\n"},
        {"build-wallpaper", {{"BKGroundColor", ""}}, "Please select a HTML background color!\n"},
        {"build-installer", {{"BKGroundColor", "#1E3C64#802020"}}, colour + "\n"},
        {"build-wallpaper",
         {{"Dimensions", "1"}, {"Width", "550800"}, {"Height", "400"}},
         pixels + "\n"},
        {"build-installer",
         {{"Dimensions", "2"}, {"Width", "100"}, {"Height", "1001"}},
         percent + "\n"},
        {"build-wallpaper",
         {{"WovenliteFilename", ""}},
         "Please enter a file name of projectable wallpaper!\n"},
        {"build-installer",
         {{"InstallerPackageFilename", ""}},
         "Please enter a file name of the installer!\n"},
        {"build-installer",
         {{"InstallerPackageFilename", "Ocean Setup.txt"}},
         "File name error! Please save it as exe file!\n"},
        {"build-installer",
         {{"ReadmeFilename", ""}},
         "Readme file is required for buliding a custom installer!\n"},
        {"build-installer", {{"ReadmeFilename", "gone.txt"}}, "Invalidate file!\n"},
        {"build-installer", {{"ReadmeFilename", "wave.swf"}}, "Only text file is available!\n"},
        // Names the installers' readers refuse, in their words.
        {"build-wallpaper", {{"WallpaperName", "con"}}, plain + "\"con.htm\"\n"},
        {"build-installer", {{"WallpaperName", "LPT1"}}, plain + "\"LPT1.htm\"\n"},
        {"build-installer", {{"WallpaperName", "Ocean."}}, plain + "\"Ocean.\"\n"},
        {"build-installer", {{"ExtFileItem0", "nul.txt"}}, plain + "\"nul.txt\"\n"},
        {"build-wallpaper",
         {{"ExtFileItem0", "other" + kSep + "WAVE.SWF"}},
         clash + "\"WAVE.SWF\"\n"},
        // Another file under the readme's name; the readme itself twice is one file.
        {"build-installer",
         {{"ExtFileItem0", "other" + kSep + "readme.txt"}},
         clash + "\"readme.txt\"\n"},
    };
    const std::vector<std::string> builderBefore = ListTree(builder_);
    WriteProject({});
    const std::vector<std::string> workBefore = ListTree(work_);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " " + c.changes.begin()->first + "=" +
                     c.changes.begin()->second);
        const std::string project = WriteProject(c.changes);
        const CliResult run = Build(c.command, project);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(ListTree(builder_), builderBefore);
        EXPECT_EQ(ListTree(work_), workBefore);
        EXPECT_EQ(ListFolder(dir_.path()), (std::vector<std::string>{"builder", "work"}))
            << "nothing beside the builder folder either";
    }
}

// An extra file gone since it was added to the project: neither command
// packs it as an empty file; both refuse, in the same words, writing nothing.
TEST_F(CliBuild, AMissingExtraFileIsRefusedByBothCommands) {
    const std::string project = WriteProject({{"ExtFileItem0", "gone.txt"}});
    const std::vector<std::string> workBefore = ListTree(work_);
    const struct {
        const char* command;
        const char* output;
    } cases[] = {{"build-wallpaper", "Ocean Wallpaper.exe"},
                 {"build-installer", "Ocean Setup.exe"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        const CliResult run = Build(c.command, project);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "Failed to build " + work_ + kSep + c.output +
                               "! Please check again!\n(the file " + work_ + kSep +
                               "gone.txt cannot be read)\n");
        EXPECT_EQ(ListTree(work_), workBefore);
    }
}

TEST_F(CliBuild, BuildsAValidProjectAndAnInstallerItsReaderAccepts) {
    const std::vector<std::string> builderBefore = ListTree(builder_);
    const std::string project = WriteProject({});
    CliResult run = Build("build-installer", project);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string installer = work_ + kSep + "Ocean Setup.exe";
    EXPECT_EQ(run.out, "built " + installer + "\n");
    SetupPackageReader setup;
    EXPECT_TRUE(setup.Open(installer)) << DescribePackageError(setup.error());

    run = Build("build-wallpaper", project);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ListTree(builder_), builderBefore) << "the builder folder need not be writable";
    SimplePackageReader simple;
    EXPECT_TRUE(simple.Open(work_ + kSep + "Ocean Wallpaper.exe"));

    // The icon warning is no refusal: the build goes on (and fails on the icon).
    run = Build("build-wallpaper", WriteProject({{"IconFilename", "gone.ico"}}));
    EXPECT_EQ(run.err.rfind(" Invalid icon file!\nFailed to build ", 0), 0u) << run.err;
    // The run's scratch folder went with it, failure or not.
    for (const std::string& name : ListFolder(WithoutTrailingSeparator(UserTempFolder())))
        EXPECT_NE(name.rfind("wallweaver-", 0), 0u) << name;
}

// Builds of one wallpaper name side by side, as on a build machine: each
// packs its own page, movie and readme.
TEST_F(CliBuild, BuildsOfOneNameSideBySideEachPackTheirOwnFiles) {
    constexpr int kBuilds = 8;
    std::vector<std::string> installers;
    std::vector<std::thread> runs;
    std::vector<CliResult> results(kBuilds);
    std::vector<std::unique_ptr<TempDir>> dirs;
    for (int i = 0; i < kBuilds; ++i) {
        dirs.push_back(std::make_unique<TempDir>());
        const TempDir& d = *dirs.back();
        test::SwfRecipe movie = test::StageRecipe(false);
        movie.frameCount = static_cast<uint16_t>(i + 1);
        WriteFileBytes(d / "wave.swf", test::MakeSwf(movie));
        WriteFileText(d / "readme.txt", "readme " + std::to_string(i));
        const std::string colour = "#00000" + std::to_string(i);
        WriteFileText(d / "p.sdf", "[General]\r\nSwfFilename=wave.swf\r\nWallpaperName=Ocean\r\n"
                                   "ReadmeFilename=readme.txt\r\nBKGroundColor=" +
                                       colour + "\r\nInstallerPackageFilename=Setup.exe\r\n");
        installers.push_back(d / "Setup.exe");
    }
    for (int i = 0; i < kBuilds; ++i) {
        runs.emplace_back([&, i] {
            results[i] = RunCli(
                *dirs[i], {"build-installer", *dirs[i] / "p.sdf", "--builder-folder", builder_});
        });
    }
    for (std::thread& t : runs)
        t.join();
    for (int i = 0; i < kBuilds; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(results[i].status, 0) << results[i].err;
        SetupPackageReader reader;
        ASSERT_TRUE(reader.Open(installers[i]));
        std::string readme;
        ASSERT_TRUE(reader.ReadReadme(&readme));
        EXPECT_EQ(readme, "readme " + std::to_string(i));
        const test::Bytes whole = ReadFileBytes(installers[i]);
        auto slot = [&](int number) {
            const auto start = whole.begin() + reader.SlotOffset(number);
            return test::Bytes(start, start + reader.trailer().slot(number).size);
        };
        EXPECT_EQ(slot(kSlotMovie), ReadFileBytes(*dirs[i] / "wave.swf"));
        const test::Bytes page = slot(kSlotPage);
        EXPECT_NE(std::string(page.begin(), page.end()).find("#00000" + std::to_string(i)),
                  std::string::npos);
    }
    EXPECT_EQ(ListFolder(builder_),
              (std::vector<std::string>{"Resource", "Wovenlite.exe", "Wovenplay.exe",
                                        "Wovenset.exe", "res.sdt"}));
}

} // namespace
} // namespace ww
