// Strokes as areas: each segment of a polyline becomes a rectangle, each
// vertex a join and each open end a cap, all added to the rasteriser with the
// same orientation so that filling them with the non-zero rule gives their
// union.
#pragma once

#include "movie/movie.h"
#include "movie/raster.h"

#include <vector>

namespace ww::movie {

struct StrokeStyle {
    double halfWidth = 0.5; // pixels
    Cap startCap = Cap::Round, endCap = Cap::Round;
    Join join = Join::Round;
    double miterLimit = 3;
};

// points holds x, y pairs in pixels; a closed polyline's last point repeats
// its first. Repeated points are dropped from it.
void StrokePolyline(std::vector<double>& points, bool closed, const StrokeStyle& style,
                    Rasterizer& raster);
// Lines to cut a quadratic curve into so that none strays from it by more
// than a tenth of a pixel.
int CurveSteps(double x0, double y0, double cx, double cy, double x1, double y1);

} // namespace ww::movie
