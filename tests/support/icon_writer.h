// Makes .ico files: square 32-bit images with their masks, or any bytes the
// test wants stored as an image.
#pragma once

#include "tests/support/fixtures.h"

#include <vector>

namespace ww::test {

struct IconFileImage {
    uint8_t width = 32;
    uint8_t height = 32;
    uint8_t colourCount = 0;
    uint16_t planes = 1;
    uint16_t bitCount = 32;
    Bytes bytes;
};

// A size x size 32-bit image: bitmap header (height doubled for the mask),
// pixels from seed, an all-clear mask.
IconFileImage MakeIconImage(int size, uint8_t seed);
// The icon file: header, directory, then the images in order.
Bytes MakeIcon(const std::vector<IconFileImage>& images);

// Where directory entry i lies in a file made by MakeIcon, and its fields.
constexpr size_t IconEntryAt(size_t i) {
    return 6 + 16 * i;
}
constexpr size_t kIconEntrySizeField = 8;
constexpr size_t kIconEntryOffsetField = 12;

} // namespace ww::test
