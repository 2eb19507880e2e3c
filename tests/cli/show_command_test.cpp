// Runs the built wallweaver-cli show on project files.
#include "builder/project/workspace.h"
#include "common/fs.h"
#include "common/path.h"
#include "tests/support/cli_runner.h"
#include "tests/support/fixtures.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ww {
namespace {

using test::CliResult;
using test::ReadFileText;
using test::TempDir;
using test::WriteFileText;

CliResult RunShow(const TempDir& dir, const std::string& project) {
    return test::RunCli(dir, {"show", project});
}

TEST(ShowCommand, PrintsTheProjectAsReadInKeyOrder) {
    TempDir dir;
    ASSERT_TRUE(CreateFolder(dir / "proj"));
    const std::string project = dir / "proj" + std::string(1, kPathSeparator) + "p.sdf";
    // Keys out of order, a foreign section, a count smaller than the items
    // stored, relative and Windows paths, none of the files present.
    WriteFileText(project, "[Notes]\r\nSwfFilename=not this\r\n[General]\r\nWidth=100px\r\n"
                           "Dimensions=2\r\nSwfFilename=wave.swf\r\nExtFileItem1=b.txt\r\n"
                           "ExtFileItem0=C:\\Work\\a.txt\r\nExtFileCount=1\r\nQuality=9\r\n"
                           "WallpaperName=  \"Ocean\"  \r\nWovenliteFilename=out.exe\r\n");
    const CliResult run = RunShow(dir, project);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string base = FolderOfPath(project);
    EXPECT_EQ(run.out, "SwfFilename=" + base +
                           "wave.swf\n"
                           "WallpaperName=Ocean\nPublisherName=\nPublisherURL=\nCopyright=\n"
                           "TopImageFilename=\nLeftImageFilename=\nDisplayImageFilename=\n"
                           "ReadmeFilename=\nExtFileCount=1\nExtFileItem0=C:\\Work\\a.txt\n"
                           "FlashAlign_Horizontal=0\nFlashAlign_Vertical=0\nScale=0\n"
                           "BKGroundColor=\nAutoPlay=0\nLoop=0\nShowMenu=0\nQuality=5\n"
                           "Dimensions=2\nHeight=0\nWidth=100\nIconFilename=\nWovenliteFilename=" +
                           base + "out.exe\nInstallerPackageFilename=\n");
}

TEST(ShowCommand, ReadsTheSampleProjectAndRefusesAPathThatNamesNoFile) {
    TempDir dir;
    const std::string sample = std::string(WW_SOURCE_DIR) + "/samples/ocean/Ocean.sdf";
    ASSERT_TRUE(FileExists(sample)) << sample;
    CliResult run = RunShow(dir, sample);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string folder = FolderOfPath(sample);
    EXPECT_EQ(run.out.rfind("SwfFilename=" + folder + "wave.swf\nWallpaperName=Ocean\n", 0), 0u)
        << run.out;
    EXPECT_NE(run.out.find("\nExtFileCount=1\nExtFileItem0=" + folder + "credits.txt\n"),
              std::string::npos)
        << run.out;

    for (const std::string& missing : {dir / "missing.sdf", WithoutTrailingSeparator(dir.path())}) {
        run = RunShow(dir, missing);
        EXPECT_EQ(run.status, 1) << missing;
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_NE(run.err.find(missing), std::string::npos) << run.err;
    }
}

// The builder reads a UTF-16 project file as one without settings; the
// command line says so instead of printing empty settings as a success.
TEST(ShowCommand, SaysAUtf16ProjectFileCannotBeRead) {
    TempDir dir;
    for (const std::string& mark : {std::string("\xFF\xFE"), std::string("\xFE\xFF")}) {
        std::string text = mark;
        for (char c : std::string("[General]\r\nWallpaperName=Ocean\r\n"))
            text += mark[0] == '\xFF' ? std::string{c, '\0'} : std::string{'\0', c};
        WriteFileText(dir / "wide.sdf", text);
        const CliResult run = RunShow(dir, dir / "wide.sdf");
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_NE(run.err.find(dir / "wide.sdf"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("UTF-16"), std::string::npos) << run.err;
    }
}

} // namespace
} // namespace ww
