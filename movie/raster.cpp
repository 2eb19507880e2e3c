#include "movie/raster.h"
#include "movie/raster_blend.h"

#include <algorithm>
#include <climits>
#include <cmath>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace ww::movie {

namespace {

// Edge positions are kept in 1/kSub pixel.
constexpr int32_t kSub = 256;
// A cell's coverage is cover * 2 * kSub - area; this is a whole pixel.
constexpr int64_t kWholeArea = int64_t(2) * kSub * kSub;
// Far enough outside any canvas to change nothing, near enough that products
// of two fixed-point distances stay inside 64 bits.
constexpr double kCoordinateClamp = 1e6;
// A fill of more cells than this is refused: with their sorted copy they
// would take 128 MiB, and walking more would hold a frame for long.
constexpr size_t kMaxCells = size_t(1) << 22;
// A line given, as work: about what walking four cells costs.
constexpr uint64_t kLineWork = 4;
// The cell store grows from this many, doubling.
constexpr size_t kFirstCells = 4096;
// Cells hold their position, cover and fills in 16 bits each.
constexpr int kMaxSide = 32767;
constexpr uint32_t kMaxFill = 65535;
// Merged cells stay well inside their fields.
constexpr int32_t kMergeLimit = 1 << 28;
constexpr int32_t kMergeCoverLimit = 1 << 14;

int64_t ToFixed(double v) {
    return std::llround(std::clamp(v, -kCoordinateClamp, kCoordinateClamp) * kSub);
}

int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// The value of a linear function at t, given its values at t0 and t1.
int64_t At(int64_t t0, int64_t v0, int64_t t1, int64_t v1, int64_t t) {
    return v0 + (v1 - v0) * (t - t0) / (t1 - t0);
}

// Coverage (0..kWholeArea) of a winding area sum under the fill rule.
int64_t Coverage(int64_t raw, bool nonZero) {
    int64_t a = raw < 0 ? -raw : raw;
    if (nonZero)
        return std::min(a, kWholeArea);
    a &= 2 * kWholeArea - 1;
    return a > kWholeArea ? 2 * kWholeArea - a : a;
}

// Coverage in the 0..kFullCover units spans take.
uint32_t Units(int64_t coverage) {
    return static_cast<uint32_t>((coverage + kSub) >> 9);
}

// The source scaled by coverage, over what the destination keeps. Colours
// and pixels are premultiplied, so no channel passes 255.
uint32_t BlendOne(uint32_t src, uint32_t dst, uint32_t coverage) {
    const uint32_t rb = (((src & 0x00FF00FFu) * coverage) >> 8) & 0x00FF00FFu;
    const uint32_t ga = ((((src >> 8) & 0x00FF00FFu) * coverage) >> 8) & 0x00FF00FFu;
    const uint32_t s = rb | (ga << 8);
    const uint32_t a = s >> 24;
    const uint32_t keep = 256 - a - (a >> 7);
    const uint32_t drb = (((dst & 0x00FF00FFu) * keep) >> 8) & 0x00FF00FFu;
    const uint32_t dga = ((((dst >> 8) & 0x00FF00FFu) * keep) >> 8) & 0x00FF00FFu;
    return s + (drb | (dga << 8));
}

#ifdef __SSE2__
// Four pixels: source scaled by coverage, over the destination.
inline __m128i Blend4(__m128i src, __m128i dst, __m128i coverLo, __m128i coverHi) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i whole = _mm_set1_epi16(256);
    __m128i sLo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(src, zero), coverLo), 8);
    __m128i sHi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(src, zero), coverHi), 8);
    __m128i aLo = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sLo, 0xFF), 0xFF);
    __m128i aHi = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sHi, 0xFF), 0xFF);
    aLo = _mm_sub_epi16(whole, _mm_add_epi16(aLo, _mm_srli_epi16(aLo, 7)));
    aHi = _mm_sub_epi16(whole, _mm_add_epi16(aHi, _mm_srli_epi16(aHi, 7)));
    const __m128i dLo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(dst, zero), aLo), 8);
    const __m128i dHi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(dst, zero), aHi), 8);
    return _mm_packus_epi16(_mm_add_epi16(sLo, dLo), _mm_add_epi16(sHi, dHi));
}
#endif

void FillPixels(uint8_t* dst, int n, uint32_t color) {
    int i = 0;
#ifdef __SSE2__
    const __m128i c = _mm_set1_epi32(static_cast<int>(color));
    for (; i + 4 <= n; i += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), c);
#endif
    for (; i < n; ++i)
        StorePixel(dst + 4 * i, color);
}

// Nothing to draw, or an opaque colour drawn whole, which is a plain fill:
// true when the span is done.
bool SpanDoneEarly(uint8_t* dst, int n, const uint32_t* colors, uint32_t color,
                   const uint16_t* cover, uint32_t coverage) {
    if (cover)
        return false;
    if (coverage == 0)
        return true;
    if (!colors && coverage >= kFullCover && (color >> 24) == 255) {
        FillPixels(dst, n, color);
        return true;
    }
    return false;
}

} // namespace

void BlendSpanScalar(uint8_t* dst, int n, const uint32_t* colors, uint32_t color,
                     const uint16_t* cover, uint32_t coverage) {
    if (SpanDoneEarly(dst, n, colors, color, cover, coverage))
        return;
    for (int i = 0; i < n; ++i) {
        const uint32_t src = colors ? colors[i] : color;
        const uint32_t c = cover ? cover[i] : coverage;
        StorePixel(dst + 4 * i, BlendOne(src, LoadPixel(dst + 4 * i), c));
    }
}

#ifdef __SSE2__
void BlendSpanSse2(uint8_t* dst, int n, const uint32_t* colors, uint32_t color,
                   const uint16_t* cover, uint32_t coverage) {
    if (SpanDoneEarly(dst, n, colors, color, cover, coverage))
        return;
    int i = 0;
    if (!colors && !cover) {
        // One colour at one coverage: what it adds and what it leaves of the
        // destination are the same for every pixel, so they are worked out once.
        const uint32_t rb = (((color & 0x00FF00FFu) * coverage) >> 8) & 0x00FF00FFu;
        const uint32_t ga = ((((color >> 8) & 0x00FF00FFu) * coverage) >> 8) & 0x00FF00FFu;
        const uint32_t scaled = rb | (ga << 8);
        const uint32_t a = scaled >> 24;
        const __m128i zero = _mm_setzero_si128();
        const __m128i add = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(scaled)), zero);
        const __m128i keep = _mm_set1_epi16(static_cast<int16_t>(256 - a - (a >> 7)));
        for (; i + 4 <= n; i += 4) {
            __m128i* d = reinterpret_cast<__m128i*>(dst + 4 * i);
            const __m128i v = _mm_loadu_si128(d);
            const __m128i lo = _mm_add_epi16(
                _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(v, zero), keep), 8), add);
            const __m128i hi = _mm_add_epi16(
                _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(v, zero), keep), 8), add);
            _mm_storeu_si128(d, _mm_packus_epi16(lo, hi));
        }
    }
    const __m128i one = _mm_set1_epi32(static_cast<int>(color));
    const __m128i same = _mm_set1_epi16(static_cast<int16_t>(coverage));
    for (; i + 4 <= n; i += 4) {
        const __m128i src =
            colors ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(colors + i)) : one;
        __m128i lo = same, hi = same;
        if (cover) {
            const __m128i c = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(cover + i));
            const __m128i pairs = _mm_unpacklo_epi16(c, c);
            lo = _mm_unpacklo_epi32(pairs, pairs);
            hi = _mm_unpackhi_epi32(pairs, pairs);
        }
        __m128i* d = reinterpret_cast<__m128i*>(dst + 4 * i);
        _mm_storeu_si128(d, Blend4(src, _mm_loadu_si128(d), lo, hi));
    }
    for (; i < n; ++i) {
        const uint32_t src = colors ? colors[i] : color;
        const uint32_t c = cover ? cover[i] : coverage;
        StorePixel(dst + 4 * i, BlendOne(src, LoadPixel(dst + 4 * i), c));
    }
}
#endif

void BlendSpan(uint8_t* dst, int n, const uint32_t* colors, uint32_t color, const uint16_t* cover,
               uint32_t coverage) {
#ifdef __SSE2__
    BlendSpanSse2(dst, n, colors, color, cover, coverage);
#else
    BlendSpanScalar(dst, n, colors, color, cover, coverage);
#endif
}

// Takes the sweep's spans to the surface. Pixels of one fill that follow each
// other are gathered into one span, so a row's edge pixels blend together.
struct Rasterizer::Run {
    const Surface& surface;
    Paint* const* paints;
    // Per fill, whether its paint is one colour throughout, and the colour.
    const uint8_t* uniform;
    const uint32_t* uniformColor;
    uint16_t* cover;
    uint32_t* colors;
    int left, right; // the columns drawn
    int row = 0, x0 = 0, n = 0;
    uint32_t fill = 0;
    uint64_t pixels = 0; // pixels handed on, for the frame's work count

    // Short constant spans join the pending one rather than splitting it.
    static constexpr int kJoin = 8;

    void Pixel(int y, int x, uint32_t f, uint32_t c) {
        if (x < left || x >= right)
            return;
        if (n > 0 && (f != fill || x != x0 + n || y != row))
            Flush();
        if (n == 0) {
            row = y;
            x0 = x;
            fill = f;
        }
        cover[n++] = static_cast<uint16_t>(c);
    }

    void Span(int y, int xa, int xb, uint32_t f, uint32_t c) {
        xa = std::max(xa, left);
        xb = std::min(xb, right);
        if (c == 0 || xa >= xb)
            return;
        if (n > 0 && xb - xa <= kJoin && f == fill && xa == x0 + n && y == row) {
            for (int x = xa; x < xb; ++x)
                cover[n++] = static_cast<uint16_t>(c);
            return;
        }
        Flush();
        Draw(y, xa, xb, f, nullptr, c);
    }

    void Flush() {
        if (n > 0)
            Draw(row, x0, x0 + n, fill, cover, 0);
        n = 0;
    }

    // One pixel shared by several fills; weights sum to at most kFullCover.
    void Mixed(int y, int x, const uint32_t* fills, const uint32_t* weights, size_t k) {
        if (x < left || x >= right)
            return;
        Flush();
        uint32_t total = 0;
        uint32_t sum[4] = {0, 0, 0, 0};
        for (size_t i = 0; i < k; ++i) {
            total += weights[i];
            Paint* p = paints[fills[i] - 1];
            if (surface.maskOut || !p || weights[i] == 0)
                continue;
            uint32_t c = uniformColor[fills[i] - 1];
            if (!uniform[fills[i] - 1] && !p->RowColor(y, &c))
                p->Colors(y, x, x + 1, &c);
            for (int ch = 0; ch < 4; ++ch)
                sum[ch] += ((c >> (8 * ch)) & 0xFF) * weights[i];
        }
        const size_t at = static_cast<size_t>(y) * surface.width + x;
        uint32_t coverage = kFullCover;
        if (surface.clip) {
            const uint32_t m = surface.clip[at];
            coverage = (coverage * (m + (m >> 7))) >> 8;
            total = (total * (m + (m >> 7))) >> 8;
        }
        if (surface.maskOut) {
            const uint8_t b = static_cast<uint8_t>(std::min(total, 255u));
            surface.maskOut[at] = std::max(surface.maskOut[at], b);
            return;
        }
        uint32_t src = 0;
        for (int ch = 0; ch < 4; ++ch)
            src |= std::min(255u, (sum[ch] + 128) >> 8) << (8 * ch);
        BlendSpan(surface.pixels + at * 4, 1, nullptr, src, nullptr, coverage);
    }

    void Draw(int y, int xa, int xb, uint32_t f, const uint16_t* c, uint32_t same) {
        const int count = xb - xa;
        pixels += static_cast<uint64_t>(count);
        const size_t at = static_cast<size_t>(y) * surface.width + xa;
        if (surface.clip) {
            // The pending coverage is rewritten in place; a constant span
            // takes the same buffer, free once the pending span is drawn.
            const uint8_t* m = surface.clip + at;
            for (int i = 0; i < count; ++i) {
                const uint32_t v = c ? c[i] : same;
                cover[i] = static_cast<uint16_t>((v * (m[i] + (m[i] >> 7))) >> 8);
            }
            c = cover;
        }
        if (surface.maskOut) {
            uint8_t* m = surface.maskOut + at;
            for (int i = 0; i < count; ++i) {
                const uint32_t v = c ? c[i] : same;
                m[i] = std::max(m[i], static_cast<uint8_t>(v - (v >> 8)));
            }
            return;
        }
        Paint* p = paints[f - 1];
        if (!p)
            return;
        uint8_t* d = surface.pixels + at * 4;
        uint32_t color = uniformColor[f - 1];
        if (uniform[f - 1] || p->RowColor(y, &color)) {
            BlendSpan(d, count, nullptr, color, c, same);
            return;
        }
        p->Colors(y, xa, xb, colors);
        BlendSpan(d, count, colors, 0, c, same);
    }
};

void Rasterizer::SetSize(int width, int height) {
    width_ = std::clamp(width, 0, kMaxSide);
    height_ = std::clamp(height, 0, kMaxSide);
    Clear();
}

void Rasterizer::Clear() {
    cells_.clear();
    refused_ = false;
    minRow_ = INT32_MAX;
    maxRow_ = -1;
}

void Rasterizer::AddEdge(double x0, double y0, double x1, double y1, uint32_t fill0,
                         uint32_t fill1) {
    // Even a line that lands nowhere costs its share of the frame.
    work_ += kLineWork;
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
        return;
    // Fills are numbered within a layer, which holds at most 65535.
    if (fill0 > kMaxFill)
        fill0 = 0;
    if (fill1 > kMaxFill)
        fill1 = 0;
    if (fill0 == fill1 || width_ == 0 || height_ == 0 || refused_)
        return;
    if (record_)
        record_->push_back(EdgeLine{x0, y0, x1, y1, fill0, fill1});
    const int64_t fx0 = ToFixed(x0), fy0 = ToFixed(y0), fx1 = ToFixed(x1), fy1 = ToFixed(y1);
    if (fy0 == fy1)
        return; // horizontal lines add no cover
    if (antiAlias_)
        SplitColumns(fx0, fy0, fx1, fy1, fill0, fill1);
    else
        SampleRows(fx0, fy0, fx1, fy1, fill0, fill1);
}

// Parts of a line left of the canvas become vertical lines on its left side:
// their cover still counts for every pixel right of them. Parts right of it
// become vertical lines on the right side, where they change nothing drawn.
void Rasterizer::SplitColumns(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t f0,
                              uint32_t f1) {
    const int64_t right = int64_t(width_) * kSub;
    int64_t px[4], py[4];
    int n = 0;
    px[n] = x0;
    py[n++] = y0;
    const int64_t cuts[2] = {x0 < x1 ? 0 : right, x0 < x1 ? right : 0};
    for (int64_t c : cuts) {
        if ((x0 < c && c < x1) || (x1 < c && c < x0)) {
            px[n] = c;
            py[n++] = At(x0, y0, x1, y1, c);
        }
    }
    px[n] = x1;
    py[n++] = y1;
    for (int i = 0; i + 1 < n; ++i)
        WalkRows(std::clamp<int64_t>(px[i], 0, right), py[i],
                 std::clamp<int64_t>(px[i + 1], 0, right), py[i + 1], f0, f1);
}

void Rasterizer::WalkRows(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t f0,
                          uint32_t f1) {
    if (y0 == y1)
        return;
    int32_t sign = 1;
    if (y0 > y1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
        sign = -1;
    }
    const int64_t bottom = int64_t(height_) * kSub;
    if (y1 <= 0 || y0 >= bottom)
        return;
    int64_t top = std::max<int64_t>(y0, 0);
    const int64_t end = std::min(y1, bottom);
    // x at y is x0 + floor(dx * (y - y0) / dy): held as quotient and
    // remainder, stepped a whole row at a time without dividing.
    const int64_t dx = x1 - x0, dy = y1 - y0;
    int64_t q = 0, r = 0;
    auto exact = [&](int64_t y) {
        const int64_t num = dx * (y - y0);
        q = FloorDiv(num, dy);
        r = num - q * dy;
    };
    exact(top);
    const int64_t stepQ = FloorDiv(dx * kSub, dy), stepR = dx * kSub - stepQ * dy;
    int64_t x = x0 + q;
    for (int64_t row = top / kSub; top < end; ++row) {
        const int64_t next = std::min(end, (row + 1) * kSub);
        if (next - top == kSub) {
            q += stepQ;
            r += stepR;
            if (r >= dy) {
                r -= dy;
                ++q;
            }
        } else {
            exact(next);
        }
        const int64_t xNext = next == y1 ? x1 : x0 + q;
        WalkCells(static_cast<int32_t>(row), x, top - row * kSub, xNext, next - row * kSub, sign,
                  f0, f1);
        x = xNext;
        top = next;
    }
}

// One row's piece of a line, cut at each column boundary it crosses; y runs
// 0..kSub inside the row and y0 < y1.
void Rasterizer::WalkCells(int32_t row, int64_t x0, int64_t y0, int64_t x1, int64_t y1,
                           int32_t sign, uint32_t f0, uint32_t f1) {
    auto deposit = [&](int64_t column, int64_t xa, int64_t ya, int64_t xb, int64_t yb) {
        const int64_t base = column * kSub;
        const int64_t dy = yb - ya;
        Deposit(row, static_cast<int32_t>(column), static_cast<int32_t>(sign * dy),
                static_cast<int32_t>(sign * dy * ((xa - base) + (xb - base))), f0, f1);
    };
    if (x0 == x1) {
        deposit(x0 / kSub, x0, y0, x1, y1);
        return;
    }
    const int64_t first = (std::min(x0, x1)) / kSub;
    const int64_t last = (std::max(x0, x1) - 1) / kSub;
    if (first == last) {
        deposit(first, x0, y0, x1, y1);
        return;
    }
    // y at each column boundary is y0 + dy * u / span for the distance u
    // from x0 (all of it not negative here): the first by dividing, the rest
    // stepped a column at a time.
    const bool right = x0 < x1;
    const int64_t span = right ? x1 - x0 : x0 - x1, dy = y1 - y0;
    const int64_t firstU = right ? (first + 1) * kSub - x0 : x0 - last * kSub;
    int64_t q = dy * firstU / span, r = dy * firstU % span;
    const int64_t stepQ = dy * kSub / span, stepR = dy * kSub % span;
    int64_t x = x0, y = y0;
    for (int64_t k = 0, columns = last - first + 1; k < columns; ++k) {
        const int64_t column = right ? first + k : last - k;
        const int64_t xb = right ? std::min(x1, (column + 1) * kSub) : std::max(x1, column * kSub);
        const int64_t yb = xb == x1 ? y1 : y0 + q;
        deposit(column, x, y, xb, yb);
        x = xb;
        y = yb;
        q += stepQ;
        r += stepR;
        if (r >= span) {
            r -= span;
            ++q;
        }
    }
}

// Without anti-aliasing: a whole pixel of cover where the line crosses each
// row's centre, in the first pixel whose centre is not left of the crossing.
void Rasterizer::SampleRows(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t f0,
                            uint32_t f1) {
    int32_t sign = 1;
    if (y0 > y1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
        sign = -1;
    }
    const int64_t half = kSub / 2;
    // Centres at row * kSub + half with y0 <= centre < y1.
    int64_t first = FloorDiv(y0 - half + kSub - 1, kSub);
    int64_t last = FloorDiv(y1 - half - 1, kSub);
    first = std::max<int64_t>(first, 0);
    last = std::min<int64_t>(last, height_ - 1);
    for (int64_t row = first; row <= last; ++row) {
        const int64_t x = At(y0, x0, y1, x1, row * kSub + half);
        const int64_t column = std::max<int64_t>(0, FloorDiv(x - half + kSub - 1, kSub));
        if (column >= width_)
            continue;
        Deposit(static_cast<int32_t>(row), static_cast<int32_t>(column), sign * kSub, 0, f0, f1);
    }
}

void Rasterizer::Deposit(int32_t row, int32_t column, int32_t cover, int32_t area, uint32_t f0,
                         uint32_t f1) {
    // Cells on the right side affect nothing drawn.
    if (column >= width_)
        return;
    if (!cells_.empty()) {
        Cell& last = cells_.back();
        if (last.y == row && last.x == column && last.fill0 == f0 && last.fill1 == f1 &&
            std::abs(last.area) < kMergeLimit && std::abs(last.cover) < kMergeCoverLimit) {
            last.cover = static_cast<int16_t>(last.cover + cover);
            last.area += area;
            return;
        }
    }
    if (cells_.size() == cells_.capacity() && !GrowCells())
        return;
    cells_.push_back(Cell{static_cast<int16_t>(column), static_cast<int16_t>(row),
                          static_cast<int16_t>(cover), static_cast<uint16_t>(f0),
                          static_cast<uint16_t>(f1), 0, area});
    minRow_ = std::min(minRow_, row);
    maxRow_ = std::max(maxRow_, row);
}

// Storage is charged before it is taken; a fill that cannot have it is
// refused rather than drawn in part.
bool Rasterizer::GrowCells() {
    const size_t want = std::min(kMaxCells, std::max(kFirstCells, 2 * cells_.capacity()));
    if (cells_.size() >= kMaxCells || (budget_ && !budget_->Reserve(cells_, want))) {
        refused_ = true;
        return false;
    }
    cells_.reserve(want);
    return true;
}

bool Rasterizer::ReserveSorted() {
    if (!budget_ || budget_->Reserve(sorted_, cells_.size()))
        return true;
    refused_ = true;
    return false;
}

uint64_t Rasterizer::heldBytes() const {
    return HeldBytes(cells_) + HeldBytes(sorted_) + HeldBytes(rowStart_) + HeldBytes(winding_) +
           HeldBytes(pixelCover_) + HeldBytes(pixelArea_) + HeldBytes(active_) +
           HeldBytes(touched_) + HeldBytes(coverBuffer_) + HeldBytes(colorBuffer_) +
           HeldBytes(uniformColor_) + HeldBytes(uniform_);
}

void Rasterizer::ReleaseStorage() {
    Clear();
    if (budget_) {
        budget_->Release(cells_);
        budget_->Release(sorted_);
    } else {
        std::vector<Cell>().swap(cells_);
        std::vector<Cell>().swap(sorted_);
    }
}

// Rows by counting, then each row by column; rows hold few cells.
void Rasterizer::SortCells() {
    const size_t rows = static_cast<size_t>(maxRow_ - minRow_ + 1);
    rowStart_.assign(rows + 1, 0);
    for (const Cell& c : cells_)
        ++rowStart_[static_cast<size_t>(c.y - minRow_) + 1];
    for (size_t r = 1; r <= rows; ++r)
        rowStart_[r] += rowStart_[r - 1];
    sorted_.resize(cells_.size());
    for (const Cell& c : cells_)
        sorted_[rowStart_[static_cast<size_t>(c.y - minRow_)]++] = c;
    for (size_t r = rows; r > 0; --r)
        rowStart_[r] = rowStart_[r - 1];
    rowStart_[0] = 0;
    auto byColumn = [](const Cell& a, const Cell& b) { return a.x < b.x; };
    for (size_t r = 0; r < rows; ++r) {
        Cell* begin = sorted_.data() + rowStart_[r];
        Cell* end = sorted_.data() + rowStart_[r + 1];
        if (end - begin > 16) {
            std::sort(begin, end, byColumn);
            continue;
        }
        for (Cell* i = begin + 1; i < end; ++i) {
            const Cell c = *i;
            Cell* j = i;
            for (; j > begin && (j - 1)->x > c.x; --j)
                *j = *(j - 1);
            *j = c;
        }
    }
}

void Rasterizer::Fill(bool nonZero, Paint* const* paints, uint32_t count, const Surface& surface) {
    if (refused_ || (!cells_.empty() && !ReserveSorted())) {
        ++refusedFills_;
        Clear();
        return;
    }
    if (cells_.empty() || count == 0 || surface.width != width_ || surface.height != height_) {
        Clear();
        return;
    }
    SortCells();
    const size_t w = static_cast<size_t>(width_);
    if (coverBuffer_.size() < w)
        coverBuffer_.resize(w);
    if (colorBuffer_.size() < w)
        colorBuffer_.resize(w);
    uniform_.assign(count, 0);
    uniformColor_.assign(count, 0);
    for (uint32_t k = 0; k < count; ++k) {
        if (paints[k] && !surface.maskOut)
            uniform_[k] = paints[k]->Uniform(&uniformColor_[k]);
    }
    const bool boxed = surface.boxX0 < surface.boxX1 && surface.boxY0 < surface.boxY1;
    Run run{surface,
            paints,
            uniform_.data(),
            uniformColor_.data(),
            coverBuffer_.data(),
            colorBuffer_.data(),
            boxed ? std::max(0, surface.boxX0) : 0,
            boxed ? std::min(width_, surface.boxX1) : width_};
    // Rows outside the box are skipped whole: each row stands alone.
    firstRow_ = boxed ? std::max(minRow_, surface.boxY0) : minRow_;
    lastRow_ = boxed ? std::min(maxRow_, surface.boxY1 - 1) : maxRow_;
    if (firstRow_ > lastRow_ || run.left >= run.right) {
        Clear();
        return;
    }
    if (count == 1)
        SweepOne(nonZero, run);
    else
        SweepMany(nonZero, count, run);
    run.Flush();
    work_ += sorted_.size() + run.pixels;
    Clear();
}

void Rasterizer::SweepOne(bool nonZero, Run& run) {
    const size_t last = static_cast<size_t>(lastRow_ - minRow_);
    for (size_t r = static_cast<size_t>(firstRow_ - minRow_); r <= last; ++r) {
        const int y = minRow_ + static_cast<int>(r);
        const Cell* c = sorted_.data() + rowStart_[r];
        const Cell* end = sorted_.data() + rowStart_[r + 1];
        int64_t winding = 0;
        int x = 0;
        while (c < end) {
            const int column = c->x;
            if (x < column && winding != 0)
                run.Span(y, x, column, 1, Units(Coverage(winding * 2 * kSub, nonZero)));
            int64_t cover = 0, area = 0;
            for (; c < end && c->x == column; ++c) {
                const int sign = (c->fill1 == 1) - (c->fill0 == 1);
                cover += sign * c->cover;
                area += sign * c->area;
            }
            const uint32_t units = Units(Coverage((winding + cover) * 2 * kSub - area, nonZero));
            if (units)
                run.Pixel(y, column, 1, units);
            winding += cover;
            x = column + 1;
        }
        if (winding != 0 && x < width_)
            run.Span(y, x, width_, 1, Units(Coverage(winding * 2 * kSub, nonZero)));
    }
}

// Several fills: each keeps its own winding. Where more than one covers a
// pixel, the later fill takes its share first, as it would drawn on top, and
// the others share what is left, so the shares never exceed the pixel.
void Rasterizer::SweepMany(bool nonZero, uint32_t count, Run& run) {
    winding_.assign(count + 1, 0);
    pixelCover_.assign(count + 1, 0);
    pixelArea_.assign(count + 1, 0);
    active_.clear();
    struct Share {
        uint32_t fill;
        int64_t coverage;
    };
    std::vector<Share> shares;
    std::vector<uint32_t> fills, weights;
    // Fills covering some of the pixel, then their weights; true when more
    // than one does.
    auto split = [&]() {
        std::sort(shares.begin(), shares.end(),
                  [](const Share& a, const Share& b) { return a.fill > b.fill; });
        fills.clear();
        weights.clear();
        int64_t left = kWholeArea, taken = 0;
        uint32_t before = 0;
        for (const Share& s : shares) {
            const int64_t take = std::min(s.coverage, left);
            if (take <= 0)
                continue;
            left -= take;
            taken += take;
            const uint32_t upTo = Units(taken);
            fills.push_back(s.fill);
            weights.push_back(upTo - before);
            before = upTo;
        }
    };
    auto emit = [&](int y, int xa, int xb) {
        if (fills.size() == 1) {
            if (xb - xa == 1)
                run.Pixel(y, xa, fills[0], weights[0]);
            else
                run.Span(y, xa, xb, fills[0], weights[0]);
            return;
        }
        for (int x = xa; x < xb; ++x)
            run.Mixed(y, x, fills.data(), weights.data(), fills.size());
    };
    auto between = [&](int y, int xa, int xb) {
        shares.clear();
        for (uint32_t f : active_)
            shares.push_back(Share{f, Coverage(winding_[f] * 2 * kSub, nonZero)});
        split();
        if (!fills.empty())
            emit(y, xa, xb);
    };
    const size_t last = static_cast<size_t>(lastRow_ - minRow_);
    for (size_t r = static_cast<size_t>(firstRow_ - minRow_); r <= last; ++r) {
        const int y = minRow_ + static_cast<int>(r);
        const Cell* c = sorted_.data() + rowStart_[r];
        const Cell* end = sorted_.data() + rowStart_[r + 1];
        int x = 0;
        while (c < end) {
            const int column = c->x;
            if (x < column && !active_.empty())
                between(y, x, column);
            touched_.clear();
            for (; c < end && c->x == column; ++c) {
                const uint32_t sides[2] = {c->fill0, c->fill1};
                for (int k = 0; k < 2; ++k) {
                    const uint32_t f = sides[k];
                    if (f == 0 || f > count)
                        continue;
                    if (std::find(touched_.begin(), touched_.end(), f) == touched_.end())
                        touched_.push_back(f);
                    const int32_t sign = k == 0 ? -1 : 1;
                    pixelCover_[f] += sign * c->cover;
                    pixelArea_[f] += sign * int64_t{c->area};
                }
            }
            shares.clear();
            for (uint32_t f : active_) {
                if (std::find(touched_.begin(), touched_.end(), f) == touched_.end())
                    shares.push_back(Share{f, Coverage(winding_[f] * 2 * kSub, nonZero)});
            }
            for (uint32_t f : touched_) {
                const int64_t raw = (winding_[f] + pixelCover_[f]) * 2 * kSub - pixelArea_[f];
                shares.push_back(Share{f, Coverage(raw, nonZero)});
                winding_[f] += pixelCover_[f];
                pixelCover_[f] = 0;
                pixelArea_[f] = 0;
            }
            split();
            if (!fills.empty())
                emit(y, column, column + 1);
            active_.erase(std::remove_if(active_.begin(), active_.end(),
                                         [&](uint32_t f) { return winding_[f] == 0; }),
                          active_.end());
            for (uint32_t f : touched_) {
                if (winding_[f] != 0 &&
                    std::find(active_.begin(), active_.end(), f) == active_.end())
                    active_.push_back(f);
            }
            x = column + 1;
        }
        if (!active_.empty() && x < width_)
            between(y, x, width_);
        for (uint32_t f : active_)
            winding_[f] = 0;
        active_.clear();
    }
}

} // namespace ww::movie
