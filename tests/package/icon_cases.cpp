#include "tests/package/icon_cases.h"

#include "builder/package/ico_file.h"
#include "common/fs.h"
#include "common/path.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace ww::test {

const char* const kStubNames[4] = {"Wovenset.exe", "Wovenlite.exe", "Wovenplay.exe",
                                   "Wallweaver.exe"};

std::string StubFolder() {
#ifdef _WIN32
    std::string folder = FolderOfPath(ModuleFilePath());
#else
    std::string folder = std::string(WW_WINDOWS_BIN) + "/";
#endif
    return PathExists(folder + kStubNames[0]) ? folder : std::string();
}

std::vector<IconCase> IconCases() {
    return {
        {"smaller", {MakeIconImage(16, 1)}},
        {"larger", {MakeIconImage(48, 2)}},
        {"several", {MakeIconImage(48, 3), MakeIconImage(32, 4), MakeIconImage(16, 5)}},
    };
}

ResourceTree ResourcesOf(const std::string& exe) {
    PeResourceEditor editor;
    return editor.Open(exe) ? editor.resources() : ResourceTree();
}

namespace {

struct Leaf {
    std::string where;
    Bytes data;
};

std::string KeyText(const ResourceKey& k) {
    return k.isName ? std::string(k.name.begin(), k.name.end()) : std::to_string(k.id);
}

std::vector<Leaf> Leaves(const ResourceTree& tree) {
    std::vector<Leaf> leaves;
    for (const ResourceType& t : tree.types)
        for (const ResourceName& n : t.names)
            for (const ResourceLanguage& l : n.languages)
                leaves.push_back(
                    {KeyText(t.key) + "/" + KeyText(n.key) + "/" + KeyText(l.key), l.data});
    return leaves;
}

} // namespace

void ExpectOnlyTheIconChanged(const ResourceTree& before, const ResourceTree& after,
                              const IconFileImage& image) {
    std::vector<Leaf> old = Leaves(before), now = Leaves(after);
    ASSERT_EQ(old.size(), now.size());
    for (size_t i = 0; i < old.size(); ++i) {
        ASSERT_EQ(now[i].where, old[i].where);
        if (now[i].where == "3/1/1033") {
            EXPECT_EQ(now[i].data, image.bytes);
            continue;
        }
        if (now[i].where.rfind("14/", 0) != 0) {
            EXPECT_EQ(now[i].data, old[i].data) << now[i].where;
            continue;
        }
        // A group: entries naming icon 1 describe the image, the rest stay.
        const Bytes& g = now[i].data;
        ASSERT_EQ(g.size(), old[i].data.size());
        EXPECT_TRUE(std::equal(g.begin(), g.begin() + 6, old[i].data.begin()));
        for (size_t e = 6; e + kIconGroupEntrySize <= g.size(); e += kIconGroupEntrySize) {
            Bytes entry(g.begin() + e, g.begin() + e + kIconGroupEntrySize);
            Bytes was(old[i].data.begin() + e, old[i].data.begin() + e + kIconGroupEntrySize);
            if (entry[12] != 1 || entry[13] != 0) {
                EXPECT_EQ(entry, was);
                continue;
            }
            const uint32_t size = static_cast<uint32_t>(image.bytes.size());
            const Bytes expected = {image.width,
                                    image.height,
                                    image.colourCount,
                                    0,
                                    uint8_t(image.planes),
                                    uint8_t(image.planes >> 8),
                                    uint8_t(image.bitCount),
                                    uint8_t(image.bitCount >> 8),
                                    uint8_t(size),
                                    uint8_t(size >> 8),
                                    uint8_t(size >> 16),
                                    uint8_t(size >> 24),
                                    1,
                                    0};
            EXPECT_EQ(entry, expected) << now[i].where;
        }
    }
}

} // namespace ww::test
