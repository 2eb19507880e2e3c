// WM_CHAR units and bytes joined into characters: surrogate pairs of a
// Unicode window, and the lead and trail bytes of a double-byte code page
// in an ANSI window, with the code page played by a small table.
#include "movie/typed_chars.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace ww::test {
namespace {

using movie::AnsiCodePage;
using movie::TypedChars;

// A double-byte page in the manner of Shift-JIS: bytes 0x81-0x9F and
// 0xE0-0xFC lead; a few pairs make characters, one of them outside the
// basic plane; single bytes below 0x80 are ASCII and 0xE4 alone is not a
// character. A Latin page has no lead bytes and 0xE4 is 'ä'.
AnsiCodePage DoubleBytePage() {
    AnsiCodePage page;
    page.isLeadByte = [](uint8_t b) {
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    };
    page.toUtf16 = [](const std::string& bytes) {
        static const std::map<std::string, std::u16string> pairs = {
            {"\x82\xA0", u"\u3042"}, // hiragana a
            {"\x93\xFA", u"\u65E5"}, // a trail byte that could lead
            {"\x88\x9F", u"\u4E9C"},
            {"\xFC\x40", u"\U00020B9F"}, // a pair of surrogates
        };
        if (bytes.size() == 1 && static_cast<uint8_t>(bytes[0]) < 0x80)
            return std::u16string(1, static_cast<char16_t>(bytes[0]));
        const auto it = pairs.find(bytes);
        return it == pairs.end() ? std::u16string() : it->second;
    };
    return page;
}

AnsiCodePage LatinPage() {
    AnsiCodePage page;
    page.isLeadByte = [](uint8_t) { return false; };
    page.toUtf16 = [](const std::string& bytes) {
        return std::u16string(1, static_cast<char16_t>(static_cast<uint8_t>(bytes[0])));
    };
    return page;
}

TEST(TypedChars, AnsiBytesJoinIntoCharacters) {
    const struct {
        const char* name;
        bool doubleByte;
        std::vector<uint8_t> bytes;
        std::u32string want; // what each byte completed, in order
    } cases[] = {
        {"ASCII passes one byte at a time", true, {'a', 'b'}, U"ab"},
        {"a lead byte waits for its trail", true, {0x82, 0xA0}, U"\u3042"},
        {"a trail byte in the lead range", true, {0x93, 0xFA, 0x88, 0x9F}, U"\u65E5\u4E9C"},
        {"a pair beyond the basic plane",
         true,
         {0xFC, 0x40, 'x'},
         U"\U00020B9F"
         U"x"},
        {"a pair that makes nothing is dropped", true, {0x81, 0x20, 'z'}, U"z"},
        {"a lone lead byte gives nothing yet", true, {'q', 0x82}, U"q"},
        {"a dead key's composed letter", false, {0xE4, 'r'}, U"\u00E4r"},
        {"Latin bytes never lead", false, {0x82, 0xA0}, U"\u0082\u00A0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const AnsiCodePage page = c.doubleByte ? DoubleBytePage() : LatinPage();
        TypedChars typed;
        std::u32string got;
        for (uint8_t b : c.bytes)
            got += typed.FromAnsi(b, page);
        EXPECT_EQ(got, c.want);
    }
}

TEST(TypedChars, ResetDropsHalfACharacter) {
    const AnsiCodePage page = DoubleBytePage();
    TypedChars typed;
    EXPECT_EQ(typed.FromAnsi(0x82, page), U"");
    typed.Reset();
    // 0xA0 alone is no character; the next pair starts afresh.
    EXPECT_EQ(typed.FromAnsi(0xA0, page), U"");
    EXPECT_EQ(typed.FromAnsi(0x82, page), U"");
    EXPECT_EQ(typed.FromAnsi(0xA0, page), U"\u3042");
    EXPECT_EQ(typed.FromUnicode(0xD83D), U'\0');
    typed.Reset();
    EXPECT_EQ(typed.FromUnicode(0xDE00), U'\0');
}

TEST(TypedChars, UnicodeSurrogatesJoin) {
    const struct {
        const char* name;
        std::vector<uint32_t> units;
        std::u32string want;
    } cases[] = {
        {"plain units pass", {'a', 0xE4}, U"a\u00E4"},
        {"a pair makes one character", {0xD83D, 0xDE00}, U"\U0001F600"},
        {"a low half alone is dropped", {0xDE00, 'b'}, U"b"},
        {"a high half followed by no low half", {0xD83D, 'c'}, U"c"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TypedChars typed;
        std::u32string got;
        for (uint32_t u : c.units) {
            if (const char32_t ch = typed.FromUnicode(u))
                got += ch;
        }
        EXPECT_EQ(got, c.want);
    }
}

} // namespace
} // namespace ww::test
