// The renderer's text fields and buttons: a field's text laid out into
// glyphs and drawn as DrawText draws static text, on its background and in
// its border, clipped to its box; a button's current state drawn as the
// display list its records make.
#include "movie/button.h"
#include "movie/render.h"
#include "movie/text_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace ww::movie {

struct Renderer::TextState {
    DeviceGlyphCache cache;
    TextPicture picture;
    std::vector<uint8_t> clip;
    int buttonNesting = 0;
};

namespace {

// A rectangle in twips filled with one colour, or outlined by a hairline.
Shape BoxShape(const Rect& r, Rgba color, bool outline) {
    Shape s;
    FillStyle fill;
    fill.color = color;
    const uint32_t f = outline ? 0 : 1, l = outline ? 1 : 0;
    if (outline) {
        LineStyle line;
        line.width = kTwipsPerPixel;
        line.fill = fill;
        s.lines.push_back(line);
        s.layers.push_back(StyleLayer{0, 0, 0, 1});
    } else {
        s.fills.push_back(fill);
        s.layers.push_back(StyleLayer{0, 1, 0, 0});
    }
    // Clockwise on screen from the top left: the inside is on the right.
    const int32_t xs[] = {r.xmin, r.xmax, r.xmax, r.xmin, r.xmin};
    const int32_t ys[] = {r.ymin, r.ymin, r.ymax, r.ymax, r.ymin};
    for (int i = 0; i < 4; ++i)
        s.edges.push_back(Edge{xs[i], ys[i], 0, 0, xs[i + 1], ys[i + 1], 0, f, l, false});
    return s;
}

// A field's box on the canvas's pixel grid when its matrix neither rotates
// nor skews it: Flash fills the background over whole pixels and draws the
// border on the pixels along its edges (the bottom right corner left out).
bool SnappedBox(const Rect& box, const Matrix& m, int32_t* x0, int32_t* y0, int32_t* x1,
                int32_t* y1) {
    if (m.b != 0 || m.c != 0)
        return false;
    const double xs[] = {m.a * box.xmin + m.tx, m.a * box.xmax + m.tx};
    const double ys[] = {m.d * box.ymin + m.ty, m.d * box.ymax + m.ty};
    const double limit = 1 << 24;
    for (double v : {xs[0], xs[1], ys[0], ys[1]}) {
        if (!(std::fabs(v) < limit))
            return false;
    }
    // Halves round down, as Flash snaps.
    auto snap = [](double v) { return static_cast<int32_t>(std::ceil(v - 0.5)); };
    *x0 = snap(std::min(xs[0], xs[1]));
    *x1 = snap(std::max(xs[0], xs[1]));
    *y0 = snap(std::min(ys[0], ys[1]));
    *y1 = snap(std::max(ys[0], ys[1]));
    return true;
}

// A rectangle of whole canvas pixels as a filled shape, in twentieths of a
// pixel.
Shape PixelBox(const Rect& r, Rgba color) {
    return BoxShape(Rect{r.xmin * 20, r.xmax * 20, r.ymin * 20, r.ymax * 20}, color, false);
}

} // namespace

void Renderer::DrawEditText(const DisplayObject& o, const Matrix& m, const ColorTransform& cx,
                            const Target& t) {
    if (!text_)
        text_ = std::make_shared<TextState>();
    TextState& s = *text_;
    // A field a script has reached draws its own state; others their tag.
    const FieldState* state = o.instance ? o.instance->field.get() : nullptr;
    const EditText& field = state ? state->edit : movie_.editTexts[o.ref.index];
    // A scrolled field lays out the lines below its box too, then moves up.
    const bool scrolled = state && state->scroll > 1 && !field.autoSize;
    EditText tall;
    if (scrolled) {
        tall = field;
        tall.bounds.ymax = std::max(tall.bounds.ymax, INT32_MAX / 2);
    }
    const EditText& laid = scrolled ? tall : field;
    const int grow = state ? GrowAlign(state->autoSize) : -1;
    if (state && state->styled)
        LayoutStyledText(movie_, laid, state->styledText, s.cache, &s.picture, grow);
    else
        LayoutEditText(movie_, laid, s.cache, &s.picture, grow);
    if (scrolled) {
        s.picture.box = field.bounds;
        ScrollPicture(state->scroll, &s.picture);
    }
    const TextPicture& picture = s.picture;
    const bool background = state ? state->background : field.border;
    int32_t x0, y0, x1, y1;
    const bool snapped = SnappedBox(picture.box, m, &x0, &y0, &x1, &y1);
    const Matrix pixels{1.0 / 20, 0, 0, 1.0 / 20, 0, 0};
    if (background) {
        const Rgba fill = state ? state->backgroundColor : Rgba{255, 255, 255, 255};
        // Under a border the fill reaches the border's far edges too.
        const int32_t grow = field.border ? 1 : 0;
        if (snapped)
            DrawShape(PixelBox(Rect{x0, x1 + grow, y0, y1 + grow}, fill), pixels, cx, t, nullptr);
        else
            DrawShape(BoxShape(picture.box, fill, false), m, cx, t, nullptr);
    }
    Target inner = t;
    if (picture.overflows) {
        s.clip.assign(static_cast<size_t>(canvas_->width) * canvas_->height, 0);
        DrawShape(BoxShape(picture.box, Rgba{}, false), m, ColorTransform{},
                  Target{s.clip.data(), t.clip}, nullptr);
        inner.clip = s.clip.data();
    }
    for (const PlacedGlyph& g : picture.glyphs) {
        const Rgba color = Apply(cx, g.color);
        DrawShape(*g.shape, Multiply(m, g.matrix), cx, inner, &color);
    }
    for (const auto& u : picture.underlines)
        DrawShape(BoxShape(u.first, u.second, false), m, cx, inner, nullptr);
    if (field.border) {
        const Rgba line = state ? state->borderColor : Rgba{0, 0, 0, 255};
        if (snapped) {
            const std::vector<Rect> edges = {Rect{x0, x1 + 1, y0, y0 + 1},
                                             Rect{x0, x0 + 1, y0, y1 + 1}, Rect{x1, x1 + 1, y0, y1},
                                             Rect{x0, x1, y1, y1 + 1}};
            // Each its own shape: edges of rectangles that touch would cancel.
            for (const Rect& r : edges)
                DrawShape(PixelBox(r, line), pixels, cx, t, nullptr);
        } else {
            DrawShape(BoxShape(picture.box, line, true), m, cx, t, nullptr);
        }
    }
}

void Renderer::DrawButton(const DisplayObject& o, const Matrix& m, const ColorTransform& cx,
                          const Target& t, int maskLevel) {
    if (!text_)
        text_ = std::make_shared<TextState>();
    TextState& s = *text_;
    // A button that shows itself, directly or through sprites, stops here.
    if (s.buttonNesting >= kMaxSpriteNesting)
        return;
    const uint8_t state = o.instance ? o.instance->buttonState : uint8_t(kButtonUp);
    SpriteState shown;
    ButtonDisplayList(movie_, movie_.buttons[o.ref.index], state, s.buttonNesting, &shown);
    ++s.buttonNesting;
    DrawList(shown, m, cx, t, maskLevel);
    --s.buttonNesting;
}

} // namespace ww::movie
