// Text fields: the tag read whole, the HTML subset read into styled text
// (hostile markup included), the layout measured against the font's metrics,
// and the field drawn, clipped to its box, in embedded and device fonts.
#include "movie/text_layout.h"
#include "tests/movie/movie_test_util.h"

#include <cmath>
#include <string>

namespace ww::test {
namespace {

using movie::HtmlText;
using movie::StyledText;
using movie::TextFormat;

constexpr int32_t kEm = 1024;
constexpr uint16_t kSize = 400; // 20 px: a glyph square is 400 twips
constexpr uint16_t kSpace = ' ';

// 'A' fills its em square above the baseline; 'B' is a quarter as wide; the
// space has no outline. Ascent one em, descent a quarter.
FontRecipe SquareFont() {
    FontRecipe f;
    ShapeWriter square, bar, space;
    square.Select(-1, 1, -1).Rectangle(0, -kEm, kEm, 0);
    bar.Select(-1, 1, -1).Rectangle(0, -kEm, kEm / 4, 0);
    f.glyphs = {square, bar, space};
    f.codes = {'A', 'B', kSpace};
    f.ascent = kEm;
    f.descent = kEm / 4;
    f.advances = {kEm, kEm / 4, kEm / 2};
    return f;
}

EditTextRecipe Field(const std::string& text) {
    EditTextRecipe f;
    f.xmin = 100 * kPx;
    f.xmax = 300 * kPx;
    f.ymin = 50 * kPx;
    f.ymax = 150 * kPx;
    f.fontId = 1;
    f.fontHeight = kSize;
    f.useOutlines = true;
    f.multiline = true;
    f.text = text;
    return f;
}

Bytes FieldMovie(const EditTextRecipe& field, int fontVersion = 2) {
    return MakeMovie(DefineFontTag(fontVersion, 1, SquareFont()) + DefineEditTextTag(2, field) +
                     PlaceObject2Tag(At(1, 2)) + ShowFrameTag());
}

movie::TextPicture Lay(const movie::Movie& m) {
    movie::DeviceGlyphCache cache;
    movie::TextPicture picture;
    movie::LayoutEditText(m, m.editTexts.at(0), cache, &picture);
    return picture;
}

TEST(EditText, ReadsEveryFieldOfTheTag) {
    EditTextRecipe r = Field("Hello");
    r.wordWrap = r.password = r.autoSize = r.noSelect = r.border = r.wasStatic = r.html = true;
    r.color = Rgba8{1, 2, 3, 4};
    r.maxLength = 12;
    r.hasLayout = true;
    r.align = 3;
    r.leftMargin = 5;
    r.rightMargin = 6;
    r.indent = 7;
    r.leading = -8;
    r.variableName = "_root.clock";
    const movie::Movie m = ParseOrFail(FieldMovie(r));
    ASSERT_EQ(m.editTexts.size(), 1u);
    const movie::EditText& f = m.editTexts[0];
    EXPECT_EQ(f.bounds.xmin, 100 * kPx);
    EXPECT_EQ(f.bounds.ymax, 150 * kPx);
    EXPECT_TRUE(f.wordWrap && f.multiline && f.password && f.readOnly && f.autoSize && f.noSelect &&
                f.border && f.wasStatic && f.html && f.useOutlines);
    EXPECT_EQ(f.fontId, 1);
    EXPECT_EQ(f.fontHeight, kSize);
    EXPECT_EQ(f.color.r, 1);
    EXPECT_EQ(f.color.a, 4);
    EXPECT_EQ(f.maxLength, 12);
    EXPECT_EQ(f.align, 3);
    EXPECT_EQ(f.leftMargin, 5);
    EXPECT_EQ(f.rightMargin, 6);
    EXPECT_EQ(f.indent, 7);
    EXPECT_EQ(f.leading, -8);
    EXPECT_EQ(f.variableName, "_root.clock");
    EXPECT_EQ(f.text, "Hello");
    EXPECT_EQ(m.unsupported.count("DefineEditText"), 0u);
    // The font's layout came with it.
    ASSERT_EQ(m.fonts.size(), 1u);
    EXPECT_TRUE(m.fonts[0].hasLayout);
    EXPECT_EQ(m.fonts[0].ascent, kEm);
    EXPECT_EQ(m.fonts[0].advances.at(1), kEm / 4);
    EXPECT_EQ(m.fonts[0].glyphOfCode.at('B'), 1u);
}

TEST(EditText, CutShortIsSkippedWithAProblem) {
    Bytes tag = DefineEditTextTag(2, Field("Hello"));
    tag.resize(tag.size() - 4);
    tag[2] = static_cast<uint8_t>(tag.size() - 6); // the long header's length
    tag[3] = tag[4] = tag[5] = 0;
    const movie::Movie m = ParseOrFail(MakeMovie(tag + ShowFrameTag()));
    EXPECT_TRUE(m.editTexts.empty());
    EXPECT_FALSE(m.problems.empty());
}

// Where the first glyph of each line lands (field twips) for each layout.
TEST(TextLayout, AlignsAndIndentsLinesByTheComputedAmounts) {
    const double left = 100 * kPx + movie::kFieldGutter;
    const double right = 300 * kPx - movie::kFieldGutter;
    const double top = 50 * kPx + movie::kFieldGutter;
    struct Case {
        const char* name;
        uint8_t align;
        uint16_t leftMargin, rightMargin, indent;
        int16_t leading;
        double firstX, secondX, secondBaseline;
    };
    const double line = kSize + kSize / 4; // ascent and descent
    const Case cases[] = {
        {"left", 0, 0, 0, 0, 0, left, left, top + kSize + line},
        {"right", 1, 0, 0, 0, 0, right - 2 * kSize, right - kSize, top + kSize + line},
        {"centre", 2, 0, 0, 0, 0, (left + right) / 2 - kSize, (left + right) / 2 - kSize / 2,
         top + kSize + line},
        {"margins and indent", 0, 100, 60, 30, 0, left + 130, left + 130, top + kSize + line},
        {"right margin", 1, 100, 60, 30, 0, right - 60 - 2 * kSize, right - 60 - kSize,
         top + kSize + line},
        {"leading", 0, 0, 0, 0, 45, left, left, top + kSize + line + 45},
        {"negative leading", 0, 0, 0, 0, -45, left, left, top + kSize + line - 45},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EditTextRecipe r = Field("AA\rA");
        r.hasLayout = true;
        r.align = c.align;
        r.leftMargin = c.leftMargin;
        r.rightMargin = c.rightMargin;
        r.indent = c.indent;
        r.leading = c.leading;
        // The second paragraph's first line is indented too.
        const movie::TextPicture p = Lay(ParseOrFail(FieldMovie(r)));
        ASSERT_EQ(p.glyphs.size(), 3u);
        EXPECT_NEAR(p.glyphs[0].matrix.tx, c.firstX, 1e-6);
        EXPECT_NEAR(p.glyphs[1].matrix.tx, c.firstX + kSize, 1e-6);
        EXPECT_NEAR(p.glyphs[0].matrix.ty, top + kSize, 1e-6);
        EXPECT_NEAR(p.glyphs[2].matrix.tx, c.secondX, 1e-6);
        EXPECT_NEAR(p.glyphs[2].matrix.ty, c.secondBaseline, 1e-6);
        EXPECT_NEAR(p.glyphs[0].matrix.a, double(kSize) / kEm, 1e-9);
    }
}

// Lines of "AA" words (400 twips a glyph, 200 a space) in a field whose
// room is given: each line's glyph count.
TEST(TextLayout, WrapsWhereTheWidthsAddUp) {
    struct Case {
        const char* text;
        int32_t room; // between the gutters
        bool wrap;
        std::vector<size_t> glyphsPerLine;
    };
    const Case cases[] = {
        {"AA AA AA", 1800, true, {4, 2}}, // "AA AA" is exactly 1800
        {"AA AA AA", 1799, true, {2, 2, 2}}, {"AA AA AA", 2800, true, {6}},
        {"AA AA AA", 1000, false, {3}},    // no wrap: one line, cut at the box
        {"AAAAAA", 1000, true, {2, 2, 2}}, // a word too long breaks inside
        {"AA   AA", 900, true, {2, 2}},    // spaces at a break are dropped
        {"AA\r\rAA", 2800, true, {2, 0, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " in " + std::to_string(c.room));
        EditTextRecipe r = Field(c.text);
        r.xmax = r.xmin + c.room + 2 * static_cast<int32_t>(movie::kFieldGutter);
        r.ymax = r.ymin + 4000;
        r.wordWrap = c.wrap;
        const movie::TextPicture p = Lay(ParseOrFail(FieldMovie(r)));
        std::vector<size_t> perLine;
        double baseline = -1;
        for (const movie::PlacedGlyph& g : p.glyphs) {
            if (g.matrix.ty != baseline) {
                // An empty line leaves a baseline with no glyph on it.
                while (baseline >= 0 && g.matrix.ty - baseline > 1.5 * (kSize + kSize / 4)) {
                    perLine.push_back(0);
                    baseline += kSize + kSize / 4;
                }
                perLine.push_back(0);
                baseline = g.matrix.ty;
            }
            ++perLine.back();
        }
        EXPECT_EQ(perLine, c.glyphsPerLine);
    }
}

TEST(TextLayout, JustifiesEveryLineButAParagraphsLast) {
    EditTextRecipe r = Field("AA B AA AA");
    r.hasLayout = true;
    r.align = 3;
    r.wordWrap = true;
    r.xmax = r.xmin + 2200 + 2 * static_cast<int32_t>(movie::kFieldGutter);
    const movie::TextPicture p = Lay(ParseOrFail(FieldMovie(r)));
    ASSERT_EQ(p.glyphs.size(), 7u);
    // "AA B AA" stretched to the right edge; "AA" left as it is.
    const double rightEdge = r.xmax - movie::kFieldGutter;
    EXPECT_NEAR(p.glyphs[4].matrix.tx + kSize, rightEdge, 1e-6);
    EXPECT_NEAR(p.glyphs[5].matrix.tx, r.xmin + movie::kFieldGutter, 1e-6);
}

TEST(TextLayout, AutoSizeGrowsTheBoxToTheText) {
    EditTextRecipe r = Field("AAAAAAAAAA"); // 4000 twips, wider than the field
    r.autoSize = true;
    r.multiline = false;
    const movie::TextPicture p = Lay(ParseOrFail(FieldMovie(r)));
    EXPECT_EQ(p.box.xmin, r.xmin);
    EXPECT_EQ(p.box.xmax, r.xmin + 4000 + 2 * static_cast<int32_t>(movie::kFieldGutter));
    EXPECT_EQ(p.box.ymax,
              r.ymin + kSize + kSize / 4 + 2 * static_cast<int32_t>(movie::kFieldGutter));
    EXPECT_FALSE(p.overflows);
    EXPECT_EQ(p.glyphs.size(), 10u);
}

// Each glyph's advance is cut down to whole twips before the next is placed.
TEST(TextLayout, AdvancesStandOnWholeTwips) {
    const struct {
        const char* text;
        uint16_t size;
        double width;
    } cases[] = {
        {"B", 400, 100},    {"BB", 410, 204},  {"AB", 410, 512},
        {"BBBB", 410, 408}, {"B B", 410, 409}, {"B", 405, 101},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + std::string(" at ") + std::to_string(c.size));
        EditTextRecipe r = Field(c.text);
        r.fontHeight = c.size;
        const movie::TextPicture p = Lay(ParseOrFail(FieldMovie(r)));
        EXPECT_DOUBLE_EQ(p.textWidth, c.width);
        ASSERT_FALSE(p.glyphs.empty());
        EXPECT_DOUBLE_EQ(p.glyphs.back().matrix.tx,
                         r.xmin + movie::kFieldGutter + c.width - std::floor(256.0 * c.size / kEm));
    }
}

// Trailing spaces take room, except where a centred or right-aligned line
// was broken at one. 'A' is 400 twips at this size, the space 200.
TEST(TextLayout, TrailingSpacesTakeRoomAsFlashGivesIt) {
    const struct {
        const char* name;
        const char* text;
        uint8_t align;
        bool wrap;
        double width;
    } cases[] = {
        {"a lone space", " ", 0, false, 200},
        {"after a letter, left", "A ", 0, false, 600},
        {"after a letter, centred", "A ", 2, false, 600},
        {"at a break, left", "AAAAAAAAA A", 0, true, 3800},
        {"at a break, centred", "AAAAAAAAA A", 2, true, 3600},
        {"at a break, right", "AAAAAAAAA A", 1, true, 3600},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EditTextRecipe r = Field(c.text);
        r.hasLayout = true;
        r.align = c.align;
        r.wordWrap = c.wrap;
        const movie::TextPicture p = Lay(ParseOrFail(FieldMovie(r)));
        EXPECT_DOUBLE_EQ(p.textWidth, c.width);
    }
}

// An autosized field grows away from the side it is told, whatever the
// alignment of its text; told nothing, it goes by that alignment.
TEST(TextLayout, AutoSizeGrowsFromTheSideItIsTold) {
    EditTextRecipe r = Field("AAAAAAAAAA"); // 4000 twips, wider than the field
    r.autoSize = true;
    r.multiline = false;
    r.hasLayout = true;
    r.align = 1;
    const movie::Movie m = ParseOrFail(FieldMovie(r));
    const int32_t width = 4000 + 2 * static_cast<int32_t>(movie::kFieldGutter);
    const struct {
        int grow;
        int32_t xmin;
    } cases[] = {{-1, r.xmax - width},
                 {0, r.xmin},
                 {1, r.xmax - width},
                 {2, r.xmin - (width - (r.xmax - r.xmin)) / 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.grow);
        movie::DeviceGlyphCache cache;
        movie::TextPicture p;
        movie::LayoutEditText(m, m.editTexts.at(0), cache, &p, c.grow);
        EXPECT_EQ(p.box.xmin, c.xmin);
        EXPECT_EQ(p.box.xmax - p.box.xmin, width);
    }
}

TEST(TextLayout, PasswordsShowStarsAndMissingGlyphsNothing) {
    EditTextRecipe r = Field("AzB");
    const movie::TextPicture plain = Lay(ParseOrFail(FieldMovie(r)));
    ASSERT_EQ(plain.glyphs.size(), 2u);
    EXPECT_NEAR(plain.glyphs[1].matrix.tx - plain.glyphs[0].matrix.tx, kSize, 1e-6);
    r.password = true;
    EXPECT_TRUE(Lay(ParseOrFail(FieldMovie(r))).glyphs.empty()); // the font has no '*'
    // A field with no text at all, and one without even the text flag.
    for (bool hasText : {true, false}) {
        EditTextRecipe empty = Field("");
        empty.hasText = hasText;
        empty.autoSize = true;
        const movie::TextPicture p = Lay(ParseOrFail(FieldMovie(empty)));
        EXPECT_TRUE(p.glyphs.empty());
        EXPECT_EQ(p.box.xmin, empty.xmin);
    }
}

// Runs in <b> and <i> take the embedded font of the same name and that
// style; the field's own font's style does not carry into its markup.
TEST(TextLayout, StyledRunsTakeTheEmbeddedFontOfTheirStyle) {
    FontRecipe regular = SquareFont(), bold = SquareFont(), italic = SquareFont();
    bold.bold = true;
    italic.italic = true;
    EditTextRecipe r = Field("<b>A</b>A<i>A</i><b><i>A</i></b>");
    r.html = true;
    r.fontId = 2; // the bold font
    const movie::Movie m = ParseOrFail(MakeMovie(
        DefineFontTag(2, 1, regular) + DefineFontTag(2, 2, bold) + DefineFontTag(2, 3, italic) +
        DefineEditTextTag(4, r) + PlaceObject2Tag(At(1, 4)) + ShowFrameTag()));
    const movie::TextPicture p = Lay(m);
    ASSERT_EQ(p.glyphs.size(), 4u);
    EXPECT_EQ(p.glyphs[0].shape, &m.fonts[1].glyphs[0]);
    EXPECT_EQ(p.glyphs[1].shape, &m.fonts[0].glyphs[0]);
    EXPECT_EQ(p.glyphs[2].shape, &m.fonts[2].glyphs[0]);
    // No bold italic font: the bold one, the field's own, stands in.
    EXPECT_EQ(p.glyphs[3].shape, &m.fonts[1].glyphs[0]);
}

struct HtmlCase {
    const char* html;
    std::u32string chars;
    bool multiline = true;
};

TEST(HtmlText, ReadsTheSubsetsTextAndEntities) {
    const HtmlCase cases[] = {
        {"plain", U"plain"},
        {"<p>one</p><p>two</p>", U"one\ntwo\n"},
        {"<p>one</p><p>two</p>", U"onetwo", false},
        {"a<br>b<br/>c<BR />d", U"a\nb\nc\nd"},
        {"a<br>b<br/>c<BR />d", U"abcd", false},
        {"<li>x</li><li>y</li>", U"x\ny\n"},
        {"test<li>test</li>", U"test\ntest\n"},
        {"<p>a\n</p>\n", U"a\n\n", false},
        {"&amp;&lt;&gt;&quot;&apos;&nbsp;&#65;&#x42;&#X43;", U"&<>\"'\u00A0ABC"},
        {"&am", U"&am"},
        {"&#;x", U"&#;x"},
        {"&#99999999;", U"&#99999999;"},
        {"x &", U"x &"},
        {"&unknown;", U"&unknown;"},
        {"abc<font", U"abc"},
        {"<b>bold</i>", U"bold"},
        {"<span class='x'>s</span><img src='a'>", U"s"},
        {"caf\xC3\xA9 \xE9", U"caf\u00E9 \u00E9"},
        {"a\r\nb\rc", U"a\nb\nc"},
        {"<>x</>", U"x"},
        {"<font face=\"a\" size=>y</font>", U"y"},
    };
    for (const HtmlCase& c : cases) {
        SCOPED_TRACE(c.html);
        StyledText t;
        HtmlText(c.html, TextFormat{}, movie::HtmlReading{c.multiline}, &t);
        EXPECT_TRUE(t.chars == c.chars);
        ASSERT_EQ(t.formatOf.size(), t.chars.size());
        for (uint32_t f : t.formatOf)
            ASSERT_LT(f, t.formats.size());
    }
}

TEST(HtmlText, GivesEachCharacterItsTagsFormat) {
    StyledText t;
    HtmlText("<p align=\"center\"><font face=\"Verdana\" size=\"20\" color=\"#FF0000\" "
             "letterSpacing=\"2\">R<b>b<i>i</i></b><u>u</u></font>"
             "<font size='+2'>s</font></p><p align='right'><a href='http://x' "
             "target='_blank'>a</a><textformat leading='2' indent='3' leftmargin='4' "
             "rightmargin='5' blockindent='1'>t</textformat></p><li>l</li>",
             TextFormat{}, movie::HtmlReading{}, &t);
    ASSERT_TRUE(t.chars == U"Rbius\nat\nl\n");
    auto at = [&](size_t i) { return t.formats[t.formatOf[i]]; };
    EXPECT_EQ(at(0).font, "Verdana");
    EXPECT_EQ(at(0).size, 400);
    EXPECT_EQ(at(0).color.r, 255);
    EXPECT_EQ(at(0).color.g, 0);
    EXPECT_EQ(at(0).letterSpacing, 40);
    EXPECT_EQ(at(0).align, 2);
    EXPECT_FALSE(at(0).bold);
    EXPECT_TRUE(at(1).bold && !at(1).italic);
    EXPECT_TRUE(at(2).bold && at(2).italic);
    EXPECT_TRUE(at(3).underline && !at(3).bold);
    EXPECT_EQ(at(4).size, TextFormat{}.size + 40);
    EXPECT_EQ(at(6).align, 1);
    EXPECT_EQ(at(6).url, "http://x");
    EXPECT_EQ(at(6).target, "_blank");
    EXPECT_EQ(at(7).url, "");
    EXPECT_EQ(at(7).leading, 40);
    EXPECT_EQ(at(7).indent, 60);
    EXPECT_EQ(at(7).leftMargin, 80);
    EXPECT_EQ(at(7).blockIndent, 20);
    EXPECT_EQ(at(7).rightMargin, 100);
    EXPECT_TRUE(at(9).bullet);
}

TEST(HtmlText, CondensesWhiteSpaceWhenAsked) {
    const HtmlCase cases[] = {
        {"\n \tasdf \t  \n", U"asdf ", false},
        {"test \ntest\n\ntest", U"test test test", false},
        {"\n <p>t\ne s\tt </p> \n", U"t e s t \n", true},
        {"\n <p>t\ne s\tt </p> \n", U"t e s t ", false},
        {"<li>test</li>\n", U"test\n", true},
        {" <b> </b> ", U"", false},
        {"a&nbsp; b", U"a\u00A0 b", false},
    };
    for (const HtmlCase& c : cases) {
        SCOPED_TRACE(c.html);
        StyledText t;
        HtmlText(c.html, TextFormat{}, movie::HtmlReading{c.multiline, true}, &t);
        EXPECT_TRUE(t.chars == c.chars);
    }
}

TEST(HtmlText, ReadsColoursAsFlashDoes) {
    const struct {
        const char* color;
        uint32_t rgb; // 0x123456: the colour outside, kept
    } cases[] = {{"#202020", 0x202020},     {"202020", 0x123456},     {"#2", 0x2},
                 {"#abfg", 0xABF},          {"#23456789a", 0x56789A}, {" #234567", 0x123456},
                 {"#   234567 ", 0x234567}, {"#g1", 0x123456},        {"#", 0x123456}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.color);
        StyledText t;
        HtmlText(std::string("<font color='#123456'><font color='") + c.color + "'>x</font></font>",
                 TextFormat{}, movie::HtmlReading{}, &t);
        ASSERT_EQ(t.chars.size(), 1u);
        const movie::Rgba got = t.formats[t.formatOf[0]].color;
        EXPECT_EQ((uint32_t(got.r) << 16) | (uint32_t(got.g) << 8) | got.b, c.rgb);
    }
}

TEST(HtmlText, OlderMoviesDropBlankTextAndKerning) {
    const struct {
        uint8_t version;
        std::u32string chars;
        bool kerning;
    } cases[] = {{7, U"line 1line 2x", false}, {8, U"line 1 line 2 x", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        movie::HtmlReading how;
        how.multiline = false;
        how.version = c.version;
        StyledText t;
        HtmlText("<p>line 1</p> <p>line 2</p> <font kerning='1'>x</font>", TextFormat{}, how, &t);
        EXPECT_TRUE(t.chars == c.chars);
        ASSERT_FALSE(t.chars.empty());
        EXPECT_EQ(t.formats[t.formatOf.back()].kerning, c.kerning);
    }
}

// Markup no author writes: each read and laid out whole, ending cleanly.
TEST(HtmlText, HostileMarkupEndsCleanly) {
    std::string nested;
    for (int i = 0; i < 10000; ++i)
        nested += "<font size='+1' color='#00FF00'>A";
    std::string closed = nested;
    for (int i = 0; i < 10000; ++i)
        closed += "</font>";
    closed += "B";
    const std::string big(1 << 20, 'A');
    std::string spaced;
    for (int i = 0; i < 200000; ++i)
        spaced += "AA ";
    struct Case {
        const char* name;
        std::string html;
        size_t chars;
    };
    const Case cases[] = {
        {"10,000 nested fonts, unclosed", nested, 10000},
        {"10,000 nested fonts, closed", closed, 10001},
        {"1 MB of text", big, size_t(1) << 20},
        {"a megabyte of words", spaced, 600000},
        {"unclosed tags", "<b><i><u><p><font color='#1'>A", 1},
        {"an entity cut short at the end", "A&#x1", 5},
        {"a tag never ended", "A<font face='", 1},
        {"a quote never ended", "<font face='A>B", 1},
    };
    const movie::Movie m = ParseOrFail(FieldMovie(Field("")));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StyledText t;
        HtmlText(c.html, movie::FieldFormat(m, m.editTexts[0]), movie::HtmlReading{}, &t);
        EXPECT_EQ(t.chars.size(), c.chars);
        EXPECT_LE(t.formats.size(), movie::kMaxHtmlNesting * 2 + 2);
        for (bool wrap : {false, true}) {
            movie::EditText field = m.editTexts[0];
            field.wordWrap = wrap;
            movie::DeviceGlyphCache cache;
            movie::TextPicture p;
            movie::LayoutStyledText(m, field, t, cache, &p);
            // Only what the field's box can show is placed.
            EXPECT_LE(p.glyphs.size(), 400u);
        }
    }
}

TEST(EditTextDrawing, PutsGlyphInkWhereTheMetricsSay) {
    for (int version : {2, 3}) {
        SCOPED_TRACE(version);
        EditTextRecipe r = Field("AB");
        r.color = Rgba8{0, 0, 255, 255};
        // DefineFont3's em is 20 times larger; the layout scales with it.
        Bytes font;
        if (version == 3) {
            FontRecipe f = SquareFont();
            const int32_t em = 20 * kEm;
            ShapeWriter square, bar;
            square.Select(-1, 1, -1).Rectangle(0, -em, em, 0);
            bar.Select(-1, 1, -1).Rectangle(0, -em, em / 4, 0);
            f.glyphs = {square, bar, ShapeWriter{}};
            f.ascent = static_cast<uint16_t>(em);
            f.descent = static_cast<uint16_t>(em / 4);
            f.advances = {static_cast<int16_t>(em), static_cast<int16_t>(em / 4), 0};
            font = DefineFontTag(3, 1, f);
        } else {
            font = DefineFontTag(2, 1, SquareFont());
        }
        const Bytes swf =
            MakeMovie(font + DefineEditTextTag(2, r) + PlaceObject2Tag(At(1, 2)) + ShowFrameTag());
        // Text starts 2 px in: 'A' covers x 102-122, y 52-72; 'B' x 122-127.
        ExpectPixels(RenderFrame(swf), {{102, 52, kBlue},
                                        {121, 71, kBlue},
                                        {101, 60, kWhite},
                                        {110, 51, kWhite},
                                        {110, 73, kWhite},
                                        {123, 60, kBlue},
                                        {126, 71, kBlue},
                                        {128, 60, kWhite}});
    }
}

TEST(EditTextDrawing, ClipsTextToTheFieldsBox) {
    EditTextRecipe r = Field("A\rA");
    r.ymax = r.ymin + 30 * kPx; // the first line's lower part and the second are cut
    r.xmax = r.xmin + 14 * kPx;
    r.color = Rgba8{0, 0, 255, 255};
    ExpectPixels(RenderFrame(FieldMovie(r)), {{103, 55, kBlue},
                                              {113, 79, kBlue},
                                              {113, 81, kWhite},
                                              {115, 60, kWhite},
                                              {120, 60, kWhite},
                                              {103, 90, kWhite}});
}

TEST(EditTextDrawing, BorderAndBackgroundFrameTheBox) {
    EditTextRecipe r = Field("A");
    r.border = true;
    r.color = Rgba8{0, 0, 255, 255};
    const Bytes swf =
        MakeMovie(SetBackgroundColorTag(255, 0, 0) + DefineFontTag(2, 1, SquareFont()) +
                  DefineEditTextTag(2, r) + PlaceObject2Tag(At(1, 2)) + ShowFrameTag());
    const Rgba8 black{0, 0, 0, 255};
    ExpectPixels(RenderFrame(swf), {{200, 50, black},
                                    {100, 100, black},
                                    {200, 150, black},
                                    {300, 100, black},
                                    {200, 100, kWhite},
                                    {110, 60, kBlue},
                                    {200, 160, kRed},
                                    {90, 100, kRed}});
}

TEST(DeviceFonts, DrawInkWhereTheFaceMetricsSay) {
    const movie::DeviceFace* face = movie::FindDeviceFace(movie::DeviceFamily::Sans);
    ASSERT_NE(face, nullptr) << "the DejaVu fonts are copied beside the tests";
    ASSERT_NE(movie::FindDeviceFace(movie::DeviceFamily::Serif), nullptr);
    ASSERT_NE(movie::FindDeviceFace(movie::DeviceFamily::Typewriter), nullptr);
    EXPECT_GT(face->ascent, 0.8 * movie::kDeviceEm);
    EXPECT_GT(face->descent, 0.1 * movie::kDeviceEm);
    movie::Shape glyph;
    double advance = 0;
    ASSERT_TRUE(face->Outline('I', &glyph, &advance));
    int32_t x0 = INT32_MAX, y0 = INT32_MAX, x1 = INT32_MIN, y1 = INT32_MIN;
    for (const movie::Edge& e : glyph.edges) {
        x0 = std::min({x0, e.x0, e.x1});
        x1 = std::max({x1, e.x0, e.x1});
        y0 = std::min({y0, e.y0, e.y1});
        y1 = std::max({y1, e.y0, e.y1});
    }
    // 'I' is one upright bar standing on the baseline.
    EXPECT_EQ(y1, 0);
    EXPECT_LT(y0, -0.6 * movie::kDeviceEm);

    // At 100 px (a twip is a pixel's twentieth) the bar's box, in pixels.
    EditTextRecipe r = Field("I");
    r.fontId = -1;
    r.fontClass = "";
    r.useOutlines = false;
    r.xmax = r.xmin + 200 * kPx;
    r.ymax = r.ymin + 200 * kPx;
    const double size = 100;
    const double scale = size / movie::kDeviceEm;
    const Bytes swf =
        MakeMovie(DefineEditTextTag(2, r) + PlaceObject2Tag(At(1, 2)) + ShowFrameTag());
    // No font given: 12 pt, _sans. Draw with a font of the height wanted.
    EditTextRecipe sized = r;
    sized.fontClass = "_sans";
    sized.fontHeight = static_cast<uint16_t>(size * kPx);
    const movie::Canvas c = RenderFrame(
        MakeMovie(DefineEditTextTag(2, sized) + PlaceObject2Tag(At(1, 2)) + ShowFrameTag()));
    const double left = 102 + x0 * scale, right = 102 + x1 * scale;
    const double baseline = 52 + face->ascent * scale, top = baseline + y0 * scale;
    const Rgba8 black{0, 0, 0, 255};
    const int midY = static_cast<int>((top + baseline) / 2);
    const int midX = static_cast<int>((left + right) / 2);
    ExpectPixels(c, {{midX, midY, black},
                     {static_cast<int>(left) - 2, midY, kWhite},
                     {static_cast<int>(right) + 2, midY, kWhite},
                     {midX, static_cast<int>(top) - 2, kWhite},
                     {midX, static_cast<int>(top) + 2, black},
                     {midX, static_cast<int>(baseline) - 2, black},
                     {midX, static_cast<int>(baseline) + 2, kWhite}});
    EXPECT_EQ(ParseOrFail(swf).editTexts.size(), 1u);
}

} // namespace
} // namespace ww::test
