// The Flash 8 classes of flash.geom and flash.display as script objects
// (builtins_geom.cpp, builtins_bitmap.cpp), and what the two share: reading a
// script's rectangle, matrix or colour transform, and making new ones by
// the names scripts see, as Flash's own classes do.
#pragma once

#include "movie/avm1/vm.h"
#include "movie/movie.h"

#include <initializer_list>

namespace ww::movie::avm1 {

// _global.flash.<name>, made when missing; another package's classes that
// were put there first are kept.
Object* FlashPackage(Vm& vm, const char* name);
// new flash.geom.<cls>(values...); undefined when a script removed the class.
Value NewGeom(Vm& vm, const char* cls, std::initializer_list<double> values);

// A script object's numeric fields; NaN where missing.
struct ScriptRect {
    double x = 0, y = 0, width = 0, height = 0;
};
ScriptRect ReadRect(Vm& vm, const Value& v);
// x, y in pixels; translation in pixels too.
Matrix ReadMatrix(Vm& vm, const Value& v);
ColorTransform ReadColorTransform(Vm& vm, const Value& v);

// A getter (and setter when set is not null) on an object, not enumerable.
void Accessor(Vm& vm, Object* on, const char* name, NativeFn get, NativeFn set);

void InstallGeomBuiltins(Vm& vm);
void InstallBitmapBuiltins(Vm& vm);

} // namespace ww::movie::avm1
