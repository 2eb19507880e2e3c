// A text field's text laid out into glyphs: the field's plain text or its
// HTML subset read into styled characters, broken into lines by its width,
// margins, indent and alignment, each glyph placed in field twips.
#pragma once

#include "movie/device_font.h"
#include "movie/movie.h"

#include <string>
#include <vector>

namespace ww::movie {

// The gap Flash leaves between a field's bounds and its text, each side.
constexpr double kFieldGutter = 40;
// Characters of a field beyond this many are not laid out.
constexpr size_t kMaxFieldCharacters = 1u << 20;
// Nested HTML tags deeper than this keep the format of the one at the limit.
constexpr size_t kMaxHtmlNesting = 256;

// A run's character format and its paragraph's layout, as a script's
// TextFormat holds them; lengths in twips.
struct TextFormat {
    std::string font;
    double size = 240;
    Rgba color{0, 0, 0, 255};
    bool bold = false, italic = false, underline = false;
    std::string url, target;
    double letterSpacing = 0;
    uint8_t align = 0; // 0 left, 1 right, 2 centre, 3 justify
    double leftMargin = 0, rightMargin = 0, indent = 0, leading = 0, blockIndent = 0;
    bool bullet = false, kerning = false;
    std::vector<double> tabStops;
};

// Characters (code points; '\n' ends a paragraph), each with its format.
struct StyledText {
    std::u32string chars;
    std::vector<uint32_t> formatOf;
    std::vector<TextFormat> formats;
};

// Text as UTF-8 (bytes that are not UTF-8 taken as Latin-1), '\r' and
// "\r\n" as '\n', all in one format.
void PlainText(const std::string& text, const TextFormat& format, StyledText* out);
// The HTML subset: <p align>, <br>, <b>, <i>, <u>, <font face size color>,
// <a href target>, <li>, <textformat leading indent leftmargin rightmargin
// blockindent>, the entities &amp; &lt; &gt; &quot; &apos; &nbsp; &#N; and
// &#xN;. Other tags are dropped, their text kept; markup cut short ends
// cleanly. Paragraphs and breaks make lines only in a multiline field;
// condenseWhite makes each run of white space in the markup one space.
struct HtmlReading {
    bool multiline = true;
    bool condenseWhite = false;
    // Movies before SWF 8 drop text that is only white space and have no
    // kerning attribute.
    uint8_t version = 8;
};
void HtmlText(const std::string& html, const TextFormat& format, const HtmlReading& how,
              StyledText* out);

// The format a field's tag gives its text.
TextFormat FieldFormat(const Movie& movie, const EditText& field);

struct PlacedGlyph {
    const Shape* shape; // in its font's em units
    Matrix matrix;      // em units to field twips
    Rgba color;
};

// Where the caret stands before one character: x and the line's top and
// bottom, in field twips.
struct CaretStop {
    double x, top, bottom;
};

struct TextPicture {
    Rect box; // the field's bounds, grown by autoSize
    std::vector<PlacedGlyph> glyphs;
    // A stop before each character laid out and one after the last, for the
    // caret, the selection and clicks.
    std::vector<CaretStop> caretStops;
    std::vector<std::pair<Rect, Rgba>> underlines;
    // Some glyph reaches past the box: drawing clips to it.
    bool overflows = false;
    double textWidth = 0, textHeight = 0;
    // Each line's top and bottom (descent included), from the text's top.
    std::vector<double> lineTops, lineBaselines, lineBottoms;
    bool missingFont = false; // a device font was asked for and none found
};

// Moves the text up so that line scroll (from 1) stands at the top; the
// picture then clips to its box.
void ScrollPicture(int scroll, TextPicture* picture);

// Lays out the field's initial text. An autosized field grows away from
// the side growAlign names (0 left, 1 right, 2 centre), or by its first
// paragraph's alignment when it is -1.
void LayoutEditText(const Movie& movie, const EditText& field, DeviceGlyphCache& cache,
                    TextPicture* out, int growAlign = -1);
// Lays out styled text in a field with the tag's flags and bounds.
void LayoutStyledText(const Movie& movie, const EditText& field, const StyledText& text,
                      DeviceGlyphCache& cache, TextPicture* out, int growAlign = -1);

} // namespace ww::movie
