// The still picture of a movie that the projectable wallpaper carries when the
// author chose no display image: Wovenlite has no renderer (it stays a small
// stub), so the builder draws the movie here, at a standard screen size, laid
// out as the page lays it out on such a screen, and Wovenlite scales it to the
// user's screen.
#pragma once

#include "movie/raster.h"

#include <string>

namespace ww {

constexpr int kMovieStillWidth = 1920;
constexpr int kMovieStillHeight = 1080;
// Frames looked through for the first that draws something.
constexpr long kMovieStillSearchFrames = 250;

// The first frame (from 1) of the page's movie that draws anything besides
// the background, drawn on a screen of width x height as the page places
// and scales it; false, saying why, when the movie cannot be read or draws
// nothing in its first frames.
bool RenderMovieStill(const std::string& pagePath, const std::string& moviePath, int width,
                      int height, movie::Canvas* still, long* frame, std::string* error);

} // namespace ww
