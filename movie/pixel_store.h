// A script's bitmap (BitmapData): premultiplied pixels in the movie's own
// Bitmap layout, so the renderer draws one like any bitmap of the movie.
// Scripts speak straight (not premultiplied) ARGB packed in 32 bits; the
// conversions round as Flash's do, so a colour read back after a write
// loses what Flash loses and no more.
//
// Every operation clips to the bitmap: no area, offset or size a script
// passes reads or writes outside the pixels.
#pragma once

#include "movie/movie.h"

#include <cstdint>

namespace ww::movie {

// Flash 8's largest side, and its largest bitmap.
constexpr int32_t kMaxBitmapSide = 2880;

struct PixelStore {
    Bitmap bitmap;
    bool transparent = true;
    int32_t width() const { return bitmap.width; }
    int32_t height() const { return bitmap.height; }
};

struct PixelArea {
    int32_t x = 0, y = 0, w = 0, h = 0;
};

uint32_t Premultiplied(uint32_t argb);
uint32_t Straight(uint32_t premultiplied);

// False (and store untouched) for a side under 1 or over kMaxBitmapSide.
bool MakePixels(PixelStore* store, int32_t width, int32_t height, bool transparent, uint32_t argb);
// Straight ARGB; 0 outside the bitmap.
uint32_t ReadPixel(const PixelStore& store, int32_t x, int32_t y);
// An opaque bitmap keeps its pixels opaque whatever alpha is asked for.
void WritePixel(PixelStore& store, int32_t x, int32_t y, uint32_t argb);
// The premultiplied pixel; x, y inside.
uint32_t RawPixel(const PixelStore& store, int32_t x, int32_t y);
void SetRawPixel(PixelStore& store, int32_t x, int32_t y, uint32_t premultiplied);

// The part of area inside the bitmap (empty when none).
PixelArea ClipArea(const PixelStore& store, PixelArea area);
void FillArea(PixelStore& store, PixelArea area, uint32_t argb);
// from's area to (x, y) of to; from and to may be the same store. With an
// alpha bitmap its alpha channel, at (ax, ay) for the area's corner, scales
// the source. mergeAlpha blends onto what is there instead of replacing.
void CopyArea(PixelStore& to, const PixelStore& from, PixelArea area, int32_t x, int32_t y,
              const PixelStore* alpha, int32_t ax, int32_t ay, bool mergeAlpha);
// Channels are 1 red, 2 green, 4 blue, 8 alpha (one bit each).
void CopyChannel(PixelStore& to, const PixelStore& from, PixelArea area, int32_t x, int32_t y,
                 int fromChannel, int toChannel);
void TransformArea(PixelStore& store, PixelArea area, const ColorTransform& cx);
void ScrollPixels(PixelStore& store, int32_t dx, int32_t dy);
// The smallest area whose stored pixels & mask equal color as stored (not
// masked), or differ from it when find is false; empty when none.
PixelArea ColorBounds(const PixelStore& store, uint32_t mask, uint32_t color, bool find);
// Blends from's area onto to at (x, y), channel by channel: (from * m +
// to * (256 - m)) / 256 with m the channel's multiplier.
void MergeArea(PixelStore& to, const PixelStore& from, PixelArea area, int32_t x, int32_t y,
               const int multiplier[4]);
enum class ThresholdTest : uint8_t { Less, LessEqual, Greater, GreaterEqual, Equal, NotEqual };
// Pixels of from's area whose premultiplied value & mask passes the test
// against threshold & mask become color at (x, y) of to; the others are
// copied there when copySource. Answers how many passed.
uint32_t ThresholdArea(PixelStore& to, const PixelStore& from, PixelArea area, int32_t x, int32_t y,
                       ThresholdTest test, uint32_t threshold, uint32_t color, uint32_t mask,
                       bool copySource);
// noise(): channels (1 red, 2 green, 4 blue, 8 alpha) drawn from Flash's
// generator, the minimal standard one (x * 16807 mod 2^31 - 1), in row
// order, a pixel's red, green, blue, then alpha; grey draws one value for
// all three. Values run from low to high; channels not drawn are 0, alpha
// 255.
void FillNoise(PixelStore& store, int32_t seed, int32_t low, int32_t high, int channels, bool grey);
// applyFilter(): from's area, with room around it for what the filter
// spreads, filtered and put at (x, y) of to; what falls outside to is lost.
void FilterArea(PixelStore& to, const PixelStore& from, PixelArea area, int32_t x, int32_t y,
                const Filter& filter);
// paletteMap(): each pixel of from's area becomes the sum of the four
// tables' entries for its straight channels (red, green, blue, alpha), put
// at (x, y) of to.
void PaletteArea(PixelStore& to, const PixelStore& from, PixelArea area, int32_t x, int32_t y,
                 const uint32_t tables[4][256]);
// compare()'s pixel: 0 when equal; the channel differences (mod 256) over
// opaque alpha when the colours differ; else the alpha difference over white.
uint32_t PixelDifference(uint32_t a, uint32_t b);
// Replaces the four-connected region of (x, y)'s colour with argb.
void FloodFill(PixelStore& store, int32_t x, int32_t y, uint32_t argb);

} // namespace ww::movie
