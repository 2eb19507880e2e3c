#include "movie/avm1/vm.h"

#include "movie/avm1/clip.h"
#include "movie/avm1/convert.h"
#include "movie/avm1/geom.h"
#include "movie/focus.h"
#include "movie/instance.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace ww::movie::avm1 {

namespace {

constexpr int kMaxProtoDepth = 256;
constexpr size_t kMaxWarnings = 16;
constexpr size_t kMaxArrayLength = 1u << 24;
// What one property, element or object is charged, beyond its text.
constexpr uint64_t kPropertyCost = sizeof(Property) + 32;
constexpr uint64_t kObjectCost = sizeof(Object) + 64;

bool IsIndex(const std::string& name, size_t* index) {
    if (name.empty() || name.size() > 9)
        return false;
    if (name.size() > 1 && name[0] == '0')
        return false;
    size_t v = 0;
    for (char c : name) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + static_cast<size_t>(c - '0');
    }
    *index = v;
    return true;
}

} // namespace

Property* Object::FindOwn(const std::string& key) {
    auto it = index.find(key);
    return it == index.end() ? nullptr : &props[it->second];
}

Object* Heap::Make(ObjectKind kind) {
    objects_.push_back(std::make_unique<Object>(kind));
    bytes_ += kObjectCost;
    return objects_.back().get();
}

void Heap::Sweep() {
    size_t kept = 0;
    for (size_t i = 0; i < objects_.size(); ++i) {
        if (objects_[i]->marked) {
            objects_[i]->marked = false;
            objects_[kept++] = std::move(objects_[i]);
        } else {
            Release(kObjectCost + objects_[i]->charged);
        }
    }
    objects_.resize(kept);
}

namespace {

void Push(std::vector<Object*>& work, Object* o) {
    if (o && !o->marked) {
        o->marked = true;
        work.push_back(o);
    }
}

void PushValue(std::vector<Object*>& work, const Value& v) {
    if (v.type == Type::Object)
        Push(work, v.o);
}

// An explicit work list: a long chain of objects must not exhaust the stack.
void MarkFrom(std::vector<Object*>& work) {
    while (!work.empty()) {
        Object* o = work.back();
        work.pop_back();
        for (const Property& p : o->props) {
            PushValue(work, p.value);
            Push(work, p.getter);
            Push(work, p.setter);
        }
        for (const Value& v : o->elements)
            PushValue(work, v);
        PushValue(work, o->primitive);
        for (Object* s : o->scope)
            Push(work, s);
        for (Object* s : o->interfaces)
            Push(work, s);
        Push(work, o->boundThis);
        Push(work, o->target);
        Push(work, o->home);
        for (const Watch& w : o->watches) {
            Push(work, w.callback);
            PushValue(work, w.data);
        }
    }
}

} // namespace

void Mark(Object* o) {
    std::vector<Object*> work;
    Push(work, o);
    MarkFrom(work);
}

void Mark(const Value& v) {
    if (v.type == Type::Object)
        Mark(v.o);
}

Vm::Vm(Player* player, const VmOptions& options) : player_(player), options_(options) {
    random_.seed(options.seeded ? options.seed : std::random_device()());
    startMs_ = options.clockMs >= 0 ? options.clockMs : NowMs();
    frameMs_ = 0;
    InstallBuiltins();
}

Vm::~Vm() = default;

void Vm::InstallBuiltins() {
    InstallCoreBuiltins(*this);
    InstallClipBuiltins(*this);
    InstallGeomBuiltins(*this);
    InstallBitmapBuiltins(*this);
}

void Vm::Warn(const std::string& text) {
    if (warnings_.size() < kMaxWarnings &&
        std::find(warnings_.begin(), warnings_.end(), text) == warnings_.end())
        warnings_.push_back(text);
}

double Vm::NowMs() {
    if (options_.clockMs >= 0)
        return options_.clockMs + frameMs_;
    using namespace std::chrono;
    return static_cast<double>(
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

double Vm::Random() {
    return std::uniform_real_distribution<double>(0.0, 1.0)(random_);
}

void Vm::Trace(const std::string& line) {
    if (options_.trace)
        options_.trace(line);
}

bool Vm::Charge(uint64_t bytes) {
    if (bytes > kScriptMemoryCap - std::min(kScriptMemoryCap, heap_.bytes())) {
        if (status_ != Status::Abort)
            Warn("a script passed the memory cap and was stopped");
        status_ = Status::Abort;
        return false;
    }
    heap_.Charge(bytes);
    return true;
}

void Vm::Throw(const Value& v) {
    if (status_ == Status::Abort)
        return;
    status_ = Status::Throw;
    thrown_ = v;
}

namespace {

// The lower case of a letter as Flash's own table has it: Latin, Greek,
// Cyrillic, Armenian and the full-width forms, but none of the letters later
// Unicode versions added (U+023A, U+03F7 stay as they are).
uint32_t LowerCase(uint32_t c) {
    auto pairs = [c](uint32_t first, uint32_t last) {
        return c >= first && c <= last && ((c - first) & 1) == 0;
    };
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 32;
    if (c < 0x100)
        return c;
    if ((pairs(0x100, 0x12F) || pairs(0x132, 0x137) || pairs(0x139, 0x148) || pairs(0x14A, 0x177) ||
         pairs(0x179, 0x17E) || pairs(0x1CD, 0x1DC) || pairs(0x1DE, 0x1EF) || pairs(0x1F4, 0x1F5) ||
         pairs(0x1F8, 0x21F) || pairs(0x222, 0x233) || pairs(0x3D8, 0x3EF) || pairs(0x460, 0x481) ||
         pairs(0x48A, 0x4BF) || pairs(0x4C1, 0x4CE) || pairs(0x4D0, 0x4F5) || pairs(0x4F8, 0x4F9) ||
         pairs(0x500, 0x50F) || pairs(0x1E00, 0x1E95) || pairs(0x1EA0, 0x1EF9)))
        return c + 1;
    switch (c) {
    case 0x178:
        return 0xFF;
    case 0x1C4:
    case 0x1C5:
        return 0x1C6;
    case 0x1C7:
    case 0x1C8:
        return 0x1C9;
    case 0x1CA:
    case 0x1CB:
        return 0x1CC;
    case 0x1F1:
    case 0x1F2:
        return 0x1F3;
    case 0x386:
        return 0x3AC;
    case 0x38C:
        return 0x3CC;
    default:
        break;
    }
    if (c >= 0x388 && c <= 0x38A)
        return c + 37;
    if (c == 0x38E || c == 0x38F)
        return c + 63;
    if ((c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F) ||
        (c >= 0xFF21 && c <= 0xFF3A))
        return c + 32;
    if (c >= 0x400 && c <= 0x40F)
        return c + 80;
    if (c >= 0x531 && c <= 0x556)
        return c + 48;
    return c;
}

void AppendUtf8(std::string* out, uint32_t c) {
    if (c < 0x80) {
        *out += static_cast<char>(c);
    } else if (c < 0x800) {
        *out += static_cast<char>(0xC0 | (c >> 6));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out += static_cast<char>(0xE0 | (c >> 12));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::string Vm::Key(const std::string& name) const {
    if (options_.swfVersion >= 7)
        return name;
    std::string key;
    key.reserve(name.size());
    for (size_t i = 0; i < name.size();) {
        const unsigned char b = static_cast<unsigned char>(name[i]);
        // Two- and three-byte letters only: the others have no case here.
        const size_t length = (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : 1;
        bool whole = length > 1 && name.size() - i >= length;
        for (size_t k = 1; whole && k < length; ++k)
            whole = (static_cast<unsigned char>(name[i + k]) & 0xC0) == 0x80;
        if (!whole) {
            key += static_cast<char>(b < 0x80 ? LowerCase(b) : b);
            ++i;
            continue;
        }
        uint32_t c = b & (length == 2 ? 0x1F : 0x0F);
        for (size_t k = 1; k < length; ++k)
            c = (c << 6) | (static_cast<unsigned char>(name[i + k]) & 0x3F);
        AppendUtf8(&key, LowerCase(c));
        i += length;
    }
    return key;
}

// Conversions -----------------------------------------------------------

Value Vm::ToPrimitive(const Value& v, bool stringHint, bool numberHint) {
    if (v.type != Type::Object)
        return v;
    Object* o = v.o;
    // A clip converts to its path for comparisons and concatenation.
    if (o->kind == ObjectKind::Clip)
        return Value::Str(o->clip ? ClipPath(*this, o) : "");
    // So does a field or button that is on the stage.
    if (o->instance && o->instance->Owner())
        return Value::Str(ClipPath(*this, o));
    // A Date reads as text unless a number is asked for outright.
    const bool dateString = o->kind == ObjectKind::Date && !numberHint;
    const char* first = stringHint || dateString ? "toString" : "valueOf";
    const char* second = stringHint || dateString ? "valueOf" : "toString";
    for (const char* name : {first, second}) {
        Value fn = Get(v, name);
        if (fn.type == Type::Object && fn.o->IsFunction()) {
            Value r = Call(fn, v, Args());
            if (throwing())
                return Value::Undefined();
            if (r.type != Type::Object)
                return r;
            if (std::string(name) == "valueOf")
                continue;
            return r;
        }
        // Asked for a value first, an object whose valueOf is no function
        // gives nothing: Flash does not go on to toString.
        if (name == first && std::string(name) == "valueOf")
            return Value::Undefined();
    }
    if (o->kind == ObjectKind::Function)
        return Value::Str("[type Function]");
    return Value::Str(o->kind == ObjectKind::Clip ? ClipPath(*this, o) : "[type Object]");
}

std::string Vm::ToString(const Value& v) {
    switch (v.type) {
    case Type::Undefined:
        return options_.swfVersion >= 7 ? "undefined" : "";
    case Type::Null:
        return "null";
    case Type::Boolean:
        // SWF 4 code writes a boolean as a number (its functions do not).
        if (CodeVersion() < 5)
            return v.b ? "1" : "0";
        return v.b ? "true" : "false";
    case Type::Number:
        return NumberToString(v.n);
    case Type::String:
        return v.s;
    case Type::Object: {
        if (v.o->kind == ObjectKind::Clip)
            return ClipPath(*this, v.o);
        Value p = ToPrimitive(v, true);
        if (p.type == Type::Object)
            return "[type Object]";
        return ToString(p);
    }
    }
    return "";
}

double Vm::ToNumber(const Value& v) {
    switch (v.type) {
    case Type::Undefined:
        return options_.swfVersion >= 7 ? NAN : 0;
    case Type::Null:
        return options_.swfVersion >= 7 ? NAN : 0;
    case Type::Boolean:
        return v.b ? 1 : 0;
    case Type::Number:
        return v.n;
    case Type::String:
        // SWF 4 reads a prefix, SWF 5 a whole decimal, later versions hexadecimal
        // and octal too.
        if (options_.swfVersion < 5)
            return StringToNumberSwf4(v.s);
        if (options_.swfVersion == 5)
            return StringToDecimal(v.s);
        return StringToNumber(v.s);
    case Type::Object: {
        if (v.o->kind == ObjectKind::Clip)
            return NAN;
        Value p = ToPrimitive(v, false, true);
        if (p.type == Type::Object)
            return NAN;
        return ToNumber(p);
    }
    }
    return NAN;
}

bool Vm::ToBoolean(const Value& v) {
    switch (v.type) {
    case Type::Undefined:
    case Type::Null:
        return false;
    case Type::Boolean:
        return v.b;
    case Type::Number:
        return v.n != 0 && !std::isnan(v.n);
    case Type::String:
        if (options_.swfVersion >= 7)
            return !v.s.empty();
        {
            const double n = ToNumber(v);
            return n != 0 && !std::isnan(n);
        }
    case Type::Object:
        return true;
    }
    return false;
}

Object* Vm::ToObject(const Value& v) {
    switch (v.type) {
    case Type::Object:
        return v.o;
    case Type::Boolean:
    case Type::Number:
    case Type::String: {
        Object* proto = v.type == Type::String   ? stringProto
                        : v.type == Type::Number ? numberProto
                                                 : booleanProto;
        Object* o = MakeObject(proto);
        o->kind = v.type == Type::String   ? ObjectKind::String
                  : v.type == Type::Number ? ObjectKind::Number
                                           : ObjectKind::Boolean;
        o->primitive = v;
        return o;
    }
    default:
        return nullptr;
    }
}

std::string Vm::TypeOf(const Value& v) {
    switch (v.type) {
    case Type::Undefined:
        return "undefined";
    case Type::Null:
        return "null";
    case Type::Boolean:
        return "boolean";
    case Type::Number:
        return "number";
    case Type::String:
        return "string";
    case Type::Object:
        if (v.o->kind == ObjectKind::Clip)
            return "movieclip";
        return v.o->IsFunction() ? "function" : "object";
    }
    return "undefined";
}

bool Vm::StrictEquals(const Value& a, const Value& b) {
    if (a.type != b.type)
        return false;
    switch (a.type) {
    case Type::Undefined:
    case Type::Null:
        return true;
    case Type::Boolean:
        return a.b == b.b;
    case Type::Number:
        // Flash takes NaN as the same as NaN here.
        return a.n == b.n || (std::isnan(a.n) && std::isnan(b.n));
    case Type::String:
        return a.s == b.s;
    case Type::Object:
        return a.o == b.o;
    }
    return false;
}

bool Vm::LooseEquals(const Value& a, const Value& b) {
    if (a.type == b.type)
        return StrictEquals(a, b);
    if (a.IsNullish() && b.IsNullish())
        return true;
    // An object with neither valueOf nor toString (_global) has no value:
    // Flash finds it equal to undefined and null.
    auto valueless = [this](const Value& v) {
        return v.type == Type::Object && v.o->kind != ObjectKind::Clip &&
               !HasAlongChain(v.o, "valueOf") && !HasAlongChain(v.o, "toString");
    };
    if (a.IsNullish() || b.IsNullish())
        return valueless(a.IsNullish() ? b : a);
    if (a.type == Type::Number && b.type == Type::String)
        return a.n == ToNumber(b);
    if (a.type == Type::String && b.type == Type::Number)
        return ToNumber(a) == b.n;
    if (a.type == Type::Boolean)
        return LooseEquals(Value::Num(a.b ? 1 : 0), b);
    if (b.type == Type::Boolean)
        return LooseEquals(a, Value::Num(b.b ? 1 : 0));
    if (a.type == Type::Object && b.type != Type::Object) {
        Value p = ToPrimitive(a);
        return p.type != Type::Object && LooseEquals(p, b);
    }
    if (b.type == Type::Object && a.type != Type::Object) {
        Value p = ToPrimitive(b);
        return p.type != Type::Object && LooseEquals(a, p);
    }
    return false;
}

Value Vm::LessThan(const Value& a0, const Value& b0) {
    // A clip, or an object with neither valueOf nor toString (_global), has
    // no value to compare: Flash answers undefined.
    auto valueless = [this](const Value& v) {
        return v.type == Type::Object &&
               (v.o->kind == ObjectKind::Clip ||
                (!HasAlongChain(v.o, "valueOf") && !HasAlongChain(v.o, "toString")));
    };
    const bool aNone = valueless(a0);
    const Value a = aNone ? Value() : ToPrimitive(a0);
    if (throwing())
        return Value::Undefined();
    const bool bNone = valueless(b0);
    const Value b = bNone ? Value() : ToPrimitive(b0);
    if (aNone || bNone)
        return Value::Undefined();
    if (a.type == Type::String && b.type == Type::String)
        return Value::Bool(a.s < b.s);
    const double x = ToNumber(a), y = ToNumber(b);
    if (std::isnan(x) || std::isnan(y))
        return Value::Undefined();
    return Value::Bool(x < y);
}

// Properties -------------------------------------------------------------

Object* Vm::ProtoOf(Object* o) {
    Property* p = o->FindOwn("__proto__");
    if (!p || p->value.type != Type::Object)
        return nullptr;
    return p->value.o;
}

Value Vm::Get(const Value& self, const std::string& name) {
    Object* o = nullptr;
    switch (self.type) {
    case Type::Object:
        o = self.o;
        break;
    case Type::String:
        if (name == "length")
            return Value::Num(static_cast<double>(Utf8Length(self.s)));
        o = stringProto;
        break;
    case Type::Number:
        o = numberProto;
        break;
    case Type::Boolean:
        o = booleanProto;
        break;
    default:
        return Value::Undefined();
    }
    if (o->kind == ObjectKind::Super) {
        Object* start = o->home ? ProtoOf(o->home) : nullptr;
        return start ? Get(Value::Obj(start), name) : Value::Undefined();
    }
    if (o->kind == ObjectKind::String && name == "length" && !o->FindOwn(Key(name)))
        return Value::Num(static_cast<double>(Utf8Length(o->primitive.s)));
    if (o->kind == ObjectKind::Array) {
        size_t i;
        if (IsIndex(name, &i) && i < o->elements.size() && !o->elements[i].IsHole())
            return o->elements[i];
        if (name == "length")
            return Value::Num(static_cast<double>(o->elements.size()));
    }
    if (o->kind == ObjectKind::Clip) {
        Value v;
        if (ClipGet(*this, o, name, &v))
            return v;
    }
    const std::string key = Key(name);
    Object* p = o;
    for (int depth = 0; p && depth < kMaxProtoDepth; ++depth) {
        Property* prop = p->FindOwn(key);
        if (prop && !(prop->versionMask && VersionHidden(prop->versionMask))) {
            if (prop->getter) {
                if (AtDepthLimit())
                    return Value::Undefined();
                return Call(Value::Obj(prop->getter), self, Args());
            }
            if (prop->setter)
                return Value::Undefined();
            return prop->value;
        }
        if (p->kind == ObjectKind::Clip && p == o) {
            Value child;
            if (ClipChild(*this, p, name, &child))
                return child;
        }
        p = ProtoOf(p);
    }
    if (p) {
        // A chain this long is a loop: Flash ends the script.
        Warn("a script followed a prototype chain that loops and was stopped");
        status_ = Status::Abort;
    }
    return Value::Undefined();
}

bool Vm::VersionHidden(uint16_t mask) const {
    // ASSetPropFlags' high bits each hide a property below one SWF version.
    const uint8_t v = options_.swfVersion;
    const struct {
        uint16_t bit;
        uint8_t from;
    } kShownFrom[] = {{0x80, 6}, {0x100, 7}, {0x400, 7}, {0x1000, 8}, {0x2000, 9}, {0x4000, 10}};
    for (const auto& k : kShownFrom) {
        if ((mask & k.bit) && v < k.from)
            return true;
    }
    return false;
}

void Vm::Define(Object* o, const std::string& name, const Value& v, uint8_t flags) {
    const std::string key = Key(name);
    Property* p = o->FindOwn(key);
    if (p) {
        p->value = v;
        p->flags = flags;
        p->getter = p->setter = nullptr;
        return;
    }
    const uint64_t cost = kPropertyCost + name.size() * 2 + v.s.size();
    if (!Charge(cost))
        return;
    o->charged += cost;
    o->index.emplace(key, o->props.size());
    Property prop;
    prop.name = name;
    prop.value = v;
    prop.flags = flags;
    o->props.push_back(std::move(prop));
}

namespace {

// The old value a watcher is given: a stored value as it stands; a value
// behind a getter reads as undefined, the getter not being run.
Value WatchedValue(Vm& vm, Object* o, const std::string& key, const std::string& name) {
    Object* p = o;
    for (int depth = 0; p && depth < kMaxProtoDepth; ++depth) {
        if (const Property* prop = p->FindOwn(key)) {
            if (prop->getter || prop->setter)
                return Value::Undefined();
            break;
        }
        p = vm.ProtoOf(p);
    }
    return vm.Get(Value::Obj(o), name);
}

} // namespace

void Vm::Set(Object* o, const std::string& name, const Value& v0) {
    if (!o)
        return;
    Value v = v0;
    if (o->kind == ObjectKind::Super)
        o = o->target;
    if (!o)
        return;
    if (o->kind == ObjectKind::Clip && ClipSet(*this, o, name, v))
        return;
    const std::string key = Key(name);
    // Watchers see the change first and may replace the value.
    for (size_t i = 0; i < o->watches.size(); ++i) {
        if (Key(o->watches[i].name) != key)
            continue;
        Watch w = o->watches[i];
        if (AtDepthLimit())
            return;
        Value args[3] = {Value::Str(name), WatchedValue(*this, o, key, name), v};
        args[2] = v;
        Value argsWithData[4] = {args[0], args[1], args[2], w.data};
        v = Call(Value::Obj(w.callback), Value::Obj(o), Args{argsWithData, 4});
        if (throwing())
            return;
        break;
    }
    if (o->kind == ObjectKind::Array) {
        size_t i;
        if (IsIndex(name, &i)) {
            if (i >= kMaxArrayLength)
                return;
            if (i >= o->elements.size())
                SetLength(o, i + 1);
            if (i < o->elements.size())
                o->elements[i] = v;
            return;
        }
        if (name == "length") {
            const double n = ToNumber(v);
            if (n >= 0 && n < kMaxArrayLength)
                SetLength(o, static_cast<size_t>(n));
            return;
        }
    }
    // A setter anywhere along the chain takes the assignment.
    Object* p = o;
    for (int depth = 0; p && depth < kMaxProtoDepth; ++depth) {
        Property* prop = p->FindOwn(key);
        if (prop && prop->versionMask && VersionHidden(prop->versionMask)) {
            // A property hidden from this version is no property: set on the
            // object itself, it becomes a plain one again.
            if (p == o) {
                *prop = Property{prop->name, v, 0, nullptr, nullptr, 0};
                return;
            }
            p = ProtoOf(p);
            continue;
        }
        if (prop && (prop->getter || prop->setter)) {
            if (prop->setter && !AtDepthLimit())
                Call(Value::Obj(prop->setter), Value::Obj(o), Args{&v, 1});
            return;
        }
        if (prop && p == o) {
            if (!(prop->flags & kReadOnly))
                prop->value = v;
            return;
        }
        p = ProtoOf(p);
    }
    Define(o, name, v);
}

bool Vm::Has(Object* o, const std::string& name) {
    if (o->kind == ObjectKind::Array) {
        size_t i;
        if (IsIndex(name, &i))
            return i < o->elements.size() && !o->elements[i].IsHole();
        if (name == "length")
            return true;
    }
    return o->FindOwn(Key(name)) != nullptr;
}

bool Vm::Delete(Object* o, const std::string& name) {
    if (o->kind == ObjectKind::Array) {
        size_t i;
        if (IsIndex(name, &i)) {
            if (i >= o->elements.size() || o->elements[i].IsHole())
                return false;
            o->elements[i] = Value::Hole();
            return true;
        }
    }
    const std::string key = Key(name);
    auto it = o->index.find(key);
    if (it == o->index.end() || (o->props[it->second].flags & kDontDelete))
        return false;
    const size_t at = it->second;
    o->props.erase(o->props.begin() + static_cast<ptrdiff_t>(at));
    o->index.erase(it);
    for (auto& entry : o->index) {
        if (entry.second > at)
            --entry.second;
    }
    return true;
}

bool Vm::HasAlongChain(Object* o, const std::string& name) {
    if (o->kind == ObjectKind::Clip) {
        Value v;
        if (ClipGet(*this, o, name, &v) || ClipChild(*this, o, name, &v))
            return true;
    }
    const std::string key = Key(name);
    Object* p = o;
    for (int depth = 0; p && depth < kMaxProtoDepth; ++depth) {
        if (p->kind == ObjectKind::Array && Has(p, name))
            return true;
        Property* prop = p->FindOwn(key);
        if (prop && !(prop->versionMask && VersionHidden(prop->versionMask)))
            return true;
        p = ProtoOf(p);
    }
    return false;
}

std::vector<std::string> Vm::EnumerableNames(Object* o) {
    std::vector<std::string> names;
    std::vector<std::string> seen;
    auto add = [&](const std::string& name) {
        const std::string key = Key(name);
        if (std::find(seen.begin(), seen.end(), key) != seen.end())
            return;
        seen.push_back(key);
        names.push_back(name);
    };
    Object* p = o;
    for (int depth = 0; p && depth < kMaxProtoDepth; ++depth) {
        for (size_t i = p->props.size(); i-- > 0;) {
            const Property& prop = p->props[i];
            if (prop.flags & kDontEnum) {
                seen.push_back(Key(prop.name));
                continue;
            }
            // Hidden from this version, it is still listed.
            add(prop.name);
        }
        // A clip's own variables come before its children, as Flash lists them.
        if (p->kind == ObjectKind::Clip && p == o)
            ClipChildNames(*this, p, &names, &seen);
        if (p->kind == ObjectKind::Array) {
            for (size_t i = p->elements.size(); i-- > 0;) {
                if (!p->elements[i].IsHole())
                    add(std::to_string(i));
            }
        }
        p = ProtoOf(p);
    }
    return names;
}

void Vm::SetLength(Object* array, size_t length) {
    if (length > kMaxArrayLength)
        length = kMaxArrayLength;
    if (length > array->elements.size()) {
        const uint64_t cost = (length - array->elements.size()) * sizeof(Value);
        if (!Charge(cost))
            return;
        array->charged += cost;
    }
    array->elements.resize(length, Value::Hole());
}

// Objects ----------------------------------------------------------------

Object* Vm::MakeObject(Object* proto) {
    Charge(0);
    Object* o = heap_.Make(ObjectKind::Plain);
    if (proto)
        Define(o, "__proto__", Value::Obj(proto), kDontEnum);
    return o;
}

Object* Vm::MakeArray(std::vector<Value> values) {
    Object* o = MakeObject(arrayProto);
    o->kind = ObjectKind::Array;
    const uint64_t cost = values.size() * sizeof(Value);
    if (Charge(cost)) {
        o->charged += cost;
        o->elements = std::move(values);
    }
    return o;
}

Object* Vm::MakeFunction(NativeFn fn, NativeFn construct, Object* proto) {
    Object* o = MakeObject(functionProto);
    o->kind = ObjectKind::Function;
    o->native = fn;
    o->construct = construct;
    if (proto) {
        Define(o, "prototype", Value::Obj(proto), kDontEnum);
        Define(proto, "constructor", Value::Obj(o), kDontEnum);
    }
    return o;
}

// Whether interface iface extends ctor (whose prototype is target), through
// its prototype chain or the interfaces it implements; work bounds a hostile
// web of interfaces.
bool Vm::InterfaceReaches(Object* iface, Object* target, Object* ctor, int* work) {
    const Value proto = GetOf(iface, "prototype");
    Object* q = proto.type == Type::Object ? proto.o : nullptr;
    for (int depth = 0; q && depth < kMaxProtoDepth && --*work > 0; ++depth) {
        if (q == target)
            return true;
        for (Object* i : q->interfaces) {
            if (i == ctor || (*work > 0 && InterfaceReaches(i, target, ctor, work)))
                return true;
        }
        q = ProtoOf(q);
    }
    return false;
}

bool Vm::InstanceOf(Object* o, Object* ctor) {
    if (!o || !ctor)
        return false;
    Value protoValue = GetOf(ctor, "prototype");
    if (protoValue.type != Type::Object)
        return false;
    Object* target = protoValue.o;
    Object* p = ProtoOf(o);
    for (int depth = 0; p && depth < kMaxProtoDepth; ++depth) {
        if (p == target)
            return true;
        // Interfaces declared by implementsOp count as well, and what they
        // extend in turn.
        int work = 1024;
        for (Object* i : p->interfaces) {
            if (i == ctor || InterfaceReaches(i, target, ctor, &work))
                return true;
        }
        p = ProtoOf(p);
    }
    return false;
}

Value Vm::Call(const Value& fn, const Value& self, const Args& args) {
    if (fn.type != Type::Object || throwing())
        return Value::Undefined();
    Object* f = fn.o;
    if (f->kind == ObjectKind::Super) {
        Object* home = f->home;
        if (f->target && f->primitive.type == Type::Number) {
            Object* p = f->target;
            for (int d = 0; p && d < f->primitive.n; ++d)
                p = ProtoOf(p);
            if (p)
                home = p;
        }
        Value ctor = home ? GetOf(home, "__constructor__") : Value::Undefined();
        if (ctor.type != Type::Object || !ctor.o->IsFunction())
            return Value::Undefined();
        const Value self = f->target ? Value::Obj(f->target) : Value::Undefined();
        if (ctor.o->construct && f->target) {
            ++depth_;
            Value r = ctor.o->construct(*this, self, args);
            --depth_;
            return r;
        }
        if (ctor.o->native)
            return Call(ctor, self, args);
        // The super constructor's own super is one step further up.
        Value proto = GetOf(ctor.o, "prototype");
        return CallScript(ctor.o, self, args, proto.type == Type::Object ? proto.o : nullptr);
    }
    if (!f->IsFunction())
        return Value::Undefined();
    if (f->native) {
        if (AtDepthLimit())
            return Value::Undefined();
        ++depth_;
        Value r = f->native(*this, self, args);
        --depth_;
        return r;
    }
    return CallScript(f, self, args, nullptr);
}

Value Vm::CallMethod(const Value& self, const std::string& name, const Args& args) {
    return Call(Get(self, name), self, args);
}

Value Vm::Construct(const Value& ctor, const Args& args) {
    if (ctor.type != Type::Object || !ctor.o->IsFunction())
        return Value::Undefined();
    Value protoValue = GetOf(ctor.o, "prototype");
    Object* o = MakeObject(protoValue.type == Type::Object ? protoValue.o : objectProto);
    Define(o, "__constructor__", ctor, kDontEnum);
    if (options_.swfVersion < 7)
        Define(o, "constructor", ctor, kDontEnum);
    Object* f = ctor.o;
    if (f->construct) {
        ++depth_;
        Value r = f->construct(*this, Value::Obj(o), args);
        --depth_;
        // A hole: the constructor refused its arguments, and new answers undefined.
        if (r.IsHole())
            return Value::Undefined();
        return r.type == Type::Object ? r : Value::Obj(o);
    }
    Value r = f->native ? Call(ctor, Value::Obj(o), args)
                        : CallScript(f, Value::Obj(o), args,
                                     protoValue.type == Type::Object ? protoValue.o : nullptr);
    if (r.type == Type::Object && f->native)
        return r;
    return Value::Obj(o);
}

// Frames and collection ----------------------------------------------------

void Vm::BeginFrame(double frameMs) {
    frameMs_ = frameMs;
    actionsLeft_ = options_.actionBudget;
    status_ = Status::Normal;
    // Timers that fell due, each at most once a frame.
    const double now = TimerMs();
    std::vector<int> due;
    for (const Timer& t : timers) {
        if (t.due <= now)
            due.push_back(t.id);
    }
    for (int id : due) {
        auto it =
            std::find_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.id == id; });
        if (it == timers.end())
            continue;
        Timer t = *it;
        if (t.repeat)
            it->due = now + std::max(1.0, t.interval);
        else
            timers.erase(it);
        Args args{t.args.data(), t.args.size()};
        if (t.fn)
            Call(Value::Obj(t.fn), t.self ? Value::Obj(t.self) : Value::Undefined(), args);
        else if (t.self)
            CallMethod(Value::Obj(t.self), t.method, args);
        if (status_ != Status::Abort)
            status_ = Status::Normal;
    }
}

void Vm::Collect(const std::vector<Object*>& roots) {
    std::vector<Object*> work;
    Push(work, global);
    for (Object* o :
         {objectProto, functionProto, arrayProto, stringProto, numberProto, booleanProto, dateProto,
          clipProto, errorProto, colorProto, arrayCtor, objectCtor, rootClip})
        Push(work, o);
    for (Object* o : roots)
        Push(work, o);
    for (const Timer& t : timers) {
        Push(work, t.fn);
        Push(work, t.self);
        for (const Value& v : t.args)
            PushValue(work, v);
    }
    PushValue(work, thrown_);
    MarkFrom(work);
    heap_.Sweep();
}

double ArgInteger(Vm& vm, const Args& args, size_t i, double fallback) {
    if (i >= args.size() || args[i].IsUndefined())
        return fallback;
    const double n = vm.ToNumber(args[i]);
    if (std::isnan(n))
        return 0;
    return std::trunc(n);
}

} // namespace ww::movie::avm1
