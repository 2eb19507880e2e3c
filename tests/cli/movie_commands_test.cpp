// Runs the built wallweaver-cli on movies and projectors made here.
#include "common/fs.h"
#include "common/path.h"
#include "tests/support/cli_runner.h"
#include "tests/support/fixtures.h"
#include "tests/support/swf_writer.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace ww {
namespace {

using test::Bytes;
using test::CliResult;
using test::MakeProjector;
using test::MakeSwf;
using test::ReadFileBytes;
using test::ReadFileText;
using test::RunCli;
using test::StageRecipe;
using test::TempDir;
using test::WriteFileBytes;

TEST(InfoCommand, PrintsTheHeaderAndWhatIsNotDrawnForMoviesAndProjectorsAndRefusesTheRest) {
    TempDir dir;
    test::SwfRecipe timed = StageRecipe(true);
    timed.frameRate = 24;
    timed.frameCount = 300;
    timed.version = 8;
    const Bytes plain = MakeSwf(StageRecipe(false));
    const Bytes compressed = MakeSwf(timed);
    WriteFileBytes(dir / "plain.swf", plain);
    WriteFileBytes(dir / "PACKED.SWF", compressed);
    WriteFileBytes(dir / "intro.exe", MakeProjector({test::PatternBytes(4000), compressed}));
    WriteFileBytes(dir / "garbage.swf", test::PatternBytes(64));
    WriteFileBytes(dir / "player.exe", test::PatternBytes(4000));
    WriteFileBytes(dir / "movie.txt", plain);
    // Signatures right, headers unreadable: cut inside the header, and a
    // compressed body that does not inflate.
    WriteFileBytes(dir / "cut.swf", Bytes(plain.begin(), plain.begin() + 9));
    Bytes damaged = test::PatternBytes(200, 4);
    damaged[0] = 'C', damaged[1] = 'W', damaged[2] = 'S', damaged[3] = 6;
    WriteFileBytes(dir / "damaged.swf", damaged);
    const std::string plainLines = "version: 6\nfile length: " + std::to_string(plain.size()) +
                                   "\nwidth: 550\nheight: 400\nframe rate: 12\nframe count: 1\n"
                                   "not drawn: none\n";
    const std::string packedLines = "version: 8\nfile length: " + std::to_string(plain.size()) +
                                    "\nwidth: 550\nheight: 400\nframe rate: 24\nframe count: 300\n"
                                    "not drawn: none\n";
    struct Case {
        std::string name;
        int status;
        std::string out, err;
    };
    const std::vector<Case> cases = {
        {"plain.swf", 0, plainLines, ""},
        {"PACKED.SWF", 0, packedLines, ""},
        {"intro.exe", 0, packedLines, ""},
        {"garbage.swf", 1, "", "Non-standard SWF file!\n"},
        {"player.exe", 1, "", "Non-standard SWF file!\n"},
        {"movie.txt", 1, "", "Non-standard SWF file!\n"},
        {"cut.swf", 1, "",
         "Cannot read the movie " + dir / "cut.swf" + ": it is cut short or damaged\n"},
        {"damaged.swf", 1, "",
         "Cannot read the movie " + dir / "damaged.swf" + ": it is cut short or damaged\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CliResult run = RunCli(dir, {"info", dir / c.name});
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
    }
    const CliResult missing = RunCli(dir, {"info", dir / "missing.swf"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find(dir / "missing.swf"), std::string::npos) << missing.err;
}

TEST(InfoCommand, NamesTheTagKindsTheRendererDoesNotDraw) {
    TempDir dir;
    test::SwfRecipe recipe = StageRecipe(false);
    // Text fields and buttons are drawn; a video stream and a button's
    // sounds are not.
    recipe.tags = test::Tag(37, test::PatternBytes(20));
    for (const Bytes& more :
         {test::Tag(34, test::PatternBytes(8)), test::Tag(60, test::PatternBytes(8)),
          test::Tag(17, test::PatternBytes(8))})
        recipe.tags.insert(recipe.tags.end(), more.begin(), more.end());
    WriteFileBytes(dir / "edit.swf", MakeSwf(recipe));
    const CliResult run = RunCli(dir, {"info", dir / "edit.swf"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\nnot drawn: DefineButtonSound, DefineVideoStream\n"),
              std::string::npos)
        << run.out;
}

// A red square over the movie's blue background, 10 x 10 px at (20, 20).
Bytes SquareMovie(uint16_t frames) {
    test::PlaceRecipe place;
    place.depth = 1;
    place.characterId = 1;
    Bytes tags = test::SetBackgroundColorTag(0, 0, 255);
    for (const Bytes& tag :
         {test::RectangleShapeTag(1, 1, 400, 400, 600, 600, test::Solid(255, 0, 0)),
          test::PlaceObject2Tag(place)})
        tags.insert(tags.end(), tag.begin(), tag.end());
    for (uint16_t i = 0; i < frames; ++i) {
        const Bytes show = test::ShowFrameTag();
        tags.insert(tags.end(), show.begin(), show.end());
    }
    return test::MakeMovie(tags, frames);
}

// The RGBA pixel of a PNG, read back by the same decoder the renderer uses.
std::vector<int> PngPixel(const std::string& path, int x, int y, int* width, int* height) {
    const Bytes png = ReadFileBytes(path);
    int n = 0;
    unsigned char* pixels =
        stbi_load_from_memory(png.data(), static_cast<int>(png.size()), width, height, &n, 4);
    if (!pixels)
        return {};
    const unsigned char* p = pixels + (static_cast<size_t>(y) * *width + x) * 4;
    std::vector<int> rgba(p, p + 4);
    stbi_image_free(pixels);
    return rgba;
}

TEST(RenderCommand, WritesFramesAsPngAtTheSizeAndScaleAsked) {
    TempDir dir;
    WriteFileBytes(dir / "square.swf", SquareMovie(3));
    WriteFileBytes(dir / "intro.exe", MakeProjector({test::PatternBytes(4000), SquareMovie(1)}));
    struct Case {
        std::vector<std::string> args;
        int width, height, x, y;
        std::vector<int> rgba;
    } cases[] = {
        {{"square.swf", "a.png"}, 550, 400, 25, 25, {255, 0, 0, 255}},
        {{"square.swf", "a.png", "--frame", "2"}, 550, 400, 5, 5, {0, 0, 255, 255}},
        {{"intro.exe", "a.png", "--width", "1100"}, 1100, 800, 45, 45, {255, 0, 0, 255}},
        {{"square.swf", "a.png", "--width", "1100", "--height", "400"},
         1100,
         400,
         5,
         5,
         {0, 0, 255, 255}},
        {{"square.swf", "a.png", "--width", "1100", "--height", "400", "--scale", "exactfit"},
         1100,
         400,
         45,
         25,
         {255, 0, 0, 255}},
        {{"square.swf", "a.png", "--background", "#00FF00"}, 550, 400, 5, 5, {0, 255, 0, 255}},
        // Scaled 1.8175 the square's left edge is at x 36.65: without
        // anti-aliasing pixel 36 (centre 36.5) is wholly out, 37 wholly in.
        {{"square.swf", "a.png", "--width", "1000", "--quality", "low"},
         1000,
         727,
         36,
         45,
         {0, 0, 255, 255}},
        {{"square.swf", "a.png", "--width", "1000", "--quality", "AutoLow"},
         1000,
         727,
         37,
         45,
         {255, 0, 0, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + std::to_string(c.args.size()));
        std::vector<std::string> args = {"render", dir / c.args[0], dir / c.args[1]};
        args.insert(args.end(), c.args.begin() + 2, c.args.end());
        const CliResult run = RunCli(dir, args);
        ASSERT_EQ(run.status, 0) << run.err;
        // It says what it wrote.
        const std::string said = ": " + dir / c.args[1] + " (" + std::to_string(c.width) + " x " +
                                 std::to_string(c.height) + ")\n";
        EXPECT_EQ(run.out.rfind("frame ", 0), 0u) << run.out;
        EXPECT_NE(run.out.find(said), std::string::npos) << run.out;
        int w = 0, h = 0;
        EXPECT_EQ(PngPixel(dir / "a.png", c.x, c.y, &w, &h), c.rgba);
        EXPECT_EQ(w, c.width);
        EXPECT_EQ(h, c.height);
    }
    const CliResult range = RunCli(dir, {"render", dir / "square.swf", "shot.png", "--frames",
                                         "2-3", "--out-dir", dir / "frames"});
    ASSERT_EQ(range.status, 0) << range.err;
    EXPECT_EQ(test::ListFolder(dir / "frames"),
              (std::vector<std::string>{"shot-0002.png", "shot-0003.png"}));
}

TEST(RenderCommand, DrawsTheSampleMovieAsItsGeometrySays) {
    TempDir dir;
    std::string writer =
        "\"" + FolderOfPath(ModuleFilePath()) + "make_sample_movie\" \"" + dir / "wave.swf" + "\"";
#ifdef _WIN32
    // cmd.exe drops the outer pair of quotes of a command that starts with one.
    writer = "\"" + writer + "\"";
#endif
    ASSERT_EQ(std::system(writer.c_str()), 0);
    // The sky's first stop at the top; the sun's focal point, 18 px left of
    // its centre, in its first stop's colour, 12 px lower by frame 7.
    struct Case {
        const char* frame;
        int x, y;
        std::vector<int> rgba;
    } cases[] = {
        {"1", 275, 0, {18, 40, 92, 255}},
        {"1", 382, 140, {255, 250, 210, 255}},
        {"7", 382, 152, {255, 250, 210, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.frame) + " " + std::to_string(c.y));
        const CliResult run =
            RunCli(dir, {"render", dir / "wave.swf", dir / "f.png", "--frame", c.frame});
        ASSERT_EQ(run.status, 0) << run.err;
        int w = 0, h = 0;
        const std::vector<int> got = PngPixel(dir / "f.png", c.x, c.y, &w, &h);
        ASSERT_EQ(got.size(), 4u);
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(got[k], c.rgba[k], 4) << k;
    }
}

TEST(RenderCommand, RefusesBadRequestsAndLeavesNoBrokenImage) {
    TempDir dir;
    WriteFileBytes(dir / "square.swf", SquareMovie(1));
    WriteFileBytes(dir / "noise.swf", test::PatternBytes(64));
    WriteFileBytes(dir / "keep.png", test::PatternBytes(10));
    const std::string movie = dir / "square.swf";
    struct Case {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"render", dir / "noise.swf", dir / "keep.png"},
         "Non-standard SWF file! \"" + dir / "noise.swf" + "\"\n"},
        {{"render", dir / "missing.swf", dir / "keep.png"},
         "Cannot open the movie file " + dir / "missing.swf" + "\n"},
        {{"render", movie, dir / "keep.png", "--scale", "zoom"},
         "Unknown scale zoom: use showall, noborder, exactfit or noscale\n"},
        {{"render", movie, dir / "keep.png", "--quality", "fine"},
         "Unknown quality fine: use low, autolow, autohigh, medium, high or best\n"},
        {{"render", movie, dir / "keep.png", "--background", "red"},
         "Bad background colour red: use #RRGGBB\n"},
        {{"render", movie, dir / "keep.png", "--frame", "0"},
         "Bad frame number 0: frames count from 1 to 100000\n"},
        {{"render", movie, dir / "keep.png", "--frames", "3-2", "--out-dir", dir.path()},
         "Bad frame range 3-2: use A-B with 1 <= A <= B <= 100000\n"},
        {{"render", movie, dir / "keep.png", "--frames", "1-2"}, "A frame range needs --out-dir\n"},
        {{"render", movie, dir / "keep.png", "--width", "9000"},
         "Cannot render the movie " + movie +
             ": a picture of 9000 x 6545 pixels is larger than 8192 pixels a side or 4096 x "
             "4096 pixels in all\n"},
        {{"render", movie, dir / "no/such/folder.png"},
         "Cannot write the image " + dir / "no/such/folder.png" + "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const CliResult run = RunCli(dir, c.args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(ReadFileBytes(dir / "keep.png"), test::PatternBytes(10));
    }
}

// A movie of two frames whose first traces "n=" + n after n = n + 1, and
// whose second traces Math.random() * 0 and the clock's year.
Bytes CountingMovie() {
    using namespace test;
    ActionWriter count;
    count.Push({PushString("n")})
        .Get("n")
        .Push({PushInt(1)})
        .Op(0x47)
        .Op(0x1D)
        .Push({PushString("n=")})
        .Get("n")
        .Op(0x47)
        .Trace();
    ActionWriter clock;
    clock.Push({PushInt(0), PushString("Date")})
        .Op(0x40)
        .Push({PushInt(0)})
        .Op(0x4D)
        .Push({PushString("getFullYear")})
        .Op(0x52)
        .Trace();
    SwfRecipe layout = StageRecipe(false);
    layout.version = 6;
    layout.frameCount = 2;
    for (const Bytes& tag : {DoActionTag(count.Records()), ShowFrameTag(),
                             DoActionTag(clock.Records()), ShowFrameTag()})
        layout.tags.insert(layout.tags.end(), tag.begin(), tag.end());
    return MakeSwf(layout);
}

TEST(TraceCommand, PrintsWhatTheScriptsTraceFrameByFrame) {
    TempDir dir;
    WriteFileBytes(dir / "count.swf", CountingMovie());
    WriteFileBytes(dir / "still.swf", MakeSwf(StageRecipe(false)));
    WriteFileBytes(dir / "garbage.swf", test::PatternBytes(64));
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string errStart;
    } cases[] = {
        {{"trace", dir / "count.swf", "--clock", "1e12"}, 0, "n=1\n2001\n", ""},
        {{"trace", dir / "count.swf", "--frames", "1"}, 0, "n=1\n", ""},
        {{"trace", dir / "count.swf", "--frames", "3", "--clock", "1e12"},
         0,
         "n=1\n2001\nn=2\n",
         ""},
        {{"trace", dir / "count.swf", "--clock", "0"}, 0, "n=1\n1970\n", ""},
        {{"trace", dir / "still.swf"}, 0, "", ""},
        {{"trace", dir / "garbage.swf"}, 1, "", "Cannot read the movie "},
        {{"trace", dir / "count.swf", "--frames", "-2"}, 1, "", "Bad frame count -2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const CliResult run = RunCli(dir, c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err.rfind(c.errStart, 0), 0u) << run.err;
    }
}

TEST(ExtractMovieCommand, CopiesTheMovieOutOrFailsWithoutOutput) {
    TempDir dir;
    const Bytes movie = MakeSwf(StageRecipe(true));
    WriteFileBytes(dir / "intro.exe", MakeProjector({test::PatternBytes(4000), movie}));
    WriteFileBytes(dir / "player.exe", test::PatternBytes(4000));

    CliResult run = RunCli(dir, {"extract-movie", dir / "intro.exe", dir / "intro.swf"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFileBytes(dir / "intro.swf"), movie);

    for (const char* source : {"player.exe", "missing.exe"}) {
        SCOPED_TRACE(source);
        run = RunCli(dir, {"extract-movie", dir / source, dir / "none.swf"});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(dir / source), std::string::npos) << run.err;
        EXPECT_FALSE(test::PathExists(dir / "none.swf"));
    }
}

} // namespace
} // namespace ww
