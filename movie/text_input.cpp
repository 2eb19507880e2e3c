#include "movie/text_input.h"

#include "movie/avm1/clip.h"
#include "movie/avm1/host.h"
#include "movie/focus.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace ww::movie {

namespace {

size_t SelectionBegin(const EditBuffer& b) {
    return std::min(b.anchor, b.caret);
}
size_t SelectionEnd(const EditBuffer& b) {
    return std::max(b.anchor, b.caret);
}

void Clamp(EditBuffer& b) {
    b.anchor = std::min(b.anchor, b.text.size());
    b.caret = std::min(b.caret, b.text.size());
}

bool CutSelection(EditBuffer& b) {
    const size_t from = SelectionBegin(b), to = SelectionEnd(b);
    b.anchor = b.caret = from;
    if (from == to)
        return false;
    b.text.erase(from, to - from);
    return true;
}

char32_t OtherCase(char32_t c) {
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 'A';
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 'a';
    return c;
}

// Characters are read left to right, each one allowed (or, after ^,
// refused) as it comes. A run of dashes joins the character before it to
// the one after; with none before (at the start, after ^ or after another
// range) the range starts from the first character, and a dash at the end
// means nothing.
bool PatternAllows(const std::u32string& pattern, char32_t c) {
    bool allowed = !pattern.empty() && pattern[0] == '^';
    bool excluding = false;
    char32_t last = 0;
    size_t i = 0;
    while (i < pattern.size()) {
        char32_t ch = pattern[i];
        if (ch == '^') {
            excluding = !excluding;
            last = 0;
            ++i;
            continue;
        }
        if (ch == '-') {
            while (i < pattern.size() && pattern[i] == '-')
                ++i;
            if (i >= pattern.size())
                break;
            char32_t to = pattern[i++];
            if (to == '\\' && i < pattern.size())
                to = pattern[i++];
            if (c >= last && c <= to)
                allowed = !excluding;
            last = 0;
            continue;
        }
        if (ch == '\\') {
            if (i + 1 >= pattern.size())
                break; // a lone backslash at the end escapes nothing
            ch = pattern[++i];
        }
        ++i;
        if (c == ch)
            allowed = !excluding;
        last = ch;
    }
    return allowed;
}

} // namespace

char32_t RestrictCharacter(const std::u32string& pattern, char32_t c) {
    if (PatternAllows(pattern, c))
        return c;
    const char32_t other = OtherCase(c);
    return other != c && PatternAllows(pattern, other) ? other : 0;
}

bool TypeText(EditBuffer& b, const std::u32string& text, const EditRules& rules) {
    Clamp(b);
    std::u32string typed;
    for (char32_t c : text) {
        if (c == '\r' || c == '\n') {
            if (!rules.multiline)
                continue;
            c = '\r';
        } else if (c < 0x20 || c == 0x7F) {
            continue;
        }
        if (rules.restricted && !(c = RestrictCharacter(rules.allowed, c)))
            continue;
        typed += c;
    }
    if (typed.empty())
        return false;
    const size_t kept = b.text.size() - (SelectionEnd(b) - SelectionBegin(b));
    if (rules.maxChars) {
        if (kept >= rules.maxChars)
            return false;
        typed.resize(std::min(typed.size(), rules.maxChars - kept));
    }
    CutSelection(b);
    b.text.insert(b.caret, typed);
    b.caret += typed.size();
    b.anchor = b.caret;
    return true;
}

bool ApplyEdit(EditBuffer& b, TextCommand command, std::u32string* clipboard,
               const EditRules& rules) {
    Clamp(b);
    const size_t from = SelectionBegin(b), to = SelectionEnd(b);
    switch (command) {
    case TextCommand::Backspace:
        if (from != to)
            return CutSelection(b);
        if (b.caret == 0)
            return false;
        b.text.erase(--b.caret, 1);
        b.anchor = b.caret;
        return true;
    case TextCommand::Delete:
        if (from != to)
            return CutSelection(b);
        if (b.caret >= b.text.size())
            return false;
        b.text.erase(b.caret, 1);
        return true;
    case TextCommand::Enter:
        return TypeText(b, U"\r", rules);
    case TextCommand::Left:
        b.caret = from != to ? from : (b.caret ? b.caret - 1 : 0);
        b.anchor = b.caret;
        return false;
    case TextCommand::Right:
        b.caret = from != to ? to : std::min(b.caret + 1, b.text.size());
        b.anchor = b.caret;
        return false;
    case TextCommand::Home:
        b.anchor = b.caret = 0;
        return false;
    case TextCommand::End:
        b.anchor = b.caret = b.text.size();
        return false;
    case TextCommand::SelectLeft:
        b.caret = b.caret ? b.caret - 1 : 0;
        return false;
    case TextCommand::SelectRight:
        b.caret = std::min(b.caret + 1, b.text.size());
        return false;
    case TextCommand::SelectHome:
        b.caret = 0;
        return false;
    case TextCommand::SelectEnd:
        b.caret = b.text.size();
        return false;
    case TextCommand::SelectAll:
        b.anchor = 0;
        b.caret = b.text.size();
        return false;
    case TextCommand::Copy:
    case TextCommand::Cut:
        // A password is never handed out.
        if (rules.password || from == to)
            return false;
        *clipboard = b.text.substr(from, to - from);
        return command == TextCommand::Cut && CutSelection(b);
    case TextCommand::Paste:
        return TypeText(b, *clipboard, rules);
    }
    return false;
}

void LayoutShownField(const Movie& movie, const FieldState& f, DeviceGlyphCache& cache,
                      TextPicture* out) {
    // A scrolled field lays out the lines below its box too, then moves up.
    const bool scrolled = f.scroll > 1 && !f.edit.autoSize;
    EditText tall;
    if (scrolled) {
        tall = f.edit;
        tall.bounds.ymax = std::max(tall.bounds.ymax, INT32_MAX / 2);
    }
    const EditText& laid = scrolled ? tall : f.edit;
    const int grow = GrowAlign(f.autoSize);
    if (f.styled)
        LayoutStyledText(movie, laid, f.styledText, cache, out, grow);
    else
        LayoutEditText(movie, laid, cache, out, grow);
    if (scrolled) {
        out->box = f.edit.bounds;
        ScrollPicture(f.scroll, out);
    }
}

size_t CaretAtPoint(const TextPicture& picture, double x, double y) {
    const std::vector<CaretStop>& stops = picture.caretStops;
    if (stops.empty())
        return 0;
    // The line: the last whose top is above the point, else the first.
    double top = stops[0].top;
    for (const CaretStop& c : stops) {
        if (c.top <= y)
            top = std::max(top, c.top);
    }
    size_t best = 0;
    double distance = INFINITY;
    for (size_t k = 0; k < stops.size(); ++k) {
        if (stops[k].top != top)
            continue;
        const double d = std::fabs(stops[k].x - x);
        if (d < distance) {
            distance = d;
            best = k;
        }
    }
    return best;
}

bool CaretLine(const TextPicture& picture, size_t index, double* x, double* top, double* bottom) {
    if (picture.caretStops.empty())
        return false;
    const CaretStop& c = picture.caretStops[std::min(index, picture.caretStops.size() - 1)];
    *x = c.x;
    *top = c.top;
    *bottom = c.bottom;
    return true;
}

std::vector<Rect> SelectionBoxes(const TextPicture& picture, size_t from, size_t to) {
    std::vector<Rect> boxes;
    const std::vector<CaretStop>& stops = picture.caretStops;
    if (stops.empty())
        return boxes;
    to = std::min(to, stops.size() - 1);
    for (size_t k = from; k < to; ++k) {
        const CaretStop& a = stops[k];
        const CaretStop& b = stops[k + 1];
        // A character ending its line (a break) selects nothing to see.
        const double right = b.top == a.top ? b.x : a.x;
        // Twips far past any canvas are cut before they become integers.
        auto twips = [](double v) { return int32_t(std::clamp(v, -1e9, 1e9)); };
        Rect r{twips(std::floor(a.x)), twips(std::ceil(right)), twips(std::floor(a.top)),
               twips(std::ceil(a.bottom))};
        if (!boxes.empty() && boxes.back().ymin == r.ymin && boxes.back().xmax >= r.xmin) {
            boxes.back().xmax = std::max(boxes.back().xmax, r.xmax);
            continue;
        }
        if (r.xmax > r.xmin)
            boxes.push_back(r);
    }
    return boxes;
}

std::u32string Utf8ToChars(const std::string& text) {
    std::u32string out;
    for (size_t i = 0; i < text.size();) {
        const unsigned char b = text[i];
        const size_t n = b < 0x80         ? 1
                         : (b >> 5) == 6  ? 2
                         : (b >> 4) == 14 ? 3
                         : (b >> 3) == 30 ? 4
                                          : 0;
        if (n == 0 || n > text.size() - i) {
            out += char32_t(0xFFFD); // a stray byte stands for itself no more
            ++i;
            continue;
        }
        char32_t c = n == 1 ? b : n == 2 ? b & 0x1F : n == 3 ? b & 0x0F : b & 0x07;
        bool ok = true;
        for (size_t k = 1; k < n; ++k) {
            const unsigned char t = text[i + k];
            ok = ok && (t & 0xC0) == 0x80;
            c = (c << 6) | (t & 0x3F);
        }
        out += ok ? c : char32_t(0xFFFD);
        i += ok ? n : 1;
    }
    return out;
}

std::string CharsToUtf8(const std::u32string& chars) {
    std::string out;
    for (char32_t c : chars) {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

namespace {

using avm1::Object;
using avm1::ScriptHost;
using avm1::Type;
using avm1::Value;

struct FocusedEdit {
    Object* script = nullptr;
    FieldState* field = nullptr;
    EditBuffer buffer;
    EditRules rules;
};

// A moved caret redraws the field.
void SetSelection(FocusedEdit& e, size_t anchor, size_t caret) {
    if (e.field->anchor != anchor || e.field->caret != caret)
        ++e.field->generation;
    e.field->anchor = anchor;
    e.field->caret = caret;
}

bool OpenFocused(ScriptHost& host, FocusedEdit* e) {
    e->field = FocusedField(host, &e->script);
    if (!e->field)
        return false;
    host.player().keyboard().selectionHidden = false;
    avm1::Vm& vm = host.vm();
    e->buffer.text = Utf8ToChars(vm.ToString(vm.GetOf(e->script, "text")));
    e->buffer.anchor = e->field->anchor;
    e->buffer.caret = e->field->caret;
    e->rules.restricted = e->field->restricted;
    if (e->rules.restricted)
        e->rules.allowed = Utf8ToChars(e->field->restrictPattern);
    e->rules.maxChars = e->field->edit.maxLength;
    e->rules.password = e->field->edit.password;
    e->rules.multiline = e->field->edit.multiline;
    return true;
}

void SetBoundVariable(ScriptHost& host, Object* field, const std::string& path,
                      const std::string& text) {
    avm1::Vm& vm = host.vm();
    ScriptPlace p;
    if (path.empty() || !LocateScript(host.root(), field, &p) || !p.parent)
        return;
    Object* holder = host.ObjectOf(*p.parent);
    std::string name = path;
    const size_t cut = path.find_last_of(".:");
    if (cut != std::string::npos) {
        holder = avm1::ResolveClipPath(vm, holder, path.substr(0, cut));
        name = path.substr(cut + 1);
    }
    if (holder && !name.empty())
        vm.Set(holder, name, Value::Str(text));
}

// The edited text into the field, its variable and the selection; then
// onChanged to the field and its listeners.
void Commit(ScriptHost& host, FocusedEdit& e, bool changed) {
    if (!changed) {
        SetSelection(e, e.buffer.anchor, e.buffer.caret);
        return;
    }
    avm1::Vm& vm = host.vm();
    const std::string text = CharsToUtf8(e.buffer.text);
    vm.Set(e.script, "text", Value::Str(text));
    // Setting the text may have remade the field's state: find it again.
    e.field = FocusedField(host, nullptr);
    if (e.field)
        SetSelection(e, e.buffer.anchor, e.buffer.caret);
    if (e.field)
        SetBoundVariable(host, e.script, e.field->edit.variableName, text);
    const Value self = Value::Obj(e.script);
    vm.CallMethod(self, "onChanged", avm1::Args{&self, 1});
    const Value listeners = vm.GetOf(e.script, "_listeners");
    if (listeners.type != Type::Object)
        return;
    const std::vector<Value> copy = listeners.o->elements;
    for (const Value& l : copy) {
        if (l.type == Type::Object && l.o != e.script)
            vm.CallMethod(l, "onChanged", avm1::Args{&self, 1});
    }
}

} // namespace

void TypeIntoFocus(ScriptHost& host, uint32_t c) {
    FocusedEdit e;
    if (!OpenFocused(host, &e) || e.field->edit.readOnly)
        return;
    Commit(host, e, TypeText(e.buffer, std::u32string(1, char32_t(c)), e.rules));
}

void EditFocus(ScriptHost& host, TextCommand command) {
    FocusedEdit e;
    if (!OpenFocused(host, &e))
        return;
    std::u32string clipboard = Utf8ToChars(host.player().keyboard().clipboard);
    const bool changes = command == TextCommand::Backspace || command == TextCommand::Delete ||
                         command == TextCommand::Enter || command == TextCommand::Cut ||
                         command == TextCommand::Paste;
    if (changes && e.field->edit.readOnly)
        return;
    const bool changed = ApplyEdit(e.buffer, command, &clipboard, e.rules);
    if (command == TextCommand::Copy || command == TextCommand::Cut)
        host.player().keyboard().clipboard = CharsToUtf8(clipboard);
    Commit(host, e, changed);
}

void ReplaceSelection(ScriptHost& host, Object* field, const std::string& text) {
    ScriptPlace p;
    if (!LocateScript(host.root(), field, &p) || !p.object ||
        p.object->ref.kind != CharacterKind::EditText)
        return;
    FieldState* f = FieldOf(*p.parent, *p.object, host.movie());
    if (!f)
        return;
    avm1::Vm& vm = host.vm();
    EditBuffer b;
    b.text = Utf8ToChars(vm.ToString(vm.GetOf(field, "text")));
    b.anchor = std::min(f->anchor, b.text.size());
    b.caret = std::min(f->caret, b.text.size());
    const size_t from = std::min(b.anchor, b.caret), to = std::max(b.anchor, b.caret);
    const std::u32string typed = Utf8ToChars(text);
    b.text.replace(from, to - from, typed);
    vm.Set(field, "text", Value::Str(CharsToUtf8(b.text)));
    // The text's setter may have remade the state.
    if (!LocateScript(host.root(), field, &p) || !p.object)
        return;
    if ((f = FieldOf(*p.parent, *p.object, host.movie()))) {
        f->anchor = f->caret = from + typed.size();
        ++f->generation;
    }
}

size_t FocusedFieldLength(ScriptHost& host) {
    Object* script = nullptr;
    if (!FocusedField(host, &script))
        return 0;
    avm1::Vm& vm = host.vm();
    return Utf8ToChars(vm.ToString(vm.GetOf(script, "text"))).size();
}

} // namespace ww::movie
