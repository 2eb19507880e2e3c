#include "common/bytes.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ww {
namespace {

TEST(ByteReader, ReadsLittleEndianAndRemembersAFailure) {
    const uint8_t data[] = {0x01, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFF};
    ByteReader r(data, sizeof data);
    EXPECT_EQ(r.U8(), 0x01);
    EXPECT_EQ(r.U16(), 0x1234);
    EXPECT_EQ(r.U32(), 0x12345678u);
    EXPECT_TRUE(r.ok());
    // One byte left: a 16-bit read fails, and so does everything after it,
    // even a read that would fit.
    EXPECT_EQ(r.U16(), 0);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.U8(), 0);
    EXPECT_EQ(r.pos(), 7u);
}

TEST(ByteReader, FixedStringStopsAtZeroAndNeverPassesTheField) {
    uint8_t field[12];
    std::memset(field, 'x', sizeof field);
    field[3] = 0;
    ByteReader r(field, sizeof field);
    EXPECT_EQ(r.FixedString(6), "xxx");
    EXPECT_EQ(r.pos(), 6u);
    // No zero inside the next 6 bytes: the text is the whole field.
    EXPECT_EQ(r.FixedString(6), "xxxxxx");
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.FixedString(1), "");
    EXPECT_FALSE(r.ok());
}

TEST(ByteWriter, PadsCutsAndRefusesOverflow) {
    uint8_t out[10];
    std::memset(out, 0xAA, sizeof out);
    ByteWriter w(out, sizeof out);
    w.FixedString("abcdefgh", 5); // cut to 4 characters and a zero
    EXPECT_EQ(std::memcmp(out, "abcd\0", 5), 0);
    w.FixedString("z", 3);
    EXPECT_EQ(std::memcmp(out + 5, "z\0\0", 3), 0);
    w.U32(1); // only 2 bytes left
    EXPECT_FALSE(w.ok());
    EXPECT_EQ(out[8], 0xAA);
}

} // namespace
} // namespace ww
