// Numbers to text and back, exactly as the C library's formatted printing and
// strtod do, for the programs that ship inside every installer: MinGW's own
// engines for both weigh some 36 KB there. Doubles are converted exactly
// (big integers, correct rounding, ties to even), so the text is the same
// digit for digit as the C library's.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace ww {

// vsnprintf: writes at most size bytes, always zero-terminated when size > 0,
// and answers the length the whole text has. Conversions: d i u o x X c s p
// f F e E g G and %%, with flags, width, precision (also as *) and the
// length modifiers hh h l ll z j t I64; a conversion it does not know is
// copied as it stands.
int FormatTextV(char* out, size_t size, const char* format, va_list args);

// strtod: leading white space, a sign, then decimal digits with an optional
// point and exponent, a hexadecimal number with an optional binary exponent,
// "inf", "infinity" or "nan" (with an optional parenthesised tail). *end, when
// given, points after what was read, at the start when nothing was.
double ParseDouble(const char* text, char** end);

} // namespace ww
