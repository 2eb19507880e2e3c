#include "movie/pixel_store.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace ww::movie {

namespace {

constexpr uint64_t kMaxFilterPixels = 4096ull * 4096ull;

uint32_t Channel(uint32_t argb, int shift) {
    return (argb >> shift) & 0xFF;
}

uint32_t Pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

// What a pixel becomes in this store: premultiplied, or made opaque.
uint32_t Stored(const PixelStore& store, uint32_t argb) {
    return store.transparent ? Premultiplied(argb) : (argb | 0xFF000000u);
}

bool Inside(const PixelStore& store, int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && x < store.width() && y < store.height();
}

// The source area and destination corner cut so both lie inside their
// bitmaps; false when nothing is left.
bool ClipCopy(const PixelStore& to, const PixelStore& from, PixelArea* area, int32_t* x,
              int32_t* y) {
    int64_t sx = area->x, sy = area->y, w = area->w, h = area->h, dx = *x, dy = *y;
    if (w <= 0 || h <= 0)
        return false;
    auto cut = [](int64_t* s, int64_t* d, int64_t* len, int64_t sLimit, int64_t dLimit) {
        const int64_t under = std::max({int64_t{0}, -*s, -*d});
        *s += under;
        *d += under;
        *len -= under;
        *len = std::min({*len, sLimit - *s, dLimit - *d});
        return *len > 0;
    };
    if (!cut(&sx, &dx, &w, from.width(), to.width()) ||
        !cut(&sy, &dy, &h, from.height(), to.height()))
        return false;
    *area = PixelArea{static_cast<int32_t>(sx), static_cast<int32_t>(sy), static_cast<int32_t>(w),
                      static_cast<int32_t>(h)};
    *x = static_cast<int32_t>(dx);
    *y = static_cast<int32_t>(dy);
    return true;
}

// The area's pixels, read before any is written, so a store may copy onto
// itself.
std::vector<uint32_t> Snapshot(const PixelStore& from, PixelArea area) {
    std::vector<uint32_t> out;
    out.reserve(static_cast<size_t>(area.w) * static_cast<size_t>(area.h));
    for (int32_t j = 0; j < area.h; ++j) {
        for (int32_t i = 0; i < area.w; ++i)
            out.push_back(RawPixel(from, area.x + i, area.y + j));
    }
    return out;
}

uint32_t Clamp255(double v) {
    if (!(v > 0))
        return 0;
    return v >= 255 ? 255 : static_cast<uint32_t>(v);
}

} // namespace

uint32_t Premultiplied(uint32_t argb) {
    const uint32_t a = argb >> 24;
    auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
    return Pack(a, mul(Channel(argb, 16)), mul(Channel(argb, 8)), mul(Channel(argb, 0)));
}

uint32_t Straight(uint32_t premultiplied) {
    const uint32_t a = premultiplied >> 24;
    if (a == 0)
        return 0;
    auto div = [a](uint32_t c) { return std::min(255u, (c * 255 + (a - 1) / 2) / a); };
    return Pack(a, div(Channel(premultiplied, 16)), div(Channel(premultiplied, 8)),
                div(Channel(premultiplied, 0)));
}

bool MakePixels(PixelStore* store, int32_t width, int32_t height, bool transparent, uint32_t argb) {
    if (width < 1 || height < 1 || width > kMaxBitmapSide || height > kMaxBitmapSide)
        return false;
    store->transparent = transparent;
    store->bitmap.width = width;
    store->bitmap.height = height;
    store->bitmap.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    FillArea(*store, PixelArea{0, 0, width, height}, argb);
    return true;
}

uint32_t RawPixel(const PixelStore& store, int32_t x, int32_t y) {
    const uint8_t* p =
        store.bitmap.pixels.data() + (static_cast<size_t>(y) * store.width() + x) * 4;
    return Pack(p[3], p[0], p[1], p[2]);
}

void SetRawPixel(PixelStore& store, int32_t x, int32_t y, uint32_t premultiplied) {
    uint8_t* p = store.bitmap.pixels.data() + (static_cast<size_t>(y) * store.width() + x) * 4;
    p[0] = static_cast<uint8_t>(premultiplied >> 16);
    p[1] = static_cast<uint8_t>(premultiplied >> 8);
    p[2] = static_cast<uint8_t>(premultiplied);
    p[3] = static_cast<uint8_t>(premultiplied >> 24);
}

uint32_t ReadPixel(const PixelStore& store, int32_t x, int32_t y) {
    if (!Inside(store, x, y))
        return 0;
    // An opaque bitmap's pixels are taken as they are stored.
    return store.transparent ? Straight(RawPixel(store, x, y)) : RawPixel(store, x, y);
}

void WritePixel(PixelStore& store, int32_t x, int32_t y, uint32_t argb) {
    if (Inside(store, x, y))
        SetRawPixel(store, x, y, Stored(store, argb));
}

PixelArea ClipArea(const PixelStore& store, PixelArea area) {
    const int64_t left = std::max<int64_t>(area.x, 0), top = std::max<int64_t>(area.y, 0);
    const int64_t right = std::min<int64_t>(int64_t{area.x} + area.w, store.width());
    const int64_t bottom = std::min<int64_t>(int64_t{area.y} + area.h, store.height());
    if (right <= left || bottom <= top)
        return PixelArea{};
    return PixelArea{static_cast<int32_t>(left), static_cast<int32_t>(top),
                     static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top)};
}

void FillArea(PixelStore& store, PixelArea area, uint32_t argb) {
    const PixelArea a = ClipArea(store, area);
    const uint32_t value = Stored(store, argb);
    for (int32_t y = a.y; y < a.y + a.h; ++y) {
        for (int32_t x = a.x; x < a.x + a.w; ++x)
            SetRawPixel(store, x, y, value);
    }
}

void CopyArea(PixelStore& to, const PixelStore& from, PixelArea area, int32_t x, int32_t y,
              const PixelStore* alpha, int32_t ax, int32_t ay, bool mergeAlpha) {
    const PixelArea asked = area;
    if (!ClipCopy(to, from, &area, &x, &y))
        return;
    // The alpha bitmap follows the source area's corner.
    ax += area.x - asked.x;
    ay += area.y - asked.y;
    const std::vector<uint32_t> pixels = Snapshot(from, area);
    for (int32_t j = 0; j < area.h; ++j) {
        for (int32_t i = 0; i < area.w; ++i) {
            uint32_t src = pixels[static_cast<size_t>(j) * area.w + i];
            if (!from.transparent)
                src |= 0xFF000000u;
            if (alpha) {
                const uint32_t m =
                    Inside(*alpha, ax + i, ay + j) ? RawPixel(*alpha, ax + i, ay + j) >> 24 : 0;
                auto scale = [m](uint32_t c) { return (c * m + 127) / 255; };
                src = Pack(scale(Channel(src, 24)), scale(Channel(src, 16)), scale(Channel(src, 8)),
                           scale(Channel(src, 0)));
            }
            uint32_t out = src;
            if (mergeAlpha || alpha) {
                const uint32_t dst = RawPixel(to, x + i, y + j);
                const uint32_t keep = 255 - (src >> 24);
                auto over = [&](int shift) {
                    return std::min(255u,
                                    Channel(src, shift) + (Channel(dst, shift) * keep + 127) / 255);
                };
                out = Pack(over(24), over(16), over(8), over(0));
            }
            if (!to.transparent)
                out = Straight(out) | 0xFF000000u;
            SetRawPixel(to, x + i, y + j, out);
        }
    }
}

void CopyChannel(PixelStore& to, const PixelStore& from, PixelArea area, int32_t x, int32_t y,
                 int fromChannel, int toChannel) {
    static const int kShift[9] = {-1, 16, 8, -1, 0, -1, -1, -1, 24};
    if (fromChannel < 1 || fromChannel > 8 || toChannel < 1 || toChannel > 8 ||
        kShift[fromChannel] < 0 || kShift[toChannel] < 0)
        return;
    if (!ClipCopy(to, from, &area, &x, &y))
        return;
    const std::vector<uint32_t> pixels = Snapshot(from, area);
    const int fromShift = kShift[fromChannel], toShift = kShift[toChannel];
    for (int32_t j = 0; j < area.h; ++j) {
        for (int32_t i = 0; i < area.w; ++i) {
            uint32_t src = pixels[static_cast<size_t>(j) * area.w + i];
            src = from.transparent ? Straight(src) : (src | 0xFF000000u);
            const uint32_t value = Channel(src, fromShift);
            uint32_t dst = ReadPixel(to, x + i, y + j);
            dst = (dst & ~(0xFFu << toShift)) | (value << toShift);
            WritePixel(to, x + i, y + j, dst);
        }
    }
}

void TransformArea(PixelStore& store, PixelArea area, const ColorTransform& cx) {
    const PixelArea a = ClipArea(store, area);
    for (int32_t y = a.y; y < a.y + a.h; ++y) {
        for (int32_t x = a.x; x < a.x + a.w; ++x) {
            const uint32_t c = ReadPixel(store, x, y);
            const int shifts[4] = {16, 8, 0, 24};
            uint32_t v[4];
            for (int k = 0; k < 4; ++k)
                v[k] = Clamp255(std::floor(Channel(c, shifts[k]) * double{cx.mult[k]} + cx.add[k]));
            WritePixel(store, x, y, Pack(v[3], v[0], v[1], v[2]));
        }
    }
}

void ScrollPixels(PixelStore& store, int32_t dx, int32_t dy) {
    CopyArea(store, store, PixelArea{0, 0, store.width(), store.height()}, dx, dy, nullptr, 0, 0,
             false);
}

PixelArea ColorBounds(const PixelStore& store, uint32_t mask, uint32_t color, bool find) {
    // The colour is compared as the bitmap stores it, and is not masked.
    // An opaque bitmap compares its alpha whatever the mask says.
    const uint32_t want = store.transparent ? Premultiplied(color) : (color | 0xFF000000u);
    if (!store.transparent)
        mask |= 0xFF000000u;
    int32_t left = store.width(), top = store.height(), right = -1, bottom = -1;
    for (int32_t y = 0; y < store.height(); ++y) {
        for (int32_t x = 0; x < store.width(); ++x) {
            if (((RawPixel(store, x, y) & mask) == want) != find)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0)
        return PixelArea{};
    return PixelArea{left, top, right - left + 1, bottom - top + 1};
}

void MergeArea(PixelStore& to, const PixelStore& from, PixelArea area, int32_t x, int32_t y,
               const int multiplier[4]) {
    if (!ClipCopy(to, from, &area, &x, &y))
        return;
    const std::vector<uint32_t> pixels = Snapshot(from, area);
    const int shifts[4] = {16, 8, 0, 24};
    for (int32_t j = 0; j < area.h; ++j) {
        for (int32_t i = 0; i < area.w; ++i) {
            uint32_t src = pixels[static_cast<size_t>(j) * area.w + i];
            src = from.transparent ? Straight(src) : (src | 0xFF000000u);
            const uint32_t dst = ReadPixel(to, x + i, y + j);
            uint32_t v[4];
            for (int k = 0; k < 4; ++k) {
                const int64_t m = std::clamp(multiplier[k], 0, 256);
                v[k] = static_cast<uint32_t>(
                    (Channel(src, shifts[k]) * m + Channel(dst, shifts[k]) * (256 - m)) / 256);
            }
            WritePixel(to, x + i, y + j, Pack(v[3], v[0], v[1], v[2]));
        }
    }
}

uint32_t ThresholdArea(PixelStore& to, const PixelStore& from, PixelArea area, int32_t x, int32_t y,
                       ThresholdTest test, uint32_t threshold, uint32_t color, uint32_t mask,
                       bool copySource) {
    if (!ClipCopy(to, from, &area, &x, &y))
        return 0;
    const std::vector<uint32_t> pixels = Snapshot(from, area);
    const uint32_t limit = threshold & mask;
    // Flash writes the colour premultiplied, its alpha kept even in an opaque
    // bitmap.
    uint32_t passed = 0;
    for (int32_t j = 0; j < area.h; ++j) {
        for (int32_t i = 0; i < area.w; ++i) {
            const uint32_t src = pixels[static_cast<size_t>(j) * area.w + i];
            const uint32_t v = src & mask;
            bool pass = false;
            switch (test) {
            case ThresholdTest::Less:
                pass = v < limit;
                break;
            case ThresholdTest::LessEqual:
                pass = v <= limit;
                break;
            case ThresholdTest::Greater:
                pass = v > limit;
                break;
            case ThresholdTest::GreaterEqual:
                pass = v >= limit;
                break;
            case ThresholdTest::Equal:
                pass = v == limit;
                break;
            case ThresholdTest::NotEqual:
                pass = v != limit;
                break;
            }
            if (pass) {
                ++passed;
                SetRawPixel(to, x + i, y + j, Premultiplied(color));
            } else if (copySource) {
                // Copied as stored, alpha and all, even into an opaque bitmap.
                SetRawPixel(to, x + i, y + j, src);
            }
        }
    }
    return passed;
}

void FillNoise(PixelStore& store, int32_t seed, int32_t low, int32_t high, int channels,
               bool grey) {
    constexpr int64_t kModulus = 2147483647;
    // The generator never reaches 0; Flash moves a seed of 0 or below up.
    int64_t state = seed > 0 ? seed : 1 - int64_t{seed};
    state %= kModulus;
    if (state == 0)
        state = 1;
    low = std::clamp(low, 0, 255);
    high = std::clamp(high, 0, 255);
    auto next = [&]() -> uint32_t {
        state = state * 16807 % kModulus;
        if (high < low)
            return static_cast<uint32_t>(low);
        return static_cast<uint32_t>(low + state % (high - low + 1));
    };
    for (int32_t y = 0; y < store.height(); ++y) {
        for (int32_t x = 0; x < store.width(); ++x) {
            uint32_t r = 0, g = 0, b = 0, a = 255;
            if (grey) {
                r = g = b = next();
            } else {
                if (channels & 1)
                    r = next();
                if (channels & 2)
                    g = next();
                if (channels & 4)
                    b = next();
            }
            if (channels & 8)
                a = next();
            WritePixel(store, x, y, Pack(a, r, g, b));
        }
    }
}

void FilterArea(PixelStore& to, const PixelStore& from, PixelArea area, int32_t x, int32_t y,
                const Filter& filter) {
    const PixelArea asked = area;
    area = ClipArea(from, area);
    if (area.w <= 0 || area.h <= 0)
        return;
    x += area.x - asked.x;
    y += area.y - asked.y;
    const Reach reach = FilterReach(filter, 1);
    Layer layer;
    layer.width = area.w + reach.left + reach.right;
    layer.height = area.h + reach.top + reach.bottom;
    // A wide blur on a large bitmap would need more than any frame may hold.
    if (static_cast<uint64_t>(layer.width) * static_cast<uint64_t>(layer.height) > kMaxFilterPixels)
        return;
    layer.pixels.assign(static_cast<size_t>(layer.width) * static_cast<size_t>(layer.height) * 4,
                        0);
    for (int32_t j = 0; j < area.h; ++j) {
        const uint8_t* row = from.bitmap.pixels.data() +
                             (static_cast<size_t>(area.y + j) * from.width() + area.x) * 4;
        uint8_t* out = layer.pixels.data() +
                       (static_cast<size_t>(j + reach.top) * layer.width + reach.left) * 4;
        std::copy(row, row + static_cast<size_t>(area.w) * 4, out);
        if (!from.transparent) {
            for (int32_t i = 0; i < area.w; ++i)
                out[i * 4 + 3] = 255;
        }
    }
    ApplyFilter(filter, 1, &layer);
    for (int32_t j = 0; j < area.h; ++j) {
        for (int32_t i = 0; i < area.w; ++i) {
            if (!Inside(to, x + i, y + j))
                continue;
            const uint8_t* p =
                layer.pixels.data() +
                (static_cast<size_t>(j + reach.top) * layer.width + i + reach.left) * 4;
            uint32_t out = Pack(p[3], p[0], p[1], p[2]);
            if (!to.transparent)
                out = Straight(out) | 0xFF000000u;
            SetRawPixel(to, x + i, y + j, out);
        }
    }
}

void PaletteArea(PixelStore& to, const PixelStore& from, PixelArea area, int32_t x, int32_t y,
                 const uint32_t tables[4][256]) {
    if (!ClipCopy(to, from, &area, &x, &y))
        return;
    const std::vector<uint32_t> pixels = Snapshot(from, area);
    for (int32_t j = 0; j < area.h; ++j) {
        for (int32_t i = 0; i < area.w; ++i) {
            uint32_t src = pixels[static_cast<size_t>(j) * area.w + i];
            src = from.transparent ? Straight(src) : (src | 0xFF000000u);
            const uint32_t out = tables[0][Channel(src, 16)] + tables[1][Channel(src, 8)] +
                                 tables[2][Channel(src, 0)] + tables[3][Channel(src, 24)];
            WritePixel(to, x + i, y + j, out);
        }
    }
}

uint32_t PixelDifference(uint32_t a, uint32_t b) {
    if (a == b)
        return 0;
    auto diff = [&](int shift) { return (Channel(a, shift) - Channel(b, shift)) & 0xFF; };
    if ((a & 0xFFFFFF) != (b & 0xFFFFFF))
        return Pack(0xFF, diff(16), diff(8), diff(0));
    return Pack(diff(24), 0xFF, 0xFF, 0xFF);
}

void FloodFill(PixelStore& store, int32_t x, int32_t y, uint32_t argb) {
    if (!Inside(store, x, y))
        return;
    const uint32_t from = RawPixel(store, x, y), value = Stored(store, argb);
    if (from == value)
        return;
    // An explicit work list: a large region must not exhaust the stack.
    std::vector<std::pair<int32_t, int32_t>> work{{x, y}};
    while (!work.empty()) {
        const auto [px, py] = work.back();
        work.pop_back();
        if (!Inside(store, px, py) || RawPixel(store, px, py) != from)
            continue;
        SetRawPixel(store, px, py, value);
        work.push_back({px + 1, py});
        work.push_back({px - 1, py});
        work.push_back({px, py + 1});
        work.push_back({px, py - 1});
    }
}

} // namespace ww::movie
