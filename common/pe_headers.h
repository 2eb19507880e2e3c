// The headers of a PE image, read once for every reader of executables: the
// appended-data finder and the builder's resource editor.
//
// Read, little-endian: "MZ" at 0 and the PE header's offset (u32) at 0x3C;
// there "PE\0\0" and the 20-byte COFF header (NumberOfSections u16 at +2,
// SizeOfOptionalHeader u16 at +16), then the optional header: magic 0x10B
// (PE32) or 0x20B (PE32+), NumberOfRvaAndSizes (u32) at 92 or 108, and the
// data directories after it, an RVA and a size (u32 each) apiece; the
// security directory's first field is a file offset instead. The section
// table follows the optional header.
#pragma once

#include "common/file.h"

#include <cstddef>
#include <cstdint>

namespace ww {

constexpr size_t kDosHeaderSize = 64;
constexpr uint32_t kPeOffsetField = 0x3C;
constexpr size_t kCoffHeaderSize = 20;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kPe32DirectoryCountField = 92;
constexpr uint32_t kPe32PlusDirectoryCountField = 108;
constexpr uint32_t kMaxDataDirectories = 16;
constexpr uint32_t kDataDirectorySize = 8;
constexpr size_t kResourceDirectoryIndex = 2;
constexpr size_t kCertificateDirectoryIndex = 4; // holds a file offset, not an RVA
constexpr size_t kRelocationDirectoryIndex = 5;

// Where each header lies in the file, as file offsets.
struct PeHeaderLayout {
    uint32_t coffOffset = 0; // after "PE\0\0"
    uint32_t optionalOffset = 0;
    uint32_t optionalSize = 0;
    uint32_t sectionCount = 0;
    uint32_t sectionTableOffset = 0;
    bool pe32Plus = false;
    uint32_t dataDirectoryOffset = 0;
    // NumberOfRvaAndSizes, at most 16; and how many of those the optional
    // header holds.
    uint32_t statedDirectoryCount = 0;
    uint32_t directoryCount = 0;
};

// False when the file is no PE image or its optional header cannot hold the
// directory count. Moves the file's position.
bool ReadPeHeaderLayout(File& f, uint64_t fileSize, PeHeaderLayout* layout);

} // namespace ww
