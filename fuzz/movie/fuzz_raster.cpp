// The rasteriser on any edges: lines of any length and direction, on or off
// the canvas, huge or not finite, with any fills on either side, under both
// rules, with and without anti-aliasing, into a canvas and into a mask. It
// must not fault, and no pixel may end up covered more than once over: every
// premultiplied channel stays within its alpha.
#include "movie/raster.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

using namespace ww::movie;

namespace {

class Flat : public Paint {
  public:
    explicit Flat(uint32_t c) : c_(c) {}
    void Colors(int, int x0, int x1, uint32_t* out) override {
        for (int x = x0; x < x1; ++x)
            *out++ = c_;
    }

  private:
    uint32_t c_;
};

// A coordinate from two bytes: mostly near the canvas, now and then far off
// or not a number at all.
double Coordinate(const uint8_t* p) {
    const int v = static_cast<int16_t>(p[0] | (p[1] << 8));
    switch (v & 0x7F) {
    case 0x7F:
        return std::numeric_limits<double>::quiet_NaN();
    case 0x7E:
        return v * 1e6;
    default:
        return v / 64.0;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3 || size > 1 << 16)
        return 0;
    const bool nonZero = data[0] & 1, antiAlias = data[0] & 2, toMask = data[0] & 4;
    const uint32_t fills = 1 + ((data[0] >> 3) & 3);
    const int w = 1 + data[1] % 96, h = 1 + data[2] % 96;
    Rasterizer r;
    r.SetSize(w, h);
    r.SetAntiAlias(antiAlias);
    for (size_t at = 3; at + 9 <= size; at += 9) {
        const uint8_t* p = data + at;
        r.AddEdge(Coordinate(p), Coordinate(p + 2), Coordinate(p + 4), Coordinate(p + 6),
                  (p[8] & 15) % (fills + 2), (p[8] >> 4) % (fills + 2));
    }
    Canvas c;
    c.width = w;
    c.height = h;
    c.pixels.assign(static_cast<size_t>(w) * h * 4, 0); // transparent
    std::vector<uint8_t> mask(static_cast<size_t>(w) * h, 0), clip(mask.size(), 200);
    Flat red(PackPixel(255, 0, 0, 255)), blue(PackPixel(0, 0, 255, 255)),
        half(PackPixel(64, 64, 0, 128)), clear(0);
    Paint* paints[4] = {&red, &blue, &half, &clear};
    Surface s;
    s.width = w;
    s.height = h;
    s.pixels = c.pixels.data();
    s.maskOut = toMask ? mask.data() : nullptr;
    s.clip = data[0] & 32 ? clip.data() : nullptr;
    r.Fill(nonZero, paints, fills, s);
    for (size_t i = 0; i < c.pixels.size(); i += 4) {
        const uint8_t a = c.pixels[i + 3];
        if (c.pixels[i] > a + 1 || c.pixels[i + 1] > a + 1 || c.pixels[i + 2] > a + 1)
            std::abort();
        // Red and blue over nothing add up to at most one whole pixel.
        if (c.pixels[i] + c.pixels[i + 2] > 256)
            std::abort();
    }
    return 0;
}
