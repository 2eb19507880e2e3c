// Number and string conversions as Flash makes them, independent of any
// object: a Number's text, a string's Number, and the integer forms the
// bitwise operators take.
#pragma once

#include <cstdint>
#include <string>

namespace ww::movie::avm1 {

// Integers without a fraction, else 15 significant digits; exponent form
// ("1e+21", "1.5e-7") outside the range a plain form shows; NaN, Infinity,
// -Infinity.
std::string NumberToString(double n);
// A Number in the given radix (2-36), as Number.toString(radix) writes it.
std::string NumberToRadix(double n, int radix);
// A string as Number(s) reads it from SWF 5 on: blanks first, then decimal,
// "0x" hexadecimal or leading-zero octal, the whole string or NaN.
double StringToNumber(const std::string& s);
// SWF 5 reads decimal only: blanks, then the whole string or NaN.
double StringToDecimal(const std::string& s);
// SWF 4 reads the longest decimal prefix, 0 for none.
double StringToNumberSwf4(const std::string& s);
// parseFloat: the longest decimal prefix after blanks, NaN for none.
double ParseFloatPrefix(const std::string& s);
// parseInt with an optional radix (0: decided by the text).
double ParseIntPrefix(const std::string& s, int radix);
// ECMAScript's ToInt32: modulo 2^32, NaN and infinities to 0.
int32_t ToInt32(double n);
uint32_t ToUint32(double n);
// n truncated and held within int32_t, NaN to 0: for depths and kinds,
// where a huge number must stay huge rather than wrap.
int32_t ToInt32Held(double n);

// UTF-16 units of UTF-8 text, as Flash counts (a byte that starts no
// sequence counts as one, a character beyond the first plane as two).
size_t Utf8Length(const std::string& s);
// The byte offset of UTF-16 index (the end when past it).
size_t Utf8Offset(const std::string& s, size_t index);
// The character at index as a code point; -1 past the end.
long Utf8At(const std::string& s, size_t index);
std::string Utf8Encode(uint32_t codePoint);

} // namespace ww::movie::avm1
