#include "common/pe_headers.h"

#include "common/bytes.h"

#include <algorithm>
#include <cstring>

namespace ww {

namespace {

bool ReadAt(File& f, uint64_t offset, void* buf, size_t n) {
    return f.Seek(static_cast<int64_t>(offset), SEEK_SET) && f.ReadExact(buf, n);
}

} // namespace

bool ReadPeHeaderLayout(File& f, uint64_t fileSize, PeHeaderLayout* layout) {
    uint8_t dos[kDosHeaderSize];
    if (fileSize < sizeof dos || !ReadAt(f, 0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
        return false;
    const uint64_t pe = LoadU32(dos + kPeOffsetField);
    // The signature, the COFF header and the optional header's magic.
    uint8_t head[4 + kCoffHeaderSize + 2];
    if (pe > fileSize || fileSize - pe < sizeof head || !ReadAt(f, pe, head, sizeof head) ||
        std::memcmp(head, "PE\0\0", 4) != 0)
        return false;
    PeHeaderLayout l;
    l.coffOffset = static_cast<uint32_t>(pe + 4);
    l.sectionCount = LoadU16(head + 4 + 2);
    l.optionalSize = LoadU16(head + 4 + 16);
    l.optionalOffset = l.coffOffset + kCoffHeaderSize;
    l.sectionTableOffset = l.optionalOffset + l.optionalSize;
    const uint16_t magic = LoadU16(head + 4 + kCoffHeaderSize);
    if (magic != kPe32Magic && magic != kPe32PlusMagic)
        return false;
    l.pe32Plus = magic == kPe32PlusMagic;
    const uint32_t countField =
        l.pe32Plus ? kPe32PlusDirectoryCountField : kPe32DirectoryCountField;
    uint8_t count[4];
    if (l.optionalSize < countField + 4 || !ReadAt(f, l.optionalOffset + countField, count, 4))
        return false;
    l.dataDirectoryOffset = l.optionalOffset + countField + 4;
    const uint32_t room = (l.optionalSize - countField - 4) / kDataDirectorySize;
    l.statedDirectoryCount = std::min(LoadU32(count), kMaxDataDirectories);
    l.directoryCount = std::min(l.statedDirectoryCount, room);
    *layout = l;
    return true;
}

} // namespace ww
