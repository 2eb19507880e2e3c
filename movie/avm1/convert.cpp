#include "movie/avm1/convert.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ww::movie::avm1 {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 99;
}

// The length of the longest decimal number at s[pos] (sign, digits, fraction,
// exponent); 0 when none starts there.
size_t DecimalLength(const std::string& s, size_t pos) {
    size_t i = pos;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            ++i, ++digits;
    }
    if (digits == 0)
        return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        const size_t expStart = j;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9')
            ++j;
        if (j > expStart)
            i = j;
    }
    return i - pos;
}

double ReadDecimal(const std::string& s, size_t pos, size_t length) {
    const std::string part = s.substr(pos, length);
    return std::strtod(part.c_str(), nullptr);
}

// Digits of one radix from pos to the end; NaN when any is not one.
double WholeInRadix(const std::string& s, size_t pos, int radix) {
    if (pos >= s.size())
        return NAN;
    double v = 0;
    for (size_t i = pos; i < s.size(); ++i) {
        const int d = DigitValue(s[i]);
        if (d >= radix)
            return NAN;
        v = v * radix + d;
    }
    return v;
}

} // namespace

std::string NumberToString(double n) {
    if (std::isnan(n))
        return "NaN";
    if (std::isinf(n))
        return n > 0 ? "Infinity" : "-Infinity";
    if (n == 0)
        return "0";
    if (std::fabs(n) < 1e15 && n == std::floor(n)) {
        char text[32];
        std::snprintf(text, sizeof text, "%.0f", n);
        return text;
    }
    char text[40];
    std::snprintf(text, sizeof text, "%.14e", n);
    // text: [-]d.dddddddddddddde[+-]xx
    std::string all = text;
    const size_t e = all.find('e');
    std::string mantissa = all.substr(0, e);
    const int exponent = std::atoi(all.c_str() + e + 1);
    bool negative = false;
    if (!mantissa.empty() && mantissa[0] == '-') {
        negative = true;
        mantissa.erase(0, 1);
    }
    std::string digits;
    for (char c : mantissa) {
        if (c != '.')
            digits += c;
    }
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    std::string out = negative ? "-" : "";
    if (exponent >= 15 || exponent < -5) {
        out += digits.substr(0, 1);
        if (digits.size() > 1)
            out += "." + digits.substr(1);
        out += exponent < 0 ? "e-" : "e+";
        out += std::to_string(exponent < 0 ? -exponent : exponent);
        return out;
    }
    if (exponent < 0) {
        out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
        return out;
    }
    const size_t whole = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= whole)
        return out + digits + std::string(whole - digits.size(), '0');
    return out + digits.substr(0, whole) + "." + digits.substr(whole);
}

std::string NumberToRadix(double n, int radix) {
    if (radix == 10 || radix < 2 || radix > 36)
        return NumberToString(n);
    if (!std::isfinite(n))
        return NumberToString(n);
    // Flash writes the integer part only, negative numbers with a sign.
    long long v = static_cast<long long>(std::trunc(n));
    const bool negative = v < 0;
    unsigned long long u = negative ? 0ull - static_cast<unsigned long long>(v) : v;
    std::string out;
    do {
        out.insert(out.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[u % radix]);
        u /= radix;
    } while (u);
    return negative ? "-" + out : out;
}

double StringToNumber(const std::string& s) {
    size_t pos = 0;
    while (pos < s.size() && IsBlank(s[pos]))
        ++pos;
    if (pos == s.size())
        return NAN;
    if (s.size() - pos > 2 && s[pos] == '0' && (s[pos + 1] == 'x' || s[pos + 1] == 'X')) {
        // Flash takes a sign after the prefix too: "0x-10" is -16.
        const size_t at = pos + 2;
        if (s.size() - at > 1 && (s[at] == '-' || s[at] == '+')) {
            const double magnitude = WholeInRadix(s, at + 1, 16);
            return s[at] == '-' ? -magnitude : magnitude;
        }
        return WholeInRadix(s, at, 16);
    }
    bool negative = false;
    size_t digits = pos;
    if (s[digits] == '-' || s[digits] == '+') {
        negative = s[digits] == '-';
        ++digits;
    }
    if (digits + 1 < s.size() && s[digits] == '0') {
        const double octal = WholeInRadix(s, digits, 8);
        if (!std::isnan(octal))
            return negative ? -octal : octal;
    }
    const size_t length = DecimalLength(s, pos);
    if (length == 0 || pos + length != s.size())
        return NAN;
    return ReadDecimal(s, pos, length);
}

double StringToDecimal(const std::string& s) {
    size_t pos = 0;
    while (pos < s.size() && IsBlank(s[pos]))
        ++pos;
    const size_t length = DecimalLength(s, pos);
    if (length == 0 || pos + length != s.size())
        return NAN;
    return ReadDecimal(s, pos, length);
}

double StringToNumberSwf4(const std::string& s) {
    size_t pos = 0;
    while (pos < s.size() && IsBlank(s[pos]))
        ++pos;
    const size_t length = DecimalLength(s, pos);
    return length ? ReadDecimal(s, pos, length) : 0;
}

// Flash's parseFloat skips every dot after the first (then takes no
// exponent), wraps the exponent at 32 bits and knows no Infinity.
double ParseFloatPrefix(const std::string& s) {
    size_t pos = 0;
    while (pos < s.size() && IsBlank(s[pos]))
        ++pos;
    std::string text;
    if (pos < s.size() && (s[pos] == '-' || s[pos] == '+'))
        text += s[pos++];
    size_t digits = 0, dots = 0;
    for (; pos < s.size(); ++pos) {
        if (s[pos] >= '0' && s[pos] <= '9') {
            text += s[pos];
            ++digits;
        } else if (s[pos] == '.') {
            if (dots++ == 0)
                text += '.';
        } else {
            break;
        }
    }
    if (digits == 0)
        return NAN;
    if (dots < 2 && pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
        size_t at = pos + 1;
        const bool negative = at < s.size() && s[at] == '-';
        if (at < s.size() && (s[at] == '-' || s[at] == '+'))
            ++at;
        uint32_t exponent = 0;
        const size_t first = at;
        for (; at < s.size() && s[at] >= '0' && s[at] <= '9'; ++at)
            exponent = exponent * 10u + static_cast<uint32_t>(s[at] - '0');
        if (at > first) {
            const int64_t e = static_cast<int32_t>(exponent);
            text += "e" + std::to_string(negative ? -e : e);
        }
    }
    return std::strtod(text.c_str(), nullptr);
}

namespace {

bool IsHexMark(const std::string& s, size_t at) {
    return s.size() > at + 1 && s[at] == '0' && (s[at + 1] == 'x' || s[at + 1] == 'X');
}

// Flash reads a leading zero as octal only when the whole rest of the text,
// sign aside and with no blank before it, is octal digits.
bool LooksOctal(const std::string& s) {
    const size_t from = !s.empty() && (s[0] == '-' || s[0] == '+') ? 1 : 0;
    if (s.size() - from < 2 || s[from] != '0')
        return false;
    for (size_t i = from; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '7')
            return false;
    }
    return true;
}

} // namespace

double ParseIntPrefix(const std::string& s, int radix) {
    if (radix != 0 && (radix < 2 || radix > 36))
        return NAN;
    size_t pos = 0;
    if (IsHexMark(s, 0)) {
        pos = 2;
    } else if (!s.empty() && (s[0] == '-' || s[0] == '+') && IsHexMark(s, 1)) {
        // Flash skips two characters here too, the sign and the zero, and
        // forgets the sign: "-0x100" in base 36 is "x100".
        pos = 2;
    }
    if (radix == 0)
        radix = pos ? 16 : LooksOctal(s) ? 8 : 10;
    while (pos < s.size() && IsBlank(s[pos]))
        ++pos;
    bool negative = false;
    if (pos < s.size() && (s[pos] == '-' || s[pos] == '+')) {
        negative = s[pos] == '-';
        ++pos;
    }
    double v = 0;
    size_t used = 0;
    while (pos < s.size() && DigitValue(s[pos]) < radix) {
        v = v * radix + DigitValue(s[pos]);
        ++pos;
        ++used;
    }
    if (used == 0)
        return NAN;
    return negative ? -v : v;
}

int32_t ToInt32(double n) {
    return static_cast<int32_t>(ToUint32(n));
}

int32_t ToInt32Held(double n) {
    if (std::isnan(n))
        return 0;
    return static_cast<int32_t>(std::clamp(std::trunc(n), -2147483648.0, 2147483647.0));
}

uint32_t ToUint32(double n) {
    if (!std::isfinite(n))
        return 0;
    const double m = std::fmod(std::trunc(n), 4294967296.0);
    return static_cast<uint32_t>(static_cast<int64_t>(m < 0 ? m + 4294967296.0 : m));
}

size_t Utf8Length(const std::string& s) {
    // Flash counts UTF-16 units: a character beyond the first plane is two.
    size_t n = 0;
    for (unsigned char c : s)
        n += ((c & 0xC0) != 0x80) + (c >= 0xF0);
    return n;
}

size_t Utf8Offset(const std::string& s, size_t index) {
    // Indexes count UTF-16 units, as lengths do; an index between the two
    // halves of a pair lands after the character.
    size_t n = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if ((c & 0xC0) == 0x80)
            continue;
        if (n >= index)
            return i;
        n += 1 + (c >= 0xF0);
    }
    return s.size();
}

long Utf8At(const std::string& s, size_t index) {
    const size_t at = Utf8Offset(s, index);
    if (at >= s.size())
        return -1;
    const unsigned char c = static_cast<unsigned char>(s[at]);
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    long cp = extra == 3 ? (c & 0x07) : extra == 2 ? (c & 0x0F) : extra == 1 ? (c & 0x1F) : c;
    for (int k = 1; k <= extra; ++k) {
        if (at + k >= s.size())
            return c;
        cp = (cp << 6) | (static_cast<unsigned char>(s[at + k]) & 0x3F);
    }
    return cp;
}

std::string Utf8Encode(uint32_t cp) {
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | ((cp >> 18) & 0x07));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

} // namespace ww::movie::avm1
