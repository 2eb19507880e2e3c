#include "movie/raster.h"

#include <algorithm>
#include <cmath>

namespace ww::movie {

namespace {

// Far enough outside any canvas to change nothing, near enough for floats.
constexpr double kCoordinateClamp = 1e6;

float ClampCoordinate(double v) {
    return static_cast<float>(std::clamp(v, -kCoordinateClamp, kCoordinateClamp));
}

} // namespace

void Rasterizer::SetSize(int width, int height) {
    width_ = width;
    height_ = height;
    lines_.clear();
}

void Rasterizer::AddLine(double x0, double y0, double x1, double y1) {
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
        return;
    if (y0 == y1)
        return; // horizontal lines add no cover
    lines_.push_back(
        Line{ClampCoordinate(x0), ClampCoordinate(y0), ClampCoordinate(x1), ClampCoordinate(y1)});
}

// Parts of a line left of the region become vertical lines on its left edge,
// parts right of it vertical lines on its right edge: cover is kept, area
// outside is not drawn.
void Rasterizer::ClipAndAccumulate(Line l, float right) {
    int n = 0;
    float px[4], py[4];
    px[n] = l.x0;
    py[n++] = l.y0;
    const float dx = l.x1 - l.x0;
    if (dx != 0) {
        float t[2] = {(0 - l.x0) / dx, (right - l.x0) / dx};
        if (t[0] > t[1])
            std::swap(t[0], t[1]);
        for (float u : t) {
            if (u > 0 && u < 1) {
                px[n] = l.x0 + dx * u;
                py[n++] = l.y0 + (l.y1 - l.y0) * u;
            }
        }
    }
    px[n] = l.x1;
    py[n++] = l.y1;
    for (int i = 0; i + 1 < n; ++i) {
        const float a = std::clamp(px[i], 0.0f, right);
        const float b = std::clamp(px[i + 1], 0.0f, right);
        Accumulate(a, py[i], b, py[i + 1]);
    }
}

void Rasterizer::Accumulate(float x0, float y0, float x1, float y1) {
    if (y0 == y1)
        return;
    float dir = 1;
    if (y0 > y1) {
        dir = -1;
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    const float rows = static_cast<float>(rows_);
    if (y1 <= 0 || y0 >= rows)
        return;
    const float dxdy = (x1 - x0) / (y1 - y0);
    float x = x0;
    if (y0 < 0) {
        x -= y0 * dxdy;
        y0 = 0;
    }
    y1 = std::min(y1, rows);
    const float right = static_cast<float>(stride_ - 2);
    const int yEnd = static_cast<int>(std::ceil(y1));
    for (int y = static_cast<int>(y0); y < yEnd; ++y) {
        float* row = cells_.data() + static_cast<size_t>(y) * stride_;
        const float dy =
            std::min(static_cast<float>(y + 1), y1) - std::max(static_cast<float>(y), y0);
        const float xNext = x + dxdy * dy;
        const float d = dy * dir;
        const float xa = std::clamp(std::min(x, xNext), 0.0f, right);
        const float xb = std::clamp(std::max(x, xNext), 0.0f, right);
        const int x0i = static_cast<int>(xa);
        const float x0f = xa - static_cast<float>(x0i);
        const int x1i = static_cast<int>(std::ceil(xb));
        if (x1i <= x0i + 1) {
            const float xmf = 0.5f * (xa + xb) - static_cast<float>(x0i);
            row[x0i] += d - d * xmf;
            row[x0i + 1] += d * xmf;
        } else {
            const float s = 1.0f / (xb - xa);
            const float a0 = 0.5f * s * (1 - x0f) * (1 - x0f);
            const float x1f = xb - static_cast<float>(x1i) + 1;
            const float am = 0.5f * s * x1f * x1f;
            row[x0i] += d * a0;
            if (x1i == x0i + 2) {
                row[x0i + 1] += d * (1 - a0 - am);
            } else {
                const float a1 = s * (1.5f - x0f);
                row[x0i + 1] += d * (a1 - a0);
                for (int xi = x0i + 2; xi < x1i - 1; ++xi)
                    row[xi] += d * s;
                const float a2 = a1 + static_cast<float>(x1i - x0i - 3) * s;
                row[x1i - 1] += d * (1 - a2 - am);
            }
            row[x1i] += d * am;
        }
        x = xNext;
    }
}

void Rasterizer::Fill(bool nonZero, const uint8_t* mask, Paint& paint) {
    if (lines_.empty())
        return;
    float minX = lines_[0].x0, maxX = minX, minY = lines_[0].y0, maxY = minY;
    for (const Line& l : lines_) {
        minX = std::min({minX, l.x0, l.x1});
        maxX = std::max({maxX, l.x0, l.x1});
        minY = std::min({minY, l.y0, l.y1});
        maxY = std::max({maxY, l.y0, l.y1});
    }
    originX_ = std::max(0, static_cast<int>(std::floor(minX)));
    originY_ = std::max(0, static_cast<int>(std::floor(minY)));
    const int endX = std::min(width_, static_cast<int>(std::ceil(maxX)) + 1);
    const int endY = std::min(height_, static_cast<int>(std::ceil(maxY)));
    // A closed outline wholly outside the canvas covers none of it.
    if (endX <= originX_ || endY <= originY_) {
        lines_.clear();
        return;
    }
    const int visible = endX - originX_;
    stride_ = visible + 2;
    rows_ = endY - originY_;
    const size_t cellCount = static_cast<size_t>(stride_) * static_cast<size_t>(rows_);
    if (cells_.size() < cellCount)
        cells_.resize(cellCount, 0.0f);
    if (coverage_.size() < static_cast<size_t>(stride_))
        coverage_.resize(static_cast<size_t>(stride_));
    const float ox = static_cast<float>(originX_), oy = static_cast<float>(originY_);
    for (const Line& l : lines_)
        ClipAndAccumulate(Line{l.x0 - ox, l.y0 - oy, l.x1 - ox, l.y1 - oy},
                          static_cast<float>(visible));
    lines_.clear();

    for (int y = 0; y < rows_; ++y) {
        float* row = cells_.data() + static_cast<size_t>(y) * stride_;
        float* coverage = coverage_.data();
        float sum = 0;
        int first = -1, last = -1;
        // One loop per rule keeps the branch out of the pixel loop.
        if (nonZero) {
            for (int x = 0; x < visible; ++x) {
                // Most cells stay zero; not rewriting them spares the bandwidth.
                if (row[x] != 0) {
                    sum += row[x];
                    row[x] = 0;
                }
                coverage[x] = std::min(std::fabs(sum), 1.0f);
            }
        } else {
            for (int x = 0; x < visible; ++x) {
                if (row[x] != 0) {
                    sum += row[x];
                    row[x] = 0;
                }
                float c = std::fabs(sum);
                if (c > 1) {
                    c -= 2 * std::floor(c * 0.5f);
                    if (c > 1)
                        c = 2 - c;
                }
                coverage[x] = c;
            }
        }
        row[visible] = row[visible + 1] = 0;
        if (mask) {
            const uint8_t* maskRow = mask + static_cast<size_t>(y + originY_) * width_ + originX_;
            for (int x = 0; x < visible; ++x)
                coverage[x] *= maskRow[x] * (1.0f / 255.0f);
        }
        const float kNone = 1.0f / 512;
        for (int x = 0; x < visible; ++x) {
            if (coverage[x] > kNone) {
                first = x;
                break;
            }
        }
        if (first < 0)
            continue;
        for (int x = visible - 1; x >= first; --x) {
            if (coverage[x] > kNone) {
                last = x;
                break;
            }
        }
        paint.Row(y + originY_, first + originX_, last + 1 + originX_, coverage + first);
    }
}

} // namespace ww::movie
