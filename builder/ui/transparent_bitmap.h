// TransparentBitmapStatic: a picture control whose bitmap has one key colour,
// RGB(214, 211, 206), through which the page's background shows.
#pragma once

#include <windows.h>

namespace ww {

constexpr COLORREF TRANSPARENT_KEY = RGB(214, 211, 206); // 0x00CED3D6

class TransparentBitmapStatic {
  public:
    TransparentBitmapStatic() = default;
    ~TransparentBitmapStatic();
    TransparentBitmapStatic(const TransparentBitmapStatic&) = delete;
    TransparentBitmapStatic& operator=(const TransparentBitmapStatic&) = delete;

    // Takes over the painting of picture control id of dialog.
    bool SubclassDlgItem(int id, HWND dialog);
    HWND hwnd() const { return hwnd_; }

  private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    HWND hwnd_ = nullptr;
};

// Draws bitmap at the top left of target, at its own size and clipped to
// width x height, leaving target as it was wherever the bitmap has the key
// colour or does not reach. The masked copy is tried first unless
// maskedCopy is false; the plain-copy composition stands in when it fails.
bool PaintKeyedBitmap(HDC target, HBITMAP bitmap, int width, int height, bool maskedCopy = true);

} // namespace ww
