// The keyboard as the player tracks it (keyboard.cpp): which keys are down,
// the last key and character, the object that has the focus and the
// selection in a focused text field. Key codes are Flash's (the Windows
// virtual-key codes); characters are Unicode code points.
//
// The focus is kept as the script object of a clip, button or text field,
// and found again in the display list before each use. The selection lives
// with each field (FieldState), so a field keeps it while unfocused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ww::movie {

namespace avm1 {
class Object;
} // namespace avm1

constexpr int kKeyCodeCount = 256;

// Editing commands that do not come as typed characters.
enum class TextCommand : uint8_t {
    Backspace,
    Delete,
    Enter,
    Left,
    Right,
    Home,
    End,
    SelectLeft,
    SelectRight,
    SelectHome,
    SelectEnd,
    SelectAll,
    Copy,
    Cut,
    Paste
};

struct KeyboardState {
    bool down[kKeyCodeCount] = {};
    bool capsLock = false, numLock = false;
    int lastCode = 0;
    uint32_t lastAscii = 0;
    avm1::Object* focus = nullptr;
    // The focus came by Tab or a script and the pointer has not been used
    // since: the focused clip or button hears keys.
    bool focusActive = false;
    // ... and its _focusrect allowed the yellow rectangle round it, which
    // Space and Enter click.
    bool focusShown = false;
    // Selection's getters answer -1 after a script focused a field until
    // the selection is set again (setSelection, typing, a click or Tab).
    bool selectionHidden = false;
    // _root._focusrect: whether objects without a setting of their own show
    // the rectangle.
    bool focusRect = true;
    std::string clipboard; // UTF-8
    // The window holding the movie has the keyboard.
    bool windowFocused = true;
    // A button's key condition took the last key pressed: the character it
    // types goes nowhere.
    bool keyTaken = false;
};

} // namespace ww::movie
