// Text conversions of the Windows programs.
#pragma once

#include <string>

namespace ww {

// ANSI text (the active code page) as a wide string, for the wide-only COM
// interfaces.
std::wstring WidenAnsi(const std::string& text);

} // namespace ww
