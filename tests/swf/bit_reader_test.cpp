#include "swf/bit_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace ww {
namespace {

TEST(BitReader, BitFieldsThenBytesOnTheNextBoundary) {
    // 101 10011 | 0110 0000 | 34 12 | 'a' 'b' 0
    const std::vector<uint8_t> bytes = {0xB3, 0x60, 0x34, 0x12, 'a', 'b', 0};
    BitReader r(bytes.data(), bytes.size());
    EXPECT_EQ(r.UB(3), 5u);
    EXPECT_EQ(r.SB(5), -13); // 10011, sign-extended
    EXPECT_EQ(r.UB(2), 1u);
    EXPECT_EQ(r.Here(), bytes.data() + 1); // inside the second byte
    EXPECT_EQ(r.remaining(), bytes.size() - 1);
    EXPECT_EQ(r.U16(), 0x1234); // skips the rest of the second byte
    EXPECT_EQ(r.String(), "ab");
    EXPECT_EQ(r.remaining(), 0u);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.UB(1), 0u);
    EXPECT_FALSE(r.ok());
}

TEST(BitReader, AFailureSticksAndReadsAnswerZero) {
    const std::vector<uint8_t> bytes = {0xFF, 'x', 'y'};
    struct Case {
        const char* what;
        void (*read)(BitReader&);
    };
    const Case cases[] = {
        {"bits past the end", [](BitReader& r) { r.UB(25); }},
        {"a word past the end", [](BitReader& r) { r.U32(); }},
        {"a string without its zero", [](BitReader& r) { r.String(); }},
        {"a skip past the end", [](BitReader& r) { r.Skip(4); }},
    };
    for (const Case& c : cases) {
        BitReader r(bytes.data(), bytes.size());
        c.read(r);
        EXPECT_FALSE(r.ok()) << c.what;
        EXPECT_EQ(r.remaining(), 0u) << c.what;
        EXPECT_EQ(r.UB(4), 0u) << c.what;
        EXPECT_EQ(r.U8(), 0u) << c.what;
    }
}

TEST(BitReader, RectFieldsSignExtendAndEndOnABoundary) {
    // Nbits 4: 00100 | 0001 1111 0010 1000 | pad, then 0x7F
    const std::vector<uint8_t> bytes = {0x20, 0xF9, 0x40, 0x7F};
    BitReader r(bytes.data(), bytes.size());
    unsigned nbits = 0;
    const SwfRect rect = r.ReadRect(&nbits);
    EXPECT_EQ(nbits, 4u);
    EXPECT_EQ(rect.xmin, 1);
    EXPECT_EQ(rect.xmax, -1);
    EXPECT_EQ(rect.ymin, 2);
    EXPECT_EQ(rect.ymax, -8);
    EXPECT_EQ(r.U8(), 0x7F);
}

} // namespace
} // namespace ww
