// The work and memory one frame may take: hostile movies end their frame
// early or leave objects out and say so, heavy legitimate ones are drawn
// whole, and a window waiting to close ends a slow frame at once.
#include "tests/movie/movie_test_util.h"
#include "tests/support/hostile_movies.h"

#include <functional>

namespace ww::test {
namespace {

struct Drawn {
    movie::Canvas canvas;
    bool cut = false, overBudget = false;
};

Drawn Draw(const Bytes& swf, int width, int height, std::function<bool()> interrupted = nullptr) {
    const movie::Movie m = ParseOrFail(swf);
    movie::Player player(m);
    movie::Renderer renderer(m);
    movie::RenderOptions options;
    options.width = width;
    options.height = height;
    options.interrupted = std::move(interrupted);
    Drawn d;
    std::string error;
    EXPECT_TRUE(renderer.Render(player, options, &d.canvas, &error)) << error;
    d.cut = renderer.frameCut();
    d.overBudget = renderer.everOverBudget();
    return d;
}

// A square glyph of height twips (the stage's by default), drawn count
// times by one text record after another, each advancing nothing.
Bytes GlyphFlood(size_t count, uint16_t height = 1024 * 11) {
    ShapeWriter glyph;
    glyph.Select(-1, 1, -1).Rectangle(0, -1024, 1024, 0);
    TextRunRecipe run;
    run.fontId = 1;
    run.color = Rgba8{255, 0, 0, 255};
    run.y = 400 * kPx;
    run.height = height;
    std::vector<TextRunRecipe> runs;
    for (size_t i = 0; i < count; i += 255) {
        run.glyphs.assign(std::min<size_t>(255, count - i), {0, 0});
        runs.push_back(run);
    }
    return MakeMovie(DefineFontTag(2, 1, {glyph}) + DefineTextTag(2, 2, Translate(0, 0), runs) +
                     PlaceObject2Tag(At(1, 2)) + ShowFrameTag());
}

TEST(FrameBudget, HostileFramesEndEarlyAndSaySo) {
    struct Case {
        const char* what;
        Bytes swf;
    };
    const Case cases[] = {
        {"glyph flood", GlyphFlood(200000)},
        {"sprite fan-out", SpriteFanOut(17)},
    };
    for (const Case& c : cases) {
        const Drawn d = Draw(c.swf, 550, 400);
        EXPECT_TRUE(d.cut) << c.what;
        EXPECT_TRUE(d.overBudget) << c.what;
    }
}

TEST(FrameBudget, HeavyLegitimateFramesAreDrawnWhole) {
    // A thousand overlapping shapes, a tenth of the stage each, and 5,000
    // glyphs of 20 pixels.
    Bytes tags;
    for (int i = 0; i < 1000; ++i) {
        const uint16_t id = static_cast<uint16_t>(1 + i);
        const int32_t x = (i * 37) % 400, y = (i * 53) % 300;
        tags = tags +
               RectangleShapeTag(3, id, x * kPx, y * kPx, (x + 170) * kPx, (y + 130) * kPx,
                                 Solid(static_cast<uint8_t>(i), 100, 200, 128)) +
               PlaceObject2Tag(At(id, id));
    }
    for (const Bytes& swf : {MakeMovie(tags + ShowFrameTag()), GlyphFlood(5000, 400)}) {
        for (const auto& size : {std::pair<int, int>{550, 400}, {1920, 1080}}) {
            const Drawn d = Draw(swf, size.first, size.second);
            EXPECT_FALSE(d.cut) << size.first;
        }
    }
}

TEST(FrameBudget, AnInterruptionEndsTheFrameWithoutCountingAsOverBudget) {
    int asked = 0;
    const Drawn d = Draw(SpriteFanOut(8), 550, 400, [&] { return ++asked >= 2; });
    EXPECT_TRUE(d.cut);
    EXPECT_FALSE(d.overBudget);
    EXPECT_EQ(asked, 2);
    const Drawn whole = Draw(SpriteFanOut(8), 550, 400, [] { return false; });
    EXPECT_FALSE(whole.cut);
    EXPECT_TRUE(PixelNear(whole.canvas, 275, 200, kBlue));
}

// A blue square above a red one under a full-stage mask, and a thick curved
// stroke, drawn with only so much of the movie's memory left after the
// canvas. What cannot be had is left out and counted; the rest is drawn.
Bytes MaskedAndStroked() {
    LineRecipe line;
    line.width = 40 * kPx;
    line.color = Rgba8{0, 255, 0, 255};
    ShapeWriter stroke({}, {line});
    stroke.Select(-1, -1, 1).MoveTo(20 * kPx, 380 * kPx);
    for (int i = 0; i < 20; ++i)
        stroke.CurveTo((20 + 20 * i) * kPx, 0, (40 + 20 * i) * kPx, 380 * kPx);
    PlaceRecipe mask = At(1, 1);
    mask.clipDepth = 2;
    return MakeMovie(
        RectangleShapeTag(1, 1, 0, 0, 550 * kPx, 400 * kPx, Solid(0, 0, 0)) +
        RectangleShapeTag(1, 2, 100 * kPx, 100 * kPx, 200 * kPx, 200 * kPx, Solid(255, 0, 0)) +
        RectangleShapeTag(1, 3, 300 * kPx, 100 * kPx, 400 * kPx, 200 * kPx, Solid(0, 0, 255)) +
        DefineShapeTag(1, 4, stroke) + PlaceObject2Tag(mask) + PlaceObject2Tag(At(2, 2)) +
        PlaceObject2Tag(At(3, 3)) + PlaceObject2Tag(At(4, 4)) + ShowFrameTag());
}

TEST(DrawingBudget, ObjectsPastTheMemoryLeftAreLeftOutAndCounted) {
    constexpr int kW = 2200, kH = 1600; // four canvas pixels a stage pixel
    constexpr uint64_t kCanvas = uint64_t(kW) * kH * 4, kMask = uint64_t(kW) * kH;
    const Rgba8 green{0, 255, 0, 255};
    struct Case {
        const char* what;
        uint64_t left;    // bytes beyond the canvas
        uint32_t skipped; // at least
        Rgba8 red, blue, stroke;
    };
    const Case cases[] = {
        {"room for everything", 64ull << 20, 0, kRed, kBlue, green},
        // Cells for the squares, but neither a mask plane nor the stroke.
        {"no room for the mask or the stroke", kMask / 2, 3, kWhite, kBlue, kWhite},
        {"room for the canvas alone", 0, 4, kWhite, kWhite, kWhite},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        movie::Movie m = ParseOrFail(MaskedAndStroked());
        m.memoryUsed = movie::kMovieMemoryCap - kCanvas - c.left;
        movie::Player player(m);
        movie::Renderer renderer(m);
        movie::RenderOptions options;
        options.width = kW;
        options.height = kH;
        movie::Canvas canvas;
        std::string error;
        ASSERT_TRUE(renderer.Render(player, options, &canvas, &error)) << error;
        EXPECT_GE(renderer.skippedObjects(), c.skipped);
        EXPECT_EQ(renderer.everOverMemory(), c.skipped > 0);
        EXPECT_LE(renderer.drawingBudget().held(), renderer.drawingBudget().limit());
        ExpectPixels(canvas, {{600, 600, c.red}, {1400, 600, c.blue}, {84, 1400, c.stroke}}, 8);
    }
    // Past the cap, not even the canvas can be had: the frame is refused.
    movie::Movie m = ParseOrFail(MaskedAndStroked());
    m.memoryUsed = movie::kMovieMemoryCap - kCanvas + 1;
    movie::Player player(m);
    movie::Renderer renderer(m);
    movie::RenderOptions options;
    options.width = kW;
    options.height = kH;
    movie::Canvas canvas;
    std::string error;
    EXPECT_FALSE(renderer.Render(player, options, &canvas, &error));
    EXPECT_NE(error.find("too much to draw a picture of 2200 x 1600 pixels"), std::string::npos)
        << error;
    EXPECT_TRUE(renderer.everOverMemory());
}

// Masks nested past the deepest drawn: each level drawn holds one plane of
// the canvas's size, charged as it is made, and the square inside them all
// still shows.
TEST(DrawingBudget, NestedMaskPlanesAreChargedOnePerLevel) {
    const movie::Movie m = ParseOrFail(NestedMaskStage(600, movie::kMaxMaskNesting + 1));
    movie::Player player(m);
    movie::Renderer renderer(m);
    movie::RenderOptions options;
    movie::Canvas canvas;
    std::string error;
    ASSERT_TRUE(renderer.Render(player, options, &canvas, &error)) << error;
    ExpectPixels(canvas, {{300, 300, kRed}, {100, 100, kWhite}});
    const uint64_t plane = 600 * 600;
    const uint64_t held = renderer.drawingBudget().held();
    EXPECT_GE(held, plane * 4 + plane * movie::kMaxMaskNesting);
    EXPECT_LT(held, plane * 4 + plane * (movie::kMaxMaskNesting + 1));
    EXPECT_EQ(renderer.skippedObjects(), 0u);
}

} // namespace
} // namespace ww::test
