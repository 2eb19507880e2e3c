// What scripts see of the keyboard and the focus: Key's answers about the
// keys the player was given, and Selection (the focus, and the selection in
// a focused text field).
#include "movie/avm1/builtins_util.h"
#include "movie/avm1/clip.h"
#include "movie/avm1/host.h"
#include "movie/avm1/instances.h"
#include "movie/focus.h"
#include "movie/keyboard.h"

#include <algorithm>
#include <cmath>

namespace ww::movie::avm1 {

namespace {

KeyboardState* Keys(Vm& vm) {
    Player* player = vm.player();
    return player ? &player->keyboard() : nullptr;
}

int KeyArgument(Vm& vm, const Args& args) {
    const double n = vm.ToNumber(args[0]);
    return std::isfinite(n) && n >= 0 && n < kKeyCodeCount ? int(n) : -1;
}

Value KeyIsDown(Vm& vm, Value, const Args& args) {
    KeyboardState* k = Keys(vm);
    const int code = KeyArgument(vm, args);
    return Value::Bool(k && code > 0 && k->down[code]);
}

Value KeyIsToggled(Vm& vm, Value, const Args& args) {
    KeyboardState* k = Keys(vm);
    const int code = KeyArgument(vm, args);
    if (!k)
        return Value::Bool(false);
    return Value::Bool((code == 20 && k->capsLock) || (code == 144 && k->numLock));
}

Value KeyGetCode(Vm& vm, Value, const Args&) {
    KeyboardState* k = Keys(vm);
    return Value::Num(k ? k->lastCode : 0);
}

Value KeyGetAscii(Vm& vm, Value, const Args&) {
    KeyboardState* k = Keys(vm);
    return Value::Num(k ? k->lastAscii : 0);
}

ScriptHost* HostOf(Vm& vm) {
    return vm.player() ? &ScriptHost::Of(vm) : nullptr;
}

Value GetFocus(Vm& vm, Value, const Args&) {
    ScriptHost* host = HostOf(vm);
    Object* focus = host ? FocusedObject(*host) : nullptr;
    if (!focus)
        return Value::Null();
    return Value::Str(ScriptPath(vm, focus));
}

// setFocus takes an object or a path to one; null or undefined clears it.
Value SetFocusMethod(Vm& vm, Value, const Args& args) {
    ScriptHost* host = HostOf(vm);
    if (!host)
        return Value::Bool(false);
    const Value& target = args[0];
    if (target.type == Type::Null || target.type == Type::Undefined) {
        SetFocus(*host, nullptr, FocusCause::Script);
        return Value::Bool(true);
    }
    Object* o = nullptr;
    if (target.type == Type::Object) {
        o = target.o;
    } else if (target.type == Type::String) {
        Value found = vm.Get(Value::Obj(vm.rootClip), target.s);
        if (found.type != Type::Object)
            o = ResolveClipPath(vm, vm.rootClip, target.s);
        else
            o = found.o;
    }
    return Value::Bool(o && SetFocus(*host, o, FocusCause::Script));
}

enum SelectionIndex { kBegin, kEnd, kCaret };

template <int K> Value SelectionGet(Vm& vm, Value, const Args&) {
    ScriptHost* host = HostOf(vm);
    Object* script = nullptr;
    FieldState* f = host ? FocusedField(*host, &script) : nullptr;
    if (!f || host->player().keyboard().selectionHidden)
        return Value::Num(-1);
    const size_t length = FieldLength(*host, script);
    const size_t anchor = std::min(f->anchor, length), caret = std::min(f->caret, length);
    switch (K) {
    case kBegin:
        return Value::Num(double(std::min(anchor, caret)));
    case kEnd:
        return Value::Num(double(std::max(anchor, caret)));
    default:
        return Value::Num(double(caret));
    }
}

Value SetSelection(Vm& vm, Value, const Args& args) {
    ScriptHost* host = HostOf(vm);
    Object* script = nullptr;
    FieldState* f = host ? FocusedField(*host, &script) : nullptr;
    if (!f)
        return Value::Undefined();
    const double length = double(FieldLength(*host, script));
    auto index = [&](size_t i) {
        const double n = ArgInteger(vm, args, i, 0);
        return size_t(std::clamp(n, 0.0, length));
    };
    // The caret goes to the second index; without one the selection's far
    // end stays where it was.
    if (args.size() == 0)
        return Value::Undefined();
    const size_t end =
        std::max(std::min(f->anchor, size_t(length)), std::min(f->caret, size_t(length)));
    f->anchor = index(0);
    f->caret = args.size() > 1 ? index(1) : end;
    host->player().keyboard().selectionHidden = false;
    ++f->generation;
    return Value::Undefined();
}

Value ReplaceSel(Vm& vm, Value self, const Args& args) {
    ScriptHost* host = HostOf(vm);
    if (host && self.type == Type::Object && args.size() > 0)
        ReplaceSelection(*host, self.o, vm.ToString(args[0]));
    return Value::Undefined();
}

Value FocusRectGet(Vm& vm, Value self, const Args&) {
    return self.type == Type::Object ? GetFocusRect(vm, self.o) : Value::Undefined();
}

Value FocusRectSet(Vm& vm, Value self, const Args& args) {
    if (self.type == Type::Object)
        SetFocusRect(vm, self.o, args[0]);
    return Value::Undefined();
}

FieldState* FieldOfValue(const Value& self) {
    InstanceState* s = self.type == Type::Object ? self.o->instance : nullptr;
    return s && s->Owner() ? s->field.get() : nullptr;
}

Value RestrictGet(Vm&, Value self, const Args&) {
    FieldState* f = FieldOfValue(self);
    if (!f)
        return Value::Undefined();
    return f->restricted ? Value::Str(f->restrictPattern) : Value::Null();
}

// Nothing, null and the empty pattern all lift the restriction.
Value RestrictSet(Vm& vm, Value self, const Args& args) {
    FieldState* f = FieldOfValue(self);
    if (!f)
        return Value::Undefined();
    const Value& v = args[0];
    const bool none = v.type == Type::Undefined || v.type == Type::Null;
    f->restrictPattern = none ? std::string() : vm.ToString(v);
    f->restricted = !f->restrictPattern.empty();
    return Value::Undefined();
}

} // namespace

// Each field and button has its own _focusrect, which the prototype does
// not show.
void DefineFocusRect(Vm& vm, Object* instance) {
    vm.Define(instance, "_focusrect", Value::Undefined(), kDontEnum);
    if (Property* p = instance->FindOwn(vm.Key("_focusrect"))) {
        p->getter = vm.MakeFunction(FocusRectGet);
        p->setter = vm.MakeFunction(FocusRectSet);
    }
}

void InstallFocusBuiltins(Vm& vm) {
    const Value key = vm.GetOf(vm.global, "Key");
    if (key.type == Type::Object) {
        Method(vm, key.o, "isDown", KeyIsDown);
        Method(vm, key.o, "isToggled", KeyIsToggled);
        Method(vm, key.o, "getCode", KeyGetCode);
        Method(vm, key.o, "getAscii", KeyGetAscii);
    }

    const Value field = vm.GetOf(vm.global, "TextField");
    const Value fieldProto =
        field.type == Type::Object ? vm.GetOf(field.o, "prototype") : Value::Undefined();
    if (fieldProto.type == Type::Object) {
        vm.Define(fieldProto.o, "restrict", Value::Undefined(), kDontDelete);
        if (Property* p = fieldProto.o->FindOwn(vm.Key("restrict"))) {
            p->getter = vm.MakeFunction(RestrictGet);
            p->setter = vm.MakeFunction(RestrictSet);
        }
        Method(vm, fieldProto.o, "replaceSel", ReplaceSel);
    }

    Object* selection = vm.MakeObject(vm.objectProto);
    vm.Define(vm.global, "Selection", Value::Obj(selection), kDontEnum);
    const Value init = vm.GetOf(vm.GetOf(vm.global, "AsBroadcaster").o, "initialize");
    const Value arg = Value::Obj(selection);
    vm.Call(init, Value::Undefined(), Args{&arg, 1});
    Method(vm, selection, "getFocus", GetFocus);
    Method(vm, selection, "setFocus", SetFocusMethod);
    Method(vm, selection, "getBeginIndex", SelectionGet<kBegin>);
    Method(vm, selection, "getEndIndex", SelectionGet<kEnd>);
    Method(vm, selection, "getCaretIndex", SelectionGet<kCaret>);
    Method(vm, selection, "setSelection", SetSelection);
}

} // namespace ww::movie::avm1
