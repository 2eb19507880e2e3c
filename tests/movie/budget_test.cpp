// The work one frame may take: hostile movies end their frame early and say
// so, heavy legitimate ones are drawn whole, and a window waiting to close
// ends a slow frame at once.
#include "tests/movie/movie_test_util.h"

#include <functional>

namespace ww::test {
namespace {

PlaceRecipe At(uint16_t depth, int id) {
    PlaceRecipe p;
    p.depth = depth;
    p.characterId = id;
    return p;
}

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

// Sprites each placing the next twice: 2^levels full-stage squares.
Bytes SpriteFanOut(int levels) {
    Bytes tags = RectangleShapeTag(1, 1, 0, 0, 550 * kPx, 400 * kPx, Solid(0, 0, 255));
    for (int i = 0; i < levels; ++i) {
        const uint16_t id = static_cast<uint16_t>(2 + i);
        tags = tags + DefineSpriteTag(id, 1,
                                      PlaceObject2Tag(At(1, id - 1)) +
                                          PlaceObject2Tag(At(2, id - 1)) + ShowFrameTag());
    }
    return MakeMovie(tags + PlaceObject2Tag(At(1, 1 + levels)) + ShowFrameTag());
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

} // namespace
} // namespace ww::test
