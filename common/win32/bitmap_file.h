// The layout of a Windows bitmap file (".bmp"), checked before anything draws
// it. Portable on purpose: no <windows.h>, so the checks also run under the
// fuzzer on the build machine.
//
// File header, 14 bytes:     0 2 type "BM"; 2 4 file size; 6 4 reserved;
//                           10 4 pixel offset (not used: it is recomputed)
// Info header (the "DIB"), little-endian, 40 bytes or a longer version:
//    0 4 header size (40, 52, 56, 108 or 124)   4 4 width     8 4 height
//   12 2 planes (1)   14 2 bits per pixel   16 4 compression   20 4 image size
//   24 4 x ppm        28 4 y ppm            32 4 colours used  36 4 important
//   40 12 colour masks of the bit-fields compression, in headers of 52 and up
// Then the colour table (4 bytes an entry), then the pixel rows, each padded
// to four bytes, bottom-up when the height is positive.
//
// The colour table has the used-colour count of entries, or 2 to the power of
// the bits per pixel when that is 0; above 8 bits per pixel the used-colour
// count, plus the three masks of a 40-byte header with bit fields. The pixel
// data follows the table directly. Only uncompressed and bit-field bitmaps
// are accepted; every size must lie inside the bytes at hand.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ww {

constexpr size_t kBitmapFileHeaderSize = 14;
constexpr size_t kBitmapInfoHeaderSize = 40;
// Bitmaps are read whole; a package must not make the wizard claim more.
constexpr uint64_t kBitmapFileLimit = 64ull * 1024 * 1024;
constexpr int32_t kBitmapSideLimit = 16384;
constexpr uint32_t kBitmapRgb = 0;
constexpr uint32_t kBitmapBitFields = 3;

struct BitmapLayout {
    int32_t width = 0;
    int32_t height = 0; // negative: rows top-down
    uint16_t bitCount = 0;
    uint32_t compression = kBitmapRgb;
    // Colour-table entries that GDI reads (palette entries for 8 bits per
    // pixel and less, else none).
    uint32_t paletteEntries = 0;
    size_t paletteOffset = 0;
    // Offset of the three colour masks, for the bit-fields compression.
    size_t masksOffset = 0;
    size_t pixelOffset = 0;
    size_t pixelBytes = 0;
};

// True when the 14 bytes start with "BM".
bool IsBitmapFileHeader(const uint8_t* header, size_t size);
// Checks the bytes after the file header; offsets in *layout are from their
// start. False for anything that lies or that GDI would read past.
bool ParseBitmapInfo(const uint8_t* dib, size_t size, BitmapLayout* layout);

} // namespace ww
