// The resources of a PE32 or PE32+ executable, read and rewritten without the
// system's resource functions. Integers are little-endian.
//
// Headers:
//   0x00  "MZ"; at 0x3C the offset of the PE signature "PE\0\0"
//   COFF header (20 bytes, after the signature): machine (2), number of
//     sections (2), time stamp (4), pointer to symbol table (4), number of
//     symbols (4), size of optional header (2), characteristics (2)
//   optional header, magic 0x10B (PE32) or 0x20B (PE32+); offsets used:
//     8 size of initialized data, 32 section alignment, 36 file alignment,
//     56 size of image, 60 size of headers, 64 checksum, 92 (PE32) or 108
//     (PE32+) number of data directories, then the directories (8 bytes
//     each: RVA and size); 2 = resources, 4 = certificates (a file offset),
//     5 = base relocations
//   section table (40 bytes each): name (8), virtual size, virtual address,
//     size of raw data, pointer to raw data, pointers to relocations and line
//     numbers (4 each), their counts (2 each), characteristics (4)
//
// Resource section: a three-level tree (type, name, language) of directories.
// Directory (16 bytes): characteristics (4), time stamp (4), version (2 + 2),
// number of named entries (2), number of id entries (2), then the entries
// (8 bytes): name (high bit set: offset of a counted UTF-16 string; else the
// id), then offset (high bit set: a subdirectory; else a data entry). Data
// entry (16 bytes): RVA of the data, size, code page, reserved. Offsets are
// from the start of the resource directory, data positions are RVAs.
//
// Checked on reading: every header, table, directory, entry, string and datum
// lies inside the file or its section; section addresses ascend after the
// headers without overlap; counts and sizes are capped before anything is
// sized by them; the tree has exactly three levels.
//
// On writing, the resource tree is rebuilt. It stays where it was when it
// fits; a resource section that is the last one, or followed only by the base
// relocations, grows in place (the relocations move up); otherwise the tree
// goes into a new last section. Headers, section table, size of image, size
// of initialized data, the data directories and the checksum (when one was
// set) follow; every other byte, and whatever lies after the image, is kept.
#pragma once

#include "common/file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ww {

constexpr size_t kPeSectionHeaderSize = 40;
constexpr uint32_t kMaxPeSections = 96;
constexpr uint32_t kMaxPeHeaderBytes = 1024 * 1024;
constexpr uint32_t kMaxResourceSectionSize = 64 * 1024 * 1024;
constexpr uint32_t kMaxResourceEntries = 65536;

// A resource's type, name or language: an id, or a name when isName.
struct ResourceKey {
    bool isName = false;
    uint32_t id = 0;
    std::u16string name;

    static ResourceKey Id(uint32_t id) {
        ResourceKey k;
        k.id = id;
        return k;
    }
    bool Matches(uint32_t otherId) const { return !isName && id == otherId; }
};

struct ResourceDirectoryInfo {
    uint32_t characteristics = 0;
    uint32_t timeDateStamp = 0;
    uint16_t majorVersion = 0;
    uint16_t minorVersion = 0;
};

struct ResourceLanguage {
    ResourceKey key;
    uint32_t codePage = 0;
    uint32_t reserved = 0;
    std::vector<uint8_t> data;
};

struct ResourceName {
    ResourceKey key;
    ResourceDirectoryInfo info;
    std::vector<ResourceLanguage> languages;
};

struct ResourceType {
    ResourceKey key;
    ResourceDirectoryInfo info;
    std::vector<ResourceName> names;
};

struct ResourceTree {
    ResourceDirectoryInfo info;
    std::vector<ResourceType> types;

    // The data of one resource by ids; null when it is absent.
    std::vector<uint8_t>* Find(uint32_t type, uint32_t name, uint32_t language);
    // Replaces that resource's data, or adds the resource in id order.
    void Set(uint32_t type, uint32_t name, uint32_t language, std::vector<uint8_t> data);
};

struct PeSection {
    uint8_t name[8] = {};
    uint32_t virtualSize = 0;
    uint32_t virtualAddress = 0;
    uint32_t sizeOfRawData = 0;
    uint32_t pointerToRawData = 0;
    uint32_t pointerToRelocations = 0;
    uint32_t pointerToLinenumbers = 0;
    uint16_t numberOfRelocations = 0;
    uint16_t numberOfLinenumbers = 0;
    uint32_t characteristics = 0;
};

struct PeDataDirectory {
    uint32_t rva = 0;
    uint32_t size = 0;
};

// What follows an image in its file (a symbol table, certificates, appended
// data): where it starts, its length, the file offsets that point into it, and
// whether the file carried a checksum.
struct PeOverlay {
    uint64_t at = 0;
    uint64_t size = 0;
    uint32_t symbolTable = 0;
    uint32_t certificates = 0;
    bool checksum = false;
};

// An executable opened for resource editing: headers, section table and the
// resource tree are read into memory, every other byte stays on disk until
// WriteTo copies it.
class PeResourceEditor {
  public:
    // False when the file cannot be read or is not a well-formed PE image.
    bool Open(const std::string& path);
    void Close() { in_.Close(); }

    const std::vector<PeSection>& sections() const { return sections_; }
    ResourceTree& resources() { return tree_; }

    // Writes the executable with the current tree to out, positioned at its
    // start; false when no layout can hold it or a read or write fails. Once
    // per Open: the layout it chose stays in the editor.
    bool WriteTo(File& out);

    PeOverlay overlay() const;
    // Writes this image without what follows it, then the overlay taken from
    // another file (where this image came from); offsets that pointed into the
    // overlay follow it, and the checksum is set when the overlay says so.
    bool WriteImageWithOverlay(File& out, const std::string& from, const PeOverlay& overlay);

  private:
    struct Piece;
    bool ReadHeaders();
    bool ReadSections();
    bool ReadResources();
    bool ReadRva(uint32_t rva, uint32_t size, std::vector<uint8_t>* out);
    int SectionOfRva(uint32_t rva) const;
    uint32_t SpanOf(const PeSection& s) const;
    bool OtherDirectoryInside(int section, int allowedDirectory) const;
    bool PlanInPlace(const std::vector<uint8_t>& probe, std::vector<Piece>* plan);
    bool PlanGrowLast(const std::vector<uint8_t>& probe, std::vector<Piece>* plan);
    bool PlanNewSection(const std::vector<uint8_t>& probe, std::vector<Piece>* plan);
    bool WritePlan(const std::vector<Piece>& plan, File& out, bool checksum);
    void StoreSectionTable();
    void ShiftOverlayPointers(uint64_t newImageEnd);
    uint32_t ImageSizeFromSections() const;
    int64_t InitializedRawBytes() const;

    File in_;
    uint64_t fileSize_ = 0;
    uint32_t coffOffset_ = 0;
    uint32_t optionalOffset_ = 0;
    uint32_t sectionTableOffset_ = 0;
    uint32_t sectionAlignment_ = 0;
    uint32_t fileAlignment_ = 0;
    uint32_t sizeOfHeaders_ = 0;
    uint32_t dataDirectoryOffset_ = 0;
    std::vector<PeDataDirectory> directories_;
    std::vector<PeSection> sections_;
    // The file's first bytes: headers and section table, plus room for one
    // more section header when the file has it.
    std::vector<uint8_t> headers_;
    bool roomForSection_ = false;
    uint64_t imageEnd_ = 0;
    int resourceSection_ = -1;
    ResourceTree tree_;
};

// The resource section bytes of tree, laid out for the given RVA.
std::vector<uint8_t> BuildResourceSection(const ResourceTree& tree, uint32_t rva);

// The PE checksum of a stream of bytes with the checksum field counted as
// zero: 16-bit words summed with end-around carry, plus the length.
class PeChecksum {
  public:
    explicit PeChecksum(uint64_t fieldOffset) : field_(fieldOffset) {}
    void Add(const uint8_t* data, size_t n);
    uint32_t Value() const;

  private:
    uint64_t field_;
    uint64_t pos_ = 0;
    uint64_t sum_ = 0;
};

} // namespace ww
