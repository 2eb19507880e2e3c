// Icon replacement on executables made here in every section layout, on our
// own stubs, and against icon files and executables that must be refused.
#include "builder/package/icon_replace.h"

#include "builder/package/ico_file.h"
#include "builder/package/pe_resources.h"
#include "tests/package/icon_cases.h"
#include "tests/support/fixtures.h"
#include "tests/support/icon_writer.h"
#include "tests/support/pe_writer.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace ww {
namespace {

using test::Bytes;
using test::IconFileImage;
using test::MakeIcon;
using test::MakeIconImage;
using test::PeFacts;
using test::PeLayout;
using test::TempDir;

void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

#ifndef _WIN32
bool HaveWrestool() {
    return std::system("command -v wrestool >/dev/null 2>&1") == 0;
}

// wrestool of icoutils, an outside reader of the result.
Bytes Wrestool(const std::string& exe, const std::string& args, const std::string& out) {
    std::string command = "wrestool -x " + args + " '" + exe + "' > '" + out + "' 2>/dev/null";
    return std::system(command.c_str()) == 0 ? test::ReadFileBytes(out) : Bytes();
}
#endif

TEST(IconFile, ReadsTheImageAtTheIndexExactlyAsStored) {
    TempDir dir;
    std::vector<IconFileImage> images = {MakeIconImage(32, 1), MakeIconImage(16, 2)};
    images[1].planes = 0;
    images[1].bitCount = 0; // left out, as many writers do
    test::WriteFileBytes(dir / "two.ico", MakeIcon(images));
    IconImage read;
    ASSERT_TRUE(ReadIconImage(dir / "two.ico", 1, &read));
    EXPECT_EQ(read.bytes, images[1].bytes);
    EXPECT_EQ(read.width, 16);
    EXPECT_EQ(read.planes, 1);
    EXPECT_EQ(read.bitCount, 32);
    ASSERT_TRUE(ReadIconImage(dir / "two.ico", 0, &read));
    EXPECT_EQ(read.bytes, images[0].bytes);
}

TEST(IconReplacement, RefusesBadIconFilesAndLeavesTheExecutableAlone) {
    const Bytes good = MakeIcon({MakeIconImage(32, 1)});
    auto patched = [&](size_t field, uint32_t value) {
        Bytes b = good;
        Put32(b, test::IconEntryAt(0) + field, value);
        return b;
    };
    Bytes manyClaimed = good;
    manyClaimed[4] = 0xFF;
    manyClaimed[5] = 0xFF;
    IconFileImage huge;
    huge.bytes.assign(kMaxIconImageSize + 1, 7);
    struct Case {
        const char* label;
        Bytes ico;
        int index;
    } cases[] = {
        {"count 0", MakeIcon({}), 0},
        {"index at the count", good, 1},
        {"negative index", good, -1},
        {"offset past the end", patched(test::kIconEntryOffsetField, uint32_t(good.size())), 0},
        {"image past the end", patched(test::kIconEntrySizeField, uint32_t(good.size())), 0},
        {"empty image", patched(test::kIconEntrySizeField, 0), 0},
        {"directory past the end", manyClaimed, 0},
        {"image over the cap", MakeIcon({huge}), 0},
        {"shorter than a header", {0, 0, 1, 0}, 0},
    };
    TempDir dir;
    const std::string exe = dir / "stub.exe";
    const Bytes stub = test::MakePe(test::SamplePeRecipe(MakeIconImage(32, 9).bytes));
    test::WriteFileBytes(exe, stub);
    const std::vector<std::string> files = {"icon.ico", "stub.exe"};
    for (const Case& c : cases) {
        test::WriteFileBytes(dir / "icon.ico", c.ico);
        EXPECT_EQ(ReplaceExecutableIcon(exe, dir / "icon.ico", c.index), 0) << c.label;
        EXPECT_EQ(ReplaceExecutableIconPortable(exe, dir / "icon.ico", c.index), 0) << c.label;
        EXPECT_EQ(test::ReadFileBytes(exe), stub) << c.label;
        EXPECT_EQ(test::ListFolder(dir.path()), files) << c.label;
    }
    EXPECT_EQ(ReplaceExecutableIcon(exe, dir / "missing.ico", 0), 0);
    EXPECT_EQ(test::ReadFileBytes(exe), stub);
}

TEST(IconReplacement, RefusesMalformedExecutablesUnchanged) {
    const Bytes good = test::MakePe(test::SamplePeRecipe(MakeIconImage(32, 9).bytes));
    const PeFacts facts = test::ReadPeFacts(good);
    ASSERT_TRUE(facts.ok);
    const size_t rsrc = facts.sections[2].pointerToRawData;
    const size_t table = 0x80 + 24 + 224;
    auto with = [&](const std::function<void(Bytes&)>& change) {
        Bytes b = good;
        change(b);
        return b;
    };
    struct Case {
        const char* label;
        Bytes exe;
    } cases[] = {
        {"not an executable", {'h', 'e', 'l', 'l', 'o'}},
        {"no PE signature", with([](Bytes& b) { b[0x80] = 'X'; })},
        {"PE offset past the end", with([&](Bytes& b) { Put32(b, 0x3C, uint32_t(b.size())); })},
        {"unknown optional header", with([](Bytes& b) { b[0x80 + 24] = 0x77; })},
        {"truncated section table", Bytes(good.begin(), good.begin() + table + 60)},
        {"section past the end", with([&](Bytes& b) { Put32(b, table + 80 + 16, 0x100000); })},
        {"sections overlapping", with([&](Bytes& b) { Put32(b, table + 40 + 12, 0x1000); })},
        {"resources outside every section",
         with([&](Bytes& b) { Put32(b, 0x80 + 24 + 96 + 16, 0x90000); })},
        {"directory counting past its section",
         with([&](Bytes& b) { Put32(b, rsrc + 12, 0xFFFFFFFF); })},
        // The first language entry (of the named type) points back at the root.
        {"tree deeper than three levels", with([&](Bytes& b) { Put32(b, rsrc + 92, 0x80000000); })},
        {"datum past its section", with([&](Bytes& b) { Put32(b, rsrc + 120 + 4, 0x100000); })},
        {"cut inside the resources", Bytes(good.begin(), good.begin() + rsrc + 40)},
    };
    TempDir dir;
    test::WriteFileBytes(dir / "icon.ico", MakeIcon({MakeIconImage(16, 1)}));
    const std::string exe = dir / "bad.exe";
    for (const Case& c : cases) {
        test::WriteFileBytes(exe, c.exe);
        EXPECT_EQ(ReplaceExecutableIconPortable(exe, dir / "icon.ico", 0), 0) << c.label;
        EXPECT_EQ(ReplaceExecutableIcon(exe, dir / "icon.ico", 0), 0) << c.label;
        EXPECT_EQ(test::ReadFileBytes(exe), c.exe) << c.label;
        EXPECT_EQ(test::ListFolder(dir.path()), (std::vector<std::string>{"bad.exe", "icon.ico"}))
            << c.label;
    }
}

// The header facts every rewritten executable must keep straight.
void ExpectSoundImage(const Bytes& out, const Bytes& before, const test::PeRecipe& recipe) {
    const PeFacts f = test::ReadPeFacts(out);
    const PeFacts was = test::ReadPeFacts(before);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.checksum, test::PeChecksumOf(out, f.checksumAt));
    uint32_t expectedVa = f.sections[0].virtualAddress, initialized = 0;
    for (const test::PeSectionFacts& s : f.sections) {
        EXPECT_EQ(s.virtualAddress, expectedVa) << s.name;
        expectedVa = (s.virtualAddress + s.virtualSize + 0xFFF) / 0x1000 * 0x1000;
        if (s.name != ".text")
            initialized += s.sizeOfRawData;
    }
    EXPECT_EQ(f.sizeOfImage, expectedVa);
    EXPECT_EQ(f.sizeOfInitializedData, initialized);
    EXPECT_EQ(f.resourceRva, f.sections.back().name == ".rsrc" ? f.sections.back().virtualAddress
                                                               : f.sections[2].virtualAddress);
    // Sections other than the resources keep their bytes.
    for (const test::PeSectionFacts& s : was.sections) {
        if (s.name == ".rsrc")
            continue;
        for (const test::PeSectionFacts& n : f.sections) {
            if (n.name != s.name)
                continue;
            EXPECT_TRUE(std::equal(before.begin() + s.pointerToRawData,
                                   before.begin() + s.pointerToRawData + s.sizeOfRawData,
                                   out.begin() + n.pointerToRawData))
                << s.name;
            if (s.name == ".reloc") {
                EXPECT_EQ(f.relocationRva, n.virtualAddress);
            }
        }
    }
    // What followed the image follows it still; the symbol table moved with it.
    Bytes tail = recipe.symbols;
    tail.insert(tail.end(), recipe.overlay.begin(), recipe.overlay.end());
    ASSERT_GE(out.size(), tail.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), out.end() - tail.size()));
    if (!recipe.symbols.empty()) {
        EXPECT_EQ(f.symbolTable, out.size() - tail.size());
    }
}

TEST(IconReplacement, RewritesTheIconInEverySectionLayout) {
    struct Case {
        const char* label;
        PeLayout layout;
        bool pe32Plus;
        int size;
        size_t sectionsAfter;
        bool sameLength;
    } cases[] = {
        {"smaller, last", PeLayout::kResourceLast, false, 16, 3, true},
        {"larger, last", PeLayout::kResourceLast, false, 48, 3, false},
        {"larger, last, PE32+", PeLayout::kResourceLast, true, 48, 3, false},
        {"smaller, before relocations", PeLayout::kResourceThenRelocations, false, 16, 4, true},
        {"larger, before relocations", PeLayout::kResourceThenRelocations, false, 48, 4, false},
        {"larger, in the middle", PeLayout::kResourceInMiddle, false, 48, 6, false},
        {"larger, in the middle, PE32+", PeLayout::kResourceInMiddle, true, 48, 6, false},
        {"smaller, in the middle, PE32+", PeLayout::kResourceInMiddle, true, 16, 5, true},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        test::PeRecipe recipe = test::SamplePeRecipe(MakeIconImage(32, 9).bytes);
        recipe.layout = c.layout;
        recipe.pe32Plus = c.pe32Plus;
        recipe.symbols = test::PatternBytes(18 * 3 + 4, 7);
        recipe.overlay = test::PatternBytes(333, 8);
        const Bytes before = test::MakePe(recipe);
        const IconFileImage image = MakeIconImage(c.size, 4);
        test::WriteFileBytes(dir / "icon.ico", MakeIcon({image}));
        const std::string exe = dir / "app.exe";
        test::WriteFileBytes(exe, before);

        ASSERT_EQ(ReplaceExecutableIconPortable(exe, dir / "icon.ico", 0), 1);
        const Bytes out = test::ReadFileBytes(exe);
        EXPECT_EQ(test::ReadPeFacts(out).sections.size(), c.sectionsAfter);
        EXPECT_EQ(out.size() == before.size(), c.sameLength);
        test::WriteFileBytes(dir / "before.exe", before);
        test::ExpectOnlyTheIconChanged(test::ResourcesOf(dir / "before.exe"),
                                       test::ResourcesOf(exe), image);
        ExpectSoundImage(out, before, recipe);
#ifndef _WIN32
        if (HaveWrestool()) {
            EXPECT_EQ(Wrestool(exe, "--raw -t 3 -n 1", dir / "x.bin"), image.bytes);
        }
#endif
    }
}

TEST(IconReplacement, GivesAnExecutableWithoutResourcesItsFirstIcon) {
    TempDir dir;
    test::PeRecipe recipe;
    recipe.layout = PeLayout::kNoResources;
    recipe.overlay = test::PatternBytes(100, 1);
    const Bytes before = test::MakePe(recipe);
    test::WriteFileBytes(dir / "bare.exe", before);
    const IconFileImage image = MakeIconImage(32, 6);
    test::WriteFileBytes(dir / "icon.ico", MakeIcon({image}));
    ASSERT_EQ(ReplaceExecutableIconPortable(dir / "bare.exe", dir / "icon.ico", 0), 1);
    const Bytes out = test::ReadFileBytes(dir / "bare.exe");
    ExpectSoundImage(out, before, recipe);
    ResourceTree tree = test::ResourcesOf(dir / "bare.exe");
    ASSERT_EQ(tree.types.size(), 1u);
    ASSERT_NE(tree.Find(3, 1, 1033), nullptr);
    EXPECT_EQ(*tree.Find(3, 1, 1033), image.bytes);
}

// The stubs of our own build, each given icons smaller, larger and of several
// images; here through the body this platform ships.
TEST(IconReplacement, OurStubsTakeTheFirstImage) {
    const std::string stubs = test::StubFolder();
    if (stubs.empty())
        GTEST_SKIP() << "no Windows build with the stubs";
    TempDir dir;
    for (const char* name : test::kStubNames) {
        const std::string original = stubs + name;
        const std::string exe = dir / name;
        const Bytes before = test::ReadFileBytes(original);
        const PeFacts was = test::ReadPeFacts(before);
        for (const test::IconCase& c : test::IconCases()) {
            SCOPED_TRACE(std::string(name) + ", " + c.label);
            test::WriteFileBytes(exe, before);
            test::WriteFileBytes(dir / "icon.ico", MakeIcon(c.images));
            ASSERT_EQ(ReplaceExecutableIcon(exe, dir / "icon.ico", 0), 1);
            const Bytes out = test::ReadFileBytes(exe);
            const IconFileImage& first = c.images[0];
            test::ExpectOnlyTheIconChanged(test::ResourcesOf(original), test::ResourcesOf(exe),
                                           first);
            const PeFacts f = test::ReadPeFacts(out);
            EXPECT_EQ(f.checksum, test::PeChecksumOf(out, f.checksumAt));
            // The symbol table, which names the long sections, moved intact;
            // a stripped stub has none and gains none.
            if (was.symbolTable == 0) {
                EXPECT_EQ(f.symbolTable, 0u);
            } else {
                ASSERT_GE(out.size(), f.symbolTable);
                EXPECT_EQ(out.size() - f.symbolTable, before.size() - was.symbolTable);
                EXPECT_TRUE(std::equal(before.begin() + was.symbolTable, before.end(),
                                       out.begin() + f.symbolTable));
            }
#ifndef _WIN32
            if (!HaveWrestool())
                continue;
            EXPECT_EQ(Wrestool(exe, "--raw -t 3 -n 1", dir / "x.bin"), first.bytes);
            // The group read as an .ico: its first entry is the new image.
            Bytes ico = Wrestool(exe, "-t 14 -n 128", dir / "x.ico");
            ASSERT_GE(ico.size(), 22u);
            EXPECT_EQ(ico[6], first.width);
            EXPECT_EQ(ico[7], first.height);
            EXPECT_EQ(ico[6 + 8] | (ico[6 + 9] << 8) | (ico[6 + 10] << 16),
                      int(first.bytes.size()));
#endif
        }
    }
}

} // namespace
} // namespace ww
