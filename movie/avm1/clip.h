// What the VM asks of the display list: a clip object's properties, its
// children by instance name, its path, and clips found by target path. The
// bodies live with the player's model (clip.cpp).
#pragma once

#include "movie/avm1/vm.h"

#include <string>
#include <vector>

namespace ww::movie::avm1 {

// The clip's display properties (_x, _alpha, _name ...); false for a name
// that is not one, or a removed clip.
bool ClipGet(Vm& vm, Object* clip, const std::string& name, Value* out);
bool ClipSet(Vm& vm, Object* clip, const std::string& name, const Value& v);
// A child clip by instance name.
bool ClipChild(Vm& vm, Object* clip, const std::string& name, Value* out);
void ClipChildNames(Vm& vm, Object* clip, std::vector<std::string>* names,
                    std::vector<std::string>* seen);
// "_level0.a.b"; "" for a removed clip.
std::string ClipPath(Vm& vm, Object* clip);
// Slash form "/a/b" for TargetPath-era movies.
std::string ClipSlashPath(Vm& vm, Object* clip);
// A clip by path ("/a/b", "_root.a", "../b", "a.b") from a clip; null when none.
Object* ResolveClipPath(Vm& vm, Object* from, const std::string& path);
// Property by GetProperty's index (0 _x ... 21 _ymouse).
Value ClipGetByIndex(Vm& vm, Object* clip, int index);
void ClipSetByIndex(Vm& vm, Object* clip, int index, const Value& v);
// _root as seen from a clip: the nearest clip around it with _lockroot set,
// or the main timeline of its level.
Object* RootOf(Vm& vm, Object* from);
// "_level0", "_level1" ...: whether name is a level's, and its main
// timeline's object (null when nothing is loaded there).
bool IsLevelName(const std::string& key);
Object* LevelClip(Vm& vm, const std::string& key);
// The clip's parent clip object; null for the root or a removed clip.
Object* ClipParent(Vm& vm, Object* clip);

// Timeline control of a clip, as the frame actions and MovieClip methods use.
void ClipGotoFrame(Vm& vm, Object* clip, uint32_t frame0, bool play);
bool ClipGotoLabel(Vm& vm, Object* clip, const std::string& label, bool play);
void ClipSetPlaying(Vm& vm, Object* clip, bool playing);
void ClipStep(Vm& vm, Object* clip, int delta);
// Runs frame (0-based) of the clip's timeline as a Call action does.
void ClipCallFrame(Vm& vm, Object* clip, uint32_t frame0);
bool ClipFrameOfLabel(Vm& vm, Object* clip, const std::string& label, uint32_t* frame0);
// duplicateMovieClip and removeMovieClip.
void ClipDuplicate(Vm& vm, Object* clip, const std::string& name, int depth);
void ClipRemove(Vm& vm, Object* clip);

} // namespace ww::movie::avm1
