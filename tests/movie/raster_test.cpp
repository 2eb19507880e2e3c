// The rasteriser on its own: coverage summed against exact areas, both fill
// rules on a self-crossing outline, fills sharing an edge, pixels wholly in or
// out without anti-aliasing, and the span blender against its plain formula,
// its wide body against its portable one.
#include "movie/raster.h"
#include "movie/raster_blend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace ww::movie {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Pt {
    double x, y;
};

// Coverage of fill 1 (0..255 a pixel) of the outline, drawn into a mask.
std::vector<uint8_t> Coverage(const std::vector<Pt>& outline, bool nonZero, int w, int h,
                              bool antiAlias = true) {
    Rasterizer r;
    r.SetSize(w, h);
    r.SetAntiAlias(antiAlias);
    for (size_t i = 0; i < outline.size(); ++i) {
        const Pt a = outline[i], b = outline[(i + 1) % outline.size()];
        r.AddLine(a.x, a.y, b.x, b.y);
    }
    std::vector<uint8_t> mask(static_cast<size_t>(w) * h, 0);
    Surface s;
    s.width = w;
    s.height = h;
    s.maskOut = mask.data();
    Paint* none = nullptr;
    r.Fill(nonZero, &none, 1, s);
    return mask;
}

double Sum(const std::vector<uint8_t>& mask) {
    double total = 0;
    for (uint8_t v : mask)
        total += v / 255.0;
    return total;
}

double Area(const std::vector<Pt>& p) {
    double a = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        const Pt u = p[i], v = p[(i + 1) % p.size()];
        a += u.x * v.y - v.x * u.y;
    }
    return std::fabs(a) / 2;
}

// A polygon around a centre with a random radius at each of its corners:
// simple, of either orientation, kept on a 200 x 200 canvas.
std::vector<Pt> RandomPolygon(std::mt19937& rng, bool clockwise) {
    std::uniform_real_distribution<double> centre(20, 180), radius(5, 60), jitter(0, 0.9);
    std::uniform_int_distribution<int> corners(3, 24);
    const int n = corners(rng);
    const Pt c{centre(rng), centre(rng)};
    std::vector<Pt> p;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * kPi * (i + jitter(rng)) / n * (clockwise ? 1 : -1);
        const double r = radius(rng);
        p.push_back(Pt{std::clamp(c.x + r * std::cos(a), 0.0, 200.0),
                       std::clamp(c.y + r * std::sin(a), 0.0, 200.0)});
    }
    return p;
}

TEST(Rasterizer, CoverageSumsToThePolygonsArea) {
    std::mt19937 rng(7);
    for (int i = 0; i < 40; ++i) {
        SCOPED_TRACE(i);
        const std::vector<Pt> p = RandomPolygon(rng, i % 2 == 0);
        const double want = Area(p);
        for (bool nonZero : {true, false}) {
            const double got = Sum(Coverage(p, nonZero, 200, 200));
            EXPECT_NEAR(got, want, want * 0.001) << "non-zero " << nonZero;
        }
    }
}

TEST(Rasterizer, ClipsToTheCanvasKeepingWhatIsInside) {
    // A square reaching past every side: what lies on the canvas is full.
    const std::vector<Pt> big = {{-50.5, -20.25}, {130.5, -20.25}, {130.5, 90.75}, {-50.5, 90.75}};
    const std::vector<uint8_t> m = Coverage(big, true, 100, 80);
    for (uint8_t v : m)
        ASSERT_EQ(v, 255);
    // Far outside, huge and not finite: nothing drawn, nothing broken.
    const std::vector<Pt> wild = {{-1e300, 5}, {1e300, 1e300}, {NAN, 3}, {4, INFINITY}};
    EXPECT_GE(Sum(Coverage(wild, true, 50, 50)), 0.0);
}

TEST(Rasterizer, SelfCrossingStarFollowsTheFillRule) {
    // A five-pointed star drawn in one stroke: its middle winds twice.
    std::vector<Pt> star;
    for (int i = 0; i < 5; ++i) {
        const double a = -kPi / 2 + i * 4 * kPi / 5;
        star.push_back(Pt{100 + 80 * std::cos(a), 100 + 80 * std::sin(a)});
    }
    struct Case {
        bool nonZero;
        uint8_t middle;
    } cases[] = {{true, 255}, {false, 0}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.nonZero);
        const std::vector<uint8_t> m = Coverage(star, k.nonZero, 200, 200);
        EXPECT_EQ(m[100 * 200 + 100], k.middle);
        EXPECT_EQ(m[35 * 200 + 100], 255); // inside the top point
        EXPECT_EQ(m[5 * 200 + 5], 0);
    }
}

TEST(Rasterizer, WithoutAntiAliasingPixelsAreWhollyInOrOut) {
    std::mt19937 rng(11);
    for (int i = 0; i < 10; ++i) {
        const std::vector<Pt> p = RandomPolygon(rng, i % 2 == 0);
        for (bool nonZero : {true, false}) {
            const std::vector<uint8_t> m = Coverage(p, nonZero, 200, 200, false);
            for (uint8_t v : m)
                ASSERT_TRUE(v == 0 || v == 255) << int(v);
            // Centre sampling still follows the area, to about the perimeter.
            EXPECT_NEAR(Sum(m), Area(p), 0.05 * Area(p) + 40);
        }
    }
    // A pixel is in when its centre is: x from 10.5 takes pixel 10, to 30
    // stops before pixel 30; y from 20.6 skips row 20.
    const std::vector<uint8_t> m =
        Coverage({{10.5, 20.6}, {30, 20.6}, {30, 40.5}, {10.5, 40.5}}, true, 50, 50, false);
    struct Probe {
        int x, y;
        uint8_t want;
    } probes[] = {{10, 30, 255}, {9, 30, 0},    {29, 30, 255}, {30, 30, 0},
                  {20, 20, 0},   {20, 21, 255}, {20, 39, 255}, {20, 40, 0}};
    for (const Probe& p : probes)
        EXPECT_EQ(m[p.y * 50 + p.x], p.want) << p.x << "," << p.y;
}

class OneColor : public Paint {
  public:
    explicit OneColor(uint32_t c) : c_(c) {}
    void Colors(int, int x0, int x1, uint32_t* out) override {
        std::fill(out, out + (x1 - x0), c_);
    }

  private:
    uint32_t c_;
};

TEST(Rasterizer, FillsSharingAnEdgeCoverItsPixelsExactly) {
    // A square cut on its diagonal into fill 1 (upper right) and fill 2.
    const double x0 = 10.3, y0 = 7.7, s = 40;
    struct Case {
        const char* name;
        uint32_t a, b;
        bool antiAlias;
    } cases[] = {
        {"same colour", PackPixel(255, 0, 0, 255), PackPixel(255, 0, 0, 255), true},
        {"two colours", PackPixel(255, 0, 0, 255), PackPixel(0, 0, 255, 255), true},
        {"two colours, aliased", PackPixel(255, 0, 0, 255), PackPixel(0, 0, 255, 255), false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Rasterizer r;
        r.SetSize(64, 64);
        r.SetAntiAlias(k.antiAlias);
        r.AddEdge(x0, y0, x0 + s, y0, 0, 1);
        r.AddEdge(x0 + s, y0, x0 + s, y0 + s, 0, 1);
        r.AddEdge(x0 + s, y0 + s, x0, y0, 2, 1);
        r.AddEdge(x0 + s, y0 + s, x0, y0 + s, 0, 2);
        r.AddEdge(x0, y0 + s, x0, y0, 0, 2);
        Canvas c;
        c.width = c.height = 64;
        c.pixels.assign(64 * 64 * 4, 255); // opaque white
        OneColor a(k.a), b(k.b);
        Paint* paints[2] = {&a, &b};
        Surface surface;
        surface.width = surface.height = 64;
        surface.pixels = c.pixels.data();
        r.Fill(false, paints, 2, surface);
        // Every pixel wholly inside the square: no white through the seam.
        for (int y = 9; y < 47; ++y) {
            for (int x = 11; x < 50; ++x) {
                const uint8_t* p = c.pixels.data() + (y * 64 + x) * 4;
                ASSERT_EQ(p[1], 0) << x << "," << y;
                ASSERT_EQ(p[3], 255) << x << "," << y;
                ASSERT_NEAR(p[0] + p[2], 255, 1) << x << "," << y;
                if (k.a == k.b) {
                    ASSERT_EQ(p[0], 255) << x << "," << y;
                }
            }
        }
    }
}

TEST(BlendSpan, MatchesThePlainFormulaForEveryLayout) {
    // Colours and coverages on every lane, with and without per-pixel ones.
    std::mt19937 rng(3);
    const int n = 37;
    std::vector<uint32_t> colors(n);
    std::vector<uint16_t> cover(n);
    std::vector<uint8_t> base(n * 4);
    for (int i = 0; i < n; ++i) {
        const uint32_t a = rng() % 256;
        colors[i] = PackPixel(rng() % (a + 1), rng() % (a + 1), rng() % (a + 1), a);
        cover[i] = static_cast<uint16_t>(i == 0 ? 256 : rng() % 257);
    }
    for (uint8_t& v : base)
        v = static_cast<uint8_t>(rng());
    for (int layout = 0; layout < 4; ++layout) {
        SCOPED_TRACE(layout);
        const bool many = layout & 1, perPixel = layout & 2;
        std::vector<uint8_t> got = base;
        BlendSpan(got.data(), n, many ? colors.data() : nullptr, colors[5],
                  perPixel ? cover.data() : nullptr, 200);
        for (int i = 0; i < n; ++i) {
            const uint32_t src = many ? colors[i] : colors[5];
            const uint32_t cv = perPixel ? cover[i] : 200;
            const uint32_t a = ((src >> 24) * cv) >> 8;
            const uint32_t keep = 256 - a - (a >> 7);
            for (int ch = 0; ch < 4; ++ch) {
                const uint32_t s = (((src >> (8 * ch)) & 0xFF) * cv) >> 8;
                const uint32_t want = std::min(255u, s + ((base[i * 4 + ch] * keep) >> 8));
                ASSERT_EQ(got[i * 4 + ch], want) << i << " channel " << ch;
            }
        }
    }
}

#ifdef __SSE2__
// The wide body against the portable one on random spans: every length round
// the four-pixel steps, one or many colours and coverages, runs of whole and
// empty pixels, opaque and translucent colours over translucent pixels.
TEST(BlendSpan, WideAndPortableBodiesDrawTheSamePixels) {
    std::mt19937 rng(11);
    auto pick = [&](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
    for (int round = 0; round < 3000; ++round) {
        const int n = static_cast<int>(pick(70));
        const bool many = pick(2), perPixel = pick(2), opaque = pick(3) == 0;
        std::vector<uint32_t> colors(static_cast<size_t>(n) + 1);
        std::vector<uint16_t> cover(static_cast<size_t>(n) + 1);
        std::vector<uint8_t> base(static_cast<size_t>(n) * 4 + 4);
        for (size_t i = 0; i < colors.size(); ++i) {
            const uint32_t a = opaque ? 255 : pick(256);
            colors[i] = PackPixel(pick(a + 1), pick(a + 1), pick(a + 1), a);
            // Whole and empty pixels come in runs, as inside and beside a shape.
            const uint32_t kind = pick(4);
            cover[i] = static_cast<uint16_t>(kind == 0 ? 0 : kind == 1 ? pick(257) : kFullCover);
        }
        for (size_t i = 0; i < base.size(); i += 4) {
            const uint32_t a = pick(256);
            StorePixel(&base[i], PackPixel(pick(a + 1), pick(a + 1), pick(a + 1), a));
        }
        const uint32_t coverages[] = {0, kFullCover, pick(257)};
        const uint32_t coverage = coverages[pick(3)];
        std::vector<uint8_t> wide = base, portable = base;
        BlendSpanSse2(wide.data(), n, many ? colors.data() : nullptr, colors[0],
                      perPixel ? cover.data() : nullptr, coverage);
        BlendSpanScalar(portable.data(), n, many ? colors.data() : nullptr, colors[0],
                        perPixel ? cover.data() : nullptr, coverage);
        ASSERT_EQ(wide, portable) << "round " << round << ", " << n << " pixels, many " << many
                                  << ", per pixel " << perPixel << ", coverage " << coverage;
    }
}
#endif

} // namespace
} // namespace ww::movie
