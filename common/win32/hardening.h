// First call of every installer: a DLL planted beside a downloaded installer
// must never be loaded, so loading is restricted to System32 before anything
// else runs.
#pragma once

namespace ww {

void RestrictDllSearchToSystem32();

} // namespace ww
