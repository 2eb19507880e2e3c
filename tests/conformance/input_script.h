// A test's input.json: the pointer, keys and text a person gave the movie,
// in order, with Wait marking where a frame passes. The file is a JSON array
// of objects, each with a "type" and the fields that type carries:
//   MouseMove/MouseDown/MouseUp  "pos": [x, y] in stage pixels, "btn"
//   MouseWheel                   "lines"
//   KeyDown/KeyUp                "key": a name ("Tab") or {"Char": "a"}
//                                or {"Numpad": "1"}
//   TextInput                    "codepoint": one character
//   TextControl                  "code": an editing command ("Paste")
//   SetClipboardText             "text"
//   FocusGained/FocusLost/Wait   nothing
// Unknown types and fields are refused, so a new kind of event is noticed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ww::conformance {

enum class InputKind {
    MouseMove,
    MouseDown,
    MouseUp,
    MouseWheel,
    KeyDown,
    KeyUp,
    TextInput,
    TextControl,
    SetClipboardText,
    FocusGained,
    FocusLost,
    Wait
};

struct InputEvent {
    InputKind kind = InputKind::Wait;
    double x = 0, y = 0;  // pixels
    std::string button;   // "Left", "Middle", "Right"
    double lines = 0;     // MouseWheel
    std::string key;      // a named key, or the character of a Char key
    bool charKey = false; // key is {"Char": ...}
    bool numpad = false;  // key is {"Numpad": ...}
    uint32_t codepoint = 0;
    std::string text; // TextControl's code, SetClipboardText's text
};

// False with the reason when the text is not such a list.
bool ParseInputScript(const std::string& json, std::vector<InputEvent>* events, std::string* error);

// The Flash key code (the Windows virtual-key code) of a KeyDown or KeyUp
// event's key, and the character it types (0 for none).
bool KeyCodeOf(const InputEvent& e, int* code, int* ascii);

} // namespace ww::conformance
