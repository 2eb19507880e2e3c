#include "tests/support/bitmap_writer.h"

namespace ww::test {

namespace {

void U16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void U32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// One row of pixels in the given depth, padded to four bytes. Palette
// bitmaps use entry 1 for the colour.
Bytes Row(const BitmapRecipe& recipe) {
    Bytes row;
    const uint8_t r = recipe.colour >> 16, g = recipe.colour >> 8, b = recipe.colour;
    if (recipe.bitCount <= 8) {
        const int perByte = 8 / recipe.bitCount;
        for (int x = 0; x < recipe.width; x += perByte) {
            uint8_t byte = 0;
            for (int i = 0; i < perByte; ++i)
                byte |= static_cast<uint8_t>(1 << (8 - recipe.bitCount * (i + 1)));
            row.push_back(byte);
        }
    } else {
        for (int x = 0; x < recipe.width; ++x) {
            if (recipe.bitCount == 16) // 5-5-5
                U16(row, ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
            else if (recipe.bitCount == 24)
                row.insert(row.end(), {b, g, r});
            else
                row.insert(row.end(), {b, g, r, 0});
        }
    }
    while (row.size() % 4)
        row.push_back(0);
    return row;
}

} // namespace

void PutU32(Bytes& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

Bytes MakeBitmap(const BitmapRecipe& recipe) {
    const uint32_t palette = recipe.bitCount <= 8 ? (1u << recipe.bitCount) : 0;
    const uint32_t masks = recipe.bitFields && recipe.headerSize == 40 ? 3 : 0;
    const Bytes row = Row(recipe);
    const uint32_t rows = recipe.height < 0 ? -recipe.height : recipe.height;
    const uint32_t offset = 14 + recipe.headerSize + 4 * (palette + masks);
    Bytes out;
    out.push_back('B');
    out.push_back('M');
    U32(out, offset + static_cast<uint32_t>(row.size()) * rows);
    U32(out, 0);
    U32(out, offset);
    U32(out, recipe.headerSize);
    U32(out, static_cast<uint32_t>(recipe.width));
    U32(out, static_cast<uint32_t>(recipe.height));
    U16(out, 1);
    U16(out, recipe.bitCount);
    U32(out, recipe.bitFields ? 3 : 0);
    U32(out, static_cast<uint32_t>(row.size()) * rows);
    U32(out, 2835);
    U32(out, 2835);
    U32(out, 0);
    U32(out, 0);
    const uint32_t mask[3] = {recipe.bitCount == 16 ? 0x7C00u : 0xFF0000u,
                              recipe.bitCount == 16 ? 0x03E0u : 0x00FF00u,
                              recipe.bitCount == 16 ? 0x001Fu : 0x0000FFu};
    if (recipe.headerSize > 40) {
        for (uint32_t i = 0; i < (recipe.headerSize - 40) / 4; ++i)
            U32(out, recipe.bitFields && i < 3 ? mask[i] : 0);
    }
    for (uint32_t i = 0; i < masks; ++i)
        U32(out, mask[i]);
    for (uint32_t i = 0; i < palette; ++i)
        U32(out, i == 1 ? recipe.colour : 0);
    for (uint32_t y = 0; y < rows; ++y)
        out.insert(out.end(), row.begin(), row.end());
    return out;
}

} // namespace ww::test
