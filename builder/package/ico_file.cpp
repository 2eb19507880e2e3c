#include "builder/package/ico_file.h"

#include "common/bytes.h"
#include "common/file.h"

namespace ww {

namespace {

constexpr uint32_t kBitmapInfoHeaderSize = 40;

// Planes and bit count from a BITMAPINFOHEADER at the start of the image;
// PNG images and other headers leave the entry as it was.
void FillDepthFromBitmapHeader(IconImage* image) {
    const std::vector<uint8_t>& b = image->bytes;
    if (b.size() < kBitmapInfoHeaderSize || LoadU32(b.data()) != kBitmapInfoHeaderSize)
        return;
    if (image->planes == 0)
        image->planes = LoadU16(b.data() + 12);
    if (image->bitCount == 0)
        image->bitCount = LoadU16(b.data() + 14);
}

} // namespace

bool ReadIconImage(const std::string& path, int index, IconImage* image) {
    if (index < 0)
        return false;
    File f(path, "rb");
    int64_t fileSize = f.IsOpen() ? f.Size() : -1;
    if (fileSize < static_cast<int64_t>(kIconHeaderSize))
        return false;
    const uint64_t size = static_cast<uint64_t>(fileSize);

    uint8_t header[kIconHeaderSize];
    if (!f.ReadExact(header, sizeof header))
        return false;
    const uint32_t count = LoadU16(header + 4);
    if (static_cast<uint32_t>(index) >= count)
        return false;
    if (uint64_t(count) * kIconEntrySize > size - kIconHeaderSize)
        return false;

    uint8_t entry[kIconEntrySize];
    if (!f.Seek(static_cast<int64_t>(kIconHeaderSize + size_t(index) * kIconEntrySize), SEEK_SET) ||
        !f.ReadExact(entry, sizeof entry))
        return false;
    ByteReader r(entry, sizeof entry);
    IconImage read;
    read.width = r.U8();
    read.height = r.U8();
    read.colourCount = r.U8();
    read.reserved = r.U8();
    read.planes = r.U16();
    read.bitCount = r.U16();
    const uint32_t imageSize = r.U32();
    const uint32_t imageOffset = r.U32();
    if (!r.ok() || imageSize == 0 || imageSize > kMaxIconImageSize || imageOffset > size ||
        imageSize > size - imageOffset)
        return false;

    read.bytes.resize(imageSize);
    if (!f.Seek(imageOffset, SEEK_SET) || !f.ReadExact(read.bytes.data(), imageSize))
        return false;
    FillDepthFromBitmapHeader(&read);
    *image = std::move(read);
    return true;
}

int PatchIconGroup(std::vector<uint8_t>* group, uint16_t iconId, const IconImage& image) {
    std::vector<uint8_t>& g = *group;
    if (g.size() < kIconHeaderSize)
        return 0;
    const size_t count = LoadU16(g.data() + 4);
    if (count > (g.size() - kIconHeaderSize) / kIconGroupEntrySize)
        return 0;
    int changed = 0;
    for (size_t i = 0; i < count; ++i) {
        uint8_t* e = g.data() + kIconHeaderSize + i * kIconGroupEntrySize;
        if (LoadU16(e + 12) != iconId)
            continue;
        ByteWriter w(e, 12);
        w.U8(image.width);
        w.U8(image.height);
        w.U8(image.colourCount);
        w.U8(image.reserved);
        w.U16(image.planes);
        w.U16(image.bitCount);
        w.U32(static_cast<uint32_t>(image.bytes.size()));
        ++changed;
    }
    return changed;
}

} // namespace ww
