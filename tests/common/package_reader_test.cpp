#include "common/package_reader.h"

#include "common/fs.h"
#include "common/path.h"
#include "tests/support/package_builder.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace ww {
namespace {

using test::Bytes;
using test::MakeSetupPackage;
using test::MakeSimplePackage;
using test::PatternBytes;
using test::TempDir;

const std::string kSep(1, kPathSeparator);

Bytes Slice(const Bytes& b, int64_t offset, size_t n) {
    return Bytes(b.begin() + offset, b.begin() + offset + static_cast<int64_t>(n));
}

TEST(PackageFormat, StripToFileNameCutsAtTheLaterSeparator) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"C:\\Work\\wave.swf", "wave.swf"},
        {"/home/a/wave.swf", "wave.swf"},
        {"C:\\a/b\\c.txt", "c.txt"},
        {"C:\\a\\b/c.txt", "c.txt"},
        {"bare.bmp", "bare.bmp"},
        {"C:\\Work\\", "C:\\Work\\"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StripToFileName(c.in), c.out) << c.in;
}

TEST(PackageFormat, SafeStoredNames) {
    for (const char* ok : {"wave.swf", "Ocean.htm", "a b.txt", "console.d", "COM10", "lpt", "..x"})
        EXPECT_TRUE(IsSafeStoredName(ok)) << ok;
    for (const char* bad : {"", ".", "..", "a\\b", "a/b", "C:x", "CON", "con", "nul.txt", "Aux.htm",
                            "LPT1", "com9.swf", "PRN ", "tab\there", "\x7f"})
        EXPECT_FALSE(IsSafeStoredName(bad)) << bad;
}

TEST(SetupPackageReader, LayoutOfSevenSlotsWithoutExtras) {
    TempDir dir;
    test::SetupPackageSpec recipe = test::SampleSetupSpec();
    Bytes file = MakeSetupPackage(recipe);
    const int64_t E = static_cast<int64_t>(file.size());
    EXPECT_EQ(E - static_cast<int64_t>(recipe.stub.size()), 3436);
    test::WriteFileBytes(dir / "setup.exe", file);
    SetupPackageReader r;
    ASSERT_TRUE(r.Open(dir / "setup.exe")) << DescribePackageError(r.error());
    const int64_t expected[7] = {3436, 3426, 3406, 3376, 3336, 3286, 3226};
    for (int k = 1; k <= 7; ++k) {
        EXPECT_EQ(E - r.SlotOffset(k), expected[k - 1]) << "slot " << k;
        EXPECT_EQ(Slice(file, r.SlotOffset(k), recipe.slots[k - 1].data.size()),
                  recipe.slots[k - 1].data);
    }
    EXPECT_EQ(r.trailer().wallpaperName, "Ocean");
    EXPECT_TRUE(r.entries().empty());
}

TEST(SetupPackageReader, ExtractAllPutsThePageBesideTheFolderAndReportsTenSteps) {
    TempDir dir;
    test::SetupPackageSpec recipe = test::SampleSetupSpec();
    recipe.extras = {{"notes.txt", PatternBytes(33, 9), -1},
                     {"empty.dat", {}, -1},
                     {"music.mp3", PatternBytes(70000, 4), -1}};
    recipe.slots[5].data = {'L', 'i', 'c', 0, 'x'};
    test::WriteFileBytes(dir / "setup.exe", MakeSetupPackage(recipe));
    ASSERT_TRUE(CreateFolder(dir / "Wallpaper"));
    const std::string dest = dir / "Wallpaper" + kSep + "Ocean";
    ASSERT_TRUE(CreateFolder(dest));

    for (int run = 0; run < 2; ++run) { // a second run overwrites the first
        SetupPackageReader r;
        ASSERT_TRUE(r.Open(dir / "setup.exe"));
        std::vector<int> steps;
        ASSERT_TRUE(r.ExtractAll(dest, [&](int s) { steps.push_back(s); }));
        EXPECT_EQ(steps, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    }
    EXPECT_EQ(test::ReadFileBytes(dir / "Wallpaper" + kSep + "Ocean.htm"), recipe.slots[0].data);
    for (int k = 2; k <= 7; ++k)
        EXPECT_EQ(test::ReadFileBytes(dest + kSep + recipe.slots[k - 1].name),
                  recipe.slots[k - 1].data);
    for (const auto& e : recipe.extras)
        EXPECT_EQ(test::ReadFileBytes(dest + kSep + e.name), e.data) << e.name;
    EXPECT_EQ(test::ListFolder(dir / "Wallpaper"),
              (std::vector<std::string>{"Ocean", "Ocean.htm"}));

    SetupPackageReader r;
    ASSERT_TRUE(r.Open(dir / "setup.exe"));
    std::string readme;
    ASSERT_TRUE(r.ReadReadme(&readme));
    EXPECT_EQ(readme, "Lic");
    std::string top, left;
    ASSERT_TRUE(CreateFolder(dir / "tmp"));
    ASSERT_TRUE(r.ExtractImages(dir / "tmp", &top, &left));
    EXPECT_EQ(top, dir / "tmp" + kSep + "top1.bmp");
    EXPECT_EQ(test::ReadFileBytes(left), recipe.slots[4].data);
}

TEST(SetupPackageReader, FlagByteIsNotActedOn) {
    TempDir dir;
    Bytes file = MakeSetupPackage(test::SampleSetupSpec());
    file[file.size() - 4] = '7';
    test::WriteFileBytes(dir / "setup.exe", file);
    SetupPackageReader r;
    EXPECT_TRUE(r.Open(dir / "setup.exe"));
}

TEST(SimplePackageReader, LayoutAndExtraction) {
    TempDir dir;
    test::SimplePackageSpec recipe = test::SampleSimpleSpec();
    recipe.extras = {{"extra.dat", PatternBytes(10, 8), -1}};
    Bytes file = MakeSimplePackage(recipe);
    const int64_t E = static_cast<int64_t>(file.size());
    EXPECT_EQ(E - static_cast<int64_t>(recipe.stub.size()), 3734);
    test::WriteFileBytes(dir / "lite.exe", file);
    SimplePackageReader r;
    ASSERT_TRUE(r.Open(dir / "lite.exe")) << DescribePackageError(r.error());
    EXPECT_EQ(E - r.PageOffset(), 3734);
    EXPECT_EQ(E - r.MovieOffset(), 3634);
    EXPECT_EQ(E - r.ImageOffset(), 1634);
    EXPECT_EQ(E - r.ExtraOffset(0), 282);

    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(r.ExtractPackage(dir.path(), nullptr), SimplePackageReader::ExtractResult::Ok);
    }
    EXPECT_EQ(test::ReadFileBytes(dir / "Ocean.htm"), recipe.page.data);
    const std::string folder = dir / "Ocean" + kSep;
    EXPECT_EQ(test::ReadFileBytes(folder + "wave.swf"), recipe.movie.data);
    EXPECT_EQ(test::ReadFileBytes(folder + "display1.bmp"), recipe.image.data);
    EXPECT_EQ(test::ReadFileBytes(folder + "extra.dat"), recipe.extras[0].data);
    EXPECT_EQ(test::ListFolder(folder),
              (std::vector<std::string>{"display1.bmp", "extra.dat", "wave.swf"}));
}

TEST(SimplePackageReader, NoEntriesAndEmptyFiles) {
    TempDir dir;
    test::SimplePackageSpec recipe = test::SampleSimpleSpec();
    Bytes file = MakeSimplePackage(recipe);
    // Without extras the count directly follows the header.
    EXPECT_EQ(file.size() - recipe.stub.size(), 100u + 2000 + 300 + 1052 + 8);
    recipe.extras = {{"gone.txt", {}, -1}};
    test::WriteFileBytes(dir / "lite.exe", MakeSimplePackage(recipe));
    SimplePackageReader r;
    ASSERT_TRUE(r.Open(dir / "lite.exe"));
    ASSERT_EQ(r.ExtractPackage(dir.path(), nullptr), SimplePackageReader::ExtractResult::Ok);
    EXPECT_TRUE(test::PathExists(dir / "Ocean" + kSep + "gone.txt"));
    EXPECT_TRUE(test::ReadFileBytes(dir / "Ocean" + kSep + "gone.txt").empty());
}

TEST(SimplePackageReader, FolderThatCannotBeCreated) {
    TempDir dir;
    test::WriteFileBytes(dir / "lite.exe", MakeSimplePackage(test::SampleSimpleSpec()));
    SimplePackageReader r;
    ASSERT_TRUE(r.Open(dir / "lite.exe"));
    EXPECT_EQ(r.ExtractPackage(dir / "missing", nullptr),
              SimplePackageReader::ExtractResult::FolderNotCreated);
    EXPECT_FALSE(test::PathExists(dir / "missing"));
}

// Every hostile package is refused by Open, and nothing is written.
TEST(PackageReaders, HostilePackagesAreRefusedWhole) {
    using Setup = test::SetupPackageSpec;
    using Simple = test::SimplePackageSpec;
    struct SetupCase {
        const char* what;
        void (*alter)(Setup&);
        PackageError error;
    };
    const SetupCase setupCases[] = {
        {"wrong marker", [](Setup& s) { s.marker = "WLL"; }, PackageError::NoPackage},
        {"count 129", [](Setup& s) { s.recordedCount = 129; }, PackageError::BadCount},
        {"count -1", [](Setup& s) { s.recordedCount = 0xFFFFFFFF; }, PackageError::BadCount},
        {"count beyond the file", [](Setup& s) { s.recordedCount = 100; },
         PackageError::OutOfBounds},
        {"slot size past the start", [](Setup& s) { s.slots[1].recordedSize = 0xFFFFFFF0; },
         PackageError::OutOfBounds},
        {"extra size past the start",
         [](Setup& s) {
             s.extras = {{"a.txt", {1}, 0x7FFFFFFF}};
         },
         PackageError::OutOfBounds},
        {"dot-dot slot", [](Setup& s) { s.slots[1].name = ".."; }, PackageError::UnsafeName},
        {"path slot", [](Setup& s) { s.slots[2].name = "..\\..\\evil.bmp"; },
         PackageError::UnsafeName},
        {"slash extra",
         [](Setup& s) {
             s.extras = {{"sub/evil.txt", {1}, -1}};
         },
         PackageError::UnsafeName},
        {"drive extra",
         [](Setup& s) {
             s.extras = {{"C:evil.txt", {1}, -1}};
         },
         PackageError::UnsafeName},
        {"empty page name", [](Setup& s) { s.slots[0].name = ""; }, PackageError::UnsafeName},
        {"device name", [](Setup& s) { s.slots[6].name = "NUL.exe"; }, PackageError::UnsafeName},
        {"control character", [](Setup& s) { s.slots[3].name = "a\nb.bmp"; },
         PackageError::UnsafeName},
        {"wallpaper dot-dot", [](Setup& s) { s.wallpaperName = ".."; }, PackageError::UnsafeName},
        {"wallpaper path", [](Setup& s) { s.wallpaperName = "..\\..\\x"; },
         PackageError::UnsafeName},
        {"no wallpaper name", [](Setup& s) { s.wallpaperName = ""; }, PackageError::NoName},
    };
    for (const SetupCase& c : setupCases) {
        TempDir dir;
        Setup recipe = test::SampleSetupSpec();
        c.alter(recipe);
        test::WriteFileBytes(dir / "setup.exe", MakeSetupPackage(recipe));
        ASSERT_TRUE(CreateFolder(dir / "out"));
        SetupPackageReader r;
        EXPECT_FALSE(r.Open(dir / "setup.exe")) << c.what;
        EXPECT_EQ(r.error(), c.error) << c.what;
        EXPECT_FALSE(r.ExtractAll(dir / "out", nullptr)) << c.what;
        EXPECT_EQ(test::ListFolder(dir.path()), (std::vector<std::string>{"out", "setup.exe"}))
            << c.what;
        EXPECT_TRUE(test::ListFolder(dir / "out").empty()) << c.what;
    }

    struct SimpleCase {
        const char* what;
        void (*alter)(Simple&);
        PackageError error;
    };
    const SimpleCase simpleCases[] = {
        {"wrong marker", [](Simple& s) { s.marker = "WLS"; }, PackageError::NoPackage},
        {"count 33", [](Simple& s) { s.recordedCount = 33; }, PackageError::BadCount},
        {"count -2", [](Simple& s) { s.recordedCount = 0xFFFFFFFE; }, PackageError::BadCount},
        {"movie past the start", [](Simple& s) { s.movie.recordedSize = 0x80000000; },
         PackageError::OutOfBounds},
        {"extra past the start",
         [](Simple& s) {
             s.extras = {{"a", {1}, 0xFFFFFFFF}};
         },
         PackageError::OutOfBounds},
        {"page path", [](Simple& s) { s.page.name = "..\\Ocean.htm"; }, PackageError::UnsafeName},
        {"movie dot", [](Simple& s) { s.movie.name = "."; }, PackageError::UnsafeName},
        {"extra device",
         [](Simple& s) {
             s.extras = {{"com1.txt", {1}, -1}};
         },
         PackageError::UnsafeName},
        {"wallpaper colon", [](Simple& s) { s.wallpaperName = "C:"; }, PackageError::UnsafeName},
    };
    for (const SimpleCase& c : simpleCases) {
        TempDir dir;
        Simple recipe = test::SampleSimpleSpec();
        c.alter(recipe);
        test::WriteFileBytes(dir / "lite.exe", MakeSimplePackage(recipe));
        SimplePackageReader r;
        EXPECT_FALSE(r.Open(dir / "lite.exe")) << c.what;
        EXPECT_EQ(r.error(), c.error) << c.what;
        EXPECT_EQ(r.ExtractPackage(dir.path(), nullptr), SimplePackageReader::ExtractResult::Failed)
            << c.what;
        EXPECT_EQ(test::ListFolder(dir.path()), std::vector<std::string>{"lite.exe"}) << c.what;
    }

    // Files too short to hold the records at all.
    TempDir dir;
    test::WriteFileBytes(dir / "short.exe", {'1', 'W', 'L', 'S'});
    SetupPackageReader setup;
    EXPECT_FALSE(setup.Open(dir / "short.exe"));
    EXPECT_EQ(setup.error(), PackageError::NoPackage);
    test::WriteFileBytes(dir / "short2.exe", {0, 0, '1', 'W', 'L', 'L'});
    SimplePackageReader simple;
    EXPECT_FALSE(simple.Open(dir / "short2.exe"));
    EXPECT_FALSE(simple.Open(dir / "nothing.exe"));
    EXPECT_EQ(simple.error(), PackageError::CannotOpen);
}

} // namespace
} // namespace ww
