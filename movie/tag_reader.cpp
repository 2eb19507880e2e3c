#include "movie/parse_internal.h"

namespace ww::movie {

Matrix TagReader::ReadMatrix() {
    Align();
    Matrix m;
    if (UB(1)) {
        const unsigned n = UB(5);
        m.a = FB(n);
        m.d = FB(n);
    }
    if (UB(1)) {
        const unsigned n = UB(5);
        m.b = FB(n);
        m.c = FB(n);
    }
    const unsigned n = UB(5);
    m.tx = SB(n);
    m.ty = SB(n);
    Align();
    return m;
}

ColorTransform TagReader::ReadColorTransform(bool withAlpha) {
    Align();
    ColorTransform cx;
    const bool hasAdd = UB(1) != 0;
    const bool hasMult = UB(1) != 0;
    const unsigned n = UB(4);
    const int channels = withAlpha ? 4 : 3;
    if (hasMult) {
        for (int i = 0; i < channels; ++i)
            cx.mult[i] = static_cast<float>(SB(n)) / 256.0f;
    }
    if (hasAdd) {
        for (int i = 0; i < channels; ++i)
            cx.add[i] = static_cast<float>(SB(n));
    }
    Align();
    return cx;
}

Rgba TagReader::ReadRgb() {
    Rgba c;
    c.r = U8();
    c.g = U8();
    c.b = U8();
    return c;
}

Rgba TagReader::ReadRgba() {
    Rgba c = ReadRgb();
    c.a = U8();
    return c;
}

} // namespace ww::movie
