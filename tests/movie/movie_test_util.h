// Shared by the movie tests: a movie's bytes parsed, played and drawn, and
// pixels compared channel by channel within a tolerance.
#pragma once

#include "movie/movie.h"
#include "movie/player.h"
#include "movie/render.h"
#include "tests/support/swf_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace ww::test {

// The stage is 550 x 400 pixels: 20 twips each at the default size.
constexpr int32_t kPx = 20;

// trace(text)
ActionWriter TraceText(const std::string& text);
// target.method = function () { body }
ActionWriter Handler(const std::string& target, const std::string& method,
                     const ActionWriter& body);

movie::Movie ParseOrFail(const Bytes& swf);
// Frame frames (from 1) of the movie drawn at width x height.
movie::Canvas RenderFrame(const Bytes& swf, int frame = 1, int width = 550, int height = 400,
                          movie::ScaleMode scale = movie::ScaleMode::ShowAll,
                          movie::Quality quality = movie::Quality::High);
// The pixel, unpremultiplied (the canvas is opaque, so as it stands).
Rgba8 PixelAt(const movie::Canvas& canvas, int x, int y);
::testing::AssertionResult PixelNear(const movie::Canvas& canvas, int x, int y, Rgba8 want,
                                     int tolerance = 2);

struct PixelCase {
    int x, y;
    Rgba8 want;
};
// Every pixel of the table, each failure with its position.
void ExpectPixels(const movie::Canvas& canvas, const std::vector<PixelCase>& cases,
                  int tolerance = 2);

constexpr Rgba8 kWhite{255, 255, 255, 255};
constexpr Rgba8 kRed{255, 0, 0, 255};
constexpr Rgba8 kBlue{0, 0, 255, 255};

} // namespace ww::test
