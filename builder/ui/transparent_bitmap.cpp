#include "builder/ui/transparent_bitmap.h"

#include "common/win32/com.h"

#include <commctrl.h>

#include <algorithm>

namespace ww {

namespace {

constexpr UINT_PTR kSubclassId = 0x4B455942; // "KEYB"
constexpr DWORD kMaskedCopy = 0xCCAA0020;    // mask 1: keep the target; 0: copy the picture

// A memory context with a bitmap selected, both freed at the end.
class MemoryCanvas {
  public:
    MemoryCanvas(HDC compatibleWith, HBITMAP bitmap)
        : dc_(CreateCompatibleDC(compatibleWith)), bitmap_(bitmap) {
        if (dc_ && bitmap_)
            old_ = SelectObject(dc_, bitmap_);
    }
    ~MemoryCanvas() {
        if (dc_) {
            if (old_)
                SelectObject(dc_, old_);
            DeleteDC(dc_);
        }
        if (bitmap_)
            DeleteObject(bitmap_);
    }
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;
    bool ok() const { return dc_ && bitmap_ && old_; }
    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }

  private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_ = nullptr;
};

// The composition without a masked copy: the target's own pixels where the
// mask is set, the picture's elsewhere.
bool ComposeWithPlainCopies(HDC target, HDC picture, HDC mask, int width, int height) {
    MemoryCanvas buffer(target, CreateCompatibleBitmap(target, width, height));
    if (!buffer.ok())
        return false;
    // Monochrome sources expand to the destination's background colour for 1
    // and its text colour for 0.
    SetBkColor(buffer.dc(), RGB(255, 255, 255));
    SetTextColor(buffer.dc(), RGB(0, 0, 0));
    COLORREF pictureBack = SetBkColor(picture, RGB(255, 255, 255));
    COLORREF pictureText = SetTextColor(picture, RGB(0, 0, 0));
    bool ok = BitBlt(buffer.dc(), 0, 0, width, height, target, 0, 0, SRCCOPY) &&
              BitBlt(buffer.dc(), 0, 0, width, height, mask, 0, 0, SRCAND) &&
              BitBlt(picture, 0, 0, width, height, mask, 0, 0, 0x00220326) &&
              BitBlt(buffer.dc(), 0, 0, width, height, picture, 0, 0, SRCPAINT) &&
              BitBlt(target, 0, 0, width, height, buffer.dc(), 0, 0, SRCCOPY);
    SetBkColor(picture, pictureBack);
    SetTextColor(picture, pictureText);
    return ok;
}

} // namespace

bool PaintKeyedBitmap(HDC target, HBITMAP bitmap, int width, int height, bool maskedCopy) {
    if (!bitmap || width <= 0 || height <= 0)
        return false;
    BITMAP info{};
    if (!GetObjectA(bitmap, sizeof info, &info))
        return false;
    MemoryCanvas picture(nullptr, CreateCompatibleBitmap(target, width, height));
    MemoryCanvas mask(nullptr, CreateBitmap(width, height, 1, 1, nullptr));
    MemoryDc source(nullptr);
    if (!picture.ok() || !mask.ok() || !source.get())
        return false;
    GdiObject key(CreateSolidBrush(TRANSPARENT_KEY));
    RECT all{0, 0, width, height};
    FillRect(picture.dc(), &all, static_cast<HBRUSH>(key.get()));
    {
        SelectedObject selected(source.get(), bitmap);
        BitBlt(picture.dc(), 0, 0, std::min<int>(width, info.bmWidth),
               std::min<int>(height, info.bmHeight), source.get(), 0, 0, SRCCOPY);
    }

    COLORREF back = SetBkColor(picture.dc(), TRANSPARENT_KEY);
    BitBlt(mask.dc(), 0, 0, width, height, picture.dc(), 0, 0, SRCCOPY);
    SetBkColor(picture.dc(), back);

    if (maskedCopy &&
        MaskBlt(target, 0, 0, width, height, picture.dc(), 0, 0, mask.bitmap(), 0, 0, kMaskedCopy))
        return true;
    return ComposeWithPlainCopies(target, picture.dc(), mask.dc(), width, height);
}

TransparentBitmapStatic::~TransparentBitmapStatic() {
    if (hwnd_ && IsWindow(hwnd_))
        RemoveWindowSubclass(hwnd_, &TransparentBitmapStatic::SubclassProc, kSubclassId);
}

bool TransparentBitmapStatic::SubclassDlgItem(int id, HWND dialog) {
    HWND control = GetDlgItem(dialog, id);
    if (!control || hwnd_)
        return false;
    hwnd_ = control;
    return SetWindowSubclass(hwnd_, &TransparentBitmapStatic::SubclassProc, kSubclassId,
                             reinterpret_cast<DWORD_PTR>(this)) != FALSE;
}

LRESULT CALLBACK TransparentBitmapStatic::SubclassProc(HWND hwnd, UINT message, WPARAM wParam,
                                                       LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &TransparentBitmapStatic::SubclassProc, kSubclassId);
        reinterpret_cast<TransparentBitmapStatic*>(self)->hwnd_ = nullptr;
    } else if (message == WM_PAINT) {
        auto bitmap = reinterpret_cast<HBITMAP>(SendMessageA(hwnd, STM_GETIMAGE, IMAGE_BITMAP, 0));
        if (bitmap) {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd, &paint);
            RECT client{};
            GetClientRect(hwnd, &client);
            PaintKeyedBitmap(dc, bitmap, client.right, client.bottom);
            EndPaint(hwnd, &paint);
            return 0;
        }
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

} // namespace ww
