// The MB_ icon flag for each kind of message the builder's rules answer with;
// shared by the builder window and the desktop preview.
#pragma once

#include "builder/project/project.h"

#include <windows.h>

namespace ww {

UINT MessageIconFlags(MessageIcon icon);

} // namespace ww
