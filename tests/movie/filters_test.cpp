// Filters and blend modes against their formulas on small canvases, and
// through whole movies: PlaceObject3's records read, drawn into layers and
// blended into the stage.
#include "movie/filters.h"
#include "movie/layer_cache.h"
#include "movie/render.h"
#include "tests/movie/movie_test_util.h"

#include <cmath>
#include <limits>
#include <random>

namespace ww::test {
namespace {

using movie::BlendMode;
using movie::Filter;
using movie::FilterKind;
using movie::Layer;

Layer Blank(int w, int h) {
    Layer l;
    l.width = w;
    l.height = h;
    l.pixels.assign(static_cast<size_t>(w) * h * 4, 0);
    return l;
}

void Put(Layer& l, int x, int y, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    uint8_t* p = l.pixels.data() + (static_cast<size_t>(y) * l.width + x) * 4;
    p[0] = r;
    p[1] = g;
    p[2] = b;
    p[3] = a;
}

const uint8_t* Get(const Layer& l, int x, int y) {
    return l.pixels.data() + (static_cast<size_t>(y) * l.width + x) * 4;
}

TEST(BlendModes, CombineTwoOpaqueColoursByTheirFormula) {
    struct Case {
        BlendMode mode;
        uint8_t src[3], dst[3], want[3];
    };
    const Case cases[] = {
        {BlendMode::Normal, {200, 100, 0}, {10, 20, 30}, {200, 100, 0}},
        {BlendMode::Multiply, {255, 128, 0}, {0, 255, 255}, {0, 128, 0}},
        {BlendMode::Multiply, {128, 128, 128}, {200, 100, 50}, {100, 50, 25}},
        {BlendMode::Screen, {128, 0, 255}, {128, 100, 0}, {192, 100, 255}},
        {BlendMode::Lighten, {200, 10, 90}, {100, 50, 90}, {200, 50, 90}},
        {BlendMode::Darken, {200, 10, 90}, {100, 50, 90}, {100, 10, 90}},
        {BlendMode::Difference, {200, 10, 90}, {100, 50, 90}, {100, 40, 0}},
        {BlendMode::Add, {200, 10, 90}, {100, 50, 90}, {255, 60, 180}},
        {BlendMode::Subtract, {200, 10, 90}, {100, 50, 90}, {0, 40, 0}},
        {BlendMode::Invert, {1, 2, 3}, {100, 50, 255}, {155, 205, 0}},
        {BlendMode::Overlay, {255, 0, 128}, {64, 200, 255}, {128, 145, 255}},
        {BlendMode::HardLight, {64, 200, 255}, {255, 0, 128}, {128, 145, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        const uint8_t src[4] = {c.src[0], c.src[1], c.src[2], 255};
        uint8_t dst[4] = {c.dst[0], c.dst[1], c.dst[2], 255};
        movie::BlendPixel(c.mode, src, dst);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(dst[k], c.want[k], 1) << "channel " << k;
        EXPECT_EQ(dst[3], 255);
    }
}

TEST(BlendModes, AlphaAndEraseWorkOnTheLayerBelow) {
    struct Case {
        BlendMode mode;
        uint8_t srcAlpha;
        uint8_t want[4]; // from an opaque (100, 200, 50) pixel
    };
    const Case cases[] = {
        {BlendMode::Alpha, 255, {100, 200, 50, 255}}, {BlendMode::Alpha, 0, {0, 0, 0, 0}},
        {BlendMode::Alpha, 128, {50, 100, 25, 128}},  {BlendMode::Erase, 255, {0, 0, 0, 0}},
        {BlendMode::Erase, 0, {100, 200, 50, 255}},
    };
    for (const Case& c : cases) {
        const uint8_t src[4] = {0, 0, 0, c.srcAlpha};
        uint8_t dst[4] = {100, 200, 50, 255};
        movie::BlendPixel(c.mode, src, dst);
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(dst[k], c.want[k], 1) << static_cast<int>(c.mode) << " " << k;
    }
}

TEST(BlendModes, WholeRowsMatchThePixelByPixelBlend) {
    // Rows take four pixels at a time over opaque ones; a row of mixed
    // opaque and clear destination pixels, of every length up to 9, must
    // come out as one pixel at a time does.
    std::mt19937 random(7);
    const BlendMode modes[] = {BlendMode::Normal,  BlendMode::Multiply,  BlendMode::Screen,
                               BlendMode::Overlay, BlendMode::HardLight, BlendMode::Difference,
                               BlendMode::Subtract};
    for (BlendMode mode : modes) {
        for (int n = 1; n <= 9; ++n) {
            Layer top = Blank(n, 1);
            std::vector<uint8_t> below(static_cast<size_t>(n) * 4);
            for (int x = 0; x < n; ++x) {
                const uint8_t a = x == 2 ? 0 : static_cast<uint8_t>(random() % 256);
                Put(top, x, 0, static_cast<uint8_t>(random() % (a + 1)),
                    static_cast<uint8_t>(random() % (a + 1)),
                    static_cast<uint8_t>(random() % (a + 1)), a);
                const uint8_t da = x == 5 ? 128 : 255;
                for (int k = 0; k < 3; ++k)
                    below[x * 4 + k] = static_cast<uint8_t>(random() % (da + 1));
                below[x * 4 + 3] = da;
            }
            std::vector<uint8_t> want = below;
            for (int x = 0; x < n; ++x)
                movie::BlendPixel(mode, Get(top, x, 0), want.data() + x * 4);
            movie::CompositeLayer(top, mode, below.data(), n, 1, nullptr, 0, 0, n, 1);
            for (size_t i = 0; i < want.size(); ++i)
                ASSERT_NEAR(below[i], want[i], 2)
                    << "mode " << static_cast<int>(mode) << " n " << n << " byte " << i;
        }
    }
}

TEST(Blur, SpreadsAStepEdgeAsRepeatedBoxesDo) {
    // A step from 0 to 255 at x = 10; a box of 3 once gives thirds, twice
    // the weights 1 2 3 2 1 over 9.
    struct Case {
        int passes;
        std::vector<std::pair<int, int>> want; // x, value
    };
    const Case cases[] = {
        {1, {{8, 0}, {9, 85}, {10, 170}, {11, 255}}},
        {2, {{7, 0}, {8, 28}, {9, 85}, {10, 170}, {11, 227}, {12, 255}}},
        {0, {{9, 0}, {10, 255}}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> row(30, 0);
        for (int x = 10; x < 30; ++x)
            row[x] = 255;
        // Far from the right end, where zeros beyond the plane pull it down.
        std::vector<uint8_t> plane = row;
        movie::BlurPlane(plane.data(), 30, 1, 1, 0, c.passes, nullptr);
        for (const auto& [x, v] : c.want)
            EXPECT_NEAR(plane[x], v, 1) << "passes " << c.passes << " x " << x;
    }
}

TEST(Filters, GrowTheLayerByExactlyTheirReach) {
    struct Case {
        const char* name;
        Filter f;
        movie::Reach want;
    };
    auto make = [](FilterKind kind, float blur, int passes, float distance, float angle,
                   bool inner) {
        Filter f;
        f.kind = kind;
        f.blurX = f.blurY = blur;
        f.passes = passes;
        f.distance = distance;
        f.angle = angle;
        f.inner = inner;
        return f;
    };
    const Case cases[] = {
        {"blur 5 once", make(FilterKind::Blur, 5, 1, 0, 0, false), {2, 2, 2, 2}},
        {"blur 4 twice", make(FilterKind::Blur, 4, 2, 0, 0, false), {4, 4, 4, 4}},
        {"blur 1", make(FilterKind::Blur, 1, 3, 0, 0, false), {0, 0, 0, 0}},
        {"shadow right", make(FilterKind::DropShadow, 3, 1, 5, 0, false), {1, 1, 6, 1}},
        {"shadow down left",
         make(FilterKind::DropShadow, 1, 1, 4, 2.35619449f, false),
         {3, 0, 0, 3}},
        {"inner shadow", make(FilterKind::DropShadow, 9, 3, 4, 0, true), {0, 0, 0, 0}},
        {"glow", make(FilterKind::Glow, 7, 2, 40, 0, false), {6, 6, 6, 6}},
        {"bevel both ways", make(FilterKind::Bevel, 1, 1, 2, 0, false), {2, 0, 2, 0}},
        {"hostile",
         make(FilterKind::Blur, 1e9f, 31, 0, 0, false),
         {movie::kMaxBlurRadius * movie::kMaxBlurPasses, movie::kMaxBlurRadius * 15,
          movie::kMaxBlurRadius * 15, movie::kMaxBlurRadius * 15}},
        {"nan", make(FilterKind::DropShadow, NAN, 1, NAN, NAN, false), {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const movie::Reach r = movie::FilterReach(c.f, 1.0);
        EXPECT_EQ(r.left, c.want.left) << c.name;
        EXPECT_EQ(r.top, c.want.top) << c.name;
        EXPECT_EQ(r.right, c.want.right) << c.name;
        EXPECT_EQ(r.bottom, c.want.bottom) << c.name;
    }
    // Twice the stage scale, twice the reach.
    EXPECT_EQ(movie::FilterReach(make(FilterKind::Blur, 5, 1, 0, 0, false), 2.0).left, 5);
}

TEST(Filters, DropShadowLiesAtItsOffsetInItsColour) {
    Layer l = Blank(12, 12);
    Put(l, 2, 2, 255, 0, 0, 255);
    struct Case {
        bool knockout, composite;
        uint8_t atObject[4], atShadow[4];
    };
    const Case cases[] = {
        {false, true, {255, 0, 0, 255}, {0, 0, 128, 128}},
        {true, true, {0, 0, 0, 0}, {0, 0, 128, 128}},
        {false, false, {0, 0, 0, 0}, {0, 0, 128, 128}},
    };
    for (const Case& c : cases) {
        Layer copy = l;
        Filter f;
        f.kind = FilterKind::DropShadow;
        f.color = movie::FilterColor{0, 0, 255, 128};
        f.distance = 5;
        f.angle = 1.57079633f; // straight down
        f.knockout = c.knockout;
        f.compositeSource = c.composite;
        movie::ApplyFilter(f, 1.0, &copy);
        for (int k = 0; k < 4; ++k) {
            EXPECT_NEAR(Get(copy, 2, 2)[k], c.atObject[k], 1) << k;
            EXPECT_NEAR(Get(copy, 2, 7)[k], c.atShadow[k], 1) << k;
            EXPECT_EQ(Get(copy, 3, 7)[k], 0);
        }
    }
}

// Light falls from the filter's angle: at 45 degrees the top left edge takes
// the highlight and the bottom right the shadow.
TEST(Filters, BevelLightsTheEdgeTowardsItsAngle) {
    Layer l = Blank(12, 12);
    for (int y = 3; y < 9; ++y)
        for (int x = 3; x < 9; ++x)
            Put(l, x, y, 128, 128, 128, 255);
    Filter f;
    f.kind = FilterKind::Bevel;
    f.highlight = movie::FilterColor{0, 255, 0, 255};
    f.color = movie::FilterColor{0, 0, 255, 255};
    f.blurX = f.blurY = 0;
    f.distance = 2;
    f.angle = 0.785398163f;
    f.inner = true;
    movie::ApplyFilter(f, 1.0, &l);
    const uint8_t* lit = Get(l, 3, 3);
    const uint8_t* dark = Get(l, 8, 8);
    EXPECT_GT(lit[1], lit[2]) << "top left is the highlight";
    EXPECT_GT(dark[2], dark[1]) << "bottom right is the shadow";
}

TEST(Filters, GlowSurroundsTheObjectAndInnerGlowStaysOnIt) {
    Layer l = Blank(9, 9);
    for (int y = 3; y < 6; ++y)
        for (int x = 3; x < 6; ++x)
            Put(l, x, y, 0, 0, 0, 255);
    Filter f;
    f.kind = FilterKind::Glow;
    f.color = movie::FilterColor{0, 255, 0, 255};
    f.blurX = f.blurY = 3;
    Layer outer = l;
    movie::ApplyFilter(f, 1.0, &outer);
    EXPECT_EQ(Get(outer, 4, 4)[1], 0);       // the object on top
    EXPECT_NEAR(Get(outer, 2, 4)[1], 85, 1); // a third of the box
    EXPECT_NEAR(Get(outer, 2, 2)[3], 28, 1); // a corner: one ninth
    EXPECT_EQ(Get(outer, 1, 4)[3], 0);
    f.inner = true;
    Layer inner = l;
    movie::ApplyFilter(f, 1.0, &inner);
    EXPECT_EQ(Get(inner, 2, 4)[3], 0);       // nothing outside
    EXPECT_NEAR(Get(inner, 3, 4)[1], 85, 1); // a third of the box is outside
    EXPECT_EQ(Get(inner, 4, 4)[1], 0);       // the middle sees no outside
}

TEST(Filters, ColourMatrixMapsStraightColours) {
    Layer l = Blank(2, 1);
    Put(l, 0, 0, 100, 50, 0, 200); // straight 127.5, 63.75, 0: premultiplied after
    Put(l, 1, 0, 255, 255, 255, 255);
    Filter f;
    f.kind = FilterKind::ColorMatrix;
    // Swap red and green, halve alpha, add 10 to blue.
    const float m[20] = {0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 10, 0, 0, 0, 0.5f, 0};
    std::copy(std::begin(m), std::end(m), f.matrix);
    movie::ApplyFilter(f, 1.0, &l);
    const uint8_t want0[4] = {25, 50, 4, 100};
    const uint8_t want1[4] = {128, 128, 128, 128};
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(Get(l, 0, 0)[k], want0[k], 1) << k;
        EXPECT_NEAR(Get(l, 1, 0)[k], want1[k], 1) << k;
    }
}

TEST(Filters, HostileParametersEndCleanly) {
    // A colour matrix of NaNs reads as zeros: everything transparent.
    Layer l = Blank(4, 4);
    Put(l, 1, 1, 255, 255, 255, 255);
    Filter nan;
    nan.kind = FilterKind::ColorMatrix;
    std::fill(std::begin(nan.matrix), std::end(nan.matrix),
              std::numeric_limits<float>::quiet_NaN());
    movie::ApplyFilter(nan, 1.0, &l);
    for (uint8_t v : l.pixels)
        EXPECT_EQ(v, 0);
    // The largest blur at the most passes on a layer: bounded work (capped
    // at 15 passes of 257 pixels), the middle of a filled layer no less
    // covered than its corner, and spread out.
    Layer big = Blank(300, 300);
    for (size_t i = 0; i < big.pixels.size(); ++i)
        big.pixels[i] = 255;
    Filter blur;
    blur.kind = FilterKind::Blur;
    blur.blurX = blur.blurY = 255;
    blur.passes = 31;
    movie::ApplyFilter(blur, 1.0, &big);
    EXPECT_GE(Get(big, 150, 150)[3], Get(big, 0, 0)[3]);
    EXPECT_LT(Get(big, 150, 150)[3], 255);
    // A convolution wider than any kept, and a layer whose pixels do not
    // match its size, change nothing.
    Filter conv;
    conv.kind = FilterKind::Convolution;
    conv.matrixX = conv.matrixY = 255;
    conv.kernel.assign(4, 1.0f);
    Layer small = Blank(3, 3);
    Put(small, 1, 1, 9, 9, 9, 9);
    const std::vector<uint8_t> before = small.pixels;
    movie::ApplyFilter(conv, 1.0, &small);
    EXPECT_EQ(small.pixels, before);
    small.width = 1000;
    movie::ApplyFilter(blur, 1.0, &small);
    EXPECT_EQ(small.pixels, before);
}

TEST(Filters, WorkGrowsWithPassesAndKernelAndIsCapped) {
    struct Case {
        const char* name;
        FilterKind kind;
        int passes, side;
        uint64_t want; // for 100 pixels
    };
    const Case cases[] = {
        {"blur, 4 channels", FilterKind::Blur, 3, 0, 100 * 3 * 2 * 4},
        {"blur, hostile passes", FilterKind::Blur, 255, 0, 100 * 15 * 2 * 4},
        {"shadow", FilterKind::DropShadow, 2, 0, 100 * (2 * 2 + 4)},
        {"convolution 3 x 3", FilterKind::Convolution, 1, 3, 100 * 4 * 9},
        {"convolution 255 x 255", FilterKind::Convolution, 1, 255, 100 * 4 * 15 * 15},
    };
    for (const Case& c : cases) {
        Filter f;
        f.kind = c.kind;
        f.passes = c.passes;
        f.matrixX = f.matrixY = c.side;
        EXPECT_EQ(movie::FilterWork(f, 100), c.want) << c.name;
    }
}

TEST(LayerCache, KeepsTheRecentWithinItsBudget) {
    auto layerOf = [](int side) { return Blank(side, side); }; // side * side * 4 bytes
    int a = 0, b = 0, c = 0;
    movie::LayerCache cache(3 * 400); // three 10 x 10 layers
    EXPECT_TRUE(cache.Store(&a, 1, 0, 0, layerOf(10)));
    EXPECT_TRUE(cache.Store(&b, 2, 0, 0, layerOf(10)));
    EXPECT_TRUE(cache.Store(&c, 3, 0, 0, layerOf(10)));
    EXPECT_EQ(cache.bytes(), 1200u);
    // Another signature is another picture: not found.
    EXPECT_EQ(cache.Find(&a, 9), nullptr);
    // Using a makes b the least recently used, dropped to make room.
    ASSERT_NE(cache.Find(&a, 1), nullptr);
    int d = 0;
    EXPECT_TRUE(cache.Store(&d, 4, 0, 0, layerOf(10)));
    EXPECT_EQ(cache.Find(&b, 2), nullptr);
    EXPECT_NE(cache.Find(&a, 1), nullptr);
    EXPECT_EQ(cache.bytes(), 1200u);
    // Larger than the whole budget: not kept, and nothing else dropped.
    EXPECT_FALSE(cache.Store(&b, 2, 0, 0, layerOf(20)));
    EXPECT_EQ(cache.size(), 3u);
    // Storing again for an object replaces its layer.
    EXPECT_TRUE(cache.Store(&a, 5, 0, 0, layerOf(5)));
    EXPECT_EQ(cache.bytes(), 900u);
    // Frames pass: what goes unused is dropped, what is used stays.
    for (uint64_t f = 0; f <= movie::kLayerCacheStaleFrames; ++f) {
        cache.NextFrame();
        ASSERT_NE(cache.Find(&a, 5), nullptr);
    }
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_EQ(cache.bytes(), 100u);
}

// Movies: a sprite or shape placed with PlaceObject3's records.

PlaceRecipe Place3(uint16_t depth, int id) {
    PlaceRecipe p;
    p.depth = depth;
    p.characterId = id;
    return p;
}

Bytes Rect(uint16_t id, int x0, int y0, int x1, int y1, uint8_t r, uint8_t g, uint8_t b) {
    return RectangleShapeTag(3, id, x0 * kPx, y0 * kPx, x1 * kPx, y1 * kPx, Solid(r, g, b));
}

TEST(FlashEight, BlendModesMixWithWhatLiesBelow) {
    struct Case {
        int mode;
        Rgba8 want;
    };
    // (255, 128, 0) over (0, 255, 255); white where only the top one is.
    const Case cases[] = {
        {3, Rgba8{0, 128, 0, 255}},    {4, Rgba8{255, 255, 255, 255}},
        {6, Rgba8{0, 128, 0, 255}},    {7, Rgba8{255, 127, 255, 255}},
        {9, Rgba8{0, 127, 255, 255}},  {2, Rgba8{255, 128, 0, 255}},
        {11, Rgba8{0, 255, 255, 255}}, // alpha without a layer below: nothing
        {12, Rgba8{0, 255, 255, 255}}, // erase likewise
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        PlaceRecipe top = Place3(2, 2);
        top.blendMode = c.mode;
        const Bytes swf =
            MakeMovie(Rect(1, 0, 0, 40, 40, 0, 255, 255) + Rect(2, 20, 20, 60, 60, 255, 128, 0) +
                      PlaceObject3Tag(Place3(1, 1)) + PlaceObject3Tag(top) + ShowFrameTag());
        const movie::Canvas canvas = RenderFrame(swf);
        ExpectPixels(canvas, {{30, 30, c.want}, {10, 10, Rgba8{0, 255, 255, 255}}}, 2);
    }
}

TEST(FlashEight, ObjectsPlacedHiddenAreNotDrawnUntilShown) {
    // PlaceObject3's visible byte: a red square placed hidden in frame 1
    // (with a filter, so its layer would be drawn) is shown in frame 2.
    struct Case {
        int visible; // frame 1's byte; -1 leaves it out
        int frame;
        Rgba8 want;
    };
    const Case cases[] = {{0, 1, kWhite}, {1, 1, kRed}, {-1, 1, kRed}, {0, 2, kRed}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.visible * 10 + c.frame);
        PlaceRecipe first = Place3(1, 1);
        first.visible = c.visible;
        first.filters = {BlurFilter(2, 2, 1)};
        PlaceRecipe shown = Place3(1, -1);
        shown.move = true;
        shown.visible = 1;
        const Bytes swf = MakeMovie(Rect(1, 20, 20, 60, 60, 255, 0, 0) + PlaceObject3Tag(first) +
                                        ShowFrameTag() + PlaceObject3Tag(shown) + ShowFrameTag(),
                                    2);
        ExpectPixels(RenderFrame(swf, c.frame), {{40, 40, c.want}});
    }
}

TEST(FlashEight, AnOpaqueBackgroundFillsTheObjectsBoxBehindIt) {
    // A sprite of two squares at opposite corners of a 40 px box, placed
    // with an opaque green background (its alpha ignored): green between
    // them, the squares over it, white outside; hidden, nothing.
    struct Case {
        int visible;
        Rgba8 between;
    };
    for (const Case& c : {Case{1, Rgba8{0, 255, 0, 255}}, Case{0, kWhite}}) {
        SCOPED_TRACE(c.visible);
        const Bytes sprite =
            PlaceObject3Tag(Place3(1, 1)) + PlaceObject3Tag(Place3(2, 2)) + ShowFrameTag();
        PlaceRecipe p = Place3(1, 3);
        p.hasMatrix = true;
        p.matrix = Translate(20 * kPx, 20 * kPx);
        p.background = 0x00FF0010;
        p.visible = c.visible;
        const Bytes swf =
            MakeMovie(Rect(1, 0, 0, 10, 10, 255, 0, 0) + Rect(2, 30, 30, 40, 40, 0, 0, 255) +
                      DefineSpriteTag(3, 1, sprite) + PlaceObject3Tag(p) + ShowFrameTag());
        const Rgba8 red = c.visible ? kRed : kWhite, blue = c.visible ? kBlue : kWhite;
        ExpectPixels(RenderFrame(swf), {{40, 40, c.between},
                                        {25, 25, red},
                                        {55, 55, blue},
                                        {45, 25, c.between},
                                        {62, 40, kWhite},
                                        {18, 40, kWhite}});
    }
}

TEST(FlashEight, EraseLeavesAHoleInItsParentsLayer) {
    // A sprite with blend mode layer holds a blue square and an erasing one
    // over its middle: the stage's white shows through the hole.
    PlaceRecipe eraser = Place3(2, 2);
    eraser.blendMode = 12;
    const Bytes sprite = PlaceObject3Tag(Place3(1, 1)) + PlaceObject3Tag(eraser) + ShowFrameTag();
    PlaceRecipe group = Place3(1, 3);
    group.blendMode = 2;
    const Bytes swf =
        MakeMovie(Rect(1, 0, 0, 60, 60, 0, 0, 255) + Rect(2, 20, 20, 40, 40, 0, 0, 0) +
                  DefineSpriteTag(3, 1, sprite) + PlaceObject3Tag(group) + ShowFrameTag());
    ExpectPixels(RenderFrame(swf), {{30, 30, kWhite}, {10, 10, kBlue}, {50, 30, kBlue}});
}

TEST(FlashEight, DropShadowAndBlurDrawFromTheMovie) {
    ShadowRecipe shadow;
    shadow.color = Rgba8{0, 0, 0, 255};
    shadow.distance = 10;
    shadow.angle = 0; // to the right
    shadow.strength = 1;
    PlaceRecipe p = Place3(1, 1);
    p.filters = {DropShadowFilter(shadow)};
    p.cacheAsBitmap = 1;
    const Bytes swf =
        MakeMovie(Rect(1, 20, 20, 40, 40, 255, 0, 0) + PlaceObject3Tag(p) + ShowFrameTag());
    const movie::Movie m = ParseOrFail(swf);
    EXPECT_EQ(movie::UnsupportedTagList(m), "none");
    ExpectPixels(
        RenderFrame(swf),
        {{30, 30, kRed}, {45, 30, Rgba8{0, 0, 0, 255}}, {51, 30, kWhite}, {25, 45, kWhite}});
    // A blur of 3 once: the edge pixel takes two thirds of the red.
    PlaceRecipe b = Place3(1, 1);
    b.filters = {BlurFilter(3, 3, 1)};
    const Bytes blurred =
        MakeMovie(Rect(1, 20, 20, 40, 40, 255, 0, 0) + PlaceObject3Tag(b) + ShowFrameTag());
    ExpectPixels(
        RenderFrame(blurred),
        {{30, 30, kRed}, {20, 30, Rgba8{255, 85, 85, 255}}, {19, 30, Rgba8{255, 170, 170, 255}}},
        2);
}

TEST(FlashEight, CachedObjectsAreRedrawnOnlyWhenMoreThanTheirPlaceChanges) {
    // A shadowed sprite kept as a bitmap, changed from frame to frame as the
    // case says: each frame must equal a fresh renderer's picture, and the
    // layer is drawn anew only as often as the case expects.
    struct Case {
        const char* name;
        bool cache;         // cacheAsBitmap; the filter alone implies it too
        int dxTwips;        // moved each frame
        double scaleStep;   // added to the scale each frame
        int16_t redAddStep; // added to the colour transform's red each frame
        uint64_t wantDrawn; // of 4 frames
    };
    const Case cases[] = {
        {"moves by whole pixels", true, 3 * kPx, 0, 0, 1},
        {"filter alone, moves", false, 2 * kPx, 0, 0, 1},
        {"stands still, recoloured", true, 0, 0, 40, 1},
        {"moves by half a pixel", true, kPx / 2, 0, 0, 4},
        {"grows", true, 0, 0.25, 0, 4},
    };
    ShadowRecipe shadow;
    shadow.color = Rgba8{0, 0, 80, 200};
    shadow.blurX = shadow.blurY = 5;
    shadow.distance = 4;
    shadow.angle = 0.7;
    shadow.passes = 2;
    const Bytes sprite =
        PlaceObject3Tag(Place3(1, 1)) + PlaceObject3Tag(Place3(2, 2)) + ShowFrameTag();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes tags = Rect(1, 0, 0, 30, 20, 255, 0, 0) + Rect(2, 10, 10, 40, 40, 0, 160, 0) +
                     DefineSpriteTag(3, 1, sprite);
        const int frames = 4;
        for (int f = 0; f < frames; ++f) {
            PlaceRecipe p = Place3(1, f == 0 ? 3 : -1);
            p.move = f > 0;
            p.hasMatrix = true;
            p.matrix = Translate(40 * kPx + c.dxTwips * f, 50 * kPx);
            p.matrix.a = p.matrix.d = 1 + c.scaleStep * f;
            p.hasCxform = true;
            p.cxform.add[0] = static_cast<int16_t>(c.redAddStep * f);
            if (f == 0) {
                p.filters = {DropShadowFilter(shadow)};
                if (c.cache)
                    p.cacheAsBitmap = 1;
            }
            tags = tags + PlaceObject3Tag(p) + ShowFrameTag();
        }
        const Bytes swf = MakeMovie(tags, frames);
        const movie::Movie m = ParseOrFail(swf);
        movie::Player player(m);
        movie::Renderer renderer(m);
        movie::RenderOptions options;
        options.width = 550; // the stage's size: a twip moved is a twip drawn
        options.height = 400;
        std::string error;
        for (int f = 0; f < frames; ++f) {
            movie::Canvas canvas;
            ASSERT_TRUE(renderer.Render(player, options, &canvas, &error)) << error;
            const movie::Canvas fresh = RenderFrame(swf, f + 1);
            ASSERT_EQ(canvas.pixels, fresh.pixels) << "frame " << f;
            player.Advance();
        }
        EXPECT_EQ(renderer.layerCacheCounts().drawn, c.wantDrawn);
        EXPECT_EQ(renderer.layerCacheCounts().reused, frames - c.wantDrawn);
    }
}

TEST(FlashEight, HostileFiltersOnAWholeStageEndTheFrameCleanly) {
    // Each filter at its largest over a shape as large as the canvas, with
    // the canvas blown up: the frame ends, drawn or cut, and the renderer
    // draws the next frame as before.
    ShadowRecipe huge;
    huge.color = Rgba8{255, 0, 0, 255};
    huge.blurX = huge.blurY = 255;
    huge.passes = 15;
    huge.strength = 255;
    float nan[20];
    std::fill(std::begin(nan), std::end(nan), std::numeric_limits<float>::quiet_NaN());
    struct Case {
        const char* name;
        Bytes filter;
        int width, height;
    };
    const Case cases[] = {
        {"blur 255 x 255, 15 passes", BlurFilter(255, 255, 15), 4096, 2978},
        {"blur 255 x 255, 3 passes", BlurFilter(255, 255, 3), 550, 400},
        {"glow 255, 15 passes", GlowFilter(huge), 1100, 800},
        {"colour matrix of NaNs", ColorMatrixFilter(nan), 1100, 800},
        {"convolution 255 x 255",
         ConvolutionFilter(255, 255, 1, 0, std::vector<float>(255 * 255, 1.0f), true, false), 1100,
         800},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlaceRecipe p = Place3(1, 1);
        p.filters = {c.filter, c.filter};
        const Bytes swf =
            MakeMovie(Rect(1, 0, 0, 550, 400, 0, 0, 255) + PlaceObject3Tag(p) + ShowFrameTag());
        const movie::Movie m = ParseOrFail(swf);
        movie::Player player(m);
        movie::Renderer renderer(m);
        movie::RenderOptions options;
        options.width = c.width;
        options.height = c.height;
        movie::Canvas canvas;
        std::string error;
        for (int frame = 0; frame < 2; ++frame) {
            ASSERT_TRUE(renderer.Render(player, options, &canvas, &error)) << error;
            ASSERT_EQ(canvas.pixels.size(), size_t(c.width) * c.height * 4);
        }
    }
}

TEST(FlashEight, FilterListsCutShortOrUnknownAreRefusedOrEndTheList) {
    struct Case {
        const char* name;
        Bytes filter;
        size_t kept;
    };
    const float identity[20] = {1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};
    const Case cases[] = {
        {"colour matrix", ColorMatrixFilter(identity), 1},
        {"unknown id", Bytes{9, 1, 2, 3}, 0},
        {"huge convolution",
         ConvolutionFilter(255, 255, 1, 0, std::vector<float>(255 * 255, 1.0f), true, false), 1},
    };
    for (const Case& c : cases) {
        PlaceRecipe p = Place3(1, 1);
        p.filters = {c.filter};
        const movie::Movie m = ParseOrFail(
            MakeMovie(Rect(1, 0, 0, 10, 10, 0, 0, 0) + PlaceObject3Tag(p) + ShowFrameTag()));
        ASSERT_FALSE(m.root.frames.empty()) << c.name;
        ASSERT_EQ(m.root.frames[0].commands.size(), 1u) << c.name;
        const movie::PlaceCommand& place = m.root.frames[0].commands[0].place;
        EXPECT_TRUE(place.hasFilters) << c.name;
        EXPECT_EQ(place.filters.size(), c.kept) << c.name;
        if (c.kept == 1 && place.filters[0].kind == FilterKind::Convolution) {
            EXPECT_EQ(place.filters[0].matrixX, 0) << "left out, not run";
        }
    }
}

TEST(Strokes, NonScalingStrokesKeepTheirWidthWhateverTheScale) {
    // A vertical line 4 px wide at x = 20 px of a shape scaled 5 times
    // across: a scaling stroke takes the root of the area's scale (sqrt 5),
    // one that refuses both scales stays 4 px, and one that refuses one
    // takes the scale of the other axis (1 down, 5 across).
    struct Case {
        bool noH, noV;
        int halfWidth; // whole black pixels either side of x = 20
    };
    const Case cases[] = {{false, false, 4}, {true, true, 2}, {true, false, 2}, {false, true, 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.noH * 2 + c.noV);
        LineRecipe line;
        line.width = 4 * kPx;
        line.color = Rgba8{0, 0, 0, 255};
        line.noHScale = c.noH;
        line.noVScale = c.noV;
        ShapeWriter shape({}, {line});
        shape.Select(-1, -1, 1).MoveTo(4 * kPx, 20 * kPx).LineTo(4 * kPx, 60 * kPx);
        PlaceRecipe p = Place3(1, 1);
        p.hasMatrix = true;
        p.matrix.a = 5;
        const movie::Canvas canvas = RenderFrame(
            MakeMovie(DefineShapeTag(4, 1, shape) + PlaceObject3Tag(p) + ShowFrameTag()));
        const Rgba8 black{0, 0, 0, 255};
        ExpectPixels(canvas, {{20 - c.halfWidth, 40, black},
                              {20 + c.halfWidth - 1, 40, black},
                              {20 - c.halfWidth - 2, 40, kWhite},
                              {20 + c.halfWidth + 1, 40, kWhite}});
    }
}

TEST(NineSlice, CornersKeepTheirSizeAndTheCentreStretches) {
    // A 40 px square sprite, red in its left 10 px and blue after, its grid
    // 10..30 px both ways, scaled three times across: with the grid the red
    // stays 10 px wide; without it, 30 px.
    struct Case {
        bool grid;
        int redUpTo; // first blue column
    };
    for (const Case& c : {Case{true, 10}, Case{false, 30}}) {
        SCOPED_TRACE(c.grid);
        const Bytes sprite =
            PlaceObject3Tag(Place3(1, 1)) + PlaceObject3Tag(Place3(2, 2)) + ShowFrameTag();
        PlaceRecipe p = Place3(1, 3);
        p.hasMatrix = true;
        p.matrix.a = 3;
        p.matrix.ty = 20 * kPx;
        const Bytes swf = MakeMovie(
            Rect(1, 0, 0, 10, 40, 255, 0, 0) + Rect(2, 10, 0, 40, 40, 0, 0, 255) +
            DefineSpriteTag(3, 1, sprite) +
            (c.grid ? DefineScalingGridTag(3, 10 * kPx, 10 * kPx, 30 * kPx, 30 * kPx) : Bytes{}) +
            PlaceObject3Tag(p) + ShowFrameTag());
        ExpectPixels(RenderFrame(swf), {{c.redUpTo - 1, 40, kRed},
                                        {c.redUpTo, 40, kBlue},
                                        {119, 40, kBlue},
                                        {121, 40, kWhite}});
    }
}

} // namespace
} // namespace ww::test
