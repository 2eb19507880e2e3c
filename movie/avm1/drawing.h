// The drawing API of MovieClip: scripts draw a shape on a sprite, drawn
// beneath its children.
#pragma once

#include "movie/avm1/vm.h"

#include <memory>

namespace ww::movie {
struct SpriteState;
struct ScriptDrawing;
} // namespace ww::movie

namespace ww::movie::avm1 {

void InstallDrawing(Vm& vm, Object* clipProto);
// duplicateMovieClip copies what was drawn; the copy is charged to the
// memory cap like the original, and dropped when it does not fit.
std::unique_ptr<ScriptDrawing> CopyDrawing(const SpriteState& from);
void AdoptDrawing(Vm& vm, SpriteState& to, std::unique_ptr<ScriptDrawing> drawing);

} // namespace ww::movie::avm1
