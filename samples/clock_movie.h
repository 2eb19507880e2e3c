// The clock sample's movie: a 400 x 400 stage whose face is drawn by script
// with the drawing API, whose hands turn by _rotation from Date and whose
// four seven-segment digits are sprites a script sends to the right frame.
#pragma once

#include "tests/support/swf_writer.h"

namespace ww::samples {

constexpr int kClockStage = 400; // pixels, square
// Where the hands turn, in stage pixels.
constexpr int kClockCentreX = 200, kClockCentreY = 180;

ww::test::Bytes MakeClockMovie();

} // namespace ww::samples
