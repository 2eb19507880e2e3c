#include "simple/screen_picture.h"

#include "common/file.h"
#include "common/win32/bitmap_file.h"
#include "common/win32/com.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace ww {

namespace {

bool ReadPicture(const std::string& path, std::vector<uint8_t>* bytes, BitmapLayout* layout) {
    File in(path, "rb");
    const int64_t size = in.Size();
    if (size < static_cast<int64_t>(kBitmapFileHeaderSize + kBitmapInfoHeaderSize) ||
        static_cast<uint64_t>(size) > kBitmapFileLimit)
        return false;
    bytes->resize(static_cast<size_t>(size));
    if (!in.ReadExact(bytes->data(), bytes->size()) ||
        !IsBitmapFileHeader(bytes->data(), bytes->size()))
        return false;
    const uint8_t* dib = bytes->data() + kBitmapFileHeaderSize;
    const size_t dibSize = bytes->size() - kBitmapFileHeaderSize;
    // Only the kind the builder writes: its pixels follow a plain header.
    return ParseBitmapInfo(dib, dibSize, layout) && layout->bitCount == 24 &&
           layout->compression == kBitmapRgb && layout->height > 0 && layout->width > 0 &&
           layout->paletteEntries == 0 && dib[0] == kBitmapInfoHeaderSize;
}

BITMAPINFOHEADER Header24(int width, int height) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = BI_RGB;
    return h;
}

bool WritePicture(const std::string& path, const BITMAPINFOHEADER& info, const void* bits) {
    const uint32_t rowSize = (static_cast<uint32_t>(info.biWidth) * 3 + 3) & ~3u;
    const uint32_t imageSize = rowSize * static_cast<uint32_t>(info.biHeight);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + imageSize;
    AtomicOutput out;
    return out.Begin(path) && out.file().Write(&file, sizeof file) &&
           out.file().Write(&info, sizeof info) && out.file().Write(bits, imageSize) &&
           out.Commit();
}

} // namespace

bool CoverScreenWithPicture(const std::string& path, int width, int height) {
    std::vector<uint8_t> bytes;
    BitmapLayout layout;
    if (width <= 0 || height <= 0 || width > kBitmapSideLimit || height > kBitmapSideLimit ||
        !ReadPicture(path, &bytes, &layout))
        return false;
    const int pictureWidth = layout.width, pictureHeight = layout.height;
    if (pictureWidth == width && pictureHeight == height)
        return true;
    // The part of the picture with the screen's proportions, from its middle.
    const int64_t cutWidth =
        std::min<int64_t>(pictureWidth, static_cast<int64_t>(pictureHeight) * width / height);
    const int64_t cutHeight =
        std::min<int64_t>(pictureHeight, static_cast<int64_t>(pictureWidth) * height / width);
    const int cutX = static_cast<int>((pictureWidth - cutWidth) / 2);
    const int cutY = static_cast<int>((pictureHeight - cutHeight) / 2);

    BITMAPINFO source{};
    std::memcpy(&source.bmiHeader, bytes.data() + kBitmapFileHeaderSize, kBitmapInfoHeaderSize);
    const uint8_t* sourceBits = bytes.data() + kBitmapFileHeaderSize + layout.pixelOffset;
    BITMAPINFO target{};
    target.bmiHeader = Header24(width, height);
    MemoryDc dc(nullptr);
    void* targetBits = nullptr;
    GdiObject screen(CreateDIBSection(dc.get(), &target, DIB_RGB_COLORS, &targetBits, nullptr, 0));
    if (!dc.get() || !screen.get() || !targetBits)
        return false;
    int drawn = 0;
    {
        SelectedObject chosen(dc.get(), screen.get());
        SetStretchBltMode(dc.get(), HALFTONE);
        SetBrushOrgEx(dc.get(), 0, 0, nullptr);
        drawn = StretchDIBits(dc.get(), 0, 0, width, height, cutX, cutY, static_cast<int>(cutWidth),
                              static_cast<int>(cutHeight), sourceBits, &source, DIB_RGB_COLORS,
                              SRCCOPY);
        GdiFlush();
    }
    return drawn != 0 && drawn != static_cast<int>(GDI_ERROR) &&
           WritePicture(path, target.bmiHeader, targetBits);
}

} // namespace ww
