// bench_movie WORKDIR: frames per processor second drawing the sample movie and a movie
// of 2,000 shapes, at 550 x 400 and at 1920 x 1080, on one core, each against
// the same run's bare fill of the same canvas (the memory bandwidth floor a
// renderer cannot beat); the time of one frame against cairo's filling the
// same outlines with the same colours on the same canvas (when the bench was
// built with cairo); the share of one core the live wallpaper costs, drawing
// and showing only what changed, against whole frames in the same run; and
// the peak memory of a process that plays and draws each, against one that
// only holds the canvas.
//
// The verdicts are printed, not returned, so the other benchmarks still run.
//
// bench_movie --peak MOVIE W H: plays and draws 24 frames (no MOVIE: only
// fills a canvas) and prints the process's peak resident size in KiB.
#include "common/path.h"
#include "movie/movie.h"
#include "movie/player.h"
#include "movie/render.h"
#include "tests/support/swf_writer.h"

#include <sys/resource.h>
#include <time.h>

#ifdef WW_HAVE_CAIRO
#include <cairo.h>
#endif

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace ww;
constexpr double kTargetFps = 200;
constexpr double kFlash8TargetFps = 60;
constexpr int32_t kPx = 20;

// This thread's processor time: the machine may be shared, and the figures
// are for one core.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

long PeakKib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void Append(test::Bytes& to, const test::Bytes& more) {
    to.insert(to.end(), more.begin(), more.end());
}

// 2,000 shapes (rectangles and circles, solid and gradient fills, some with
// outlines) scattered over the stage, each drifting a little every frame.
test::Bytes ManyShapesMovie() {
    test::Bytes tags;
    uint32_t state = 99;
    auto next = [&](uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range;
    };
    const int count = 2000, frames = 12;
    for (int i = 0; i < count; ++i) {
        test::FillRecipe fill =
            test::Solid(static_cast<uint8_t>(next(256)), static_cast<uint8_t>(next(256)),
                        static_cast<uint8_t>(next(256)), 200);
        if (i % 3 == 0) {
            fill.type = 0x10;
            fill.matrix.a = fill.matrix.d = 0.002;
            fill.stops = {{0, {255, 255, 255, 255}}, {255, fill.color}};
        }
        test::LineRecipe line;
        line.width = 40;
        test::ShapeWriter shape({fill}, {line});
        const int32_t size = static_cast<int32_t>(10 + next(40)) * kPx;
        shape.Select(-1, 1, i % 4 == 0 ? 1 : 0);
        if (i % 2 == 0)
            shape.Rectangle(0, 0, size, size);
        else
            shape.MoveTo(size, 0)
                .CurveTo(size, size, 0, size)
                .CurveTo(-size, size, -size, 0)
                .CurveTo(-size, -size, 0, -size)
                .CurveTo(size, -size, size, 0);
        Append(tags, test::DefineShapeTag(3, static_cast<uint16_t>(i + 1), shape));
    }
    std::vector<std::pair<int32_t, int32_t>> at(count);
    for (int f = 0; f < frames; ++f) {
        for (int i = 0; i < count; ++i) {
            test::PlaceRecipe p;
            p.depth = static_cast<uint16_t>(i + 1);
            p.hasMatrix = true;
            if (f == 0) {
                p.characterId = i + 1;
                at[i] = {static_cast<int32_t>(next(550)) * kPx,
                         static_cast<int32_t>(next(400)) * kPx};
            } else {
                p.move = true;
                at[i].first += 3 * kPx;
            }
            p.matrix = test::Translate(at[i].first, at[i].second);
            Append(tags, test::PlaceObject2Tag(p));
        }
        Append(tags, test::ShowFrameTag());
    }
    return test::MakeMovie(tags, static_cast<uint16_t>(frames));
}

// A 1920 x 1080 stage: ten objects, each with a drop shadow and a glow of
// medium quality, drifting every frame, under one full-screen overlay in
// blend mode overlay.
test::Bytes Flash8Movie() {
    test::Bytes tags;
    const int frames = 12;
    test::ShapeWriter disc({test::Solid(230, 120, 40)});
    const int32_t r = 80 * kPx;
    disc.Select(-1, 1, -1)
        .MoveTo(r, 0)
        .CurveTo(r, r, 0, r)
        .CurveTo(-r, r, -r, 0)
        .CurveTo(-r, -r, 0, -r)
        .CurveTo(r, -r, r, 0);
    Append(tags, test::DefineShapeTag(3, 1, disc));
    test::FillRecipe wash;
    wash.type = 0x10;
    wash.matrix.a = wash.matrix.d = 2.4;
    wash.matrix.tx = 960 * kPx;
    wash.matrix.ty = 540 * kPx;
    wash.stops = {{0, {40, 80, 200, 160}}, {255, {250, 220, 120, 160}}};
    Append(tags, test::RectangleShapeTag(3, 2, 0, 0, 1920 * kPx, 1080 * kPx, wash));
    test::ShadowRecipe shadow;
    shadow.color = {0, 0, 0, 180};
    shadow.blurX = shadow.blurY = 8;
    shadow.angle = 0.785398;
    shadow.distance = 6;
    shadow.passes = 2;
    test::ShadowRecipe glow;
    glow.color = {255, 255, 160, 255};
    glow.blurX = glow.blurY = 6;
    glow.passes = 2;
    for (int f = 0; f < frames; ++f) {
        for (int i = 0; i < 10; ++i) {
            test::PlaceRecipe p;
            p.depth = static_cast<uint16_t>(i + 1);
            p.hasMatrix = true;
            p.matrix = test::Translate((150 + 170 * i + 4 * f) * kPx, (300 + 50 * (i % 5)) * kPx);
            if (f == 0) {
                p.characterId = 1;
                p.filters = {test::GlowFilter(glow), test::DropShadowFilter(shadow)};
            } else {
                p.move = true;
            }
            Append(tags, test::PlaceObject3Tag(p));
        }
        if (f == 0) {
            test::PlaceRecipe over;
            over.depth = 20;
            over.characterId = 2;
            over.blendMode = 13;
            Append(tags, test::PlaceObject3Tag(over));
        }
        Append(tags, test::ShowFrameTag());
    }
    test::SwfRecipe layout = test::StageRecipe(false);
    layout.nbits = 17;
    layout.xmax = 1920 * kPx;
    layout.ymax = 1080 * kPx;
    layout.tags = tags;
    layout.frameCount = static_cast<uint16_t>(frames);
    return test::MakeSwf(layout);
}

// A text field over the whole stage holding 2,000 glyphs of the device sans
// face, wrapped into lines: a screen of text.
test::Bytes TextScreenMovie() {
    std::string text;
    size_t glyphs = 0;
    const std::string word = "Wallweaver";
    while (glyphs < 2000) {
        text += word + " ";
        glyphs += word.size();
    }
    test::EditTextRecipe field;
    field.xmin = 0;
    field.xmax = 11000;
    field.ymin = 0;
    field.ymax = 8000;
    field.fontClass = "_sans";
    field.fontHeight = 180;
    field.multiline = field.wordWrap = true;
    field.text = text;
    test::PlaceRecipe place;
    place.characterId = 1;
    test::Bytes tags = test::DefineEditTextTag(1, field);
    Append(tags, test::PlaceObject2Tag(place));
    Append(tags, test::ShowFrameTag());
    return test::MakeMovie(tags);
}

bool Load(const std::string& path, movie::Movie* m) {
    std::string error;
    if (!movie::LoadMovie(path, m, &error)) {
        std::fprintf(stderr, "cannot read %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

// Frames per second over at least half a second of playing and drawing; in
// the device's byte order as a window takes them.
double RenderFps(const movie::Movie& m, int width, int height, bool deviceOrder = false) {
    movie::Player player(m);
    movie::Renderer renderer(m);
    movie::RenderOptions options;
    options.width = width;
    options.height = height;
    options.deviceOrder = deviceOrder;
    movie::Canvas canvas;
    std::string error;
    renderer.Render(player, options, &canvas, &error); // warm up
    int frames = 0;
    const double start = CpuSeconds();
    double seconds = 0;
    while (seconds < 0.5 || frames < 5) {
        player.Advance();
        renderer.Render(player, options, &canvas, &error);
        ++frames;
        seconds = CpuSeconds() - start;
    }
    return frames / seconds;
}

// What a window's paint does with a drawn rectangle: its rows copied from
// the canvas into the screen's buffer.
void PresentRect(const movie::Canvas& canvas, const movie::PixelRect& r,
                 std::vector<uint8_t>* screen) {
    const int x0 = std::max(r.x0, 0), x1 = std::min(r.x1, canvas.width);
    const int y0 = std::max(r.y0, 0), y1 = std::min(r.y1, canvas.height);
    if (x0 >= x1)
        return;
    for (int y = y0; y < y1; ++y) {
        const size_t at = (static_cast<size_t>(y) * canvas.width + x0) * 4;
        std::memcpy(screen->data() + at, canvas.pixels.data() + at,
                    static_cast<size_t>(x1 - x0) * 4);
    }
}

// Frames a CPU second as the movie window plays: drawn in the window's byte
// order and handed to the screen, either whole or only the regions that
// changed since the last frame (nothing at all when none did).
double WindowFps(const movie::Movie& m, int width, int height, bool damageOnly) {
    movie::Player player(m);
    movie::Renderer renderer(m);
    movie::DamageTracker damage(m);
    movie::RenderOptions options;
    options.width = width;
    options.height = height;
    options.deviceOrder = true;
    movie::Canvas canvas;
    std::string error;
    renderer.Render(player, options, &canvas, &error);
    damage.Update(player, options);
    std::vector<uint8_t> screen(canvas.pixels.size());
    const movie::PixelRect all{0, 0, width, height};
    int frames = 0;
    const double start = CpuSeconds();
    double seconds = 0;
    while (seconds < 0.5 || frames < 24) {
        player.Advance();
        if (damageOnly) {
            const std::vector<movie::PixelRect> changed = damage.Update(player, options);
            if (!changed.empty())
                renderer.RenderRegions(player, options, changed, &canvas, &error);
            for (const movie::PixelRect& r : changed)
                PresentRect(canvas, r, &screen);
        } else {
            renderer.Render(player, options, &canvas, &error);
            PresentRect(canvas, all, &screen);
        }
        ++frames;
        seconds = CpuSeconds() - start;
    }
    return frames / seconds;
}

// The floor: the same canvas filled with one colour, as often as possible.
double FillFps(int width, int height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    int fills = 0;
    const double start = CpuSeconds();
    double seconds = 0;
    while (seconds < 0.3 || fills < 5) {
        const uint8_t v = static_cast<uint8_t>(fills);
        std::fill(pixels.begin(), pixels.end(), v);
        ++fills;
        seconds = CpuSeconds() - start;
    }
    volatile uint8_t sink = pixels[pixels.size() / 2];
    (void)sink;
    return fills / seconds;
}

#ifdef WW_HAVE_CAIRO
// The frame as the renderer hands it to the rasteriser: outlines already
// flattened and stroked, with their fills.
class FrameRecorder : public movie::FillObserver {
  public:
    struct Fill {
        std::vector<movie::EdgeLine> lines;
        std::vector<movie::FillStyle> fills;
        std::vector<bool> drawn;
        movie::Matrix matrix;
        movie::ColorTransform cx;
        bool nonZero = false;
    };
    void OnFill(const movie::FillRecord& r) override {
        Fill f;
        f.lines = r.lines;
        for (const movie::FillStyle* s : r.fills) {
            movie::FillStyle copy = s ? *s : movie::FillStyle{};
            if (r.hasSolid) {
                copy = movie::FillStyle{};
                copy.color = r.solid;
            }
            f.fills.push_back(copy);
            f.drawn.push_back(s != nullptr || r.hasSolid);
        }
        f.matrix = r.matrix;
        f.cx = r.hasSolid ? movie::ColorTransform{} : r.cx;
        f.nonZero = r.nonZero;
        fills.push_back(std::move(f));
    }
    std::vector<Fill> fills;
};

void SetSource(cairo_t* cr, const movie::FillStyle& style, const movie::Matrix& m,
               const movie::ColorTransform& cx) {
    auto rgba = [&](movie::Rgba c) {
        c = movie::Apply(cx, c);
        return std::array<double, 4>{c.r / 255.0, c.g / 255.0, c.b / 255.0, c.a / 255.0};
    };
    if (style.kind == movie::FillKind::Solid || style.kind == movie::FillKind::Bitmap) {
        const auto c = rgba(style.color);
        cairo_set_source_rgba(cr, c[0], c[1], c[2], c[3]);
        return;
    }
    cairo_pattern_t* p = nullptr;
    if (style.kind == movie::FillKind::Linear)
        p = cairo_pattern_create_linear(-16384, 0, 16384, 0);
    else
        p = cairo_pattern_create_radial(
            style.kind == movie::FillKind::Focal ? style.focal * 16384 : 0, 0, 0, 0, 0, 16384);
    for (const movie::GradientStop& s : style.stops) {
        const auto c = rgba(s.color);
        cairo_pattern_add_color_stop_rgba(p, s.ratio / 255.0, c[0], c[1], c[2], c[3]);
    }
    cairo_pattern_set_extend(p, style.spread == movie::Spread::Pad      ? CAIRO_EXTEND_PAD
                                : style.spread == movie::Spread::Repeat ? CAIRO_EXTEND_REPEAT
                                                                        : CAIRO_EXTEND_REFLECT);
    const movie::Matrix g = movie::Multiply(m, style.matrix);
    cairo_matrix_t cm;
    cairo_matrix_init(&cm, g.a, g.b, g.c, g.d, g.tx, g.ty);
    if (cairo_matrix_invert(&cm) == CAIRO_STATUS_SUCCESS)
        cairo_pattern_set_matrix(p, &cm);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
}

// The recorded frame drawn by cairo: each fill's outline (its edges, turned
// where the fill lies on their other side) filled by the shape's rule.
void CairoDraw(const FrameRecorder& frame, movie::Rgba bg, cairo_surface_t* surface) {
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, bg.r / 255.0, bg.g / 255.0, bg.b / 255.0);
    cairo_paint(cr);
    for (const FrameRecorder::Fill& f : frame.fills) {
        cairo_set_fill_rule(cr, f.nonZero ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
        for (uint32_t k = 1; k <= f.fills.size(); ++k) {
            if (!f.drawn[k - 1])
                continue;
            bool any = false;
            for (const movie::EdgeLine& l : f.lines) {
                if (l.fill1 == k) {
                    cairo_move_to(cr, l.x0, l.y0);
                    cairo_line_to(cr, l.x1, l.y1);
                } else if (l.fill0 == k) {
                    cairo_move_to(cr, l.x1, l.y1);
                    cairo_line_to(cr, l.x0, l.y0);
                } else {
                    continue;
                }
                any = true;
            }
            if (!any)
                continue;
            SetSource(cr, f.fills[k - 1], f.matrix, f.cx);
            cairo_fill(cr);
        }
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
}
// The recorded fill's colour when every fill is taken as solid: a
// gradient as its first stop, a bitmap as its fill colour.
movie::Rgba SolidOf(const FrameRecorder::Fill& f, uint32_t k) {
    const movie::FillStyle& s = f.fills[k - 1];
    const movie::Rgba c =
        s.kind == movie::FillKind::Solid || s.stops.empty() ? s.color : s.stops.front().color;
    return movie::Apply(f.cx, c);
}

class FlatPaint : public movie::Paint {
  public:
    void Set(movie::Rgba c) {
        auto pre = [&](uint8_t v) { return static_cast<uint32_t>((v * c.a + 127) / 255); };
        color_ = movie::PackPixel(pre(c.r), pre(c.g), pre(c.b), c.a);
    }
    bool Uniform(uint32_t* color) override {
        *color = color_;
        return true;
    }
    void Colors(int, int x0, int x1, uint32_t* out) override {
        std::fill(out, out + (x1 - x0), color_);
    }

  private:
    uint32_t color_ = 0;
};

// Only the rasterisers: the recorded lines, in solid colours, by our
// rasteriser (fills of a shape together) and by cairo (each fill on its own).
void OursSolid(const FrameRecorder& frame, movie::Rgba bg, movie::Rasterizer& r,
               movie::Canvas& canvas, std::vector<FlatPaint>& flats) {
    movie::BlendSpan(canvas.pixels.data(), canvas.width * canvas.height, nullptr,
                     movie::PackPixel(bg.r, bg.g, bg.b, 255), nullptr, movie::kFullCover);
    movie::Surface s;
    s.width = canvas.width;
    s.height = canvas.height;
    s.pixels = canvas.pixels.data();
    std::vector<movie::Paint*> paints;
    for (const FrameRecorder::Fill& f : frame.fills) {
        if (flats.size() < f.fills.size())
            flats.resize(f.fills.size());
        paints.clear();
        for (uint32_t k = 1; k <= f.fills.size(); ++k) {
            flats[k - 1].Set(SolidOf(f, k));
            paints.push_back(f.drawn[k - 1] ? &flats[k - 1] : nullptr);
        }
        for (const movie::EdgeLine& l : f.lines)
            r.AddEdge(l.x0, l.y0, l.x1, l.y1, l.fill0, l.fill1);
        r.Fill(f.nonZero, paints.data(), static_cast<uint32_t>(paints.size()), s);
    }
}

void CairoSolid(const FrameRecorder& frame, movie::Rgba bg, cairo_surface_t* surface) {
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, bg.r / 255.0, bg.g / 255.0, bg.b / 255.0);
    cairo_paint(cr);
    for (const FrameRecorder::Fill& f : frame.fills) {
        cairo_set_fill_rule(cr, f.nonZero ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
        for (uint32_t k = 1; k <= f.fills.size(); ++k) {
            if (!f.drawn[k - 1])
                continue;
            for (const movie::EdgeLine& l : f.lines) {
                if (l.fill1 == k) {
                    cairo_move_to(cr, l.x0, l.y0);
                    cairo_line_to(cr, l.x1, l.y1);
                } else if (l.fill0 == k) {
                    cairo_move_to(cr, l.x1, l.y1);
                    cairo_line_to(cr, l.x0, l.y0);
                }
            }
            const movie::Rgba c = SolidOf(f, k);
            cairo_set_source_rgba(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0, c.a / 255.0);
            cairo_fill(cr);
        }
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
}
#endif

// Ours against cairo on one frame: ours draws it from the display list
// (flattening and stroking included), cairo fills the same outlines ours
// filled. Both repeat the same frame, so only drawing is timed.
void CompareWithCairo(const movie::Movie& m, const char* name, int width, int height) {
#ifdef WW_HAVE_CAIRO
    movie::Player player(m);
    for (int f = 0; f < 5; ++f)
        player.Advance();
    movie::Renderer renderer(m);
    movie::RenderOptions options;
    options.width = width;
    options.height = height;
    movie::Canvas canvas;
    std::string error;
    FrameRecorder frame;
    renderer.Observe(&frame);
    renderer.Render(player, options, &canvas, &error);
    renderer.Observe(nullptr);
    auto timeOf = [](auto draw) {
        draw(); // warm up
        int frames = 0;
        const double start = CpuSeconds();
        double seconds = 0;
        while (seconds < 0.5 || frames < 5) {
            draw();
            ++frames;
            seconds = CpuSeconds() - start;
        }
        return seconds / frames;
    };
    const double ours = timeOf([&] { renderer.Render(player, options, &canvas, &error); });
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    const double theirs = timeOf([&] { CairoDraw(frame, m.background, surface); });
    movie::Rasterizer raster;
    raster.SetSize(width, height);
    std::vector<FlatPaint> flats;
    const double oursSolid = timeOf([&] { OursSolid(frame, m.background, raster, canvas, flats); });
    const double theirsSolid = timeOf([&] { CairoSolid(frame, m.background, surface); });
    cairo_surface_destroy(surface);
    size_t lines = 0;
    for (const auto& f : frame.fills)
        lines += f.lines.size();
    std::printf("%s at %d x %d against cairo (%zu fills, %zu lines): ours %.2f ms, cairo %.2f ms; "
                "ratio ours/cairo %.2f (target <= 0.5: %s)\n",
                name, width, height, frame.fills.size(), lines, ours * 1000, theirs * 1000,
                ours / theirs, ours / theirs <= 0.5 ? "ok" : "ABOVE");
    std::printf("  the same lines in solid colours, rasterisers only: ours %.2f ms, cairo %.2f ms; "
                "ratio %.2f\n",
                oursSolid * 1000, theirsSolid * 1000, oursSolid / theirsSolid);
#else
    (void)m;
    std::printf("%s at %d x %d against cairo: skipped, cairo was not found when this was built "
                "(apt-get install libcairo2-dev)\n",
                name, width, height);
#endif
}

long ChildPeak(const std::string& self, const std::string& movie, int w, int h) {
    const std::string command =
        "\"" + self + "\" --peak \"" + movie + "\" " + std::to_string(w) + " " + std::to_string(h);
    FILE* pipe = popen(command.c_str(), "r");
    long kib = -1;
    if (pipe) {
        if (std::fscanf(pipe, "%ld", &kib) != 1)
            kib = -1;
        pclose(pipe);
    }
    return kib;
}

int Peak(const std::string& path, int w, int h) {
    movie::Canvas canvas;
    if (path == "-") {
        canvas.pixels.assign(static_cast<size_t>(w) * h * 4, 1);
        std::printf("%ld\n", PeakKib());
        return 0;
    }
    movie::Movie m;
    if (!Load(path, &m))
        return 1;
    movie::Player player(m);
    movie::Renderer renderer(m);
    movie::RenderOptions options;
    options.width = w;
    options.height = h;
    std::string error;
    for (int f = 0; f < 24; ++f) {
        renderer.Render(player, options, &canvas, &error);
        player.Advance();
    }
    std::printf("%ld\n", PeakKib());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--peak")
        return Peak(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_movie WORKDIR\n");
        return 2;
    }
    const std::string work = argv[1];
    const std::string sample = work + "/wave.swf";
    const std::string many = work + "/many_shapes.swf";
    const std::string flash8 = work + "/flash8.swf";
    const std::string writer =
        "\"" + FolderOfPath(argv[0]) + "make_sample_movie\" \"" + sample + "\"";
    if (std::system(writer.c_str()) != 0) {
        std::fprintf(stderr, "cannot write the sample movie\n");
        return 1;
    }
    test::WriteFileBytes(many, ManyShapesMovie());
    test::WriteFileBytes(flash8, Flash8Movie());
    {
        // Filters and blend modes: every object drawn into a layer, shadowed,
        // glowing, and the whole frame blended over.
        movie::Movie m;
        if (!Load(flash8, &m))
            return 1;
        const double fps = RenderFps(m, 1920, 1080);
        const double fill = FillFps(1920, 1080);
        std::printf("Flash 8 movie (10 shadowed, glowing objects, a full-screen overlay) at 1920 x "
                    "1080: %.1f frames/s (%.2f ms a frame); bare canvas fill %.0f/s; ratio %.4f of "
                    "the fill's rate (target >= %.0f frames/s: %s)\n",
                    fps, 1000 / fps, fill, fps / fill, kFlash8TargetFps,
                    fps >= kFlash8TargetFps ? "ok" : "BELOW");
    }
    const std::string text = work + "/text_screen.swf";
    test::WriteFileBytes(text, TextScreenMovie());
    struct Movie {
        const char* name;
        std::string path;
    } movies[] = {{"sample movie", sample},
                  {"2,000 shapes", many},
                  {"a screen of text (2,000 glyphs, device font)", text}};
    struct Size {
        int w, h;
    } sizes[] = {{550, 400}, {1920, 1080}};
    for (const Movie& mv : movies) {
        movie::Movie m;
        if (!Load(mv.path, &m))
            return 1;
        for (const Size& s : sizes) {
            const double fps = RenderFps(m, s.w, s.h);
            const double fill = FillFps(s.w, s.h);
            const bool sampleAtTarget = std::string(mv.name) == "sample movie" && s.w == 1920;
            std::printf("%s at %d x %d: %.1f frames/s (%.2f ms a frame); bare canvas fill %.0f/s; "
                        "ratio %.4f of the fill's rate (a frame costs %.0f fills)%s\n",
                        mv.name, s.w, s.h, fps, 1000 / fps, fill, fps / fill, fill / fps,
                        sampleAtTarget ? (fps >= kTargetFps ? " (target >= 200 frames/s: ok)"
                                                            : " (target >= 200 frames/s: BELOW)")
                                       : "");
        }
    }
    for (const Movie& mv : movies) {
        movie::Movie m;
        if (!Load(mv.path, &m))
            return 1;
        for (const Size& s : sizes)
            CompareWithCairo(m, mv.name, s.w, s.h);
    }
    {
        // Behind the icons the sample plays at its own rate, full screen, drawn
        // and shown as the window does it (only what changed, in its byte
        // order): the share of one core that costs, against whole frames drawn
        // and shown in the same run, and bare fills at that rate as the floor.
        movie::Movie m;
        if (!Load(sample, &m))
            return 1;
        const double rate = m.frameRate > 0 ? m.frameRate : 12;
        const double whole = 100 * rate / WindowFps(m, 1920, 1080, false);
        const double percent = 100 * rate / WindowFps(m, 1920, 1080, true);
        const double fill = 100 * rate / FillFps(1920, 1080);
        std::printf("live wallpaper, sample movie at 1920 x 1080 and %.0f frames/s, drawn and "
                    "shown: %.2f %% of one core drawing what changed, %.1f %% drawing whole frames "
                    "(ratio %.2f); bare fills at that rate %.2f %% (target <= 2 %%: %s)\n",
                    rate, percent, whole, percent / whole, fill, percent <= 2 ? "ok" : "ABOVE");
    }
    for (const Movie& mv : movies) {
        const long canvasOnly = ChildPeak(argv[0], "-", 1920, 1080);
        const long peak = ChildPeak(argv[0], mv.path, 1920, 1080);
        std::printf("peak memory, %s at 1920 x 1080: %ld KiB; a process holding only the canvas "
                    "%ld KiB; ratio %.2f (cap per movie 256 MiB)\n",
                    mv.name, peak, canvasOnly, canvasOnly > 0 ? double(peak) / canvasOnly : 0.0);
    }
    return 0;
}
