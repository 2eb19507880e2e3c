// A fill's inside is found by casting a ray from the point towards +x and
// counting the edges it crosses that have the fill on exactly one side:
// each region of a SWF shape is bounded by those edges alone. Curves are
// followed as short chords, close enough for a pointer.
#include "movie/hit_test.h"

#include "movie/button.h"

#include <cmath>
#include <vector>

namespace ww::movie {

namespace {

constexpr int kCurveChords = 16;

struct Segment {
    double x0, y0, x1, y1;
};

void Chords(const Edge& e, std::vector<Segment>* out) {
    out->clear();
    if (!e.curve) {
        out->push_back(Segment{double(e.x0), double(e.y0), double(e.x1), double(e.y1)});
        return;
    }
    double px = e.x0, py = e.y0;
    for (int k = 1; k <= kCurveChords; ++k) {
        const double t = double(k) / kCurveChords, u = 1 - t;
        const double x = u * u * e.x0 + 2 * u * t * e.cx + t * t * e.x1;
        const double y = u * u * e.y0 + 2 * u * t * e.cy + t * t * e.y1;
        out->push_back(Segment{px, py, x, y});
        px = x;
        py = y;
    }
}

// +1 or -1 when the segment crosses the ray from (x, y) towards +x, going
// down or up; 0 when it does not. Half-open in y, so a vertex counts once.
int Crossing(const Segment& s, double x, double y) {
    const bool down = s.y0 <= y && s.y1 > y, up = s.y1 <= y && s.y0 > y;
    if (!down && !up)
        return 0;
    const double t = (y - s.y0) / (s.y1 - s.y0);
    if (s.x0 + t * (s.x1 - s.x0) <= x)
        return 0;
    return down ? 1 : -1;
}

double DistanceSquared(const Segment& s, double x, double y) {
    const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
    const double length = dx * dx + dy * dy;
    double t = length > 0 ? ((x - s.x0) * dx + (y - s.y0) * dy) / length : 0;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    const double ex = s.x0 + t * dx - x, ey = s.y0 + t * dy - y;
    return ex * ex + ey * ey;
}

bool Within(const Rect& r, double x, double y) {
    return x >= r.xmin && x <= r.xmax && y >= r.ymin && y <= r.ymax;
}

// Objects one question may look at: buttons that show themselves or each
// other would otherwise multiply the work at every level.
constexpr size_t kMaxHitWork = 1u << 14;

bool ObjectHit(const Movie& movie, const DisplayObject& o, double x, double y, int nesting,
               size_t* work);
bool ListHit(const Movie& movie, const SpriteState& s, double x, double y, int nesting,
             size_t* work);

bool ButtonHit(const Movie& movie, const Button& button, double x, double y, int nesting,
               size_t* work) {
    // Making the state's list costs its records, looked at or not.
    if (nesting >= kMaxSpriteNesting || button.records.size() >= *work) {
        *work = 0;
        return false;
    }
    *work -= button.records.size();
    SpriteState hit;
    ButtonDisplayList(movie, button, kButtonHit, nesting, &hit);
    return ListHit(movie, hit, x, y, nesting + 1, work);
}

bool ListHit(const Movie& movie, const SpriteState& s, double x, double y, int nesting,
             size_t* work) {
    const Movie& own = s.movie ? *s.movie : movie; // a loaded clip's
    // What a script drew lies beneath the children.
    if (s.drawing && s.drawing->hasBounds && ShapeContains(s.drawing->shape, x, y))
        return true;
    for (const auto& entry : s.objects) {
        if (ObjectHit(own, entry.second, x, y, nesting, work))
            return true;
    }
    return false;
}

} // namespace

bool ShapeContains(const Shape& shape, double x, double y) {
    // Lines reach half their width past the bounds' edges at most.
    uint32_t widest = 0;
    for (const LineStyle& l : shape.lines)
        widest = l.width > widest ? l.width : widest;
    const double reach = widest / 2.0 + kTwipsPerPixel;
    if (x < shape.bounds.xmin - reach || x > shape.bounds.xmax + reach ||
        y < shape.bounds.ymin - reach || y > shape.bounds.ymax + reach)
        return false;
    // Winding per fill style, by the shape's rule.
    std::vector<int> winding(shape.fills.size() + 1, 0);
    std::vector<Segment> chords;
    for (const Edge& e : shape.edges) {
        const bool filled = e.fill0 != e.fill1 && (e.fill0 || e.fill1);
        if (!filled && !e.line)
            continue;
        Chords(e, &chords);
        for (const Segment& s : chords) {
            if (filled) {
                const int c = Crossing(s, x, y);
                if (c && e.fill0 < winding.size())
                    winding[e.fill0] -= c;
                if (c && e.fill1 < winding.size())
                    winding[e.fill1] += c;
            }
            if (e.line && e.line <= shape.lines.size()) {
                // A hairline still answers within a pixel.
                const double half =
                    std::max<double>(shape.lines[e.line - 1].width, kTwipsPerPixel) / 2;
                if (DistanceSquared(s, x, y) <= half * half)
                    return true;
            }
        }
    }
    for (size_t f = 1; f < winding.size(); ++f) {
        if (shape.nonZero ? winding[f] != 0 : (winding[f] & 1) != 0)
            return true;
    }
    return false;
}

namespace {

bool ObjectHit(const Movie& movie, const DisplayObject& o, double x, double y, int nesting,
               size_t* work) {
    if (!o.visible || o.clipDepth > 0 || nesting >= kMaxSpriteNesting || *work == 0)
        return false;
    --*work;
    Matrix inverse;
    if (!Invert(o.matrix, &inverse))
        return false;
    const double lx = inverse.a * x + inverse.c * y + inverse.tx;
    const double ly = inverse.b * x + inverse.d * y + inverse.ty;
    switch (o.ref.kind) {
    case CharacterKind::Shape:
        return o.ref.index < movie.shapes.size() &&
               ShapeContains(movie.shapes[o.ref.index], lx, ly);
    case CharacterKind::Morph:
        return o.ref.index < movie.morphs.size() &&
               Within(movie.morphs[o.ref.index].start.bounds, lx, ly);
    case CharacterKind::Text: {
        if (o.ref.index >= movie.texts.size())
            return false;
        const Text& text = movie.texts[o.ref.index];
        Matrix ti;
        if (!Invert(text.matrix, &ti))
            return false;
        return Within(text.bounds, ti.a * lx + ti.c * ly + ti.tx, ti.b * lx + ti.d * ly + ti.ty);
    }
    case CharacterKind::EditText: {
        if (o.instance && o.instance->field)
            return Within(o.instance->field->edit.bounds, lx, ly);
        return o.ref.index < movie.editTexts.size() &&
               Within(movie.editTexts[o.ref.index].bounds, lx, ly);
    }
    case CharacterKind::Sprite:
        return o.sprite && ListHit(movie, *o.sprite, lx, ly, nesting + 1, work);
    case CharacterKind::Button:
        return o.ref.index < movie.buttons.size() &&
               ButtonHit(movie, movie.buttons[o.ref.index], lx, ly, nesting + 1, work);
    default:
        return false;
    }
}

} // namespace

bool ObjectContains(const Movie& movie, const DisplayObject& o, double x, double y, int nesting) {
    size_t work = kMaxHitWork;
    return ObjectHit(movie, o, x, y, nesting, &work);
}

bool ButtonContains(const Movie& movie, const Button& button, double x, double y, int nesting) {
    size_t work = kMaxHitWork;
    return ButtonHit(movie, button, x, y, nesting, &work);
}

bool ListContains(const Movie& movie, const SpriteState& s, double x, double y, int nesting) {
    size_t work = kMaxHitWork;
    return ListHit(movie, s, x, y, nesting, &work);
}

} // namespace ww::movie
