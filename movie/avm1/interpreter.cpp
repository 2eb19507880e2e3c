// The action loop. Action records: code UI8, and from 0x80 a UI16 length and
// that many bytes. Everything is read through bounds-checked helpers; a
// record that runs past its block ends the block.
#include "movie/avm1/clip.h"
#include "movie/avm1/convert.h"
#include "movie/avm1/instances.h"
#include "movie/avm1/loader.h"
#include "movie/avm1/vm.h"
#include "swf/bit_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ww::movie::avm1 {

// The highest frame number Flash knows.
constexpr uint16_t kMaxFrameNumber = 16000;

struct Activation {
    std::vector<Object*> scope; // outermost first
    Value self;
    Object* target = nullptr;   // the clip timeline actions act on
    Object* baseClip = nullptr; // the clip the code belongs to
    Object* locals = nullptr;   // where DefineLocal puts names
    Object* home = nullptr;     // for super
    std::vector<Value> registers;
    std::shared_ptr<const std::vector<std::string>> pool;
    uint8_t version = 6;
};

namespace {

// A region a With or Try action opened, closed when the pc leaves it.
struct Block {
    bool isTry = false;
    size_t start = 0, end = 0; // With: the body; Try: the whole statement
    size_t scopeSize = 0;
    size_t tryEnd = 0, catchEnd = 0;
    bool hasCatch = false, hasFinally = false;
    bool catchInRegister = false;
    uint8_t catchRegister = 0;
    std::string catchName;
    int stage = 0; // 0 try, 1 catch, 2 finally
    bool pendingThrow = false;
    bool pendingReturn = false; // a return waits for the finally block
    Value pending;
};

// Reads the fields of one action record.
class Fields {
  public:
    Fields(const uint8_t* p, size_t n) : p_(p), n_(n) {}
    uint8_t U8() { return pos_ < n_ ? p_[pos_++] : (ok_ = false, 0); }
    uint16_t U16() {
        const uint16_t lo = U8();
        return static_cast<uint16_t>(lo | (U8() << 8));
    }
    uint32_t U32() {
        const uint32_t lo = U16();
        return lo | (static_cast<uint32_t>(U16()) << 16);
    }
    std::string String() {
        const void* zero = pos_ < n_ ? std::memchr(p_ + pos_, 0, n_ - pos_) : nullptr;
        if (!zero) {
            ok_ = false;
            pos_ = n_;
            return std::string();
        }
        const size_t len = static_cast<const uint8_t*>(zero) - (p_ + pos_);
        std::string s(reinterpret_cast<const char*>(p_ + pos_), len);
        pos_ += len + 1;
        return s;
    }
    bool more() const { return pos_ < n_; }
    bool ok() const { return ok_; }

  private:
    const uint8_t* p_;
    size_t n_;
    size_t pos_ = 0;
    bool ok_ = true;
};

} // namespace

Object* ResolveEnumerated(const Value& v);

struct Interpreter {
    Vm& vm;
    const ScriptCode& code;
    Activation& act;
    const uint8_t* bytes;
    size_t size;
    size_t pc = 0;
    std::vector<Value> stack;
    std::vector<Block> blocks;

    Value Pop() {
        if (stack.empty())
            return Value::Undefined();
        Value v = std::move(stack.back());
        stack.pop_back();
        return v;
    }
    void PushV(Value v) {
        if (stack.size() < (1u << 20))
            stack.push_back(std::move(v));
    }
    void PushBool(bool b) { PushV(Value::Bool(b)); }
    double PopNumber() { return vm.ToNumber(Pop()); }
    std::string PopString() { return vm.ToString(Pop()); }

    // A string longer than kMaxStringLength stops the script, as the memory
    // cap does: a doubling loop must not spend its budget copying megabytes.
    bool LengthFits(size_t a, size_t b) {
        if (a <= kMaxStringLength && b <= kMaxStringLength - a)
            return true;
        vm.Warn("a script made a string longer than 16 MiB and was stopped");
        vm.status_ = Status::Abort;
        return false;
    }
    Status Run(Value* result);
    // Moves the pc past count action records, never past the block.
    void SkipActions(size_t count) {
        for (size_t k = 0; k < count && pc < size; ++k) {
            const uint8_t op = bytes[pc];
            if (op == 0)
                return;
            size_t next = pc + 1;
            if (op >= 0x80) {
                if (size - next < 2)
                    return;
                next += 2 + static_cast<size_t>(bytes[next] | (bytes[next + 1] << 8));
            }
            pc = std::min(next, size);
        }
    }
    bool Step(uint8_t op, Fields& f, size_t bodyEnd, Value* result, Status* status);
    bool HandleThrow();
    void CloseBlocks();
    bool DeferReturn(const Value& v);
    bool returning = false; // a deferred return whose finally blocks all ran
    Value returnValue;

    // Variables ---------------------------------------------------------
    Object* TargetOrRoot() { return act.target ? act.target : vm.rootClip; }
    // A register past a function's own count is the running block's, as
    // Flash shares them.
    Value* Register(size_t r) {
        if (r < act.registers.size())
            return &act.registers[r];
        if (vm.blockRegisters_ && r < vm.blockRegisters_->size())
            return &(*vm.blockRegisters_)[r];
        return nullptr;
    }
    // A scope's clip that was removed while the code ran: names resolve on
    // the level instead, as Flash does.
    Object* Live(Object* s) const {
        return s && s->kind == ObjectKind::Clip && !s->clip ? vm.rootClip : s;
    }
    bool FindVariable(const std::string& name, Value* out);
    Value GetVariable(const std::string& name);
    void SetVariable(const std::string& name, const Value& v);
    bool SplitPath(const std::string& name, Object** object, std::string* variable);
    bool FindDottedPath(const std::string& name, Value* out);
    Object* ResolveTarget(const Value& v);
    void CallFunctionAction();
    void CallMethodAction();
    void NewObjectAction(bool method);
    std::vector<Value> PopArgs();
    void DefineFunction(Fields& f, bool v2);
    void Enumerate(Object* o);
    void SetTargetTo(Object* clip);
    void SetTargetPath(const std::string& path);
    void GotoFrame2(Fields& f);
};

void Interpreter::CloseBlocks() {
    while (!blocks.empty()) {
        Block& b = blocks.back();
        if (!b.isTry) {
            if (pc >= b.start && pc < b.end)
                return;
            act.scope.resize(std::min(act.scope.size(), b.scopeSize));
            blocks.pop_back();
            continue;
        }
        if (pc < b.start || pc > b.end) {
            blocks.pop_back();
            continue;
        }
        if (b.stage == 0 && pc >= b.tryEnd) {
            b.stage = 2;
            pc = std::max(pc, b.catchEnd);
            continue;
        }
        if (b.stage == 1 && pc >= b.catchEnd) {
            b.stage = 2;
            continue;
        }
        if (b.stage == 2 && pc >= b.end) {
            const bool rethrow = b.pendingThrow, leave = b.pendingReturn;
            const Value pending = b.pending;
            blocks.pop_back();
            if (leave && !DeferReturn(pending)) {
                returning = true;
                returnValue = pending;
                return;
            }
            if (rethrow) {
                vm.Throw(pending);
                if (!HandleThrow())
                    return;
            }
            continue;
        }
        return;
    }
}

// A return inside try or catch runs the finally blocks around it first;
// false when there is none left to run.
bool Interpreter::DeferReturn(const Value& v) {
    for (size_t i = blocks.size(); i-- > 0;) {
        Block& b = blocks[i];
        if (!b.isTry || !b.hasFinally || b.stage >= 2)
            continue;
        if (i + 1 < blocks.size())
            act.scope.resize(std::min(act.scope.size(), blocks[i + 1].scopeSize));
        blocks.resize(i + 1);
        Block& target = blocks.back();
        target.stage = 2;
        target.pendingReturn = true;
        target.pendingThrow = false;
        target.pending = v;
        pc = target.catchEnd;
        stack.clear();
        return true;
    }
    return false;
}

// Unwinds to the innermost try that takes the exception; false when none in
// this block does.
bool Interpreter::HandleThrow() {
    if (vm.status_ != Status::Throw)
        return false;
    while (!blocks.empty()) {
        Block& b = blocks.back();
        if (!b.isTry) {
            act.scope.resize(std::min(act.scope.size(), b.scopeSize));
            blocks.pop_back();
            continue;
        }
        const Value thrown = vm.thrown_;
        if (b.stage == 0 && b.hasCatch) {
            vm.status_ = Status::Normal;
            vm.thrown_ = Value::Undefined();
            b.stage = 1;
            pc = b.tryEnd;
            stack.clear();
            if (b.catchInRegister) {
                if (Value* slot = Register(b.catchRegister))
                    *slot = thrown;
            } else if (act.locals) {
                vm.Set(act.locals, b.catchName, thrown);
            }
            return true;
        }
        if (b.stage < 2 && b.hasFinally) {
            vm.status_ = Status::Normal;
            vm.thrown_ = Value::Undefined();
            b.stage = 2;
            b.pendingThrow = true;
            b.pending = thrown;
            pc = b.catchEnd;
            return true;
        }
        blocks.pop_back();
    }
    return false;
}

Status Interpreter::Run(Value* result) {
    // Code whose clip is removed while it runs stops at its next call, as
    // Flash does (a method asked of nothing is no call).
    Object* base = act.baseClip && act.baseClip->kind == ObjectKind::Clip && act.baseClip->clip
                       ? act.baseClip
                       : nullptr;
    while (true) {
        CloseBlocks();
        if (returning) {
            *result = returnValue;
            return Status::Return;
        }
        if (vm.status_ == Status::Throw)
            return Status::Throw;
        if (pc >= size)
            break;
        if (vm.actionsLeft_ == 0) {
            if (!vm.budgetWarned_)
                vm.Warn("a script ran past its action budget and was stopped for the frame");
            vm.budgetWarned_ = true;
            vm.status_ = Status::Abort;
            return Status::Abort;
        }
        --vm.actionsLeft_;
        const uint8_t op = bytes[pc++];
        if (op == 0)
            break;
        size_t length = 0;
        if (op >= 0x80) {
            if (size - pc < 2)
                break;
            length = static_cast<size_t>(bytes[pc] | (bytes[pc + 1] << 8));
            pc += 2;
            if (length > size - pc)
                break;
        }
        Fields f(bytes + pc, length);
        pc += length;
        Status status = Status::Normal;
        bool call = op == 0x3D || op == 0x40;
        if (op == 0x52 || op == 0x53)
            call = stack.size() >= 2 && !stack[stack.size() - 2].IsNullish();
        if (!Step(op, f, pc, result, &status))
            return status;
        if (vm.status_ == Status::Abort)
            return Status::Abort;
        if (call && base && !base->clip)
            return vm.status_ == Status::Throw ? Status::Throw : Status::Normal;
        if (vm.status_ == Status::Throw && !HandleThrow())
            return Status::Throw;
    }
    return Status::Normal;
}

bool Interpreter::SplitPath(const std::string& name, Object** object, std::string* variable) {
    size_t cut = name.rfind(':');
    if (cut == std::string::npos) {
        cut = name.rfind('.');
        if (cut == std::string::npos || cut == 0)
            return false;
        // "a.b" names a member of a: an object variable or a clip.
        const std::string base = name.substr(0, cut);
        Value v = GetVariable(base);
        *object = v.type == Type::Object ? v.o : nullptr;
        *variable = name.substr(cut + 1);
        return true;
    }
    const std::string path = name.substr(0, cut);
    *variable = name.substr(cut + 1);
    *object = path.empty() ? TargetOrRoot() : ResolveClipPath(vm, TargetOrRoot(), path);
    return true;
}

bool Interpreter::FindVariable(const std::string& name, Value* out) {
    const std::string key = vm.Key(name);
    if (key == "this") {
        // A script may assign a variable named this; it then hides this.
        for (size_t i = act.scope.size(); i-- > 0;) {
            Property* p = act.scope[i] ? act.scope[i]->FindOwn(key) : nullptr;
            if (p && !p->getter) {
                *out = p->value;
                return true;
            }
        }
        *out = act.self;
        return true;
    }
    if (key == "_global") {
        *out = Value::Obj(vm.global);
        return true;
    }
    if (key == "_root") {
        *out = Value::Obj(RootOf(vm, act.target));
        return true;
    }
    if (IsLevelName(key)) {
        Object* level = LevelClip(vm, key);
        *out = level ? Value::Obj(level) : Value::Undefined();
        return true;
    }
    for (size_t i = act.scope.size(); i-- > 0;) {
        Object* s = Live(act.scope[i]);
        if (!s)
            continue;
        if (key == "_parent" && s->kind == ObjectKind::Clip) {
            Object* parent = ClipParent(vm, s);
            *out = parent ? Value::Obj(parent) : Value::Undefined();
            return true;
        }
        Value v = vm.Get(Value::Obj(s), name);
        if (!v.IsUndefined() || vm.HasAlongChain(s, name)) {
            *out = v;
            return true;
        }
    }
    // SWF 4 had no globals: its code sees only the timeline's variables.
    if (act.version < 5)
        return false;
    Value v = vm.Get(Value::Obj(vm.global), name);
    if (!v.IsUndefined()) {
        *out = v;
        return true;
    }
    return false;
}

// "a.b.c" is tried on each level of the scope chain in turn, _global last:
// a level whose a leads to nothing gives way to the next.
bool Interpreter::FindDottedPath(const std::string& name, Value* out) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t dot; (dot = name.find('.', start)) != std::string::npos; start = dot + 1)
        parts.push_back(name.substr(start, dot - start));
    parts.push_back(name.substr(start));
    for (const std::string& part : parts) {
        if (part.empty())
            return false;
    }
    const std::string first = vm.Key(parts[0]);
    if (first == "this" || first == "_global" || first == "_root" || first == "_parent" ||
        first.rfind("_level", 0) == 0)
        return false;
    std::vector<Object*> levels;
    for (size_t i = act.scope.size(); i-- > 0;) {
        if (Object* level = Live(act.scope[i]))
            levels.push_back(level);
    }
    levels.push_back(vm.global);
    *out = Value::Undefined();
    for (Object* level : levels) {
        Value v = vm.GetOf(level, parts[0]);
        size_t k = 1;
        for (; k < parts.size() && v.IsObject(); ++k)
            v = vm.Get(v, parts[k]);
        if (vm.throwing())
            return true;
        if (k == parts.size() && !v.IsUndefined()) {
            *out = v;
            return true;
        }
    }
    return true;
}

Value Interpreter::GetVariable(const std::string& name) {
    if (name.find_first_of(":/") == std::string::npos && name.find('.') != std::string::npos) {
        Value found;
        if (FindDottedPath(name, &found))
            return found;
    }
    if (name.find_first_of(":/.") != std::string::npos && name != "." && name != "..") {
        if (name.find(':') == std::string::npos && name.find('/') != std::string::npos) {
            Object* clip = ResolveClipPath(vm, TargetOrRoot(), name);
            return clip ? Value::Obj(clip) : Value::Undefined();
        }
        Object* o = nullptr;
        std::string variable;
        if (SplitPath(name, &o, &variable))
            return o ? vm.Get(Value::Obj(o), variable) : Value::Undefined();
    }
    Value v;
    return FindVariable(name, &v) ? v : Value::Undefined();
}

void Interpreter::SetVariable(const std::string& name, const Value& v) {
    if (name.find_first_of(":.") != std::string::npos) {
        Object* o = nullptr;
        std::string variable;
        if (SplitPath(name, &o, &variable)) {
            if (o)
                vm.Set(o, variable, v);
            return;
        }
    }
    for (size_t i = act.scope.size(); i-- > 0;) {
        Object* s = Live(act.scope[i]);
        if (s && vm.HasAlongChain(s, name)) {
            vm.Set(s, name, v);
            return;
        }
    }
    // A new name lands on the timeline the code runs against.
    Object* home = act.scope.empty() ? nullptr : Live(act.scope.front());
    if (home)
        vm.Set(home, name, v);
}

Object* Interpreter::ResolveTarget(const Value& v) {
    if (v.type == Type::Object)
        return v.o;
    const std::string path = vm.ToString(v);
    if (path.empty())
        return TargetOrRoot();
    return ResolveClipPath(vm, TargetOrRoot(), path);
}

std::vector<Value> Interpreter::PopArgs() {
    const double n = PopNumber();
    std::vector<Value> args;
    const size_t count = std::isnan(n) || n < 0 ? 0 : static_cast<size_t>(std::min(n, 65535.0));
    const size_t take = std::min(count, stack.size());
    args.reserve(count);
    for (size_t i = 0; i < take; ++i)
        args.push_back(Pop());
    args.resize(count);
    return args;
}

void Interpreter::CallFunctionAction() {
    const std::string name = PopString();
    std::vector<Value> args = PopArgs();
    Value fn = GetVariable(name);
    if (fn.type != Type::Object) {
        PushV(Value::Undefined());
        return;
    }
    // A bare call runs with the caller's timeline as this.
    Object* self = TargetOrRoot();
    PushV(
        vm.Call(fn, self ? Value::Obj(self) : Value::Undefined(), Args{args.data(), args.size()}));
}

void Interpreter::CallMethodAction() {
    Value nameValue = Pop();
    Value self = Pop();
    std::vector<Value> args = PopArgs();
    const Args a{args.data(), args.size()};
    const std::string name = nameValue.IsUndefined() ? std::string() : vm.ToString(nameValue);
    if (name.empty()) {
        PushV(vm.Call(self, Value::Undefined(), a));
        return;
    }
    if (self.type == Type::Object && self.o->kind == ObjectKind::Super) {
        Object* sup = self.o;
        Object* start = sup->home ? vm.ProtoOf(sup->home) : nullptr;
        Value fn = start ? vm.GetOf(start, name) : Value::Undefined();
        Object* found = start;
        for (int d = 0; found && d < 256 && !vm.Has(found, name); ++d)
            found = vm.ProtoOf(found);
        if (fn.type == Type::Object && fn.o->IsFunction() && !fn.o->native) {
            PushV(vm.CallScript(fn.o, Value::Obj(sup->target), a, found));
            return;
        }
        PushV(vm.Call(fn, Value::Obj(sup->target), a));
        return;
    }
    Value fn = vm.Get(self, name);
    if (fn.type != Type::Object) {
        PushV(Value::Undefined());
        return;
    }
    Object* home = nullptr;
    if (self.type == Type::Object && fn.o->IsFunction() && !fn.o->native) {
        home = self.o;
        for (int d = 0; home && d < 256 && !vm.Has(home, name); ++d)
            home = vm.ProtoOf(home);
        PushV(vm.CallScript(fn.o, self, a, home));
        return;
    }
    PushV(vm.Call(fn, self, a));
}

void Interpreter::NewObjectAction(bool method) {
    Value ctor;
    if (method) {
        Value nameValue = Pop();
        Value object = Pop();
        const std::string name = nameValue.IsUndefined() ? "" : vm.ToString(nameValue);
        ctor = name.empty() ? object : vm.Get(object, name);
    } else {
        ctor = GetVariable(PopString());
    }
    std::vector<Value> args = PopArgs();
    PushV(vm.Construct(ctor, Args{args.data(), args.size()}));
}

void Interpreter::DefineFunction(Fields& f, bool v2) {
    auto fn = std::make_shared<ScriptCode>();
    fn->v2 = v2;
    fn->name = f.String();
    const uint16_t count = f.U16();
    if (v2) {
        fn->registerCount = f.U8();
        fn->flags = f.U16();
    }
    for (uint16_t i = 0; i < count && f.ok(); ++i) {
        fn->paramRegisters.push_back(v2 ? f.U8() : 0);
        fn->params.push_back(f.String());
    }
    const uint16_t codeSize = f.U16();
    if (!f.ok())
        return;
    const size_t bodySize = std::min<size_t>(codeSize, size - pc);
    fn->bytes = code.bytes;
    fn->start = static_cast<size_t>(bytes - code.bytes->data()) + pc;
    fn->size = bodySize;
    fn->pool = act.pool;
    // A function is a SWF 5 construct: inside one, SWF 4's numeric booleans
    // and #ERROR# give way even in a SWF 4 movie.
    fn->swfVersion = std::max<uint8_t>(act.version, 5);
    pc += bodySize;
    Object* o = vm.MakeFunction(nullptr, nullptr, vm.MakeObject(vm.objectProto));
    o->code = fn;
    o->scope = act.scope;
    o->boundThis = act.baseClip;
    if (fn->name.empty()) {
        PushV(Value::Obj(o));
        return;
    }
    if (act.locals)
        vm.Set(act.locals, fn->name, Value::Obj(o));
}

void Interpreter::Enumerate(Object* o) {
    PushV(Value::Undefined()); // the end marker, as Flash leaves it
    if (!o)
        return;
    std::vector<std::string> names = vm.EnumerableNames(o);
    for (size_t i = names.size(); i-- > 0;)
        PushV(Value::Str(names[i]));
}

// A path that names no clip leaves the level as the target, as Flash does;
// code whose clip was removed finds no clip at all and acts on nothing.
void Interpreter::SetTargetPath(const std::string& path) {
    if (path.empty()) {
        SetTargetTo(nullptr);
        return;
    }
    const bool orphan =
        act.baseClip && act.baseClip->kind == ObjectKind::Clip && !act.baseClip->clip;
    Object* clip = orphan ? nullptr : ResolveClipPath(vm, act.baseClip, path);
    SetTargetTo(clip ? clip : orphan ? act.baseClip : vm.rootClip);
}

// tellTarget moves what the timeline actions act on, and the timeline that
// names resolve in.
void Interpreter::SetTargetTo(Object* clip) {
    act.target = clip ? clip : act.baseClip;
    if (!act.scope.empty() && act.scope.front() && act.scope.front()->kind == ObjectKind::Clip)
        act.scope.front() = act.target;
}

void Interpreter::GotoFrame2(Fields& f) {
    const uint8_t flags = f.U8();
    const uint16_t bias = (flags & 0x02) ? f.U16() : 0;
    const bool play = flags & 0x01;
    Value frame = Pop();
    Object* clip = TargetOrRoot();
    if (frame.type == Type::String) {
        std::string label = frame.s;
        const size_t colon = label.rfind(':');
        if (colon != std::string::npos) {
            clip = ResolveClipPath(vm, clip, label.substr(0, colon));
            label = label.substr(colon + 1);
        }
        if (!clip)
            return;
        const double n = StringToNumber(label);
        if (!std::isnan(n)) {
            if (n >= 1)
                ClipGotoFrame(vm, clip, static_cast<uint32_t>(n - 1 + bias), play);
            return;
        }
        ClipGotoLabel(vm, clip, label, play);
        return;
    }
    const double n = vm.ToNumber(frame);
    if (!std::isnan(n) && n + bias >= 1 && n < 4294967295.0)
        ClipGotoFrame(vm, clip, static_cast<uint32_t>(n + bias - 1), play);
}

// One action; false ends the block with *status.
bool Interpreter::Step(uint8_t op, Fields& f, size_t bodyEnd, Value* result, Status* status) {
    (void)bodyEnd;
    switch (op) {
    // Timeline --------------------------------------------------------------
    case 0x04:
        ClipStep(vm, TargetOrRoot(), 1);
        break;
    case 0x05:
        ClipStep(vm, TargetOrRoot(), -1);
        break;
    case 0x06:
        ClipSetPlaying(vm, TargetOrRoot(), true);
        break;
    case 0x07:
        ClipSetPlaying(vm, TargetOrRoot(), false);
        break;
    case 0x08: // ToggleQuality
    case 0x09: // StopSounds
        break;
    case 0x81: {
        const uint16_t frame = f.U16();
        if (f.ok())
            ClipGotoFrame(vm, TargetOrRoot(), frame, false);
        break;
    }
    case 0x8C: {
        const std::string label = f.String();
        if (f.ok())
            ClipGotoLabel(vm, TargetOrRoot(), label, false);
        break;
    }
    case 0x9F:
        GotoFrame2(f);
        break;
    case 0x8A: {
        // Everything is loaded, but Flash counts no frame past 16000: the
        // actions that wait for one are skipped.
        const uint16_t frame = f.U16();
        const uint8_t skip = f.U8();
        if (f.ok() && frame > kMaxFrameNumber)
            SkipActions(skip);
        break;
    }
    case 0x8D:
        Pop();
        break;
    case 0x8B: {
        const std::string path = f.String();
        SetTargetPath(path);
        break;
    }
    case 0x20: {
        Value t = Pop();
        if (t.type == Type::Object && t.o->kind == ObjectKind::Clip)
            SetTargetTo(t.o);
        else
            SetTargetPath(vm.ToString(t)); // any other object by its text
        break;
    }
    case 0x9E: {
        Value frame = Pop();
        Object* clip = TargetOrRoot();
        // Anything but a number is read as its text: a frame, a label or a
        // "path:frame".
        if (frame.type != Type::Number)
            frame = Value::Str(vm.ToString(frame));
        std::string label = frame.type == Type::String ? frame.s : "";
        if (frame.type == Type::String) {
            const size_t colon = label.rfind(':');
            if (colon != std::string::npos) {
                clip = ResolveClipPath(vm, clip, label.substr(0, colon));
                label = label.substr(colon + 1);
            }
        }
        if (!clip)
            break;
        uint32_t frame0 = 0;
        double n = frame.type == Type::String ? StringToNumber(label) : vm.ToNumber(frame);
        if (std::isfinite(n))
            n = ToInt32(n); // frame numbers wrap at 32 bits
        if (!std::isnan(n)) {
            if (n < 1)
                break;
            frame0 = static_cast<uint32_t>(std::min(n - 1, 65535.0));
        } else if (!ClipFrameOfLabel(vm, clip, label, &frame0)) {
            break;
        }
        ClipCallFrame(vm, clip, frame0);
        break;
    }
    case 0x83: { // GetURL
        const std::string url = f.String();
        const std::string target = f.String();
        // A level as the target: loadMovieNum as early movies wrote it.
        if (LoadFromAction(vm, TargetOrRoot(), url, Value::Str(target), 0))
            break;
        if (url.rfind("FSCommand:", 0) != 0)
            RequestUrl(vm, url, true);
        break;
    }
    case 0x9A: { // GetURL2
        const uint8_t flags = f.U8();
        const Value target = Pop();
        const std::string url = PopString();
        if (LoadFromAction(vm, TargetOrRoot(), url, target, flags))
            break;
        // Loading a movie or variables is never a page to open.
        if (url.rfind("FSCommand:", 0) != 0)
            RequestUrl(vm, url, (flags & 0x03) == 0);
        break;
    }
    // Stack and pool --------------------------------------------------------
    case 0x96:
        while (f.more() && f.ok()) {
            const uint8_t type = f.U8();
            switch (type) {
            case 0:
                PushV(Value::Str(f.String()));
                break;
            case 1: {
                const uint32_t bits = f.U32();
                float x;
                std::memcpy(&x, &bits, 4);
                PushV(Value::Num(x));
                break;
            }
            case 2:
                PushV(Value::Null());
                break;
            case 3:
                PushV(Value::Undefined());
                break;
            case 4: {
                const Value* slot = Register(f.U8());
                PushV(slot ? *slot : Value::Undefined());
                break;
            }
            case 5:
                PushV(Value::Bool(f.U8() != 0));
                break;
            case 6: {
                const uint64_t hi = f.U32();
                const uint64_t lo = f.U32();
                const uint64_t bits = (hi << 32) | lo;
                double x;
                std::memcpy(&x, &bits, 8);
                PushV(Value::Num(x));
                break;
            }
            case 7:
                PushV(Value::Num(static_cast<int32_t>(f.U32())));
                break;
            case 8:
            case 9: {
                const size_t i = type == 8 ? f.U8() : f.U16();
                PushV(act.pool && i < act.pool->size() ? Value::Str((*act.pool)[i])
                                                       : Value::Undefined());
                break;
            }
            default:
                return true; // an unknown type ends this push
            }
        }
        break;
    case 0x17:
        Pop();
        break;
    case 0x4C:
        PushV(stack.empty() ? Value::Undefined() : stack.back());
        break;
    case 0x4D: {
        Value a = Pop(), b = Pop();
        PushV(a);
        PushV(b);
        break;
    }
    case 0x88: {
        auto pool = std::make_shared<std::vector<std::string>>();
        const uint16_t count = f.U16();
        for (uint16_t i = 0; i < count && f.ok(); ++i) {
            std::string s = f.String();
            if (f.ok())
                pool->push_back(std::move(s));
        }
        act.pool = pool;
        break;
    }
    case 0x87: {
        Value* slot = Register(f.U8());
        if (f.ok() && slot)
            *slot = stack.empty() ? Value::Undefined() : stack.back();
        break;
    }
    // Arithmetic ----------------------------------------------------------
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x3F: {
        // Both popped first; Flash converts the right operand first for
        // subtraction and division, the left one for the rest.
        const Value bv = Pop(), av = Pop();
        const bool rightFirst = op == 0x0B || op == 0x0D;
        const double b0 = rightFirst ? vm.ToNumber(bv) : 0;
        const double a = vm.ToNumber(av), b = rightFirst ? b0 : vm.ToNumber(bv);
        double r = 0;
        switch (op) {
        case 0x0A:
            r = a + b;
            break;
        case 0x0B:
            r = a - b;
            break;
        case 0x0C:
            r = a * b;
            break;
        case 0x0D:
            if (b == 0 && act.version < 5) {
                PushV(Value::Str("#ERROR#"));
                return true;
            }
            r = a / b;
            break;
        default:
            r = std::fmod(a, b);
            break;
        }
        PushV(Value::Num(r));
        break;
    }
    case 0x47: {
        const Value bv = Pop(), av = Pop();
        const Value a = vm.ToPrimitive(av), b = vm.ToPrimitive(bv);
        if (a.type == Type::String || b.type == Type::String) {
            std::string s = vm.ToString(a);
            const std::string right = vm.ToString(b);
            if (!LengthFits(s.size(), right.size()))
                return false;
            s += right;
            PushV(Value::Str(std::move(s)));
        } else {
            PushV(Value::Num(vm.ToNumber(a) + vm.ToNumber(b)));
        }
        break;
    }
    case 0x50:
        PushV(Value::Num(PopNumber() + 1));
        break;
    case 0x51:
        PushV(Value::Num(PopNumber() - 1));
        break;
    case 0x18: {
        const double n = PopNumber();
        PushV(Value::Num(std::isnan(n) ? 0 : std::trunc(n)));
        break;
    }
    case 0x4A:
        PushV(Value::Num(PopNumber()));
        break;
    case 0x4B:
        PushV(Value::Str(PopString()));
        break;
    case 0x60:
    case 0x61:
    case 0x62:
    case 0x63:
    case 0x64:
    case 0x65: {
        const Value bv = Pop(), av = Pop();
        const double an = vm.ToNumber(av), bn = vm.ToNumber(bv);
        const int32_t a = ToInt32(an), b = ToInt32(bn);
        const uint32_t shift = static_cast<uint32_t>(b) & 31;
        double r = 0;
        switch (op) {
        case 0x60:
            r = a & b;
            break;
        case 0x61:
            r = a | b;
            break;
        case 0x62:
            r = a ^ b;
            break;
        case 0x63:
            r = static_cast<int32_t>(static_cast<uint32_t>(a) << shift);
            break;
        case 0x64:
            r = a >> shift;
            break;
        default:
            // Flash leaves a zero shift signed: -1 >>> 0 is -1.
            r = shift == 0 ? a : static_cast<double>(static_cast<uint32_t>(a) >> shift);
            break;
        }
        PushV(Value::Num(r));
        break;
    }
    // Comparison and logic -----------------------------------------------
    case 0x0E: {
        const Value bv = Pop(), av = Pop();
        const double b = vm.ToNumber(bv), a = vm.ToNumber(av); // right first, as Flash
        PushBool(a == b);
        break;
    }
    case 0x0F: {
        const Value bv = Pop(), av = Pop();
        const double a = vm.ToNumber(av), b = vm.ToNumber(bv);
        PushBool(a < b);
        break;
    }
    case 0x10: {
        const Value bv = Pop(), av = Pop();
        const bool a = vm.ToBoolean(av), b = vm.ToBoolean(bv);
        PushBool(a && b);
        break;
    }
    case 0x11: {
        const Value bv = Pop(), av = Pop();
        const bool a = vm.ToBoolean(av), b = vm.ToBoolean(bv);
        PushBool(a || b);
        break;
    }
    case 0x12:
        PushBool(!vm.ToBoolean(Pop()));
        break;
    case 0x49: {
        Value b = Pop(), a = Pop();
        PushBool(vm.LooseEquals(a, b));
        break;
    }
    case 0x66: {
        Value b = Pop(), a = Pop();
        PushBool(vm.StrictEquals(a, b));
        break;
    }
    case 0x48: {
        Value b = Pop(), a = Pop();
        PushV(vm.LessThan(a, b));
        break;
    }
    case 0x67: {
        Value b = Pop(), a = Pop();
        PushV(vm.LessThan(b, a));
        break;
    }
    case 0x13: {
        const Value bv = Pop(), av = Pop();
        const std::string b = vm.ToString(bv), a = vm.ToString(av); // right first
        PushBool(a == b);
        break;
    }
    case 0x29: {
        const Value bv = Pop(), av = Pop();
        const std::string b = vm.ToString(bv), a = vm.ToString(av); // right first
        PushBool(a < b);
        break;
    }
    case 0x68: {
        const Value bv = Pop(), av = Pop();
        const std::string a = vm.ToString(av), b = vm.ToString(bv);
        PushBool(a > b);
        break;
    }
    // Strings ---------------------------------------------------------------
    case 0x21: {
        const Value bv = Pop(), av = Pop();
        const std::string b = vm.ToString(bv); // right first, as Flash
        std::string a = vm.ToString(av);
        if (!LengthFits(a.size(), b.size()))
            return false;
        a += b;
        PushV(Value::Str(std::move(a)));
        break;
    }
    case 0x14: {
        // From SWF 6 on text is Unicode and the byte actions count characters.
        const std::string s = PopString();
        PushV(Value::Num(static_cast<double>(vm.version() >= 6 ? Utf8Length(s) : s.size())));
        break;
    }
    case 0x31:
        PushV(Value::Num(static_cast<double>(Utf8Length(PopString()))));
        break;
    case 0x15:
    case 0x35: {
        double count = PopNumber(), index = PopNumber();
        // Both are taken as 32-bit integers, wrapping as Flash does.
        if (std::isfinite(count))
            count = ToInt32(count);
        if (std::isfinite(index))
            index = ToInt32(index);
        const std::string s = PopString();
        const bool mb = op == 0x35 || vm.version() >= 6;
        const double length = static_cast<double>(mb ? Utf8Length(s) : s.size());
        if (std::isnan(index) || index < 1)
            index = 1;
        index = std::trunc(index) - 1;
        if (std::isnan(count) || count < 0 || index + count > length)
            count = std::max(0.0, length - index);
        if (index >= length) {
            PushV(Value::Str(""));
            break;
        }
        const size_t i = static_cast<size_t>(index), n = static_cast<size_t>(count);
        if (mb) {
            const size_t from = Utf8Offset(s, i), to = Utf8Offset(s, i + n);
            PushV(Value::Str(s.substr(from, to - from)));
        } else {
            PushV(Value::Str(s.substr(i, n)));
        }
        break;
    }
    case 0x32:
    case 0x36: {
        const std::string s = PopString();
        if (s.empty()) {
            PushV(Value::Num(0));
            break;
        }
        if (vm.version() >= 6) {
            // One UTF-16 unit: a character beyond it reads as the replacement.
            const long code = Utf8At(s, 0);
            PushV(Value::Num(code > 0xFFFF ? 0xFFFD : static_cast<double>(code)));
            break;
        }
        PushV(Value::Num(op == 0x36 ? static_cast<double>(Utf8At(s, 0))
                                    : static_cast<unsigned char>(s[0])));
        break;
    }
    case 0x33:
    case 0x37: {
        uint32_t code = ToUint32(PopNumber());
        if (vm.version() >= 6) {
            // A UTF-16 unit; a lone surrogate is no character.
            code &= 0xFFFF;
            if (code >= 0xD800 && code <= 0xDFFF)
                code = 0xFFFD;
            PushV(Value::Str(code ? Utf8Encode(code) : std::string()));
        } else if (op == 0x33)
            PushV(Value::Str(std::string(1, static_cast<char>(code & 0xFF))));
        else
            PushV(Value::Str(Utf8Encode(code & 0x1FFFFF)));
        break;
    }
    // Variables and members -----------------------------------------------
    case 0x1C:
        PushV(GetVariable(PopString()));
        break;
    case 0x1D: {
        Value v = Pop();
        SetVariable(PopString(), v);
        break;
    }
    case 0x3C: {
        Value v = Pop();
        const std::string name = PopString();
        // A name with a path is no local: it is set where the path leads.
        if (name.find_first_of(":/.") != std::string::npos)
            SetVariable(name, v);
        else if (act.locals)
            vm.Set(act.locals, name, v);
        break;
    }
    case 0x41: {
        const std::string name = PopString();
        if (name.find_first_of(":/.") != std::string::npos) {
            Object* o = nullptr;
            std::string variable;
            // Already there, even on a prototype: nothing to declare.
            if (SplitPath(name, &o, &variable) && o && !vm.HasAlongChain(o, variable))
                vm.Define(o, variable, Value::Undefined());
        } else if (act.locals && !vm.HasAlongChain(act.locals, name)) {
            vm.Define(act.locals, name, Value::Undefined());
        }
        break;
    }
    case 0x4E: {
        const std::string name = PopString();
        Value o = Pop();
        PushV(vm.Get(o, name));
        break;
    }
    case 0x4F: {
        Value v = Pop();
        const std::string name = PopString();
        Value o = Pop();
        if (o.type == Type::Object)
            vm.Set(o.o, name, v);
        break;
    }
    case 0x3A: {
        const std::string name = PopString();
        Value o = Pop();
        PushBool(o.type == Type::Object && vm.Delete(o.o, name));
        break;
    }
    case 0x3B: {
        const std::string name = PopString();
        bool done = false;
        for (size_t i = act.scope.size(); i-- > 0 && !done;) {
            if (act.scope[i] && vm.Has(act.scope[i], name)) {
                PushBool(vm.Delete(act.scope[i], name));
                done = true;
            }
        }
        if (!done)
            PushBool(vm.Has(vm.global, name) && vm.Delete(vm.global, name));
        break;
    }
    case 0x22: {
        const double index = PopNumber();
        Object* clip = ResolveTarget(Pop());
        if (!clip || std::isnan(index) || clip->kind != ObjectKind::Clip) {
            PushV(Value::Undefined());
            break;
        }
        PushV(ClipGetByIndex(vm, clip, static_cast<int>(index)));
        break;
    }
    case 0x23: {
        Value v = Pop();
        const double index = PopNumber();
        Object* clip = ResolveTarget(Pop());
        if (clip && !std::isnan(index) && clip->kind == ObjectKind::Clip)
            ClipSetByIndex(vm, clip, static_cast<int>(index), v);
        break;
    }
    case 0x45: {
        Value o = Pop();
        if (o.type == Type::Object && o.o->kind == ObjectKind::Clip)
            PushV(Value::Str(act.version < 5 ? ClipSlashPath(vm, o.o) : ClipPath(vm, o.o)));
        else if (o.type == Type::Object && o.o->instance && o.o->instance->Owner())
            PushV(Value::Str(ClipPath(vm, o.o))); // a field or button
        else
            PushV(Value::Undefined());
        break;
    }
    case 0x24: {
        const double depth = PopNumber();
        const std::string name = PopString();
        Object* source = ResolveTarget(Pop());
        if (source && source->kind == ObjectKind::Clip && !std::isnan(depth))
            ClipDuplicate(vm, source, name, ToInt32Held(depth));
        else if (source && source->instance && !std::isnan(depth))
            FieldDuplicate(vm, source, name, ToInt32Held(depth));
        break;
    }
    case 0x25: {
        Object* clip = ResolveTarget(Pop());
        if (clip && clip->kind == ObjectKind::Clip)
            ClipRemove(vm, clip);
        break;
    }
    case 0x27: {
        Object* clip = ResolveTarget(Pop());
        const bool lock = vm.ToBoolean(Pop());
        const bool constrain = vm.ToBoolean(Pop());
        double box[4] = {0, 0, 0, 0}; // popped bottom, right, top, left
        if (constrain) {
            for (int i = 3; i >= 0; --i)
                box[i] = vm.ToNumber(Pop());
        }
        StartDrag(vm, clip, lock, constrain, box);
        break;
    }
    case 0x28:
        StopDrag(vm);
        break;
    // Functions and objects -------------------------------------------------
    case 0x9B:
    case 0x8E:
        DefineFunction(f, op == 0x8E);
        break;
    case 0x3D:
        CallFunctionAction();
        break;
    case 0x52:
        CallMethodAction();
        break;
    case 0x40:
        NewObjectAction(false);
        break;
    case 0x53:
        NewObjectAction(true);
        break;
    case 0x3E: {
        const Value v = Pop();
        if (DeferReturn(v))
            break;
        *result = v;
        *status = Status::Return;
        return false;
    }
    case 0x42: {
        // A count the stack cannot hold makes nothing and takes nothing.
        const double n = stack.empty() ? 0 : vm.ToNumber(stack.back());
        if (!(n >= 0) || n > static_cast<double>(stack.size() - (stack.empty() ? 0 : 1))) {
            Pop();
            PushV(Value::Undefined());
            break;
        }
        std::vector<Value> values = PopArgs();
        PushV(Value::Obj(vm.MakeArray(std::move(values))));
        break;
    }
    case 0x43: {
        const double n = PopNumber();
        if (!(n >= 0) || n * 2 > static_cast<double>(stack.size())) {
            PushV(Value::Undefined()); // as InitArray: nothing made, nothing taken
            break;
        }
        const size_t count = static_cast<size_t>(std::min(n, 65535.0));
        std::vector<std::pair<std::string, Value>> pairs;
        for (size_t i = 0; i < count; ++i) {
            Value v = Pop();
            pairs.emplace_back(PopString(), v);
        }
        Object* o = vm.MakeObject(vm.objectProto);
        // Made in the order they come off the stack, the last written first.
        for (size_t i = 0; i < pairs.size(); ++i)
            vm.Set(o, pairs[i].first, pairs[i].second);
        PushV(Value::Obj(o));
        break;
    }
    case 0x44:
        PushV(Value::Str(vm.TypeOf(Pop())));
        break;
    case 0x54: {
        Value ctor = Pop(), o = Pop();
        PushBool(o.type == Type::Object && ctor.type == Type::Object && vm.InstanceOf(o.o, ctor.o));
        break;
    }
    case 0x2B: {
        Value o = Pop(), ctor = Pop();
        const bool is =
            o.type == Type::Object && ctor.type == Type::Object && vm.InstanceOf(o.o, ctor.o);
        PushV(is ? o : Value::Null());
        break;
    }
    case 0x2C: {
        Value ctor = Pop();
        std::vector<Value> interfaces = PopArgs();
        // Kept on the prototype, so instances of subclasses inherit them.
        const Value proto = ctor.type == Type::Object ? vm.GetOf(ctor.o, "prototype") : Value();
        if (proto.type == Type::Object) {
            for (const Value& i : interfaces) {
                if (i.type == Type::Object && proto.o->interfaces.size() < 256)
                    proto.o->interfaces.push_back(i.o);
            }
        }
        break;
    }
    case 0x69: {
        Value super = Pop(), sub = Pop();
        if (super.type != Type::Object || sub.type != Type::Object)
            break;
        Value superProto = vm.GetOf(super.o, "prototype");
        Object* proto =
            vm.MakeObject(superProto.type == Type::Object ? superProto.o : vm.objectProto);
        vm.Define(proto, "__constructor__", super, kDontEnum);
        vm.Set(sub.o, "prototype", Value::Obj(proto));
        break;
    }
    case 0x46:
        Enumerate(ResolveEnumerated(GetVariable(PopString())));
        break;
    case 0x55:
        Enumerate(ResolveEnumerated(Pop()));
        break;
    case 0x94: {
        const uint16_t blockSize = f.U16();
        Value o = Pop();
        Block b;
        b.start = pc;
        b.end = pc + std::min<size_t>(blockSize, size - pc);
        b.scopeSize = act.scope.size();
        Object* obj = vm.ToObject(o);
        if (!obj) {
            pc = b.end;
            break;
        }
        if (blocks.size() < 64) {
            act.scope.push_back(obj);
            blocks.push_back(b);
        }
        break;
    }
    case 0x8F: {
        const uint8_t flags = f.U8();
        const uint16_t trySize = f.U16(), catchSize = f.U16(), finallySize = f.U16();
        Block b;
        b.isTry = true;
        b.hasCatch = flags & 0x01;
        b.hasFinally = flags & 0x02;
        b.catchInRegister = flags & 0x04;
        if (b.catchInRegister)
            b.catchRegister = f.U8();
        else
            b.catchName = f.String();
        b.start = pc;
        b.tryEnd = std::min(size, pc + trySize);
        b.catchEnd = std::min(size, b.tryEnd + catchSize);
        b.end = std::min(size, b.catchEnd + finallySize);
        b.scopeSize = act.scope.size();
        if (blocks.size() < 64)
            blocks.push_back(b);
        break;
    }
    case 0x2A:
        vm.Throw(Pop());
        break;
    // Control -----------------------------------------------------------------
    case 0x99:
    case 0x9D: {
        const int16_t offset = static_cast<int16_t>(f.U16());
        if (op == 0x9D && !vm.ToBoolean(Pop()))
            break;
        const long long target = static_cast<long long>(pc) + offset;
        if (target < 0 || target > static_cast<long long>(size)) {
            *status = Status::Normal;
            return false;
        }
        pc = static_cast<size_t>(target);
        break;
    }
    // Miscellaneous -----------------------------------------------------------
    case 0x26: {
        Value v = Pop();
        vm.Trace(v.IsUndefined() ? "undefined" : vm.ToString(v));
        break;
    }
    case 0x34:
        PushV(Value::Num(std::floor(vm.TimerMs())));
        break;
    case 0x30: {
        const double max = PopNumber();
        const double r = max > 0 ? std::floor(vm.Random() * std::floor(max)) : 0;
        PushV(Value::Num(r));
        break;
    }
    default:
        break; // unknown actions are skipped, as Flash does
    }
    return true;
}

Object* ResolveEnumerated(const Value& v) {
    return v.type == Type::Object ? v.o : nullptr;
}

Status Execute(Vm& vm, const ScriptCode& code, Activation& act, Value* result) {
    if (!code.bytes || code.start > code.bytes->size())
        return Status::Normal;
    Interpreter in{vm,
                   code,
                   act,
                   code.bytes->data() + code.start,
                   std::min(code.size, code.bytes->size() - code.start),
                   0,
                   {},
                   {},
                   false,
                   {}};
    Activation* outer = vm.running_;
    vm.running_ = &act;
    const Status status = in.Run(result);
    vm.running_ = outer;
    return status;
}

uint8_t Vm::CodeVersion() const {
    return running_ ? running_->version : options_.swfVersion;
}

Object* Vm::CurrentTarget() const {
    return running_ && running_->target ? running_->target : rootClip;
}

Value Vm::CallScript(Object* fn, const Value& self, const Args& args, Object* home) {
    if (!fn || !fn->code || throwing())
        return Value::Undefined();
    if (AtDepthLimit()) {
        Warn("a script passed 256 levels of recursion and was stopped");
        status_ = Status::Abort;
        return Value::Undefined();
    }
    const ScriptCode& code = *fn->code;
    Activation act;
    act.version = code.swfVersion;
    act.pool = code.pool;
    act.self = self;
    act.baseClip = fn->boundThis ? fn->boundThis : rootClip;
    act.target = act.baseClip;
    act.home = home;
    act.scope = fn->scope;
    if (code.swfVersion < 6) {
        // SWF 5 functions close over nothing: they see the clip they are
        // called on (else the one they were defined on) and their locals.
        if (self.type == Type::Object && self.o->kind == ObjectKind::Clip)
            act.baseClip = act.target = self.o;
        act.scope.assign(1, act.baseClip);
    }
    if (act.scope.empty())
        act.scope.push_back(act.baseClip);
    Object* locals = MakeObject();
    act.scope.push_back(locals);
    act.locals = locals;
    act.registers.assign(code.v2 ? std::max<size_t>(code.registerCount, 1) : 4, Value());

    Object* arguments = nullptr;
    auto makeArguments = [&]() {
        if (!arguments) {
            arguments = MakeArray(std::vector<Value>(args.values, args.values + args.count));
            Define(arguments, "callee", Value::Obj(fn), kDontEnum);
            Define(arguments, "caller", callee_ ? Value::Obj(callee_) : Value::Null(), kDontEnum);
        }
        return arguments;
    };
    Object* super = nullptr;
    auto makeSuper = [&]() {
        if (!super) {
            super = heap_.Make(ObjectKind::Super);
            super->target = self.type == Type::Object ? self.o : nullptr;
            super->home = home;
            // How far up this's chain the method was found: a constructor
            // that replaces this.__proto__ first calls the new one's.
            Object* p = super->target ? ProtoOf(super->target) : nullptr;
            for (int d = 1; p && d < 256; ++d, p = ProtoOf(p)) {
                if (p == home) {
                    super->primitive = Value::Num(d);
                    break;
                }
            }
        }
        return super;
    };
    if (!code.v2) {
        Define(locals, "arguments", Value::Obj(makeArguments()));
        Define(locals, "super", Value::Obj(makeSuper()));
        Define(locals, "this", self);
        for (size_t i = 0; i < code.params.size(); ++i)
            Define(locals, code.params[i], args[i]);
    } else {
        size_t r = 1;
        auto preload = [&](uint16_t bit, const Value& v) {
            if ((code.flags & bit) && r < act.registers.size())
                act.registers[r++] = v;
        };
        preload(0x01, self);
        if (code.flags & 0x04)
            preload(0x04, Value::Obj(makeArguments()));
        if (code.flags & 0x10)
            preload(0x10, Value::Obj(makeSuper()));
        preload(0x40, Value::Obj(rootClip));
        if (code.flags & 0x80) {
            // No parent takes no register: _global moves up into it.
            if (Object* parent = ClipParent(*this, act.baseClip))
                preload(0x80, Value::Obj(parent));
        }
        preload(0x100, Value::Obj(global));
        if (!(code.flags & 0x02) && !(code.flags & 0x01))
            Define(locals, "this", self);
        if (!(code.flags & 0x08) && !(code.flags & 0x04))
            Define(locals, "arguments", Value::Obj(makeArguments()));
        if (!(code.flags & 0x20) && !(code.flags & 0x10))
            Define(locals, "super", Value::Obj(makeSuper()));
        for (size_t i = 0; i < code.params.size(); ++i) {
            const uint8_t reg = code.paramRegisters[i];
            if (reg && reg < act.registers.size())
                act.registers[reg] = args[i];
            else if (!reg)
                Define(locals, code.params[i], args[i]);
        }
    }
    ++depth_;
    Object* caller = callee_;
    callee_ = fn;
    Value result;
    const Status s = Execute(*this, code, act, &result);
    callee_ = caller;
    --depth_;
    if (s == Status::Return)
        return result;
    return Value::Undefined();
}

void Vm::RunBlock(const ActionBlock& block, Object* clip) {
    if (!block || status_ == Status::Abort)
        return;
    ScriptCode code;
    code.bytes = block;
    code.size = block->size();
    code.swfVersion = options_.swfVersion;
    Activation act;
    act.version = options_.swfVersion;
    act.self = Value::Obj(clip);
    act.baseClip = act.target = clip;
    act.locals = clip;
    act.scope.push_back(clip);
    act.registers.assign(4, Value());
    std::vector<Value>* outerRegisters = blockRegisters_;
    blockRegisters_ = &act.registers;
    Value result;
    Execute(*this, code, act, &result);
    blockRegisters_ = outerRegisters;
    ReportUncaught();
    if (status_ == Status::Abort && !budgetWarned_)
        status_ = Status::Normal; // a recursion cap ends this block only
}

// Flash's log notes an exception no script caught, and the script ends.
void Vm::ReportUncaught() {
    if (status_ != Status::Throw)
        return;
    const Value thrown = thrown_;
    status_ = Status::Normal;
    thrown_ = Value::Undefined();
    Trace("Warning: Uncaught exception, " + ToString(thrown));
    if (status_ == Status::Throw) {
        status_ = Status::Normal;
        thrown_ = Value::Undefined();
    }
}

void Vm::CallEvent(Object* clip, const std::string& name) {
    CallEvent(clip, name, Args());
}

void Vm::CallEvent(Object* clip, const std::string& name, const Args& args) {
    if (!clip || status_ == Status::Abort)
        return;
    Value fn = Get(Value::Obj(clip), name);
    if (fn.type != Type::Object || !fn.o->IsFunction())
        return;
    Call(fn, Value::Obj(clip), args);
    ReportUncaught();
    if (status_ == Status::Abort && !budgetWarned_)
        status_ = Status::Normal;
}

void Vm::CallFunction(Object* fn, Object* self) {
    if (status_ == Status::Abort)
        return;
    Call(Value::Obj(fn), Value::Obj(self), Args());
    ReportUncaught();
    if (status_ == Status::Abort && !budgetWarned_)
        status_ = Status::Normal;
}

} // namespace ww::movie::avm1
