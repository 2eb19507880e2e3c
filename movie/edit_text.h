// Text fields: DefineEditText read into the movie's EditText records.
#pragma once

#include "movie/parse_internal.h"

namespace ww::movie {

// DefineEditText after its character id (see edit_text.cpp for the fields).
bool ParseEditText(TagReader& r, int version, EditText* field, ParseContext& ctx);

} // namespace ww::movie
