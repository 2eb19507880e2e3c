#include "common/file.h"
#include "common/fs.h"
#include "common/path.h"

#include "tests/support/fixtures.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ww {
namespace {

using test::ListFolder;
using test::PatternBytes;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

// Suffixes that repeat, as the process id and counter alone did across runs.
int forcedCalls = 0;
std::string RepeatingSuffix() {
    return forcedCalls++ == 0 ? "7-1" : "7-2";
}

TEST(UniqueNames, LeftoversAreNeitherReusedNorOverwritten) {
    enum Leftover { kFile, kFolder };
    struct Case {
        const char* what;
        Leftover leftover;
        bool claimFolder;
    };
    const Case cases[] = {
        {"file over a file", kFile, false},
        {"file over a folder", kFolder, false},
        {"folder over a file", kFile, true},
        {"folder over a folder", kFolder, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string taken = dir / "left 7-1.tmp";
        if (c.leftover == kFile)
            WriteFileBytes(taken, {9, 9});
        else
            ASSERT_TRUE(CreateFolder(taken));
        forcedCalls = 0;
        const std::string made = ClaimUniqueName(
            dir / "left ", ".tmp",
            [&](const std::string& path) {
                if (c.claimFolder)
                    return CreateFolder(path);
                std::FILE* f = CreateNewFile(path);
                if (f)
                    std::fclose(f);
                return f != nullptr;
            },
            RepeatingSuffix);
        EXPECT_EQ(made, dir / "left 7-2.tmp");
        EXPECT_EQ(forcedCalls, 2);
        if (c.leftover == kFile)
            EXPECT_EQ(ReadFileBytes(taken), (test::Bytes{9, 9}));
        else
            EXPECT_TRUE(IsExistingFolder(taken));
    }

    // A failure that is no collision ends at once instead of trying on.
    TempDir dir;
    EXPECT_EQ(CreateUniqueFolder(dir / "missing/sub-"), "");
    const std::string folder = CreateUniqueFolder(dir / "w-");
    EXPECT_TRUE(IsExistingFolder(folder));
}

TEST(UniqueNames, SuffixesDoNotRepeatAnEarlierProcessWithTheSameId) {
    // An earlier run with this process id took the counted names first.
    const std::string first = UniqueSuffix();
    const std::string pid = first.substr(0, first.find('-'));
    std::vector<std::string> suffixes{first};
    for (int n = 0; n < 64; ++n)
        suffixes.push_back(UniqueSuffix());
    for (int count = 0; count <= 80; ++count) {
        const std::string counted = pid + "-" + std::to_string(count);
        for (const std::string& s : suffixes)
            EXPECT_NE(s, counted);
    }
    std::sort(suffixes.begin(), suffixes.end());
    EXPECT_EQ(std::adjacent_find(suffixes.begin(), suffixes.end()), suffixes.end());
}

TEST(AtomicOutput, AppearsOnlyOnCommitAndNeverHarmsTheOldFile) {
    TempDir dir;
    const std::string target = dir / "out.bin";
    WriteFileBytes(target, {1, 2, 3});
    {
        AtomicOutput out;
        ASSERT_TRUE(out.Begin(target));
        ASSERT_TRUE(out.file().Write("abcdef", 6));
        // Abandoned: the old file stays and no temporary is left.
    }
    EXPECT_EQ(ReadFileBytes(target), (test::Bytes{1, 2, 3}));
    EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"out.bin"});

    AtomicOutput out;
    ASSERT_TRUE(out.Begin(target));
    ASSERT_TRUE(out.file().Write("xy", 2));
    ASSERT_TRUE(out.Commit());
    EXPECT_EQ(ReadFileBytes(target), (test::Bytes{'x', 'y'}));
    EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"out.bin"});
}

TEST(AtomicOutput, FailsForAFolderThatDoesNotExist) {
    TempDir dir;
    AtomicOutput out;
    EXPECT_FALSE(out.Begin(dir / "missing" + std::string(1, kPathSeparator) + "x"));
}

TEST(TemporaryNames, NeverLongerThanTheNameNeedsAndReadBack) {
    const struct {
        std::string name;
        size_t length;
        std::string start;
    } cases[] = {
        {"a", 25, "~a.ww"},
        {"wave.swf", 32, "~wave.swf.ww"},
        {std::string(32, 'n'), 32, "~" + std::string(8, 'n') + ".ww"},
        {std::string(40, 'n'), 40, "~" + std::string(16, 'n') + ".ww"},
        {std::string(255, 'n'), 255, "~" + std::string(231, 'n') + ".ww"},
        {std::string(259, 'n'), 259, "~" + std::string(235, 'n') + ".ww"},
        // A cut inside a character of several bytes drops the whole character.
        {std::string(29, 'n') + "\xC3\xA9" + std::string(23, 'x'), 54 - 1,
         "~" + std::string(29, 'n') + ".ww"},
        {std::string(7, 'n') + "\xC3\xA9" + std::string(23, 'x'), 32 - 1,
         "~" + std::string(7, 'n') + ".ww"},
    };
    for (const auto& c : cases) {
        const std::string temp = TemporaryNameFor(c.name, 0x1234abcd, 0xdeadbeef);
        EXPECT_EQ(temp.size(), c.length) << c.name;
        EXPECT_EQ(temp.compare(0, c.start.size(), c.start), 0) << temp;
        EXPECT_EQ(temp.substr(temp.size() - 20), "1234abcddeadbeef.tmp");
        uint32_t pid = 0;
        EXPECT_TRUE(ParseTemporaryName(temp, &pid)) << temp;
        EXPECT_EQ(pid, 0x1234abcdu);
    }
    EXPECT_NE(TemporaryNameFor("x", 1, 2), TemporaryNameFor("x", 1, 3));
    uint32_t pid = 0;
    for (const char* other : {"~x.tmp", "~wave.swf.123-4.tmp", "~a.wwzz34abcddeadbeef.tmp",
                              "a.ww1234abcddeadbeef.tmp", "~a.ww1234abcddeadbeef.tmx"})
        EXPECT_FALSE(ParseTemporaryName(other, &pid)) << other;
}

TEST(AtomicOutput, NamesTheFileSystemTakesAreWrittenToTheLastCharacter) {
    TempDir dir;
#ifdef _WIN32
    // A full path of 259 characters, the most the system's file calls take.
    const std::vector<size_t> lengths = {259 - dir.path().size()};
#else
    // Names up to the 255 bytes of a name, where a longer temporary one fails.
    const std::vector<size_t> lengths = {243, 250, 255};
#endif
    for (size_t length : lengths) {
        const std::string target = dir / std::string(length, 'L');
        ASSERT_TRUE(PathFitsFileSystem(target)) << length;
        AtomicOutput out;
        ASSERT_TRUE(out.Begin(target)) << length;
        ASSERT_TRUE(out.file().Write("ok", 2));
        ASSERT_TRUE(out.Commit()) << length;
        EXPECT_EQ(ReadFileBytes(target), (test::Bytes{'o', 'k'}));
        RemoveFile(target);
    }
    EXPECT_FALSE(PathFitsFileSystem(dir / std::string(lengths.back() + 1, 'L')));
}

TEST(AtomicOutput, RemovesOnlyTheStaleTemporariesOfDeadProcesses) {
    TempDir dir;
    const uint32_t dead = 0x7FFFFFF0u; // beyond any process id in use
    ASSERT_FALSE(IsProcessRunning(dead));
    ASSERT_TRUE(IsProcessRunning(CurrentProcessId()));
    const std::string stale = TemporaryNameFor("Ocean Setup.exe", dead, 7);
    const std::string mine = TemporaryNameFor("Ocean Setup.exe", CurrentProcessId(), 7);
    const std::vector<std::string> kept = {mine, "~notes.txt.tmp", "~Ocean.ww12.tmp"};
    WriteFileBytes(dir / stale, PatternBytes(100));
    for (const std::string& name : kept)
        WriteFileBytes(dir / name, {1});
#ifndef _WIN32
    const std::string running = TemporaryNameFor("x.exe", static_cast<uint32_t>(getppid()), 7);
    WriteFileBytes(dir / running, {1});
#endif
    AtomicOutput out;
    ASSERT_TRUE(out.Begin(dir / "Ocean Setup.exe"));
    ASSERT_TRUE(out.Commit());
    EXPECT_FALSE(test::PathExists(dir / stale));
    for (const std::string& name : kept)
        EXPECT_TRUE(test::PathExists(dir / name)) << name;
#ifndef _WIN32
    EXPECT_TRUE(test::PathExists(dir / running));
#endif
}

TEST(CreateNewFile, NeverOpensWhatAlreadyStandsThere) {
    TempDir dir;
    WriteFileBytes(dir / "old", {1, 2});
    EXPECT_EQ(CreateNewFile(dir / "old"), nullptr);
    EXPECT_EQ(ReadFileBytes(dir / "old"), (test::Bytes{1, 2}));
    ASSERT_TRUE(CreateFolder(dir / "sub"));
    EXPECT_EQ(CreateNewFile(dir / "sub"), nullptr);
    File fresh;
    ASSERT_TRUE(fresh.Adopt(CreateNewFile(dir / "new")));
    EXPECT_TRUE(fresh.Write("z", 1));
    EXPECT_TRUE(fresh.Close());
    EXPECT_EQ(ReadFileBytes(dir / "new"), test::Bytes{'z'});
#ifndef _WIN32
    // Links, dangling or not, are never followed, whatever they point at.
    const std::string outside = dir / "outside";
    ASSERT_EQ(symlink(outside.c_str(), (dir / "dangling").c_str()), 0);
    EXPECT_EQ(CreateNewFile(dir / "dangling"), nullptr);
    EXPECT_FALSE(test::PathExists(outside));
    ASSERT_EQ(symlink((dir / "old").c_str(), (dir / "link").c_str()), 0);
    EXPECT_EQ(CreateNewFile(dir / "link"), nullptr);
    EXPECT_EQ(ReopenForAppend(dir / "link"), nullptr);
    EXPECT_EQ(ReadFileBytes(dir / "old"), (test::Bytes{1, 2}));
#endif
}

#ifndef _WIN32
TEST(AtomicOutput, LinksPlantedAtTemporaryNamesRedirectNothing) {
    TempDir dir;
    const std::string outside = dir / "outside.bin";
    WriteFileBytes(outside, {7});
    ASSERT_TRUE(CreateFolder(dir / "dest"));
    const std::string dest = dir / "dest/";
    // Links at every name the old, counted form would take next.
    const std::string next = UniqueSuffix();
    const long pid = std::strtol(next.c_str(), nullptr, 10);
    const long count = std::strtol(next.c_str() + next.find('-') + 1, nullptr, 10);
    for (long n = count; n < count + 16; ++n) {
        const std::string name =
            dest + "~out.bin." + std::to_string(pid) + "-" + std::to_string(n) + ".tmp";
        ASSERT_EQ(symlink(outside.c_str(), name.c_str()), 0);
    }
    AtomicOutput out;
    ASSERT_TRUE(out.Begin(dest + "out.bin"));
    ASSERT_TRUE(out.file().Write("abc", 3));
    // A link swapped in while the file is closed is not reopened either.
    ASSERT_TRUE(out.Suspend());
    const std::string temp = out.temporaryPath();
    ASSERT_EQ(std::rename(temp.c_str(), (dir / "moved").c_str()), 0);
    ASSERT_EQ(symlink(outside.c_str(), temp.c_str()), 0);
    EXPECT_FALSE(out.Resume());
    out.Abandon();
    EXPECT_EQ(ReadFileBytes(outside), test::Bytes{7});
    EXPECT_FALSE(test::PathExists(dest + "out.bin"));

    AtomicOutput again;
    ASSERT_TRUE(again.Begin(dest + "out.bin"));
    ASSERT_TRUE(again.file().Write("abc", 3));
    ASSERT_TRUE(again.Commit());
    EXPECT_EQ(ReadFileBytes(outside), test::Bytes{7});
    EXPECT_EQ(ReadFileBytes(dest + "out.bin"), (test::Bytes{'a', 'b', 'c'}));
    struct stat st;
    ASSERT_EQ(lstat((dest + "out.bin").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST(CopyBytes, SaysWhichSideFailedAndWhy) {
    TempDir dir;
    WriteFileBytes(dir / "src", PatternBytes(2 * kCopyBlockSize));
    File in(dir / "src", "rb"), full("/dev/full", "wb");
    ASSERT_TRUE(full.IsOpen());
    CopyFault fault = CopyFault::None;
    EXPECT_FALSE(CopyBytes(in, full, kCopyBlockSize + 1000, &fault) && full.Close());
    EXPECT_EQ(fault, CopyFault::Write);
    EXPECT_EQ(LastWriteFailure(), "the disk is full");
    File in2(dir / "src", "rb"), out(dir / "dst", "wb");
    EXPECT_FALSE(CopyBytes(in2, out, 2 * kCopyBlockSize + 1, &fault));
    EXPECT_EQ(fault, CopyFault::Read);
}
#endif

TEST(CopyBytes, CopiesAcrossBlocksAndReportsAShortSource) {
    TempDir dir;
    const test::Bytes data = PatternBytes(kCopyBlockSize * 2 + 17);
    WriteFileBytes(dir / "src", data);
    {
        File in(dir / "src", "rb"), out(dir / "dst", "wb");
        ASSERT_TRUE(CopyBytes(in, out, data.size()));
    }
    EXPECT_EQ(ReadFileBytes(dir / "dst"), data);
    File in(dir / "src", "rb"), out(dir / "dst2", "wb");
    EXPECT_FALSE(CopyBytes(in, out, data.size() + 1));
}

TEST(CopyBytes, CopiesFromWhereEachFileStandsAndKeepsBothInStep) {
    TempDir dir;
    const test::Bytes data = PatternBytes(3 * kCopyBlockSize + 5);
    WriteFileBytes(dir / "src", data);
    {
        File in(dir / "src", "rb"), out(dir / "dst", "wb");
        char head[7];
        ASSERT_TRUE(in.ReadExact(head, sizeof head));
        ASSERT_TRUE(out.Write("abc", 3));
        ASSERT_TRUE(CopyBytes(in, out, 100000));
        ASSERT_TRUE(out.Write("xyz", 3));
        char next = 0;
        ASSERT_TRUE(in.ReadExact(&next, 1));
        EXPECT_EQ(static_cast<uint8_t>(next), data[7 + 100000]);
    }
    test::Bytes expected = {'a', 'b', 'c'};
    expected.insert(expected.end(), data.begin() + 7, data.begin() + 7 + 100000);
    expected.insert(expected.end(), {'x', 'y', 'z'});
    EXPECT_EQ(ReadFileBytes(dir / "dst"), expected);
    // Appending output, as after an icon replacement.
    {
        File in(dir / "src", "rb"), out(dir / "dst", "ab");
        ASSERT_TRUE(CopyBytes(in, out, 10));
    }
    EXPECT_EQ(ReadFileBytes(dir / "dst").size(), expected.size() + 10);
}

TEST(FindMatches, WildcardsAsTheWindowsFileSystemHasThem) {
    TempDir dir;
    WriteFileBytes(dir / "wave.swf", PatternBytes(5));
    WriteFileBytes(dir / "README", {});
    ASSERT_TRUE(CreateFolder(dir / "sub"));
    FoundEntry e;
    ASSERT_TRUE(FindFirstMatch(dir / "wave.swf", &e));
    EXPECT_EQ(e.size, 5u);
    EXPECT_FALSE(e.isFolder);
    EXPECT_TRUE(FindFirstMatch(dir / "*.SWF", nullptr));
    EXPECT_TRUE(FindFirstMatch(dir / "wa?e.*", nullptr));
    EXPECT_FALSE(FindFirstMatch(dir / "*.exe", nullptr));
    EXPECT_TRUE(FindFirstMatch(dir / "sub", &e));
    EXPECT_TRUE(e.isFolder);
    // "*.*" lists names without a dot as well.
    int files = 0;
    for (const FoundEntry& m : FindMatches(dir / "*.*"))
        files += m.isFolder ? 0 : 1;
    EXPECT_EQ(files, 2);
}

} // namespace
} // namespace ww
