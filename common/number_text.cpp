#include "common/number_text.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace ww {

namespace {

// An unsigned integer of up to kWords 32-bit words, least significant first:
// room for any double written out in full, and for the largest scale a
// parsed number needs (10^1107 times 2^62).
class BigNumber {
  public:
    static constexpr int kWords = 140;

    explicit BigNumber(uint64_t v = 0) {
        words_[0] = static_cast<uint32_t>(v);
        words_[1] = static_cast<uint32_t>(v >> 32);
        used_ = v == 0 ? 0 : (v >> 32 ? 2 : 1);
    }

    bool IsZero() const { return used_ == 0; }
    int BitLength() const {
        if (used_ == 0)
            return 0;
        uint32_t top = words_[used_ - 1];
        int bits = 0;
        while (top) {
            ++bits;
            top >>= 1;
        }
        return (used_ - 1) * 32 + bits;
    }
    // The value's bits from `from` upward, at most 64 of them.
    uint64_t BitsFrom(int from) const {
        const int w = from / 32, offset = from % 32;
        auto at = [this](int i) -> uint64_t { return i < used_ ? words_[i] : 0; };
        uint64_t v = (at(w) | at(w + 1) << 32) >> offset;
        if (offset)
            v |= at(w + 2) << (64 - offset);
        return v;
    }
    bool AnyBitBelow(int n) const {
        for (int w = 0; w < used_ && w * 32 < n; ++w) {
            const int bits = n - w * 32;
            const uint32_t mask = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
            if (words_[w] & mask)
                return true;
        }
        return false;
    }

    void MultiplyAdd(uint32_t factor, uint32_t add = 0) {
        uint64_t carry = add;
        for (int i = 0; i < used_; ++i) {
            const uint64_t v = static_cast<uint64_t>(words_[i]) * factor + carry;
            words_[i] = static_cast<uint32_t>(v);
            carry = v >> 32;
        }
        if (carry && used_ < kWords)
            words_[used_++] = static_cast<uint32_t>(carry);
    }
    void MultiplyByPowerOf10(int n) {
        for (; n >= 9; n -= 9)
            MultiplyAdd(1000000000u);
        static const uint32_t kSmall[] = {1,      10,      100,      1000,     10000,
                                          100000, 1000000, 10000000, 100000000};
        MultiplyAdd(kSmall[n]);
    }
    void ShiftLeft(int bits) {
        if (used_ == 0 || bits == 0)
            return;
        const int words = bits / 32, rest = bits % 32;
        int top = used_ + words + 1;
        if (top > kWords)
            top = kWords;
        for (int i = top - 1; i >= 0; --i) {
            const int from = i - words;
            uint64_t v = 0;
            if (from >= 0 && from < used_)
                v = static_cast<uint64_t>(words_[from]) << rest;
            if (rest && from - 1 >= 0 && from - 1 < used_)
                v |= words_[from - 1] >> (32 - rest);
            words_[i] = static_cast<uint32_t>(v);
        }
        used_ = top;
        Trim();
    }
    // Keeps the low `bits` bits.
    void KeepLow(int bits) {
        for (int w = 0; w < used_; ++w) {
            const int keep = bits - w * 32;
            if (keep <= 0)
                words_[w] = 0;
            else if (keep < 32)
                words_[w] &= (1u << keep) - 1;
        }
        Trim();
    }
    // Divides by a small divisor and answers the remainder.
    uint32_t DivideSmall(uint32_t divisor) {
        uint64_t rest = 0;
        for (int i = used_ - 1; i >= 0; --i) {
            const uint64_t v = rest << 32 | words_[i];
            words_[i] = static_cast<uint32_t>(v / divisor);
            rest = v % divisor;
        }
        Trim();
        return static_cast<uint32_t>(rest);
    }
    static int Compare(const BigNumber& a, const BigNumber& b) {
        if (a.used_ != b.used_)
            return a.used_ < b.used_ ? -1 : 1;
        for (int i = a.used_ - 1; i >= 0; --i) {
            if (a.words_[i] != b.words_[i])
                return a.words_[i] < b.words_[i] ? -1 : 1;
        }
        return 0;
    }
    // this -= other, other not greater.
    void Subtract(const BigNumber& other) {
        int64_t borrow = 0;
        for (int i = 0; i < used_; ++i) {
            int64_t v = static_cast<int64_t>(words_[i]) - borrow -
                        (i < other.used_ ? static_cast<int64_t>(other.words_[i]) : 0);
            borrow = v < 0;
            words_[i] = static_cast<uint32_t>(v + (borrow << 32));
        }
        Trim();
    }
    // this / divisor when the quotient fits 64 bits; this keeps the rest.
    uint64_t DivideSmallQuotient(const BigNumber& divisor) {
        uint64_t quotient = 0;
        for (int shift = BitLength() - divisor.BitLength(); shift >= 0; --shift) {
            BigNumber part = divisor;
            part.ShiftLeft(shift);
            if (Compare(*this, part) >= 0) {
                Subtract(part);
                quotient |= uint64_t{1} << shift;
            }
        }
        return quotient;
    }

  private:
    void Trim() {
        while (used_ > 0 && words_[used_ - 1] == 0)
            --used_;
    }
    uint32_t words_[kWords] = {};
    int used_ = 0;
};

// ----- Doubles to text -----

// The exact decimal digits of a finite non-negative double, handed out from
// the first (of the integer part, or of the fraction when that is 0).
class ExactDigits {
  public:
    explicit ExactDigits(double v) {
        int exponent;
        const double mantissa = std::frexp(v, &exponent);
        uint64_t m = static_cast<uint64_t>(std::ldexp(mantissa, 64) / 2); // 63 bits, exact
        int e = exponent - 63;
        if (e >= 0) {
            BigNumber whole(m);
            whole.ShiftLeft(e);
            SetWhole(whole);
            return;
        }
        fractionBits_ = -e;
        BigNumber whole(fractionBits_ >= 64 ? 0 : m >> fractionBits_);
        SetWhole(whole);
        fraction_ = BigNumber(m);
        fraction_.KeepLow(fractionBits_);
    }

    bool HasWhole() const { return !whole_.empty(); }
    size_t WholeDigits() const { return whole_.size(); }
    int Next() {
        if (next_ < whole_.size())
            return whole_[next_++] - '0';
        if (fraction_.IsZero())
            return 0;
        fraction_.MultiplyAdd(10);
        const int digit = static_cast<int>(fraction_.BitsFrom(fractionBits_));
        fraction_.KeepLow(fractionBits_);
        return digit;
    }
    bool RestIsZero() const {
        for (size_t i = next_; i < whole_.size(); ++i) {
            if (whole_[i] != '0')
                return false;
        }
        return fraction_.IsZero();
    }

  private:
    void SetWhole(BigNumber whole) {
        std::string reversed;
        while (!whole.IsZero()) {
            uint32_t chunk = whole.DivideSmall(1000000000u);
            for (int i = 0; i < 9; ++i, chunk /= 10)
                reversed += static_cast<char>('0' + chunk % 10);
        }
        while (!reversed.empty() && reversed.back() == '0')
            reversed.pop_back();
        whole_.assign(reversed.rbegin(), reversed.rend());
    }

    std::string whole_;
    size_t next_ = 0;
    BigNumber fraction_;
    int fractionBits_ = 0;
};

// Rounds `digits` (the kept ones) by the digit after them and whether any
// beyond that is not zero, ties to even; answers whether a carry came out
// of the first digit (the digits are then "000...", to be read as "1000...").
bool RoundDigits(std::string& digits, int next, bool restNonZero) {
    const bool odd = !digits.empty() && (digits.back() - '0') % 2 == 1;
    if (next < 5 || (next == 5 && !restNonZero && !odd))
        return false;
    for (size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    return true;
}

// %e: precision + 1 significant digits and the decimal exponent.
void Scientific(double v, int precision, std::string* digits, int* exponent) {
    digits->clear();
    if (v == 0) {
        digits->assign(static_cast<size_t>(precision) + 1, '0');
        *exponent = 0;
        return;
    }
    ExactDigits source(v);
    int first = source.Next();
    if (source.HasWhole()) {
        *exponent = static_cast<int>(source.WholeDigits()) - 1;
    } else {
        *exponent = -1;
        while (first == 0) {
            first = source.Next();
            --*exponent;
        }
    }
    digits->push_back(static_cast<char>('0' + first));
    for (int i = 0; i < precision; ++i)
        digits->push_back(static_cast<char>('0' + source.Next()));
    const int next = source.Next();
    if (RoundDigits(*digits, next, !source.RestIsZero())) {
        (*digits)[0] = '1';
        ++*exponent;
    }
}

// %f: the integer part's digits, then precision of the fraction's.
std::string Fixed(double v, int precision) {
    ExactDigits source(v);
    std::string digits;
    const size_t whole = source.HasWhole() ? source.WholeDigits() : 1;
    if (!source.HasWhole())
        digits = "0";
    for (size_t i = source.HasWhole() ? 0 : 1; i < whole + static_cast<size_t>(precision); ++i)
        digits.push_back(static_cast<char>('0' + source.Next()));
    const int next = source.Next();
    if (RoundDigits(digits, next, !source.RestIsZero()))
        digits.insert(digits.begin(), '1');
    const size_t point = digits.size() - static_cast<size_t>(precision);
    if (precision == 0)
        return digits;
    return digits.substr(0, point) + "." + digits.substr(point);
}

std::string ExponentText(int exponent, char e) {
    std::string out(1, e);
    out += exponent < 0 ? '-' : '+';
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10)
        out += '0';
    out += std::to_string(magnitude);
    return out;
}

struct Directive {
    bool left = false, plus = false, space = false, zero = false, alternate = false;
    int width = 0;
    int precision = -1;
    char conversion = 0;
};

// The body of a floating-point conversion, without sign or padding.
std::string FloatBody(double v, const Directive& directive) {
    const bool upper =
        directive.conversion == 'E' || directive.conversion == 'F' || directive.conversion == 'G';
    if (std::isnan(v))
        return upper ? "NAN" : "nan";
    if (std::isinf(v))
        return upper ? "INF" : "inf";
    const char lower = static_cast<char>(directive.conversion | 0x20);
    int precision = directive.precision < 0 ? 6 : directive.precision;
    if (lower == 'f') {
        std::string out = Fixed(v, precision);
        if (precision == 0 && directive.alternate)
            out += '.';
        return out;
    }
    std::string digits;
    int exponent;
    bool strip = false;
    if (lower == 'g') {
        if (precision == 0)
            precision = 1;
        Scientific(v, precision - 1, &digits, &exponent);
        strip = !directive.alternate;
        if (exponent >= -4 && exponent < precision) {
            std::string out = Fixed(v, precision - 1 - exponent);
            if (strip && out.find('.') != std::string::npos) {
                while (out.back() == '0')
                    out.pop_back();
                if (out.back() == '.')
                    out.pop_back();
            }
            return out;
        }
        precision -= 1;
    } else {
        Scientific(v, precision, &digits, &exponent);
    }
    std::string out = digits.substr(0, 1);
    std::string rest = digits.substr(1);
    if (strip) {
        while (!rest.empty() && rest.back() == '0')
            rest.pop_back();
    }
    if (!rest.empty() || directive.alternate)
        out += "." + rest;
    return out + ExponentText(exponent, upper ? 'E' : 'e');
}

std::string IntegerBody(uint64_t magnitude, const Directive& directive) {
    const char c = directive.conversion;
    const unsigned base = c == 'o' ? 8 : (c == 'x' || c == 'X') ? 16 : 10;
    const char* digitSet = c == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string reversed;
    for (uint64_t v = magnitude; v != 0; v /= base)
        reversed += digitSet[v % base];
    std::string out(reversed.rbegin(), reversed.rend());
    const size_t precision = directive.precision < 0 ? 1 : static_cast<size_t>(directive.precision);
    if (out.size() < precision)
        out.insert(0, precision - out.size(), '0');
    if (c == 'o' && directive.alternate && (out.empty() || out[0] != '0'))
        out.insert(0, "0");
    return out;
}

class Output {
  public:
    Output(char* out, size_t size) : out_(out), size_(size) {}
    void Put(char c) {
        if (size_ > 0 && length_ < size_ - 1)
            out_[length_] = c;
        ++length_;
    }
    void Put(const std::string& s) {
        for (char c : s)
            Put(c);
    }
    void Repeat(char c, int n) {
        for (int i = 0; i < n; ++i)
            Put(c);
    }
    // prefix (sign, 0x) and body padded to the width as the flags say;
    // zeros go between the two.
    void Padded(const std::string& prefix, const std::string& body, const Directive& directive,
                bool zeroAllowed) {
        const int pad = directive.width - static_cast<int>(prefix.size() + body.size());
        if (pad > 0 && !directive.left && !(directive.zero && zeroAllowed))
            Repeat(' ', pad);
        Put(prefix);
        if (pad > 0 && !directive.left && directive.zero && zeroAllowed)
            Repeat('0', pad);
        Put(body);
        if (pad > 0 && directive.left)
            Repeat(' ', pad);
    }
    int Finish() {
        if (size_ > 0)
            out_[length_ < size_ - 1 ? length_ : size_ - 1] = '\0';
        return static_cast<int>(length_);
    }

  private:
    char* out_;
    size_t size_;
    size_t length_ = 0;
};

// ----- Text to doubles -----

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool StartsWithNoCase(const char* text, const char* word) {
    for (; *word; ++text, ++word) {
        if ((*text | 0x20) != *word)
            return false;
    }
    return true;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f')
        return (c | 0x20) - 'a' + 10;
    return -1;
}

// m times 2^e, rounded to the nearest double (ties to even) with `sticky`
// saying that bits below m's were not all zero.
double RoundToDouble(uint64_t m, long e, bool sticky) {
    if (m == 0)
        return 0;
    int length = 64;
    while (!(m >> (length - 1)))
        --length;
    const long top = length - 1 + e;
    if (top > 1023) {
        errno = ERANGE;
        return HUGE_VAL;
    }
    // Below 2^-1022 the bits run out one by one.
    long keep = 53;
    if (top < -1022)
        keep = 53 - (-1022 - top);
    const long drop = length - keep;
    if (drop <= 0)
        return std::ldexp(static_cast<double>(m), static_cast<int>(e));
    uint64_t kept = drop >= 64 ? 0 : m >> drop;
    const uint64_t rest = drop >= 64 ? m : m & ((uint64_t{1} << drop) - 1);
    const uint64_t half = drop > 64 ? 0 : uint64_t{1} << (drop - 1);
    const bool up = drop <= 64 && (rest > half || (rest == half && (sticky || (kept & 1))));
    kept += up;
    const double result = std::ldexp(static_cast<double>(kept), static_cast<int>(e + drop));
    if (result == 0 || std::isinf(result) || top < -1022)
        errno = ERANGE;
    return result;
}

// Enough digits to settle any rounding: past these, only whether the rest is
// all zeros counts.
constexpr int kMaxDigits = 780;

double DecimalValue(const std::string& digits, long exponent) {
    // digits: no leading zeros, not empty; the value is digits * 10^exponent.
    const long count = static_cast<long>(digits.size());
    if (count + exponent > 310) {
        errno = ERANGE;
        return HUGE_VAL;
    }
    if (count + exponent < -326) {
        errno = ERANGE;
        return 0;
    }
    BigNumber value;
    for (char c : digits)
        value.MultiplyAdd(10, static_cast<uint32_t>(c - '0'));
    if (exponent >= 0) {
        value.MultiplyByPowerOf10(static_cast<int>(exponent));
        const int length = value.BitLength();
        if (length <= 64)
            return RoundToDouble(value.BitsFrom(0), 0, false);
        return RoundToDouble(value.BitsFrom(length - 64), length - 64,
                             value.AnyBitBelow(length - 64));
    }
    BigNumber scale(1);
    scale.MultiplyByPowerOf10(static_cast<int>(-exponent));
    // A quotient of 62 or 63 bits, and the rest as the sticky bit.
    const int shift = 62 - (value.BitLength() - scale.BitLength());
    if (shift >= 0)
        value.ShiftLeft(shift);
    else
        scale.ShiftLeft(-shift);
    const uint64_t quotient = value.DivideSmallQuotient(scale);
    return RoundToDouble(quotient, -shift, !value.IsZero());
}

// The exponent after its letter at *p: a sign, then digits (held once past
// 100000, which already over- or underflows), added to *exponent; *p moves
// past it only when digits follow, else the letter is not part of the number.
void ReadExponent(const char** p, long* exponent) {
    const char* q = *p + 1;
    const bool negative = *q == '-';
    if (*q == '+' || *q == '-')
        ++q;
    if (*q < '0' || *q > '9')
        return;
    long x = 0;
    for (; *q >= '0' && *q <= '9'; ++q)
        x = x < 100000 ? x * 10 + (*q - '0') : x;
    *exponent += negative ? -x : x;
    *p = q;
}

double HexValueOf(const char*& p) {
    uint64_t m = 0;
    long e = 0;
    bool sticky = false, point = false;
    for (;; ++p) {
        if (*p == '.' && !point) {
            point = true;
            continue;
        }
        const int d = HexValue(*p);
        if (d < 0)
            break;
        if (m >> 60) {
            sticky |= d != 0;
            if (!point)
                e += 4;
        } else {
            m = m << 4 | static_cast<unsigned>(d);
            if (point)
                e -= 4;
        }
    }
    if ((*p | 0x20) == 'p')
        ReadExponent(&p, &e);
    return RoundToDouble(m, e, sticky);
}

} // namespace

int FormatTextV(char* out, size_t size, const char* format, va_list args) {
    Output o(out, size);
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            o.Put(*p);
            continue;
        }
        const char* start = p++;
        Directive directive;
        for (;; ++p) {
            if (*p == '-')
                directive.left = true;
            else if (*p == '+')
                directive.plus = true;
            else if (*p == ' ')
                directive.space = true;
            else if (*p == '0')
                directive.zero = true;
            else if (*p == '#')
                directive.alternate = true;
            else
                break;
        }
        if (*p == '*') {
            directive.width = va_arg(args, int);
            if (directive.width < 0) {
                directive.left = true;
                directive.width = -directive.width;
            }
            ++p;
        } else {
            for (; *p >= '0' && *p <= '9'; ++p)
                directive.width = directive.width * 10 + (*p - '0');
        }
        if (*p == '.') {
            ++p;
            directive.precision = 0;
            if (*p == '*') {
                directive.precision = va_arg(args, int);
                ++p;
            } else {
                for (; *p >= '0' && *p <= '9'; ++p)
                    directive.precision = directive.precision * 10 + (*p - '0');
            }
        }
        // Argument sizes: 0 int, 1 long (32 bits on Windows), 2 64 bits;
        // hh and h values arrive as int and are cut after.
        int size_class = 0, narrow = 0;
        if (p[0] == 'h') {
            narrow = p[1] == 'h' ? 8 : 16;
            p += p[1] == 'h' ? 2 : 1;
        } else if (p[0] == 'l' && p[1] == 'l') {
            size_class = 2, p += 2;
        } else if (p[0] == 'l') {
            size_class = 1, ++p;
        } else if (p[0] == 'z' || p[0] == 'j' || p[0] == 't') {
            size_class = 2, ++p;
        } else if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
            size_class = 2, p += 3;
        }
        directive.conversion = *p;
        switch (*p) {
        case 'd':
        case 'i': {
            int64_t v = size_class == 2   ? va_arg(args, long long)
                        : size_class == 1 ? va_arg(args, long)
                                          : va_arg(args, int);
            if (narrow == 8)
                v = static_cast<signed char>(v);
            else if (narrow == 16)
                v = static_cast<short>(v);
            const uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : v;
            const std::string sign = v < 0             ? "-"
                                     : directive.plus  ? "+"
                                     : directive.space ? " "
                                                       : "";
            o.Padded(sign, IntegerBody(magnitude, directive), directive, directive.precision < 0);
            break;
        }
        case 'u':
        case 'o':
        case 'x':
        case 'X': {
            uint64_t v = size_class == 2   ? va_arg(args, unsigned long long)
                         : size_class == 1 ? va_arg(args, unsigned long)
                                           : va_arg(args, unsigned);
            if (narrow)
                v &= (uint64_t{1} << narrow) - 1;
            const std::string prefix = directive.alternate && v != 0 && (*p == 'x' || *p == 'X')
                                           ? std::string("0") + *p
                                           : "";
            o.Padded(prefix, IntegerBody(v, directive), directive, directive.precision < 0);
            break;
        }
        case 'c': {
            directive.precision = -1;
            o.Padded("", std::string(1, static_cast<char>(va_arg(args, int))), directive, false);
            break;
        }
        case 's': {
            const char* s = va_arg(args, const char*);
            if (!s)
                s = "(null)";
            size_t length = std::strlen(s);
            if (directive.precision >= 0 && static_cast<size_t>(directive.precision) < length)
                length = static_cast<size_t>(directive.precision);
            o.Padded("", std::string(s, length), directive, false);
            break;
        }
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G': {
            const double v = va_arg(args, double);
            const std::string sign = std::signbit(v)   ? "-"
                                     : directive.plus  ? "+"
                                     : directive.space ? " "
                                                       : "";
            o.Padded(sign, FloatBody(std::fabs(v), directive), directive, std::isfinite(v));
            break;
        }
        case '%':
            o.Put('%');
            break;
        default:
            // Not one of ours: the text stays as it was written.
            for (const char* q = start; q <= p && *q; ++q)
                o.Put(*q);
            if (!*p)
                --p;
            break;
        }
    }
    return o.Finish();
}

double ParseDouble(const char* text, char** end) {
    const char* p = text;
    while (IsSpace(*p))
        ++p;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-')
        ++p;
    double magnitude = 0;
    const char* after = nullptr;
    if (StartsWithNoCase(p, "inf")) {
        magnitude = HUGE_VAL;
        after = p + (StartsWithNoCase(p, "infinity") ? 8 : 3);
    } else if (StartsWithNoCase(p, "nan")) {
        magnitude = NAN;
        after = p + 3;
        if (*after == '(') {
            const char* q = after + 1;
            while ((*q >= '0' && *q <= '9') || ((*q | 0x20) >= 'a' && (*q | 0x20) <= 'z') ||
                   *q == '_')
                ++q;
            if (*q == ')')
                after = q + 1;
        }
    } else if (p[0] == '0' && (p[1] | 0x20) == 'x' &&
               (HexValue(p[2]) >= 0 || (p[2] == '.' && HexValue(p[3]) >= 0))) {
        p += 2;
        magnitude = HexValueOf(p);
        after = p;
    } else {
        std::string digits;
        long exponent = 0;
        bool any = false, point = false, dropped = false;
        for (;; ++p) {
            if (*p == '.' && !point) {
                point = true;
                continue;
            }
            if (*p < '0' || *p > '9')
                break;
            any = true;
            if (digits.empty() && *p == '0') {
                if (point)
                    --exponent;
                continue;
            }
            if (static_cast<int>(digits.size()) < kMaxDigits) {
                digits += *p;
                if (point)
                    --exponent;
            } else {
                dropped |= *p != '0';
                if (!point)
                    ++exponent;
            }
        }
        if (any) {
            if ((*p | 0x20) == 'e')
                ReadExponent(&p, &exponent);
            // Digits past those kept only say the value is above them.
            if (dropped) {
                digits += '1';
                --exponent;
            }
            magnitude = digits.empty() ? 0 : DecimalValue(digits, exponent);
            after = p;
        }
    }
    if (end)
        *end = const_cast<char*>(after ? after : text);
    if (!after)
        return 0;
    return negative ? -magnitude : magnitude;
}

} // namespace ww
