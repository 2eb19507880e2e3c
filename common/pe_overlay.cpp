#include "common/pe_overlay.h"

#include "common/bytes.h"

namespace ww {

namespace {

constexpr uint32_t kPeOffsetField = 0x3C;
constexpr size_t kCoffHeaderSize = 24; // the signature and the COFF header
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kSecurityDirectory = 4;
constexpr uint32_t kDirectoryEntrySize = 8;
constexpr int64_t kTableAlignment = 8;
// Enough of the headers for PE32+'s security directory.
constexpr size_t kHeaderReadSize = kCoffHeaderSize + 112 + 5 * kDirectoryEntrySize;

bool ReadAt(File& f, int64_t offset, void* buf, size_t n) {
    return f.Seek(offset, SEEK_SET) && f.ReadExact(buf, n);
}

struct SecurityDirectory {
    int64_t headersEnd = 0;
    uint32_t offset = 0;
    uint32_t size = 0;
};

// The security directory as the headers state it; false when the file is no
// PE image or its headers cannot hold one.
bool ReadSecurityDirectory(File& f, int64_t fileSize, SecurityDirectory* dir) {
    uint8_t dos[kPeOffsetField + 4];
    if (fileSize < static_cast<int64_t>(sizeof dos) || !ReadAt(f, 0, dos, sizeof dos) ||
        dos[0] != 'M' || dos[1] != 'Z')
        return false;
    const int64_t pe = LoadU32(dos + kPeOffsetField);
    if (pe > fileSize - static_cast<int64_t>(kHeaderReadSize))
        return false;
    uint8_t raw[kHeaderReadSize];
    if (!ReadAt(f, pe, raw, sizeof raw))
        return false;
    ByteReader r(raw, sizeof raw);
    if (r.U32() != 0x00004550) // "PE\0\0"
        return false;
    r.Skip(16);
    const uint16_t optionalSize = r.U16();
    r.Skip(2);
    const uint16_t magic = r.U16();
    if (magic != kPe32Magic && magic != kPe32PlusMagic)
        return false;
    const size_t countAt = magic == kPe32Magic ? 92 : 108;
    const size_t entryAt = countAt + 4 + kSecurityDirectory * kDirectoryEntrySize;
    if (entryAt + kDirectoryEntrySize > optionalSize)
        return false;
    ByteReader d(raw + kCoffHeaderSize, sizeof raw - kCoffHeaderSize);
    d.Skip(countAt);
    if (d.U32() <= kSecurityDirectory)
        return false;
    d.Skip(kSecurityDirectory * kDirectoryEntrySize);
    dir->offset = d.U32();
    dir->size = d.U32();
    dir->headersEnd = pe + static_cast<int64_t>(kCoffHeaderSize) + optionalSize;
    return d.ok();
}

} // namespace

int64_t AppendedDataEnd(File& f) {
    const int64_t size = f.Size();
    SecurityDirectory dir;
    if (size < 0 || !ReadSecurityDirectory(f, size, &dir))
        return size;
    const int64_t start = dir.offset;
    if (dir.size == 0 || start < dir.headersEnd || start > size || dir.size != size - start)
        return size;
    // The tool's zero padding in front of an aligned table.
    int64_t end = start;
    if (start % kTableAlignment == 0) {
        uint8_t pad[kTableAlignment - 1];
        const int64_t padStart = end - static_cast<int64_t>(sizeof pad);
        if (padStart >= dir.headersEnd && ReadAt(f, padStart, pad, sizeof pad)) {
            for (size_t i = sizeof pad; i > 0 && pad[i - 1] == 0; --i)
                --end;
        }
    }
    return end;
}

} // namespace ww
