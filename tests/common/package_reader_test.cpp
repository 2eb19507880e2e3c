#include "common/package_reader.h"

#include "common/fs.h"
#include "common/install_options.h"
#include "common/path.h"
#include "tests/support/package_builder.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

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
    for (const char* ok :
         {"wave.swf", "Ocean.htm", "a b.txt", "console.d", "COM10", "lpt", "..x", " lead.txt",
          "long~name.txt", "OCEAN~1.HTML", "com\xB9x", "\xE9t\xE9.txt", "clock"})
        EXPECT_TRUE(IsSafeStoredName(ok)) << ok;
    for (const char* bad :
         {"", ".", "..", "a\\b", "a/b", "C:x", "CON", "con", "nul.txt", "Aux.htm", "LPT1",
          "com9.swf", "PRN ", "tab\there", "\x7f",
          // What Windows takes for another name or for no file at all.
          "wave.swf.", "wave.swf ", "wave.swf. .", "a*b", "a?b", "a<b", "a>b", "a|b", "a\"b",
          "COM0", "lpt0.txt", "COM\xB9", "lpt\xB2.txt", "Com\xB3", "COM\xC2\xB9.swf", "CLOCK$",
          "clock$.txt", "conin$", "OCEANW~1.HTM", "WAVE~1", "~1.SWF"})
        EXPECT_FALSE(IsSafeStoredName(bad)) << bad;
    // Opening a package lets these pass, for creating the file to refuse.
    for (const char* windowsRefuses : {"a*b", "a?b", "a<b", "a>b", "a|b", "a\"b"}) {
        EXPECT_TRUE(HasCharacterWindowsRefuses(windowsRefuses)) << windowsRefuses;
        EXPECT_TRUE(IsSafeStoredNameShape(windowsRefuses)) << windowsRefuses;
    }
    EXPECT_FALSE(IsSafeStoredNameShape("wave.swf."));
}

PackageNames Names(const std::string& wallpaper, std::vector<std::string> beside,
                   std::vector<std::string> inside) {
    PackageNames names;
    names.wallpaperName = wallpaper;
    names.beside = std::move(beside);
    names.inside = std::move(inside);
    return names;
}

TEST(PackageFormat, NamesWindowsTakesForOneFileClash) {
    struct Case {
        const char* what;
        PackageNames names;
        PackageError error;
        const char* refused;
    };
    const std::vector<std::string> inside = {"wave.swf",  "display1.bmp", "top1.bmp",
                                             "left1.bmp", "readme.txt",   "Ocean.exe"};
    auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> all = inside;
        all.insert(all.end(), extra.begin(), extra.end());
        return all;
    };
    const Case cases[] = {
        {"the sample", Names("Ocean", {"Ocean.htm"}, inside), PackageError::None, ""},
        {"extra named like the page", Names("Ocean", {"Ocean.htm"}, with({"ocean.htm"})),
         PackageError::NameClash, "ocean.htm"},
        {"letters that differ",
         Names("Ocean", {"Ocean.htm"}, with({"r\xE9sum\xE9.txt", "resume.txt"})),
         PackageError::None, ""},
        {"extra in another case", Names("Ocean", {"Ocean.htm"}, with({"notes.txt", "NOTES.TXT"})),
         PackageError::NameClash, "NOTES.TXT"},
        {"extra named like the movie", Names("Ocean", {"Ocean.htm"}, with({"WAVE.SWF"})),
         PackageError::NameClash, "WAVE.SWF"},
        {"extra named like the player", Names("Ocean", {"Ocean.htm"}, with({"ocean.EXE"})),
         PackageError::NameClash, "ocean.EXE"},
        {"the same image twice",
         Names("Ocean", {"Ocean.htm"},
               {"wave.swf", "a.bmp", "a.bmp", "left1.bmp", "r.txt", "O.exe"}),
         PackageError::NameClash, "a.bmp"},
        {"page named like the folder", Names("Ocean", {"OCEAN"}, inside), PackageError::NameClash,
         "Ocean"},
        {"letters outside ASCII in another case",
         Names("Ocean", {"Ocean.htm"}, with({"\xC9t\xE9.txt", "\xE9t\xC9.txt"})),
         PackageError::NameClash, "\xE9t\xC9.txt"},
        {"trailing dot", Names("Ocean", {"Ocean.htm"}, with({"wave.swf."})),
         PackageError::UnsafeName, "wave.swf."},
        {"wallpaper with a trailing blank", Names("Ocean ", {"Ocean.htm"}, inside),
         PackageError::UnsafeName, "Ocean "},
        {"no wallpaper name yet", Names("", {"Ocean.htm"}, inside), PackageError::None, ""},
    };
    for (const Case& c : cases) {
        std::string refused;
        EXPECT_EQ(CheckPackageNames(c.names, &refused), c.error) << c.what;
        EXPECT_EQ(refused, c.refused) << c.what;
    }
    // A file listed twice under one name installs as one file when the data
    // are the same; in another case, or with other data, it clashes.
    for (bool same : {true, false}) {
        for (const char* second : {"credits.txt", "Credits.txt"}) {
            PackageNames names = Names("Ocean", {"Ocean.htm"}, with({"credits.txt", second}));
            names.sameData = [&](size_t i, size_t j) {
                EXPECT_EQ(names.inside[i], names.inside[j]);
                return same;
            };
            const bool accepted = same && std::string(second) == "credits.txt";
            EXPECT_EQ(CheckPackageNames(names),
                      accepted ? PackageError::None : PackageError::NameClash)
                << same << " " << second;
        }
    }
    EXPECT_EQ(DescribeNameRefusal(PackageError::UnsafeName, "wave.swf."),
              "the package stores a name that is not a plain file name: \"wave.swf.\"");
    EXPECT_EQ(DescribeNameRefusal(PackageError::NameClash, "WAVE.SWF"),
              "the package stores two files under one name: \"WAVE.SWF\"");
}

TEST(SetupPackageReader, LayoutOfSevenSlotsWithoutExtras) {
    TempDir dir;
    test::SetupPackageRecipe recipe = test::SampleSetupRecipe();
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
    test::SetupPackageRecipe recipe = test::SampleSetupRecipe();
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
    Bytes file = MakeSetupPackage(test::SampleSetupRecipe());
    file[file.size() - 4] = '7';
    test::WriteFileBytes(dir / "setup.exe", file);
    SetupPackageReader r;
    EXPECT_TRUE(r.Open(dir / "setup.exe"));
}

TEST(SimplePackageReader, LayoutAndExtraction) {
    TempDir dir;
    test::SimplePackageRecipe recipe = test::SampleSimpleRecipe();
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
    test::SimplePackageRecipe recipe = test::SampleSimpleRecipe();
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
    test::WriteFileBytes(dir / "lite.exe", MakeSimplePackage(test::SampleSimpleRecipe()));
    SimplePackageReader r;
    ASSERT_TRUE(r.Open(dir / "lite.exe"));
    EXPECT_EQ(r.ExtractPackage(dir / "missing", nullptr),
              SimplePackageReader::ExtractResult::FolderNotCreated);
    EXPECT_FALSE(test::PathExists(dir / "missing"));
}

// Every hostile package is refused by Open, and nothing is written.
TEST(PackageReaders, HostilePackagesAreRefusedWhole) {
    using Setup = test::SetupPackageRecipe;
    using Simple = test::SimplePackageRecipe;
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
        {"movie with a trailing dot", [](Setup& s) { s.slots[1].name = "wave.swf."; },
         PackageError::UnsafeName},
        {"extra with a trailing blank",
         [](Setup& s) {
             s.extras = {{"wave.swf ", {1}, -1}};
         },
         PackageError::UnsafeName},
        {"extra like the movie",
         [](Setup& s) {
             s.extras = {{"WAVE.SWF", {1}, -1}};
         },
         PackageError::NameClash},
        {"extra like the player",
         [](Setup& s) {
             s.extras = {{"ocean.exe", {1}, -1}};
         },
         PackageError::NameClash},
        {"extra like the page",
         [](Setup& s) {
             s.extras = {{"OCEAN.HTM", {1}, -1}};
         },
         PackageError::NameClash},
        {"extras in two cases",
         [](Setup& s) {
             s.extras = {{"a.txt", {1}, -1}, {"A.TXT", {1}, -1}};
         },
         PackageError::NameClash},
        {"one name for other data",
         [](Setup& s) {
             s.extras = {{"a.txt", {1, 2}, -1}, {"a.txt", {1, 3}, -1}};
         },
         PackageError::NameClash},
        {"an extra named like an image, with other data",
         [](Setup& s) {
             s.extras = {{"top1.bmp", PatternBytes(40, 9), -1}};
         },
         PackageError::NameClash},
        {"page like the folder", [](Setup& s) { s.slots[0].name = "ocean"; },
         PackageError::NameClash},
        {"superscript device", [](Setup& s) { s.slots[3].name = "COM\xB9.bmp"; },
         PackageError::UnsafeName},
        {"clock device", [](Setup& s) { s.slots[5].name = "CLOCK$"; }, PackageError::UnsafeName},
        {"wallpaper with a trailing dot", [](Setup& s) { s.wallpaperName = "Ocean."; },
         PackageError::UnsafeName},
    };
    for (const SetupCase& c : setupCases) {
        TempDir dir;
        Setup recipe = test::SampleSetupRecipe();
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
        {"movie with a trailing blank", [](Simple& s) { s.movie.name = "wave.swf "; },
         PackageError::UnsafeName},
        {"extra like the image",
         [](Simple& s) {
             s.extras = {{"DISPLAY1.BMP", {1}, -1}};
         },
         PackageError::NameClash},
        {"page like the folder", [](Simple& s) { s.page.name = "OCEAN"; }, PackageError::NameClash},
    };
    for (const SimpleCase& c : simpleCases) {
        TempDir dir;
        Simple recipe = test::SampleSimpleRecipe();
        c.alter(recipe);
        test::WriteFileBytes(dir / "lite.exe", MakeSimplePackage(recipe));
        SimplePackageReader r;
        EXPECT_FALSE(r.Open(dir / "lite.exe")) << c.what;
        EXPECT_EQ(r.error(), c.error) << c.what;
        EXPECT_EQ(r.ExtractPackage(dir.path(), nullptr), SimplePackageReader::ExtractResult::Failed)
            << c.what;
        EXPECT_EQ(test::ListFolder(dir.path()), std::vector<std::string>{"lite.exe"}) << c.what;
    }

    // The same file listed twice is kept, as the builder writes it.
    {
        TempDir dir;
        Setup recipe = test::SampleSetupRecipe();
        recipe.extras = {
            {"top1.bmp", recipe.slots[3].data, -1}, {"a.txt", {4}, -1}, {"a.txt", {4}, -1}};
        test::WriteFileBytes(dir / "setup.exe", MakeSetupPackage(recipe));
        SetupPackageReader r;
        EXPECT_TRUE(r.Open(dir / "setup.exe")) << r.refusal();
    }

    // The reason names the entry at fault.
    {
        TempDir dir;
        Setup recipe = test::SampleSetupRecipe();
        recipe.extras = {{"WAVE.SWF", {1}, -1}};
        test::WriteFileBytes(dir / "setup.exe", MakeSetupPackage(recipe));
        SetupPackageReader r;
        EXPECT_FALSE(r.Open(dir / "setup.exe"));
        EXPECT_EQ(r.refusal(), "the package stores two files under one name: \"WAVE.SWF\"");
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

// A name Windows cannot create opens, as the installers open it, and is
// refused before the first byte is written; a wallpaper's folder of such a
// name cannot be created, on any system.
TEST(PackageReaders, NamesWindowsCannotCreateAreRefusedBeforeWriting) {
    TempDir dir;
    ASSERT_TRUE(CreateFolder(dir / "Ocean"));
    test::SetupPackageRecipe setup = test::SampleSetupRecipe();
    setup.slots[2].name = "*.bmp";
    test::WriteFileBytes(dir / "setup.exe", MakeSetupPackage(setup));
    SetupPackageReader r;
    ASSERT_TRUE(r.Open(dir / "setup.exe")) << r.refusal();
    EXPECT_FALSE(r.ExtractAll(dir / "Ocean", nullptr));
    EXPECT_EQ(r.failure(), "the package stores a name that is not a plain file name: \"*.bmp\"");
    EXPECT_TRUE(test::ListFolder(dir / "Ocean").empty());

    test::SimplePackageRecipe simple = test::SampleSimpleRecipe();
    simple.extras = {{"a|b", {1}, -1}};
    test::WriteFileBytes(dir / "lite.exe", MakeSimplePackage(simple));
    SimplePackageReader lite;
    ASSERT_TRUE(lite.Open(dir / "lite.exe"));
    EXPECT_EQ(lite.ExtractPackage(dir / "Ocean", nullptr),
              SimplePackageReader::ExtractResult::Failed);
    EXPECT_NE(lite.failure().find("\"a|b\""), std::string::npos) << lite.failure();

    simple = test::SampleSimpleRecipe();
    simple.wallpaperName = "Bad?Name";
    simple.page.name = "Bad?Name.htm";
    test::WriteFileBytes(dir / "lite.exe", MakeSimplePackage(simple));
    ASSERT_TRUE(lite.Open(dir / "lite.exe"));
    EXPECT_EQ(lite.ExtractPackage(dir / "Ocean", nullptr),
              SimplePackageReader::ExtractResult::FolderNotCreated);
    EXPECT_TRUE(test::ListFolder(dir / "Ocean").empty());
}

// UTF-8 is recognised strictly, so bytes of a code page are never mistaken
// for it; on Windows a UTF-8 name takes the code page's bytes, without the
// "best fit" that would install a different name.
TEST(NameEncoding, Utf8NamesTakeTheCodePagesOwnBytes) {
    for (const char* utf8 : {"caf\xC3\xA9", "\xE6\xB5\xB7", "\xF0\x9F\x8C\x8A.txt", "a\xC2\x80"})
        EXPECT_TRUE(IsNonAsciiUtf8(utf8)) << utf8;
    for (const char* other :
         {"plain.txt", "", "caf\xE9", "\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
          "\xF4\x90\x80\x80", "\xF0\x9F\x8C", "\x80", "\xC3\xA9\xE9"})
        EXPECT_FALSE(IsNonAsciiUtf8(other)) << other;
#ifdef _WIN32
    const struct {
        const char* stored;
        unsigned codePage;
        bool held;
        const char* local;
    } cases[] = {
        {"Oc\xC3\xA9"
         "an",
         1252, true,
         "Oc\xE9"
         "an"},
        {"Oc\xE9"
         "an",
         1252, true,
         "Oc\xE9"
         "an"}, // the code page's own bytes stay
        {"Oc\xC3\xA9"
         "an",
         65001 /* UTF-8 */, true,
         "Oc\xC3\xA9"
         "an"},
        {"\xE6\xB5\xB7.txt", 932, true, "\x8A\x43.txt"}, // Shift JIS
        {"\xE6\xB5\xB7.txt", 1252, false, ""},
        {"\xF0\x9F\x8C\x8A", 1252, false, ""},
        {"\xC4\x81", 1252, false, ""}, // a-macron best-fits to "a"
    };
    for (const auto& c : cases) {
        std::string local;
        ASSERT_EQ(NameForCodePage(c.stored, c.codePage, &local), c.held) << c.stored;
        if (c.held) {
            EXPECT_EQ(local, c.local) << c.stored;
        }
    }
#endif
}

// A package built on Linux: its names reach the disk as this system takes
// them, and one this system cannot hold refuses the package before anything
// is written.
TEST(PackageReaders, Utf8NamesAreWrittenAsThisSystemTakesThem) {
    TempDir dir;
    const std::string wallpaper = "Oc\xC3\xA9"
                                  "an";
    test::SetupPackageRecipe setup = test::SampleSetupRecipe();
    setup.wallpaperName = wallpaper;
    setup.slots[0].name = wallpaper + ".htm";
    setup.extras = {{"caf\xC3\xA9.txt", PatternBytes(12, 3), -1}};
    test::WriteFileBytes(dir / "setup.exe", MakeSetupPackage(setup));
    std::string localWallpaper, localExtra;
    ASSERT_TRUE(NameForThisSystem(wallpaper, &localWallpaper));
    ASSERT_TRUE(NameForThisSystem(setup.extras[0].name, &localExtra));
    SetupPackageReader r;
    ASSERT_TRUE(r.Open(dir / "setup.exe")) << r.refusal();
    EXPECT_EQ(r.trailer().wallpaperName, localWallpaper);
    ASSERT_TRUE(CreateFolder(dir / localWallpaper));
    ASSERT_TRUE(r.ExtractAll(dir / localWallpaper, nullptr)) << r.failure();
    EXPECT_EQ(test::ReadFileBytes(dir / localWallpaper + kSep + localExtra), setup.extras[0].data);
    EXPECT_TRUE(IsRegularFile(dir / (localWallpaper + ".htm")));

    test::SimplePackageRecipe simple = test::SampleSimpleRecipe();
    simple.extras = {{"\xF0\x9F\x8C\x8A.txt", {1}, -1}};
    test::WriteFileBytes(dir / "lite.exe", MakeSimplePackage(simple));
    SimplePackageReader lite;
    std::string local;
    if (NameForThisSystem(simple.extras[0].name, &local)) {
        EXPECT_TRUE(lite.Open(dir / "lite.exe")) << lite.refusal();
    } else {
        EXPECT_FALSE(lite.Open(dir / "lite.exe"));
        EXPECT_EQ(lite.error(), PackageError::ForeignName);
        EXPECT_EQ(RefusedPackageExitCode(lite.error()), kNameNotHeld);
        EXPECT_EQ(lite.refusal(), "the package stores a name this system's code page cannot "
                                  "hold: \"\xF0\x9F\x8C\x8A.txt\"");
        EXPECT_EQ(lite.ExtractPackage(dir / "Ocean", nullptr),
                  SimplePackageReader::ExtractResult::Failed);
        EXPECT_FALSE(IsExistingFolder(dir / "Ocean"));
    }
}

// Names as long as the file system takes, and a few more: what fits is
// installed, and a package with any one path too long writes nothing at all.
TEST(PackageReaders, EveryPathIsCheckedBeforeTheFirstByte) {
    TempDir dir;
    ASSERT_TRUE(CreateFolder(dir / "Ocean"));
    const std::string dest = dir / "Ocean";
    const std::string folder = dest + kSep;
#ifdef _WIN32
    const size_t longest = 259 - folder.size(); // full paths of 259 characters
#else
    const size_t longest = 255; // the longest name of a file
#endif
    test::SetupPackageRecipe recipe = test::SampleSetupRecipe();
    recipe.extras = {{std::string(longest, 'a'), PatternBytes(20, 1), -1},
                     {std::string(longest - 12, 'b'), PatternBytes(20, 2), -1}};
    test::WriteFileBytes(dir / "setup.exe", MakeSetupPackage(recipe));
    SetupPackageReader r;
    ASSERT_TRUE(r.Open(dir / "setup.exe"));
    ASSERT_TRUE(r.ExtractAll(dest, nullptr)) << r.failure();
    for (const auto& e : recipe.extras)
        EXPECT_EQ(test::ReadFileBytes(folder + e.name), e.data);

    TempDir other;
    ASSERT_TRUE(CreateFolder(other / "Ocean"));
    recipe.extras.push_back({std::string(longest + 1, 'c'), {1}, -1});
    test::WriteFileBytes(other / "setup.exe", MakeSetupPackage(recipe));
    ASSERT_TRUE(r.Open(other / "setup.exe"));
    std::vector<int> steps;
    EXPECT_FALSE(r.ExtractAll(other / "Ocean", [&](int s) { steps.push_back(s); }));
    EXPECT_NE(r.failure().find(std::string(longest + 1, 'c')), std::string::npos) << r.failure();
    EXPECT_NE(r.failure().find("longer than the file system takes"), std::string::npos);
    EXPECT_TRUE(steps.empty());
    EXPECT_EQ(test::ListFolder(other.path()), (std::vector<std::string>{"Ocean", "setup.exe"}));
    EXPECT_TRUE(test::ListFolder(other / "Ocean").empty());

    // A folder where a file goes is found before anything is written too.
    test::SimplePackageRecipe simple = test::SampleSimpleRecipe();
    simple.extras = {{"data", {1}, -1}};
    test::WriteFileBytes(other / "lite.exe", MakeSimplePackage(simple));
    ASSERT_TRUE(CreateFolder(other / "Ocean" + kSep + "data"));
    SimplePackageReader lite;
    ASSERT_TRUE(lite.Open(other / "lite.exe"));
    EXPECT_EQ(lite.ExtractPackage(other.path(), nullptr),
              SimplePackageReader::ExtractResult::Failed);
    EXPECT_NE(lite.failure().find("data"), std::string::npos) << lite.failure();
    EXPECT_EQ(test::ListFolder(other / "Ocean"), std::vector<std::string>{"data"});
    EXPECT_FALSE(test::PathExists(other / "Ocean.htm"));
}

#ifndef _WIN32
// The wallpaper's folder, where every file but the page goes, is never
// followed when it is a link to elsewhere.
TEST(PackageReaders, AWallpaperFolderThatIsALinkIsNotFollowed) {
    TempDir dir;
    ASSERT_TRUE(CreateFolder(dir / "elsewhere"));
    ASSERT_TRUE(CreateFolder(dir / "Wallpaper"));
    const std::string wallpapers = dir / "Wallpaper" + kSep;
    ASSERT_EQ(symlink((dir / "elsewhere").c_str(), (wallpapers + "Ocean").c_str()), 0);

    test::WriteFileBytes(dir / "setup.exe", MakeSetupPackage(test::SampleSetupRecipe()));
    SetupPackageReader setup;
    ASSERT_TRUE(setup.Open(dir / "setup.exe"));
    EXPECT_FALSE(setup.ExtractAll(wallpapers + "Ocean", nullptr));
    EXPECT_NE(setup.failure().find("link"), std::string::npos) << setup.failure();
    std::string top, left;
    EXPECT_FALSE(setup.ExtractImages(wallpapers + "Ocean", &top, &left));

    test::WriteFileBytes(dir / "lite.exe", MakeSimplePackage(test::SampleSimpleRecipe()));
    SimplePackageReader simple;
    ASSERT_TRUE(simple.Open(dir / "lite.exe"));
    EXPECT_EQ(simple.ExtractPackage(wallpapers, nullptr),
              SimplePackageReader::ExtractResult::Failed);
    EXPECT_TRUE(test::ListFolder(dir / "elsewhere").empty());
    EXPECT_EQ(test::ListFolder(wallpapers), std::vector<std::string>{"Ocean"});
}

TEST(PackageReaders, APipeIsNoPackage) {
    TempDir dir;
    ASSERT_EQ(mkfifo((dir / "pipe.exe").c_str(), 0600), 0);
    EXPECT_FALSE(HasPackageMarker(dir / "pipe.exe", kSetupMarker));
    SetupPackageReader setup;
    EXPECT_FALSE(setup.Open(dir / "pipe.exe"));
    EXPECT_EQ(setup.error(), PackageError::CannotOpen);
    SimplePackageReader simple;
    EXPECT_FALSE(simple.Open(dir / "pipe.exe"));
}
#endif

} // namespace
} // namespace ww
