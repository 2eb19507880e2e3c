// BitmapData's pixel store, pixels in and out, and flash.geom and
// flash.display as scripts meet them: small scripts run as a movie's first
// frame and the trace they leave.
#include "movie/pixel_store.h"
#include "tests/movie/movie_test_util.h"

#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace ww::test {
namespace {

using movie::PixelArea;
using movie::PixelStore;

PixelStore Store(int32_t w, int32_t h, bool transparent, uint32_t argb) {
    PixelStore s;
    EXPECT_TRUE(movie::MakePixels(&s, w, h, transparent, argb));
    return s;
}

std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", v);
    return text;
}

// Every pixel, row by row, as straight ARGB.
std::vector<std::string> Dump(const PixelStore& s) {
    std::vector<std::string> rows;
    for (int32_t y = 0; y < s.height(); ++y) {
        std::string row;
        for (int32_t x = 0; x < s.width(); ++x)
            row += (x ? " " : "") + Hex(movie::ReadPixel(s, x, y));
        rows.push_back(row);
    }
    return rows;
}

TEST(PixelStore, ColoursComeBackAsFlashRoundsThem) {
    const struct {
        uint32_t in;
        bool transparent;
        uint32_t out;
    } cases[] = {
        {0xAABBCCDD, true, 0xAABBCCDC}, // premultiplied and back: the blue loses one
        {0x12345678, true, 0x12395571}, // a faint pixel keeps little of its colour
        {0x80BBBBBB, true, 0x80BBBBBB},
        {0x00FFFFFF, true, 0x00000000}, // a clear pixel has no colour
        {0xFFFFFFFF, true, 0xFFFFFFFF},
        {0x80FFFFFF, false, 0xFFFFFFFF}, // an opaque bitmap stays opaque
        {0x00123456, false, 0xFF123456},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Hex(c.in));
        PixelStore s = Store(2, 2, c.transparent, 0);
        movie::WritePixel(s, 1, 1, c.in);
        EXPECT_EQ(Hex(movie::ReadPixel(s, 1, 1)), Hex(c.out));
        EXPECT_EQ(movie::ReadPixel(s, 0, 0), c.transparent ? 0u : 0xFF000000u);
    }
}

TEST(PixelStore, SizesFlashRefusesMakeNothing) {
    const struct {
        int32_t w, h;
        bool made;
    } cases[] = {{1, 1, true},        {2880, 1, true},
                 {1, 2880, true},     {2881, 1, false},
                 {1, 2881, false},    {0, 5, false},
                 {5, 0, false},       {-1, 5, false},
                 {INT_MIN, 1, false}, {INT_MAX, INT_MAX, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h));
        PixelStore s;
        EXPECT_EQ(movie::MakePixels(&s, c.w, c.h, true, 0xFFFFFFFF), c.made);
        EXPECT_EQ(s.bitmap.pixels.size(), c.made ? size_t(c.w) * c.h * 4 : 0u);
    }
}

TEST(PixelStore, AreasAreCutToTheBitmap) {
    const PixelStore s = Store(10, 8, true, 0);
    const struct {
        PixelArea in;
        PixelArea out;
    } cases[] = {
        {{2, 3, 4, 2}, {2, 3, 4, 2}},
        {{-5, -5, 7, 7}, {0, 0, 2, 2}},
        {{8, 6, 100, 100}, {8, 6, 2, 2}},
        {{10, 0, 5, 5}, {0, 0, 0, 0}}, // beside the bitmap
        {{0, 0, -3, 4}, {0, 0, 0, 0}}, // a negative size
        {{INT_MAX, INT_MAX, INT_MAX, INT_MAX}, {0, 0, 0, 0}},
        {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {0, 0, 0, 0}}, // ends before the bitmap
        {{-1, -1, INT_MAX, INT_MAX}, {0, 0, 10, 8}},
    };
    for (const auto& c : cases) {
        const PixelArea a = movie::ClipArea(s, c.in);
        SCOPED_TRACE(std::to_string(c.in.x) + "," + std::to_string(c.in.y));
        EXPECT_EQ(std::vector<int32_t>({a.x, a.y, a.w, a.h}),
                  std::vector<int32_t>({c.out.x, c.out.y, c.out.w, c.out.h}));
    }
}

TEST(PixelStore, FillsAndCopiesStayInsideBothBitmaps) {
    const struct {
        const char* name;
        PixelArea area;
        int32_t x, y;
        std::vector<std::string> want;
    } cases[] = {
        {"inside",
         {0, 0, 2, 1},
         1,
         1,
         {"00000000 00000000 00000000", "00000000 ff0000ff ff00ff00",
          "00000000 00000000 00000000"}},
        {"off the left and top",
         {0, 0, 2, 2},
         -1,
         -1,
         {"ffff0000 00000000 00000000", "00000000 00000000 00000000",
          "00000000 00000000 00000000"}},
        {"off the right and bottom",
         {0, 0, 2, 2},
         2,
         2,
         {"00000000 00000000 00000000", "00000000 00000000 00000000",
          "00000000 00000000 ff0000ff"}},
        {"source area past the source",
         {1, 1, 50, 50},
         0,
         0,
         {"ffff0000 00000000 00000000", "00000000 00000000 00000000",
          "00000000 00000000 00000000"}},
        {"far away",
         {0, 0, 2, 2},
         INT_MAX,
         INT_MIN,
         {"00000000 00000000 00000000", "00000000 00000000 00000000",
          "00000000 00000000 00000000"}},
        {"negative size",
         {0, 0, -2, 2},
         0,
         0,
         {"00000000 00000000 00000000", "00000000 00000000 00000000",
          "00000000 00000000 00000000"}},
    };
    // from: blue green / green red
    PixelStore from = Store(2, 2, true, 0xFF00FF00);
    movie::WritePixel(from, 0, 0, 0xFF0000FF);
    movie::WritePixel(from, 1, 1, 0xFFFF0000);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PixelStore to = Store(3, 3, true, 0);
        movie::CopyArea(to, from, c.area, c.x, c.y, nullptr, 0, 0, false);
        EXPECT_EQ(Dump(to), c.want);
    }
}

TEST(PixelStore, ScrollMovesPixelsAndKeepsTheUncovered) {
    const struct {
        int32_t dx, dy;
        std::vector<std::string> want;
    } cases[] = {
        {1, 0, {"ff000001 ff000001 ff000002", "ff000004 ff000004 ff000005"}},
        {-1, 0, {"ff000002 ff000003 ff000003", "ff000005 ff000006 ff000006"}},
        {0, 1, {"ff000001 ff000002 ff000003", "ff000001 ff000002 ff000003"}},
        {5, 5, {"ff000001 ff000002 ff000003", "ff000004 ff000005 ff000006"}},
        {INT_MIN, INT_MAX, {"ff000001 ff000002 ff000003", "ff000004 ff000005 ff000006"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.dx) + "," + std::to_string(c.dy));
        PixelStore s = Store(3, 2, false, 0);
        for (int32_t i = 0; i < 6; ++i)
            movie::WritePixel(s, i % 3, i / 3, 0xFF000001 + i);
        movie::ScrollPixels(s, c.dx, c.dy);
        EXPECT_EQ(Dump(s), c.want);
    }
}

TEST(PixelStore, NoiseFollowsFlashsGenerator) {
    const struct {
        const char* name;
        int32_t seed, low, high;
        int channels;
        bool grey;
        std::vector<std::string> want;
    } cases[] = {
        {"colour", 1, 0, 255, 7, false, {"ffa7f1d9 ff2a82c8", "ffd8fe43 ff4d9855"}},
        {"a seed of 0 is 1", 0, 0, 255, 7, false, {"ffa7f1d9 ff2a82c8", "ffd8fe43 ff4d9855"}},
        {"grey", 1, 0, 255, 1, true, {"ffa7a7a7 fff1f1f1", "ffd9d9d9 ff2a2a2a"}},
        {"red only", 1, 0, 255, 1, false, {"ffa70000 fff10000", "ffd90000 ff2a0000"}},
        {"two values", 1, 10, 11, 7, false, {"ff0b0b0b ff0a0a0a", "ff0a0a0b ff0b0a0b"}},
        {"high below low", 1, 10, 2, 7, false, {"ff0a0a0a ff0a0a0a", "ff0a0a0a ff0a0a0a"}},
        {"second seed", 2, 0, 255, 7, false, {"ff4ee2b3 ff540590", "ffb0fd87 ff9b30ab"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PixelStore s = Store(2, 2, false, 0);
        movie::FillNoise(s, c.seed, c.low, c.high, c.channels, c.grey);
        EXPECT_EQ(Dump(s), c.want);
    }
}

TEST(PixelStore, ColourBoundsThresholdAndCompare) {
    PixelStore s = Store(4, 3, true, 0xFFFFFFFF);
    movie::WritePixel(s, 1, 1, 0xFFFF0000);
    movie::WritePixel(s, 2, 2, 0xFFFF0000);
    const struct {
        uint32_t mask, color;
        bool find;
        std::vector<int32_t> want;
    } bounds[] = {
        {0xFFFFFFFF, 0xFFFF0000, true, {1, 1, 2, 2}},
        {0xFFFFFFFF, 0xFFFF0000, false, {0, 0, 4, 3}},
        {0x00FF0000, 0xFFFF0000, true, {0, 0, 0, 0}}, // the colour is not masked: its alpha stays
        {0xFFFFFFFF, 0xFF00FF00, true, {0, 0, 0, 0}},
    };
    for (const auto& b : bounds) {
        const PixelArea a = movie::ColorBounds(s, b.mask, b.color, b.find);
        EXPECT_EQ(std::vector<int32_t>({a.x, a.y, a.w, a.h}), b.want) << Hex(b.color);
    }

    const struct {
        movie::ThresholdTest test;
        uint32_t threshold;
        uint32_t passed;
    } thresholds[] = {
        {movie::ThresholdTest::Equal, 0xFFFF0000, 2},
        {movie::ThresholdTest::NotEqual, 0xFFFF0000, 10},
        {movie::ThresholdTest::Less, 0xFFFFFFFF, 2},
        {movie::ThresholdTest::GreaterEqual, 0xFFFFFFFF, 10},
    };
    for (const auto& t : thresholds) {
        PixelStore to = Store(4, 3, true, 0);
        EXPECT_EQ(movie::ThresholdArea(to, s, PixelArea{0, 0, 4, 3}, 0, 0, t.test, t.threshold,
                                       0xFF0000FF, 0xFFFFFFFF, false),
                  t.passed);
    }

    const struct {
        uint32_t a, b, want;
    } differences[] = {
        {0xFF123456, 0xFF123456, 0},
        {0xFFCCCCCC, 0xFF999999, 0xFF333333},
        {0xFF000000, 0xFF010101, 0xFFFFFFFF}, // wraps at 256
        {0x80FFFFFF, 0x7FFFFFFF, 0x01FFFFFF}, // alpha alone over white
    };
    for (const auto& d : differences)
        EXPECT_EQ(Hex(movie::PixelDifference(d.a, d.b)), Hex(d.want));
}

TEST(PixelStore, FloodFillTakesTheConnectedRegionOnly) {
    PixelStore s = Store(4, 3, false, 0xFFFFFFFF);
    for (int32_t y = 0; y < 3; ++y)
        movie::WritePixel(s, 2, y, 0xFF000000); // a wall
    movie::FloodFill(s, 0, 0, 0xFF00FF00);
    movie::FloodFill(s, 99, -1, 0xFF0000FF); // outside: nothing
    EXPECT_EQ(Dump(s), std::vector<std::string>({"ff00ff00 ff00ff00 ff000000 ffffffff",
                                                 "ff00ff00 ff00ff00 ff000000 ffffffff",
                                                 "ff00ff00 ff00ff00 ff000000 ffffffff"}));
}

// Scripts ----------------------------------------------------------------------

std::vector<std::string> RunScript(const ActionWriter& script) {
    SwfRecipe layout = StageRecipe(false);
    layout.version = 8;
    layout.frameCount = 1;
    layout.tags = DoActionTag(script.Records()) + ShowFrameTag();
    const movie::Movie m = ParseOrFail(MakeSwf(layout));
    std::vector<std::string> lines;
    movie::ScriptOptions options;
    options.trace = [&lines](const std::string& line) { lines.push_back(line); };
    options.clockMs = 0;
    options.seeded = true;
    movie::Player player(m, options);
    return lines;
}

void PushAll(ActionWriter& w, const std::vector<PushValue>& args) {
    for (auto it = args.rbegin(); it != args.rend(); ++it)
        w.Push({*it});
    w.Push({PushInt(static_cast<int32_t>(args.size()))});
}

// variable = new flash.<package>.<cls>(args)
ActionWriter& New(ActionWriter& w, const std::string& variable, const std::string& package,
                  const std::string& cls, const std::vector<PushValue>& args) {
    w.Push({PushString(variable)});
    PushAll(w, args);
    w.Get("flash").Push({PushString(package)}).Op(0x4E).Push({PushString(cls)}).Op(0x53);
    return w.Op(0x1D);
}

// trace(variable.method(args))
ActionWriter& TraceCall(ActionWriter& w, const std::string& variable, const std::string& method,
                        const std::vector<PushValue>& args) {
    PushAll(w, args);
    w.Get(variable).Push({PushString(method)}).Op(0x52);
    return w.Trace();
}

// trace(variable.method(argument)), the argument a variable.
ActionWriter& TraceCallWith(ActionWriter& w, const std::string& variable, const std::string& method,
                            const std::string& argument) {
    w.Get(argument).Push({PushInt(1)});
    w.Get(variable).Push({PushString(method)}).Op(0x52);
    return w.Trace();
}

// trace(variable.property)
ActionWriter& TraceMember(ActionWriter& w, const std::string& variable,
                          const std::string& property) {
    return w.Get(variable).Push({PushString(property)}).Op(0x4E).Trace();
}

using Pusher = std::function<void(ActionWriter&)>;
Pusher Val(const PushValue& v) {
    return [v](ActionWriter& w) { w.Push({v}); };
}
Pusher Var(const std::string& name) {
    return [name](ActionWriter& w) { w.Get(name); };
}

// variable.method(args), the result left on the stack.
ActionWriter& CallWith(ActionWriter& w, const std::string& variable, const std::string& method,
                       const std::vector<Pusher>& args) {
    for (auto it = args.rbegin(); it != args.rend(); ++it)
        (*it)(w);
    w.Push({PushInt(static_cast<int32_t>(args.size()))});
    return w.Get(variable).Push({PushString(method)}).Op(0x52);
}

// A 4 x 4 pixel blue square drawn by script in clip c at depth 2.
ActionWriter BlueSquare() {
    ActionWriter w;
    w.Push({PushString("c")});
    CallWith(w, "_root", "createEmptyMovieClip", {Val(PushString("c")), Val(PushInt(2))});
    w.Op(0x1D);
    CallWith(w, "c", "beginFill", {Val(PushInt(0x0000FF))}).Op(0x17);
    CallWith(w, "c", "moveTo", {Val(PushInt(0)), Val(PushInt(0))}).Op(0x17);
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{4, 0}, {4, 4}, {0, 4}, {0, 0}})
        CallWith(w, "c", "lineTo", {Val(PushInt(x)), Val(PushInt(y))}).Op(0x17);
    return CallWith(w, "c", "endFill", {}).Op(0x17);
}

TEST(Avm1BitmapData, DrawPutsAClipsPixelsWhereTheMatrixAndClipSay) {
    const struct {
        const char* name;
        std::vector<Pusher> drawArgs;
        std::vector<std::string> want; // pixels (1, 1), (3, 3), (5, 5)
    } cases[] = {
        {"as it stands", {Var("c")}, {"255", "255", "16777215"}},
        {"moved by the matrix", {Var("c"), Var("m")}, {"16777215", "16777215", "255"}},
        {"cut by the clip rectangle",
         {Var("c"), Val(PushUndefined()), Val(PushUndefined()), Val(PushUndefined()), Var("r")},
         {"16777215", "255", "16777215"}},
        {"a bitmap placed by the translation",
         {Var("s"), Var("m")},
         {"16777215", "16777215", "65280"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ActionWriter w = BlueSquare();
        New(w, "b", "display", "BitmapData",
            {PushInt(8), PushInt(8), PushBool(false), PushDouble(0xFFFFFFFF)});
        New(w, "s", "display", "BitmapData",
            {PushInt(2), PushInt(2), PushBool(false), PushDouble(0xFF00FF00)});
        New(w, "m", "geom", "Matrix",
            {PushInt(1), PushInt(0), PushInt(0), PushInt(1), PushInt(4), PushInt(4)});
        New(w, "r", "geom", "Rectangle", {PushInt(2), PushInt(2), PushInt(6), PushInt(6)});
        CallWith(w, "b", "draw", c.drawArgs).Op(0x17);
        for (int xy : {1, 3, 5})
            CallWith(w, "b", "getPixel", {Val(PushInt(xy)), Val(PushInt(xy))}).Trace();
        EXPECT_EQ(RunScript(w), c.want);
    }
}

TEST(Avm1BitmapData, PaletteMapSumsTheTablesEntries) {
    ActionWriter w;
    New(w, "b", "display", "BitmapData",
        {PushInt(2), PushInt(1), PushBool(false), PushDouble(0xFF102030)});
    // red's table sends every value to 0x00AB0000; the others stay.
    w.Push({PushString("t")});
    for (int i = 0; i < 256; ++i)
        w.Push({PushDouble(0x00AB0000)});
    w.Push({PushInt(256)}).Op(0x42).Op(0x1D);
    New(w, "r", "geom", "Rectangle", {PushInt(1), PushInt(0), PushInt(1), PushInt(1)});
    New(w, "p", "geom", "Point", {PushInt(1), PushInt(0)});
    CallWith(w, "b", "paletteMap", {Var("b"), Var("r"), Var("p"), Var("t")}).Trace();
    CallWith(w, "b", "getPixel", {Val(PushInt(0)), Val(PushInt(0))}).Trace();
    CallWith(w, "b", "getPixel", {Val(PushInt(1)), Val(PushInt(0))}).Trace();
    EXPECT_EQ(RunScript(w), std::vector<std::string>({"0", "1056816", "11214896"}));
}

TEST(Avm1BitmapData, AttachedBitmapIsDrawnAsItsPixelsAreNow) {
    ActionWriter w;
    New(w, "b", "display", "BitmapData",
        {PushInt(10), PushInt(10), PushBool(false), PushDouble(0xFFFF0000)});
    CallWith(w, "_root", "attachBitmap", {Var("b"), Val(PushInt(1))}).Op(0x17);
    // Changed after it was attached: the stage shows the change.
    New(w, "r", "geom", "Rectangle", {PushInt(0), PushInt(0), PushInt(5), PushInt(10)});
    CallWith(w, "b", "fillRect", {Var("r"), Val(PushDouble(0xFF0000FF))}).Op(0x17);
    SwfRecipe layout = StageRecipe(false);
    layout.version = 8;
    layout.frameCount = 1;
    layout.tags = DoActionTag(w.Records()) + ShowFrameTag();
    const movie::Canvas canvas = RenderFrame(MakeSwf(layout));
    ExpectPixels(canvas, {{2, 5, kBlue}, {7, 5, kRed}, {15, 5, kWhite}, {5, 15, kWhite}});
}

TEST(Avm1Geom, TransformReadsAndSetsItsClip) {
    ActionWriter w;
    w.Push({PushString("c")});
    CallWith(w, "_root", "createEmptyMovieClip", {Val(PushString("c")), Val(PushInt(1))});
    w.Op(0x1D);
    w.Get("c").Push({PushString("_x"), PushInt(10)}).Op(0x4F);
    w.Get("c").Push({PushString("_xscale"), PushInt(200)}).Op(0x4F);
    w.Push({PushString("t")}).Get("c").Push({PushString("transform")}).Op(0x4E).Op(0x1D);
    TraceMember(w, "t", "matrix");
    New(w, "m", "geom", "Matrix",
        {PushInt(1), PushInt(0), PushInt(0), PushInt(1), PushInt(5), PushInt(6)});
    w.Get("t").Push({PushString("matrix")}).Get("m").Op(0x4F);
    TraceMember(w, "c", "_x");
    TraceMember(w, "c", "_y");
    w.Get("t").Push({PushString("matrix"), PushInt(7)}).Op(0x4F); // not a Matrix: ignored
    TraceMember(w, "c", "_x");
    New(w, "u", "geom", "Transform", {});
    w.Get("u").Trace();
    EXPECT_EQ(RunScript(w), std::vector<std::string>(
                                {"(a=2, b=0, c=0, d=1, tx=10, ty=0)", "5", "6", "5", "undefined"}));
}

TEST(Avm1Geom, ConvolutionFilterTakesFlashsDefaults) {
    ActionWriter w;
    New(w, "f", "filters", "ConvolutionFilter",
        {PushInt(3), PushInt(3), PushUndefined(), PushInt(9)});
    w.Push({PushString("g")});
    PushAll(w, {PushInt(2), PushInt(1), PushUndefined(), PushInt(9), PushInt(0), PushBool(false),
                PushBool(true), PushInt(0x1FF0080)});
    w.Get("flash").Push({PushString("filters")}).Op(0x4E);
    w.Push({PushString("ConvolutionFilter")}).Op(0x53).Op(0x1D);
    for (const char* name : {"matrix", "divisor", "preserveAlpha", "alpha"})
        TraceMember(w, "f", name);
    for (const char* name : {"matrix", "preserveAlpha", "color", "alpha"})
        TraceMember(w, "g", name);
    EXPECT_EQ(RunScript(w), std::vector<std::string>({"0,0,0,0,0,0,0,0,0", "9", "true", "0", "0,0",
                                                      "false", "16711808", "1"}));
}

TEST(Avm1Geom, ClipFiltersAreCopiesOfWhatWasSet) {
    ActionWriter w;
    w.Push({PushString("c")});
    CallWith(w, "_root", "createEmptyMovieClip", {Val(PushString("c")), Val(PushInt(1))});
    w.Op(0x1D);
    New(w, "f", "filters", "BlurFilter", {PushInt(2), PushInt(3), PushInt(1)});
    w.Get("c").Push({PushString("filters")});
    w.Get("f").Push({PushInt(7), PushInt(2)}).Op(0x42); // [7, f]: 7 is no filter
    w.Op(0x4F);
    w.Push({PushString("g")}).Get("c").Push({PushString("filters")}).Op(0x4E).Op(0x1D);
    TraceMember(w, "g", "length");
    w.Get("g").Push({PushInt(0)}).Op(0x4E).Push({PushString("blurY")}).Op(0x4E).Trace();
    w.Get("g").Push({PushInt(0)}).Op(0x4E).Get("f").Op(0x66).Trace(); // a copy, not f
    EXPECT_EQ(RunScript(w), std::vector<std::string>({"1", "3", "false"}));
}

TEST(Avm1Geom, ShadowGlowAndBevelFiltersKeepFlashsRanges) {
    ActionWriter w;
    // Blur and quality past their caps, an alpha kept in 8 bits, a colour cut
    // to 24 bits, an angle past a turn.
    New(w, "g", "filters", "GlowFilter",
        {PushInt(0x1FF00FF), PushDouble(0.5), PushInt(300), PushInt(-2), PushInt(2), PushInt(99)});
    for (const char* name : {"color", "alpha", "blurX", "blurY", "strength", "quality", "inner"})
        TraceMember(w, "g", name);
    New(w, "d", "filters", "DropShadowFilter", {PushInt(5), PushInt(370)});
    for (const char* name : {"distance", "angle", "color", "hideObject"})
        TraceMember(w, "d", name);
    New(w, "b", "filters", "BevelFilter", {});
    New(w, "x", "filters", "BevelFilter",
        {PushInt(4), PushInt(45), PushInt(0), PushInt(1), PushInt(0), PushInt(1), PushInt(4),
         PushInt(4), PushInt(1), PushInt(1), PushString("INNER")});
    TraceMember(w, "b", "type");
    TraceMember(w, "b", "highlightColor");
    TraceMember(w, "x", "type");
    // A clone is a new filter of the same settings; the base class has none.
    w.Push({PushString("k")});
    CallWith(w, "g", "clone", {});
    w.Op(0x1D);
    TraceMember(w, "k", "blurX");
    w.Get("k").Get("g").Op(0x66).Trace();
    New(w, "base", "filters", "BitmapFilter", {});
    TraceCall(w, "base", "clone", {});
    // A gradient glow of two stops goes on a clip and comes back as itself.
    w.Push({PushString("c")});
    CallWith(w, "_root", "createEmptyMovieClip", {Val(PushString("c")), Val(PushInt(1))});
    w.Op(0x1D);
    w.Push({PushString("colors")})
        .Push({PushInt(0x0000FF), PushInt(0xFF0000), PushInt(2)})
        .Op(0x42)
        .Op(0x1D);
    w.Push({PushString("alphas")}).Push({PushInt(1), PushInt(0), PushInt(2)}).Op(0x42).Op(0x1D);
    w.Push({PushString("ratios")}).Push({PushInt(255), PushInt(0), PushInt(2)}).Op(0x42).Op(0x1D);
    w.Push({PushString("gg")});
    w.Push({PushString("outer")}).Push({PushInt(1), PushInt(3), PushInt(5), PushInt(5)});
    w.Get("ratios").Get("alphas").Get("colors").Push({PushInt(90), PushInt(2), PushInt(10)});
    w.Get("flash").Push({PushString("filters")}).Op(0x4E);
    w.Push({PushString("GradientGlowFilter")}).Op(0x53).Op(0x1D);
    w.Get("c").Push({PushString("filters")});
    w.Get("gg").Get("d").Push({PushInt(2)}).Op(0x42);
    w.Op(0x4F);
    w.Push({PushString("back")}).Get("c").Push({PushString("filters")}).Op(0x4E).Op(0x1D);
    TraceMember(w, "back", "length");
    w.Get("back").Push({PushInt(0)}).Op(0x4E).Push({PushString("distance")}).Op(0x4E).Trace();
    w.Get("back").Push({PushInt(1)}).Op(0x4E).Push({PushString("type")}).Op(0x4E).Trace();
    w.Get("back").Push({PushInt(1)}).Op(0x4E).Push({PushString("colors")}).Op(0x4E).Trace();
    EXPECT_EQ(RunScript(w), std::vector<std::string>({"16711935",    "0.498039215686275",
                                                      "255",         "0",
                                                      "2",           "15",
                                                      "false",       "5",
                                                      "10",          "0",
                                                      "false",       "inner",
                                                      "16777215",    "full",
                                                      "255",         "false",
                                                      "undefined",   "2",
                                                      "5",           "outer",
                                                      "16711680,255"}));
}

TEST(Avm1Geom, ClipBlendModeTakesNamesAndNumbers) {
    ActionWriter w;
    w.Push({PushString("c")});
    CallWith(w, "_root", "createEmptyMovieClip", {Val(PushString("c")), Val(PushInt(1))});
    w.Op(0x1D);
    const PushValue values[] = {PushString("multiply"), PushString("lAyEr"), PushBool(true),
                                PushInt(256 + 6),       PushInt(-1),         PushNull(),
                                PushDouble(10.5)};
    for (const PushValue& v : values) {
        w.Get("c").Push({PushString("blendMode"), v}).Op(0x4F);
        TraceMember(w, "c", "blendMode");
    }
    w.Get("c").Push({PushString("cacheAsBitmap"), PushInt(1)}).Op(0x4F);
    TraceMember(w, "c", "cacheAsBitmap");
    EXPECT_EQ(RunScript(w), std::vector<std::string>({"multiply", "multiply", "multiply", "darken",
                                                      "darken", "normal", "invert", "true"}));
}

TEST(Avm1Geom, ClassesWorkOnTheirFieldsAsFlashs) {
    const struct {
        const char* name;
        ActionWriter script;
        std::vector<std::string> want;
    } cases[] = {
        {"point arithmetic",
         [] {
             ActionWriter w;
             New(w, "p", "geom", "Point", {PushInt(3), PushInt(4)});
             New(w, "q", "geom", "Point", {PushInt(1)});
             TraceMember(w, "p", "length");
             TraceCall(w, "q", "toString", {});
             TraceCall(w, "p", "add", {PushUndefined()});
             TraceCall(w, "p", "subtract", {PushUndefined()});
             TraceCall(w, "p", "equals", {PushUndefined()});
             return w;
         }(),
         {"5", "(x=1, y=undefined)", "(x=NaN, y=NaN)", "(x=NaN, y=NaN)", "false"}},
        {"rectangle edges and set operations",
         [] {
             ActionWriter w;
             New(w, "r", "geom", "Rectangle", {PushInt(1), PushInt(2), PushInt(10), PushInt(5)});
             New(w, "s", "geom", "Rectangle", {PushInt(6), PushInt(0), PushInt(10), PushInt(4)});
             TraceMember(w, "r", "right");
             TraceMember(w, "r", "bottomRight");
             TraceCallWith(w, "r", "intersection", "s");
             TraceCallWith(w, "r", "union", "s");
             TraceCall(w, "r", "isEmpty", {});
             return w;
         }(),
         {"11", "(x=11, y=7)", "(x=6, y=2, w=5, h=2)", "(x=1, y=0, w=15, h=7)", "false"}},
        {"matrix",
         [] {
             ActionWriter w;
             New(w, "m", "geom", "Matrix", {});
             TraceCall(w, "m", "translate", {PushInt(5), PushInt(6)});
             TraceCall(w, "m", "scale", {PushInt(2), PushInt(3)});
             TraceCall(w, "m", "toString", {});
             TraceCall(w, "m", "invert", {});
             TraceCall(w, "m", "toString", {});
             return w;
         }(),
         {"undefined", "undefined", "(a=2, b=0, c=0, d=3, tx=10, ty=18)", "undefined",
          "(a=0.5, b=0, c=0, d=0.333333333333333, tx=-5, ty=-6)"}},
        {"colour transform",
         [] {
             ActionWriter w;
             New(w, "c", "geom", "ColorTransform", {PushDouble(0.5)});
             TraceCall(w, "c", "toString", {});
             w.Get("c").Push({PushString("rgb"), PushInt(0x123456)}).Op(0x4F);
             TraceMember(w, "c", "rgb");
             TraceMember(w, "c", "redMultiplier");
             return w;
         }(),
         {"(redMultiplier=0.5, greenMultiplier=1, blueMultiplier=1, alphaMultiplier=1, "
          "redOffset=0, greenOffset=0, blueOffset=0, alphaOffset=0)",
          "1193046", "0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunScript(c.script), c.want);
    }
}

TEST(Avm1BitmapData, BadArgumentsGetFlashsAnswers) {
    const struct {
        const char* name;
        ActionWriter script;
        std::vector<std::string> want;
    } cases[] = {
        {"constructor refusals",
         [] {
             ActionWriter w;
             New(w, "a", "display", "BitmapData", {PushInt(5)});
             New(w, "b", "display", "BitmapData", {PushInt(2881), PushInt(1)});
             New(w, "c", "display", "BitmapData", {PushInt(0), PushInt(1)});
             New(w, "d", "display", "BitmapData", {PushUndefined(), PushInt(1)});
             New(w, "e", "display", "BitmapData", {PushInt(3), PushInt(2), PushBool(false)});
             return w.Get("a").Trace().Get("b").Trace().Get("c").Trace().Get("d").Trace();
         }(),
         {"undefined", "undefined", "undefined", "undefined"}},
        {"pixels and short calls",
         [] {
             ActionWriter w;
             New(w, "b", "display", "BitmapData",
                 {PushInt(3), PushInt(2), PushBool(true), PushDouble(0xAABBCCDD)});
             TraceCall(w, "b", "getPixel32", {PushInt(0), PushInt(0)});
             TraceCall(w, "b", "getPixel", {PushInt(0), PushInt(0)});
             TraceCall(w, "b", "getPixel32", {PushInt(3), PushInt(0)});
             TraceCall(w, "b", "getPixel32", {PushInt(0)});
             TraceCall(w, "b", "setPixel32", {PushInt(1), PushInt(1)});
             TraceCall(w, "b", "fillRect", {PushNull(), PushInt(0)});
             TraceCall(w, "b", "copyPixels", {PushNull(), PushNull(), PushNull()});
             TraceMember(w, "b", "rectangle");
             return w;
         }(),
         {"-1430532900", "12307676", "0", "-1", "-1", "-1", "-2", "(x=0, y=0, w=3, h=2)"}},
        {"disposed",
         [] {
             ActionWriter w;
             New(w, "b", "display", "BitmapData", {PushInt(3), PushInt(2)});
             TraceCall(w, "b", "dispose", {});
             TraceMember(w, "b", "width");
             TraceCall(w, "b", "getPixel", {PushInt(0), PushInt(0)});
             TraceCall(w, "b", "dispose", {});
             TraceCall(w, "b", "clone", {});
             return w;
         }(),
         {"0", "-1", "-1", "-1", "-1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunScript(c.script), c.want);
    }
}

} // namespace
} // namespace ww::test
