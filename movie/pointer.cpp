// The pointer's way into a playing movie. Each event finds the topmost
// button, or clip with pointer handlers, under the pointer (exactly, by the
// hit state's shapes); moves the button states as Flash does (up, over,
// down, and out-down while a press is dragged off); runs the button's
// condition actions, then its handler (onPress ...), then the clip events
// and Mouse listeners every clip hears (mouseMove, mouseDown, mouseUp).
#include "movie/pointer.h"

#include "movie/avm1/host.h"
#include "movie/avm1/instances.h"
#include "movie/button.h"
#include "movie/focus.h"
#include "movie/hit_test.h"
#include "movie/text_layout.h"

#include <algorithm>

namespace ww::movie {

namespace {

using avm1::Object;
using avm1::ScriptHost;
using avm1::Value;

const char* const kClipPointerMethods[] = {"onPress",    "onRelease", "onReleaseOutside",
                                           "onRollOver", "onRollOut", "onDragOver",
                                           "onDragOut"};
constexpr uint32_t kClipPointerEvents = kEventPress | kEventRelease | kEventReleaseOutside |
                                        kEventRollOver | kEventRollOut | kEventDragOver |
                                        kEventDragOut;

bool IsFunction(const Value& v) {
    return v.type == avm1::Type::Object && v.o->IsFunction();
}

// A clip answers the pointer when it has a pointer clip event or handler.
bool ClipAnswers(ScriptHost* host, SpriteState& s) {
    if (!host)
        return false;
    if (s.clipActions) {
        for (const ClipAction& a : *s.clipActions) {
            if (a.events & kClipPointerEvents)
                return true;
        }
    }
    if (!s.script)
        return false;
    for (const char* method : kClipPointerMethods) {
        if (IsFunction(host->vm().GetOf(s.script, method)))
            return true;
    }
    return false;
}

bool Enabled(ScriptHost* host, Object* script) {
    if (!host || !script)
        return true;
    const Value v = host->vm().GetOf(script, "enabled");
    return v.IsUndefined() || host->vm().ToBoolean(v);
}

bool ToLocal(const Matrix& m, double x, double y, double* lx, double* ly) {
    Matrix inverse;
    if (!Invert(m, &inverse))
        return false;
    *lx = inverse.a * x + inverse.c * y + inverse.tx;
    *ly = inverse.b * x + inverse.d * y + inverse.ty;
    return true;
}

// The topmost target under (x, y), given in s's own space.
bool FindTarget(const Movie& movie, ScriptHost* host, SpriteState& s, double x, double y,
                int nesting, PointerTarget* out) {
    if (nesting >= kMaxSpriteNesting)
        return false;
    for (auto it = s.objects.rbegin(); it != s.objects.rend(); ++it) {
        DisplayObject& o = it->second;
        double lx, ly;
        if (!o.visible || o.clipDepth > 0 || !ToLocal(o.matrix, x, y, &lx, &ly))
            continue;
        if (o.ref.kind == CharacterKind::Button && o.ref.index < movie.buttons.size()) {
            InstanceState* state = InstanceOf(s, o);
            if (Enabled(host, state->script) &&
                ButtonContains(movie, movie.buttons[o.ref.index], lx, ly, nesting + 1)) {
                *out = PointerTarget{state->serial, false, s.birth, o.depth, o.characterId};
                return true;
            }
            continue;
        }
        if (!o.sprite)
            continue;
        SpriteState& child = *o.sprite;
        if (ClipAnswers(host, child)) {
            if (Enabled(host, child.script) && ListContains(movie, child, lx, ly, nesting + 1)) {
                *out = PointerTarget{child.birth, true};
                return true;
            }
            continue;
        }
        if (FindTarget(child.movie ? *child.movie : movie, host, child, lx, ly, nesting + 1, out))
            return true;
    }
    return false;
}

struct Located {
    SpriteState* parent = nullptr; // a button's timeline
    DisplayObject* button = nullptr;
    SpriteState* clip = nullptr;
};

bool Locate(SpriteState& s, const PointerTarget& t, int nesting, Located* out) {
    if (nesting >= kMaxSpriteNesting)
        return false;
    for (auto& entry : s.objects) {
        DisplayObject& o = entry.second;
        if (!t.clip && o.instance && o.instance->serial == t.id) {
            *out = Located{&s, &o, nullptr};
            return true;
        }
        if (o.sprite) {
            if (t.clip && o.sprite->birth == t.id) {
                *out = Located{nullptr, nullptr, o.sprite.get()};
                return true;
            }
            if (Locate(*o.sprite, t, nesting + 1, out))
                return true;
        }
    }
    return false;
}

SpriteState* SpriteByBirth(SpriteState& s, uint64_t birth, int nesting) {
    if (s.birth == birth)
        return &s;
    if (nesting >= kMaxSpriteNesting)
        return nullptr;
    for (auto& entry : s.objects) {
        if (entry.second.sprite) {
            if (SpriteState* found = SpriteByBirth(*entry.second.sprite, birth, nesting + 1))
                return found;
        }
    }
    return nullptr;
}

// A button the pointer tracks that a frame took away and placed again (the
// same character at the same depth of the same timeline) is the same button
// to the pointer, as in Flash: t follows it, and it shows state.
void FollowReplacement(SpriteState& root, PointerTarget* t, uint8_t state) {
    Located at;
    if (!t->id || t->clip || Locate(root, *t, 0, &at))
        return;
    SpriteState* parent = SpriteByBirth(root, t->parentBirth, 0);
    if (!parent)
        return;
    auto it = parent->objects.find(t->depth);
    if (it == parent->objects.end() || it->second.ref.kind != CharacterKind::Button ||
        it->second.characterId != t->characterId)
        return;
    InstanceState* now = InstanceOf(*parent, it->second);
    t->id = now->serial;
    now->buttonState = state;
}

// Every clip under s, parents first, for events all clips hear.
void AllClips(SpriteState& s, int nesting, std::vector<SpriteState*>* out) {
    out->push_back(&s);
    if (nesting >= kMaxSpriteNesting)
        return;
    for (auto& entry : s.objects) {
        if (entry.second.sprite)
            AllClips(*entry.second.sprite, nesting + 1, out);
    }
}

bool IsWebAddress(const std::string& url) {
    std::string head = url.substr(0, 8);
    std::transform(head.begin(), head.end(), head.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (head.rfind("http://", 0) != 0 && head.rfind("https://", 0) != 0)
        return false;
    // Control characters and quotes have no place in an address handed on.
    for (unsigned char c : url) {
        if (c < 0x20 || c == 0x7F || c == '"')
            return false;
    }
    return url.size() < 2048;
}

} // namespace

PointerState& Player::pointer() {
    if (!pointer_)
        pointer_ = std::make_shared<PointerState>();
    return *pointer_;
}

bool Player::OpenUrl(const std::string& url) {
    if (!pointer_ || !pointer_->inClick || !openUrl_ || !IsWebAddress(url))
        return false;
    openUrl_(url);
    return true;
}

bool Player::PointerOverButton() const {
    return pointer_ && pointer_->over.id != 0;
}

namespace {

// What one transition of a target does: the state a button shows after it,
// its condition, the clip event bit and the handler's name.
struct Transition {
    uint8_t state;
    uint16_t condition;
    uint32_t clipEvent;
    const char* method;
};

const Transition kRollOver{kButtonOver, kIdleToOverUp, kEventRollOver, "onRollOver"};
const Transition kRollOut{kButtonUp, kOverUpToIdle, kEventRollOut, "onRollOut"};
const Transition kPress{kButtonDown, kOverUpToOverDown, kEventPress, "onPress"};
const Transition kRelease{kButtonOver, kOverDownToOverUp, kEventRelease, "onRelease"};
const Transition kDragOut{kButtonOver, kOverDownToOutDown, kEventDragOut, "onDragOut"};
const Transition kDragOver{kButtonDown, kOutDownToOverDown, kEventDragOver, "onDragOver"};
const Transition kReleaseOutside{kButtonUp, kOutDownToIdle, kEventReleaseOutside,
                                 "onReleaseOutside"};
// A press held by a target tracked as a menu, which does not keep it to
// itself: entering any target and leaving it.
const Transition kMenuOver{kButtonDown, kIdleToOverDown, kEventDragOver, "onDragOver"};
const Transition kMenuOut{kButtonUp, kOverDownToIdle, kEventDragOut, "onDragOut"};

} // namespace

// Runs what a transition of a target sets off; a target gone from the
// display list is passed over.
static void Fire(Player& player, SpriteState& root, ScriptHost* host, const PointerTarget& t,
                 const Transition& tr) {
    Located at;
    if (!t.id || !Locate(root, t, 0, &at))
        return;
    if (at.button) {
        InstanceState& state = *at.button->instance;
        // A disabled button hears nothing and keeps the state it shows.
        if (!Enabled(host, state.script))
            return;
        state.buttonState = tr.state;
        if (!host)
            return;
        const Movie& movie = player.MovieOf(*at.parent);
        const Button& button = movie.buttons[at.button->ref.index];
        Object* script = state.script;
        Object* timeline = host->ObjectOf(*at.parent);
        // Actions run in the timeline that holds the button.
        for (const ButtonAction& a : button.actions) {
            if (a.conditions & tr.condition)
                host->vm().RunBlock(std::make_shared<const std::vector<uint8_t>>(a.records),
                                    timeline);
        }
        if (script && script->instance)
            host->vm().CallEvent(script, tr.method);
        return;
    }
    if (!host)
        return;
    Object* clip = host->ObjectOf(*at.clip);
    if (!Enabled(host, clip))
        return;
    if (at.clip->clipActions) {
        const auto actions = at.clip->clipActions;
        for (const ClipAction& a : *actions) {
            if ((a.events & tr.clipEvent) && clip->clip)
                host->vm().RunBlock(a.actions, clip);
        }
    }
    if (clip->clip)
        host->vm().CallEvent(clip, tr.method);
}

// Every clip's clip event and handler, then Mouse's listeners.
static void Broadcast(SpriteState& root, ScriptHost* host, uint32_t bit, const char* method) {
    if (!host)
        return;
    std::vector<SpriteState*> clips;
    AllClips(root, 0, &clips);
    std::vector<Object*> objects;
    for (SpriteState* s : clips)
        objects.push_back(host->ObjectOf(*s));
    avm1::Vm& vm = host->vm();
    for (Object* o : objects) {
        if (!o->clip)
            continue; // removed by an earlier handler
        if (o->clip->clipActions) {
            const auto actions = o->clip->clipActions;
            for (const ClipAction& a : *actions) {
                if ((a.events & bit) && o->clip)
                    vm.RunBlock(a.actions, o);
            }
        }
        if (o->clip)
            vm.CallEvent(o, method);
    }
    const Value mouse = vm.GetOf(vm.global, "Mouse");
    if (mouse.type != avm1::Type::Object)
        return;
    const Value listeners = vm.GetOf(mouse.o, "_listeners");
    if (listeners.type != avm1::Type::Object)
        return;
    const std::vector<Value> copy = listeners.o->elements;
    for (const Value& l : copy) {
        // A clip removed from the stage hears nothing more.
        if (l.type == avm1::Type::Object && !(l.o->kind == avm1::ObjectKind::Clip && !l.o->clip))
            vm.CallEvent(l.o, method);
    }
}

// A target tracked as a menu, whose press other targets may take over: a
// script's trackAsMenu where it set one, else a button's own flag.
static bool IsMenu(Player& player, SpriteState& root, ScriptHost* host, const PointerTarget& t) {
    Located at;
    if (!t.id || !Locate(root, t, 0, &at))
        return false;
    Object* script = nullptr;
    bool menu = false;
    if (at.button) {
        script = at.button->instance->script;
        menu = player.movie().buttons[at.button->ref.index].trackAsMenu;
    } else if (host) {
        script = host->ObjectOf(*at.clip);
    }
    if (host && script) {
        const Value v = host->vm().GetOf(script, "trackAsMenu");
        if (!v.IsUndefined())
            menu = host->vm().ToBoolean(v);
    }
    return menu;
}

namespace {

// The topmost object drawn at (x, y), given in s's space, and the timeline
// that holds it; no object when it is what a script drew in that timeline.
struct Under {
    SpriteState* parent = nullptr;
    DisplayObject* object = nullptr;
};

bool TopmostUnder(const Movie& movie, SpriteState& s, double x, double y, int nesting, Under* out,
                  const SpriteState* leaveOut = nullptr) {
    if (nesting >= kMaxSpriteNesting)
        return false;
    for (auto it = s.objects.rbegin(); it != s.objects.rend(); ++it) {
        DisplayObject& o = it->second;
        double lx, ly;
        if (!o.visible || o.clipDepth > 0 || (o.sprite && o.sprite.get() == leaveOut) ||
            !ToLocal(o.matrix, x, y, &lx, &ly))
            continue;
        if (o.sprite) {
            if (TopmostUnder(movie, *o.sprite, lx, ly, nesting + 1, out, leaveOut))
                return true;
            const ScriptDrawing* drawn = o.sprite->drawing.get();
            if (drawn && drawn->hasBounds && ShapeContains(drawn->shape, lx, ly)) {
                *out = Under{o.sprite.get(), nullptr};
                return true;
            }
            continue;
        }
        if (ObjectContains(movie, o, x, y, nesting + 1)) {
            *out = Under{&s, &o};
            return true;
        }
    }
    return false;
}

// The largest scroll position of a field: the first line from which the
// rest of its text fits in its box.
int MaxScroll(const Movie& movie, const FieldState& f) {
    TextPicture p;
    DeviceGlyphCache cache;
    if (f.styled)
        LayoutStyledText(movie, f.edit, f.styledText, cache, &p);
    else
        LayoutEditText(movie, f.edit, cache, &p);
    const int lines = static_cast<int>(std::min(p.lineTops.size(), p.lineBottoms.size()));
    const double room = (p.box.ymax - p.box.ymin) - 2 * kFieldGutter;
    int most = lines;
    while (most > 1 && p.lineBottoms[lines - 1] - p.lineTops[most - 2] <= room)
        --most;
    return std::max(1, most);
}

} // namespace

void ClickByKey(ScriptHost& host, Object* target) {
    ScriptPlace at;
    if (!LocateScript(host.root(), target, &at))
        return;
    PointerTarget t;
    if (at.clip)
        t = PointerTarget{at.clip->birth, true};
    else if (at.object && at.object->ref.kind == CharacterKind::Button && at.object->instance)
        t = PointerTarget{at.object->instance->serial, false};
    else
        return;
    Player& player = host.player();
    Fire(player, host.root(), &host, t, kPress);
    Fire(player, host.root(), &host, t, kRelease);
}

void HoverByKey(ScriptHost& host, Object* target) {
    PointerState& p = host.player().pointer();
    ScriptPlace at;
    if (p.down || !LocateScript(host.root(), target, &at))
        return;
    PointerTarget t;
    if (at.clip)
        t = PointerTarget{at.clip->birth, true};
    else if (at.object && at.object->ref.kind == CharacterKind::Button && at.parent)
        t = PointerTarget{InstanceOf(*at.parent, *at.object)->serial, false, at.parent->birth,
                          at.object->depth, at.object->characterId};
    else
        return;
    // The one hovered rolls out even when the focus comes back to it.
    const PointerTarget left = p.over;
    p.over = t;
    p.keyHover = true;
    Player& player = host.player();
    Fire(player, host.root(), &host, left, kRollOut);
    Fire(player, host.root(), &host, t, kRollOver);
}

namespace {

// The slash path of the clip holding the topmost object under (x, y),
// leaving out the dragged clip and what it holds; empty over nothing.
std::string DropTarget(const Movie& movie, SpriteState& root, const SpriteState* dragged, double x,
                       double y) {
    Under under;
    if (!TopmostUnder(movie, root, x, y, 0, &under, dragged))
        return "";
    std::string path;
    for (const SpriteState* s = under.parent; s && s->owner; s = s->parent)
        path = "/" + s->owner->name + path;
    return path.empty() ? "/" : path;
}

} // namespace

void Player::PointerMove(double x, double y) {
    PointerState& p = pointer();
    ScriptHost* host = scripts_.get();
    HideFocusRect(*this, false); // even where it stood: Flash counts the event
    const bool overPressed = p.down && p.over.id && p.over == p.pressed;
    FollowReplacement(root_, &p.pressed, p.pressedInside ? kButtonDown : kButtonOver);
    if (overPressed)
        p.over = p.pressed;
    else
        FollowReplacement(root_, &p.over, p.down ? kButtonDown : kButtonOver);
    if (p.dragged && p.dragged->clip && p.dragged->clip->owner && p.dragged->clip->parent) {
        // The dragged clip follows in its parent's space, inside its bounds.
        Matrix toStage;
        for (const SpriteState* s = p.dragged->clip->parent; s && s->owner; s = s->parent)
            toStage = Multiply(s->owner->matrix, toStage);
        double lx, ly;
        if (ToLocal(toStage, x, y, &lx, &ly)) {
            double nx = lx / kTwipsPerPixel + p.dragDx, ny = ly / kTwipsPerPixel + p.dragDy;
            if (p.dragBounded) {
                nx = std::clamp(nx, std::min(p.dragLeft, p.dragRight),
                                std::max(p.dragLeft, p.dragRight));
                ny = std::clamp(ny, std::min(p.dragTop, p.dragBottom),
                                std::max(p.dragTop, p.dragBottom));
            }
            p.dragged->clip->owner->matrix.tx = nx * kTwipsPerPixel;
            p.dragged->clip->owner->matrix.ty = ny * kTwipsPerPixel;
        }
        p.dropBirth = p.dragged->clip->birth;
        p.dropTarget = DropTarget(movie_, root_, p.dragged->clip, x, y);
    } else if (p.dragged) {
        p.dragged = nullptr;
    }
    p.seen = true;
    // A pointer that has not moved leaves what Tab rolled over alone.
    const bool still = p.keyHover && x == p.x && y == p.y;
    p.x = x;
    p.y = y;
    PointerTarget hit;
    FindTarget(movie_, host, root_, x, y, 0, &hit);
    if (still) {
    } else if (!p.down) {
        p.keyHover = false;
        if (hit != p.over) {
            const PointerTarget left = p.over;
            p.over = hit;
            Fire(*this, root_, host, left, kRollOut);
            Fire(*this, root_, host, hit, kRollOver);
        }
    } else {
        // A held press stays with what it pressed, unless that is tracked as
        // a menu: then whatever the pointer is over takes the press.
        const bool menu = p.pressed.id && IsMenu(*this, root_, host, p.pressed);
        PointerTarget now;
        if (hit.id && (hit == p.pressed || menu))
            now = hit;
        if (now != p.over) {
            const PointerTarget left = p.over;
            p.over = now;
            p.pressedInside = now.id && now == p.pressed;
            if (left.id)
                Fire(*this, root_, host, left, menu ? kMenuOut : kDragOut);
            if (now.id)
                Fire(*this, root_, host, now, menu ? kMenuOver : kDragOver);
        }
    }
    Broadcast(root_, host, kEventMouseMove, "onMouseMove");
    if (host)
        host->RunQueue();
}

void Player::PointerDown(double x, double y) {
    // A press or release goes where the pointer is, whatever Tab rolled over.
    pointer().keyHover = false;
    PointerMove(x, y);
    PointerState& p = pointer();
    if (p.down)
        return;
    ScriptHost* host = scripts_.get();
    p.down = true;
    p.inClick = true;
    p.pressed = p.over;
    p.pressedInside = p.pressed.id != 0;
    // Every clip hears of the press before the focus moves and the one
    // pressed answers it.
    Broadcast(root_, host, kEventMouseDown, "onMouseDown");
    if (host)
        FocusByPress(*host, x, y);
    Fire(*this, root_, host, p.pressed, kPress);
    if (host)
        host->RunQueue();
    p.inClick = false;
}

void Player::PointerUp(double x, double y) {
    // A press or release goes where the pointer is, whatever Tab rolled over.
    pointer().keyHover = false;
    PointerMove(x, y);
    PointerState& p = pointer();
    if (!p.down)
        return;
    HideFocusRect(*this, false);
    ScriptHost* host = scripts_.get();
    p.down = false;
    p.inClick = true;
    const PointerTarget pressed = p.pressed, under = p.over;
    // A pressed menu target let the press go when the pointer left it.
    const bool menu = pressed.id && IsMenu(*this, root_, host, pressed);
    const bool outside = pressed.id && under != pressed && !menu;
    p.pressed = PointerTarget{};
    Broadcast(root_, host, kEventMouseUp, "onMouseUp");
    if (under.id)
        Fire(*this, root_, host, under, kRelease);
    else if (outside)
        Fire(*this, root_, host, pressed, kReleaseOutside);
    // Released over another target: it is now the one the pointer is over.
    PointerTarget hit;
    FindTarget(movie_, host, root_, x, y, 0, &hit);
    if (hit != under) {
        if (under.id)
            Fire(*this, root_, host, under, kRollOut);
        Fire(*this, root_, host, hit, kRollOver);
    }
    p.over = hit;
    p.pressedInside = false;
    if (host)
        host->RunQueue();
    p.inClick = false;
}

void Player::PointerWheel(int lines) {
    PointerState& p = pointer();
    ScriptHost* host = scripts_.get();
    Under under;
    bool hit = TopmostUnder(movie_, root_, p.x, p.y, 0, &under);
    if (host) {
        // Listeners hear the lines and the topmost object under the pointer:
        // a field or button itself, else the clip holding what was hit.
        avm1::Vm& vm = host->vm();
        Value target = Value::Undefined();
        if (hit) {
            Object* o =
                under.object ? avm1::InstanceObject(vm, *under.parent, *under.object) : nullptr;
            if (o)
                target = Value::Obj(o);
            else
                target = Value::Obj(host->ObjectOf(*under.parent));
        }
        const Value mouse = vm.GetOf(vm.global, "Mouse");
        const Value listeners =
            mouse.type == avm1::Type::Object ? vm.GetOf(mouse.o, "_listeners") : Value::Undefined();
        if (listeners.type == avm1::Type::Object) {
            const Value values[2] = {Value::Num(lines), target};
            const avm1::Args args{values, 2};
            const std::vector<Value> copy = listeners.o->elements;
            for (const Value& l : copy) {
                if (l.type == avm1::Type::Object &&
                    !(l.o->kind == avm1::ObjectKind::Clip && !l.o->clip))
                    vm.CallEvent(l.o, "onMouseWheel", args);
            }
        }
        host->RunQueue();
        // A listener may have taken the field away.
        if (hit)
            hit = TopmostUnder(movie_, root_, p.x, p.y, 0, &under);
    }
    // The field under the pointer scrolls a line for each line the wheel turns.
    if (!hit || !under.object || under.object->ref.kind != CharacterKind::EditText)
        return;
    FieldState* f = FieldOf(*under.parent, *under.object, movie_);
    if (!f || !f->mouseWheelEnabled)
        return;
    const int64_t wanted = int64_t(f->scroll) - lines;
    const int scroll = static_cast<int>(std::clamp<int64_t>(wanted, 1, MaxScroll(movie_, *f)));
    if (scroll != f->scroll) {
        f->scroll = scroll;
        ++f->generation;
    }
}

void RepickPointer(ScriptHost& host) {
    Player& player = host.player();
    PointerState& p = player.pointer();
    // A held press keeps its target; Tab's choice stays until the pointer moves.
    if (!p.seen || p.down || p.keyHover)
        return;
    SpriteState& root = host.root();
    FollowReplacement(root, &p.over, kButtonOver);
    // A disabled target keeps the pointer until the pointer moves.
    Located at;
    if (p.over.id && Locate(root, p.over, 0, &at)) {
        Object* script = at.button ? at.button->instance->script : host.ObjectOf(*at.clip);
        if (!Enabled(&host, script))
            return;
    }
    PointerTarget hit;
    FindTarget(player.movie(), &host, root, p.x, p.y, 0, &hit);
    if (hit == p.over)
        return;
    const PointerTarget left = p.over;
    p.over = hit;
    Fire(player, root, &host, left, kRollOut);
    Fire(player, root, &host, hit, kRollOver);
    host.RunQueue();
}

} // namespace ww::movie
