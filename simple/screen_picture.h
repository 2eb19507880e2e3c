// The movie's still, drawn by the builder for a standard screen and stored
// as PNG, fitted to the screen the wallpaper is installed on as the bitmap
// the system takes for a wallpaper.
#pragma once

#include <string>

namespace ww {

// Decodes the picture at picturePath with the system's imaging component,
// scales it to cover a screen of width x height, keeping its proportions and
// its middle (as the system's Fill position does), and writes it as a
// 24-bit bitmap at bitmapPath. COM must be started on this thread. False
// when the system has no decoder, the picture is broken or too large, or the
// bitmap cannot be written; nothing is left at bitmapPath then.
bool CoverScreenWithPicture(const std::string& picturePath, const std::string& bitmapPath,
                            int width, int height);

} // namespace ww
