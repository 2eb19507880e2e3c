// Makes Windows bitmap files (".bmp") for tests: well-formed ones of every
// depth the installers draw, to be altered into lying ones by a test.
#pragma once

#include "tests/support/fixtures.h"

#include <cstdint>

namespace ww::test {

struct BitmapRecipe {
    int32_t width = 8;
    int32_t height = 4; // negative: rows top-down
    uint16_t bitCount = 24;
    // The colour every pixel shows, as 0xRRGGBB.
    uint32_t colour = 0x3366CC;
    bool bitFields = false; // 16 and 32 bits only
    uint32_t headerSize = 40;
};

Bytes MakeBitmap(const BitmapRecipe& recipe);

// Offsets of the fields a test alters, from the start of the file.
constexpr size_t kBmpWidthAt = 18;
constexpr size_t kBmpHeightAt = 22;
constexpr size_t kBmpBitCountAt = 28;
constexpr size_t kBmpCompressionAt = 30;
constexpr size_t kBmpColoursUsedAt = 46;

void PutU32(Bytes& bytes, size_t at, uint32_t value);

} // namespace ww::test
