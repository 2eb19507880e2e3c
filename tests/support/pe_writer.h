// Makes small PE32 and PE32+ executables with a resource tree, in the section
// layouts an icon replacement has to handle, and reads back the header facts
// a test checks. Written from the PE/COFF layout independently of the
// builder's own editor.
#pragma once

#include "tests/support/fixtures.h"

#include <string>
#include <vector>

namespace ww::test {

enum class PeLayout {
    kResourceLast,            // .text .data .rsrc
    kResourceThenRelocations, // .text .data .rsrc .reloc
    kResourceInMiddle,        // .text .data .rsrc .reloc .tail
    kNoResources,             // .text .data
};

struct PeFixtureResource {
    uint32_t type = 0;
    std::u16string typeName; // used instead of type when set
    uint32_t name = 0;
    std::u16string nameName;
    uint32_t language = 1033;
    Bytes data;
};

struct PeRecipe {
    bool pe32Plus = false;
    PeLayout layout = PeLayout::kResourceLast;
    std::vector<PeFixtureResource> resources; // sorted: type, then name
    Bytes symbols;                            // after the image, named by the COFF header
    Bytes overlay;                            // after that
    bool checksum = true;
};

// Icon 1 with the given image, group 128 naming it (and icon 2, 16 x 16), and
// a named resource.
PeRecipe SamplePeRecipe(const Bytes& iconImage);
Bytes MakePe(const PeRecipe& recipe);
// A 14-byte group entry for icon id.
Bytes IconGroupEntry(uint8_t width, uint8_t height, uint16_t bitCount, uint32_t size, uint16_t id);

struct PeSectionFacts {
    std::string name;
    uint32_t virtualSize, virtualAddress, sizeOfRawData, pointerToRawData;
};

struct PeFacts {
    bool ok = false;
    uint32_t sizeOfImage = 0;
    uint32_t sizeOfInitializedData = 0;
    uint32_t checksum = 0;
    size_t checksumAt = 0;
    uint32_t symbolTable = 0;
    uint32_t resourceRva = 0, resourceSize = 0;
    uint32_t relocationRva = 0;
    std::vector<PeSectionFacts> sections;
};

PeFacts ReadPeFacts(const Bytes& file);
// The PE checksum of the file with its checksum field taken as zero.
uint32_t PeChecksumOf(const Bytes& file, size_t fieldAt);

} // namespace ww::test
