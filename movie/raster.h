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
#include <cstring>
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

// Premultiplied RGBA packed little-endian: r in the low byte, as stored.
inline uint32_t PackPixel(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    return r | (g << 8) | (b << 16) | (a << 24);
}

// Source over destination for packed premultiplied pixels, two channels at a
// time: dst * (255 - alpha) / 255 + src.
inline uint32_t Over(uint32_t src, uint32_t dst) {
    const uint32_t inv = 255 - (src >> 24);
    uint32_t rb = (dst & 0x00FF00FFu) * inv + 0x00800080u;
    rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
    uint32_t ga = ((dst >> 8) & 0x00FF00FFu) * inv + 0x00800080u;
    ga = (ga + ((ga >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
    return src + rb + ga;
}

// A packed pixel scaled by coverage (0..256).
inline uint32_t Scale(uint32_t p, uint32_t coverage) {
    const uint32_t rb = (((p & 0x00FF00FFu) * coverage) >> 8) & 0x00FF00FFu;
    const uint32_t ga = (((p >> 8) & 0x00FF00FFu) * coverage) & 0xFF00FF00u;
    return rb | ga;
}

// On little-endian machines the packed word is the stored bytes: one load
// or store instead of four, in the loops that touch every pixel.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
inline uint32_t LoadPixel(const uint8_t* d) {
    uint32_t p;
    std::memcpy(&p, d, sizeof p);
    return p;
}

inline void StorePixel(uint8_t* d, uint32_t p) {
    std::memcpy(d, &p, sizeof p);
}
#else
inline uint32_t LoadPixel(const uint8_t* d) {
    return PackPixel(d[0], d[1], d[2], d[3]);
}

inline void StorePixel(uint8_t* d, uint32_t p) {
    d[0] = static_cast<uint8_t>(p);
    d[1] = static_cast<uint8_t>(p >> 8);
    d[2] = static_cast<uint8_t>(p >> 16);
    d[3] = static_cast<uint8_t>(p >> 24);
}
#endif

// Blends premultiplied r, g, b, a at coverage (0..256) into pixel d.
inline void BlendPixel(uint8_t* d, uint32_t r, uint32_t g, uint32_t b, uint32_t a,
                       uint32_t coverage) {
    const uint32_t src = PackPixel(r, g, b, a);
    if (coverage >= 256) {
        StorePixel(d, a == 255 ? src : Over(src, LoadPixel(d)));
        return;
    }
    StorePixel(d, Over(Scale(src, coverage), LoadPixel(d)));
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
