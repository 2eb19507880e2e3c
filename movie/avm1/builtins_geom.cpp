// flash.geom: Point, Rectangle, Matrix, ColorTransform and Transform.
//
// Flash 8 wrote these classes in ActionScript, so their fields are plain
// properties a script may set to anything, and the methods read them back
// by name with the language's own arithmetic. Ours do the same: nothing is
// cached in C++, and a method given an object of another class works on
// its fields as Flash's does.
#include "movie/avm1/builtins_util.h"
#include "movie/avm1/clip.h"
#include "movie/avm1/convert.h"
#include "movie/avm1/geom.h"
#include "movie/avm1/host.h"

#include <cmath>

namespace ww::movie::avm1 {

namespace {

constexpr double kTwips = 20;

double Field(Vm& vm, const Value& o, const char* name) {
    return vm.ToNumber(vm.Get(o, name));
}

void SetNum(Vm& vm, const Value& o, const char* name, double n) {
    if (o.type == Type::Object)
        vm.Set(o.o, name, Value::Num(n));
}

// The + operator: strings join, anything else adds as numbers.
Value Plus(Vm& vm, const Value& av, const Value& bv) {
    const Value a = vm.ToPrimitive(av), b = vm.ToPrimitive(bv);
    if (a.type == Type::String || b.type == Type::String)
        return Value::Str(vm.ToString(a) + vm.ToString(b));
    return Value::Num(vm.ToNumber(a) + vm.ToNumber(b));
}

bool IsInstance(Vm& vm, const Value& v, const char* cls) {
    if (v.type != Type::Object)
        return false;
    const Value ctor = vm.GetOf(FlashPackage(vm, "geom"), cls);
    return ctor.type == Type::Object && vm.InstanceOf(v.o, ctor.o);
}

std::string Describe(Vm& vm, const Value& self, std::initializer_list<const char*> shown,
                     std::initializer_list<const char*> names) {
    std::string out = "(";
    auto label = shown.begin();
    for (const char* name : names) {
        if (out.size() > 1)
            out += ", ";
        out += *label++;
        out += '=';
        out += vm.ToString(vm.Get(self, name));
    }
    return out + ")";
}

// Point ----------------------------------------------------------------------

Value PointInit(Vm& vm, Value self, const Args& args) {
    if (self.type != Type::Object)
        return Value::Undefined();
    const bool none = args.size() == 0;
    vm.Set(self.o, "x", none ? Value::Num(0) : args[0]);
    vm.Set(self.o, "y", none ? Value::Num(0) : args[1]);
    return Value::Undefined();
}

Value PointToString(Vm& vm, Value self, const Args&) {
    return Value::Str(Describe(vm, self, {"x", "y"}, {"x", "y"}));
}

Value NewPoint(Vm& vm, const Value& x, const Value& y) {
    const Value ctor = vm.GetOf(FlashPackage(vm, "geom"), "Point");
    const Value xy[2] = {x, y};
    return vm.Construct(ctor, Args{xy, 2});
}

Value PointAdd(Vm& vm, Value self, const Args& args) {
    return NewPoint(vm, Plus(vm, vm.Get(self, "x"), vm.Get(args[0], "x")),
                    Plus(vm, vm.Get(self, "y"), vm.Get(args[0], "y")));
}

Value PointSubtract(Vm& vm, Value self, const Args& args) {
    return NewPoint(vm, Value::Num(Field(vm, self, "x") - Field(vm, args[0], "x")),
                    Value::Num(Field(vm, self, "y") - Field(vm, args[0], "y")));
}

Value PointEquals(Vm& vm, Value self, const Args& args) {
    if (!IsInstance(vm, args[0], "Point"))
        return Value::Bool(false);
    return Value::Bool(vm.LooseEquals(vm.Get(self, "x"), vm.Get(args[0], "x")) &&
                       vm.LooseEquals(vm.Get(self, "y"), vm.Get(args[0], "y")));
}

Value PointClone(Vm& vm, Value self, const Args&) {
    return NewPoint(vm, vm.Get(self, "x"), vm.Get(self, "y"));
}

Value PointLength(Vm& vm, Value self, const Args&) {
    return Value::Num(std::hypot(Field(vm, self, "x"), Field(vm, self, "y")));
}

Value PointNormalize(Vm& vm, Value self, const Args& args) {
    const double length = std::hypot(Field(vm, self, "x"), Field(vm, self, "y"));
    if (length > 0) {
        const double f = vm.ToNumber(args[0]) / length;
        SetNum(vm, self, "x", Field(vm, self, "x") * f);
        SetNum(vm, self, "y", Field(vm, self, "y") * f);
    }
    return Value::Undefined();
}

Value PointOffset(Vm& vm, Value self, const Args& args) {
    if (self.type != Type::Object)
        return Value::Undefined();
    vm.Set(self.o, "x", Plus(vm, vm.Get(self, "x"), args[0]));
    vm.Set(self.o, "y", Plus(vm, vm.Get(self, "y"), args[1]));
    return Value::Undefined();
}

// Point.distance asks the first point to subtract, as Flash's does: an
// object that is no Point answers undefined.
Value PointDistance(Vm& vm, Value, const Args& args) {
    const Value difference = vm.CallMethod(args[0], "subtract", Args{&args[1], 1});
    if (difference.type != Type::Object)
        return Value::Undefined();
    return vm.Get(difference, "length");
}

Value PointInterpolate(Vm& vm, Value, const Args& args) {
    const double f = vm.ToNumber(args[2]);
    auto mix = [&](const char* name) {
        const double a = Field(vm, args[0], name), b = Field(vm, args[1], name);
        return Value::Num(b + f * (a - b));
    };
    return NewPoint(vm, mix("x"), mix("y"));
}

Value PointPolar(Vm& vm, Value, const Args& args) {
    const double length = vm.ToNumber(args[0]), angle = vm.ToNumber(args[1]);
    return NewPoint(vm, Value::Num(length * std::cos(angle)), Value::Num(length * std::sin(angle)));
}

// Rectangle ------------------------------------------------------------------

Value RectInit(Vm& vm, Value self, const Args& args) {
    if (self.type != Type::Object)
        return Value::Undefined();
    const char* names[4] = {"x", "y", "width", "height"};
    for (size_t i = 0; i < 4; ++i)
        vm.Set(self.o, names[i], args.size() == 0 ? Value::Num(0) : args[i]);
    return Value::Undefined();
}

Value RectToString(Vm& vm, Value self, const Args&) {
    return Value::Str(Describe(vm, self, {"x", "y", "w", "h"}, {"x", "y", "width", "height"}));
}

Value NewRect(Vm& vm, const ScriptRect& r) {
    return NewGeom(vm, "Rectangle", {r.x, r.y, r.width, r.height});
}

Value RectClone(Vm& vm, Value self, const Args&) {
    const Value ctor = vm.GetOf(FlashPackage(vm, "geom"), "Rectangle");
    const Value v[4] = {vm.Get(self, "x"), vm.Get(self, "y"), vm.Get(self, "width"),
                        vm.Get(self, "height")};
    return vm.Construct(ctor, Args{v, 4});
}

bool Empty(const ScriptRect& r) {
    return !(r.width > 0) || !(r.height > 0);
}

Value RectIsEmpty(Vm& vm, Value self, const Args&) {
    return Value::Bool(Empty(ReadRect(vm, self)));
}

Value RectSetEmpty(Vm& vm, Value self, const Args&) {
    for (const char* name : {"x", "y", "width", "height"})
        SetNum(vm, self, name, 0);
    return Value::Undefined();
}

Value RectLeft(Vm& vm, Value self, const Args&) {
    return vm.Get(self, "x");
}
Value RectSetLeft(Vm& vm, Value self, const Args& args) {
    const ScriptRect r = ReadRect(vm, self);
    const double left = vm.ToNumber(args[0]);
    SetNum(vm, self, "width", r.width + r.x - left);
    SetNum(vm, self, "x", left);
    return Value::Undefined();
}
Value RectTop(Vm& vm, Value self, const Args&) {
    return vm.Get(self, "y");
}
Value RectSetTop(Vm& vm, Value self, const Args& args) {
    const ScriptRect r = ReadRect(vm, self);
    const double top = vm.ToNumber(args[0]);
    SetNum(vm, self, "height", r.height + r.y - top);
    SetNum(vm, self, "y", top);
    return Value::Undefined();
}
Value RectRight(Vm& vm, Value self, const Args&) {
    const ScriptRect r = ReadRect(vm, self);
    return Value::Num(r.x + r.width);
}
Value RectSetRight(Vm& vm, Value self, const Args& args) {
    SetNum(vm, self, "width", vm.ToNumber(args[0]) - Field(vm, self, "x"));
    return Value::Undefined();
}
Value RectBottom(Vm& vm, Value self, const Args&) {
    const ScriptRect r = ReadRect(vm, self);
    return Value::Num(r.y + r.height);
}
Value RectSetBottom(Vm& vm, Value self, const Args& args) {
    SetNum(vm, self, "height", vm.ToNumber(args[0]) - Field(vm, self, "y"));
    return Value::Undefined();
}
Value RectTopLeft(Vm& vm, Value self, const Args&) {
    return NewPoint(vm, vm.Get(self, "x"), vm.Get(self, "y"));
}
Value RectSetTopLeft(Vm& vm, Value self, const Args& args) {
    const ScriptRect r = ReadRect(vm, self);
    const double x = Field(vm, args[0], "x"), y = Field(vm, args[0], "y");
    SetNum(vm, self, "width", r.width + r.x - x);
    SetNum(vm, self, "height", r.height + r.y - y);
    SetNum(vm, self, "x", x);
    SetNum(vm, self, "y", y);
    return Value::Undefined();
}
Value RectBottomRight(Vm& vm, Value self, const Args&) {
    const ScriptRect r = ReadRect(vm, self);
    return NewPoint(vm, Value::Num(r.x + r.width), Value::Num(r.y + r.height));
}
Value RectSetBottomRight(Vm& vm, Value self, const Args& args) {
    SetNum(vm, self, "width", Field(vm, args[0], "x") - Field(vm, self, "x"));
    SetNum(vm, self, "height", Field(vm, args[0], "y") - Field(vm, self, "y"));
    return Value::Undefined();
}
Value RectSize(Vm& vm, Value self, const Args&) {
    return NewPoint(vm, vm.Get(self, "width"), vm.Get(self, "height"));
}
Value RectSetSize(Vm& vm, Value self, const Args& args) {
    SetNum(vm, self, "width", Field(vm, args[0], "x"));
    SetNum(vm, self, "height", Field(vm, args[0], "y"));
    return Value::Undefined();
}

bool Inside(const ScriptRect& r, double x, double y) {
    return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
}

Value RectContains(Vm& vm, Value self, const Args& args) {
    return Value::Bool(Inside(ReadRect(vm, self), vm.ToNumber(args[0]), vm.ToNumber(args[1])));
}

Value RectContainsPoint(Vm& vm, Value self, const Args& args) {
    return Value::Bool(
        Inside(ReadRect(vm, self), Field(vm, args[0], "x"), Field(vm, args[0], "y")));
}

Value RectContainsRectangle(Vm& vm, Value self, const Args& args) {
    const ScriptRect a = ReadRect(vm, self), b = ReadRect(vm, args[0]);
    return Value::Bool(b.x >= a.x && b.y >= a.y && b.x + b.width <= a.x + a.width &&
                       b.y + b.height <= a.y + a.height);
}

Value RectEquals(Vm& vm, Value self, const Args& args) {
    if (!IsInstance(vm, args[0], "Rectangle"))
        return Value::Bool(false);
    for (const char* name : {"x", "y", "width", "height"}) {
        if (!vm.LooseEquals(vm.Get(self, name), vm.Get(args[0], name)))
            return Value::Bool(false);
    }
    return Value::Bool(true);
}

void Inflate(Vm& vm, const Value& self, double dx, double dy) {
    const ScriptRect r = ReadRect(vm, self);
    SetNum(vm, self, "x", r.x - dx);
    SetNum(vm, self, "width", r.width + 2 * dx);
    SetNum(vm, self, "y", r.y - dy);
    SetNum(vm, self, "height", r.height + 2 * dy);
}

Value RectInflate(Vm& vm, Value self, const Args& args) {
    Inflate(vm, self, vm.ToNumber(args[0]), vm.ToNumber(args[1]));
    return Value::Undefined();
}

Value RectInflatePoint(Vm& vm, Value self, const Args& args) {
    Inflate(vm, self, Field(vm, args[0], "x"), Field(vm, args[0], "y"));
    return Value::Undefined();
}

void Offset(Vm& vm, const Value& self, double dx, double dy) {
    SetNum(vm, self, "x", Field(vm, self, "x") + dx);
    SetNum(vm, self, "y", Field(vm, self, "y") + dy);
}

Value RectOffset(Vm& vm, Value self, const Args& args) {
    Offset(vm, self, vm.ToNumber(args[0]), vm.ToNumber(args[1]));
    return Value::Undefined();
}

Value RectOffsetPoint(Vm& vm, Value self, const Args& args) {
    Offset(vm, self, Field(vm, args[0], "x"), Field(vm, args[0], "y"));
    return Value::Undefined();
}

ScriptRect Intersect(const ScriptRect& a, const ScriptRect& b) {
    if (Empty(a) || Empty(b))
        return ScriptRect{};
    const double left = std::fmax(a.x, b.x), top = std::fmax(a.y, b.y);
    const double right = std::fmin(a.x + a.width, b.x + b.width);
    const double bottom = std::fmin(a.y + a.height, b.y + b.height);
    if (!(right > left) || !(bottom > top))
        return ScriptRect{};
    return ScriptRect{left, top, right - left, bottom - top};
}

Value RectIntersection(Vm& vm, Value self, const Args& args) {
    return NewRect(vm, Intersect(ReadRect(vm, self), ReadRect(vm, args[0])));
}

Value RectIntersects(Vm& vm, Value self, const Args& args) {
    return Value::Bool(!Empty(Intersect(ReadRect(vm, self), ReadRect(vm, args[0]))));
}

Value RectUnion(Vm& vm, Value self, const Args& args) {
    const ScriptRect a = ReadRect(vm, self), b = ReadRect(vm, args[0]);
    if (Empty(a))
        return NewRect(vm, b);
    if (Empty(b))
        return NewRect(vm, a);
    const double left = std::fmin(a.x, b.x), top = std::fmin(a.y, b.y);
    const double right = std::fmax(a.x + a.width, b.x + b.width);
    const double bottom = std::fmax(a.y + a.height, b.y + b.height);
    return NewRect(vm, ScriptRect{left, top, right - left, bottom - top});
}

// Matrix ---------------------------------------------------------------------

const char* const kMatrixNames[6] = {"a", "b", "c", "d", "tx", "ty"};

void StoreMatrix(Vm& vm, const Value& self, const Matrix& m) {
    const double v[6] = {m.a, m.b, m.c, m.d, m.tx, m.ty};
    for (int i = 0; i < 6; ++i)
        SetNum(vm, self, kMatrixNames[i], v[i]);
}

Value NewMatrix(Vm& vm, const Matrix& m) {
    return NewGeom(vm, "Matrix", {m.a, m.b, m.c, m.d, m.tx, m.ty});
}

Value MatrixInit(Vm& vm, Value self, const Args& args) {
    if (self.type != Type::Object)
        return Value::Undefined();
    if (args.size() == 0) {
        StoreMatrix(vm, self, Matrix{});
        return Value::Undefined();
    }
    for (size_t i = 0; i < 6; ++i)
        vm.Set(self.o, kMatrixNames[i], args[i]);
    return Value::Undefined();
}

Value MatrixToString(Vm& vm, Value self, const Args&) {
    return Value::Str(
        Describe(vm, self, {"a", "b", "c", "d", "tx", "ty"}, {"a", "b", "c", "d", "tx", "ty"}));
}

Value MatrixClone(Vm& vm, Value self, const Args&) {
    const Value ctor = vm.GetOf(FlashPackage(vm, "geom"), "Matrix");
    Value v[6];
    for (int i = 0; i < 6; ++i)
        v[i] = vm.Get(self, kMatrixNames[i]);
    return vm.Construct(ctor, Args{v, 6});
}

Value MatrixIdentity(Vm& vm, Value self, const Args&) {
    StoreMatrix(vm, self, Matrix{});
    return Value::Undefined();
}

// this, then m: m is the outer transform.
Value MatrixConcat(Vm& vm, Value self, const Args& args) {
    StoreMatrix(vm, self, Multiply(ReadMatrix(vm, args[0]), ReadMatrix(vm, self)));
    return Value::Undefined();
}

Value MatrixInvert(Vm& vm, Value self, const Args&) {
    const Matrix m = ReadMatrix(vm, self);
    Matrix inverse;
    if (!Invert(m, &inverse)) {
        // A singular matrix collapses everything onto its translation's undo.
        inverse = Matrix{0, 0, 0, 0, -m.tx, -m.ty};
    }
    StoreMatrix(vm, self, inverse);
    return Value::Undefined();
}

Value MatrixRotate(Vm& vm, Value self, const Args& args) {
    const double angle = vm.ToNumber(args[0]);
    const Matrix r{std::cos(angle), std::sin(angle), -std::sin(angle), std::cos(angle), 0, 0};
    StoreMatrix(vm, self, Multiply(r, ReadMatrix(vm, self)));
    return Value::Undefined();
}

Value MatrixScale(Vm& vm, Value self, const Args& args) {
    const double sx = vm.ToNumber(args[0]), sy = vm.ToNumber(args[1]);
    StoreMatrix(vm, self, Multiply(Matrix{sx, 0, 0, sy, 0, 0}, ReadMatrix(vm, self)));
    return Value::Undefined();
}

Value MatrixTranslate(Vm& vm, Value self, const Args& args) {
    SetNum(vm, self, "tx", Field(vm, self, "tx") + vm.ToNumber(args[0]));
    SetNum(vm, self, "ty", Field(vm, self, "ty") + vm.ToNumber(args[1]));
    return Value::Undefined();
}

double ArgOr(Vm& vm, const Args& args, size_t i, double fallback) {
    return i < args.size() && !args[i].IsUndefined() ? vm.ToNumber(args[i]) : fallback;
}

Matrix Box(double sx, double sy, double angle, double tx, double ty) {
    const double c = std::cos(angle), s = std::sin(angle);
    return Matrix{c * sx, s * sy, -s * sx, c * sy, tx, ty};
}

Value MatrixCreateBox(Vm& vm, Value self, const Args& args) {
    StoreMatrix(vm, self,
                Box(vm.ToNumber(args[0]), vm.ToNumber(args[1]), ArgOr(vm, args, 2, 0),
                    ArgOr(vm, args, 3, 0), ArgOr(vm, args, 4, 0)));
    return Value::Undefined();
}

// A gradient's square is 1638.4 pixels wide, centred on the origin.
Value MatrixCreateGradientBox(Vm& vm, Value self, const Args& args) {
    const double w = vm.ToNumber(args[0]), h = vm.ToNumber(args[1]);
    StoreMatrix(vm, self,
                Box(w / 1638.4, h / 1638.4, ArgOr(vm, args, 2, 0), ArgOr(vm, args, 3, 0) + w / 2,
                    ArgOr(vm, args, 4, 0) + h / 2));
    return Value::Undefined();
}

Value MatrixTransformPoint(Vm& vm, Value self, const Args& args) {
    const Matrix m = ReadMatrix(vm, self);
    const double x = Field(vm, args[0], "x"), y = Field(vm, args[0], "y");
    return NewPoint(vm, Value::Num(m.a * x + m.c * y + m.tx), Value::Num(m.b * x + m.d * y + m.ty));
}

Value MatrixDeltaTransformPoint(Vm& vm, Value self, const Args& args) {
    const Matrix m = ReadMatrix(vm, self);
    const double x = Field(vm, args[0], "x"), y = Field(vm, args[0], "y");
    return NewPoint(vm, Value::Num(m.a * x + m.c * y), Value::Num(m.b * x + m.d * y));
}

// ColorTransform -------------------------------------------------------------

const char* const kColorNames[8] = {"redMultiplier",   "greenMultiplier", "blueMultiplier",
                                    "alphaMultiplier", "redOffset",       "greenOffset",
                                    "blueOffset",      "alphaOffset"};

Value NewColorTransform(Vm& vm, const ColorTransform& c) {
    return NewGeom(
        vm, "ColorTransform",
        {c.mult[0], c.mult[1], c.mult[2], c.mult[3], c.add[0], c.add[1], c.add[2], c.add[3]});
}

Value ColorInit(Vm& vm, Value self, const Args& args) {
    for (size_t i = 0; i < 8; ++i)
        SetNum(vm, self, kColorNames[i], ArgOr(vm, args, i, i < 4 ? 1 : 0));
    return Value::Undefined();
}

Value ColorToString(Vm& vm, Value self, const Args&) {
    std::string out = "(";
    for (const char* name : kColorNames) {
        if (out.size() > 1)
            out += ", ";
        out += std::string(name) + "=" + vm.ToString(vm.Get(self, name));
    }
    return Value::Str(out + ")");
}

Value ColorRgb(Vm& vm, Value self, const Args&) {
    const uint32_t r = ToUint32(Field(vm, self, "redOffset")) & 0xFF;
    const uint32_t g = ToUint32(Field(vm, self, "greenOffset")) & 0xFF;
    const uint32_t b = ToUint32(Field(vm, self, "blueOffset")) & 0xFF;
    return Value::Num((r << 16) | (g << 8) | b);
}

Value ColorSetRgb(Vm& vm, Value self, const Args& args) {
    const uint32_t rgb = ToUint32(vm.ToNumber(args[0]));
    for (int k = 0; k < 3; ++k) {
        SetNum(vm, self, kColorNames[k], 0);
        SetNum(vm, self, kColorNames[4 + k], (rgb >> (16 - 8 * k)) & 0xFF);
    }
    return Value::Undefined();
}

// second applies first, then this.
Value ColorConcat(Vm& vm, Value self, const Args& args) {
    for (int k = 0; k < 4; ++k) {
        const double m = Field(vm, self, kColorNames[k]);
        const double add = Field(vm, self, kColorNames[4 + k]);
        SetNum(vm, self, kColorNames[4 + k], add + m * Field(vm, args[0], kColorNames[4 + k]));
        SetNum(vm, self, kColorNames[k], m * Field(vm, args[0], kColorNames[k]));
    }
    return Value::Undefined();
}

// Transform ------------------------------------------------------------------

// The display object of the clip a Transform was made for; null for the
// root, a removed clip or something else.
SpriteState* TransformClip(const Value& self) {
    if (self.type != Type::Object || !self.o->target || self.o->target->kind != ObjectKind::Clip)
        return nullptr;
    return self.o->target->clip;
}

Matrix InPixels(Matrix m) {
    m.tx /= kTwips;
    m.ty /= kTwips;
    return m;
}

// new Transform(clip): without a clip there is no Transform, and new answers
// undefined.
Value TransformInit(Vm&, Value self, const Args& args) {
    if (self.type != Type::Object || args[0].type != Type::Object ||
        args[0].o->kind != ObjectKind::Clip)
        return Value::Hole();
    self.o->target = args[0].o;
    return self;
}

Value TransformMatrix(Vm& vm, Value self, const Args&) {
    SpriteState* s = TransformClip(self);
    if (!s)
        return Value::Undefined();
    return NewMatrix(vm, s->owner ? InPixels(s->owner->matrix) : Matrix{});
}

bool Finite(const Matrix& m) {
    return std::isfinite(m.a) && std::isfinite(m.b) && std::isfinite(m.c) && std::isfinite(m.d) &&
           std::isfinite(m.tx) && std::isfinite(m.ty);
}

Value TransformSetMatrix(Vm& vm, Value self, const Args& args) {
    SpriteState* s = TransformClip(self);
    if (!s || !s->owner || !IsInstance(vm, args[0], "Matrix"))
        return Value::Undefined();
    Matrix m = ReadMatrix(vm, args[0]);
    if (!Finite(m))
        return Value::Undefined();
    m.tx = std::round(m.tx * kTwips);
    m.ty = std::round(m.ty * kTwips);
    s->owner->matrix = m;
    return Value::Undefined();
}

Value TransformColor(Vm& vm, Value self, const Args&) {
    SpriteState* s = TransformClip(self);
    if (!s)
        return Value::Undefined();
    return NewColorTransform(vm, s->owner ? s->owner->color : ColorTransform{});
}

Value TransformSetColor(Vm& vm, Value self, const Args& args) {
    SpriteState* s = TransformClip(self);
    if (!s || !s->owner || !IsInstance(vm, args[0], "ColorTransform"))
        return Value::Undefined();
    s->owner->color = ReadColorTransform(vm, args[0]);
    return Value::Undefined();
}

Value TransformConcatenatedMatrix(Vm& vm, Value self, const Args&) {
    SpriteState* s = TransformClip(self);
    if (!s)
        return Value::Undefined();
    Matrix m;
    for (const SpriteState* at = s; at && at->owner; at = at->parent)
        m = Multiply(at->owner->matrix, m);
    return NewMatrix(vm, InPixels(m));
}

Value TransformConcatenatedColor(Vm& vm, Value self, const Args&) {
    SpriteState* s = TransformClip(self);
    if (!s)
        return Value::Undefined();
    ColorTransform c;
    for (const SpriteState* at = s; at && at->owner; at = at->parent)
        c = Combine(at->owner->color, c);
    return NewColorTransform(vm, c);
}

// The clip's box on the stage, as getBounds answers it for the root.
Value TransformPixelBounds(Vm& vm, Value self, const Args&) {
    if (!TransformClip(self))
        return Value::Undefined();
    const Value root = Value::Obj(vm.rootClip);
    const Value box = vm.CallMethod(Value::Obj(self.o->target), "getBounds", Args{&root, 1});
    const double left = Field(vm, box, "xMin"), top = Field(vm, box, "yMin");
    return NewRect(
        vm, ScriptRect{left, top, Field(vm, box, "xMax") - left, Field(vm, box, "yMax") - top});
}

Value ClipTransform(Vm& vm, Value self, const Args&) {
    if (self.type != Type::Object || self.o->kind != ObjectKind::Clip)
        return Value::Undefined();
    const Value ctor = vm.GetOf(FlashPackage(vm, "geom"), "Transform");
    return vm.Construct(ctor, Args{&self, 1});
}

Value ClipSetTransform(Vm& vm, Value self, const Args& args) {
    if (self.type != Type::Object || self.o->kind != ObjectKind::Clip ||
        args[0].type != Type::Object)
        return Value::Undefined();
    Value t = Value::Obj(vm.MakeObject(vm.objectProto));
    t.o->target = self.o;
    const Value m = vm.Get(args[0], "matrix"), c = vm.Get(args[0], "colorTransform");
    if (m.type == Type::Object)
        TransformSetMatrix(vm, t, Args{&m, 1});
    if (c.type == Type::Object)
        TransformSetColor(vm, t, Args{&c, 1});
    return Value::Undefined();
}

struct MethodEntry {
    const char* name;
    NativeFn fn;
};

Object* GeomClass(Vm& vm, Object* package, const char* name, NativeFn init,
                  std::initializer_list<MethodEntry> methods) {
    Object* proto = vm.MakeObject(vm.objectProto);
    Object* ctor = vm.MakeFunction(init, nullptr, proto);
    vm.Define(package, name, Value::Obj(ctor), kDontEnum);
    for (const MethodEntry& m : methods)
        Method(vm, proto, m.name, m.fn);
    return ctor;
}

Object* ProtoOfCtor(Vm& vm, Object* ctor) {
    return vm.GetOf(ctor, "prototype").o;
}

} // namespace

Object* FlashPackage(Vm& vm, const char* name) {
    return Namespace(vm, Namespace(vm, vm.global, "flash"), name);
}

Value NewGeom(Vm& vm, const char* cls, std::initializer_list<double> values) {
    Value args[8];
    size_t n = 0;
    for (double v : values) {
        if (n < 8)
            args[n++] = Value::Num(v);
    }
    return vm.Construct(vm.GetOf(FlashPackage(vm, "geom"), cls), Args{args, n});
}

ScriptRect ReadRect(Vm& vm, const Value& v) {
    return ScriptRect{Field(vm, v, "x"), Field(vm, v, "y"), Field(vm, v, "width"),
                      Field(vm, v, "height")};
}

Matrix ReadMatrix(Vm& vm, const Value& v) {
    double f[6];
    for (int i = 0; i < 6; ++i)
        f[i] = Field(vm, v, kMatrixNames[i]);
    return Matrix{f[0], f[1], f[2], f[3], f[4], f[5]};
}

ColorTransform ReadColorTransform(Vm& vm, const Value& v) {
    ColorTransform c;
    for (int k = 0; k < 4; ++k) {
        const double m = Field(vm, v, kColorNames[k]), add = Field(vm, v, kColorNames[4 + k]);
        c.mult[k] = std::isfinite(m) ? static_cast<float>(m) : 0;
        c.add[k] = std::isfinite(add) ? static_cast<float>(add) : 0;
    }
    return c;
}

void Accessor(Vm& vm, Object* on, const char* name, NativeFn get, NativeFn set) {
    vm.Define(on, name, Value::Undefined(), kDontEnum);
    Property* p = on->FindOwn(vm.Key(name));
    if (!p)
        return;
    p->getter = vm.MakeFunction(get);
    p->setter = set ? vm.MakeFunction(set) : nullptr;
}

void InstallGeomBuiltins(Vm& vm) {
    Object* geom = FlashPackage(vm, "geom");

    Object* point = GeomClass(vm, geom, "Point", PointInit,
                              {{"toString", PointToString},
                               {"add", PointAdd},
                               {"subtract", PointSubtract},
                               {"equals", PointEquals},
                               {"clone", PointClone},
                               {"normalize", PointNormalize},
                               {"offset", PointOffset}});
    Accessor(vm, ProtoOfCtor(vm, point), "length", PointLength, nullptr);
    Method(vm, point, "distance", PointDistance);
    Method(vm, point, "interpolate", PointInterpolate);
    Method(vm, point, "polar", PointPolar);

    Object* rect = GeomClass(vm, geom, "Rectangle", RectInit,
                             {{"toString", RectToString},
                              {"clone", RectClone},
                              {"isEmpty", RectIsEmpty},
                              {"setEmpty", RectSetEmpty},
                              {"contains", RectContains},
                              {"containsPoint", RectContainsPoint},
                              {"containsRectangle", RectContainsRectangle},
                              {"equals", RectEquals},
                              {"inflate", RectInflate},
                              {"inflatePoint", RectInflatePoint},
                              {"offset", RectOffset},
                              {"offsetPoint", RectOffsetPoint},
                              {"intersection", RectIntersection},
                              {"intersects", RectIntersects},
                              {"union", RectUnion}});
    const struct {
        const char* name;
        NativeFn get, set;
    } kRectAccessors[] = {{"left", RectLeft, RectSetLeft},
                          {"top", RectTop, RectSetTop},
                          {"right", RectRight, RectSetRight},
                          {"bottom", RectBottom, RectSetBottom},
                          {"topLeft", RectTopLeft, RectSetTopLeft},
                          {"bottomRight", RectBottomRight, RectSetBottomRight},
                          {"size", RectSize, RectSetSize}};
    for (const auto& a : kRectAccessors)
        Accessor(vm, ProtoOfCtor(vm, rect), a.name, a.get, a.set);

    GeomClass(vm, geom, "Matrix", MatrixInit,
              {{"toString", MatrixToString},
               {"clone", MatrixClone},
               {"identity", MatrixIdentity},
               {"concat", MatrixConcat},
               {"invert", MatrixInvert},
               {"rotate", MatrixRotate},
               {"scale", MatrixScale},
               {"translate", MatrixTranslate},
               {"createBox", MatrixCreateBox},
               {"createGradientBox", MatrixCreateGradientBox},
               {"transformPoint", MatrixTransformPoint},
               {"deltaTransformPoint", MatrixDeltaTransformPoint}});

    Object* color = GeomClass(vm, geom, "ColorTransform", ColorInit,
                              {{"toString", ColorToString}, {"concat", ColorConcat}});
    Accessor(vm, ProtoOfCtor(vm, color), "rgb", ColorRgb, ColorSetRgb);

    Object* transform = GeomClass(vm, geom, "Transform", nullptr, {});
    transform->construct = TransformInit;
    const struct {
        const char* name;
        NativeFn get, set;
    } kTransformAccessors[] = {{"matrix", TransformMatrix, TransformSetMatrix},
                               {"colorTransform", TransformColor, TransformSetColor},
                               {"concatenatedMatrix", TransformConcatenatedMatrix, nullptr},
                               {"concatenatedColorTransform", TransformConcatenatedColor, nullptr},
                               {"pixelBounds", TransformPixelBounds, nullptr}};
    for (const auto& a : kTransformAccessors)
        Accessor(vm, ProtoOfCtor(vm, transform), a.name, a.get, a.set);

    Accessor(vm, vm.clipProto, "transform", ClipTransform, ClipSetTransform);
}

} // namespace ww::movie::avm1
