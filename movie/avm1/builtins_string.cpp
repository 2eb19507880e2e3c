// String and its methods. Indexes count characters of the UTF-8 text.
#include "movie/avm1/builtins_util.h"
#include "movie/avm1/convert.h"

#include <algorithm>
#include <cmath>

namespace ww::movie::avm1 {

namespace {

std::string Text(Vm& vm, const Value& self) {
    if (self.type == Type::Object && self.o->kind == ObjectKind::String)
        return self.o->primitive.s;
    return vm.ToString(self);
}

// Characters from..to (end exclusive) of s.
std::string Chars(const std::string& s, size_t from, size_t to) {
    if (to <= from)
        return std::string();
    const size_t a = Utf8Offset(s, from), b = Utf8Offset(s, to);
    return s.substr(a, b - a);
}

Value StringCtor(Vm& vm, Value, const Args& args) {
    return Value::Str(args.size() ? vm.ToString(args[0]) : "");
}

Value StringConstruct(Vm& vm, Value self, const Args& args) {
    self.o->kind = ObjectKind::String;
    self.o->primitive = Value::Str(args.size() ? vm.ToString(args[0]) : "");
    vm.Define(self.o, "length", Value::Num(static_cast<double>(Utf8Length(self.o->primitive.s))),
              kDontEnum | kDontDelete);
    return self;
}

Value StringToStringMethod(Vm& vm, Value self, const Args&) {
    if (self.type == Type::String)
        return self;
    if (self.type == Type::Object && self.o->kind == ObjectKind::String)
        return self.o->primitive;
    return Value::Str(vm.ToString(self));
}

Value CharAt(Vm& vm, Value self, const Args& args) {
    const std::string s = Text(vm, self);
    const double i = ArgInteger(vm, args, 0, 0);
    if (i < 0 || i >= static_cast<double>(Utf8Length(s)))
        return Value::Str("");
    return Value::Str(Chars(s, static_cast<size_t>(i), static_cast<size_t>(i) + 1));
}

Value CharCodeAt(Vm& vm, Value self, const Args& args) {
    const std::string s = Text(vm, self);
    const double i = ArgInteger(vm, args, 0, 0);
    if (i < 0 || i >= static_cast<double>(Utf8Length(s)))
        return Value::Num(NAN);
    return Value::Num(static_cast<double>(Utf8At(s, static_cast<size_t>(i))));
}

Value Concat(Vm& vm, Value self, const Args& args) {
    std::string s = Text(vm, self);
    for (size_t i = 0; i < args.size() && s.size() < kMaxStringLength; ++i)
        s += vm.ToString(args[i]);
    if (s.size() > kMaxStringLength)
        s.resize(kMaxStringLength);
    return Value::Str(s);
}

// The character index of a byte offset.
double CharIndex(const std::string& s, size_t byte) {
    return static_cast<double>(Utf8Length(s.substr(0, byte)));
}

Value IndexOf(Vm& vm, Value self, const Args& args) {
    const std::string s = Text(vm, self);
    const std::string what = vm.ToString(args[0]);
    double from = ArgInteger(vm, args, 1, 0);
    if (from < 0)
        from = 0;
    const size_t start = Utf8Offset(s, static_cast<size_t>(std::min(from, 1e9)));
    const size_t at = s.find(what, start);
    return Value::Num(at == std::string::npos ? -1 : CharIndex(s, at));
}

Value LastIndexOf(Vm& vm, Value self, const Args& args) {
    const std::string s = Text(vm, self);
    const std::string what = vm.ToString(args[0]);
    const double from = ArgInteger(vm, args, 1, 1e9);
    if (from < 0)
        return Value::Num(-1);
    const size_t start = Utf8Offset(s, static_cast<size_t>(std::min(from, 1e9)));
    const size_t at = s.rfind(what, start);
    return Value::Num(at == std::string::npos ? -1 : CharIndex(s, at));
}

Value Slice(Vm& vm, Value self, const Args& args) {
    const std::string s = Text(vm, self);
    const double n = static_cast<double>(Utf8Length(s));
    auto clamp = [&](double i) { return i < 0 ? std::max(0.0, n + i) : std::min(i, n); };
    const double a = clamp(ArgInteger(vm, args, 0, 0));
    const double b = clamp(ArgInteger(vm, args, 1, n));
    return Value::Str(Chars(s, static_cast<size_t>(a), static_cast<size_t>(b)));
}

Value Substring(Vm& vm, Value self, const Args& args) {
    const std::string s = Text(vm, self);
    const double n = static_cast<double>(Utf8Length(s));
    double a = std::clamp(ArgInteger(vm, args, 0, 0), 0.0, n);
    double b = std::clamp(ArgInteger(vm, args, 1, n), 0.0, n);
    if (a > b)
        std::swap(a, b);
    return Value::Str(Chars(s, static_cast<size_t>(a), static_cast<size_t>(b)));
}

Value Substr(Vm& vm, Value self, const Args& args) {
    const std::string s = Text(vm, self);
    const double n = static_cast<double>(Utf8Length(s));
    double a = ArgInteger(vm, args, 0, 0);
    if (a < 0)
        a = std::max(0.0, n + a);
    a = std::min(a, n);
    double count = ArgInteger(vm, args, 1, n - a);
    if (count < 0) {
        // Flash counts a negative length back from the end of the whole
        // string, and gives nothing when that reaches the end.
        count += n;
        if (count < 0 || a + count >= n)
            return Value::Str("");
    }
    const double b = std::min(n, a + count);
    return Value::Str(Chars(s, static_cast<size_t>(a), static_cast<size_t>(b)));
}

Value Split(Vm& vm, Value self, const Args& args) {
    const std::string s = Text(vm, self);
    std::vector<Value> parts;
    if (args.size() == 0 || args[0].IsUndefined()) {
        parts.push_back(Value::Str(s));
        return Value::Obj(vm.MakeArray(std::move(parts)));
    }
    const std::string sep = vm.ToString(args[0]);
    const double limit = ArgInteger(vm, args, 1, 4294967295.0);
    if (sep.empty()) {
        const size_t n = Utf8Length(s);
        for (size_t i = 0; i < n && parts.size() < limit; ++i)
            parts.push_back(Value::Str(Chars(s, i, i + 1)));
    } else if (!s.empty()) {
        size_t start = 0;
        while (parts.size() < limit) {
            const size_t at = s.find(sep, start);
            parts.push_back(Value::Str(
                s.substr(start, at == std::string::npos ? std::string::npos : at - start)));
            if (at == std::string::npos)
                break;
            start = at + sep.size();
        }
    } else {
        parts.push_back(Value::Str(""));
    }
    if (!vm.Charge(parts.size() * sizeof(Value)))
        parts.clear();
    return Value::Obj(vm.MakeArray(std::move(parts)));
}

std::string ChangeCase(const std::string& s, bool upper) {
    std::string out = s;
    for (char& c : out) {
        if (upper && c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (!upper && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

Value ToUpperCase(Vm& vm, Value self, const Args&) {
    return Value::Str(ChangeCase(Text(vm, self), true));
}

Value ToLowerCase(Vm& vm, Value self, const Args&) {
    return Value::Str(ChangeCase(Text(vm, self), false));
}

Value FromCharCode(Vm& vm, Value, const Args& args) {
    std::string s;
    for (size_t i = 0; i < args.size(); ++i) {
        const uint32_t c = ToUint32(vm.ToNumber(args[i])) & 0xFFFF;
        if (c)
            s += Utf8Encode(c);
    }
    return Value::Str(s);
}

} // namespace

void InstallString(Vm& vm) {
    vm.stringProto = vm.MakeObject(vm.objectProto);
    Object* ctor = MakeClass(vm, "String", StringCtor, StringConstruct, vm.stringProto);
    Method(vm, ctor, "fromCharCode", FromCharCode);
    const struct {
        const char* name;
        NativeFn fn;
    } kMethods[] = {{"toString", StringToStringMethod},
                    {"valueOf", StringToStringMethod},
                    {"charAt", CharAt},
                    {"charCodeAt", CharCodeAt},
                    {"concat", Concat},
                    {"indexOf", IndexOf},
                    {"lastIndexOf", LastIndexOf},
                    {"slice", Slice},
                    {"substring", Substring},
                    {"substr", Substr},
                    {"split", Split},
                    {"toUpperCase", ToUpperCase},
                    {"toLowerCase", ToLowerCase}};
    for (const auto& m : kMethods)
        Method(vm, vm.stringProto, m.name, m.fn);
}

} // namespace ww::movie::avm1
