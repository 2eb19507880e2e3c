// A reader for the part of TOML the conformance suite's test.toml files use:
// comments, bare, quoted and dotted keys, [tables] with dotted or quoted names,
// [[arrays of tables]], basic and literal strings, integers, floats, booleans,
// arrays and inline tables (over several lines too). Dates and multi-line
// strings are refused with the line they are on, as is a key given twice.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ww::conformance {

struct TomlValue {
    enum class Kind { String, Integer, Float, Boolean, Array, Table };
    Kind kind = Kind::Table;
    std::string text;
    int64_t integer = 0;
    double number = 0;
    bool boolean = false;
    std::vector<TomlValue> items;            // Array
    std::map<std::string, TomlValue> fields; // Table

    // The field of a table, or null when this is not a table or lacks it.
    const TomlValue* Find(const std::string& key) const;
    // Integers and floats alike, as a double.
    bool IsNumber() const { return kind == Kind::Integer || kind == Kind::Float; }
    double AsNumber() const { return kind == Kind::Integer ? double(integer) : number; }
};

// The document's root table; false with "line N: why" in error.
bool ParseToml(const std::string& text, TomlValue* root, std::string* error);

} // namespace ww::conformance
