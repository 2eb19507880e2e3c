// The values and objects of the ActionScript 1 and 2 runtime.
//
// Every object lives in one Heap, which frees what scripts can no longer reach
// by mark and sweep between frames (never while a script runs), so cycles of
// objects cost nothing to track and nothing leaks. Properties keep the order
// in which they were made, which is the order for..in reports backwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace ww::movie {
struct SpriteState;
struct InstanceState;
} // namespace ww::movie

namespace ww::movie::avm1 {

class Object;
class Vm;

enum class Type : uint8_t { Undefined, Null, Boolean, Number, String, Object };

struct Value {
    Type type = Type::Undefined;
    bool b = false;
    double n = 0;
    std::string s;
    Object* o = nullptr;

    static Value Undefined() { return Value(); }
    // An array slot never set: reads as undefined, but is no element (for..in
    // and hasOwnProperty skip it). Only arrays' element lists hold one.
    static Value Hole() {
        Value v;
        v.b = true;
        return v;
    }
    static Value Null() {
        Value v;
        v.type = Type::Null;
        return v;
    }
    static Value Bool(bool x) {
        Value v;
        v.type = Type::Boolean;
        v.b = x;
        return v;
    }
    static Value Num(double x) {
        Value v;
        v.type = Type::Number;
        v.n = x;
        return v;
    }
    static Value Str(std::string x) {
        Value v;
        v.type = Type::String;
        v.s = std::move(x);
        return v;
    }
    static Value Obj(Object* x) {
        if (!x)
            return Null();
        Value v;
        v.type = Type::Object;
        v.o = x;
        return v;
    }
    bool IsUndefined() const { return type == Type::Undefined; }
    bool IsNull() const { return type == Type::Null; }
    bool IsNullish() const { return type == Type::Undefined || type == Type::Null; }
    bool IsObject() const { return type == Type::Object; }
    bool IsHole() const { return type == Type::Undefined && b; }
};

// An element as scripts see it: a hole reads as a plain undefined.
inline Value Present(const Value& v) {
    return v.IsHole() ? Value() : v;
}
// Holes become real undefined elements, as Flash's reordering methods leave.
inline void FillHoles(std::vector<Value>& elements) {
    for (Value& v : elements) {
        if (v.IsHole())
            v = Value();
    }
}

// ASSetPropFlags bits.
constexpr uint8_t kDontEnum = 1, kDontDelete = 2, kReadOnly = 4;

struct Property {
    std::string name;
    Value value;
    uint8_t flags = 0;
    Object* getter = nullptr; // addProperty
    Object* setter = nullptr;
    uint16_t versionMask = 0; // ASSetPropFlags' high bits: hidden below a version
};

enum class ObjectKind : uint8_t {
    Plain,
    Function,
    Array,
    Boolean,
    Number,
    String,
    Date,
    Clip,
    Color,
    Error,
    Super,
    Sound
};

struct Args;
using NativeFn = Value (*)(Vm& vm, Value self, const Args& args);

// A function defined by DefineFunction or DefineFunction2: its code, the
// scope it closes over and the constant pool current when it was defined.
struct ScriptCode {
    std::string name;
    std::vector<std::string> params;
    std::vector<uint8_t> paramRegisters; // DefineFunction2: 0 for a named local
    uint8_t registerCount = 0;
    uint16_t flags = 0; // DefineFunction2's preload and suppress bits
    bool v2 = false;
    std::shared_ptr<const std::vector<uint8_t>> bytes; // the whole block it came from
    size_t start = 0, size = 0;
    std::shared_ptr<const std::vector<std::string>> pool;
    uint8_t swfVersion = 0;
};

struct Watch {
    std::string name;
    Object* callback = nullptr;
    Value data;
};

// A builtin class's own state that is no script value (a BitmapData's
// pixels); it goes with its object. Tagged rather than found by RTTI: the
// small programs build without it.
enum class NativeKind : uint8_t { Bitmap };
struct NativeState {
    explicit NativeState(NativeKind k) : kind(k) {}
    virtual ~NativeState() = default;
    const NativeKind kind;
};

class Object {
  public:
    explicit Object(ObjectKind k) : kind(k) {}
    ObjectKind kind;
    bool marked = false;
    std::vector<Property> props;
    std::unordered_map<std::string, size_t> index; // by key (lower case before SWF 7)
    std::vector<Value> elements;                   // Array
    Value primitive;                               // Boolean, Number, String, Date
    NativeFn native = nullptr;                     // Function
    NativeFn construct = nullptr;                  // Function: when called with new
    std::shared_ptr<ScriptCode> code;              // Function
    std::vector<Object*> scope;                    // Function: closure, outermost first
    Object* boundThis = nullptr;                   // Function: a clip it was defined on
    SpriteState* clip = nullptr;                   // Clip; null once removed
    InstanceState* instance = nullptr;             // a text field or button; null once removed
    Object* target = nullptr;                      // Color: its clip; Super: its this
    Object* home = nullptr;                        // Super: where the method was found
    std::vector<Object*> interfaces;               // a prototype: implementsOp
    std::vector<Watch> watches;
    uint64_t charged = 0;
    int32_t soundId = -1; // Sound: the attached sound's character id
    std::unique_ptr<NativeState> state;

    // Own properties only; null when absent.
    Property* FindOwn(const std::string& key);
    bool IsFunction() const { return kind == ObjectKind::Function; }
};

// The argument list of a call.
struct Args {
    const Value* values = nullptr;
    size_t count = 0;
    const Value& operator[](size_t i) const {
        static const Value undefinedValue;
        return i < count ? values[i] : undefinedValue;
    }
    size_t size() const { return count; }
};

class Heap {
  public:
    Object* Make(ObjectKind kind);
    size_t size() const { return objects_.size(); }
    // Frees every object not marked, then clears the marks.
    void Sweep();
    // Bytes of memory the objects' contents are estimated to take.
    uint64_t bytes() const { return bytes_; }
    void Charge(uint64_t n) { bytes_ += n; }
    void Release(uint64_t n) { bytes_ -= n < bytes_ ? n : bytes_; }

  private:
    std::vector<std::unique_ptr<Object>> objects_;
    uint64_t bytes_ = 0;
};

void Mark(Object* o);
void Mark(const Value& v);

} // namespace ww::movie::avm1
