// Editing the text of an input field: characters typed at the caret over
// the selection, the editing commands, and the field's rules (restrict,
// maxChars, password, multiline). The buffer works on characters; the
// field's glue in text_input.cpp reads and writes the field around it.
#pragma once

#include "movie/instance.h"
#include "movie/keyboard.h"
#include "movie/text_layout.h"

#include <cstddef>
#include <string>
#include <vector>

namespace ww::movie {

struct EditBuffer {
    std::u32string text;
    size_t anchor = 0, caret = 0; // the selection runs between them
};

struct EditRules {
    bool restricted = false;
    std::u32string allowed; // restrict's pattern when restricted
    size_t maxChars = 0;    // 0: no limit
    bool password = false;  // copy and cut refused
    bool multiline = false;
};

// The character restrict lets in for c: c itself, c in the other case when
// only that is allowed, or 0 when refused. The pattern lists characters and
// ranges (a-z); ^ turns what follows into exclusions and back; \ escapes.
char32_t RestrictCharacter(const std::u32string& pattern, char32_t c);
// Types text over the selection; false when nothing changed.
bool TypeText(EditBuffer& b, const std::u32string& text, const EditRules& rules);
// An editing command; clipboard is read by Paste and written by Copy and
// Cut. False when the text did not change (the selection may have).
bool ApplyEdit(EditBuffer& b, TextCommand command, std::u32string* clipboard,
               const EditRules& rules);

// The caret and the selection on a field's layout (caretStops), in field
// twips. A layout that does not reach index (text past the field's limit)
// stands it at its last stop.
//
// The field laid out as it is drawn, scrolled to its scroll line.
void LayoutShownField(const Movie& movie, const FieldState& f, DeviceGlyphCache& cache,
                      TextPicture* out);
// The character boundary nearest a point: the line under it (the first or
// the last when above or below them all), then the stop nearest along it.
size_t CaretAtPoint(const TextPicture& picture, double x, double y);
// The caret before character index: a line from the top of its line to the
// bottom; false when the layout has no stops.
bool CaretLine(const TextPicture& picture, size_t index, double* x, double* top, double* bottom);
// The boxes the selection from..to covers, one a line.
std::vector<Rect> SelectionBoxes(const TextPicture& picture, size_t from, size_t to);

std::u32string Utf8ToChars(const std::string& text);
std::string CharsToUtf8(const std::u32string& chars);

} // namespace ww::movie
