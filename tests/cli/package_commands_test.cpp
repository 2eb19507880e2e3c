// list and extract on installers signed with the ordinary tools.
#include "common/fs.h"
#include "common/path.h"
#include "tests/support/cli_runner.h"
#include "tests/support/fixtures.h"
#include "tests/support/package_builder.h"
#include "tests/support/pe_signature.h"
#include "tests/support/pe_writer.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace ww {
namespace {

using test::Bytes;
using test::RunCli;
using test::TempDir;

#ifndef _WIN32
// osslsigncode runs on the build machine, so this one runs natively.
Bytes Stub() {
    test::PeSpec recipe;
    recipe.layout = test::PeLayout::kNoResources;
    return test::MakePe(recipe);
}

TEST(SignedInstaller, ListsAndExtractsAfterSigningWithTheOrdinaryTools) {
    TempDir dir;
    test::SetupPackageSpec setupSpec = test::SampleSetupSpec();
    setupSpec.stub = Stub();
    setupSpec.extras = {{"notes.txt", test::PatternBytes(51, 8), -1}};
    test::SimplePackageSpec simpleSpec = test::SampleSimpleSpec();
    simpleSpec.stub = Stub();
    const struct {
        const char* name;
        Bytes installer;
        std::string firstLine;
    } cases[] = {
        {"setup", test::MakeSetupPackage(setupSpec), "setup package"},
        {"simple", test::MakeSimplePackage(simpleSpec), "simple package"},
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
    EXPECT_EQ(test::ReadFileBytes(JoinPath(setupInto, "notes.txt")), setupSpec.extras[0].data);
    EXPECT_EQ(test::ReadFileBytes(JoinPath(setupInto, setupSpec.slots[1].name)),
              setupSpec.slots[1].data);
    EXPECT_EQ(
        test::ReadFileBytes(JoinPath(JoinPath(dir / "simple", "Ocean"), simpleSpec.movie.name)),
        simpleSpec.movie.data);
}
#endif

} // namespace
} // namespace ww
