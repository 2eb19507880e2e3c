#include "movie/filters.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace ww::movie {

namespace {

uint8_t Clamp255(float v) {
    // NaN lands on 0.
    return v > 0 ? (v < 255 ? static_cast<uint8_t>(v + 0.5f) : 255) : 0;
}

uint8_t Mul255(uint32_t a, uint32_t b) {
    const uint32_t t = a * b + 128;
    return static_cast<uint8_t>((t + (t >> 8)) >> 8);
}

// A blur size in layer pixels: a box this wide, ends weighted by the
// fraction, as Flash's sizes may be fractional.
double BoxWidth(float size, double scale) {
    const double w = double(size) * scale;
    if (!(w > 1))
        return 1;
    return std::min(w, 2.0 * kMaxBlurRadius + 1);
}

int BoxReach(float size, double scale) {
    return static_cast<int>(std::ceil((BoxWidth(size, scale) - 1) / 2 - 1e-9));
}

int Passes(const Filter& f) {
    return std::clamp(f.passes, 0, kMaxBlurPasses);
}

// Offset of a shadow, glow or bevel in layer pixels, rounded.
void Offset(const Filter& f, double scale, int* dx, int* dy) {
    double d = double(f.distance) * scale;
    if (!std::isfinite(d))
        d = 0;
    d = std::clamp(d, -4096.0, 4096.0);
    const double a = std::isfinite(f.angle) ? double(f.angle) : 0;
    *dx = static_cast<int>(std::lround(d * std::cos(a)));
    *dy = static_cast<int>(std::lround(d * std::sin(a)));
}

// One box pass: 2 * inner + 1 whole taps, and the two taps beyond them
// weighted by frac / 256, the ends of a box of fractional width. Sums stay
// in 32 bits (at most 255 * 258 * 256), and one float multiply divides.
struct Box {
    int inner = 0;
    uint32_t frac = 0;
    float inverse = 1;
    explicit Box(double width) {
        const double r = (width - 1) / 2;
        inner = static_cast<int>(std::floor(r));
        frac = static_cast<uint32_t>(std::lround((r - inner) * 256));
        if (frac == 256) {
            ++inner;
            frac = 0;
        }
        inverse = 1.0f / float(uint32_t(2 * inner + 1) * 256 + 2 * frac);
    }
    bool Moves() const { return inner > 0 || frac > 0; }
    uint8_t Out(uint32_t sum256) const {
        const uint32_t v = static_cast<uint32_t>(float(sum256) * inverse + 0.5f);
        return static_cast<uint8_t>(v < 255 ? v : 255);
    }
};

// Scratch a blur reuses from row to row and pass to pass.
struct BlurScratch {
    std::vector<uint8_t> padded, out, zeros;
    std::vector<uint32_t> sums;
};

// Across one row of n pixels of `channels` bytes: the row is copied between
// zero margins, so the running sum's loop has no edge tests.
void BoxRow(uint8_t* p, int n, int channels, const Box& box, BlurScratch& s) {
    const size_t margin = static_cast<size_t>(box.inner + 1) * channels;
    const size_t bytes = static_cast<size_t>(n) * channels;
    s.padded.assign(bytes + 2 * margin, 0);
    std::memcpy(s.padded.data() + margin, p, bytes);
    const uint8_t* q = s.padded.data() + margin;
    const int c = channels;
    const ptrdiff_t lead = static_cast<ptrdiff_t>(box.inner + 1) * c;
    const ptrdiff_t trail = static_cast<ptrdiff_t>(box.inner) * c;
    uint32_t sum[4] = {0, 0, 0, 0};
    for (int k = 0; k < c; ++k)
        for (int i = -box.inner; i <= box.inner; ++i)
            sum[k] += q[static_cast<ptrdiff_t>(i) * c + k];
    for (ptrdiff_t i = 0; i < static_cast<ptrdiff_t>(bytes); i += c) {
        for (int k = 0; k < c; ++k) {
            const ptrdiff_t j = i + k;
            const uint32_t edge = uint32_t(q[j - lead]) + q[j + lead];
            p[j] = box.Out(sum[k] * 256 + edge * box.frac);
            sum[k] += q[j + lead];
            sum[k] -= q[j - trail];
        }
    }
}

// Down the columns, a row at a time: running sums of each column over the
// rows in the box, so memory is read in row order and the inner loops run
// straight along a row, which the compiler turns into vector code.
void BoxColumns(uint8_t* p, int width, int height, int channels, const Box& box, BlurScratch& s) {
    const size_t row = static_cast<size_t>(width) * channels;
    s.sums.assign(row, 0);
    s.out.resize(row * height);
    s.zeros.assign(row, 0);
    const uint8_t* zero = s.zeros.data();
    auto rowAt = [&](int y) -> const uint8_t* { return y >= 0 && y < height ? p + row * y : zero; };
    uint32_t* sums = s.sums.data();
    for (int y = -box.inner; y <= box.inner; ++y) {
        const uint8_t* r = rowAt(y);
        for (size_t i = 0; i < row; ++i)
            sums[i] += r[i];
    }
    const uint32_t frac = box.frac;
    const float inverse = box.inverse;
    for (int y = 0; y < height; ++y) {
        const uint8_t* above = rowAt(y - box.inner - 1);
        const uint8_t* below = rowAt(y + box.inner + 1);
        const uint8_t* top = rowAt(y - box.inner);
        uint8_t* o = s.out.data() + row * y;
        for (size_t i = 0; i < row; ++i) {
            const uint32_t v = sums[i] * 256 + (uint32_t(above[i]) + below[i]) * frac;
            const int32_t q = static_cast<int32_t>(float(static_cast<int32_t>(v)) * inverse + 0.5f);
            o[i] = static_cast<uint8_t>(q < 255 ? q : 255);
        }
        for (size_t i = 0; i < row; ++i)
            sums[i] += uint32_t(below[i]) - top[i];
    }
    std::memcpy(p, s.out.data(), row * height);
}

void BlurPixels(uint8_t* p, int width, int height, int channels, double widthX, double widthY,
                int passes) {
    if (width <= 0 || height <= 0)
        return;
    const Box bx(widthX), by(widthY);
    BlurScratch scratch;
    for (int pass = 0; pass < passes; ++pass) {
        if (bx.Moves())
            for (int y = 0; y < height; ++y)
                BoxRow(p + static_cast<size_t>(y) * width * channels, width, channels, bx, scratch);
        if (by.Moves())
            BoxColumns(p, width, height, channels, by, scratch);
    }
}

std::vector<uint8_t> AlphaPlane(const Layer& l) {
    std::vector<uint8_t> a(static_cast<size_t>(l.width) * l.height);
    for (size_t i = 0; i < a.size(); ++i)
        a[i] = l.pixels[i * 4 + 3];
    return a;
}

// plane moved by (dx, dy); outside takes the value given.
std::vector<uint8_t> Shifted(const std::vector<uint8_t>& plane, int w, int h, int dx, int dy,
                             uint8_t outside) {
    std::vector<uint8_t> s(plane.size(), outside);
    for (int y = 0; y < h; ++y) {
        const int sy = y - dy;
        if (sy < 0 || sy >= h)
            continue;
        for (int x = 0; x < w; ++x) {
            const int sx = x - dx;
            if (sx >= 0 && sx < w)
                s[static_cast<size_t>(y) * w + x] = plane[static_cast<size_t>(sy) * w + sx];
        }
    }
    return s;
}

void Blur(std::vector<uint8_t>& plane, int w, int h, const Filter& f, double scale) {
    BlurPixels(plane.data(), w, h, 1, BoxWidth(f.blurX, scale), BoxWidth(f.blurY, scale),
               Passes(f));
}

uint8_t Strengthen(uint8_t v, float strength) {
    return Clamp255(v * (std::isfinite(strength) ? strength : 0.0f));
}

uint32_t Premultiplied(FilterColor c, uint8_t coverage) {
    const uint8_t a = Mul255(c.a, coverage);
    return uint32_t(Mul255(c.r, a)) | uint32_t(Mul255(c.g, a)) << 8 |
           uint32_t(Mul255(c.b, a)) << 16 | uint32_t(a) << 24;
}

void Over(const uint8_t* src, uint8_t* dst) {
    const uint32_t keep = 255 - src[3];
    for (int k = 0; k < 4; ++k)
        dst[k] = static_cast<uint8_t>(std::min<uint32_t>(255, src[k] + Mul255(dst[k], keep)));
}

void Scale(uint8_t* p, uint8_t by) {
    for (int k = 0; k < 4; ++k)
        p[k] = Mul255(p[k], by);
}

void Unpack(uint32_t v, uint8_t* out) {
    for (int k = 0; k < 4; ++k)
        out[k] = static_cast<uint8_t>(v >> (8 * k));
}

// Puts an effect (one premultiplied colour per pixel, effect(i)) together
// with the object: inner effects lie on the object, outer ones under it;
// knockout keeps the effect alone where the object was (inner) or was not
// (outer); without the source only the effect shows.
template <typename Effect> void Combine(const Filter& f, bool inner, Effect effect, Layer* l) {
    const size_t n = static_cast<size_t>(l->width) * l->height;
    uint8_t* s = l->pixels.data();
    for (size_t i = 0; i < n; ++i, s += 4) {
        const uint32_t v = effect(i);
        const uint8_t srcA = s[3];
        if (v == 0) {
            // Nothing of the effect here: most of an outer glow's layer.
            if (f.knockout || !f.compositeSource)
                std::memset(s, 0, 4);
            continue;
        }
        uint8_t e[4];
        Unpack(v, e);
        if (inner) {
            Scale(e, srcA);
            if (f.knockout || !f.compositeSource) {
                std::memcpy(s, e, 4);
            } else {
                Over(e, s);
            }
        } else if (f.knockout) {
            Scale(e, static_cast<uint8_t>(255 - srcA));
            std::memcpy(s, e, 4);
        } else if (!f.compositeSource) {
            std::memcpy(s, e, 4);
        } else if (srcA != 255) {
            uint8_t o[4];
            std::memcpy(o, s, 4);
            Over(o, e);
            std::memcpy(s, e, 4);
        }
    }
}

// The object's alpha (inverted for inner effects) moved by (dx, dy), in one
// pass; what comes from beyond the layer is clear, or solid when inverted.
void SourcePlane(const Layer& l, bool invert, int dx, int dy, std::vector<uint8_t>* plane) {
    const int w = l.width, h = l.height;
    const uint8_t outside = invert ? 255 : 0;
    plane->assign(static_cast<size_t>(w) * h, outside);
    const uint8_t flip = invert ? 255 : 0;
    const int x0 = std::clamp(dx, 0, w), x1 = std::clamp(w + dx, 0, w);
    for (int y = std::clamp(dy, 0, h); y < std::clamp(h + dy, 0, h); ++y) {
        const uint8_t* src = l.pixels.data() + (static_cast<size_t>(y - dy) * w + (x0 - dx)) * 4;
        uint8_t* d = plane->data() + static_cast<size_t>(y) * w;
        for (int x = x0; x < x1; ++x, src += 4)
            d[x] = static_cast<uint8_t>(src[3] ^ flip);
    }
}

// A strength's 256 outcomes, so the per-pixel work is a lookup.
void StrengthTable(float strength, uint8_t* table) {
    for (int i = 0; i < 256; ++i)
        table[i] = Strengthen(static_cast<uint8_t>(i), strength);
}

void ShadowOrGlow(const Filter& f, double scale, Layer* l) {
    int dx = 0, dy = 0;
    if (f.kind == FilterKind::DropShadow)
        Offset(f, scale, &dx, &dy);
    std::vector<uint8_t> a;
    SourcePlane(*l, f.inner, dx, dy, &a);
    Blur(a, l->width, l->height, f, scale);
    uint8_t strength[256];
    StrengthTable(f.strength, strength);
    uint32_t colors[256];
    for (int i = 0; i < 256; ++i)
        colors[i] = Premultiplied(f.color, strength[i]);
    Combine(
        f, f.inner, [&](size_t i) { return colors[a[i]]; }, l);
}

// The gradient's 256 colours, premultiplied, its stops in the order given.
void GradientTable(const Filter& f, uint32_t* table) {
    for (int i = 0; i < 256; ++i) {
        size_t k = 0;
        while (k < f.ratios.size() && f.ratios[k] < i)
            ++k;
        FilterColor c;
        if (f.colors.empty()) {
        } else if (k == f.ratios.size()) {
            c = f.colors.back();
        } else if (k == 0 || f.ratios[k] == i) {
            c = f.colors[k];
        } else {
            const FilterColor a = f.colors[k - 1], b = f.colors[k];
            const float t = float(i - f.ratios[k - 1]) / float(f.ratios[k] - f.ratios[k - 1]);
            auto mix = [t](uint8_t u, uint8_t v) { return Clamp255(u + (v - u) * t); };
            c = FilterColor{mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b), mix(a.a, b.a)};
        }
        table[i] = Premultiplied(c, 255);
    }
}

void GradientGlow(const Filter& f, double scale, Layer* l) {
    int dx = 0, dy = 0;
    Offset(f, scale, &dx, &dy);
    std::vector<uint8_t> a;
    SourcePlane(*l, f.inner, dx, dy, &a);
    Blur(a, l->width, l->height, f, scale);
    uint32_t table[256];
    GradientTable(f, table);
    uint8_t strength[256];
    StrengthTable(f.strength, strength);
    Combine(
        f, f.inner, [&](size_t i) { return table[strength[a[i]]]; }, l);
}

// Light falls from the angle: the object's alpha moved towards the light and
// away from it; where they differ lie the highlight and the shadow.
void Bevel(const Filter& f, double scale, Layer* l) {
    int dx = 0, dy = 0;
    Offset(f, scale, &dx, &dy);
    const int w = l->width, h = l->height;
    std::vector<uint8_t> a = AlphaPlane(*l);
    Blur(a, w, h, f, scale);
    const std::vector<uint8_t> lit = Shifted(a, w, h, -dx, -dy, 0);
    const std::vector<uint8_t> dark = Shifted(a, w, h, dx, dy, 0);
    uint32_t table[256];
    const bool gradient = f.kind == FilterKind::GradientBevel;
    if (gradient)
        GradientTable(f, table);
    std::vector<uint32_t> effect(a.size());
    for (size_t i = 0; i < a.size(); ++i) {
        const int diff = int(dark[i]) - int(lit[i]); // > 0: turned from the light
        const float s = std::isfinite(f.strength) ? f.strength : 0.0f;
        if (gradient) {
            effect[i] = table[Clamp255(127.5f - diff * s / 2)];
        } else if (diff > 0) {
            effect[i] = Premultiplied(f.color, Clamp255(diff * s));
        } else {
            effect[i] = Premultiplied(f.highlight, Clamp255(-diff * s));
        }
    }
    if (f.onTop) {
        // Full: the bevel over the object and around it.
        for (size_t i = 0; i < a.size(); ++i) {
            uint8_t* p = l->pixels.data() + i * 4;
            uint8_t e[4];
            Unpack(effect[i], e);
            if (f.knockout || !f.compositeSource)
                std::memcpy(p, e, 4);
            else
                Over(e, p);
        }
        return;
    }
    Combine(
        f, f.inner, [&](size_t i) { return effect[i]; }, l);
}

void BlurLayer(const Filter& f, double scale, Layer* l) {
    BlurPixels(l->pixels.data(), l->width, l->height, 4, BoxWidth(f.blurX, scale),
               BoxWidth(f.blurY, scale), Passes(f));
}

void ColorMatrixLayer(const Filter& f, Layer* l) {
    float m[20];
    for (int i = 0; i < 20; ++i)
        m[i] = std::isfinite(f.matrix[i]) ? f.matrix[i] : 0;
    for (size_t i = 0; i < l->pixels.size(); i += 4) {
        uint8_t* p = l->pixels.data() + i;
        const float a = p[3];
        float c[4] = {0, 0, 0, a};
        if (a > 0)
            for (int k = 0; k < 3; ++k)
                c[k] = std::min(255.0f, p[k] * 255.0f / a);
        uint8_t o[4];
        for (int r = 0; r < 4; ++r) {
            const float* row = m + r * 5;
            o[r] = Clamp255(row[0] * c[0] + row[1] * c[1] + row[2] * c[2] + row[3] * c[3] + row[4]);
        }
        for (int k = 0; k < 3; ++k)
            p[k] = Mul255(o[k], o[3]);
        p[3] = o[3];
    }
}

void ConvolutionLayer(const Filter& f, Layer* l) {
    const int mx = std::clamp(f.matrixX, 0, kMaxConvolutionSide);
    const int my = std::clamp(f.matrixY, 0, kMaxConvolutionSide);
    if (mx == 0 || my == 0 || f.kernel.size() < static_cast<size_t>(mx) * my)
        return;
    const float divisor = std::isfinite(f.divisor) && f.divisor != 0 ? f.divisor : 1;
    const float bias = std::isfinite(f.bias) ? f.bias : 0;
    std::vector<float> k(f.kernel.begin(), f.kernel.begin() + mx * my);
    for (float& v : k)
        v = std::isfinite(v) ? v : 0;
    const int w = l->width, h = l->height;
    const std::vector<uint8_t> src = l->pixels;
    const uint8_t fallback[4] = {Mul255(f.defaultColor.r, f.defaultColor.a),
                                 Mul255(f.defaultColor.g, f.defaultColor.a),
                                 Mul255(f.defaultColor.b, f.defaultColor.a), f.defaultColor.a};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float sum[4] = {0, 0, 0, 0};
            for (int j = 0; j < my; ++j) {
                for (int i = 0; i < mx; ++i) {
                    int sx = x + i - mx / 2, sy = y + j - my / 2;
                    const uint8_t* p = fallback;
                    if (f.clamp) {
                        sx = std::clamp(sx, 0, w - 1);
                        sy = std::clamp(sy, 0, h - 1);
                    }
                    if (sx >= 0 && sx < w && sy >= 0 && sy < h)
                        p = src.data() + (static_cast<size_t>(sy) * w + sx) * 4;
                    const float kv = k[static_cast<size_t>(j) * mx + i];
                    for (int c = 0; c < 4; ++c)
                        sum[c] += kv * p[c];
                }
            }
            uint8_t* d = l->pixels.data() + (static_cast<size_t>(y) * w + x) * 4;
            const uint8_t a = f.preserveAlpha ? d[3] : Clamp255(sum[3] / divisor + bias);
            for (int c = 0; c < 3; ++c)
                d[c] = std::min(a, Clamp255(sum[c] / divisor + bias));
            d[3] = a;
        }
    }
}

// 255 / a in 16.16, so that unpremultiplying takes a multiply, not a divide.
struct Reciprocals {
    uint32_t of[256];
    Reciprocals() {
        of[0] = 0;
        for (uint32_t a = 1; a < 256; ++a)
            of[a] = ((255u << 16) + a / 2) / a;
    }
};

const Reciprocals& Recip() {
    static const Reciprocals table;
    return table;
}

inline uint32_t Straight(uint32_t v, uint32_t a, const Reciprocals& r) {
    return std::min<uint32_t>(255, (v * r.of[a] + 32768) >> 16);
}

// The separable modes on straight values in 0..255.
template <BlendMode M> inline uint32_t Mix(uint32_t s, uint32_t d) {
    switch (M) {
    case BlendMode::Multiply:
        return Mul255(s, d);
    case BlendMode::Screen:
        return s + d - Mul255(s, d);
    case BlendMode::Lighten:
        return std::max(s, d);
    case BlendMode::Darken:
        return std::min(s, d);
    case BlendMode::Difference:
        return s > d ? s - d : d - s;
    case BlendMode::Add:
        return std::min<uint32_t>(255, s + d);
    case BlendMode::Subtract:
        return d > s ? d - s : 0;
    case BlendMode::Overlay:
        return d < 128 ? Mul255(2 * s, d) : 255 - Mul255(2 * (255 - s), 255 - d);
    case BlendMode::HardLight:
        return s < 128 ? Mul255(2 * s, d) : 255 - Mul255(2 * (255 - s), 255 - d);
    default:
        return s;
    }
}

// Where only one of the two is, it shows alone; where both are, the mix.
template <BlendMode M> inline void Separable(const uint8_t* s, uint8_t* d) {
    const uint32_t sa = s[3], da = d[3];
    if (sa == 0)
        return;
    const Reciprocals& r = Recip();
    if (da == 255) {
        // Over an opaque pixel, the common case: no unpremultiplying below.
        for (int k = 0; k < 3; ++k)
            d[k] = static_cast<uint8_t>(Mul255(d[k], 255 - sa) +
                                        Mul255(Mix<M>(Straight(s[k], sa, r), d[k]), sa));
        return;
    }
    const uint32_t both = Mul255(sa, da);
    const uint32_t outA = std::min<uint32_t>(255, sa + da - both);
    for (int k = 0; k < 3; ++k) {
        const uint32_t b = Mix<M>(Straight(s[k], sa, r), Straight(d[k], da, r));
        const uint32_t v = Mul255(s[k], 255 - da) + Mul255(d[k], 255 - sa) + Mul255(b, both);
        d[k] = static_cast<uint8_t>(std::min(v, outA));
    }
    d[3] = static_cast<uint8_t>(outA);
}

template <BlendMode M> inline void BlendOne(const uint8_t* s, uint8_t* d) {
    const uint32_t sa = s[3], da = d[3];
    switch (M) {
    case BlendMode::Normal:
    case BlendMode::Layer:
        if (sa == 255)
            std::memcpy(d, s, 4);
        else if (sa != 0)
            Over(s, d);
        return;
    case BlendMode::Alpha:
        Scale(d, static_cast<uint8_t>(sa));
        return;
    case BlendMode::Erase:
        if (sa != 0)
            Scale(d, static_cast<uint8_t>(255 - sa));
        return;
    case BlendMode::Invert:
        if (sa != 0)
            for (int k = 0; k < 3; ++k)
                d[k] = static_cast<uint8_t>(Mul255(d[k], 255 - sa) + Mul255(da - d[k], sa));
        return;
    default:
        Separable<M>(s, d);
        return;
    }
}

// Over an opaque pixel a separable mode needs no unpremultiplying: with
// the source premultiplied (sp, sa) and the destination d,
//   out = d (255 - sa) / 255 + B(s, d) sa / 255,
// and B(s, d) sa / 255 is written in sp and sa for each mode below.
constexpr bool FastOverOpaque(BlendMode m) {
    return m == BlendMode::Normal || m == BlendMode::Layer || m == BlendMode::Multiply ||
           m == BlendMode::Screen || m == BlendMode::Overlay || m == BlendMode::HardLight;
}

#ifdef __SSE2__
// x / 255, rounded, for 16-bit lanes holding at most 255 * 255.
inline __m128i Div255(__m128i x) {
    x = _mm_add_epi16(x, _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
}

inline __m128i Mul255x(__m128i a, __m128i b) {
    return Div255(_mm_mullo_epi16(a, b));
}

// Two pixels, 16 bits a channel: the source's part B(s, d) sa / 255.
template <BlendMode M> inline __m128i Term(__m128i sp, __m128i sa, __m128i d) {
    const __m128i k255 = _mm_set1_epi16(255);
    switch (M) {
    case BlendMode::Multiply:
        return Mul255x(sp, d);
    case BlendMode::Screen:
        // sp + d sa / 255 - sp d / 255
        return _mm_sub_epi16(_mm_add_epi16(sp, Mul255x(d, sa)), Mul255x(sp, d));
    case BlendMode::Overlay:
    case BlendMode::HardLight: {
        // Dark half: 2 sp d / 255; light half: sa - 2 (sa - sp)(255 - d) / 255.
        const __m128i dark = _mm_slli_epi16(Mul255x(sp, d), 1);
        const __m128i light = _mm_sub_epi16(
            sa, _mm_slli_epi16(Mul255x(_mm_sub_epi16(sa, sp), _mm_sub_epi16(k255, d)), 1));
        // Overlay chooses by the destination, hard light by the source
        // (s < 128 straight, so 2 sp < sa premultiplied).
        const __m128i useDark = M == BlendMode::Overlay
                                    ? _mm_cmplt_epi16(d, _mm_set1_epi16(128))
                                    : _mm_cmplt_epi16(_mm_slli_epi16(sp, 1), sa);
        return _mm_or_si128(_mm_and_si128(useDark, dark), _mm_andnot_si128(useDark, light));
    }
    default:
        return sp;
    }
}

// Four pixels over four opaque ones; false, touching nothing, when some of
// the four below are not opaque.
template <BlendMode M> inline bool OverOpaque4(const uint8_t* s, uint8_t* d) {
    const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    if ((_mm_movemask_epi8(_mm_cmpeq_epi8(dst, _mm_set1_epi8(-1))) & 0x8888) != 0x8888)
        return false;
    const __m128i zero = _mm_setzero_si128();
    const __m128i k255 = _mm_set1_epi16(255);
    const __m128i alphaLanes = _mm_set_epi16(255, 0, 0, 0, 255, 0, 0, 0);
    const __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    __m128i halves[2];
    for (int h = 0; h < 2; ++h) {
        const __m128i sp = h ? _mm_unpackhi_epi8(src, zero) : _mm_unpacklo_epi8(src, zero);
        const __m128i dp = h ? _mm_unpackhi_epi8(dst, zero) : _mm_unpacklo_epi8(dst, zero);
        // Each pixel's alpha in all four of its lanes.
        __m128i sa = _mm_shufflelo_epi16(sp, _MM_SHUFFLE(3, 3, 3, 3));
        sa = _mm_shufflehi_epi16(sa, _MM_SHUFFLE(3, 3, 3, 3));
        const __m128i keep = Mul255x(dp, _mm_sub_epi16(k255, sa));
        const __m128i out = _mm_add_epi16(keep, Term<M>(sp, sa, dp));
        halves[h] = _mm_or_si128(out, alphaLanes); // stays opaque
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_packus_epi16(halves[0], halves[1]));
    return true;
}
#endif

// One row of a layer over the destination, no clip: four pixels at a time
// where the destination is opaque, one at a time elsewhere.
template <BlendMode M> void CompositeSpan(const uint8_t* s, uint8_t* d, int n) {
    int x = 0;
#ifdef __SSE2__
    if constexpr (FastOverOpaque(M)) {
        for (; x + 4 <= n; x += 4, s += 16, d += 16) {
            if (OverOpaque4<M>(s, d))
                continue;
            for (int k = 0; k < 4; ++k)
                BlendOne<M>(s + 4 * k, d + 4 * k);
        }
    }
#endif
    for (; x < n; ++x, s += 4, d += 4)
        BlendOne<M>(s, d);
}

template <BlendMode M>
void CompositeRows(const Layer& layer, uint8_t* dst, int width, const uint8_t* clip, int x0, int y0,
                   int x1, int y1) {
    for (int y = y0; y < y1; ++y) {
        const uint8_t* s = layer.pixels.data() +
                           (static_cast<size_t>(y - layer.y) * layer.width + (x0 - layer.x)) * 4;
        uint8_t* d = dst + (static_cast<size_t>(y) * width + x0) * 4;
        if (!clip) {
            CompositeSpan<M>(s, d, x1 - x0);
            continue;
        }
        const uint8_t* m = clip + static_cast<size_t>(y) * width + x0;
        for (int x = x0; x < x1; ++x, s += 4, d += 4) {
            const uint8_t cover = *m++;
            if (cover == 0)
                continue;
            if (cover < 255) {
                uint8_t scaled[4];
                std::memcpy(scaled, s, 4);
                Scale(scaled, cover);
                BlendOne<M>(scaled, d);
                continue;
            }
            BlendOne<M>(s, d);
        }
    }
}

} // namespace

BlendMode BlendModeOf(uint8_t value) {
    return value >= 2 && value <= 14 ? static_cast<BlendMode>(value) : BlendMode::Normal;
}

uint64_t FilterWork(const Filter& f, uint64_t pixels) {
    const uint64_t passes = static_cast<uint64_t>(std::max(1, Passes(f)));
    switch (f.kind) {
    case FilterKind::Blur:
        return pixels * passes * 2 * 4;
    case FilterKind::Convolution:
        return pixels * 4 * static_cast<uint64_t>(std::clamp(f.matrixX, 1, kMaxConvolutionSide)) *
               static_cast<uint64_t>(std::clamp(f.matrixY, 1, kMaxConvolutionSide));
    case FilterKind::ColorMatrix:
        return pixels * 4;
    default:
        return pixels * (passes * 2 + 4);
    }
}

int BlurRadius(float size, double scale) {
    return BoxReach(size, scale);
}

Reach FilterReach(const Filter& f, double scale) {
    Reach r;
    switch (f.kind) {
    case FilterKind::Blur:
    case FilterKind::DropShadow:
    case FilterKind::Glow:
    case FilterKind::GradientGlow:
    case FilterKind::Bevel:
    case FilterKind::GradientBevel: {
        if (f.kind != FilterKind::Blur && f.inner && !f.onTop)
            return r; // drawn on the object only
        const int passes = Passes(f);
        r.left = r.right = BoxReach(f.blurX, scale) * passes;
        r.top = r.bottom = BoxReach(f.blurY, scale) * passes;
        if (f.kind != FilterKind::Blur && f.kind != FilterKind::Glow) {
            int dx = 0, dy = 0;
            Offset(f, scale, &dx, &dy);
            const bool bevel = f.kind == FilterKind::Bevel || f.kind == FilterKind::GradientBevel;
            const int ax = std::abs(dx), ay = std::abs(dy);
            r.left += bevel || dx < 0 ? ax : 0;
            r.right += bevel || dx > 0 ? ax : 0;
            r.top += bevel || dy < 0 ? ay : 0;
            r.bottom += bevel || dy > 0 ? ay : 0;
        }
        return r;
    }
    case FilterKind::Convolution:
    case FilterKind::ColorMatrix:
        return r;
    }
    return r;
}

Reach ChainReach(const std::vector<Filter>& filters, double scale) {
    Reach total;
    for (const Filter& f : filters) {
        const Reach r = FilterReach(f, scale);
        total.left += r.left;
        total.top += r.top;
        total.right += r.right;
        total.bottom += r.bottom;
    }
    return total;
}

void BlurPlane(uint8_t* plane, int width, int height, int radiusX, int radiusY, int passes,
               std::vector<uint32_t>* scratch) {
    (void)scratch;
    BlurPixels(plane, width, height, 1, 2.0 * std::clamp(radiusX, 0, kMaxBlurRadius) + 1,
               2.0 * std::clamp(radiusY, 0, kMaxBlurRadius) + 1,
               std::clamp(passes, 0, kMaxBlurPasses));
}

void ApplyFilter(const Filter& f, double scale, Layer* layer) {
    if (layer->width <= 0 || layer->height <= 0 ||
        layer->pixels.size() != static_cast<size_t>(layer->width) * layer->height * 4)
        return;
    if (!std::isfinite(scale) || scale <= 0)
        scale = 1;
    switch (f.kind) {
    case FilterKind::Blur:
        BlurLayer(f, scale, layer);
        break;
    case FilterKind::DropShadow:
    case FilterKind::Glow:
        ShadowOrGlow(f, scale, layer);
        break;
    case FilterKind::GradientGlow:
        GradientGlow(f, scale, layer);
        break;
    case FilterKind::Bevel:
    case FilterKind::GradientBevel:
        Bevel(f, scale, layer);
        break;
    case FilterKind::ColorMatrix:
        ColorMatrixLayer(f, layer);
        break;
    case FilterKind::Convolution:
        ConvolutionLayer(f, layer);
        break;
    }
}

#define WW_EACH_BLEND_MODE(DO)                                                                     \
    DO(Normal)                                                                                     \
    DO(Layer)                                                                                      \
    DO(Multiply)                                                                                   \
    DO(Screen)                                                                                     \
    DO(Lighten)                                                                                    \
    DO(Darken)                                                                                     \
    DO(Difference)                                                                                 \
    DO(Add)                                                                                        \
    DO(Subtract)                                                                                   \
    DO(Invert)                                                                                     \
    DO(Alpha)                                                                                      \
    DO(Erase)                                                                                      \
    DO(Overlay)                                                                                    \
    DO(HardLight)

void BlendPixel(BlendMode mode, const uint8_t* s, uint8_t* d) {
    switch (mode) {
#define WW_BLEND_CASE(M)                                                                           \
    case BlendMode::M:                                                                             \
        BlendOne<BlendMode::M>(s, d);                                                              \
        return;
        WW_EACH_BLEND_MODE(WW_BLEND_CASE)
#undef WW_BLEND_CASE
    }
}

// The mode is chosen once per layer, not once per pixel.
void CompositeLayer(const Layer& layer, BlendMode mode, uint8_t* dst, int width, int height,
                    const uint8_t* clip, int x0, int y0, int x1, int y1) {
    x0 = std::max({x0, layer.x, 0});
    y0 = std::max({y0, layer.y, 0});
    x1 = std::min({x1, layer.x + layer.width, width});
    y1 = std::min({y1, layer.y + layer.height, height});
    if (x0 >= x1 || y0 >= y1)
        return;
    switch (mode) {
#define WW_COMPOSITE_CASE(M)                                                                       \
    case BlendMode::M:                                                                             \
        CompositeRows<BlendMode::M>(layer, dst, width, clip, x0, y0, x1, y1);                      \
        return;
        WW_EACH_BLEND_MODE(WW_COMPOSITE_CASE)
#undef WW_COMPOSITE_CASE
    }
}

} // namespace ww::movie
