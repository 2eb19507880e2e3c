// FILTERLIST of PlaceObject3: a count UI8, then each filter's id UI8 and
// fields. FIXED is a signed 16.16 UI32, FIXED8 a signed 8.8 UI16, FLOAT an
// IEEE single, all little-endian; RGBA four bytes.
//   DropShadow (0): colour, blurX, blurY, angle, distance (FIXED), strength
//     (FIXED8), then inner, knockout, composite source (UB[1] each), passes
//     UB[5].
//   Blur (1): blurX, blurY, passes UB[5], reserved UB[3].
//   Glow (2): colour, blurX, blurY, strength, inner, knockout, composite
//     source, passes UB[5].
//   Bevel (3): highlight and shadow colours, blurX, blurY, angle, distance,
//     strength, inner, knockout, composite source, on top (UB[1] each),
//     passes UB[4].
//   GradientGlow (4) and GradientBevel (7): count UI8, that many colours then
//     ratios UI8, then as Bevel from blurX.
//   Convolution (5): columns UI8, rows UI8, divisor, bias, the matrix (FLOAT
//     each), default colour, reserved UB[6], clamp, preserve alpha.
//   ColorMatrix (6): 20 FLOAT.
// Counts are capped before anything is sized; an unknown id ends the list,
// since its length cannot be known.
#include "movie/filters.h"
#include "movie/parse_internal.h"

#include <cmath>
#include <cstring>

namespace ww::movie {

namespace {

float Fixed(TagReader& r) {
    return static_cast<float>(static_cast<int32_t>(r.U32()) / 65536.0);
}

float Fixed8(TagReader& r) {
    return static_cast<int16_t>(r.U16()) / 256.0f;
}

// Non-finite floats read as zero: nothing downstream has to guard them.
float Float(TagReader& r) {
    const uint32_t bits = r.U32();
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return std::isfinite(v) ? v : 0.0f;
}

FilterColor Color(TagReader& r) {
    FilterColor c;
    c.r = r.U8();
    c.g = r.U8();
    c.b = r.U8();
    c.a = r.U8();
    return c;
}

void BlurFields(TagReader& r, Filter* f) {
    f->blurX = Fixed(r);
    f->blurY = Fixed(r);
}

void AngleFields(TagReader& r, Filter* f) {
    f->angle = Fixed(r);
    f->distance = Fixed(r);
}

void FlagFields(TagReader& r, Filter* f, bool onTop) {
    f->strength = Fixed8(r);
    f->inner = r.UB(1) != 0;
    f->knockout = r.UB(1) != 0;
    f->compositeSource = r.UB(1) != 0;
    if (onTop)
        f->onTop = r.UB(1) != 0;
    f->passes = static_cast<int>(r.UB(onTop ? 4 : 5));
}

bool ReadFilter(TagReader& r, uint8_t id, Filter* f) {
    f->kind = static_cast<FilterKind>(id);
    switch (id) {
    case 0:
        f->color = Color(r);
        BlurFields(r, f);
        AngleFields(r, f);
        FlagFields(r, f, false);
        break;
    case 1:
        BlurFields(r, f);
        f->passes = static_cast<int>(r.UB(5));
        r.UB(3);
        break;
    case 2:
        f->color = Color(r);
        BlurFields(r, f);
        FlagFields(r, f, false);
        break;
    case 3:
        // Flash writes the highlight first, whatever the format's documents
        // call the two colours.
        f->highlight = Color(r);
        f->color = Color(r);
        BlurFields(r, f);
        AngleFields(r, f);
        FlagFields(r, f, true);
        break;
    case 4:
    case 7: {
        const size_t n = r.U8();
        for (size_t i = 0; i < n; ++i) {
            const FilterColor c = Color(r);
            if (i < kMaxGradientColors)
                f->colors.push_back(c);
        }
        for (size_t i = 0; i < n; ++i) {
            const uint8_t ratio = r.U8();
            if (i < kMaxGradientColors)
                f->ratios.push_back(ratio);
        }
        BlurFields(r, f);
        AngleFields(r, f);
        FlagFields(r, f, true);
        break;
    }
    case 5: {
        f->matrixX = r.U8();
        f->matrixY = r.U8();
        f->divisor = Float(r);
        f->bias = Float(r);
        const size_t n = static_cast<size_t>(f->matrixX) * f->matrixY;
        const bool keep = f->matrixX <= kMaxConvolutionSide && f->matrixY <= kMaxConvolutionSide;
        for (size_t i = 0; i < n && r.ok(); ++i) {
            const float v = Float(r);
            if (keep)
                f->kernel.push_back(v);
        }
        if (!keep)
            f->matrixX = f->matrixY = 0; // too large to run: left out
        f->defaultColor = Color(r);
        r.UB(6);
        f->clamp = r.UB(1) != 0;
        f->preserveAlpha = r.UB(1) != 0;
        break;
    }
    case 6:
        for (float& v : f->matrix)
            v = Float(r);
        break;
    default:
        return false;
    }
    return r.ok();
}

} // namespace

bool ReadFilterList(TagReader& r, std::vector<Filter>* filters, ParseContext& ctx) {
    const size_t count = r.U8();
    for (size_t i = 0; i < count && r.ok(); ++i) {
        const uint8_t id = r.U8();
        Filter f;
        if (!ReadFilter(r, id, &f)) {
            if (r.ok())
                ctx.Problem("filter " + std::to_string(id) + " is not known");
            return r.ok();
        }
        if (filters->size() < kMaxFilters && ctx.Charge(sizeof(Filter) + f.kernel.size() * 4))
            filters->push_back(std::move(f));
    }
    return r.ok();
}

} // namespace ww::movie
