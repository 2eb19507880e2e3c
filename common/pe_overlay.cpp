#include "common/pe_overlay.h"

#include "common/bytes.h"
#include "common/pe_headers.h"

namespace ww {

namespace {

constexpr int64_t kTableAlignment = 8;

bool ReadAt(File& f, int64_t offset, void* buf, size_t n) {
    return f.Seek(offset, SEEK_SET) && f.ReadExact(buf, n);
}

struct SecurityDirectory {
    int64_t headersEnd = 0;
    uint32_t offset = 0;
    uint32_t size = 0;
};

// The security directory as the headers state it; false when the file is no
// PE image or its headers hold none.
bool ReadSecurityDirectory(File& f, int64_t fileSize, SecurityDirectory* dir) {
    PeHeaderLayout layout;
    if (!ReadPeHeaderLayout(f, static_cast<uint64_t>(fileSize), &layout) ||
        layout.directoryCount <= kCertificateDirectoryIndex)
        return false;
    uint8_t entry[kDataDirectorySize];
    if (!ReadAt(f, layout.dataDirectoryOffset + kCertificateDirectoryIndex * kDataDirectorySize,
                entry, sizeof entry))
        return false;
    dir->offset = LoadU32(entry);
    dir->size = LoadU32(entry + 4);
    dir->headersEnd = layout.sectionTableOffset;
    return true;
}

// Where the data before end stops once the zero bytes a signing tool pads it
// with (fewer than 8, up to an aligned end) are taken off.
int64_t WithoutPadding(File& f, int64_t end, int64_t floor) {
    if (end % kTableAlignment != 0)
        return end;
    uint8_t pad[kTableAlignment - 1];
    const int64_t padStart = end - static_cast<int64_t>(sizeof pad);
    if (padStart < floor || !ReadAt(f, padStart, pad, sizeof pad))
        return end;
    for (size_t i = sizeof pad; i > 0 && pad[i - 1] == 0; --i)
        --end;
    return end;
}

} // namespace

int64_t AppendedDataEnd(File& f) {
    const int64_t size = f.Size();
    SecurityDirectory dir;
    if (size < 0 || !ReadSecurityDirectory(f, size, &dir))
        return size;
    const int64_t start = dir.offset;
    if (dir.size != 0 && start >= dir.headersEnd && start <= size && dir.size == size - start)
        return WithoutPadding(f, start, dir.headersEnd);
    // A signature removed again (osslsigncode remove-signature) takes the
    // table and clears the directory but leaves the padding behind.
    if (dir.offset == 0 && dir.size == 0)
        return WithoutPadding(f, size, dir.headersEnd);
    return size;
}

} // namespace ww
