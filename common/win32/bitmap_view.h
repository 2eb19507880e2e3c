// A bitmap file read into memory, checked by ParseBitmapInfo, and drawn
// stretched into a rectangle. A file that is missing, is not a "BM" bitmap or
// whose headers lie about its sizes is not drawn.
#pragma once

#include "common/win32/bitmap_file.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ww {

class BitmapView {
  public:
    bool Load(const std::string& path);
    bool loaded() const { return !dib_.empty(); }
    int width() const { return layout_.width; }
    int height() const { return layout_.height < 0 ? -layout_.height : layout_.height; }
    // Stretches the whole bitmap into rect, averaging (HALFTONE); false when
    // nothing is loaded or GDI refuses it.
    bool DrawStretched(HDC dc, const RECT& rect) const;

  private:
    // The info header as GDI wants it, built field by field, with the colour
    // table or masks after it.
    std::vector<uint8_t> InfoForGdi() const;

    std::vector<uint8_t> dib_; // the file after its 14-byte header
    BitmapLayout layout_;
};

// Loads path and draws it into rect; nothing when it cannot be loaded.
bool DrawBitmapFile(HDC dc, const std::string& path, const RECT& rect);

} // namespace ww
