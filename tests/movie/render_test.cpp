// Pictures checked against geometry: covered pixels of rectangles, a
// gradient's value at a point, stroke outlines, mask edges, morph positions.
#include "tests/movie/movie_test_util.h"

#include <algorithm>
#include <cmath>

namespace ww::test {
namespace {

using movie::ScaleMode;

// A shape of one rectangle, placed at depth 1, in a one-frame movie.
Bytes OneShape(int version, const ShapeWriter& shape, bool nonZero = false) {
    return MakeMovie(DefineShapeTag(version, 1, shape, nonZero) + PlaceObject2Tag(At(1, 1)) +
                     ShowFrameTag());
}

uint8_t Mix(uint8_t a, uint8_t b, double t) {
    return static_cast<uint8_t>(std::lround(a + (b - a) * t));
}

Rgba8 Over(Rgba8 c, double coverage, Rgba8 under = kWhite) {
    return Rgba8{Mix(under.r, c.r, coverage), Mix(under.g, c.g, coverage),
                 Mix(under.b, c.b, coverage), 255};
}

TEST(Rasterizer, CoversARectangleExactlyInEveryShapeVersion) {
    // x from 10.5 to 30 px, y from 20 to 40.25 px.
    for (int version = 1; version <= 4; ++version) {
        SCOPED_TRACE(version);
        ShapeWriter shape({Solid(255, 0, 0)});
        shape.Select(-1, 1, -1).Rectangle(210, 400, 600, 805);
        const movie::Canvas c = RenderFrame(OneShape(version, shape));
        ExpectPixels(c, {
                            {10, 25, Over(kRed, 0.5)},
                            {11, 25, kRed},
                            {29, 39, kRed},
                            {20, 40, Over(kRed, 0.25)},
                            {10, 40, Over(kRed, 0.125)},
                            {9, 25, kWhite},
                            {30, 25, kWhite},
                            {20, 19, kWhite},
                            {20, 41, kWhite},
                        });
    }
}

TEST(Rasterizer, FillsOverlapsByTheShapesWindingRule) {
    // Two overlapping squares drawn the same way round with the same fill:
    // a hole where they overlap under even-odd, filled under non-zero.
    ShapeWriter shape({Solid(0, 0, 255)});
    shape.Select(-1, 1, -1)
        .Rectangle(0, 0, 40 * kPx, 40 * kPx)
        .Rectangle(20 * kPx, 20 * kPx, 60 * kPx, 60 * kPx);
    struct Case {
        int version;
        bool nonZero;
        Rgba8 overlap;
    } cases[] = {{3, false, kWhite}, {4, false, kWhite}, {4, true, kBlue}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.version * 10 + k.nonZero);
        const movie::Canvas c = RenderFrame(OneShape(k.version, shape, k.nonZero));
        ExpectPixels(c, {{10, 10, kBlue}, {30, 30, k.overlap}, {50, 50, kBlue}});
    }
}

TEST(Rasterizer, GivesEachEdgeSideItsOwnFill) {
    // One square split down the middle by an edge with red on its left and
    // blue on its right: no seam, no overlap.
    ShapeWriter shape({Solid(255, 0, 0), Solid(0, 0, 255)});
    shape.Select(0, 1, -1)
        .MoveTo(20 * kPx, 20 * kPx)
        .LineTo(0, 20 * kPx)
        .LineTo(0, 0)
        .LineTo(20 * kPx, 0)
        .Select(0, 2, -1)
        .LineTo(40 * kPx, 0)
        .LineTo(40 * kPx, 20 * kPx)
        .LineTo(20 * kPx, 20 * kPx)
        .Select(1, 2, -1)
        .LineTo(20 * kPx, 0);
    const movie::Canvas c = RenderFrame(OneShape(2, shape));
    ExpectPixels(c, {{19, 10, kRed}, {20, 10, kBlue}, {10, 10, kRed}, {30, 10, kBlue}});
}

FillRecipe BlackToWhite(uint8_t type, const MatrixRecipe& m, uint8_t spread = 0,
                        uint8_t interp = 0) {
    FillRecipe f;
    f.type = type;
    f.matrix = m;
    f.spread = spread;
    f.interpolation = interp;
    f.stops = {{0, Rgba8{0, 0, 0, 255}}, {255, Rgba8{255, 255, 255, 255}}};
    return f;
}

// The gradient square (32768 twips wide) onto width pixels from x0.
MatrixRecipe GradientAcross(double x0, double width) {
    MatrixRecipe m;
    m.a = m.d = width * kPx / 32768.0;
    m.tx = static_cast<int32_t>((x0 + width / 2) * kPx);
    m.ty = 200 * kPx;
    return m;
}

uint8_t Gray(double t) {
    return static_cast<uint8_t>(std::lround(255 * t));
}

TEST(Gradients, HaveTheValueTheirGeometryGivesAtEachPoint) {
    const MatrixRecipe half = GradientAcross(0, 275);
    const MatrixRecipe whole = GradientAcross(0, 550);
    MatrixRecipe circle; // radius 100 px around (275, 200)
    circle.a = circle.d = 100.0 * kPx / 16384.0;
    circle.tx = 275 * kPx;
    circle.ty = 200 * kPx;
    auto g = [](uint8_t v) { return Rgba8{v, v, v, 255}; };
    // A point x px right of a pixel centre's start is at t = (x + 0.5) / width.
    struct Case {
        const char* name;
        FillRecipe fill;
        int x, y;
        Rgba8 want;
    } cases[] = {
        {"linear start", BlackToWhite(0x10, whole), 0, 200, g(Gray(0.5 / 550))},
        {"linear quarter", BlackToWhite(0x10, whole), 137, 200, g(Gray(137.5 / 550))},
        {"linear end", BlackToWhite(0x10, whole), 549, 10, g(Gray(549.5 / 550))},
        {"pad past the end", BlackToWhite(0x10, half, 0), 400, 200, g(255)},
        {"reflect past the end", BlackToWhite(0x10, half, 1), 343, 200, g(Gray(1 - 68.5 / 275))},
        {"repeat past the end", BlackToWhite(0x10, half, 2), 343, 200, g(Gray(68.5 / 275))},
        {"linear RGB halfway", BlackToWhite(0x10, whole, 0, 1), 274, 200, g(188)},
        {"radial centre", BlackToWhite(0x12, circle), 275, 200, g(Gray(0.707 / 100))},
        {"radial halfway", BlackToWhite(0x12, circle), 325, 200, g(Gray(50.5 / 100))},
        {"radial outside", BlackToWhite(0x12, circle), 275, 350, g(255)},
        {"radial repeat", BlackToWhite(0x12, circle, 2), 275 + 150, 200, g(Gray(0.505))},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ShapeWriter shape({k.fill});
        shape.Select(-1, 1, -1).Rectangle(0, 0, 550 * kPx, 400 * kPx);
        EXPECT_TRUE(PixelNear(RenderFrame(OneShape(3, shape)), k.x, k.y, k.want, 3));
    }
}

TEST(Gradients, FocalGradientsStartAtTheFocalPoint) {
    MatrixRecipe circle;
    circle.a = circle.d = 100.0 * kPx / 16384.0;
    circle.tx = 275 * kPx;
    circle.ty = 200 * kPx;
    FillRecipe f = BlackToWhite(0x13, circle);
    f.focal = 0.5; // 50 px right of the centre
    ShapeWriter shape({f});
    shape.Select(-1, 1, -1).Rectangle(0, 0, 550 * kPx, 400 * kPx);
    const movie::Canvas c = RenderFrame(OneShape(4, shape));
    auto g = [](uint8_t v) { return Rgba8{v, v, v, 255}; };
    // Right of the focal point the circle's edge is 50 px away, left 150 px.
    ExpectPixels(c,
                 {{325, 200, g(3)},
                  {349, 200, g(Gray(24.5 / 50))},
                  {250, 200, g(Gray(74.5 / 150))},
                  {375, 200, g(255)}},
                 4);
}

TEST(Gradients, TakeTransparencyAndTheColourTransform) {
    FillRecipe f;
    f.type = 0x10;
    f.matrix = GradientAcross(0, 550);
    f.stops = {{0, Rgba8{255, 0, 0, 0}}, {255, Rgba8{255, 0, 0, 255}}};
    ShapeWriter shape({f});
    shape.Select(-1, 1, -1).Rectangle(0, 0, 550 * kPx, 400 * kPx);
    const movie::Canvas c = RenderFrame(OneShape(3, shape));
    EXPECT_TRUE(PixelNear(c, 274, 100, Over(kRed, 274.5 / 550), 3));
}

Bytes StrokeMovie(const LineRecipe& line, const std::vector<std::pair<int, int>>& points) {
    ShapeWriter shape({}, {line});
    shape.Select(-1, -1, 1).MoveTo(points[0].first * kPx, points[0].second * kPx);
    for (size_t i = 1; i < points.size(); ++i)
        shape.LineTo(points[i].first * kPx, points[i].second * kPx);
    return OneShape(4, shape);
}

TEST(Strokes, FollowTheirWidthCapsAndJoins) {
    auto line = [](uint8_t startCap, uint8_t join) {
        LineRecipe l;
        l.width = 10 * kPx;
        l.color = Rgba8{0, 0, 255, 255};
        l.startCap = l.endCap = startCap;
        l.join = join;
        l.miterLimit = 3;
        return l;
    };
    const std::vector<std::pair<int, int>> straight = {{100, 100}, {200, 100}};
    struct Case {
        const char* name;
        LineRecipe style;
        std::vector<PixelCase> pixels;
    } cases[] = {
        {"width",
         line(1, 0),
         {{150, 95, kBlue}, {150, 104, kBlue}, {150, 94, kWhite}, {150, 105, kWhite}}},
        {"no cap", line(1, 0), {{100, 100, kBlue}, {98, 100, kWhite}, {201, 100, kWhite}}},
        {"square cap", line(2, 0), {{96, 100, kBlue}, {95, 95, kBlue}, {94, 100, kWhite}}},
        {"round cap", line(0, 0), {{96, 100, kBlue}, {95, 95, kWhite}, {94, 100, kWhite}}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ExpectPixels(RenderFrame(StrokeMovie(k.style, straight)), k.pixels, 3);
    }
    // A right-angle corner 20 px wide: the miter fills its outer square, the
    // bevel cuts it along the diagonal, the round join stays within 10 px.
    const std::vector<std::pair<int, int>> corner = {{100, 100}, {200, 100}, {200, 200}};
    LineRecipe wide = line(1, 0);
    wide.width = 20 * kPx;
    struct Join {
        const char* name;
        uint8_t join;
        Rgba8 far, near;
    } joins[] = {
        {"miter", 2, kBlue, kBlue}, {"bevel", 1, kWhite, kWhite}, {"round", 0, kWhite, kBlue}};
    for (const Join& j : joins) {
        SCOPED_TRACE(j.name);
        wide.join = j.join;
        const movie::Canvas c = RenderFrame(StrokeMovie(wide, corner));
        ExpectPixels(c, {{208, 91, j.far}, {205, 94, j.near}, {150, 95, kBlue}, {205, 150, kBlue}},
                     3);
    }
}

TEST(Strokes, HairlinesStayOnePixelWide) {
    LineRecipe hair;
    hair.width = 0;
    hair.color = Rgba8{0, 0, 0, 255};
    ShapeWriter shape({}, {hair});
    shape.Select(-1, -1, 1).MoveTo(100 * kPx + 10, 50 * kPx).LineTo(100 * kPx + 10, 150 * kPx);
    const movie::Canvas c = RenderFrame(OneShape(2, shape));
    ExpectPixels(c, {{100, 100, Rgba8{0, 0, 0, 255}}, {99, 100, kWhite}, {101, 100, kWhite}});
}

TEST(Strokes, LineStyle2FillsTheStrokeWithItsFill) {
    LineRecipe l;
    l.width = 40 * kPx;
    l.startCap = l.endCap = 1;
    l.hasFill = true;
    l.fill = BlackToWhite(0x10, GradientAcross(0, 550));
    ShapeWriter shape({}, {l});
    shape.Select(-1, -1, 1).MoveTo(0, 200 * kPx).LineTo(550 * kPx, 200 * kPx);
    const movie::Canvas c = RenderFrame(OneShape(4, shape));
    EXPECT_TRUE(PixelNear(c, 137, 200,
                          Rgba8{Gray(137.5 / 550), Gray(137.5 / 550), Gray(137.5 / 550), 255}, 3));
    EXPECT_TRUE(PixelNear(c, 137, 150, kWhite));
}

TEST(Stage, ScalesAsThePageScaleSettingDoes) {
    // A red stage-filling rectangle and a blue 10 px square at (10, 10).
    const Bytes swf = MakeMovie(
        SetBackgroundColorTag(0, 255, 0) +
        RectangleShapeTag(1, 1, 0, 0, 550 * kPx, 400 * kPx, Solid(255, 0, 0)) +
        RectangleShapeTag(1, 2, 10 * kPx, 10 * kPx, 20 * kPx, 20 * kPx, Solid(0, 0, 255)) +
        PlaceObject2Tag(At(1, 1)) + PlaceObject2Tag(At(2, 2)) + ShowFrameTag());
    const Rgba8 green{0, 255, 0, 255};
    struct Case {
        ScaleMode mode;
        std::vector<PixelCase> pixels;
    } cases[] = {
        // 1100 x 400: show all keeps scale 1 and borders 275 px each side.
        {ScaleMode::ShowAll,
         {{100, 200, green}, {300, 200, kRed}, {290, 15, kBlue}, {1000, 5, green}}},
        // No border doubles, the stage's top 200 px cut off.
        {ScaleMode::NoBorder, {{0, 0, kRed}, {1099, 399, kRed}, {30, 0, kRed}}},
        // Exact fit doubles across only.
        {ScaleMode::ExactFit, {{0, 0, kRed}, {25, 15, kBlue}, {41, 15, kRed}, {25, 21, kRed}}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(static_cast<int>(k.mode));
        ExpectPixels(RenderFrame(swf, 1, 1100, 400, k.mode), k.pixels);
    }
}

TEST(Placement, AppliesMatricesAndColourTransforms) {
    PlaceRecipe scaled = At(1, 1);
    scaled.hasMatrix = true;
    scaled.matrix.a = 2;
    scaled.matrix.d = 3;
    scaled.matrix.tx = 100 * kPx;
    scaled.matrix.ty = 100 * kPx;
    PlaceRecipe rotated = At(2, 1);
    rotated.hasMatrix = true;
    rotated.matrix.a = rotated.matrix.d = 0;
    rotated.matrix.b = 1; // x' = -y, y' = x
    rotated.matrix.c = -1;
    rotated.matrix.tx = 400 * kPx;
    rotated.matrix.ty = 100 * kPx;
    PlaceRecipe tinted = At(3, 1);
    tinted.hasMatrix = true;
    tinted.matrix = Translate(100 * kPx, 300 * kPx);
    tinted.hasCxform = true;
    tinted.cxform.mult[0] = 128;
    tinted.cxform.add[1] = 100;
    PlaceRecipe faded = At(4, 1);
    faded.hasMatrix = true;
    faded.matrix = Translate(300 * kPx, 300 * kPx);
    faded.hasCxform = true;
    faded.cxform.mult[3] = 128;
    const Bytes swf =
        MakeMovie(RectangleShapeTag(3, 1, 0, 0, 10 * kPx, 20 * kPx, Solid(255, 0, 0)) +
                  PlaceObject2Tag(scaled) + PlaceObject3Tag(rotated) + PlaceObject2Tag(tinted) +
                  PlaceObject2Tag(faded) + ShowFrameTag());
    ExpectPixels(RenderFrame(swf), {
                                       {101, 101, kRed},
                                       {119, 159, kRed},
                                       {121, 101, kWhite},
                                       {119, 161, kWhite},
                                       {385, 105, kRed},
                                       {401, 105, kWhite},
                                       {105, 305, Rgba8{128, 100, 0, 255}},
                                       {305, 305, Over(kRed, 128 / 255.0)},
                                   });
}

TEST(Masks, ShowWhatLiesUnderTheClipShapeUpToItsClipDepth) {
    // Mask 100.5..200 x 100..200 at depth 1 clipping depth 2 only.
    PlaceRecipe mask = At(1, 1);
    mask.clipDepth = 2;
    PlaceRecipe above = At(3, 3);
    const Bytes swf = MakeMovie(
        RectangleShapeTag(1, 1, 100 * kPx + 10, 100 * kPx, 200 * kPx, 200 * kPx, Solid(0, 0, 0)) +
        RectangleShapeTag(1, 2, 0, 0, 550 * kPx, 400 * kPx, Solid(255, 0, 0)) +
        RectangleShapeTag(1, 3, 300 * kPx, 0, 310 * kPx, 10 * kPx, Solid(0, 0, 255)) +
        PlaceObject2Tag(mask) + PlaceObject2Tag(At(2, 2)) + PlaceObject2Tag(above) +
        ShowFrameTag());
    ExpectPixels(RenderFrame(swf), {{150, 150, kRed},
                                    {100, 150, Over(kRed, 0.5)},
                                    {99, 150, kWhite},
                                    {50, 50, kWhite},
                                    {200, 150, kWhite},
                                    {305, 5, kBlue}});
}

TEST(Masks, NestInsideSpritesAndIntersect) {
    // Outer mask x 0..200; inside a sprite, an inner mask y 0..100; red fill.
    PlaceRecipe inner = At(1, 2);
    inner.clipDepth = 5;
    const Bytes sprite = PlaceObject2Tag(inner) + PlaceObject2Tag(At(2, 3)) + ShowFrameTag();
    PlaceRecipe outer = At(1, 1);
    outer.clipDepth = 9;
    const Bytes swf =
        MakeMovie(RectangleShapeTag(1, 1, 0, 0, 200 * kPx, 400 * kPx, Solid(0, 0, 0)) +
                  RectangleShapeTag(1, 2, 0, 0, 550 * kPx, 100 * kPx, Solid(0, 0, 0)) +
                  RectangleShapeTag(1, 3, 0, 0, 550 * kPx, 400 * kPx, Solid(255, 0, 0)) +
                  DefineSpriteTag(4, 1, sprite) + PlaceObject2Tag(outer) +
                  PlaceObject2Tag(At(2, 4)) + ShowFrameTag());
    ExpectPixels(RenderFrame(swf),
                 {{50, 50, kRed}, {250, 50, kWhite}, {50, 150, kWhite}, {250, 150, kWhite}});
}

Bytes MorphMovie(int version, int ratio) {
    ShapeWriter start({Solid(255, 0, 0)});
    start.Select(-1, 1, -1).Rectangle(0, 100 * kPx, 100 * kPx, 200 * kPx);
    ShapeWriter end({Solid(0, 0, 255)});
    end.Select(-1, 1, -1).Rectangle(100 * kPx, 100 * kPx, 300 * kPx, 200 * kPx);
    PlaceRecipe p = At(1, 1);
    p.ratio = ratio;
    return MakeMovie(DefineMorphShapeTag(version, 1, start, end) + PlaceObject2Tag(p) +
                     ShowFrameTag());
}

TEST(Morphs, InterpolateEdgesAndColoursAtEveryRatio) {
    for (int version : {1, 2}) {
        struct Case {
            int ratio;
            std::vector<PixelCase> pixels;
        } cases[] = {
            {0, {{50, 150, kRed}, {99, 150, kRed}, {100, 150, kWhite}}},
            {65535, {{99, 150, kWhite}, {100, 150, kBlue}, {299, 150, kBlue}, {300, 150, kWhite}}},
            // Halfway: x 50..200, colour halfway between.
            {32768,
             {{49, 150, kWhite},
              {51, 150, Rgba8{128, 0, 127, 255}},
              {199, 150, {128, 0, 127, 255}},
              {201, 150, kWhite}}},
        };
        for (const Case& k : cases) {
            SCOPED_TRACE(version * 100000 + k.ratio);
            ExpectPixels(RenderFrame(MorphMovie(version, k.ratio)), k.pixels, 3);
        }
    }
}

TEST(Morphs, MoveTheirEdgesSteadilyAcrossEveryRatio) {
    // The right edge runs from x 100 to 300 as the ratio goes 0 to 65535.
    for (int ratio = 0; ratio <= 65535; ratio += 4369) {
        SCOPED_TRACE(ratio);
        const double edge = 100 + 200 * (ratio / 65535.0);
        const movie::Canvas c = RenderFrame(MorphMovie(2, ratio));
        EXPECT_NE(PixelAt(c, static_cast<int>(edge) - 2, 150).g, 255);
        EXPECT_TRUE(PixelNear(c, static_cast<int>(edge) + 1, 150, kWhite));
    }
}

TEST(Text, DrawsGlyphShapesAtTheirAdvanceAndHeight) {
    for (int version = 1; version <= 3; ++version) {
        SCOPED_TRACE(version);
        // A glyph filling its em square above the baseline.
        const int32_t em = version == 3 ? 20480 : 1024;
        ShapeWriter square;
        square.Select(-1, 1, -1).Rectangle(0, -em, em, 0);
        ShapeWriter bar;
        bar.Select(-1, 1, -1).Rectangle(0, -em, em / 4, 0);
        TextRunRecipe run;
        run.fontId = 1;
        run.color = Rgba8{0, 0, 255, 255};
        run.x = 0;
        run.y = 0;
        run.height = 20 * kPx;
        run.glyphs = {{0, 30 * kPx}, {1, 30 * kPx}, {0, 0}};
        const Bytes swf = MakeMovie(
            DefineFontTag(version, 1, {square, bar}) +
            DefineTextTag(version >= 2 ? 2 : 1, 2, Translate(100 * kPx, 100 * kPx), {run}) +
            PlaceObject2Tag(At(1, 2)) + ShowFrameTag());
        ExpectPixels(RenderFrame(swf), {{101, 81, kBlue},
                                        {119, 99, kBlue},
                                        {121, 90, kWhite},
                                        {131, 90, kBlue},
                                        {136, 90, kWhite},
                                        {165, 90, kBlue},
                                        {101, 101, kWhite}});
    }
}

// A square 40 px a side at a fractional position, cut on its diagonal into two
// triangles: fill 1 above the diagonal, fill 2 below it, in one shape.
Bytes SplitSquare(const FillRecipe& a, const FillRecipe& b) {
    const int32_t x = 100 * kPx + 6, y = 50 * kPx + 14, s = 40 * kPx;
    ShapeWriter shape({a, b});
    shape.Select(0, 1, -1)
        .MoveTo(x, y)
        .LineTo(x + s, y)
        .LineTo(x + s, y + s)
        .Select(2, 1, -1)
        .LineTo(x, y)
        .Select(0, 2, -1)
        .MoveTo(x + s, y + s)
        .LineTo(x, y + s)
        .LineTo(x, y);
    return OneShape(3, shape);
}

TEST(Rasterizer, DrawsFillsMeetingOnAnEdgeWithoutASeam) {
    struct Case {
        const char* name;
        FillRecipe a, b;
        movie::Quality quality;
    } cases[] = {
        {"same colour", Solid(255, 0, 0), Solid(255, 0, 0), movie::Quality::High},
        {"two colours", Solid(255, 0, 0), Solid(0, 0, 255), movie::Quality::High},
        {"two colours, low quality", Solid(255, 0, 0), Solid(0, 0, 255), movie::Quality::Low},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const movie::Canvas c =
            RenderFrame(SplitSquare(k.a, k.b), 1, 550, 400, ScaleMode::ShowAll, k.quality);
        // Every pixel wholly inside the square, the diagonal's included: the
        // white background never shows, and one colour stays that colour.
        for (int y = 51; y < 90; ++y) {
            for (int x = 101; x < 140; ++x) {
                const Rgba8 p = PixelAt(c, x, y);
                ASSERT_EQ(p.g, 0) << x << "," << y;
                ASSERT_NEAR(p.r + p.b, 255, 1) << x << "," << y;
                if (k.a.color.b == k.b.color.b) {
                    ASSERT_EQ(p.r, 255) << x << "," << y;
                }
            }
        }
    }
}

TEST(Rasterizer, OverlappingFillsOfOneShapeShowTheLaterOnTop) {
    // Fill 1 and fill 2 each a closed square of their own, overlapping: the
    // overlap shows fill 2, as if drawn after fill 1, whether or not the
    // fills' outlines are anti-aliased there.
    ShapeWriter shape({Solid(255, 0, 0), Solid(0, 0, 255)});
    shape.Select(0, 1, -1)
        .Rectangle(100 * kPx, 100 * kPx, 200 * kPx + 7, 200 * kPx + 7)
        .Select(0, 2, -1)
        .Rectangle(150 * kPx + 5, 150 * kPx + 5, 250 * kPx, 250 * kPx);
    for (movie::Quality q : {movie::Quality::High, movie::Quality::Low}) {
        SCOPED_TRACE(static_cast<int>(q));
        const movie::Canvas c = RenderFrame(OneShape(3, shape), 1, 550, 400, ScaleMode::ShowAll, q);
        ExpectPixels(c, {{120, 120, kRed},
                         {175, 175, kBlue},
                         {199, 175, kBlue},
                         {200, 175, kBlue},
                         {230, 230, kBlue},
                         {120, 230, kWhite}});
    }
}

TEST(Rasterizer, LowQualityDrawsEachPixelWhollyOrNot) {
    // The rectangle of CoversARectangleExactly..., x 10.5..30, y 20..40.25,
    // and a circle: only the shapes' colours and the background appear.
    ShapeWriter shape({Solid(255, 0, 0)});
    shape.Select(-1, 1, -1)
        .Rectangle(210, 400, 600, 805)
        .MoveTo(300 * kPx, 200 * kPx)
        .CurveTo(300 * kPx, 250 * kPx + 7, 250 * kPx, 250 * kPx + 7)
        .CurveTo(200 * kPx + 3, 250 * kPx, 200 * kPx, 200 * kPx)
        .CurveTo(200 * kPx, 150 * kPx, 250 * kPx, 150 * kPx)
        .CurveTo(300 * kPx, 150 * kPx, 300 * kPx, 200 * kPx);
    for (movie::Quality q : {movie::Quality::Low, movie::Quality::AutoLow}) {
        SCOPED_TRACE(static_cast<int>(q));
        const movie::Canvas c = RenderFrame(OneShape(3, shape), 1, 550, 400, ScaleMode::ShowAll, q);
        for (int y = 0; y < 400; ++y) {
            for (int x = 0; x < 550; ++x) {
                const Rgba8 p = PixelAt(c, x, y);
                ASSERT_TRUE(p.g == 0 || p.g == 255) << x << "," << y;
            }
        }
        // Pixel centres decide: 10.5 is on the left edge, 40.5 past the bottom.
        ExpectPixels(c, {{10, 25, kRed},
                         {9, 25, kWhite},
                         {29, 39, kRed},
                         {30, 25, kWhite},
                         {20, 40, kWhite},
                         {20, 20, kRed},
                         {250, 200, kRed},
                         {250, 260, kWhite}});
    }
}

TEST(Gradients, TakeTheirStopsInFileOrderAndMeetHardAtASharedRatio) {
    auto gradient = [](std::vector<std::pair<uint8_t, Rgba8>> stops) {
        FillRecipe f;
        f.type = 0x10;
        f.matrix = GradientAcross(0, 550);
        f.stops = std::move(stops);
        return f;
    };
    const Rgba8 black{0, 0, 0, 255};
    // A stop whose ratio goes back is not moved into the middle: the ramp
    // runs black to white, and the red stop after them is never reached.
    {
        ShapeWriter shape({gradient({{0, black}, {255, kWhite}, {128, kRed}})});
        shape.Select(-1, 1, -1).Rectangle(0, 0, 550 * kPx, 400 * kPx);
        const movie::Canvas c = RenderFrame(OneShape(3, shape));
        const uint8_t mid = Gray(274.5 / 550);
        EXPECT_TRUE(PixelNear(c, 274, 200, Rgba8{mid, mid, mid, 255}, 3));
    }
    // Two stops at 128: red up to the ratio, blue from the next entry, and
    // not one pixel between them of a mix.
    ShapeWriter shape({gradient({{0, kRed}, {128, kRed}, {128, kBlue}, {255, kBlue}})});
    shape.Select(-1, 1, -1).Rectangle(0, 0, 550 * kPx, 400 * kPx);
    const movie::Canvas c = RenderFrame(OneShape(3, shape));
    int changes = 0;
    for (int x = 0; x < 550; ++x) {
        const Rgba8 p = PixelAt(c, x, 200);
        ASSERT_TRUE((p.r == 255 && p.b == 0) || (p.r == 0 && p.b == 255)) << x;
        if (x > 0 && p.r != PixelAt(c, x - 1, 200).r)
            ++changes;
    }
    EXPECT_EQ(changes, 1);
    ExpectPixels(c, {{270, 200, kRed}, {280, 200, kBlue}});
}

TEST(Strokes, HairlinesSnapToOnePixelRow) {
    // One-pixel lines, horizontal, centred on a pixel centre and on a pixel
    // boundary: either way exactly one row, fully covered.
    struct Case {
        const char* name;
        int32_t y; // twips
        uint16_t width;
        int row;
    } cases[] = {
        {"hairline on a centre", 100 * kPx + 10, 0, 100},
        {"1 px on a centre", 100 * kPx + 10, 20, 100},
        {"hairline on a boundary", 100 * kPx, 0, 100},
        {"1 px on a boundary", 100 * kPx, 20, 100},
        {"half a pixel off", 100 * kPx + 4, 20, 100},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        LineRecipe l;
        l.width = k.width;
        l.color = Rgba8{0, 0, 0, 255};
        ShapeWriter shape({}, {l});
        shape.Select(-1, -1, 1).MoveTo(50 * kPx, k.y).LineTo(300 * kPx, k.y);
        const movie::Canvas c = RenderFrame(OneShape(2, shape));
        for (int x = 60; x < 290; x += 7) {
            ASSERT_TRUE(PixelNear(c, x, k.row, Rgba8{0, 0, 0, 255}, 0)) << x;
            ASSERT_TRUE(PixelNear(c, x, k.row - 1, kWhite, 0)) << x;
            ASSERT_TRUE(PixelNear(c, x, k.row + 1, kWhite, 0)) << x;
        }
    }
}

TEST(Masks, ASpriteMaskHoldingAMaskOfItsOwn) {
    // The clip object is a sprite whose own content is clipped: a bar x 0..200
    // seen through a band y 0..100. The red fill shows only where both are.
    PlaceRecipe band = At(1, 2);
    band.clipDepth = 5;
    const Bytes sprite = PlaceObject2Tag(band) + PlaceObject2Tag(At(2, 1)) + ShowFrameTag();
    PlaceRecipe outer = At(1, 4);
    outer.clipDepth = 9;
    const Bytes swf =
        MakeMovie(RectangleShapeTag(1, 1, 0, 0, 200 * kPx, 400 * kPx, Solid(0, 0, 0)) +
                  RectangleShapeTag(1, 2, 0, 0, 550 * kPx, 100 * kPx, Solid(0, 0, 0)) +
                  RectangleShapeTag(1, 3, 0, 0, 550 * kPx, 400 * kPx, Solid(255, 0, 0)) +
                  DefineSpriteTag(4, 1, sprite) + PlaceObject2Tag(outer) +
                  PlaceObject2Tag(At(2, 3)) + ShowFrameTag());
    ExpectPixels(RenderFrame(swf),
                 {{50, 50, kRed}, {250, 50, kWhite}, {50, 150, kWhite}, {250, 150, kWhite}});
}

// A diagonal gradient over the stage, a radial gradient disc, a translucent
// square and, over them, a small outlined square that moves 30 px right in
// frame 2; frame 3 changes nothing.
Bytes MovingSquareMovie() {
    FillRecipe diagonal = BlackToWhite(0x10, GradientAcross(0, 550));
    diagonal.matrix.b = 0.01;
    diagonal.matrix.c = -0.012;
    MatrixRecipe circle;
    circle.a = circle.d = 80.0 * kPx / 16384.0;
    circle.tx = 150 * kPx;
    circle.ty = 120 * kPx;
    ShapeWriter background({diagonal, BlackToWhite(0x12, circle)});
    background.Select(-1, 1, -1).Rectangle(0, 0, 550 * kPx, 400 * kPx);
    background.Select(-1, 2, -1).Rectangle(70 * kPx, 40 * kPx, 230 * kPx, 200 * kPx);
    LineRecipe outline;
    outline.width = 3 * kPx;
    outline.color = Rgba8{0, 0, 0, 255};
    ShapeWriter square({Solid(0, 200, 0)}, {outline});
    square.Select(-1, 1, 1).Rectangle(0, 0, 10 * kPx + 7, 10 * kPx + 7);
    PlaceRecipe mover = At(3, 3);
    mover.hasMatrix = true;
    mover.matrix = Translate(100 * kPx + 5, 100 * kPx + 9);
    PlaceRecipe moved;
    moved.depth = 3;
    moved.move = true;
    moved.hasMatrix = true;
    moved.matrix = Translate(130 * kPx + 5, 100 * kPx + 9);
    return MakeMovie(DefineShapeTag(3, 1, background) +
                         RectangleShapeTag(3, 2, 90 * kPx, 90 * kPx, 160 * kPx, 130 * kPx,
                                           Solid(200, 0, 0, 128)) +
                         DefineShapeTag(3, 3, square) + PlaceObject2Tag(At(1, 1)) +
                         PlaceObject2Tag(At(2, 2)) + PlaceObject2Tag(mover) + ShowFrameTag() +
                         PlaceObject2Tag(moved) + ShowFrameTag() + ShowFrameTag(),
                     3);
}

TEST(Damage, RedrawsOnlyWhatMovedAndMatchesAWholeRedraw) {
    const movie::Movie m = ParseOrFail(MovingSquareMovie());
    for (movie::Quality quality : {movie::Quality::High, movie::Quality::Low}) {
        SCOPED_TRACE(static_cast<int>(quality));
        movie::Player player(m);
        movie::Renderer renderer(m);
        movie::DamageTracker tracker(m);
        movie::RenderOptions options;
        options.quality = quality;
        movie::Canvas canvas, whole;
        std::string error;
        const std::vector<movie::PixelRect> first = tracker.Update(player, options);
        ASSERT_EQ(first.size(), 1u);
        EXPECT_EQ(first[0].x1 - first[0].x0, 550);
        EXPECT_EQ(first[0].y1 - first[0].y0, 400);
        ASSERT_TRUE(renderer.Render(player, options, &canvas, &error));

        player.Advance();
        const std::vector<movie::PixelRect> damage = tracker.Update(player, options);
        // The old and the new place of the square, each widened by the
        // outline's miters and a few pixels' margin: 27 px for 10.35.
        ASSERT_EQ(damage.size(), 2u);
        const int lefts[2] = {100, 130};
        for (int k = 0; k < 2; ++k) {
            const movie::PixelRect& r = damage[k];
            EXPECT_LE(r.x0, lefts[k] - 1);
            EXPECT_GE(r.x1, lefts[k] + 12);
            EXPECT_LE(r.y0, 99);
            EXPECT_GE(r.y1, 112);
            EXPECT_LE((r.x1 - r.x0) * (r.y1 - r.y0), 28 * 28);
        }
        ASSERT_TRUE(renderer.RenderRegions(player, options, damage, &canvas, &error));
        ASSERT_TRUE(renderer.Render(player, options, &whole, &error));
        EXPECT_TRUE(canvas.pixels == whole.pixels);
        // The square did move: the redraw was not of an unchanged picture.
        EXPECT_TRUE(PixelNear(whole, 135, 105, Rgba8{0, 200, 0, 255}));

        player.Advance();
        EXPECT_TRUE(tracker.Update(player, options).empty());
        // Other options: all of it again.
        options.scale = ScaleMode::ExactFit;
        EXPECT_EQ(tracker.Update(player, options).size(), 1u);
    }
}

TEST(Damage, RegionsInAnyNumberAndPlaceDrawAsAWholeFrame) {
    // However the regions are grouped into passes (kept apart, merged with
    // their neighbours, or gathered into one box), each pixel inside them
    // comes out as a whole redraw draws it, and none outside is touched.
    const movie::Movie m = ParseOrFail(MovingSquareMovie());
    std::vector<movie::PixelRect> scattered;
    for (int i = 0; i < 60; ++i)
        scattered.push_back(movie::PixelRect{(i * 37) % 530, (i * 53) % 380, (i * 37) % 530 + 9,
                                             (i * 53) % 380 + 7});
    const struct {
        const char* what;
        std::vector<movie::PixelRect> regions;
    } cases[] = {
        {"two apart", {{10, 10, 30, 30}, {400, 300, 420, 330}}},
        {"overlapping", {{95, 95, 140, 120}, {120, 100, 170, 125}, {90, 90, 100, 100}}},
        {"many small", scattered},
        {"most of the canvas", {{0, 0, 550, 250}, {0, 200, 300, 400}}},
        {"partly outside", {{-20, -20, 40, 40}, {530, 380, 600, 420}}},
        {"empty and inverted", {{50, 50, 50, 80}, {90, 90, 80, 80}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        movie::Player player(m);
        movie::Renderer renderer(m);
        movie::RenderOptions options;
        movie::Canvas canvas, whole;
        std::string error;
        ASSERT_TRUE(renderer.Render(player, options, &canvas, &error));
        // Marks every pixel: one drawn again loses the mark, one left alone keeps it.
        for (size_t i = 0; i < canvas.pixels.size(); i += 4)
            canvas.pixels[i + 1] = 77;
        const std::vector<uint8_t> marked = canvas.pixels;
        player.Advance();
        ASSERT_TRUE(renderer.RenderRegions(player, options, c.regions, &canvas, &error));
        ASSERT_TRUE(renderer.Render(player, options, &whole, &error));
        for (int y = 0; y < 400; ++y) {
            for (int x = 0; x < 550; ++x) {
                bool inside = false;
                for (const movie::PixelRect& r : c.regions)
                    inside = inside || (x >= r.x0 && x < r.x1 && y >= r.y0 && y < r.y1);
                const size_t at = (static_cast<size_t>(y) * 550 + x) * 4;
                auto same = [&](const std::vector<uint8_t>& v) {
                    return std::equal(v.begin() + at, v.begin() + at + 4,
                                      canvas.pixels.begin() + at);
                };
                // A merged pass may draw beyond its regions, but only as a whole frame would.
                if (inside)
                    ASSERT_TRUE(same(whole.pixels)) << x << "," << y;
                else
                    ASSERT_TRUE(same(whole.pixels) || same(marked)) << x << "," << y;
            }
        }
    }
}

} // namespace
} // namespace ww::test
