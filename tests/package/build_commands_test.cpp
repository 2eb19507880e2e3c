#include "builder/package/build_commands.h"

#include "builder/package/movie_still.h"
#include "common/fs.h"
#include "common/package_reader.h"
#include "common/path.h"
#include "common/player_tail.h"
#include "tests/support/swf_writer.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <stb_image.h>

namespace ww {
namespace {

using test::Bytes;
using test::PatternBytes;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

const std::string kSep(1, kPathSeparator);

// A builder folder with the real page template and stand-in stubs and
// images, and a project over files of its own.
class BuildCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        builder_ = dir_ / "builder" + kSep;
        ASSERT_TRUE(CreateFolder(builder_));
        ASSERT_TRUE(CreateFolder(builder_ + "Resource"));
        WriteFileBytes(builder_ + "res.sdt",
                       ReadFileBytes(std::string(WW_SOURCE_DIR) + "/data/res.sdt"));
        WriteFileBytes(builder_ + "Wovenlite.exe", PatternBytes(900, 1));
        WriteFileBytes(builder_ + "Wovenset.exe", PatternBytes(800, 2));
        WriteFileBytes(builder_ + "Wovenplay.exe", PatternBytes(700, 3));
        for (const char* image : {"display1.bmp", "left1.bmp", "top1.bmp"})
            WriteFileBytes(builder_ + "Resource" + kSep + image, PatternBytes(64, image[0]));
        ASSERT_TRUE(CreateFolder(dir_ / "work"));
        work_ = dir_ / "work" + kSep;
        movie_ = test::MakeSwf(test::StageRecipe(false));
        WriteFileBytes(work_ + "wave.swf", movie_);
        WriteFileBytes(work_ + "readme.txt", {'H', 'i'});
        WriteFileBytes(work_ + "credits.txt", PatternBytes(40, 7));
        project_.SwfFilename = work_ + "wave.swf";
        project_.WallpaperName = "Ocean";
        project_.PublisherName = "Tide Works";
        project_.ReadmeFilename = work_ + "readme.txt";
        project_.ExtFileItems = {work_ + "credits.txt", work_ + "credits.txt"};
        project_.WovenliteFilename = work_ + "Ocean Wallpaper.exe";
        project_.InstallerPackageFilename = work_ + "Ocean Setup.exe";
    }

    TempDir dir_;
    std::string builder_;
    std::string work_;
    Bytes movie_;
    WallpaperProject project_;
};

TEST_F(BuildCommands, ProjectableWallpaperCarriesPageMovieDefaultImageAndExtras) {
    Workspace ws(builder_);
    BuildOutcome outcome = BuildProjectableWallpaper(project_, ws);
    ASSERT_TRUE(outcome.built) << outcome.reason;
    EXPECT_TRUE(outcome.messages.empty());
    SimplePackageReader r;
    ASSERT_TRUE(r.Open(project_.WovenliteFilename));
    EXPECT_EQ(r.header().wallpaperName, "Ocean");
    EXPECT_EQ(r.header().page.name, "Ocean.htm");
    EXPECT_EQ(r.header().movie.name, "wave.swf");
    EXPECT_EQ(r.header().image.name, "display1.bmp");
    ASSERT_EQ(r.entries().size(), 2u); // duplicates are kept
    EXPECT_EQ(r.entries()[1].name, "credits.txt");
    // The page was generated in relative mode into temp\.
    std::string page = test::ReadFileText(ws.GetTempFolder() + "Ocean.htm");
    EXPECT_NE(page.find("Ocean\\wave.swf"), std::string::npos);
    EXPECT_NE(page.find(".\\Ocean\\"), std::string::npos);
}

TEST_F(BuildCommands, InstallerPackageCarriesSevenSlotsAndThePersonalisedPlayer) {
    Workspace ws(builder_);
    project_.TopImageFilename = work_ + "credits.txt"; // any file will do as an image
    BuildOutcome outcome = BuildInstallerPackage(project_, ws);
    ASSERT_TRUE(outcome.built) << outcome.reason;
    SetupPackageReader r;
    ASSERT_TRUE(r.Open(project_.InstallerPackageFilename));
    const char* names[7] = {"Ocean.htm", "wave.swf",   "display1.bmp", "credits.txt",
                            "left1.bmp", "readme.txt", "Ocean.exe"};
    for (int k = 1; k <= 7; ++k)
        EXPECT_EQ(r.trailer().slot(k).name, names[k - 1]) << "slot " << k;
    EXPECT_EQ(r.trailer().publisherName, "Tide Works");
    EXPECT_EQ(r.trailer().extraCount, 2);

    ASSERT_TRUE(CreateFolder(dir_ / "install"));
    const std::string dest = dir_ / "install" + kSep + "Ocean";
    ASSERT_TRUE(CreateFolder(dest));
    ASSERT_TRUE(r.ExtractAll(dest, nullptr));
    EXPECT_EQ(ReadFileBytes(dest + kSep + "wave.swf"), movie_);
    PlayerSettings player;
    ASSERT_TRUE(ReadPlayerTail(dest + kSep + "Ocean.exe", &player));
    EXPECT_EQ(player.pageName, "Ocean.htm");
    EXPECT_EQ(player.publisherName, "Tide Works");
    EXPECT_TRUE(test::PathExists(dir_ / "install" + kSep + "Ocean.htm"));
}

TEST_F(BuildCommands, TheReadmeIsRefusedBeforeAnythingIsWritten) {
    Workspace ws(builder_);
    WriteFileBytes(work_ + "NOTES.TXT", {'o', 'k'});
    WriteFileBytes(work_ + "notes.doc", {'n', 'o'});
    const struct {
        std::string readme;
        const char* message;
    } cases[] = {
        {"", "Readme file is required for buliding a custom installer!"},
        {work_ + "gone.txt", "Invalidate file!"},
        {work_ + "notes.doc", "Only text file is available!"},
    };
    for (const auto& c : cases) {
        project_.ReadmeFilename = c.readme;
        BuildOutcome outcome = BuildInstallerPackage(project_, ws);
        EXPECT_FALSE(outcome.built);
        EXPECT_TRUE(outcome.showInstallerPage);
        ASSERT_EQ(outcome.messages.size(), 1u);
        EXPECT_EQ(outcome.messages[0].text, c.message);
        EXPECT_FALSE(test::PathExists(project_.InstallerPackageFilename));
        EXPECT_FALSE(test::PathExists(builder_ + "output"));
    }
    project_.ReadmeFilename = work_ + "NOTES.TXT";
    EXPECT_TRUE(BuildInstallerPackage(project_, ws).built);
}

TEST_F(BuildCommands, AProjectorsMovieIsTakenOutAndPacked) {
    Workspace ws(builder_);
    test::ProjectorRecipe projector;
    projector.movie = movie_;
    WriteFileBytes(work_ + "intro.EXE", test::MakeProjector(projector));
    project_.SwfFilename = work_ + "intro.EXE";
    ASSERT_TRUE(BuildProjectableWallpaper(project_, ws).built);
    SimplePackageReader r;
    ASSERT_TRUE(r.Open(project_.WovenliteFilename));
    EXPECT_EQ(r.header().movie.name, "TmpCvtSwfFile.swf");
    ASSERT_TRUE(CreateFolder(dir_ / "install"));
    ASSERT_EQ(r.ExtractPackage(dir_ / "install", nullptr), SimplePackageReader::ExtractResult::Ok);
    EXPECT_EQ(ReadFileBytes(dir_ / "install" + kSep + "Ocean" + kSep + "TmpCvtSwfFile.swf"),
              movie_);
    std::string page = test::ReadFileText(dir_ / "install" + kSep + "Ocean.htm");
    EXPECT_NE(page.find("Ocean\\TmpCvtSwfFile.swf"), std::string::npos);
}

TEST_F(BuildCommands, FailuresAreReportedAndNothingStaleIsPacked) {
    Workspace ws(builder_);
    ASSERT_TRUE(BuildInstallerPackage(project_, ws).built);
    const Bytes good = ReadFileBytes(project_.InstallerPackageFilename);
    // Without the template no page can be made; the page of the earlier build
    // in output\ must not be packed in its place.
    ASSERT_TRUE(RemoveFile(builder_ + "res.sdt"));
    BuildOutcome installer = BuildInstallerPackage(project_, ws);
    EXPECT_FALSE(installer.built);
    ASSERT_EQ(installer.messages.size(), 1u);
    EXPECT_EQ(installer.messages[0].text,
              "Failed to build " + project_.InstallerPackageFilename + "! Please check again!");
    EXPECT_EQ(installer.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(ReadFileBytes(project_.InstallerPackageFilename), good);

    BuildOutcome wallpaper = BuildProjectableWallpaper(project_, ws);
    EXPECT_FALSE(wallpaper.built);
    ASSERT_EQ(wallpaper.messages.size(), 1u);
    EXPECT_EQ(wallpaper.messages[0].text, "Failed to build HTML File!");
    EXPECT_FALSE(test::PathExists(project_.WovenliteFilename));

    // An icon that cannot be used fails the build too.
    WriteFileBytes(builder_ + "res.sdt",
                   ReadFileBytes(std::string(WW_SOURCE_DIR) + "/data/res.sdt"));
    project_.IconFilename = work_ + "readme.txt";
    EXPECT_FALSE(BuildProjectableWallpaper(project_, ws).built);
}

// A movie whose first frame is empty and whose second covers the left half
// of its 550 x 400 stage in red.
Bytes RedSecondFrameMovie() {
    test::SwfRecipe recipe = test::StageRecipe(false);
    recipe.frameCount = 2;
    test::PlaceRecipe place;
    place.characterId = 1;
    for (const Bytes& tag :
         {test::ShowFrameTag(),
          test::RectangleShapeTag(1, 1, 0, 0, 5500, 8000, test::Solid(255, 0, 0)),
          test::PlaceObject2Tag(place), test::ShowFrameTag()})
        recipe.tags.insert(recipe.tags.end(), tag.begin(), tag.end());
    return test::MakeSwf(recipe);
}

struct StillPixel {
    int x, y;
    uint8_t r, g, b;
};

// The colour at (x, y) of a PNG file, whose size is checked against
// width x height first.
bool PngPixel(const Bytes& png, int width, int height, StillPixel* p) {
    int w = 0, h = 0, channels = 0;
    unsigned char* rgb =
        stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &w, &h, &channels, 3);
    if (!rgb)
        return false;
    const bool fits = w == width && h == height;
    if (fits) {
        const unsigned char* at = rgb + (static_cast<size_t>(p->y) * w + p->x) * 3;
        p->r = at[0];
        p->g = at[1];
        p->b = at[2];
    }
    stbi_image_free(rgb);
    return fits;
}

// Without a display image the projectable wallpaper carries a still of the
// movie's first drawing frame, laid out as the page lays it out on a
// 1920 x 1080 screen; a movie that draws nothing keeps the shipped picture,
// and the author's own picture always wins.
TEST_F(BuildCommands, TheDisplayImageIsTheAuthorsOrAStillOfTheMovie) {
    WriteFileBytes(work_ + "red.swf", RedSecondFrameMovie());
    WriteFileBytes(work_ + "mine.bmp", PatternBytes(90, 5));
    const struct {
        const char* movie;
        const char* image;
        const char* packed;
    } cases[] = {
        {"red.swf", "", kMovieStillName},
        {"wave.swf", "", "display1.bmp"}, // its frames are empty
        {"red.swf", "mine.bmp", "mine.bmp"},
    };
    int run = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.movie) + " " + c.image);
        const std::string install = dir_ / ("install" + std::to_string(++run));
        Workspace ws(builder_);
        project_.SwfFilename = work_ + c.movie;
        project_.DisplayImageFilename = *c.image ? work_ + c.image : std::string();
        project_.Dimensions = kDimensionsPercent;
        project_.Width = project_.Height = "100";
        project_.BKGroundColor = "#1E3C64";
        ASSERT_TRUE(BuildProjectableWallpaper(project_, ws).built);
        SimplePackageReader r;
        ASSERT_TRUE(r.Open(project_.WovenliteFilename));
        EXPECT_EQ(r.header().image.name, c.packed);
        ASSERT_TRUE(CreateFolder(install));
        ASSERT_EQ(r.ExtractPackage(install, nullptr), SimplePackageReader::ExtractResult::Ok);
        const Bytes packed = ReadFileBytes(install + kSep + "Ocean" + kSep + c.packed);
        if (std::string(c.packed) != kMovieStillName) {
            const std::string from =
                *c.image ? work_ + c.image : builder_ + "Resource" + kSep + "display1.bmp";
            EXPECT_EQ(packed, ReadFileBytes(from));
            continue;
        }
        // Stored compressed: a screen-sized bitmap would be 6 MB for a small movie.
        EXPECT_LT(packed.size(), 100000u);
        // The stage, 1485 x 1080 from x = 217, shows frame 2; the rest of the
        // screen and of the stage shows the page's background.
        for (StillPixel expected :
             {StillPixel{100, 540, 0x1E, 0x3C, 0x64}, StillPixel{300, 100, 255, 0, 0},
              StillPixel{940, 1000, 255, 0, 0}, StillPixel{1400, 540, 0x1E, 0x3C, 0x64},
              StillPixel{1800, 540, 0x1E, 0x3C, 0x64}}) {
            StillPixel got = expected;
            ASSERT_TRUE(PngPixel(packed, kMovieStillWidth, kMovieStillHeight, &got));
            EXPECT_EQ(std::vector<int>({got.r, got.g, got.b}),
                      std::vector<int>({expected.r, expected.g, expected.b}))
                << "at " << expected.x << ", " << expected.y;
        }
    }
}

TEST(BuildMessages, ExactTexts) {
    EXPECT_EQ(BuildSuccessQuestion("C:\\Out\\Ocean.exe"),
              "The C:\\Out\\Ocean.exe was built successfully!  Press Yes to open it, Press No "
              "to go to destination directory, Press Cancel to exit this window!");
    EXPECT_EQ(BuildFailureMessage("C:\\Out\\Ocean.exe"),
              "Failed to build C:\\Out\\Ocean.exe! Please check again!");
}

} // namespace
} // namespace ww
