// input.json read into events, and keys into Flash's key codes.
#include "tests/conformance/input_script.h"

#include <gtest/gtest.h>

namespace ww::conformance {
namespace {

// An event in one line: its kind's number, then what it carries.
std::string Describe(const InputEvent& e) {
    std::string s = std::to_string(int(e.kind));
    switch (e.kind) {
    case InputKind::MouseMove:
    case InputKind::MouseDown:
    case InputKind::MouseUp:
        s += " " + std::to_string(int(e.x)) + "," + std::to_string(int(e.y)) + " " + e.button;
        break;
    case InputKind::MouseWheel:
        s += " " + std::to_string(int(e.lines));
        break;
    case InputKind::KeyDown:
    case InputKind::KeyUp:
        s += std::string(e.charKey ? " char " : e.numpad ? " pad " : " ") + e.key;
        break;
    case InputKind::TextInput:
        s += " U+" + std::to_string(e.codepoint);
        break;
    case InputKind::TextControl:
    case InputKind::SetClipboardText:
        s += " " + e.text;
        break;
    default:
        break;
    }
    return s;
}

TEST(InputScript, ReadsEachKindOfEvent) {
    struct Case {
        const char* json;
        const char* want; // events joined with '|'
    } cases[] = {
        {"[]", ""},
        {R"([{"type": "MouseMove", "pos": [270.0, 182.5]}])", "0 270,182 "},
        {R"([{"type":"MouseDown","pos":[5,6],"btn":"Left"},{"type":"Wait"}])", "1 5,6 Left|11"},
        {R"([{"type": "MouseWheel", "lines": -1}])", "3 -1"},
        {R"([{"type": "KeyDown", "key": "Tab"}, {"type": "KeyUp", "key": {"Char": "\""}}])",
         "4 Tab|5 char \""},
        {R"([{"type": "KeyDown", "key": {"Numpad": "1"}}])", "4 pad 1"},
        {R"([{"type": "TextInput", "codepoint": "\t"}])", "6 U+9"},
        {R"([{"type": "TextInput", "codepoint": "\u0105"}])", "6 U+261"},
        {"[{\"type\": \"TextInput\", \"codepoint\": \"\xe2\x86\x92\"}]", "6 U+8594"},
        {R"([{"type": "TextInput", "codepoint": "\ud83d\ude00"}])", "6 U+128512"},
        {R"([{"type": "TextControl", "code": "Paste"}])", "7 Paste"},
        {R"([{"type": "SetClipboardText", "text": ""}])", "8 "},
        {R"([ { "type": "FocusGained" } , { "type": "FocusLost" } ])", "9|10"},
    };
    for (const Case& c : cases) {
        std::vector<InputEvent> events;
        std::string error;
        ASSERT_TRUE(ParseInputScript(c.json, &events, &error)) << c.json << ": " << error;
        std::string got;
        for (size_t i = 0; i < events.size(); ++i)
            got += (i ? "|" : "") + Describe(events[i]);
        EXPECT_EQ(got, c.want) << c.json;
    }
}

TEST(InputScript, RefusesBadFiles) {
    const char* cases[] = {
        "",
        "{}",
        "[",
        "[{\"type\": \"Wait\"},]",
        "[{\"type\": \"Wait\"}] x",
        "[{\"type\": \"Jump\"}]",
        "[{\"pos\": [1, 2]}]",
        "[{\"type\": \"MouseMove\"}]",
        "[{\"type\": \"MouseMove\", \"pos\": [1]}]",
        "[{\"type\": \"MouseDown\", \"pos\": [1, 2]}]",
        "[{\"type\": \"KeyDown\", \"key\": 5}]",
        "[{\"type\": \"KeyDown\", \"key\": {\"Other\": \"a\"}}]",
        "[{\"type\": \"TextInput\", \"codepoint\": \"ab\"}]",
        "[{\"type\": \"TextInput\", \"codepoint\": \"\"}]",
        "[{\"type\": \"TextInput\", \"codepoint\": \"\\ud83d\"}]",
        "[{\"type\": \"Wait\", \"type\": \"Wait\"}]",
        "[{\"type\": \"Wait\"}, \"unterminated]",
        "[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[]]]]]]]]]]]]]]]]]]]]]]]]]]]]]",
    };
    for (const char* json : cases) {
        std::vector<InputEvent> events;
        std::string error;
        EXPECT_FALSE(ParseInputScript(json, &events, &error)) << json;
        EXPECT_FALSE(error.empty()) << json;
        EXPECT_TRUE(events.empty()) << json;
    }
}

TEST(InputScript, KeysBecomeFlashKeyCodes) {
    struct Case {
        const char* key;
        bool charKey, numpad;
        int code, ascii;
    } cases[] = {
        {"Tab", false, false, 9, 9},        {"Enter", false, false, 13, 13},
        {"Escape", false, false, 27, 27},   {"Space", false, false, 32, 32},
        {"LeftShift", false, false, 16, 0}, {"ArrowLeft", false, false, 37, 0},
        {"Delete", false, false, 46, 127},  {"PageDown", false, false, 34, 0},
        {"a", true, false, 65, 'a'},        {"Z", true, false, 90, 'Z'},
        {"5", true, false, 53, '5'},        {"\"", true, false, 222, '"'},
        {"(", true, false, 57, '('},        {"1", false, true, 97, '1'},
    };
    for (const Case& c : cases) {
        InputEvent e;
        e.kind = InputKind::KeyDown;
        e.key = c.key;
        e.charKey = c.charKey;
        e.numpad = c.numpad;
        int code = -1, ascii = -1;
        ASSERT_TRUE(KeyCodeOf(e, &code, &ascii)) << c.key;
        EXPECT_EQ(code, c.code) << c.key;
        EXPECT_EQ(ascii, c.ascii) << c.key;
    }
    InputEvent unknown;
    unknown.key = "Hyper";
    int code, ascii;
    EXPECT_FALSE(KeyCodeOf(unknown, &code, &ascii));
}

} // namespace
} // namespace ww::conformance
