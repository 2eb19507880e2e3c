// Text fields as scripts see them: TextField objects whose properties read
// and write the field's state, TextFormat, createTextField, and fields bound
// to variables showing the variables' values frame by frame.
#include "movie/avm1/builtins_util.h"
#include "movie/avm1/clip.h"
#include "movie/avm1/convert.h"
#include "movie/avm1/host.h"
#include "movie/avm1/instances.h"
#include "movie/focus.h"
#include "movie/text_input.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace ww::movie::avm1 {

namespace {

constexpr int kScriptDepthBase = 16384;

InstanceState* StateOf(const Value& self) {
    return self.type == Type::Object ? self.o->instance : nullptr;
}

FieldState* FieldOfSelf(const Value& self) {
    InstanceState* s = StateOf(self);
    return s && s->Owner() ? s->field.get() : nullptr;
}

std::string Utf8(const std::u32string& chars, char32_t lineEnd = '\r') {
    std::string out;
    for (char32_t c : chars) {
        if (c == '\n')
            c = lineEnd; // fields end paragraphs in a carriage return
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

HtmlReading Reading(const FieldState& f) {
    HtmlReading how;
    how.multiline = f.edit.multiline;
    how.condenseWhite = f.condenseWhite;
    how.version = f.swfVersion;
    return how;
}

// The field's characters with their formats, whatever form it holds them in.
void Styled(const FieldState& f, StyledText* out) {
    if (f.styled) {
        *out = f.styledText;
        return;
    }
    TextFormat format = f.newFormat;
    if (f.edit.html) {
        format.bold = format.italic = false;
        HtmlText(f.edit.text, format, Reading(f), out);
    } else {
        PlainText(f.edit.text, format, out);
    }
}

uint32_t PackRgb(Rgba c) {
    return (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
}

std::string EscapeHtml(const std::string& s) {
    std::string out;
    AppendEscaped(s, false, &out);
    return out;
}

// The HTML Flash gives back for a field's text: each paragraph a P (or an LI
// for a bullet) in a TEXTFORMAT when its layout is not the default, a FONT
// with every attribute, nested FONTs with only what changes, then A, B, I, U.
std::string PixelsText(double twips) {
    return NumberToString(std::round(twips / kTwipsPerPixel * 100) / 100);
}

std::string FontAttributes(const TextFormat& f, const TextFormat* outer) {
    std::string out;
    char color[8];
    std::snprintf(color, sizeof color, "#%02X%02X%02X", f.color.r, f.color.g, f.color.b);
    if (!outer || outer->font != f.font)
        out += " FACE=\"" + EscapeHtml(f.font) + "\"";
    if (!outer || outer->size != f.size)
        out += " SIZE=\"" + PixelsText(f.size) + "\"";
    if (!outer || PackRgb(outer->color) != PackRgb(f.color))
        out += std::string(" COLOR=\"") + color + "\"";
    if (!outer || outer->letterSpacing != f.letterSpacing)
        out += " LETTERSPACING=\"" + PixelsText(f.letterSpacing) + "\"";
    if (!outer || outer->kerning != f.kerning)
        out += std::string(" KERNING=\"") + (f.kerning ? "1" : "0") + "\"";
    return out;
}

std::string ParagraphAttributes(const TextFormat& p) {
    std::string out;
    const std::pair<const char*, double> values[] = {{"LEFTMARGIN", p.leftMargin},
                                                     {"RIGHTMARGIN", p.rightMargin},
                                                     {"INDENT", p.indent},
                                                     {"LEADING", p.leading},
                                                     {"BLOCKINDENT", p.blockIndent}};
    for (const auto& v : values) {
        if (v.second != 0)
            out += std::string(" ") + v.first + "=\"" + PixelsText(v.second) + "\"";
    }
    if (!p.tabStops.empty()) {
        out += " TABSTOPS=\"";
        for (size_t i = 0; i < p.tabStops.size(); ++i)
            out += (i ? "," : "") + PixelsText(p.tabStops[i]);
        out += "\"";
    }
    return out;
}

bool SameFormat(const TextFormat& a, const TextFormat& b) {
    return a.font == b.font && a.size == b.size && PackRgb(a.color) == PackRgb(b.color) &&
           a.bold == b.bold && a.italic == b.italic && a.underline == b.underline &&
           a.url == b.url && a.target == b.target && a.letterSpacing == b.letterSpacing &&
           a.align == b.align && a.leftMargin == b.leftMargin && a.rightMargin == b.rightMargin &&
           a.indent == b.indent && a.leading == b.leading && a.blockIndent == b.blockIndent &&
           a.bullet == b.bullet && a.kerning == b.kerning && a.tabStops == b.tabStops;
}

// The font attributes that FONT tags carry.
bool SameFont(const TextFormat& a, const TextFormat& b) {
    return FontAttributes(a, &b).empty();
}

// One run's text in its A, B, I and U tags; its FONT tags nest as Flash
// nests them: a run whose font matches an open FONT closes those inside it,
// another opens a FONT with what differs from the innermost.
void AppendRun(const TextFormat& f, const std::u32string& text,
               std::vector<const TextFormat*>* fonts, std::string* out) {
    size_t level = fonts->size();
    while (level > 0 && !SameFont(f, *(*fonts)[level - 1]))
        --level;
    if (level > 0) {
        for (size_t k = fonts->size(); k > level; --k)
            *out += "</FONT>";
        fonts->resize(level);
    } else {
        *out += "<FONT" + FontAttributes(f, fonts->back()) + ">";
        fonts->push_back(&f);
    }
    std::string open, close;
    if (!f.url.empty()) {
        open += "<A HREF=\"" + EscapeHtml(f.url) + "\" TARGET=\"" + EscapeHtml(f.target) + "\">";
        close = "</A>" + close;
    }
    const std::pair<bool, const char*> styles[] = {
        {f.bold, "B"}, {f.italic, "I"}, {f.underline, "U"}};
    for (const auto& s : styles) {
        if (s.first) {
            open += std::string("<") + s.second + ">";
            close = std::string("</") + s.second + ">" + close;
        }
    }
    *out += open + EscapeHtml(Utf8(text)) + close;
}

std::string HtmlOf(const StyledText& st, const TextFormat& fallback) {
    std::string out;
    const size_t n = st.chars.size();
    if (n == 0)
        return out; // no text, no paragraph
    auto formatAt = [&](size_t i) -> const TextFormat& {
        if (st.formats.empty())
            return fallback;
        return st.formats[st.formatOf[std::min(i, n - 1)]];
    };
    size_t begin = 0;
    do {
        size_t end = begin;
        while (end < n && st.chars[end] != '\n')
            ++end;
        // The paragraph's format is its first character's, or its end's.
        const TextFormat& para = n == 0 ? fallback : formatAt(begin);
        const std::string layout = ParagraphAttributes(para);
        if (!layout.empty())
            out += "<TEXTFORMAT" + layout + ">";
        static const char* const kAlign[] = {"LEFT", "RIGHT", "CENTER", "JUSTIFY"};
        out += para.bullet ? std::string("<LI>")
                           : std::string("<P ALIGN=\"") + kAlign[para.align & 3] + "\">";
        out += "<FONT" + FontAttributes(para, nullptr) + ">";
        // Runs of one format; the paragraph's end shows its own when it differs.
        std::vector<const TextFormat*> fonts = {&para};
        const size_t last = end < n ? end + 1 : end;
        for (size_t i = begin; i < last;) {
            size_t j = i + 1;
            while (j < last && SameFormat(formatAt(j), formatAt(i)))
                ++j;
            std::u32string text = st.chars.substr(i, std::min(j, end) - i);
            if (!text.empty() || i == end)
                AppendRun(formatAt(i), text, &fonts, &out);
            i = j;
        }
        for (size_t k = 0; k < fonts.size(); ++k)
            out += "</FONT>";
        out += para.bullet ? "</LI>" : "</P>";
        if (!layout.empty())
            out += "</TEXTFORMAT>";
        begin = end + 1;
    } while (begin < n);
    return out;
}

void Changed(FieldState& f) {
    ++f.generation;
}

void SetText(FieldState& f, const std::string& text, bool html) {
    f.edit.text =
        text.size() > kMaxFieldCharacters * 4 ? text.substr(0, kMaxFieldCharacters * 4) : text;
    f.styled = true;
    TextFormat format = f.newFormat;
    if (html) {
        format.bold = format.italic = false;
        HtmlText(f.edit.text, format, Reading(f), &f.styledText);
    } else {
        PlainText(f.edit.text, format, &f.styledText);
    }
    f.edit.html = html;
    Changed(f);
}

std::string PlainOf(const FieldState& f) {
    StyledText st;
    Styled(f, &st);
    return Utf8(st.chars);
}

void Measure(const Movie& movie, const FieldState& f, TextPicture* picture) {
    DeviceGlyphCache cache;
    if (f.styled)
        LayoutStyledText(movie, f.edit, f.styledText, cache, picture, GrowAlign(f.autoSize));
    else
        LayoutEditText(movie, f.edit, cache, picture, GrowAlign(f.autoSize));
}

Rgba UnpackRgb(Vm& vm, const Value& v) {
    const uint32_t rgb = ToUint32(vm.ToNumber(v));
    return Rgba{uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 255};
}

// TextField properties ---------------------------------------------------------

// One property as a getter and a setter over the field's state. Scripts
// enumerate the first ones, newest first; those from minVersion on are plain
// values in older movies.
struct FieldProperty {
    const char* name;
    Value (*get)(Vm& vm, FieldState& f, DisplayObject& o);
    void (*set)(Vm& vm, FieldState& f, DisplayObject& o, const Value& v);
    uint8_t minVersion = 0;
};

const char* const kAutoSizeNames[] = {"none", "left", "center", "right"};
const char* const kGridFitNames[] = {"none", "pixel", "subpixel"};

// The lines a field shows from its scroll position down, and the largest
// scroll position.
struct ScrollLines {
    int lines = 0, bottom = 1, maxScroll = 1;
    double textWidth = 0, boxWidth = 0;
};

ScrollLines MeasureScroll(Vm& vm, const FieldState& f);

double Whole(Vm& vm, const Value& v) {
    const double n = vm.ToNumber(v);
    return std::isfinite(n) ? std::trunc(n) : 0;
}

// Flash reports text sizes in whole pixels, the fraction cut off.
double WholePixels(double twips) {
    return std::floor(twips / kTwipsPerPixel + 1e-9);
}

// The corner of a field's box in its parent, twips.
struct Point {
    double x, y;
};
Point Corner(Vm& vm, const FieldState& f, const DisplayObject& o) {
    Rect box = f.edit.bounds;
    if (f.edit.autoSize) {
        TextPicture p;
        Measure(ScriptHost::Of(vm).movie(), f, &p);
        box = p.box;
    }
    const Matrix& m = o.matrix;
    const double x = box.xmin, y = box.ymin;
    return Point{m.a * x + m.c * y + m.tx, m.b * x + m.d * y + m.ty};
}

const FieldProperty kFieldProperties[] = {
    {"gridFitType",
     [](Vm&, FieldState& f, DisplayObject&) { return Value::Str(kGridFitNames[f.gridFit % 3]); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         const std::string s = vm.ToString(v);
         for (uint8_t k = 0; k < 3; ++k) {
             if (s == kGridFitNames[k])
                 f.gridFit = k;
         }
     },
     8},
    {"antiAliasType",
     [](Vm&, FieldState& f, DisplayObject&) {
         return Value::Str(f.advancedAntiAlias ? "advanced" : "normal");
     },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         const std::string s = vm.ToString(v);
         if (s == "normal" || s == "advanced")
             f.advancedAntiAlias = s == "advanced";
     },
     8},
    {"thickness", [](Vm&, FieldState& f, DisplayObject&) { return Value::Num(f.thickness); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) { f.thickness = vm.ToNumber(v); },
     8},
    {"sharpness", [](Vm&, FieldState& f, DisplayObject&) { return Value::Num(f.sharpness); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) { f.sharpness = vm.ToNumber(v); },
     8},
    {"filters", [](Vm& vm, FieldState&, DisplayObject&) { return Value::Obj(vm.MakeArray()); },
     [](Vm&, FieldState&, DisplayObject&, const Value&) {}, 8},
    {"scroll", [](Vm&, FieldState& f, DisplayObject&) { return Value::Num(f.scroll); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         // Flash counts lines from 0 in 32 bits: the smallest integer wraps
         // round to the largest.
         const uint32_t line = ToUint32(vm.ToNumber(v)) - 1u;
         const int64_t index = static_cast<int32_t>(line);
         const int most = MeasureScroll(vm, f).maxScroll;
         f.scroll = static_cast<int>(std::clamp<int64_t>(index, 0, most - 1)) + 1;
         Changed(f);
     }},
    {"maxscroll",
     [](Vm& vm, FieldState& f, DisplayObject&) {
         return Value::Num(MeasureScroll(vm, f).maxScroll);
     },
     nullptr},
    {"borderColor",
     [](Vm&, FieldState& f, DisplayObject&) { return Value::Num(PackRgb(f.borderColor)); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.borderColor = UnpackRgb(vm, v);
         Changed(f);
     }},
    {"backgroundColor",
     [](Vm&, FieldState& f, DisplayObject&) { return Value::Num(PackRgb(f.backgroundColor)); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.backgroundColor = UnpackRgb(vm, v);
         Changed(f);
     }},
    {"textColor",
     [](Vm&, FieldState& f, DisplayObject&) { return Value::Num(PackRgb(f.newFormat.color)); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         const Rgba c = UnpackRgb(vm, v);
         f.edit.color = c;
         f.newFormat.color = c;
         for (TextFormat& t : f.styledText.formats)
             t.color = c;
         Changed(f);
     }},
    // Focus handling reads it for the Tab order.
    {"tabIndex",
     [](Vm&, FieldState& f, DisplayObject&) {
         return f.tabIndex < 0 ? Value::Undefined() : Value::Num(static_cast<double>(f.tabIndex));
     },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.tabIndex = v.IsUndefined() || v.type == Type::Null ? int64_t{-1}
                                                              : int64_t{ToUint32(vm.ToNumber(v))};
     }},
    {"autoSize",
     [](Vm&, FieldState& f, DisplayObject&) {
         return Value::Str(kAutoSizeNames[static_cast<int>(f.autoSize)]);
     },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         AutoSize a = AutoSize::None;
         if (v.type == Type::Boolean) {
             a = v.b ? AutoSize::Left : AutoSize::None;
         } else {
             std::string s = vm.ToString(v);
             for (char& c : s)
                 c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
             for (int k = 0; k < 4; ++k) {
                 if (s == kAutoSizeNames[k])
                     a = static_cast<AutoSize>(k);
             }
         }
         // The box a field sized itself to stays its box under a new setting.
         if (f.edit.autoSize) {
             TextPicture p;
             Measure(ScriptHost::Of(vm).movie(), f, &p);
             f.edit.bounds = p.box;
         }
         f.autoSize = a;
         f.edit.autoSize = a != AutoSize::None;
         Changed(f);
     }},
    {"text", [](Vm&, FieldState& f, DisplayObject&) { return Value::Str(PlainOf(f)); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         SetText(f, vm.ToString(v), false);
     }},
    {"type",
     [](Vm&, FieldState& f, DisplayObject&) {
         return Value::Str(f.edit.readOnly ? "dynamic" : "input");
     },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         const std::string s = vm.ToString(v);
         if (s == "input" || s == "dynamic")
             f.edit.readOnly = s == "dynamic";
     }},
    {"htmlText",
     [](Vm&, FieldState& f, DisplayObject&) {
         if (!f.edit.html)
             return Value::Str(PlainOf(f));
         StyledText st;
         Styled(f, &st);
         return Value::Str(HtmlOf(st, f.newFormat));
     },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         SetText(f, vm.ToString(v), f.edit.html);
     }},
    {"variable",
     [](Vm&, FieldState& f, DisplayObject&) {
         return f.edit.variableName.empty() ? Value::Null() : Value::Str(f.edit.variableName);
     },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.edit.variableName = v.IsNullish() ? std::string() : vm.ToString(v);
         f.boundSeen = false;
     }},
    {"hscroll", [](Vm&, FieldState& f, DisplayObject&) { return Value::Num(f.hscroll); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         const ScrollLines s = MeasureScroll(vm, f);
         const double most = std::max(0.0, std::round(s.textWidth - s.boxWidth));
         f.hscroll = static_cast<int>(std::clamp(Whole(vm, v), 0.0, most));
         Changed(f);
     }},
    {"maxhscroll",
     [](Vm& vm, FieldState& f, DisplayObject&) {
         const ScrollLines s = MeasureScroll(vm, f);
         return Value::Num(std::max(0.0, std::round(s.textWidth - s.boxWidth)));
     },
     nullptr},
    {"maxChars",
     [](Vm&, FieldState& f, DisplayObject&) {
         return f.edit.maxLength ? Value::Num(f.edit.maxLength) : Value::Null();
     },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         const double n = vm.ToNumber(v);
         f.edit.maxLength = std::isfinite(n) && n > 0 && n < 65536 ? uint16_t(n) : 0;
     }},
    {"embedFonts",
     [](Vm&, FieldState& f, DisplayObject&) { return Value::Bool(f.edit.useOutlines); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.edit.useOutlines = vm.ToBoolean(v);
         Changed(f);
     }},
    {"html", [](Vm&, FieldState& f, DisplayObject&) { return Value::Bool(f.edit.html); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.edit.html = vm.ToBoolean(v);
         Changed(f);
     }},
    {"border", [](Vm&, FieldState& f, DisplayObject&) { return Value::Bool(f.edit.border); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.edit.border = vm.ToBoolean(v);
         Changed(f);
     }},
    {"background", [](Vm&, FieldState& f, DisplayObject&) { return Value::Bool(f.background); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.background = vm.ToBoolean(v);
         Changed(f);
     }},
    {"wordWrap", [](Vm&, FieldState& f, DisplayObject&) { return Value::Bool(f.edit.wordWrap); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.edit.wordWrap = vm.ToBoolean(v);
         Changed(f);
     }},
    {"password", [](Vm&, FieldState& f, DisplayObject&) { return Value::Bool(f.edit.password); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.edit.password = vm.ToBoolean(v);
     }},
    {"multiline", [](Vm&, FieldState& f, DisplayObject&) { return Value::Bool(f.edit.multiline); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.edit.multiline = vm.ToBoolean(v);
         Changed(f);
     }},
    {"selectable", [](Vm&, FieldState& f, DisplayObject&) { return Value::Bool(!f.edit.noSelect); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.edit.noSelect = !vm.ToBoolean(v);
     }},
    {"length",
     [](Vm&, FieldState& f, DisplayObject&) {
         StyledText st;
         Styled(f, &st);
         return Value::Num(static_cast<double>(st.chars.size()));
     },
     nullptr},
    {"bottomScroll",
     [](Vm& vm, FieldState& f, DisplayObject&) { return Value::Num(MeasureScroll(vm, f).bottom); },
     nullptr},
    {"textWidth",
     [](Vm& vm, FieldState& f, DisplayObject&) {
         TextPicture p;
         Measure(ScriptHost::Of(vm).movie(), f, &p);
         return Value::Num(WholePixels(p.textWidth));
     },
     nullptr},
    {"textHeight",
     [](Vm& vm, FieldState& f, DisplayObject&) {
         TextPicture p;
         Measure(ScriptHost::Of(vm).movie(), f, &p);
         return Value::Num(WholePixels(p.textHeight));
     },
     nullptr},
    {"restrict",
     [](Vm&, FieldState& f, DisplayObject&) {
         return f.hasRestrict ? Value::Str(f.restrict) : Value::Null();
     },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.hasRestrict = !v.IsNullish();
         f.restrict = f.hasRestrict ? vm.ToString(v) : std::string();
     }},
    {"condenseWhite",
     [](Vm&, FieldState& f, DisplayObject&) { return Value::Bool(f.condenseWhite); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.condenseWhite = vm.ToBoolean(v);
     }},
    {"mouseWheelEnabled",
     [](Vm&, FieldState& f, DisplayObject&) { return Value::Bool(f.mouseWheelEnabled); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.mouseWheelEnabled = vm.ToBoolean(v);
     }},
    // Style sheets are not applied; the property reads as never set.
    {"styleSheet", [](Vm&, FieldState&, DisplayObject&) { return Value::Undefined(); },
     [](Vm&, FieldState&, DisplayObject&, const Value&) {}},
    // Display properties: not enumerated.
    // A field stands where its box's corner is: the tag's bounds need not
    // start at its origin.
    {"_x",
     [](Vm& vm, FieldState& f, DisplayObject& o) { return Value::Num(Corner(vm, f, o).x / 20.0); },
     [](Vm& vm, FieldState& f, DisplayObject& o, const Value& v) {
         const double n = vm.ToNumber(v);
         if (std::isfinite(n))
             o.matrix.tx = std::trunc(n * kTwipsPerPixel) - (Corner(vm, f, o).x - o.matrix.tx);
     }},
    {"_y",
     [](Vm& vm, FieldState& f, DisplayObject& o) { return Value::Num(Corner(vm, f, o).y / 20.0); },
     [](Vm& vm, FieldState& f, DisplayObject& o, const Value& v) {
         const double n = vm.ToNumber(v);
         if (std::isfinite(n))
             o.matrix.ty = std::trunc(n * kTwipsPerPixel) - (Corner(vm, f, o).y - o.matrix.ty);
     }},
    {"_width",
     [](Vm& vm, FieldState& f, DisplayObject& o) {
         TextPicture p;
         Measure(ScriptHost::Of(vm).movie(), f, &p);
         const double sx = std::hypot(o.matrix.a, o.matrix.b);
         return Value::Num((p.box.xmax - p.box.xmin) * sx / 20.0);
     },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         const double n = vm.ToNumber(v);
         if (std::isfinite(n) && n >= 0 && n < 1e6) {
             f.edit.bounds.xmax = f.edit.bounds.xmin + static_cast<int32_t>(n * kTwipsPerPixel);
             Changed(f);
         }
     }},
    {"_height",
     [](Vm& vm, FieldState& f, DisplayObject& o) {
         TextPicture p;
         Measure(ScriptHost::Of(vm).movie(), f, &p);
         const double sy = std::hypot(o.matrix.c, o.matrix.d);
         return Value::Num((p.box.ymax - p.box.ymin) * sy / 20.0);
     },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         const double n = vm.ToNumber(v);
         if (std::isfinite(n) && n >= 0 && n < 1e6) {
             f.edit.bounds.ymax = f.edit.bounds.ymin + static_cast<int32_t>(n * kTwipsPerPixel);
             Changed(f);
         }
     }},
    {"_alpha",
     [](Vm&, FieldState&, DisplayObject& o) { return Value::Num(o.color.mult[3] * 100.0); },
     [](Vm& vm, FieldState&, DisplayObject& o, const Value& v) {
         // Kept in 1/256ths, as a colour transform holds it.
         const double n = vm.ToNumber(v);
         if (std::isfinite(n))
             o.color.mult[3] =
                 static_cast<float>(std::trunc(std::clamp(n, -1e6, 1e6) * 2.56) / 256);
     }},
    {"_visible", [](Vm&, FieldState&, DisplayObject& o) { return Value::Bool(o.visible); },
     [](Vm& vm, FieldState&, DisplayObject& o, const Value& v) { o.visible = vm.ToBoolean(v); }},
    {"_name", [](Vm&, FieldState&, DisplayObject& o) { return Value::Str(o.name); },
     [](Vm& vm, FieldState&, DisplayObject& o, const Value& v) { o.name = vm.ToString(v); }},
};

bool IsTextProperty(size_t k) {
    const std::string name = kFieldProperties[k].name;
    return name == "text" || name == "htmlText";
}

ScrollLines MeasureScroll(Vm& vm, const FieldState& f) {
    TextPicture p;
    Measure(ScriptHost::Of(vm).movie(), f, &p);
    ScrollLines s;
    s.lines = static_cast<int>(p.lineTops.size());
    s.textWidth = p.textWidth / kTwipsPerPixel;
    s.boxWidth = (p.box.xmax - p.box.xmin - 2 * kFieldGutter) / kTwipsPerPixel;
    const double room = (p.box.ymax - p.box.ymin) - 2 * kFieldGutter;
    // The last full page: the first line from which the rest fits.
    s.maxScroll = s.lines;
    while (s.maxScroll > 1 && p.lineBottoms[s.lines - 1] - p.lineTops[s.maxScroll - 2] <= room)
        --s.maxScroll;
    s.maxScroll = std::max(1, s.maxScroll);
    // The last line wholly shown from the current scroll position.
    const int top = std::clamp(f.scroll, 1, std::max(1, s.lines)) - 1;
    s.bottom = top + 1;
    for (int k = top + 1; k < s.lines; ++k) {
        if (p.lineBottoms[k] - p.lineTops[top] > room)
            break;
        s.bottom = k + 1;
    }
    return s;
}

// Native getters and setters know their property by a number kept on the
// function object's primitive.
void SyncField(Vm& vm, SpriteState& parent, DisplayObject& o, bool binding = false);

Value FieldGet(Vm& vm, Value self, const Args&, size_t k) {
    InstanceState* s = StateOf(self);
    DisplayObject* o = s ? s->Owner() : nullptr;
    if (!o || !s->field)
        return Value::Undefined();
    // A bound field's text is its variable's, as it stands now.
    if (IsTextProperty(k) && !s->field->edit.variableName.empty())
        SyncField(vm, *s->parent, *o);
    return kFieldProperties[k].get(vm, *s->field, *o);
}

bool ResolveVariable(Vm& vm, Object* from, const std::string& path, Object** holder,
                     std::string* name);

void FieldSet(Vm& vm, Value self, const Args& args, size_t k) {
    InstanceState* s = StateOf(self);
    DisplayObject* o = s ? s->Owner() : nullptr;
    if (!o || !s->field || !kFieldProperties[k].set)
        return;
    FieldState& f = *s->field;
    kFieldProperties[k].set(vm, f, *o, args[0]);
    // A field bound to another variable binds at once: a variable not set
    // yet takes the text the field's tag began with.
    if (std::string(kFieldProperties[k].name) == "variable") {
        const Movie& movie = ScriptHost::Of(vm).player().MovieOf(*s->parent);
        if (!f.edit.variableName.empty() && !o->scripted && o->ref.index < movie.editTexts.size()) {
            f.edit.text = movie.editTexts[o->ref.index].text;
            f.styled = false;
        }
        SyncField(vm, *s->parent, *o, true);
        return;
    }
    // Text a script gives a bound field goes to its variable too.
    const bool text = IsTextProperty(k);
    Object* holder;
    std::string name;
    if (text && !f.edit.variableName.empty() &&
        ResolveVariable(vm, ScriptHost::Of(vm).ObjectOf(*s->parent), f.edit.variableName, &holder,
                        &name)) {
        f.boundText = f.edit.text;
        f.boundSeen = true;
        vm.Set(holder, name, Value::Str(f.edit.text));
    }
}

template <size_t K> Value GetK(Vm& vm, Value self, const Args& args) {
    return FieldGet(vm, self, args, K);
}
template <size_t K> Value SetK(Vm& vm, Value self, const Args& args) {
    FieldSet(vm, self, args, K);
    return Value::Undefined();
}

template <size_t... K>
void DefineFieldProperties(Vm& vm, Object* proto, std::index_sequence<K...>) {
    const NativeFn getters[] = {GetK<K>...};
    const NativeFn setters[] = {SetK<K>...};
    bool listed = true;
    for (size_t k = 0; k < sizeof...(K); ++k) {
        const FieldProperty& fp = kFieldProperties[k];
        listed = listed && fp.name[0] != '_';
        // Newer properties are ordinary values in older movies.
        if (vm.version() < fp.minVersion) {
            vm.Define(proto, fp.name, Value::Undefined());
            continue;
        }
        vm.Define(proto, fp.name, Value::Undefined(), listed ? kDontDelete : kDontEnum);
        Property* p = proto->FindOwn(vm.Key(fp.name));
        if (!p)
            continue;
        p->getter = vm.MakeFunction(getters[k]);
        p->setter = vm.MakeFunction(setters[k]);
    }
}

// TextFormat ---------------------------------------------------------------------

// A TextFormat keeps its values in its element slots (null for a value not
// set) behind getters and setters on the prototype, which convert what a
// script stores the way Flash does.
enum FormatSlot : size_t {
    kFont,
    kSize,
    kColor,
    kBold,
    kItalic,
    kUnderline,
    kUrl,
    kTarget,
    kAlign,
    kLeftMargin,
    kRightMargin,
    kIndent,
    kLeading,
    kBlockIndent,
    kTabStops,
    kBullet,
    kKerning,
    kLetterSpacing,
    kDisplay,
    kSlotCount
};

// How a slot converts a value a script stores in it.
enum class Coerce : uint8_t { Text, Integer, Margin, Color, Flag, Align, Number, Stops, Display };

struct FormatSlotInfo {
    const char* name;
    Coerce coerce;
};

const FormatSlotInfo kFormatSlots[kSlotCount] = {
    {"font", Coerce::Text},          {"size", Coerce::Integer},
    {"color", Coerce::Color},        {"bold", Coerce::Flag},
    {"italic", Coerce::Flag},        {"underline", Coerce::Flag},
    {"url", Coerce::Text},           {"target", Coerce::Text},
    {"align", Coerce::Align},        {"leftMargin", Coerce::Margin},
    {"rightMargin", Coerce::Margin}, {"indent", Coerce::Integer},
    {"leading", Coerce::Integer},    {"blockIndent", Coerce::Integer},
    {"tabStops", Coerce::Stops},     {"bullet", Coerce::Flag},
    {"kerning", Coerce::Flag},       {"letterSpacing", Coerce::Number},
    {"display", Coerce::Display}};

// The constructor's arguments fill the slots up to leading, in order.
constexpr size_t kConstructorSlots = kLeading + 1;
const char* const kAlignNames[] = {"left", "right", "center", "justify"};

bool IsFormatObject(const Object* o) {
    return o && o->kind == ObjectKind::Plain && o->elements.size() == kSlotCount;
}

Object* FormatOfSelf(const Value& self) {
    Object* o = SelfObject(self);
    return IsFormatObject(o) ? o : nullptr;
}

// Integers round half to even, as the processor converts; what does not fit
// in 32 bits becomes the smallest one.
double RoundedInteger(double n) {
    const double r = std::nearbyint(n);
    if (!std::isfinite(r) || r < -2147483648.0 || r > 2147483647.0)
        return -2147483648.0;
    return r;
}

// A value converted for a slot; the constructor truncates where a setter
// rounds, and keeps negative margins.
Value CoerceSlot(Vm& vm, size_t slot, const Value& v, const Value& old, bool constructing) {
    // Clearing the alignment leaves the one set before.
    if (v.IsNullish())
        return slot == kDisplay ? Value::Str("block") : slot == kAlign ? old : Value::Null();
    switch (kFormatSlots[slot].coerce) {
    case Coerce::Text:
        return Value::Str(vm.ToString(v));
    case Coerce::Integer:
    case Coerce::Margin: {
        double n = vm.ToNumber(v);
        if (constructing)
            return Value::Num(ToInt32(n));
        if (kFormatSlots[slot].coerce == Coerce::Margin)
            n = n > 0 ? n : 0;
        return Value::Num(RoundedInteger(n));
    }
    case Coerce::Color:
        return Value::Num(ToUint32(vm.ToNumber(v)));
    case Coerce::Flag:
        return Value::Bool(vm.ToBoolean(v));
    case Coerce::Number:
        return Value::Num(vm.ToNumber(v));
    case Coerce::Align: {
        std::string s = vm.ToString(v);
        for (char& c : s)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (const char* name : kAlignNames) {
            if (s == name)
                return Value::Str(s);
        }
        return old; // an unknown alignment leaves the one set before
    }
    case Coerce::Display: {
        const std::string s = vm.ToString(v);
        return Value::Str(s == "inline" || s == "none" ? s : "block");
    }
    case Coerce::Stops: {
        if (v.type != Type::Object)
            return Value::Null();
        const double length = vm.ToNumber(vm.GetOf(v.o, "length"));
        const size_t count =
            std::isfinite(length) && length > 0 ? static_cast<size_t>(std::min(length, 1e4)) : 0;
        std::vector<Value> stops;
        for (size_t i = 0; i < count && !vm.throwing(); ++i)
            stops.push_back(
                Value::Num(RoundedInteger(vm.ToNumber(vm.GetOf(v.o, std::to_string(i))))));
        return Value::Obj(vm.MakeArray(std::move(stops)));
    }
    }
    return Value::Null();
}

Value FormatSlotGet(Vm& vm, Value self, size_t slot) {
    Object* o = FormatOfSelf(self);
    if (!o)
        return Value::Undefined();
    const Value& v = o->elements[slot];
    // A copy of the stops: changing the array a script got changes nothing.
    if (slot == kTabStops && v.type == Type::Object)
        return Value::Obj(vm.MakeArray(v.o->elements));
    return v;
}

void FormatSlotSet(Vm& vm, Value self, size_t slot, const Value& v) {
    if (Object* o = FormatOfSelf(self)) {
        Value coerced = CoerceSlot(vm, slot, v, o->elements[slot], false);
        o->elements[slot] = std::move(coerced);
    }
}

template <size_t K> Value FormatGetK(Vm& vm, Value self, const Args&) {
    return FormatSlotGet(vm, self, K);
}
template <size_t K> Value FormatSetK(Vm& vm, Value self, const Args& args) {
    FormatSlotSet(vm, self, K, args[0]);
    return Value::Undefined();
}

template <size_t... K> void DefineFormatSlots(Vm& vm, Object* proto, std::index_sequence<K...>) {
    const NativeFn getters[] = {FormatGetK<K>...};
    const NativeFn setters[] = {FormatSetK<K>...};
    for (size_t k = 0; k < sizeof...(K); ++k) {
        vm.Define(proto, kFormatSlots[k].name, Value::Undefined(), kDontDelete);
        Property* p = proto->FindOwn(vm.Key(kFormatSlots[k].name));
        if (!p)
            continue;
        p->getter = vm.MakeFunction(getters[k]);
        p->setter = vm.MakeFunction(setters[k]);
    }
}

Value TextFormatConstruct(Vm& vm, Value self, const Args& args) {
    Object* o = SelfObject(self);
    if (!o || o->kind != ObjectKind::Plain)
        return Value::Undefined();
    o->elements.assign(kSlotCount, Value::Null());
    o->elements[kDisplay] = Value::Str("block");
    for (size_t k = 0; k < kConstructorSlots && k < args.size(); ++k)
        o->elements[k] = CoerceSlot(vm, k, args[k], Value::Null(), true);
    return self;
}

double Pixels(double twips) {
    return RoundedInteger(twips / kTwipsPerPixel);
}

// A TextFormat object with every value of a format.
Object* FormatObject(Vm& vm, const TextFormat& f) {
    Value ctor = vm.GetOf(vm.global, "TextFormat");
    Value made = vm.Construct(ctor, Args());
    if (!IsFormatObject(made.o) || made.type != Type::Object)
        return nullptr;
    std::vector<Value>& e = made.o->elements;
    e[kFont] = Value::Str(f.font);
    e[kSize] = Value::Num(Pixels(f.size));
    e[kColor] = Value::Num(PackRgb(f.color));
    e[kBold] = Value::Bool(f.bold);
    e[kItalic] = Value::Bool(f.italic);
    e[kUnderline] = Value::Bool(f.underline);
    e[kUrl] = Value::Str(f.url);
    e[kTarget] = Value::Str(f.target);
    e[kAlign] = Value::Str(kAlignNames[f.align & 3]);
    e[kLeftMargin] = Value::Num(Pixels(f.leftMargin));
    e[kRightMargin] = Value::Num(Pixels(f.rightMargin));
    e[kIndent] = Value::Num(Pixels(f.indent));
    e[kLeading] = Value::Num(Pixels(f.leading));
    e[kBlockIndent] = Value::Num(Pixels(f.blockIndent));
    std::vector<Value> stops;
    for (double t : f.tabStops)
        stops.push_back(Value::Num(Pixels(t)));
    e[kTabStops] = Value::Obj(vm.MakeArray(std::move(stops)));
    e[kBullet] = Value::Bool(f.bullet);
    e[kKerning] = Value::Bool(f.kerning);
    e[kLetterSpacing] = Value::Num(f.letterSpacing / kTwipsPerPixel);
    return made.o;
}

// The values a TextFormat object sets (not null) applied to f.
void ApplyFormat(Vm& vm, Object* from, TextFormat* f) {
    if (!IsFormatObject(from))
        return;
    const std::vector<Value> e = from->elements;
    auto set = [&](size_t slot) { return !e[slot].IsNullish(); };
    auto twips = [&](size_t slot, double* out) {
        if (set(slot) && std::isfinite(e[slot].n))
            *out = std::clamp(e[slot].n, -1e5, 1e5) * kTwipsPerPixel;
    };
    if (set(kFont))
        f->font = e[kFont].s;
    if (set(kSize) && e[kSize].n >= 0)
        f->size = std::min(e[kSize].n, 1e4) * kTwipsPerPixel;
    if (set(kColor))
        f->color = UnpackRgb(vm, e[kColor]);
    if (set(kBold))
        f->bold = e[kBold].b;
    if (set(kItalic))
        f->italic = e[kItalic].b;
    if (set(kUnderline))
        f->underline = e[kUnderline].b;
    if (set(kUrl))
        f->url = e[kUrl].s;
    if (set(kTarget))
        f->target = e[kTarget].s;
    if (set(kAlign)) {
        for (uint8_t k = 0; k < 4; ++k) {
            if (e[kAlign].s == kAlignNames[k])
                f->align = k;
        }
    }
    twips(kLeftMargin, &f->leftMargin);
    twips(kRightMargin, &f->rightMargin);
    twips(kIndent, &f->indent);
    twips(kLeading, &f->leading);
    twips(kBlockIndent, &f->blockIndent);
    twips(kLetterSpacing, &f->letterSpacing);
    if (set(kTabStops) && e[kTabStops].type == Type::Object) {
        f->tabStops.clear();
        for (const Value& v : e[kTabStops].o->elements) {
            if (v.type == Type::Number && std::isfinite(v.n))
                f->tabStops.push_back(std::clamp(v.n, -1e5, 1e5) * kTwipsPerPixel);
        }
    }
    if (set(kBullet))
        f->bullet = e[kBullet].b;
    if (set(kKerning))
        f->kerning = e[kKerning].b;
}

// getTextExtent(text[, width]): the text measured in this format, on one
// line or wrapped to the width, with the field that would hold it.
Value GetTextExtent(Vm& vm, Value self, const Args& args) {
    Object* o = FormatOfSelf(self);
    if (!o)
        return Value::Undefined();
    const Movie& movie = ScriptHost::Of(vm).movie();
    EditText field;
    field.fontClass = "Times New Roman";
    TextFormat format = FieldFormat(movie, field);
    ApplyFormat(vm, o, &format);
    const double width = args.size() > 1 ? vm.ToNumber(args[1]) : NAN;
    const bool wrap = std::isfinite(width) && width > 0;
    field.wordWrap = field.multiline = wrap;
    field.bounds = Rect{0, static_cast<int32_t>(wrap ? std::min(width, 1e5) * kTwipsPerPixel : 1e9),
                        0, static_cast<int32_t>(1e9)};
    StyledText text;
    PlainText(vm.ToString(args[0]), format, &text);
    DeviceGlyphCache cache;
    TextPicture p;
    LayoutStyledText(movie, field, text, cache, &p);
    auto pixels = [](double twips) { return Value::Num(std::round(twips / kTwipsPerPixel)); };
    const double ascent = p.lineTops.empty() ? 0 : p.lineBaselines[0] - p.lineTops[0];
    const double descent = p.lineTops.empty() ? 0 : p.lineBottoms[0] - p.lineBaselines[0];
    Object* extent = vm.MakeObject(nullptr); // Flash gives it no prototype
    vm.Set(extent, "ascent", pixels(ascent));
    vm.Set(extent, "descent", pixels(descent));
    vm.Set(extent, "width", pixels(p.textWidth));
    vm.Set(extent, "height", pixels(p.textHeight));
    vm.Set(extent, "textFieldHeight", pixels(p.textHeight + 2 * kFieldGutter));
    vm.Set(extent, "textFieldWidth",
           wrap ? Value::Num(width) : pixels(p.textWidth + 2 * kFieldGutter));
    return Value::Obj(extent);
}

// The character range a setTextFormat or getTextFormat call names: (),
// (index) or (begin, end); false when it is empty.
bool Range(Vm& vm, const Args& args, size_t count, size_t formatArgs, size_t* begin, size_t* end) {
    const size_t given = args.size() > formatArgs ? args.size() - formatArgs : 0;
    *begin = 0;
    *end = count;
    auto index = [&](const Value& v, size_t fallback) {
        const double n = vm.ToNumber(v);
        if (!std::isfinite(n) || n < 0)
            return fallback;
        return static_cast<size_t>(std::min<double>(n, static_cast<double>(count)));
    };
    if (given >= 1) {
        *begin = index(args[0], 0);
        *end = given >= 2 ? index(args[1], count) : std::min(*begin + 1, count);
    }
    return *begin < *end;
}

Value SetTextFormat(Vm& vm, Value self, const Args& args) {
    FieldState* f = FieldOfSelf(self);
    if (!f || args.size() == 0)
        return Value::Undefined();
    Object* format = SelfObject(args[args.size() - 1]);
    if (!format)
        return Value::Undefined();
    StyledText st;
    Styled(*f, &st);
    size_t begin, end;
    if (!Range(vm, args, st.chars.size(), 1, &begin, &end))
        return Value::Undefined();
    // Each format in the range is copied once with the changes applied.
    std::vector<int64_t> remap(st.formats.size(), -1);
    for (size_t i = begin; i < end; ++i) {
        const uint32_t old = st.formatOf[i];
        if (remap[old] < 0) {
            TextFormat changed = st.formats[old];
            ApplyFormat(vm, format, &changed);
            remap[old] = static_cast<int64_t>(st.formats.size());
            st.formats.push_back(changed);
            remap.push_back(-1);
        }
        st.formatOf[i] = static_cast<uint32_t>(remap[old]);
    }
    f->styledText = std::move(st);
    f->styled = true;
    Changed(*f);
    return Value::Undefined();
}

Value GetTextFormat(Vm& vm, Value self, const Args& args) {
    FieldState* f = FieldOfSelf(self);
    if (!f)
        return Value::Undefined();
    StyledText st;
    Styled(*f, &st);
    size_t begin, end;
    // An empty range has no format: every value is null.
    if (!Range(vm, args, st.chars.size(), 0, &begin, &end) || st.formats.empty())
        return vm.Construct(vm.GetOf(vm.global, "TextFormat"), Args());
    Object* o = FormatObject(vm, st.formats[st.formatOf[begin]]);
    if (!o)
        return Value::Undefined();
    // A value that differs across the range is null.
    for (size_t i = begin + 1; i < end; ++i) {
        if (st.formatOf[i] == st.formatOf[begin])
            continue;
        Object* other = FormatObject(vm, st.formats[st.formatOf[i]]);
        if (!other)
            break;
        for (size_t k = 0; k < kSlotCount; ++k) {
            Value& a = o->elements[k];
            const Value& b = other->elements[k];
            const bool same =
                a.type == Type::Object && b.type == Type::Object
                    ? a.o->elements.size() == b.o->elements.size() &&
                          std::equal(
                              a.o->elements.begin(), a.o->elements.end(), b.o->elements.begin(),
                              [&](const Value& x, const Value& y) { return vm.StrictEquals(x, y); })
                    : vm.StrictEquals(a, b);
            if (!same && k != kDisplay)
                a = Value::Null();
        }
    }
    return Value::Obj(o);
}

Value SetNewTextFormat(Vm& vm, Value self, const Args& args) {
    FieldState* f = FieldOfSelf(self);
    Object* format = SelfObject(args[0]);
    if (f && format)
        ApplyFormat(vm, format, &f->newFormat);
    return Value::Undefined();
}

Value GetNewTextFormat(Vm& vm, Value self, const Args&) {
    FieldState* f = FieldOfSelf(self);
    return f ? Value::Obj(FormatObject(vm, f->newFormat)) : Value::Undefined();
}

// The characters from begin up to end of the field's text become text, in
// the format new text takes; false when the field would grow too long.
bool ReplaceRange(FieldState& f, StyledText st, size_t begin, size_t end, const std::string& text) {
    StyledText inserted;
    PlainText(text, f.newFormat, &inserted);
    if (st.chars.size() - (end - begin) + inserted.chars.size() > kMaxFieldCharacters)
        return false;
    const uint32_t format = static_cast<uint32_t>(st.formats.size());
    st.formats.push_back(f.newFormat);
    st.chars.replace(begin, end - begin, inserted.chars);
    st.formatOf.erase(st.formatOf.begin() + begin, st.formatOf.begin() + end);
    st.formatOf.insert(st.formatOf.begin() + begin, inserted.chars.size(), format);
    f.edit.text = f.edit.html ? HtmlOf(st, f.newFormat) : Utf8(st.chars);
    f.styledText = std::move(st);
    f.styled = true;
    Changed(f);
    return true;
}

// replaceText(begin, end, text)
Value ReplaceText(Vm& vm, Value self, const Args& args) {
    FieldState* f = FieldOfSelf(self);
    if (!f || args.size() < 3)
        return Value::Undefined();
    StyledText st;
    Styled(*f, &st);
    const double count = static_cast<double>(st.chars.size());
    auto index = [&](const Value& v) {
        const double n = vm.ToNumber(v);
        return std::isfinite(n) ? static_cast<size_t>(std::clamp(n, 0.0, count)) : 0;
    };
    const size_t begin = index(args[0]);
    const size_t end = std::max(begin, index(args[1]));
    ReplaceRange(*f, std::move(st), begin, end, vm.ToString(args[2]));
    return Value::Undefined();
}

Value RemoveTextField(Vm& vm, Value self, const Args&) {
    InstanceState* s = StateOf(self);
    DisplayObject* o = s ? s->Owner() : nullptr;
    // Only fields a script made can be removed by a script.
    if (o && o->scripted && s->parent)
        ScriptHost::Of(vm).RemoveAt(*s->parent, o->depth);
    return Value::Undefined();
}

Value FieldDepth(Vm&, Value self, const Args&) {
    InstanceState* s = StateOf(self);
    DisplayObject* o = s ? s->Owner() : nullptr;
    return o ? Value::Num(static_cast<double>(o->depth) - kScriptDepthBase) : Value::Undefined();
}

// createTextField(name, depth, x, y, width, height) -------------------------------

Value CreateTextField(Vm& vm, Value self, const Args& args) {
    Object* c = SelfObject(self);
    if (!c || c->kind != ObjectKind::Clip || !c->clip)
        return Value::Undefined();
    const double numbers[5] = {vm.ToNumber(args[1]), vm.ToNumber(args[2]), vm.ToNumber(args[3]),
                               vm.ToNumber(args[4]), vm.ToNumber(args[5])};
    for (double n : numbers) {
        if (!std::isfinite(n) || std::fabs(n) > 1e6)
            return Value::Undefined();
    }
    const double depth = numbers[0] + kScriptDepthBase;
    if (depth < 0 || depth > 65535)
        return Value::Undefined();
    ScriptHost& host = ScriptHost::Of(vm);
    SpriteState& parent = *c->clip;
    DisplayObject fresh;
    fresh.depth = static_cast<uint16_t>(depth);
    fresh.ref = CharacterRef{CharacterKind::EditText, UINT32_MAX};
    fresh.scripted = true;
    fresh.name = vm.ToString(args[0]);
    fresh.matrix.tx = std::trunc(numbers[1] * kTwipsPerPixel);
    fresh.matrix.ty = std::trunc(numbers[2] * kTwipsPerPixel);
    DisplayObject* placed = host.AddScripted(parent, std::move(fresh));
    if (!placed)
        return Value::Undefined();
    DisplayObject& o = *placed;
    InstanceState* state = InstanceOf(parent, o);
    auto field = std::make_unique<FieldState>();
    EditText& e = field->edit;
    e.bounds = Rect{0, static_cast<int32_t>(std::trunc(numbers[3] * kTwipsPerPixel)), 0,
                    static_cast<int32_t>(std::trunc(numbers[4] * kTwipsPerPixel))};
    e.readOnly = true;
    e.hasFont = false;
    e.fontClass = "Times New Roman";
    e.fontHeight = 240;
    field->newFormat = FieldFormat(host.movie(), e);
    field->swfVersion = host.movie().version;
    state->field = std::move(field);
    return Value::Obj(InstanceObject(vm, parent, o));
}

// TextSnapshot ---------------------------------------------------------------------

// The static text a clip shows, character by character, as a snapshot made
// by getTextSnapshot reads it; lineStart marks a character that begins a new
// line after another.
struct SnapshotChar {
    char32_t code;
    bool lineStart;
};

void SnapshotChars(const Movie& movie, const SpriteState& clip, std::vector<SnapshotChar>* out) {
    out->clear();
    for (const auto& entry : clip.objects) {
        const DisplayObject& o = entry.second;
        if (o.ref.kind != CharacterKind::Text || o.ref.index >= movie.texts.size())
            continue;
        const Text& text = movie.texts[o.ref.index];
        bool firstRun = true;
        int32_t y = 0;
        for (const TextRun& run : text.runs) {
            const CharacterRef* ref = movie.Find(run.fontId);
            const Font* font =
                ref && ref->kind == CharacterKind::Font ? &movie.fonts[ref->index] : nullptr;
            const bool newLine = !out->empty() && (firstRun || run.y != y);
            bool first = true;
            for (const TextGlyph& g : run.glyphs) {
                if (out->size() >= kMaxFieldCharacters)
                    return;
                const char32_t code =
                    font && g.index < font->codes.size() ? font->codes[g.index] : 0;
                out->push_back(SnapshotChar{code, first && newLine});
                first = false;
            }
            firstRun = false;
            y = run.y;
        }
    }
}

bool SnapshotOf(Vm& vm, const Value& self, std::vector<SnapshotChar>* chars) {
    Object* o = SelfObject(self);
    if (!o || o->kind != ObjectKind::Plain || !o->target || o->target->kind != ObjectKind::Clip ||
        !o->target->clip)
        return false;
    SnapshotChars(ScriptHost::Of(vm).movie(), *o->target->clip, chars);
    return true;
}

// new TextSnapshot(clip): the snapshot of that clip's static text.
Value SnapshotConstruct(Vm&, Value self, const Args& args) {
    Object* o = SelfObject(self);
    if (o && args[0].type == Type::Object && args[0].o->kind == ObjectKind::Clip)
        o->target = args[0].o;
    return self;
}

Value GetTextSnapshot(Vm& vm, Value self, const Args&) {
    Object* c = SelfObject(self);
    if (!c || c->kind != ObjectKind::Clip || !c->clip)
        return Value::Undefined();
    const Value clip = Value::Obj(c);
    return vm.Construct(vm.GetOf(vm.global, "TextSnapshot"), Args{&clip, 1});
}

Value SnapshotCount(Vm& vm, Value self, const Args&) {
    std::vector<SnapshotChar> chars;
    if (!SnapshotOf(vm, self, &chars))
        return Value::Undefined();
    return Value::Num(static_cast<double>(chars.size()));
}

// getText(start, end[, includeLineEndings]): start within the text, end
// past start, both as whole numbers.
Value SnapshotText(Vm& vm, Value self, const Args& args) {
    std::vector<SnapshotChar> chars;
    if (args.size() < 2 || args.size() > 3 || !SnapshotOf(vm, self, &chars))
        return Value::Undefined();
    const int64_t count = static_cast<int64_t>(chars.size());
    const int64_t start =
        std::clamp<int64_t>(ToInt32(vm.ToNumber(args[0])), 0, std::max<int64_t>(0, count - 1));
    const int64_t end =
        std::clamp<int64_t>(ToInt32(vm.ToNumber(args[1])), start + 1, std::max(count, start + 1));
    const bool lineEndings = args.size() > 2 && vm.ToBoolean(args[2]);
    std::u32string text;
    for (int64_t i = start; i < end && i < count; ++i) {
        if (lineEndings && i > start && chars[i].lineStart)
            text += U'\n';
        text += chars[i].code;
    }
    return Value::Str(Utf8(text, '\n'));
}

char32_t FoldCase(char32_t c) {
    return c < 0x80 ? static_cast<char32_t>(std::tolower(static_cast<int>(c))) : c;
}

// findText(start, text, caseSensitive): the index of the first match at or
// after start, or -1.
Value SnapshotFind(Vm& vm, Value self, const Args& args) {
    std::vector<SnapshotChar> chars;
    if (args.size() != 3 || !SnapshotOf(vm, self, &chars))
        return Value::Undefined();
    const double start = vm.ToNumber(args[0]);
    StyledText wanted;
    PlainText(vm.ToString(args[1]), TextFormat{}, &wanted);
    const bool exact = vm.ToBoolean(args[2]);
    const std::u32string& w = wanted.chars;
    if (!(start >= 0) || w.empty() || w.size() > chars.size())
        return Value::Num(-1);
    for (size_t i = static_cast<size_t>(std::min<double>(start, chars.size()));
         i + w.size() <= chars.size(); ++i) {
        size_t k = 0;
        while (k < w.size() &&
               (exact ? chars[i + k].code == w[k] : FoldCase(chars[i + k].code) == FoldCase(w[k])))
            ++k;
        if (k == w.size())
            return Value::Num(static_cast<double>(i));
    }
    return Value::Num(-1);
}

// A snapshot keeps which characters are selected in its element slots.
std::vector<Value>* SnapshotSelection(const Value& self, size_t count) {
    Object* o = SelfObject(self);
    if (!o)
        return nullptr;
    o->elements.resize(count, Value::Bool(false));
    return &o->elements;
}

// The range (start, end) of a selection call, clamped to the text.
void SelectionRange(Vm& vm, const Args& args, size_t count, size_t* begin, size_t* end) {
    auto index = [&](const Value& v) {
        const double n = vm.ToNumber(v);
        return std::isfinite(n) ? static_cast<size_t>(std::clamp(n, 0.0, double(count))) : 0;
    };
    *begin = index(args[0]);
    *end = std::max(*begin, index(args[1]));
}

Value SnapshotSetSelected(Vm& vm, Value self, const Args& args) {
    std::vector<SnapshotChar> chars;
    if (args.size() < 3 || !SnapshotOf(vm, self, &chars))
        return Value::Undefined();
    size_t begin, end;
    SelectionRange(vm, args, chars.size(), &begin, &end);
    const bool on = vm.ToBoolean(args[2]);
    if (std::vector<Value>* selected = SnapshotSelection(self, chars.size())) {
        for (size_t i = begin; i < end; ++i)
            (*selected)[i] = Value::Bool(on);
    }
    return Value::Undefined();
}

Value SnapshotGetSelected(Vm& vm, Value self, const Args& args) {
    std::vector<SnapshotChar> chars;
    if (args.size() < 2 || !SnapshotOf(vm, self, &chars))
        return Value::Undefined();
    size_t begin, end;
    SelectionRange(vm, args, chars.size(), &begin, &end);
    std::vector<Value>* selected = SnapshotSelection(self, chars.size());
    bool any = false;
    for (size_t i = begin; selected && i < end; ++i)
        any = any || (*selected)[i].b;
    return Value::Bool(any);
}

Value SnapshotSelectedText(Vm& vm, Value self, const Args& args) {
    std::vector<SnapshotChar> chars;
    if (!SnapshotOf(vm, self, &chars))
        return Value::Undefined();
    const bool lineEndings = vm.ToBoolean(args[0]);
    std::vector<Value>* selected = SnapshotSelection(self, chars.size());
    std::u32string text;
    bool started = false;
    for (size_t i = 0; selected && i < chars.size(); ++i) {
        if (!(*selected)[i].b)
            continue;
        if (lineEndings && started && chars[i].lineStart)
            text += U'\n';
        text += chars[i].code;
        started = true;
    }
    return Value::Str(Utf8(text, '\n'));
}

// Selection is drawn in the player's own colour; the setting is accepted.
Value SnapshotSelectColor(Vm&, Value, const Args&) {
    return Value::Undefined();
}

// Hit testing glyph positions is not done: no character is ever near.
Value SnapshotHitTest(Vm&, Value, const Args&) {
    return Value::Num(-1);
}

Value SnapshotRunInfo(Vm& vm, Value self, const Args& args) {
    std::vector<SnapshotChar> chars;
    if (args.size() < 2 || !SnapshotOf(vm, self, &chars))
        return Value::Undefined();
    size_t begin, end;
    SelectionRange(vm, args, chars.size(), &begin, &end);
    std::vector<Value>* selected = SnapshotSelection(self, chars.size());
    std::vector<Value> runs;
    for (size_t i = begin; selected && i < end; ++i) {
        Object* info = vm.MakeObject(vm.objectProto);
        vm.Set(info, "indexInRun", Value::Num(static_cast<double>(i)));
        vm.Set(info, "selected", (*selected)[i]);
        runs.push_back(Value::Obj(info));
    }
    return Value::Obj(vm.MakeArray(std::move(runs)));
}

void InstallTextSnapshot(Vm& vm) {
    Object* proto = vm.MakeObject(vm.objectProto);
    MakeClass(vm, "TextSnapshot", nullptr, SnapshotConstruct, proto);
    // Flash lists these methods when a script enumerates a snapshot.
    const std::pair<const char*, NativeFn> methods[] = {{"getCount", SnapshotCount},
                                                        {"setSelected", SnapshotSetSelected},
                                                        {"getSelected", SnapshotGetSelected},
                                                        {"getText", SnapshotText},
                                                        {"getSelectedText", SnapshotSelectedText},
                                                        {"hitTestTextNearPos", SnapshotHitTest},
                                                        {"findText", SnapshotFind},
                                                        {"setSelectColor", SnapshotSelectColor},
                                                        {"getTextRunInfo", SnapshotRunInfo}};
    // A movie older than SWF 6 has the names, each holding nothing.
    for (const auto& m : methods)
        vm.Define(proto, m.first,
                  vm.version() >= 6 ? Value::Obj(vm.MakeFunction(m.second)) : Value::Undefined());
    Method(vm, vm.clipProto, "getTextSnapshot", GetTextSnapshot);
}

// Bound variables ------------------------------------------------------------------

// "a.b.v", "/a/b:v" or "v": the clip that holds the variable and its name.
bool ResolveVariable(Vm& vm, Object* from, const std::string& path, Object** holder,
                     std::string* name) {
    size_t cut = path.find_last_of(":.");
    if (cut == std::string::npos) {
        *holder = from;
        *name = path;
    } else {
        *holder = ResolveClipPath(vm, from, path.substr(0, cut));
        *name = path.substr(cut + 1);
    }
    return *holder && !name->empty();
}

void SyncField(Vm& vm, SpriteState& parent, DisplayObject& o, bool binding) {
    const Movie& movie = ScriptHost::Of(vm).player().MovieOf(parent);
    // Unbound fields keep drawing from their tags.
    if (!o.instance && (o.ref.index >= movie.editTexts.size() ||
                        movie.editTexts[o.ref.index].variableName.empty()))
        return;
    FieldState* f = FieldOf(parent, o, movie);
    if (!f || f->edit.variableName.empty())
        return;
    f->swfVersion = movie.version;
    Object* holder;
    std::string name;
    if (!ResolveVariable(vm, ScriptHost::Of(vm).ObjectOf(parent), f->edit.variableName, &holder,
                         &name))
        return;
    // A variable of a plain object is read when the field first binds to
    // it, and is not watched after.
    if (!binding && f->boundSeen && holder->kind != ObjectKind::Clip)
        return;
    const Value v = vm.GetOf(holder, name);
    if (!f->boundSeen) {
        f->boundSeen = true;
        // A variable not yet set takes the field's own text, if it has any.
        const std::string own = f->edit.html ? f->edit.text : PlainOf(*f);
        if (v.IsUndefined() && !own.empty()) {
            vm.Set(holder, name, Value::Str(own));
            f->boundText = own;
            return;
        }
    }
    // A variable that is gone leaves the field showing what it showed.
    if (v.IsUndefined())
        return;
    const std::string text = vm.ToString(v);
    if (text == f->boundText && f->styled)
        return;
    f->boundText = text;
    SetText(*f, text, f->edit.html);
}

void SyncBound(Vm& vm, SpriteState& s, int nesting) {
    if (nesting > kMaxSpriteNesting)
        return;
    for (auto& entry : s.objects) {
        DisplayObject& o = entry.second;
        if (o.sprite)
            SyncBound(vm, *o.sprite, nesting + 1);
        else if (o.ref.kind == CharacterKind::EditText)
            SyncField(vm, s, o);
    }
}

} // namespace

void FieldDuplicate(Vm& vm, Object* field, const std::string& name, int depth) {
    InstanceState* s = field ? field->instance : nullptr;
    DisplayObject* o = s ? s->Owner() : nullptr;
    const Movie& movie = ScriptHost::Of(vm).movie();
    // Only a field with a tag has something to copy from.
    if (!o || !s->field || o->ref.kind != CharacterKind::EditText ||
        o->ref.index >= movie.editTexts.size() || depth < -kScriptDepthBase ||
        depth > 65535 - kScriptDepthBase)
        return;
    DisplayObject fresh;
    fresh.depth = static_cast<uint16_t>(depth + kScriptDepthBase);
    fresh.characterId = o->characterId;
    fresh.ref = o->ref;
    fresh.scripted = true;
    fresh.name = name;
    fresh.matrix = o->matrix;
    fresh.color = o->color;
    ScriptHost::Of(vm).AddScripted(*s->parent, std::move(fresh));
}

bool FieldBox(const Movie& movie, const DisplayObject& o, Rect* r) {
    if (o.ref.kind != CharacterKind::EditText)
        return false;
    const FieldState* f = o.instance ? o.instance->field.get() : nullptr;
    if (!f && o.ref.index >= movie.editTexts.size())
        return false;
    const EditText& edit = f ? f->edit : movie.editTexts[o.ref.index];
    if (!edit.autoSize) {
        *r = edit.bounds;
        return true;
    }
    // A field that sizes itself to its text is as big as its layout says.
    TextPicture p;
    if (f) {
        Measure(movie, *f, &p);
    } else {
        DeviceGlyphCache cache;
        LayoutEditText(movie, edit, cache, &p);
    }
    *r = p.box;
    return true;
}

Object* InstanceObject(Vm& vm, SpriteState& parent, DisplayObject& o) {
    InstanceState* state = InstanceOf(parent, o);
    if (!state)
        return nullptr;
    if (state->script)
        return state->script;
    const bool field = o.ref.kind == CharacterKind::EditText;
    const Movie& movie = ScriptHost::Of(vm).movie();
    FieldState* f = field ? FieldOf(parent, o, movie) : nullptr;
    if (field && !f)
        return nullptr;
    if (f)
        f->swfVersion = movie.version;
    const Value ctor = vm.GetOf(vm.global, field ? "TextField" : "Button");
    const Value proto = ctor.type == Type::Object ? vm.GetOf(ctor.o, "prototype") : Value();
    Object* script = vm.MakeObject(proto.type == Type::Object ? proto.o : vm.objectProto);
    script->instance = state;
    state->script = script;
    DefineFocusRect(vm, script);
    return script;
}

bool InstanceChild(Vm& vm, SpriteState& s, const std::string& name, Value* out) {
    const std::string key = vm.Key(name);
    for (auto& entry : s.objects) {
        DisplayObject& o = entry.second;
        if (o.sprite || o.name.empty() || vm.Key(o.name) != key)
            continue;
        if (Object* script = InstanceObject(vm, s, o)) {
            *out = Value::Obj(script);
            return true;
        }
    }
    return false;
}

void InstanceRoots(SpriteState& s, std::vector<Object*>* roots) {
    for (auto& entry : s.objects) {
        const DisplayObject& o = entry.second;
        if (o.instance && o.instance->script)
            roots->push_back(o.instance->script);
    }
}

void SyncBoundFields(Vm& vm, SpriteState& root) {
    SyncBound(vm, root, 0);
}

void InstallTextBuiltins(Vm& vm) {
    Object* proto = vm.MakeObject(vm.objectProto);
    MakeClass(vm, "TextField", nullptr, nullptr, proto);
    DefineFieldProperties(
        vm, proto,
        std::make_index_sequence<sizeof(kFieldProperties) / sizeof(kFieldProperties[0])>());
    Method(vm, proto, "setTextFormat", SetTextFormat);
    Method(vm, proto, "getTextFormat", GetTextFormat);
    Method(vm, proto, "setNewTextFormat", SetNewTextFormat);
    Method(vm, proto, "getNewTextFormat", GetNewTextFormat);
    Method(vm, proto, "removeTextField", RemoveTextField);
    Method(vm, proto, "getDepth", FieldDepth);
    if (vm.version() >= 7)
        Method(vm, proto, "replaceText", ReplaceText);

    Object* formatProto = vm.MakeObject(vm.objectProto);
    MakeClass(vm, "TextFormat", nullptr, TextFormatConstruct, formatProto);
    DefineFormatSlots(vm, formatProto, std::make_index_sequence<kSlotCount>());
    Method(vm, formatProto, "getTextExtent", GetTextExtent);

    Method(vm, vm.clipProto, "createTextField", CreateTextField);
    InstallTextSnapshot(vm);
}

} // namespace ww::movie::avm1
