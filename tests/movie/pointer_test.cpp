// The pointer driven through the player: which button state is drawn, which
// condition actions and handlers run and in which order, what clips and
// Mouse listeners hear, dragging, exact hit tests and pages opened by clicks.
#include "movie/pointer.h"
#include "tests/movie/movie_test_util.h"

#include <string>
#include <vector>

namespace ww::test {
namespace {

constexpr Rgba8 kGreen{0, 255, 0, 255};

Bytes Movie8(const Bytes& tags, uint16_t frames = 1) {
    SwfRecipe layout = StageRecipe(false);
    layout.version = 8;
    layout.frameCount = frames;
    layout.tags = tags;
    return MakeSwf(layout);
}

// Shapes 1 to 4 as the up, over, down and hit states.
std::vector<ButtonRecordRecipe> StateRecords() {
    std::vector<ButtonRecordRecipe> records(4);
    for (int i = 0; i < 4; ++i) {
        records[i].states = static_cast<uint8_t>(1 << i);
        records[i].characterId = static_cast<uint16_t>(i + 1);
        records[i].depth = static_cast<uint16_t>(i + 1);
    }
    return records;
}

// A 50 px square at (50, 50) in each state's colour (up red, over blue, down
// green); its hit area is the square with a 20 px hole in the middle.
Bytes ButtonTags(const std::vector<ButtonActionRecipe>& actions, const std::string& name) {
    ShapeWriter ring({Solid(0, 0, 0)});
    ring.Select(-1, 1, -1)
        .Rectangle(50 * kPx, 50 * kPx, 100 * kPx, 100 * kPx)
        .Rectangle(65 * kPx, 65 * kPx, 85 * kPx, 85 * kPx);
    Bytes tags =
        RectangleShapeTag(1, 1, 50 * kPx, 50 * kPx, 100 * kPx, 100 * kPx, Solid(255, 0, 0)) +
        RectangleShapeTag(1, 2, 50 * kPx, 50 * kPx, 100 * kPx, 100 * kPx, Solid(0, 0, 255)) +
        RectangleShapeTag(1, 3, 50 * kPx, 50 * kPx, 100 * kPx, 100 * kPx, Solid(0, 255, 0)) +
        DefineShapeTag(1, 4, ring);
    const std::vector<ButtonRecordRecipe> records = StateRecords();
    PlaceRecipe place;
    place.depth = 1;
    place.characterId = 10;
    place.name = name;
    return tags + DefineButtonTag(2, 10, records, actions) + PlaceObject2Tag(place);
}

struct Step {
    char kind; // 'm' move, 'd' down, 'u' up, 't' Tab pressed and let go
    int x, y;  // stage pixels
};

struct Session {
    movie::Movie movie;
    std::vector<std::string> lines, urls;
    std::unique_ptr<movie::Player> player;

    explicit Session(const Bytes& swf) : movie(ParseOrFail(swf)) {
        movie::ScriptOptions options;
        options.trace = [this](const std::string& l) { lines.push_back(l); };
        options.openUrl = [this](const std::string& u) { urls.push_back(u); };
        options.clockMs = 0;
        options.seeded = true;
        player = std::make_unique<movie::Player>(movie, options);
    }
    void Do(const Step& s) {
        const double x = s.x * kPx, y = s.y * kPx;
        if (s.kind == 'm')
            player->PointerMove(x, y);
        else if (s.kind == 'd')
            player->PointerDown(x, y);
        else if (s.kind == 't') {
            player->KeyDown(9, 9);
            player->KeyUp(9, 9);
        } else
            player->PointerUp(x, y);
    }
    std::vector<std::string> Take() {
        std::vector<std::string> out;
        out.swap(lines);
        return out;
    }
    Rgba8 Drawn(int x, int y) {
        movie::Renderer renderer(movie);
        movie::Canvas canvas;
        std::string error;
        EXPECT_TRUE(renderer.Render(*player, movie::RenderOptions(), &canvas, &error)) << error;
        return PixelAt(canvas, x, y);
    }
};

ButtonActionRecipe OnCondition(uint16_t conditions, const std::string& text) {
    ButtonActionRecipe a;
    a.conditions = conditions;
    a.records = TraceText(text).Records() + Bytes{0};
    return a;
}

// Every transition traced by its condition action (c:...) and its handler.
Bytes TracingButtonMovie() {
    using namespace movie;
    const std::vector<ButtonActionRecipe> actions = {
        OnCondition(kIdleToOverUp, "c:rollOver"),
        OnCondition(kOverUpToIdle, "c:rollOut"),
        OnCondition(kOverUpToOverDown, "c:press"),
        OnCondition(kOverDownToOverUp, "c:release"),
        OnCondition(kOverDownToOutDown, "c:dragOut"),
        OnCondition(kOutDownToOverDown, "c:dragOver"),
        OnCondition(kOutDownToIdle, "c:releaseOutside")};
    ActionWriter script;
    for (const char* m : {"onRollOver", "onRollOut", "onPress", "onRelease", "onDragOut",
                          "onDragOver", "onReleaseOutside"})
        script.Raw(Handler("btn", m, TraceText(m)).Records());
    // A Mouse listener hears presses and releases anywhere.
    script.Push({PushString("l"), PushInt(0)}).Op(0x43).Op(0x1D);
    script.Raw(Handler("l", "onMouseDown", TraceText("mouse down")).Records());
    script.Raw(Handler("l", "onMouseUp", TraceText("mouse up")).Records());
    script.Get("l").Push({PushInt(1)}).Get("Mouse").Push({PushString("addListener")});
    script.Op(0x52).Op(0x17);
    return Movie8(ButtonTags(actions, "btn") + DoActionTag(script.Records()) + ShowFrameTag());
}

TEST(Pointer, ButtonStatesAndEventsFollowThePointer) {
    Session s(TracingButtonMovie());
    ASSERT_TRUE(s.Take().empty());
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::vector<std::string> want;
        Rgba8 shown; // at (55, 55)
        bool over;   // the pointer is over the button
    } cases[] = {
        {"move onto the ring", {{'m', 55, 55}}, {"c:rollOver", "onRollOver"}, kBlue, true},
        {"the hole is not the button", {{'m', 75, 75}}, {"c:rollOut", "onRollOut"}, kRed, false},
        {"press",
         {{'m', 55, 55}, {'d', 55, 55}},
         {"c:rollOver", "onRollOver", "mouse down", "c:press", "onPress"},
         kGreen,
         true},
        {"drag off", {{'m', 300, 300}}, {"c:dragOut", "onDragOut"}, kBlue, false},
        {"drag back", {{'m', 95, 95}}, {"c:dragOver", "onDragOver"}, kGreen, true},
        {"release inside", {{'u', 95, 95}}, {"mouse up", "c:release", "onRelease"}, kBlue, true},
        {"press, leave, release outside",
         {{'d', 95, 95}, {'m', 300, 300}, {'u', 300, 300}},
         {"mouse down", "c:press", "onPress", "c:dragOut", "onDragOut", "mouse up",
          "c:releaseOutside", "onReleaseOutside"},
         kRed,
         false},
        {"a press on nothing reaches only the listener",
         {{'d', 300, 300}, {'u', 300, 300}},
         {"mouse down", "mouse up"},
         kRed,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const Step& step : c.steps)
            s.Do(step);
        EXPECT_EQ(s.Take(), c.want);
        const Rgba8 got = s.Drawn(55, 55);
        EXPECT_EQ(got.r, c.shown.r);
        EXPECT_EQ(got.g, c.shown.g);
        EXPECT_EQ(got.b, c.shown.b);
        EXPECT_EQ(s.player->PointerOverButton(), c.over);
    }
}

TEST(Pointer, ButtonActionsRunInTheirTimelineAndDisabledButtonsAreSkipped) {
    // Release: the root goes to frame 3, where btn.enabled = false.
    ButtonActionRecipe release;
    release.records = ActionWriter().GotoFrame(2).Records() + Bytes{0};
    ActionWriter disable;
    disable.Get("btn").Push({PushString("enabled"), PushBool(false)}).Op(0x4F);
    const Bytes tags = ButtonTags({release}, "btn") + DoActionTag({0x07}) + ShowFrameTag() +
                       ShowFrameTag() + DoActionTag(disable.Records() + Bytes{0x07}) +
                       ShowFrameTag();
    Session s(Movie8(tags, 3));
    s.Do({'d', 55, 55});
    s.Do({'u', 55, 55});
    EXPECT_EQ(s.player->frame(), 2u);
    s.Do({'m', 300, 300});
    s.Do({'m', 55, 55});
    EXPECT_FALSE(s.player->PointerOverButton());
    // A disabled button keeps showing the state it was left in (over), as
    // Flash draws it, whatever the pointer does.
    const Rgba8 got = s.Drawn(55, 55);
    EXPECT_EQ(got.b, 255);
    EXPECT_EQ(got.r, 0);
}

TEST(Pointer, AButtonRemovedWhilePressedIsForgotten) {
    // Frame 2 takes the button away while it is held down.
    ActionWriter script;
    script.Raw(Handler("btn", "onRelease", TraceText("released")).Records());
    script.Raw(Handler("btn", "onReleaseOutside", TraceText("outside")).Records());
    const Bytes tags = ButtonTags({}, "btn") + DoActionTag(script.Records()) + ShowFrameTag() +
                       RemoveObject2Tag(1) + DoActionTag({0x07}) + ShowFrameTag();
    Session s(Movie8(tags, 2));
    s.Do({'d', 55, 55});
    s.player->Advance();
    s.Do({'m', 60, 60});
    s.Do({'u', 60, 60});
    EXPECT_TRUE(s.Take().empty());
    EXPECT_FALSE(s.player->PointerOverButton());
}

TEST(Pointer, AButtonKeptAcrossAGotoIsTheOnePressedAndANewOneIsNot) {
    // A press sends the root to frame 2. There, "rewind" goes back to frame
    // 1, which places the same button at the same depth: Flash keeps it, so
    // the release reaches it. "replace" removes the button and places the
    // same character at the same depth, which Flash takes for the same
    // button. "another" places another button there: the press belonged to
    // the old one, whatever memory the new one takes.
    ActionWriter handlers;
    handlers.Raw(Handler("btn", "onRelease", TraceText("released")).Records());
    handlers.Raw(Handler("btn", "onReleaseOutside", TraceText("outside")).Records());
    handlers.Raw(Handler("btn", "onRollOver", TraceText("rollOver")).Records());
    ButtonActionRecipe press;
    press.conditions = movie::kOverUpToOverDown;
    press.records = ActionWriter().GotoFrame(1).Records() + Bytes{0};
    PlaceRecipe again;
    again.characterId = 10;
    again.name = "btn";
    PlaceRecipe other = again;
    other.characterId = 11;
    const std::vector<ButtonRecordRecipe> records = StateRecords();
    const struct {
        const char* name;
        Bytes frame2;
        std::vector<std::string> want;
    } cases[] = {
        {"rewind", DoActionTag(ActionWriter().GotoFrame(0).Records() + Bytes{0x07}), {"released"}},
        {"replace",
         RemoveObject2Tag(1) + PlaceObject2Tag(again) + DoActionTag(handlers.Records()),
         {"released"}},
        {"another",
         RemoveObject2Tag(1) + PlaceObject2Tag(other) + DoActionTag(handlers.Records()),
         {"rollOver"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes tags = ButtonTags({press}, "btn") + DefineButtonTag(2, 11, records) +
                           DoActionTag(handlers.Records() + Bytes{0x07}) + ShowFrameTag() +
                           c.frame2 + ShowFrameTag();
        Session s(Movie8(tags, 2));
        s.Do({'m', 55, 55});
        s.Do({'d', 55, 55});
        s.Take();
        s.Do({'u', 55, 55});
        EXPECT_EQ(s.Take(), c.want);
        EXPECT_TRUE(s.player->PointerOverButton());
    }
}

TEST(Pointer, APressOnAMenuButtonPassesToWhatThePointerIsOver) {
    // Button a (normal) at 50..100 and m (tracked as a menu) at 150..200.
    const std::vector<ButtonRecordRecipe> records = StateRecords();
    PlaceRecipe menu;
    menu.depth = 2;
    menu.characterId = 11;
    menu.name = "m";
    menu.hasMatrix = true;
    menu.matrix.tx = 100 * kPx;
    menu.matrix.ty = 100 * kPx;
    ActionWriter script;
    for (const char* b : {"a", "m"}) {
        for (const char* m : {"onRollOver", "onRollOut", "onPress", "onRelease", "onDragOut",
                              "onDragOver", "onReleaseOutside"})
            script.Raw(Handler(b, m, TraceText(std::string(b) + ":" + m)).Records());
    }
    const Bytes tags = ButtonTags({}, "a") + DefineButtonTag(2, 11, records, {}, true) +
                       PlaceObject2Tag(menu) + DoActionTag(script.Records()) + ShowFrameTag();
    Session s(Movie8(tags));
    const struct {
        Step step;
        std::vector<std::string> want;
    } cases[] = {
        {{'m', 55, 55}, {"a:onRollOver"}},
        {{'d', 55, 55}, {"a:onPress"}},
        // A normal button keeps its press wherever the pointer goes.
        {{'m', 155, 155}, {"a:onDragOut"}},
        {{'u', 155, 155}, {"a:onReleaseOutside", "m:onRollOver"}},
        // A menu button's press goes to whatever the pointer is over.
        {{'d', 155, 155}, {"m:onPress"}},
        {{'m', 300, 300}, {"m:onDragOut"}},
        {{'m', 55, 55}, {"a:onDragOver"}},
        {{'m', 160, 160}, {"a:onDragOut", "m:onDragOver"}},
        {{'m', 60, 60}, {"m:onDragOut", "a:onDragOver"}},
        {{'u', 60, 60}, {"a:onRelease"}},
        {{'m', 300, 300}, {"a:onRollOut"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(1, c.step.kind) + std::to_string(c.step.x));
        s.Do(c.step);
        EXPECT_EQ(s.Take(), c.want);
    }
}

TEST(Pointer, TabRollsOverTheButtonItFocusesUntilThePointerMoves) {
    // Buttons a at 50..100 and b at 150..200.
    PlaceRecipe second;
    second.depth = 2;
    second.characterId = 10;
    second.name = "b";
    second.hasMatrix = true;
    second.matrix.tx = 100 * kPx;
    second.matrix.ty = 100 * kPx;
    ActionWriter script;
    for (const char* b : {"a", "b"}) {
        for (const char* m : {"onRollOver", "onRollOut"})
            script.Raw(Handler(b, m, TraceText(std::string(b) + ":" + m)).Records());
    }
    const Bytes tags = ButtonTags({}, "a") + PlaceObject2Tag(second) +
                       DoActionTag(script.Records()) + ShowFrameTag();
    Session s(Movie8(tags));
    const struct {
        Step step;
        std::vector<std::string> want;
    } cases[] = {
        {{'m', 300, 300}, {}},
        {{'t', 0, 0}, {"a:onRollOver"}},
        {{'m', 301, 300}, {"a:onRollOut"}},
        {{'t', 0, 0}, {"b:onRollOver"}},
        // A move that goes nowhere leaves Tab's choice alone.
        {{'m', 301, 300}, {}},
        {{'t', 0, 0}, {"b:onRollOut", "a:onRollOver"}},
        {{'m', 160, 160}, {"a:onRollOut", "b:onRollOver"}},
        // Back to the one hovered: it rolls out and over again.
        {{'t', 0, 0}, {"b:onRollOut", "b:onRollOver"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(1, c.step.kind) + std::to_string(c.step.x));
        s.Do(c.step);
        EXPECT_EQ(s.Take(), c.want);
    }
}

TEST(Pointer, OnlyShownButtonsHearTheirKeys) {
    // btn answers the key a; the frame's script shows or hides it.
    ButtonActionRecipe key;
    key.conditions = static_cast<uint16_t>('a' << 9);
    key.records = TraceText("key a").Records() + Bytes{0};
    const struct {
        bool visible;
        std::vector<std::string> want;
    } cases[] = {{true, {"key a"}}, {false, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.visible);
        ActionWriter script;
        script.Get("btn").Push({PushString("_visible"), PushBool(c.visible)}).Op(0x4F);
        Session s(
            Movie8(ButtonTags({key}, "btn") + DoActionTag(script.Records()) + ShowFrameTag()));
        // A printable key's condition is matched as the character is typed.
        s.player->KeyDown('A', 'a');
        s.player->TypeCharacter('a');
        s.player->KeyUp('A', 'a');
        EXPECT_EQ(s.Take(), c.want);
    }
}

TEST(Pointer, AKeyAButtonTakesTypesNothing) {
    // btn answers the key a; input field f, focused, takes what is typed.
    ButtonActionRecipe key;
    key.conditions = static_cast<uint16_t>('a' << 9);
    key.records = TraceText("key a").Records() + Bytes{0};
    EditTextRecipe text;
    text.readOnly = false;
    text.xmin = 200 * kPx;
    text.xmax = 300 * kPx;
    text.ymax = 40 * kPx;
    text.text = "";
    PlaceRecipe field;
    field.depth = 3;
    field.characterId = 30;
    field.name = "f";
    ActionWriter script;
    script.Get("f").Push({PushInt(1)}).Get("Selection").Push({PushString("setFocus")});
    script.Op(0x52).Op(0x17);
    Session s(Movie8(ButtonTags({key}, "btn") + DefineEditTextTag(30, text) +
                     PlaceObject2Tag(field) + DoActionTag(script.Records()) + ShowFrameTag()));
    for (const char c : {'a', 'b'}) {
        s.player->KeyDown(c - 'a' + 'A', uint32_t(c));
        s.player->TypeCharacter(uint32_t(c));
        s.player->KeyUp(c - 'a' + 'A', uint32_t(c));
    }
    EXPECT_EQ(s.Take(), (std::vector<std::string>{"key a"}));
    const movie::DisplayObject& o = s.player->root().objects.at(3);
    ASSERT_TRUE(o.instance && o.instance->field);
    EXPECT_EQ(o.instance->field->edit.text, "b");
}

TEST(Pointer, TheWheelReachesListenersAndScrollsTheFieldUnderThePointer) {
    // Field f (200..300 x 200..240 px) holds eight lines; clip c is a square
    // at 50..100. A Mouse listener traces the lines and the target's name.
    EditTextRecipe text;
    text.xmin = 200 * kPx;
    text.xmax = 300 * kPx;
    text.ymin = 200 * kPx;
    text.ymax = 240 * kPx;
    text.multiline = true;
    text.text = "1\r2\r3\r4\r5\r6\r7\r8";
    PlaceRecipe field;
    field.depth = 3;
    field.characterId = 30;
    field.name = "f";
    PlaceRecipe inner;
    inner.characterId = 1;
    PlaceRecipe clip;
    clip.depth = 2;
    clip.characterId = 20;
    clip.name = "c";
    ActionWriter body;
    body.Get("d").Trace().Get("t").Push({PushString("_name")}).Op(0x4E).Trace();
    ActionWriter script;
    script.Push({PushString("l"), PushInt(0)}).Op(0x43).Op(0x1D);
    script.Get("l").Push({PushString("onMouseWheel")}).Function("", {"d", "t"}, body).Op(0x4F);
    script.Get("l").Push({PushInt(1)}).Get("Mouse").Push({PushString("addListener")});
    script.Op(0x52).Op(0x17);
    script.Get("f").Push({PushString("maxscroll")}).Op(0x4E).Trace();
    const Bytes tags =
        RectangleShapeTag(1, 1, 50 * kPx, 50 * kPx, 100 * kPx, 100 * kPx, Solid(0, 0, 255)) +
        DefineSpriteTag(20, 1, PlaceObject2Tag(inner) + ShowFrameTag()) +
        DefineEditTextTag(30, text) + PlaceObject2Tag(clip) + PlaceObject2Tag(field) +
        DoActionTag(script.Records()) + ShowFrameTag();
    Session s(Movie8(tags));
    const std::vector<std::string> first = s.Take();
    ASSERT_EQ(first.size(), 1u);
    const int most = std::stoi(first[0]);
    ASSERT_GT(most, 2);
    const movie::FieldState* f = nullptr;
    const struct {
        int x, y, lines;
        std::vector<std::string> want;
        int scroll; // the field's afterwards
    } cases[] = {
        {250, 210, -1, {"-1", "f"}, 2},
        {250, 210, -100, {"-100", "f"}, most},
        {250, 210, 3, {"3", "f"}, most - 3},
        {250, 210, 100, {"100", "f"}, 1},
        // Elsewhere the field stays where it is.
        {60, 60, -2, {"-2", "c"}, 1},
        {400, 350, -2, {"-2", "undefined"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        s.Do({'m', c.x, c.y});
        s.Take();
        s.player->PointerWheel(c.lines);
        EXPECT_EQ(s.Take(), c.want);
        if (!f) {
            const movie::DisplayObject& o = s.player->root().objects.at(3);
            ASSERT_TRUE(o.instance && o.instance->field);
            f = o.instance->field.get();
        }
        EXPECT_EQ(f->scroll, c.scroll);
    }
}

TEST(Pointer, EachFrameLooksAgainUnderAStillPointer) {
    // Frame by frame, a script hides, shows, disables and enables btn while
    // the pointer rests on it.
    auto set = [](const char* property, bool value) {
        ActionWriter w;
        w.Get("btn").Push({PushString(property), PushBool(value)}).Op(0x4F);
        return DoActionTag(w.Records());
    };
    ActionWriter handlers;
    handlers.Raw(Handler("btn", "onRollOver", TraceText("over")).Records());
    handlers.Raw(Handler("btn", "onRollOut", TraceText("out")).Records());
    const Bytes tags = ButtonTags({}, "btn") + DoActionTag(handlers.Records()) + ShowFrameTag() +
                       set("_visible", false) + ShowFrameTag() + set("_visible", true) +
                       ShowFrameTag() + set("enabled", false) + ShowFrameTag() +
                       set("enabled", true) + DoActionTag({0x07}) + ShowFrameTag();
    Session s(Movie8(tags, 5));
    s.Do({'m', 55, 55});
    EXPECT_EQ(s.Take(), (std::vector<std::string>{"over"}));
    const std::vector<std::vector<std::string>> frames = {
        {"out"},  // hidden
        {"over"}, // shown again
        {},       // disabled: it keeps the pointer, and hears nothing
        {},       // enabled: it still has it
    };
    for (size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(i + 2);
        s.player->Advance();
        EXPECT_EQ(s.Take(), frames[i]);
    }
}

TEST(Pointer, ClipsHearThePointerWhereverItIs) {
    // _root.onMouseMove traces _xmouse and _ymouse; a clip placed at (200,
    // 100) has its own.
    ActionWriter body;
    body.Get("_xmouse").Trace().Get("_ymouse").Trace();
    body.Get("c").Push({PushString("_xmouse")}).Op(0x4E).Trace();
    ActionWriter script;
    script.Raw(Handler("_root", "onMouseMove", body).Records());
    PlaceRecipe clip;
    clip.depth = 2;
    clip.characterId = 20;
    clip.name = "c";
    clip.hasMatrix = true;
    clip.matrix.tx = 200 * kPx;
    clip.matrix.ty = 100 * kPx;
    const Bytes tags = DefineSpriteTag(20, 1, ShowFrameTag()) + PlaceObject2Tag(clip) +
                       DoActionTag(script.Records()) + ShowFrameTag();
    Session s(Movie8(tags));
    s.Do({'m', 230, 140});
    EXPECT_EQ(s.Take(), (std::vector<std::string>{"230", "140", "30"}));
}

TEST(Pointer, XmouseSnapsTheClipsPlaceToWindowPixels) {
    // The pointer at (308, 340) px over clip c placed with the matrix given,
    // the window showing the stage at scale.
    const struct {
        const char* name;
        MatrixRecipe m;
        double scale;
        const char* want; // c._xmouse, c._ymouse
    } cases[] = {
        {"a half pixel goes to the even one", {1, 0, 0, 1, 2510, 6405}, 1, "182 20"},
        {"at twice the size, to half pixels", {1, 0, 0, 1, 2510, 6405}, 2, "182.5 20"},
        {"scaled, the answer in whole twips", {0.42, 0, 0, 0.42, 7286, 2842}, 1, "-133.3 471.45"},
        {"scaled to nothing: window pixels as twips", {0, 0, 0, 0, 0, 0}, 1, "15.4 17"},
        {"scaled to nothing at twice the size", {0, 0, 0, 0, 0, 0}, 2, "30.8 34"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlaceRecipe clip;
        clip.depth = 1;
        clip.characterId = 20;
        clip.name = "c";
        clip.hasMatrix = true;
        clip.matrix = c.m;
        ActionWriter body;
        body.Get("c").Push({PushString("_xmouse")}).Op(0x4E);
        body.Push({PushString(" ")}).Op(0x47);
        body.Get("c").Push({PushString("_ymouse")}).Op(0x4E).Op(0x47).Trace();
        const Bytes tags = DefineSpriteTag(20, 1, ShowFrameTag()) + PlaceObject2Tag(clip) +
                           DoActionTag(Handler("_root", "onMouseMove", body).Records()) +
                           ShowFrameTag();
        Session s(Movie8(tags));
        s.player->pointer().windowScale = c.scale;
        s.Do({'m', 308, 340});
        EXPECT_EQ(s.Take(), (std::vector<std::string>{c.want}));
    }
}

TEST(Pointer, ClipEventsAndClipHandlersAnswerThePointer) {
    // Clip a (a square at 50..100) traces its mouse clip events and answers
    // presses itself; clip b, empty, only hears mouse downs.
    using namespace movie;
    auto traced = [](const std::string& text) { return TraceText(text).Records() + Bytes{0}; };
    PlaceRecipe inner;
    inner.characterId = 1;
    PlaceRecipe a;
    a.depth = 2;
    a.characterId = 20;
    a.name = "a";
    a.clipActions = {{kEventMouseDown, traced("a mouseDown")},
                     {kEventMouseUp, traced("a mouseUp")},
                     {kEventPress, traced("a press")},
                     {kEventRelease | kEventReleaseOutside, traced("a release")}};
    PlaceRecipe b;
    b.depth = 3;
    b.characterId = 21;
    b.clipActions = {{kEventMouseDown, traced("b mouseDown")}};
    ActionWriter script;
    script.Raw(Handler("a", "onRollOver", TraceText("a onRollOver")).Records());
    const Bytes tags =
        RectangleShapeTag(1, 1, 50 * kPx, 50 * kPx, 100 * kPx, 100 * kPx, Solid(0, 0, 255)) +
        DefineSpriteTag(20, 1, PlaceObject2Tag(inner) + ShowFrameTag()) +
        DefineSpriteTag(21, 1, ShowFrameTag()) + PlaceObject2Tag(a) + PlaceObject2Tag(b) +
        DoActionTag(script.Records()) + ShowFrameTag();
    Session s(Movie8(tags));
    const struct {
        Step step;
        std::vector<std::string> want;
    } cases[] = {
        {{'m', 60, 60}, {"a onRollOver"}},
        // Every clip hears of the press before the pressed one answers it.
        {{'d', 60, 60}, {"a mouseDown", "b mouseDown", "a press"}},
        {{'u', 300, 300}, {"a mouseUp", "a release"}},
        {{'d', 300, 300}, {"a mouseDown", "b mouseDown"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step.kind);
        s.Do(c.step);
        EXPECT_EQ(s.Take(), c.want);
    }
}

TEST(Pointer, DraggedClipsFollowInsideTheirBox) {
    // c.startDrag(true, 0, 0, 300, 200): centred on the pointer, inside
    // left, top, right, bottom.
    PlaceRecipe clip;
    clip.depth = 2;
    clip.characterId = 20;
    clip.name = "c";
    clip.hasMatrix = true;
    clip.matrix.tx = 100 * kPx;
    clip.matrix.ty = 100 * kPx;
    ActionWriter script;
    script.Push({PushInt(200), PushInt(300), PushInt(0), PushInt(0), PushBool(true), PushInt(5)})
        .Get("c")
        .Push({PushString("startDrag")})
        .Op(0x52)
        .Op(0x17);
    const Bytes tags = DefineSpriteTag(20, 1, ShowFrameTag()) + PlaceObject2Tag(clip) +
                       DoActionTag(script.Records()) + ShowFrameTag();
    Session s(Movie8(tags));
    const movie::DisplayObject& o = s.player->root().objects.at(2);
    const struct {
        int x, y;
        double wantX, wantY; // pixels
    } cases[] = {{10, 10, 10, 10}, {50, 20, 50, 20}, {900, 900, 300, 200}, {-5, 150, 0, 150}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        s.Do({'m', c.x, c.y});
        EXPECT_DOUBLE_EQ(o.matrix.tx, c.wantX * kPx);
        EXPECT_DOUBLE_EQ(o.matrix.ty, c.wantY * kPx);
    }
}

TEST(Pointer, HitTestWithTheShapeFlagFollowsTheFill) {
    ShapeWriter ring({Solid(0, 0, 0)});
    ring.Select(-1, 1, -1)
        .Rectangle(50 * kPx, 50 * kPx, 100 * kPx, 100 * kPx)
        .Rectangle(65 * kPx, 65 * kPx, 85 * kPx, 85 * kPx);
    PlaceRecipe inner;
    inner.depth = 1;
    inner.characterId = 1;
    PlaceRecipe clip;
    clip.depth = 1;
    clip.characterId = 20;
    clip.name = "c";
    clip.hasMatrix = true;
    clip.matrix.tx = 10 * kPx;
    ActionWriter script;
    const struct {
        int x, y;
        bool shape;
    } probes[] = {{70, 60, true}, {85, 80, true}, {85, 80, false}, {30, 60, true}, {111, 60, true}};
    for (const auto& p : probes) {
        script.Push({PushBool(p.shape), PushInt(p.y), PushInt(p.x), PushInt(3)})
            .Get("c")
            .Push({PushString("hitTest")})
            .Op(0x52)
            .Trace();
    }
    const Bytes tags = DefineShapeTag(1, 1, ring) +
                       DefineSpriteTag(20, 1, PlaceObject2Tag(inner) + ShowFrameTag()) +
                       PlaceObject2Tag(clip) + DoActionTag(script.Records()) + ShowFrameTag();
    Session s(Movie8(tags));
    // The ring lies at 60..110 on the stage, its hole at 75..95.
    EXPECT_EQ(s.Take(), (std::vector<std::string>{"true", "false", "true", "false", "false"}));
}

TEST(Pointer, WhatAScriptDrewAnswersHitTestsAndPresses) {
    // d, an empty clip, gets a filled square drawn at 10..60 and an onPress.
    ActionWriter script;
    auto call = [&script](const std::string& target, const std::string& method,
                          std::initializer_list<int> args) {
        std::vector<int> reversed(args);
        for (auto it = reversed.rbegin(); it != reversed.rend(); ++it)
            script.Push({PushInt(*it)});
        script.Push({PushInt(static_cast<int32_t>(args.size()))}).Get(target);
        script.Push({PushString(method)}).Op(0x52);
    };
    script.Push({PushInt(5), PushString("d"), PushInt(2)}).Get("_root");
    script.Push({PushString("createEmptyMovieClip")}).Op(0x52).Op(0x17);
    call("d", "beginFill", {0xFF0000});
    script.Op(0x17);
    call("d", "moveTo", {10, 10});
    script.Op(0x17);
    for (const auto& at : {std::pair<int, int>{60, 10}, {60, 60}, {10, 60}, {10, 10}}) {
        call("d", "lineTo", {at.first, at.second});
        script.Op(0x17);
    }
    call("d", "endFill", {});
    script.Op(0x17);
    for (const auto& at : {std::pair<int, int>{30, 30}, {80, 80}}) {
        script.Push({PushBool(true), PushInt(at.second), PushInt(at.first), PushInt(3)});
        script.Get("d").Push({PushString("hitTest")}).Op(0x52).Trace();
    }
    script.Raw(Handler("d", "onPress", TraceText("pressed")).Records());
    Session s(Movie8(DoActionTag(script.Records()) + ShowFrameTag()));
    EXPECT_EQ(s.Take(), (std::vector<std::string>{"true", "false"}));
    s.Do({'d', 80, 80});
    s.Do({'u', 80, 80});
    EXPECT_TRUE(s.Take().empty());
    s.Do({'d', 30, 30});
    EXPECT_EQ(s.Take(), (std::vector<std::string>{"pressed"}));
}

TEST(Pointer, PagesOpenOnlyForClicksAndOnlyOnTheWeb) {
    ActionWriter script;
    // Asked outside any click: refused.
    script.Push({PushString("_blank"), PushString("http://example.com/frame"), PushInt(2)})
        .Push({PushString("getURL")})
        .Op(0x3D)
        .Op(0x17);
    ActionWriter onRelease;
    for (const char* url : {"https://example.com/a", "file:///C:/Windows/win.ini",
                            "javascript:alert(1)", "HTTP://example.com/b"}) {
        onRelease.Push({PushString(url), PushInt(1)})
            .Push({PushString("getURL")})
            .Op(0x3D)
            .Op(0x17);
    }
    script.Raw(Handler("btn", "onRelease", onRelease).Records());
    Session s(Movie8(ButtonTags({}, "btn") + DoActionTag(script.Records()) + ShowFrameTag()));
    EXPECT_TRUE(s.urls.empty());
    s.Do({'m', 55, 55});
    EXPECT_TRUE(s.urls.empty());
    s.Do({'d', 55, 55});
    s.Do({'u', 55, 55});
    EXPECT_EQ(s.urls, (std::vector<std::string>{"https://example.com/a", "HTTP://example.com/b"}));
    EXPECT_FALSE(s.player->scriptWarnings().empty());
}

TEST(Pointer, ButtonsThatHoldThemselvesEndTheSearch) {
    // Sixty hit records, each the button itself: every level multiplies.
    std::vector<ButtonRecordRecipe> records(60);
    for (size_t i = 0; i < records.size(); ++i) {
        records[i].states = 0x0F;
        records[i].characterId = 10;
        records[i].depth = static_cast<uint16_t>(i + 1);
    }
    PlaceRecipe place;
    place.characterId = 10;
    Session s(MakeMovie(DefineButtonTag(2, 10, records) + PlaceObject2Tag(place) + ShowFrameTag()));
    s.Do({'m', 55, 55});
    s.Do({'d', 55, 55});
    s.Do({'u', 55, 55});
    EXPECT_FALSE(s.player->PointerOverButton());
}

TEST(Pointer, MoviesWithoutScriptsStillShowButtonStates) {
    const Bytes tags = ButtonTags({}, "") + ShowFrameTag();
    Session s(MakeMovie(tags));
    s.Do({'m', 55, 55});
    EXPECT_EQ(s.Drawn(55, 55).b, 255);
    s.Do({'d', 55, 55});
    EXPECT_EQ(s.Drawn(55, 55).g, 255);
    s.Do({'u', 55, 55});
    s.Do({'m', 10, 10});
    EXPECT_EQ(s.Drawn(55, 55).r, 255);
}

} // namespace
} // namespace ww::test
