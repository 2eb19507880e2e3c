#include "movie/stroke.h"

#include <algorithm>
#include <cmath>

namespace ww::movie {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Turns flatter than this (the cosine of about 10 degrees) get a bevel
// whatever the join: the gap it fills is far below a pixel.
constexpr double kFlatTurn = 0.985;

struct P {
    double x, y;
};

P operator+(P a, P b) {
    return {a.x + b.x, a.y + b.y};
}
P operator-(P a, P b) {
    return {a.x - b.x, a.y - b.y};
}
P operator*(P a, double s) {
    return {a.x * s, a.y * s};
}

// Adds a closed polygon, turned so its signed area is positive.
void AddPolygon(const P* p, int n, Rasterizer& r) {
    double area = 0;
    for (int i = 0; i < n; ++i) {
        const P& a = p[i];
        const P& b = p[(i + 1) % n];
        area += a.x * b.y - b.x * a.y;
    }
    for (int i = 0; i < n; ++i) {
        const P& a = p[i];
        const P& b = p[(i + 1) % n];
        if (area >= 0)
            r.AddLine(a.x, a.y, b.x, b.y);
        else
            r.AddLine(b.x, b.y, a.x, a.y);
    }
}

void AddCircle(P c, double radius, Rasterizer& r) {
    const double step = std::acos(std::max(-1.0, 1 - 0.2 / std::max(radius, 0.2)));
    const int n = std::clamp(static_cast<int>(std::ceil(2 * kPi / step)), 8, 128);
    P prev{c.x + radius, c.y};
    for (int i = 1; i <= n; ++i) {
        const double a = 2 * kPi * i / n;
        const P next{c.x + radius * std::cos(a), c.y + radius * std::sin(a)};
        r.AddLine(prev.x, prev.y, next.x, next.y);
        prev = next;
    }
}

P Normal(P d, double hw) {
    return P{-d.y * hw, d.x * hw};
}

void AddJoin(P a, P p, P b, const StrokeStyle& s, Rasterizer& r) {
    const P d0 = p - a, d1 = b - p;
    const double l0 = std::hypot(d0.x, d0.y), l1 = std::hypot(d1.x, d1.y);
    if (l0 == 0 || l1 == 0)
        return;
    const P u0 = d0 * (1 / l0), u1 = d1 * (1 / l1);
    const double cross = u0.x * u1.y - u0.y * u1.x;
    const double dot = u0.x * u1.x + u0.y * u1.y;
    const double hw = s.halfWidth;
    // The outer side of the turn is the one the normals point away from.
    const double side = cross > 0 ? -1 : 1;
    const P n0 = Normal(u0, hw * side), n1 = Normal(u1, hw * side);
    if (s.join == Join::Round && dot < kFlatTurn) {
        AddCircle(p, hw, r);
        return;
    }
    if (s.join == Join::Miter && dot < kFlatTurn) {
        // Half the angle between the normals sets the miter's length.
        const double cosHalf = std::sqrt(std::max(0.0, (1 + dot) / 2));
        if (cosHalf > 1e-6 && 1 / cosHalf <= s.miterLimit) {
            P mid = n0 + n1;
            const double len = std::hypot(mid.x, mid.y);
            if (len > 0) {
                const P tip = p + mid * (hw / cosHalf / len);
                const P quad[4] = {p, p + n0, tip, p + n1};
                AddPolygon(quad, 4, r);
                return;
            }
        }
    }
    const P tri[3] = {p, p + n0, p + n1};
    AddPolygon(tri, 3, r);
}

void AddCap(P end, P dir, Cap cap, double hw, Rasterizer& r) {
    if (cap == Cap::Round) {
        AddCircle(end, hw, r);
    } else if (cap == Cap::Square) {
        const P n = Normal(dir, hw);
        const P out = end + dir * hw;
        const P quad[4] = {end + n, out + n, out - n, end - n};
        AddPolygon(quad, 4, r);
    }
}

} // namespace

void StrokePolyline(std::vector<double>& points, bool closed, const StrokeStyle& s,
                    Rasterizer& raster) {
    // Repeated points dropped in place: a copy would double what a long
    // outline holds.
    size_t kept = 0;
    for (size_t i = 0; i + 1 < points.size(); i += 2) {
        if (kept == 0 || points[i] != points[kept - 2] || points[i + 1] != points[kept - 1]) {
            points[kept++] = points[i];
            points[kept++] = points[i + 1];
        }
    }
    points.resize(kept);
    const size_t count = kept / 2;
    auto at = [&](size_t i) { return P{points[2 * i], points[2 * i + 1]}; };
    const double hw = s.halfWidth;
    if (count == 1) {
        // A stroke of no length shows as its caps would.
        if (s.startCap != Cap::None)
            AddCap(at(0), P{1, 0}, s.startCap == Cap::Round ? Cap::Round : Cap::Square, hw, raster);
        if (s.startCap == Cap::Square)
            AddCap(at(0), P{-1, 0}, Cap::Square, hw, raster);
        return;
    }
    if (count == 0)
        return;
    size_t n = count;
    if (closed && n > 2 && at(0).x == at(n - 1).x && at(0).y == at(n - 1).y)
        --n;
    else
        closed = false;
    const size_t segments = closed ? n : n - 1;
    for (size_t i = 0; i < segments; ++i) {
        const P a = at(i), b = at((i + 1) % n);
        const P d = b - a;
        const double len = std::hypot(d.x, d.y);
        if (len == 0)
            continue;
        const P nn = Normal(d * (1 / len), hw);
        const P quad[4] = {a + nn, b + nn, b - nn, a - nn};
        AddPolygon(quad, 4, raster);
    }
    for (size_t i = closed ? 0 : 1; i < (closed ? n : n - 1); ++i)
        AddJoin(at((i + n - 1) % n), at(i), at((i + 1) % n), s, raster);
    if (!closed) {
        auto unit = [](P d) {
            const double len = std::hypot(d.x, d.y);
            return d * (1 / len);
        };
        AddCap(at(0), unit(at(0) - at(1)), s.startCap, hw, raster);
        AddCap(at(n - 1), unit(at(n - 1) - at(n - 2)), s.endCap, hw, raster);
    }
}

} // namespace ww::movie
