// The focus (focus.cpp): which clip, button or text field has it, moving it
// with the events Flash sends, and the Tab order. Typing into the focused
// field is in text_input.cpp.
#pragma once

#include "movie/keyboard.h"
#include "movie/player.h"

#include <functional>
#include <string>
#include <vector>

namespace ww::movie {

namespace avm1 {
class ScriptHost;
class Vm;
} // namespace avm1

// Where a script object of the display list sits: a clip, or a button or
// text field (object) of a timeline (parent).
struct ScriptPlace {
    avm1::Object* script = nullptr;
    SpriteState* clip = nullptr;
    SpriteState* parent = nullptr;
    DisplayObject* object = nullptr;
};

// Every clip under s, parents first.
void ForEachClip(SpriteState& s, const std::function<void(SpriteState&)>& fn);
// Finds script in the display list; false when it is not there (removed).
bool LocateScript(SpriteState& root, avm1::Object* script, ScriptPlace* out);

// The object with the focus, when it is still in the display list.
avm1::Object* FocusedObject(avm1::ScriptHost& host);
// Moves the focus to target (null: nowhere) with onKillFocus, onSetFocus and
// Selection's onSetFocus; false when target cannot take it. byKey shows the
// focus rectangle.
bool SetFocus(avm1::ScriptHost& host, avm1::Object* target, bool byKey);
// Tab and Shift+Tab.
void MoveFocusByTab(avm1::ScriptHost& host, bool backwards);
// The objects Tab visits, in order.
std::vector<avm1::Object*> TabOrder(avm1::ScriptHost& host);

// Where an object stands in the Tab order: its tabIndex, or its corner's
// y then x.
struct TabStop {
    double major = 0, minor = 0;
};
constexpr size_t kNoTabStop = static_cast<size_t>(-1);
bool TabStopBefore(const TabStop& a, const TabStop& b);
// The stop Tab (or Shift+Tab) goes to from `from` (null: from nowhere):
// the nearest one past it, wrapping round; kNoTabStop when there are none.
size_t ChooseTabStop(const std::vector<TabStop>& stops, const TabStop* from, bool backwards);
// tabIndex as the order compares it, for a text field or another object.
int32_t TabIndexAsInt(double n, bool field);
// A script object's tabIndex as the order compares it; false when unset.
bool TabIndexOf(avm1::Vm& vm, avm1::Object* script, bool field, int32_t* out);
// A press at (x, y) in stage twips: a field under it takes the focus, and
// a focused field loses it to a press elsewhere.
void FocusByPress(avm1::ScriptHost& host, double x, double y);
// Space on a focused button or clip: pressed and released (pointer.cpp).
void ClickByKey(avm1::ScriptHost& host, avm1::Object* target);
// "_level0.a.field" for a clip, button or text field; "" when gone.
std::string ScriptPath(avm1::Vm& vm, avm1::Object* script);
// The focused text field and its state; null when the focus is elsewhere.
FieldState* FocusedField(avm1::ScriptHost& host, avm1::Object** script);

// Editing in the focused field (text_input.cpp).
void TypeIntoFocus(avm1::ScriptHost& host, uint32_t c);
void EditFocus(avm1::ScriptHost& host, TextCommand command);
// The focused field's text as characters, for the selection's bounds.
size_t FocusedFieldLength(avm1::ScriptHost& host);

} // namespace ww::movie
