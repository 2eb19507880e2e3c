#include "movie/focus.h"

#include "movie/avm1/clip.h"
#include "movie/avm1/convert.h"
#include "movie/avm1/host.h"
#include "movie/avm1/instances.h"
#include "movie/pointer.h"
#include "movie/text_input.h"
#include "movie/text_layout.h"

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
    // Any field takes it from a script, even one that cannot be selected.
    if (FieldAt(host, p))
        return true;
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
    bool field;   // a text field, whose tabIndex is kept unsigned
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

// Tab counts a clip as a button once a pointer handler is set on it, even
// to undefined, and until it is deleted again.
bool HasPointerHandler(ScriptHost& host, SpriteState& s) {
    if (ActsAsButton(host, s))
        return true;
    for (const char* method : {"onPress", "onRelease", "onReleaseOutside", "onRollOver",
                               "onRollOut", "onDragOver", "onDragOut"}) {
        if (host.vm().HasAlongChain(s.script, method))
            return true;
    }
    return false;
}

// A clip Tab visits: tabEnabled says so, or, while it is unset, the clip
// acts as a button or has a tabIndex of its own.
bool ClipTabEnabled(ScriptHost& host, SpriteState& s, Object* script) {
    avm1::Vm& vm = host.vm();
    const Value enabled = Setting(vm, script, "tabEnabled");
    if (!enabled.IsUndefined())
        return vm.ToBoolean(enabled);
    int32_t index;
    return HasPointerHandler(host, s) || TabIndexOf(vm, script, false, &index);
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
            if (ClipTabEnabled(host, child, p.script))
                out->push_back(TabEntry{p.script, 0, 0, NAN, false});
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
        FieldState* f = FieldAt(host, p);
        if (f && f->edit.readOnly)
            continue;
        if (IsFalse(vm, Setting(vm, script, "tabEnabled")))
            continue;
        out->push_back(TabEntry{script, 0, 0, NAN, f != nullptr});
    }
}

// The root's tabChildren turns the whole order off, as a clip's does for
// what it holds.
void CollectAllTab(ScriptHost& host, std::vector<TabEntry>* out) {
    avm1::Vm& vm = host.vm();
    if (!IsFalse(vm, Setting(vm, host.ObjectOf(host.root()), "tabChildren")))
        CollectTab(host, host.root(), 0, out);
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

namespace {

// The object's own _focusrect, or the movie's when it has none (and
// always before version 6).
bool ShowsFocusRect(ScriptHost& host, const ScriptPlace& p) {
    int8_t own = -1;
    if (host.movie().version >= 6) {
        if (p.clip)
            own = p.clip->focusRect;
        else if (p.object && p.object->instance)
            own = p.object->instance->focusRect;
    }
    return own < 0 ? host.player().keyboard().focusRect : own != 0;
}

} // namespace

size_t FieldLength(ScriptHost& host, Object* field) {
    avm1::Vm& vm = host.vm();
    return Utf8ToChars(vm.ToString(vm.GetOf(field, "text"))).size();
}

bool SetFocus(ScriptHost& host, Object* target, FocusCause cause) {
    KeyboardState& k = host.player().keyboard();
    avm1::Vm& vm = host.vm();
    ScriptPlace p;
    // Tab chose its target by its own rules (tabEnabled, tabIndex).
    if (target && (!LocateScript(host.root(), target, &p) ||
                   (cause != FocusCause::Key && !Focusable(host, p))))
        return false;
    Object* old = FocusedObject(host);
    // _focusrect counts when the focus comes; changing it later leaves the
    // rectangle as it is.
    k.focusActive = target && cause != FocusCause::Pointer;
    k.focusShown = k.focusActive && ShowsFocusRect(host, p);
    k.selectionHidden = target && cause == FocusCause::Script;
    // Tab and scripts select the whole text, even of the field focused already.
    if (FieldState* f = target && cause != FocusCause::Pointer ? FieldAt(host, p) : nullptr) {
        f->anchor = 0;
        f->caret = FieldLength(host, target);
    }
    if (old == target)
        return true;
    k.focus = target;
    const Value oldValue = old ? Value::Obj(old) : Value::Null();
    const Value newValue = target ? Value::Obj(target) : Value::Null();
    if (cause == FocusCause::Key && target)
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

void ReleaseFocusWithin(ScriptHost& host, DisplayObject& leaving) {
    // Only what leaves is searched: removals come by the hundred a frame.
    Object* focus = host.player().keyboard().focus;
    if (!focus)
        return;
    ScriptPlace p;
    const bool inside = (leaving.instance && leaving.instance->script == focus) ||
                        (leaving.sprite && Locate(*leaving.sprite, focus, 0, &p));
    if (inside)
        SetFocus(host, nullptr, FocusCause::Script);
}

void HideFocusRect(Player& player, bool leftPress) {
    if (leftPress || player.movie().version < 9)
        player.keyboard().focusActive = player.keyboard().focusShown = false;
}

namespace {

// The movie's setting from a script's value: null and undefined leave it,
// an object turns it off, anything else is on unless it is the number 0.
bool MovieFocusRect(avm1::Vm& vm, const Value& v, bool current) {
    switch (v.type) {
    case Type::Undefined:
    case Type::Null:
        return current;
    case Type::Boolean:
        return v.b;
    case Type::Object:
        return false;
    default:
        return !(vm.ToNumber(v) == 0);
    }
}

// The object's own setting; null for the root, which has none of its own.
int8_t* OwnFocusRect(const ScriptPlace& p) {
    if (p.clip)
        return p.clip->owner ? &p.clip->focusRect : nullptr;
    return p.object && p.object->instance ? &p.object->instance->focusRect : nullptr;
}

} // namespace

Value GetFocusRect(avm1::Vm& vm, Object* script) {
    Player* player = vm.player();
    if (!player)
        return Value::Undefined();
    const bool movie = player->keyboard().focusRect;
    if (vm.version() < 6)
        return Value::Num(movie ? 1 : 0);
    ScriptPlace p;
    if (!LocateScript(ScriptHost::Of(vm).root(), script, &p))
        return Value::Undefined();
    const int8_t* own = OwnFocusRect(p);
    if (!own)
        return Value::Bool(movie);
    return *own < 0 ? Value::Null() : Value::Bool(*own != 0);
}

void SetFocusRect(avm1::Vm& vm, Object* script, const Value& v) {
    Player* player = vm.player();
    if (!player)
        return;
    bool& movie = player->keyboard().focusRect;
    ScriptPlace p;
    if (!LocateScript(ScriptHost::Of(vm).root(), script, &p))
        return;
    int8_t* own = OwnFocusRect(p);
    if (vm.version() < 6 || !own) {
        movie = MovieFocusRect(vm, v, movie);
        return;
    }
    *own = v.type == Type::Undefined || v.type == Type::Null ? -1 : vm.ToBoolean(v) ? 1 : 0;
}

bool TabStopBefore(const TabStop& a, const TabStop& b) {
    return a.major != b.major ? a.major < b.major : a.minor < b.minor;
}

size_t ChooseTabStop(const std::vector<TabStop>& stops, const TabStop* from, bool backwards) {
    // One pass keeping the nearest stop past the current one; a stop equal
    // to the best so far loses, so of equal stops only the first in display
    // order is ever reached.
    const auto nearer = [&](const TabStop& a, const TabStop& b) {
        return backwards ? TabStopBefore(b, a) : TabStopBefore(a, b);
    };
    size_t best = kNoTabStop, wrap = kNoTabStop;
    for (size_t i = 0; i < stops.size(); ++i) {
        const TabStop& s = stops[i];
        if ((!from || nearer(*from, s)) && (best == kNoTabStop || nearer(s, stops[best])))
            best = i;
        // Past the last stop the order starts again at the other end.
        if (wrap == kNoTabStop || nearer(s, stops[wrap]))
            wrap = i;
    }
    return best != kNoTabStop ? best : wrap;
}

int32_t TabIndexAsInt(double n, bool field) {
    // A field keeps its index unsigned, and the order reads it back signed:
    // its 4294967293 comes before 0. Clips and buttons convert as the
    // processor does, anything out of range or not a number to the lowest.
    if (field)
        return avm1::ToInt32(n);
    if (!(n > -2147483649.0 && n < 2147483648.0))
        return INT32_MIN;
    return static_cast<int32_t>(n);
}

bool TabIndexOf(avm1::Vm& vm, Object* script, bool field, int32_t* out) {
    const Value index = vm.GetOf(script, "tabIndex");
    if (index.IsUndefined() || index.type == Type::Null)
        return false;
    *out = TabIndexAsInt(vm.ToNumber(index), field);
    return *out != -1; // -1 is the mark for "none"
}

namespace {

// Where each entry stands: by tabIndex when any has one, else by its
// corner, top to bottom and then left to right.
bool PlaceEntries(ScriptHost& host, std::vector<TabEntry>* entries) {
    avm1::Vm& vm = host.vm();
    bool custom = false;
    for (TabEntry& e : *entries) {
        int32_t index;
        if (TabIndexOf(vm, e.script, e.field, &index)) {
            e.index = index;
            custom = true;
        }
    }
    if (custom) {
        entries->erase(std::remove_if(entries->begin(), entries->end(),
                                      [](const TabEntry& e) { return std::isnan(e.index); }),
                       entries->end());
        return true;
    }
    for (TabEntry& e : *entries) {
        ScriptPlace p;
        if (LocateScript(host.root(), e.script, &p))
            Corner(host, p, &e.x, &e.y);
    }
    return false;
}

// The entries Tab may visit and their stops. Objects sharing a tabIndex
// are all visited, in display order; objects at one place are not.
bool TabStops(ScriptHost& host, std::vector<TabEntry>* entries, std::vector<TabStop>* stops) {
    CollectAllTab(host, entries);
    const bool custom = PlaceEntries(host, entries);
    for (size_t i = 0; i < entries->size(); ++i) {
        const TabEntry& e = (*entries)[i];
        stops->push_back(custom ? TabStop{e.index, double(i)} : TabStop{e.y, e.x});
    }
    return custom;
}

// The focused object's own stop, which it has even when Tab would not
// visit it; false when it has none in this order.
bool FocusStop(ScriptHost& host, Object* focus, bool custom, const std::vector<TabEntry>& entries,
               const std::vector<TabStop>& stops, TabStop* out) {
    ScriptPlace p;
    if (!focus || !LocateScript(host.root(), focus, &p))
        return false;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].script == focus) {
            *out = stops[i];
            return true;
        }
    }
    if (custom) {
        int32_t index;
        if (!TabIndexOf(host.vm(), focus, FieldAt(host, p) != nullptr, &index))
            return false;
        *out = TabStop{double(index), -1}; // before the first of its index
        return true;
    }
    double x, y;
    Corner(host, p, &x, &y);
    *out = TabStop{y, x};
    return true;
}

} // namespace

std::vector<Object*> TabOrder(ScriptHost& host) {
    std::vector<TabEntry> entries;
    std::vector<TabStop> stops;
    TabStops(host, &entries, &stops);
    // Walked from nowhere, each stop reached once.
    std::vector<Object*> order;
    const TabStop* from = nullptr;
    for (size_t n = 0; n < stops.size(); ++n) {
        const size_t next = ChooseTabStop(stops, from, false);
        if (next == kNoTabStop || (from && !TabStopBefore(*from, stops[next])))
            break;
        order.push_back(entries[next].script);
        from = &stops[next];
    }
    return order;
}

void MoveFocusByTab(ScriptHost& host, bool backwards) {
    std::vector<TabEntry> entries;
    std::vector<TabStop> stops;
    const bool custom = TabStops(host, &entries, &stops);
    TabStop from;
    const bool placed = FocusStop(host, FocusedObject(host), custom, entries, stops, &from);
    const size_t next = ChooseTabStop(stops, placed ? &from : nullptr, backwards);
    if (next != kNoTabStop)
        SetFocus(host, entries[next].script, FocusCause::Key);
}

namespace {

// The topmost selectable text field under (x, y), given in s's space.
bool FieldUnder(ScriptHost& host, SpriteState& s, double x, double y, int nesting, ScriptPlace* out,
                double* fieldX, double* fieldY) {
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
            if (FieldUnder(host, *o.sprite, lx, ly, nesting + 1, out, fieldX, fieldY))
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
            *fieldX = lx;
            *fieldY = ly;
            return true;
        }
    }
    return false;
}

// The caret's place nearest a point in the field's twips, on the field's
// layout as drawn (scrolled).
size_t CaretNear(ScriptHost& host, const FieldState& f, double x, double y) {
    TextPicture picture;
    DeviceGlyphCache cache;
    LayoutShownField(host.movie(), f, cache, &picture);
    return CaretAtPoint(picture, x, y);
}

} // namespace

void FocusByPress(ScriptHost& host, double x, double y) {
    ScriptPlace p;
    double fx = 0, fy = 0;
    if (FieldUnder(host, host.root(), x, y, 0, &p, &fx, &fy)) {
        if (SetFocus(host, p.script, FocusCause::Pointer)) {
            if (FieldState* f = FieldAt(host, p)) {
                f->caret = std::min(CaretNear(host, *f, fx, fy), FieldLength(host, p.script));
                f->anchor = f->caret;
            }
        }
        return;
    }
    Object* focus = FocusedObject(host);
    if (focus) {
        ScriptPlace at;
        if (LocateScript(host.root(), focus, &at) && FieldAt(host, at))
            SetFocus(host, nullptr, FocusCause::Pointer);
    }
    HideFocusRect(host.player(), true);
}

} // namespace ww::movie
