#include "tests/support/pe_writer.h"

#include "tests/support/icon_writer.h"

#include <cstring>

namespace ww::test {

namespace {

constexpr uint32_t kFileAlign = 0x200;
constexpr uint32_t kSectionAlign = 0x1000;
constexpr uint32_t kHeaderSize = 0x400;
constexpr uint32_t kPeAt = 0x80;

uint32_t Align(uint32_t v, uint32_t a) {
    return (v + a - 1) / a * a;
}

void Set16(Bytes& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Set32(Bytes& b, size_t at, uint32_t v) {
    Set16(b, at, v & 0xFFFF);
    Set16(b, at + 2, v >> 16);
}

uint32_t Get16(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8);
}

uint32_t Get32(const Bytes& b, size_t at) {
    return Get16(b, at) | (Get16(b, at + 2) << 16);
}

struct NameNode {
    uint32_t id;
    std::u16string name;
    std::vector<const PeFixtureResource*> languages;
};

struct TypeNode {
    uint32_t id;
    std::u16string name;
    std::vector<NameNode> names;
};

std::vector<TypeNode> Group(const std::vector<PeFixtureResource>& resources) {
    std::vector<TypeNode> types;
    for (const PeFixtureResource& r : resources) {
        if (types.empty() || types.back().id != r.type || types.back().name != r.typeName)
            types.push_back({r.type, r.typeName, {}});
        std::vector<NameNode>& names = types.back().names;
        if (names.empty() || names.back().id != r.name || names.back().name != r.nameName)
            names.push_back({r.name, r.nameName, {}});
        names.back().languages.push_back(&r);
    }
    return types;
}

// Depth first: each type's directory followed by its names' directories;
// then data entries, strings and the data on 4-byte boundaries.
Bytes BuildTree(const std::vector<PeFixtureResource>& resources, uint32_t rva) {
    const std::vector<TypeNode> types = Group(resources);
    uint32_t pos = 16 + 8 * uint32_t(types.size());
    std::vector<uint32_t> typeAt, nameAt;
    uint32_t leaves = 0, strings = 0;
    for (const TypeNode& t : types) {
        typeAt.push_back(pos);
        pos += 16 + 8 * uint32_t(t.names.size());
        strings += t.name.empty() ? 0 : 2 + 2 * uint32_t(t.name.size());
        for (const NameNode& n : t.names) {
            nameAt.push_back(pos);
            pos += 16 + 8 * uint32_t(n.languages.size());
            strings += n.name.empty() ? 0 : 2 + 2 * uint32_t(n.name.size());
            leaves += uint32_t(n.languages.size());
        }
    }
    uint32_t leafAt = pos;
    uint32_t stringAt = leafAt + 16 * leaves;
    uint32_t dataAt = Align(stringAt + strings, 4);
    uint32_t total = dataAt;
    for (const PeFixtureResource& r : resources)
        total = Align(total + uint32_t(r.data.size()), 4);
    Bytes b(total, 0);

    auto key = [&](uint32_t id, const std::u16string& name) {
        if (name.empty())
            return id;
        uint32_t at = stringAt;
        Set16(b, at, uint32_t(name.size()));
        for (size_t i = 0; i < name.size(); ++i)
            Set16(b, at + 2 + 2 * i, name[i]);
        stringAt += 2 + 2 * uint32_t(name.size());
        return 0x80000000u | at;
    };
    auto header = [&](uint32_t at, uint32_t named, uint32_t count) {
        Set16(b, at + 12, named);
        Set16(b, at + 14, count - named);
    };
    auto named = [](const auto& nodes) {
        uint32_t n = 0;
        for (const auto& node : nodes)
            n += node.name.empty() ? 0 : 1;
        return n;
    };
    header(0, named(types), uint32_t(types.size()));
    size_t ni = 0;
    for (size_t ti = 0; ti < types.size(); ++ti) {
        const TypeNode& t = types[ti];
        Set32(b, 16 + 8 * ti, key(t.id, t.name));
        Set32(b, 16 + 8 * ti + 4, 0x80000000u | typeAt[ti]);
        header(typeAt[ti], named(t.names), uint32_t(t.names.size()));
        for (size_t k = 0; k < t.names.size(); ++k, ++ni) {
            const NameNode& n = t.names[k];
            Set32(b, typeAt[ti] + 16 + 8 * k, key(n.id, n.name));
            Set32(b, typeAt[ti] + 16 + 8 * k + 4, 0x80000000u | nameAt[ni]);
            header(nameAt[ni], 0, uint32_t(n.languages.size()));
            for (size_t l = 0; l < n.languages.size(); ++l) {
                const PeFixtureResource& r = *n.languages[l];
                Set32(b, nameAt[ni] + 16 + 8 * l, r.language);
                Set32(b, nameAt[ni] + 16 + 8 * l + 4, leafAt);
                Set32(b, leafAt, rva + dataAt);
                Set32(b, leafAt + 4, uint32_t(r.data.size()));
                if (!r.data.empty())
                    std::memcpy(&b[dataAt], r.data.data(), r.data.size());
                dataAt = Align(dataAt + uint32_t(r.data.size()), 4);
                leafAt += 16;
            }
        }
    }
    return b;
}

struct Section {
    const char* name;
    Bytes data;
    uint32_t characteristics;
    uint32_t virtualAddress = 0;
    uint32_t pointer = 0;
};

} // namespace

Bytes IconGroupEntry(uint8_t width, uint8_t height, uint16_t bitCount, uint32_t size, uint16_t id) {
    Bytes e(14, 0);
    e[0] = width;
    e[1] = height;
    Set16(e, 4, 1);
    Set16(e, 6, bitCount);
    Set32(e, 8, size);
    Set16(e, 12, id);
    return e;
}

PeRecipe SamplePeRecipe(const Bytes& iconImage) {
    PeRecipe recipe;
    const Bytes small = MakeIconImage(16, 9).bytes;
    Bytes group = {0, 0, 1, 0, 2, 0};
    for (const Bytes& e : {IconGroupEntry(32, 32, 32, uint32_t(iconImage.size()), 1),
                           IconGroupEntry(16, 16, 32, uint32_t(small.size()), 2)})
        group.insert(group.end(), e.begin(), e.end());
    recipe.resources = {
        {0, u"NOTE", 0, u"FIRST", 1033, PatternBytes(37, 2)},
        {3, u"", 1, u"", 1033, iconImage},
        {3, u"", 2, u"", 1033, small},
        {14, u"", 128, u"", 1033, group},
        {16, u"", 1, u"", 0, PatternBytes(92, 6)},
    };
    return recipe;
}

Bytes MakePe(const PeRecipe& recipe) {
    std::vector<Section> sections = {
        {".text", PatternBytes(0x180, 1), 0x60000020},
        {".data", PatternBytes(0x90, 2), 0xC0000040},
    };
    const bool resources = recipe.layout != PeLayout::kNoResources;
    if (resources)
        sections.push_back({".rsrc", {}, 0x40000040});
    if (recipe.layout == PeLayout::kResourceThenRelocations ||
        recipe.layout == PeLayout::kResourceInMiddle) {
        Bytes block(12, 0);
        Set32(block, 0, 0x1000);
        Set32(block, 4, 12);
        Set16(block, 8, 0x3010);
        sections.push_back({".reloc", block, 0x42000040});
    }
    if (recipe.layout == PeLayout::kResourceInMiddle)
        sections.push_back({".tail", PatternBytes(0x300, 3), 0xC0000040});

    uint32_t va = kSectionAlign, at = kHeaderSize, initialized = 0;
    for (Section& s : sections) {
        s.virtualAddress = va;
        if (std::strcmp(s.name, ".rsrc") == 0)
            s.data = BuildTree(recipe.resources, va);
        s.pointer = at;
        va += Align(uint32_t(s.data.size()), kSectionAlign);
        at += Align(uint32_t(s.data.size()), kFileAlign);
        if (s.characteristics & 0x40)
            initialized += Align(uint32_t(s.data.size()), kFileAlign);
    }

    Bytes b(at, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Set32(b, 0x3C, kPeAt);
    std::memcpy(&b[kPeAt], "PE\0\0", 4);
    const size_t coff = kPeAt + 4, opt = coff + 20;
    const uint32_t optSize = recipe.pe32Plus ? 240 : 224;
    Set16(b, coff, recipe.pe32Plus ? 0x8664 : 0x14C);
    Set16(b, coff + 2, uint32_t(sections.size()));
    Set32(b, coff + 8, recipe.symbols.empty() ? 0 : at);
    Set32(b, coff + 12, uint32_t(recipe.symbols.size() / 18));
    Set16(b, coff + 16, optSize);
    Set16(b, coff + 18, recipe.pe32Plus ? 0x22 : 0x102);
    Set16(b, opt, recipe.pe32Plus ? 0x20B : 0x10B);
    Set32(b, opt + 4, 0x200);
    Set32(b, opt + 8, initialized);
    Set32(b, opt + 16, 0x1000);
    Set32(b, opt + 20, 0x1000);
    if (recipe.pe32Plus) {
        Set32(b, opt + 24, 0x40000000);
        Set32(b, opt + 28, 0x1);
    } else {
        Set32(b, opt + 28, 0x400000);
    }
    Set32(b, opt + 32, kSectionAlign);
    Set32(b, opt + 36, kFileAlign);
    Set16(b, opt + 40, 4);
    Set16(b, opt + 48, 4);
    Set32(b, opt + 56, va);
    Set32(b, opt + 60, kHeaderSize);
    Set16(b, opt + 68, 2);
    const size_t dirs = opt + (recipe.pe32Plus ? 108 : 92);
    Set32(b, dirs, 16);
    size_t table = opt + optSize;
    for (const Section& s : sections) {
        std::memcpy(&b[table], s.name, std::strlen(s.name));
        Set32(b, table + 8, uint32_t(s.data.size()));
        Set32(b, table + 12, s.virtualAddress);
        Set32(b, table + 16, Align(uint32_t(s.data.size()), kFileAlign));
        Set32(b, table + 20, s.pointer);
        Set32(b, table + 36, s.characteristics);
        table += 40;
        std::memcpy(&b[s.pointer], s.data.data(), s.data.size());
        if (std::strcmp(s.name, ".rsrc") == 0) {
            Set32(b, dirs + 4 + 8 * 2, s.virtualAddress);
            Set32(b, dirs + 4 + 8 * 2 + 4, uint32_t(s.data.size()));
        }
        if (std::strcmp(s.name, ".reloc") == 0) {
            Set32(b, dirs + 4 + 8 * 5, s.virtualAddress);
            Set32(b, dirs + 4 + 8 * 5 + 4, uint32_t(s.data.size()));
        }
    }
    b.insert(b.end(), recipe.symbols.begin(), recipe.symbols.end());
    b.insert(b.end(), recipe.overlay.begin(), recipe.overlay.end());
    if (recipe.checksum)
        Set32(b, opt + 64, PeChecksumOf(b, opt + 64));
    return b;
}

PeFacts ReadPeFacts(const Bytes& b) {
    PeFacts f;
    if (b.size() < 0x40 || Get32(b, 0x3C) + 24 > b.size())
        return f;
    const size_t coff = Get32(b, 0x3C) + 4, opt = coff + 20;
    const size_t optSize = Get16(b, coff + 16);
    const size_t count = Get16(b, coff + 2);
    if (opt + optSize + 40 * count > b.size())
        return f;
    const bool plus = Get16(b, opt) == 0x20B;
    const size_t dirs = opt + (plus ? 112 : 96);
    f.sizeOfInitializedData = Get32(b, opt + 8);
    f.sizeOfImage = Get32(b, opt + 56);
    f.checksumAt = opt + 64;
    f.checksum = Get32(b, opt + 64);
    f.symbolTable = Get32(b, coff + 8);
    f.resourceRva = Get32(b, dirs + 16);
    f.resourceSize = Get32(b, dirs + 20);
    f.relocationRva = Get32(b, dirs + 40);
    for (size_t i = 0; i < count; ++i) {
        const size_t s = opt + optSize + 40 * i;
        std::string name(reinterpret_cast<const char*>(&b[s]), 8);
        name.resize(name.find('\0') == std::string::npos ? 8 : name.find('\0'));
        f.sections.push_back(
            {name, Get32(b, s + 8), Get32(b, s + 12), Get32(b, s + 16), Get32(b, s + 20)});
    }
    f.ok = true;
    return f;
}

uint32_t PeChecksumOf(const Bytes& file, size_t fieldAt) {
    uint32_t sum = 0;
    for (size_t i = 0; i < file.size(); i += 2) {
        uint32_t word = file[i] | (i + 1 < file.size() ? file[i + 1] << 8 : 0);
        if (i >= fieldAt && i < fieldAt + 4)
            word = 0;
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return (sum & 0xFFFF) + uint32_t(file.size());
}

} // namespace ww::test
