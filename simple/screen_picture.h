// The movie's still, drawn by the builder for a standard screen, fitted to
// the screen the wallpaper is installed on.
#pragma once

#include <string>

namespace ww {

// Scales the 24-bit bitmap at path to cover a screen of width x height,
// keeping its proportions and its middle (as the system's Fill position
// does), and writes it back in place. False leaves the file as it was: a
// file that is not such a bitmap, or one that cannot be rewritten.
bool CoverScreenWithPicture(const std::string& path, int width, int height);

} // namespace ww
