#include "common/win32/bitmap_file.h"

#include "common/bytes.h"

namespace ww {

namespace {

bool IsKnownHeaderSize(uint32_t size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

bool IsKnownBitCount(uint16_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

} // namespace

bool IsBitmapFileHeader(const uint8_t* header, size_t size) {
    return size >= kBitmapFileHeaderSize && header[0] == 'B' && header[1] == 'M';
}

bool ParseBitmapInfo(const uint8_t* dib, size_t size, BitmapLayout* layout) {
    ByteReader r(dib, size);
    const uint32_t headerSize = r.U32();
    const int32_t width = r.I32();
    const int32_t height = r.I32();
    const uint16_t planes = r.U16();
    const uint16_t bits = r.U16();
    const uint32_t compression = r.U32();
    r.Skip(12); // image size, resolution: recomputed or unused
    const uint32_t used = r.U32();
    if (!r.ok() || !IsKnownHeaderSize(headerSize) || headerSize > size || planes != 1 ||
        !IsKnownBitCount(bits))
        return false;
    if (width <= 0 || width > kBitmapSideLimit || height == 0 || height < -kBitmapSideLimit ||
        height > kBitmapSideLimit)
        return false;
    const bool bitFields = compression == kBitmapBitFields;
    if (compression != kBitmapRgb && !(bitFields && (bits == 16 || bits == 32)))
        return false;

    uint64_t tableEntries = used;
    uint32_t palette = 0;
    if (bits <= 8) {
        const uint32_t full = 1u << bits;
        if (used > full)
            return false;
        tableEntries = used == 0 ? full : used;
        palette = static_cast<uint32_t>(tableEntries);
    } else if (bitFields && headerSize == kBitmapInfoHeaderSize) {
        tableEntries += 3;
    }
    const uint64_t tableBytes = tableEntries * 4;
    if (tableBytes > size - headerSize)
        return false;
    const uint64_t pixelOffset = headerSize + tableBytes;
    const uint64_t stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    const uint64_t rows = height < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(height))
                                     : static_cast<uint64_t>(height);
    const uint64_t pixelBytes = stride * rows;
    if (pixelBytes > size - pixelOffset)
        return false;

    layout->width = width;
    layout->height = height;
    layout->bitCount = bits;
    layout->compression = compression;
    layout->paletteEntries = palette;
    layout->paletteOffset = headerSize;
    layout->masksOffset = bitFields ? kBitmapInfoHeaderSize : 0;
    layout->pixelOffset = static_cast<size_t>(pixelOffset);
    layout->pixelBytes = static_cast<size_t>(pixelBytes);
    return true;
}

} // namespace ww
