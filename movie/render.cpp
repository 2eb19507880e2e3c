#include "movie/render.h"

#include "common/file.h"
#include "movie/keyboard.h"
#include "movie/layer_cache.h"
#include "movie/stroke.h"

#include <stb_image_write.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>

namespace ww::movie {

namespace {

// Draws a display list from the movie it came from (a loaded clip has its
// own), and goes back to the outer one after.
class MovieScope {
  public:
    MovieScope(const Movie** current, const Movie* inner) : current_(current), outer_(*current) {
        if (inner)
            *current = inner;
    }
    ~MovieScope() { *current_ = outer_; }
    MovieScope(const MovieScope&) = delete;
    MovieScope& operator=(const MovieScope&) = delete;

  private:
    const Movie** current_;
    const Movie* outer_;
};

// Curves are cut into lines no further than this from the curve, in pixels.
constexpr double kFlatness = 0.1;
constexpr int kMaxCurveSteps = 256;
constexpr float kGradientSquare = 16384.0f;
constexpr size_t kKeptLayerBytes = size_t(2048) * 2048 * 4;
// A stroke's outline grows its point buffer by at least this many values,
// and its work is counted every so many points, each worth its quad and join.
constexpr size_t kStrokePointsStep = 4096;
constexpr uint64_t kPointWork = 8;
// Work between asking whether the frame is to end: a few milliseconds.
constexpr uint64_t kWorkBetweenAsks = 1 << 20;
// Edges of one shape walked between asking the frame's budget.
constexpr size_t kEdgesBetweenChecks = 256;

// Runs f; false when memory ran out inside it. Builds without exceptions (the
// lean player) stop there instead, so for them the drawing budget is all.
template <class F> bool WithoutBadAlloc(F&& f) {
#if defined(__cpp_exceptions) || defined(__EXCEPTIONS)
    try {
        f();
    } catch (const std::bad_alloc&) {
        return false;
    }
#else
    f();
#endif
    return true;
}

uint8_t Premultiply(uint8_t c, uint8_t a) {
    const unsigned t = c * a + 128u;
    return static_cast<uint8_t>((t + (t >> 8)) >> 8);
}

struct Point {
    double x, y;
};

bool ShapeExtent(const Shape& shape, double* x0, double* y0, double* x1, double* y1);

Point Transform(const Matrix& m, double x, double y) {
    return Point{m.a * x + m.c * y + m.tx, m.b * x + m.d * y + m.ty};
}

double Lerp(double a, double b, double t) {
    return a + (b - a) * t;
}

int32_t LerpInt(int32_t a, int32_t b, double t) {
    return static_cast<int32_t>(std::llround(Lerp(a, b, t)));
}

uint8_t LerpByte(uint8_t a, uint8_t b, double t) {
    return static_cast<uint8_t>(std::clamp(std::lround(Lerp(a, b, t)), 0L, 255L));
}

Rgba LerpColor(Rgba a, Rgba b, double t) {
    return Rgba{LerpByte(a.r, b.r, t), LerpByte(a.g, b.g, t), LerpByte(a.b, b.b, t),
                LerpByte(a.a, b.a, t)};
}

Matrix LerpMatrix(const Matrix& a, const Matrix& b, double t) {
    return Matrix{Lerp(a.a, b.a, t), Lerp(a.b, b.b, t),   Lerp(a.c, b.c, t),
                  Lerp(a.d, b.d, t), Lerp(a.tx, b.tx, t), Lerp(a.ty, b.ty, t)};
}

FillStyle LerpFill(const FillStyle& a, const FillStyle& b, double t) {
    FillStyle f = a;
    f.color = LerpColor(a.color, b.color, t);
    f.matrix = LerpMatrix(a.matrix, b.matrix, t);
    for (size_t i = 0; i < f.stops.size() && i < b.stops.size(); ++i) {
        f.stops[i].ratio = LerpByte(a.stops[i].ratio, b.stops[i].ratio, t);
        f.stops[i].color = LerpColor(a.stops[i].color, b.stops[i].color, t);
    }
    return f;
}

// The shape a morph shows at ratio (0: start, 65535: end).
void Interpolate(const MorphShape& morph, uint32_t ratio, Shape* out) {
    const double t = std::min(ratio, 65535u) / 65535.0;
    const Shape& s = morph.start;
    const Shape& e = morph.end;
    out->layers = s.layers;
    out->nonZero = s.nonZero;
    out->fills.resize(s.fills.size());
    for (size_t i = 0; i < s.fills.size(); ++i)
        out->fills[i] = LerpFill(s.fills[i], e.fills[i], t);
    out->lines.resize(s.lines.size());
    for (size_t i = 0; i < s.lines.size(); ++i) {
        out->lines[i] = s.lines[i];
        out->lines[i].width =
            static_cast<uint16_t>(std::lround(Lerp(s.lines[i].width, e.lines[i].width, t)));
        out->lines[i].fill = LerpFill(s.lines[i].fill, e.lines[i].fill, t);
    }
    out->edges.resize(s.edges.size());
    for (size_t i = 0; i < s.edges.size(); ++i) {
        const Edge& a = s.edges[i];
        const Edge& b = e.edges[i];
        out->edges[i] = Edge{LerpInt(a.x0, b.x0, t),
                             LerpInt(a.y0, b.y0, t),
                             LerpInt(a.cx, b.cx, t),
                             LerpInt(a.cy, b.cy, t),
                             LerpInt(a.x1, b.x1, t),
                             LerpInt(a.y1, b.y1, t),
                             a.fill0,
                             a.fill1,
                             a.line,
                             a.curve};
    }
}

float SrgbToLinear(float c) {
    return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
}

float LinearToSrgb(float c) {
    return c <= 0.0031308f ? c * 12.92f : 1.055f * std::pow(c, 1 / 2.4f) - 0.055f;
}

float SpreadT(float t, Spread spread) {
    switch (spread) {
    case Spread::Pad:
        return std::clamp(t, 0.0f, 1.0f);
    case Spread::Repeat:
        return t - std::floor(t);
    case Spread::Reflect:
        t = std::fmod(std::fabs(t), 2.0f);
        return t > 1 ? 2 - t : t;
    }
    return 0;
}

class SolidPaint : public Paint {
  public:
    void Set(Rgba c) {
        color_ =
            PackPixel(Premultiply(c.r, c.a), Premultiply(c.g, c.a), Premultiply(c.b, c.a), c.a);
    }
    void Colors(int, int x0, int x1, uint32_t* out) override {
        std::fill(out, out + (x1 - x0), color_);
    }
    bool Uniform(uint32_t* color) override {
        *color = color_;
        return true;
    }
    bool RowColor(int, uint32_t* color) override {
        *color = color_;
        return true;
    }

  private:
    uint32_t color_ = 0;
};

// A gradient's 256 colours, premultiplied, as its stops (after the colour
// transform) give them.
struct GradientTable {
    std::vector<GradientStop> stops;
    bool linearRgb = false, deviceOrder = false;
    uint32_t packed[256] = {};
};

Rgba MixStops(Rgba a, Rgba b, float t, bool linear) {
    auto channel = [&](uint8_t u, uint8_t v) {
        if (!linear)
            return static_cast<uint8_t>(std::lround(u + (v - u) * t));
        const float lu = SrgbToLinear(u / 255.0f), lv = SrgbToLinear(v / 255.0f);
        return static_cast<uint8_t>(std::lround(255.0f * LinearToSrgb(lu + (lv - lu) * t)));
    };
    return Rgba{channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b),
                static_cast<uint8_t>(std::lround(a.a + (b.a - a.a) * t))};
}

// Stops are taken in the order the file gives them, not sorted: each entry
// takes the first stop at or past its ratio, blended from the stop before it.
// Two stops at one ratio therefore meet in a hard edge, the first stop's
// colour ending exactly there.
void BuildTable(GradientTable* g) {
    const std::vector<GradientStop>& stops = g->stops;
    for (int i = 0; i < 256; ++i) {
        size_t k = 0;
        while (k < stops.size() && stops[k].ratio < i)
            ++k;
        Rgba c;
        if (k == stops.size()) {
            c = stops.back().color;
        } else if (k == 0 || stops[k].ratio == i) {
            c = stops[k].color;
        } else {
            const GradientStop& a = stops[k - 1];
            const GradientStop& b = stops[k];
            c = MixStops(a.color, b.color, static_cast<float>(i - a.ratio) / (b.ratio - a.ratio),
                         g->linearRgb);
        }
        if (g->deviceOrder)
            std::swap(c.r, c.b);
        g->packed[i] =
            PackPixel(Premultiply(c.r, c.a), Premultiply(c.g, c.a), Premultiply(c.b, c.a), c.a);
    }
}

bool SameStops(const std::vector<GradientStop>& a, const std::vector<GradientStop>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const Rgba x = a[i].color, y = b[i].color;
        if (a[i].ratio != b[i].ratio || x.r != y.r || x.g != y.g || x.b != y.b || x.a != y.a)
            return false;
    }
    return true;
}

// Tables by the fill they belong to, rebuilt only when its stops, as
// transformed, change: a movie's gradients mostly stay the same frame after
// frame.
class GradientTables {
  public:
    const GradientTable& For(const FillStyle& f, const ColorTransform& cx, bool deviceOrder) {
        scratch_.resize(f.stops.size());
        for (size_t i = 0; i < f.stops.size(); ++i)
            scratch_[i] = GradientStop{f.stops[i].ratio, Apply(cx, f.stops[i].color)};
        if (tables_.size() > kMaxTables)
            tables_.clear();
        std::unique_ptr<GradientTable>& slot = tables_[&f];
        if (!slot)
            slot = std::make_unique<GradientTable>();
        GradientTable& t = *slot;
        if (t.stops.empty() || t.linearRgb != f.linearRgb || t.deviceOrder != deviceOrder ||
            !SameStops(t.stops, scratch_)) {
            t.stops = scratch_;
            t.linearRgb = f.linearRgb;
            t.deviceOrder = deviceOrder;
            BuildTable(&t);
        }
        return t;
    }

  private:
    static constexpr size_t kMaxTables = 4096;
    std::unordered_map<const FillStyle*, std::unique_ptr<GradientTable>> tables_;
    std::vector<GradientStop> scratch_;
};

class GradientPaint : public Paint {
  public:
    void Set(const FillStyle& f, const Matrix& inverse, const GradientTable& table) {
        kind_ = f.kind;
        spread_ = f.spread;
        focal_ = f.focal;
        inv_ = inverse;
        table_ = table.packed;
    }
    bool RowColor(int y, uint32_t* color) override {
        // A linear gradient across the rows is one colour along each.
        if (kind_ != FillKind::Linear || inv_.a != 0)
            return false;
        const double py = y + 0.5;
        const float gx = static_cast<float>(inv_.c * py + inv_.tx);
        *color = table_[Index(SpreadT(Position(gx, 0), spread_))];
        return true;
    }
    // Each pixel's position is worked out from the row's start, the same
    // whichever span it is drawn in: a region redrawn alone matches the
    // whole frame bit for bit.
    void Colors(int y, int x0, int x1, uint32_t* out) override {
        const double py = y + 0.5;
        const float rowX = static_cast<float>(inv_.a * 0.5 + inv_.c * py + inv_.tx);
        const float rowY = static_cast<float>(inv_.b * 0.5 + inv_.d * py + inv_.ty);
        const float dx = static_cast<float>(inv_.a), dy = static_cast<float>(inv_.b);
        if (kind_ == FillKind::Linear && spread_ == Spread::Pad) {
            // The common case, t a constant step along the row.
            const float scale = 255.0f / (2 * kGradientSquare);
            const float t0 = (rowX + kGradientSquare) * scale + 0.5f;
            const float dt = dx * scale;
            // t moves one way along the row, so equal ends mean one colour.
            const int first = PadIndex(t0 + dt * static_cast<float>(x0));
            if (x1 - x0 > 1 && first == PadIndex(t0 + dt * static_cast<float>(x1 - 1))) {
                std::fill(out, out + (x1 - x0), table_[first]);
                return;
            }
            for (int x = x0; x < x1; ++x) {
                *out++ = table_[PadIndex(t0 + dt * static_cast<float>(x))];
            }
            return;
        }
        int x = x0;
#ifdef __SSE2__
        // Radial positions four at a time: the square roots and divisions
        // are most of their cost.
        if (kind_ != FillKind::Linear) {
            float t[4];
            alignas(16) int32_t index[4];
            const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1);
            for (; x + 4 <= x1; x += 4) {
                Positions4(rowX, rowY, dx, dy, x, t);
                if (spread_ == Spread::Pad) {
                    // Index of a padded t, four at a time; a NaN picks entry 0
                    // as Index gives it.
                    const __m128 c = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(t), zero), one);
                    _mm_store_si128(reinterpret_cast<__m128i*>(index),
                                    _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(c, _mm_set1_ps(255.0f)),
                                                                _mm_set1_ps(0.5f))));
                    for (int k = 0; k < 4; ++k)
                        *out++ = table_[index[k]];
                    continue;
                }
                for (int k = 0; k < 4; ++k)
                    *out++ = table_[Index(SpreadT(t[k], spread_))];
            }
        }
#endif
        for (; x < x1; ++x) {
            const float fx = static_cast<float>(x);
            *out++ = table_[Index(SpreadT(Position(rowX + dx * fx, rowY + dy * fx), spread_))];
        }
    }

  private:
    // A linear pad gradient's entry for t in table units; written so that a
    // NaN from a degenerate matrix picks entry 0.
    static int PadIndex(float t) {
        return t > 0 ? (t < 255 ? static_cast<int>(t) : 255) : 0;
    }
    static int Index(float t) {
        return t > 0 ? (t < 1 ? static_cast<int>(t * 255.0f + 0.5f) : 255) : 0;
    }

    float Position(float gx, float gy) const {
        if (kind_ == FillKind::Linear)
            return (gx + kGradientSquare) / (2 * kGradientSquare);
        const float px = gx / kGradientSquare, py = gy / kGradientSquare;
        if (kind_ == FillKind::Radial || focal_ == 0)
            return std::sqrt(px * px + py * py);
        // The circle through p whose centre moves from the focal point (t 0)
        // to the origin as its radius grows to 1 (t 1).
        const float dx = px - focal_, dy = py;
        const float len = std::sqrt(dx * dx + dy * dy);
        if (len == 0)
            return 0;
        const float b = focal_ * dx / len;
        const float s = -b + std::sqrt(std::max(0.0f, b * b - (focal_ * focal_ - 1)));
        return s > 0 ? len / s : 1;
    }

#ifdef __SSE2__
    // Position, as Position gives it for a radial or focal gradient, at
    // pixels x .. x + 3 of a row starting at (rowX, rowY).
    void Positions4(float rowX, float rowY, float dx, float dy, int x, float* out) const {
        const __m128 at =
            _mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(x), _mm_set_epi32(3, 2, 1, 0)));
        const __m128 scale = _mm_set1_ps(1 / kGradientSquare);
        const __m128 px =
            _mm_mul_ps(_mm_add_ps(_mm_set1_ps(rowX), _mm_mul_ps(_mm_set1_ps(dx), at)), scale);
        const __m128 py =
            _mm_mul_ps(_mm_add_ps(_mm_set1_ps(rowY), _mm_mul_ps(_mm_set1_ps(dy), at)), scale);
        if (kind_ == FillKind::Radial || focal_ == 0) {
            _mm_storeu_ps(out, _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(px, px), _mm_mul_ps(py, py))));
            return;
        }
        const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1);
        const __m128 f = _mm_set1_ps(focal_);
        const __m128 ddx = _mm_sub_ps(px, f);
        const __m128 len = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(ddx, ddx), _mm_mul_ps(py, py)));
        const __m128 atFocus = _mm_cmpeq_ps(len, zero);
        const __m128 safeLen = _mm_or_ps(_mm_and_ps(atFocus, one), _mm_andnot_ps(atFocus, len));
        const __m128 b = _mm_div_ps(_mm_mul_ps(f, ddx), safeLen);
        const __m128 disc =
            _mm_max_ps(zero, _mm_sub_ps(_mm_mul_ps(b, b), _mm_sub_ps(_mm_mul_ps(f, f), one)));
        const __m128 sDist = _mm_sub_ps(_mm_sqrt_ps(disc), b);
        const __m128 positive = _mm_cmpgt_ps(sDist, zero);
        const __m128 safeS = _mm_or_ps(_mm_and_ps(positive, sDist), _mm_andnot_ps(positive, one));
        __m128 t = _mm_div_ps(len, safeS);
        t = _mm_or_ps(_mm_and_ps(positive, t), _mm_andnot_ps(positive, one));
        t = _mm_andnot_ps(atFocus, t);
        _mm_storeu_ps(out, t);
    }
#endif

    FillKind kind_ = FillKind::Linear;
    Spread spread_ = Spread::Pad;
    float focal_ = 0;
    Matrix inv_;
    const uint32_t* table_ = nullptr;
};

class BitmapPaint : public Paint {
  public:
    void Set(const Bitmap& b, const FillStyle& f, const Matrix& inverse, const ColorTransform& cx,
             bool deviceOrder, bool smoothAll) {
        deviceOrder_ = deviceOrder;
        bitmap_ = &b;
        repeat_ = f.repeat;
        smooth_ = f.smooth || smoothAll;
        inv_ = inverse;
        cx_ = cx;
        plain_ = cx.IsIdentity();
    }
    void Colors(int y, int x0, int x1, uint32_t* out) override {
        const double py = y + 0.5;
        const double rowU = inv_.a * 0.5 + inv_.c * py + inv_.tx;
        const double rowV = inv_.b * 0.5 + inv_.d * py + inv_.ty;
        for (int x = x0; x < x1; ++x) {
            uint8_t c[4];
            Sample(rowU + inv_.a * x, rowV + inv_.b * x, c);
            if (deviceOrder_)
                std::swap(c[0], c[2]);
            *out++ = PackPixel(c[0], c[1], c[2], c[3]);
        }
    }

  private:
    int Wrap(long long i, int size) const {
        if (repeat_) {
            const long long m = i % size;
            return static_cast<int>(m < 0 ? m + size : m);
        }
        return static_cast<int>(std::clamp<long long>(i, 0, size - 1));
    }
    const uint8_t* Texel(long long x, long long y) const {
        const int ix = Wrap(x, bitmap_->width), iy = Wrap(y, bitmap_->height);
        return bitmap_->pixels.data() + (static_cast<size_t>(iy) * bitmap_->width + ix) * 4;
    }
    void Sample(double u, double v, uint8_t* out) const {
        // Far outside the bitmap every position wraps or clamps alike.
        if (std::isnan(u) || std::isnan(v))
            u = v = 0;
        u = std::clamp(u, -1e9, 1e9);
        v = std::clamp(v, -1e9, 1e9);
        if (!smooth_) {
            std::memcpy(
                out,
                Texel(static_cast<long long>(std::floor(u)), static_cast<long long>(std::floor(v))),
                4);
        } else {
            const double fu = u - 0.5, fv = v - 0.5;
            const double bu = std::floor(fu), bv = std::floor(fv);
            const long long ix = static_cast<long long>(bu), iy = static_cast<long long>(bv);
            const float tx = static_cast<float>(fu - bu), ty = static_cast<float>(fv - bv);
            const uint8_t* p00 = Texel(ix, iy);
            const uint8_t* p10 = Texel(ix + 1, iy);
            const uint8_t* p01 = Texel(ix, iy + 1);
            const uint8_t* p11 = Texel(ix + 1, iy + 1);
            for (int k = 0; k < 4; ++k) {
                const float top = p00[k] + (p10[k] - p00[k]) * tx;
                const float bottom = p01[k] + (p11[k] - p01[k]) * tx;
                out[k] = static_cast<uint8_t>(top + (bottom - top) * ty + 0.5f);
            }
        }
        if (!plain_) {
            const uint8_t a = out[3];
            Rgba c{0, 0, 0, a};
            if (a > 0) {
                c.r = static_cast<uint8_t>(std::min(255, out[0] * 255 / a));
                c.g = static_cast<uint8_t>(std::min(255, out[1] * 255 / a));
                c.b = static_cast<uint8_t>(std::min(255, out[2] * 255 / a));
            }
            c = Apply(cx_, c);
            out[0] = Premultiply(c.r, c.a);
            out[1] = Premultiply(c.g, c.a);
            out[2] = Premultiply(c.b, c.a);
            out[3] = c.a;
        }
    }

    bool deviceOrder_ = false;
    const Bitmap* bitmap_ = nullptr;
    bool repeat_ = true, smooth_ = true, plain_ = true;
    Matrix inv_;
    ColorTransform cx_;
};

} // namespace

// The paints of one layer's fills, kept from shape to shape.
struct Renderer::Paints {
    template <class T> struct Pool {
        std::vector<std::unique_ptr<T>> items;
        size_t used = 0;
        T* Take() {
            if (used == items.size())
                items.push_back(std::make_unique<T>());
            return items[used++].get();
        }
    };
    Pool<SolidPaint> solids;
    Pool<GradientPaint> gradients;
    Pool<BitmapPaint> bitmaps;
    GradientTables tables;
    std::vector<Paint*> list;
    std::vector<uint8_t> used;
    void Reset() {
        solids.used = gradients.used = bitmaps.used = 0;
        list.clear();
    }
};

bool ParseQuality(const std::string& text, Quality* quality) {
    static const struct {
        const char* name;
        Quality quality;
    } kNames[] = {{"low", Quality::Low},           {"autolow", Quality::AutoLow},
                  {"autohigh", Quality::AutoHigh}, {"medium", Quality::Medium},
                  {"high", Quality::High},         {"best", Quality::Best}};
    std::string lower = text;
    for (char& c : lower)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    for (const auto& n : kNames) {
        if (lower == n.name) {
            *quality = n.quality;
            return true;
        }
    }
    return false;
}

bool AntiAliases(Quality quality) {
    return quality != Quality::Low && quality != Quality::AutoLow;
}

bool OutputSize(const Movie& movie, const RenderOptions& options, int* width, int* height,
                std::string* error) {
    const double stageW = (double(movie.stage.xmax) - movie.stage.xmin) / kTwipsPerPixel;
    const double stageH = (double(movie.stage.ymax) - movie.stage.ymin) / kTwipsPerPixel;
    if (options.width < 0 || options.height < 0 || stageW <= 0 || stageH <= 0) {
        *error = "the picture size is not positive";
        return false;
    }
    double w = options.width, h = options.height;
    if (w == 0 && h == 0) {
        w = stageW;
        h = stageH;
    } else if (w == 0) {
        w = h * stageW / stageH;
    } else if (h == 0) {
        h = w * stageH / stageW;
    }
    w = std::max(1.0, std::round(w));
    h = std::max(1.0, std::round(h));
    if (w > kMaxOutputSide || h > kMaxOutputSide || w * h > double(kMaxOutputPixels)) {
        *error = "a picture of " + std::to_string(static_cast<long long>(w)) + " x " +
                 std::to_string(static_cast<long long>(h)) +
                 " pixels is larger than 8192 pixels a side or 4096 x 4096 pixels in all";
        return false;
    }
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

Matrix StageToCanvas(const Movie& movie, int width, int height, ScaleMode scale, uint8_t align,
                     double areaScale) {
    const double sw = double(movie.stage.xmax) - movie.stage.xmin;
    const double sh = double(movie.stage.ymax) - movie.stage.ymin;
    double sx = width / sw, sy = height / sh;
    if (scale == ScaleMode::ShowAll)
        sx = sy = std::min(sx, sy);
    else if (scale == ScaleMode::NoBorder)
        sx = sy = std::max(sx, sy);
    else if (scale == ScaleMode::NoScale)
        sx = sy = (std::isfinite(areaScale) && areaScale > 0 ? areaScale : 1.0) / kTwipsPerPixel;
    // The share of the spare room left before the stage on each axis.
    const double before[2] = {align & kAlignLeft    ? 0.0
                              : align & kAlignRight ? 1.0
                                                    : 0.5,
                              align & kAlignTop      ? 0.0
                              : align & kAlignBottom ? 1.0
                                                     : 0.5};
    return Matrix{sx,
                  0,
                  0,
                  sy,
                  (width - sw * sx) * before[0] - movie.stage.xmin * sx,
                  (height - sh * sy) * before[1] - movie.stage.ymin * sy};
}

uint32_t Renderer::Begin(const RenderOptions& options, int w, int h, Canvas* canvas) {
    if (!paints_)
        paints_.reset(new Paints);
    canvas_ = canvas;
    Rgba bg = options.overrideBackground ? options.background : movie_->background;
    deviceOrder_ = options.deviceOrder;
    smoothBitmaps_ = options.quality == Quality::Best;
    if (deviceOrder_)
        std::swap(bg.r, bg.b);
    raster_.SetBudget(&drawing_);
    raster_.SetSize(w, h);
    raster_.SetAntiAlias(AntiAliases(options.quality));
    raster_.ResetWork();
    budget_ = kFrameWorkFloor + kFrameWorkPerPixel * static_cast<uint64_t>(w) * h;
    spent_ = 0;
    sinceAsked_ = 0;
    askedAt_ = 0;
    interrupted_ = options.interrupted;
    cut_ = false;
    record_.lines.clear();
    raster_.Record(observer_ ? &record_.lines : nullptr);
    box_ = PixelRect{};
    const Matrix stage =
        StageToCanvas(*movie_, w, h, options.scale, options.align, options.areaScale);
    filterScale_ = std::sqrt(std::fabs(stage.a * stage.d - stage.b * stage.c)) * kTwipsPerPixel;
    if (!std::isfinite(filterScale_) || filterScale_ <= 0)
        filterScale_ = 1;
    layers_ = 0;
    slice_ = NineSlice{};
    StartLayerCache(options);
    return PackPixel(bg.r, bg.g, bg.b, 255);
}

uint64_t Renderer::KeptBytes() const {
    uint64_t bytes = raster_.heldBytes() + HeldBytes(strokePoints_) +
                     HeldBytes(morphScratch_.edges) + HeldBytes(morphScratch_.fills) +
                     HeldBytes(morphScratch_.lines);
    for (const auto& mask : masks_)
        bytes += mask ? HeldBytes(*mask) : 0;
    for (const auto& layer : layerPool_)
        bytes += HeldBytes(layer);
    if (cache_)
        bytes += cache_->bytes();
    return bytes;
}

void Renderer::ReleaseKept() {
    raster_.ReleaseStorage();
    masks_.clear();
    layerPool_.clear();
    std::vector<double>().swap(strokePoints_);
    morphScratch_ = Shape{};
}

bool Renderer::ChargeFrame(int w, int h, std::string* error) {
    skipped_ = 0;
    refusedSeen_ = raster_.refusedFills();
    const uint64_t limit = kMovieMemoryCap - std::min(kMovieMemoryCap, movie_->memoryUsed);
    const uint64_t canvasBytes = uint64_t(w) * uint64_t(h) * 4;
    drawing_.Reset(limit, KeptBytes());
    if (drawing_.Take(canvasBytes))
        return true;
    ReleaseKept();
    drawing_.Reset(limit, KeptBytes());
    if (drawing_.Take(canvasBytes))
        return true;
    everOverMemory_ = true;
    *error = "the movie holds " + std::to_string(movie_->memoryUsed >> 20) + " MiB of its " +
             std::to_string(kMovieMemoryCap >> 20) + " MiB, too much to draw a picture of " +
             std::to_string(w) + " x " + std::to_string(h) + " pixels";
    return false;
}

void Renderer::Skipped() {
    ++skipped_;
    everOverMemory_ = true;
}

void Renderer::DrawRoot(const SpriteState& root, const Matrix& m) {
    Canvas* canvas = canvas_;
    const PixelRect box = box_;
    if (WithoutBadAlloc([&] { DrawList(root, m, ColorTransform{}, Target{nullptr, nullptr}, 0); }))
        return;
    // Out of memory somewhere inside: the frame ends where it stands, its
    // state as DrawList found it.
    canvas_ = canvas;
    box_ = box;
    layers_ = 0;
    slice_ = NineSlice{};
    raster_.SetSize(canvas_->width, canvas_->height);
    record_.lines.clear();
    Skipped();
}

bool Renderer::Render(const Player& player, const RenderOptions& options, Canvas* canvas,
                      std::string* error) {
    int w = 0, h = 0;
    if (!OutputSize(*movie_, options, &w, &h, error) || !ChargeFrame(w, h, error))
        return false;
    canvas->width = w;
    canvas->height = h;
    if (!WithoutBadAlloc([&] { canvas->pixels.resize(static_cast<size_t>(w) * h * 4); })) {
        everOverMemory_ = true;
        *error = "there is not memory enough for a picture of " + std::to_string(w) + " x " +
                 std::to_string(h) + " pixels";
        canvas->width = canvas->height = 0;
        canvas->pixels.clear();
        return false;
    }
    const uint32_t bg = Begin(options, w, h, canvas);
    BlendSpan(canvas->pixels.data(), w * h, nullptr, bg, nullptr, kFullCover);
    const Matrix stage =
        StageToCanvas(*movie_, w, h, options.scale, options.align, options.areaScale);
    focus_ = player.keyboardState() ? player.keyboardState()->focus : nullptr;
    for (const SpriteState* level : player.Levels())
        DrawRoot(*level, stage);
    DrawFocusRect(player, stage);
    return true;
}

bool Renderer::DrawSpriteOnto(const SpriteState& sprite, const Matrix& m, const ColorTransform& cx,
                              Quality quality, Canvas* canvas, std::string* error) {
    if (canvas->width <= 0 || canvas->height <= 0 ||
        canvas->pixels.size() != static_cast<size_t>(canvas->width) * canvas->height * 4 ||
        !ChargeFrame(canvas->width, canvas->height, error))
        return false;
    RenderOptions options;
    options.quality = quality;
    Begin(options, canvas->width, canvas->height, canvas);
    focus_ = nullptr; // a script's bitmap shows no caret
    return WithoutBadAlloc([&] { DrawList(sprite, m, cx, Target{nullptr, nullptr}, 0); });
}

namespace {

uint64_t PixelArea(const PixelRect& r) {
    return static_cast<uint64_t>(r.x1 - r.x0) * static_cast<uint64_t>(r.y1 - r.y0);
}

// The box round two boxes, neither empty.
PixelRect Hull(const PixelRect& a, const PixelRect& b) {
    return PixelRect{std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1),
                     std::max(a.y1, b.y1)};
}

// Each region is a pass over the whole display list, flattening every shape
// again, so regions are merged wherever the pixels a merge adds cost less
// than a pass: overlapping and neighbouring ones into their box, and many or
// large ones into one box round them all.
std::vector<PixelRect> PassesFor(const std::vector<PixelRect>& regions, int w, int h) {
    // A pass's own cost, counted in the pixels it could have drawn instead.
    constexpr uint64_t kPassPixels = 128 * 128;
    constexpr size_t kMaxPasses = 8;
    std::vector<PixelRect> passes;
    PixelRect all{w, h, 0, 0}; // empty until the first region
    uint64_t total = 0;
    for (const PixelRect& r : regions) {
        const PixelRect c{std::max(r.x0, 0), std::max(r.y0, 0), std::min(r.x1, w),
                          std::min(r.y1, h)};
        if (c.x0 >= c.x1 || c.y0 >= c.y1)
            continue;
        all = passes.empty() ? c : Hull(all, c);
        passes.push_back(c);
        total += PixelArea(c);
    }
    const uint64_t canvas = static_cast<uint64_t>(w) * static_cast<uint64_t>(h);
    if (passes.size() > 4 * kMaxPasses || total >= canvas / 2)
        return passes.empty() ? passes : std::vector<PixelRect>{all};
    for (bool merged = true; merged;) {
        merged = false;
        for (size_t i = 0; i < passes.size() && !merged; ++i) {
            for (size_t j = i + 1; j < passes.size(); ++j) {
                const PixelRect u = Hull(passes[i], passes[j]);
                if (PixelArea(u) <= PixelArea(passes[i]) + PixelArea(passes[j]) + kPassPixels) {
                    passes[i] = u;
                    passes.erase(passes.begin() + static_cast<std::ptrdiff_t>(j));
                    merged = true;
                    break;
                }
            }
        }
    }
    if (passes.size() > kMaxPasses)
        return {all};
    return passes;
}

} // namespace

bool Renderer::RenderRegions(const Player& player, const RenderOptions& options,
                             const std::vector<PixelRect>& regions, Canvas* canvas,
                             std::string* error) {
    int w = 0, h = 0;
    if (!OutputSize(*movie_, options, &w, &h, error))
        return false;
    if (canvas->width != w || canvas->height != h ||
        canvas->pixels.size() != static_cast<size_t>(w) * h * 4)
        return Render(player, options, canvas, error);
    if (!ChargeFrame(w, h, error))
        return false;
    const uint32_t bg = Begin(options, w, h, canvas);
    const Matrix m = StageToCanvas(*movie_, w, h, options.scale, options.align, options.areaScale);
    focus_ = player.keyboardState() ? player.keyboardState()->focus : nullptr;
    for (const PixelRect& box : PassesFor(regions, w, h)) {
        for (int y = box.y0; y < box.y1; ++y)
            BlendSpan(canvas->pixels.data() + (static_cast<size_t>(y) * w + box.x0) * 4,
                      box.x1 - box.x0, nullptr, bg, nullptr, kFullCover);
        box_ = box;
        for (const SpriteState* level : player.Levels())
            DrawRoot(*level, m);
        DrawFocusRect(player, m);
    }
    box_ = PixelRect{};
    return true;
}

// Objects in depth order; a clip object's coverage becomes the mask of the
// objects above it up to its clip depth, intersected with any mask outside.
void Renderer::DrawList(const SpriteState& sprite, const Matrix& m, const ColorTransform& cx,
                        const Target& t, int maskLevel) {
    struct Clip {
        uint16_t clipDepth;
        const uint8_t* mask; // null: the mask could not be had, and what it clips is left out
    };
    std::vector<Clip> clips;
    const size_t maskBytes = static_cast<size_t>(canvas_->width) * canvas_->height;
    const MovieScope scope(&movie_, sprite.movie);
    if (sprite.drawing) // a script's drawing lies beneath the children
        DrawShape(sprite.drawing->shape, m, cx, t, nullptr);
    for (const auto& entry : sprite.objects) {
        const DisplayObject& o = entry.second;
        while (!clips.empty() && o.depth > clips.back().clipDepth) {
            clips.pop_back();
            --maskLevel;
        }
        if (!clips.empty() && !clips.back().mask) {
            Skipped();
            continue;
        }
        const uint8_t* clip = clips.empty() ? t.clip : clips.back().mask;
        if (o.clipDepth > 0) {
            if (maskLevel >= kMaxMaskNesting)
                continue;
            const size_t level = static_cast<size_t>(maskLevel);
            if (masks_.size() <= level)
                masks_.resize(level + 1);
            // Each mask is its own allocation: a mask drawn inside this one
            // may add levels, and must not move this buffer or its holder.
            if (!masks_[level])
                masks_[level] = std::make_unique<std::vector<uint8_t>>();
            std::vector<uint8_t>* mask = masks_[level].get();
            if (!drawing_.Reserve(*mask, maskBytes)) {
                Skipped();
                clips.push_back(Clip{o.clipDepth, nullptr});
                ++maskLevel;
                continue;
            }
            mask->assign(maskBytes, 0);
            DrawObject(o, m, cx, Target{mask->data(), clip}, maskLevel + 1);
            clips.push_back(Clip{o.clipDepth, mask->data()});
            ++maskLevel;
            continue;
        }
        if (o.visible)
            DrawObject(o, m, cx, Target{t.maskOut, clip}, maskLevel);
    }
}

bool Renderer::Spend(uint64_t units) {
    if (cut_)
        return false;
    spent_ += units;
    if (spent_ + raster_.work() > budget_) {
        cut_ = everOverBudget_ = true;
        return false;
    }
    // Asking costs a little; every so many objects, or so much work when
    // objects are costly, is soon enough.
    const uint64_t done = spent_ + raster_.work();
    if (interrupted_ && (++sinceAsked_ >= 64 || done - askedAt_ >= kWorkBetweenAsks)) {
        sinceAsked_ = 0;
        askedAt_ = done;
        cut_ = interrupted_();
    }
    return !cut_;
}

// Filters, blend modes and bitmap caching draw the object into a layer
// first; inside a clip mask only coverage counts, and they change nothing.
void Renderer::DrawObject(const DisplayObject& o, const Matrix& m, const ColorTransform& cx,
                          const Target& t, int maskLevel) {
    if (!Spend(kObjectWork))
        return;
    const bool onLayer = o.blendMode == BlendMode::Alpha || o.blendMode == BlendMode::Erase;
    // Alpha and erase work on the layer below; the stage is none, and
    // there they show nothing.
    if (onLayer && layers_ == 0 && !t.maskOut)
        return;
    const bool layered = !o.filters.empty() || o.cacheAsBitmap || o.hasBackground ||
                         o.blendMode != BlendMode::Normal;
    if (layered && !t.maskOut && layers_ < kMaxLayerNesting && DrawLayered(o, m, cx, t, maskLevel))
        return;
    DrawContent(o, m, cx, t, maskLevel);
}

void Renderer::DrawContent(const DisplayObject& o, const Matrix& m, const ColorTransform& cx,
                           const Target& t, int maskLevel, bool ownColor) {
    const Matrix mm = Multiply(m, o.matrix);
    const ColorTransform cc = ownColor ? Combine(cx, o.color) : ColorTransform{};
    switch (o.ref.kind) {
    case CharacterKind::Shape:
        DrawShape(movie_->shapes[o.ref.index], mm, cc, t, nullptr);
        break;
    case CharacterKind::Morph: {
        const Shape& start = movie_->morphs[o.ref.index].start;
        if (!drawing_.Reserve(morphScratch_.edges, start.edges.size()) ||
            !drawing_.Reserve(morphScratch_.fills, start.fills.size()) ||
            !drawing_.Reserve(morphScratch_.lines, start.lines.size())) {
            Skipped();
            break;
        }
        Interpolate(movie_->morphs[o.ref.index], o.ratio, &morphScratch_);
        DrawShape(morphScratch_, mm, cc, t, nullptr);
        break;
    }
    case CharacterKind::Text:
        DrawText(movie_->texts[o.ref.index], mm, cc, t);
        break;
    case CharacterKind::Sprite:
        if (o.sprite) {
            const NineSlice outer = slice_;
            SetSlice(o, mm);
            DrawList(*o.sprite, mm, cc, t, maskLevel);
            slice_ = outer;
        }
        break;
    case CharacterKind::EditText:
        DrawEditText(o, mm, cc, t);
        break;
    case CharacterKind::Button:
        DrawButton(o, mm, cc, t, maskLevel);
        break;
    default:
        break;
    }
}

void Renderer::AddEdge(const Edge& e, const Matrix& m, uint32_t fill0, uint32_t fill1) {
    Point p0 = Transform(m, e.x0, e.y0);
    Point p1 = Transform(m, e.x1, e.y1);
    Slice(&p0.x, &p0.y);
    Slice(&p1.x, &p1.y);
    if (!e.curve) {
        raster_.AddEdge(p0.x, p0.y, p1.x, p1.y, fill0, fill1);
        return;
    }
    Point c = Transform(m, e.cx, e.cy);
    Slice(&c.x, &c.y);
    const int steps = CurveSteps(p0.x, p0.y, c.x, c.y, p1.x, p1.y);
    Point prev = p0;
    for (int i = 1; i <= steps; ++i) {
        const double s = double(i) / steps, u = 1 - s;
        const Point next = i == steps ? p1
                                      : Point{u * u * p0.x + 2 * s * u * c.x + s * s * p1.x,
                                              u * u * p0.y + 2 * s * u * c.y + s * s * p1.y};
        raster_.AddEdge(prev.x, prev.y, next.x, next.y, fill0, fill1);
        prev = next;
    }
}

void Renderer::Slice(double* x, double* y) const {
    if (!slice_.on)
        return;
    double* v[2] = {x, y};
    for (int axis = 0; axis < 2; ++axis) {
        const double* f = slice_.from[axis];
        const double* t = slice_.to[axis];
        const double p = *v[axis];
        // The segment p lies in; beyond the box, the end segments go on.
        const int k = p < f[1] ? 0 : p < f[2] ? 1 : 2;
        const double span = f[k + 1] - f[k];
        *v[axis] = span != 0 ? t[k] + (p - f[k]) * (t[k + 1] - t[k]) / span : t[k];
    }
}

// The sprite's box from its shapes' extents, and its grid, on the
// canvas; slicing only for a sprite scaled without rotation or skew.
void Renderer::SetSlice(const DisplayObject& o, const Matrix& full) {
    auto grid = movie_->scalingGrids.find(o.characterId);
    const Matrix& own = o.matrix;
    if (grid == movie_->scalingGrids.end() || !o.sprite || own.b != 0 || own.c != 0 ||
        full.b != 0 || full.c != 0 || own.a == 0 || own.d == 0)
        return;
    double box[4] = {1e300, 1e300, -1e300, -1e300};
    for (const auto& entry : o.sprite->objects) {
        const DisplayObject& child = entry.second;
        // The edges' own extent: declared bounds are often loose.
        double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
        const Shape* shape =
            child.ref.kind == CharacterKind::Shape   ? &movie_->shapes[child.ref.index]
            : child.ref.kind == CharacterKind::Morph ? &movie_->morphs[child.ref.index].start
                                                     : nullptr;
        if (!shape || !ShapeExtent(*shape, &x0, &y0, &x1, &y1))
            continue;
        for (const double x : {x0, x1}) {
            for (const double y : {y0, y1}) {
                const Point p = Transform(Multiply(full, child.matrix), x, y);
                box[0] = std::min(box[0], p.x);
                box[1] = std::min(box[1], p.y);
                box[2] = std::max(box[2], p.x);
                box[3] = std::max(box[3], p.y);
            }
        }
    }
    if (box[0] >= box[2] || box[1] >= box[3])
        return;
    const Rect& g = grid->second;
    const Point g0 = Transform(full, g.xmin, g.ymin), g1 = Transform(full, g.xmax, g.ymax);
    const double gx[2] = {std::min(g0.x, g1.x), std::max(g0.x, g1.x)};
    const double gy[2] = {std::min(g0.y, g1.y), std::max(g0.y, g1.y)};
    const double scale[2] = {std::fabs(own.a), std::fabs(own.d)};
    const double* gridAxis[2] = {gx, gy};
    NineSlice s;
    for (int axis = 0; axis < 2; ++axis) {
        const double lo = box[axis], hi = box[axis + 2];
        const double g0v = std::clamp(gridAxis[axis][0], lo, hi);
        const double g1v = std::clamp(gridAxis[axis][1], lo, hi);
        const double left = (g0v - lo) / scale[axis], right = (hi - g1v) / scale[axis];
        s.from[axis][0] = lo;
        s.from[axis][1] = g0v;
        s.from[axis][2] = g1v;
        s.from[axis][3] = hi;
        s.to[axis][0] = lo;
        s.to[axis][3] = hi;
        if (left + right > hi - lo) {
            // Too small for the corners at their size: they share the room.
            const double k = (hi - lo) / (left + right);
            s.to[axis][1] = s.to[axis][2] = lo + left * k;
        } else {
            s.to[axis][1] = lo + left;
            s.to[axis][2] = hi - right;
        }
        if (!(s.from[axis][1] > s.from[axis][0]))
            s.from[axis][1] = s.from[axis][0];
    }
    s.on = true;
    slice_ = s;
}

Surface Renderer::SurfaceFor(const Target& t) const {
    Surface s;
    s.width = canvas_->width;
    s.height = canvas_->height;
    s.pixels = canvas_->pixels.data();
    s.maskOut = t.maskOut;
    s.clip = t.clip;
    s.boxX0 = box_.x0;
    s.boxY0 = box_.y0;
    s.boxX1 = box_.x1;
    s.boxY1 = box_.y1;
    return s;
}

Paint* Renderer::PaintFor(const FillStyle& fill, const Matrix& m, const ColorTransform& cx) {
    Matrix inverse;
    switch (fill.kind) {
    case FillKind::Solid: {
        Rgba c = Apply(cx, fill.color);
        if (c.a == 0)
            return nullptr;
        if (deviceOrder_)
            std::swap(c.r, c.b);
        SolidPaint* p = paints_->solids.Take();
        p->Set(c);
        return p;
    }
    case FillKind::Linear:
    case FillKind::Radial:
    case FillKind::Focal: {
        if (fill.stops.empty() || !Invert(Multiply(m, fill.matrix), &inverse))
            return nullptr;
        GradientPaint* p = paints_->gradients.Take();
        p->Set(fill, inverse, paints_->tables.For(fill, cx, deviceOrder_));
        return p;
    }
    case FillKind::Bitmap: {
        const CharacterRef* ref = fill.scriptPixels ? nullptr : movie_->Find(fill.bitmapId);
        if (!fill.scriptPixels && (!ref || ref->kind != CharacterKind::Bitmap))
            return nullptr;
        const Bitmap& b = fill.scriptPixels ? *fill.scriptPixels : movie_->bitmaps[ref->index];
        if (b.width == 0 || b.height == 0 || !Invert(Multiply(m, fill.matrix), &inverse))
            return nullptr;
        BitmapPaint* p = paints_->bitmaps.Take();
        p->Set(b, fill, inverse, cx, deviceOrder_, smoothBitmaps_);
        return p;
    }
    }
    return nullptr;
}

// A layer's fills in one pass: each edge gives the rasteriser the fill on
// either side, so fills that meet share their pixels exactly.
void Renderer::DrawShape(const Shape& shape, const Matrix& m, const ColorTransform& cx,
                         const Target& t, const Rgba* solid) {
    for (const StyleLayer& layer : shape.layers) {
        // Each layer walks all the shape's edges.
        if (!Spend(shape.edges.size())) {
            raster_.Clear();
            return;
        }
        auto local = [&](uint32_t f) {
            return f > layer.firstFill && f <= layer.firstFill + layer.fillCount
                       ? f - layer.firstFill
                       : 0;
        };
        // Only the fills some edge names get a paint: a layer may declare
        // thousands of styles and use two.
        std::vector<uint8_t>& used = paints_->used;
        used.assign(layer.fillCount + 1, 0);
        uint32_t count = 0;
        size_t walked = 0;
        for (const Edge& e : shape.edges) {
            const uint32_t f0 = local(e.fill0), f1 = local(e.fill1);
            if (f0 == f1)
                continue;
            if (raster_.refusing())
                break; // the fill is refused; walking on would only cost time
            // Curves far off the canvas cost lines without cells: the budget
            // is asked within a shape too.
            if (++walked % kEdgesBetweenChecks == 0 && !Spend(0)) {
                raster_.Clear();
                return;
            }
            AddEdge(e, m, f0, f1);
            used[f0] = used[f1] = 1;
            count = std::max({count, f0, f1});
        }
        if (!raster_.Empty()) {
            paints_->Reset();
            Paint* solidPaint = nullptr;
            if (solid && !t.maskOut) {
                FillStyle f;
                f.color = *solid;
                solidPaint = PaintFor(f, m, ColorTransform{});
            }
            for (uint32_t k = 1; k <= count; ++k) {
                Paint* paint = nullptr;
                if (t.maskOut || !used[k]) {
                    // Coverage only, or a fill no edge bounds: not asked.
                } else if (solid) {
                    paint = solidPaint;
                } else {
                    paint = PaintFor(shape.fills[layer.firstFill + k - 1], m, cx);
                }
                paints_->list.push_back(paint);
            }
            if (observer_ && !t.maskOut) {
                record_.fills.clear();
                for (uint32_t k = 1; k <= count; ++k)
                    record_.fills.push_back(&shape.fills[layer.firstFill + k - 1]);
                record_.matrix = m;
                record_.cx = cx;
                record_.nonZero = shape.nonZero;
                record_.hasSolid = solid != nullptr;
                record_.solid = solid ? *solid : Rgba{};
                observer_->OnFill(record_);
            }
            FillRaster(shape.nonZero, paints_->list.data(), count, t);
        }
        record_.lines.clear();
        for (uint32_t j = 0; j < layer.lineCount; ++j)
            Stroke(shape, layer.firstLine + j + 1, m, cx, t);
    }
}

// The polylines of one line style, their joins and caps, filled as one area.
// Lines a pixel wide or thinner are centred on pixel centres, as Flash snaps
// hairlines, so that they stay one crisp pixel rather than two half ones.
void Renderer::Stroke(const Shape& shape, uint32_t line, const Matrix& m, const ColorTransform& cx,
                      const Target& t) {
    if (!Spend(shape.edges.size()))
        return;
    const LineStyle& style = shape.lines[line - 1];
    StrokeStyle s;
    double scale = std::sqrt(std::fabs(m.a * m.d - m.b * m.c));
    if (style.noHScale && style.noVScale)
        scale = filterScale_ / kTwipsPerPixel; // the stage's own zoom only
    else if (style.noHScale)
        scale = std::sqrt(m.c * m.c + m.d * m.d);
    else if (style.noVScale)
        scale = std::sqrt(m.a * m.a + m.b * m.b);
    const double width = style.width * scale;
    const bool hairline = !(width > 1);
    s.halfWidth = std::max(1.0, width) / 2;
    s.startCap = style.startCap;
    s.endCap = style.endCap;
    s.join = style.join;
    s.miterLimit = style.miterLimit;
    std::vector<double>& points = strokePoints_;
    points.clear();
    bool refused = false;
    size_t added = 0;
    int32_t firstX = 0, firstY = 0, lastX = 0, lastY = 0;
    auto add = [&](Point p) {
        Slice(&p.x, &p.y);
        if (hairline) {
            p.x = std::floor(p.x) + 0.5;
            p.y = std::floor(p.y) + 0.5;
        }
        // The outline's points are charged as they grow, in memory and in
        // work: curves cut into many lines make long ones.
        if (points.size() + 2 > points.capacity() &&
            !drawing_.Reserve(points, std::max(kStrokePointsStep, 2 * points.capacity())))
            refused = true;
        if (++added % kStrokePointsStep == 0 && !Spend(kStrokePointsStep * kPointWork))
            refused = true;
        if (!refused)
            points.insert(points.end(), {p.x, p.y});
    };
    auto flush = [&]() {
        if (!points.empty() && !refused) {
            const bool closed =
                !style.noClose && firstX == lastX && firstY == lastY && points.size() > 4;
            StrokePolyline(points, closed, s, raster_);
        }
        points.clear();
    };
    for (const Edge& e : shape.edges) {
        if (e.line != line)
            continue;
        if (refused || raster_.refusing())
            break;
        if (points.empty() || e.x0 != lastX || e.y0 != lastY) {
            flush();
            add(Transform(m, e.x0, e.y0));
            firstX = e.x0;
            firstY = e.y0;
        }
        const Point p1 = Transform(m, e.x1, e.y1);
        if (e.curve) {
            const Point p0 = Transform(m, e.x0, e.y0);
            const Point c = Transform(m, e.cx, e.cy);
            const int steps = CurveSteps(p0.x, p0.y, c.x, c.y, p1.x, p1.y);
            for (int i = 1; i < steps; ++i) {
                const double k = double(i) / steps, u = 1 - k;
                add(Point{u * u * p0.x + 2 * k * u * c.x + k * k * p1.x,
                          u * u * p0.y + 2 * k * u * c.y + k * k * p1.y});
            }
        }
        add(p1);
        lastX = e.x1;
        lastY = e.y1;
    }
    flush();
    if (refused) {
        // Past the work budget the frame ends; past the memory, the stroke.
        raster_.Clear();
        record_.lines.clear();
        if (!cut_)
            Skipped();
        return;
    }
    if (raster_.Empty()) {
        record_.lines.clear();
        return;
    }
    paints_->Reset();
    Paint* paint = t.maskOut ? nullptr : PaintFor(style.fill, m, cx);
    if (observer_ && !t.maskOut) {
        record_.fills.assign(1, &style.fill);
        record_.matrix = m;
        record_.cx = cx;
        record_.nonZero = true;
        record_.hasSolid = false;
        observer_->OnFill(record_);
    }
    record_.lines.clear();
    FillRaster(true, &paint, 1, t);
}

void Renderer::FillRaster(bool nonZero, Paint* const* paints, uint32_t count, const Target& t) {
    raster_.Fill(nonZero, paints, count, SurfaceFor(t));
    if (raster_.refusedFills() != refusedSeen_) {
        refusedSeen_ = raster_.refusedFills();
        Skipped();
    }
}

void Renderer::DrawText(const Text& text, const Matrix& m, const ColorTransform& cx,
                        const Target& t) {
    const Matrix tm = Multiply(m, text.matrix);
    for (const TextRun& run : text.runs) {
        const CharacterRef* ref = movie_->Find(run.fontId);
        if (!ref || ref->kind != CharacterKind::Font)
            continue;
        const Font& font = movie_->fonts[ref->index];
        const Rgba color = Apply(cx, run.color);
        const double scale = run.height / font.emSquare;
        double x = run.x;
        for (const TextGlyph& g : run.glyphs) {
            if (!Spend(kObjectWork))
                return;
            if (g.index < font.glyphs.size()) {
                const Matrix gm = Multiply(tm, Matrix{scale, 0, 0, scale, x, double(run.y)});
                DrawShape(font.glyphs[g.index], gm, cx, t, &color);
            }
            x += g.advance;
        }
    }
}

int CurveSteps(double x0, double y0, double cx, double cy, double x1, double y1) {
    const double dx = x0 - 2 * cx + x1, dy = y0 - 2 * cy + y1;
    const double dd = std::sqrt(dx * dx + dy * dy);
    if (!std::isfinite(dd))
        return 1;
    const double n = std::ceil(std::sqrt(dd / (8 * kFlatness)));
    return static_cast<int>(std::clamp(n, 1.0, double(kMaxCurveSteps)));
}

namespace {

// The box of a shape's edges (curve control points included) in twips,
// widened by its widest line and the miters that line may grow.
bool ShapeExtent(const Shape& shape, double* x0, double* y0, double* x1, double* y1) {
    if (shape.edges.empty())
        return false;
    double a = shape.edges[0].x0, b = shape.edges[0].y0, c = a, d = b;
    for (const Edge& e : shape.edges) {
        for (const int32_t x : {e.x0, e.cx, e.x1}) {
            a = std::min<double>(a, x);
            c = std::max<double>(c, x);
        }
        for (const int32_t y : {e.y0, e.cy, e.y1}) {
            b = std::min<double>(b, y);
            d = std::max<double>(d, y);
        }
    }
    double grow = 0;
    for (const LineStyle& l : shape.lines)
        grow = std::max(grow, l.width / 2.0 * std::max(1.0f, l.miterLimit));
    *x0 = std::min(*x0, a - grow);
    *y0 = std::min(*y0, b - grow);
    *x1 = std::max(*x1, c + grow);
    *y1 = std::max(*y1, d + grow);
    return true;
}

// The pixels a twips box covers under m, with room for anti-aliasing, the
// one-pixel least stroke width and hairlines moved onto pixel centres.
bool CanvasBox(double x0, double y0, double x1, double y1, const Matrix& m, PixelRect* out) {
    double a = 0, b = 0, c = 0, d = 0;
    bool first = true;
    for (const double x : {x0, x1}) {
        for (const double y : {y0, y1}) {
            const Point p = Transform(m, x, y);
            a = first ? p.x : std::min(a, p.x);
            b = first ? p.y : std::min(b, p.y);
            c = first ? p.x : std::max(c, p.x);
            d = first ? p.y : std::max(d, p.y);
            first = false;
        }
    }
    constexpr double kLimit = 1e7, kMargin = 3;
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c) || !std::isfinite(d))
        return false;
    out->x0 = static_cast<int>(std::clamp(std::floor(a) - kMargin, -kLimit, kLimit));
    out->y0 = static_cast<int>(std::clamp(std::floor(b) - kMargin, -kLimit, kLimit));
    out->x1 = static_cast<int>(std::clamp(std::ceil(c) + kMargin, -kLimit, kLimit));
    out->y1 = static_cast<int>(std::clamp(std::ceil(d) + kMargin, -kLimit, kLimit));
    return true;
}

PixelRect Union(const PixelRect& a, const PixelRect& b) {
    if (a.x0 >= a.x1 || a.y0 >= a.y1)
        return b;
    if (b.x0 >= b.x1 || b.y0 >= b.y1)
        return a;
    return PixelRect{std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1),
                     std::max(a.y1, b.y1)};
}

bool SameMatrix(const Matrix& a, const Matrix& b) {
    return a.a == b.a && a.b == b.b && a.c == b.c && a.d == b.d && a.tx == b.tx && a.ty == b.ty;
}

bool SameTransform(const ColorTransform& a, const ColorTransform& b) {
    for (int i = 0; i < 4; ++i) {
        if (a.mult[i] != b.mult[i] || a.add[i] != b.add[i])
            return false;
    }
    return true;
}

bool SameOptions(const RenderOptions& a, const RenderOptions& b) {
    return a.scale == b.scale && a.align == b.align && a.areaScale == b.areaScale &&
           a.quality == b.quality && a.overrideBackground == b.overrideBackground &&
           a.background.r == b.background.r && a.background.g == b.background.g &&
           a.background.b == b.background.b && a.deviceOrder == b.deviceOrder;
}

uint64_t FoldPath(uint64_t into, const std::vector<uint16_t>& path) {
    for (uint16_t d : path)
        into = (into ^ d) * 0x100000001B3ull;
    return (into ^ 0xFFFF) * 0x100000001B3ull;
}

} // namespace

namespace {

PixelRect Grow(const PixelRect& r, const Reach& by) {
    return PixelRect{r.x0 - by.left, r.y0 - by.top, r.x1 + by.right, r.y1 + by.bottom};
}

PixelRect Intersect(const PixelRect& a, const PixelRect& b) {
    return PixelRect{std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1),
                     std::min(a.y1, b.y1)};
}

bool IsEmpty(const PixelRect& r) {
    return r.x0 >= r.x1 || r.y0 >= r.y1;
}

bool ContentBox(const Movie& movie, CharacterKind kind, uint32_t index, const Matrix& m,
                PixelRect* box);

// The pixels a script's drawing on this sprite touches.
bool DrawingBox(const SpriteState& sprite, const Matrix& m, PixelRect* box) {
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    return sprite.drawing && ShapeExtent(sprite.drawing->shape, &x0, &y0, &x1, &y1) &&
           CanvasBox(x0, y0, x1, y1, m, box);
}

// A fingerprint of what a script drew, so a redrawn picture is told apart.
uint64_t DrawingPrint(const ScriptDrawing& d) {
    uint64_t h = 0xCBF29CE484222325ull;
    auto mix = [&h](uint64_t v) { h = (h ^ v) * 0x100000001B3ull; };
    for (const Edge& e : d.shape.edges)
        for (const int64_t v : {int64_t(e.x0), int64_t(e.y0), int64_t(e.cx), int64_t(e.cy),
                                int64_t(e.x1), int64_t(e.y1),
                                int64_t(e.fill0) | int64_t(e.fill1) << 20 | int64_t(e.line) << 40 |
                                    int64_t(e.curve) << 62})
            mix(uint64_t(v));
    auto paint = [&mix](const FillStyle& f) {
        mix(uint64_t(f.kind) | uint64_t(f.color.r) << 8 | uint64_t(f.color.g) << 16 |
            uint64_t(f.color.b) << 24 | uint64_t(f.color.a) << 32 | uint64_t(f.spread) << 40);
        for (const double v : {f.matrix.a, f.matrix.b, f.matrix.c, f.matrix.d, f.matrix.tx,
                               f.matrix.ty, double(f.focal)})
            mix(uint64_t(std::llround(v * 65536)));
        for (const GradientStop& g : f.stops)
            mix(uint64_t(g.ratio) | uint64_t(g.color.r) << 8 | uint64_t(g.color.g) << 16 |
                uint64_t(g.color.b) << 24 | uint64_t(g.color.a) << 32);
    };
    for (const FillStyle& f : d.shape.fills)
        paint(f);
    for (const LineStyle& l : d.shape.lines) {
        mix(uint64_t(l.width) | uint64_t(l.startCap) << 16 | uint64_t(l.endCap) << 24 |
            uint64_t(l.join) << 32 | uint64_t(l.noHScale) << 40 | uint64_t(l.noVScale) << 41);
        paint(l.fill);
    }
    return h;
}

// The canvas pixels an object may touch, its filters' reach included.
bool ObjectBox(const Movie& movie, const DisplayObject& o, const Matrix& m, double scale, int depth,
               PixelRect* box) {
    const Matrix mm = Multiply(m, o.matrix);
    bool any = false;
    if (o.ref.kind == CharacterKind::Sprite) {
        if (!o.sprite || depth > kMaxSpriteNesting)
            return false;
        any = DrawingBox(*o.sprite, mm, box);
        const Movie& inner = o.sprite->movie ? *o.sprite->movie : movie;
        for (const auto& entry : o.sprite->objects) {
            PixelRect child;
            if (ObjectBox(inner, entry.second, mm, scale, depth + 1, &child)) {
                *box = any ? Union(*box, child) : child;
                any = true;
            }
        }
    } else {
        any = ContentBox(movie, o.ref.kind, o.ref.index, mm, box);
    }
    if (any && !o.filters.empty())
        *box = Grow(*box, ChainReach(o.filters, scale));
    return any;
}

// Bounds in fractional canvas pixels, as characters declare them.
struct Bounds {
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    void Add(const Rect& r, const Matrix& m) {
        for (const double x : {double(r.xmin), double(r.xmax)}) {
            for (const double y : {double(r.ymin), double(r.ymax)}) {
                const Point p = Transform(m, x, y);
                x0 = std::min(x0, p.x);
                y0 = std::min(y0, p.y);
                x1 = std::max(x1, p.x);
                y1 = std::max(y1, p.y);
            }
        }
    }
};

// A shape's declared box, cut to where its edges go: writers pad the one,
// and the other counts curves' control points and miters.
void AddShape(const Shape& shape, const Matrix& m, Bounds* b) {
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    if (!ShapeExtent(shape, &x0, &y0, &x1, &y1))
        return;
    const Rect& d = shape.bounds;
    Rect r;
    r.xmin = static_cast<int32_t>(std::max<double>(d.xmin, std::floor(x0)));
    r.ymin = static_cast<int32_t>(std::max<double>(d.ymin, std::floor(y0)));
    r.xmax = static_cast<int32_t>(std::min<double>(d.xmax, std::ceil(x1)));
    r.ymax = static_cast<int32_t>(std::min<double>(d.ymax, std::ceil(y1)));
    if (r.xmin > r.xmax || r.ymin > r.ymax)
        r = Rect{static_cast<int32_t>(x0), static_cast<int32_t>(x1), static_cast<int32_t>(y0),
                 static_cast<int32_t>(y1)};
    b->Add(r, m);
}

void CharacterBounds(const Movie& movie, CharacterRef ref, const Matrix& m, int depth, Bounds* b) {
    switch (ref.kind) {
    case CharacterKind::Shape:
        AddShape(movie.shapes[ref.index], m, b);
        break;
    case CharacterKind::Morph:
        AddShape(movie.morphs[ref.index].start, m, b);
        AddShape(movie.morphs[ref.index].end, m, b);
        break;
    case CharacterKind::Text:
        b->Add(movie.texts[ref.index].bounds, Multiply(m, movie.texts[ref.index].matrix));
        break;
    case CharacterKind::EditText:
        b->Add(movie.editTexts[ref.index].bounds, m);
        break;
    case CharacterKind::Button:
        // The up state's records.
        if (depth > kMaxSpriteNesting)
            break;
        for (const ButtonRecord& r : movie.buttons[ref.index].records) {
            const auto it = movie.dictionary.find(r.characterId);
            if ((r.states & kButtonUp) && it != movie.dictionary.end())
                CharacterBounds(movie, it->second, Multiply(m, r.matrix), depth + 1, b);
        }
        break;
    case CharacterKind::Sprite: {
        // A sprite not yet playing, as a button holds one: its first frame.
        const Timeline& timeline = movie.sprites[ref.index];
        if (depth > kMaxSpriteNesting || timeline.frames.empty())
            break;
        for (const FrameCommand& c : timeline.frames[0].commands) {
            const auto it = movie.dictionary.find(c.place.characterId);
            if (!c.remove && c.place.hasCharacter && it != movie.dictionary.end())
                CharacterBounds(movie, it->second, Multiply(m, c.place.matrix), depth + 1, b);
        }
        break;
    }
    default:
        break;
    }
}

void ObjectBounds(const Movie& movie, const DisplayObject& o, const Matrix& parent, int depth,
                  Bounds* b) {
    const Matrix m = Multiply(parent, o.matrix);
    if (o.ref.kind != CharacterKind::Sprite) {
        CharacterBounds(movie, o.ref, m, depth, b);
        return;
    }
    if (!o.sprite || depth > kMaxSpriteNesting)
        return;
    const Movie& inner = o.sprite->movie ? *o.sprite->movie : movie;
    for (const auto& entry : o.sprite->objects)
        ObjectBounds(inner, entry.second, m, depth + 1, b);
}

} // namespace

namespace {

// As characters declare their bounds, strokes and padding included, the
// way scripts' getBounds sees them.
void AddDeclared(const Movie& movie, CharacterRef ref, const Matrix& m, uint8_t buttonStates,
                 int depth, Bounds* b) {
    switch (ref.kind) {
    case CharacterKind::Shape:
        b->Add(movie.shapes[ref.index].bounds, m);
        break;
    case CharacterKind::Morph:
        b->Add(movie.morphs[ref.index].start.bounds, m);
        break;
    case CharacterKind::Button:
        if (depth > kMaxSpriteNesting)
            break;
        for (const ButtonRecord& r : movie.buttons[ref.index].records) {
            const auto it = movie.dictionary.find(r.characterId);
            if ((r.states & buttonStates) && it != movie.dictionary.end())
                AddDeclared(movie, it->second, Multiply(m, r.matrix), kButtonUp, depth + 1, b);
        }
        break;
    default:
        CharacterBounds(movie, ref, m, depth, b);
        break;
    }
}

void DeclaredBounds(const Movie& movie, const DisplayObject& o, const Matrix& parent, int depth,
                    Bounds* b) {
    const Matrix m = Multiply(parent, o.matrix);
    if (o.ref.kind != CharacterKind::Sprite) {
        // A focused button's box is its hit area's; inside a clip, what
        // it shows.
        AddDeclared(movie, o.ref, m, depth == 0 ? kButtonHit : kButtonUp, depth, b);
        return;
    }
    if (!o.sprite || depth > kMaxSpriteNesting)
        return;
    if (o.sprite->drawing && o.sprite->drawing->hasBounds)
        b->Add(o.sprite->drawing->shape.bounds, m);
    // A clip a movie was loaded into draws from that movie's dictionary.
    const Movie& inner = o.sprite->movie ? *o.sprite->movie : movie;
    for (const auto& entry : o.sprite->objects)
        DeclaredBounds(inner, entry.second, m, depth + 1, b);
}

} // namespace

bool DeclaredBox(const Movie& movie, const DisplayObject& o, const Matrix& parent, double* x0,
                 double* y0, double* x1, double* y1) {
    Bounds b;
    DeclaredBounds(movie, o, parent, 0, &b);
    if (!(b.x0 <= b.x1 && b.y0 <= b.y1))
        return false;
    *x0 = b.x0;
    *y0 = b.y0;
    *x1 = b.x1;
    *y1 = b.y1;
    return true;
}

namespace {

void TransformLayer(const ColorTransform& cx, Layer* layer) {
    if (cx.IsIdentity())
        return;
    for (size_t i = 0; i < layer->pixels.size(); i += 4) {
        uint8_t* p = layer->pixels.data() + i;
        const uint8_t a = p[3];
        Rgba c{0, 0, 0, a};
        if (a > 0) {
            c.r = static_cast<uint8_t>(std::min(255, p[0] * 255 / a));
            c.g = static_cast<uint8_t>(std::min(255, p[1] * 255 / a));
            c.b = static_cast<uint8_t>(std::min(255, p[2] * 255 / a));
        }
        c = Apply(cx, c);
        p[0] = Premultiply(c.r, c.a);
        p[1] = Premultiply(c.g, c.a);
        p[2] = Premultiply(c.b, c.a);
        p[3] = c.a;
    }
}

} // namespace

bool Renderer::DrawLayered(const DisplayObject& o, const Matrix& m, const ColorTransform& cx,
                           const Target& t, int maskLevel) {
    PixelRect box;
    if (!ObjectBox(*movie_, o, m, filterScale_, 0, &box))
        return true; // nothing to draw
    const Matrix full = Multiply(m, o.matrix);
    uint64_t signature = 0;
    const bool cached = CacheSignature(o, full, &signature);
    // Only what can reach the pixels drawn: the canvas, or the region being
    // redrawn, grown by how far the filters carry. A cached layer is drawn
    // whole, for the frames to come.
    const Reach reach = ChainReach(o.filters, filterScale_);
    PixelRect view{0, 0, canvas_->width, canvas_->height};
    if (layers_ == 0 && !IsEmpty(box_) && !cached)
        view = box_;
    box = Intersect(box, Grow(view, reach));
    if (IsEmpty(box))
        return true;
    if (cached && DrawFromCache(o, full, signature, box, cx, t))
        return true;
    const uint64_t pixels = uint64_t(box.x1 - box.x0) * uint64_t(box.y1 - box.y0);
    if (layerPool_.size() <= static_cast<size_t>(layers_))
        layerPool_.resize(layers_ + 1);
    const uint64_t filterBytes = o.filters.empty() ? 0 : pixels * 4 * 2;
    if (pixels > kMaxLayerPixels || !drawing_.Reserve(layerPool_[layers_], pixels * 4))
        return false;
    if (!drawing_.Take(filterBytes))
        return false;
    // Filters cost a pass over the layer for each blur pass and direction;
    // a frame that cannot pay for them ends here.
    uint64_t filterWork = 0;
    for (const Filter& f : o.filters)
        filterWork += FilterWork(f, pixels);
    if (!Spend(filterWork)) {
        drawing_.Give(filterBytes);
        return true;
    }
    Layer layer;
    layer.x = box.x0;
    layer.y = box.y0;
    layer.width = box.x1 - box.x0;
    layer.height = box.y1 - box.y0;
    // Buffers are kept by nesting level from frame to frame: a fresh one
    // costs the system zeroing every page of it again.
    Canvas scratch;
    scratch.width = layer.width;
    scratch.height = layer.height;
    scratch.pixels = std::move(layerPool_[layers_]);
    scratch.pixels.assign(static_cast<size_t>(pixels) * 4, 0);

    Canvas* parent = canvas_;
    const PixelRect parentBox = box_;
    canvas_ = &scratch;
    box_ = PixelRect{};
    raster_.SetSize(layer.width, layer.height);
    ++layers_;
    Matrix shifted = m;
    shifted.tx -= box.x0;
    shifted.ty -= box.y0;
    const NineSlice outerSlice = slice_;
    for (int k = 0; k < 4; ++k) {
        slice_.from[0][k] -= box.x0;
        slice_.to[0][k] -= box.x0;
        slice_.from[1][k] -= box.y0;
        slice_.to[1][k] -= box.y0;
    }
    if (o.hasBackground) {
        Bounds own;
        ObjectBounds(*movie_, o, m, 0, &own);
        const double limit = 1e7;
        if (own.x0 <= own.x1 && std::fabs(own.x0) < limit && std::fabs(own.y0) < limit &&
            std::fabs(own.x1) < limit && std::fabs(own.y1) < limit) {
            const PixelRect area{
                static_cast<int>(std::lround(own.x0)), static_cast<int>(std::lround(own.y0)),
                static_cast<int>(std::lround(own.x1)), static_cast<int>(std::lround(own.y1))};
            FillBackground(o.background, Intersect(area, box), box, &scratch);
        }
    }
    // The colour transforms down to this object apply to the layer as a
    // whole, after its filters: a faded group fades as one picture.
    DrawContent(o, shifted, cx, Target{nullptr, nullptr}, maskLevel, false);
    --layers_;
    canvas_ = parent;
    box_ = parentBox;
    slice_ = outerSlice;
    raster_.SetSize(canvas_->width, canvas_->height);

    layer.pixels = std::move(scratch.pixels);
    for (const Filter& f : o.filters)
        ApplyFilter(f, filterScale_, &layer);
    drawing_.Give(filterBytes);
    // A frame cut short leaves the layer unfinished: never kept.
    if (cached && !cut_) {
        ++cacheCounts_.drawn;
        if (drawing_.Take(HeldBytes(layer.pixels)))
            cache_->Store(&o, signature, full.tx, full.ty, layer);
    }
    CompositeOnto(&layer, Combine(cx, o.color), o.blendMode, t);
    // A frame-sized buffer is worth keeping; a huge one is given back.
    if (layer.pixels.capacity() <= kKeptLayerBytes)
        layerPool_[layers_] = std::move(layer.pixels);
    else
        drawing_.Give(HeldBytes(layer.pixels));
    return true;
}

void Renderer::CompositeOnto(Layer* layer, const ColorTransform& total, BlendMode mode,
                             const Target& t) {
    TransformLayer(total, layer);
    PixelRect onto{0, 0, canvas_->width, canvas_->height};
    if (layers_ == 0 && !IsEmpty(box_))
        onto = box_;
    CompositeLayer(*layer, mode, canvas_->pixels.data(), canvas_->width, canvas_->height, t.clip,
                   onto.x0, onto.y0, onto.x1, onto.y1);
}

void Renderer::FillBackground(Rgba color, const PixelRect& area, const PixelRect& layerBox,
                              Canvas* layer) const {
    if (deviceOrder_)
        std::swap(color.r, color.b);
    // Always opaque, whatever alpha the colour was given.
    const uint32_t packed = PackPixel(color.r, color.g, color.b, 255);
    for (int y = area.y0; y < area.y1; ++y) {
        uint8_t* row =
            layer->pixels.data() +
            (static_cast<size_t>(y - layerBox.y0) * layer->width + (area.x0 - layerBox.x0)) * 4;
        for (int x = area.x0; x < area.x1; ++x, row += 4)
            StorePixel(row, packed);
    }
}

// Kept layers are charged with the rest of drawing (KeptBytes at each frame).
bool Renderer::LayerFits(uint64_t bytes) const {
    return bytes <= drawing_.limit() && drawing_.held() <= drawing_.limit() - bytes;
}

void Renderer::StartLayerCache(const RenderOptions& options) {
    if (!cache_)
        cache_ = std::make_shared<LayerCache>();
    cache_->NextFrame();
    // Layers drawn under other options are never the ones asked for.
    double scale = filterScale_;
    std::memcpy(&cacheOptions_, &scale, sizeof scale);
    cacheOptions_ ^=
        (static_cast<uint64_t>(options.quality) << 1 | deviceOrder_) * 0x9E3779B97F4A7C15ull;
}

bool Renderer::CacheSignature(const DisplayObject& o, const Matrix& full,
                              uint64_t* signature) const {
    // A nine-slice grid above reshapes the content by where it lies.
    if (slice_.on || !cache_ || !LayerSignature(o, full, signature))
        return false;
    *signature ^= cacheOptions_ + 0x632BE59BD9B4E019ull + (*signature << 6) + (*signature >> 2);
    const bool asked = o.cacheAsBitmap || !o.filters.empty();
    // Steady is asked every frame, so that it knows the frame before.
    return cache_->Steady(&o, *signature) || asked;
}

bool Renderer::DrawFromCache(const DisplayObject& o, const Matrix& full, uint64_t signature,
                             const PixelRect& box, const ColorTransform& cx, const Target& t) {
    CachedLayer* kept = cache_->Find(&o, signature);
    if (!kept)
        return false;
    // Only a move by whole pixels puts the same pixels elsewhere.
    const double dx = full.tx - kept->tx, dy = full.ty - kept->ty;
    const double rx = std::round(dx), ry = std::round(dy);
    if (!(std::fabs(dx - rx) < 1e-6 && std::fabs(dy - ry) < 1e-6) || std::fabs(rx) > 1e6 ||
        std::fabs(ry) > 1e6)
        return false;
    Layer& l = kept->layer;
    const int x = l.x + static_cast<int>(rx), y = l.y + static_cast<int>(ry);
    // A layer cut at the canvas's edge before may not hold what shows now.
    if (x > box.x0 || y > box.y0 || x + l.width < box.x1 || y + l.height < box.y1)
        return false;
    const ColorTransform total = Combine(cx, o.color);
    if (!total.IsIdentity() && !LayerFits(l.pixels.size()))
        return false;
    l.x = x;
    l.y = y;
    kept->tx = full.tx;
    kept->ty = full.ty;
    ++cacheCounts_.reused;
    if (total.IsIdentity()) {
        CompositeOnto(&l, total, o.blendMode, t);
        return true;
    }
    // The kept layer stays as drawn; a copy takes the colour transform.
    Layer copy = l;
    CompositeOnto(&copy, total, o.blendMode, t);
    return true;
}

namespace {

bool ContentBox(const Movie& movie, CharacterKind kind, uint32_t index, const Matrix& m,
                PixelRect* box) {
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    switch (kind) {
    case CharacterKind::Shape:
        if (!ShapeExtent(movie.shapes[index], &x0, &y0, &x1, &y1))
            return false;
        return CanvasBox(x0, y0, x1, y1, m, box);
    case CharacterKind::Morph: {
        const bool a = ShapeExtent(movie.morphs[index].start, &x0, &y0, &x1, &y1);
        const bool b = ShapeExtent(movie.morphs[index].end, &x0, &y0, &x1, &y1);
        return (a || b) && CanvasBox(x0, y0, x1, y1, m, box);
    }
    case CharacterKind::Text: {
        // Each glyph where DrawText puts it.
        const Text& text = movie.texts[index];
        const Matrix tm = Multiply(m, text.matrix);
        bool any = false;
        for (const TextRun& run : text.runs) {
            const CharacterRef* ref = movie.Find(run.fontId);
            if (!ref || ref->kind != CharacterKind::Font)
                continue;
            const Font& font = movie.fonts[ref->index];
            const double scale = run.height / font.emSquare;
            double x = run.x;
            for (const TextGlyph& g : run.glyphs) {
                double a = 1e300, b = 1e300, c = -1e300, d = -1e300;
                PixelRect glyph;
                if (g.index < font.glyphs.size() &&
                    ShapeExtent(font.glyphs[g.index], &a, &b, &c, &d) &&
                    CanvasBox(a, b, c, d,
                              Multiply(tm, Matrix{scale, 0, 0, scale, x, double(run.y)}), &glyph)) {
                    *box = any ? Union(*box, glyph) : glyph;
                    any = true;
                }
                x += g.advance;
            }
        }
        return any;
    }
    case CharacterKind::EditText: {
        // A field that sizes itself to its text may reach past its bounds;
        // one a script made has no tag, and may be anywhere.
        if (index >= movie.editTexts.size())
            return CanvasBox(-1e9, -1e9, 1e9, 1e9, Matrix{}, box);
        const EditText& field = movie.editTexts[index];
        const double grow = field.autoSize ? 1e6 : 0;
        return CanvasBox(field.bounds.xmin - grow, field.bounds.ymin, field.bounds.xmax + grow,
                         field.bounds.ymax + grow, m, box);
    }
    case CharacterKind::Button:
        // What a button shows may be anywhere its records put it.
        return CanvasBox(-1e9, -1e9, 1e9, 1e9, Matrix{}, box);
    default:
        return false;
    }
}

} // namespace

bool DamageTracker::Box(CharacterKind kind, uint32_t index, const Matrix& m, PixelRect* box) const {
    return ContentBox(*movie_, kind, index, m, box);
}

// Every drawn object in drawing order, which is also the order of paths.
void DamageTracker::Collect(const SpriteState& sprite, const Matrix& m, const ColorTransform& cx,
                            bool mask, uint64_t clips, uint64_t effects, int grow,
                            std::vector<uint16_t>* path) {
    struct Clip {
        uint16_t clipDepth;
        uint64_t clips;
    };
    std::vector<Clip> open;
    const MovieScope scope(&movie_, sprite.movie);
    // A script's drawing lies beneath the children; the sprite's own path
    // comes before theirs.
    if (sprite.drawing) {
        Item item{*path,   CharacterKind::Shape,          UINT32_MAX, m, cx, 0, mask, clips,
                  effects, DrawingPrint(*sprite.drawing), PixelRect{}};
        if (DrawingBox(sprite, m, &item.box)) {
            if (grow > 0)
                item.box = Grow(item.box, Reach{grow, grow, grow, grow});
            items_.push_back(std::move(item));
        }
    }
    for (const auto& entry : sprite.objects) {
        const DisplayObject& o = entry.second;
        while (!open.empty() && o.depth > open.back().clipDepth)
            open.pop_back();
        // Hidden, it is not drawn: showing or hiding it adds or removes it.
        if (!o.visible && o.clipDepth == 0)
            continue;
        const uint64_t under = open.empty() ? clips : open.back().clips;
        path->push_back(o.depth);
        const Matrix mm = Multiply(m, o.matrix);
        const ColorTransform cc = Combine(cx, o.color);
        const bool isMask = mask || o.clipDepth > 0;
        // A filtered object's pixels spread as far as its filters carry; a
        // changed filter or blend mode redraws everything under it.
        uint64_t fx = effects;
        int spread = grow;
        if (!o.filters.empty() || o.blendMode != BlendMode::Normal || o.cacheAsBitmap ||
            o.hasBackground) {
            fx = (fx ^ (static_cast<uint64_t>(o.blendMode) << 1 | o.cacheAsBitmap)) *
                 0x100000001B3ull;
            // An opaque background fills the box of what it holds.
            if (o.hasBackground)
                fx = (fx ^ (uint64_t(o.background.r) << 8 | uint64_t(o.background.g) << 16 |
                            uint64_t(o.background.b) << 24 | uint64_t(1) << 40)) *
                     0x100000001B3ull;
            for (const Filter& f : o.filters) {
                const Reach r = FilterReach(f, scale_);
                spread += std::max({r.left, r.top, r.right, r.bottom});
                for (const float v : {f.blurX, f.blurY, f.angle, f.distance, f.strength})
                    fx = (fx ^ static_cast<uint64_t>(std::llround(double(v) * 1024))) *
                         0x100000001B3ull;
                fx = (fx ^ (static_cast<uint64_t>(f.kind) << 8 | uint64_t(f.passes) << 16 |
                            f.inner | f.knockout << 1 | f.compositeSource << 2 | f.onTop << 3 |
                            uint64_t(f.color.r | f.color.g << 8 | f.color.b << 16) << 24 |
                            uint64_t(f.color.a) << 48)) *
                     0x100000001B3ull;
            }
        }
        if (o.ref.kind == CharacterKind::Sprite) {
            if (o.sprite)
                Collect(*o.sprite, mm, cc, isMask, under, fx, spread, path);
        } else {
            // The same index in another loaded movie is other content.
            uint64_t content = reinterpret_cast<uintptr_t>(movie_) * 0x100000001B3ull;
            if (o.instance) {
                content ^= o.instance->buttonState;
                if (o.instance->field)
                    content ^= uint64_t(o.instance->field->generation) << 8 | uint64_t(1) << 48;
            }
            Item item{*path,  o.ref.kind, o.ref.index, mm,      cc,         o.ratio,
                      isMask, under,      fx,          content, PixelRect{}};
            if (!Box(o.ref.kind, o.ref.index, mm, &item.box))
                item.box = PixelRect{};
            else if (spread > 0)
                item.box = Grow(item.box, Reach{spread, spread, spread, spread});
            items_.push_back(std::move(item));
        }
        if (o.clipDepth > 0)
            open.push_back(Clip{o.clipDepth, FoldPath(under, *path)});
        path->pop_back();
    }
}

std::vector<PixelRect> DamageTracker::Update(const Player& player, const RenderOptions& options) {
    int w = 0, h = 0;
    std::string error;
    if (!OutputSize(*movie_, options, &w, &h, &error))
        return {};
    last_.swap(items_);
    items_.clear();
    std::vector<uint16_t> path;
    const Matrix stage =
        StageToCanvas(*movie_, w, h, options.scale, options.align, options.areaScale);
    scale_ = std::sqrt(std::fabs(stage.a * stage.d - stage.b * stage.c)) * kTwipsPerPixel;
    if (!std::isfinite(scale_) || scale_ <= 0)
        scale_ = 1;
    for (const SpriteState* level : player.Levels()) {
        // A level's objects lie on paths of their own.
        path.clear();
        if (level->level > 0)
            path = {UINT16_MAX, static_cast<uint16_t>(level->level)};
        Collect(*level, stage, ColorTransform{}, false, 0, 0, 0, &path);
    }
    const bool fresh = !seen_ || w != width_ || h != height_ || !SameOptions(options, options_);
    PixelRect focusBox;
    const uint64_t focusPrint = FocusPrint(player, stage, &focusBox);
    const PixelRect lastFocusBox = focusBox_;
    const bool focusMoved = focusPrint != focusPrint_ || focusBox.x0 != focusBox_.x0 ||
                            focusBox.y0 != focusBox_.y0 || focusBox.x1 != focusBox_.x1 ||
                            focusBox.y1 != focusBox_.y1;
    focusPrint_ = focusPrint;
    focusBox_ = focusBox;
    seen_ = true;
    width_ = w;
    height_ = h;
    options_ = options;
    if (fresh)
        return {PixelRect{0, 0, w, h}};
    std::vector<PixelRect> damage;
    auto add = [&](const PixelRect& r) {
        const PixelRect c{std::max(r.x0, 0), std::max(r.y0, 0), std::min(r.x1, w),
                          std::min(r.y1, h)};
        if (c.x0 < c.x1 && c.y0 < c.y1)
            damage.push_back(c);
    };
    if (focusMoved) {
        add(lastFocusBox);
        add(focusBox);
    }
    size_t i = 0, j = 0;
    while (i < last_.size() || j < items_.size()) {
        if (j == items_.size() || (i < last_.size() && last_[i].path < items_[j].path)) {
            add(last_[i++].box); // removed
        } else if (i == last_.size() || items_[j].path < last_[i].path) {
            add(items_[j++].box); // placed
        } else {
            const Item& a = last_[i++];
            const Item& b = items_[j++];
            if (a.kind != b.kind || a.index != b.index || !SameMatrix(a.matrix, b.matrix) ||
                !SameTransform(a.cx, b.cx) || a.ratio != b.ratio || a.mask != b.mask ||
                a.clips != b.clips || a.effects != b.effects || a.content != b.content) {
                add(a.box);
                add(b.box);
            }
        }
    }
    return damage;
}

bool WritePng(const Canvas& canvas, const std::string& path) {
    std::vector<uint8_t> straight(canvas.pixels.size());
    for (size_t i = 0; i < straight.size(); i += 4) {
        const uint8_t a = canvas.pixels[i + 3];
        for (int k = 0; k < 3; ++k)
            straight[i + k] =
                a == 0
                    ? 0
                    : static_cast<uint8_t>(std::min(255, (canvas.pixels[i + k] * 255 + a / 2) / a));
        straight[i + 3] = a;
    }
    std::vector<uint8_t> png;
    auto sink = [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<uint8_t>*>(context);
        const uint8_t* bytes = static_cast<const uint8_t*>(data);
        out->insert(out->end(), bytes, bytes + size);
    };
    if (canvas.width <= 0 || canvas.height <= 0 ||
        !stbi_write_png_to_func(sink, &png, canvas.width, canvas.height, 4, straight.data(),
                                canvas.width * 4))
        return false;
    AtomicOutput out;
    if (!out.Begin(path) || !out.file().Write(png.data(), png.size()))
        return false;
    return out.Commit();
}

} // namespace ww::movie
