// The focus (focus.cpp): which clip, button or text field has it, moving it
// with the events Flash sends, and the Tab order. Typing into the focused
// field is in text_input.cpp.
#pragma once

#include "movie/avm1/value.h"
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
// How the focus came: Tab and scripts show the focus rectangle and select a
// field's whole text; a press places the caret where it fell.
enum class FocusCause : uint8_t { Script, Key, Pointer };
// Moves the focus to target (null: nowhere) with onKillFocus, onSetFocus and
// Selection's onSetFocus; false when target cannot take it.
bool SetFocus(avm1::ScriptHost& host, avm1::Object* target, FocusCause cause);
// An object about to leave the display list takes the focus with it when
// it, or something inside it, has it; Selection's listeners hear of it.
void ReleaseFocusWithin(avm1::ScriptHost& host, DisplayObject& leaving);
// The pointer was used: a left press hides the focus rectangle in every
// version; a move, a release or the right button only before version 9.
void HideFocusRect(Player& player, bool leftPress);
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
// Tab moving the focus to a button or clip rolls the pointer's hover over to
// it, as if the pointer were there (pointer.cpp).
void HoverByKey(avm1::ScriptHost& host, avm1::Object* target);
// "_level0.a.field" for a clip, button or text field; "" when gone.
std::string ScriptPath(avm1::Vm& vm, avm1::Object* script);
// The focused text field and its state; null when the focus is elsewhere.
FieldState* FocusedField(avm1::ScriptHost& host, avm1::Object** script);
// The field's text as characters, for the selection's bounds.
size_t FieldLength(avm1::ScriptHost& host, avm1::Object* field);

// _focusrect of a clip, button or text field. Before version 6 every object
// answers the movie's one setting, as 0 or 1; from 6 on _root answers it as
// a boolean and every other object its own, null until set.
avm1::Value GetFocusRect(avm1::Vm& vm, avm1::Object* script);
void SetFocusRect(avm1::Vm& vm, avm1::Object* script, const avm1::Value& v);
namespace avm1 {
// Gives a field's or button's script object its _focusrect.
void DefineFocusRect(Vm& vm, Object* instance);
} // namespace avm1

// Editing in the focused field (text_input.cpp).
void TypeIntoFocus(avm1::ScriptHost& host, uint32_t c);
void EditFocus(avm1::ScriptHost& host, TextCommand command);
// The focused field's text as characters, for the selection's bounds.
size_t FocusedFieldLength(avm1::ScriptHost& host);
// Replaces the field's selection with text, leaving the caret after it.
void ReplaceSelection(avm1::ScriptHost& host, avm1::Object* field, const std::string& text);

} // namespace ww::movie
