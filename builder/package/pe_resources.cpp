#include "builder/package/pe_resources.h"

#include "common/bytes.h"
#include "common/pe_headers.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace ww {

namespace {

constexpr uint32_t kMaxFileAlignment = 0x10000;
constexpr uint32_t kMaxSectionAlignment = 0x10000000;

// Offsets inside the optional header.
constexpr uint32_t kSizeOfInitializedDataField = 8;
constexpr uint32_t kSectionAlignmentField = 32;
constexpr uint32_t kFileAlignmentField = 36;
constexpr uint32_t kSizeOfImageField = 56;
constexpr uint32_t kSizeOfHeadersField = 60;
constexpr uint32_t kCheckSumField = 64;

constexpr uint32_t kSectionInitializedData = 0x00000040;
constexpr uint32_t kSectionRead = 0x40000000;
constexpr uint8_t kResourceSectionName[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};

constexpr size_t kResourceDirectorySize = 16;
constexpr size_t kResourceEntrySize = 8;
constexpr size_t kResourceDataEntrySize = 16;
constexpr uint32_t kHighBit = 0x80000000u;
constexpr uint32_t kResourceDataAlignment = 8;

bool IsPowerOfTwo(uint32_t v) {
    return v != 0 && (v & (v - 1)) == 0;
}

uint64_t AlignUp(uint64_t v, uint32_t alignment) {
    return (v + alignment - 1) / alignment * alignment;
}

bool FitsU32(uint64_t v) {
    return v <= 0xFFFFFFFFu;
}

// ---- reading the tree ----

struct TreeSource {
    const std::vector<uint8_t>& dir;
    uint32_t dirRva;
    std::function<bool(uint32_t, uint32_t, std::vector<uint8_t>*)> readRva;
    uint32_t entryBudget;
    uint64_t dataBudget;
};

struct RawEntry {
    uint32_t name;
    uint32_t offset;
};

bool ReadDirectory(TreeSource& src, uint32_t offset, ResourceDirectoryInfo* info,
                   std::vector<RawEntry>* entries) {
    const std::vector<uint8_t>& dir = src.dir;
    if (offset > dir.size() || dir.size() - offset < kResourceDirectorySize)
        return false;
    ByteReader r(dir.data() + offset, dir.size() - offset);
    info->characteristics = r.U32();
    info->timeDateStamp = r.U32();
    info->majorVersion = r.U16();
    info->minorVersion = r.U16();
    uint32_t count = r.U16();
    count += r.U16();
    if (count > src.entryBudget || count > r.remaining() / kResourceEntrySize)
        return false;
    src.entryBudget -= count;
    entries->resize(count);
    for (RawEntry& e : *entries) {
        e.name = r.U32();
        e.offset = r.U32();
    }
    return r.ok();
}

bool ReadKey(const TreeSource& src, uint32_t field, ResourceKey* key) {
    if ((field & kHighBit) == 0) {
        *key = ResourceKey::Id(field);
        return true;
    }
    const std::vector<uint8_t>& dir = src.dir;
    const uint32_t at = field & ~kHighBit;
    if (at > dir.size() || dir.size() - at < 2)
        return false;
    const size_t length = LoadU16(dir.data() + at);
    if (length > (dir.size() - at - 2) / 2)
        return false;
    key->isName = true;
    key->id = 0;
    key->name.resize(length);
    for (size_t i = 0; i < length; ++i)
        key->name[i] = static_cast<char16_t>(LoadU16(dir.data() + at + 2 + 2 * i));
    return true;
}

bool ReadLeaf(TreeSource& src, uint32_t offset, ResourceLanguage* leaf) {
    const std::vector<uint8_t>& dir = src.dir;
    if ((offset & kHighBit) != 0 || offset > dir.size() ||
        dir.size() - offset < kResourceDataEntrySize)
        return false;
    ByteReader r(dir.data() + offset, kResourceDataEntrySize);
    const uint32_t rva = r.U32();
    const uint32_t size = r.U32();
    leaf->codePage = r.U32();
    leaf->reserved = r.U32();
    if (size > src.dataBudget)
        return false;
    src.dataBudget -= size;
    // Data inside the directory's own span is at hand; elsewhere it is read
    // from whichever section holds it.
    if (rva >= src.dirRva && rva - src.dirRva <= dir.size() &&
        size <= dir.size() - (rva - src.dirRva)) {
        const uint8_t* p = dir.data() + (rva - src.dirRva);
        leaf->data.assign(p, p + size);
        return true;
    }
    return src.readRva(rva, size, &leaf->data);
}

bool ReadSubdirectory(TreeSource& src, const RawEntry& e, ResourceKey* key,
                      ResourceDirectoryInfo* info, std::vector<RawEntry>* entries) {
    return (e.offset & kHighBit) != 0 && ReadKey(src, e.name, key) &&
           ReadDirectory(src, e.offset & ~kHighBit, info, entries);
}

bool ReadTree(TreeSource& src, ResourceTree* tree) {
    std::vector<RawEntry> typeEntries;
    if (!ReadDirectory(src, 0, &tree->info, &typeEntries))
        return false;
    for (const RawEntry& te : typeEntries) {
        ResourceType type;
        std::vector<RawEntry> nameEntries;
        if (!ReadSubdirectory(src, te, &type.key, &type.info, &nameEntries))
            return false;
        for (const RawEntry& ne : nameEntries) {
            ResourceName name;
            std::vector<RawEntry> languageEntries;
            if (!ReadSubdirectory(src, ne, &name.key, &name.info, &languageEntries))
                return false;
            for (const RawEntry& le : languageEntries) {
                ResourceLanguage language;
                if (!ReadKey(src, le.name, &language.key) || !ReadLeaf(src, le.offset, &language))
                    return false;
                name.languages.push_back(std::move(language));
            }
            type.names.push_back(std::move(name));
        }
        tree->types.push_back(std::move(type));
    }
    return true;
}

// ---- writing the tree ----

// Indexes of nodes with named entries first, as the directory's two counts
// require, each group in its stored order.
template <class Node> std::vector<size_t> EntryOrder(const std::vector<Node>& nodes) {
    std::vector<size_t> order;
    for (size_t i = 0; i < nodes.size(); ++i)
        if (nodes[i].key.isName)
            order.push_back(i);
    for (size_t i = 0; i < nodes.size(); ++i)
        if (!nodes[i].key.isName)
            order.push_back(i);
    return order;
}

template <class Node> uint16_t NamedCount(const std::vector<Node>& nodes) {
    return static_cast<uint16_t>(
        std::count_if(nodes.begin(), nodes.end(), [](const Node& n) { return n.key.isName; }));
}

size_t StringSize(const ResourceKey& key) {
    return key.isName ? 2 + 2 * key.name.size() : 0;
}

// Layout: all directories (root, types, names), the data entries, the name
// strings, then each datum on an 8-byte boundary.
class SectionBuilder {
  public:
    SectionBuilder(const ResourceTree& tree, uint32_t rva) : tree_(tree), rva_(rva) {}

    std::vector<uint8_t> Build() {
        Measure();
        out_.assign(total_, 0);
        WriteAll();
        return std::move(out_);
    }

  private:
    void Measure() {
        size_t pos = kResourceDirectorySize + kResourceEntrySize * tree_.types.size();
        size_t leaves = 0;
        size_t strings = 0;
        for (const ResourceType& t : tree_.types) {
            typeDir_.push_back(pos);
            pos += kResourceDirectorySize + kResourceEntrySize * t.names.size();
            strings += StringSize(t.key);
        }
        for (const ResourceType& t : tree_.types) {
            for (const ResourceName& n : t.names) {
                nameDir_.push_back(pos);
                pos += kResourceDirectorySize + kResourceEntrySize * n.languages.size();
                strings += StringSize(n.key);
                for (const ResourceLanguage& l : n.languages) {
                    strings += StringSize(l.key);
                    ++leaves;
                }
            }
        }
        leafAt_ = pos;
        stringAt_ = leafAt_ + kResourceDataEntrySize * leaves;
        dataAt_ = AlignUp(stringAt_ + strings, kResourceDataAlignment);
        total_ = dataAt_;
        for (const ResourceType& t : tree_.types)
            for (const ResourceName& n : t.names)
                for (const ResourceLanguage& l : n.languages)
                    total_ = AlignUp(total_ + l.data.size(), kResourceDataAlignment);
    }

    uint32_t AddString(const ResourceKey& key) {
        const size_t at = stringAt_;
        StoreU16(&out_[at], static_cast<uint16_t>(key.name.size()));
        for (size_t i = 0; i < key.name.size(); ++i)
            StoreU16(&out_[at + 2 + 2 * i], static_cast<uint16_t>(key.name[i]));
        stringAt_ += StringSize(key);
        return kHighBit | static_cast<uint32_t>(at);
    }

    uint32_t NameField(const ResourceKey& key) { return key.isName ? AddString(key) : key.id; }

    void WriteHeader(size_t at, const ResourceDirectoryInfo& info, uint16_t named, size_t count) {
        ByteWriter w(&out_[at], kResourceDirectorySize);
        w.U32(info.characteristics);
        w.U32(info.timeDateStamp);
        w.U16(info.majorVersion);
        w.U16(info.minorVersion);
        w.U16(named);
        w.U16(static_cast<uint16_t>(count - named));
    }

    void WriteEntry(size_t at, uint32_t name, uint32_t offset) {
        StoreU32(&out_[at], name);
        StoreU32(&out_[at + 4], offset);
    }

    uint32_t WriteLeaf(const ResourceLanguage& l) {
        const size_t entry = leafAt_;
        leafAt_ += kResourceDataEntrySize;
        if (!l.data.empty())
            std::memcpy(&out_[dataAt_], l.data.data(), l.data.size());
        ByteWriter w(&out_[entry], kResourceDataEntrySize);
        w.U32(rva_ + static_cast<uint32_t>(dataAt_));
        w.U32(static_cast<uint32_t>(l.data.size()));
        w.U32(l.codePage);
        w.U32(l.reserved);
        dataAt_ = AlignUp(dataAt_ + l.data.size(), kResourceDataAlignment);
        return static_cast<uint32_t>(entry);
    }

    void WriteAll() {
        const std::vector<ResourceType>& types = tree_.types;
        WriteHeader(0, tree_.info, NamedCount(types), types.size());
        size_t slot = kResourceDirectorySize;
        for (size_t ti : EntryOrder(types)) {
            WriteEntry(slot, NameField(types[ti].key),
                       kHighBit | static_cast<uint32_t>(typeDir_[ti]));
            slot += kResourceEntrySize;
        }
        size_t nameIndex = 0;
        for (size_t ti = 0; ti < types.size(); ++ti) {
            const ResourceType& t = types[ti];
            const size_t firstName = nameIndex;
            nameIndex += t.names.size();
            WriteHeader(typeDir_[ti], t.info, NamedCount(t.names), t.names.size());
            slot = typeDir_[ti] + kResourceDirectorySize;
            for (size_t ni : EntryOrder(t.names)) {
                WriteEntry(slot, NameField(t.names[ni].key),
                           kHighBit | static_cast<uint32_t>(nameDir_[firstName + ni]));
                slot += kResourceEntrySize;
            }
        }
        nameIndex = 0;
        for (const ResourceType& t : types) {
            for (const ResourceName& n : t.names) {
                const size_t at = nameDir_[nameIndex++];
                WriteHeader(at, n.info, NamedCount(n.languages), n.languages.size());
                slot = at + kResourceDirectorySize;
                for (size_t li : EntryOrder(n.languages)) {
                    const ResourceLanguage& l = n.languages[li];
                    WriteEntry(slot, NameField(l.key), WriteLeaf(l));
                    slot += kResourceEntrySize;
                }
            }
        }
    }

    const ResourceTree& tree_;
    uint32_t rva_;
    std::vector<size_t> typeDir_;
    std::vector<size_t> nameDir_;
    size_t leafAt_ = 0;
    size_t stringAt_ = 0;
    size_t dataAt_ = 0;
    size_t total_ = 0;
    std::vector<uint8_t> out_;
};

template <class Node> Node* FindNode(std::vector<Node>& nodes, uint32_t id) {
    for (Node& n : nodes)
        if (n.key.Matches(id))
            return &n;
    return nullptr;
}

// The node with that id, added before the first larger id when missing.
template <class Node> Node& FindOrAddNode(std::vector<Node>& nodes, uint32_t id) {
    if (Node* n = FindNode(nodes, id))
        return *n;
    auto at = std::find_if(nodes.begin(), nodes.end(),
                           [id](const Node& n) { return !n.key.isName && n.key.id > id; });
    Node node;
    node.key = ResourceKey::Id(id);
    return *nodes.insert(at, std::move(node));
}

} // namespace

// ---- tree ----

std::vector<uint8_t>* ResourceTree::Find(uint32_t type, uint32_t name, uint32_t language) {
    ResourceType* t = FindNode(types, type);
    ResourceName* n = t ? FindNode(t->names, name) : nullptr;
    ResourceLanguage* l = n ? FindNode(n->languages, language) : nullptr;
    return l ? &l->data : nullptr;
}

void ResourceTree::Set(uint32_t type, uint32_t name, uint32_t language, std::vector<uint8_t> data) {
    ResourceType& t = FindOrAddNode(types, type);
    ResourceName& n = FindOrAddNode(t.names, name);
    FindOrAddNode(n.languages, language).data = std::move(data);
}

std::vector<uint8_t> BuildResourceSection(const ResourceTree& tree, uint32_t rva) {
    return SectionBuilder(tree, rva).Build();
}

// ---- checksum ----

void PeChecksum::Add(const uint8_t* data, size_t n) {
    for (size_t i = 0; i < n; ++i, ++pos_) {
        if (pos_ >= field_ && pos_ - field_ < 4)
            continue;
        sum_ += (pos_ & 1) ? uint64_t(data[i]) << 8 : data[i];
    }
}

uint32_t PeChecksum::Value() const {
    uint64_t s = sum_;
    while (s > 0xFFFF)
        s = (s & 0xFFFF) + (s >> 16);
    return static_cast<uint32_t>(s + pos_);
}

// ---- reading the executable ----

struct PeResourceEditor::Piece {
    enum Kind { kMemory, kCopy, kZeros } kind;
    const std::vector<uint8_t>* bytes;
    uint64_t offset;
    uint64_t length;
    File* source; // for a copy; the opened executable when null

    static Piece Memory(const std::vector<uint8_t>& b) {
        return {kMemory, &b, 0, b.size(), nullptr};
    }
    static Piece Copy(uint64_t from, uint64_t to, File* source = nullptr) {
        return {kCopy, nullptr, from, to - from, source};
    }
    static Piece Zeros(uint64_t n) { return {kZeros, nullptr, 0, n, nullptr}; }
};

bool PeResourceEditor::Open(const std::string& path) {
    tree_ = ResourceTree();
    sections_.clear();
    directories_.clear();
    headers_.clear();
    resourceSection_ = -1;
    imageEnd_ = 0;
    roomForSection_ = false;
    if (!in_.Open(path, "rb"))
        return false;
    int64_t size = in_.Size();
    if (size < 0)
        return false;
    fileSize_ = static_cast<uint64_t>(size);
    return ReadHeaders() && ReadSections() && ReadResources();
}

bool PeResourceEditor::ReadHeaders() {
    PeHeaderLayout layout;
    if (!ReadPeHeaderLayout(in_, fileSize_, &layout))
        return false;
    const uint32_t peOffset = layout.coffOffset - 4;
    if (peOffset < kDosHeaderSize || peOffset > kMaxPeHeaderBytes || layout.sectionCount == 0 ||
        layout.sectionCount > kMaxPeSections)
        return false;
    coffOffset_ = layout.coffOffset;
    optionalOffset_ = layout.optionalOffset;
    sectionTableOffset_ = layout.sectionTableOffset;
    const uint64_t tableEnd =
        uint64_t(sectionTableOffset_) + kPeSectionHeaderSize * layout.sectionCount;
    if (tableEnd > fileSize_ || tableEnd > kMaxPeHeaderBytes)
        return false;
    // One more header's worth is read when present: the room a new section
    // would take.
    headers_.resize(std::min<uint64_t>(tableEnd + kPeSectionHeaderSize, fileSize_));
    if (!in_.Seek(0, SEEK_SET) || !in_.ReadExact(headers_.data(), headers_.size()))
        return false;
    if (layout.directoryCount <= kResourceDirectoryIndex ||
        layout.directoryCount < layout.statedDirectoryCount)
        return false;
    const uint8_t* opt = headers_.data() + optionalOffset_;
    dataDirectoryOffset_ = layout.dataDirectoryOffset;
    directories_.resize(layout.directoryCount);
    for (uint32_t i = 0; i < layout.directoryCount; ++i) {
        directories_[i].rva = LoadU32(headers_.data() + dataDirectoryOffset_ + 8 * i);
        directories_[i].size = LoadU32(headers_.data() + dataDirectoryOffset_ + 8 * i + 4);
    }
    sectionAlignment_ = LoadU32(opt + kSectionAlignmentField);
    fileAlignment_ = LoadU32(opt + kFileAlignmentField);
    sizeOfHeaders_ = LoadU32(opt + kSizeOfHeadersField);
    if (!IsPowerOfTwo(fileAlignment_) || !IsPowerOfTwo(sectionAlignment_) ||
        fileAlignment_ > kMaxFileAlignment || sectionAlignment_ > kMaxSectionAlignment ||
        fileAlignment_ > sectionAlignment_ || sizeOfHeaders_ < tableEnd)
        return false;
    sections_.resize(layout.sectionCount);
    return true;
}

uint32_t PeResourceEditor::SpanOf(const PeSection& s) const {
    return s.virtualSize != 0 ? s.virtualSize : s.sizeOfRawData;
}

bool PeResourceEditor::ReadSections() {
    const uint64_t tableEnd = sectionTableOffset_ + kPeSectionHeaderSize * sections_.size();
    imageEnd_ = std::min<uint64_t>(sizeOfHeaders_, fileSize_);
    uint64_t previousEnd = sizeOfHeaders_; // the headers are mapped first
    uint64_t firstRaw = fileSize_;
    for (size_t i = 0; i < sections_.size(); ++i) {
        PeSection& s = sections_[i];
        ByteReader r(headers_.data() + sectionTableOffset_ + kPeSectionHeaderSize * i,
                     kPeSectionHeaderSize);
        r.Bytes(s.name, sizeof s.name);
        s.virtualSize = r.U32();
        s.virtualAddress = r.U32();
        s.sizeOfRawData = r.U32();
        s.pointerToRawData = r.U32();
        s.pointerToRelocations = r.U32();
        s.pointerToLinenumbers = r.U32();
        s.numberOfRelocations = r.U16();
        s.numberOfLinenumbers = r.U16();
        s.characteristics = r.U32();
        if (!r.ok())
            return false;
        if (s.sizeOfRawData != 0) {
            if (s.pointerToRawData < tableEnd || s.pointerToRawData > fileSize_ ||
                s.sizeOfRawData > fileSize_ - s.pointerToRawData)
                return false;
            imageEnd_ =
                std::max<uint64_t>(imageEnd_, uint64_t(s.pointerToRawData) + s.sizeOfRawData);
            firstRaw = std::min<uint64_t>(firstRaw, s.pointerToRawData);
        }
        const uint64_t end = uint64_t(s.virtualAddress) + SpanOf(s);
        if (s.virtualAddress < previousEnd || !FitsU32(end))
            return false;
        previousEnd = end;
    }

    // A new section header needs zeros after the table, inside the headers,
    // before any section's data and outside every data directory.
    const uint64_t roomEnd = tableEnd + kPeSectionHeaderSize;
    bool room = headers_.size() == roomEnd && roomEnd <= sizeOfHeaders_ && roomEnd <= firstRaw &&
                sections_.size() < kMaxPeSections;
    for (uint64_t i = tableEnd; room && i < roomEnd; ++i)
        room = headers_[i] == 0;
    for (size_t d = 0; room && d < directories_.size(); ++d) {
        const PeDataDirectory& dir = directories_[d];
        if (d != kCertificateDirectoryIndex && dir.rva != 0 && dir.rva < roomEnd &&
            uint64_t(dir.rva) + std::max<uint32_t>(dir.size, 1) > tableEnd)
            room = false;
    }
    roomForSection_ = room;
    if (!room)
        headers_.resize(tableEnd);
    return true;
}

int PeResourceEditor::SectionOfRva(uint32_t rva) const {
    for (size_t i = 0; i < sections_.size(); ++i) {
        const PeSection& s = sections_[i];
        if (rva >= s.virtualAddress && rva - s.virtualAddress < SpanOf(s))
            return static_cast<int>(i);
    }
    return -1;
}

bool PeResourceEditor::ReadRva(uint32_t rva, uint32_t size, std::vector<uint8_t>* out) {
    const int index = SectionOfRva(rva);
    if (index < 0)
        return false;
    const PeSection& s = sections_[index];
    const uint32_t offset = rva - s.virtualAddress;
    if (size > SpanOf(s) - offset)
        return false;
    // Past its raw data a section reads as zeros, as it does when loaded.
    out->assign(size, 0);
    const uint32_t onDisk = s.sizeOfRawData > offset ? s.sizeOfRawData - offset : 0;
    const uint32_t n = std::min(size, onDisk);
    return n == 0 || (in_.Seek(int64_t(s.pointerToRawData) + offset, SEEK_SET) &&
                      in_.ReadExact(out->data(), n));
}

bool PeResourceEditor::ReadResources() {
    const PeDataDirectory& d = directories_[kResourceDirectoryIndex];
    if (d.rva == 0)
        return true; // no resources yet: the tree starts empty
    resourceSection_ = SectionOfRva(d.rva);
    if (resourceSection_ < 0)
        return false;
    const PeSection& s = sections_[resourceSection_];
    const uint32_t span = SpanOf(s) - (d.rva - s.virtualAddress);
    if (span > kMaxResourceSectionSize)
        return false;
    std::vector<uint8_t> dir;
    if (!ReadRva(d.rva, span, &dir))
        return false;
    TreeSource src{dir, d.rva,
                   [this](uint32_t rva, uint32_t size, std::vector<uint8_t>* out) {
                       return ReadRva(rva, size, out);
                   },
                   kMaxResourceEntries, kMaxResourceSectionSize};
    return ReadTree(src, &tree_);
}

// ---- writing the executable ----

bool PeResourceEditor::OtherDirectoryInside(int section, int allowedDirectory) const {
    const PeSection& s = sections_[section];
    const uint64_t begin = s.virtualAddress;
    const uint64_t end = begin + SpanOf(s);
    for (size_t d = 0; d < directories_.size(); ++d) {
        const PeDataDirectory& dir = directories_[d];
        if (int(d) == allowedDirectory || d == kCertificateDirectoryIndex || dir.rva == 0)
            continue;
        if (dir.rva < end && uint64_t(dir.rva) + std::max<uint32_t>(dir.size, 1) > begin)
            return true;
    }
    return false;
}

int64_t PeResourceEditor::InitializedRawBytes() const {
    int64_t total = 0;
    for (const PeSection& s : sections_)
        if (s.characteristics & kSectionInitializedData)
            total += s.sizeOfRawData;
    return total;
}

uint32_t PeResourceEditor::ImageSizeFromSections() const {
    uint64_t end = 0;
    for (const PeSection& s : sections_)
        end = std::max<uint64_t>(end, uint64_t(s.virtualAddress) + SpanOf(s));
    return static_cast<uint32_t>(AlignUp(end, sectionAlignment_));
}

// The tree rewritten over the old one when it fits in the section's raw data
// and address range: nothing else moves.
bool PeResourceEditor::PlanInPlace(const std::vector<uint8_t>& probe, std::vector<Piece>* plan) {
    if (resourceSection_ < 0)
        return false;
    PeSection& s = sections_[resourceSection_];
    const uint64_t size = probe.size();
    if (directories_[kResourceDirectoryIndex].rva != s.virtualAddress ||
        OtherDirectoryInside(resourceSection_, kResourceDirectoryIndex) || size > s.sizeOfRawData)
        return false;
    if (size_t(resourceSection_) + 1 < sections_.size() &&
        size > sections_[resourceSection_ + 1].virtualAddress - s.virtualAddress)
        return false;
    if (s.virtualSize != 0)
        s.virtualSize = std::max(s.virtualSize, static_cast<uint32_t>(size));
    const uint64_t begin = s.pointerToRawData;
    plan->push_back(Piece::Copy(headers_.size(), begin));
    plan->push_back(Piece::Memory(probe)); // replaced by the real bytes
    plan->push_back(Piece::Zeros(s.sizeOfRawData - size));
    plan->push_back(Piece::Copy(begin + s.sizeOfRawData, fileSize_));
    return true;
}

// A last resource section (or one followed only by the base relocations)
// grows where it is; the relocations move up behind it.
bool PeResourceEditor::PlanGrowLast(const std::vector<uint8_t>& probe, std::vector<Piece>* plan) {
    if (resourceSection_ < 0)
        return false;
    const size_t rs = size_t(resourceSection_);
    const size_t count = sections_.size();
    int reloc = -1;
    if (rs + 2 == count && directories_.size() > kRelocationDirectoryIndex &&
        directories_[kRelocationDirectoryIndex].rva != 0 &&
        directories_[kRelocationDirectoryIndex].rva == sections_[count - 1].virtualAddress &&
        !OtherDirectoryInside(int(count - 1), kRelocationDirectoryIndex))
        reloc = int(count - 1);
    else if (rs + 1 != count)
        return false;
    PeSection& s = sections_[rs];
    if (s.sizeOfRawData == 0 || directories_[kResourceDirectoryIndex].rva != s.virtualAddress ||
        OtherDirectoryInside(resourceSection_, kResourceDirectoryIndex))
        return false;
    for (size_t i = 0; i < count; ++i) {
        const PeSection& o = sections_[i];
        if (i == rs || int(i) == reloc || o.sizeOfRawData == 0)
            continue;
        if (uint64_t(o.pointerToRawData) + o.sizeOfRawData > s.pointerToRawData)
            return false;
    }
    if (reloc >= 0 && sections_[reloc].sizeOfRawData != 0 &&
        sections_[reloc].pointerToRawData < uint64_t(s.pointerToRawData) + s.sizeOfRawData)
        return false;

    const uint64_t newRaw = AlignUp(probe.size(), fileAlignment_);
    const uint64_t resourceEnd = uint64_t(s.pointerToRawData) + newRaw;
    uint64_t relocAddress = 0;
    uint64_t imageEnd = resourceEnd;
    if (reloc >= 0) {
        const PeSection& r = sections_[reloc];
        relocAddress = AlignUp(uint64_t(s.virtualAddress) + probe.size(), sectionAlignment_);
        imageEnd += r.sizeOfRawData;
        if (!FitsU32(relocAddress + SpanOf(r)))
            return false;
    }
    if (!FitsU32(imageEnd) || !FitsU32(uint64_t(s.virtualAddress) + probe.size()))
        return false;

    plan->push_back(Piece::Copy(headers_.size(), s.pointerToRawData));
    plan->push_back(Piece::Memory(probe));
    plan->push_back(Piece::Zeros(newRaw - probe.size()));
    if (reloc >= 0) {
        PeSection& r = sections_[reloc];
        if (r.sizeOfRawData != 0) {
            plan->push_back(
                Piece::Copy(r.pointerToRawData, uint64_t(r.pointerToRawData) + r.sizeOfRawData));
            r.pointerToRawData = static_cast<uint32_t>(resourceEnd);
        }
        r.virtualAddress = static_cast<uint32_t>(relocAddress);
        directories_[kRelocationDirectoryIndex].rva = r.virtualAddress;
    }
    plan->push_back(Piece::Copy(imageEnd_, fileSize_));
    s.virtualSize = static_cast<uint32_t>(probe.size());
    s.sizeOfRawData = static_cast<uint32_t>(newRaw);
    return true;
}

// The tree in a new section after all others; the old one keeps its bytes.
bool PeResourceEditor::PlanNewSection(const std::vector<uint8_t>& probe, std::vector<Piece>* plan) {
    if (!roomForSection_)
        return false;
    PeSection n;
    std::memcpy(n.name, kResourceSectionName, sizeof n.name);
    uint64_t addressEnd = sizeOfHeaders_;
    for (const PeSection& s : sections_)
        addressEnd = std::max<uint64_t>(addressEnd, uint64_t(s.virtualAddress) + SpanOf(s));
    const uint64_t address = AlignUp(addressEnd, sectionAlignment_);
    const uint64_t at = AlignUp(imageEnd_, fileAlignment_);
    const uint64_t raw = AlignUp(probe.size(), fileAlignment_);
    if (!FitsU32(address + probe.size()) || !FitsU32(at + raw))
        return false;
    n.virtualSize = static_cast<uint32_t>(probe.size());
    n.virtualAddress = static_cast<uint32_t>(address);
    n.sizeOfRawData = static_cast<uint32_t>(raw);
    n.pointerToRawData = static_cast<uint32_t>(at);
    n.characteristics = resourceSection_ >= 0 ? sections_[resourceSection_].characteristics
                                              : kSectionInitializedData | kSectionRead;
    plan->push_back(Piece::Copy(headers_.size(), imageEnd_));
    plan->push_back(Piece::Zeros(at - imageEnd_));
    plan->push_back(Piece::Memory(probe));
    plan->push_back(Piece::Zeros(raw - probe.size()));
    plan->push_back(Piece::Copy(imageEnd_, fileSize_));
    sections_.push_back(n);
    resourceSection_ = int(sections_.size() - 1);
    return true;
}

void PeResourceEditor::StoreSectionTable() {
    StoreU16(headers_.data() + coffOffset_ + 2, static_cast<uint16_t>(sections_.size()));
    for (size_t i = 0; i < sections_.size(); ++i) {
        const PeSection& s = sections_[i];
        ByteWriter w(headers_.data() + sectionTableOffset_ + kPeSectionHeaderSize * i,
                     kPeSectionHeaderSize);
        w.Bytes(s.name, sizeof s.name);
        w.U32(s.virtualSize);
        w.U32(s.virtualAddress);
        w.U32(s.sizeOfRawData);
        w.U32(s.pointerToRawData);
        w.U32(s.pointerToRelocations);
        w.U32(s.pointerToLinenumbers);
        w.U16(s.numberOfRelocations);
        w.U16(s.numberOfLinenumbers);
        w.U32(s.characteristics);
    }
}

// The COFF symbol table and the certificates are found by file offset; when
// they lie after the image they move with it.
void PeResourceEditor::ShiftOverlayPointers(uint64_t newImageEnd) {
    auto shift = [&](uint32_t v) {
        return v != 0 && v >= imageEnd_ ? static_cast<uint32_t>(v + (newImageEnd - imageEnd_)) : v;
    };
    uint8_t* symbols = headers_.data() + coffOffset_ + 8;
    StoreU32(symbols, shift(LoadU32(symbols)));
    if (directories_.size() > kCertificateDirectoryIndex)
        directories_[kCertificateDirectoryIndex].rva =
            shift(directories_[kCertificateDirectoryIndex].rva);
}

bool PeResourceEditor::WriteTo(File& out) {
    const std::vector<uint8_t> probe = BuildResourceSection(tree_, 0);
    if (probe.size() > kMaxResourceSectionSize)
        return false;
    const uint32_t oldImageSize = ImageSizeFromSections();
    const int64_t oldInitialized = InitializedRawBytes();

    std::vector<Piece> plan{Piece::Memory(headers_)};
    if (!PlanInPlace(probe, &plan) && !PlanGrowLast(probe, &plan) && !PlanNewSection(probe, &plan))
        return false;

    PeSection& s = sections_[resourceSection_];
    const std::vector<uint8_t> bytes = BuildResourceSection(tree_, s.virtualAddress);
    for (Piece& p : plan)
        if (p.kind == Piece::kMemory && p.bytes == &probe)
            p.bytes = &bytes;
    directories_[kResourceDirectoryIndex] = {s.virtualAddress, static_cast<uint32_t>(bytes.size())};

    // Sizes change by what changed, so a linker's own way of counting stays.
    uint8_t* opt = headers_.data() + optionalOffset_;
    const int64_t imageSize = int64_t(LoadU32(opt + kSizeOfImageField)) +
                              int64_t(ImageSizeFromSections()) - int64_t(oldImageSize);
    const int64_t initialized = int64_t(LoadU32(opt + kSizeOfInitializedDataField)) +
                                InitializedRawBytes() - oldInitialized;
    if (imageSize < 0 || !FitsU32(uint64_t(imageSize)) || initialized < 0 ||
        !FitsU32(uint64_t(initialized)))
        return false;
    StoreU32(opt + kSizeOfImageField, static_cast<uint32_t>(imageSize));
    StoreU32(opt + kSizeOfInitializedDataField, static_cast<uint32_t>(initialized));

    uint64_t newImageEnd = 0;
    for (const Piece& p : plan)
        newImageEnd += p.length;
    newImageEnd -= fileSize_ - imageEnd_; // the last piece is what follows the image
    ShiftOverlayPointers(newImageEnd);
    StoreSectionTable();
    for (size_t i = 0; i < directories_.size(); ++i) {
        StoreU32(headers_.data() + dataDirectoryOffset_ + 8 * i, directories_[i].rva);
        StoreU32(headers_.data() + dataDirectoryOffset_ + 8 * i + 4, directories_[i].size);
    }
    return WritePlan(plan, out, LoadU32(opt + kCheckSumField) != 0);
}

PeOverlay PeResourceEditor::overlay() const {
    PeOverlay o;
    o.at = imageEnd_;
    o.size = fileSize_ - imageEnd_;
    o.symbolTable = LoadU32(headers_.data() + coffOffset_ + 8);
    if (directories_.size() > kCertificateDirectoryIndex)
        o.certificates = directories_[kCertificateDirectoryIndex].rva;
    o.checksum = LoadU32(headers_.data() + optionalOffset_ + kCheckSumField) != 0;
    return o;
}

bool PeResourceEditor::WriteImageWithOverlay(File& out, const std::string& from,
                                             const PeOverlay& overlay) {
    File source(from, "rb");
    if (!source.IsOpen())
        return false;
    auto moved = [&](uint32_t pointer, uint32_t current) {
        return pointer != 0 && pointer >= overlay.at
                   ? static_cast<uint32_t>(imageEnd_ + (pointer - overlay.at))
                   : current;
    };
    uint8_t* symbols = headers_.data() + coffOffset_ + 8;
    StoreU32(symbols, moved(overlay.symbolTable, LoadU32(symbols)));
    if (directories_.size() > kCertificateDirectoryIndex) {
        uint8_t* certificates =
            headers_.data() + dataDirectoryOffset_ + 8 * kCertificateDirectoryIndex;
        StoreU32(certificates, moved(overlay.certificates, LoadU32(certificates)));
    }
    const std::vector<Piece> plan = {Piece::Memory(headers_),
                                     Piece::Copy(headers_.size(), imageEnd_),
                                     Piece::Copy(overlay.at, overlay.at + overlay.size, &source)};
    return WritePlan(plan, out, overlay.checksum);
}

bool PeResourceEditor::WritePlan(const std::vector<Piece>& plan, File& out, bool checksum) {
    const uint64_t checksumAt = optionalOffset_ + kCheckSumField;
    PeChecksum sum(checksumAt);
    std::vector<uint8_t> buf(kCopyBlockSize);
    for (const Piece& p : plan) {
        if (p.kind == Piece::kMemory) {
            sum.Add(p.bytes->data(), p.bytes->size());
            if (!out.Write(p.bytes->data(), p.bytes->size()))
                return false;
            continue;
        }
        File& source = p.source ? *p.source : in_;
        if (p.kind == Piece::kCopy && !source.Seek(int64_t(p.offset), SEEK_SET))
            return false;
        std::fill(buf.begin(), buf.end(), 0);
        for (uint64_t left = p.length; left > 0;) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(left, buf.size()));
            if (p.kind == Piece::kCopy && !source.ReadExact(buf.data(), n))
                return false;
            sum.Add(buf.data(), n);
            if (!out.Write(buf.data(), n))
                return false;
            left -= n;
        }
    }
    if (!checksum)
        return true;
    uint8_t value[4];
    StoreU32(value, sum.Value());
    return out.Seek(int64_t(checksumAt), SEEK_SET) && out.Write(value, sizeof value) &&
           out.Seek(0, SEEK_END);
}

} // namespace ww
