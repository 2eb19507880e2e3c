#include "movie/text_layout.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace ww::movie {

namespace {

// One code point from UTF-8 at *i; a byte that starts no valid sequence is
// taken as Latin-1, as older movies store their text.
uint32_t NextCodePoint(const std::string& s, size_t* i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(*i);
    size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length > 1 && length <= s.size() - *i) {
        uint32_t code = c & (0x7F >> length);
        bool ok = true;
        for (size_t k = 1; k < length && ok; ++k) {
            ok = (byte(*i + k) & 0xC0) == 0x80;
            code = (code << 6) | (byte(*i + k) & 0x3F);
        }
        if (ok && code >= 0x80 && code <= 0x10FFFF) {
            *i += length;
            return code;
        }
    }
    ++*i;
    return c;
}

// Appends characters in one format, starting a new format entry when it
// changed since the last character.
class StyledWriter {
  public:
    explicit StyledWriter(StyledText* out) : out_(out) {}
    void SetFormat(const TextFormat& f) {
        format_ = f;
        changed_ = true;
    }
    const TextFormat& format() const { return format_; }
    bool Put(uint32_t c) {
        if (out_->chars.size() >= kMaxFieldCharacters)
            return false;
        if (changed_ || out_->formats.empty()) {
            out_->formats.push_back(format_);
            changed_ = false;
        }
        out_->chars.push_back(c);
        out_->formatOf.push_back(static_cast<uint32_t>(out_->formats.size() - 1));
        return true;
    }
    // A character in the format of the one before it.
    bool PutAsBefore(uint32_t c) {
        if (out_->chars.empty())
            return Put(c);
        if (out_->chars.size() >= kMaxFieldCharacters)
            return false;
        out_->chars.push_back(c);
        out_->formatOf.push_back(out_->formatOf.back());
        return true;
    }
    bool EndsLine() const { return out_->chars.empty() || out_->chars.back() == '\n'; }
    bool EndsSpace() const { return !out_->chars.empty() && out_->chars.back() == ' '; }

  private:
    StyledText* out_;
    TextFormat format_;
    bool changed_ = true;
};

// Appends text, '\r', "\r\n" and '\n' each as one '\n'.
void PutText(const std::string& s, size_t begin, size_t end, StyledWriter& w) {
    for (size_t i = begin; i < end;) {
        uint32_t c = NextCodePoint(s, &i);
        if (c == '\r') {
            if (i < end && s[i] == '\n')
                ++i;
            c = '\n';
        }
        if (!w.Put(c))
            return;
    }
}

// Markup text with white space condensed: each run of spaces, tabs and line
// ends one space, none at the start of a line.
void PutCondensed(const std::string& s, size_t begin, size_t end, StyledWriter& w) {
    for (size_t i = begin; i < end;) {
        const uint32_t c = NextCodePoint(s, &i);
        const bool white = c == ' ' || c == '\t' || c == '\n' || c == '\r';
        if (white && (w.EndsLine() || w.EndsSpace()))
            continue;
        if (!w.Put(white ? ' ' : c))
            return;
    }
}

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The code point of an entity's name (between '&' and ';'); 0 for none.
uint32_t EntityCode(const std::string& name) {
    static const struct {
        const char* name;
        uint32_t code;
    } kNamed[] = {{"amp", '&'},  {"lt", '<'},    {"gt", '>'},
                  {"quot", '"'}, {"apos", '\''}, {"nbsp", 0xA0}};
    for (const auto& e : kNamed) {
        if (name == e.name)
            return e.code;
    }
    if (name.size() < 2 || name[0] != '#')
        return 0;
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const std::string digits = name.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8)
        return 0;
    for (char c : digits) {
        if (!(hex ? std::isxdigit(static_cast<unsigned char>(c))
                  : std::isdigit(static_cast<unsigned char>(c))))
            return 0;
    }
    const unsigned long code = std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10);
    return code > 0 && code <= 0x10FFFF ? static_cast<uint32_t>(code) : 0;
}

struct Tag {
    std::string name; // lower case
    bool closing = false;
    std::vector<std::pair<std::string, std::string>> attributes; // names lower case

    const std::string* Attribute(const char* key) const {
        for (const auto& a : attributes) {
            if (a.first == key)
                return &a.second;
        }
        return nullptr;
    }
};

// The tag between '<' and '>' (both excluded).
Tag ReadTag(const std::string& s, size_t begin, size_t end) {
    Tag tag;
    size_t i = begin;
    auto space = [&](size_t k) { return std::isspace(static_cast<unsigned char>(s[k])) != 0; };
    while (i < end && space(i))
        ++i;
    if (i < end && s[i] == '/') {
        tag.closing = true;
        ++i;
    }
    const size_t nameStart = i;
    while (i < end && !space(i) && s[i] != '/')
        ++i;
    tag.name = Lower(s.substr(nameStart, i - nameStart));
    while (i < end) {
        while (i < end && (space(i) || s[i] == '/'))
            ++i;
        const size_t keyStart = i;
        while (i < end && !space(i) && s[i] != '=' && s[i] != '/')
            ++i;
        std::string key = Lower(s.substr(keyStart, i - keyStart));
        while (i < end && space(i))
            ++i;
        std::string value;
        if (i < end && s[i] == '=') {
            ++i;
            while (i < end && space(i))
                ++i;
            if (i < end && (s[i] == '"' || s[i] == '\'')) {
                const char quote = s[i++];
                const size_t valueStart = i;
                while (i < end && s[i] != quote)
                    ++i;
                value = s.substr(valueStart, i - valueStart);
                if (i < end)
                    ++i;
            } else {
                const size_t valueStart = i;
                while (i < end && !space(i))
                    ++i;
                value = s.substr(valueStart, i - valueStart);
            }
        }
        if (!key.empty())
            tag.attributes.emplace_back(std::move(key), std::move(value));
        else if (i < end && keyStart == i)
            ++i;
    }
    return tag;
}

bool ParseNumber(const std::string& text, double* value) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

// "#RRGGBB": white space may follow the '#', the hex digits end at the
// first other character and the last six count; no digit, no colour.
bool ParseColor(const std::string& text, Rgba* color) {
    if (text.empty() || text[0] != '#')
        return false;
    size_t i = text.find_first_not_of(" \t", 1);
    uint32_t v = 0;
    size_t digits = 0;
    for (; i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])); ++i, ++digits) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
        v = ((v << 4) | static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10)) & 0xFFFFFF;
    }
    if (digits == 0)
        return false;
    *color = Rgba{uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v), color->a};
    return true;
}

// A tag's change to the format; false for a tag that changes none.
bool ApplyTag(const Tag& tag, uint8_t version, TextFormat* f) {
    double v = 0;
    if (tag.name == "b") {
        f->bold = true;
    } else if (tag.name == "i") {
        f->italic = true;
    } else if (tag.name == "u") {
        f->underline = true;
    } else if (tag.name == "p") {
        if (const std::string* a = tag.Attribute("align")) {
            const std::string align = Lower(*a);
            f->align = align == "right" ? 1 : align == "center" ? 2 : align == "justify" ? 3 : 0;
        }
    } else if (tag.name == "li") {
        f->bullet = true;
    } else if (tag.name == "a") {
        if (const std::string* a = tag.Attribute("href"))
            f->url = *a;
        if (const std::string* a = tag.Attribute("target"))
            f->target = *a;
    } else if (tag.name == "font") {
        if (const std::string* a = tag.Attribute("face"))
            f->font = *a;
        if (const std::string* a = tag.Attribute("size"); a && ParseNumber(*a, &v)) {
            // "+2" and "-2" change the size, in points as pixels.
            const double size = (*a)[0] == '+' || (*a)[0] == '-' ? f->size + v * 20 : v * 20;
            f->size = std::clamp(size, 20.0, 2000.0 * 20);
        }
        if (const std::string* a = tag.Attribute("color"))
            ParseColor(*a, &f->color);
        if (const std::string* a = tag.Attribute("letterspacing"); a && ParseNumber(*a, &v))
            f->letterSpacing = std::clamp(v, -1000.0, 1000.0) * 20;
        if (const std::string* a = tag.Attribute("kerning");
            a && version >= 8 && ParseNumber(*a, &v))
            f->kerning = v != 0;
    } else if (tag.name == "textformat") {
        auto twips = [&](const char* key, double* out) {
            if (const std::string* a = tag.Attribute(key); a && ParseNumber(*a, &v))
                *out = std::clamp(v, -10000.0, 10000.0) * 20;
        };
        twips("leading", &f->leading);
        twips("indent", &f->indent);
        twips("leftmargin", &f->leftMargin);
        twips("rightmargin", &f->rightMargin);
        twips("blockindent", &f->blockIndent);
    } else {
        return false;
    }
    return true;
}

} // namespace

void PlainText(const std::string& text, const TextFormat& format, StyledText* out) {
    *out = StyledText{};
    StyledWriter w(out);
    w.SetFormat(format);
    PutText(text, 0, text.size(), w);
}

void HtmlText(const std::string& html, const TextFormat& format, const HtmlReading& how,
              StyledText* out) {
    *out = StyledText{};
    StyledWriter w(out);
    w.SetFormat(format);
    std::vector<std::pair<std::string, TextFormat>> open;
    size_t i = 0;
    const size_t n = html.size();
    while (i < n && out->chars.size() < kMaxFieldCharacters) {
        if (html[i] == '<') {
            const size_t close = html.find('>', i + 1);
            if (close == std::string::npos)
                break; // a tag cut short ends the text
            const Tag tag = ReadTag(html, i + 1, close);
            i = close + 1;
            // Paragraph ends and breaks are lines only in a multiline field.
            // A paragraph's end takes its last character's format, a list
            // item's end the item's; an item starts a line of its own. Only
            // the outermost of nested paragraphs ends a line.
            if (tag.closing) {
                const bool outermost = std::count_if(open.begin(), open.end(), [](const auto& t) {
                                           return t.first == "p";
                                       }) == 1;
                if (how.multiline && tag.name == "p" && outermost && !w.EndsLine())
                    w.PutAsBefore('\n');
                else if (how.multiline && tag.name == "p" && outermost)
                    w.Put('\n');
                else if (how.multiline && tag.name == "li")
                    w.Put('\n');
                for (size_t k = open.size(); k-- > 0;) {
                    if (open[k].first != tag.name)
                        continue;
                    w.SetFormat(open[k].second);
                    open.resize(k);
                    break;
                }
                continue;
            }
            if (tag.name == "br") {
                if (how.multiline)
                    w.Put('\n');
                continue;
            }
            if (tag.name == "li" && how.multiline && !w.EndsLine())
                w.Put('\n');
            TextFormat changed = w.format();
            if (open.size() < kMaxHtmlNesting && ApplyTag(tag, how.version, &changed)) {
                open.emplace_back(tag.name, w.format());
                w.SetFormat(changed);
            }
            continue;
        }
        if (html[i] == '&') {
            const size_t semi = html.find(';', i + 1);
            if (semi != std::string::npos && semi - i <= 10) {
                const uint32_t code = EntityCode(Lower(html.substr(i + 1, semi - i - 1)));
                if (code != 0) {
                    w.Put(code);
                    i = semi + 1;
                    continue;
                }
            }
            // An entity unknown or cut short stands for itself.
            w.Put('&');
            ++i;
            continue;
        }
        size_t next = html.find_first_of("<&", i);
        if (next == std::string::npos)
            next = n;
        const bool blank = html.find_first_not_of(" \t\r\n", i) >= next;
        if (how.condenseWhite)
            PutCondensed(html, i, next, w);
        else if (!(blank && how.version < 8))
            PutText(html, i, next, w);
        i = next;
    }
}

TextFormat FieldFormat(const Movie& movie, const EditText& field) {
    TextFormat f;
    f.size = field.fontHeight;
    f.color = field.color;
    f.align = field.align;
    f.leftMargin = field.leftMargin;
    f.rightMargin = field.rightMargin;
    f.indent = field.indent;
    f.leading = field.leading;
    // A field naming no font shows the player's default, as scripts read it.
    f.font = field.fontClass.empty() ? "Times New Roman" : field.fontClass;
    const CharacterRef* ref = field.hasFont ? movie.Find(field.fontId) : nullptr;
    if (ref && ref->kind == CharacterKind::Font) {
        const Font& font = movie.fonts[ref->index];
        if (!font.name.empty())
            f.font = font.name;
        f.bold = font.bold;
        f.italic = font.italic;
    }
    return f;
}

namespace {

// The font a format's characters are drawn in: an embedded font's glyphs
// or a device face's outlines.
struct RunFont {
    const Font* embedded = nullptr;
    const DeviceFace* device = nullptr;
    double em = kDeviceEm;
    double ascent = 0, descent = 0; // em units
};

bool Usable(const Font& font) {
    return !font.glyphOfCode.empty();
}

const Font* FieldFont(const Movie& movie, const EditText& field) {
    const CharacterRef* ref = field.hasFont ? movie.Find(field.fontId) : nullptr;
    if (!ref || ref->kind != CharacterKind::Font)
        return nullptr;
    return &movie.fonts[ref->index];
}

RunFont Resolve(const Movie& movie, const EditText& field, const TextFormat& f) {
    RunFont rf;
    if (field.useOutlines) {
        const Font* chosen = FieldFont(movie, field);
        const bool styleMatches = chosen && chosen->bold == f.bold && chosen->italic == f.italic;
        if (!chosen || !Usable(*chosen) || chosen->name != f.font || !styleMatches) {
            // Another embedded font of the face named, the style matching
            // where one does: a bold run takes the bold font's glyphs.
            const Font* byName = nullptr;
            for (const Font& font : movie.fonts) {
                if (font.name != f.font || !Usable(font))
                    continue;
                const bool exact = font.bold == f.bold && font.italic == f.italic;
                if (!byName || (exact && !(byName->bold == f.bold && byName->italic == f.italic)))
                    byName = &font;
            }
            const bool byNameExact = byName && byName->bold == f.bold && byName->italic == f.italic;
            if (byName && (!chosen || !Usable(*chosen) || chosen->name != f.font ||
                           (!styleMatches && byNameExact)))
                chosen = byName;
        }
        if (chosen && Usable(*chosen)) {
            rf.embedded = chosen;
            rf.em = chosen->emSquare;
            if (chosen->hasLayout) {
                rf.ascent = chosen->ascent;
                rf.descent = chosen->descent;
            } else {
                rf.ascent = chosen->emSquare * 0.8;
                rf.descent = chosen->emSquare * 0.2;
            }
            return rf;
        }
    }
    rf.device = FindDeviceFace(DeviceFamilyOf(f.font));
    if (rf.device) {
        rf.ascent = rf.device->ascent;
        rf.descent = rf.device->descent;
    }
    return rf;
}

// A glyph of an embedded font: its shape and advance in em units.
const Shape* EmbeddedGlyph(const Font& font, uint32_t code, double* advance) {
    *advance = 0;
    if (code > 0xFFFF)
        return nullptr;
    const auto it = font.glyphOfCode.find(static_cast<uint16_t>(code));
    if (it == font.glyphOfCode.end() || it->second >= font.glyphs.size())
        return nullptr;
    const uint32_t index = it->second;
    const Shape& glyph = font.glyphs[index];
    if (font.hasLayout && index < font.advances.size()) {
        *advance = font.advances[index];
    } else {
        // No layout: the glyph's right edge and a little room.
        int32_t right = 0;
        for (const Edge& e : glyph.edges)
            right = std::max({right, e.x0, e.x1});
        *advance = right + font.emSquare / 20;
    }
    return &glyph;
}

struct Item {
    uint32_t code;
    uint32_t format;
    const Shape* shape;
    double advance; // twips, letter spacing included
};

struct Line {
    size_t begin, end; // items; end excludes trailing spaces and the break
    double width, ascent, descent;
    bool first, last; // of its paragraph
    const TextFormat* para;
};

class Layout {
  public:
    Layout(const Movie& movie, const EditText& field, const StyledText& text,
           DeviceGlyphCache& cache, int growAlign)
        : movie_(movie), field_(field), text_(text), cache_(cache), growAlign_(growAlign) {}

    void Run(TextPicture* out);

  private:
    void ShapeItems();
    void BreakLines();
    void Place(const Rect& box, TextPicture* out);
    // The caret stops of line li, starting at x: its characters, the spaces
    // and break after it, and the end of the text after the last line.
    void StopsOfLine(size_t li, double x, double extraPerSpace, double top, double bottom,
                     TextPicture* out) const;
    double Available(const Line& line, const Rect& box) const;

    const Movie& movie_;
    const EditText& field_;
    const StyledText& text_;
    DeviceGlyphCache& cache_;
    int growAlign_;
    std::vector<RunFont> fonts_;
    std::vector<Item> items_;
    std::vector<Line> lines_;
    bool missingFont_ = false;
    // The paragraph format of a field with no text at all; lines point at it.
    TextFormat emptyFormat_;
};

void Layout::ShapeItems() {
    fonts_.clear();
    for (const TextFormat& f : text_.formats) {
        fonts_.push_back(Resolve(movie_, field_, f));
        if (!fonts_.back().embedded && !fonts_.back().device)
            missingFont_ = true;
    }
    const size_t count = std::min(text_.chars.size(), kMaxFieldCharacters);
    items_.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        Item item{text_.chars[i], text_.formatOf[i], nullptr, 0};
        const TextFormat& f = text_.formats[item.format];
        const RunFont& rf = fonts_[item.format];
        if (item.code != '\n') {
            const uint32_t code = field_.password ? '*' : item.code == 0xA0 ? ' ' : item.code;
            double advance = 0;
            if (rf.embedded)
                item.shape = EmbeddedGlyph(*rf.embedded, code, &advance);
            else if (rf.device)
                item.shape = cache_.Glyph(rf.device, code, &advance);
            // Flash places glyphs on whole twips, each advance cut down.
            item.advance = std::floor(advance * f.size / rf.em + 1e-6) + f.letterSpacing;
        }
        items_.push_back(item);
    }
}

double Layout::Available(const Line& line, const Rect& box) const {
    const TextFormat& p = *line.para;
    return (box.xmax - box.xmin) - 2 * kFieldGutter - p.leftMargin - p.blockIndent - p.rightMargin -
           (line.first ? p.indent : 0) - (p.bullet ? p.size : 0);
}

bool IsSpace(uint32_t c) {
    return c == ' ' || c == '\t';
}

// Lines by the field's own width (autoSize fields grow only in height when
// they wrap, so the width holds).
void Layout::BreakLines() {
    lines_.clear();
    size_t i = 0;
    const size_t n = items_.size();
    while (true) {
        // One paragraph: items up to a '\n' or the end.
        size_t end = i;
        while (end < n && items_[end].code != '\n')
            ++end;
        const uint32_t pf = i < n ? items_[i].format : (n > 0 ? items_[n - 1].format : 0);
        const TextFormat* para = text_.formats.empty() ? &emptyFormat_ : &text_.formats[pf];
        bool first = true;
        size_t start = i;
        do {
            Line line{start, start, 0, 0, 0, first, false, para};
            const double avail = Available(line, field_.bounds);
            double width = 0;
            size_t k = start, breakAt = start;
            for (; k < end; ++k) {
                if (field_.wordWrap && k > start && width + items_[k].advance > avail &&
                    !IsSpace(items_[k].code)) {
                    break;
                }
                width += items_[k].advance;
                if (IsSpace(items_[k].code))
                    breakAt = k + 1;
            }
            size_t next = k;
            if (k < end && breakAt > start)
                next = breakAt; // at the last space; else inside a word too long
            line.end = next;
            // Spaces that start the next line after a break are dropped.
            size_t after = next;
            while (after < end && after != start && IsSpace(items_[after].code) && k < end)
                ++after;
            line.last = after >= end;
            // Trailing spaces take room on a left-aligned line and at the end
            // of a paragraph; a centred or right-aligned line broken at a
            // space stands without it.
            if (!(para->align == 0 || line.last)) {
                while (line.end > start && IsSpace(items_[line.end - 1].code))
                    --line.end;
            }
            next = after;
            lines_.push_back(line);
            start = next;
            first = false;
        } while (start < end);
        if (end >= n)
            break;
        i = end + 1;
    }
    // Widths and heights, the paragraph's format standing in for an empty line.
    for (Line& line : lines_) {
        line.width = 0;
        for (size_t k = line.begin; k < line.end; ++k) {
            const Item& it = items_[k];
            const RunFont& rf = fonts_[it.format];
            const double scale = text_.formats[it.format].size / rf.em;
            line.width += it.advance;
            // Whole twips, as Flash keeps a font's metrics at a size.
            line.ascent = std::max(line.ascent, std::floor(rf.ascent * scale + 1e-6));
            line.descent = std::max(line.descent, std::floor(rf.descent * scale + 1e-6));
        }
        if (line.begin == line.end && !text_.formats.empty()) {
            const uint32_t f = line.begin < items_.size() ? items_[line.begin].format
                               : items_.empty()           ? 0
                                                          : items_.back().format;
            const double scale = text_.formats[f].size / fonts_[f].em;
            line.ascent = std::floor(fonts_[f].ascent * scale + 1e-6);
            line.descent = std::floor(fonts_[f].descent * scale + 1e-6);
        }
    }
}

void Layout::StopsOfLine(size_t li, double x, double extraPerSpace, double top, double bottom,
                         TextPicture* out) const {
    const Line& line = lines_[li];
    const size_t to = li + 1 < lines_.size() ? lines_[li + 1].begin : items_.size() + 1;
    for (size_t k = line.begin; k < to && k < out->caretStops.size(); ++k) {
        out->caretStops[k] = CaretStop{x, top, bottom};
        // Past the line's end the trailing spaces still move the caret on.
        if (k < items_.size() && items_[k].code != '\n')
            x += items_[k].advance + (IsSpace(items_[k].code) ? extraPerSpace : 0);
    }
}

void Layout::Place(const Rect& box, TextPicture* out) {
    out->glyphs.clear();
    out->underlines.clear();
    out->caretStops.assign(
        items_.size() + 1,
        CaretStop{box.xmin + kFieldGutter, box.ymin + kFieldGutter, box.ymin + kFieldGutter});
    out->lineTops.clear();
    out->lineBaselines.clear();
    out->lineBottoms.clear();
    out->overflows = false;
    double baseline = box.ymin + kFieldGutter;
    double previousDescent = 0, previousLeading = 0;
    double widest = 0, bottom = box.ymin + kFieldGutter;
    const bool clipLines = !field_.autoSize;
    for (size_t li = 0; li < lines_.size(); ++li) {
        const Line& line = lines_[li];
        const TextFormat& p = *line.para;
        baseline += (li == 0 ? 0 : previousDescent + previousLeading) + line.ascent;
        previousDescent = line.descent;
        previousLeading = p.leading;
        bottom = baseline + line.descent;
        out->lineTops.push_back(baseline - line.ascent - (box.ymin + kFieldGutter));
        out->lineBaselines.push_back(baseline - (box.ymin + kFieldGutter));
        out->lineBottoms.push_back(bottom - (box.ymin + kFieldGutter));
        const double avail = Available(line, box);
        widest = std::max(widest, line.width + p.leftMargin + p.blockIndent + p.rightMargin +
                                      (line.first ? p.indent : 0) + (p.bullet ? p.size : 0));
        double x = box.xmin + kFieldGutter + p.leftMargin + p.blockIndent +
                   (line.first ? p.indent : 0) + (p.bullet ? p.size : 0);
        double extraPerSpace = 0;
        const double slack = avail - line.width;
        if (p.align == 1)
            x += slack;
        else if (p.align == 2)
            x += slack / 2;
        else if (p.align == 3 && !line.last && slack > 0) {
            size_t spaces = 0;
            for (size_t k = line.begin; k < line.end; ++k)
                spaces += IsSpace(items_[k].code);
            if (spaces > 0)
                extraPerSpace = slack / spaces;
        }
        StopsOfLine(li, x, extraPerSpace, baseline - line.ascent, baseline + line.descent, out);
        if (clipLines && baseline - line.ascent > box.ymax)
            continue; // below the field: nothing to see
        const double lineStart = x;
        if (p.bullet && line.first && line.begin < line.end) {
            const Item& it = items_[line.begin];
            const RunFont& rf = fonts_[it.format];
            double advance = 0;
            const Shape* dot = rf.embedded ? EmbeddedGlyph(*rf.embedded, 0x2022, &advance)
                               : rf.device ? cache_.Glyph(rf.device, 0x2022, &advance)
                                           : nullptr;
            const double scale = text_.formats[it.format].size / rf.em;
            if (dot)
                out->glyphs.push_back(
                    PlacedGlyph{dot, Matrix{scale, 0, 0, scale, x - p.size * 0.75, baseline},
                                text_.formats[it.format].color});
        }
        for (size_t k = line.begin; k < line.end; ++k) {
            const Item& it = items_[k];
            const TextFormat& f = text_.formats[it.format];
            if (x > box.xmax && clipLines) {
                out->overflows = true;
                break; // the rest of the line lies past the field's right edge
            }
            const double scale = f.size / fonts_[it.format].em;
            if (it.shape && !it.shape->edges.empty())
                out->glyphs.push_back(
                    PlacedGlyph{it.shape, Matrix{scale, 0, 0, scale, x, baseline}, f.color});
            if (f.underline && it.advance > 0) {
                const double thickness = std::max(20.0, f.size / 16);
                const double top = baseline + std::max(20.0, f.size / 12);
                Rect r;
                r.xmin = static_cast<int32_t>(std::floor(x));
                r.xmax = static_cast<int32_t>(std::ceil(x + it.advance));
                r.ymin = static_cast<int32_t>(std::floor(top));
                r.ymax = static_cast<int32_t>(std::ceil(top + thickness));
                out->underlines.emplace_back(r, f.color);
            }
            x += it.advance + (IsSpace(it.code) ? extraPerSpace : 0);
        }
        if (lineStart < box.xmin || x > box.xmax || baseline + line.descent > box.ymax)
            out->overflows = true;
    }
    out->textWidth = widest;
    out->textHeight = lines_.empty() ? 0 : bottom - (box.ymin + kFieldGutter);
    // Leading goes between lines, and under a line that stands alone.
    if (lines_.size() == 1)
        out->textHeight += previousLeading;
}

void Layout::Run(TextPicture* out) {
    ShapeItems();
    BreakLines();
    out->missingFont = missingFont_;
    Rect box = field_.bounds;
    if (field_.autoSize) {
        // Measure, then grow the box as the alignment says, then place.
        Place(box, out);
        const double height = out->textHeight + 2 * kFieldGutter;
        box.ymax = box.ymin + static_cast<int32_t>(std::ceil(height));
        if (!field_.wordWrap) {
            const int32_t width =
                static_cast<int32_t>(std::ceil(out->textWidth + 2 * kFieldGutter));
            const int32_t grow = width - (box.xmax - box.xmin);
            const int align = growAlign_ >= 0  ? growAlign_
                              : lines_.empty() ? 0
                                               : lines_[0].para->align;
            if (align == 1)
                box.xmin -= grow;
            else if (align == 2) {
                box.xmin -= grow / 2;
                box.xmax = box.xmin + width;
            } else
                box.xmax = box.xmin + width;
        }
    }
    out->box = box;
    Place(box, out);
}

} // namespace

void LayoutStyledText(const Movie& movie, const EditText& field, const StyledText& text,
                      DeviceGlyphCache& cache, TextPicture* out, int growAlign) {
    Layout(movie, field, text, cache, growAlign).Run(out);
}

void LayoutEditText(const Movie& movie, const EditText& field, DeviceGlyphCache& cache,
                    TextPicture* out, int growAlign) {
    StyledText text;
    TextFormat format = FieldFormat(movie, field);
    if (field.html) {
        // The markup says which runs are bold or italic, whatever the style
        // of the font the tag names.
        format.bold = format.italic = false;
        HtmlReading how;
        how.multiline = field.multiline;
        how.version = movie.version;
        HtmlText(field.text, format, how, &text);
    } else {
        PlainText(field.text, format, &text);
    }
    LayoutStyledText(movie, field, text, cache, out, growAlign);
}

void ScrollPicture(int scroll, TextPicture* picture) {
    if (scroll <= 1 || picture->glyphs.empty())
        return;
    // The lines' baselines, top down; glyphs of one line share theirs.
    std::vector<double> baselines;
    for (const PlacedGlyph& g : picture->glyphs)
        baselines.push_back(g.matrix.ty);
    std::sort(baselines.begin(), baselines.end());
    baselines.erase(std::unique(baselines.begin(), baselines.end(),
                                [](double a, double b) { return std::fabs(a - b) < 1; }),
                    baselines.end());
    const size_t line = std::min<size_t>(static_cast<size_t>(scroll - 1), baselines.size() - 1);
    const double shift = baselines[line] - baselines[0];
    for (PlacedGlyph& g : picture->glyphs)
        g.matrix.ty -= shift;
    for (CaretStop& c : picture->caretStops) {
        c.top -= shift;
        c.bottom -= shift;
    }
    for (auto& u : picture->underlines) {
        u.first.ymin -= static_cast<int32_t>(shift);
        u.first.ymax -= static_cast<int32_t>(shift);
    }
    picture->overflows = true;
}

} // namespace ww::movie
