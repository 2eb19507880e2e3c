// The pointer as the player tracks it (pointer.cpp): where it is, whether
// it is pressed, which button or clip it is over and which one it pressed,
// and a clip being dragged. Buttons and clips are found again by identity in
// the display list before each use, so removing one while it is pressed is
// safe.
#pragma once

#include "movie/player.h"

#include <cstdint>
#include <string>

namespace ww::movie {

namespace avm1 {
class Object;
class ScriptHost;
} // namespace avm1

// DefineButton2 condition bits.
enum ButtonCondition : uint16_t {
    kIdleToOverUp = 0x0001,
    kOverUpToIdle = 0x0002,
    kOverUpToOverDown = 0x0004,
    kOverDownToOverUp = 0x0008,
    kOverDownToOutDown = 0x0010,
    kOutDownToOverDown = 0x0020,
    kOutDownToIdle = 0x0040,
    kIdleToOverDown = 0x0080,
    kOverDownToIdle = 0x0100,
};

// A button (its instance state's serial) or a clip (its birth) that answers
// the pointer; 0 for none. Neither number is ever used twice in a player.
struct PointerTarget {
    uint64_t id = 0;
    bool clip = false;
    // Where a button was found: its timeline's birth, its depth and its
    // character, to know it again when a frame places it anew.
    uint64_t parentBirth = 0;
    uint16_t depth = 0, characterId = 0;
    bool operator==(const PointerTarget& o) const { return id == o.id && clip == o.clip; }
    bool operator!=(const PointerTarget& o) const { return !(*this == o); }
};

struct PointerState {
    double x = 0, y = 0; // stage twips
    // Window pixels a stage pixel takes, which the holder of the movie
    // tells: Flash gives the pointer in them to a clip scaled to nothing.
    double windowScale = 1;
    bool seen = false; // the pointer has been somewhere
    bool down = false;
    PointerTarget over, pressed;
    // over was given by Tab moving the focus to it: a pointer that has not
    // moved since leaves it so.
    bool keyHover = false;
    bool pressedInside = false;
    // A press or release is being answered: a page may be opened.
    bool inClick = false;
    // startDrag: the clip (its script object), the offset kept from the
    // pointer, and the rectangle its position stays in, in parent pixels.
    avm1::Object* dragged = nullptr;
    double dragDx = 0, dragDy = 0;
    bool dragBounded = false;
    double dragLeft = 0, dragTop = 0, dragRight = 0, dragBottom = 0;
    // _droptarget: the slash path of the clip under the pointer when the
    // clip born dropBirth was last dragged; it stays after the drag ends.
    uint64_t dropBirth = 0;
    std::string dropTarget;
};

// After each frame Flash looks again at what lies under a still pointer: a
// target shown, hidden, moved or enabled under it rolls over or out.
void RepickPointer(avm1::ScriptHost& host);

} // namespace ww::movie
