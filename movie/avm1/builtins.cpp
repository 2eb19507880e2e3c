// Object, Function, Array, String, Number, Boolean, Math, Error,
// AsBroadcaster and the global functions.
#include "movie/avm1/builtins_util.h"
#include "movie/avm1/convert.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ww::movie::avm1 {

Object* Method(Vm& vm, Object* on, const char* name, NativeFn fn) {
    Object* f = vm.MakeFunction(fn);
    vm.Define(on, name, Value::Obj(f), kDontEnum);
    return f;
}

Object* SelfObject(const Value& self) {
    return self.type == Type::Object ? self.o : nullptr;
}

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string Unpercent(const std::string& s, bool plusIsSpace) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
            i += 2;
        } else {
            out += plusIsSpace && s[i] == '+' ? ' ' : s[i];
        }
    }
    return out;
}

void AppendEscaped(const std::string& s, bool apostrophes, std::string* out) {
    for (char c : s) {
        switch (c) {
        case '&':
            *out += "&amp;";
            break;
        case '<':
            *out += "&lt;";
            break;
        case '>':
            *out += "&gt;";
            break;
        case '"':
            *out += "&quot;";
            break;
        case '\'':
            *out += apostrophes ? "&apos;" : "'";
            break;
        default:
            *out += c;
        }
    }
}

Object* Namespace(Vm& vm, Object* in, const char* name) {
    const Value existing = vm.GetOf(in, name);
    if (existing.IsObject())
        return existing.o;
    Object* o = vm.MakeObject(vm.objectProto);
    vm.Define(in, name, Value::Obj(o), kDontEnum);
    return o;
}

namespace {

// Object ------------------------------------------------------------------

Value ObjectCtor(Vm& vm, Value, const Args& args) {
    if (args.size() > 0 && !args[0].IsNullish()) {
        Object* o = vm.ToObject(args[0]);
        return Value::Obj(o);
    }
    // Called as a function with nothing to wrap, Object gives a bare object
    // with no prototype at all.
    return Value::Obj(vm.MakeObject(nullptr));
}

Value ObjectConstruct(Vm& vm, Value self, const Args& args) {
    if (args.size() > 0 && args[0].type == Type::Object)
        return args[0];
    if (args.size() > 0 && !args[0].IsNullish())
        return Value::Obj(vm.ToObject(args[0]));
    return self;
}

Value ObjectToString(Vm&, Value self, const Args&) {
    if (self.type == Type::Object && self.o->IsFunction())
        return Value::Str("[type Function]");
    return Value::Str("[object Object]");
}

Value ObjectValueOf(Vm&, Value self, const Args&) {
    return self;
}

Value HasOwnProperty(Vm& vm, Value self, const Args& args) {
    Object* o = SelfObject(self);
    if (!o || args.size() == 0)
        return Value::Bool(false);
    const std::string name = vm.ToString(args[0]);
    // Flash never owns the empty name, nor an array's length.
    if (name.empty() || (o->kind == ObjectKind::Array && name == "length"))
        return Value::Bool(false);
    return Value::Bool(vm.Has(o, name));
}

Value IsPropertyEnumerable(Vm& vm, Value self, const Args& args) {
    Object* o = SelfObject(self);
    if (!o)
        return Value::Bool(false);
    const std::string name = vm.ToString(args[0]);
    if (o->kind == ObjectKind::Array && vm.Has(o, name) && name != "length")
        return Value::Bool(true);
    Property* p = o->FindOwn(vm.Key(name));
    return Value::Bool(p && !(p->flags & kDontEnum));
}

Value IsPrototypeOf(Vm& vm, Value self, const Args& args) {
    Object* o = SelfObject(self);
    if (!o || args[0].type != Type::Object)
        return Value::Bool(false);
    Object* p = vm.ProtoOf(args[0].o);
    for (int d = 0; p && d < 256; ++d, p = vm.ProtoOf(p)) {
        if (p == o)
            return Value::Bool(true);
    }
    return Value::Bool(false);
}

Value AddProperty(Vm& vm, Value self, const Args& args) {
    Object* o = SelfObject(self);
    const std::string name = vm.ToString(args[0]);
    if (!o || name.empty() || args[1].type != Type::Object || !args[1].o->IsFunction())
        return Value::Bool(false);
    Object* setter = args[2].type == Type::Object && args[2].o->IsFunction() ? args[2].o : nullptr;
    if (!setter && !args[2].IsNull() && args.size() > 2 && args[2].type != Type::Null)
        return Value::Bool(false);
    vm.Define(o, name, Value::Undefined());
    Property* p = o->FindOwn(vm.Key(name));
    if (p) {
        p->getter = args[1].o;
        p->setter = setter;
    }
    return Value::Bool(true);
}

Value WatchMethod(Vm& vm, Value self, const Args& args) {
    Object* o = SelfObject(self);
    if (!o || args[1].type != Type::Object || !args[1].o->IsFunction())
        return Value::Bool(false);
    const std::string name = vm.ToString(args[0]);
    for (Watch& w : o->watches) {
        if (vm.Key(w.name) == vm.Key(name)) {
            w.callback = args[1].o;
            w.data = args[2];
            return Value::Bool(true);
        }
    }
    o->watches.push_back(Watch{name, args[1].o, args[2]});
    return Value::Bool(true);
}

Value UnwatchMethod(Vm& vm, Value self, const Args& args) {
    Object* o = SelfObject(self);
    if (!o)
        return Value::Bool(false);
    const std::string key = vm.Key(vm.ToString(args[0]));
    for (size_t i = 0; i < o->watches.size(); ++i) {
        if (vm.Key(o->watches[i].name) == key) {
            o->watches.erase(o->watches.begin() + static_cast<ptrdiff_t>(i));
            return Value::Bool(true);
        }
    }
    return Value::Bool(false);
}

// Any name is taken; the class must be a function, or null to forget one.
Value RegisterClass(Vm&, Value, const Args& args) {
    if (args.size() < 2)
        return Value::Bool(false);
    return Value::Bool(args[1].IsNull() || (args[1].IsObject() && args[1].o->IsFunction()));
}

// ASSetPropFlags(object, names, set, clear): names a comma list, an array
// or null for all.
Value SetPropFlags(Vm& vm, Value, const Args& args) {
    Object* o = args[0].type == Type::Object ? args[0].o : nullptr;
    if (!o)
        return Value::Undefined();
    // Flash reads the flags before the names.
    const uint32_t set = ToUint32(vm.ToNumber(args[2]));
    const uint32_t clear = args.size() > 3 ? ToUint32(vm.ToNumber(args[3])) : 0;
    std::vector<std::string> names;
    bool all = args[1].IsNull();
    if (args[1].type == Type::Object && args[1].o->kind == ObjectKind::Array) {
        for (const Value& v : args[1].o->elements)
            names.push_back(vm.ToString(v));
    } else if (!all) {
        const std::string list = vm.ToString(args[1]);
        size_t start = 0;
        while (start <= list.size()) {
            const size_t comma = list.find(',', start);
            names.push_back(
                list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
    }
    for (Property& p : o->props) {
        if (!all && std::find_if(names.begin(), names.end(), [&](const std::string& n) {
                        return vm.Key(n) == vm.Key(p.name);
                    }) == names.end())
            continue;
        p.flags = static_cast<uint8_t>((p.flags & ~clear) | (set & 7));
        p.versionMask = static_cast<uint16_t>((p.versionMask & ~clear) | (set & ~7u));
    }
    return Value::Undefined();
}

// Function ------------------------------------------------------------------

// Function(x) gives x back; with nothing, a bare object with no prototype.
Value FunctionCtor(Vm& vm, Value, const Args& args) {
    if (args.size() > 0)
        return args[0];
    return Value::Obj(vm.MakeObject(nullptr));
}

Value FunctionCall(Vm& vm, Value self, const Args& args) {
    Value thisArg = args.size() > 0 ? args[0] : Value::Undefined();
    const Args rest{args.size() > 1 ? args.values + 1 : nullptr,
                    args.size() > 1 ? args.size() - 1 : 0};
    if (thisArg.IsNullish())
        thisArg = Value::Undefined();
    return vm.Call(self, thisArg, rest);
}

Value FunctionApply(Vm& vm, Value self, const Args& args) {
    std::vector<Value> list;
    if (args[1].type == Type::Object) {
        Object* a = args[1].o;
        if (a->kind == ObjectKind::Array) {
            list = a->elements;
        } else {
            const double n = vm.ToNumber(vm.GetOf(a, "length"));
            for (size_t i = 0; i < std::min(n, 65535.0); ++i)
                list.push_back(vm.GetOf(a, std::to_string(i)));
        }
    }
    return vm.Call(self, args[0], Args{list.data(), list.size()});
}

// Boolean, Number ------------------------------------------------------------

Value BooleanCtor(Vm& vm, Value, const Args& args) {
    if (args.size() == 0)
        return Value::Undefined();
    return Value::Bool(vm.ToBoolean(args[0]));
}

Value BooleanConstruct(Vm& vm, Value self, const Args& args) {
    Object* o = self.o;
    o->kind = ObjectKind::Boolean;
    o->primitive = Value::Bool(args.size() ? vm.ToBoolean(args[0]) : false);
    return self;
}

Value PrimitiveOf(const Value& self, ObjectKind kind, Type type, bool* ok) {
    *ok = true;
    if (self.type == type)
        return self;
    if (self.type == Type::Object && self.o->kind == kind)
        return self.o->primitive;
    *ok = false;
    return Value::Undefined();
}

Value BooleanToString(Vm&, Value self, const Args&) {
    bool ok;
    Value v = PrimitiveOf(self, ObjectKind::Boolean, Type::Boolean, &ok);
    return ok ? Value::Str(v.b ? "true" : "false") : Value::Undefined();
}

Value BooleanValueOf(Vm&, Value self, const Args&) {
    bool ok;
    Value v = PrimitiveOf(self, ObjectKind::Boolean, Type::Boolean, &ok);
    return ok ? v : Value::Undefined();
}

Value NumberCtor(Vm& vm, Value, const Args& args) {
    return Value::Num(args.size() ? vm.ToNumber(args[0]) : 0);
}

Value NumberConstruct(Vm& vm, Value self, const Args& args) {
    self.o->kind = ObjectKind::Number;
    self.o->primitive = Value::Num(args.size() ? vm.ToNumber(args[0]) : 0);
    return self;
}

Value NumberToStringMethod(Vm& vm, Value self, const Args& args) {
    bool ok;
    Value v = PrimitiveOf(self, ObjectKind::Number, Type::Number, &ok);
    if (!ok)
        return Value::Undefined();
    const double radix = ArgInteger(vm, args, 0, 10);
    return Value::Str(NumberToRadix(v.n, static_cast<int>(radix)));
}

Value NumberValueOf(Vm&, Value self, const Args&) {
    bool ok;
    Value v = PrimitiveOf(self, ObjectKind::Number, Type::Number, &ok);
    return ok ? v : Value::Undefined();
}

// Globals -------------------------------------------------------------------

// With no argument there is no number at all, whatever the version.
Value IsNaNFn(Vm& vm, Value, const Args& args) {
    if (args.size() == 0)
        return Value::Bool(true);
    return Value::Bool(std::isnan(vm.ToNumber(args[0])));
}

Value IsFiniteFn(Vm& vm, Value, const Args& args) {
    if (args.size() == 0)
        return Value::Bool(false);
    return Value::Bool(std::isfinite(vm.ToNumber(args[0])));
}

Value ParseIntFn(Vm& vm, Value, const Args& args) {
    if (args.size() == 0)
        return Value::Undefined();
    const std::string text = vm.ToString(args[0]);
    if (args.size() < 2)
        return Value::Num(ParseIntPrefix(text, 0));
    // A radix given but not from 2 to 36 (undefined and NaN included) is NaN.
    const double radix = ArgInteger(vm, args, 1, 0);
    if (radix < 2 || radix > 36)
        return Value::Num(NAN);
    return Value::Num(ParseIntPrefix(text, static_cast<int>(radix)));
}

Value ParseFloatFn(Vm& vm, Value, const Args& args) {
    if (args.size() == 0)
        return Value::Undefined();
    return Value::Num(ParseFloatPrefix(vm.ToString(args[0])));
}

Value EscapeFn(Vm& vm, Value, const Args& args) {
    const std::string s = vm.ToString(args[0]);
    std::string out;
    for (unsigned char c : s) {
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return Value::Str(out);
}

Value UnescapeFn(Vm& vm, Value, const Args& args) {
    return Value::Str(Unpercent(vm.ToString(args[0]), true));
}

Value GetTimerFn(Vm& vm, Value, const Args&) {
    return Value::Num(std::floor(vm.TimerMs()));
}

Value AddTimer(Vm& vm, const Args& args, bool repeat) {
    Vm::Timer t{};
    size_t next = 0;
    if (args[0].type == Type::Object && args[0].o->IsFunction()) {
        t.fn = args[0].o;
        next = 1;
    } else if (args[0].type == Type::Object) {
        t.self = args[0].o;
        t.method = vm.ToString(args[1]);
        next = 2;
    } else {
        return Value::Undefined();
    }
    if (args.size() <= next || args[next].IsUndefined())
        return Value::Undefined();
    t.interval = ArgInteger(vm, args, next, 0);
    for (size_t i = next + 1; i < args.size(); ++i)
        t.args.push_back(args[i]);
    t.repeat = repeat;
    t.due = vm.TimerMs() + std::max(1.0, t.interval);
    t.id = vm.nextTimerId++;
    if (vm.timers.size() >= 4096)
        return Value::Undefined();
    vm.timers.push_back(t);
    return Value::Num(t.id);
}

Value SetIntervalFn(Vm& vm, Value, const Args& args) {
    return AddTimer(vm, args, true);
}

Value SetTimeoutFn(Vm& vm, Value, const Args& args) {
    return AddTimer(vm, args, false);
}

Value ClearTimerFn(Vm& vm, Value, const Args& args) {
    const double id = vm.ToNumber(args[0]);
    vm.timers.erase(std::remove_if(vm.timers.begin(), vm.timers.end(),
                                   [&](const Vm::Timer& t) { return t.id == id; }),
                    vm.timers.end());
    return Value::Undefined();
}

Value TraceFn(Vm& vm, Value, const Args& args) {
    vm.Trace(args[0].IsUndefined() ? "undefined" : vm.ToString(args[0]));
    return Value::Undefined();
}

// Math -----------------------------------------------------------------------

double Arg(Vm& vm, const Args& args, size_t i) {
    return i < args.size() ? vm.ToNumber(args[i]) : NAN;
}

#define WW_MATH1(NAME, EXPR)                                                                       \
    Value NAME(Vm& vm, Value, const Args& args) {                                                  \
        const double x = Arg(vm, args, 0);                                                         \
        if (args.size() > 1)                                                                       \
            Arg(vm, args, 1); /* Flash converts a second argument it then ignores */               \
        return Value::Num(EXPR);                                                                   \
    }
WW_MATH1(MathAbs, std::fabs(x))
WW_MATH1(MathAcos, std::acos(x))
WW_MATH1(MathAsin, std::asin(x))
WW_MATH1(MathAtan, std::atan(x))
WW_MATH1(MathCeil, std::ceil(x))
WW_MATH1(MathCos, std::cos(x))
WW_MATH1(MathExp, std::exp(x))
WW_MATH1(MathFloor, std::floor(x))
WW_MATH1(MathLog, std::log(x))
WW_MATH1(MathRound, std::floor(x + 0.5))
WW_MATH1(MathSin, std::sin(x))
WW_MATH1(MathSqrt, std::sqrt(x))
WW_MATH1(MathTan, std::tan(x))
#undef WW_MATH1

Value MathAtan2(Vm& vm, Value, const Args& args) {
    const double y = Arg(vm, args, 0); // converted in order: valueOf may trace
    return Value::Num(std::atan2(y, Arg(vm, args, 1)));
}

Value MathPow(Vm& vm, Value, const Args& args) {
    const double base = Arg(vm, args, 0);
    return Value::Num(std::pow(base, Arg(vm, args, 1)));
}

// Flash's min and max take two arguments: one alone is NaN, a third is
// never looked at.
Value MathMinMax(Vm& vm, const Args& args, bool max) {
    if (args.size() == 0)
        return Value::Num(max ? -INFINITY : INFINITY);
    const double a = vm.ToNumber(args[0]);
    if (args.size() == 1)
        return Value::Num(NAN);
    const double b = vm.ToNumber(args[1]);
    if (std::isnan(a) || std::isnan(b))
        return Value::Num(NAN);
    return Value::Num(max ? std::max(a, b) : std::min(a, b));
}

Value MathMax(Vm& vm, Value, const Args& args) {
    return MathMinMax(vm, args, true);
}

Value MathMin(Vm& vm, Value, const Args& args) {
    return MathMinMax(vm, args, false);
}

Value MathRandom(Vm& vm, Value, const Args& args) {
    for (size_t i = 0; i < args.size() && i < 2; ++i)
        Arg(vm, args, i); // converted and ignored, like every Math function's first two
    return Value::Num(vm.Random());
}

// Error ----------------------------------------------------------------------

Value ErrorConstruct(Vm& vm, Value self, const Args& args) {
    if (args.size() > 0 && !args[0].IsUndefined())
        vm.Set(self.o, "message", args[0]);
    return self;
}

Value ErrorCtor(Vm& vm, Value, const Args& args) {
    return vm.Construct(vm.GetOf(vm.global, "Error"), args);
}

Value ErrorToString(Vm& vm, Value self, const Args&) {
    return Value::Str(vm.ToString(vm.Get(self, "message")));
}

// AsBroadcaster ----------------------------------------------------------------

Value BroadcastMessage(Vm& vm, Value self, const Args& args) {
    Value listeners = vm.Get(self, "_listeners");
    if (listeners.type != Type::Object || listeners.o->kind != ObjectKind::Array)
        return Value::Undefined();
    const std::string name = vm.ToString(args[0]);
    const std::vector<Value> copy = listeners.o->elements;
    const Args rest{args.size() > 1 ? args.values + 1 : nullptr,
                    args.size() > 1 ? args.size() - 1 : 0};
    for (const Value& l : copy) {
        vm.CallMethod(l, name, rest);
        if (vm.throwing())
            break;
    }
    return Value::Bool(!copy.empty());
}

Value AddListener(Vm& vm, Value self, const Args& args) {
    Value listeners = vm.Get(self, "_listeners");
    if (listeners.type != Type::Object || listeners.o->kind != ObjectKind::Array)
        return Value::Bool(false);
    auto& e = listeners.o->elements;
    for (const Value& v : e) {
        if (vm.StrictEquals(v, args[0]))
            return Value::Bool(true);
    }
    vm.SetLength(listeners.o, e.size() + 1);
    if (!e.empty())
        e.back() = args[0];
    return Value::Bool(true);
}

Value RemoveListener(Vm& vm, Value self, const Args& args) {
    Value listeners = vm.Get(self, "_listeners");
    if (listeners.type != Type::Object || listeners.o->kind != ObjectKind::Array)
        return Value::Bool(false);
    auto& e = listeners.o->elements;
    for (size_t i = 0; i < e.size(); ++i) {
        if (vm.StrictEquals(e[i], args[0])) {
            e.erase(e.begin() + static_cast<ptrdiff_t>(i));
            return Value::Bool(true);
        }
    }
    return Value::Bool(false);
}

Value BroadcasterInitialize(Vm& vm, Value, const Args& args) {
    if (args[0].type != Type::Object)
        return Value::Undefined();
    Object* o = args[0].o;
    Value b = vm.GetOf(vm.global, "AsBroadcaster");
    for (const char* name : {"broadcastMessage", "addListener", "removeListener"})
        vm.Define(o, name, b.type == Type::Object ? vm.GetOf(b.o, name) : Value(), kDontEnum);
    vm.Define(o, "_listeners", Value::Obj(vm.MakeArray()), kDontEnum);
    return Value::Undefined();
}

} // namespace

Object* MakeClass(Vm& vm, const char* name, NativeFn call, NativeFn construct, Object* proto) {
    Object* ctor = vm.MakeFunction(call, construct, proto);
    vm.Define(vm.global, name, Value::Obj(ctor), kDontEnum);
    return ctor;
}

void InstallCoreBuiltins(Vm& vm) {
    Heap& heap = vm.heap();
    // The first prototypes are made before the functions that refer to them.
    vm.objectProto = heap.Make(ObjectKind::Plain);
    vm.functionProto = heap.Make(ObjectKind::Plain);
    vm.Define(vm.functionProto, "__proto__", Value::Obj(vm.objectProto), kDontEnum);
    // _global has no prototype: it answers only what is defined on it.
    vm.global = vm.MakeObject();

    vm.objectCtor = MakeClass(vm, "Object", ObjectCtor, ObjectConstruct, vm.objectProto);
    Method(vm, vm.objectProto, "toString", ObjectToString);
    Method(vm, vm.objectProto, "toLocaleString", ObjectToString);
    Method(vm, vm.objectProto, "valueOf", ObjectValueOf);
    Method(vm, vm.objectProto, "hasOwnProperty", HasOwnProperty);
    // Movies before version 6 do not see it (ASSetPropFlags' version bit).
    constexpr uint16_t kFromSwf6 = 0x80;
    if (Property* p = vm.objectProto->FindOwn(vm.Key("hasOwnProperty")))
        p->versionMask = kFromSwf6;
    Method(vm, vm.objectProto, "isPropertyEnumerable", IsPropertyEnumerable);
    Method(vm, vm.objectProto, "isPrototypeOf", IsPrototypeOf);
    Method(vm, vm.objectProto, "addProperty", AddProperty);
    Method(vm, vm.objectProto, "watch", WatchMethod);
    Method(vm, vm.objectProto, "unwatch", UnwatchMethod);
    Method(vm, vm.objectCtor, "registerClass", RegisterClass);

    Object* functionCtor = MakeClass(vm, "Function", FunctionCtor, nullptr, vm.functionProto);
    (void)functionCtor;
    Method(vm, vm.functionProto, "call", FunctionCall);
    Method(vm, vm.functionProto, "apply", FunctionApply);

    vm.booleanProto = vm.MakeObject(vm.objectProto);
    MakeClass(vm, "Boolean", BooleanCtor, BooleanConstruct, vm.booleanProto);
    Method(vm, vm.booleanProto, "toString", BooleanToString);
    Method(vm, vm.booleanProto, "valueOf", BooleanValueOf);

    vm.numberProto = vm.MakeObject(vm.objectProto);
    Object* number = MakeClass(vm, "Number", NumberCtor, NumberConstruct, vm.numberProto);
    Method(vm, vm.numberProto, "toString", NumberToStringMethod);
    Method(vm, vm.numberProto, "valueOf", NumberValueOf);
    vm.Define(number, "MAX_VALUE", Value::Num(1.7976931348623157e308),
              kDontEnum | kDontDelete | kReadOnly);
    vm.Define(number, "MIN_VALUE", Value::Num(4.9406564584124654e-324),
              kDontEnum | kDontDelete | kReadOnly);
    vm.Define(number, "NaN", Value::Num(NAN), kDontEnum | kDontDelete | kReadOnly);
    vm.Define(number, "NEGATIVE_INFINITY", Value::Num(-INFINITY),
              kDontEnum | kDontDelete | kReadOnly);
    vm.Define(number, "POSITIVE_INFINITY", Value::Num(INFINITY),
              kDontEnum | kDontDelete | kReadOnly);

    InstallArray(vm);
    InstallString(vm);
    InstallDate(vm);

    Object* math = vm.MakeObject(vm.objectProto);
    vm.Define(vm.global, "Math", Value::Obj(math), kDontEnum);
    const struct {
        const char* name;
        NativeFn fn;
    } kMath[] = {{"abs", MathAbs},   {"acos", MathAcos},     {"asin", MathAsin},
                 {"atan", MathAtan}, {"atan2", MathAtan2},   {"ceil", MathCeil},
                 {"cos", MathCos},   {"exp", MathExp},       {"floor", MathFloor},
                 {"log", MathLog},   {"max", MathMax},       {"min", MathMin},
                 {"pow", MathPow},   {"random", MathRandom}, {"round", MathRound},
                 {"sin", MathSin},   {"sqrt", MathSqrt},     {"tan", MathTan}};
    for (const auto& m : kMath)
        Method(vm, math, m.name, m.fn);
    const struct {
        const char* name;
        double value;
    } kConstants[] = {{"E", 2.718281828459045},        {"LN10", 2.302585092994046},
                      {"LN2", 0.6931471805599453},     {"LOG10E", 0.4342944819032518},
                      {"LOG2E", 1.4426950408889634},   {"PI", 3.141592653589793},
                      {"SQRT1_2", 0.7071067811865476}, {"SQRT2", 1.4142135623730951}};
    for (const auto& c : kConstants)
        vm.Define(math, c.name, Value::Num(c.value), kDontEnum | kDontDelete | kReadOnly);

    vm.errorProto = vm.MakeObject(vm.objectProto);
    MakeClass(vm, "Error", ErrorCtor, ErrorConstruct, vm.errorProto);
    vm.Define(vm.errorProto, "name", Value::Str("Error"), kDontEnum);
    vm.Define(vm.errorProto, "message", Value::Str("Error"), kDontEnum);
    Method(vm, vm.errorProto, "toString", ErrorToString);

    Object* broadcaster = vm.MakeObject(vm.objectProto);
    vm.Define(vm.global, "AsBroadcaster", Value::Obj(broadcaster), kDontEnum);
    Method(vm, broadcaster, "initialize", BroadcasterInitialize);
    Method(vm, broadcaster, "broadcastMessage", BroadcastMessage);
    Method(vm, broadcaster, "addListener", AddListener);
    Method(vm, broadcaster, "removeListener", RemoveListener);

    const struct {
        const char* name;
        NativeFn fn;
    } kGlobals[] = {{"isNaN", IsNaNFn},
                    {"isFinite", IsFiniteFn},
                    {"parseInt", ParseIntFn},
                    {"parseFloat", ParseFloatFn},
                    {"escape", EscapeFn},
                    {"unescape", UnescapeFn},
                    {"getTimer", GetTimerFn},
                    {"setInterval", SetIntervalFn},
                    {"setTimeout", SetTimeoutFn},
                    {"clearInterval", ClearTimerFn},
                    {"clearTimeout", ClearTimerFn},
                    {"ASSetPropFlags", SetPropFlags},
                    {"trace", TraceFn}};
    for (const auto& g : kGlobals)
        Method(vm, vm.global, g.name, g.fn);
    vm.Define(vm.global, "NaN", Value::Num(NAN), kDontEnum);
    vm.Define(vm.global, "Infinity", Value::Num(INFINITY), kDontEnum);
}

} // namespace ww::movie::avm1
