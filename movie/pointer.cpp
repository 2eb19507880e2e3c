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
                *out = PointerTarget{state, false};
                return true;
            }
            continue;
        }
        if (!o.sprite)
            continue;
        SpriteState& child = *o.sprite;
        if (ClipAnswers(host, child)) {
            if (Enabled(host, child.script) && ListContains(movie, child, lx, ly, nesting + 1)) {
                *out = PointerTarget{&child, true};
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
        if (!t.clip && o.instance.get() == t.id) {
            *out = Located{&s, &o, nullptr};
            return true;
        }
        if (o.sprite) {
            if (t.clip && o.sprite.get() == t.id) {
                *out = Located{nullptr, nullptr, o.sprite.get()};
                return true;
            }
            if (Locate(*o.sprite, t, nesting + 1, out))
                return true;
        }
    }
    return false;
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
    return pointer_ && pointer_->over.id;
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

void ClickByKey(ScriptHost& host, Object* target) {
    ScriptPlace at;
    if (!LocateScript(host.root(), target, &at))
        return;
    PointerTarget t;
    if (at.clip)
        t = PointerTarget{at.clip, true};
    else if (at.object && at.object->ref.kind == CharacterKind::Button && at.object->instance)
        t = PointerTarget{at.object->instance.get(), false};
    else
        return;
    Player& player = host.player();
    Fire(player, host.root(), &host, t, kPress);
    Fire(player, host.root(), &host, t, kRelease);
}

void Player::PointerMove(double x, double y) {
    PointerState& p = pointer();
    ScriptHost* host = scripts_.get();
    HideFocusRect(*this, false); // even where it stood: Flash counts the event
    p.x = x;
    p.y = y;
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
    } else if (p.dragged) {
        p.dragged = nullptr;
    }
    PointerTarget hit;
    FindTarget(movie_, host, root_, x, y, 0, &hit);
    if (!p.down) {
        if (hit != p.over) {
            const PointerTarget left = p.over;
            p.over = hit;
            Fire(*this, root_, host, left, kRollOut);
            Fire(*this, root_, host, hit, kRollOver);
        }
    } else if (p.pressed.id) {
        const bool inside = hit == p.pressed;
        if (inside != p.pressedInside) {
            p.pressedInside = inside;
            Fire(*this, root_, host, p.pressed, inside ? kDragOver : kDragOut);
        }
        p.over = inside ? hit : PointerTarget{};
    }
    Broadcast(root_, host, kEventMouseMove, "onMouseMove");
    if (host)
        host->RunQueue();
}

void Player::PointerDown(double x, double y) {
    PointerMove(x, y);
    PointerState& p = pointer();
    if (p.down)
        return;
    ScriptHost* host = scripts_.get();
    p.down = true;
    p.inClick = true;
    p.pressed = p.over;
    p.pressedInside = p.pressed.id != nullptr;
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
    PointerMove(x, y);
    PointerState& p = pointer();
    if (!p.down)
        return;
    HideFocusRect(*this, false);
    ScriptHost* host = scripts_.get();
    p.down = false;
    p.inClick = true;
    const PointerTarget pressed = p.pressed;
    p.pressed = PointerTarget{};
    Broadcast(root_, host, kEventMouseUp, "onMouseUp");
    if (pressed.id)
        Fire(*this, root_, host, pressed, p.pressedInside ? kRelease : kReleaseOutside);
    // Released over another target: it is now the one the pointer is over.
    PointerTarget hit;
    FindTarget(movie_, host, root_, x, y, 0, &hit);
    if (hit != (p.pressedInside ? pressed : PointerTarget{})) {
        if (p.pressedInside)
            Fire(*this, root_, host, pressed, kRollOut);
        Fire(*this, root_, host, hit, kRollOver);
    }
    p.over = hit;
    p.pressedInside = false;
    if (host)
        host->RunQueue();
    p.inClick = false;
}

} // namespace ww::movie
