#include "builder/project/project.h"

#include "common/path.h"
#include "swf/swf_reader.h"
#include "tests/support/fixtures.h"
#include "tests/support/swf_writer.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace ww {
namespace {

using test::TempDir;
using test::WriteFileBytes;

std::vector<std::string> Texts(const UserMessages& messages) {
    std::vector<std::string> texts;
    for (const UserMessage& m : messages)
        texts.push_back(m.text);
    return texts;
}

// Recognition by content, so the tests control what counts as a movie.
MovieTests ContentTests() {
    return {[](const std::string& p) { return test::ReadFileText(p).rfind("FWS", 0) == 0; },
            [](const std::string& p) {
                return test::ReadFileText(p).find("PROJ") != std::string::npos;
            }};
}

TEST(WallpaperProject, NewProjectDefaults) {
    WallpaperProject p;
    EXPECT_STREQ(kHorizontalAlignList.labels[p.FlashAlign_Horizontal], "Center");
    EXPECT_STREQ(kVerticalAlignList.labels[p.FlashAlign_Vertical], "Middle");
    EXPECT_STREQ(kScaleList.labels[p.Scale], "Default(Show all)");
    EXPECT_STREQ(kQualityList.labels[p.Quality], "Auto High");
    EXPECT_STREQ(kDimensionsList.labels[p.Dimensions], "Match Movie");
    EXPECT_EQ(p.BKGroundColor, "#FFFFFF");
    EXPECT_EQ(p.AutoPlay + p.Loop + p.ShowMenu, 3);
    EXPECT_TRUE(p.SwfFilename.empty() && p.WallpaperName.empty() && p.ExtFileItems.empty());
}

TEST(WallpaperProject, ChoiceValuesClampOutOfRangeIndexes) {
    EXPECT_STREQ(ChoiceValue(kQualityList, 2), "autohigh");
    EXPECT_STREQ(ChoiceValue(kScaleList, 2), "exactfit");
    EXPECT_STREQ(ChoiceValue(kQualityList, -3), "low");
    EXPECT_STREQ(ChoiceValue(kQualityList, 9), "best");
    EXPECT_STREQ(ChoiceValue(kHorizontalAlignList, 3), "Right");
    EXPECT_STREQ(FlagValue(1), "true");
    EXPECT_STREQ(FlagValue(0), "false");
    WallpaperProject p;
    p.Dimensions = 7;
    p.Scale = -1;
    p.Loop = 5;
    ClampChoices(p);
    EXPECT_EQ(p.Dimensions, 3);
    EXPECT_EQ(p.Scale, 0);
    EXPECT_EQ(p.Loop, 1);
}

TEST(ValidateInformation, MovieAndNameChecksInOrder) {
    TempDir dir;
    WriteFileBytes(dir / "wave.swf", {'F', 'W', 'S', 6});
    WriteFileBytes(dir / "LOUD.SWF", {'C', 'W', 'S', 6});
    WriteFileBytes(dir / "LOUD2.SWF", {'F', 'W', 'S', 6});
    WriteFileBytes(dir / "intro.exe", {'P', 'R', 'O', 'J'});
    WriteFileBytes(dir / "plain.exe", {'M', 'Z'});
    WriteFileBytes(dir / "wave.gif", {'F', 'W', 'S', 6});
    struct Case {
        std::string movie;
        std::string name;
        std::vector<std::string> expected;
    };
    const std::string bad = "Invalid Wallpaper name, please enter letters or number only!";
    const Case cases[] = {
        {"", "", {"Please select a swf file!"}},
        {"", "Sea/side", {"Please select a swf file!"}},
        {dir / "wave.swf", "", {"Please enter Wallpaper name!"}},
        {dir / "wave.swf", "Ocean", {}},
        {dir / "LOUD2.SWF", "Ocean", {}}, // the ending is compared in lower case
        {dir / "LOUD.SWF", "Ocean", {"Non-standard SWF file!"}},
        {dir / "intro.exe", "Ocean", {}},
        {dir / "plain.exe", "Ocean", {"Non-standard SWF file!"}},
        {dir / "wave.gif", "Ocean", {"Non-standard SWF file!"}},
        {dir / "gone.swf", "Ocean", {"Invalid file name"}},
        // a missing or non-standard movie and a bad name: both messages, in order
        {dir / "gone.swf", "Sea:side", {"Invalid file name", bad}},
        {dir / "wave.gif", "Sea|side", {"Non-standard SWF file!", bad}},
        {dir / "wave.swf", "Sea?side", {bad}},
        {dir / "wave.swf", "Blue Waves. 2", {}},
    };
    for (const Case& c : cases) {
        WallpaperProject p;
        p.SwfFilename = c.movie;
        p.WallpaperName = c.name;
        UserMessages m = ValidateInformation(p, ContentTests());
        EXPECT_EQ(Texts(m), c.expected) << c.movie << " / " << c.name;
        for (const UserMessage& one : m)
            EXPECT_EQ(one.icon, MessageIcon::Exclamation);
    }
}

TEST(ValidateSettingAndPreview, Messages) {
    WallpaperProject p;
    EXPECT_TRUE(ValidateSetting(p).empty());
    p.BKGroundColor.clear();
    EXPECT_EQ(Texts(ValidateSetting(p)),
              std::vector<std::string>{"Please select a HTML background color!"});

    // Only what a page can show: a width and height a screen can hold, and a
    // colour the page writes as it stands.
    const std::string colour =
        "The background color must be # and six hexadecimal digits, such as #1E3C64!";
    const std::string pixels = "Width and height must be whole numbers of pixels from 1 to 16384!";
    const std::string percent = "Width and height must be whole percentages from 1 to 1000!";
    struct Setting {
        const char* colour;
        int32_t dimensions;
        const char *width, *height;
        std::vector<std::string> expected;
    };
    const Setting settings[] = {
        {"#1e3c64", kDimensionsPixels, "1", "16384", {}},
        {"#1E3C64", kDimensionsMatchMovie, "", "", {}}, // the movie's own size
        {"#1E3C64", kDimensionsMatchMovie, "550800", "x", {}},
        {"#1E3C64", kDimensionsPercent, "1000", "1", {}},
        {"#1E3C64", kDimensionsFullScreen, "1920", "1080", {}},
        {"#1E3C64#802020", kDimensionsPixels, "550", "400", {colour}},
        {"blue", kDimensionsPixels, "550", "400", {colour}},
        {"#1E3C6", kDimensionsPixels, "550", "400", {colour}},
        {"#1E3C6G", kDimensionsPixels, "550", "400", {colour}},
        {"#1E3C64", kDimensionsPixels, "550800", "400", {pixels}},
        {"#1E3C64", kDimensionsPixels, "550", "0", {pixels}},
        {"#1E3C64", kDimensionsPixels, "", "400", {pixels}},
        {"#1E3C64", kDimensionsPixels, "-5", "400", {pixels}},
        {"#1E3C64", kDimensionsPixels, " 550", "400", {pixels}},
        {"#1E3C64", kDimensionsPixels, "99999999999", "400", {pixels}},
        {"#1E3C64", kDimensionsFullScreen, "16385", "400", {pixels}},
        {"#1E3C64", kDimensionsPercent, "100", "1001", {percent}},
        {"#1E3C64", kDimensionsPercent, "50%", "100", {percent}},
        {"#XYZ", kDimensionsPercent, "0", "100", {colour, percent}},
    };
    for (const Setting& c : settings) {
        WallpaperProject q;
        q.BKGroundColor = c.colour;
        q.Dimensions = c.dimensions;
        q.Width = c.width;
        q.Height = c.height;
        EXPECT_EQ(Texts(ValidateSetting(q)), c.expected)
            << c.colour << " " << c.dimensions << " " << c.width << " x " << c.height;
    }

    struct Case {
        const char* movie;
        const char* name;
        std::vector<std::string> expected;
        MessageIcon lastIcon;
    };
    const Case cases[] = {
        {"",
         "",
         {"Please enter the SWF file name!", "Please enter the Wallpaper name!"},
         MessageIcon::Error},
        {"", "Ocean", {"Please enter the SWF file name!"}, MessageIcon::Error},
        {"m.swf", "", {"Please enter the Wallpaper name!"}, MessageIcon::Error},
        {"m.swf",
         "Oce*an",
         {"Incorrect Wallpaper Name, letters or number only!"},
         MessageIcon::Exclamation},
        {"m.swf", "Ocean, again.", {}, MessageIcon::Error},
    };
    for (const Case& c : cases) {
        WallpaperProject q;
        q.SwfFilename = c.movie;
        q.WallpaperName = c.name;
        UserMessages m = ValidatePreview(q);
        EXPECT_EQ(Texts(m), c.expected) << c.movie << " / " << c.name;
        if (!m.empty()) {
            EXPECT_EQ(m.back().icon, c.lastIcon);
        }
    }
}

TEST(BuildChecks, IconOutputNameAndOverwrite) {
    TempDir dir;
    WriteFileBytes(dir / "app.ico", {0, 0, 1, 0});
    WallpaperProject p;
    EXPECT_TRUE(IconWarning(p, OutputKind::InstallerPackage).empty());
    p.IconFilename = dir / "app.ico";
    EXPECT_TRUE(IconWarning(p, OutputKind::InstallerPackage).empty());
    p.IconFilename = dir / "missing.ico";
    EXPECT_EQ(Texts(IconWarning(p, OutputKind::ProjectableWallpaper)),
              std::vector<std::string>{" Invalid icon file!"});
    EXPECT_EQ(Texts(IconWarning(p, OutputKind::InstallerPackage)),
              std::vector<std::string>{"Invalid icon file!"});

    EXPECT_EQ(Texts(ValidateOutputName(p, OutputKind::ProjectableWallpaper)),
              std::vector<std::string>{"Please enter a file name of projectable wallpaper!"});
    EXPECT_EQ(Texts(ValidateOutputName(p, OutputKind::InstallerPackage)),
              std::vector<std::string>{"Please enter a file name of the installer!"});
    const struct {
        const char* name;
        bool ok;
    } names[] = {{"Ocean.exe", true},
                 {"OCEAN.EXE", true},
                 {"Ocean.exe.txt", false},
                 {"Ocean", false},
                 {"exe", false}};
    for (const auto& n : names) {
        p.WovenliteFilename = n.name;
        UserMessages m = ValidateOutputName(p, OutputKind::ProjectableWallpaper);
        EXPECT_EQ(m.empty(), n.ok) << n.name;
        if (!m.empty()) {
            EXPECT_EQ(m[0].text, "File name error! Please save it as exe file!");
            EXPECT_EQ(m[0].icon, MessageIcon::Stop);
        }
    }
    EXPECT_EQ(OverwriteQuestion("C:\\Out\\Ocean.exe"),
              "C:\\Out\\Ocean.exe already exist,do you want to overwrite it?");
}

TEST(ValidateReadme, ThreeMessagesInOrder) {
    TempDir dir;
    WriteFileBytes(dir / "NOTES.TXT", {'h', 'i'});
    WriteFileBytes(dir / "notes.doc", {'h', 'i'});
    const struct {
        std::string path;
        const char* expected;
    } cases[] = {
        {"", "Readme file is required for buliding a custom installer!"},
        {dir / "gone.txt", "Invalidate file!"},
        {dir / "notes.doc", "Only text file is available!"},
        {dir / "NOTES.TXT", nullptr},
    };
    for (const auto& c : cases) {
        WallpaperProject p;
        p.ReadmeFilename = c.path;
        UserMessages m = ValidateReadme(p);
        if (!c.expected) {
            EXPECT_TRUE(m.empty()) << c.path;
        } else {
            EXPECT_EQ(Texts(m), std::vector<std::string>{c.expected}) << c.path;
        }
    }
}

TEST(SwfMovieTests, RecognitionBySignatureAndNameEnding) {
    TempDir dir;
    struct Case {
        const char* name;
        test::Bytes content;
        bool isSwf, standard;
    };
    const test::Bytes fws = test::MakeSwf(test::StageRecipe(false));
    const test::Bytes cws = test::MakeSwf(test::StageRecipe(true));
    test::ProjectorRecipe badLength{test::PatternBytes(100), fws};
    badLength.recordedLength = 0xFFFFFFFF;
    const std::vector<Case> cases = {
        {"movie.swf", fws, true, true},
        {"MOVIE.SWF", cws, true, true},
        {"lower.swf", {'f', 'w', 's', 6}, false, false},
        {"other.swf", {'F', 'W', 'X', 6}, false, false},
        {"short.swf", {'C', 'W'}, false, false},
        {"empty.swf", {}, false, false},
        {"intro.EXE", test::MakeProjector({test::PatternBytes(100), cws}), false, true},
        {"plain.exe", test::PatternBytes(100), false, false},
        {"badlength.exe", test::MakeProjector(badLength), false, false},
        {"movie.txt", fws, true, false},
    };
    const MovieTests tests = SwfMovieTests();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(dir / c.name, c.content);
        EXPECT_EQ(IsSwfFile(dir / c.name), c.isSwf);
        WallpaperProject project;
        project.SwfFilename = dir / c.name;
        project.WallpaperName = "Ocean";
        const UserMessages messages = ValidateInformation(project, tests);
        EXPECT_EQ(messages.empty(), c.standard);
        if (!c.standard && !messages.empty()) {
            EXPECT_EQ(messages[0].text, "Non-standard SWF file!");
        }
    }
    EXPECT_FALSE(IsSwfFile(dir / "missing.swf"));
}

} // namespace
} // namespace ww
