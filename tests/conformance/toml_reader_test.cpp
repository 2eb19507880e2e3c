// The TOML subset test.toml files use, and what the reader must refuse.
#include "tests/conformance/toml_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace ww::conformance {
namespace {

using Kind = TomlValue::Kind;

// The value at a dotted path of plain names; "name#N" takes item N of an
// array. Null when any step is missing.
const TomlValue* At(const TomlValue& root, const std::string& path) {
    const TomlValue* v = &root;
    size_t start = 0;
    while (v && start <= path.size()) {
        const size_t dot = path.find('/', start);
        std::string step =
            path.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        const size_t hash = step.find('#');
        if (hash != std::string::npos) {
            const size_t index = std::stoul(step.substr(hash + 1));
            v = v->Find(step.substr(0, hash));
            v = v && v->kind == Kind::Array && index < v->items.size() ? &v->items[index] : nullptr;
        } else {
            v = v->Find(step);
        }
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    return v;
}

std::string Show(const TomlValue& v) {
    switch (v.kind) {
    case Kind::String:
        return "s:" + v.text;
    case Kind::Integer:
        return "i:" + std::to_string(v.integer);
    case Kind::Float:
        return std::isnan(v.number) ? "f:nan" : "f:" + std::to_string(v.number);
    case Kind::Boolean:
        return v.boolean ? "b:true" : "b:false";
    case Kind::Array:
        return "array of " + std::to_string(v.items.size());
    case Kind::Table:
        return "table of " + std::to_string(v.fields.size());
    }
    return "";
}

TEST(TomlReader, ReadsTheSubsetTheSuiteUses) {
    // Paths use '/' between steps so that names holding dots stay whole.
    struct Case {
        const char* text;
        const char* path;
        const char* want;
    } cases[] = {
        {"num_frames = 1", "num_frames", "i:1"},
        {"num_ticks=300 # comment", "num_ticks", "i:300"},
        {"a = -17\nb = +3", "a", "i:-17"},
        {"a = 1_000", "a", "i:1000"},
        {"a = 0xff", "a", "i:255"},
        {"a = 0o17", "a", "i:15"},
        {"a = 0b101", "a", "i:5"},
        {"epsilon = 0.051", "epsilon", "f:0.051000"},
        {"a = 1e3", "a", "f:1000.000000"},
        {"a = -2.5E-1", "a", "f:-0.250000"},
        {"a = nan", "a", "f:nan"},
        {"known_failure = true", "known_failure", "b:true"},
        {"k = false", "k", "b:false"},
        {"s = \"tab\\there \\\"q\\\" \\u00e9\"", "s", "s:tab\there \"q\" \xc3\xa9"},
        {"filter = 'not(arch = \"aarch64\")'", "filter", "s:not(arch = \"aarch64\")"},
        {"p = [\"(\\\\d+\\\\.\\\\d+)\"]", "p#0", "s:(\\d+\\.\\d+)"},
        {"frames = [4]", "frames#0", "i:4"},
        {"a = [1, [2, 3], ]", "a#1", "array of 2"},
        {"a = [\n  1, # one\n  2\n]", "a#1", "i:2"},
        {"a = []", "a", "array of 0"},
        {"[player_options]\nwith_renderer = { optional = false, quality = \"low\" }",
         "player_options/with_renderer/quality", "s:low"},
        {"v = { width = 800, height = 400, scale_factor = 1.0 }", "v/scale_factor", "f:1.000000"},
        {"t = {}", "t", "table of 0"},
        {"[[compilers]]\noptimizations = {\n    promote_variables_to_registers = false\n}\nx = 1",
         "compilers#0/optimizations/promote_variables_to_registers", "b:false"},
        {"t = { a = 1, # one\n b = 2, }\nc = 3", "c", "i:3"},
        {"[image_comparisons.output]\ntolerance = 2", "image_comparisons/output/tolerance", "i:2"},
        {"[image_comparisons.\"output.01\"]\ntrigger = 1", "image_comparisons/output.01/trigger",
         "i:1"},
        {"image_comparisons.\"output\".trigger = 1", "image_comparisons/output/trigger", "i:1"},
        {"[a . 'b c']\nx = 1", "a/b c/x", "i:1"},
        {"[[image_comparisons.\"o.1\".checks]]\ntolerance = 10\n"
         "[[image_comparisons.\"o.1\".checks]]\ntolerance = 64",
         "image_comparisons/o.1/checks#1/tolerance", "i:64"},
        {"[[compilers]]\ntype = \"Rascal\"\n[[compilers]]\ntype = \"Other\"\n[compilers.x]\ny=1",
         "compilers#1/x/y", "i:1"},
        {"[shared_objects.\"localhost//avm1_test_suite\"]",
         "shared_objects/localhost//avm1_test_suite", nullptr},
        {"a = 1\r\nb = 2\r\n", "b", "i:2"},
        {"", "a", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TomlValue root;
        std::string error;
        ASSERT_TRUE(ParseToml(c.text, &root, &error)) << error;
        if (c.want) {
            const TomlValue* v = At(root, c.path);
            ASSERT_NE(v, nullptr) << c.path;
            EXPECT_EQ(Show(*v), c.want);
        }
    }
}

TEST(TomlReader, RefusesWhatItDoesNotReadWithTheLine) {
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"a = 1\na = 2", "line 2: a is given twice"},
        {"a = 1\n[a]", "line 2: a is not a table"},
        {"a = 1\n[[a]]", "line 2: a is not an array of tables"},
        {"a = \"open", "line 1: a string is not closed on its line"},
        {"a = 'open\n'", "line 1: a string is not closed on its line"},
        {"a = \"\"\"x\"\"\"", "line 1: multi-line strings are not read"},
        {"a = \"\\q\"", "line 1: unknown escape in a string"},
        {"a = \"\\uD800\"", "line 1: a \\u escape names no character"},
        {"a = \"\\u12\"", "line 1: a \\u escape needs hexadecimal digits"},
        {"d = 1979-05-27", "line 1: dates are not read"},
        {"t = 07:32:00", "line 1: dates are not read"},
        {"a = 1 2", "line 1: unexpected '2' after the value"},
        {"a", "line 1: '=' was expected after a"},
        {"= 1", "line 1: a key was expected"},
        {"a =", "line 1: a value was expected"},
        {"a = [1 2]", "line 1: ',' or ']' was expected in an array"},
        {"a = {b = 1 c = 2}", "line 1: ',' or '}' was expected in an inline table"},
        {"[a", "line 1: a table name must end with ]"},
        {"[[a]", "line 1: a table name must end with ]]"},
        {"a = 1__0", "line 1: '1__0' is not a value"},
        {"a = 01", "line 1: '01' is not a value"},
        {"a = 1.", "line 1: '1.' is not a value"},
        {"a = -0x1", "line 1: '-0x1' is not a value"},
        {"a = yes", "line 1: 'yes' is not a value"},
        {"a = 99999999999999999999", "line 1: '99999999999999999999' does not fit in 64 bits"},
        {"\n\nb = { c = 1, c = 2 }", "line 3: c is given twice"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TomlValue root;
        std::string error;
        EXPECT_FALSE(ParseToml(c.text, &root, &error));
        EXPECT_EQ(error, c.error);
        EXPECT_TRUE(root.fields.empty());
    }
}

TEST(TomlReader, DeepNestingIsRefusedNotFollowed) {
    for (const char open : {'[', '{'}) {
        std::string text = "a = ";
        for (int i = 0; i < 100000; ++i)
            text += open == '[' ? "[" : "{b=";
        TomlValue root;
        std::string error;
        EXPECT_FALSE(ParseToml(text, &root, &error));
        EXPECT_EQ(error, "line 1: values nested too deep");
    }
}

} // namespace
} // namespace ww::conformance
