#include "tests/conformance/toml_reader.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace ww::conformance {

const TomlValue* TomlValue::Find(const std::string& key) const {
    if (kind != Kind::Table)
        return nullptr;
    auto it = fields.find(key);
    return it == fields.end() ? nullptr : &it->second;
}

namespace {

// Arrays and inline tables nested deeper than this are refused rather than
// followed down the stack.
constexpr int kMaxNesting = 64;

bool IsBareKeyChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-';
}

void AppendUtf8(uint32_t code, std::string* out) {
    if (code < 0x80) {
        *out += char(code);
    } else if (code < 0x800) {
        *out += char(0xC0 | (code >> 6));
        *out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out += char(0xE0 | (code >> 12));
        *out += char(0x80 | ((code >> 6) & 0x3F));
        *out += char(0x80 | (code & 0x3F));
    } else {
        *out += char(0xF0 | (code >> 18));
        *out += char(0x80 | ((code >> 12) & 0x3F));
        *out += char(0x80 | ((code >> 6) & 0x3F));
        *out += char(0x80 | (code & 0x3F));
    }
}

class TomlParser {
  public:
    TomlParser(const std::string& text, std::string* error) : text_(text), error_(error) {}

    bool Document(TomlValue* root) {
        root->kind = TomlValue::Kind::Table;
        TomlValue* table = root;
        while (!AtEnd()) {
            SkipSpaces();
            if (AtEnd())
                break;
            if (Peek() == '#' || Peek() == '\n' || Peek() == '\r') {
                if (!EndOfLine())
                    return false;
                continue;
            }
            if (Peek() == '[') {
                table = Header(root);
                if (!table)
                    return false;
            } else if (!KeyValue(table)) {
                return false;
            }
            if (!EndOfLine())
                return false;
        }
        return true;
    }

  private:
    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek(size_t ahead = 0) const {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }
    bool Fail(const std::string& why) {
        *error_ = "line " + std::to_string(line_) + ": " + why;
        return false;
    }
    void SkipSpaces() {
        while (Peek() == ' ' || Peek() == '\t')
            ++pos_;
    }
    // Spaces, comments and line breaks, as arrays allow between their items.
    void SkipBlank() {
        for (;;) {
            SkipSpaces();
            if (Peek() == '#') {
                while (!AtEnd() && Peek() != '\n')
                    ++pos_;
            } else if (Peek() == '\r' && Peek(1) == '\n') {
                pos_ += 2;
                ++line_;
            } else if (Peek() == '\n') {
                ++pos_;
                ++line_;
            } else {
                return;
            }
        }
    }
    // What may follow a statement: spaces, a comment, then the line's end.
    bool EndOfLine() {
        SkipSpaces();
        if (Peek() == '#') {
            while (!AtEnd() && Peek() != '\n') {
                const unsigned char c = static_cast<unsigned char>(Peek());
                if (c < 0x20 && c != '\t' && c != '\r')
                    return Fail("control character in a comment");
                ++pos_;
            }
        }
        if (AtEnd())
            return true;
        if (Peek() == '\r' && Peek(1) == '\n')
            ++pos_;
        if (Peek() != '\n')
            return Fail(std::string("unexpected '") + Peek() + "' after the value");
        ++pos_;
        ++line_;
        return true;
    }

    bool KeyPart(std::string* part) {
        if (Peek() == '"')
            return BasicString(part);
        if (Peek() == '\'')
            return LiteralString(part);
        const size_t start = pos_;
        while (IsBareKeyChar(Peek()))
            ++pos_;
        if (pos_ == start)
            return Fail("a key was expected");
        *part = text_.substr(start, pos_ - start);
        return true;
    }

    bool Key(std::vector<std::string>* parts) {
        parts->clear();
        for (;;) {
            SkipSpaces();
            std::string part;
            if (!KeyPart(&part))
                return false;
            parts->push_back(part);
            SkipSpaces();
            if (Peek() != '.')
                return true;
            ++pos_;
        }
    }

    static std::string Dotted(const std::vector<std::string>& parts, size_t count) {
        std::string name;
        for (size_t i = 0; i < count; ++i)
            name += (i ? "." : "") + parts[i];
        return name;
    }

    // The table a header or dotted key names part by part: missing tables are
    // made, an array of tables stands for its last table.
    TomlValue* Descend(TomlValue* table, const std::vector<std::string>& parts, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            TomlValue& next = table->fields[parts[i]];
            if (next.kind == TomlValue::Kind::Array && !next.items.empty() &&
                next.items.back().kind == TomlValue::Kind::Table) {
                table = &next.items.back();
            } else if (next.kind == TomlValue::Kind::Table) {
                table = &next;
            } else {
                Fail(Dotted(parts, i + 1) + " is not a table");
                return nullptr;
            }
        }
        return table;
    }

    TomlValue* Header(TomlValue* root) {
        ++pos_;
        const bool arrayOfTables = Peek() == '[';
        if (arrayOfTables)
            ++pos_;
        std::vector<std::string> parts;
        if (!Key(&parts))
            return nullptr;
        if (Peek() != ']' || (arrayOfTables && Peek(1) != ']')) {
            Fail("a table name must end with " + std::string(arrayOfTables ? "]]" : "]"));
            return nullptr;
        }
        pos_ += arrayOfTables ? 2 : 1;
        if (!arrayOfTables)
            return Descend(root, parts, parts.size());
        TomlValue* parent = Descend(root, parts, parts.size() - 1);
        if (!parent)
            return nullptr;
        auto found = parent->fields.find(parts.back());
        if (found == parent->fields.end()) {
            found = parent->fields.emplace(parts.back(), TomlValue()).first;
            found->second.kind = TomlValue::Kind::Array;
        } else if (found->second.kind != TomlValue::Kind::Array) {
            Fail(Dotted(parts, parts.size()) + " is not an array of tables");
            return nullptr;
        }
        found->second.items.emplace_back();
        return &found->second.items.back();
    }

    bool KeyValue(TomlValue* table, int nesting = 0) {
        std::vector<std::string> parts;
        if (!Key(&parts))
            return false;
        if (Peek() != '=')
            return Fail("'=' was expected after " + Dotted(parts, parts.size()));
        ++pos_;
        SkipSpaces();
        TomlValue* parent = Descend(table, parts, parts.size() - 1);
        if (!parent)
            return false;
        if (parent->fields.count(parts.back()))
            return Fail(Dotted(parts, parts.size()) + " is given twice");
        TomlValue value;
        if (!Value(&value, nesting))
            return false;
        parent->fields.emplace(parts.back(), std::move(value));
        return true;
    }

    bool Value(TomlValue* value, int nesting) {
        if (nesting > kMaxNesting)
            return Fail("values nested too deep");
        switch (Peek()) {
        case '"':
            value->kind = TomlValue::Kind::String;
            return BasicString(&value->text);
        case '\'':
            value->kind = TomlValue::Kind::String;
            return LiteralString(&value->text);
        case '[':
            return Array(value, nesting);
        case '{':
            return InlineTable(value, nesting);
        default:
            return Scalar(value);
        }
    }

    bool Array(TomlValue* value, int nesting) {
        value->kind = TomlValue::Kind::Array;
        ++pos_;
        for (;;) {
            SkipBlank();
            if (Peek() == ']') {
                ++pos_;
                return true;
            }
            value->items.emplace_back();
            if (!Value(&value->items.back(), nesting + 1))
                return false;
            SkipBlank();
            if (Peek() == ',') {
                ++pos_;
            } else if (Peek() != ']') {
                return Fail("',' or ']' was expected in an array");
            }
        }
    }

    // Line breaks and a trailing comma are taken inside the braces, as the
    // suite's own files write longer inline tables over several lines.
    bool InlineTable(TomlValue* value, int nesting) {
        value->kind = TomlValue::Kind::Table;
        ++pos_;
        for (;;) {
            SkipBlank();
            if (Peek() == '}') {
                ++pos_;
                return true;
            }
            if (!KeyValue(value, nesting + 1))
                return false;
            SkipBlank();
            if (Peek() == ',') {
                ++pos_;
            } else if (Peek() != '}') {
                return Fail("',' or '}' was expected in an inline table");
            }
        }
    }

    bool BasicString(std::string* out) {
        if (Peek(1) == '"' && Peek(2) == '"')
            return Fail("multi-line strings are not read");
        ++pos_;
        out->clear();
        for (;;) {
            if (AtEnd() || Peek() == '\n')
                return Fail("a string is not closed on its line");
            const char c = text_[pos_++];
            if (c == '"')
                return true;
            if (c != '\\') {
                *out += c;
                continue;
            }
            const char e = AtEnd() ? '\0' : text_[pos_++];
            switch (e) {
            case 'b':
                *out += '\b';
                break;
            case 't':
                *out += '\t';
                break;
            case 'n':
                *out += '\n';
                break;
            case 'f':
                *out += '\f';
                break;
            case 'r':
                *out += '\r';
                break;
            case '"':
                *out += '"';
                break;
            case '\\':
                *out += '\\';
                break;
            case 'u':
            case 'U':
                if (!Unicode(e == 'u' ? 4 : 8, out))
                    return false;
                break;
            default:
                return Fail("unknown escape in a string");
            }
        }
    }

    bool Unicode(int digits, std::string* out) {
        uint32_t code = 0;
        for (int i = 0; i < digits; ++i) {
            const char h = Peek();
            uint32_t d;
            if (h >= '0' && h <= '9')
                d = h - '0';
            else if (h >= 'a' && h <= 'f')
                d = h - 'a' + 10;
            else if (h >= 'A' && h <= 'F')
                d = h - 'A' + 10;
            else
                return Fail("a \\u escape needs hexadecimal digits");
            code = code * 16 + d;
            ++pos_;
        }
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return Fail("a \\u escape names no character");
        AppendUtf8(code, out);
        return true;
    }

    bool LiteralString(std::string* out) {
        if (Peek(1) == '\'' && Peek(2) == '\'')
            return Fail("multi-line strings are not read");
        ++pos_;
        const size_t start = pos_;
        while (!AtEnd() && Peek() != '\'' && Peek() != '\n')
            ++pos_;
        if (Peek() != '\'')
            return Fail("a string is not closed on its line");
        *out = text_.substr(start, pos_ - start);
        ++pos_;
        return true;
    }

    // true, false, integers (decimal, 0x, 0o, 0b) and floats, with '_'
    // between digits.
    bool Scalar(TomlValue* value) {
        const size_t start = pos_;
        while (!AtEnd()) {
            const char c = Peek();
            if (c == ' ' || c == '\t' || c == ',' || c == ']' || c == '}' || c == '#' ||
                c == '\n' || c == '\r')
                break;
            ++pos_;
        }
        const std::string token = text_.substr(start, pos_ - start);
        if (token.empty())
            return Fail("a value was expected");
        if (token == "true" || token == "false") {
            value->kind = TomlValue::Kind::Boolean;
            value->boolean = token == "true";
            return true;
        }
        if (token.find(':') != std::string::npos ||
            (token.size() > 4 && token[4] == '-' && token[0] != '-' && token[0] != '+'))
            return Fail("dates are not read");
        std::string digits;
        if (!StripUnderscores(token, &digits))
            return Fail("'" + token + "' is not a value");
        return Number(token, digits, value);
    }

    static bool StripUnderscores(const std::string& token, std::string* digits) {
        for (size_t i = 0; i < token.size(); ++i) {
            if (token[i] != '_') {
                *digits += token[i];
                continue;
            }
            const bool between = i > 0 && i + 1 < token.size() &&
                                 std::isalnum(static_cast<unsigned char>(token[i - 1])) &&
                                 std::isalnum(static_cast<unsigned char>(token[i + 1]));
            if (!between)
                return false;
        }
        return true;
    }

    bool Number(const std::string& token, const std::string& digits, TomlValue* value) {
        const std::string unsignedPart =
            (digits[0] == '+' || digits[0] == '-') ? digits.substr(1) : digits;
        const bool negative = digits[0] == '-';
        if (unsignedPart == "inf" || unsignedPart == "nan") {
            value->kind = TomlValue::Kind::Float;
            value->number = unsignedPart == "inf" ? std::numeric_limits<double>::infinity()
                                                  : std::numeric_limits<double>::quiet_NaN();
            if (negative)
                value->number = -value->number;
            return true;
        }
        int base = 10;
        std::string body = unsignedPart;
        if (body.size() > 2 && body[0] == '0' &&
            (body[1] == 'x' || body[1] == 'o' || body[1] == 'b')) {
            if (unsignedPart.size() != digits.size())
                return Fail("'" + token + "' is not a value");
            base = body[1] == 'x' ? 16 : body[1] == 'o' ? 8 : 2;
            body = body.substr(2);
        }
        const bool isFloat = base == 10 && body.find_first_of(".eE") != std::string::npos;
        const unsigned char first = body.empty() ? 0 : static_cast<unsigned char>(body[0]);
        if (!(base == 16 ? std::isxdigit(first) : std::isdigit(first)) ||
            (base == 10 && body.size() > 1 && body[0] == '0' &&
             std::isdigit(static_cast<unsigned char>(body[1]))))
            return Fail("'" + token + "' is not a value");
        const std::string signedBody = (negative ? "-" : "") + body;
        char* end = nullptr;
        errno = 0;
        if (isFloat) {
            // A dot needs digits on both sides.
            const size_t dot = body.find('.');
            if (dot != std::string::npos &&
                (dot + 1 >= body.size() ||
                 !std::isdigit(static_cast<unsigned char>(body[dot + 1]))))
                return Fail("'" + token + "' is not a value");
            value->kind = TomlValue::Kind::Float;
            value->number = std::strtod(signedBody.c_str(), &end);
        } else {
            value->kind = TomlValue::Kind::Integer;
            value->integer = std::strtoll(signedBody.c_str(), &end, base);
        }
        if (*end != '\0')
            return Fail("'" + token + "' is not a value");
        if (errno == ERANGE && !isFloat)
            return Fail("'" + token + "' does not fit in 64 bits");
        return true;
    }

    const std::string& text_;
    std::string* error_;
    size_t pos_ = 0;
    int line_ = 1;
};

} // namespace

bool ParseToml(const std::string& text, TomlValue* root, std::string* error) {
    *root = TomlValue();
    std::string why;
    TomlParser parser(text, &why);
    if (parser.Document(root))
        return true;
    if (error)
        *error = why;
    *root = TomlValue();
    return false;
}

} // namespace ww::conformance
