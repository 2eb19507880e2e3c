// Keys, the focus and typing driven through the player: what Key answers,
// who hears a key and in which order, where Tab takes the focus, and how
// the focused input field is edited; and the editing rules on their own.
#include "movie/keyboard.h"
#include "movie/text_input.h"
#include "tests/movie/movie_test_util.h"

#include <string>
#include <vector>

namespace ww::test {
namespace {

using movie::EditBuffer;
using movie::EditRules;
using movie::TextCommand;

// Text with the selection marked: [ and ] around it, | for a bare caret.
std::string Marked(const EditBuffer& b) {
    const size_t from = std::min(b.anchor, b.caret), to = std::max(b.anchor, b.caret);
    const std::u32string& t = b.text;
    std::string out = movie::CharsToUtf8(t.substr(0, from));
    out += from == to ? "|" : "[" + movie::CharsToUtf8(t.substr(from, to - from)) + "]";
    return out + movie::CharsToUtf8(t.substr(to));
}

TEST(TextInput, EditsAtTheCaretAndOverTheSelection) {
    struct Case {
        const char* name;
        const char* text;
        size_t anchor, caret;
        bool typing; // type typed, else apply command
        const char* typed;
        TextCommand command;
        EditRules rules;
        const char* want;
        bool changed;
    } cases[] = {
        {"type at the caret", "ac", 1, 1, true, "b", {}, {}, "ab|c", true},
        {"type over a selection", "abcd", 1, 3, true, "x", {}, {}, "ax|d", true},
        {"control characters are not typed", "a", 1, 1, true, "\t", {}, {}, "a|", false},
        {"a newline only in a multiline field", "a", 1, 1, true, "\n", {}, {}, "a|", false},
        {"maxChars stops typing", "abc", 3, 3, true, "d", {}, {false, {}, 3}, "abc|", false},
        {"maxChars cuts a paste",
         "ab",
         2,
         2,
         false,
         "",
         TextCommand::Paste,
         {false, {}, 4},
         "abxy|",
         true},
        {"maxChars counts the selection as gone",
         "abc",
         0,
         3,
         true,
         "z",
         {},
         {false, {}, 3},
         "z|",
         true},
        {"backspace", "abc", 2, 2, false, "", TextCommand::Backspace, {}, "a|c", true},
        {"backspace at the start",
         "abc",
         0,
         0,
         false,
         "",
         TextCommand::Backspace,
         {},
         "|abc",
         false},
        {"backspace takes the selection",
         "abcd",
         3,
         1,
         false,
         "",
         TextCommand::Backspace,
         {},
         "a|d",
         true},
        {"delete", "abc", 1, 1, false, "", TextCommand::Delete, {}, "a|c", true},
        {"delete at the end", "abc", 3, 3, false, "", TextCommand::Delete, {}, "abc|", false},
        {"left leaves a selection at its start",
         "abcd",
         1,
         3,
         false,
         "",
         TextCommand::Left,
         {},
         "a|bcd",
         false},
        {"right", "abc", 1, 1, false, "", TextCommand::Right, {}, "ab|c", false},
        {"right stops at the end", "ab", 2, 2, false, "", TextCommand::Right, {}, "ab|", false},
        {"select left keeps the anchor",
         "abc",
         2,
         2,
         false,
         "",
         TextCommand::SelectLeft,
         {},
         "a[b]c",
         false},
        {"home and end", "abc", 1, 1, false, "", TextCommand::End, {}, "abc|", false},
        {"select all", "abc", 1, 1, false, "", TextCommand::SelectAll, {}, "[abc]", false},
        {"enter in a multiline field",
         "ab",
         1,
         1,
         false,
         "",
         TextCommand::Enter,
         {false, {}, 0, false, true},
         "a\r|b",
         true},
        {"cut", "abcd", 1, 3, false, "", TextCommand::Cut, {}, "a|d", true},
        {"a password is never cut",
         "abcd",
         1,
         3,
         false,
         "",
         TextCommand::Cut,
         {false, {}, 0, true},
         "a[bc]d",
         false},
        {"restrict lets only its characters in",
         "",
         0,
         0,
         true,
         "a1b2",
         {},
         {true, U"0-9"},
         "12|",
         true},
        {"a caret past the end is brought back", "ab", 9, 9, true, "c", {}, {}, "abc|", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EditBuffer b{movie::Utf8ToChars(c.text), c.anchor, c.caret};
        std::u32string clipboard = U"xyz";
        const bool changed = c.typing ? movie::TypeText(b, movie::Utf8ToChars(c.typed), c.rules)
                                      : movie::ApplyEdit(b, c.command, &clipboard, c.rules);
        EXPECT_EQ(Marked(b), c.want);
        EXPECT_EQ(changed, c.changed);
    }
}

TEST(TextInput, RestrictPatterns) {
    struct Case {
        const char32_t* pattern;
        const char* allowed; // each character: what comes in, '.' refused
        const char* typed;
    } cases[] = {
        {U"a-z", "aba.", "abA1"},     // an upper case letter comes in lower case
        {U"A-Z", "ABA.", "abA1"},     // and the other way round
        {U"^0-9", "ab..", "ab12"},    // everything but digits
        {U"a-z^m", "al.n", "almn"},   // a range with a hole
        {U"\\-x", "-x.", "-xy"},      // an escaped dash
        {U"a-", "aa.", "aAb"},        // a dash at the end means nothing
        {U"b-a", "b.", "ba"},         // a range backwards holds its first end
        {U"a-b-A", "abA0.", "abA0c"}, // after a range, a dash starts from the bottom
        {U"0-9\\^", "1^.", "1^a"},    // an escaped caret
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(movie::CharsToUtf8(c.pattern));
        std::string got;
        for (const char* t = c.typed; *t; ++t) {
            const char32_t r = movie::RestrictCharacter(c.pattern, char32_t(*t));
            got += r ? char(r) : '.';
        }
        EXPECT_EQ(got, c.allowed);
    }
}

TEST(TextInput, Utf8RoundTripsAndStrayBytesAreReplaced) {
    EXPECT_EQ(movie::CharsToUtf8(movie::Utf8ToChars("a\xc4\x85\xe2\x86\x92\xf0\x9f\x98\x80")),
              "a\xc4\x85\xe2\x86\x92\xf0\x9f\x98\x80");
    EXPECT_EQ(movie::Utf8ToChars("a\xff"
                                 "b\xe2\x86"),
              (std::u32string{'a', 0xFFFD, 'b', 0xFFFD, 0xFFFD}));
}

// obj.method(args...) left on the stack.
ActionWriter& CallMethod(ActionWriter& w, const std::string& object, const std::string& method,
                         std::initializer_list<PushValue> args = {}) {
    std::vector<PushValue> reversed(args);
    for (auto it = reversed.rbegin(); it != reversed.rend(); ++it)
        w.Push({*it});
    return w.Push({PushInt(int32_t(args.size()))}).Get(object).Push({PushString(method)}).Op(0x52);
}

ActionWriter TraceCall(const std::string& object, const std::string& method,
                       std::initializer_list<PushValue> args = {}) {
    ActionWriter w;
    CallMethod(w, object, method, args);
    return w.Trace();
}

ActionWriter TwoParameterHandler(const std::string& target, const std::string& method,
                                 const ActionWriter& body) {
    ActionWriter w;
    w.Get(target).Push({PushString(method)}).Function("", {"from", "to"}, body).Op(0x4F);
    return w;
}

ActionWriter NewObject(const std::string& name) {
    return ActionWriter().Push({PushString(name), PushInt(0)}).Op(0x43).Op(0x1D);
}

// Two input fields, "top" bound to the variable v and "low" with maxChars
// 3; a button "btn" with key conditions for Left and 'x'; a Key listener
// and a Selection listener that trace what they hear.
Bytes KeyboardMovie() {
    EditTextRecipe top;
    top.readOnly = false;
    top.xmin = 40 * kPx;
    top.xmax = 200 * kPx;
    top.ymin = 0;
    top.ymax = 20 * kPx;
    top.variableName = "v";
    top.text = "ab";
    EditTextRecipe low = top;
    low.variableName.clear();
    low.text = "";
    low.maxLength = 3;
    PlaceRecipe topPlace;
    topPlace.depth = 1;
    topPlace.characterId = 1;
    topPlace.name = "top";
    PlaceRecipe lowPlace;
    lowPlace.depth = 2;
    lowPlace.characterId = 2;
    lowPlace.name = "low";
    lowPlace.hasMatrix = true;
    lowPlace.matrix.ty = 100 * kPx;

    std::vector<ButtonRecordRecipe> records(1);
    records[0].states = 0x0F;
    records[0].characterId = 3;
    ButtonActionRecipe left, x;
    left.conditions = uint16_t(1 << 9);
    left.records = TraceText("key left").Records() + Bytes{0};
    x.conditions = uint16_t('x' << 9);
    x.records = TraceText("key x").Records() + Bytes{0};
    PlaceRecipe buttonPlace;
    buttonPlace.depth = 3;
    buttonPlace.characterId = 4;
    buttonPlace.name = "btn";
    buttonPlace.hasMatrix = true;
    buttonPlace.matrix.ty = 200 * kPx;

    ActionWriter script;
    script.Raw(NewObject("l").Records());
    ActionWriter down = TraceCall("Key", "getCode");
    down.Raw(TraceCall("Key", "getAscii").Records());
    down.Raw(TraceCall("Key", "isDown", {PushInt(16)}).Records());
    script.Raw(Handler("l", "onKeyDown", down).Records());
    script.Raw(Handler("l", "onKeyUp", TraceText("up")).Records());
    script.Raw(NewObject("s").Records());
    ActionWriter focus;
    focus.Push({PushString("focus ")}).Get("to").Op(0x47).Trace();
    script.Raw(TwoParameterHandler("s", "onSetFocus", focus).Records());
    ActionWriter add;
    add.Get("s").Push({PushInt(1)}).Get("Selection").Push({PushString("addListener")}).Op(0x52);
    add.Op(0x17);
    add.Get("l").Push({PushInt(1)}).Get("Key").Push({PushString("addListener")}).Op(0x52);
    add.Op(0x17);
    script.Raw(add.Records());
    script.Raw(Handler("low", "onChanged", ActionWriter().Get("low").Trace()).Records());
    script.Raw(Handler("top", "onKillFocus", TraceText("top loses")).Records());

    SwfRecipe layout = StageRecipe(false);
    layout.version = 8;
    layout.tags = DefineEditTextTag(1, top) + DefineEditTextTag(2, low) +
                  RectangleShapeTag(1, 3, 0, 0, 20 * kPx, 20 * kPx, Solid(0, 0, 255)) +
                  DefineButtonTag(2, 4, records, {left, x}) + PlaceObject2Tag(topPlace) +
                  PlaceObject2Tag(lowPlace) + PlaceObject2Tag(buttonPlace) +
                  DoActionTag(script.Records()) + ShowFrameTag();
    return MakeSwf(layout);
}

struct KeyStep {
    char kind; // 'd' key down, 'u' key up, 't' type, 'c' command, 'p' press at (code, ascii)
    int code;
    uint32_t ascii;
    TextCommand command = TextCommand::Left;
};

struct KeySession {
    movie::Movie movie;
    std::vector<std::string> lines;
    std::unique_ptr<movie::Player> player;

    explicit KeySession(const Bytes& swf) : movie(ParseOrFail(swf)) {
        movie::ScriptOptions options;
        options.trace = [this](const std::string& l) { lines.push_back(l); };
        options.clockMs = 0;
        options.seeded = true;
        player = std::make_unique<movie::Player>(movie, options);
    }
    void Do(const KeyStep& s) {
        switch (s.kind) {
        case 'd':
            player->KeyDown(s.code, s.ascii);
            break;
        case 'u':
            player->KeyUp(s.code, s.ascii);
            break;
        case 't':
            player->TypeCharacter(s.ascii);
            break;
        case 'c':
            player->EditCommand(s.command);
            break;
        default:
            player->PointerDown(s.code * kPx, s.ascii * kPx);
            player->PointerUp(s.code * kPx, s.ascii * kPx);
            break;
        }
    }
    std::vector<std::string> Take() {
        std::vector<std::string> out;
        out.swap(lines);
        return out;
    }
};

TEST(Keyboard, KeysFocusAndTypingInFlashOrder) {
    KeySession s(KeyboardMovie());
    ASSERT_EQ(s.Take(), std::vector<std::string>());
    const struct {
        const char* name;
        std::vector<KeyStep> steps;
        std::vector<std::string> want;
    } cases[] = {
        {"a key is heard with its code and character",
         {{'d', 65, 'a'}, {'u', 65, 'a'}},
         {"65", "97", "false", "up"}},
        {"Key.isDown sees a held key", {{'d', 16, 0}}, {"16", "0", "true"}},
        {"a button's key condition",
         {{'u', 16, 0}, {'d', 37, 0}},
         {"up", "37", "0", "false", "key left"}},
        {"a character condition, met as the character is typed",
         {{'d', 88, 'x'}, {'t', 0, 'x'}},
         {"88", "120", "false", "key x"}},
        {"Tab focuses the topmost field first",
         {{'d', 9, 9}},
         {"9", "9", "false", "focus _level0.top"}},
        {"typing into the bound field", {{'t', 0, 'c'}}, {}},
        {"Tab moves on by position",
         {{'d', 9, 9}},
         {"9", "9", "false", "top loses", "focus _level0.low"}},
        {"typing into the field with onChanged",
         {{'t', 0, 'q'}, {'t', 0, 'r'}, {'t', 0, 's'}, {'t', 0, 't'}},
         {"_level0.low", "_level0.low", "_level0.low"}},
        {"Backspace changes the field", {{'c', 0, 0, TextCommand::Backspace}}, {"_level0.low"}},
        {"a press on nothing takes the focus from a field", {{'p', 500, 380}}, {"focus null"}},
        {"a press on a field gives it the focus", {{'p', 50, 10}}, {"focus _level0.top"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const KeyStep& step : c.steps)
            s.Do(step);
        EXPECT_EQ(s.Take(), c.want);
    }
}

TEST(Keyboard, TypedTextReachesTheFieldAndItsVariable) {
    KeySession s(KeyboardMovie());
    s.Do({'d', 9, 9}); // the focus to top, its text selected whole
    s.Do({'t', 0, 'w'});
    s.Do({'t', 0, 'x'}); // the button's key condition takes it: not typed
    s.Do({'t', 0, 'y'});
    s.Do({'c', 0, 0, TextCommand::Left});
    s.Do({'t', 0, 'z'});
    // A frame later the field shows its variable: the variable took the text.
    s.player->Advance();
    const movie::DisplayObject& top = s.player->root().objects.at(1);
    ASSERT_TRUE(top.instance && top.instance->field);
    EXPECT_EQ(top.instance->field->edit.text, "wzy");
    EXPECT_EQ(top.instance->field->caret, 2u);
    EXPECT_EQ(top.instance->field->anchor, 2u);
}

TEST(Keyboard, HeldKeysAreForgottenWhenTheWindowLosesTheKeyboard) {
    KeySession s(KeyboardMovie());
    s.Do({'d', 16, 0});
    EXPECT_TRUE(s.player->keyboard().down[16]);
    s.player->WindowFocus(false);
    EXPECT_FALSE(s.player->keyboard().down[16]);
    // Codes outside the table are ignored, not stored.
    s.player->KeyDown(-1, 0);
    s.player->KeyDown(movie::kKeyCodeCount, 0);
    s.player->KeyUp(100000, 0);
    EXPECT_EQ(s.player->keyboard().lastCode, 16);
}

} // namespace
} // namespace ww::test
