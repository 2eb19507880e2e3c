#include "common/win32/bitmap_view.h"

#include "common/bytes.h"
#include "common/file.h"
#include "common/win32/dialog.h"

#include <cstring>

namespace ww {

bool BitmapView::Load(const std::string& path) {
    dib_.clear();
    File f(path, "rb");
    const int64_t size = f.Size();
    uint8_t header[kBitmapFileHeaderSize];
    if (size < static_cast<int64_t>(kBitmapFileHeaderSize) ||
        static_cast<uint64_t>(size) > kBitmapFileLimit || !f.Seek(0, SEEK_SET) ||
        !f.ReadExact(header, sizeof header) || !IsBitmapFileHeader(header, sizeof header))
        return false;
    std::vector<uint8_t> dib(static_cast<size_t>(size) - kBitmapFileHeaderSize);
    if (!dib.empty() && !f.ReadExact(dib.data(), dib.size()))
        return false;
    BitmapLayout layout;
    if (!ParseBitmapInfo(dib.data(), dib.size(), &layout))
        return false;
    dib_.swap(dib);
    layout_ = layout;
    return true;
}

std::vector<uint8_t> BitmapView::InfoForGdi() const {
    const size_t tableBytes = layout_.compression == kBitmapBitFields
                                  ? 12
                                  : static_cast<size_t>(layout_.paletteEntries) * 4;
    std::vector<uint8_t> info(kBitmapInfoHeaderSize + tableBytes);
    ByteWriter w(info.data(), info.size());
    w.U32(kBitmapInfoHeaderSize);
    w.I32(layout_.width);
    w.I32(layout_.height);
    w.U16(1);
    w.U16(layout_.bitCount);
    w.U32(layout_.compression);
    w.U32(static_cast<uint32_t>(layout_.pixelBytes));
    w.U32(0);
    w.U32(0);
    w.U32(layout_.paletteEntries);
    w.U32(0);
    const size_t from =
        layout_.compression == kBitmapBitFields ? layout_.masksOffset : layout_.paletteOffset;
    w.Bytes(dib_.data() + from, tableBytes);
    return info;
}

bool BitmapView::DrawStretched(HDC dc, const RECT& rect) const {
    if (!loaded())
        return false;
    // GDI reads the header through its own declaration; the buffer is filled
    // field by field above, so only its address is handed over.
    std::vector<uint8_t> info = InfoForGdi();
    const auto* bitmapInfo = reinterpret_cast<const BITMAPINFO*>(info.data());
    GdiObject bitmap(CreateDIBitmap(dc, &bitmapInfo->bmiHeader, CBM_INIT,
                                    dib_.data() + layout_.pixelOffset, bitmapInfo, DIB_RGB_COLORS));
    if (!bitmap.get())
        return false;
    MemoryDc memory(dc);
    if (!memory.get())
        return false;
    SelectedObject selected(memory.get(), bitmap.get());
    // HALFTONE averages the pixels a stretch covers: a plain stretch repeats
    // and drops rows of the pattern unevenly, which shows as dots and seams
    // at a DPI other than the artwork's. It reads the brush origin.
    int oldMode = SetStretchBltMode(dc, HALFTONE);
    POINT oldOrigin{};
    SetBrushOrgEx(dc, 0, 0, &oldOrigin);
    BOOL drawn = StretchBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                            memory.get(), 0, 0, width(), height(), SRCCOPY);
    SetStretchBltMode(dc, oldMode);
    SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
    return drawn != FALSE;
}

} // namespace ww
