#include "movie/typed_chars.h"

namespace ww::movie {

namespace {

bool IsHigh(uint32_t u) {
    return u >= 0xD800 && u < 0xDC00;
}

bool IsLow(uint32_t u) {
    return u >= 0xDC00 && u < 0xE000;
}

} // namespace

char32_t TypedChars::FromUnicode(uint32_t unit) {
    if (IsHigh(unit)) {
        highSurrogate_ = static_cast<char16_t>(unit);
        return 0;
    }
    char32_t c = unit;
    if (IsLow(unit)) {
        // A low surrogate without its high half stands for nothing.
        c = highSurrogate_ ? 0x10000 + ((char32_t(highSurrogate_) - 0xD800) << 10) + (unit - 0xDC00)
                           : 0;
    }
    highSurrogate_ = 0;
    return c;
}

std::u32string TypedChars::FromAnsi(uint8_t byte, const AnsiCodePage& page) {
    std::string bytes;
    if (leadByte_ >= 0) {
        // Whatever follows a lead byte is its trail byte, even a byte that
        // could lead on its own.
        bytes += static_cast<char>(leadByte_);
        leadByte_ = -1;
    } else if (page.isLeadByte && page.isLeadByte(byte)) {
        leadByte_ = byte;
        return {};
    }
    bytes += static_cast<char>(byte);
    std::u32string out;
    if (!page.toUtf16)
        return out;
    for (char16_t unit : page.toUtf16(bytes)) {
        if (const char32_t c = FromUnicode(unit))
            out += c;
    }
    highSurrogate_ = 0;
    return out;
}

void TypedChars::Reset() {
    highSurrogate_ = 0;
    leadByte_ = -1;
}

} // namespace ww::movie
