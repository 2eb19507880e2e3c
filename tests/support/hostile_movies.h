// Movies made to cost a player as much as their few bytes allow: each aims at
// one of the renderer's limits (work, memory, nesting), so tests can check
// that a frame of it is drawn in bounded time and memory.
#pragma once

#include "tests/support/swf_writer.h"

#include <string>
#include <vector>

namespace ww::test {

// One text record after another, each of 255 glyphs held in no bits at all.
Bytes ZeroBitGlyphFlood(size_t records);
// Sprites each placing the next twice: 2^levels full-stage squares, or
// squares of a pixel when tiny (a frame of many objects that cost little
// each, long to draw whatever the picture's size).
Bytes SpriteFanOut(int levels, bool tiny = false);
// Sprites each placing the next twice, 2^levels squares the size of the
// stage, filled with a smoothed bitmap under a colour transform: the costliest
// pixels the renderer draws, so a frame takes long within its work budget.
Bytes SlowFillFanOut(int levels);
// A filled and stroked outline of curves whose control points lie far off
// the stage, placed at a large scale.
Bytes FarCurves(int curves);
// A stroke of the widest line a movie may ask for, zigzagging with round
// joins at every turn.
Bytes WideZigzagStroke(int turns);
// A width x height lossless bitmap (ARGB, opaque grey) filling the stage.
Bytes LargeLosslessBitmap(uint16_t width, uint16_t height);
// A PNG inside DefineBitsJPEG2 whose header claims width x height, with
// almost no image data, filling the stage.
Bytes HugePngInJpeg2(uint32_t width, uint32_t height);
// A side x side pixel stage whose red square sits inside masks nested that
// deep, each a sprite clipping the next with a full-stage mask.
Bytes NestedMaskStage(int side, int masks);

struct HostileMovie {
    std::string name;
    Bytes (*make)();
    int width, height; // the picture drawn
};
// The movies above in the sizes the peak-memory and budget tests draw.
const std::vector<HostileMovie>& HostileMovies();

} // namespace ww::test
