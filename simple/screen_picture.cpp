#include "simple/screen_picture.h"

#include "common/file.h"
#include "common/win32/bitmap_file.h"
#include "common/win32/com.h"

#include <windows.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace ww {

namespace {

// Spelt out here rather than linked from windowscodecs.dll: an import
// would keep the installer from starting where the component is missing.
const CLSID kImagingFactoryClass = {
    0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
const IID kImagingFactoryInterface = {
    0xec5ec8a9, 0xc395, 0x4314, {0x9c, 0x77, 0x54, 0xd7, 0xa9, 0x35, 0xff, 0x70}};
const GUID kPixelFormat24bppBgr = {
    0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0c}};

// Decoded pictures are held whole: a cap well above a 4K screen keeps a
// hostile header from asking for gigabytes.
constexpr uint64_t kDecodedLimit = 128ull * 1024 * 1024;

struct Picture {
    int width = 0, height = 0;
    uint32_t rowSize = 0;
    std::vector<uint8_t> rows; // bottom row first, as a bitmap stores them
};

std::wstring WidePath(const std::string& path) {
    const int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

bool DecodePicture(const std::string& path, Picture* picture) {
    const std::wstring wide = WidePath(path);
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    if (wide.empty() ||
        FAILED(CoCreateInstance(kImagingFactoryClass, nullptr, CLSCTX_INPROC_SERVER,
                                kImagingFactoryInterface, factory.out())) ||
        FAILED(factory->CreateDecoderFromFilename(
            wide.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
            reinterpret_cast<IWICBitmapDecoder**>(decoder.out()))) ||
        FAILED(decoder->GetFrame(0, reinterpret_cast<IWICBitmapFrameDecode**>(frame.out()))) ||
        FAILED(factory->CreateFormatConverter(
            reinterpret_cast<IWICFormatConverter**>(converter.out()))) ||
        FAILED(converter->Initialize(frame.get(), kPixelFormat24bppBgr, WICBitmapDitherTypeNone,
                                     nullptr, 0.0, WICBitmapPaletteTypeCustom)))
        return false;
    UINT width = 0, height = 0;
    if (FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0 ||
        width > static_cast<UINT>(kBitmapSideLimit) || height > static_cast<UINT>(kBitmapSideLimit))
        return false;
    const uint32_t rowSize = (width * 3 + 3) & ~3u;
    if (static_cast<uint64_t>(rowSize) * height > kDecodedLimit)
        return false;
    std::vector<uint8_t> topDown(static_cast<size_t>(rowSize) * height);
    if (FAILED(converter->CopyPixels(nullptr, rowSize, static_cast<UINT>(topDown.size()),
                                     topDown.data())))
        return false;
    picture->width = static_cast<int>(width);
    picture->height = static_cast<int>(height);
    picture->rowSize = rowSize;
    picture->rows.resize(topDown.size());
    for (UINT y = 0; y < height; ++y)
        std::memcpy(&picture->rows[static_cast<size_t>(height - 1 - y) * rowSize],
                    &topDown[static_cast<size_t>(y) * rowSize], rowSize);
    return true;
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

bool CoverScreenWithPicture(const std::string& picturePath, const std::string& bitmapPath,
                            int width, int height) {
    Picture picture;
    if (width <= 0 || height <= 0 || width > kBitmapSideLimit || height > kBitmapSideLimit ||
        !DecodePicture(picturePath, &picture))
        return false;
    // The part of the picture with the screen's proportions, from its middle.
    const int64_t cutWidth =
        std::min<int64_t>(picture.width, static_cast<int64_t>(picture.height) * width / height);
    const int64_t cutHeight =
        std::min<int64_t>(picture.height, static_cast<int64_t>(picture.width) * height / width);
    const int cutX = static_cast<int>((picture.width - cutWidth) / 2);
    const int cutY = static_cast<int>((picture.height - cutHeight) / 2);

    BITMAPINFO source{};
    source.bmiHeader = Header24(picture.width, picture.height);
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
                              static_cast<int>(cutHeight), picture.rows.data(), &source,
                              DIB_RGB_COLORS, SRCCOPY);
        GdiFlush();
    }
    return drawn != 0 && drawn != static_cast<int>(GDI_ERROR) &&
           WritePicture(bitmapPath, target.bmiHeader, targetBits);
}

} // namespace ww
