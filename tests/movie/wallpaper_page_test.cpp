// Reading a wallpaper page back: pages the generator writes from the shipped
// template, older embed-only pages, pages whose object and embed disagree,
// and damaged text; then where the object's box lands on a screen.
#include "movie/wallpaper_page.h"
#include "movie/render.h"

#include "builder/page/page_generator.h"
#include "common/path.h"
#include "tests/support/fixtures.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ww::movie {
namespace {

using test::ReadFileText;
using test::TempDir;
using test::WriteFileText;

const char kNoMovie[] = "the page names no Flash movie";

bool SameColor(const Rgba& a, const Rgba& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}

void ExpectSameSettings(const PageMovie& got, const PageMovie& want) {
    EXPECT_EQ(got.movie, want.movie);
    EXPECT_EQ(got.play, want.play);
    EXPECT_EQ(got.loop, want.loop);
    EXPECT_EQ(got.quality, want.quality);
    EXPECT_EQ(got.scale, want.scale);
    EXPECT_EQ(got.hasBackground, want.hasBackground);
    if (got.hasBackground && want.hasBackground) {
        EXPECT_TRUE(SameColor(got.background, want.background));
    }
    EXPECT_EQ(got.width.value, want.width.value);
    EXPECT_EQ(got.width.percent, want.width.percent);
    EXPECT_EQ(got.height.value, want.height.value);
    EXPECT_EQ(got.height.percent, want.height.percent);
    EXPECT_EQ(got.horizontal, want.horizontal);
    EXPECT_EQ(got.vertical, want.vertical);
}

PageMovie Read(const std::string& html) {
    PageMovie settings;
    std::string error;
    EXPECT_TRUE(ReadPageMovie(html, &settings, &error)) << error << "\n" << html;
    return settings;
}

TEST(ParseHtmlColor, OnlySixHexDigitsAfterAHash) {
    struct Case {
        const char* text;
        bool ok;
        Rgba color;
    };
    const Case cases[] = {
        {"#FFFFFF", true, {255, 255, 255, 255}},
        {"#000000", true, {0, 0, 0, 255}},
        {"#0a1B2c", true, {0x0a, 0x1b, 0x2c, 255}},
        {"#FF0080", true, {255, 0, 128, 255}},
        {"FFFFFF", false, {}},
        {"#FFF", false, {}},
        {"#FFFFFFF", false, {}},
        {"#GG0000", false, {}},
        {"# FFFFF", false, {}},
        {"", false, {}},
        {"#", false, {}},
        {"white", false, {}},
    };
    for (const Case& c : cases) {
        const Rgba before{1, 2, 3, 4};
        Rgba color = before;
        EXPECT_EQ(ParseHtmlColor(c.text, &color), c.ok) << c.text;
        EXPECT_TRUE(SameColor(color, c.ok ? c.color : before)) << c.text;
    }
}

TEST(ApplyPageSetting, ValuesThatDoNotParseLeaveTheSettingAsItWas) {
    PageMovie s;
    ApplyPageSetting("play", " FALSE ", &s);
    ApplyPageSetting("loop", "0", &s);
    EXPECT_FALSE(s.play);
    EXPECT_FALSE(s.loop);
    ApplyPageSetting("play", "yes", &s);
    ApplyPageSetting("loop", "maybe", &s);
    EXPECT_TRUE(s.play);
    EXPECT_FALSE(s.loop);

    ApplyPageSetting("quality", " AutoLow ", &s);
    EXPECT_EQ(s.quality, "autolow");
    ApplyPageSetting("scale", "NoBorder", &s);
    EXPECT_EQ(s.scale, ScaleMode::NoBorder);
    ApplyPageSetting("scale", "stretch", &s);
    EXPECT_EQ(s.scale, ScaleMode::NoBorder);
    ApplyPageSetting("scale", " noScale ", &s);
    EXPECT_EQ(s.scale, ScaleMode::NoScale);
    ApplyPageSetting("salign", "tr", &s);
    EXPECT_EQ(s.align, movie::kAlignTop | movie::kAlignRight);

    ApplyPageSetting("bgcolor", "#102030", &s);
    ApplyPageSetting("bgcolor", "navy", &s);
    EXPECT_TRUE(s.hasBackground);
    EXPECT_TRUE(SameColor(s.background, Rgba{0x10, 0x20, 0x30, 255}));

    ApplyPageSetting("movie", "  wave.swf\r\n", &s);
    EXPECT_EQ(s.movie, "wave.swf");
    ApplyPageSetting("src", "other.swf", &s);
    EXPECT_EQ(s.movie, "other.swf");
    ApplyPageSetting("base", "elsewhere", &s);
    ApplyPageSetting("menu", "false", &s);
    EXPECT_EQ(s.movie, "other.swf");
}

TEST(ApplyPageSetting, BoxSidesInPixelsOrPercent) {
    struct Case {
        const char* text;
        int value;
        bool percent;
    };
    // Starting from 640 pixels each time; the unchanged cases keep it.
    const Case cases[] = {
        {"550", 550, false},    {" 100% ", 100, true},
        {"0", 0, false},        {"100000", 100000, false},
        {"50%", 50, true},      {"", 640, false},
        {"%", 640, false},      {"-5", 640, false},
        {"12px", 640, false},   {"50 %", 640, false},
        {"5%%", 640, false},    {"1e3", 640, false},
        {"100001", 640, false}, {"99999999999999999999", 640, false},
    };
    for (const Case& c : cases) {
        for (const char* side : {"width", "height"}) {
            PageMovie s;
            s.width = s.height = BoxSide{640, false};
            ApplyPageSetting(side, c.text, &s);
            const BoxSide& got = std::string(side) == "width" ? s.width : s.height;
            EXPECT_EQ(got.value, c.value) << side << " " << c.text;
            EXPECT_EQ(got.percent, c.percent) << side << " " << c.text;
        }
    }
}

TEST(ApplyPageSetting, CellAlignmentWordsBelongToTheirAxis) {
    struct Case {
        const char* name;
        const char* value;
        Align horizontal, vertical;
    };
    const Case cases[] = {
        {"align", "Left", Align::Near, Align::Far},
        {"align", "RIGHT", Align::Far, Align::Far},
        {"align", "center", Align::Center, Align::Far},
        {"align", "middle", Align::Center, Align::Far},
        {"align", "top", Align::Far, Align::Far},
        {"valign", "Top", Align::Far, Align::Near},
        {"valign", "bottom", Align::Far, Align::Far},
        {"valign", "Middle", Align::Far, Align::Center},
        {"valign", "left", Align::Far, Align::Far},
        {"valign", "", Align::Far, Align::Far},
    };
    for (const Case& c : cases) {
        PageMovie s;
        s.horizontal = s.vertical = Align::Far;
        ApplyPageSetting(c.name, c.value, &s);
        EXPECT_EQ(s.horizontal, c.horizontal) << c.name << "=" << c.value;
        EXPECT_EQ(s.vertical, c.vertical) << c.name << "=" << c.value;
    }
}

// Pages written by the generator from the shipped template.
class GeneratedPage : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string text = ReadFileText(std::string(WW_SOURCE_DIR) + "/data/res.sdt");
        ASSERT_FALSE(text.empty());
        WriteFileText(dir_ / "res.sdt", text);
    }
    const Workspace& workspace() const { return workspace_; }
    std::string Generate(const WallpaperProject& project, bool absolute) {
        const std::string page = dir_ / (project.WallpaperName + ".htm");
        EXPECT_TRUE(GenerateWallpaperPage(project, workspace_, page, absolute));
        return page;
    }

    TempDir dir_;
    Workspace workspace_{dir_.path()};
};

WallpaperProject Ocean() {
    WallpaperProject project;
    project.SwfFilename = "C:\\Work\\wave.swf";
    project.WallpaperName = "Ocean";
    project.Width = "550";
    project.Height = "400";
    return project;
}

TEST_F(GeneratedPage, ReadsBackWhatThePreviewPlays) {
    std::vector<WallpaperProject> projects;
    projects.push_back(Ocean());
    {
        WallpaperProject p = Ocean();
        p.Dimensions = kDimensionsPercent;
        p.Width = "100";
        p.Height = "75";
        p.FlashAlign_Horizontal = 2;
        p.FlashAlign_Vertical = 0;
        p.BKGroundColor = "#0A1B2C";
        projects.push_back(p);
    }
    {
        WallpaperProject p = Ocean();
        p.FlashAlign_Horizontal = 0;
        p.FlashAlign_Vertical = 2;
        p.Scale = 1;
        p.Quality = 0;
        p.AutoPlay = 0;
        p.Loop = 0;
        p.ShowMenu = 0;
        p.BKGroundColor = "#000000";
        projects.push_back(p);
    }
    {
        WallpaperProject p = Ocean();
        p.Scale = 2;
        p.Quality = 5;
        p.Dimensions = kDimensionsPixels;
        p.Width = "1024";
        p.Height = "768";
        p.SwfFilename = "/home/author/My Movies/wave.swf";
        projects.push_back(p);
    }
    int index = 0;
    for (WallpaperProject& project : projects) {
        project.WallpaperName = "Page" + std::to_string(index++);
        SCOPED_TRACE(project.WallpaperName);
        const PageMovie preview = PagePlaybackOf(project, workspace());
        EXPECT_EQ(preview.movie, project.SwfFilename);

        PageMovie absolute;
        std::string error;
        ASSERT_TRUE(LoadPageMovie(Generate(project, true), &absolute, &error)) << error;
        ExpectSameSettings(absolute, preview);

        // The installers' page refers into the wallpaper's own folder.
        PageMovie relative;
        ASSERT_TRUE(LoadPageMovie(Generate(project, false), &relative, &error)) << error;
        PageMovie expected = preview;
        expected.movie = project.WallpaperName + "\\wave.swf";
        ExpectSameSettings(relative, expected);
        // ... and the installed player's scope takes it.
        const std::string sep(1, kPathSeparator);
        const std::string folder = sep + "Web" + sep + project.WallpaperName;
        std::string path;
        EXPECT_TRUE(ResolvePageMovie(sep + "Web" + sep + "page.htm", relative.movie,
                                     MovieScope::WallpaperFolder(folder), &path, &error))
            << error;
        EXPECT_EQ(path, folder + sep + "wave.swf");
    }
}

TEST_F(GeneratedPage, EveryTruncationFailsOrNamesTheWholeMovie) {
    // A page cut short (an interrupted copy) must never name a part of the
    // movie's name as if it were the movie.
    const std::string html = ReadFileText(Generate(Ocean(), false));
    ASSERT_GT(html.size(), 1000u);
    size_t named = 0;
    for (size_t n = 0; n <= html.size(); ++n) {
        PageMovie settings;
        std::string error;
        if (ReadPageMovie(html.substr(0, n), &settings, &error)) {
            EXPECT_EQ(settings.movie, "Ocean\\wave.swf") << n;
            ++named;
        } else {
            EXPECT_EQ(error, kNoMovie) << n;
        }
    }
    EXPECT_GT(named, 0u);
}

TEST(ReadPageMovie, OldPagesWithOnlyAnEmbed) {
    const PageMovie s =
        Read("<html><body><table><tr>\r\n"
             "<td align=\"right\" valign=\"bottom\">\r\n"
             "<embed src=\"Old\\old.swf\" width=\"400\" height=\"300\" play=\"false\" "
             "loop=\"false\" quality=\"low\" scale=\"exactfit\" bgcolor=\"#102030\" "
             "align=\"left\" type=\"application/x-shockwave-flash\">\r\n"
             "</td></tr></table></body></html>\r\n");
    PageMovie want;
    want.movie = "Old\\old.swf";
    want.play = want.loop = false;
    want.quality = "low";
    want.scale = ScaleMode::ExactFit;
    want.hasBackground = true;
    want.background = Rgba{0x10, 0x20, 0x30, 255};
    want.width = BoxSide{400, false};
    want.height = BoxSide{300, false};
    // The embed's own align is the movie's alignment inside its box, not the cell's.
    want.horizontal = Align::Far;
    want.vertical = Align::Far;
    ExpectSameSettings(s, want);

    // Upper case, unquoted and single-quoted values, spaces round the equals.
    const PageMovie loose = Read("<TD ALIGN=Left VALIGN = top><EMBED SRC = old.swf "
                                 "Width=100% HEIGHT='50%' Quality=Medium PLAY=0 /></TD>");
    want = PageMovie();
    want.movie = "old.swf";
    want.play = false;
    want.quality = "medium";
    want.width = BoxSide{100, true};
    want.height = BoxSide{50, true};
    want.horizontal = Align::Near;
    want.vertical = Align::Near;
    ExpectSameSettings(loose, want);
}

TEST(ReadPageMovie, ObjectParametersOverrideTheEmbed) {
    // Every parameter says the opposite of the embed, including values that
    // happen to be the defaults.
    const PageMovie s =
        Read("<td align=\"left\" valign=\"top\">\n"
             "<object classid=\"clsid:D27CDB6E-AE6D-11CF-96B8-444553540000\" width=\"100%\" "
             "height=\"100%\">\n"
             "<param name=\"movie\" value=\"param.swf\">\n"
             "<param name=\"play\" value=\"true\">\n"
             "<param name=\"loop\" value=\"true\">\n"
             "<param name=\"quality\" value=\"high\">\n"
             "<param name=\"scale\" value=\"showall\">\n"
             "<param name=\"bgcolor\" value=\"#000000\">\n"
             "<embed src=\"embed.swf\" width=\"320\" height=\"240\" play=\"false\" loop=\"false\" "
             "quality=\"low\" scale=\"noborder\" bgcolor=\"#FFFFFF\">\n"
             "</object>\n"
             "</td>\n");
    PageMovie want;
    want.movie = "param.swf";
    want.hasBackground = true;
    want.background = Rgba{0, 0, 0, 255};
    want.width = want.height = BoxSide{100, true};
    want.horizontal = want.vertical = Align::Near;
    ExpectSameSettings(s, want);

    // What the parameters leave out, or give in a form that does not parse,
    // the embed fills in; the object's own size wins over the embed's.
    const PageMovie partial = Read("<object width=\"640\"><PARAM NAME=\"Movie\" VALUE=\"\">"
                                   "<param name=\"scale\" value=\"stretch\">"
                                   "<param name=\"bgcolor\" value=\"black\">"
                                   "<param name=\"quality\" value=\"Best\">"
                                   "<embed src=\"embed.swf\" width=\"320\" height=\"240\" "
                                   "quality=\"low\" scale=\"noborder\" bgcolor=\"#FFFFFF\" "
                                   "loop=\"false\"></object>");
    want = PageMovie();
    want.movie = "embed.swf";
    want.loop = false;
    want.quality = "best";
    want.scale = ScaleMode::NoBorder;
    want.hasBackground = true;
    want.background = Rgba{255, 255, 255, 255};
    want.width = BoxSide{640, false};
    want.height = BoxSide{240, false};
    ExpectSameSettings(partial, want);

    // An object with no embed at all.
    const PageMovie bare =
        Read("<object><param name=\"movie\" value=\"only.swf\"><param name=play value=false>"
             "</object>");
    EXPECT_EQ(bare.movie, "only.swf");
    EXPECT_FALSE(bare.play);

    // Parameters outside the object are not the object's.
    const PageMovie stray = Read("<param name=\"movie\" value=\"stray.swf\">"
                                 "<object><param name=\"movie\" value=\"real.swf\"></object>"
                                 "<param name=\"play\" value=\"false\">");
    EXPECT_EQ(stray.movie, "real.swf");
    EXPECT_TRUE(stray.play);
}

TEST(ReadPageMovie, TheObjectsOwnCellAligns) {
    struct Case {
        const char* html;
        Align horizontal, vertical;
    };
    const Case cases[] = {
        {"<td align=\"right\" valign=\"bottom\"><object><param name=movie value=a.swf>"
         "</object></td>",
         Align::Far, Align::Far},
        // cells of later rows or columns
        {"<table><tr><td align=\"left\" valign=\"top\"><object><param name=movie value=a.swf>"
         "</object></td><td align=\"right\" valign=\"bottom\">credits</td></tr></table>",
         Align::Near, Align::Near},
        {"<td align=\"left\"><embed src=a.swf></td></tr><tr><td align=\"right\">x</td>",
         Align::Near, Align::Center},
        // no cell: centred
        {"<object><param name=movie value=a.swf></object>", Align::Center, Align::Center},
        {"<embed src=a.swf>", Align::Center, Align::Center},
    };
    for (const Case& c : cases) {
        const PageMovie s = Read(c.html);
        EXPECT_EQ(s.horizontal, c.horizontal) << c.html;
        EXPECT_EQ(s.vertical, c.vertical) << c.html;
    }
}

TEST(ReadPageMovie, CommentsAreSkipped) {
    const PageMovie s = Read("<!-- <embed src=\"old.swf\" play=\"false\"> -->"
                             "<!--[if IE]><img src=\"shot.bmp\"><![endif]-->"
                             "<embed src=\"new.swf\">");
    EXPECT_EQ(s.movie, "new.swf");
    EXPECT_TRUE(s.play);

    const char* const onlyInComments[] = {
        "<html><!-- <embed src=\"wave.swf\"> --></html>",
        "<!--<object><param name=\"movie\" value=\"wave.swf\"></object>-->",
        "<html><!-- <embed src=\"wave.swf\"> never closed",
        "<!---->-->",
        "<!--",
        "<!-",
    };
    for (const char* html : onlyInComments) {
        PageMovie settings;
        settings.movie = "earlier.swf";
        std::string error;
        EXPECT_FALSE(ReadPageMovie(html, &settings, &error)) << html;
        EXPECT_EQ(error, kNoMovie) << html;
        EXPECT_EQ(settings.movie, "earlier.swf") << html;
    }
}

TEST(ReadPageMovie, DamagedTextGivesTheErrorNotAGuess) {
    const std::string bad[] = {
        "",
        "no tags at all",
        "<",
        "<<<<",
        ">",
        "<embed",
        "<embed ",
        "<embed src",
        "<embed src=",
        "<embed src=wave.swf",
        "<embed src=\"wave.swf",
        "<embed src=\"wave.swf\"",
        "<embed src='wave.swf width=550 height=400>\r\n</body></html>\r\n",
        "<object><param name=\"movie\" value=\"wave.swf",
        "<object><param name=\"movie\" value=\"wave.swf\"",
        "<embed src=\"\">",
        "<embed src=\"   \">",
        "<embed>",
        "<object><param value=\"wave.swf\"></object>",
        "<object><param name=\"movie\"></object>",
    };
    for (const std::string& html : bad) {
        PageMovie settings;
        std::string error;
        EXPECT_FALSE(ReadPageMovie(html, &settings, &error)) << html;
        EXPECT_EQ(error, kNoMovie) << html;
    }

    // A NUL would cut the path short at the system and open another file.
    for (const std::string& html : {std::string("<embed src=\"\0wave.swf\">", 23),
                                    std::string("<embed src=\"wave\x01.swf\">"),
                                    std::string("<embed src=\"wave.swf\x7F\">")}) {
        PageMovie settings;
        std::string error;
        EXPECT_FALSE(ReadPageMovie(html, &settings, &error));
        EXPECT_EQ(error, "the page's Flash movie name holds a control character");
    }
}

TEST(ReadPageMovie, LongAndOddValues) {
    // A long name is taken whole, and one too long for a side is refused.
    const std::string longName(1 << 20, 'x');
    const std::string digits(100000, '9');
    const PageMovie s = Read("<embed src=\"" + longName + ".swf\" width=\"" + digits +
                             "\" height=" + digits + "% quality=\"" + longName + "\">");
    EXPECT_EQ(s.movie, longName + ".swf");
    EXPECT_EQ(s.width.value, 100);
    EXPECT_TRUE(s.width.percent);
    EXPECT_EQ(s.height.value, 100);
    EXPECT_EQ(s.quality, longName);

    // A quote closed by the next tag's quote swallows that tag, as in a browser.
    const PageMovie runOn = Read("<embed src=wave.swf play=\"false><param name=\"x\">");
    EXPECT_EQ(runOn.movie, "wave.swf");

    // Quotes of the other kind inside a value, '>' inside quotes, and the
    // first of two attributes of one name.
    const PageMovie quoted =
        Read("<embed src='my \"best\" > wave.swf' src=\"second.swf\" alt=\"a\"b\">");
    EXPECT_EQ(quoted.movie, "my \"best\" > wave.swf");

    // "/>" closes an empty-element tag; a slash inside a value is the value's.
    EXPECT_EQ(Read("<embed src=wave.swf/>").movie, "wave.swf");
    EXPECT_EQ(Read("<embed src=movies/wave.swf >").movie, "movies/wave.swf");

    // Attributes with no value and tags with no name.
    const PageMovie bareWords = Read("< ><embed hidden src = \"w.swf\" =x loop>");
    EXPECT_EQ(bareWords.movie, "w.swf");
    EXPECT_TRUE(bareWords.loop);
}

TEST(LoadPageMovie, SaysWhichPageItCouldNotUse) {
    TempDir dir;
    PageMovie settings;
    std::string error;
    const std::string missing = dir / "missing.htm";
    EXPECT_FALSE(LoadPageMovie(missing, &settings, &error));
    EXPECT_NE(error.find(missing), std::string::npos) << error;

    const std::string empty = dir / "empty.htm";
    WriteFileText(empty, "");
    EXPECT_FALSE(LoadPageMovie(empty, &settings, &error));
    EXPECT_EQ(error, kNoMovie);

    const std::string huge = dir / "huge.htm";
    WriteFileText(huge, "<embed src=\"wave.swf\">" + std::string(kMaxWallpaperPageSize, ' '));
    error.clear();
    EXPECT_FALSE(LoadPageMovie(huge, &settings, &error));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;

    const std::string good = dir / "good.htm";
    WriteFileText(good, "<embed src=\"wave.swf\" quality=\"AutoLow\">");
    ASSERT_TRUE(LoadPageMovie(good, &settings, &error)) << error;
    EXPECT_EQ(settings.movie, "wave.swf");
    EXPECT_EQ(settings.quality, "autolow");
}

TEST(PageMoviePath, RelativeFromThePagesFolderAbsoluteAsItStands) {
    const std::string sep(1, kPathSeparator);
    const std::string folder = sep + "pages" + sep;
    const std::string page = folder + "Ocean.htm";
    struct Case {
        const char* reference;
        std::string path;
    };
    const std::vector<Case> cases = {
        {"wave.swf", folder + "wave.swf"},
        {"Ocean\\wave.swf", folder + "Ocean" + sep + "wave.swf"},
        {"Ocean/wave.swf", folder + "Ocean" + sep + "wave.swf"},
        {"Ocean\\sub/wave.swf", folder + "Ocean" + sep + "sub" + sep + "wave.swf"},
        {".\\Ocean\\wave.swf", folder + "Ocean" + sep + "wave.swf"},
        {"./Ocean/wave.swf", folder + "Ocean" + sep + "wave.swf"},
        {"./.\\./wave.swf", folder + "wave.swf"},
        {"..\\wave.swf", folder + ".." + sep + "wave.swf"},
        {".wave.swf", folder + ".wave.swf"},
        {"Ocean\\.\\wave.swf", folder + "Ocean" + sep + "." + sep + "wave.swf"},
#ifdef _WIN32
        {"C:\\Work\\wave.swf", "C:\\Work\\wave.swf"},
        {"C:/Work/wave.swf", "C:\\Work\\wave.swf"},
        {"\\\\server\\share\\wave.swf", "\\\\server\\share\\wave.swf"},
        {"//server/share/wave.swf", "\\\\server\\share\\wave.swf"},
#else
        {"/home/author/wave.swf", "/home/author/wave.swf"},
        {"\\home\\author\\wave.swf", "/home/author/wave.swf"},
#endif
    };
    for (const Case& c : cases)
        EXPECT_EQ(PageMoviePath(page, c.reference), c.path) << c.reference;

    // A page named without a folder: the movie is found from the same place.
    EXPECT_EQ(PageMoviePath("Ocean.htm", ".\\Ocean\\wave.swf"), "Ocean" + sep + "wave.swf");
}

// The installed layout: the page in Web\Wallpaper\, the wallpaper's folder
// beside it, and a movie outside that a hostile page would reach for.
TEST(ResolvePageMovie, AnInstalledPageReachesOnlyItsWallpapersFolder) {
    TempDir dir;
    const std::string sep(1, kPathSeparator);
    const std::string wallpapers = dir / "Wallpaper" + sep;
    const std::string page = wallpapers + "Ocean.htm";
    const std::string folder = wallpapers + "Ocean";
    WriteFileText(dir / "secret.swf", "FWS");
    const MovieScope scope = MovieScope::WallpaperFolder(folder + sep);
    const struct {
        const char* reference;
        const char* why; // empty: allowed
        std::string path;
    } cases[] = {
        {"Ocean\\wave.swf", "", folder + sep + "wave.swf"},
        {"Ocean/sub/wave.swf", "", folder + sep + "sub" + sep + "wave.swf"},
        {"./ocean\\.\\wave.swf", "", folder + sep + "wave.swf"},
        {"Ocean\\x\\..\\wave.swf", "", folder + sep + "wave.swf"},
        {"..\\secret.swf", "is outside the wallpaper's folder", ""},
        {"..\\..\\..\\outside\\secret.swf", "is outside the wallpaper's folder", ""},
        {"Ocean\\..\\..\\secret.swf", "is outside the wallpaper's folder", ""},
        // Beside the folder, or in another wallpaper's: not its own.
        {"wave.swf", "is outside the wallpaper's folder", ""},
        {"Ocean.htm", "is outside the wallpaper's folder", ""},
        {"Tide\\wave.swf", "is outside the wallpaper's folder", ""},
        {"Ocean\\..\\Tide\\wave.swf", "is outside the wallpaper's folder", ""},
        {"C:\\outside\\secret.swf", "is outside the wallpaper's folder", ""},
        {"\\\\?\\C:\\outside\\secret.swf", "is outside the wallpaper's folder", ""},
        {"C:secret.swf", "is outside the wallpaper's folder", ""},
        {"\\\\attacker.invalid\\share\\x.swf", "is outside the wallpaper's folder", ""},
        {"\\\\.\\pipe\\x", "is outside the wallpaper's folder", ""},
        {"Z:\\etc\\hostname", "is outside the wallpaper's folder", ""},
        {"/etc/hostname", "is outside the wallpaper's folder", ""},
        {"CON", "names a device, not a file in the wallpaper's folder", ""},
        {"Ocean\\nul.swf", "names a device, not a file in the wallpaper's folder", ""},
        {"Ocean\\LPT1", "names a device, not a file in the wallpaper's folder", ""},
        {"http://attacker.invalid/x.swf", "is not a plain file name in the wallpaper's folder", ""},
        {"Ocean\\wave.swf:evil", "is not a plain file name in the wallpaper's folder", ""},
        {"Ocean\\wave.swf.", "is not a plain file name in the wallpaper's folder", ""},
        {"Ocean", "is outside the wallpaper's folder", ""},
        {"Ocean\\", "names no file in the wallpaper's folder", ""},
    };
    for (const auto& c : cases) {
        std::string path = "untouched", error;
        const bool allowed = ResolvePageMovie(page, c.reference, scope, &path, &error);
        EXPECT_EQ(allowed, *c.why == '\0') << c.reference << ": " << error;
        EXPECT_EQ(path, c.path) << c.reference;
        if (*c.why) {
            EXPECT_EQ(error, std::string("the page's Flash movie \"") + c.reference + "\" " +
                                 c.why + ": " + page);
        }
    }
    // The builder's own page keeps its absolute path.
    std::string path, error;
    ASSERT_TRUE(
        ResolvePageMovie(page, dir / "secret.swf", MovieScope::AuthorsFiles(), &path, &error));
    EXPECT_EQ(path, dir / "secret.swf");
}

PageMovie Sized(BoxSide width, BoxSide height, Align horizontal, Align vertical) {
    PageMovie s;
    s.movie = "wave.swf";
    s.width = width;
    s.height = height;
    s.horizontal = horizontal;
    s.vertical = vertical;
    return s;
}

constexpr BoxSide Px(int v) {
    return BoxSide{v, false};
}
constexpr BoxSide Pc(int v) {
    return BoxSide{v, true};
}

TEST(PlaceBox, SizesAndAlignmentOnScreensOfEveryShape) {
    struct Case {
        BoxSide width, height;
        Align horizontal, vertical;
        int screenWidth, screenHeight;
        PixelBox box;
    };
    const Align N = Align::Near, C = Align::Center, F = Align::Far;
    const Case cases[] = {
        // the generated default: the whole screen
        {Pc(100), Pc(100), C, C, 1920, 1080, {0, 0, 1920, 1080}},
        // the movie's own size, in each alignment
        {Px(550), Px(400), N, N, 1920, 1080, {0, 0, 550, 400}},
        {Px(550), Px(400), C, C, 1920, 1080, {685, 340, 550, 400}},
        {Px(550), Px(400), F, F, 1920, 1080, {1370, 680, 550, 400}},
        {Px(550), Px(400), N, F, 1920, 1080, {0, 680, 550, 400}},
        {Px(550), Px(400), F, C, 1920, 1080, {1370, 340, 550, 400}},
        // percent and pixels mixed, odd screens rounding down
        {Pc(50), Px(300), C, C, 1025, 767, {256, 233, 512, 300}},
        {Pc(33), Pc(67), F, F, 1366, 768, {916, 254, 450, 514}},
        {Pc(1), Pc(1), C, C, 99, 99, {49, 49, 0, 0}},
        {Px(1), Px(1), C, C, 2, 3, {0, 1, 1, 1}},
        // larger than the screen: it overhangs, centred or from its near side
        {Px(2000), Px(1200), C, C, 1920, 1080, {-40, -60, 2000, 1200}},
        {Px(2000), Px(1200), N, N, 1920, 1080, {0, 0, 2000, 1200}},
        {Px(2000), Px(1200), F, F, 1920, 1080, {-80, -120, 2000, 1200}},
        {Pc(200), Pc(150), C, C, 800, 600, {-400, -150, 1600, 900}},
        // no larger than the renderer draws
        {Px(100000), Px(9000), N, N, 1920, 1080, {0, 0, kMaxOutputSide, kMaxOutputSide}},
        {Pc(100000), Pc(100000), N, N, 1920, 1080, {0, 0, kMaxOutputSide, kMaxOutputSide}},
        {Pc(100000),
         Pc(100000),
         N,
         N,
         0x7fffffff,
         0x7fffffff,
         {0, 0, kMaxOutputSide, kMaxOutputSide}},
        // nothing to show
        {Px(0), Px(0), C, C, 1920, 1080, {960, 540, 0, 0}},
        {Pc(100), Pc(100), C, C, 0, 0, {0, 0, 0, 0}},
        {Pc(100), Pc(100), F, F, 1, 1, {0, 0, 1, 1}},
        {Px(550), Px(400), C, C, 0, 0, {-275, -200, 550, 400}},
    };
    for (const Case& c : cases) {
        // The box is the object's; scaling only fits the movie inside it.
        for (ScaleMode scale : {ScaleMode::ShowAll, ScaleMode::NoBorder, ScaleMode::ExactFit}) {
            PageMovie s = Sized(c.width, c.height, c.horizontal, c.vertical);
            s.scale = scale;
            const PixelBox b = PlaceBox(s, c.screenWidth, c.screenHeight);
            const std::string what =
                std::to_string(c.width.value) + (c.width.percent ? "%" : "") + " x " +
                std::to_string(c.height.value) + (c.height.percent ? "%" : "") + " on " +
                std::to_string(c.screenWidth) + " x " + std::to_string(c.screenHeight) + " align " +
                std::to_string(static_cast<int>(c.horizontal)) + "," +
                std::to_string(static_cast<int>(c.vertical));
            EXPECT_EQ(b.x, c.box.x) << what;
            EXPECT_EQ(b.y, c.box.y) << what;
            EXPECT_EQ(b.width, c.box.width) << what;
            EXPECT_EQ(b.height, c.box.height) << what;
        }
    }
}

TEST(FitScreen, APictureOfTheScreenKeepsItsShapeInsideTheArea) {
    const struct {
        int areaWidth, areaHeight, screenWidth, screenHeight;
        PixelBox box;
    } cases[] = {
        {160, 120, 1280, 1024, {5, 0, 150, 120}}, // a 5:4 screen in a 4:3 area
        {160, 120, 1920, 1080, {0, 15, 160, 90}}, // 16:9: bands above and below
        {160, 120, 800, 600, {0, 0, 160, 120}},   // the same shape: all of it
        {155, 114, 1366, 768, {0, 13, 155, 87}},  // rounded to the nearest pixel
        {100, 100, 1, 2, {25, 0, 50, 100}},       // a tall screen in a square
        {100, 50, 0, 0, {0, 0, 100, 50}},         // no screen size: the area
        {-5, 10, 1280, 1024, {0, 5, 0, 0}},       // no area: nothing
        {0x7fffffff, 0x7fffffff, 0x7fffffff, 1, {0, 1073741823, 0x7fffffff, 1}},
    };
    for (const auto& c : cases) {
        const PixelBox b = FitScreen(c.areaWidth, c.areaHeight, c.screenWidth, c.screenHeight);
        const std::string what = std::to_string(c.screenWidth) + " x " +
                                 std::to_string(c.screenHeight) + " in " +
                                 std::to_string(c.areaWidth) + " x " + std::to_string(c.areaHeight);
        EXPECT_EQ(b.x, c.box.x) << what;
        EXPECT_EQ(b.y, c.box.y) << what;
        EXPECT_EQ(b.width, c.box.width) << what;
        EXPECT_EQ(b.height, c.box.height) << what;
    }
}

TEST(PlaceBox, AReadPageLandsWhereItsCellSays) {
    const PageMovie s = Read("<td align=\"right\" valign=\"top\"><object width=\"50%\" "
                             "height=\"240\"><param name=\"movie\" value=\"w.swf\"></object>");
    const PixelBox b = PlaceBox(s, 1280, 1024);
    EXPECT_EQ(b.x, 640);
    EXPECT_EQ(b.y, 0);
    EXPECT_EQ(b.width, 640);
    EXPECT_EQ(b.height, 240);
}

TEST(PageQuality, IsTheRenderersQuality) {
    // The page's value reaches the renderer as it stands: only the low ones
    // draw without anti-aliasing; anything unknown is refused (and the view
    // then keeps high).
    struct Case {
        const char* page;
        bool known;
        bool antiAliased;
    } cases[] = {{"low", true, false}, {"autolow", true, false}, {"medium", true, true},
                 {"high", true, true}, {"autohigh", true, true}, {"best", true, true},
                 {"", false, true},    {"lowest", false, true},  {"low ", false, true}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.page);
        Quality q = Quality::High;
        EXPECT_EQ(ParseQuality(k.page, &q), k.known);
        EXPECT_EQ(AntiAliases(q), k.antiAliased);
    }
    // Page values arrive in any case and are taken as the same quality.
    Quality q = Quality::High;
    EXPECT_TRUE(ParseQuality(Read("<embed src=w.swf quality=\" LOW \">").quality, &q));
    EXPECT_EQ(q, Quality::Low);
}

} // namespace
} // namespace ww::movie
