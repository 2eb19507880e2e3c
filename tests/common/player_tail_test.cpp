#include "common/player_tail.h"

#include "tests/support/fixtures.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ww {
namespace {

TEST(PlayerTail, LayoutAndRoundTripFromTheEndOfAFile) {
    PlayerSettings in{"Ocean.htm", "Ocean", "Tide Works", "http://example.invalid/",
                      "(c) 2026 Tide Works"};
    uint8_t tail[kPlayerTailSize];
    std::memset(tail, 0xEE, sizeof tail);
    WritePlayerTail(in, tail);
    EXPECT_EQ(std::memcmp(tail, "Ocean.htm\0", 10), 0);
    EXPECT_EQ(std::memcmp(tail + 260, "Ocean\0", 6), 0);
    EXPECT_EQ(std::memcmp(tail + 1040, "(c) 2026", 8), 0);
    for (size_t i = 1300; i < 1560; ++i)
        ASSERT_EQ(tail[i], 0) << "reserved byte " << i;
    EXPECT_EQ(std::memcmp(tail + 1560, "WLP", 3), 0);

    test::TempDir dir;
    test::Bytes file = test::PatternBytes(3000);
    file.insert(file.end(), tail, tail + sizeof tail);
    test::WriteFileBytes(dir / "player.exe", file);
    PlayerSettings out;
    ASSERT_TRUE(ReadPlayerTail(dir / "player.exe", &out));
    EXPECT_EQ(out.pageName, in.pageName);
    EXPECT_EQ(out.wallpaperName, in.wallpaperName);
    EXPECT_EQ(out.publisherName, in.publisherName);
    EXPECT_EQ(out.publisherUrl, in.publisherUrl);
    EXPECT_EQ(out.copyright, in.copyright);
}

TEST(PlayerTail, AbsentShortOrUnterminated) {
    test::TempDir dir;
    PlayerSettings out;
    EXPECT_FALSE(ReadPlayerTail(dir / "none.exe", &out));
    test::WriteFileBytes(dir / "short.exe", {'W', 'L', 'P'});
    EXPECT_FALSE(ReadPlayerTail(dir / "short.exe", &out));
    test::WriteFileBytes(dir / "plain.exe", test::PatternBytes(5000));
    EXPECT_FALSE(ReadPlayerTail(dir / "plain.exe", &out));
    // Fields with no zero byte are read up to their 260 bytes, never past.
    test::Bytes full(kPlayerTailSize, 'a');
    std::memcpy(full.data() + 1560, "WLP", 3);
    test::WriteFileBytes(dir / "full.exe", full);
    ASSERT_TRUE(ReadPlayerTail(dir / "full.exe", &out));
    EXPECT_EQ(out.copyright.size(), 260u);
}

} // namespace
} // namespace ww
