// The drawing API of MovieClip (lineStyle, beginFill, beginGradientFill,
// moveTo, lineTo, curveTo, endFill, clear). Calls build a Shape on the
// sprite, which the renderer draws beneath the sprite's children like any
// shape of the movie: each style call opens a style layer of its own, so
// every fill is wound on its own and lines come in the order they were set.
#include "movie/avm1/drawing.h"

#include "movie/avm1/builtins_util.h"
#include "movie/avm1/convert.h"
#include "movie/avm1/host.h"
#include "movie/player.h"

#include <algorithm>
#include <cmath>

namespace ww::movie::avm1 {

namespace {

constexpr double kTwips = 20;
// Past this many segments a drawing takes no more: a script drawing in a
// loop stops growing rather than eat the memory cap in one frame.
constexpr size_t kMaxDrawnEdges = 1u << 18;
constexpr size_t kMaxDrawnStyles = 1u << 14;
// Flash's gradient square: -16384 to 16384 twips either way.
constexpr double kGradientSquare = 32768;

// What a drawing takes is charged to its clip's object, so the heap gives it
// back when the clip goes, and clear() gives it back at once.
bool ChargeDrawing(Vm& vm, Object* owner, ScriptDrawing& d, uint64_t bytes) {
    if (!vm.Charge(bytes))
        return false;
    owner->charged += bytes;
    d.charged += bytes;
    return true;
}

ScriptDrawing* DrawingOf(Value self, bool make) {
    if (self.type != Type::Object || self.o->kind != ObjectKind::Clip || !self.o->clip)
        return nullptr;
    SpriteState& s = *self.o->clip;
    if (!s.drawing && make)
        s.drawing = std::make_unique<ScriptDrawing>();
    return s.drawing.get();
}

int32_t ToTwips(Vm& vm, const Value& v) {
    const double n = vm.ToNumber(v) * kTwips;
    if (!std::isfinite(n))
        return 0;
    return static_cast<int32_t>(std::clamp(n, -1e9, 1e9));
}

Rgba ColorOf(Vm& vm, const Value& rgb, const Value& alpha) {
    const uint32_t c = ToUint32(vm.ToNumber(rgb));
    double a = alpha.IsUndefined() ? 100 : vm.ToNumber(alpha);
    if (std::isnan(a))
        a = 0;
    Rgba out;
    out.r = static_cast<uint8_t>(c >> 16);
    out.g = static_cast<uint8_t>(c >> 8);
    out.b = static_cast<uint8_t>(c);
    out.a = static_cast<uint8_t>(std::lround(std::clamp(a, 0.0, 100.0) * 2.55));
    return out;
}

void Grow(ScriptDrawing& d, int32_t x, int32_t y, int32_t pad) {
    Rect& b = d.shape.bounds;
    if (!d.hasBounds) {
        b.xmin = x - pad;
        b.xmax = x + pad;
        b.ymin = y - pad;
        b.ymax = y + pad;
        d.hasBounds = true;
        return;
    }
    b.xmin = std::min(b.xmin, x - pad);
    b.xmax = std::max(b.xmax, x + pad);
    b.ymin = std::min(b.ymin, y - pad);
    b.ymax = std::max(b.ymax, y + pad);
}

bool AddSegment(Vm& vm, Object* owner, ScriptDrawing& d, bool curve, int32_t cx, int32_t cy,
                int32_t x, int32_t y, bool stroked) {
    if (d.shape.edges.size() >= kMaxDrawnEdges || !ChargeDrawing(vm, owner, d, sizeof(Edge)))
        return false;
    Edge e{d.penX, d.penY, cx, cy, x, y, 0, d.fill, stroked ? d.line : 0, curve};
    d.shape.edges.push_back(e);
    const int32_t pad = e.line ? d.shape.lines[e.line - 1].width / 2 : 0;
    Grow(d, d.penX, d.penY, pad);
    Grow(d, x, y, pad);
    if (curve) {
        // A curve's extent is its turning point on each axis, not its control.
        auto turn = [](double a, double c, double b) {
            const double den = a - 2 * c + b;
            const double t = den != 0 ? (a - c) / den : -1;
            return t > 0 && t < 1 ? (1 - t) * (1 - t) * a + 2 * t * (1 - t) * c + t * t * b : a;
        };
        Grow(d, static_cast<int32_t>(std::lround(turn(d.penX, cx, x))),
             static_cast<int32_t>(std::lround(turn(d.penY, cy, y))), pad);
    }
    d.penX = x;
    d.penY = y;
    return true;
}

// A fill's outline is closed with an unstroked edge before it ends or moves.
void CloseOutline(Vm& vm, Object* owner, ScriptDrawing& d) {
    if (d.fill && (d.penX != d.startX || d.penY != d.startY))
        AddSegment(vm, owner, d, false, 0, 0, d.startX, d.startY, false);
}

void OpenLayer(ScriptDrawing& d, bool fill, bool line) {
    const uint32_t fills = static_cast<uint32_t>(d.shape.fills.size());
    const uint32_t lines = static_cast<uint32_t>(d.shape.lines.size());
    d.shape.layers.push_back(StyleLayer{fill ? fills - 1 : fills, fill ? 1u : 0u,
                                        line ? lines - 1 : lines, line ? 1u : 0u});
}

bool RoomForStyle(Vm& vm, Object* owner, ScriptDrawing& d) {
    return d.shape.layers.size() < kMaxDrawnStyles &&
           ChargeDrawing(vm, owner, d, sizeof(FillStyle) + sizeof(StyleLayer));
}

Value LineStyle_(Vm& vm, Value self, const Args& args) {
    ScriptDrawing* d = DrawingOf(self, true);
    if (!d)
        return Value::Undefined();
    if (args.size() == 0 || args[0].IsUndefined()) {
        d->line = 0;
        return Value::Undefined();
    }
    if (!RoomForStyle(vm, self.o, *d))
        return Value::Undefined();
    double width = vm.ToNumber(args[0]);
    if (std::isnan(width))
        width = 0;
    LineStyle line;
    line.width = static_cast<uint16_t>(std::lround(std::clamp(width, 0.0, 255.0) * kTwips));
    line.fill.color = ColorOf(vm, args[1], args[2]);
    const std::string scale = args.size() > 4 ? vm.ToString(args[4]) : "";
    line.noHScale = scale == "none" || scale == "horizontal";
    line.noVScale = scale == "none" || scale == "vertical";
    const std::string caps = args.size() > 5 ? vm.ToString(args[5]) : "";
    line.startCap = line.endCap = caps == "none"     ? Cap::None
                                  : caps == "square" ? Cap::Square
                                                     : Cap::Round;
    const std::string joint = args.size() > 6 ? vm.ToString(args[6]) : "";
    line.join = joint == "miter" ? Join::Miter : joint == "bevel" ? Join::Bevel : Join::Round;
    if (args.size() > 7)
        line.miterLimit = static_cast<float>(std::clamp(vm.ToNumber(args[7]), 1.0, 255.0));
    d->shape.lines.push_back(line);
    OpenLayer(*d, false, true);
    d->line = static_cast<uint32_t>(d->shape.lines.size());
    return Value::Undefined();
}

// Starts a fill at the pen; an open one is closed first.
void BeginFillWith(Vm& vm, Object* owner, ScriptDrawing& d, const FillStyle* fill) {
    CloseOutline(vm, owner, d);
    d.fill = 0;
    d.startX = d.penX;
    d.startY = d.penY;
    if (!fill || !RoomForStyle(vm, owner, d))
        return;
    d.shape.fills.push_back(*fill);
    OpenLayer(d, true, false);
    d.fill = static_cast<uint32_t>(d.shape.fills.size());
}

Value BeginFill(Vm& vm, Value self, const Args& args) {
    ScriptDrawing* d = DrawingOf(self, true);
    if (!d)
        return Value::Undefined();
    if (args.size() == 0 || args[0].IsUndefined()) {
        BeginFillWith(vm, self.o, *d, nullptr);
        return Value::Undefined();
    }
    FillStyle fill;
    fill.color = ColorOf(vm, args[0], args[1]);
    BeginFillWith(vm, self.o, *d, &fill);
    return Value::Undefined();
}

// The gradient square to the clip's twips, from either form of the matrix
// argument: {matrixType: "box", x, y, w, h, r} or {a, b, d, e, g, h}.
Matrix GradientMatrix(Vm& vm, Object* m) {
    auto num = [&](const char* name) {
        const double v = vm.ToNumber(vm.GetOf(m, name));
        return std::isfinite(v) ? v : 0.0;
    };
    Matrix out;
    if (vm.ToString(vm.GetOf(m, "matrixType")) == "box") {
        const double w = num("w") * kTwips, h = num("h") * kTwips, r = num("r");
        out.a = std::cos(r) * w / kGradientSquare;
        out.b = std::sin(r) * w / kGradientSquare;
        out.c = -std::sin(r) * h / kGradientSquare;
        out.d = std::cos(r) * h / kGradientSquare;
        out.tx = num("x") * kTwips + w / 2;
        out.ty = num("y") * kTwips + h / 2;
        return out;
    }
    // The same square scaled by a b / d e pixels and centred on g h.
    out.a = num("a") * kTwips / kGradientSquare;
    out.b = num("b") * kTwips / kGradientSquare;
    out.c = num("d") * kTwips / kGradientSquare;
    out.d = num("e") * kTwips / kGradientSquare;
    out.tx = num("g") * kTwips;
    out.ty = num("h") * kTwips;
    return out;
}

Value BeginGradientFill(Vm& vm, Value self, const Args& args) {
    ScriptDrawing* d = DrawingOf(self, true);
    if (!d)
        return Value::Undefined();
    const std::string type = vm.ToString(args[0]);
    Object* colors = args[1].IsObject() ? args[1].o : nullptr;
    Object* alphas = args[2].IsObject() ? args[2].o : nullptr;
    Object* ratios = args[3].IsObject() ? args[3].o : nullptr;
    Object* matrix = args[4].IsObject() ? args[4].o : nullptr;
    if ((type != "linear" && type != "radial") || !colors || !alphas || !ratios || !matrix) {
        BeginFillWith(vm, self.o, *d, nullptr);
        return Value::Undefined();
    }
    FillStyle fill;
    fill.kind = type == "linear" ? FillKind::Linear : FillKind::Radial;
    const size_t count = std::min(
        {colors->elements.size(), alphas->elements.size(), ratios->elements.size(), size_t{15}});
    for (size_t i = 0; i < count; ++i) {
        GradientStop stop;
        stop.color = ColorOf(vm, colors->elements[i], alphas->elements[i]);
        const double ratio = vm.ToNumber(ratios->elements[i]);
        stop.ratio = static_cast<uint8_t>(std::isnan(ratio) ? 0 : std::clamp(ratio, 0.0, 255.0));
        fill.stops.push_back(stop);
    }
    if (fill.stops.empty()) {
        BeginFillWith(vm, self.o, *d, nullptr);
        return Value::Undefined();
    }
    const std::string spread = args.size() > 5 ? vm.ToString(args[5]) : "";
    fill.spread = spread == "reflect"  ? Spread::Reflect
                  : spread == "repeat" ? Spread::Repeat
                                       : Spread::Pad;
    fill.linearRgb = args.size() > 6 && vm.ToString(args[6]) == "linearRGB";
    if (args.size() > 7 && fill.kind == FillKind::Radial) {
        const double focal = vm.ToNumber(args[7]);
        if (std::isfinite(focal) && focal != 0) {
            fill.kind = FillKind::Focal;
            fill.focal = static_cast<float>(std::clamp(focal, -1.0, 1.0));
        }
    }
    fill.matrix = GradientMatrix(vm, matrix);
    BeginFillWith(vm, self.o, *d, &fill);
    return Value::Undefined();
}

Value MoveTo(Vm& vm, Value self, const Args& args) {
    ScriptDrawing* d = DrawingOf(self, true);
    if (!d || args.size() < 2)
        return Value::Undefined();
    CloseOutline(vm, self.o, *d);
    d->penX = d->startX = ToTwips(vm, args[0]);
    d->penY = d->startY = ToTwips(vm, args[1]);
    return Value::Undefined();
}

Value LineTo(Vm& vm, Value self, const Args& args) {
    ScriptDrawing* d = DrawingOf(self, true);
    if (!d || args.size() < 2)
        return Value::Undefined();
    AddSegment(vm, self.o, *d, false, 0, 0, ToTwips(vm, args[0]), ToTwips(vm, args[1]), true);
    return Value::Undefined();
}

Value CurveTo(Vm& vm, Value self, const Args& args) {
    ScriptDrawing* d = DrawingOf(self, true);
    if (!d || args.size() < 4)
        return Value::Undefined();
    AddSegment(vm, self.o, *d, true, ToTwips(vm, args[0]), ToTwips(vm, args[1]),
               ToTwips(vm, args[2]), ToTwips(vm, args[3]), true);
    return Value::Undefined();
}

Value EndFill(Vm& vm, Value self, const Args&) {
    ScriptDrawing* d = DrawingOf(self, false);
    if (!d)
        return Value::Undefined();
    CloseOutline(vm, self.o, *d);
    d->fill = 0;
    return Value::Undefined();
}

Value Clear(Vm& vm, Value self, const Args&) {
    ScriptDrawing* d = DrawingOf(self, false);
    if (!d)
        return Value::Undefined();
    vm.heap().Release(d->charged);
    self.o->charged -= std::min(self.o->charged, d->charged);
    *d = ScriptDrawing{};
    return Value::Undefined();
}

} // namespace

void InstallDrawing(Vm& vm, Object* clipProto) {
    const struct {
        const char* name;
        NativeFn fn;
    } kMethods[] = {{"lineStyle", LineStyle_},
                    {"beginFill", BeginFill},
                    {"beginGradientFill", BeginGradientFill},
                    {"moveTo", MoveTo},
                    {"lineTo", LineTo},
                    {"curveTo", CurveTo},
                    {"endFill", EndFill},
                    {"clear", Clear}};
    for (const auto& m : kMethods)
        Method(vm, clipProto, m.name, m.fn);
}

std::unique_ptr<ScriptDrawing> CopyDrawing(const SpriteState& from) {
    return from.drawing ? std::make_unique<ScriptDrawing>(*from.drawing) : nullptr;
}

void AdoptDrawing(Vm& vm, SpriteState& to, std::unique_ptr<ScriptDrawing> drawing) {
    if (!drawing)
        return;
    const Shape& shape = drawing->shape;
    const uint64_t bytes = shape.edges.size() * sizeof(Edge) +
                           shape.layers.size() * (sizeof(FillStyle) + sizeof(StyleLayer));
    drawing->charged = 0;
    Object* owner = ScriptHost::Of(vm).ObjectOf(to);
    if (!owner || !ChargeDrawing(vm, owner, *drawing, bytes))
        return;
    to.drawing = std::move(drawing);
}

} // namespace ww::movie::avm1
