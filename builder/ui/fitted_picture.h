// FittedPicture: a decoration (the banner, the side pictures) that fills its
// frame at any DPI. The artwork is drawn for 96 DPI; a picture control shows
// a bitmap at its own size, so at 144 DPI it would cover two thirds of its
// frame. The copy it shows is scaled to the frame with HALFTONE, which
// averages pixels instead of repeating or dropping them.
#pragma once

#include <windows.h>

namespace ww {

// A copy of source scaled to width x height with HALFTONE; nullptr when GDI
// refuses. The caller deletes it.
HBITMAP HalftoneScaledCopy(HBITMAP source, int width, int height);

class FittedPicture {
  public:
    FittedPicture() = default;
    ~FittedPicture();
    FittedPicture(const FittedPicture&) = delete;
    FittedPicture& operator=(const FittedPicture&) = delete;

    // Shows bitmap resource bitmapId of the dialog's module in picture
    // control controlId, scaled to the control's client area. The control
    // keeps the size its template gives it (SS_REALSIZECONTROL).
    bool Fit(HWND dialog, int controlId, int bitmapId);

  private:
    HBITMAP shown_ = nullptr;
};

} // namespace ww
