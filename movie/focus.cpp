#include "movie/focus.h"

#include "movie/avm1/clip.h"
#include "movie/avm1/host.h"
#include "movie/avm1/instances.h"
#include "movie/pointer.h"

#include <algorithm>
#include <cmath>

namespace ww::movie {

namespace {

using avm1::Object;
using avm1::ScriptHost;
using avm1::Type;
using avm1::Value;

void EachClip(SpriteState& s, int nesting, const std::function<void(SpriteState&)>& fn) {
    fn(s);
    if (nesting >= kMaxSpriteNesting)
        return;
    for (auto& entry : s.objects) {
        if (entry.second.sprite)
            EachClip(*entry.second.sprite, nesting + 1, fn);
    }
}

bool Locate(SpriteState& s, Object* script, int nesting, ScriptPlace* out) {
    if (s.script == script) {
        *out = ScriptPlace{script, &s, nullptr, nullptr};
        return true;
    }
    if (nesting >= kMaxSpriteNesting)
        return false;
    for (auto& entry : s.objects) {
        DisplayObject& o = entry.second;
        if (o.instance && o.instance->script == script) {
            *out = ScriptPlace{script, nullptr, &s, &o};
            return true;
        }
        if (o.sprite && Locate(*o.sprite, script, nesting + 1, out))
            return true;
    }
    return false;
}

bool IsFunction(const Value& v) {
    return v.type == Type::Object && v.o->IsFunction();
}

// A property a script may have set: undefined when it has not.
Value Setting(avm1::Vm& vm, Object* o, const char* name) {
    return vm.GetOf(o, name);
}

bool IsFalse(avm1::Vm& vm, const Value& v) {
    return !v.IsUndefined() && !vm.ToBoolean(v);
}

bool IsTrue(avm1::Vm& vm, const Value& v) {
    return !v.IsUndefined() && vm.ToBoolean(v);
}

// A clip that answers the pointer acts as a button: it takes the focus.
bool ActsAsButton(ScriptHost& host, SpriteState& s) {
    if (s.clipActions) {
        for (const ClipAction& a : *s.clipActions) {
            if (a.events & (kEventPress | kEventRelease | kEventReleaseOutside | kEventRollOver |
                            kEventRollOut | kEventDragOver | kEventDragOut))
                return true;
        }
    }
    if (!s.script)
        return false;
    for (const char* method : {"onPress", "onRelease", "onReleaseOutside", "onRollOver",
                               "onRollOut", "onDragOver", "onDragOut"}) {
        if (IsFunction(host.vm().GetOf(s.script, method)))
            return true;
    }
    return false;
}

FieldState* FieldAt(ScriptHost& host, const ScriptPlace& p) {
    if (!p.object || p.object->ref.kind != CharacterKind::EditText)
        return nullptr;
    return FieldOf(*p.parent, *p.object, host.movie());
}

bool Focusable(ScriptHost& host, const ScriptPlace& p) {
    if (p.clip) {
        if (!p.clip->owner)
            return false; // the root
        avm1::Vm& vm = host.vm();
        return IsTrue(vm, Setting(vm, p.script, "focusEnabled")) ||
               IsTrue(vm, Setting(vm, p.script, "tabEnabled")) || ActsAsButton(host, *p.clip);
    }
    if (FieldState* f = FieldAt(host, p))
        return !f->edit.readOnly || !f->edit.noSelect;
    return p.object && p.object->ref.kind == CharacterKind::Button;
}

Matrix StageMatrix(const SpriteState* s) {
    Matrix m;
    for (; s && s->owner; s = s->parent)
        m = Multiply(s->owner->matrix, m);
    return m;
}

struct TabEntry {
    Object* script;
    double x, y;
    double index; // NaN: none
    size_t order; // display order, for ties
};

// The top left corner of an entry's bounds on the stage, in pixels.
void Corner(ScriptHost& host, const ScriptPlace& p, double* x, double* y) {
    avm1::Vm& vm = host.vm();
    *x = *y = 0;
    if (p.clip) {
        Value root = Value::Obj(host.ObjectOf(host.root()));
        const Value b = vm.CallMethod(Value::Obj(p.script), "getBounds", avm1::Args{&root, 1});
        if (b.type == Type::Object) {
            *x = vm.ToNumber(vm.GetOf(b.o, "xMin"));
            *y = vm.ToNumber(vm.GetOf(b.o, "yMin"));
        }
        return;
    }
    const Matrix m = Multiply(StageMatrix(p.parent), p.object->matrix);
    double lx = 0, ly = 0;
    if (FieldState* f = FieldAt(host, p)) {
        lx = f->edit.bounds.xmin;
        ly = f->edit.bounds.ymin;
    }
    *x = (m.a * lx + m.c * ly + m.tx) / kTwipsPerPixel;
    *y = (m.b * lx + m.d * ly + m.ty) / kTwipsPerPixel;
}

void CollectTab(ScriptHost& host, SpriteState& s, int nesting, std::vector<TabEntry>* out) {
    if (nesting >= kMaxSpriteNesting)
        return;
    avm1::Vm& vm = host.vm();
    for (auto& entry : s.objects) {
        DisplayObject& o = entry.second;
        if (!o.visible)
            continue;
        ScriptPlace p;
        if (o.sprite) {
            SpriteState& child = *o.sprite;
            p = ScriptPlace{host.ObjectOf(child), &child, nullptr, nullptr};
            const Value enabled = Setting(vm, p.script, "tabEnabled");
            if (IsTrue(vm, enabled) || (enabled.IsUndefined() && ActsAsButton(host, child)))
                out->push_back(TabEntry{p.script, 0, 0, NAN, out->size()});
            if (!IsFalse(vm, Setting(vm, p.script, "tabChildren")))
                CollectTab(host, child, nesting + 1, out);
            continue;
        }
        if (o.ref.kind != CharacterKind::Button && o.ref.kind != CharacterKind::EditText)
            continue;
        Object* script = avm1::InstanceObject(vm, s, o);
        if (!script)
            continue;
        p = ScriptPlace{script, nullptr, &s, &o};
        if (FieldState* f = FieldAt(host, p)) {
            if (f->edit.readOnly)
                continue;
        }
        if (IsFalse(vm, Setting(vm, script, "tabEnabled")))
            continue;
        out->push_back(TabEntry{script, 0, 0, NAN, out->size()});
    }
}

} // namespace

void ForEachClip(SpriteState& s, const std::function<void(SpriteState&)>& fn) {
    EachClip(s, 0, fn);
}

bool LocateScript(SpriteState& root, Object* script, ScriptPlace* out) {
    return script && Locate(root, script, 0, out);
}

Object* FocusedObject(ScriptHost& host) {
    KeyboardState& k = host.player().keyboard();
    ScriptPlace p;
    if (k.focus && !LocateScript(host.root(), k.focus, &p))
        k.focus = nullptr; // removed from the display list
    return k.focus;
}

std::string ScriptPath(avm1::Vm& vm, Object* script) {
    ScriptHost& host = ScriptHost::Of(vm);
    ScriptPlace p;
    if (!LocateScript(host.root(), script, &p))
        return "";
    if (p.clip)
        return avm1::ClipPath(vm, script);
    return avm1::ClipPath(vm, host.ObjectOf(*p.parent)) + "." + p.object->name;
}

FieldState* FocusedField(ScriptHost& host, Object** script) {
    Object* focus = FocusedObject(host);
    ScriptPlace p;
    if (!focus || !LocateScript(host.root(), focus, &p))
        return nullptr;
    if (script)
        *script = focus;
    return FieldAt(host, p);
}

bool SetFocus(ScriptHost& host, Object* target, bool byKey) {
    KeyboardState& k = host.player().keyboard();
    avm1::Vm& vm = host.vm();
    ScriptPlace p;
    if (target && (!LocateScript(host.root(), target, &p) || !Focusable(host, p)))
        return false;
    Object* old = FocusedObject(host);
    k.focusShown = target && byKey;
    if (old == target)
        return true;
    k.focus = target;
    k.anchor = 0;
    k.caret = target ? FocusedFieldLength(host) : 0;
    const Value oldValue = old ? Value::Obj(old) : Value::Null();
    const Value newValue = target ? Value::Obj(target) : Value::Null();
    if (byKey && target)
        HoverByKey(host, target);
    if (old)
        vm.CallMethod(oldValue, "onKillFocus", avm1::Args{&newValue, 1});
    if (target)
        vm.CallMethod(newValue, "onSetFocus", avm1::Args{&oldValue, 1});
    const Value selection = vm.GetOf(vm.global, "Selection");
    if (selection.type == Type::Object) {
        const Value args[3] = {Value::Str("onSetFocus"), oldValue, newValue};
        vm.CallMethod(selection, "broadcastMessage", avm1::Args{args, 3});
    }
    return true;
}

std::vector<Object*> TabOrder(ScriptHost& host) {
    std::vector<TabEntry> entries;
    CollectTab(host, host.root(), 0, &entries);
    avm1::Vm& vm = host.vm();
    bool custom = false;
    for (TabEntry& e : entries) {
        const Value index = vm.GetOf(e.script, "tabIndex");
        if (!index.IsUndefined() && index.type != Type::Null) {
            const double n = vm.ToNumber(index);
            if (std::isfinite(n)) {
                e.index = n;
                custom = true;
            }
        }
    }
    if (custom) {
        // Objects with a tabIndex, lowest first; the rest are passed over.
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [](const TabEntry& e) { return std::isnan(e.index); }),
                      entries.end());
        std::stable_sort(entries.begin(), entries.end(),
                         [](const TabEntry& a, const TabEntry& b) { return a.index < b.index; });
    } else {
        for (TabEntry& e : entries) {
            ScriptPlace p;
            if (LocateScript(host.root(), e.script, &p))
                Corner(host, p, &e.x, &e.y);
        }
        // Top to bottom, then left to right.
        std::stable_sort(entries.begin(), entries.end(), [](const TabEntry& a, const TabEntry& b) {
            return a.y != b.y ? a.y < b.y : a.x < b.x;
        });
    }
    std::vector<Object*> order;
    for (const TabEntry& e : entries)
        order.push_back(e.script);
    return order;
}

void MoveFocusByTab(ScriptHost& host, bool backwards) {
    const std::vector<Object*> order = TabOrder(host);
    if (order.empty())
        return;
    Object* focus = FocusedObject(host);
    const auto at = std::find(order.begin(), order.end(), focus);
    size_t next;
    if (at == order.end()) {
        next = backwards ? order.size() - 1 : 0;
    } else {
        const size_t i = size_t(at - order.begin());
        next = backwards ? (i + order.size() - 1) % order.size() : (i + 1) % order.size();
    }
    SetFocus(host, order[next], true);
}

namespace {

// The topmost selectable text field under (x, y), given in s's space.
bool FieldUnder(ScriptHost& host, SpriteState& s, double x, double y, int nesting,
                ScriptPlace* out) {
    if (nesting >= kMaxSpriteNesting)
        return false;
    for (auto it = s.objects.rbegin(); it != s.objects.rend(); ++it) {
        DisplayObject& o = it->second;
        Matrix inverse;
        if (!o.visible || o.clipDepth > 0 || !Invert(o.matrix, &inverse))
            continue;
        const double lx = inverse.a * x + inverse.c * y + inverse.tx;
        const double ly = inverse.b * x + inverse.d * y + inverse.ty;
        if (o.sprite) {
            if (FieldUnder(host, *o.sprite, lx, ly, nesting + 1, out))
                return true;
            continue;
        }
        if (o.ref.kind != CharacterKind::EditText)
            continue;
        FieldState* f = FieldOf(s, o, host.movie());
        if (!f || f->edit.noSelect)
            continue;
        const Rect& b = f->edit.bounds;
        if (lx >= b.xmin && lx <= b.xmax && ly >= b.ymin && ly <= b.ymax) {
            Object* script = avm1::InstanceObject(host.vm(), s, o);
            if (!script)
                continue;
            *out = ScriptPlace{script, nullptr, &s, &o};
            return true;
        }
    }
    return false;
}

} // namespace

void FocusByPress(ScriptHost& host, double x, double y) {
    ScriptPlace p;
    if (FieldUnder(host, host.root(), x, y, 0, &p)) {
        SetFocus(host, p.script, false);
        return;
    }
    Object* focus = FocusedObject(host);
    if (focus) {
        ScriptPlace at;
        if (LocateScript(host.root(), focus, &at) && FieldAt(host, at))
            SetFocus(host, nullptr, false);
    }
    host.player().keyboard().focusShown = false;
}

} // namespace ww::movie
