#include "builder/package/package_writers.h"

#include "common/fs.h"
#include "common/package_reader.h"
#include "common/path.h"
#include "tests/support/package_builder.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace ww {
namespace {

using test::Bytes;
using test::PatternBytes;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

const std::string kSep(1, kPathSeparator);

// Input files on disk for a recipe, so a writer can be given the same files
// the hand-built reference holds.
std::string Put(const TempDir& dir, const test::PackageFile& f) {
    WriteFileBytes(dir / f.name, f.data);
    return dir / f.name;
}

TEST(SetupPackageWriter, MatchesTheLayoutByteForByte) {
    TempDir dir;
    test::SetupPackageRecipe recipe = test::SampleSetupRecipe();
    recipe.publisherName = "Tide Works";
    recipe.publisherUrl = "http://example.invalid/";
    recipe.copyright = "(c) 2026";
    WriteFileBytes(dir / "Wovenset.exe", recipe.stub);

    for (int extras = 0; extras < 2; ++extras) {
        if (extras)
            recipe.extras = {{"notes.txt", PatternBytes(33, 1), -1}, {"empty.dat", {}, -1}};
        SetupPackageWriter w;
        EXPECT_EQ(w.SetStubFile(dir / "Wovenset.exe"), 1);
        for (int k = 1; k <= 7; ++k)
            w.SetSlotFile(k, Put(dir, recipe.slots[k - 1]));
        w.SetExtraCount(static_cast<int>(recipe.extras.size()));
        for (size_t i = 0; i < recipe.extras.size(); ++i)
            w.SetExtraFile(static_cast<int>(i), Put(dir, recipe.extras[i]));
        w.SetWallpaperName("Ocean");
        w.SetPublisherName(recipe.publisherName);
        w.SetPublisherUrl(recipe.publisherUrl);
        w.SetCopyright(recipe.copyright);
        ASSERT_EQ(w.Build(dir / "out.exe", ""), 1) << w.error();
        const Bytes built = ReadFileBytes(dir / "out.exe");
        EXPECT_EQ(built, test::MakeSetupPackage(recipe)) << "extras " << extras;
        if (!extras) {
            EXPECT_EQ(built.size() - recipe.stub.size(), 3436u);
        }
        // Building again over the first output gives the same file.
        ASSERT_EQ(w.Build(dir / "out.exe", ""), 1);
        EXPECT_EQ(ReadFileBytes(dir / "out.exe"), built);
    }
}

TEST(SimplePackageWriter, MatchesTheLayoutByteForByte) {
    TempDir dir;
    test::SimplePackageRecipe recipe = test::SampleSimpleRecipe();
    recipe.extras = {{"extra.dat", PatternBytes(10, 6), -1}};
    WriteFileBytes(dir / "Wovenlite.exe", recipe.stub);
    SimplePackageWriter w;
    EXPECT_EQ(w.SetWallpaperName("Ocean"), 6);
    EXPECT_EQ(w.SetStubFile(dir / "Wovenlite.exe"),
              static_cast<int>((dir / "Wovenlite.exe").size() + 1));
    w.SetMovieFile(Put(dir, recipe.movie));
    w.SetPageFile(Put(dir, recipe.page));
    w.SetImageFile(Put(dir, recipe.image));
    w.AddExtraFile(Put(dir, recipe.extras[0]));
    ASSERT_EQ(w.Build(dir / "lite.exe", ""), 1) << w.error();
    const Bytes built = ReadFileBytes(dir / "lite.exe");
    EXPECT_EQ(built.size() - recipe.stub.size(), 3734u);
    EXPECT_EQ(built, test::MakeSimplePackage(recipe));

    // And the installer's own reader takes back exactly the inputs.
    SimplePackageReader r;
    ASSERT_TRUE(r.Open(dir / "lite.exe"));
    ASSERT_TRUE(CreateFolder(dir / "install"));
    ASSERT_EQ(r.ExtractPackage(dir / "install", nullptr), SimplePackageReader::ExtractResult::Ok);
    EXPECT_EQ(ReadFileBytes(dir / "install" + kSep + "Ocean" + kSep + "wave.swf"),
              recipe.movie.data);
    EXPECT_EQ(ReadFileBytes(dir / "install" + kSep + "Ocean.htm"), recipe.page.data);
}

TEST(SimplePackageWriter, ExtraFilesThatComeAndGo) {
    TempDir dir;
    WriteFileBytes(dir / "stub.exe", PatternBytes(50));
    for (const char* f : {"p.htm", "m.swf", "i.bmp", "kept.txt", "gone.txt", "grows.txt"})
        WriteFileBytes(dir / f, PatternBytes(5));
    auto writer = [&](SimplePackageWriter& w) {
        w.SetStubFile(dir / "stub.exe");
        w.SetPageFile(dir / "p.htm");
        w.SetMovieFile(dir / "m.swf");
        w.SetImageFile(dir / "i.bmp");
        w.SetWallpaperName("Ocean");
    };
    {
        // Missing when added: an empty entry, even if it appears later.
        SimplePackageWriter w;
        writer(w);
        w.AddExtraFile(dir / "later.txt");
        WriteFileBytes(dir / "later.txt", PatternBytes(9));
        ASSERT_EQ(w.Build(dir / "a.exe", ""), 1) << w.error();
        SimplePackageReader r;
        ASSERT_TRUE(r.Open(dir / "a.exe"));
        ASSERT_EQ(r.entries().size(), 1u);
        EXPECT_EQ(r.entries()[0].size, 0u);
        EXPECT_EQ(r.entries()[0].name, "later.txt");
    }
    const struct {
        const char* what;
        void (*change)(const TempDir&);
    } failures[] = {
        {"deleted after adding", [](const TempDir& d) { RemoveFile(d / "gone.txt"); }},
        {"grown after adding",
         [](const TempDir& d) { WriteFileBytes(d / "gone.txt", PatternBytes(6)); }},
    };
    for (const auto& f : failures) {
        WriteFileBytes(dir / "gone.txt", PatternBytes(5));
        SimplePackageWriter w;
        writer(w);
        w.AddExtraFile(dir / "gone.txt");
        f.change(dir);
        EXPECT_EQ(w.Build(dir / "b.exe", ""), 0) << f.what;
        EXPECT_FALSE(test::PathExists(dir / "b.exe")) << f.what;
    }
}

TEST(PackageWriters, CapacitiesRefuseBeforeAnythingIsWritten) {
    TempDir dir;
    WriteFileBytes(dir / "stub.exe", PatternBytes(50));
    WriteFileBytes(dir / "x.txt", PatternBytes(3));
    SetupPackageWriter setup;
    setup.SetStubFile(dir / "stub.exe");
    for (int k = 1; k <= 7; ++k)
        setup.SetSlotFile(k, dir / "x.txt");
    setup.SetExtraCount(129);
    EXPECT_EQ(setup.Build(dir / "setup.exe", ""), 0);
    EXPECT_NE(setup.error().find("128"), std::string::npos) << setup.error();

    SimplePackageWriter simple;
    simple.SetStubFile(dir / "stub.exe");
    simple.SetPageFile(dir / "x.txt");
    simple.SetMovieFile(dir / "x.txt");
    simple.SetImageFile(dir / "x.txt");
    simple.SetWallpaperName("Ocean");
    for (int i = 0; i < 33; ++i)
        simple.AddExtraFile(dir / "x.txt");
    EXPECT_EQ(simple.Build(dir / "lite.exe", ""), 0);
    EXPECT_NE(simple.error().find("32"), std::string::npos) << simple.error();
    EXPECT_EQ(test::ListFolder(dir.path()), (std::vector<std::string>{"stub.exe", "x.txt"}));
}

TEST(PackageWriters, AFailedBuildKeepsTheEarlierOutputAndLeavesNoDebris) {
    TempDir dir;
    test::SetupPackageRecipe recipe = test::SampleSetupRecipe();
    WriteFileBytes(dir / "stub.exe", recipe.stub);
    SetupPackageWriter w;
    w.SetStubFile(dir / "stub.exe");
    for (int k = 1; k <= 7; ++k)
        w.SetSlotFile(k, Put(dir, recipe.slots[k - 1]));
    w.SetWallpaperName("Ocean");
    ASSERT_EQ(w.Build(dir / "good.exe", ""), 1);
    const Bytes good = ReadFileBytes(dir / "good.exe");
    const auto before = test::ListFolder(dir.path());

    const struct {
        const char* what;
        void (*breakIt)(SetupPackageWriter&, const TempDir&);
    } breaks[] = {
        {"readme missing",
         [](SetupPackageWriter& w, const TempDir& d) { w.SetSlotFile(6, d / "no-readme.txt"); }},
        {"stub missing",
         [](SetupPackageWriter& w, const TempDir& d) { w.SetStubFile(d / "none.exe"); }},
        {"icon unusable", [](SetupPackageWriter&, const TempDir&) {}},
    };
    for (const auto& b : breaks) {
        SetupPackageWriter again = w;
        b.breakIt(again, dir);
        std::string icon = std::string(b.what) == "icon unusable" ? dir / "readme.txt" : "";
        EXPECT_EQ(again.Build(dir / "good.exe", icon), 0) << b.what;
        EXPECT_FALSE(again.error().empty()) << b.what;
        EXPECT_EQ(ReadFileBytes(dir / "good.exe"), good) << b.what;
        EXPECT_EQ(test::ListFolder(dir.path()), before) << b.what;
    }
}

// What the installers would refuse is refused at build time, in the
// installers' words, and nothing is written.
TEST(PackageWriters, RefuseTheNamesTheInstallersRefuse) {
    TempDir dir;
    test::SetupPackageRecipe recipe = test::SampleSetupRecipe();
    WriteFileBytes(dir / "stub.exe", recipe.stub);
    for (const test::PackageFile& f : recipe.slots)
        Put(dir, f);
    ASSERT_TRUE(CreateFolder(dir / "other"));
    const std::string other = dir / "other" + kSep;
    const struct {
        const char* what;
        std::string wallpaper;
        std::vector<std::string> extras; // files in dir/other
        std::string expected;
    } cases[] = {
        {"extra named like the movie",
         "Ocean",
         {"WAVE.SWF"},
         "the package stores two files under one name: \"WAVE.SWF\""},
        {"extras in two cases",
         "Ocean",
         {"notes.txt", "NOTES.txt"},
         "the package stores two files under one name: \"NOTES.txt\""},
        {"extra named like the player",
         "Ocean",
         {"ocean.exe"},
         "the package stores two files under one name: \"ocean.exe\""},
#ifndef _WIN32
        // Names only other systems can hold.
        {"trailing dot",
         "Ocean",
         {"wave2.swf."},
         "the package stores a name that is not a plain file name: \"wave2.swf.\""},
        {"wildcard",
         "Ocean",
         {"a*.txt"},
         "the package stores a name that is not a plain file name: \"a*.txt\""},
#endif
        {"short-name shape",
         "Ocean",
         {"OCEANW~1.HTM"},
         "the package stores a name that is not a plain file name: \"OCEANW~1.HTM\""},
        {"device",
         "Ocean",
         {"CLOCK$.txt"},
         "the package stores a name that is not a plain file name: \"CLOCK$.txt\""},
        {"wallpaper with a trailing blank",
         "Ocean ",
         {},
         "the package stores a name that is not a plain file name: \"Ocean \""},
    };
    for (const auto& c : cases) {
        SetupPackageWriter setup;
        setup.SetStubFile(dir / "stub.exe");
        for (int k = 1; k <= 7; ++k)
            setup.SetSlotFile(k, dir / recipe.slots[k - 1].name);
        setup.SetExtraCount(static_cast<int>(c.extras.size()));
        SimplePackageWriter simple;
        simple.SetStubFile(dir / "stub.exe");
        simple.SetPageFile(dir / "Ocean.htm");
        simple.SetMovieFile(dir / "wave.swf");
        simple.SetImageFile(dir / "display1.bmp");
        for (size_t i = 0; i < c.extras.size(); ++i) {
            // The player is no file of a simple package: its name stands for the image there.
            const std::string name = c.extras[i] == "ocean.exe" ? "DISPLAY1.bmp" : c.extras[i];
            WriteFileBytes(other + c.extras[i], {1});
            WriteFileBytes(other + name, {1});
            setup.SetExtraFile(static_cast<int>(i), other + c.extras[i]);
            simple.AddExtraFile(other + name);
        }
        setup.SetWallpaperName(c.wallpaper);
        simple.SetWallpaperName(c.wallpaper);
        EXPECT_EQ(setup.Build(dir / "setup.exe", ""), 0) << c.what;
        EXPECT_EQ(setup.error(), c.expected) << c.what;
        EXPECT_EQ(simple.Build(dir / "lite.exe", ""), 0) << c.what;
        EXPECT_NE(simple.error().find(
                      DescribePackageError(c.expected.find("two files") != std::string::npos
                                               ? PackageError::NameClash
                                               : PackageError::UnsafeName)),
                  std::string::npos)
            << c.what << ": " << simple.error();
        EXPECT_FALSE(test::PathExists(dir / "setup.exe")) << c.what;
        EXPECT_FALSE(test::PathExists(dir / "lite.exe")) << c.what;
        for (const std::string& name : test::ListFolder(dir.path()))
            EXPECT_NE(name[0], '~') << c.what << ": " << name;
    }
}

#ifndef _WIN32
// A size does not fit its 32 bits: said so, not taken for a file that changed.
TEST(PackageWriters, AFileOf4GiBIsRefusedForWhatItIs) {
    TempDir dir;
    WriteFileBytes(dir / "stub.exe", PatternBytes(50));
    for (const char* f : {"Ocean.htm", "display1.bmp"})
        WriteFileBytes(dir / f, PatternBytes(5));
    WriteFileBytes(dir / "wave.swf", {});
    ASSERT_EQ(truncate((dir / "wave.swf").c_str(), 0x100000000LL + 5), 0);
    SimplePackageWriter w;
    w.SetStubFile(dir / "stub.exe");
    w.SetPageFile(dir / "Ocean.htm");
    w.SetMovieFile(dir / "wave.swf");
    w.SetImageFile(dir / "display1.bmp");
    w.SetWallpaperName("Ocean");
    EXPECT_EQ(w.Build(dir / "lite.exe", ""), 0);
    EXPECT_EQ(w.error(), "the file " + dir / "wave.swf" +
                             " is 4 GiB or larger, more than a package can store");
    EXPECT_FALSE(test::PathExists(dir / "lite.exe"));
}

// An output that cannot take the bytes (here a file-size limit, as a full
// disk would) is said to be the output's fault, not the stub's.
TEST(PackageWriters, AnOutputThatCannotTakeTheBytesIsNamed) {
    TempDir dir;
    WriteFileBytes(dir / "stub.exe", PatternBytes(3 << 20));
    WriteFileBytes(dir / "Ocean.htm", PatternBytes(5));
    PlayerTailWriter w;
    w.SetStubFile(dir / "stub.exe");
    w.SetPageFile(dir / "Ocean.htm");
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 1 << 20;
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int built = w.Build(dir / "Ocean.exe", "");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(built, 0);
    EXPECT_EQ(w.error(), "the output " + dir / "Ocean.exe" +
                             " cannot be written (the file is larger than the file system takes)");
    EXPECT_EQ(test::ListFolder(dir.path()), (std::vector<std::string>{"Ocean.htm", "stub.exe"}));
}
#endif

TEST(PackageWriters, AnOutputPathTooLongFailsBeforeAnything) {
    TempDir dir;
    WriteFileBytes(dir / "stub.exe", PatternBytes(50));
    WriteFileBytes(dir / "Ocean.htm", PatternBytes(5));
#ifdef _WIN32
    const std::string output = dir / std::string(260 - dir.path().size(), 'o');
#else
    const std::string output = dir / std::string(256, 'o');
#endif
    PlayerTailWriter w;
    w.SetStubFile(dir / "stub.exe");
    w.SetPageFile(dir / "Ocean.htm");
    EXPECT_EQ(w.Build(output, ""), 0);
    EXPECT_EQ(w.error(), "the output " + output + " is a longer path than the file system takes");
    EXPECT_EQ(test::ListFolder(dir.path()), (std::vector<std::string>{"Ocean.htm", "stub.exe"}));
}

TEST(PlayerTailWriter, AppendsTheTailWithTheBarePageName) {
    TempDir dir;
    const Bytes stub = PatternBytes(4000, 2);
    WriteFileBytes(dir / "Wovenplay.exe", stub);
    PlayerTailWriter w;
    w.SetStubFile(dir / "Wovenplay.exe");
    w.SetPageFile(dir / "Ocean.htm");
    w.SetWallpaperName("Ocean");
    w.SetPublisherName("Tide Works");
    w.SetPublisherUrl("http://example.invalid/");
    w.SetCopyright("(c) 2026");
    ASSERT_EQ(w.Build(dir / "Ocean.exe", ""), 1) << w.error();
    Bytes built = ReadFileBytes(dir / "Ocean.exe");
    ASSERT_EQ(built.size(), stub.size() + kPlayerTailSize);
    EXPECT_TRUE(std::equal(stub.begin(), stub.end(), built.begin()));
    PlayerSettings s;
    ASSERT_TRUE(ReadPlayerTail(dir / "Ocean.exe", &s));
    EXPECT_EQ(s.pageName, "Ocean.htm");
    EXPECT_EQ(s.publisherUrl, "http://example.invalid/");
}

} // namespace
} // namespace ww
