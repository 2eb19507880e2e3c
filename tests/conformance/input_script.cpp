#include "tests/conformance/input_script.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>

namespace ww::conformance {

namespace {

// The JSON this reader takes: objects, arrays, strings, numbers, true, false
// and null, nested at most kMaxNesting deep.
constexpr int kMaxNesting = 16;

struct Json {
    enum class Kind { Null, Boolean, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> fields;

    const Json* Find(const std::string& key) const {
        auto it = fields.find(key);
        return kind == Kind::Object && it != fields.end() ? &it->second : nullptr;
    }
};

void AppendUtf8(uint32_t c, std::string* out) {
    if (c < 0x80) {
        *out += char(c);
    } else if (c < 0x800) {
        *out += char(0xC0 | (c >> 6));
        *out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out += char(0xE0 | (c >> 12));
        *out += char(0x80 | ((c >> 6) & 0x3F));
        *out += char(0x80 | (c & 0x3F));
    } else {
        *out += char(0xF0 | (c >> 18));
        *out += char(0x80 | ((c >> 12) & 0x3F));
        *out += char(0x80 | ((c >> 6) & 0x3F));
        *out += char(0x80 | (c & 0x3F));
    }
}

class JsonReader {
  public:
    explicit JsonReader(const std::string& text) : text_(text) {}

    bool Document(Json* out, std::string* error) {
        if (!Value(out, 0) || (SkipSpace(), at_ != text_.size())) {
            if (why_.empty())
                why_ = "unexpected text";
            *error = "offset " + std::to_string(at_) + ": " + why_;
            return false;
        }
        return true;
    }

  private:
    void SkipSpace() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
    }
    bool Fail(const char* why) {
        why_ = why;
        return false;
    }
    bool Take(char c) {
        SkipSpace();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool Word(const char* word) {
        const std::string w(word);
        if (text_.compare(at_, w.size(), w) != 0)
            return Fail("unknown word");
        at_ += w.size();
        return true;
    }

    bool Value(Json* out, int nesting) {
        if (nesting > kMaxNesting)
            return Fail("nested too deep");
        SkipSpace();
        if (at_ >= text_.size())
            return Fail("unexpected end");
        const char c = text_[at_];
        if (c == '{')
            return Object(out, nesting);
        if (c == '[')
            return Array(out, nesting);
        if (c == '"') {
            out->kind = Json::Kind::String;
            return String(&out->text);
        }
        if (c == 't' || c == 'f') {
            out->kind = Json::Kind::Boolean;
            out->boolean = c == 't';
            return Word(c == 't' ? "true" : "false");
        }
        if (c == 'n')
            return Word("null");
        return Number(out);
    }

    bool Number(Json* out) {
        const size_t start = at_;
        while (at_ < text_.size() && (std::isdigit(static_cast<unsigned char>(text_[at_])) ||
                                      std::string("+-.eE").find(text_[at_]) != std::string::npos))
            ++at_;
        if (at_ == start)
            return Fail("a value is expected");
        const std::string digits = text_.substr(start, at_ - start);
        char* end = nullptr;
        out->kind = Json::Kind::Number;
        out->number = std::strtod(digits.c_str(), &end);
        if (end != digits.c_str() + digits.size())
            return Fail("bad number");
        return true;
    }

    bool Hex4(uint32_t* v) {
        if (text_.size() - at_ < 4)
            return Fail("short \\u escape");
        *v = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[at_++];
            const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                          : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                          : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                                                                      : -1;
            if (d < 0)
                return Fail("bad \\u escape");
            *v = *v * 16 + uint32_t(d);
        }
        return true;
    }

    bool String(std::string* out) {
        ++at_; // the opening quote
        out->clear();
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return Fail("control character in a string");
            if (c != '\\') {
                *out += c;
                continue;
            }
            if (at_ >= text_.size())
                break;
            const char e = text_[at_++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                *out += e;
                break;
            case 'b':
                *out += '\b';
                break;
            case 'f':
                *out += '\f';
                break;
            case 'n':
                *out += '\n';
                break;
            case 'r':
                *out += '\r';
                break;
            case 't':
                *out += '\t';
                break;
            case 'u': {
                uint32_t v;
                if (!Hex4(&v))
                    return false;
                if (v >= 0xD800 && v < 0xDC00 && text_.compare(at_, 2, "\\u") == 0) {
                    at_ += 2;
                    uint32_t low;
                    if (!Hex4(&low) || low < 0xDC00 || low >= 0xE000)
                        return Fail("bad surrogate pair");
                    v = 0x10000 + ((v - 0xD800) << 10) + (low - 0xDC00);
                } else if (v >= 0xD800 && v < 0xE000) {
                    return Fail("a lone surrogate");
                }
                AppendUtf8(v, out);
                break;
            }
            default:
                return Fail("unknown escape");
            }
        }
        return Fail("unterminated string");
    }

    bool Array(Json* out, int nesting) {
        ++at_;
        out->kind = Json::Kind::Array;
        if (Take(']'))
            return true;
        do {
            out->items.emplace_back();
            if (!Value(&out->items.back(), nesting + 1))
                return false;
        } while (Take(','));
        return Take(']') || Fail("',' or ']' expected");
    }

    bool Object(Json* out, int nesting) {
        ++at_;
        out->kind = Json::Kind::Object;
        if (Take('}'))
            return true;
        do {
            SkipSpace();
            std::string key;
            if (at_ >= text_.size() || text_[at_] != '"' || !String(&key))
                return why_.empty() ? Fail("a key is expected") : false;
            if (!Take(':'))
                return Fail("':' expected");
            if (out->fields.count(key))
                return Fail("a key given twice");
            if (!Value(&out->fields[key], nesting + 1))
                return false;
        } while (Take(','));
        return Take('}') || Fail("',' or '}' expected");
    }

    const std::string& text_;
    size_t at_ = 0;
    std::string why_;
};

const struct {
    const char* name;
    InputKind kind;
} kKinds[] = {{"MouseMove", InputKind::MouseMove},
              {"MouseDown", InputKind::MouseDown},
              {"MouseUp", InputKind::MouseUp},
              {"MouseWheel", InputKind::MouseWheel},
              {"KeyDown", InputKind::KeyDown},
              {"KeyUp", InputKind::KeyUp},
              {"TextInput", InputKind::TextInput},
              {"TextControl", InputKind::TextControl},
              {"SetClipboardText", InputKind::SetClipboardText},
              {"FocusGained", InputKind::FocusGained},
              {"FocusLost", InputKind::FocusLost},
              {"Wait", InputKind::Wait}};

// The first character of UTF-8 text, and whether it is the only one.
bool SingleCodepoint(const std::string& s, uint32_t* c) {
    if (s.empty())
        return false;
    const unsigned char b = s[0];
    const size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || s.size() != n)
        return false;
    *c = n == 1 ? b : n == 2 ? b & 0x1F : n == 3 ? b & 0x0F : b & 0x07;
    for (size_t i = 1; i < n; ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
            return false;
        *c = (*c << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
    }
    return true;
}

bool ReadPosition(const Json& e, InputEvent* out) {
    const Json* pos = e.Find("pos");
    if (!pos || pos->kind != Json::Kind::Array || pos->items.size() != 2 ||
        pos->items[0].kind != Json::Kind::Number || pos->items[1].kind != Json::Kind::Number)
        return false;
    out->x = pos->items[0].number;
    out->y = pos->items[1].number;
    return true;
}

bool ReadKey(const Json& e, InputEvent* out) {
    const Json* key = e.Find("key");
    if (!key)
        return false;
    if (key->kind == Json::Kind::String) {
        out->key = key->text;
        return !out->key.empty();
    }
    if (key->kind != Json::Kind::Object || key->fields.size() != 1)
        return false;
    const auto& only = *key->fields.begin();
    if (only.second.kind != Json::Kind::String || only.second.text.empty())
        return false;
    out->charKey = only.first == "Char";
    out->numpad = only.first == "Numpad";
    out->key = only.second.text;
    return out->charKey || out->numpad;
}

// Reads one event; false with the reason.
bool ReadEvent(const Json& e, InputEvent* out, std::string* why) {
    const Json* type = e.Find("type");
    if (!type || type->kind != Json::Kind::String) {
        *why = "an event without a type";
        return false;
    }
    bool known = false;
    for (const auto& k : kKinds) {
        if (type->text == k.name) {
            out->kind = k.kind;
            known = true;
        }
    }
    if (!known) {
        *why = "unknown event type \"" + type->text + "\"";
        return false;
    }
    bool ok = true;
    const Json* field = nullptr;
    switch (out->kind) {
    case InputKind::MouseMove:
        ok = ReadPosition(e, out);
        break;
    case InputKind::MouseDown:
    case InputKind::MouseUp:
        field = e.Find("btn");
        ok = ReadPosition(e, out) && field && field->kind == Json::Kind::String;
        if (ok)
            out->button = field->text;
        break;
    case InputKind::MouseWheel:
        field = e.Find("lines");
        ok = field && field->kind == Json::Kind::Number;
        if (ok)
            out->lines = field->number;
        break;
    case InputKind::KeyDown:
    case InputKind::KeyUp:
        ok = ReadKey(e, out);
        break;
    case InputKind::TextInput:
        field = e.Find("codepoint");
        ok = field && field->kind == Json::Kind::String &&
             SingleCodepoint(field->text, &out->codepoint);
        break;
    case InputKind::TextControl:
    case InputKind::SetClipboardText:
        field = e.Find(out->kind == InputKind::TextControl ? "code" : "text");
        ok = field && field->kind == Json::Kind::String;
        if (ok)
            out->text = field->text;
        break;
    default:
        break;
    }
    if (!ok)
        *why = "a " + type->text + " event with missing or bad fields";
    return ok;
}

} // namespace

bool ParseInputScript(const std::string& json, std::vector<InputEvent>* events,
                      std::string* error) {
    events->clear();
    Json root;
    if (!JsonReader(json).Document(&root, error))
        return false;
    if (root.kind != Json::Kind::Array) {
        *error = "the events are not a list";
        return false;
    }
    for (size_t i = 0; i < root.items.size(); ++i) {
        InputEvent e;
        std::string why;
        if (!ReadEvent(root.items[i], &e, &why)) {
            *error = "event " + std::to_string(i + 1) + ": " + why;
            events->clear();
            return false;
        }
        events->push_back(std::move(e));
    }
    return true;
}

bool KeyCodeOf(const InputEvent& e, int* code, int* ascii) {
    static const struct {
        const char* name;
        int code, ascii;
    } kNamed[] = {{"Backspace", 8, 8},     {"Tab", 9, 9},         {"Enter", 13, 13},
                  {"LeftShift", 16, 0},    {"RightShift", 16, 0}, {"LeftControl", 17, 0},
                  {"RightControl", 17, 0}, {"LeftAlt", 18, 0},    {"RightAlt", 18, 0},
                  {"CapsLock", 20, 0},     {"Escape", 27, 27},    {"Space", 32, 32},
                  {"PageUp", 33, 0},       {"PageDown", 34, 0},   {"End", 35, 0},
                  {"Home", 36, 0},         {"ArrowLeft", 37, 0},  {"ArrowUp", 38, 0},
                  {"ArrowRight", 39, 0},   {"ArrowDown", 40, 0},  {"Insert", 45, 0},
                  {"Delete", 46, 127}};
    *code = *ascii = 0;
    if (e.charKey || e.numpad) {
        uint32_t c;
        if (!SingleCodepoint(e.key, &c) || c >= 0x80)
            return false;
        if (e.numpad) {
            if (c < '0' || c > '9')
                return false;
            *code = 96 + int(c - '0');
            *ascii = int(c);
            return true;
        }
        *ascii = int(c);
        if (c >= 'a' && c <= 'z')
            *code = int(c - 'a' + 'A');
        else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ')
            *code = int(c);
        else {
            // Punctuation on a US keyboard, by its unshifted key.
            static const char* const kKeys = ";=,-./`[\\]'";
            static const char* const kShifted = ":+<_>?~{|}\"";
            static const int kCodes[] = {186, 187, 188, 189, 190, 191, 192, 219, 220, 221, 222};
            for (int i = 0; kKeys[i]; ++i) {
                if (char(c) == kKeys[i] || char(c) == kShifted[i])
                    *code = kCodes[i];
            }
            if (*code == 0) {
                static const char* const kDigitShifted = ")!@#$%^&*(";
                for (int i = 0; kDigitShifted[i]; ++i) {
                    if (char(c) == kDigitShifted[i])
                        *code = '0' + i;
                }
            }
        }
        return *code != 0;
    }
    for (const auto& k : kNamed) {
        if (e.key == k.name) {
            *code = k.code;
            *ascii = k.ascii;
            return true;
        }
    }
    return false;
}

} // namespace ww::conformance
