// The Flash 8 look: bitmap filters and blend modes as PlaceObject3 gives
// them, and the work they do on layers, offscreen premultiplied RGBA buffers
// an object is drawn into before it joins its parent.
//
// Every parameter is capped where it is read and again where it is used, so
// a hostile movie costs bounded work: blur radii at kMaxBlurRadius pixels,
// passes at kMaxBlurPasses, convolution matrices at kMaxConvolutionSide a
// side, and every float made finite.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ww::movie {

struct Rgba;

constexpr int kMaxBlurPasses = 15;
// A blur larger than this many pixels either way looks the same as this one.
constexpr int kMaxBlurRadius = 128;
constexpr int kMaxConvolutionSide = 15;
// Filters kept for one object; more are ignored.
constexpr size_t kMaxFilters = 32;
constexpr size_t kMaxGradientColors = 16;

enum class FilterKind : uint8_t {
    DropShadow = 0,
    Blur = 1,
    Glow = 2,
    Bevel = 3,
    GradientGlow = 4,
    Convolution = 5,
    ColorMatrix = 6,
    GradientBevel = 7,
};

struct FilterColor {
    uint8_t r = 0, g = 0, b = 0, a = 0; // straight
};

// One filter's fields; which of them count depends on kind. Blur sizes and
// distance are in stage pixels, angle in radians.
struct Filter {
    FilterKind kind = FilterKind::Blur;
    float blurX = 0, blurY = 0;
    int passes = 1;
    float angle = 0, distance = 0, strength = 1;
    bool inner = false, knockout = false, compositeSource = true, onTop = false;
    FilterColor color, highlight; // shadow or glow colour; bevel highlight
    // Gradient glow and bevel: colours and ratios, at least two.
    std::vector<FilterColor> colors;
    std::vector<uint8_t> ratios;
    // Colour matrix, 4 rows of 5 (the last column in 0-255 units).
    float matrix[20] = {};
    // Convolution.
    int matrixX = 0, matrixY = 0;
    float divisor = 1, bias = 0;
    std::vector<float> kernel;
    FilterColor defaultColor;
    bool clamp = true, preserveAlpha = false;
};

enum class BlendMode : uint8_t {
    Normal = 1,
    Layer = 2,
    Multiply = 3,
    Screen = 4,
    Lighten = 5,
    Darken = 6,
    Difference = 7,
    Add = 8,
    Subtract = 9,
    Invert = 10,
    Alpha = 11,
    Erase = 12,
    Overlay = 13,
    HardLight = 14,
};

// The blend mode a PlaceObject3 byte names; normal for 0 and unknown values.
BlendMode BlendModeOf(uint8_t value);

// A rectangle of layer pixels, premultiplied RGBA rows top down.
struct Layer {
    int x = 0, y = 0; // position of its top left pixel on the canvas below
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
};

// How far (in pixels, after scale) a filter's result reaches beyond the
// object's own pixels on each side: left, top, right, bottom.
struct Reach {
    int left = 0, top = 0, right = 0, bottom = 0;
};
Reach FilterReach(const Filter& f, double scale);
// The reach of a chain of filters, each growing what the one before drew.
Reach ChainReach(const std::vector<Filter>& filters, double scale);

// The work a filter does on a layer of so many pixels, in passes over a
// pixel's byte: what a frame's work budget is charged for it.
uint64_t FilterWork(const Filter& f, uint64_t pixels);

// Box blur radii (half widths, the box 2r + 1 pixels) a blur size of `size`
// pixels gives, capped.
int BlurRadius(float size, double scale);

// Blurs one channel plane of width x height bytes in place: passes box
// blurs, each across rows then down columns, a row at a time.
void BlurPlane(uint8_t* plane, int width, int height, int radiusX, int radiusY, int passes,
               std::vector<uint32_t>* scratch);

// Applies one filter to a layer, whose pixels are the object's; scale maps
// filter pixels to layer pixels. The layer is as large as ChainReach asks.
void ApplyFilter(const Filter& f, double scale, Layer* layer);

// Composites a layer into dst (width x height premultiplied RGBA) with a
// blend mode, only inside box (x0, y0, x1, y1) and scaled by the coverage
// of clip (a width x height mask) when given.
void CompositeLayer(const Layer& layer, BlendMode mode, uint8_t* dst, int width, int height,
                    const uint8_t* clip, int x0, int y0, int x1, int y1);

// One premultiplied pixel blended onto another by mode: src over dst.
void BlendPixel(BlendMode mode, const uint8_t* src, uint8_t* dst);

} // namespace ww::movie
