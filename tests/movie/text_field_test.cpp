// Text fields under scripts: bound variables shown frame by frame, the
// TextField properties and what they draw, TextFormat ranges, and hostile
// markup handed over by a script.
#include "movie/text_layout.h"
#include "tests/movie/movie_test_util.h"

#include <string>
#include <vector>

namespace ww::test {
namespace {

Bytes Movie8(const Bytes& tags, uint16_t frames = 1) {
    SwfRecipe layout = StageRecipe(false);
    layout.version = 8;
    layout.frameCount = frames;
    layout.tags = tags;
    return MakeSwf(layout);
}

// target.method(args...), the result left on the stack.
ActionWriter& Call(ActionWriter& w, const std::string& target, const std::string& method,
                   const std::vector<PushValue>& args) {
    for (auto it = args.rbegin(); it != args.rend(); ++it)
        w.Push({*it});
    w.Push({PushInt(static_cast<int32_t>(args.size()))});
    w.Get(target).Push({PushString(method)}).Op(0x52);
    return w;
}

ActionWriter& SetMember(ActionWriter& w, const std::string& target, const std::string& name,
                        const PushValue& value) {
    w.Get(target).Push({PushString(name), value}).Op(0x4F);
    return w;
}

ActionWriter& TraceMember(ActionWriter& w, const std::string& target, const std::string& name) {
    w.Get(target).Push({PushString(name)}).Op(0x4E).Trace();
    return w;
}

struct FieldRun {
    movie::Movie movie;
    std::vector<std::string> lines;
    std::unique_ptr<movie::Player> player;
    explicit FieldRun(const Bytes& swf) : movie(ParseOrFail(swf)) {
        movie::ScriptOptions options;
        options.trace = [this](const std::string& l) { lines.push_back(l); };
        options.clockMs = 0;
        options.seeded = true;
        player = std::make_unique<movie::Player>(movie, options);
    }
    std::string FieldText(uint16_t depth) const {
        const movie::DisplayObject& o = player->root().objects.at(depth);
        return o.instance && o.instance->field ? o.instance->field->edit.text : "(tag)";
    }
    movie::Canvas Draw() const {
        movie::Renderer renderer(movie);
        movie::Canvas canvas;
        std::string error;
        EXPECT_TRUE(renderer.Render(*player, movie::RenderOptions(), &canvas, &error)) << error;
        return canvas;
    }
};

PlaceRecipe Named(uint16_t depth, int id, const std::string& name) {
    PlaceRecipe p;
    p.depth = depth;
    p.characterId = id;
    p.name = name;
    return p;
}

EditTextRecipe BoundField(const std::string& variable, const std::string& text) {
    EditTextRecipe f;
    f.variableName = variable;
    f.text = text;
    f.hasText = !text.empty();
    return f;
}

TEST(TextFields, BoundFieldsShowTheirVariablesFrameByFrame) {
    // Field 1 shows score; field 2 shows v inside the clip box.
    ActionWriter frame2, frame3, frame4;
    frame2.Get("score").Trace().Set("score", PushInt(7));
    frame3.Set("score", PushString("seven"));
    frame3.Get("box").Push({PushString("v"), PushString("in box")}).Op(0x4F);
    SetMember(frame4, "f", "text", PushString("typed")).Get("score").Trace();
    const Bytes tags = DefineEditTextTag(5, BoundField("score", "start")) +
                       DefineEditTextTag(6, BoundField("/box:v", "")) +
                       DefineSpriteTag(20, 1, ShowFrameTag()) + PlaceObject2Tag(Named(1, 5, "f")) +
                       PlaceObject2Tag(Named(2, 6, "g")) + PlaceObject2Tag(Named(3, 20, "box")) +
                       ShowFrameTag() + DoActionTag(frame2.Records()) + ShowFrameTag() +
                       DoActionTag(frame3.Records()) + ShowFrameTag() +
                       DoActionTag(frame4.Records() + Bytes{0x07}) + ShowFrameTag();
    FieldRun run(Movie8(tags, 4));
    const struct {
        const char* field1;
        const char* field2;
    } frames[] = {{"start", ""}, {"7", ""}, {"seven", "in box"}, {"typed", "in box"}};
    for (size_t k = 0; k < 4; ++k) {
        SCOPED_TRACE(k + 1);
        if (k > 0)
            run.player->Advance();
        EXPECT_EQ(run.FieldText(1), frames[k].field1);
        EXPECT_EQ(run.FieldText(2), frames[k].field2);
    }
    // The variable took the field's text, and later the text a script set.
    EXPECT_EQ(run.lines, (std::vector<std::string>{"start", "typed"}));
}

TEST(TextFields, PropertiesReadBackAndDraw) {
    EditTextRecipe field;
    field.text = "";
    field.xmin = 0;
    field.xmax = 100 * kPx;
    field.ymin = 0;
    field.ymax = 20 * kPx;
    PlaceRecipe place = Named(1, 5, "f");
    place.hasMatrix = true;
    place.matrix.tx = 100 * kPx;
    place.matrix.ty = 100 * kPx;
    ActionWriter w;
    const struct {
        const char* name;
        PushValue value;
    } sets[] = {{"background", PushBool(true)},   {"backgroundColor", PushInt(0x00FF00)},
                {"border", PushBool(true)},       {"borderColor", PushInt(0x0000FF)},
                {"textColor", PushInt(0x123456)}, {"autoSize", PushString("center")},
                {"multiline", PushBool(true)},    {"_x", PushInt(120)}};
    for (const auto& s : sets)
        SetMember(w, "f", s.name, s.value);
    for (const char* name : {"background", "backgroundColor", "border", "borderColor", "textColor",
                             "autoSize", "multiline", "wordWrap", "_x", "_y"})
        TraceMember(w, "f", name);
    SetMember(w, "f", "autoSize", PushBool(true));
    TraceMember(w, "f", "autoSize");
    // Sizing itself to no text left the box small; it is sized again.
    SetMember(w, "f", "autoSize", PushString("none"));
    SetMember(w, "f", "_width", PushInt(50));
    SetMember(w, "f", "_height", PushInt(20));
    TraceMember(w, "f", "_width");
    SetMember(w, "f", "html", PushBool(true));
    SetMember(w, "f", "htmlText", PushString("<b>bold</b> &amp; plain"));
    TraceMember(w, "f", "text");
    TraceMember(w, "f", "length");
    SetMember(w, "f", "text", PushString(""));
    const Bytes tags = DefineEditTextTag(5, field) + PlaceObject2Tag(place) +
                       DoActionTag(w.Records()) + ShowFrameTag();
    FieldRun run(Movie8(tags));
    EXPECT_EQ(run.lines, (std::vector<std::string>{"true", "65280", "true", "255", "1193046",
                                                   "center", "true", "false", "120", "100", "left",
                                                   "50", "bold & plain", "12"}));
    // The box is 50 px wide from x 120: green inside, untouched past it.
    const movie::Canvas canvas = run.Draw();
    ExpectPixels(canvas, {{125, 110, Rgba8{0, 255, 0, 255}},
                          {165, 110, Rgba8{0, 255, 0, 255}},
                          {175, 110, kWhite},
                          {125, 125, kWhite}});
}

TEST(TextFields, TextFormatRangesReadBackPerCharacter) {
    ActionWriter w;
    Call(w, "_root", "createTextField",
         {PushString("t"), PushInt(1), PushInt(10), PushInt(10), PushInt(200), PushInt(40)})
        .Op(0x17);
    SetMember(w, "t", "text", PushString("hello"));
    w.Push({PushString("fmt"), PushInt(0), PushString("TextFormat")}).Op(0x40).Op(0x1D);
    TraceMember(w, "fmt", "bold"); // a new format sets nothing
    SetMember(w, "fmt", "bold", PushBool(true));
    SetMember(w, "fmt", "color", PushInt(0xFF0000));
    w.Get("fmt").Push({PushInt(3), PushInt(1), PushInt(3)}).Get("t");
    w.Push({PushString("setTextFormat")}).Op(0x52).Op(0x17);
    const struct {
        int begin, end;
        const char* field;
    } gets[] = {{0, 1, "bold"},  {1, 3, "bold"}, {0, 5, "bold"}, {2, 3, "color"},
                {0, 5, "color"}, {0, 5, "font"}, {4, 5, "size"}};
    for (const auto& g : gets) {
        Call(w, "t", "getTextFormat", {PushInt(g.begin), PushInt(g.end)});
        w.Push({PushString(g.field)}).Op(0x4E).Trace();
    }
    // A new format for the whole field: size 20, font _sans.
    w.Push({PushInt(20), PushString("_sans"), PushInt(2), PushString("TextFormat")}).Op(0x40);
    w.Push({PushInt(1)}).Get("t").Push({PushString("setTextFormat")}).Op(0x52).Op(0x17);
    Call(w, "t", "getTextFormat", {PushInt(4)});
    w.Push({PushString("size")}).Op(0x4E).Trace();
    Call(w, "t", "getTextFormat", {});
    w.Push({PushString("font")}).Op(0x4E).Trace();
    TraceMember(w, "t", "text");
    FieldRun run(Movie8(DoActionTag(w.Records()) + ShowFrameTag()));
    EXPECT_EQ(run.lines,
              (std::vector<std::string>{"null", "false", "true", "null", "16711680", "null",
                                        "Times New Roman", "12", "20", "_sans", "hello"}));
}

// while (i < n) { s = s + s; i++ }, from s = seed.
ActionWriter Doubling(const std::string& var, const std::string& seed, int n) {
    ActionWriter w;
    w.Set(var, PushString(seed)).Set("i", PushInt(0));
    w.Label("top").Get("i").Push({PushInt(n)}).Op(0x48).Op(0x12).If("done");
    w.Push({PushString(var)}).Get(var).Get(var).Op(0x47).Op(0x1D);
    w.Push({PushString("i")}).Get("i").Op(0x50).Op(0x1D).Jump("top").Label("done");
    return w;
}

TEST(TextFields, HostileMarkupFromScriptsEndsCleanly) {
    const struct {
        const char* name;
        ActionWriter build; // leaves the markup in s
    } cases[] = {
        {"16,384 nested fonts", Doubling("s", "<font color='#FF0000' size='+1'>x", 14)},
        {"a megabyte of text in unclosed tags", Doubling("s", "<b><i>abcdefgh ", 16)},
        {"tags cut short", ActionWriter().Set("s", PushString("<p align='<font face=\"A"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ActionWriter w;
        Call(w, "_root", "createTextField",
             {PushString("t"), PushInt(1), PushInt(0), PushInt(0), PushInt(200), PushInt(100)})
            .Op(0x17);
        SetMember(w, "t", "html", PushBool(true));
        SetMember(w, "t", "wordWrap", PushBool(true));
        w.Raw(c.build.Records());
        w.Get("t").Push({PushString("htmlText")}).Get("s").Op(0x4F);
        w.Push({PushString("f"), PushInt(0), PushString("TextFormat")}).Op(0x40).Op(0x1D);
        SetMember(w, "f", "underline", PushBool(true));
        w.Get("f").Push({PushInt(1)}).Get("t").Push({PushString("setTextFormat")}).Op(0x52);
        w.Op(0x17);
        TraceMember(w, "t", "maxscroll");
        FieldRun run(Movie8(DoActionTag(w.Records()) + ShowFrameTag()));
        ASSERT_EQ(run.lines.size(), 1u);
        EXPECT_GE(std::stoi(run.lines[0]), 1);
        const movie::Canvas canvas = run.Draw();
        EXPECT_EQ(canvas.width, 550);
    }
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

TEST(TextFields, ScrollBringsItsLineToTheTop) {
    movie::Movie empty;
    movie::EditText field;
    field.bounds = movie::Rect{0, 4000, 0, 4000};
    field.multiline = true;
    field.fontClass = "_sans";
    field.text = "a\nb\nc";
    movie::DeviceGlyphCache cache;
    movie::TextPicture whole;
    movie::LayoutEditText(empty, field, cache, &whole);
    if (whole.glyphs.size() != 3)
        GTEST_SKIP() << "no device font to lay the lines out in";
    const struct {
        int scroll;
        size_t top; // the line shown first
    } cases[] = {{1, 0}, {2, 1}, {3, 2}, {40, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scroll);
        movie::TextPicture p = whole;
        movie::ScrollPicture(c.scroll, &p);
        EXPECT_DOUBLE_EQ(p.glyphs[c.top].matrix.ty, whole.glyphs[0].matrix.ty);
        EXPECT_EQ(p.overflows, c.scroll > 1);
    }
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

TEST(TextFields, TextFormatConvertsWhatScriptsStore) {
    const struct {
        const char* name;
        PushValue value;
        const char* shown;
    } cases[] = {
        {"size", PushDouble(-3.5), "-4"},
        {"size", PushDouble(2.5), "2"},
        {"size", PushDouble(3.5), "4"},
        {"size", PushDouble(4294967295.0), "-2147483648"},
        {"size", PushNull(), "null"},
        {"leftMargin", PushDouble(-3), "0"},
        {"leftMargin", PushDouble(2.5), "2"},
        {"indent", PushDouble(-2.5), "-2"},
        {"color", PushDouble(-3), "4294967293"},
        {"color", PushDouble(3.5), "3"},
        {"bold", PushString("x"), "true"},
        {"font", PushInt(7), "7"},
        {"align", PushString("CENTER"), "center"},
        {"align", PushString("sideways"), "center"}, // keeps the one before
        {"letterSpacing", PushDouble(1.5), "1.5"},
        {"display", PushString("inline"), "inline"},
        {"display", PushString("Inline"), "block"},
    };
    ActionWriter w;
    w.Push({PushString("f"), PushInt(0), PushString("TextFormat")}).Op(0x40).Op(0x1D);
    std::vector<std::string> want;
    for (const auto& c : cases) {
        SetMember(w, "f", c.name, c.value);
        TraceMember(w, "f", c.name);
        want.push_back(c.shown);
    }
    // The constructor truncates and keeps negative margins.
    for (int k = 0; k < 5; ++k)
        w.Push({PushDouble(-10.9)}); // leading, indent, margins, align
    w.Push({PushNull(), PushNull(), PushNull(), PushNull(), PushNull(), PushNull()});
    w.Push({PushDouble(10.9), PushString("x"), PushInt(13), PushString("TextFormat")}).Op(0x40);
    w.Push({PushString("g")}).Op(0x4D).Op(0x1D);
    for (const char* name : {"size", "leftMargin", "leading", "align", "display"}) {
        TraceMember(w, "g", name);
    }
    for (const char* shown : {"10", "-10", "-10", "null", "block"})
        want.push_back(shown);
    FieldRun run(Movie8(DoActionTag(w.Records()) + ShowFrameTag()));
    EXPECT_EQ(run.lines, want);
}

TEST(TextFields, HtmlTextComesBackInFlashsForm) {
    const struct {
        const char* set;
        const char* get;
    } cases[] = {
        {"", ""},
        {"<b></b>", ""},
        {"a<b>b</b>&amp;", "<P ALIGN=\"LEFT\"><FONT FACE=\"Times New Roman\" SIZE=\"12\" "
                           "COLOR=\"#000000\" LETTERSPACING=\"0\" KERNING=\"0\">a<B>b</B>&amp;"
                           "</FONT></P>"},
        {"<p align='right'>r</p><li>l</li>",
         "<P ALIGN=\"RIGHT\"><FONT FACE=\"Times New Roman\" SIZE=\"12\" COLOR=\"#000000\" "
         "LETTERSPACING=\"0\" KERNING=\"0\">r</FONT></P><LI><FONT FACE=\"Times New Roman\" "
         "SIZE=\"12\" COLOR=\"#000000\" LETTERSPACING=\"0\" KERNING=\"0\">l</FONT></LI>"},
        // FONT tags nest; a run back in an open FONT's font closes those inside.
        {"<font color='#aaaaaa'>a<font color='#bbbbbb'>b</font>a</font>c",
         "<P ALIGN=\"LEFT\"><FONT FACE=\"Times New Roman\" SIZE=\"12\" COLOR=\"#AAAAAA\" "
         "LETTERSPACING=\"0\" KERNING=\"0\">a<FONT COLOR=\"#BBBBBB\">b</FONT>a<FONT "
         "COLOR=\"#000000\">c</FONT></FONT></P>"},
        {"<p><b>x</b><b>y</b></p><p><p>z</p></p>",
         "<P ALIGN=\"LEFT\"><FONT FACE=\"Times New Roman\" SIZE=\"12\" COLOR=\"#000000\" "
         "LETTERSPACING=\"0\" KERNING=\"0\"><B>xy</B></FONT></P><P ALIGN=\"LEFT\"><FONT "
         "FACE=\"Times New Roman\" SIZE=\"12\" COLOR=\"#000000\" LETTERSPACING=\"0\" "
         "KERNING=\"0\">z</FONT></P>"},
        {"<textformat leading='4'><a href='u'>x</a></textformat>",
         "<TEXTFORMAT LEADING=\"4\"><P ALIGN=\"LEFT\"><FONT FACE=\"Times New Roman\" "
         "SIZE=\"12\" COLOR=\"#000000\" LETTERSPACING=\"0\" KERNING=\"0\"><A HREF=\"u\" "
         "TARGET=\"\">x</A></FONT></P></TEXTFORMAT>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.set);
        ActionWriter w;
        Call(w, "_root", "createTextField",
             {PushString("t"), PushInt(1), PushInt(0), PushInt(0), PushInt(200), PushInt(100)})
            .Op(0x17);
        SetMember(w, "t", "html", PushBool(true));
        SetMember(w, "t", "multiline", PushBool(true));
        SetMember(w, "t", "htmlText", PushString(c.set));
        TraceMember(w, "t", "htmlText");
        FieldRun run(Movie8(DoActionTag(w.Records()) + ShowFrameTag()));
        EXPECT_EQ(run.lines, (std::vector<std::string>{c.get}));
    }
}

TEST(TextFields, TextExtentsMeasureWithTheFieldsGutter) {
    ActionWriter w;
    w.Push({PushString("f"), PushInt(0), PushString("TextFormat")}).Op(0x40).Op(0x1D);
    // e = f.getTextExtent(text[, width]); then the figures traced.
    const struct {
        std::vector<PushValue> args;
    } calls[] = {{{PushString("ab ab ab ab")}}, {{PushString("ab ab ab ab"), PushInt(30)}}};
    for (const auto& c : calls) {
        w.Push({PushString("e")});
        Call(w, "f", "getTextExtent", c.args).Op(0x1D);
        w.Get("e").Push({PushString("textFieldWidth")}).Op(0x4E);
        w.Get("e").Push({PushString("width")}).Op(0x4E).Op(0x0B).Trace();
        w.Get("e").Push({PushString("textFieldHeight")}).Op(0x4E);
        w.Get("e").Push({PushString("height")}).Op(0x4E).Op(0x0B).Trace();
    }
    w.Get("e").Push({PushString("textFieldWidth")}).Op(0x4E).Trace();
    FieldRun run(Movie8(DoActionTag(w.Records()) + ShowFrameTag()));
    ASSERT_EQ(run.lines.size(), 5u);
    EXPECT_EQ(run.lines[0], "4");
    EXPECT_EQ(run.lines[1], "4");
    EXPECT_EQ(run.lines[3], "4");
    EXPECT_EQ(run.lines[4], "30"); // a wrapped extent is as wide as asked
}

TEST(TextFields, ReplaceTextSwapsARange) {
    const struct {
        int begin, end;
        const char* with;
        const char* shown;
    } cases[] = {
        {1, 3, "XY", "hXYlo"}, {0, 0, "a", "ahello"}, {3, 100, "", "hel"}, {-4, 1, "J", "Jello"}};
    ActionWriter w;
    Call(w, "_root", "createTextField",
         {PushString("t"), PushInt(1), PushInt(0), PushInt(0), PushInt(200), PushInt(100)})
        .Op(0x17);
    std::vector<std::string> want;
    for (const auto& c : cases) {
        SetMember(w, "t", "text", PushString("hello"));
        Call(w, "t", "replaceText", {PushInt(c.begin), PushInt(c.end), PushString(c.with)})
            .Op(0x17);
        TraceMember(w, "t", "text");
        want.push_back(c.shown);
    }
    FieldRun run(Movie8(DoActionTag(w.Records()) + ShowFrameTag()));
    EXPECT_EQ(run.lines, want);
}

TEST(TextFields, SnapshotsReadAClipsStaticText) {
    // "ABC" on one line and "DE" on the next, in a font whose glyphs are
    // those letters.
    FontRecipe font;
    for (char c : std::string("ABCDE")) {
        font.glyphs.emplace_back();
        font.codes.push_back(static_cast<uint16_t>(c));
        font.advances.push_back(500);
    }
    TextRunRecipe line1, line2;
    line1.fontId = line2.fontId = 3;
    line1.y = 400;
    line2.y = 800;
    line1.glyphs = {{0, 200}, {1, 200}, {2, 200}};
    line2.glyphs = {{3, 200}, {4, 200}};
    PlaceRecipe place;
    place.depth = 1;
    place.characterId = 4;
    const struct {
        const char* method;
        std::vector<PushValue> args;
        const char* shown;
    } cases[] = {
        {"getCount", {}, "5"},
        {"getText", {PushInt(1), PushInt(4)}, "BCD"},
        {"getText", {PushInt(1), PushInt(4), PushBool(true)}, "BC\nD"},
        {"getText", {PushInt(100), PushInt(200)}, "E"},
        {"getText", {PushInt(3), PushInt(1)}, "D"},
        {"getText", {PushInt(-5), PushInt(-2)}, "A"},
        {"getText", {PushInt(0)}, "undefined"},
        {"findText", {PushInt(0), PushString("cd"), PushBool(false)}, "2"},
        {"findText", {PushInt(0), PushString("cd"), PushBool(true)}, "-1"},
        {"findText", {PushInt(3), PushString("BC"), PushBool(true)}, "-1"},
        {"findText", {PushInt(0), PushString(""), PushBool(true)}, "-1"},
        {"findText", {PushInt(0), PushString("A")}, "undefined"},
    };
    ActionWriter w;
    Call(w, "_root", "getTextSnapshot", {}).Push({PushString("s")}).Op(0x4D).Op(0x1D);
    std::vector<std::string> want;
    for (const auto& c : cases) {
        Call(w, "s", c.method, c.args).Trace();
        want.push_back(c.shown);
    }
    const Bytes tags = DefineFontTag(2, 3, font) +
                       DefineTextTag(2, 4, MatrixRecipe(), {line1, line2}) +
                       PlaceObject2Tag(place) + DoActionTag(w.Records()) + ShowFrameTag();
    FieldRun run(Movie8(tags));
    EXPECT_EQ(run.lines, want);
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

TEST(TextFields, BordersSitOnWholePixels) {
    // A 10 px field with a border, placed at whole, half and other fractions
    // of a pixel: halves round down, and the bottom right corner stays clear.
    const struct {
        int32_t at; // twips, both axes
        int edge;   // the pixel of its top left corner
    } cases[] = {{100, 5}, {105, 5}, {110, 5}, {111, 6}, {130, 6}};
    const Rgba8 black{0, 0, 0, 255};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.at);
        EditTextRecipe field;
        field.xmax = field.ymax = 10 * kPx;
        field.border = true;
        PlaceRecipe place;
        place.characterId = 5;
        place.hasMatrix = true;
        place.matrix = Translate(c.at, c.at);
        const Bytes swf =
            Movie8(DefineEditTextTag(5, field) + PlaceObject2Tag(place) + ShowFrameTag());
        const int e = c.edge;
        ExpectPixels(RenderFrame(swf),
                     {{e, e, black},
                      {e + 10, e, black},
                      {e, e + 10, black},
                      {e + 10, e + 9, black},
                      {e + 9, e + 10, black},
                      {e + 10, e + 10, kWhite},
                      {e + 5, e + 5, kWhite},
                      {e - 1, e, kWhite},
                      {e, e - 1, kWhite}},
                     0);
    }
}

TEST(TextFields, ANewVariableBindsAtOnce) {
    EditTextRecipe field = BoundField("a", "Hello");
    ActionWriter w;
    w.Set("a", PushString("changed"));
    SetMember(w, "f", "variable", PushString("b")); // not set yet: takes the tag's text
    w.Get("b").Trace();
    TraceMember(w, "f", "text");
    w.Set("c", PushString("C"));
    SetMember(w, "f", "variable", PushString("c")); // set: the field shows it
    TraceMember(w, "f", "text");
    const Bytes tags = DefineEditTextTag(5, field) + PlaceObject2Tag(Named(1, 5, "f")) +
                       DoActionTag(w.Records()) + ShowFrameTag();
    FieldRun run(Movie8(tags));
    EXPECT_EQ(run.lines, (std::vector<std::string>{"Hello", "Hello", "C"}));
}

TEST(TextFields, ReplaceSelTypesOverTheSelectionOfTheFocus) {
    ActionWriter w;
    Call(w, "_root", "createTextField",
         {PushString("t"), PushInt(1), PushInt(0), PushInt(0), PushInt(200), PushInt(100)})
        .Op(0x17);
    SetMember(w, "t", "type", PushString("input"));
    SetMember(w, "t", "text", PushString("abcd"));
    // Without the focus the selection sits at the start.
    Call(w, "t", "replaceSel", {PushString("|")}).Op(0x17);
    TraceMember(w, "t", "text");
    // The focus given by a script selects the whole text.
    Call(w, "Selection", "setFocus", {PushString("t")}).Op(0x17);
    Call(w, "t", "replaceSel", {PushString("xy")}).Op(0x17);
    TraceMember(w, "t", "text");
    // The caret stands after what was put in.
    Call(w, "t", "replaceSel", {PushString("z")}).Op(0x17);
    TraceMember(w, "t", "text");
    FieldRun run(Movie8(DoActionTag(w.Records()) + ShowFrameTag()));
    EXPECT_EQ(run.lines, (std::vector<std::string>{"|abcd", "xy", "xyz"}));
}

// Leading counts between lines, and under a line that stands alone.
TEST(TextFields, TextHeightCountsLeadingAsFlashDoes) {
    const struct {
        const char* text;
        int leading;
    } cases[] = {{"a", 0}, {"a", 10}, {"a\rb", 0}, {"a\rb", 10}, {"a\rb\rc", 10}};
    ActionWriter w;
    int depth = 1;
    for (const auto& c : cases) {
        const std::string name = "t" + std::to_string(depth);
        Call(w, "_root", "createTextField",
             {PushString(name), PushInt(depth++), PushInt(0), PushInt(0), PushInt(200),
              PushInt(200)})
            .Op(0x17);
        SetMember(w, name, "multiline", PushBool(true));
        w.Push({PushString("fmt"), PushInt(0), PushString("TextFormat")}).Op(0x40).Op(0x1D);
        SetMember(w, "fmt", "size", PushInt(20));
        SetMember(w, "fmt", "leading", PushInt(c.leading));
        w.Get("fmt").Push({PushInt(1)}).Get(name).Push({PushString("setNewTextFormat")});
        w.Op(0x52).Op(0x17);
        SetMember(w, name, "text", PushString(c.text));
        TraceMember(w, name, "textHeight");
    }
    FieldRun run(Movie8(DoActionTag(w.Records()) + ShowFrameTag()));
    ASSERT_EQ(run.lines.size(), 5u);
    std::vector<int> h;
    for (const std::string& l : run.lines)
        h.push_back(std::stoi(l));
    EXPECT_GT(h[0], 0);
    EXPECT_EQ(h[1], h[0] + 10);
    EXPECT_EQ(h[3], h[2] + 10);
    EXPECT_EQ(h[4] - h[3], h[2] - h[0] + 10);
}

// A watcher of a field's text is told undefined as the old value: the text
// sits behind a getter, which the watch does not run.
TEST(TextFields, WatchersOfFieldTextSeeNoOldValue) {
    ActionWriter w;
    Call(w, "_root", "createTextField",
         {PushString("t"), PushInt(1), PushInt(0), PushInt(0), PushInt(200), PushInt(100)})
        .Op(0x17);
    SetMember(w, "t", "text", PushString("before"));
    ActionWriter told;
    told.Get("old").Trace().Get("now").Op(0x3E);
    w.Push({PushString("seen")}).Function("", {"name", "old", "now"}, told).Op(0x1D);
    w.Get("seen").Push({PushString("text"), PushInt(2)}).Get("t").Push({PushString("watch")});
    w.Op(0x52).Op(0x17);
    SetMember(w, "t", "text", PushString("after"));
    TraceMember(w, "t", "text");
    // A plain property's watcher is told the value it had.
    w.Push({PushString("o"), PushInt(0), PushString("Object")}).Op(0x40).Op(0x1D);
    SetMember(w, "o", "p", PushInt(1));
    w.Get("seen").Push({PushString("p"), PushInt(2)}).Get("o").Push({PushString("watch")});
    w.Op(0x52).Op(0x17);
    SetMember(w, "o", "p", PushInt(2));
    FieldRun run(Movie8(DoActionTag(w.Records()) + ShowFrameTag()));
    EXPECT_EQ(run.lines, (std::vector<std::string>{"undefined", "after", "1"}));
}

// A variable that goes away leaves its field as it was; a plain object's
// variable is read when the field binds and not followed after, though
// text typed into the field still reaches it.
TEST(TextFields, BoundFieldsFollowOnlyClipVariablesThatExist) {
    ActionWriter frame1, frame2;
    frame1.Set("v", PushString("one"));
    frame1.Push({PushString("o"), PushInt(0), PushString("Object")}).Op(0x40).Op(0x1D);
    SetMember(frame1, "o", "p", PushString("first"));
    frame2.Push({PushString("v")}).Op(0x3B).Op(0x17);
    SetMember(frame2, "o", "p", PushString("second"));
    TraceMember(frame2, "g", "text");
    SetMember(frame2, "g", "text", PushString("typed"));
    TraceMember(frame2, "o", "p");
    const Bytes tags = DefineEditTextTag(5, BoundField("v", "tag")) +
                       DefineEditTextTag(6, BoundField("o.p", "tag")) +
                       PlaceObject2Tag(Named(1, 5, "f")) + PlaceObject2Tag(Named(2, 6, "g")) +
                       DoActionTag(frame1.Records()) + ShowFrameTag() +
                       DoActionTag(frame2.Records() + Bytes{0x07}) + ShowFrameTag();
    FieldRun run(Movie8(tags, 2));
    EXPECT_EQ(run.FieldText(1), "one");
    EXPECT_EQ(run.FieldText(2), "first");
    run.player->Advance();
    EXPECT_EQ(run.FieldText(1), "one");
    EXPECT_EQ(run.lines, (std::vector<std::string>{"first", "typed"}));
}

// TextSnapshot's methods come with SWF 6; an older movie lists the names
// with nothing in them.
TEST(TextFields, SnapshotMethodsNeedSwf6) {
    for (const uint8_t version : {5, 6, 8}) {
        SCOPED_TRACE(int(version));
        ActionWriter w;
        w.Get("TextSnapshot").Push({PushString("prototype")}).Op(0x4E);
        w.Push({PushString("getText")}).Op(0x4E).Op(0x44).Trace();
        SwfRecipe movie = StageRecipe(false);
        movie.version = version;
        movie.tags = DoActionTag(w.Records()) + ShowFrameTag();
        FieldRun run(MakeSwf(movie));
        EXPECT_EQ(run.lines, std::vector<std::string>{version >= 6 ? "function" : "undefined"});
    }
}

// A field set to size itself grows away from the side its autoSize names,
// and the clip holding it has the field's box for bounds.
TEST(TextFields, AutoSizeGrowsFromItsSideAndBoundsTheClip) {
    const char* const modes[] = {"none", "left", "center", "right"};
    ActionWriter w;
    int depth = 1;
    for (const char* mode : modes) {
        const std::string clip = std::string("mc_") + mode;
        Call(w, "_root", "createEmptyMovieClip", {PushString(clip), PushInt(depth++)}).Op(0x17);
        Call(w, clip, "createTextField",
             {PushString("t"), PushInt(1), PushInt(50), PushInt(40), PushInt(100), PushInt(30)})
            .Op(0x17);
        w.Push({PushString("t")}).Get(clip).Push({PushString("t")}).Op(0x4E).Op(0x1D);
        SetMember(w, "t", "text", PushString("a rather long line of text, wider than the box"));
        SetMember(w, "t", "autoSize", PushString(mode));
        TraceMember(w, "t", "_x");
        TraceMember(w, "t", "_width");
        w.Push({PushString("b")});
        Call(w, clip, "getBounds", {}).Op(0x1D);
        TraceMember(w, "b", "xMin");
        TraceMember(w, "b", "xMax");
    }
    FieldRun run(Movie8(DoActionTag(w.Records()) + ShowFrameTag()));
    ASSERT_EQ(run.lines.size(), 16u);
    for (size_t k = 0; k < 4; ++k) {
        SCOPED_TRACE(modes[k]);
        const double x = std::stod(run.lines[4 * k]), width = std::stod(run.lines[4 * k + 1]);
        EXPECT_DOUBLE_EQ(std::stod(run.lines[4 * k + 2]), x);
        EXPECT_NEAR(std::stod(run.lines[4 * k + 3]), x + width, 0.05);
        if (k == 0) {
            EXPECT_EQ(x, 50);
            EXPECT_EQ(width, 100);
            continue;
        }
        EXPECT_GT(width, 150);
        const double fixed[] = {0, x, x + width / 2, x + width};
        const double want[] = {0, 50, 100, 150};
        EXPECT_NEAR(fixed[k], want[k], 0.05);
    }
}

// duplicateMovieClip on a field with a tag makes a field fresh from that
// tag, placed as the original; a field's _x and _y name its box's corner.
TEST(TextFields, DuplicatesAreFreshFromTheTag) {
    EditTextRecipe field = BoundField("", "tag text");
    field.xmin = 6 * kPx;
    field.ymin = 7 * kPx;
    field.xmax = 100 * kPx;
    field.ymax = 30 * kPx;
    ActionWriter w;
    SetMember(w, "f", "_x", PushInt(20));
    SetMember(w, "f", "_alpha", PushDouble(50.5));
    SetMember(w, "f", "text", PushString("changed"));
    w.Get("f").Push({PushString("g"), PushInt(3)}).Op(0x24);
    for (const char* target : {"f", "g"}) {
        for (const char* name : {"_x", "_y", "_alpha", "text"})
            TraceMember(w, target, name);
    }
    const Bytes tags = DefineEditTextTag(5, field) + PlaceObject2Tag(Named(1, 5, "f")) +
                       DoActionTag(w.Records()) + ShowFrameTag();
    FieldRun run(Movie8(tags));
    // _alpha is kept in 256ths: 50.5 % is 129/256.
    EXPECT_EQ(run.lines, (std::vector<std::string>{"20", "7", "50.390625", "changed", "20", "7",
                                                   "50.390625", "tag text"}));
}

// The Tab order reads what a script stored, kept as unsigned 32 bits.
TEST(TextFields, TabIndexKeepsWhatAScriptStoresAsFlashDoes) {
    const struct {
        PushValue value;
        const char* read;
    } cases[] = {{PushInt(4), "4"},
                 {PushInt(-4), "4294967292"},
                 {PushString("x"), "0"},
                 {PushDouble(2147483648.0), "2147483648"},
                 {PushUndefined(), "undefined"}};
    ActionWriter w;
    Call(w, "_root", "createTextField",
         {PushString("t"), PushInt(1), PushInt(0), PushInt(0), PushInt(200), PushInt(100)})
        .Op(0x17);
    TraceMember(w, "t", "tabIndex");
    std::vector<std::string> want = {"undefined"};
    for (const auto& c : cases) {
        SetMember(w, "t", "tabIndex", c.value);
        TraceMember(w, "t", "tabIndex");
        want.push_back(c.read);
    }
    FieldRun run(Movie8(DoActionTag(w.Records()) + ShowFrameTag()));
    EXPECT_EQ(run.lines, want);
}

} // namespace
} // namespace ww::test
