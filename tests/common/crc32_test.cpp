#include "common/crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

namespace ww {
namespace {

uint32_t Ours(uint32_t start, const std::string& bytes) {
    return Crc32Update(start, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

uint32_t Zlibs(uint32_t start, const std::string& bytes) {
    return static_cast<uint32_t>(crc32(start, reinterpret_cast<const Bytef*>(bytes.data()),
                                       static_cast<uInt>(bytes.size())));
}

// The lean programs put this in place of zlib's own, so both must agree on
// every input, including a sum continued across pieces.
TEST(Crc32, AgreesWithZlib) {
    std::string every;
    for (int i = 0; i < 256; ++i)
        every += static_cast<char>(i);
    const struct {
        std::string bytes;
        uint32_t start;
    } cases[] = {
        {"", 0},          {"", 0x12345678u}, {std::string(1, '\0'), 0}, {"\xFF\xFF\xFF\xFF", 0},
        {"123456789", 0}, {every, 0},        {every, 0xDEADBEEFu},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Ours(c.start, c.bytes), Zlibs(c.start, c.bytes)) << c.bytes.size();
    EXPECT_EQ(Ours(0, "123456789"), 0xCBF43926u);
    EXPECT_EQ(Ours(Ours(0, every.substr(0, 100)), every.substr(100)), Ours(0, every));
}

} // namespace
} // namespace ww
