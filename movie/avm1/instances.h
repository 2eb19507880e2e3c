// Text fields and buttons as script objects (builtins_text.cpp,
// builtins_pointer.cpp): made the first time a script names them, bound to
// the state their display object keeps.
#pragma once

#include "movie/avm1/vm.h"
#include "movie/player.h"

#include <string>
#include <vector>

namespace ww::movie::avm1 {

// The script object of a text field or button placed in parent; null for
// any other kind of object.
Object* InstanceObject(Vm& vm, SpriteState& parent, DisplayObject& o);
// A text field or button child of s by instance name.
bool InstanceChild(Vm& vm, SpriteState& s, const std::string& name, Value* out);
// The script objects of the fields and buttons under s, kept from collection.
void InstanceRoots(SpriteState& s, std::vector<Object*>* roots);
// Fields bound to variables take the variables' values; run after scripts.
void SyncBoundFields(Vm& vm, SpriteState& root);

// duplicateMovieClip on a text field: a field fresh from the same tag at
// depth, placed and coloured as the original; what scripts changed on the
// original stays with it.
void FieldDuplicate(Vm& vm, Object* field, const std::string& name, int depth);

// A text field's box in its own twips, grown to its text when it sizes
// itself; false for anything but a field.
bool FieldBox(const Movie& movie, const DisplayObject& o, Rect* r);

// TextField, TextFormat and createTextField.
void InstallTextBuiltins(Vm& vm);
// Mouse, button handlers' defaults, startDrag, hitTest's shape test, getURL.
void InstallPointerBuiltins(Vm& vm);
// Key's answers and Selection (builtins_focus.cpp); after Key is made.
void InstallFocusBuiltins(Vm& vm);

// hitTest(x, y, true): the stage point (pixels) on what the clip draws.
bool HitTestShape(Vm& vm, Object* clip, double x, double y);
// _droptarget: where the clip was last dragged to, as a slash path.
std::string DropTargetOf(Vm& vm, const SpriteState& clip);
// The pointer in a clip's own space, in pixels.
void PointerInClip(Vm& vm, SpriteState& clip, double* x, double* y);
// A script asks for a page (getURL; page false for loadMovie and the like);
// opened only during a click, otherwise refused with a warning.
void RequestUrl(Vm& vm, const std::string& url, bool page = true);
// startDrag and stopDrag; box is left, top, right, bottom in the parent's
// pixels when bounded.
void StartDrag(Vm& vm, Object* clip, bool lockCenter, bool bounded, const double box[4]);
void StopDrag(Vm& vm);

} // namespace ww::movie::avm1
