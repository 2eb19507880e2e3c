// The focus as the user sees it: the yellow rectangle Flash draws over the
// movie round the button or clip that Tab or a script focused, and the
// caret or the inverted selection of the focused text field. Both are
// painted straight onto the canvas's pixels, so a picture at a given frame
// is always the same (the caret does not blink in it).
#include "movie/render.h"

#include "movie/keyboard.h"
#include "movie/text_input.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace ww::movie {

namespace {

// The rectangle's width in stage pixels; it lies inside the object's box.
constexpr double kFocusRectWidth = 3;
const Rgba kFocusYellow{255, 255, 0, 255};
const Rgba kCaretColor{0, 0, 0, 255};

// The object a script object stands for, the matrix of its parent, and the
// movie whose dictionary its list draws from (a loaded clip's own).
const DisplayObject* FindFocused(const SpriteState& s, const Movie& movie,
                                 const avm1::Object* focus, const Matrix& m, int nesting,
                                 Matrix* parent, const Movie** owner) {
    if (nesting >= kMaxSpriteNesting)
        return nullptr;
    for (const auto& entry : s.objects) {
        const DisplayObject& o = entry.second;
        if ((o.sprite && o.sprite->script == focus) ||
            (o.instance && o.instance->script == focus)) {
            *parent = m;
            *owner = &movie;
            return &o;
        }
        if (o.sprite) {
            const Movie& inner = o.sprite->movie ? *o.sprite->movie : movie;
            if (const DisplayObject* found = FindFocused(
                    *o.sprite, inner, focus, Multiply(m, o.matrix), nesting + 1, parent, owner))
                return found;
        }
    }
    return nullptr;
}

struct CanvasPoint {
    double x, y;
};

CanvasPoint At(const Matrix& m, double x, double y) {
    return CanvasPoint{m.a * x + m.c * y + m.tx, m.b * x + m.d * y + m.ty};
}

} // namespace

uint64_t FocusPrint(const Player& player, const Matrix& stage, PixelRect* box) {
    *box = PixelRect{};
    const KeyboardState* k = player.keyboardState();
    Matrix parent;
    const Movie* movie = &player.movie();
    const DisplayObject* o = k && k->focus ? FindFocused(player.root(), player.movie(), k->focus,
                                                         stage, 0, &parent, &movie)
                                           : nullptr;
    if (!o)
        return 0;
    uint64_t print = reinterpret_cast<uintptr_t>(o) * 0x100000001B3ull ^ (k->focusShown ? 1 : 2);
    if (o->instance && o->instance->field) {
        const FieldState& f = *o->instance->field;
        print = (print ^ (uint64_t(f.anchor) << 8 | uint64_t(f.caret) << 36)) * 0x100000001B3ull;
    }
    double x0, y0, x1, y1;
    const double limit = 1 << 24;
    if (!DeclaredBox(*movie, *o, parent, &x0, &y0, &x1, &y1) || !(std::fabs(x0) < limit) ||
        !(std::fabs(y0) < limit) || !(std::fabs(x1) < limit) || !(std::fabs(y1) < limit))
        return print;
    // A pixel round it for rounding, and the caret's.
    *box = PixelRect{static_cast<int>(std::floor(x0)) - 2, static_cast<int>(std::floor(y0)) - 2,
                     static_cast<int>(std::ceil(x1)) + 2, static_cast<int>(std::ceil(y1)) + 2};
    return print;
}

void Renderer::FillPixels(int x0, int x1, double y0, double y1, const Rgba* color,
                          const uint8_t* clip) {
    const int w = canvas_->width, h = canvas_->height;
    int left = 0, top = 0, right = w, bottom = h;
    if (layers_ == 0 && box_.x0 < box_.x1 && box_.y0 < box_.y1) {
        left = box_.x0;
        top = box_.y0;
        right = box_.x1;
        bottom = box_.y1;
    }
    if (!(y0 < y1) || !std::isfinite(y0) || !std::isfinite(y1))
        return;
    x0 = std::max(x0, left);
    x1 = std::min(x1, right);
    const int r0 = static_cast<int>(std::clamp<double>(std::floor(y0), top, bottom));
    const int r1 = static_cast<int>(std::clamp<double>(std::ceil(y1), top, bottom));
    uint8_t paint[4] = {};
    if (color) {
        paint[0] = deviceOrder_ ? color->b : color->r;
        paint[1] = color->g;
        paint[2] = deviceOrder_ ? color->r : color->b;
        paint[3] = color->a;
    }
    for (int y = r0; y < r1; ++y) {
        // Rows the span covers in part are blended by the part covered.
        const double part = std::min<double>(y + 1, y1) - std::max<double>(y, y0);
        const int rowCover = static_cast<int>(std::lround(std::clamp(part, 0.0, 1.0) * 255));
        for (int x = x0; x < x1; ++x) {
            const size_t at = static_cast<size_t>(y) * w + x;
            const int cover = clip ? rowCover * clip[at] / 255 : rowCover;
            if (cover == 0)
                continue;
            uint8_t* p = canvas_->pixels.data() + at * 4;
            uint8_t want[4];
            for (int c = 0; c < 4; ++c)
                want[c] = color    ? paint[c]
                          : c == 3 ? p[3]
                                   : static_cast<uint8_t>(p[3] - std::min(p[c], p[3]));
            for (int c = 0; c < 4; ++c)
                p[c] = static_cast<uint8_t>((want[c] * cover + p[c] * (255 - cover) + 127) / 255);
        }
    }
}

void Renderer::DrawFocusRect(const Player& player, const Matrix& stage) {
    const KeyboardState* k = player.keyboardState();
    if (!k || !k->focus || !k->focusShown || !canvas_)
        return;
    Matrix parent;
    const Movie* movie = &player.movie();
    const DisplayObject* o =
        FindFocused(player.root(), player.movie(), k->focus, stage, 0, &parent, &movie);
    // A text field shows its caret instead.
    if (!o || o->ref.kind == CharacterKind::EditText)
        return;
    double x0, y0, x1, y1;
    if (!DeclaredBox(*movie, *o, parent, &x0, &y0, &x1, &y1))
        return;
    const double limit = 1 << 24;
    for (double v : {x0, y0, x1, y1}) {
        if (!(std::fabs(v) < limit))
            return;
    }
    const double scale =
        std::sqrt(std::fabs(stage.a * stage.d - stage.b * stage.c)) * kTwipsPerPixel;
    const int width = std::max(1, static_cast<int>(std::lround(kFocusRectWidth * scale)));
    const int l = static_cast<int>(std::lround(x0)), r = static_cast<int>(std::lround(x1));
    const int t = static_cast<int>(std::lround(y0)), b = static_cast<int>(std::lround(y1));
    if (r <= l || b <= t)
        return;
    FillPixels(l, r, t, std::min(t + width, b), &kFocusYellow, nullptr);
    FillPixels(l, r, std::max(b - width, t), b, &kFocusYellow, nullptr);
    FillPixels(l, std::min(l + width, r), t, b, &kFocusYellow, nullptr);
    FillPixels(std::max(r - width, l), r, t, b, &kFocusYellow, nullptr);
}

void Renderer::DrawFieldFocus(const FieldState& f, const TextPicture& picture, const Matrix& m,
                              const Target& t) {
    // Turned fields are left without; the box below is upright.
    if (t.maskOut || m.b != 0 || m.c != 0)
        return;
    const CanvasPoint a = At(m, picture.box.xmin, picture.box.ymin);
    const CanvasPoint z = At(m, picture.box.xmax, picture.box.ymax);
    const double bx0 = std::min(a.x, z.x), bx1 = std::max(a.x, z.x);
    const double by0 = std::min(a.y, z.y), by1 = std::max(a.y, z.y);
    const double limit = 1 << 24;
    for (double v : {bx0, bx1, by0, by1}) {
        if (!(std::fabs(v) < limit))
            return;
    }
    auto column = [](double x) { return static_cast<int>(std::floor(x + 1e-6)); };
    const size_t from = std::min(f.anchor, f.caret), to = std::max(f.anchor, f.caret);
    if (from == to) {
        double x, top, bottom;
        if (f.edit.readOnly || !CaretLine(picture, f.caret, &x, &top, &bottom))
            return;
        // A line without a font to measure stands as tall as the field's size.
        if (bottom - top < 1)
            bottom = top + f.edit.fontHeight;
        const CanvasPoint p = At(m, x, top), q = At(m, x, bottom);
        if (!(std::fabs(p.x) < limit))
            return;
        const int cx = column(p.x);
        if (cx < column(bx0) || cx >= static_cast<int>(std::ceil(bx1)))
            return;
        FillPixels(cx, cx + 1, std::max(std::min(p.y, q.y), by0), std::min(std::max(p.y, q.y), by1),
                   &kCaretColor, t.clip);
        return;
    }
    for (const Rect& r : SelectionBoxes(picture, from, to)) {
        const CanvasPoint p = At(m, r.xmin, r.ymin), q = At(m, r.xmax, r.ymax);
        const double x0 = std::max(std::min(p.x, q.x), bx0), x1 = std::min(std::max(p.x, q.x), bx1);
        const double y0 = std::max(std::min(p.y, q.y), by0), y1 = std::min(std::max(p.y, q.y), by1);
        if (x0 < x1 && y0 < y1)
            FillPixels(static_cast<int>(std::lround(x0)), static_cast<int>(std::lround(x1)),
                       std::round(y0), std::round(y1), nullptr, t.clip);
    }
}

} // namespace ww::movie
