// An author's whole road through the builder, from a fresh folder to two
// installers, checked against what the portable build commands make of the
// project the builder saved.
#include "builder/package/build_commands.h"
#include "builder/project/project_file.h"
#include "builder/ui/resource.h"
#include "common/package_reader.h"
#include "tests/support/icon_writer.h"
#include "tests/support/fixtures.h"
#include "tests/ui/builder_folder.h"
#include "tests/ui/ui_harness.h"

#include <gtest/gtest.h>

namespace ww {
namespace {

using test::BuilderUnderTest;

TEST(AuthorRoad, FromAFreshFolderToTwoInstallersThatMatchTheCommandLine) {
    test::TempDir work;
    test::ShellCallRecorder shell;
    BuilderUnderTest b;
    test::FillBuilderFolder(b.folder());
    test::CopyBuiltStubs(b.folder());
    const std::string movie = test::WriteMovie(work, "ocean.swf");
    test::WriteFileText(work / "readme.txt", "Thanks for installing Ocean.\n");
    test::WriteFileBytes(work / "waves.mp3", test::PatternBytes(3000, 9));
    test::WriteFileBytes(work / "ocean.ico", test::MakeIcon({test::MakeIconImage(32, 5)}));

    // Information: the movie and the name; then Setting as it comes.
    b.answers().ChooseFile(movie);
    b.Click(b.info(), IDC_INFO_CHOOSE_MOVIE);
    b.Type(b.info(), IDC_INFO_WALLPAPER_NAME, "Ocean");
    b.Type(b.info(), IDC_INFO_PUBLISHER_NAME, "Tide Works");
    b.ClickMain(IDC_MAIN_NEXT);
    b.ClickMain(IDC_MAIN_NEXT);
    ASSERT_EQ(b.ShownPage(), 3);
    // Installer: a readme and an extra file.
    b.answers().ChooseFile(work / "readme.txt");
    b.Click(b.installer(), IDC_INST_CHOOSE_README);
    b.answers().ChooseFiles({work / "waves.mp3"});
    b.Click(b.installer(), IDC_INST_ADD);
    EXPECT_FALSE(test::SaveScreenshot(b.main(), "8-installer-filled").empty());
    b.ClickMain(IDC_MAIN_NEXT);
    ASSERT_EQ(b.ShownPage(), 4);
    // Build: both outputs named through their choosers, both built.
    const std::string wallpaper = work / "Ocean Wallpaper.exe";
    const std::string installer = work / "Ocean Setup.exe";
    b.answers().ChooseFile(work / "ocean.ico");
    b.Click(b.build(), IDC_BUILD_CHOOSE_ICON);
    b.answers().ChooseFile(wallpaper);
    b.Click(b.build(), IDC_BUILD_CHOOSE_WALLPAPER);
    b.answers().ChooseFile(installer);
    b.Click(b.build(), IDC_BUILD_CHOOSE_INSTALLER);
    EXPECT_FALSE(test::SaveScreenshot(b.main(), "9-build-filled").empty());
    b.answers().Forget();
    b.answers().AnswerBoxes({IDNO});
    b.Click(b.build(), IDC_BUILD_WALLPAPER);
    b.answers().AnswerBoxes({IDCANCEL});
    b.Click(b.build(), IDC_BUILD_INSTALLER);
    ASSERT_EQ(b.answers().boxes.size(), 2u);
    EXPECT_NE(b.answers().boxes[0].text.find("successfully"), std::string::npos);
    EXPECT_NE(b.answers().boxes[1].text.find("successfully"), std::string::npos);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].verb, "explore");
    EXPECT_EQ(shell.calls[0].target, work.path());

    // Save (Next reads "&Save >" here), then build the same project as the
    // command line does.
    const std::string projectPath = work / "Ocean.sdf";
    EXPECT_EQ(b.Text(b.main(), IDC_MAIN_NEXT), "&Save >");
    b.answers().ChooseFile(projectPath);
    b.ClickMain(IDC_MAIN_NEXT);
    WallpaperProject saved;
    ASSERT_TRUE(LoadProjectFile(projectPath, &saved));
    EXPECT_EQ(saved.ExtFileItems, (std::vector<std::string>{work / "waves.mp3"}));
    EXPECT_EQ(saved.IconFilename, work / "ocean.ico");
    saved.WovenliteFilename = work / "cli-wallpaper.exe";
    saved.InstallerPackageFilename = work / "cli-setup.exe";
    const Workspace workspace(b.folder().path());
    ASSERT_TRUE(BuildProjectableWallpaper(saved, workspace).built);
    ASSERT_TRUE(BuildInstallerPackage(saved, workspace).built);
    EXPECT_EQ(test::ReadFileBytes(wallpaper), test::ReadFileBytes(saved.WovenliteFilename));
    EXPECT_EQ(test::ReadFileBytes(installer), test::ReadFileBytes(saved.InstallerPackageFilename));
    // What the installers' own readers make of them.
    SetupPackageReader setup;
    ASSERT_TRUE(setup.Open(installer));
    EXPECT_EQ(setup.trailer().wallpaperName, "Ocean");
    ASSERT_FALSE(setup.entries().empty());
    EXPECT_EQ(setup.entries().back().name, "waves.mp3");
    SimplePackageReader simple;
    ASSERT_TRUE(simple.Open(wallpaper));
    EXPECT_EQ(simple.header().movie.name, "ocean.swf");

    // Exit: one question (the project is saved), and the scratch folders emptied.
    b.answers().Forget();
    b.answers().AnswerBoxes({IDYES});
    b.ClickMain(IDC_MAIN_CANCEL);
    EXPECT_EQ(b.answers().boxes.size(), 1u);
    EXPECT_TRUE(b.quitPosted());
    EXPECT_TRUE(test::ListFolder(b.folder() / "temp").empty());
    EXPECT_TRUE(test::ListFolder(b.folder() / "output").empty());
}

} // namespace
} // namespace ww
