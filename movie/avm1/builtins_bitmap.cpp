// flash.display.BitmapData: a script's own bitmap, its pixels held in a
// PixelStore on the script object and charged to the script memory cap.
//
// As in Flash, a call with too few arguments, or on a disposed bitmap,
// answers -1 and changes nothing; a bitmap that cannot be made leaves new
// with undefined.
#include "movie/avm1/builtins_util.h"
#include "movie/avm1/convert.h"
#include "movie/avm1/geom.h"
#include "movie/avm1/host.h"
#include "movie/pixel_store.h"
#include "movie/render.h"

#include <algorithm>
#include <cmath>

namespace ww::movie::avm1 {

namespace {

// Shared with the clips it is attached to, which draw what it holds now.
struct BitmapState : NativeState {
    BitmapState() : NativeState(NativeKind::Bitmap) {}
    std::shared_ptr<PixelStore> store = std::make_shared<PixelStore>();
    bool disposed = false;
};

BitmapState* StateOf(const Value& v) {
    if (v.type != Type::Object || !v.o->state || v.o->state->kind != NativeKind::Bitmap)
        return nullptr;
    return static_cast<BitmapState*>(v.o->state.get());
}

// A live bitmap's pixels; null when v is none or was disposed.
PixelStore* StoreOf(const Value& v) {
    BitmapState* s = StateOf(v);
    return s && !s->disposed ? s->store.get() : nullptr;
}

constexpr int32_t kTwips = 20;

const Value kRefused = Value::Num(-1);
// What Flash's methods answer when they did their work.
const Value kDone = Value::Num(0);

// A number argument as Flash truncates it: NaN and infinities 0.
int32_t IntArg(Vm& vm, const Value& v) {
    const double n = vm.ToNumber(v);
    if (!std::isfinite(n))
        return 0;
    return static_cast<int32_t>(std::clamp(std::trunc(n), -2147483648.0, 2147483647.0));
}

uint32_t ColorArg(Vm& vm, const Value& v) {
    return ToUint32(vm.ToNumber(v));
}

// A rectangle argument: an object with all four fields; false otherwise.
bool AreaArg(Vm& vm, const Value& v, PixelArea* area) {
    if (v.type != Type::Object)
        return false;
    int32_t f[4];
    const char* names[4] = {"x", "y", "width", "height"};
    for (int i = 0; i < 4; ++i) {
        const Value field = vm.Get(v, names[i]);
        if (field.IsUndefined())
            return false;
        f[i] = IntArg(vm, field);
    }
    *area = PixelArea{f[0], f[1], f[2], f[3]};
    return true;
}

bool PointArg(Vm& vm, const Value& v, int32_t* x, int32_t* y) {
    if (v.type != Type::Object)
        return false;
    *x = IntArg(vm, vm.Get(v, "x"));
    *y = IntArg(vm, vm.Get(v, "y"));
    return true;
}

Value SignedPixel(uint32_t argb) {
    return Value::Num(static_cast<double>(static_cast<int32_t>(argb)));
}

Value NewBitmap(Vm& vm, PixelStore store) {
    const Value ctor = vm.GetOf(FlashPackage(vm, "display"), "BitmapData");
    const Value size[2] = {Value::Num(1), Value::Num(1)};
    const Value made = vm.Construct(ctor, Args{size, 2});
    BitmapState* s = StateOf(made);
    if (!s)
        return Value::Undefined();
    const uint64_t bytes = store.bitmap.pixels.size();
    if (!vm.Charge(bytes))
        return Value::Undefined();
    made.o->charged += bytes;
    vm.heap().Release(s->store->bitmap.pixels.size());
    made.o->charged -= std::min<uint64_t>(made.o->charged, s->store->bitmap.pixels.size());
    *s->store = std::move(store);
    return made;
}

// Construction and properties ------------------------------------------------

Value BitmapConstruct(Vm& vm, Value self, const Args& args) {
    if (self.type != Type::Object || args.size() < 2)
        return Value::Hole();
    const double w = vm.ToNumber(args[0]), h = vm.ToNumber(args[1]);
    if (!std::isfinite(w) || !std::isfinite(h))
        return Value::Hole();
    const bool transparent = args.size() < 3 || vm.ToBoolean(args[2]);
    const uint32_t fill = args.size() < 4 ? 0xFFFFFFFFu : ColorArg(vm, args[3]);
    auto state = std::make_unique<BitmapState>();
    const int32_t width = static_cast<int32_t>(std::clamp(std::trunc(w), -1.0, 1e6));
    const int32_t height = static_cast<int32_t>(std::clamp(std::trunc(h), -1.0, 1e6));
    if (width < 1 || height < 1 || width > kMaxBitmapSide || height > kMaxBitmapSide)
        return Value::Hole();
    const uint64_t bytes =
        uint64_t{4} * static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (!vm.Charge(bytes))
        return Value::Hole();
    if (!MakePixels(state->store.get(), width, height, transparent, fill)) {
        vm.heap().Release(bytes);
        return Value::Hole();
    }
    self.o->charged += bytes;
    self.o->state = std::move(state);
    return self;
}

Value Width(Vm&, Value self, const Args&) {
    const PixelStore* p = StoreOf(self);
    return p ? Value::Num(p->width()) : kRefused;
}

Value Height(Vm&, Value self, const Args&) {
    const PixelStore* p = StoreOf(self);
    return p ? Value::Num(p->height()) : kRefused;
}

Value Transparent(Vm&, Value self, const Args&) {
    const PixelStore* p = StoreOf(self);
    return p ? Value::Bool(p->transparent) : kRefused;
}

Value RectangleOf(Vm& vm, Value self, const Args&) {
    const PixelStore* p = StoreOf(self);
    return p ? NewGeom(vm, "Rectangle", {0, 0, double(p->width()), double(p->height())}) : kRefused;
}

Value Dispose(Vm& vm, Value self, const Args&) {
    BitmapState* s = StateOf(self);
    if (!s || s->disposed)
        return kRefused;
    const uint64_t bytes = s->store->bitmap.pixels.size();
    vm.heap().Release(bytes);
    self.o->charged -= std::min(self.o->charged, bytes);
    *s->store = PixelStore{};
    s->disposed = true;
    return kDone;
}

Value Clone(Vm& vm, Value self, const Args&) {
    const PixelStore* p = StoreOf(self);
    return p ? NewBitmap(vm, *p) : kRefused;
}

// Pixels ---------------------------------------------------------------------

Value GetPixel(Vm& vm, Value self, const Args& args) {
    const PixelStore* p = StoreOf(self);
    if (!p || args.size() < 2)
        return kRefused;
    return Value::Num(ReadPixel(*p, IntArg(vm, args[0]), IntArg(vm, args[1])) & 0xFFFFFF);
}

Value GetPixel32(Vm& vm, Value self, const Args& args) {
    const PixelStore* p = StoreOf(self);
    if (!p || args.size() < 2)
        return kRefused;
    return SignedPixel(ReadPixel(*p, IntArg(vm, args[0]), IntArg(vm, args[1])));
}

Value SetPixel(Vm& vm, Value self, const Args& args) {
    PixelStore* p = StoreOf(self);
    if (!p || args.size() < 3)
        return kRefused;
    const int32_t x = IntArg(vm, args[0]), y = IntArg(vm, args[1]);
    const uint32_t alpha = ReadPixel(*p, x, y) & 0xFF000000u;
    WritePixel(*p, x, y, alpha | (ColorArg(vm, args[2]) & 0xFFFFFF));
    return kDone;
}

Value SetPixel32(Vm& vm, Value self, const Args& args) {
    PixelStore* p = StoreOf(self);
    if (!p || args.size() < 3)
        return kRefused;
    WritePixel(*p, IntArg(vm, args[0]), IntArg(vm, args[1]), ColorArg(vm, args[2]));
    return kDone;
}

Value FillRect(Vm& vm, Value self, const Args& args) {
    PixelStore* p = StoreOf(self);
    PixelArea area;
    if (!p || args.size() < 2 || !AreaArg(vm, args[0], &area))
        return kRefused;
    FillArea(*p, area, ColorArg(vm, args[1]));
    return kDone;
}

Value FloodFillMethod(Vm& vm, Value self, const Args& args) {
    PixelStore* p = StoreOf(self);
    if (!p || args.size() < 3)
        return kRefused;
    FloodFill(*p, IntArg(vm, args[0]), IntArg(vm, args[1]), ColorArg(vm, args[2]));
    return kDone;
}

// A bitmap argument at position i (0-based): -2 when it is none, -3 when
// disposed, as Flash numbers a bad source.
bool SourceArg(const Value& v, const PixelStore** out, Value* error) {
    BitmapState* s = StateOf(v);
    if (!s) {
        *error = Value::Num(-2);
        return false;
    }
    if (s->disposed) {
        *error = Value::Num(-3);
        return false;
    }
    *out = s->store.get();
    return true;
}

// The (source, sourceRect, destPoint) that copyPixels, copyChannel, merge
// and threshold begin with. A missing or odd point reads as (0, 0).
// What the copying methods take first: (sourceBitmap, sourceRect,
// destPoint), onto this bitmap.
struct CopyCall {
    PixelStore* to = nullptr;
    const PixelStore* from = nullptr;
    PixelArea area;
    int32_t x = 0, y = 0;
};

// False with Flash's answer when this is no bitmap, fewer than least
// arguments came, or the source or its area is bad.
bool ReadCopy(Vm& vm, Value self, const Args& args, size_t least, CopyCall* c, Value* answer) {
    c->to = StoreOf(self);
    if (!c->to || args.size() < least) {
        *answer = kRefused;
        return false;
    }
    if (!SourceArg(args[0], &c->from, answer))
        return false;
    if (!AreaArg(vm, args[1], &c->area)) {
        *answer = Value::Num(-4);
        return false;
    }
    PointArg(vm, args[2], &c->x, &c->y);
    return true;
}

Value CopyPixels(Vm& vm, Value self, const Args& args) {
    CopyCall c;
    Value answer;
    if (!ReadCopy(vm, self, args, 3, &c, &answer))
        return answer;
    const auto [p, from, area, x, y] = c;
    const PixelStore* alpha = StoreOf(args[3]);
    int32_t ax = 0, ay = 0;
    PointArg(vm, args[4], &ax, &ay);
    CopyArea(*p, *from, area, x, y, alpha, ax, ay, vm.ToBoolean(args[5]));
    return kDone;
}

Value CopyChannelMethod(Vm& vm, Value self, const Args& args) {
    CopyCall c;
    Value answer;
    if (!ReadCopy(vm, self, args, 5, &c, &answer))
        return answer;
    const auto [p, from, area, x, y] = c;
    CopyChannel(*p, *from, area, x, y, IntArg(vm, args[3]), IntArg(vm, args[4]));
    return kDone;
}

// Flash answers -1 here even when the work is done.
Value ColorTransformMethod(Vm& vm, Value self, const Args& args) {
    PixelStore* p = StoreOf(self);
    if (!p || args.size() < 2)
        return kRefused;
    PixelArea area;
    if (!AreaArg(vm, args[0], &area))
        return Value::Num(-2);
    const Value cls = vm.GetOf(FlashPackage(vm, "geom"), "ColorTransform");
    if (args[1].type != Type::Object || cls.type != Type::Object ||
        !vm.InstanceOf(args[1].o, cls.o))
        return Value::Num(-3);
    TransformArea(*p, area, ReadColorTransform(vm, args[1]));
    return kRefused;
}

Value Scroll(Vm& vm, Value self, const Args& args) {
    PixelStore* p = StoreOf(self);
    if (!p || args.size() < 2)
        return kRefused;
    ScrollPixels(*p, IntArg(vm, args[0]), IntArg(vm, args[1]));
    return kDone;
}

Value GetColorBoundsRect(Vm& vm, Value self, const Args& args) {
    const PixelStore* p = StoreOf(self);
    if (!p || args.size() < 2)
        return kRefused;
    const bool find = args.size() < 3 || vm.ToBoolean(args[2]);
    const PixelArea a = ColorBounds(*p, ColorArg(vm, args[0]), ColorArg(vm, args[1]), find);
    return NewGeom(vm, "Rectangle", {double(a.x), double(a.y), double(a.w), double(a.h)});
}

// Flash answers -1 here even when the work is done.
Value Merge(Vm& vm, Value self, const Args& args) {
    CopyCall c;
    Value answer;
    if (!ReadCopy(vm, self, args, 6, &c, &answer))
        return answer;
    const auto [p, from, area, x, y] = c;
    int m[4];
    for (int k = 0; k < 4; ++k)
        m[k] = IntArg(vm, args[3 + k]);
    // Without an alpha multiplier the source's alpha is taken whole.
    if (args.size() < 7)
        m[3] = 256;
    MergeArea(*p, *from, area, x, y, m);
    return kRefused;
}

// 0 when equal, -3 or -4 when the widths or heights differ, else a bitmap
// of the differences.
Value Compare(Vm& vm, Value self, const Args& args) {
    const PixelStore* p = StoreOf(self);
    if (!p || args.size() < 1)
        return kRefused;
    const PixelStore* other = StoreOf(args[0]);
    if (!other)
        return Value::Num(-2);
    if (p->width() != other->width())
        return Value::Num(-3);
    if (p->height() != other->height())
        return Value::Num(-4);
    PixelStore out;
    bool same = true;
    MakePixels(&out, p->width(), p->height(), true, 0);
    for (int32_t y = 0; y < p->height(); ++y) {
        for (int32_t x = 0; x < p->width(); ++x) {
            const uint32_t d = PixelDifference(ReadPixel(*p, x, y), ReadPixel(*other, x, y));
            same = same && d == 0;
            WritePixel(out, x, y, d);
        }
    }
    return same ? Value::Num(0) : NewBitmap(vm, std::move(out));
}

Value Threshold(Vm& vm, Value self, const Args& args) {
    CopyCall c;
    Value answer;
    if (!ReadCopy(vm, self, args, 5, &c, &answer))
        return answer;
    const auto [p, from, area, x, y] = c;
    const struct {
        const char* text;
        ThresholdTest test;
    } kTests[] = {{"<", ThresholdTest::Less},    {"<=", ThresholdTest::LessEqual},
                  {">", ThresholdTest::Greater}, {">=", ThresholdTest::GreaterEqual},
                  {"==", ThresholdTest::Equal},  {"!=", ThresholdTest::NotEqual}};
    const std::string op = vm.ToString(args[3]);
    const auto* found = std::find_if(std::begin(kTests), std::end(kTests),
                                     [&](const auto& t) { return op == t.text; });
    // Flash takes an operation it does not know for "<".
    const ThresholdTest test = found == std::end(kTests) ? ThresholdTest::Less : found->test;
    const uint32_t color = args.size() > 5 ? ColorArg(vm, args[5]) : 0;
    const uint32_t mask = args.size() > 6 ? ColorArg(vm, args[6]) : 0xFFFFFFFFu;
    return Value::Num(ThresholdArea(*p, *from, area, x, y, test, ColorArg(vm, args[4]), color, mask,
                                    vm.ToBoolean(args[7])));
}

Value Noise(Vm& vm, Value self, const Args& args) {
    PixelStore* p = StoreOf(self);
    if (!p || args.size() < 1)
        return kRefused;
    const int32_t low = args.size() > 1 ? IntArg(vm, args[1]) : 0;
    const int32_t high = args.size() > 2 ? IntArg(vm, args[2]) : 255;
    const int channels = args.size() > 3 ? IntArg(vm, args[3]) : 7;
    FillNoise(*p, IntArg(vm, args[0]), low, high, channels, vm.ToBoolean(args[4]));
    return kDone;
}

// Whether an object has both fields, as a point or rectangle must.
bool HasFields(Vm& vm, const Value& v, std::initializer_list<const char*> names) {
    if (v.type != Type::Object)
        return false;
    for (const char* name : names) {
        if (vm.Get(v, name).IsUndefined())
            return false;
    }
    return true;
}

bool IsGeom(Vm& vm, const Value& v, const char* cls) {
    const Value ctor = vm.GetOf(FlashPackage(vm, "geom"), cls);
    return v.type == Type::Object && ctor.type == Type::Object && vm.InstanceOf(v.o, ctor.o);
}

// A threshold compares as a signed number; a clear pixel never hits.
int32_t AlphaArg(Vm& vm, const Value& v) {
    return IntArg(vm, v);
}

bool Opaque(const PixelStore& p, int32_t x, int32_t y, int32_t threshold) {
    return x >= 0 && y >= 0 && x < p.width() && y < p.height() && (RawPixel(p, x, y) >> 24) != 0 &&
           static_cast<int32_t>(RawPixel(p, x, y) >> 24) >= threshold;
}

// hitTest(firstPoint, firstAlphaThreshold, secondObject [, secondPoint,
// secondAlphaThreshold]): the second object a Point, a Rectangle or a
// BitmapData, all in the same space as firstPoint.
Value HitTestMethod(Vm& vm, Value self, const Args& args) {
    const PixelStore* p = StoreOf(self);
    if (!p || args.size() < 3)
        return kRefused;
    if (!HasFields(vm, args[0], {"x", "y"}))
        return Value::Num(-2);
    int32_t px = 0, py = 0;
    PointArg(vm, args[0], &px, &py);
    const int32_t threshold = AlphaArg(vm, args[1]);
    const Value& other = args[2];
    if (BitmapState* s = StateOf(other)) {
        if (s->disposed)
            return Value::Num(-3);
        if (args.size() > 3 && !HasFields(vm, args[3], {"x", "y"}))
            return Value::Num(-4);
        int32_t ox = 0, oy = 0;
        PointArg(vm, args[3], &ox, &oy);
        const int32_t otherThreshold = args.size() > 4 ? AlphaArg(vm, args[4]) : 1;
        const PixelStore& q = *s->store;
        // Where the two overlap, in this bitmap's pixels.
        const int64_t left = std::max<int64_t>(0, int64_t{ox} - px);
        const int64_t top = std::max<int64_t>(0, int64_t{oy} - py);
        const int64_t right = std::min<int64_t>(p->width(), int64_t{ox} - px + q.width());
        const int64_t bottom = std::min<int64_t>(p->height(), int64_t{oy} - py + q.height());
        for (int64_t y = top; y < bottom; ++y) {
            for (int64_t x = left; x < right; ++x) {
                const int32_t qx = static_cast<int32_t>(x + px - ox);
                const int32_t qy = static_cast<int32_t>(y + py - oy);
                if (Opaque(*p, static_cast<int32_t>(x), static_cast<int32_t>(y), threshold) &&
                    Opaque(q, qx, qy, otherThreshold))
                    return Value::Bool(true);
            }
        }
        return Value::Bool(false);
    }
    if (!HasFields(vm, other, {"x", "y"}))
        return Value::Num(-3);
    if (IsGeom(vm, other, "Rectangle") || HasFields(vm, other, {"width", "height"})) {
        PixelArea area;
        if (!AreaArg(vm, other, &area))
            return Value::Num(-3);
        area.x -= px;
        area.y -= py;
        const PixelArea a = ClipArea(*p, area);
        for (int32_t y = a.y; y < a.y + a.h; ++y) {
            for (int32_t x = a.x; x < a.x + a.w; ++x) {
                if (Opaque(*p, x, y, threshold))
                    return Value::Bool(true);
            }
        }
        return Value::Bool(false);
    }
    int32_t x = 0, y = 0;
    PointArg(vm, other, &x, &y);
    return Value::Bool(Opaque(*p, x - px, y - py, threshold));
}

Value GenerateFilterRect(Vm& vm, Value self, const Args& args) {
    const PixelStore* p = StoreOf(self);
    PixelArea area;
    if (!p || args.size() < 2 || !AreaArg(vm, args[0], &area))
        return kRefused;
    return NewGeom(vm, "Rectangle",
                   {double(area.x), double(area.y), double(area.w), double(area.h)});
}

Value PaletteMap(Vm& vm, Value self, const Args& args) {
    CopyCall c;
    Value answer;
    if (!ReadCopy(vm, self, args, 3, &c, &answer))
        return answer;
    const auto [p, from, area, x, y] = c;
    // A table not given leaves its channel where it was.
    uint32_t tables[4][256];
    const int shifts[4] = {16, 8, 0, 24};
    for (int k = 0; k < 4; ++k) {
        const Value& list = args[3 + k];
        const bool given = list.type == Type::Object && list.o->kind == ObjectKind::Array;
        for (uint32_t i = 0; i < 256; ++i) {
            const Value v =
                given && i < list.o->elements.size() ? Present(list.o->elements[i]) : Value();
            tables[k][i] = given ? ToUint32(vm.ToNumber(v)) : i << shifts[k];
        }
    }
    PaletteArea(*p, *from, area, x, y, tables);
    return kDone;
}

// Filters --------------------------------------------------------------------

// flash.filters.ColorMatrixFilter(matrix): twenty numbers, the identity when
// none are given; the object keeps its own copy.
Value ColorMatrixInit(Vm& vm, Value self, const Args& args) {
    if (self.type != Type::Object)
        return Value::Undefined();
    std::vector<Value> values;
    for (int i = 0; i < 20; ++i)
        values.push_back(Value::Num(i % 6 == 0 ? 1 : 0));
    if (args[0].type == Type::Object && args[0].o->kind == ObjectKind::Array) {
        for (size_t i = 0; i < 20; ++i) {
            const Value v =
                i < args[0].o->elements.size() ? Present(args[0].o->elements[i]) : Value();
            values[i] = Value::Num(v.IsUndefined() ? 0 : vm.ToNumber(v));
        }
    }
    vm.Set(self.o, "matrix", Value::Obj(vm.MakeArray(std::move(values))));
    return Value::Undefined();
}

// flash.filters.BlurFilter(blurX, blurY, quality).
Value BlurInit(Vm& vm, Value self, const Args& args) {
    if (self.type != Type::Object)
        return Value::Undefined();
    const double defaults[3] = {4, 4, 1};
    const char* names[3] = {"blurX", "blurY", "quality"};
    for (size_t i = 0; i < 3; ++i) {
        const double n = args[i].IsUndefined() ? defaults[i] : vm.ToNumber(args[i]);
        vm.Set(self.o, names[i], Value::Num(n));
    }
    return Value::Undefined();
}

// flash.filters.ConvolutionFilter(matrixX, matrixY, matrix, divisor, bias,
// preserveAlpha, clamp, color, alpha); the matrix keeps matrixX * matrixY
// numbers, 0 where the array given runs short.
Value ConvolutionInit(Vm& vm, Value self, const Args& args) {
    if (self.type != Type::Object)
        return Value::Undefined();
    auto number = [&](size_t i, double fallback) {
        return args[i].IsUndefined() ? fallback : vm.ToNumber(args[i]);
    };
    const int32_t columns = std::clamp(IntArg(vm, args[0]), 0, kMaxConvolutionSide);
    const int32_t rows = std::clamp(IntArg(vm, args[1]), 0, kMaxConvolutionSide);
    std::vector<Value> values;
    const Value& given = args[2];
    const bool isArray = given.type == Type::Object && given.o->kind == ObjectKind::Array;
    for (size_t i = 0; i < static_cast<size_t>(columns * rows); ++i) {
        const Value v =
            isArray && i < given.o->elements.size() ? Present(given.o->elements[i]) : Value();
        values.push_back(Value::Num(v.IsUndefined() ? 0 : vm.ToNumber(v)));
    }
    vm.Set(self.o, "matrixX", Value::Num(columns));
    vm.Set(self.o, "matrixY", Value::Num(rows));
    vm.Set(self.o, "matrix", Value::Obj(vm.MakeArray(std::move(values))));
    vm.Set(self.o, "divisor", Value::Num(number(3, 1)));
    vm.Set(self.o, "bias", Value::Num(number(4, 0)));
    vm.Set(self.o, "preserveAlpha", Value::Bool(args[5].IsUndefined() || vm.ToBoolean(args[5])));
    vm.Set(self.o, "clamp", Value::Bool(args[6].IsUndefined() || vm.ToBoolean(args[6])));
    vm.Set(self.o, "color", Value::Num(ToUint32(number(7, 0)) & 0xFFFFFF));
    // A colour given without an alpha is opaque; no colour at all is clear.
    vm.Set(self.o, "alpha",
           Value::Num(std::clamp(number(8, args[7].IsUndefined() ? 0 : 1), 0.0, 1.0)));
    return Value::Undefined();
}

constexpr double kPi = 3.14159265358979323846;

float FiniteFloat(double n, double low, double high) {
    return std::isfinite(n) ? static_cast<float>(std::clamp(n, low, high)) : 0.0f;
}

// The shadow, glow and bevel filters keep their settings as plain fields,
// each clamped as Flash keeps it: blurs 0 to 255, strength 0 to 255,
// quality 0 to 15, colours 24 bits, alphas 0 to 1, angles in degrees.
struct ShadowField {
    const char* name;
    enum Kind { Number, Blur, Strength, Quality, Colour, Alpha, Angle, Flag, Type, List } kind;
    double fallback;
};

Value ShadowValue(Vm& vm, const Value& given, const ShadowField& f) {
    const bool missing = given.IsUndefined();
    switch (f.kind) {
    case ShadowField::Flag:
        return Value::Bool(missing ? f.fallback != 0 : vm.ToBoolean(given));
    case ShadowField::Type: {
        const std::string t = missing ? "" : vm.ToString(given);
        if (t == "inner" || t == "outer" || t == "full")
            return Value::Str(t);
        return Value::Str(missing && f.fallback == 0 ? "inner" : "full");
    }
    case ShadowField::List:
        return given.type == Type::Object && given.o->kind == ObjectKind::Array
                   ? given
                   : Value::Obj(vm.MakeArray());
    default:
        break;
    }
    double n = missing ? f.fallback : vm.ToNumber(given);
    if (std::isnan(n))
        n = 0;
    switch (f.kind) {
    case ShadowField::Blur:
    case ShadowField::Strength:
        n = std::clamp(n, 0.0, 255.0);
        break;
    case ShadowField::Quality:
        n = std::clamp(std::trunc(n), 0.0, double(kMaxBlurPasses));
        break;
    case ShadowField::Colour:
        n = ToUint32(n) & 0xFFFFFF;
        break;
    case ShadowField::Alpha:
        n = std::floor(std::clamp(n, 0.0, 1.0) * 255) / 255; // kept in 8 bits
        break;
    case ShadowField::Angle:
        n = std::isfinite(n) ? std::fmod(n, 360.0) : 0;
        break;
    default:
        break;
    }
    return Value::Num(n);
}

constexpr ShadowField kDropShadowFields[] = {
    {"distance", ShadowField::Number, 4},   {"angle", ShadowField::Angle, 45},
    {"color", ShadowField::Colour, 0},      {"alpha", ShadowField::Alpha, 1},
    {"blurX", ShadowField::Blur, 4},        {"blurY", ShadowField::Blur, 4},
    {"strength", ShadowField::Strength, 1}, {"quality", ShadowField::Quality, 1},
    {"inner", ShadowField::Flag, 0},        {"knockout", ShadowField::Flag, 0},
    {"hideObject", ShadowField::Flag, 0}};
constexpr ShadowField kGlowFields[] = {
    {"color", ShadowField::Colour, 0xFF0000}, {"alpha", ShadowField::Alpha, 1},
    {"blurX", ShadowField::Blur, 6},          {"blurY", ShadowField::Blur, 6},
    {"strength", ShadowField::Strength, 2},   {"quality", ShadowField::Quality, 1},
    {"inner", ShadowField::Flag, 0},          {"knockout", ShadowField::Flag, 0}};
constexpr ShadowField kBevelFields[] = {{"distance", ShadowField::Number, 4},
                                        {"angle", ShadowField::Angle, 45},
                                        {"highlightColor", ShadowField::Colour, 0xFFFFFF},
                                        {"highlightAlpha", ShadowField::Alpha, 1},
                                        {"shadowColor", ShadowField::Colour, 0},
                                        {"shadowAlpha", ShadowField::Alpha, 1},
                                        {"blurX", ShadowField::Blur, 4},
                                        {"blurY", ShadowField::Blur, 4},
                                        {"strength", ShadowField::Strength, 1},
                                        {"quality", ShadowField::Quality, 1},
                                        {"type", ShadowField::Type, 0},
                                        {"knockout", ShadowField::Flag, 0}};
constexpr ShadowField kGradientFields[] = {
    {"distance", ShadowField::Number, 4}, {"angle", ShadowField::Angle, 45},
    {"colors", ShadowField::List, 0},     {"alphas", ShadowField::List, 0},
    {"ratios", ShadowField::List, 0},     {"blurX", ShadowField::Blur, 4},
    {"blurY", ShadowField::Blur, 4},      {"strength", ShadowField::Strength, 1},
    {"quality", ShadowField::Quality, 1}, {"type", ShadowField::Type, 0},
    {"knockout", ShadowField::Flag, 0}};

template <const ShadowField* fields, size_t count>
Value ShadowInit(Vm& vm, Value self, const Args& args) {
    if (self.type != Type::Object)
        return Value::Undefined();
    for (size_t i = 0; i < count; ++i)
        vm.Set(self.o, fields[i].name,
               ShadowValue(vm, i < args.size() ? args[i] : Value(), fields[i]));
    return Value::Undefined();
}

// A filter object a script made, as the renderer's filter; false for one we
// do not draw.
bool FilterOf(Vm& vm, const Value& v, Filter* f) {
    if (v.type != Type::Object)
        return false;
    Object* filters = FlashPackage(vm, "filters");
    auto is = [&](const char* cls) {
        const Value ctor = vm.GetOf(filters, cls);
        return ctor.type == Type::Object && vm.InstanceOf(v.o, ctor.o);
    };
    if (is("ColorMatrixFilter")) {
        f->kind = FilterKind::ColorMatrix;
        const Value m = vm.Get(v, "matrix");
        for (int i = 0; i < 20; ++i)
            f->matrix[i] = FiniteFloat(vm.ToNumber(vm.Get(m, std::to_string(i))), -1e6, 1e6);
        return true;
    }
    if (is("BlurFilter")) {
        f->kind = FilterKind::Blur;
        f->blurX = FiniteFloat(vm.ToNumber(vm.Get(v, "blurX")), 0, 255);
        f->blurY = FiniteFloat(vm.ToNumber(vm.Get(v, "blurY")), 0, 255);
        f->passes =
            static_cast<int>(std::clamp(IntArg(vm, vm.Get(v, "quality")), 0, kMaxBlurPasses));
        return true;
    }
    auto number = [&](const char* name, double low, double high) {
        return FiniteFloat(vm.ToNumber(vm.Get(v, name)), low, high);
    };
    auto colour = [&](const char* colourName, const char* alphaName) {
        const uint32_t c = ToUint32(vm.ToNumber(vm.Get(v, colourName)));
        return FilterColor{static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                           static_cast<uint8_t>(c),
                           static_cast<uint8_t>(number(alphaName, 0, 1) * 255 + 0.5f)};
    };
    // What shadows, glows and bevels share: blurs, strength, passes, and for
    // those cast at an angle the angle (degrees to radians) and distance.
    auto common = [&](FilterKind kind, bool cast) {
        f->kind = kind;
        f->blurX = number("blurX", 0, 255);
        f->blurY = number("blurY", 0, 255);
        f->strength = number("strength", 0, 255);
        f->passes = std::clamp(IntArg(vm, vm.Get(v, "quality")), 0, kMaxBlurPasses);
        f->knockout = vm.ToBoolean(vm.Get(v, "knockout"));
        f->compositeSource = true;
        if (cast) {
            f->angle = number("angle", -1e6, 1e6) * float(kPi / 180);
            f->distance = number("distance", -1e4, 1e4);
        }
    };
    // Bevels and gradient filters: inner, outer, or both (on top).
    auto side = [&]() {
        const std::string type = vm.ToString(vm.Get(v, "type"));
        f->inner = type == "inner";
        f->onTop = type == "full";
    };
    if (is("DropShadowFilter") || is("GlowFilter")) {
        const bool shadow = is("DropShadowFilter");
        common(shadow ? FilterKind::DropShadow : FilterKind::Glow, shadow);
        f->color = colour("color", "alpha");
        f->inner = vm.ToBoolean(vm.Get(v, "inner"));
        f->compositeSource = !(shadow && vm.ToBoolean(vm.Get(v, "hideObject")));
        return true;
    }
    if (is("BevelFilter")) {
        common(FilterKind::Bevel, true);
        f->highlight = colour("highlightColor", "highlightAlpha");
        f->color = colour("shadowColor", "shadowAlpha");
        side();
        return true;
    }
    if (is("GradientGlowFilter") || is("GradientBevelFilter")) {
        common(is("GradientGlowFilter") ? FilterKind::GradientGlow : FilterKind::GradientBevel,
               true);
        side();
        const Value colors = vm.Get(v, "colors"), alphas = vm.Get(v, "alphas"),
                    ratios = vm.Get(v, "ratios");
        if (colors.type != Type::Object || alphas.type != Type::Object ||
            ratios.type != Type::Object)
            return false;
        // As many stops as all three lists give, at most a gradient's 15.
        const size_t n = std::min({colors.o->elements.size(), alphas.o->elements.size(),
                                   ratios.o->elements.size(), size_t(15)});
        for (size_t i = 0; i < n; ++i) {
            const uint32_t c = ToUint32(vm.ToNumber(Present(colors.o->elements[i])));
            const float a = FiniteFloat(vm.ToNumber(Present(alphas.o->elements[i])), 0, 1);
            f->colors.push_back(FilterColor{static_cast<uint8_t>(c >> 16),
                                            static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c),
                                            static_cast<uint8_t>(a * 255 + 0.5f)});
            f->ratios.push_back(static_cast<uint8_t>(
                FiniteFloat(vm.ToNumber(Present(ratios.o->elements[i])), 0, 255)));
        }
        return n >= 2;
    }
    if (is("ConvolutionFilter")) {
        f->kind = FilterKind::Convolution;
        f->matrixX = std::clamp(IntArg(vm, vm.Get(v, "matrixX")), 0, kMaxConvolutionSide);
        f->matrixY = std::clamp(IntArg(vm, vm.Get(v, "matrixY")), 0, kMaxConvolutionSide);
        const Value m = vm.Get(v, "matrix");
        for (int i = 0; i < f->matrixX * f->matrixY; ++i)
            f->kernel.push_back(FiniteFloat(vm.ToNumber(vm.Get(m, std::to_string(i))), -1e6, 1e6));
        f->divisor = FiniteFloat(vm.ToNumber(vm.Get(v, "divisor")), -1e6, 1e6);
        f->bias = FiniteFloat(vm.ToNumber(vm.Get(v, "bias")), -1e6, 1e6);
        f->preserveAlpha = vm.ToBoolean(vm.Get(v, "preserveAlpha"));
        f->clamp = vm.ToBoolean(vm.Get(v, "clamp"));
        const uint32_t color = ToUint32(vm.ToNumber(vm.Get(v, "color")));
        const double alpha = vm.ToNumber(vm.Get(v, "alpha"));
        f->defaultColor = FilterColor{static_cast<uint8_t>(color >> 16),
                                      static_cast<uint8_t>(color >> 8), static_cast<uint8_t>(color),
                                      static_cast<uint8_t>(FiniteFloat(alpha, 0, 1) * 255)};
        return true;
    }
    return false;
}

// A renderer's filter as a new script object; undefined for a kind that has
// no class here.
Value ScriptFilter(Vm& vm, const Filter& f) {
    Object* filters = FlashPackage(vm, "filters");
    std::vector<Value> args;
    const char* cls = nullptr;
    auto list = [&](const float* values, size_t n) {
        std::vector<Value> items;
        for (size_t i = 0; i < n; ++i)
            items.push_back(Value::Num(values[i]));
        return Value::Obj(vm.MakeArray(std::move(items)));
    };
    auto degrees = [](float radians) { return double(radians) * 180 / kPi; };
    auto colourOf = [](const FilterColor& c) { return Value::Num((c.r << 16) | (c.g << 8) | c.b); };
    auto alphaOf = [](const FilterColor& c) { return Value::Num(c.a / 255.0); };
    auto typeOf = [&f]() { return Value::Str(f.onTop ? "full" : f.inner ? "inner" : "outer"); };
    switch (f.kind) {
    case FilterKind::Blur:
        cls = "BlurFilter";
        args = {Value::Num(f.blurX), Value::Num(f.blurY), Value::Num(f.passes)};
        break;
    case FilterKind::ColorMatrix:
        cls = "ColorMatrixFilter";
        args = {list(f.matrix, 20)};
        break;
    case FilterKind::Convolution: {
        cls = "ConvolutionFilter";
        const FilterColor& c = f.defaultColor;
        args = {Value::Num(f.matrixX),
                Value::Num(f.matrixY),
                list(f.kernel.data(), f.kernel.size()),
                Value::Num(f.divisor),
                Value::Num(f.bias),
                Value::Bool(f.preserveAlpha),
                Value::Bool(f.clamp),
                Value::Num((c.r << 16) | (c.g << 8) | c.b),
                Value::Num(c.a / 255.0)};
        break;
    }
    case FilterKind::DropShadow:
    case FilterKind::Glow:
        cls = f.kind == FilterKind::Glow ? "GlowFilter" : "DropShadowFilter";
        if (f.kind == FilterKind::DropShadow)
            args = {Value::Num(f.distance), Value::Num(degrees(f.angle))};
        args.insert(args.end(), {colourOf(f.color), alphaOf(f.color), Value::Num(f.blurX),
                                 Value::Num(f.blurY), Value::Num(f.strength), Value::Num(f.passes),
                                 Value::Bool(f.inner), Value::Bool(f.knockout)});
        if (f.kind == FilterKind::DropShadow)
            args.push_back(Value::Bool(!f.compositeSource));
        break;
    case FilterKind::Bevel:
        cls = "BevelFilter";
        args = {Value::Num(f.distance),
                Value::Num(degrees(f.angle)),
                colourOf(f.highlight),
                alphaOf(f.highlight),
                colourOf(f.color),
                alphaOf(f.color),
                Value::Num(f.blurX),
                Value::Num(f.blurY),
                Value::Num(f.strength),
                Value::Num(f.passes),
                typeOf(),
                Value::Bool(f.knockout)};
        break;
    case FilterKind::GradientGlow:
    case FilterKind::GradientBevel: {
        cls = f.kind == FilterKind::GradientGlow ? "GradientGlowFilter" : "GradientBevelFilter";
        std::vector<Value> colours, alphas, ratios;
        for (size_t i = 0; i < f.colors.size() && i < f.ratios.size(); ++i) {
            colours.push_back(colourOf(f.colors[i]));
            alphas.push_back(alphaOf(f.colors[i]));
            ratios.push_back(Value::Num(f.ratios[i]));
        }
        args = {Value::Num(f.distance),
                Value::Num(degrees(f.angle)),
                Value::Obj(vm.MakeArray(std::move(colours))),
                Value::Obj(vm.MakeArray(std::move(alphas))),
                Value::Obj(vm.MakeArray(std::move(ratios))),
                Value::Num(f.blurX),
                Value::Num(f.blurY),
                Value::Num(f.strength),
                Value::Num(f.passes),
                typeOf(),
                Value::Bool(f.knockout)};
        break;
    }
    default:
        return Value::Undefined();
    }
    return vm.Construct(vm.GetOf(filters, cls), Args{args.data(), args.size()});
}

Value NoFilter(Vm&, Value, const Args&) {
    return Value::Undefined();
}

// filter.clone(): a new filter of the same class and settings.
Value CloneFilter(Vm& vm, Value self, const Args&) {
    Filter f;
    return FilterOf(vm, self, &f) ? ScriptFilter(vm, f) : Value::Undefined();
}

DisplayObject* OwnerOf(const Value& clip) {
    if (clip.type != Type::Object || clip.o->kind != ObjectKind::Clip || !clip.o->clip)
        return nullptr;
    return clip.o->clip->owner;
}

// MovieClip.filters: copies each time, as Flash gives them; filters of kinds
// without a class here are left out.
Value ClipFilters(Vm& vm, Value self, const Args&) {
    const DisplayObject* o = OwnerOf(self);
    if (!o)
        return Value::Undefined();
    std::vector<Value> items;
    for (const Filter& f : o->filters) {
        const Value v = ScriptFilter(vm, f);
        if (!v.IsUndefined())
            items.push_back(v);
    }
    return Value::Obj(vm.MakeArray(std::move(items)));
}

Value ClipSetFilters(Vm& vm, Value self, const Args& args) {
    DisplayObject* o = OwnerOf(self);
    if (!o || args[0].type != Type::Object || args[0].o->kind != ObjectKind::Array)
        return Value::Undefined();
    std::vector<Filter> filters;
    const std::vector<Value> items = args[0].o->elements;
    for (const Value& item : items) {
        Filter f;
        if (filters.size() < kMaxFilters && FilterOf(vm, item, &f))
            filters.push_back(std::move(f));
    }
    o->filters = std::move(filters);
    return Value::Undefined();
}

// Blend modes by the number PlaceObject3 gives them, from 1.
constexpr const char* kBlendNames[] = {"normal", "layer",      "multiply", "screen",   "lighten",
                                       "darken", "difference", "add",      "subtract", "invert",
                                       "alpha",  "erase",      "overlay",  "hardlight"};

Value ClipBlendMode(Vm&, Value self, const Args&) {
    const DisplayObject* o = OwnerOf(self);
    if (!o)
        return Value::Undefined();
    const size_t i = static_cast<size_t>(o->blendMode) - 1;
    return Value::Str(i < std::size(kBlendNames) ? kBlendNames[i] : "normal");
}

// A mode's name or number; nothing (null, undefined) is normal, and any
// other value leaves the mode as it was.
Value ClipSetBlendMode(Vm& vm, Value self, const Args& args) {
    DisplayObject* o = OwnerOf(self);
    if (!o)
        return Value::Undefined();
    const Value& v = args[0];
    if (v.IsUndefined() || v.type == Type::Null) {
        o->blendMode = BlendMode::Normal;
    } else if (v.type == Type::Number) {
        const uint32_t n = ToUint32(v.n) & 0xFF;
        if (n >= 1 && n <= std::size(kBlendNames))
            o->blendMode = static_cast<BlendMode>(n);
    } else if (v.type == Type::String) {
        const std::string name = vm.ToString(v);
        for (size_t i = 0; i < std::size(kBlendNames); ++i) {
            if (name == kBlendNames[i])
                o->blendMode = static_cast<BlendMode>(i + 1);
        }
    }
    return Value::Undefined();
}

Value ClipCaching(Vm&, Value self, const Args&) {
    const DisplayObject* o = OwnerOf(self);
    return o ? Value::Bool(o->cacheAsBitmap) : Value::Undefined();
}

Value ClipSetCaching(Vm& vm, Value self, const Args& args) {
    if (DisplayObject* o = OwnerOf(self))
        o->cacheAsBitmap = vm.ToBoolean(args[0]);
    return Value::Undefined();
}

Value ApplyFilterMethod(Vm& vm, Value self, const Args& args) {
    CopyCall c;
    Value answer;
    if (!ReadCopy(vm, self, args, 4, &c, &answer))
        return answer;
    const auto [p, from, area, x, y] = c;
    Filter filter;
    if (!FilterOf(vm, args[3], &filter)) {
        vm.Warn("BitmapData.applyFilter: this filter is not drawn");
        return kRefused;
    }
    FilterArea(*p, *from, area, x, y, filter);
    return kDone;
}

// draw(source, matrix, colorTransform, blendMode, clipRect, smoothing): a
// clip's content drawn by the renderer onto the pixels, or another bitmap
// placed by the matrix's translation; only clipRect's pixels change.
Value Draw(Vm& vm, Value self, const Args& args) {
    PixelStore* p = StoreOf(self);
    if (!p || args.size() < 1)
        return kRefused;
    Matrix m;
    if (args[1].type == Type::Object) {
        m = ReadMatrix(vm, args[1]);
        if (!std::isfinite(m.a) || !std::isfinite(m.b) || !std::isfinite(m.c) ||
            !std::isfinite(m.d) || !std::isfinite(m.tx) || !std::isfinite(m.ty))
            return kDone;
    }
    const ColorTransform cx =
        args[2].type == Type::Object ? ReadColorTransform(vm, args[2]) : ColorTransform{};
    PixelArea clip{0, 0, p->width(), p->height()};
    if (args[4].type == Type::Object)
        AreaArg(vm, args[4], &clip);
    clip = ClipArea(*p, clip);
    if (clip.w <= 0 || clip.h <= 0)
        return kDone;
    PixelStore drawn = *p;
    if (const PixelStore* from = StoreOf(args[0])) {
        const double x = std::clamp(std::round(m.tx), -1e6, 1e6);
        const double y = std::clamp(std::round(m.ty), -1e6, 1e6);
        CopyArea(drawn, *from, PixelArea{0, 0, from->width(), from->height()},
                 static_cast<int32_t>(x), static_cast<int32_t>(y), nullptr, 0, 0, true);
    } else if (args[0].type == Type::Object && args[0].o->kind == ObjectKind::Clip &&
               args[0].o->clip) {
        Canvas canvas;
        canvas.width = drawn.width();
        canvas.height = drawn.height();
        canvas.pixels = std::move(drawn.bitmap.pixels);
        Renderer renderer(ScriptHost::Of(vm).movie());
        std::string error;
        const Matrix toPixels = Multiply(m, Matrix{1.0 / kTwips, 0, 0, 1.0 / kTwips, 0, 0});
        if (!renderer.DrawSpriteOnto(*args[0].o->clip, toPixels, cx, Quality::High, &canvas,
                                     &error))
            vm.Warn("BitmapData.draw: " + error);
        drawn.bitmap.pixels = std::move(canvas.pixels);
        if (drawn.bitmap.pixels.size() != p->bitmap.pixels.size())
            return kDone;
    } else {
        return Value::Num(-2);
    }
    for (int32_t y = clip.y; y < clip.y + clip.h; ++y) {
        for (int32_t x = clip.x; x < clip.x + clip.w; ++x) {
            const uint32_t v = RawPixel(drawn, x, y);
            SetRawPixel(*p, x, y, p->transparent ? v : (Straight(v) | 0xFF000000u));
        }
    }
    return kDone;
}

// Clips ----------------------------------------------------------------------

constexpr int kScriptDepthBase = 16384;

// clip.attachBitmap(bitmap, depth, pixelSnapping, smoothing): a child at the
// depth that draws the bitmap's pixels at one twentieth of a twip scale, as
// they are when drawn, not when attached.
Value AttachBitmap(Vm& vm, Value self, const Args& args) {
    if (self.type != Type::Object || self.o->kind != ObjectKind::Clip || !self.o->clip)
        return Value::Undefined();
    BitmapState* s = StateOf(args[0]);
    const double d = vm.ToNumber(args[1]);
    if (!s || s->disposed || !std::isfinite(d))
        return Value::Undefined();
    const int64_t depth = int64_t{ToInt32(d)} + kScriptDepthBase;
    if (depth < 0 || depth > 65535)
        return Value::Undefined();
    const int32_t w = s->store->width() * kTwips, h = s->store->height() * kTwips;
    auto drawing = std::make_unique<ScriptDrawing>();
    const uint64_t bytes = sizeof(FillStyle) + sizeof(StyleLayer) + 4 * sizeof(Edge);
    if (!vm.Charge(bytes))
        return Value::Undefined();
    SpriteState* child =
        ScriptHost::Of(vm).Attach(*self.o->clip, 0, "", static_cast<uint16_t>(depth));
    if (!child) {
        vm.heap().Release(bytes);
        return Value::Undefined();
    }
    FillStyle fill;
    fill.kind = FillKind::Bitmap;
    fill.matrix = Matrix{kTwips, 0, 0, kTwips, 0, 0};
    fill.repeat = false;
    fill.smooth = vm.ToBoolean(args[3]);
    fill.scriptPixels = std::shared_ptr<const Bitmap>(s->store, &s->store->bitmap);
    drawing->shape = PictureShape(fill, w, h);
    drawing->hasBounds = true;
    drawing->charged = bytes;
    if (Object* owner = ScriptHost::Of(vm).ObjectOf(*child))
        owner->charged += bytes;
    child->drawing = std::move(drawing);
    return Value::Undefined();
}

// BitmapData.loadBitmap(linkageName): a copy of a bitmap the movie exports.
Value LoadBitmap(Vm& vm, Value, const Args& args) {
    const Movie& movie = ScriptHost::Of(vm).movie();
    const auto it = movie.exports.find(vm.ToString(args[0]));
    if (it == movie.exports.end())
        return Value::Undefined();
    const CharacterRef* ref = movie.Find(it->second);
    if (!ref || ref->kind != CharacterKind::Bitmap || ref->index >= movie.bitmaps.size())
        return Value::Undefined();
    const Bitmap& b = movie.bitmaps[ref->index];
    if (b.width < 1 || b.height < 1 ||
        b.pixels.size() != static_cast<size_t>(b.width) * static_cast<size_t>(b.height) * 4)
        return Value::Undefined();
    PixelStore store;
    store.bitmap = b;
    return NewBitmap(vm, std::move(store));
}

Value Unsupported(Vm& vm, Value self, const Args&) {
    if (!StoreOf(self))
        return kRefused;
    vm.Warn("BitmapData method not supported");
    return Value::Undefined();
}

} // namespace

void InstallBitmapBuiltins(Vm& vm) {
    Object* display = FlashPackage(vm, "display");
    Object* proto = vm.MakeObject(vm.objectProto);
    Object* ctor = vm.MakeFunction(nullptr, BitmapConstruct, proto);
    vm.Define(display, "BitmapData", Value::Obj(ctor), kDontEnum);
    const struct {
        const char* name;
        NativeFn fn;
    } kMethods[] = {{"getPixel", GetPixel},
                    {"getPixel32", GetPixel32},
                    {"setPixel", SetPixel},
                    {"setPixel32", SetPixel32},
                    {"fillRect", FillRect},
                    {"floodFill", FloodFillMethod},
                    {"copyPixels", CopyPixels},
                    {"copyChannel", CopyChannelMethod},
                    {"colorTransform", ColorTransformMethod},
                    {"scroll", Scroll},
                    {"getColorBoundsRect", GetColorBoundsRect},
                    {"merge", Merge},
                    {"compare", Compare},
                    {"generateFilterRect", GenerateFilterRect},
                    {"clone", Clone},
                    {"dispose", Dispose},
                    {"applyFilter", ApplyFilterMethod},
                    {"draw", Draw},
                    {"noise", Noise},
                    {"perlinNoise", Unsupported},
                    {"pixelDissolve", Unsupported},
                    {"paletteMap", PaletteMap},
                    {"threshold", Threshold},
                    {"hitTest", HitTestMethod}};
    for (const auto& m : kMethods)
        Method(vm, proto, m.name, m.fn);
    Method(vm, ctor, "loadBitmap", LoadBitmap);
    Object* filters = FlashPackage(vm, "filters");
    const struct {
        const char* name;
        NativeFn init;
    } kFilters[] = {
        {"ColorMatrixFilter", ColorMatrixInit},
        {"BlurFilter", BlurInit},
        {"ConvolutionFilter", ConvolutionInit},
        {"DropShadowFilter", ShadowInit<kDropShadowFields, std::size(kDropShadowFields)>},
        {"GlowFilter", ShadowInit<kGlowFields, std::size(kGlowFields)>},
        {"BevelFilter", ShadowInit<kBevelFields, std::size(kBevelFields)>},
        {"GradientGlowFilter", ShadowInit<kGradientFields, std::size(kGradientFields)>},
        {"GradientBevelFilter", ShadowInit<kGradientFields, std::size(kGradientFields)>}};
    // Every filter class's prototype inherits BitmapFilter's, whose own
    // clone has nothing to copy.
    Object* baseProto = vm.MakeObject(vm.objectProto);
    Method(vm, baseProto, "clone", NoFilter);
    vm.Define(filters, "BitmapFilter", Value::Obj(vm.MakeFunction(NoFilter, nullptr, baseProto)),
              kDontEnum);
    for (const auto& f : kFilters) {
        Object* filterProto = vm.MakeObject(baseProto);
        Method(vm, filterProto, "clone", CloneFilter);
        vm.Define(filters, f.name, Value::Obj(vm.MakeFunction(f.init, nullptr, filterProto)),
                  kDontEnum);
    }
    Method(vm, vm.clipProto, "attachBitmap", AttachBitmap);
    Accessor(vm, vm.clipProto, "filters", ClipFilters, ClipSetFilters);
    Accessor(vm, vm.clipProto, "blendMode", ClipBlendMode, ClipSetBlendMode);
    Accessor(vm, vm.clipProto, "cacheAsBitmap", ClipCaching, ClipSetCaching);
    for (const auto& c : {std::pair<const char*, int>{"RED_CHANNEL", 1},
                          {"GREEN_CHANNEL", 2},
                          {"BLUE_CHANNEL", 4},
                          {"ALPHA_CHANNEL", 8}})
        vm.Define(ctor, c.first, Value::Num(c.second));
    // Enumerable, as Flash lists them.
    const struct {
        const char* name;
        NativeFn get;
    } kProperties[] = {{"width", Width},
                       {"height", Height},
                       {"transparent", Transparent},
                       {"rectangle", RectangleOf}};
    for (const auto& p : kProperties) {
        Accessor(vm, proto, p.name, p.get, nullptr);
        if (Property* prop = proto->FindOwn(vm.Key(p.name)))
            prop->flags = 0;
    }
}

} // namespace ww::movie::avm1
