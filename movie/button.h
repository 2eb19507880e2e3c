// Buttons: DefineButton, DefineButton2 and DefineButtonCxform read into the
// movie's Button records, and the display list a button shows in one state.
#pragma once

#include "movie/parse_internal.h"
#include "movie/player.h"

#include <vector>

namespace ww::movie {

// DefineButton (version 1) or DefineButton2 (version 2) after the button id.
bool ParseButton(TagReader& r, int version, Button* button, ParseContext& ctx);
// DefineButtonCxform: the button id and a CXFORM that colours every record of
// a DefineButton defined before it.
void ApplyButtonCxform(TagReader& r, ParseContext& ctx);

// The records a button shows in the states given (kButtonUp for a button
// with no pointer over it), as display objects in depth order. A sprite
// among them shows its first frame; sprites and buttons nest at most
// nesting levels deep.
void ButtonDisplayList(const Movie& movie, const Button& button, uint8_t state, int nesting,
                       SpriteState* out);

} // namespace ww::movie
