#include "movie/movie.h"

#include <algorithm>
#include <cmath>

namespace ww::movie {

Matrix Multiply(const Matrix& o, const Matrix& i) {
    Matrix m;
    m.a = o.a * i.a + o.c * i.b;
    m.b = o.b * i.a + o.d * i.b;
    m.c = o.a * i.c + o.c * i.d;
    m.d = o.b * i.c + o.d * i.d;
    m.tx = o.a * i.tx + o.c * i.ty + o.tx;
    m.ty = o.b * i.tx + o.d * i.ty + o.ty;
    return m;
}

bool Invert(const Matrix& m, Matrix* inv) {
    const double det = m.a * m.d - m.b * m.c;
    if (!std::isfinite(det) || std::fabs(det) < 1e-12)
        return false;
    inv->a = m.d / det;
    inv->b = -m.b / det;
    inv->c = -m.c / det;
    inv->d = m.a / det;
    inv->tx = -(inv->a * m.tx + inv->c * m.ty);
    inv->ty = -(inv->b * m.tx + inv->d * m.ty);
    return true;
}

bool ColorTransform::IsIdentity() const {
    for (int i = 0; i < 4; ++i) {
        if (mult[i] != 1 || add[i] != 0)
            return false;
    }
    return true;
}

ColorTransform Combine(const ColorTransform& o, const ColorTransform& i) {
    ColorTransform c;
    for (int k = 0; k < 4; ++k) {
        c.mult[k] = o.mult[k] * i.mult[k];
        c.add[k] = o.mult[k] * i.add[k] + o.add[k];
    }
    return c;
}

Rgba Apply(const ColorTransform& cx, Rgba c) {
    auto channel = [&](uint8_t v, int k) {
        const float f = std::clamp(v * cx.mult[k] + cx.add[k], 0.0f, 255.0f);
        return static_cast<uint8_t>(f + 0.5f);
    };
    return Rgba{channel(c.r, 0), channel(c.g, 1), channel(c.b, 2), channel(c.a, 3)};
}

const CharacterRef* Movie::Find(uint16_t id) const {
    auto it = dictionary.find(id);
    return it == dictionary.end() ? nullptr : &it->second;
}

Shape PictureShape(const FillStyle& fill, int32_t w, int32_t h) {
    Shape shape;
    shape.fills.push_back(fill);
    shape.layers.push_back(StyleLayer{0, 1, 0, 0});
    const int32_t corners[5][2] = {{0, 0}, {w, 0}, {w, h}, {0, h}, {0, 0}};
    for (int i = 0; i < 4; ++i)
        shape.edges.push_back(Edge{corners[i][0], corners[i][1], 0, 0, corners[i + 1][0],
                                   corners[i + 1][1], 0, 1, 0, false});
    shape.bounds.xmin = shape.bounds.ymin = 0;
    shape.bounds.xmax = w;
    shape.bounds.ymax = h;
    return shape;
}

std::string UnsupportedTagList(const Movie& movie) {
    if (movie.unsupported.empty())
        return "none";
    std::string list;
    for (const std::string& what : movie.unsupported)
        list += (list.empty() ? "" : ", ") + what;
    return list;
}

} // namespace ww::movie
