// The stage's layout: how the host's area and a script's Stage.scaleMode and
// Stage.align place the movie, and what Stage tells scripts of it.
#include "movie/render.h"
#include "tests/movie/movie_test_util.h"

#include <string>
#include <vector>

namespace ww::test {
namespace {

using movie::ScaleMode;

// Stage.name = value
ActionWriter SetStage(const std::string& name, const PushValue& value) {
    ActionWriter w;
    w.Get("Stage").Push({PushString(name), value}).Op(0x4F);
    return w;
}

// trace(Stage.name)
ActionWriter TraceStage(const std::string& name) {
    ActionWriter w;
    w.Get("Stage").Push({PushString(name)}).Op(0x4E).Trace();
    return w;
}

TEST(Stage, ScriptsSetTheLayoutAndHearOfNewSizesInNoScale) {
    ActionWriter script;
    script.Raw(TraceStage("scaleMode").Records())
        .Raw(TraceStage("width").Records())
        .Raw(Handler("_root", "onResize",
                     ActionWriter()
                         .Push({PushString("resize")})
                         .Trace()
                         .Raw(TraceStage("width").Records()))
                 .Records())
        .Get("_root")
        .Push({PushInt(1)})
        .Get("Stage")
        .Push({PushString("addListener")})
        .Op(0x52)
        .Op(0x17)
        .Raw(SetStage("scaleMode", PushString("NOSCALE")).Records())
        .Raw(TraceStage("scaleMode").Records())
        .Raw(TraceStage("height").Records())
        .Raw(SetStage("align", PushString("bottom-right")).Records())
        .Raw(TraceStage("align").Records())
        .Raw(SetStage("scaleMode", PushString("nonsense")).Records())
        .Raw(TraceStage("scaleMode").Records())
        .Raw(TraceStage("width").Records())
        .Raw(SetStage("scaleMode", PushString("noScale")).Records());
    SwfRecipe recipe = StageRecipe(false);
    recipe.version = 8;
    recipe.tags = DoActionTag(script.Records()) + ShowFrameTag();
    const movie::Movie m = ParseOrFail(MakeSwf(recipe));
    std::vector<std::string> lines;
    movie::ScriptOptions options;
    options.trace = [&lines](const std::string& line) { lines.push_back(line); };
    options.stage = movie::StageView{800, 600, ScaleMode::ShowAll, 0};
    movie::Player player(m, options);
    EXPECT_EQ(lines, (std::vector<std::string>{"showAll", "550", "resize", "800", "noScale", "600",
                                               "TRB", "showAll", "550", "resize", "800"}));

    // The host's area changes: heard once per new size, never while scaled.
    lines.clear();
    player.SetStageView(movie::StageView{1024, 768, ScaleMode::ShowAll, 0});
    player.SetStageView(movie::StageView{1024, 768, ScaleMode::ShowAll, 0});
    EXPECT_EQ(lines, (std::vector<std::string>{"resize", "1024"}));
    movie::RenderOptions options2;
    options2.scale = ScaleMode::ExactFit;
    player.ApplyStageLayout(&options2);
    EXPECT_EQ(options2.scale, ScaleMode::NoScale);
    EXPECT_EQ(options2.align, movie::kAlignTop | movie::kAlignRight | movie::kAlignBottom);
}

TEST(Stage, AlignmentAndNoScalePlaceTheStage) {
    // The 550 x 400 stage in a 1100 x 800 or 1100 x 400 area.
    const movie::Movie m = ParseOrFail(MakeSwf(StageRecipe(false)));
    const struct {
        const char* what;
        int width, height;
        ScaleMode scale;
        uint8_t align;
        double a, tx, ty;
        double areaScale = 1;
    } cases[] = {
        {"no scale, centred", 1100, 800, ScaleMode::NoScale, 0, 1.0 / kPx, 275, 200},
        {"no scale, top left", 1100, 800, ScaleMode::NoScale, movie::kAlignLeft | movie::kAlignTop,
         1.0 / kPx, 0, 0},
        {"no scale, bottom right", 1100, 800, ScaleMode::NoScale,
         movie::kAlignRight | movie::kAlignBottom, 1.0 / kPx, 550, 400},
        {"left and right keep left", 1100, 800, ScaleMode::NoScale,
         movie::kAlignLeft | movie::kAlignRight, 1.0 / kPx, 0, 200},
        {"show all, right", 1100, 400, ScaleMode::ShowAll, movie::kAlignRight, 1.0 / kPx, 550, 0},
        {"show all, centred", 1100, 400, ScaleMode::ShowAll, 0, 1.0 / kPx, 275, 0},
        {"no border, top", 1100, 400, ScaleMode::NoBorder, movie::kAlignTop, 2.0 / kPx, 0, 0},
        {"no border, centred", 1100, 400, ScaleMode::NoBorder, 0, 2.0 / kPx, 0, -200},
        // A canvas picturing an area twice its size: the stage at half size.
        {"no scale, pictured at half", 1100, 800, ScaleMode::NoScale, 0, 0.5 / kPx, 412.5, 300,
         0.5},
        {"other modes ignore the area", 1100, 400, ScaleMode::ShowAll, 0, 1.0 / kPx, 275, 0, 0.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const movie::Matrix s =
            movie::StageToCanvas(m, c.width, c.height, c.scale, c.align, c.areaScale);
        EXPECT_DOUBLE_EQ(s.a, c.a);
        EXPECT_DOUBLE_EQ(s.d, c.a);
        EXPECT_DOUBLE_EQ(s.tx, c.tx);
        EXPECT_DOUBLE_EQ(s.ty, c.ty);
    }
    EXPECT_EQ(movie::ParseStageAlign("tl"), movie::kAlignLeft | movie::kAlignTop);
    EXPECT_EQ(movie::StageAlignText(movie::ParseStageAlign("xBrTyL")), "LTRB");
    EXPECT_EQ(movie::StageAlignText(0), "");
}

} // namespace
} // namespace ww::test
