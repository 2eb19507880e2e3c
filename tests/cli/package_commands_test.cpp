// list and extract on installers as they leave the builder's hands: signed
// with the ordinary tools, and carrying names in UTF-8.
#include "common/fs.h"
#include "common/package_format.h"
#include "common/path.h"
#include "tests/support/cli_runner.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_builder.h"
#include "tests/support/pe_signature.h"
#include "tests/support/pe_writer.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace ww {
namespace {

using test::Bytes;
using test::RunCli;
using test::TempDir;

// Reads through a UTF-8 path, whatever the test program's own code page.
Bytes ReadUtf8Path(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#ifndef _WIN32
// osslsigncode runs on the build machine, so this one runs natively: on the
// Windows build's own stubs when there is one, else on a small executable.
Bytes Stub(const char* name) {
    const std::string built = std::string(WW_WINDOWS_BIN) + "/" + name;
    if (test::PathExists(built))
        return test::ReadFileBytes(built);
    test::PeRecipe recipe;
    recipe.layout = test::PeLayout::kNoResources;
    return test::MakePe(recipe);
}

// extract makes its folder as mkdir would, and takes it away again when the
// package installs nothing; usage errors fail with status 1 like any other.
TEST(ExtractCommand, MakesItsFolderAndLeavesNoneBehindOnFailure) {
    TempDir dir;
    test::WriteFileBytes(dir / "setup.exe", test::MakeSetupPackage(test::SampleSetupRecipe()));
    test::WriteFileBytes(dir / "junk.exe", test::PatternBytes(300));
    const std::string sep(1, kPathSeparator);
    const struct {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{"extract", dir / "junk.exe", dir / "none"}, 1},
        {{"extract", dir / "setup.exe", dir / "no" + sep + "parent"}, 1},
        {{"extract", dir / "setup.exe"}, 1},
        {{"extract", "--no-such-flag", dir / "setup.exe", dir / "x"}, 1},
        {{"frobnicate"}, 1},
        {{"extract", dir / "setup.exe", dir / "new"}, 0},
    };
    for (const auto& c : cases) {
        const test::CliResult run = RunCli(dir, c.args);
        EXPECT_EQ(run.status, c.status) << c.args[0] << " " << run.err;
        const std::vector<std::string> left =
            c.status == 0 ? std::vector<std::string>{"junk.exe", "new", "setup.exe"}
                          : std::vector<std::string>{"junk.exe", "setup.exe"};
        EXPECT_EQ(test::ListFolder(dir.path()), left) << run.err;
    }
    EXPECT_EQ(test::ListFolder(dir / "new" + sep + "Ocean").size(), 6u); // the sample's files
}

// The About box and --version tell the same version.
TEST(VersionOption, AgreesWithTheAboutBox) {
    TempDir dir;
    const std::string rc =
        test::ReadFileText(std::string(WW_SOURCE_DIR) + "/builder/ui/wallweaver.rc");
    const std::string caption = "About Wallweaver Version ";
    const size_t at = rc.find(caption);
    ASSERT_NE(at, std::string::npos);
    const std::string about =
        rc.substr(at + caption.size(), rc.find('"', at) - at - caption.size());
    const test::CliResult run = RunCli(dir, {"--version"});
    EXPECT_EQ(run.status, 0);
    // 1.0 is told as 1.0.0.
    EXPECT_EQ(run.out.rfind("wallweaver-cli " + about + ".", 0), 0u) << run.out << " / " << about;
}

TEST(SignedInstaller, ListsAndExtractsAfterSigningWithTheOrdinaryTools) {
    TempDir dir;
    test::SetupPackageRecipe setupRecipe = test::SampleSetupRecipe();
    setupRecipe.stub = Stub("Wovenset.exe");
    setupRecipe.extras = {{"notes.txt", test::PatternBytes(51, 8), -1}};
    test::SimplePackageRecipe simpleRecipe = test::SampleSimpleRecipe();
    simpleRecipe.stub = Stub("Wovenlite.exe");
    const struct {
        const char* name;
        Bytes installer;
        std::string firstLine;
    } cases[] = {
        {"setup", test::MakeSetupPackage(setupRecipe), "setup package"},
        {"simple", test::MakeSimplePackage(simpleRecipe), "simple package"},
    };
    for (const auto& c : cases) {
        const std::string plain = dir / (std::string(c.name) + ".exe");
        const std::string signedCopy = dir / (std::string(c.name) + "-signed.exe");
        test::WriteFileBytes(plain, c.installer);
        std::string why;
        ASSERT_TRUE(test::SignWithThrowawayCertificate(dir.path(), plain, signedCopy, &why)) << why;
        EXPECT_TRUE(test::VerifySignature(dir.path(), signedCopy)) << c.name;
        EXPECT_GT(test::ReadFileBytes(signedCopy).size(), c.installer.size()) << c.name;

        const test::CliResult before = RunCli(dir, {"list", plain});
        const test::CliResult after = RunCli(dir, {"list", signedCopy});
        EXPECT_EQ(after.status, 0) << c.name << ": " << after.err;
        EXPECT_EQ(after.out, before.out) << c.name;
        EXPECT_EQ(after.out.rfind(c.firstLine + "\nwallpaper: Ocean\n", 0), 0u) << after.out;

        const std::string into = dir / c.name;
        ASSERT_TRUE(CreateFolder(into));
        const test::CliResult extract = RunCli(dir, {"extract", signedCopy, into});
        EXPECT_EQ(extract.status, 0) << c.name << ": " << extract.err;
    }
    const std::string setupInto = JoinPath(dir / "setup", "Ocean");
    EXPECT_EQ(test::ReadFileBytes(JoinPath(setupInto, "notes.txt")), setupRecipe.extras[0].data);
    EXPECT_EQ(test::ReadFileBytes(JoinPath(setupInto, setupRecipe.slots[1].name)),
              setupRecipe.slots[1].data);
    EXPECT_EQ(
        test::ReadFileBytes(JoinPath(JoinPath(dir / "simple", "Ocean"), simpleRecipe.movie.name)),
        simpleRecipe.movie.data);
}
#endif

// Names as a package built on Linux stores them: UTF-8 bytes.
TEST(Utf8Names, ExtractWritesEveryNameIntact) {
    TempDir dir;
    const std::string wallpaper = "Oc\xC3\xA9"
                                  "an \xE6\xB5\xB7 \xF0\x9F\x8C\x8A"; // Océan 海 🌊
    const std::vector<test::PackageFile> extras = {
        {"caf\xC3\xA9.txt", test::PatternBytes(40, 1), -1},
        {"\xE6\xB5\xB7\xE8\xBE\xB9.txt", test::PatternBytes(41, 2), -1},
        {"\xF0\x9F\x8C\x8A.txt", test::PatternBytes(42, 3), -1},
    };
    test::SimplePackageRecipe simple = test::SampleSimpleRecipe();
    simple.wallpaperName = wallpaper;
    simple.page.name = wallpaper + ".htm";
    simple.extras = extras;
    test::SetupPackageRecipe setup = test::SampleSetupRecipe();
    setup.wallpaperName = wallpaper;
    setup.slots[kSlotPage - 1].name = wallpaper + ".htm";
    setup.slots[kSlotMovie - 1].name = "vague \xE6\xB3\xA2.swf";
    setup.extras = extras;
    const struct {
        const char* name;
        Bytes installer;
        Bytes page, movie;
        std::string movieName;
    } cases[] = {
        {"simple", test::MakeSimplePackage(simple), simple.page.data, simple.movie.data,
         simple.movie.name},
        {"setup", test::MakeSetupPackage(setup), setup.slots[kSlotPage - 1].data,
         setup.slots[kSlotMovie - 1].data, setup.slots[kSlotMovie - 1].name},
    };
    for (const auto& c : cases) {
        test::WriteFileBytes(dir / (std::string(c.name) + ".exe"), c.installer);
        const std::string into = dir / c.name;
        ASSERT_TRUE(CreateFolder(into));
        const test::CliResult run =
            RunCli(dir, {"extract", dir / (std::string(c.name) + ".exe"), into});
        ASSERT_EQ(run.status, 0) << c.name << ": " << run.err;
        const std::string folder = JoinPath(into, wallpaper);
        EXPECT_EQ(ReadUtf8Path(JoinPath(into, wallpaper + ".htm")), c.page) << c.name;
        EXPECT_EQ(ReadUtf8Path(JoinPath(folder, c.movieName)), c.movie) << c.name;
        for (const test::PackageFile& extra : extras)
            EXPECT_EQ(ReadUtf8Path(JoinPath(folder, extra.name)), extra.data) << c.name;
    }
}

} // namespace
} // namespace ww
