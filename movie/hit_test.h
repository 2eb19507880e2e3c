// Whether a point falls on what an object draws: inside a fill of a shape
// by the shape's own winding rule, or on one of its lines; sprites and
// buttons by their children (a button by its hit state) and what scripts
// drew in them. Text by its box.
#pragma once

#include "movie/player.h"

namespace ww::movie {

// (x, y) in the shape's own twips.
bool ShapeContains(const Shape& shape, double x, double y);
// (x, y) in the space o is placed in (its parent's).
bool ObjectContains(const Movie& movie, const DisplayObject& o, double x, double y,
                    int nesting = 0);
// Any visible object of the list, in the sprite's own space.
bool ListContains(const Movie& movie, const SpriteState& s, double x, double y, int nesting = 0);
// A button's hit state, in the button's own space.
bool ButtonContains(const Movie& movie, const Button& button, double x, double y, int nesting);

} // namespace ww::movie
