// Tests of a small corpus made here: which frame each picture is taken at,
// and every way a test can fail without stopping the run.
#include "tests/conformance/suite_run.h"

#include "movie/raster.h"
#include "movie/render.h"
#include "tests/conformance/swf_scan.h"
#include "tests/support/fixtures.h"
#include "tests/support/swf_writer.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

namespace ww::conformance {
namespace {

using test::Bytes;
using test::operator+;

// Three frames on the 550 x 400 stage: red all over, then blue, then blue.
Bytes RedThenBlue(const Bytes& extraTags = {}) {
    test::PlaceRecipe red;
    red.characterId = 1;
    test::PlaceRecipe blue;
    blue.characterId = 2;
    blue.move = true;
    test::SwfRecipe recipe = test::StageRecipe(true);
    recipe.frameCount = 3;
    recipe.tags = extraTags +
                  test::RectangleShapeTag(1, 1, 0, 0, 11000, 8000, test::Solid(255, 0, 0)) +
                  test::RectangleShapeTag(1, 2, 0, 0, 11000, 8000, test::Solid(0, 0, 255)) +
                  test::PlaceObject2Tag(red) + test::ShowFrameTag() + test::PlaceObject2Tag(blue) +
                  test::ShowFrameTag() + test::ShowFrameTag();
    return test::MakeSwf(recipe);
}

struct Colour {
    uint8_t r, g, b;
};
constexpr Colour kRed{255, 0, 0};
constexpr Colour kBlue{0, 0, 255};

// The stage drawn at a tenth of its size in one colour.
void WritePicture(const std::string& path, Colour c) {
    movie::Canvas canvas;
    canvas.width = 55;
    canvas.height = 40;
    for (int i = 0; i < canvas.width * canvas.height; ++i)
        canvas.pixels.insert(canvas.pixels.end(), {c.r, c.g, c.b, 255});
    ASSERT_TRUE(movie::WritePng(canvas, path));
}

struct CorpusCase {
    const char* name;
    const char* toml; // null: no test.toml
    Bytes movie;
    std::vector<std::pair<const char*, Colour>> pictures;
    bool trace;
    CaseKind kind;
    bool suitePass, ourPass, as3, knownFailure;
    const char* reasonStart;
};

TEST(SuiteRun, TakesEachPictureAtItsFrameAndReportsEveryFailure) {
    const Bytes abc = test::Tag(kDoAbcTag, Bytes(8, 0));
    const CorpusCase cases[] = {
        {"first",
         "num_frames = 1\n[image_comparisons.output]",
         RedThenBlue(),
         {{"output", kRed}},
         false,
         CaseKind::Image,
         true,
         true,
         false,
         false,
         ""},
        {"second",
         "num_frames = 2\n[image_comparisons.output]",
         RedThenBlue(),
         {{"output", kBlue}},
         true,
         CaseKind::Image,
         true,
         true,
         false,
         false,
         ""},
        {"triggers",
         "num_ticks = 3\n[image_comparisons.a]\ntrigger = 1\n"
         "[image_comparisons.b]\ntrigger = 2",
         RedThenBlue(),
         {{"a", kRed}, {"b", kBlue}},
         false,
         CaseKind::Image,
         true,
         true,
         false,
         false,
         ""},
        {"wrong frame",
         "num_frames = 2\nknown_failure = true\n[image_comparisons.output]",
         RedThenBlue(),
         {{"output", kRed}},
         false,
         CaseKind::Image,
         false,
         false,
         false,
         true,
         "output: percentage off: 0.0 % of pixels"},
        {"as3",
         "num_frames = 1\n[image_comparisons.output]",
         RedThenBlue(abc),
         {{"output", kRed}},
         false,
         CaseKind::Image,
         true,
         true,
         true,
         false,
         ""},
        {"no picture",
         "[image_comparisons.output]",
         RedThenBlue(),
         {},
         false,
         CaseKind::Image,
         false,
         false,
         false,
         false,
         "output: expected picture: cannot open "},
        {"broken movie",
         "[image_comparisons.output]",
         Bytes{'F', 'W', 'S', 6, 1, 0},
         {{"output", kRed}},
         false,
         CaseKind::Image,
         false,
         false,
         false,
         false,
         "load error: "},
        {"script trigger",
         "[image_comparisons.output]\ntrigger = \"fs_command\"",
         RedThenBlue(),
         {{"output", kRed}},
         false,
         CaseKind::Image,
         false,
         false,
         false,
         false,
         "output: needs a script runtime (trigger fs_command)"},
        {"bad toml with a picture",
         "num_frames = [",
         RedThenBlue(),
         {{"output", kRed}},
         false,
         CaseKind::Image,
         false,
         false,
         false,
         false,
         "test.toml: line 1: "},
        {"bad toml alone",
         "num_frames = [",
         RedThenBlue(),
         {},
         true,
         CaseKind::Other,
         false,
         false,
         false,
         false,
         "test.toml: line 1: "},
        {"trace only",
         "num_frames = 1",
         RedThenBlue(),
         {},
         true,
         CaseKind::Trace,
         false,
         false,
         false,
         false,
         "trace differs at line 1"},
        {"no toml",
         nullptr,
         RedThenBlue(),
         {},
         false,
         CaseKind::Other,
         false,
         false,
         false,
         false,
         "test.toml cannot be read"},
    };
    test::TempDir dir;
    namespace fs = std::filesystem;
    for (const CorpusCase& c : cases) {
        const fs::path folder = fs::path(dir.path()) / c.name;
        fs::create_directories(folder);
        if (c.toml)
            test::WriteFileText((folder / "test.toml").string(), c.toml);
        test::WriteFileBytes((folder / "test.swf").string(), c.movie);
        if (c.trace)
            test::WriteFileText((folder / "output.txt").string(), "trace\n");
        for (const auto& [picture, colour] : c.pictures)
            WritePicture((folder / (std::string(picture) + ".expected.png")).string(), colour);
    }
    for (const CorpusCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CaseResult r = RunSuiteCase(dir.path(), c.name, RunSettings());
        EXPECT_EQ(r.name, c.name);
        EXPECT_EQ(r.kind, c.kind);
        EXPECT_EQ(r.run, c.kind == CaseKind::Image || c.kind == CaseKind::Trace);
        EXPECT_EQ(r.suitePass, c.suitePass);
        EXPECT_EQ(r.ourPass, c.ourPass);
        EXPECT_EQ(r.actionScript3, c.as3);
        EXPECT_EQ(r.knownFailure, c.knownFailure);
        EXPECT_EQ(r.reason.rfind(c.reasonStart, 0), 0u) << r.reason;
    }
}

TEST(SuiteRun, SavesEachDrawnPictureUnderAFlatName) {
    test::TempDir dir;
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(dir.path()) / "visual" / "two";
    fs::create_directories(folder);
    fs::create_directories(dir / "saved");
    test::WriteFileText((folder / "test.toml").string(), "num_frames = 2\n[image_comparisons.out]");
    test::WriteFileBytes((folder / "test.swf").string(), RedThenBlue());
    WritePicture((folder / "out.expected.png").string(), kBlue);
    RunSettings settings;
    settings.saveFolder = dir / "saved";
    EXPECT_TRUE(RunSuiteCase(dir.path(), "visual/two", settings).ourPass);
    EXPECT_TRUE(fs::is_regular_file(fs::path(dir / "saved") / "visual-two-out.png"));
}

} // namespace
} // namespace ww::conformance
