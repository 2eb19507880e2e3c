#include "builder/ui/fitted_picture.h"

#include "common/win32/com.h"

namespace ww {

HBITMAP HalftoneScaledCopy(HBITMAP source, int width, int height) {
    BITMAP info{};
    if (!source || width <= 0 || height <= 0 || !GetObjectA(source, sizeof info, &info))
        return nullptr;
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof header.bmiHeader;
    header.bmiHeader.biWidth = width;
    header.bmiHeader.biHeight = height;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 24;
    header.bmiHeader.biCompression = BI_RGB;
    MemoryDc from(nullptr), to(nullptr);
    void* bits = nullptr;
    HBITMAP scaled = CreateDIBSection(nullptr, &header, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!scaled || !from.get() || !to.get()) {
        if (scaled)
            DeleteObject(scaled);
        return nullptr;
    }
    BOOL drawn = FALSE;
    {
        SelectedObject chosen(from.get(), source);
        SelectedObject target(to.get(), scaled);
        SetStretchBltMode(to.get(), HALFTONE);
        // HALFTONE reads the brush origin; it must be set after the mode.
        SetBrushOrgEx(to.get(), 0, 0, nullptr);
        drawn = StretchBlt(to.get(), 0, 0, width, height, from.get(), 0, 0, info.bmWidth,
                           info.bmHeight, SRCCOPY);
        GdiFlush();
    }
    if (!drawn) {
        DeleteObject(scaled);
        return nullptr;
    }
    return scaled;
}

FittedPicture::~FittedPicture() {
    if (shown_)
        DeleteObject(shown_);
}

bool FittedPicture::Fit(HWND dialog, int controlId, int bitmapId) {
    HWND control = GetDlgItem(dialog, controlId);
    RECT client{};
    if (!control || !GetClientRect(control, &client))
        return false;
    auto* instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
    GdiObject artwork(
        LoadImageA(instance, MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    HBITMAP scaled =
        HalftoneScaledCopy(static_cast<HBITMAP>(artwork.get()), client.right, client.bottom);
    if (!scaled)
        return false;
    SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled));
    if (shown_)
        DeleteObject(shown_);
    shown_ = scaled;
    return true;
}

} // namespace ww
