// Writes the sample project's movie, wave.swf, with the test fixture writer:
// a 550 x 400 stage at 12 frames a second, 24 frames that loop: a sun that
// bobs over a sky gradient, two waves rolling past at different speeds, and
// a bubble sprite rising on its own 12-frame loop.
#include "tests/support/swf_writer.h"

#include <cmath>
#include <cstdio>

namespace {

using namespace ww::test;

constexpr int32_t kPx = 20; // twips per pixel
constexpr int kFrames = 24;

void Append(Bytes& to, const Bytes& more) {
    to.insert(to.end(), more.begin(), more.end());
}

// A circle of eight quadratic curves around (cx, cy), in twips.
void Circle(ShapeWriter& s, double cx, double cy, double r) {
    const double pi = 3.14159265358979323846;
    const double control = r / std::cos(pi / 8);
    auto at = [&](double angle, double radius, int32_t* x, int32_t* y) {
        *x = static_cast<int32_t>(std::lround(cx + radius * std::cos(angle)));
        *y = static_cast<int32_t>(std::lround(cy + radius * std::sin(angle)));
    };
    int32_t x = 0, y = 0;
    at(0, r, &x, &y);
    s.MoveTo(x, y);
    for (int i = 0; i < 8; ++i) {
        int32_t qx = 0, qy = 0;
        at((2 * i + 1) * pi / 8, control, &qx, &qy);
        at((2 * i + 2) * pi / 8, r, &x, &y);
        s.CurveTo(qx, qy, x, y);
    }
}

FillRecipe Sky() {
    FillRecipe f;
    f.type = 0x10;
    // The gradient square turned upright across the stage's height.
    f.matrix.a = f.matrix.d = 0;
    f.matrix.b = 400.0 * kPx / 32768;
    f.matrix.c = -400.0 * kPx / 32768;
    f.matrix.tx = 275 * kPx;
    f.matrix.ty = 200 * kPx;
    f.stops = {{0, {18, 40, 92, 255}}, {150, {64, 128, 188, 255}}, {255, {250, 196, 140, 255}}};
    return f;
}

FillRecipe Sun() {
    FillRecipe f;
    f.type = 0x13;
    f.focal = -0.3;
    f.matrix.a = f.matrix.d = 60.0 * kPx / 16384;
    f.stops = {{0, {255, 250, 210, 255}}, {170, {255, 190, 60, 255}}, {255, {255, 140, 40, 0}}};
    return f;
}

// A band of waves 1100 px wide (a period of 275 px) whose crest is at y.
ShapeWriter Waves(int32_t y, Rgba8 fill, Rgba8 crest) {
    LineRecipe line;
    line.width = 3 * kPx;
    line.color = crest;
    ShapeWriter s({Solid(fill.r, fill.g, fill.b, fill.a)}, {line});
    s.Select(-1, 1, 1).MoveTo(0, y * kPx);
    for (int i = 0; i < 8; ++i) {
        const int32_t x0 = i * 1375 / 10 * kPx;
        const int32_t amplitude = (i % 2 == 0 ? -18 : 18) * kPx;
        s.CurveTo(x0 + 1375 * kPx / 20, y * kPx + amplitude, x0 + 1375 * kPx / 10, y * kPx);
    }
    s.Select(-1, -1, 0).LineTo(1100 * kPx, 420 * kPx).LineTo(0, 420 * kPx).LineTo(0, y * kPx);
    return s;
}

PlaceRecipe Place(uint16_t depth, int id, int32_t x, int32_t y) {
    PlaceRecipe p;
    p.depth = depth;
    p.characterId = id;
    p.hasMatrix = true;
    p.matrix = Translate(x, y);
    return p;
}

PlaceRecipe Move(uint16_t depth, int32_t x, int32_t y) {
    PlaceRecipe p = Place(depth, -1, x, y);
    p.move = true;
    return p;
}

// The bubble: a ring that rises 120 px and fades over 12 frames.
Bytes BubbleSprite(uint16_t id, uint16_t ringId) {
    Bytes tags;
    for (int f = 0; f < 12; ++f) {
        PlaceRecipe p = f == 0 ? Place(1, ringId, 0, 0) : Move(1, 0, 0);
        p.matrix = Translate(static_cast<int32_t>(std::lround(6 * kPx * std::sin(f * 0.9))),
                             -10 * kPx * f);
        p.hasCxform = true;
        p.cxform.mult[3] = static_cast<int16_t>(256 - f * 20);
        Append(tags, PlaceObject2Tag(p));
        Append(tags, ShowFrameTag());
    }
    return DefineSpriteTag(id, 12, tags);
}

Bytes SampleTags() {
    Bytes tags = SetBackgroundColorTag(0x1E, 0x3C, 0x64);
    ShapeWriter sky({Sky()});
    sky.Select(-1, 1, -1).Rectangle(0, 0, 550 * kPx, 400 * kPx);
    Append(tags, DefineShapeTag(3, 1, sky));
    ShapeWriter sun({Sun()});
    sun.Select(-1, 1, -1);
    Circle(sun, 0, 0, 60 * kPx);
    Append(tags, DefineShapeTag(4, 2, sun));
    Append(tags, DefineShapeTag(3, 3, Waves(300, {30, 90, 160, 200}, {220, 240, 255, 255})));
    Append(tags, DefineShapeTag(3, 4, Waves(340, {20, 60, 120, 230}, {160, 210, 250, 255})));
    LineRecipe ring;
    ring.width = 2 * kPx;
    ring.color = {235, 245, 255, 255};
    ShapeWriter bubble({Solid(255, 255, 255, 60)}, {ring});
    bubble.Select(-1, 1, 1);
    Circle(bubble, 0, 0, 8 * kPx);
    Append(tags, DefineShapeTag(3, 5, bubble));
    Append(tags, BubbleSprite(6, 5));
    for (int f = 0; f < kFrames; ++f) {
        const double phase = 2 * 3.14159265358979323846 * f / kFrames;
        const int32_t sunY = static_cast<int32_t>(std::lround((140 + 12 * std::sin(phase)) * kPx));
        // Each band moves a whole number of periods per loop, so it repeats.
        const int32_t near = -275 * kPx * f / kFrames * 2 % (275 * kPx);
        const int32_t far = -275 * kPx * f / kFrames;
        if (f == 0) {
            Append(tags, PlaceObject2Tag(Place(1, 1, 0, 0)));
            Append(tags, PlaceObject2Tag(Place(2, 2, 400 * kPx, sunY)));
            Append(tags, PlaceObject2Tag(Place(3, 3, far, 0)));
            Append(tags, PlaceObject2Tag(Place(4, 4, near, 0)));
            Append(tags, PlaceObject2Tag(Place(5, 6, 150 * kPx, 380 * kPx)));
            Append(tags, PlaceObject2Tag(Place(6, 6, 420 * kPx, 400 * kPx)));
        } else {
            Append(tags, PlaceObject2Tag(Move(2, 400 * kPx, sunY)));
            Append(tags, PlaceObject2Tag(Move(3, far, 0)));
            Append(tags, PlaceObject2Tag(Move(4, near, 0)));
        }
        Append(tags, ShowFrameTag());
    }
    return tags;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample_movie OUTPUT.swf\n");
        return 2;
    }
    ww::test::SwfRecipe recipe = ww::test::StageRecipe(false);
    recipe.frameCount = kFrames;
    recipe.tags = SampleTags();
    ww::test::WriteFileBytes(argv[1], ww::test::MakeSwf(recipe));
    return 0;
}
