#include "builder/page/page_generator.h"

#include "common/fs.h"
#include "common/path.h"
#include "tests/support/fixtures.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace ww {
namespace {

using test::ListFolder;
using test::ReadFileText;
using test::TempDir;
using test::WriteFileText;

// One line naming every placeholder, in an order unlike the replacement order.
const char kEveryPlaceholder[] = "{MovieName}|{BasePath}|{DISPLAYBITMAP}|{Width}|{Height}|{TITLE}|"
                                 "{BGColor}|{HAlign}|{VAlign}|{AutoPlay}|{Loop}|{ShowMenu}|"
                                 "{Quality}|{Scale}\n";

// The worked example: Ocean, C:\Work\wave.swf, the Setting page's initial
// choices, a movie of 550 x 400.
WallpaperProject MakeOceanProject() {
    WallpaperProject project;
    project.SwfFilename = "C:\\Work\\wave.swf";
    project.WallpaperName = "Ocean";
    project.Width = "550";
    project.Height = "400";
    return project;
}

// A builder folder holding a template of our own.
class BuilderFolder {
  public:
    explicit BuilderFolder(const std::string& pageTemplate) : workspace_(dir_.path()) {
        WriteFileText(dir_ / "res.sdt", pageTemplate);
    }
    const Workspace& workspace() const { return workspace_; }
    std::string operator/(const std::string& name) const { return dir_ / name; }

    // The page generated into the folder; "<failed>" when generation fails.
    std::string Page(const WallpaperProject& project, bool absolute) const {
        const std::string output = dir_ / "page.htm";
        if (!GenerateWallpaperPage(project, workspace_, output, absolute))
            return "<failed>";
        return ReadFileText(output);
    }

  private:
    TempDir dir_;
    Workspace workspace_;
};

TEST(GenerateWallpaperPage, WorkedExampleInRelativeMode) {
    BuilderFolder folder(kEveryPlaceholder);
    EXPECT_EQ(folder.Page(MakeOceanProject(), false),
              "Ocean\\wave.swf|.\\Ocean\\|Ocean\\|550|400|Ocean|#FFFFFF|Center|Middle|"
              "true|true|true|autohigh|showall\r\n");
}

TEST(GenerateWallpaperPage, AbsoluteModeAndDisplayImages) {
    BuilderFolder folder("{MovieName}|{BasePath}|{DISPLAYBITMAP}");
    WallpaperProject project = MakeOceanProject();
    EXPECT_EQ(folder.Page(project, true), "C:\\Work\\wave.swf|C:\\Work\\|");

    // On the host a host path keeps its own separators.
    project.SwfFilename = "/home/author/movies/wave.swf";
    project.DisplayImageFilename = "/home/author/shot.bmp";
    EXPECT_EQ(folder.Page(project, true),
              "/home/author/movies/wave.swf|/home/author/movies/|/home/author/shot.bmp");
    EXPECT_EQ(folder.Page(project, false), "Ocean\\wave.swf|.\\Ocean\\|Ocean\\shot.bmp");

    // Without a display image of its own the page takes the shipped default.
    project.DisplayImageFilename.clear();
    ASSERT_TRUE(CreateFolder(folder / "Resource"));
    WriteFileText(folder / "Resource" + kPathSeparator + "display1.bmp", "BM");
    const std::string shipped = folder.workspace().DefaultDisplayImage();
    ASSERT_FALSE(shipped.empty());
    EXPECT_EQ(folder.Page(project, true),
              "/home/author/movies/wave.swf|/home/author/movies/|" + shipped);
    EXPECT_EQ(folder.Page(project, false), "Ocean\\wave.swf|.\\Ocean\\|Ocean\\display1.bmp");
}

TEST(GenerateWallpaperPage, ListValuesFlagsAndPercent) {
    BuilderFolder folder("{HAlign} {VAlign} {Scale} {Quality} {AutoPlay} {Loop} {ShowMenu} "
                         "{Width}x{Height}");
    struct Case {
        int32_t hAlign, vAlign, scale, quality, dimensions;
        int32_t autoPlay, loop, showMenu;
        const char* width;
        const char* height;
        const char* page;
    };
    const Case cases[] = {
        {0, 0, 1, 0, 0, 0, 1, 0, "550", "400", "Left Top noborder low false true false 550x400"},
        {2, 2, 2, 1, 1, 1, 0, 1, "640", "480",
         "Right Bottom exactfit autolow true false true "
         "640x480"},
        {1, 1, 0, 3, 2, 1, 1, 1, "100", "100",
         "Center Middle showall medium true true true "
         "100%x100%"},
        {1, 1, 0, 4, 2, 1, 1, 1, "50", "75", "Center Middle showall high true true true 50%x75%"},
        {1, 1, 0, 5, 3, 1, 1, 1, "1024", "768",
         "Center Middle showall best true true true "
         "1024x768"},
    };
    for (const Case& c : cases) {
        WallpaperProject project = MakeOceanProject();
        project.FlashAlign_Horizontal = c.hAlign;
        project.FlashAlign_Vertical = c.vAlign;
        project.Scale = c.scale;
        project.Quality = c.quality;
        project.Dimensions = c.dimensions;
        project.AutoPlay = c.autoPlay;
        project.Loop = c.loop;
        project.ShowMenu = c.showMenu;
        project.Width = c.width;
        project.Height = c.height;
        for (bool absolute : {false, true})
            EXPECT_EQ(folder.Page(project, absolute), c.page) << c.page;
    }
}

TEST(GenerateWallpaperPage, ReplacementRules) {
    struct Case {
        const char* pageTemplate;
        const char* name;
        const char* colour;
        const char* page;
    };
    const Case cases[] = {
        // every occurrence, left to right
        {"{Width}x{Width}{Width}<{TITLE}>{TITLE}", "Ocean", "#FFFFFF", "550x550550<Ocean>Ocean"},
        // a value holding a later placeholder is expanded again...
        {"<title>{TITLE}</title>", "{Width}", "#FFFFFF", "<title>550</title>"},
        {"{BGColor}", "Ocean", "{Scale} {BasePath}", "showall .\\Ocean\\"},
        // ...one holding an earlier placeholder stays as typed
        {"{BGColor}", "Ocean", "{TITLE}", "{TITLE}"},
        {"{TITLE}", "{TITLE}{TITLE}", "#FFFFFF", "{TITLE}{TITLE}"},
        // non-overlapping: the first match wins, the rest is plain text
        {"{TITLE}TITLE}", "{", "#FFFFFF", "{TITLE}"},
        // other cases and other words in braces stay
        {"{Title} {title} {bgcolor} {BGCOLOR} {width} {TITLE } {Other} {}", "Ocean", "#FFFFFF",
         "{Title} {title} {bgcolor} {BGCOLOR} {width} {TITLE } {Other} {}"},
        {"no placeholder at all", "Ocean", "#FFFFFF", "no placeholder at all"},
    };
    for (const Case& c : cases) {
        BuilderFolder folder(c.pageTemplate);
        WallpaperProject project = MakeOceanProject();
        project.WallpaperName = c.name;
        project.BKGroundColor = c.colour;
        EXPECT_EQ(folder.Page(project, false), c.page) << c.pageTemplate;
    }
}

TEST(GenerateWallpaperPage, ProjectorMovieIsReferredToAsTheConvertedMovie) {
    BuilderFolder folder("{MovieName}|{BasePath}");
    WallpaperProject project = MakeOceanProject();
    project.SwfFilename = "C:\\Work\\Wave.EXE";
    const std::string temp = folder.workspace().GetTempFolder();
    EXPECT_EQ(PageMovieFile(project, folder.workspace()), temp + "TmpCvtSwfFile.swf");
    EXPECT_EQ(folder.Page(project, false), "Ocean\\TmpCvtSwfFile.swf|.\\Ocean\\");
    EXPECT_EQ(folder.Page(project, true), temp + "TmpCvtSwfFile.swf|" + temp);

    project.SwfFilename = "C:\\Work\\wave.exe.swf";
    EXPECT_EQ(PageMovieFile(project, folder.workspace()), project.SwfFilename);
}

TEST(GenerateWallpaperPage, TextModeLineEndsAndFirstNul) {
    static const char kWithNul[] = "{TITLE}\nkept\0dropped\n";
    struct Case {
        std::string pageTemplate;
        std::string page;
    };
    const Case cases[] = {
        {"<html>\n<title>{TITLE}</title>\n</html>\n",
         "<html>\r\n<title>Ocean</title>\r\n</html>\r\n"},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"\n\n", "\r\n\r\n"},
        {"lone\rcr\r\r\n", "lone\rcr\r\r\n"},
        {std::string(kWithNul, sizeof kWithNul - 1), "Ocean\r\nkept"},
        {"", ""},
    };
    for (const Case& c : cases) {
        BuilderFolder folder(c.pageTemplate);
        EXPECT_EQ(folder.Page(MakeOceanProject(), false), c.page);
    }
}

TEST(GenerateWallpaperPage, FailsWithoutHarmingAnEarlierPage) {
    TempDir dir;
    Workspace workspace(dir.path());
    const WallpaperProject project = MakeOceanProject();
    const std::string page = dir / "page.htm";
    WriteFileText(page, "earlier page");

    // no template
    EXPECT_FALSE(GenerateWallpaperPage(project, workspace, page, false));
    // an empty output path, and an output in a folder that does not exist
    WriteFileText(dir / "res.sdt", "{TITLE}");
    EXPECT_FALSE(GenerateWallpaperPage(project, workspace, "", false));
    const std::string nowhere = dir / "missing" + kPathSeparator + "page.htm";
    EXPECT_FALSE(GenerateWallpaperPage(project, workspace, nowhere, false));
    EXPECT_FALSE(test::PathExists(nowhere));
    // the output is a folder
    ASSERT_TRUE(CreateFolder(dir / "folder.htm"));
    EXPECT_FALSE(GenerateWallpaperPage(project, workspace, dir / "folder.htm", false));

    // Values that feed later placeholders into each other would multiply the
    // page beyond any size; the generator refuses before it grows.
    WallpaperProject hostile = project;
    hostile.WallpaperName.clear();
    hostile.BKGroundColor.clear();
    hostile.Height.clear();
    for (int i = 0; i < 28; ++i)
        hostile.WallpaperName += "{BGColor}";
    for (int i = 0; i < 32; ++i)
        hostile.BKGroundColor += "{Height}";
    for (int i = 0; i < 37; ++i)
        hostile.Height += "{Width}";
    std::string manyTitles;
    for (int i = 0; i < 1000; ++i)
        manyTitles += "{TITLE}\n";
    WriteFileText(dir / "res.sdt", manyTitles);
    EXPECT_FALSE(GenerateWallpaperPage(hostile, workspace, page, false));

    EXPECT_EQ(ReadFileText(page), "earlier page");
    EXPECT_EQ(ListFolder(dir.path()),
              (std::vector<std::string>{"folder.htm", "page.htm", "res.sdt"}));

    // and a good page replaces the earlier one
    ASSERT_TRUE(GenerateWallpaperPage(project, workspace, page, false));
    std::string expected;
    for (int i = 0; i < 1000; ++i)
        expected += "Ocean\r\n";
    EXPECT_EQ(ReadFileText(page), expected);
}

TEST(PageFileNameOf, EitherSeparatorAndBareNames) {
    struct Case {
        const char* path;
        const char* name;
        const char* folder;
    };
    const Case cases[] = {
        {"C:\\Work\\wave.swf", "wave.swf", "C:\\Work\\"},
        {"/home/author/wave.swf", "wave.swf", "/home/author/"},
        {"C:/Work\\sub/wave.swf", "wave.swf", "C:/Work\\sub/"},
        {"wave.swf", "wave.swf", ""},
        {"C:\\Work\\", "", "C:\\Work\\"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PageFileNameOf(c.path), c.name) << c.path;
        EXPECT_EQ(PageFolderOf(c.path), c.folder) << c.path;
    }
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// The shipped template, expanded.
class ShippedTemplate : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string source = std::string(WW_SOURCE_DIR) + "/data/res.sdt";
        std::string text = ReadFileText(source);
        ASSERT_FALSE(text.empty()) << source;
        WriteFileText(dir_ / "res.sdt", text);
    }
    std::string Page(const WallpaperProject& project, bool absolute, const std::string& name) {
        const std::string output = dir_ / name;
        Workspace workspace(dir_.path());
        if (!GenerateWallpaperPage(project, workspace, output, absolute))
            return "";
        return output;
    }
    TempDir dir_;
};

TEST_F(ShippedTemplate, HostsTheFlashPlayerWithEveryValue) {
    WallpaperProject project = MakeOceanProject();
    project.DisplayImageFilename = "C:\\Work\\shot.bmp";
    const std::string path = Page(project, false, "Ocean.htm");
    ASSERT_FALSE(path.empty());
    const std::string page = ReadFileText(path);
    for (const char* expected : {
             "<title>Ocean</title>",
             "background-color: #FFFFFF",
             "align=\"Center\" valign=\"Middle\"",
             "classid=\"clsid:D27CDB6E-AE6D-11CF-96B8-444553540000\" width=\"550\" "
             "height=\"400\"",
             "<param name=\"movie\" value=\"Ocean\\wave.swf\">",
             "<param name=\"base\" value=\".\\Ocean\\\">",
             "<param name=\"play\" value=\"true\">",
             "<param name=\"loop\" value=\"true\">",
             "<param name=\"menu\" value=\"true\">",
             "<param name=\"quality\" value=\"autohigh\">",
             "<param name=\"scale\" value=\"showall\">",
             "<param name=\"bgcolor\" value=\"#FFFFFF\">",
             "<embed src=\"Ocean\\wave.swf\" base=\".\\Ocean\\\" width=\"550\" height=\"400\" "
             "play=\"true\" loop=\"true\" menu=\"true\" quality=\"autohigh\" scale=\"showall\" "
             "bgcolor=\"#FFFFFF\"",
             "src=\"Ocean\\shot.bmp\"",
         })
        EXPECT_NE(page.find(expected), std::string::npos) << expected;
    for (const PagePlaceholder& entry : CollectPageValues(project, Workspace(dir_.path()), false))
        EXPECT_EQ(page.find(entry.placeholder), std::string::npos) << entry.placeholder;
    EXPECT_EQ(Count(page, "\n"), Count(page, "\r\n"));
    EXPECT_GT(Count(page, "\r\n"), 20u);
}

#ifndef _WIN32
// tidy's diagnostics and exit status (0 clean, 1 warnings, 2 errors).
int RunTidy(const std::string& page, std::string* report) {
    FILE* pipe = popen(("tidy -errors -quiet '" + page + "' 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        report->append(buf, n);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

TEST_F(ShippedTemplate, GeneratedPagesPassTidy) {
#ifdef _WIN32
    GTEST_SKIP() << "tidy runs on the build host only";
#else
    if (std::system("tidy -v > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "tidy is not installed";
    WallpaperProject percent = MakeOceanProject();
    percent.Dimensions = kDimensionsPercent;
    percent.Width = percent.Height = "100";
    percent.FlashAlign_Horizontal = 2;
    percent.FlashAlign_Vertical = 0;
    percent.BKGroundColor = "#0A1B2C";
    WallpaperProject projector = MakeOceanProject();
    projector.SwfFilename = "/home/author/My Movies/wave.exe";
    struct Case {
        WallpaperProject project;
        bool absolute;
    };
    const Case cases[] = {{MakeOceanProject(), false},
                          {MakeOceanProject(), true},
                          {percent, false},
                          {projector, true}};
    int index = 0;
    for (const Case& c : cases) {
        const std::string path =
            Page(c.project, c.absolute, "page" + std::to_string(index++) + ".htm");
        ASSERT_FALSE(path.empty());
        std::string report;
        int status = RunTidy(path, &report);
        EXPECT_TRUE(status == 0 || status == 1) << status << "\n" << report;
        EXPECT_EQ(report.find("Error:"), std::string::npos) << report;
    }
#endif
}

} // namespace
} // namespace ww
