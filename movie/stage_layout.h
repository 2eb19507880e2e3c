// How the stage is laid into the area that shows it: scaled to fit, to fill,
// stretched, or at its own size, and which edges it keeps to. The host's
// page chooses; a script's Stage.scaleMode and Stage.align override it.
#pragma once

#include <cstdint>
#include <string>

namespace ww::movie {

enum class ScaleMode { ShowAll, NoBorder, ExactFit, NoScale };

// "showall", "noborder", "exactfit", "noscale".
bool ParseScaleMode(const std::string& text, ScaleMode* mode);
// As scripts read it: "showAll", "noBorder", "exactFit", "noScale".
const char* ScaleModeName(ScaleMode mode);

// Edges the stage keeps to; none: centred. Left and right together keep to
// the left, top and bottom together to the top.
enum StageAlign : uint8_t {
    kAlignLeft = 1,
    kAlignTop = 2,
    kAlignRight = 4,
    kAlignBottom = 8,
};

// The edges named by the letters L, T, R and B anywhere in text, in any
// case; every other character is ignored.
uint8_t ParseStageAlign(const std::string& text);
// The edges as letters in the order L, T, R, B ("LT", "RB", "").
std::string StageAlignText(uint8_t align);

// The area showing the movie, in pixels, with the host's own layout.
struct StageView {
    int width = 0, height = 0; // 0: not known yet
    ScaleMode scale = ScaleMode::ShowAll;
    uint8_t align = 0;
};

} // namespace ww::movie
