#include "common/file.h"
#include "common/fs.h"
#include "common/path.h"

#include "tests/support/fixtures.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace ww {
namespace {

using test::ListFolder;
using test::PatternBytes;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

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

TEST(CopyFileAtomically, MissingSourceLeavesTargetAlone) {
    TempDir dir;
    WriteFileBytes(dir / "target", {9});
    EXPECT_FALSE(CopyFileAtomically(dir / "nothing", dir / "target"));
    EXPECT_EQ(ReadFileBytes(dir / "target"), test::Bytes{9});
    WriteFileBytes(dir / "src", {4, 5});
    EXPECT_TRUE(CopyFileAtomically(dir / "src", dir / "target"));
    EXPECT_EQ(ReadFileBytes(dir / "target"), (test::Bytes{4, 5}));
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
