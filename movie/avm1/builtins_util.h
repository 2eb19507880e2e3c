// What the builtin files share: defining methods and classes.
#pragma once

#include "movie/avm1/vm.h"

namespace ww::movie::avm1 {

// A native method, not enumerable.
Object* Method(Vm& vm, Object* on, const char* name, NativeFn fn);
// A global constructor with its prototype.
Object* MakeClass(Vm& vm, const char* name, NativeFn call, NativeFn construct, Object* proto);
Object* SelfObject(const Value& self);
// The object named name in `in` (a package such as flash.geom), made hidden
// when missing; an existing one is kept, whichever builtin made it first.
Object* Namespace(Vm& vm, Object* in, const char* name);
// s with &, <, > and " (and ' when apostrophes is set) as entities, as the
// player escapes XML, HTML text and what it hands a page.
void AppendEscaped(const std::string& s, bool apostrophes, std::string* out);
// %XX decoded (unescape, form fields); plusIsSpace turns + into a space.
std::string Unpercent(const std::string& s, bool plusIsSpace);

void InstallArray(Vm& vm);
void InstallString(Vm& vm);
void InstallDate(Vm& vm);
void InstallSound(Vm& vm);
// PrintJob, ExternalInterface, LocalConnection, System.security.
void InstallServices(Vm& vm);

} // namespace ww::movie::avm1
