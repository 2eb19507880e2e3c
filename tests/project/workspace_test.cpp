#include "builder/project/workspace.h"

#include "common/fs.h"
#include "common/path.h"
#include "tests/support/fixtures.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace ww {
namespace {

using test::PathExists;
using test::TempDir;
using test::WriteFileBytes;

const std::string kSep(1, kPathSeparator);

void ShipEverything(const std::string& folder) {
    CreateFolder(folder + "Resource");
    for (int i = 0; i < Workspace::kRequiredFileCount; ++i)
        WriteFileBytes(folder + Workspace::RequiredFile(i), {1});
}

TEST(FileExists, TrailingSeparatorWildcardsAndDeletedFiles) {
    TempDir dir;
    WriteFileBytes(dir / "movie.swf", {1, 2, 3});
    EXPECT_TRUE(FileExists(dir.path())); // a folder with its trailing separator
    EXPECT_TRUE(FileExists(dir / "movie.swf"));
    EXPECT_TRUE(FileExists(dir / "*.swf"));
    EXPECT_TRUE(FileExists(dir / "mov?e.swf"));
    EXPECT_FALSE(FileExists(dir / "*.exe"));
    EXPECT_FALSE(FileExists(""));
    ASSERT_TRUE(RemoveFile(dir / "movie.swf"));
    EXPECT_FALSE(FileExists(dir / "movie.swf"));
}

TEST(IsValidWallpaperName, RefusesExactlyTheNineCharacters) {
    for (char c : std::string("\\/:*?\"<>|"))
        EXPECT_FALSE(IsValidWallpaperName(std::string("Sea") + c + "side")) << c;
    for (const char* ok : {"", "Ocean", "Blue Waves 2.0", "Caf\xe9 (night) & day, #1!"})
        EXPECT_TRUE(IsValidWallpaperName(ok)) << ok;
}

TEST(FileDialogStructSize, ByVersionWordFamily) {
    EXPECT_EQ(FileDialogStructSize(0x0A280105u), 88u);
    EXPECT_EQ(FileDialogStructSize(0x7FFFFFFFu), 88u);
    EXPECT_EQ(FileDialogStructSize(0x80000004u), 76u);
}

TEST(Workspace, ScratchFoldersOnDemandWithFallback) {
    TempDir dir;
    Workspace ws(dir.path());
    EXPECT_FALSE(PathExists(dir / "temp"));
    EXPECT_EQ(ws.GetTempFolder(), dir / "temp" + kSep);
    EXPECT_TRUE(IsExistingFolder(dir / "temp"));
    EXPECT_EQ(ws.GetOutputFolder(), dir / "output" + kSep);
    EXPECT_EQ(ws.GetTempFolder(), dir / "temp" + kSep); // already there
    // A file where the folder should be: it cannot be created, the builder
    // folder stands in.
    WriteFileBytes(dir / "Resource", {0});
    EXPECT_EQ(ws.GetResourceFolder(), dir.path());
}

TEST(Workspace, RequiredFilesInTableOrder) {
    TempDir dir;
    Workspace ws(dir.path());
    std::string missing;
    EXPECT_FALSE(ws.CheckRequiredFiles(&missing));
    EXPECT_EQ(missing, "res.sdt");
    ShipEverything(dir.path());
    EXPECT_TRUE(ws.CheckRequiredFiles(&missing));
    ASSERT_TRUE(RemoveFile(dir / "Wallweaver.chm"));
    ASSERT_TRUE(RemoveFile(dir / "Resource" + kSep + "top1.bmp"));
    EXPECT_FALSE(ws.CheckRequiredFiles(&missing));
    EXPECT_EQ(missing, "Wallweaver.chm");
}

TEST(Workspace, DefaultImagesOnlyWhenShipped) {
    TempDir dir;
    Workspace ws(dir.path());
    EXPECT_EQ(ws.DefaultTopImage(), "");
    ShipEverything(dir.path());
    EXPECT_EQ(ws.DefaultTopImage(), dir / "Resource" + kSep + "top1.bmp");
    EXPECT_EQ(ws.DefaultLeftImage(), dir / "Resource" + kSep + "left1.bmp");
    EXPECT_EQ(ws.DefaultDisplayImage(), dir / "Resource" + kSep + "display1.bmp");
}

TEST(Workspace, ExitCleanUpEmptiesFilesKeepsFoldersAndCreatesNothing) {
    TempDir dir;
    Workspace ws(dir.path());
    ws.ExitCleanUp();
    EXPECT_FALSE(PathExists(dir / "temp"));
    EXPECT_FALSE(PathExists(dir / "output"));

    std::string temp = ws.GetTempFolder();
    std::string output = ws.GetOutputFolder();
    WriteFileBytes(temp + "TempHTMLFile.htm", {1});
    WriteFileBytes(temp + "noext", {1});
    WriteFileBytes(output + "Ocean.exe", {1});
    ASSERT_TRUE(CreateFolder(temp + "keep"));
    WriteFileBytes(temp + "keep" + kSep + "inner.txt", {1});
    WriteFileBytes(dir / "beside.txt", {1});
    ws.ExitCleanUp();
    EXPECT_EQ(test::ListFolder(temp), std::vector<std::string>{"keep"});
    EXPECT_TRUE(PathExists(temp + "keep" + kSep + "inner.txt"));
    EXPECT_TRUE(test::ListFolder(output).empty());
    EXPECT_TRUE(PathExists(dir / "beside.txt"));
}

TEST(Workspace, AnotherScratchRootTakesTempAndOutputButNotResource) {
    TempDir dir;
    ASSERT_TRUE(CreateFolder(dir / "builder"));
    ASSERT_TRUE(CreateFolder(dir / "scratch"));
    Workspace ws(dir / "builder");
    EXPECT_TRUE(ws.ScratchIsWritable());
    EXPECT_EQ(test::ListFolder(dir / "builder"), std::vector<std::string>{}) << "a probe only";
    ws.SetScratchRoot(dir / "scratch");
    const std::string sep(1, kPathSeparator);
    EXPECT_EQ(ws.GetTempFolder(), dir / "scratch" + sep + "temp" + sep);
    EXPECT_EQ(ws.GetOutputFolder(), dir / "scratch" + sep + "output" + sep);
    EXPECT_EQ(ws.GetResourceFolder(), dir / "builder" + sep + "Resource" + sep);
    test::WriteFileText(ws.GetTempFolder() + "a.htm", "x");
    ws.ExitCleanUp();
    EXPECT_EQ(test::ListFolder(dir / "scratch" + sep + "temp"), std::vector<std::string>{});

    std::string kept;
    {
        PrivateScratch scratch;
        ASSERT_TRUE(scratch.ok());
        kept = scratch.path();
        ASSERT_TRUE(CreateFolder(kept + "output"));
        test::WriteFileText(kept + "output" + sep + "Ocean.htm", "page");
    }
    EXPECT_FALSE(test::PathExists(kept)) << "removed with what it held";
}

} // namespace
} // namespace ww
