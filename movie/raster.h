// The scanline rasteriser: line segments in pixel coordinates accumulate
// signed area and cover into one cell per pixel; a running sum along each row
// turns them into exact coverage for polygons, anti-aliased without samples.
// The sum's magnitude, clamped to 1, is the non-zero rule for contours of one
// orientation; folded every 2 it is the even-odd rule.
//
// Paints receive a row of coverage and blend their colour into premultiplied
// RGBA pixels.
#pragma once

#include "movie/movie.h"

#include <cstdint>
#include <vector>

namespace ww::movie {

struct Canvas {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels; // premultiplied RGBA, rows top down
};

class Paint {
  public:
    virtual ~Paint() = default;
    // coverage[i] (0..1) belongs to pixel x0 + i of row y; x1 is exclusive.
    virtual void Row(int y, int x0, int x1, const float* coverage) = 0;
};

// Blends premultiplied r, g, b, a at coverage (0..256) into pixel d.
inline void BlendPixel(uint8_t* d, uint32_t r, uint32_t g, uint32_t b, uint32_t a,
                       uint32_t coverage) {
    if (coverage >= 256 && a == 255) {
        d[0] = static_cast<uint8_t>(r);
        d[1] = static_cast<uint8_t>(g);
        d[2] = static_cast<uint8_t>(b);
        d[3] = 255;
        return;
    }
    r = (r * coverage) >> 8;
    g = (g * coverage) >> 8;
    b = (b * coverage) >> 8;
    a = (a * coverage) >> 8;
    const uint32_t inv = 255 - a;
    auto div255 = [](uint32_t v) { return (v + 128 + ((v + 128) >> 8)) >> 8; };
    d[0] = static_cast<uint8_t>(r + div255(d[0] * inv));
    d[1] = static_cast<uint8_t>(g + div255(d[1] * inv));
    d[2] = static_cast<uint8_t>(b + div255(d[2] * inv));
    d[3] = static_cast<uint8_t>(a + div255(d[3] * inv));
}

inline uint32_t CoverageUnits(float c) {
    return static_cast<uint32_t>(c * 256.0f + 0.5f);
}

class Rasterizer {
  public:
    // The clip rectangle is 0..width x 0..height.
    void SetSize(int width, int height);
    void AddLine(double x0, double y0, double x1, double y1);
    bool Empty() const { return lines_.empty(); }
    // Paints the area enclosed by the lines added since the last Fill, each
    // coverage multiplied by mask (width x height bytes) when there is one.
    void Fill(bool nonZero, const uint8_t* mask, Paint& paint);
    void Clear() { lines_.clear(); }

  private:
    struct Line {
        float x0, y0, x1, y1;
    };
    void ClipAndAccumulate(Line l, float right);
    void Accumulate(float x0, float y0, float x1, float y1);

    int width_ = 0, height_ = 0;
    std::vector<Line> lines_;
    std::vector<float> cells_, coverage_;
    int stride_ = 0, rows_ = 0, originX_ = 0, originY_ = 0;
};

} // namespace ww::movie
