#include "common/pe_overlay.h"

#include "common/fs.h"
#include "common/package_reader.h"
#include "common/path.h"
#include "common/player_tail.h"
#include "tests/support/package_builder.h"
#include "tests/support/pe_signature.h"
#include "tests/support/pe_writer.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <functional>

namespace ww {
namespace {

using test::Bytes;
using test::TempDir;

int64_t EndOf(const TempDir& dir, const Bytes& bytes) {
    test::WriteFileBytes(dir / "file.exe", bytes);
    File f(dir / "file.exe", "rb");
    return AppendedDataEnd(f);
}

Bytes PeWithData(bool pe32Plus, size_t dataSize) {
    test::PeRecipe recipe;
    recipe.pe32Plus = pe32Plus;
    recipe.layout = test::PeLayout::kNoResources;
    Bytes image = test::MakePe(recipe);
    Bytes data = test::PatternBytes(dataSize, 4);
    if (!data.empty())
        data.back() = 'S'; // appended data ends in a marker, never in a zero byte
    image.insert(image.end(), data.begin(), data.end());
    return image;
}

void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

TEST(AppendedDataEnd, FindsTheDataBeforeASignatureAndTheEndOtherwise) {
    TempDir dir;
    for (bool plus : {false, true}) {
        for (size_t dataSize : {8u, 9u, 13u, 15u, 16u}) {
            const Bytes plain = PeWithData(plus, dataSize);
            const int64_t dataEnd = static_cast<int64_t>(plain.size());
            const Bytes signedFile = test::WithCertificateTable(plain);
            const size_t table = (plain.size() + 7) / 8 * 8;
            const size_t dirAt = test::SecurityDirectoryAt(signedFile);
            // name, change to the signed file, expected end (-1: the file's size)
            const struct {
                const char* name;
                std::function<void(Bytes&)> change;
                int64_t end;
            } cases[] = {
                {"signed", [](Bytes&) {}, dataEnd},
                {"data appended after signing", [](Bytes& b) { b.push_back('L'); }, -1},
                // What osslsigncode remove-signature leaves: the padding.
                {"signature removed again",
                 [&](Bytes& b) {
                     Put32(b, dirAt, 0);
                     Put32(b, dirAt + 4, 0);
                     b.resize(table);
                 },
                 dataEnd},
                {"table reaching past the end",
                 [&](Bytes& b) { Put32(b, dirAt + 4, uint32_t(b.size() - table + 1)); }, -1},
                {"table short of the end",
                 [&](Bytes& b) { Put32(b, dirAt + 4, uint32_t(b.size() - table - 1)); }, -1},
                {"offset past the end", [&](Bytes& b) { Put32(b, dirAt, uint32_t(b.size() + 8)); },
                 -1},
                {"offset and size wrapping around",
                 [&](Bytes& b) {
                     Put32(b, dirAt, 0xFFFFFFF8u);
                     Put32(b, dirAt + 4, uint32_t(b.size() + 8));
                 },
                 -1},
                {"table inside the headers",
                 [&](Bytes& b) {
                     Put32(b, dirAt, 0x40);
                     Put32(b, dirAt + 4, uint32_t(b.size() - 0x40));
                 },
                 -1},
                {"no size", [&](Bytes& b) { Put32(b, dirAt + 4, 0); }, -1},
                {"four directories only", [&](Bytes& b) { Put32(b, dirAt - 4 - 4 * 8, 4); }, -1},
                {"optional header too small for the entry",
                 [&](Bytes& b) {
                     const size_t pe = b[0x3C] | (b[0x3D] << 8);
                     b[pe + 20] = static_cast<uint8_t>(dirAt - pe - 24);
                     b[pe + 21] = 0;
                 },
                 -1},
                {"not a PE signature", [&](Bytes& b) { b[b[0x3C]] = 'N'; }, -1},
                {"not MZ", [](Bytes& b) { b[0] = 'Z'; }, -1},
                {"PE header offset past the end", [](Bytes& b) { Put32(b, 0x3C, 0x7FFFFFF0); }, -1},
            };
            for (const auto& c : cases) {
                Bytes file = signedFile;
                c.change(file);
                const int64_t expected = c.end < 0 ? static_cast<int64_t>(file.size()) : c.end;
                EXPECT_EQ(EndOf(dir, file), expected)
                    << c.name << (plus ? ", PE32+" : ", PE32") << ", " << dataSize << " bytes";
            }
            EXPECT_EQ(EndOf(dir, plain), dataEnd) << "unsigned";
        }
    }
}

TEST(AppendedDataEnd, FilesThatAreNoExecutableEndAtTheirSize) {
    TempDir dir;
    for (size_t n : {0u, 3u, 63u, 64u, 300u, 5000u})
        EXPECT_EQ(EndOf(dir, test::PatternBytes(n, 7)), static_cast<int64_t>(n)) << n;
    File missing(dir / "missing.exe", "rb");
    EXPECT_EQ(AppendedDataEnd(missing), -1);
}

// The installers' own readers on signed copies, laid out as a signing tool
// lays them.
TEST(SignedInstallers, ReadersFindTheirPackageBeforeTheSignature) {
    TempDir dir;
    const Bytes stub = PeWithData(false, 0);
    test::SetupPackageRecipe setupRecipe = test::SampleSetupRecipe();
    setupRecipe.stub = stub;
    setupRecipe.extras = {{"notes.txt", test::PatternBytes(33, 2), -1}};
    test::SimplePackageRecipe simpleRecipe = test::SampleSimpleRecipe();
    simpleRecipe.stub = stub;
    simpleRecipe.extras = {{"notes.txt", test::PatternBytes(21, 3), -1}};

    test::WriteFileBytes(dir / "setup.exe",
                         test::WithCertificateTable(test::MakeSetupPackage(setupRecipe)));
    EXPECT_TRUE(HasPackageMarker(dir / "setup.exe", kSetupMarker));
    SetupPackageReader setup;
    ASSERT_TRUE(setup.Open(dir / "setup.exe")) << DescribePackageError(setup.error());
    const std::string ocean = dir / "Ocean";
    ASSERT_TRUE(CreateFolder(ocean));
    ASSERT_TRUE(setup.ExtractAll(ocean, nullptr));
    EXPECT_EQ(test::ReadFileBytes(JoinPath(ocean, "notes.txt")), setupRecipe.extras[0].data);
    EXPECT_EQ(test::ReadFileBytes(JoinPath(ocean, setupRecipe.slots[kSlotPlayer - 1].name)),
              setupRecipe.slots[kSlotPlayer - 1].data);

    test::WriteFileBytes(dir / "simple.exe",
                         test::WithCertificateTable(test::MakeSimplePackage(simpleRecipe)));
    EXPECT_TRUE(HasPackageMarker(dir / "simple.exe", kSimpleMarker));
    SimplePackageReader simple;
    ASSERT_TRUE(simple.Open(dir / "simple.exe")) << DescribePackageError(simple.error());
    const std::string lite = dir / "lite";
    ASSERT_TRUE(CreateFolder(lite));
    ASSERT_EQ(simple.ExtractPackage(lite, nullptr), SimplePackageReader::ExtractResult::Ok);
    EXPECT_EQ(test::ReadFileBytes(JoinPath(JoinPath(lite, "Ocean"), "notes.txt")),
              simpleRecipe.extras[0].data);

    PlayerSettings settings;
    settings.pageName = "Ocean.htm";
    settings.wallpaperName = "Ocean";
    Bytes player = stub;
    player.resize(player.size() + kPlayerTailSize);
    WritePlayerTail(settings, player.data() + stub.size());
    test::WriteFileBytes(dir / "player.exe", test::WithCertificateTable(player));
    PlayerSettings read;
    ASSERT_TRUE(ReadPlayerTail(dir / "player.exe", &read));
    EXPECT_EQ(read.pageName, "Ocean.htm");
    EXPECT_EQ(read.wallpaperName, "Ocean");
}

} // namespace
} // namespace ww
