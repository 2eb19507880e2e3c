// The focus as the user sees it: the yellow rectangle round a button that
// Tab or a script focused, hidden by the pointer and by _focusrect; the
// caret and the inverted selection of a focused field; and what scripts see
// of them (_focusrect by version, Selection, replaceSel, a focused object
// removed).
#include "movie/focus.h"
#include "movie/text_input.h"
#include "tests/movie/movie_test_util.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ww::test {
namespace {

constexpr Rgba8 kYellow{255, 255, 0, 255};
constexpr Rgba8 kBlack{0, 0, 0, 255};

ActionWriter& CallMethod(ActionWriter& w, const std::string& object, const std::string& method,
                         std::initializer_list<PushValue> args = {}) {
    std::vector<PushValue> reversed(args);
    for (auto it = reversed.rbegin(); it != reversed.rend(); ++it)
        w.Push({*it});
    return w.Push({PushInt(int32_t(args.size()))}).Get(object).Push({PushString(method)}).Op(0x52);
}

// trace(object.name)
ActionWriter TraceMember(const std::string& object, const std::string& name) {
    ActionWriter w;
    w.Get(object).Push({PushString(name)}).Op(0x4E).Trace();
    return w;
}

// object.name = value
ActionWriter SetMember(const std::string& object, const std::string& name, PushValue value) {
    ActionWriter w;
    w.Get(object).Push({PushString(name), value}).Op(0x4F);
    return w;
}

// An input field "field" (40..200 by 0..20 pixels) holding text, a button
// "btn" whose hit area is 100..120 by 200..220 and whose up state is blue,
// and a frame script; a second frame when one is given.
Bytes FocusMovie(uint8_t version, const std::string& text, const ActionWriter& script,
                 const Bytes& secondFrame = {}) {
    EditTextRecipe field;
    field.readOnly = false;
    field.xmin = 40 * kPx;
    field.xmax = 200 * kPx;
    field.ymax = 20 * kPx;
    field.text = text;
    field.hasColor = true;
    field.color = Rgba8{0, 0, 0, 255};
    PlaceRecipe fieldPlace;
    fieldPlace.depth = 1;
    fieldPlace.characterId = 1;
    fieldPlace.name = "field";

    std::vector<ButtonRecordRecipe> records(2);
    // Up and over alike: a button focused by Tab shows its over state.
    records[0].states = 0x03;
    records[0].characterId = 2;
    records[1].states = 0x08;
    records[1].characterId = 2;
    PlaceRecipe buttonPlace;
    buttonPlace.depth = 2;
    buttonPlace.characterId = 3;
    buttonPlace.name = "btn";
    buttonPlace.hasMatrix = true;
    buttonPlace.matrix.tx = 100 * kPx;
    buttonPlace.matrix.ty = 200 * kPx;

    SwfRecipe layout = StageRecipe(false);
    layout.version = version;
    layout.tags =
        DefineEditTextTag(1, field) +
        RectangleShapeTag(1, 2, 0, 0, 20 * kPx, 20 * kPx, Solid(0, 0, 255)) +
        DefineButtonTag(2, 3, records, {}) + PlaceObject2Tag(fieldPlace) +
        PlaceObject2Tag(buttonPlace) +
        // A movie without actions has no runtime, and no focus.
        DoActionTag(ActionWriter().Push({PushInt(0)}).Op(0x17).Raw(script.Records()).Records()) +
        ShowFrameTag();
    if (!secondFrame.empty()) {
        layout.frameCount = 2;
        layout.tags = layout.tags + secondFrame + ShowFrameTag();
    }
    return MakeSwf(layout);
}

struct FocusSession {
    movie::Movie movie;
    std::vector<std::string> lines;
    std::unique_ptr<movie::Player> player;

    explicit FocusSession(const Bytes& swf) : movie(ParseOrFail(swf)) {
        movie::ScriptOptions options;
        options.trace = [this](const std::string& l) { lines.push_back(l); };
        options.clockMs = 0;
        options.seeded = true;
        player = std::make_unique<movie::Player>(movie, options);
    }
    movie::Canvas Draw() {
        movie::Renderer renderer(movie);
        movie::RenderOptions options;
        options.quality = movie::Quality::Low;
        movie::Canvas canvas;
        std::string error;
        EXPECT_TRUE(renderer.Render(*player, options, &canvas, &error)) << error;
        return canvas;
    }
    const movie::FieldState& Field() {
        const movie::DisplayObject& o = player->root().objects.at(1);
        EXPECT_TRUE(o.instance && o.instance->field);
        return *o.instance->field;
    }
};

constexpr int kTab = 9;

TEST(FocusDraw, TheRectangleFollowsTabThePointerAndFocusRect) {
    const ActionWriter none;
    const struct {
        const char* name;
        uint8_t version;
        ActionWriter script;
        bool movePointer;
        bool shown;
    } cases[] = {
        {"Tab shows it", 8, none, false, true},
        {"the pointer moving hides it", 8, none, true, false},
        {"from version 9 a move leaves it", 9, none, true, true},
        {"the button's own _focusrect", 6, SetMember("btn", "_focusrect", PushBool(false)), false,
         false},
        {"the movie's _focusrect", 6, SetMember("_root", "_focusrect", PushBool(false)), false,
         false},
        {"an own true beats the movie's false", 6,
         ActionWriter()
             .Raw(SetMember("_root", "_focusrect", PushBool(false)).Records())
             .Raw(SetMember("btn", "_focusrect", PushBool(true)).Records()),
         false, true},
        {"before version 6 every object sets the movie's", 5,
         SetMember("btn", "_focusrect", PushInt(0)), false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FocusSession s(FocusMovie(c.version, "", c.script));
        s.player->KeyDown(kTab, kTab); // the field
        s.player->KeyDown(kTab, kTab); // the button
        if (c.movePointer)
            s.player->PointerMove(500 * kPx, 380 * kPx);
        const movie::Canvas canvas = s.Draw();
        const Rgba8 edge = c.shown ? kYellow : kBlue;
        // Three pixels wide, inside the hit area's box (the test shapes
        // declare the stage as theirs, so only its top left corner is seen);
        // the inside untouched.
        ExpectPixels(canvas, {{100, 200, edge},
                              {102, 210, edge},
                              {110, 202, edge},
                              {103, 203, kBlue},
                              {110, 210, kBlue},
                              {99, 199, kWhite}});
    }
}

TEST(FocusDraw, TheCaretAndTheSelectionOfTheFocusedField) {
    FocusSession s(FocusMovie(8, "", ActionWriter()));
    // Not focused: no caret.
    movie::Canvas canvas = s.Draw();
    EXPECT_TRUE(PixelNear(canvas, 42, 6, kWhite));
    s.player->KeyDown(kTab, kTab);
    canvas = s.Draw();
    // An empty field's caret stands at the gutter, one pixel wide, from the
    // line's top down.
    ExpectPixels(canvas, {{42, 3, kBlack}, {42, 8, kBlack}, {41, 6, kWhite}, {43, 6, kWhite}});

    // Typed text moves the caret along; the selection inverts the field's
    // white over the selected characters.
    s.player->TypeCharacter('w');
    s.player->TypeCharacter('w');
    canvas = s.Draw();
    EXPECT_TRUE(PixelNear(canvas, 42, 1, kWhite));
    EXPECT_TRUE(PixelNear(canvas, 42, 3, kWhite)) << "the caret left the start";
    s.player->EditCommand(movie::TextCommand::SelectAll);
    canvas = s.Draw();
    EXPECT_TRUE(PixelNear(canvas, 42, 3, kBlack)) << "inverted";
    EXPECT_TRUE(PixelNear(canvas, 190, 3, kWhite)) << "past the text";
    // A press elsewhere takes the focus away, and the caret with it.
    s.player->PointerDown(500 * kPx, 380 * kPx);
    s.player->PointerUp(500 * kPx, 380 * kPx);
    canvas = s.Draw();
    EXPECT_TRUE(PixelNear(canvas, 42, 3, kWhite));
}

TEST(FocusDraw, RedrawingOnlyTheDamageShowsTheFocusAsAWholeFrameDoes) {
    FocusSession s(FocusMovie(8, "ab", ActionWriter()));
    movie::Renderer renderer(s.movie);
    movie::DamageTracker damage(s.movie);
    movie::RenderOptions options;
    options.quality = movie::Quality::Low;
    movie::Canvas canvas;
    std::string error;
    damage.Update(*s.player, options);
    ASSERT_TRUE(renderer.Render(*s.player, options, &canvas, &error)) << error;
    const std::vector<std::function<void()>> steps = {
        [&] { s.player->KeyDown(kTab, kTab); },                    // the field, selected
        [&] { s.player->EditCommand(movie::TextCommand::Right); }, // a caret
        [&] { s.player->KeyDown(kTab, kTab); },                    // the button's rectangle
        [&] { s.player->PointerMove(500 * kPx, 380 * kPx); },      // gone
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        steps[i]();
        const std::vector<movie::PixelRect> regions = damage.Update(*s.player, options);
        EXPECT_FALSE(regions.empty());
        ASSERT_TRUE(renderer.RenderRegions(*s.player, options, regions, &canvas, &error)) << error;
        EXPECT_EQ(canvas.pixels, s.Draw().pixels);
    }
}

TEST(FocusDraw, CaretPlacesOnALayout) {
    movie::TextPicture p;
    // Two lines: "ab" then "c", stops 100 twips apart.
    p.caretStops = {{0, 0, 200}, {100, 0, 200}, {200, 0, 200}, {0, 200, 400}, {100, 200, 400}};
    const struct {
        double x, y;
        size_t want;
    } points[] = {{-50, 100, 0}, {40, 100, 0}, {60, 100, 1},  {500, 100, 2},
                  {30, 300, 3},  {90, 300, 4}, {90, 9000, 4}, {150, -40, 1}};
    for (const auto& c : points)
        EXPECT_EQ(movie::CaretAtPoint(p, c.x, c.y), c.want) << c.x << ", " << c.y;

    const struct {
        size_t from, to;
        std::vector<movie::Rect> want;
    } selections[] = {
        {0, 0, {}},
        {0, 2, {movie::Rect{0, 200, 0, 200}}},
        {1, 5, {movie::Rect{100, 200, 0, 200}, movie::Rect{0, 100, 200, 400}}},
        {3, 99, {movie::Rect{0, 100, 200, 400}}},
    };
    for (const auto& c : selections) {
        const std::vector<movie::Rect> got = movie::SelectionBoxes(p, c.from, c.to);
        ASSERT_EQ(got.size(), c.want.size()) << c.from << ".." << c.to;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].xmin, c.want[i].xmin);
            EXPECT_EQ(got[i].xmax, c.want[i].xmax);
            EXPECT_EQ(got[i].ymin, c.want[i].ymin);
            EXPECT_EQ(got[i].ymax, c.want[i].ymax);
        }
    }
    double x, top, bottom;
    EXPECT_FALSE(movie::CaretLine(movie::TextPicture{}, 0, &x, &top, &bottom));
    ASSERT_TRUE(movie::CaretLine(p, 99, &x, &top, &bottom));
    EXPECT_EQ(x, 100);
    EXPECT_EQ(top, 200);
}

TEST(FocusDraw, WhatScriptsSeeOfTheFocus) {
    // trace of field.text after replaceSel("|")
    auto mark = [] {
        ActionWriter w;
        CallMethod(w, "field", "replaceSel", {PushString("|")}).Op(0x17);
        return w.Raw(TraceMember("field", "text").Records());
    };
    auto setFocus = [](PushValue target) {
        ActionWriter w;
        CallMethod(w, "Selection", "setFocus", {target}).Op(0x17);
        return w;
    };
    ActionWriter getters;
    CallMethod(getters, "Selection", "getBeginIndex").Trace();
    CallMethod(getters, "Selection", "getCaretIndex").Trace();
    const struct {
        const char* name;
        uint8_t version;
        ActionWriter script;
        std::vector<std::string> want;
    } cases[] = {
        {"_focusrect before version 6: the movie's, a number",
         5,
         ActionWriter()
             .Raw(TraceMember("btn", "_focusrect").Records())
             .Raw(SetMember("btn", "_focusrect", PushBool(false)).Records())
             .Raw(TraceMember("_root", "_focusrect").Records()),
         {"1", "0"}},
        {"_focusrect from version 6: the root's a boolean, others null until set",
         6,
         ActionWriter()
             .Raw(TraceMember("_root", "_focusrect").Records())
             .Raw(TraceMember("btn", "_focusrect").Records())
             .Raw(SetMember("field", "_focusrect", PushString("0")).Records())
             .Raw(TraceMember("field", "_focusrect").Records())
             .Raw(SetMember("_root", "_focusrect", PushNull()).Records())
             .Raw(TraceMember("_root", "_focusrect").Records()),
         {"true", "null", "false", "true"}},
        {"replaceSel on a field never focused: at the start", 8, mark(), {"|ab"}},
        {"a script's focus selects the whole text, hidden from Selection",
         8,
         ActionWriter()
             .Raw(setFocus(PushString("field")).Records())
             .Raw(getters.Records())
             .Raw(mark().Records()),
         {"-1", "-1", "|"}},
        {"setSelection puts the caret at its second index",
         8,
         ActionWriter().Raw(setFocus(PushString("field")).Records()).Raw([] {
             ActionWriter w;
             CallMethod(w, "Selection", "setSelection", {PushInt(2), PushInt(1)}).Op(0x17);
             CallMethod(w, "Selection", "getBeginIndex").Trace();
             CallMethod(w, "Selection", "getCaretIndex").Trace();
             CallMethod(w, "Selection", "getEndIndex").Trace();
             return w.Records();
         }()),
         {"1", "1", "2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FocusSession s(FocusMovie(c.version, "ab", c.script));
        EXPECT_EQ(s.lines, c.want);
    }
}

TEST(FocusDraw, TabSelectsTheFieldAndAPressPlacesTheCaret) {
    FocusSession s(FocusMovie(8, "abc", ActionWriter()));
    s.player->KeyDown(kTab, kTab);
    EXPECT_EQ(s.Field().anchor, 0u);
    EXPECT_EQ(s.Field().caret, 3u);
    // A press far right of the text puts the caret after it; far left,
    // before it.
    s.player->PointerDown(199 * kPx, 10 * kPx);
    s.player->PointerUp(199 * kPx, 10 * kPx);
    EXPECT_EQ(s.Field().anchor, 3u);
    EXPECT_EQ(s.Field().caret, 3u);
    s.player->PointerDown(41 * kPx, 10 * kPx);
    s.player->PointerUp(41 * kPx, 10 * kPx);
    EXPECT_EQ(s.Field().caret, 0u);
}

TEST(FocusDraw, TheFocusedButtonHearsKeysUntilThePointerIsUsed) {
    auto handlers = [](bool rect) {
        ActionWriter script;
        for (const char* method : {"onKeyDown", "onRelease"}) {
            ActionWriter body;
            body.Push({PushString(method)}).Trace();
            script.Get("btn").Push({PushString(method)}).Function("", {}, body).Op(0x4F);
        }
        if (!rect)
            script.Raw(SetMember("btn", "_focusrect", PushBool(false)).Records());
        return script;
    };
    const struct {
        const char* name;
        bool rect, movePointer;
        int code;
        std::vector<std::string> want;
    } cases[] = {
        {"a key reaches the focused button", true, false, 65, {"onKeyDown"}},
        {"Space clicks it", true, false, 32, {"onKeyDown", "onRelease"}},
        {"without its rectangle Space does not click", false, false, 32, {"onKeyDown"}},
        {"after the pointer moved it hears nothing", true, true, 32, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FocusSession s(FocusMovie(6, "", handlers(c.rect)));
        s.player->KeyDown(kTab, kTab);
        s.player->KeyDown(kTab, kTab);
        if (c.movePointer)
            s.player->PointerMove(500 * kPx, 380 * kPx);
        s.lines.clear();
        s.player->KeyDown(c.code, uint32_t(c.code));
        EXPECT_EQ(s.lines, c.want);
    }
}

TEST(FocusDraw, AFocusedObjectRemovedTakesTheFocusWithIt) {
    // A Selection listener tells of the change; the second frame removes
    // the button.
    ActionWriter script;
    script.Push({PushString("l"), PushInt(0)}).Op(0x43).Op(0x1D);
    ActionWriter body;
    body.Push({PushString("changed to ")}).Get("to").Op(0x47).Trace();
    script.Get("l").Push({PushString("onSetFocus")}).Function("", {"from", "to"}, body).Op(0x4F);
    script.Get("l").Push({PushInt(1)}).Get("Selection").Push({PushString("addListener")});
    script.Op(0x52).Op(0x17);
    FocusSession s(FocusMovie(8, "", script, RemoveObject2Tag(2)));
    s.player->KeyDown(kTab, kTab);
    s.player->KeyDown(kTab, kTab);
    EXPECT_EQ(s.lines,
              (std::vector<std::string>{"changed to _level0.field", "changed to _level0.btn"}));
    s.lines.clear();
    s.player->Advance();
    EXPECT_EQ(s.lines, std::vector<std::string>{"changed to null"});
    EXPECT_EQ(s.player->keyboard().focus, nullptr);
    const movie::Canvas canvas = s.Draw();
    EXPECT_TRUE(PixelNear(canvas, 100, 200, kWhite));
}

} // namespace
} // namespace ww::test
