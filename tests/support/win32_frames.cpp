#include "tests/support/win32_frames.h"

#include "common/fs.h"
#include "common/path.h"
#include "tests/support/fixtures.h"

#include <stb_image.h>

#include <algorithm>
#include <cstdlib>

namespace ww::test {

bool CaptureClient(HWND hwnd, Pixels* out) {
    RECT client{};
    if (!GetClientRect(hwnd, &client) || client.right <= 0 || client.bottom <= 0)
        return false;
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    const int width = client.right, height = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool copied = false;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        copied = BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY) != 0;
        GdiFlush();
        out->width = width;
        out->height = height;
        out->rgb.resize(static_cast<size_t>(width) * height * 3);
        const auto* bgra = static_cast<const uint8_t*>(bits);
        for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i) {
            out->rgb[i * 3] = bgra[i * 4 + 2];
            out->rgb[i * 3 + 1] = bgra[i * 4 + 1];
            out->rgb[i * 3 + 2] = bgra[i * 4];
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return copied;
}

bool ReadPng(const std::string& path, Pixels* out) {
    const Bytes png = ReadFileBytes(path);
    int n = 0;
    unsigned char* pixels = stbi_load_from_memory(png.data(), static_cast<int>(png.size()),
                                                  &out->width, &out->height, &n, 3);
    if (!pixels)
        return false;
    out->rgb.assign(pixels, pixels + static_cast<size_t>(out->width) * out->height * 3);
    stbi_image_free(pixels);
    return true;
}

bool SaveBmp(const Pixels& image, const std::string& path) {
    const uint32_t stride = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
    Bytes file = {'B', 'M'};
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    const uint32_t size = stride * static_cast<uint32_t>(image.height);
    put32(54 + size);
    put32(0);
    put32(54);
    put32(40);
    put32(static_cast<uint32_t>(image.width));
    put32(static_cast<uint32_t>(image.height));
    put32(1 | (24u << 16));
    for (int i = 0; i < 6; ++i)
        put32(i == 1 ? size : 0);
    for (int y = image.height - 1; y >= 0; --y) {
        const uint8_t* row = image.rgb.data() + static_cast<size_t>(y) * image.width * 3;
        for (int x = 0; x < image.width; ++x) {
            file.push_back(row[x * 3 + 2]);
            file.push_back(row[x * 3 + 1]);
            file.push_back(row[x * 3]);
        }
        file.resize(file.size() + stride - static_cast<uint32_t>(image.width) * 3, 0);
    }
    WriteFileBytes(path, file);
    return true;
}

bool PixelsOfBitmap(HBITMAP bitmap, Pixels* out) {
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info) || info.bmWidth <= 0 ||
        info.bmHeight <= 0)
        return false;
    const int w = info.bmWidth, h = info.bmHeight;
    BITMAPINFO header{};
    header.bmiHeader = {sizeof header.bmiHeader, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint32_t> bgrx(static_cast<size_t>(w) * h);
    HDC screen = GetDC(nullptr);
    const bool read = GetDIBits(screen, bitmap, 0, h, bgrx.data(), &header, DIB_RGB_COLORS) == h;
    ReleaseDC(nullptr, screen);
    if (!read)
        return false;
    out->width = w;
    out->height = h;
    out->rgb.resize(bgrx.size() * 3);
    for (size_t i = 0; i < bgrx.size(); ++i)
        for (int c = 0; c < 3; ++c)
            out->rgb[i * 3 + c] = static_cast<uint8_t>(bgrx[i] >> (16 - 8 * c));
    return true;
}

Pixels ScaledByArea(const Pixels& image, int width, int height) {
    const int w = image.width, h = image.height;
    Pixels out;
    out.width = width;
    out.height = height;
    out.rgb.assign(static_cast<size_t>(width) * height * 3, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double x0 = double(x) * w / width, x1 = double(x + 1) * w / width;
            const double y0 = double(y) * h / height, y1 = double(y + 1) * h / height;
            double sum[3] = {0, 0, 0}, area = 0;
            for (int sy = int(y0); sy < h && sy < y1; ++sy)
                for (int sx = int(x0); sx < w && sx < x1; ++sx) {
                    const double cover = (std::min<double>(sx + 1, x1) - std::max<double>(sx, x0)) *
                                         (std::min<double>(sy + 1, y1) - std::max<double>(sy, y0));
                    const uint8_t* px = &image.rgb[(static_cast<size_t>(sy) * w + sx) * 3];
                    for (int c = 0; c < 3; ++c)
                        sum[c] += cover * px[c];
                    area += cover;
                }
            for (int c = 0; c < 3; ++c)
                out.rgb[(static_cast<size_t>(y) * width + x) * 3 + c] =
                    static_cast<uint8_t>(area > 0 ? sum[c] / area + 0.5 : 0);
        }
    return out;
}

int StrayPixels(const Pixels& p) {
    // Lighter or darker in some channel than every one of its eight
    // neighbours: the edge of a smoothly scaled line lies between them.
    constexpr int kMargin = 10;
    int stray = 0;
    for (int y = 1; y + 1 < p.height; ++y)
        for (int x = 1; x + 1 < p.width; ++x) {
            const uint8_t* c = &p.rgb[(static_cast<size_t>(y) * p.width + x) * 3];
            for (int ch = 0; ch < 3; ++ch) {
                int low = 255, high = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        if (dx == 0 && dy == 0)
                            continue;
                        const int v =
                            p.rgb[(static_cast<size_t>(y + dy) * p.width + x + dx) * 3 + ch];
                        low = std::min(low, v);
                        high = std::max(high, v);
                    }
                if (c[ch] > high + kMargin || c[ch] < low - kMargin) {
                    ++stray;
                    break;
                }
            }
        }
    return stray;
}

double MeanDifference(const Pixels& a, const Pixels& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size() || a.rgb.empty())
        return 255;
    uint64_t sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i)
        sum += static_cast<uint64_t>(std::abs(int(a.rgb[i]) - int(b.rgb[i])));
    return static_cast<double>(sum) / static_cast<double>(a.rgb.size());
}

FrameMatch NearestFrame(const Pixels& shown, const std::vector<Pixels>& frames) {
    FrameMatch best;
    for (size_t i = 0; i < frames.size(); ++i) {
        const double d = MeanDifference(shown, frames[i]);
        if (d < best.difference) {
            best.difference = d;
            best.frame = static_cast<int>(i) + 1;
        }
    }
    return best;
}

std::string ArtefactFolder() {
    const std::string folder =
        FolderOfPath(WithoutTrailingSeparator(FolderOfPath(ModuleFilePath()))) + "test-artefacts";
    CreateFolder(folder);
    return folder + "\\";
}

} // namespace ww::test
