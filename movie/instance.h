// What a text field or a button placed on a timeline keeps while the movie
// plays: the script object that stands for it, the state the pointer left a
// button in, and a field's text and looks as scripts change them.
//
// The state sits with its display object but finds that object again by its
// parent and depth, so a display list that moves its entries never leaves it
// holding a stale pointer.
#pragma once

#include "movie/movie.h"
#include "movie/text_layout.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ww::movie {

namespace avm1 {
class Object;
} // namespace avm1

struct SpriteState;
struct DisplayObject;

// autoSize as a script sets it; the tag's flag is Left.
enum class AutoSize : uint8_t { None, Left, Center, Right };
// The side a field of this autoSize grows from, as the layout takes it
// (an alignment: 0 left, 1 right, 2 centre).
inline int GrowAlign(AutoSize a) {
    return a == AutoSize::Center ? 2 : a == AutoSize::Right ? 1 : 0;
}

struct FieldState {
    // The tag's record as scripts change it: edit.text is the current text,
    // HTML when edit.html is set.
    EditText edit;
    AutoSize autoSize = AutoSize::None;
    bool background = false;
    Rgba backgroundColor{255, 255, 255, 255};
    Rgba borderColor{0, 0, 0, 255};
    // setTextFormat: the text with a format per character, drawn instead.
    bool styled = false;
    StyledText styledText;
    // The format new text takes (setNewTextFormat, or the tag's).
    TextFormat newFormat;
    int scroll = 1;
    // The bound variable's value as last shown, and whether it was looked at.
    bool boundSeen = false;
    std::string boundText;
    // restrict as a script set it: the characters typing lets in.
    bool restricted = false;
    std::string restrictPattern;
    // tabIndex as a script set it, kept as Flash keeps it (unsigned 32
    // bits); -1 while unset.
    int64_t tabIndex = -1;
    // Changes each time anything drawn changes, for redraw tracking.
    uint32_t generation = 0;
    // Settings scripts read back that drawing does not use (yet).
    bool condenseWhite = false, mouseWheelEnabled = true;
    int hscroll = 0;
    bool advancedAntiAlias = false;
    uint8_t gridFit = 1; // none, pixel, subpixel
    double sharpness = 0, thickness = 0;
    bool hasRestrict = false;
    std::string restrict;
    uint8_t swfVersion = 8; // the movie's, for reading HTML as it does
    // The selection, in characters from the anchor to the caret either way
    // round; kept while the field is not focused, where replaceSel works.
    size_t anchor = 0, caret = 0;
};

struct InstanceState {
    InstanceState();
    InstanceState(const InstanceState&) = delete;
    InstanceState& operator=(const InstanceState&) = delete;
    ~InstanceState();

    SpriteState* parent = nullptr;
    uint16_t depth = 0;
    // Never given to another state, so the pointer can tell a new button
    // from one it pressed even when the new one takes the old one's memory.
    const uint64_t serial;
    avm1::Object* script = nullptr;
    uint8_t buttonState = kButtonUp;
    std::unique_ptr<FieldState> field;
    // _focusrect as a script set it: -1 unset (the movie's setting), 0, 1.
    int8_t focusRect = -1;

    // The display object this state belongs to, or null once it is gone.
    DisplayObject* Owner() const;
};

// The field's state made from its tag on first use; null for an object
// that is not a text field.
FieldState* FieldOf(SpriteState& parent, DisplayObject& o, const Movie& movie);
InstanceState* InstanceOf(SpriteState& parent, DisplayObject& o);

} // namespace ww::movie
