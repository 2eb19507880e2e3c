// The keyboard's way into a playing movie. A key press is told, in Flash's
// order, to Key's listeners, to every clip's keyDown event, to the focused
// clip or button, and to the buttons whose key condition it matches; Tab
// then moves the focus. Typed characters and editing commands go to the
// focused input field. The focus itself moves by Tab, by a click and by
// Selection.setFocus, each time with onKillFocus, onSetFocus and Selection's
// listeners told.
#include "movie/keyboard.h"

#include "movie/avm1/clip.h"
#include "movie/avm1/host.h"
#include "movie/avm1/instances.h"
#include "movie/focus.h"
#include "movie/pointer.h"

#include <algorithm>
#include <cmath>

namespace ww::movie {

namespace {

using avm1::Object;
using avm1::ScriptHost;
using avm1::Value;

constexpr int kKeyTab = 9, kKeyShift = 16, kKeySpace = 32, kKeyEnter = 13, kKeyCapsLock = 20,
              kKeyNumLock = 144;

// A DefineButton2 key condition (bits 9 to 15) for a key press: the special
// keys have codes of their own, the rest their character.
int ButtonKeyOf(int code, uint32_t ascii) {
    static const struct {
        int code, key;
    } kSpecial[] = {{37, 1},  {39, 2},  {36, 3},  {35, 4},  {45, 5},  {46, 6}, {8, 8},
                    {13, 13}, {38, 14}, {40, 15}, {33, 16}, {34, 17}, {9, 18}, {27, 19}};
    for (const auto& k : kSpecial) {
        if (k.code == code)
            return k.key;
    }
    return ascii >= 32 && ascii < 127 ? int(ascii) : 0;
}

// A condition key that comes with a typed character rather than a key
// press: the printable characters after the space.
bool IsTypedKey(int key) {
    return key > 32 && key < 127;
}

bool Enabled(ScriptHost& host, Object* script) {
    if (!script)
        return true;
    const Value v = host.vm().GetOf(script, "enabled");
    return v.IsUndefined() || host.vm().ToBoolean(v);
}

// Runs the key condition actions of every enabled button for key; true when
// any button had one. A hidden button, or one in a hidden clip, hears none.
bool RunButtonKeys(Player& player, ScriptHost& host, SpriteState& s, int key, int nesting) {
    if (nesting >= kMaxSpriteNesting)
        return false;
    bool matched = false;
    std::vector<std::pair<SpriteState*, uint16_t>> hits;
    for (auto& entry : s.objects) {
        DisplayObject& o = entry.second;
        if (!o.visible)
            continue;
        if (o.ref.kind == CharacterKind::Button && o.ref.index < player.MovieOf(s).buttons.size())
            hits.emplace_back(&s, entry.first);
        else if (o.sprite)
            matched = RunButtonKeys(player, host, *o.sprite, key, nesting + 1) || matched;
    }
    for (const auto& hit : hits) {
        auto it = hit.first->objects.find(hit.second);
        if (it == hit.first->objects.end() || !hit.first->script)
            continue;
        const Button& button = player.MovieOf(*hit.first).buttons[it->second.ref.index];
        if (it->second.instance && !Enabled(host, it->second.instance->script))
            continue;
        for (const ButtonAction& a : button.actions) {
            if ((a.conditions >> 9) != key || !hit.first->script)
                continue;
            matched = true;
            host.vm().RunBlock(std::make_shared<const std::vector<uint8_t>>(a.records),
                               hit.first->script);
        }
    }
    return matched;
}

// Every clip's clip event for the key, parents first.
void ClipKeyEvents(ScriptHost& host, SpriteState& root, uint32_t bit) {
    std::vector<Object*> clips;
    ForEachClip(root, [&](SpriteState& s) {
        if (s.clipActions)
            clips.push_back(host.ObjectOf(s));
    });
    for (Object* o : clips) {
        if (!o->clip || !o->clip->clipActions)
            continue;
        const auto actions = o->clip->clipActions;
        for (const ClipAction& a : *actions) {
            if ((a.events & bit) && o->clip)
                host.vm().RunBlock(a.actions, o);
        }
    }
}

void BroadcastKey(ScriptHost& host, const char* method) {
    avm1::Vm& vm = host.vm();
    const Value key = vm.GetOf(vm.global, "Key");
    if (key.type != avm1::Type::Object)
        return;
    const Value listeners = vm.GetOf(key.o, "_listeners");
    if (listeners.type != avm1::Type::Object)
        return;
    const std::vector<Value> copy = listeners.o->elements;
    for (const Value& l : copy) {
        // A clip removed from the stage hears nothing more.
        if (l.type == avm1::Type::Object && !(l.o->kind == avm1::ObjectKind::Clip && !l.o->clip))
            vm.CallEvent(l.o, method);
    }
}

} // namespace

KeyboardState& Player::keyboard() {
    if (!keyboard_)
        keyboard_ = std::make_shared<KeyboardState>();
    return *keyboard_;
}

void Player::KeyDown(int code, uint32_t ascii) {
    KeyboardState& k = keyboard();
    if (code <= 0 || code >= kKeyCodeCount)
        return;
    const bool repeat = k.down[code];
    k.down[code] = true;
    k.lastCode = code;
    k.lastAscii = ascii;
    if (code == kKeyCapsLock && !repeat)
        k.capsLock = !k.capsLock;
    if (code == kKeyNumLock && !repeat)
        k.numLock = !k.numLock;
    ScriptHost* host = scripts_.get();
    if (!host)
        return;
    // The focused clip or button first, while keys are its (fields have no
    // key events); then every listener and clip.
    if (Object* focus = FocusedObject(*host)) {
        if (k.focusActive && !FocusedField(*host, nullptr))
            host->vm().CallEvent(focus, "onKeyDown");
    }
    BroadcastKey(*host, "onKeyDown");
    ClipKeyEvents(*host, root_, kEventKeyDown);
    // A key a button's condition takes neither moves the focus nor clicks.
    // Printable characters are matched as they are typed (TypeCharacter):
    // a dead key and a letter type one character, not the letter.
    const int key = IsTypedKey(ButtonKeyOf(code, ascii)) ? 0 : ButtonKeyOf(code, ascii);
    k.keyTaken = key && RunButtonKeys(*this, *host, root_, key, 0);
    if (k.keyTaken) {
        host->RunQueue();
        return;
    }
    // Only a focus the rectangle shows answers Space and Enter.
    if ((code == kKeySpace || code == kKeyEnter) && !repeat && k.focusShown) {
        if (Object* focus = FocusedObject(*host))
            ClickByKey(*host, focus);
    }
    if (code == kKeyTab)
        MoveFocusByTab(*host, k.down[kKeyShift]);
    host->RunQueue();
}

void Player::KeyUp(int code, uint32_t ascii) {
    KeyboardState& k = keyboard();
    if (code <= 0 || code >= kKeyCodeCount)
        return;
    k.down[code] = false;
    k.lastCode = code;
    if (ascii)
        k.lastAscii = ascii;
    ScriptHost* host = scripts_.get();
    if (!host)
        return;
    if (Object* focus = FocusedObject(*host)) {
        if (k.focusActive && !FocusedField(*host, nullptr))
            host->vm().CallEvent(focus, "onKeyUp");
    }
    BroadcastKey(*host, "onKeyUp");
    ClipKeyEvents(*host, root_, kEventKeyUp);
    host->RunQueue();
}

void Player::TypeCharacter(uint32_t c) {
    KeyboardState& k = keyboard();
    const bool taken = k.keyTaken;
    k.keyTaken = false;
    if (!scripts_ || taken)
        return;
    // A character a button's condition takes is not typed.
    if (IsTypedKey(int(c)) && RunButtonKeys(*this, *scripts_, root_, int(c), 0)) {
        scripts_->RunQueue();
        return;
    }
    TypeIntoFocus(*scripts_, c);
    scripts_->RunQueue();
}

void Player::EditCommand(TextCommand command) {
    if (!scripts_)
        return;
    EditFocus(*scripts_, command);
    scripts_->RunQueue();
}

void Player::WindowFocus(bool focused) {
    keyboard().windowFocused = focused;
    if (!focused) {
        // Keys held when the window lost the keyboard are never released to
        // it, and the focus rectangle goes until the next Tab.
        std::fill(std::begin(keyboard().down), std::end(keyboard().down), false);
        keyboard().focusActive = keyboard().focusShown = false;
    }
}

} // namespace ww::movie
