// Runs the built wallweaver-cli list and extract on hostile installers: what
// the Windows installers refuse is refused whole, and nothing is written.
#include "common/fs.h"
#include "common/path.h"
#include "tests/support/cli_runner.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ww {
namespace {

using test::CliResult;
using test::ListFolder;
using test::RunCli;
using test::TempDir;

const std::string kSep(1, kPathSeparator);

TEST(ExtractCommand, RefusesWhatWindowsWouldAliasAndWritesNothing) {
    using Setup = test::SetupPackageRecipe;
    const struct {
        const char* what;
        void (*alter)(Setup&);
        std::string refused;
    } cases[] = {
        {"movie with a trailing dot", [](Setup& s) { s.slots[1].name = "wave.swf."; }, "wave.swf."},
        {"extra with a trailing blank",
         [](Setup& s) {
             s.extras = {{"wave.swf ", {1}, -1}};
         },
         "wave.swf "},
        {"extra like the movie",
         [](Setup& s) {
             s.extras = {{"WAVE.SWF", {1}, -1}};
         },
         "WAVE.SWF"},
        {"extra like the player",
         [](Setup& s) {
             s.extras = {{"OCEAN.exe", {1}, -1}};
         },
         "OCEAN.exe"},
        {"two extras in two cases",
         [](Setup& s) {
             s.extras = {{"a.txt", {1}, -1}, {"A.txt", {2}, -1}};
         },
         "A.txt"},
        {"a superscript device",
         [](Setup& s) {
             s.extras = {{"LPT\xB3.txt", {1}, -1}};
         },
         "LPT\xB3.txt"},
        {"the clock device",
         [](Setup& s) {
             s.extras = {{"clock$", {1}, -1}};
         },
         "clock$"},
        {"a wallpaper with a trailing dot", [](Setup& s) { s.wallpaperName = "Ocean."; }, "Ocean."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        Setup recipe = test::SampleSetupRecipe();
        c.alter(recipe);
        test::WriteFileBytes(dir / "setup.exe", test::MakeSetupPackage(recipe));
        ASSERT_TRUE(CreateFolder(dir / "into"));
        for (const char* command : {"list", "extract"}) {
            std::vector<std::string> args = {command, dir / "setup.exe"};
            if (std::string(command) == "extract")
                args.push_back(dir / "into");
            const CliResult run = RunCli(dir, args);
            EXPECT_EQ(run.status, 1) << command;
            EXPECT_NE(run.err.find(dir / "setup.exe" + ": the package stores"), std::string::npos)
                << run.err;
            EXPECT_NE(run.err.find("\"" + c.refused + "\""), std::string::npos) << run.err;
        }
        EXPECT_TRUE(ListFolder(dir / "into").empty());
    }

    // What Windows cannot create at all lists, and installs nothing.
    TempDir dir;
    Setup recipe = test::SampleSetupRecipe();
    recipe.extras = {{"a?.txt", {1}, -1}};
    test::WriteFileBytes(dir / "setup.exe", test::MakeSetupPackage(recipe));
    recipe = test::SampleSetupRecipe();
    recipe.wallpaperName = "Odd?";
    test::WriteFileBytes(dir / "odd.exe", test::MakeSetupPackage(recipe));
    ASSERT_TRUE(CreateFolder(dir / "into"));
    EXPECT_EQ(RunCli(dir, {"list", dir / "setup.exe"}).status, 0);
    CliResult run = RunCli(dir, {"extract", dir / "setup.exe", dir / "into"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("\"a?.txt\""), std::string::npos) << run.err;
    run = RunCli(dir, {"extract", dir / "odd.exe", dir / "into"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Cannot create the folder " + dir / "into" + kSep + "Odd?\n");
    EXPECT_TRUE(ListFolder(dir / "into").empty());
}

// Names up to the file system's limit install; a package with one path
// beyond it installs nothing at all, and says which.
TEST(ExtractCommand, InstallsWhatFitsAndNothingOfAPackageThatDoesNot) {
    TempDir dir;
    test::SetupPackageRecipe recipe = test::SampleSetupRecipe();
#ifdef _WIN32
    // Full paths of 259 characters, the longest the installers can write.
    const size_t longest = 259 - (dir / "into" + kSep + "Ocean" + kSep).size();
#else
    const size_t longest = 255;
#endif
    recipe.extras = {{std::string(longest, 'x'), {1, 2, 3}, -1},
                     {std::string(longest - 10, 'y'), {4}, -1}};
    test::WriteFileBytes(dir / "fits.exe", test::MakeSetupPackage(recipe));
    recipe.extras.push_back({std::string(longest + 1, 'z'), {5}, -1});
    test::WriteFileBytes(dir / "too long.exe", test::MakeSetupPackage(recipe));
    ASSERT_TRUE(CreateFolder(dir / "into"));

    CliResult run = RunCli(dir, {"extract", dir / "too long.exe", dir / "into"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Cannot write the files into " + dir / "into" + kSep + "Ocean"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find(std::string(longest + 1, 'z')), std::string::npos) << run.err;
    EXPECT_TRUE(ListFolder(dir / "into").empty());

    run = RunCli(dir, {"extract", dir / "fits.exe", dir / "into"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(test::ReadFileBytes(dir / "into" + kSep + "Ocean" + kSep + std::string(longest, 'x')),
              (test::Bytes{1, 2, 3}));
    EXPECT_EQ(ListFolder(dir / "into" + kSep + "Ocean").size(), 8u);
}

#ifndef _WIN32
TEST(ExtractCommand, NeverFollowsAWallpaperFolderThatIsALink) {
    TempDir dir;
    ASSERT_TRUE(CreateFolder(dir / "elsewhere"));
    ASSERT_TRUE(CreateFolder(dir / "into"));
    ASSERT_EQ(symlink((dir / "elsewhere").c_str(), (dir / "into/Ocean").c_str()), 0);
    test::WriteFileBytes(dir / "setup.exe", test::MakeSetupPackage(test::SampleSetupRecipe()));
    test::WriteFileBytes(dir / "lite.exe", test::MakeSimplePackage(test::SampleSimpleRecipe()));
    for (const char* package : {"setup.exe", "lite.exe"}) {
        const CliResult run = RunCli(dir, {"extract", dir / package, dir / "into"});
        EXPECT_EQ(run.status, 1) << package;
        EXPECT_NE(run.err.find("link"), std::string::npos) << run.err;
    }
    EXPECT_TRUE(ListFolder(dir / "elsewhere").empty());
    EXPECT_EQ(ListFolder(dir / "into"), std::vector<std::string>{"Ocean"});
}

TEST(ListCommand, RefusesAPipeInsteadOfWaitingOnIt) {
    TempDir dir;
    ASSERT_EQ(mkfifo((dir / "pipe.exe").c_str(), 0600), 0);
    for (const char* command : {"list", "info", "show"}) {
        const CliResult run = RunCli(dir, {command, dir / "pipe.exe"});
        EXPECT_EQ(run.status, 1) << command;
        EXPECT_NE(run.err.find(dir / "pipe.exe"), std::string::npos) << run.err;
    }
}
#endif

} // namespace
} // namespace ww
