// Characters as a window's WM_CHAR messages bring them, joined into whole
// characters: a Unicode window's UTF-16 surrogate pairs, and in an ANSI
// window a double-byte code page's lead byte with the trail byte after it.
// The code page is asked through two calls, so the joining runs (and is
// tested) without Windows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace ww::movie {

struct AnsiCodePage {
    // Whether b starts a two-byte character.
    std::function<bool(uint8_t b)> isLeadByte;
    // The UTF-16 units of one character's bytes; empty when they make none.
    std::function<std::u16string(const std::string& bytes)> toUtf16;
};

class TypedChars {
  public:
    // One WM_CHAR of a Unicode window: the character it completes, or 0
    // while a high surrogate waits for its pair.
    char32_t FromUnicode(uint32_t unit);
    // One WM_CHAR byte of an ANSI window: the characters it completes,
    // none while a lead byte waits for its trail byte.
    std::u32string FromAnsi(uint8_t byte, const AnsiCodePage& page);
    // The keyboard went elsewhere: half a character is dropped.
    void Reset();

  private:
    char16_t highSurrogate_ = 0;
    int leadByte_ = -1;
};

} // namespace ww::movie
