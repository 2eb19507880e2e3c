// The ActionScript runtime: small programs assembled action by action, run as
// a movie's first frame, and the exact trace log they leave, grouped by area.
#include "movie/avm1/convert.h"
#include "samples/clock_movie.h"
#include "tests/movie/movie_test_util.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace ww::test {
namespace {

using movie::avm1::NumberToString;
using movie::avm1::StringToNumber;

Bytes Movie(const Bytes& tags, uint8_t version, uint16_t frames) {
    SwfRecipe layout = StageRecipe(false);
    layout.version = version;
    layout.frameCount = frames;
    layout.tags = tags;
    return MakeSwf(layout);
}

struct ScriptRun {
    std::vector<std::string> lines;
    std::vector<std::string> warnings;
    uint32_t frame = 0;
};

ScriptRun Play(const Bytes& swf, int frames = 1, uint64_t budget = 0) {
    ScriptRun run;
    const movie::Movie m = ParseOrFail(swf);
    movie::ScriptOptions options;
    options.trace = [&run](const std::string& line) { run.lines.push_back(line); };
    options.clockMs = 0;
    options.seeded = true;
    options.actionBudget = budget;
    movie::Player player(m, options);
    for (int i = 1; i < frames; ++i)
        player.Advance();
    run.warnings = player.scriptWarnings();
    run.frame = player.frame();
    return run;
}

// One frame's script in a movie of the given version.
std::vector<std::string> Trace(const ActionWriter& script, uint8_t version = 8) {
    return Play(Movie(DoActionTag(script.Records()) + ShowFrameTag(), version, 1)).lines;
}

struct ScriptCase {
    const char* name;
    uint8_t version;
    ActionWriter script;
    std::vector<std::string> want;
};

void ExpectTraces(const std::vector<ScriptCase>& cases) {
    for (const ScriptCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Trace(c.script, c.version), c.want);
    }
}

// push a, push b, op, trace
ActionWriter Binary(const PushValue& a, const PushValue& b, uint8_t op) {
    return ActionWriter().Push({a, b}).Op(op).Trace();
}

ActionWriter TraceValue(const PushValue& v) {
    return ActionWriter().Push({v}).Trace();
}

TEST(Avm1Conversions, NumbersPrintAsFlashPrintsThem) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0, "0"},
        {-0.0, "0"},
        {1, "1"},
        {-42, "-42"},
        {0.5, "0.5"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3, "0.333333333333333"},
        {123456789012345, "123456789012345"},
        {1e15, "1e+15"},
        {8.64e15, "8.64e+15"},
        {1e21, "1e+21"},
        {1.5e-7, "1.5e-7"},
        {0.0001, "0.0001"},
        {NAN, "NaN"},
        {INFINITY, "Infinity"},
        {-INFINITY, "-Infinity"},
        {5e-324, "4.94065645841247e-324"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NumberToString(c.value), c.text) << c.text;
}

TEST(Avm1Conversions, StringsReadAsNumbers) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"12", 12},  {"  7", 7},    {"0x1F", 31},  {"010", 8}, {"-010", -8},
        {"019", 19}, {"1e3", 1000}, {"-.5", -0.5}, {"", NAN},  {"12a", NAN},
        {"0x", NAN}, {"abc", NAN},  {"1.5e", NAN},
    };
    for (const auto& c : cases) {
        const double got = StringToNumber(c.text);
        if (std::isnan(c.value))
            EXPECT_TRUE(std::isnan(got)) << c.text;
        else
            EXPECT_EQ(got, c.value) << c.text;
    }
}

TEST(Avm1Conversions, DependOnTheMovieVersion) {
    ExpectTraces({
        {"undefined concatenates as nothing before 7",
         6,
         Binary(PushString("a"), PushUndefined(), 0x47),
         {"a"}},
        {"and as undefined from 7",
         7,
         Binary(PushString("a"), PushUndefined(), 0x47),
         {"aundefined"}},
        {"undefined is 0 before 7", 6, Binary(PushUndefined(), PushInt(1), 0x47), {"1"}},
        {"and NaN from 7", 7, Binary(PushUndefined(), PushInt(1), 0x47), {"NaN"}},
        {"SWF 4 reads a number's prefix",
         4,
         Binary(PushString("300"), PushString("150a"), 0x0A),
         {"450"}},
        {"later versions the whole string",
         5,
         Binary(PushString("300"), PushString("150a"), 0x0A),
         {"NaN"}},
        {"a string is true by its number before 7",
         6,
         ActionWriter().Push({PushString("abc")}).Op(0x12).Trace(),
         {"true"}},
        {"and by its length from 7",
         7,
         ActionWriter().Push({PushString("abc")}).Op(0x12).Trace(),
         {"false"}},
        {"SWF 4 comparisons answer numbers", 4, Binary(PushInt(1), PushInt(2), 0x0F), {"1"}},
        {"trace writes undefined in every version", 6, TraceValue(PushUndefined()), {"undefined"}},
    });
}

TEST(Avm1Operators, ArithmeticComparisonAndBits) {
    ExpectTraces({
        {"Add2 joins when one side is a string",
         8,
         Binary(PushInt(1), PushString("2"), 0x47),
         {"12"}},
        {"Add2 adds numbers", 8, Binary(PushInt(1), PushDouble(2.5), 0x47), {"3.5"}},
        {"Less2 of NaN is undefined", 8, Binary(PushDouble(NAN), PushInt(1), 0x48), {"undefined"}},
        {"Less2 compares strings as strings",
         8,
         Binary(PushString("10"), PushString("9"), 0x48),
         {"true"}},
        {"Greater", 8, Binary(PushInt(3), PushInt(2), 0x67), {"true"}},
        {"null equals undefined", 8, Binary(PushNull(), PushUndefined(), 0x49), {"true"}},
        {"but not strictly", 8, Binary(PushNull(), PushUndefined(), 0x66), {"false"}},
        {"a number equals its string", 8, Binary(PushInt(5), PushString("5"), 0x49), {"true"}},
        {"modulo", 8, Binary(PushInt(-7), PushInt(3), 0x3F), {"-1"}},
        {"division by zero", 8, Binary(PushInt(1), PushInt(0), 0x0D), {"Infinity"}},
        {"SWF 4 division by zero", 4, Binary(PushInt(1), PushInt(0), 0x0D), {"#ERROR#"}},
        {"bit and", 8, Binary(PushInt(12), PushInt(10), 0x60), {"8"}},
        {"shift left wraps", 8, Binary(PushInt(1), PushInt(31), 0x63), {"-2147483648"}},
        {"unsigned shift", 8, Binary(PushInt(-1), PushInt(28), 0x65), {"15"}},
        {"to integer", 8, ActionWriter().Push({PushDouble(-3.7)}).Op(0x18).Trace(), {"-3"}},
        {"typeof", 8, ActionWriter().Push({PushNull()}).Op(0x44).Trace(), {"null"}},
    });
}

TEST(Avm1Strings, ActionsAndMethods) {
    auto method = [](const char* text, const char* name, std::initializer_list<PushValue> args) {
        ActionWriter w;
        std::vector<PushValue> reversed(args.begin(), args.end());
        for (size_t i = reversed.size(); i-- > 0;)
            w.Push({reversed[i]});
        w.Push(
            {PushInt(static_cast<int32_t>(reversed.size())), PushString(text), PushString(name)});
        return w.Op(0x52).Trace();
    };
    ExpectTraces({
        {"StringAdd", 8, Binary(PushString("ab"), PushString("cd"), 0x21), {"abcd"}},
        {"StringLength", 8, ActionWriter().Push({PushString("hello")}).Op(0x14).Trace(), {"5"}},
        {"MBStringLength counts characters",
         8,
         ActionWriter().Push({PushString("h\xC3\xA9llo")}).Op(0x31).Trace(),
         {"5"}},
        {"StringExtract from 1",
         8,
         ActionWriter().Push({PushString("hello"), PushInt(2), PushInt(3)}).Op(0x15).Trace(),
         {"ell"}},
        {"MBStringExtract",
         8,
         ActionWriter().Push({PushString("h\xC3\xA9llo"), PushInt(2), PushInt(2)}).Op(0x35).Trace(),
         {"\xC3\xA9l"}},
        {"CharToAscii", 8, ActionWriter().Push({PushString("A")}).Op(0x32).Trace(), {"65"}},
        {"substr", 8, method("flash", "substr", {PushInt(1), PushInt(3)}), {"las"}},
        {"substring swaps its ends",
         8,
         method("flash", "substring", {PushInt(4), PushInt(1)}),
         {"las"}},
        {"slice from the end", 8, method("flash", "slice", {PushInt(-3)}), {"ash"}},
        {"indexOf", 8, method("flash", "indexOf", {PushString("as")}), {"2"}},
        {"lastIndexOf", 8, method("a.b.c", "lastIndexOf", {PushString(".")}), {"3"}},
        {"split", 8, method("a,b,,c", "split", {PushString(",")}), {"a,b,,c"}},
        {"toUpperCase", 8, method("Flash", "toUpperCase", {}), {"FLASH"}},
        {"charCodeAt past the end", 8, method("a", "charCodeAt", {PushInt(3)}), {"NaN"}},
        {"length of a primitive",
         8,
         ActionWriter().Push({PushString("four"), PushString("length")}).Op(0x4E).Trace(),
         {"4"}},
    });
}

// var a = new Array(values...); then a.method(args) traced, then a traced.
ActionWriter ArrayProgram(std::initializer_list<PushValue> values, const char* name,
                          std::initializer_list<PushValue> args) {
    ActionWriter w;
    std::vector<PushValue> v(values.begin(), values.end());
    w.Push({PushString("a")});
    for (size_t i = v.size(); i-- > 0;)
        w.Push({v[i]});
    w.Push({PushInt(static_cast<int32_t>(v.size()))}).Op(0x42).Op(0x3C);
    std::vector<PushValue> a(args.begin(), args.end());
    for (size_t i = a.size(); i-- > 0;)
        w.Push({a[i]});
    w.Push({PushInt(static_cast<int32_t>(a.size()))}).Get("a").Push({PushString(name)});
    return w.Op(0x52).Trace().Get("a").Trace();
}

TEST(Avm1Arrays, Methods) {
    const PushValue one = PushInt(1), two = PushInt(2), ten = PushInt(10);
    ExpectTraces({
        {"push answers the length", 8, ArrayProgram({one}, "push", {two, ten}), {"3", "1,2,10"}},
        {"pop", 8, ArrayProgram({one, two}, "pop", {}), {"2", "1"}},
        {"shift", 8, ArrayProgram({one, two}, "shift", {}), {"1", "2"}},
        {"unshift", 8, ArrayProgram({one}, "unshift", {two}), {"2", "2,1"}},
        {"reverse", 8, ArrayProgram({one, two, ten}, "reverse", {}), {"10,2,1", "10,2,1"}},
        {"join", 8, ArrayProgram({one, two}, "join", {PushString("-")}), {"1-2", "1,2"}},
        {"slice", 8, ArrayProgram({one, two, ten}, "slice", {PushInt(-2)}), {"2,10", "1,2,10"}},
        {"splice removes and inserts",
         8,
         ArrayProgram({one, two, ten}, "splice", {PushInt(1), PushInt(1), PushString("x")}),
         {"2", "1,x,10"}},
        {"sort compares as strings",
         8,
         ArrayProgram({ten, two, one}, "sort", {}),
         {"1,10,2", "1,10,2"}},
        {"sort NUMERIC",
         8,
         ArrayProgram({ten, two, one}, "sort", {PushInt(16)}),
         {"1,2,10", "1,2,10"}},
        {"sort NUMERIC DESCENDING",
         8,
         ArrayProgram({ten, two, one}, "sort", {PushInt(18)}),
         {"10,2,1", "10,2,1"}},
        {"sort RETURNINDEXEDARRAY leaves the array",
         8,
         ArrayProgram({ten, two, one}, "sort", {PushInt(24)}),
         {"2,1,0", "10,2,1"}},
        {"sort UNIQUESORT refuses equal ones",
         8,
         ArrayProgram({one, one}, "sort", {PushInt(4)}),
         {"0", "1,1"}},
        {"sort CASEINSENSITIVE",
         8,
         ArrayProgram({PushString("b"), PushString("A"), PushString("a")}, "sort", {PushInt(1)}),
         {"A,a,b", "A,a,b"}},
        {"concat flattens arrays one level", 8, ArrayProgram({one}, "concat", {two}), {"1,2", "1"}},
    });
}

TEST(Avm1Scope, FunctionsClosuresAndWith) {
    // function add(a, b) { return a + b; } trace(add(2, 3));
    const ActionWriter addBody = ActionWriter().Get("a").Get("b").Op(0x47).Op(0x3E);
    const ActionWriter callAdd = ActionWriter()
                                     .Function("add", {"a", "b"}, addBody)
                                     .Push({PushInt(3), PushInt(2), PushInt(2), PushString("add")})
                                     .Op(0x3D)
                                     .Trace();
    // function make() { var n = 5; return function () { return n; }; }
    const ActionWriter inner = ActionWriter().Get("n").Op(0x3E);
    const ActionWriter makeBody = ActionWriter()
                                      .Push({PushString("n"), PushInt(5)})
                                      .Op(0x3C)
                                      .Function("", {}, inner)
                                      .Op(0x3E);
    const ActionWriter closure = ActionWriter()
                                     .Function("make", {}, makeBody)
                                     .Push({PushString("f"), PushInt(0), PushString("make")})
                                     .Op(0x3D)
                                     .Op(0x3C)
                                     .Push({PushInt(0), PushString("f")})
                                     .Op(0x3D)
                                     .Trace()
                                     .Get("n")
                                     .Trace();
    // A name set without var inside a function lands on the timeline.
    const ActionWriter setter = ActionWriter().Set("g", PushString("global-ish"));
    const ActionWriter timeline = ActionWriter()
                                      .Function("s", {}, setter)
                                      .Push({PushInt(0), PushString("s")})
                                      .Op(0x3D)
                                      .Op(0x17)
                                      .Get("g")
                                      .Trace();
    // DefineFunction2: the arguments in registers, this preloaded.
    const ActionWriter twiceBody =
        ActionWriter().Push({PushRegister(2), PushRegister(2)}).Op(0x47).Op(0x3E);
    const ActionWriter registers = ActionWriter()
                                       .Function2("twice", 3, 0x0001, {{2, "x"}}, twiceBody)
                                       .Push({PushInt(21), PushInt(1), PushString("twice")})
                                       .Op(0x3D)
                                       .Trace();
    // with (o) { trace(k); }
    const ActionWriter with =
        ActionWriter()
            .Push({PushString("o"), PushString("k"), PushString("in o"), PushInt(1)})
            .Op(0x43)
            .Op(0x3C)
            .Get("o")
            .With(ActionWriter().Get("k").Trace())
            .Get("k")
            .Trace();
    ExpectTraces({
        {"a call with arguments", 8, callAdd, {"5"}},
        {"a closure keeps its scope", 8, closure, {"5", "undefined"}},
        {"undeclared names land on the timeline", 8, timeline, {"global-ish"}},
        {"DefineFunction2 registers", 8, registers, {"42"}},
        {"with looks in the object first", 8, with, {"in o", "undefined"}},
        {"names are case-insensitive before 7",
         6,
         ActionWriter().Set("Name", PushInt(1)).Get("NAME").Trace(),
         {"1"}},
        {"and case-sensitive from 7",
         7,
         ActionWriter().Set("Name", PushInt(1)).Get("NAME").Trace(),
         {"undefined"}},
        {"paths reach the root",
         8,
         ActionWriter().Set("v", PushInt(3)).Get("_root.v").Trace().Get("/:v").Trace(),
         {"3", "3"}},
    });
}

TEST(Avm1Objects, PrototypesAndExceptions) {
    // function P() { this.x = 1; } P.prototype.get = function () { return this.x; }
    const ActionWriter ctorBody = ActionWriter()
                                      .Push({PushString("this")})
                                      .Op(0x1C)
                                      .Push({PushString("x"), PushInt(1)})
                                      .Op(0x4F);
    const ActionWriter getBody = ActionWriter()
                                     .Push({PushString("this")})
                                     .Op(0x1C)
                                     .Push({PushString("x")})
                                     .Op(0x4E)
                                     .Op(0x3E);
    ActionWriter classes = ActionWriter()
                               .Function("P", {}, ctorBody)
                               .Get("P")
                               .Push({PushString("prototype")})
                               .Op(0x4E)
                               .Push({PushString("get")})
                               .Function("", {}, getBody)
                               .Op(0x4F)
                               // var p = new P(); trace(p.get()); trace(p instanceof P);
                               .Push({PushString("p"), PushInt(0), PushString("P")})
                               .Op(0x40)
                               .Op(0x3C)
                               .Push({PushInt(0)})
                               .Get("p")
                               .Push({PushString("get")})
                               .Op(0x52)
                               .Trace()
                               .Get("p")
                               .Get("P")
                               .Op(0x54)
                               .Trace()
                               // function Q() {} Q extends P; trace(new Q() instanceof P)
                               .Function("Q", {}, ActionWriter())
                               .Get("Q")
                               .Get("P")
                               .Op(0x69)
                               .Push({PushInt(0), PushString("Q")})
                               .Op(0x40)
                               .Get("P")
                               .Op(0x54)
                               .Trace();
    const ActionWriter thrower = ActionWriter().Push({PushString("boom")}).Op(0x2A);
    const ActionWriter tryCatch =
        ActionWriter()
            .Try(ActionWriter().Push({PushString("before")}).Trace().Raw(thrower.Records()), "e",
                 ActionWriter().Get("e").Trace())
            .Push({PushString("after")})
            .Trace();
    const ActionWriter finally = ActionWriter().Push({PushString("finally")}).Trace();
    const ActionWriter tryFinally =
        ActionWriter().Try(ActionWriter().Push({PushString("body")}).Trace(), "e",
                           ActionWriter().Push({PushString("not caught")}).Trace(), &finally);
    ActionWriter enumerate = ActionWriter()
                                 .Push({PushString("o"), PushString("x"), PushInt(1),
                                        PushString("y"), PushInt(2), PushInt(2)})
                                 .Op(0x43)
                                 .Op(0x3C)
                                 .Get("o")
                                 .Op(0x55)
                                 .Label("next")
                                 .StoreRegister(0)
                                 .Push({PushNull()})
                                 .Op(0x49)
                                 .If("done")
                                 .Push({PushRegister(0)})
                                 .Trace()
                                 .Jump("next")
                                 .Label("done");
    ExpectTraces({
        {"constructors and prototype methods", 8, classes, {"1", "true", "true"}},
        {"a throw reaches its catch", 8, tryCatch, {"before", "boom", "after"}},
        {"finally runs after the body", 8, tryFinally, {"body", "finally"}},
        {"for..in lists an object literal as written", 8, enumerate, {"x", "y"}},
        {"an uncaught throw ends the block with a note in the log",
         8,
         ActionWriter().Raw(thrower.Records()).Push({PushString("never")}).Trace(),
         {"Warning: Uncaught exception, boom"}},
    });
}

// A sprite named "clip" on the main timeline, and a script for frame 1.
Bytes ClipMovie(const ActionWriter& script, uint16_t frames = 1) {
    PlaceRecipe shape;
    shape.depth = 1;
    shape.characterId = 1;
    const Bytes sprite = DefineSpriteTag(2, 1, PlaceObject2Tag(shape) + ShowFrameTag());
    // PlaceObject2 with a name: flags HasName | HasCharacter.
    const Bytes body = {0x22, 1, 0, 2, 0, 'c', 'l', 'i', 'p', 0};
    Bytes tags = RectangleShapeTag(1, 1, 0, 0, 10 * kPx, 10 * kPx, Solid(255, 0, 0)) + sprite +
                 Tag(26, body) + DoActionTag(script.Records()) + ShowFrameTag();
    for (uint16_t i = 1; i < frames; ++i)
        tags = tags + ShowFrameTag();
    return Movie(tags, 8, frames);
}

TEST(Avm1Clips, PropertiesMoveWhatTheRendererDraws) {
    const ActionWriter script = ActionWriter()
                                    .Get("clip")
                                    .Trace()
                                    .Push({PushString("clip"), PushString("_x")})
                                    .Op(0x1C)
                                    .Op(0x17)
                                    .Get("clip")
                                    .Push({PushString("_x"), PushInt(100)})
                                    .Op(0x4F)
                                    .Get("clip")
                                    .Push({PushString("_x")})
                                    .Op(0x4E)
                                    .Trace()
                                    .Get("clip._name")
                                    .Trace()
                                    .Get("_root._currentframe")
                                    .Trace();
    const Bytes swf = ClipMovie(script);
    EXPECT_EQ(Play(swf).lines, (std::vector<std::string>{"_level0.clip", "100", "clip", "1"}));
    const movie::Movie m = ParseOrFail(swf);
    movie::Player player(m);
    EXPECT_EQ(player.root().objects.at(1).matrix.tx, 100 * kPx);
}

TEST(Avm1Events, EnterFrameRunsEachFrameAndTimersKeepTheClock) {
    // _root.onEnterFrame = function () { trace(_currentframe); }
    const ActionWriter handler = ActionWriter().Get("_currentframe").Trace();
    const ActionWriter script = ActionWriter()
                                    .Get("_root")
                                    .Push({PushString("onEnterFrame")})
                                    .Function("", {}, handler)
                                    .Op(0x4F);
    const Bytes swf = Movie(
        DoActionTag(script.Records()) + ShowFrameTag() + ShowFrameTag() + ShowFrameTag(), 8, 3);
    EXPECT_EQ(Play(swf, 4).lines, (std::vector<std::string>{"2", "3", "1"}));
    // getTimer follows the frames at the movie's rate (12 a second); the
    // script is on the first of two frames, so it runs on ticks 0 and 2.
    const ActionWriter timer =
        ActionWriter().Push({PushInt(0), PushString("getTimer")}).Op(0x3D).Trace();
    const Bytes timed = Movie(DoActionTag(timer.Records()) + ShowFrameTag() + ShowFrameTag(), 8, 2);
    EXPECT_EQ(Play(timed, 3).lines, (std::vector<std::string>{"0", "166"}));
}

TEST(Avm1Safety, HostileScriptsEndCleanly) {
    // while (true) {}
    const ActionWriter endless = ActionWriter().Label("top").Jump("top");
    // function f() { f(); } f();
    const ActionWriter recurse =
        ActionWriter()
            .Function("f", {}, ActionWriter().Push({PushInt(0), PushString("f")}).Op(0x3D))
            .Push({PushInt(0), PushString("f")})
            .Op(0x3D)
            .Push({PushString("after")})
            .Trace();
    // s = "x"; while (true) s = s + s;
    const ActionWriter doubling = ActionWriter()
                                      .Set("s", PushString("x"))
                                      .Label("top")
                                      .Push({PushString("s")})
                                      .Get("s")
                                      .Get("s")
                                      .Op(0x21)
                                      .Op(0x1D)
                                      .Jump("top");
    // a = {}; a.__proto__ = a; trace(a.foo); trace("after");
    const ActionWriter loop = ActionWriter()
                                  .Push({PushString("a"), PushInt(0)})
                                  .Op(0x43)
                                  .Op(0x1D)
                                  .Get("a")
                                  .Push({PushString("__proto__")})
                                  .Get("a")
                                  .Op(0x4F)
                                  .Get("a.foo")
                                  .Trace()
                                  .Push({PushString("after")})
                                  .Trace();
    const struct {
        const char* name;
        ActionWriter script;
        std::vector<std::string> lines;
        const char* warning;
    } cases[] = {
        {"an endless loop", endless, {}, "action budget"},
        {"a prototype chain that loops", loop, {}, "prototype chain"},
        {"endless recursion stops the whole block", recurse, {}, "256 levels"},
        {"a doubling string", doubling, {}, "16 MiB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes swf =
            Movie(DoActionTag(c.script.Records()) + ShowFrameTag() + ShowFrameTag(), 8, 2);
        const ScriptRun run = Play(swf, 2, 200000);
        EXPECT_EQ(run.lines, c.lines);
        ASSERT_FALSE(run.warnings.empty());
        EXPECT_NE(run.warnings[0].find(c.warning), std::string::npos) << run.warnings[0];
        EXPECT_EQ(run.frame, 1u); // the movie plays on
    }
}

TEST(Avm1Safety, BrokenRecordsEndTheBlockWithoutReadingPastIt) {
    const Bytes cases[] = {
        {0x96, 0x05, 0x00, 0x00, 'a'},  // a string without its end
        {0x96, 0x09, 0x00, 0x06, 1, 2}, // a double cut short
        {0x9B, 0x03, 0x00, 'f', 0, 1},  // a function header cut short
        {0x8E, 0xFF, 0xFF},             // a length past the block
        {0x99, 0x02, 0x00, 0x00, 0x80}, // a jump far before the start
        {0x8F, 0x02, 0x00, 0x01, 0x00}, // a try cut short
    };
    for (const Bytes& records : cases) {
        const Bytes swf = Movie(DoActionTag(records) + ShowFrameTag(), 8, 1);
        EXPECT_TRUE(Play(swf).lines.empty());
    }
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

// target.method(args...), its result left on the stack.
ActionWriter Call(ActionWriter w, const std::string& target, const std::string& method,
                  const std::vector<PushValue>& args) {
    for (size_t i = args.size(); i-- > 0;)
        w.Push({args[i]});
    w.Push({PushInt(static_cast<int32_t>(args.size()))}).Get(target);
    return w.Push({PushString(method)}).Op(0x52);
}

// new Date(args...) left on the stack.
ActionWriter NewDate(ActionWriter w, const std::vector<PushValue>& args) {
    for (size_t i = args.size(); i-- > 0;)
        w.Push({args[i]});
    return w.Push({PushInt(static_cast<int32_t>(args.size())), PushString("Date")}).Op(0x40);
}

// The zone the suite's logs were made in, set for one test and put back.
class ZoneScope {
  public:
    explicit ZoneScope(const char* zone) {
        const char* old = std::getenv("TZ");
        had_ = old != nullptr;
        if (had_)
            old_ = old;
        Set(zone);
    }
    ~ZoneScope() { Set(had_ ? old_.c_str() : nullptr); }

  private:
    static void Set(const char* zone) {
#ifdef _WIN32
        _putenv_s("TZ", zone ? zone : "");
        _tzset();
#else
        if (zone)
            setenv("TZ", zone, 1);
        else
            unsetenv("TZ");
        tzset();
#endif
    }
    bool had_ = false;
    std::string old_;
};

TEST(Avm1Dates, LocalTimeFollowsTheMachinesZone) {
#ifdef _WIN32
    const ZoneScope zone("NPT-05:45"); // Windows' C library names a zone in three letters
#else
    const ZoneScope zone("<+0545>-05:45");
#endif
    const ActionWriter date = NewDate(ActionWriter(), {PushInt(0)}).StoreRegister(1).Op(0x17);
    auto method = [&](const char* name) {
        return ActionWriter(date)
            .Push({PushInt(0), PushRegister(1), PushString(name)})
            .Op(0x52)
            .Trace();
    };
    // new Date(2001, 1, 3, 4, 5, 6) is local: 5:45 east of UTC.
    const ActionWriter fields = NewDate(ActionWriter(), {PushInt(2001), PushInt(1), PushInt(3),
                                                         PushInt(4), PushInt(5), PushInt(6)})
                                    .StoreRegister(1)
                                    .Op(0x17)
                                    .Push({PushInt(0), PushRegister(1), PushString("getTime")})
                                    .Op(0x52)
                                    .Trace();
    ExpectTraces({
        {"text of the epoch",
         8,
         ActionWriter(date).Push({PushRegister(1)}).Trace(),
         {"Thu Jan 1 05:45:00 GMT+0545 1970"}},
        {"offset in minutes, west positive", 8, method("getTimezoneOffset"), {"-345"}},
        {"local hours", 8, method("getHours"), {"5"}},
        {"UTC hours", 8, method("getUTCHours"), {"0"}},
        {"local minutes", 8, method("getMinutes"), {"45"}},
        {"fields read as local time", 8, fields, {"981152406000"}},
        {"Date() is today's text",
         8,
         ActionWriter().Push({PushInt(0), PushString("Date")}).Op(0x3D).Trace(),
         {"Thu Jan 1 05:45:00 GMT+0545 1970"}},
    });
}

TEST(Avm1Objects, WrappingFinallyAndShifts) {
    // function f() { try { return "a"; } finally { trace("finally"); } }
    const ActionWriter finally = ActionWriter().Push({PushString("finally")}).Trace();
    const ActionWriter body = ActionWriter().Try(ActionWriter().Push({PushString("a")}).Op(0x3E),
                                                 "e", ActionWriter(), &finally);
    const ActionWriter returning =
        ActionWriter().Function("f", {}, body).Push({PushInt(0), PushString("f")}).Op(0x3D).Trace();
    ExpectTraces({
        {"a return runs finally first", 8, returning, {"finally", "a"}},
        {"Object() is bare",
         8,
         ActionWriter().Push({PushInt(0), PushString("Object")}).Op(0x3D).Trace(),
         {"[type Object]"}},
        {"new Object(5) wraps the number",
         8,
         ActionWriter()
             .Push({PushInt(5), PushInt(1), PushString("Object")})
             .Op(0x40)
             .Op(0x44)
             .Trace(),
         {"object"}},
        {"a zero unsigned shift stays signed",
         8,
         Binary(PushDouble(4294967295.0), PushInt(0), 0x65),
         {"-1"}},
        {"a real unsigned shift", 8, Binary(PushInt(-3), PushInt(1), 0x65), {"2147483646"}},
        {"a date reads as its time for Number()",
         8,
         NewDate(ActionWriter(), {PushInt(500)}).Op(0x4A).Trace(),
         {"500"}},
    });
}

TEST(Avm1Drawing, ShapesDrawnByScriptAreRenderedAndHiddenClipsAreNot) {
    ActionWriter script;
    script = Call(script, "_root", "beginFill", {PushInt(0x0000FF), PushInt(100)}).Op(0x17);
    script = Call(script, "_root", "moveTo", {PushInt(100), PushInt(100)}).Op(0x17);
    for (const auto& p : {std::pair{200, 100}, std::pair{200, 200}, std::pair{100, 200}})
        script = Call(script, "_root", "lineTo", {PushInt(p.first), PushInt(p.second)}).Op(0x17);
    script = Call(script, "_root", "endFill", {}).Op(0x17);
    // A curve bulging right of x = 300, stroked red and not filled.
    script = Call(script, "_root", "lineStyle", {PushInt(4), PushInt(0xFF0000)}).Op(0x17);
    script = Call(script, "_root", "moveTo", {PushInt(300), PushInt(100)}).Op(0x17);
    script =
        Call(script, "_root", "curveTo", {PushInt(400), PushInt(150), PushInt(300), PushInt(200)})
            .Op(0x17);
    // A new clip's curve makes its size: from x = -2 (half the line) to the
    // turning point at 50 and its half line, 54 px.
    script =
        Call(script, "_root", "createEmptyMovieClip", {PushString("pen"), PushInt(5)}).Op(0x17);
    script.Get("pen").Push({PushString("_x"), PushInt(450)}).Op(0x4F);
    script = Call(script, "pen", "lineStyle", {PushInt(4)}).Op(0x17);
    script = Call(script, "pen", "curveTo", {PushInt(100), PushInt(50), PushInt(0), PushInt(100)})
                 .Op(0x17);
    script.Get("pen._width").Trace();
    script.Get("clip").Push({PushString("_visible"), PushBool(false)}).Op(0x4F);
    const Bytes swf = ClipMovie(script);
    EXPECT_EQ(Play(swf).lines, (std::vector<std::string>{"54"}));
    const movie::Canvas canvas = RenderFrame(swf);
    ExpectPixels(canvas, {
                             {150, 150, kBlue},  // inside the filled square
                             {250, 150, kWhite}, // outside it
                             {5, 5, kWhite},     // the hidden clip's red square
                             {350, 150, kRed},   // on the curve's far point
                             {320, 150, kWhite}, // inside the curve: a line, no fill
                         });
}

TEST(Avm1Drawing, ClearAndEndlessDrawingStayBounded) {
    // Endless lineTo calls: the drawing stops growing, the budget stops the loop.
    ActionWriter endless = ActionWriter().Label("top");
    endless = Call(endless, "_root", "lineStyle", {PushInt(1)}).Op(0x17);
    endless = Call(endless, "_root", "lineTo", {PushInt(10), PushInt(10)}).Op(0x17).Jump("top");
    const Bytes swf = Movie(DoActionTag(endless.Records()) + ShowFrameTag(), 8, 1);
    const ScriptRun run = Play(swf, 1, 400000);
    ASSERT_FALSE(run.warnings.empty());
    // clear() forgets what was drawn: nothing blue remains.
    ActionWriter cleared;
    cleared = Call(cleared, "_root", "beginFill", {PushInt(0x0000FF)}).Op(0x17);
    cleared = Call(cleared, "_root", "lineTo", {PushInt(500), PushInt(0)}).Op(0x17);
    cleared = Call(cleared, "_root", "lineTo", {PushInt(500), PushInt(400)}).Op(0x17);
    cleared = Call(cleared, "_root", "clear", {}).Op(0x17);
    const movie::Canvas canvas =
        RenderFrame(Movie(DoActionTag(cleared.Records()) + ShowFrameTag(), 8, 1));
    ExpectPixels(canvas, {{400, 100, kWhite}});
}

// What scripts change between frames (a drawing redrawn elsewhere, a clip
// hidden and shown, a bound field's text) is redrawn by the damage alone
// exactly as a whole frame draws it: nothing stale stays on screen.
TEST(Avm1Drawing, ScriptedChangesAreRedrawnWhereTheyHappen) {
    auto frame = [](int left, bool visible, const char* text) {
        ActionWriter w;
        w = Call(w, "_root", "clear", {}).Op(0x17);
        w = Call(w, "_root", "beginFill", {PushInt(0x0000FF)}).Op(0x17);
        w = Call(w, "_root", "moveTo", {PushInt(left), PushInt(200)}).Op(0x17);
        for (const auto& p :
             {std::pair{left + 80, 200}, std::pair{left + 80, 280}, std::pair{left, 280}})
            w = Call(w, "_root", "lineTo", {PushInt(p.first), PushInt(p.second)}).Op(0x17);
        w = Call(w, "_root", "endFill", {}).Op(0x17);
        w.Get("clip").Push({PushString("_visible"), PushBool(visible)}).Op(0x4F);
        return w.Set("label", PushString(text));
    };
    PlaceRecipe clip;
    clip.depth = 1;
    clip.characterId = 2;
    clip.name = "clip";
    PlaceRecipe field;
    field.depth = 2;
    field.characterId = 3;
    field.hasMatrix = true;
    field.matrix.tx = 20 * kPx;
    field.matrix.ty = 100 * kPx;
    EditTextRecipe text;
    text.variableName = "label";
    text.hasText = false;
    text.fontHeight = 480;
    PlaceRecipe square;
    square.depth = 1;
    square.characterId = 1;
    const Bytes tags = RectangleShapeTag(1, 1, 0, 0, 40 * kPx, 40 * kPx, Solid(255, 0, 0)) +
                       DefineSpriteTag(2, 1, PlaceObject2Tag(square) + ShowFrameTag()) +
                       DefineEditTextTag(3, text) + PlaceObject2Tag(clip) + PlaceObject2Tag(field) +
                       DoActionTag(frame(50, true, "one").Records()) + ShowFrameTag() +
                       DoActionTag(frame(300, false, "two").Records()) + ShowFrameTag();
    const movie::Movie m = ParseOrFail(Movie(tags, 8, 2));
    movie::ScriptOptions scripts;
    scripts.clockMs = 0;
    movie::Player player(m, scripts);
    movie::Renderer renderer(m);
    movie::DamageTracker tracker(m);
    const movie::RenderOptions options;
    movie::Canvas canvas, whole;
    std::string error;
    tracker.Update(player, options);
    ASSERT_TRUE(renderer.Render(player, options, &canvas, &error)) << error;
    for (int step = 1; step <= 3; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        player.Advance();
        const std::vector<movie::PixelRect> damage = tracker.Update(player, options);
        ASSERT_FALSE(damage.empty());
        ASSERT_TRUE(renderer.RenderRegions(player, options, damage, &canvas, &error)) << error;
        ASSERT_TRUE(renderer.Render(player, options, &whole, &error)) << error;
        EXPECT_TRUE(canvas.pixels == whole.pixels);
    }
    // The frames did differ: the drawing moved and the clip was hidden.
    ExpectPixels(whole, {{340, 240, kBlue}, {90, 240, kWhite}, {5, 5, kWhite}});
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

movie::Canvas RenderClockAt(const Bytes& swf, double clockMs) {
    const movie::Movie m = ParseOrFail(swf);
    movie::ScriptOptions options;
    options.clockMs = clockMs;
    movie::Player player(m, options);
    movie::Renderer renderer(m);
    movie::Canvas canvas;
    std::string error;
    EXPECT_TRUE(renderer.Render(player, movie::RenderOptions(), &canvas, &error)) << error;
    return canvas;
}

TEST(ClockSample, HandsAndDigitsFollowTheClock) {
    const ZoneScope zone("UTC0");
    const Bytes swf = samples::MakeClockMovie();
    const int cx = samples::kClockCentreX, cy = samples::kClockCentreY;
    const Rgba8 face{22, 32, 44, 255}, hour{230, 236, 244, 255}, minute{190, 205, 225, 255};
    const Rgba8 lit{120, 230, 255, 255}, stage{12, 18, 26, 255};
    // The middle bar of the third digit (tens of minutes): dark for 0, lit for 3.
    const int barX = 226, barY = 366;
    // 03:00:20: the hour hand points right, the minute hand up.
    ExpectPixels(RenderClockAt(swf, 981169220000.0), {{cx + 50, cy, hour},
                                                      {cx + 3, cy - 100, minute},
                                                      {cx - 48, cy - 13, face},
                                                      {cx - 4, cy + 100, face},
                                                      {barX, barY, stage}});
    // 09:30:20: the hour hand a little above left, the minute hand down.
    ExpectPixels(RenderClockAt(swf, 981192620000.0), {{cx + 50, cy, face},
                                                      {cx + 3, cy - 100, face},
                                                      {cx - 48, cy - 13, hour},
                                                      {cx - 4, cy + 100, minute},
                                                      {barX, barY, lit}});
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

TEST(Avm1Arrays, HolesAreNoElements) {
    // a = []; a[3] = "x"; then what each probe sees.
    const ActionWriter holey = ActionWriter()
                                   .Push({PushString("a"), PushInt(0)})
                                   .Op(0x42)
                                   .Op(0x3C)
                                   .Get("a")
                                   .Push({PushInt(3), PushString("x")})
                                   .Op(0x4F);
    auto probe = [&](const ActionWriter& tail) { return ActionWriter(holey).Raw(tail.Records()); };
    // for (k in a) trace(k);
    const ActionWriter keys = ActionWriter()
                                  .Get("a")
                                  .Op(0x55)
                                  .Label("next")
                                  .StoreRegister(0)
                                  .Push({PushNull()})
                                  .Op(0x49)
                                  .If("done")
                                  .Push({PushRegister(0)})
                                  .Trace()
                                  .Jump("next")
                                  .Label("done");
    ExpectTraces({
        {"length counts the holes", 8, probe(ActionWriter().Get("a.length").Trace()), {"4"}},
        {"a hole reads as undefined",
         8,
         probe(ActionWriter().Get("a").Push({PushInt(1)}).Op(0x4E).Trace()),
         {"undefined"}},
        {"for..in skips holes", 8, probe(keys), {"3"}},
        {"hasOwnProperty skips holes",
         8,
         probe(Call(ActionWriter(), "a", "hasOwnProperty", {PushInt(1)}).Trace()),
         {"false"}},
        {"join shows holes as undefined",
         8,
         probe(ActionWriter().Get("a").Trace()),
         {"undefined,undefined,undefined,x"}},
        {"shift fills the holes it moves",
         8,
         probe(Call(ActionWriter(), "a", "shift", {}).Op(0x17).Raw(keys.Records())),
         {"2", "1", "0"}},
    });
}

TEST(Avm1Clips, GotoWithAPathGoesOnThatTimeline) {
    // clip.gotoAndStop("/:2") moves the main timeline, not the clip.
    const ActionWriter script =
        Call(ActionWriter(), "clip", "gotoAndStop", {PushString("/:2")}).Op(0x17);
    const ActionWriter after = ActionWriter(script).Get("_root._currentframe").Trace();
    EXPECT_EQ(Play(ClipMovie(after, 2)).lines, (std::vector<std::string>{"2"}));
}

TEST(Avm1Clips, ARewindKeepsOnlyTheSamePlacement) {
    // A sprite placed in frame 1, removed, placed again in frame 3; frame 4
    // goes back to frame 1, whose placement is another instance.
    const Bytes sprite = DefineSpriteTag(
        2, 1,
        DoActionTag(ActionWriter().Push({PushString("child")}).Trace().Records()) + ShowFrameTag());
    auto place = [](int ratio) {
        PlaceRecipe p;
        p.depth = 1;
        p.characterId = 2;
        p.ratio = ratio;
        return PlaceObject2Tag(p);
    };
    const Bytes tags = sprite + place(1) + ShowFrameTag() + RemoveObject2Tag(1) + ShowFrameTag() +
                       place(3) + ShowFrameTag() +
                       DoActionTag(ActionWriter().GotoFrame(0).Records()) + ShowFrameTag();
    EXPECT_EQ(Play(Movie(tags, 8, 4), 4).lines,
              (std::vector<std::string>{"child", "child", "child"}));
}

TEST(Avm1Events, UnloadRunsAfterTheFrameThatRemovedTheClip) {
    // Frame 1: clip.onUnload = function () { trace("unload"); }
    // Frame 2: the timeline removes the clip; its script traces first.
    const ActionWriter handler = ActionWriter().Push({PushString("unload")}).Trace();
    const ActionWriter first = ActionWriter()
                                   .Get("clip")
                                   .Push({PushString("onUnload")})
                                   .Function("", {}, handler)
                                   .Op(0x4F);
    const ActionWriter second = ActionWriter().Push({PushString("frame 2")}).Trace();
    PlaceRecipe shape;
    shape.depth = 1;
    shape.characterId = 1;
    Bytes tags = RectangleShapeTag(1, 1, 0, 0, 10 * kPx, 10 * kPx, Solid(255, 0, 0));
    tags = tags + DefineSpriteTag(2, 1, PlaceObject2Tag(shape) + ShowFrameTag()) +
           Tag(26, Bytes{0x22, 1, 0, 2, 0, 'c', 'l', 'i', 'p', 0}) + DoActionTag(first.Records()) +
           ShowFrameTag() + RemoveObject2Tag(1) + DoActionTag(second.Records()) + ShowFrameTag();
    EXPECT_EQ(Play(Movie(tags, 8, 2), 2).lines, (std::vector<std::string>{"frame 2", "unload"}));
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

// function f() { var foo = "f"; return function () { trace(foo); }; }
// foo = "root"; f()();
ActionWriter ClosureProbe() {
    const ActionWriter inner = ActionWriter().Get("foo").Trace();
    const ActionWriter outer = ActionWriter()
                                   .Push({PushString("foo"), PushString("f")})
                                   .Op(0x3C)
                                   .Function("", {}, inner)
                                   .Op(0x3E);
    return ActionWriter()
        .Function("f", {}, outer)
        .Set("foo", PushString("root"))
        .Push({PushInt(0), PushInt(0), PushString("f")})
        .Op(0x3D)
        .Push({PushString("")})
        .Op(0x52)
        .Op(0x17);
}

TEST(Avm1Scope, Swf5FunctionsCloseOverNothing) {
    ExpectTraces({
        {"SWF 5 sees the clip's variable", 5, ClosureProbe(), {"root"}},
        {"SWF 6 sees the closure's", 6, ClosureProbe(), {"f"}},
    });
}

TEST(Avm1Conversions, FlashQuirksOfTextAndDepths) {
    ExpectTraces({
        {"a sign after the hex prefix",
         8,
         ActionWriter().Push({PushString("0x-10")}).Op(0x4A).Trace(),
         {"-16"}},
        {"a depth wraps at 32 bits",
         8,
         Call(Call(ActionWriter(), "_root", "createEmptyMovieClip",
                   {PushString("a"), PushDouble(4294967297.0)})
                  .StoreRegister(1)
                  .Op(0x17),
              "_root", "getInstanceAtDepth", {PushInt(1)})
             .Trace(),
         {"_level0.a"}},
        {"gotoAndStop past the end stays",
         8,
         ActionWriter().GotoFrame(998).Get("_currentframe").Trace(),
         {"1"}},
        {"length of a character beyond the first plane",
         8,
         ActionWriter().Push({PushString("\xF0\x9F\x98\x8B")}).Op(0x14).Trace(),
         {"2"}},
    });
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

ActionWriter MathCall(const char* name, const std::vector<PushValue>& args) {
    return Call(ActionWriter(), "Math", name, args).Trace();
}

TEST(Avm1Operators, FlashsOwnAnswers) {
    const ActionWriter thisVariable =
        ActionWriter().Set("this", PushString("x")).Get("this").Trace();
    const ActionWriter ownEmpty = Call(ActionWriter()
                                           .Push({PushString("o"), PushInt(0)})
                                           .Op(0x43)
                                           .Op(0x3C)
                                           .Get("o")
                                           .Push({PushString(""), PushInt(1)})
                                           .Op(0x4F),
                                       "o", "hasOwnProperty", {PushString("")})
                                      .Trace();
    ExpectTraces({
        {"min takes two", 8, MathCall("min", {PushInt(3), PushInt(2), PushInt(1)}), {"2"}},
        {"min of one is NaN", 8, MathCall("min", {PushInt(1)}), {"NaN"}},
        {"max of none", 8, MathCall("max", {}), {"-Infinity"}},
        {"a variable named this", 8, thisVariable, {"x"}},
        {"a clip compares as undefined",
         8,
         ActionWriter().Get("_root").Push({PushInt(1)}).Op(0x48).Trace(),
         {"undefined"}},
        {"the empty name is never owned", 8, ownEmpty, {"false"}},
        {"an array count past the stack",
         8,
         ActionWriter().Push({PushString("a"), PushDouble(4294967297.0)}).Op(0x42).Trace().Trace(),
         {"undefined", "a"}},
        {"for..in of nothing leaves undefined",
         8,
         ActionWriter().Push({PushUndefined()}).Op(0x46).Trace(),
         {"undefined"}},
        {"ord of a character past the first plane",
         6,
         ActionWriter().Push({PushString("\xF0\x9F\x98\x8B")}).Op(0x32).Trace(),
         {"65533"}},
        {"chr of a lone surrogate",
         6,
         ActionWriter().Push({PushInt(0xD801)}).Op(0x33).Trace(),
         {"\xEF\xBF\xBD"}},
        {"chr keeps 16 bits", 6, ActionWriter().Push({PushInt(65616)}).Op(0x33).Trace(), {"P"}},
        {"substring wraps its arguments",
         6,
         ActionWriter()
             .Push({PushString("hello"), PushDouble(4294967298.0), PushInt(2)})
             .Op(0x15)
             .Trace(),
         {"el"}},
        {"SWF 4 division by zero", 4, Binary(PushInt(4), PushInt(0), 0x0D), {"#ERROR#"}},
        {"_global equals null",
         8,
         ActionWriter().Get("_global").Push({PushNull()}).Op(0x49).Trace(),
         {"true"}},
    });
}

TEST(Avm1Objects, InterfacesAreInheritedAndLoopsEnd) {
    const ActionWriter classes = ActionWriter()
                                     .Function("A", {}, ActionWriter())
                                     .Function("B", {}, ActionWriter())
                                     .Function("C", {}, ActionWriter());
    auto implements = [](ActionWriter w, const char* ctor, const char* iface) {
        return w.Get(iface).Push({PushInt(1)}).Get(ctor).Op(0x2C);
    };
    auto isA = [](ActionWriter w, const char* ctor, const char* of) {
        return w.Push({PushInt(0), PushString(ctor)}).Op(0x40).Get(of).Op(0x54).Trace();
    };
    // B implements A; C extends B: a C is an A.
    const ActionWriter inherited =
        isA(implements(classes, "B", "A").Get("C").Get("B").Op(0x69), "C", "A");
    // A and B implement each other: asking about C still ends.
    const ActionWriter loop = isA(implements(implements(classes, "A", "B"), "B", "A"), "A", "C");
    ExpectTraces({
        {"through a superclass", 8, inherited, {"true"}},
        {"a ring of interfaces", 8, loop, {"false"}},
    });
}

TEST(Avm1Clips, ForInListsVariablesBeforeChildren) {
    const ActionWriter script = ActionWriter()
                                    .Set("foo", PushInt(1))
                                    .Get("_root")
                                    .Op(0x55)
                                    .Label("next")
                                    .StoreRegister(0)
                                    .Push({PushNull()})
                                    .Op(0x49)
                                    .If("done")
                                    .Push({PushRegister(0)})
                                    .Trace()
                                    .Jump("next")
                                    .Label("done");
    EXPECT_EQ(Play(ClipMovie(script)).lines, (std::vector<std::string>{"foo", "clip"}));
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

using movie::avm1::ParseFloatPrefix;
using movie::avm1::ParseIntPrefix;

void ExpectNumber(double got, double want, const std::string& what) {
    if (std::isnan(want))
        EXPECT_TRUE(std::isnan(got)) << what << " gave " << got;
    else
        EXPECT_EQ(got, want) << what;
}

TEST(Avm1Conversions, ParseIntReadsPrefixesAsFlashDoes) {
    const struct {
        const char* text;
        int radix; // 0: none given
        double value;
    } cases[] = {
        {"077", 0, 63},          {"  077", 0, 77},
        {"077 ", 0, 77},         {"-0100", 0, 64 * -1},
        {"-0100z", 0, -100},     {"0x12", 0, 18},
        {"0x-100", 0, -256},     {"0x -100", 0, -256},
        {" 0x-100", 0, 0},       {"-0x100", 0, NAN},
        {"-0x100", 36, 1540944}, {" -0x100", 36, -1540944},
        {"0x100", 36, 1296},     {"+0x123", 33, NAN},
        {"0x+0X100", 0, 0},      {"0x", 16, NAN},
        {"12aaa", 0, 12},        {"100", 1, NAN},
        {"100", 37, NAN},        {"11", 3, 4},
        {"++1", 0, NAN},
    };
    for (const auto& c : cases)
        ExpectNumber(ParseIntPrefix(c.text, c.radix), c.value,
                     std::string(c.text) + " in " + std::to_string(c.radix));
}

TEST(Avm1Conversions, ParseFloatSkipsLaterDotsAndWrapsTheExponent) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"1.2345.678", 1.2345678},
        {"1.2345.6e50", 1.23456},
        {"1e4294967297", 10},
        {".2E20E1", 2e19},
        {"10e-", 10},
        {"Infinity", NAN},
        {"-", NAN},
        {" \t-3.5x", -3.5},
        {"0xff", 0},
    };
    for (const auto& c : cases)
        ExpectNumber(ParseFloatPrefix(c.text), c.value, c.text);
}

// name = new Sound(args...)
ActionWriter NewSound(ActionWriter w, const std::string& name, const std::vector<PushValue>& args) {
    w.Push({PushString(name)});
    for (size_t i = args.size(); i-- > 0;)
        w.Push({args[i]});
    return w.Push({PushInt(static_cast<int32_t>(args.size())), PushString("Sound")})
        .Op(0x40)
        .Op(0x1D);
}

ActionWriter TraceCall(ActionWriter w, const std::string& target, const std::string& method,
                       const std::vector<PushValue>& args = {}) {
    return Call(w, target, method, args).Trace();
}

TEST(Avm1Sound, LevelsAreKeptPerClipAndFoundByPath) {
    const ActionWriter global = NewSound(ActionWriter(), "g", {});
    const ActionWriter onClip = NewSound(global, "s", {PushString("clip")});
    auto then = [](ActionWriter w, const char* method, const PushValue& arg) {
        return Call(w, "s", method, {arg}).Op(0x17);
    };
    const struct {
        const char* name;
        ActionWriter script;
        std::vector<std::string> want;
    } cases[] = {
        {"a new mix is full and centred",
         TraceCall(TraceCall(onClip, "s", "getVolume"), "s", "getPan"),
         {"100", "0"}},
        {"volumes truncate, NaN is the lowest integer",
         TraceCall(then(TraceCall(then(onClip, "setVolume", PushDouble(50.5)), "s", "getVolume"),
                        "setVolume", PushDouble(NAN)),
                   "s", "getVolume"),
         {"50", "-2147483648"}},
        {"a clip's volume is not the movie's",
         TraceCall(then(onClip, "setVolume", PushInt(30)), "g", "getVolume"),
         {"100"}},
        {"a pan to the right lowers the left level",
         TraceCall(then(onClip, "setPan", PushInt(50)), "s", "getPan"),
         {"50"}},
        {"a pan is read back from the levels",
         TraceCall(then(onClip, "setPan", PushDouble(200.2)), "s", "getPan"),
         {"0"}},
        {"a path that names no clip",
         TraceCall(NewSound(ActionWriter(), "s", {PushString("nowhere")}), "s", "getVolume"),
         {"undefined"}},
        {"a removed clip answers nothing",
         TraceCall(Call(NewSound(Call(ActionWriter(), "_root", "createEmptyMovieClip",
                                      {PushString("made"), PushInt(5)})
                                     .Op(0x17),
                                 "s", {PushString("made")}),
                        "made", "removeMovieClip", {})
                       .Op(0x17),
                   "s", "getVolume"),
         {"undefined"}},
        {"no sound attached has no duration", TraceCall(onClip, "s", "getDuration"), {"undefined"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Play(ClipMovie(c.script)).lines, c.want);
    }
}

TEST(Avm1Sound, TransformsTakeOwnLevelsOnly) {
    // setTransform({ll: 101}) and setTransform({__proto__: {ll: 50}})
    const ActionWriter own = Call(NewSound(ActionWriter(), "s", {})
                                      .Push({PushString("ll"), PushInt(101), PushInt(1)})
                                      .Op(0x43)
                                      .Push({PushInt(1), PushString("s")})
                                      .Op(0x1C)
                                      .Push({PushString("setTransform")})
                                      .Op(0x52)
                                      .Op(0x17),
                                  "s", "getPan", {})
                                 .Trace();
    const ActionWriter inherited =
        Call(NewSound(ActionWriter(), "s", {})
                 .Push({PushString("__proto__"), PushString("ll"), PushInt(50), PushInt(1)})
                 .Op(0x43)
                 .Push({PushInt(1)})
                 .Op(0x43)
                 .Push({PushInt(1), PushString("s")})
                 .Op(0x1C)
                 .Push({PushString("setTransform")})
                 .Op(0x52)
                 .Op(0x17),
             "s", "getPan", {})
            .Trace();
    ExpectTraces({
        {"own level", 8, own, {"-1"}},
        {"inherited level ignored", 8, inherited, {"0"}},
    });
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

// text.substr(from, count), traced.
ActionWriter Substr(const char* text, int from, int count) {
    return ActionWriter()
        .Push({PushInt(count), PushInt(from), PushInt(2), PushString(text), PushString("substr")})
        .Op(0x52)
        .Trace();
}

TEST(Avm1Strings, SubstrCountsANegativeLengthFromTheEnd) {
    ExpectTraces({
        {"back from the end", 8, Substr("hello world", 3, -4), {"lo worl"}},
        {"reaching the end gives nothing", 8, Substr("hello world", 3, -3), {""}},
        {"past the end gives nothing", 8, Substr("hello world", 8, -4), {""}},
        {"with a negative start", 8, Substr("abcd", -5, -2), {"ab"}},
        {"a length left below zero", 8, Substr("abcd", 1, -5), {""}},
        {"a positive length is clamped", 8, Substr("abcd", 1, 9), {"bcd"}},
    });
}

// Pushes first.second, one member after a variable.
ActionWriter Member(ActionWriter w, const char* first, const char* second) {
    return w.Get(first).Push({PushString(second)}).Op(0x4E);
}

// flash.external.ExternalInterface[method](args...), traced.
ActionWriter Static(const char* method, const std::vector<PushValue>& args) {
    ActionWriter w;
    for (size_t i = args.size(); i-- > 0;)
        w.Push({args[i]});
    w.Push({PushInt(static_cast<int32_t>(args.size()))});
    w = Member(w, "flash", "external").Push({PushString("ExternalInterface")}).Op(0x4E);
    return w.Push({PushString(method)}).Op(0x52).Trace();
}

TEST(Avm1Objects, ServicesAWallpaperLacksAnswerAsAbsent) {
    const ActionWriter pageWidth = ActionWriter()
                                       .Push({PushInt(0), PushString("PrintJob")})
                                       .Op(0x40)
                                       .Push({PushString("pageWidth")})
                                       .Op(0x4E)
                                       .Trace();
    ExpectTraces({
        {"XML escapes",
         8,
         Static("_escapeXML", {PushString("a<'&\">")}),
         {"a&lt;&apos;&amp;&quot;&gt;"}},
        {"no text is null", 8, Static("_escapeXML", {PushString("")}), {"null"}},
        {"JavaScript quotes", 8, Static("_jsQuoteString", {PushString("\\\"'")}), {"\\\\\"'"}},
        {"no page to call", 8, Static("call", {PushString("f")}), {"null"}},
        {"no printer", 8, pageWidth, {"0"}},
        {"a local movie without network",
         8,
         Member(ActionWriter(), "System", "security")
             .Push({PushString("sandboxType")})
             .Op(0x4E)
             .Trace(),
         {"localWithFile"}},
        {"registerClass wants a name and a class",
         8,
         Call(ActionWriter(), "Object", "registerClass", {PushString("a")}).Trace(),
         {"false"}},
        {"a class that is no function",
         8,
         Call(ActionWriter(), "Object", "registerClass", {PushString("a"), PushInt(1)}).Trace(),
         {"false"}},
        {"null forgets the class",
         8,
         Call(ActionWriter(), "Object", "registerClass", {PushString("a"), PushNull()}).Trace(),
         {"true"}},
    });
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

Bytes TraceFrame(const char* text, bool stop = false) {
    ActionWriter w = ActionWriter().Push({PushString(text)}).Trace();
    if (stop)
        w.Op(0x07);
    return DoActionTag(w.Records()) + ShowFrameTag();
}

// A two-frame sprite that traces name1, then name2 and stops.
Bytes TracingSprite(uint16_t id, const std::string& name) {
    return DefineSpriteTag(
        id, 2, TraceFrame((name + "1").c_str()) + TraceFrame((name + "2").c_str(), true));
}

Bytes PlaceSprite(uint16_t id, uint8_t depth) {
    return Tag(26, {0x02, depth, 0, static_cast<uint8_t>(id), 0});
}

TEST(Avm1Events, TheNewestClipStepsFirstAndTheMainTimelineLast) {
    const Bytes sprites = TracingSprite(2, "a") + TracingSprite(3, "b");
    const Bytes placed = sprites + PlaceSprite(2, 1) + PlaceSprite(3, 2) + TraceFrame("root1") +
                         TraceFrame("root2", true);
    EXPECT_EQ(Play(Movie(placed, 8, 2), 2).lines,
              (std::vector<std::string>{"a1", "b1", "root1", "b2", "a2", "root2"}));

    // Frame 1 jumps to 3: the clip placed on frame 2 runs before frame 3's
    // script, the one frame 3 places after it.
    const Bytes jump = DoActionTag(ActionWriter().GotoFrame(2).Records()) + ShowFrameTag();
    const Bytes skipped =
        sprites + jump + PlaceSprite(2, 1) + ShowFrameTag() +
        DoActionTag(ActionWriter().Push({PushString("root3")}).Trace().Op(0x07).Records()) +
        PlaceSprite(3, 2) + ShowFrameTag();
    EXPECT_EQ(Play(Movie(skipped, 8, 3)).lines, (std::vector<std::string>{"a1", "root3", "b1"}));
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

TEST(Avm1Scope, ADottedNameFallsBackAlongTheScopeChain) {
    // _global.a = {b: {c: "global"}}; a = {b: "root"}
    const ActionWriter setup =
        ActionWriter()
            .Get("_global")
            .Push({PushString("a"), PushString("b"), PushString("c"), PushString("global"),
                   PushInt(1)})
            .Op(0x43)
            .Push({PushInt(1)})
            .Op(0x43)
            .Op(0x4F)
            .Push({PushString("a"), PushString("b"), PushString("root"), PushInt(1)})
            .Op(0x43)
            .Op(0x1D);
    ExpectTraces({
        {"the first level that has it", 8, ActionWriter(setup).Get("a.b").Trace(), {"root"}},
        {"a level where it ends gives way",
         8,
         ActionWriter(setup).Get("a.b.c").Trace(),
         {"global"}},
        {"nowhere", 8, ActionWriter(setup).Get("a.x.c").Trace(), {"undefined"}},
    });
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

TEST(Avm1Objects, FunctionAndSuperAsFlashCallsThem) {
    // T.prototype.m = function () {
    //     this.__proto__ = {__proto__: Number.prototype, __constructor__: Number};
    //     trace(super(5));
    // }; new T().m();
    const ActionWriter body = ActionWriter()
                                  .Get("this")
                                  .Push({PushString("__proto__"), PushString("__proto__")})
                                  .Get("Number")
                                  .Push({PushString("prototype")})
                                  .Op(0x4E)
                                  .Push({PushString("__constructor__")})
                                  .Get("Number")
                                  .Push({PushInt(2)})
                                  .Op(0x43)
                                  .Op(0x4F)
                                  .Push({PushInt(5), PushInt(1)})
                                  .Get("super")
                                  .Push({PushUndefined()})
                                  .Op(0x52)
                                  .Trace();
    const ActionWriter super = ActionWriter()
                                   .Function("T", {}, ActionWriter())
                                   .Get("T")
                                   .Push({PushString("prototype")})
                                   .Op(0x4E)
                                   .Push({PushString("m")})
                                   .Function("", {}, body)
                                   .Op(0x4F)
                                   .Push({PushInt(0), PushInt(0), PushString("T")})
                                   .Op(0x40)
                                   .Push({PushString("m")})
                                   .Op(0x52)
                                   .Op(0x17);
    const ActionWriter bare =
        ActionWriter().Push({PushInt(0), PushString("Function")}).Op(0x3D).Op(0x44).Trace();
    ExpectTraces({
        {"Function(x) is x",
         8,
         Call(ActionWriter(), "_global", "Function", {PushInt(7)}).Trace(),
         {"7"}},
        {"Function() is a bare object", 8, bare, {"object"}},
        {"super follows a replaced __proto__", 8, super, {"5"}},
    });
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

ActionWriter SetTarget(ActionWriter w, const std::string& path) {
    // Byte by byte: GCC 12 warns falsely about a range insert here.
    Bytes record = {0x8B, static_cast<uint8_t>(path.size() + 1), 0};
    for (char c : path)
        record.push_back(static_cast<uint8_t>(c));
    record.push_back(0);
    return w.Raw(record);
}

TEST(Avm1Events, AScriptWhoseClipIsRemovedStopsAtItsNextCall) {
    // The sprite sends the main timeline to frame 2, which removes it.
    ActionWriter script = ActionWriter().Push({PushString("a")}).Trace();
    script = SetTarget(SetTarget(script, "/").GotoFrame(1), "");
    script.Push({PushString("b")})
        .Trace()
        .Push({PushUndefined()})
        .Push({PushInt(0)})
        .Op(0x52)
        .Op(0x17)
        .Push({PushString("c")})
        .Trace()
        .Push({PushInt(0), PushString("bogus")})
        .Op(0x3D)
        .Op(0x17)
        .Push({PushString("d")})
        .Trace();
    const Bytes sprite = DefineSpriteTag(2, 1, DoActionTag(script.Records()) + ShowFrameTag());
    const Bytes stop = DoActionTag(ActionWriter().Op(0x07).Records());
    const Bytes tags = sprite + PlaceSprite(2, 1) + stop + ShowFrameTag() + Tag(28, {1, 0}) + stop +
                       ShowFrameTag();
    EXPECT_EQ(Play(Movie(tags, 8, 2)).lines, (std::vector<std::string>{"a", "b", "c"}));
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

TEST(Avm1Clips, AFieldAtADepthAnswersAsItsPath) {
    const ActionWriter made =
        Call(ActionWriter(), "_root", "createTextField",
             {PushString("t"), PushInt(3), PushInt(0), PushInt(0), PushInt(10), PushInt(10)})
            .Op(0x17);
    ExpectTraces({
        {"the field itself",
         8,
         Call(ActionWriter(made), "_root", "getInstanceAtDepth", {PushInt(3)}).Trace(),
         {"_level0.t"}},
        {"and in a string",
         8,
         Call(ActionWriter(made).Push({PushString("at ")}), "_root", "getInstanceAtDepth",
              {PushInt(3)})
             .Op(0x47)
             .Trace(),
         {"at _level0.t"}},
        {"an empty depth",
         8,
         Call(ActionWriter(made), "_root", "getInstanceAtDepth", {PushInt(4)}).Trace(),
         {"undefined"}},
    });
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

TEST(Avm1Events, CodeWhoseClipIsGoneTellsNoTarget) {
    // The sprite sends the main timeline to frame 2, which removes it, then
    // asks for frame 3: that request goes nowhere.
    ActionWriter script = SetTarget(SetTarget(ActionWriter(), "/").GotoFrame(1), "");
    script = SetTarget(SetTarget(script, "/").GotoFrame(2), "");
    const Bytes sprite = DefineSpriteTag(2, 1, DoActionTag(script.Records()) + ShowFrameTag());
    const Bytes stop = DoActionTag(ActionWriter().Op(0x07).Records());
    const Bytes tags = sprite + PlaceSprite(2, 1) + stop + ShowFrameTag() + Tag(28, {1, 0}) + stop +
                       ShowFrameTag() + TraceFrame("frame 3", true);
    const ScriptRun run = Play(Movie(tags, 8, 3), 2);
    EXPECT_EQ(run.lines, std::vector<std::string>{});
    EXPECT_EQ(run.frame, 1u);
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

TEST(Avm1Scope, RegistersPastAFunctionsOwnAreTheBlocks) {
    const ActionWriter body = ActionWriter()
                                  .Push({PushRegister(3)})
                                  .Trace()
                                  .Push({PushRegister(1)})
                                  .Trace()
                                  .Push({PushInt(9)})
                                  .StoreRegister(3)
                                  .Op(0x17);
    const ActionWriter script = ActionWriter()
                                    .Push({PushInt(7)})
                                    .StoreRegister(3)
                                    .StoreRegister(1)
                                    .Op(0x17)
                                    .Function2("f", 2, 0, {}, body)
                                    .Push({PushInt(0), PushString("f")})
                                    .Op(0x3D)
                                    .Op(0x17)
                                    .Push({PushRegister(3)})
                                    .Trace();
    ExpectTraces({{"read and written through", 8, script, {"7", "undefined", "9"}}});
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

TEST(Avm1Conversions, NamesBefore7IgnoreTheCaseOfFlashsLetters) {
    auto setGet = [](const char* set, const char* get) {
        return ActionWriter().Set(set, PushString("x")).Get(get).Trace();
    };
    ExpectTraces({
        {"Latin-1", 6, setGet("\xC3\x84", "\xC3\xA4"), {"x"}},
        {"Cyrillic", 6, setGet("\xD3\xA4", "\xD3\xA5"), {"x"}},
        {"a title-case digraph", 6, setGet("\xC7\xB2", "\xC7\xB1"), {"x"}},
        {"a letter Flash's table lacks", 6, setGet("\xC8\xBA", "\xE2\xB1\xA5"), {"undefined"}},
        {"from 7 case counts", 7, setGet("\xC3\x84", "\xC3\xA4"), {"undefined"}},
    });
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

TEST(Avm1Operators, GlobalFunctionsWithNoArgument) {
    auto none = [](const char* name) {
        return ActionWriter().Push({PushInt(0), PushString(name)}).Op(0x3D).Trace();
    };
    ExpectTraces({
        {"isNaN", 5, none("isNaN"), {"true"}},
        {"isFinite", 5, none("isFinite"), {"false"}},
        {"Boolean", 5, none("Boolean"), {"undefined"}},
        {"isFinite of undefined is 0 in SWF 5",
         5,
         ActionWriter()
             .Push({PushUndefined(), PushInt(1), PushString("isFinite")})
             .Op(0x3D)
             .Trace(),
         {"true"}},
    });
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

TEST(Avm1Events, AFramesScriptsAndNewClipsRunInTagOrder) {
    const Bytes sprite = TracingSprite(2, "a");
    const Bytes rootScript =
        DoActionTag(ActionWriter().Push({PushString("root")}).Trace().Records());
    EXPECT_EQ(Play(Movie(sprite + PlaceSprite(2, 1) + rootScript + ShowFrameTag(), 8, 1)).lines,
              (std::vector<std::string>{"a1", "root"}));
    EXPECT_EQ(Play(Movie(sprite + rootScript + PlaceSprite(2, 1) + ShowFrameTag(), 8, 1)).lines,
              (std::vector<std::string>{"root", "a1"}));
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

TEST(Avm1Scope, APreloadedParentThatIsMissingTakesNoRegister) {
    const ActionWriter body = ActionWriter()
                                  .Push({PushRegister(1)})
                                  .Op(0x44)
                                  .Trace()
                                  .Push({PushRegister(2)})
                                  .Op(0x44)
                                  .Trace();
    // Preload _parent (0x80) and _global (0x100) from the main timeline.
    const ActionWriter script = ActionWriter()
                                    .Function2("f", 3, 0x180, {}, body)
                                    .Push({PushInt(0), PushString("f")})
                                    .Op(0x3D)
                                    .Op(0x17);
    ExpectTraces({{"_global moves up", 8, script, {"object", "undefined"}}});
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

TEST(Avm1Objects, APropertyHiddenFromTheVersionIsSetAnew) {
    // o = {p: "x"}; ASSetPropFlags(o, "p", 0x100): hidden below SWF 7.
    const ActionWriter hidden =
        ActionWriter()
            .Push({PushString("o"), PushString("p"), PushString("x"), PushInt(1)})
            .Op(0x43)
            .Op(0x1D)
            .Push({PushInt(256), PushString("p")})
            .Get("o")
            .Push({PushInt(3), PushString("ASSetPropFlags")})
            .Op(0x3D)
            .Op(0x17);
    const ActionWriter read =
        ActionWriter(hidden).Get("o").Push({PushString("p")}).Op(0x4E).Trace();
    const ActionWriter set = ActionWriter(hidden)
                                 .Get("o")
                                 .Push({PushString("p"), PushString("y")})
                                 .Op(0x4F)
                                 .Get("o")
                                 .Push({PushString("p")})
                                 .Op(0x4E)
                                 .Trace();
    const ActionWriter listed = ActionWriter(hidden)
                                    .Get("o")
                                    .Op(0x55)
                                    .Label("next")
                                    .StoreRegister(0)
                                    .Push({PushNull()})
                                    .Op(0x49)
                                    .If("done")
                                    .Push({PushRegister(0)})
                                    .Trace()
                                    .Jump("next")
                                    .Label("done");
    ExpectTraces({
        {"hidden", 6, read, {"undefined"}},
        {"shown from its version", 7, read, {"x"}},
        {"set anew", 6, set, {"y"}},
        {"still listed", 6, listed, {"p"}},
    });
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

ActionWriter WaitForFrame(uint16_t frame, uint8_t skip) {
    return ActionWriter()
        .Raw({0x8A, 3, 0, static_cast<uint8_t>(frame), static_cast<uint8_t>(frame >> 8), skip})
        .Push({PushString("loaded")})
        .Trace()
        .Push({PushString("after")})
        .Trace();
}

TEST(Avm1Clips, WaitForFrameKnowsNoFramePast16000) {
    ExpectTraces({
        {"a frame past the last is loaded", 8, WaitForFrame(5, 2), {"loaded", "after"}},
        {"the highest frame", 8, WaitForFrame(16000, 2), {"loaded", "after"}},
        {"past it the actions are skipped", 8, WaitForFrame(16001, 2), {"after"}},
        {"a skip past the block ends it", 8, WaitForFrame(16001, 200), {}},
    });
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

TEST(Avm1Conversions, Swf4WritesBooleansAsNumbers) {
    const ActionWriter inFunction = ActionWriter()
                                        .Function("f", {}, TraceValue(PushBool(true)))
                                        .Push({PushInt(0), PushString("f")})
                                        .Op(0x3D)
                                        .Op(0x17);
    ExpectTraces({
        {"a boolean", 4, TraceValue(PushBool(true)), {"1"}},
        {"a comparison answers a boolean",
         4,
         ActionWriter().Push({PushInt(1), PushInt(1)}).Op(0x0E).Op(0x44).Trace(),
         {"boolean"}},
        {"a function writes it as a word", 4, inFunction, {"true"}},
        {"later versions too", 5, TraceValue(PushBool(false)), {"false"}},
    });
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

TEST(Avm1Scope, Swf4CodeSeesNoGlobals) {
    ExpectTraces({
        {"none in SWF 4", 4, ActionWriter().Get("NaN").Trace(), {"undefined"}},
        {"from SWF 5", 5, ActionWriter().Get("NaN").Trace(), {"NaN"}},
        {"its own variables", 4, ActionWriter().Set("NaN", PushInt(3)).Get("NaN").Trace(), {"3"}},
    });
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

TEST(Avm1Conversions, AValueOfThatIsNoFunctionGivesNothing) {
    // o = {valueOf: 1, toString: function () { trace("called"); return "s"; }}
    const ActionWriter toString =
        ActionWriter().Push({PushString("called")}).Trace().Push({PushString("s")}).Op(0x3E);
    const ActionWriter script =
        ActionWriter()
            .Push({PushString("o"), PushString("valueOf"), PushInt(1), PushString("toString")})
            .Function("", {}, toString)
            .Push({PushInt(2)})
            .Op(0x43)
            .Op(0x1D)
            .Push({PushString("x")})
            .Get("o")
            .Op(0x47)
            .Trace();
    ExpectTraces({
        {"toString is not asked", 6, script, {"x"}},
        {"a string is asked of toString",
         6,
         ActionWriter(script).Get("o").Op(0x4B).Trace(),
         {"x", "called", "s"}},
    });
}

// Depths past any a clip can have are refused whole, never wrapped round to
// one that exists (the action and the method alike).
TEST(Avm1Clips, DuplicatesAtImpossibleDepthsAreRefused) {
    ActionWriter script;
    for (const PushValue& depth : {PushDouble(1e20), PushDouble(-1e20), PushDouble(INFINITY),
                                   PushDouble(4294967296.0 + 5)}) {
        script.Get("clip").Push({PushString("copy")}).Raw(ActionWriter().Push({depth}).Records());
        script.Op(0x24);
        script.Get("copy").Op(0x44).Trace(); // typeof
        Call(script, "clip", "duplicateMovieClip", {PushString("other"), depth}).Op(0x17);
        script.Push({PushString("other")}).Op(0x1C).Op(0x44).Trace();
    }
    const std::vector<std::string> none(8, "undefined");
    EXPECT_EQ(Play(ClipMovie(script)).lines, none);
}

} // namespace
} // namespace ww::test
