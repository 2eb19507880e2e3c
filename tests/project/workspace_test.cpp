#include "builder/project/workspace.h"

#include "common/fs.h"
#include "common/path.h"
#include "tests/support/fixtures.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

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

TEST(ScratchFolderName, OnlyOurFormCarriesAProcess) {
    const struct {
        std::string name;
        bool ours;
        uint32_t pid;
    } cases[] = {
        {ScratchFolderName(4242, 0, 7), true, 4242},
        {ScratchFolderName(UINT32_MAX, UINT32_MAX, UINT32_MAX), true, UINT32_MAX},
        {"wallweaver-12-3-456", true, 12},
        {"wallweaver-12-3", false, 0},
        {"wallweaver-12-3-456-7", false, 0},
        {"wallweaver-12--456", false, 0},
        {"wallweaver--3-456", false, 0},
        {"wallweaver-4294967296-3-456", false, 0},
        {"wallweaver-12-3-45x", false, 0},
        {"wallweaver-notes", false, 0},
        {"Wallweaver-12-3-456x", false, 0},
        {"temp", false, 0},
    };
    for (const auto& c : cases) {
        uint32_t pid = 0;
        EXPECT_EQ(ParseScratchFolderName(c.name, &pid), c.ours) << c.name;
        if (c.ours) {
            EXPECT_EQ(pid, c.pid) << c.name;
        }
    }
}

// A scratch folder as a build killed half-way leaves it.
void LeaveScratch(const std::string& root) {
    ASSERT_TRUE(CreateFolder(root));
    for (const char* name : {"temp", "output"}) {
        ASSERT_TRUE(CreateFolder(root + kSep + name));
        WriteFileBytes(root + kSep + name + kSep + "Ocean.htm", {1});
    }
    WriteFileBytes(root + kSep + "output" + kSep + "~Ocean.exe.ww0000000100000002.tmp", {1});
}

TEST(RemoveStaleScratchFolders, OnlyThoseOfDeadProcessesGo) {
    TempDir dir;
    const uint32_t dead = 0x7FFFFFF0u; // beyond any process id in use
    ASSERT_FALSE(IsProcessRunning(dead));
    const std::string stale = dir / ScratchFolderName(dead, 0, 1);
    const std::string mine = dir / ScratchFolderName(CurrentProcessId(), 0, 1);
    const std::string notOurs = dir / "wallweaver-notes";
    const std::string crowded = dir / ScratchFolderName(dead, 1, 2);
    LeaveScratch(stale);
    LeaveScratch(mine);
    LeaveScratch(notOurs);
    LeaveScratch(crowded);
    WriteFileBytes(crowded + kSep + "kept.txt", {1});
    WriteFileBytes(dir / ScratchFolderName(dead, 2, 3), {1}); // a file, not a folder
#ifndef _WIN32
    const std::string running = dir / ScratchFolderName(static_cast<uint32_t>(getppid()), 0, 1);
    LeaveScratch(running);
    // A link named like a dead build's folder is not followed.
    const std::string target = dir / "elsewhere";
    LeaveScratch(target);
    const std::string link = dir / ScratchFolderName(dead, 3, 4);
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
#endif
    RemoveStaleScratchFolders(dir.path());
    EXPECT_FALSE(PathExists(stale));
    for (const std::string& kept : {mine, notOurs})
        EXPECT_TRUE(PathExists(kept + kSep + "temp" + kSep + "Ocean.htm")) << kept;
    EXPECT_TRUE(PathExists(crowded + kSep + "kept.txt"));
    EXPECT_TRUE(PathExists(dir / ScratchFolderName(dead, 2, 3)));
#ifndef _WIN32
    EXPECT_TRUE(PathExists(running + kSep + "output" + kSep + "Ocean.htm"));
    EXPECT_TRUE(PathExists(target + kSep + "temp" + kSep + "Ocean.htm"));
    EXPECT_TRUE(PathExists(target + kSep + "output" + kSep + "Ocean.htm"));
#endif
}

// The next build clears what a killed one left in the temporary folder.
TEST(PrivateScratch, RemovesTheScratchOfABuildThatWasKilled) {
    TempDir dir;
    const std::string stale = dir / ScratchFolderName(0x7FFFFFF0u, 0, 1);
    LeaveScratch(stale);
#ifdef _WIN32
    char previous[MAX_PATH + 1] = "";
    const DWORD had = GetEnvironmentVariableA("TMP", previous, sizeof previous);
    ASSERT_TRUE(SetEnvironmentVariableA("TMP", dir.path().c_str()));
#else
    const char* had = std::getenv("TMPDIR");
    const std::string previous = had ? had : "";
    ASSERT_EQ(setenv("TMPDIR", dir.path().c_str(), 1), 0);
#endif
    std::string made;
    {
        PrivateScratch scratch;
        ASSERT_TRUE(scratch.ok());
        made = scratch.path();
        EXPECT_EQ(FolderOfPath(WithoutTrailingSeparator(made)), dir.path());
    }
#ifdef _WIN32
    SetEnvironmentVariableA("TMP", had ? previous : nullptr);
#else
    if (had)
        setenv("TMPDIR", previous.c_str(), 1);
    else
        unsetenv("TMPDIR");
#endif
    EXPECT_FALSE(PathExists(stale));
    EXPECT_FALSE(PathExists(made));
}

} // namespace
} // namespace ww
