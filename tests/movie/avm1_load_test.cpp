// Loading files beside the movie: which requests are refused, the order in
// which a load's handlers run against the frame's own scripts, and what a
// movie or picture loaded into a clip shows.
#include "movie/avm1/loader.h"
#include "tests/movie/movie_test_util.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace ww::test {
namespace {

constexpr uint8_t kNew = 0x40, kSetVariable = 0x1D, kGetMember = 0x4E, kSetMember = 0x4F,
                  kCallMethod = 0x52, kPop = 0x17, kGetVariable = 0x1C, kGetUrl2 = 0x9A;

struct LoadRun {
    std::vector<std::string> lines;
    std::vector<std::string> warnings;
};

// The script on the first frame; a second frame, when played, has none.
LoadRun RunScript(const ActionWriter& script, const std::string& folder, int frames = 1,
                  uint64_t budget = 0) {
    SwfRecipe layout = StageRecipe(false);
    layout.version = 8;
    layout.frameCount = static_cast<uint16_t>(frames);
    layout.tags = DoActionTag(script.Records()) + ShowFrameTag();
    for (int i = 1; i < frames; ++i)
        layout.tags = layout.tags + ShowFrameTag();
    const movie::Movie m = ParseOrFail(MakeSwf(layout));
    LoadRun run;
    movie::ScriptOptions options;
    options.trace = [&run](const std::string& line) { run.lines.push_back(line); };
    options.seeded = true;
    options.folder = folder;
    options.actionBudget = budget;
    movie::Player player(m, options);
    for (int i = 1; i < frames; ++i)
        player.Advance();
    run.warnings = player.scriptWarnings();
    return run;
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// o = new Class(); o.onLoad = function(ok) { trace("onLoad " + ok); trace(o.member) };
// (and o.onHTTPStatus = function(s) { trace("status " + s) } when asked);
// o.load(url); trace("asked")
ActionWriter LoadWith(const std::string& cls, const std::string& url, const std::string& member,
                      bool traceStatus = false) {
    ActionWriter onLoad, onStatus;
    onStatus.Push({PushString("status ")})
        .Push({PushString("s")})
        .Op(kGetVariable)
        .Op(0x47)
        .Trace();
    onLoad.Push({PushString("onLoad ")}).Push({PushString("ok")}).Op(kGetVariable).Op(0x47).Trace();
    onLoad.Get("o").Push({PushString(member)}).Op(kGetMember).Trace();
    ActionWriter w;
    w.Push({PushString("o"), PushInt(0), PushString(cls)}).Op(kNew).Op(kSetVariable);
    w.Get("o").Push({PushString("onLoad")}).Function("", {"ok"}, onLoad).Op(kSetMember);
    if (traceStatus)
        w.Get("o").Push({PushString("onHTTPStatus")}).Function("", {"s"}, onStatus).Op(kSetMember);
    w.Push({PushString(url), PushInt(1)})
        .Get("o")
        .Push({PushString("load")})
        .Op(kCallMethod)
        .Op(kPop);
    w.Push({PushString("asked")}).Trace();
    return w;
}

TEST(Avm1Load, OnlyFilesBesideTheMovieResolve) {
    const struct {
        const char* url;
        const char* path; // null: refused
    } cases[] = {
        {"data.xml", "data.xml"},
        {"sub/data.xml", "sub/data.xml"},
        {"sub\\data.xml", "sub/data.xml"},
        {"./sub/../data.xml", "data.xml"},
        {"data.txt?cache=1#top", "data.txt"},
        {"my%20file.txt", "my file.txt"},
        {"http://example.com/data.xml", nullptr},
        {"https://example.com/", nullptr},
        {"file:///etc/passwd", nullptr},
        {"C:\\Windows\\win.ini", nullptr},
        {"/etc/passwd", nullptr},
        {"\\\\server\\share\\x.txt", nullptr},
        {"../secret.txt", nullptr},
        {"sub/../../secret.txt", nullptr},
        {"%2e%2e/secret.txt", nullptr},
        {"http%3a//example.com", nullptr},
        {"nul", nullptr},
        {"sub/CON.txt", nullptr},
        {"a%00b", nullptr},
        {"", nullptr},
        {"?only=query", nullptr},
        {"sub/..", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        std::string path, why;
        const bool ok = movie::avm1::ResolveBesideMovie(c.url, &path, &why);
        EXPECT_EQ(ok, c.path != nullptr) << why;
        if (ok && c.path) {
            EXPECT_EQ(path, c.path);
        }
        if (!ok) {
            EXPECT_FALSE(why.empty());
        }
    }
}

// The frame's script finishes before the file arrives; a refused or missing
// file is onLoad(false) with one warning naming it, and nothing is parsed.
TEST(Avm1Load, LoadsCompleteAfterTheFramesScripts) {
    TempDir dir;
    WriteFile(dir / "doc.xml", "\xEF\xBB\xBF<a>loaded</a>");
    WriteFile(dir / "vars.txt", "name=Ada+L&sum=%31%2B1");
    std::filesystem::create_directory(dir / "sub");
    WriteFile(dir / "sub/inner.txt", "where=inside");
    const struct {
        const char* name;
        ActionWriter script;
        std::vector<std::string> lines;
        const char* warning; // a part of the one warning; null: none
    } cases[] = {
        {"xml",
         LoadWith("XML", "doc.xml", "firstChild"),
         {"asked", "onLoad true", "<a>loaded</a>"},
         nullptr},
        {"a file's status comes first",
         LoadWith("LoadVars", "vars.txt", "sum", true),
         {"asked", "status 0", "onLoad true", "1+1"},
         nullptr},
        {"vars",
         LoadWith("LoadVars", "vars.txt", "name"),
         {"asked", "onLoad true", "Ada L"},
         nullptr},
        {"vars below",
         LoadWith("LoadVars", "sub/inner.txt", "where"),
         {"asked", "onLoad true", "inside"},
         nullptr},
        {"missing",
         LoadWith("XML", "absent.xml", "firstChild"),
         {"asked", "onLoad false", "null"},
         "absent.xml"},
        {"network",
         LoadWith("LoadVars", "http://example.com/vars.txt", "name"),
         {"asked", "onLoad false", "undefined"},
         "http://example.com/vars.txt"},
        {"outside",
         LoadWith("XML", "../doc.xml", "firstChild"),
         {"asked", "onLoad false", "null"},
         "../doc.xml"},
        {"a folder",
         LoadWith("XML", "sub", "firstChild"),
         {"asked", "onLoad false", "null"},
         "sub"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LoadRun run = RunScript(c.script, dir.path());
        EXPECT_EQ(run.lines, c.lines);
        if (c.warning) {
            ASSERT_EQ(run.warnings.size(), 1u);
            EXPECT_NE(run.warnings[0].find(c.warning), std::string::npos) << run.warnings[0];
        } else {
            EXPECT_TRUE(run.warnings.empty());
        }
    }
}

// A movie whose folder is unknown loads nothing; a file over the cap is
// refused before it is read.
TEST(Avm1Load, RefusesWithoutAFolderAndOverTheCap) {
    TempDir dir;
    WriteFile(dir / "doc.xml", "<a/>");
    std::ofstream(dir / "huge.xml").close();
    std::filesystem::resize_file(dir / "huge.xml", (1ull << 30));
    // A link beside the movie to a file elsewhere is not followed.
    TempDir elsewhere;
    WriteFile(elsewhere / "secret.xml", "<secret/>");
    std::error_code linkFailed;
    std::filesystem::create_symlink(elsewhere / "secret.xml", dir / "link.xml", linkFailed);
    const struct {
        const char* name;
        std::string folder, url;
        const char* warning;
    } cases[] = {
        {"no folder", "", "doc.xml", "folder"},
        {"a gigabyte", dir.path(), "huge.xml", "larger than"},
        {"a link", dir.path(), "link.xml", "through a link"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (linkFailed && std::string(c.name) == "a link")
            continue; // a system where this user makes no links
        const LoadRun run = RunScript(LoadWith("XML", c.url, "firstChild"), c.folder);
        EXPECT_EQ(run.lines, (std::vector<std::string>{"asked", "onLoad false", "null"}));
        ASSERT_EQ(run.warnings.size(), 1u);
        EXPECT_NE(run.warnings[0].find(c.warning), std::string::npos) << run.warnings[0];
    }
}

// loadVariables as the action compiles it sets the clip's variables after
// the frame's script; LoadVars prints its own variables as a form.
TEST(Avm1Load, VariablesArriveInTheClipAndPrintAsAForm) {
    TempDir dir;
    WriteFile(dir / "vars.txt", "greeting=hello%20there&n=3");
    ActionWriter onData;
    onData.Push({PushString("greeting")}).Op(kGetVariable).Trace();
    ActionWriter w;
    w.Get("_root").Push({PushString("onData")}).Function("", {}, onData).Op(kSetMember);
    w.Push({PushString("vars.txt"), PushString("_root")});
    w.Raw(Bytes{kGetUrl2, 1, 0, 0xC0});
    w.Push({PushString("greeting")}).Op(kGetVariable).Trace();
    w.Push({PushString("v"), PushInt(0), PushString("LoadVars")}).Op(kNew).Op(kSetVariable);
    w.Get("v").Push({PushString("b"), PushString("x & y")}).Op(kSetMember);
    w.Get("v").Push({PushString("a"), PushString("1")}).Op(kSetMember);
    w.Get("v").Trace();
    const LoadRun run = RunScript(w, dir.path());
    EXPECT_EQ(run.lines,
              (std::vector<std::string>{"undefined", "a=1&b=x%20%26%20y", "hello there"}));
    EXPECT_TRUE(run.warnings.empty());
}

// A frame whose scripts were stopped leaves its loads for the next frame:
// none is lost.
TEST(Avm1Load, AStoppedFrameKeepsItsLoadsForTheNext) {
    TempDir dir;
    WriteFile(dir / "doc.xml", "<a/>");
    ActionWriter w = LoadWith("XML", "doc.xml", "firstChild");
    w.Label("forever").Jump("forever");
    for (int frames : {1, 2}) {
        SCOPED_TRACE(frames);
        const LoadRun run = RunScript(w, dir.path(), frames, 10000);
        std::vector<std::string> want{"asked"};
        if (frames == 2)
            want.insert(want.end(), {"onLoad true", "<a />"});
        EXPECT_EQ(run.lines, want);
    }
}

// A movie read from a file may load what lies beside it with no folder given.
TEST(Avm1Load, AMovieFromAFileLoadsBesideIt) {
    TempDir dir;
    WriteFile(dir / "doc.xml", "<beside/>");
    SwfRecipe layout = StageRecipe(false);
    layout.version = 8;
    layout.tags = DoActionTag(LoadWith("XML", "doc.xml", "firstChild").Records()) + ShowFrameTag();
    const Bytes swf = MakeSwf(layout);
    WriteFile(dir / "movie.swf", std::string(swf.begin(), swf.end()));
    movie::Movie m;
    std::string error;
    ASSERT_TRUE(movie::LoadMovie(dir / "movie.swf", &m, &error)) << error;
    std::vector<std::string> lines;
    movie::ScriptOptions options;
    options.trace = [&lines](const std::string& line) { lines.push_back(line); };
    movie::Player player(m, options);
    EXPECT_EQ(lines, (std::vector<std::string>{"asked", "onLoad true", "<beside />"}));
}

// Loading into clips ---------------------------------------------------------

constexpr uint8_t kAdd2 = 0x47, kLess2 = 0x48, kNot = 0x12;

void WriteBytes(const std::string& path, const Bytes& bytes) {
    WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

// A movie of one frame whose script traces text.
Bytes TracingMovie(const std::string& text) {
    SwfRecipe layout = StageRecipe(false);
    layout.version = 8;
    layout.tags = DoActionTag(TraceText(text).Records()) + ShowFrameTag();
    return MakeSwf(layout);
}

// A 4 x 2 picture as a PNG: its left half red, its right half blue.
void WritePicture(const std::string& path) {
    movie::Canvas c;
    c.width = 4;
    c.height = 2;
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) {
            const uint8_t px[4] = {uint8_t(x < 2 ? 255 : 0), 0, uint8_t(x < 2 ? 0 : 255), 255};
            c.pixels.insert(c.pixels.end(), px, px + 4);
        }
    }
    ASSERT_TRUE(movie::WritePng(c, path));
}

// One red pixel, as the smallest GIF is written.
const Bytes kRedGif = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00,
                       0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00,
                       0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};

// A GIF whose header claims 16000 x 16000 pixels and holds none.
const Bytes kHugeGif = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x80,
                        0x3E, 0x80, 0x3E, 0x00, 0x00, 0x00, 0x3B};

// parent.createEmptyMovieClip(name, depth)
ActionWriter& MakeClip(ActionWriter& w, const std::string& name, int depth,
                       const std::string& parent = "_root") {
    w.Push({PushInt(depth), PushString(name), PushInt(2)})
        .Get(parent)
        .Push({PushString("createEmptyMovieClip")})
        .Op(kCallMethod)
        .Op(kPop);
    return w;
}

// target.method(args...), its result dropped; args as pushed, last first.
ActionWriter& CallOn(ActionWriter& w, const std::string& target, const std::string& method,
                     std::initializer_list<PushValue> args) {
    w.Push(args).Push({PushInt(static_cast<int32_t>(args.size()))});
    w.Get(target).Push({PushString(method)}).Op(kCallMethod).Op(kPop);
    return w;
}

// trace(name + " " + arguments[0]): a loader's event and the clip it names.
ActionWriter TraceEvent(const std::string& name) {
    ActionWriter w;
    w.Push({PushString(name + " ")}).Get("arguments").Push({PushInt(0)}).Op(kGetMember);
    return w.Op(kAdd2).Trace();
}

// Plays a movie whose first frame runs first and whose second frame runs
// second, loading from folder; draws the last frame when asked.
LoadRun PlayTwoFrames(const ActionWriter& first, const ActionWriter& second,
                      const std::string& folder, movie::Canvas* drawn = nullptr) {
    SwfRecipe layout = StageRecipe(false);
    layout.version = 8;
    layout.frameCount = 2;
    layout.tags = DoActionTag(first.Records()) + ShowFrameTag() + DoActionTag(second.Records()) +
                  ShowFrameTag();
    const movie::Movie m = ParseOrFail(MakeSwf(layout));
    LoadRun run;
    movie::ScriptOptions options;
    options.trace = [&run](const std::string& line) { run.lines.push_back(line); };
    options.seeded = true;
    options.folder = folder;
    movie::Player player(m, options);
    player.Advance();
    run.warnings = player.scriptWarnings();
    if (drawn) {
        movie::Renderer renderer(m);
        std::string error;
        EXPECT_TRUE(renderer.Render(player, movie::RenderOptions(), drawn, &error)) << error;
    }
    return run;
}

// What a MovieClipLoader hears for each kind of file, in Flash's order: the
// loaded movie's first frame runs before onLoadInit; a file missing, refused,
// broken or too large is onLoadError alone, and the clip keeps its content.
TEST(Avm1Load, ALoaderHearsEachLoadInFlashsOrder) {
    TempDir dir;
    WriteBytes(dir / "child.swf", TracingMovie("child frame"));
    SwfRecipe vars = StageRecipe(false);
    vars.version = 8;
    vars.tags = DoActionTag(ActionWriter().Get("v").Trace().Records()) + ShowFrameTag();
    WriteBytes(dir / "vars.swf", MakeSwf(vars));
    WritePicture(dir / "pic.png");
    WriteBytes(dir / "dot.gif", kRedGif);
    WriteFile(dir / "notes.txt", "not a movie");
    WriteFile(dir / "broken.swf", "FWS\x08\x40\x00\x00\x00garbage");
    WriteBytes(dir / "huge.gif", kHugeGif);
    const std::vector<std::string> shown = {"onLoadStart _level0.c", "onLoadProgress _level0.c",
                                            "onLoadComplete _level0.c"};
    auto loaded = [&shown](std::vector<std::string> middle, std::vector<std::string> after) {
        std::vector<std::string> lines = shown;
        lines.insert(lines.end(), middle.begin(), middle.end());
        lines.push_back("onLoadInit _level0.c");
        lines.insert(lines.end(), after.begin(), after.end());
        return lines;
    };
    const std::vector<std::string> kept = {"keep", "0", "0"};
    const struct {
        const char* url;
        std::vector<std::string> lines; // then c.keep, c._width, c._height, bytes, version
        const char* warning;
    } cases[] = {
        {"child.swf", loaded({"child frame"}, {"undefined", "0", "0"}), nullptr},
        {"vars.swf?v=given%21#top", loaded({"given!"}, {"undefined", "0", "0"}), nullptr},
        {"pic.png", loaded({}, {"undefined", "4", "2"}), nullptr},
        {"dot.gif", loaded({}, {"undefined", "1", "1"}), nullptr},
        {"notes.txt", loaded({}, {"undefined", "0", "0"}), nullptr},
        {"missing.swf", {"onLoadError _level0.c", "keep", "0", "0"}, "cannot be found"},
        {"http://example.com/a.swf", {"onLoadError _level0.c", "keep", "0", "0"}, "address"},
        {"../outside.swf", {"onLoadError _level0.c", "keep", "0", "0"}, "outside"},
        {"broken.swf", {"onLoadError _level0.c", "keep", "0", "0"}, "broken.swf"},
        {"huge.gif", {"onLoadError _level0.c", "keep", "0", "0"}, "memory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        ActionWriter first;
        MakeClip(first, "c", 1);
        first.Get("c").Push({PushString("keep"), PushString("keep")}).Op(kSetMember);
        first.Push({PushString("l"), PushInt(0), PushString("MovieClipLoader")})
            .Op(kNew)
            .Op(kSetVariable);
        for (const char* event :
             {"onLoadStart", "onLoadProgress", "onLoadComplete", "onLoadInit", "onLoadError"})
            first.Raw(Handler("l", event, TraceEvent(event)).Records());
        CallOn(first, "l", "loadClip", {PushString("c"), PushString(c.url)});
        ActionWriter second;
        for (const char* property : {"keep", "_width", "_height"})
            second.Get("c").Push({PushString(property)}).Op(kGetMember).Trace();
        const LoadRun run = PlayTwoFrames(first, second, dir.path());
        EXPECT_EQ(run.lines, c.lines);
        if (c.warning) {
            ASSERT_FALSE(run.warnings.empty());
            EXPECT_NE(run.warnings[0].find(c.warning), std::string::npos) << run.warnings[0];
        } else {
            EXPECT_TRUE(run.warnings.empty());
        }
    }
}

// A picture is drawn at the clip's origin, one pixel for each of its own;
// getBytesTotal is its file's size and it has no SWF version; unloadMovie
// leaves the clip empty again.
TEST(Avm1Load, APictureIsDrawnAtItsClipsOrigin) {
    TempDir dir;
    WritePicture(dir / "pic.png");
    const auto size = static_cast<int>(std::filesystem::file_size(dir / "pic.png"));
    ActionWriter first;
    MakeClip(first, "c", 1);
    first.Get("c").Push({PushString("_x"), PushInt(100)}).Op(kSetMember);
    first.Get("c").Push({PushString("_y"), PushInt(50)}).Op(kSetMember);
    CallOn(first, "c", "loadMovie", {PushString("pic.png")});
    ActionWriter second;
    for (const char* method : {"getBytesTotal", "getSWFVersion"}) {
        second.Push({PushInt(0)}).Get("c").Push({PushString(method)}).Op(kCallMethod).Trace();
    }
    movie::Canvas shown;
    const LoadRun run = PlayTwoFrames(first, second, dir.path(), &shown);
    EXPECT_EQ(run.lines, (std::vector<std::string>{std::to_string(size), "-1"}));
    ExpectPixels(shown,
                 {{100, 50, kRed},
                  {101, 51, kRed},
                  {102, 50, kBlue},
                  {103, 51, kBlue},
                  {99, 50, kWhite},
                  {104, 50, kWhite},
                  {100, 52, kWhite}},
                 0);

    CallOn(second, "c", "unloadMovie", {});
    PlayTwoFrames(first, second, dir.path(), &shown);
    ExpectPixels(shown, {{100, 50, kWhite}, {103, 51, kWhite}}, 0);
}

// A movie loaded into a level is reached as _levelN once it has arrived and
// drawn above the main timeline; unloaded, it stays until the frame's
// scripts end.
TEST(Avm1Load, AMovieLoadsIntoALevelAboveTheMain) {
    TempDir dir;
    SwfRecipe child = StageRecipe(false);
    child.version = 8;
    child.tags = RectangleShapeTag(1, 1, 0, 0, 10 * kPx, 10 * kPx, Solid(255, 0, 0)) +
                 PlaceObject2Tag(At(1, 1)) + DoActionTag(TraceText("child frame").Records()) +
                 ShowFrameTag();
    WriteBytes(dir / "child.swf", MakeSwf(child));
    constexpr uint8_t kCallFunction = 0x3D;
    ActionWriter first;
    first.Push({PushInt(2), PushString("child.swf"), PushInt(2), PushString("loadMovieNum")})
        .Op(kCallFunction)
        .Op(kPop);
    first.Get("_level2").Trace();
    ActionWriter unload;
    unload.Push({PushInt(2), PushInt(1), PushString("unloadMovieNum")}).Op(kCallFunction).Op(kPop);
    const struct {
        const char* name;
        ActionWriter second;
        Rgba8 drawn;
    } cases[] = {
        {"kept", ActionWriter().Get("_level2").Trace(), kRed},
        {"unloaded", ActionWriter().Raw(unload.Records()).Get("_level2").Trace(), kWhite},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        movie::Canvas shown;
        const LoadRun run = PlayTwoFrames(first, c.second, dir.path(), &shown);
        EXPECT_EQ(run.lines, (std::vector<std::string>{"undefined", "child frame", "_level2"}));
        EXPECT_TRUE(run.warnings.empty());
        ExpectPixels(shown, {{5, 5, c.drawn}, {15, 15, kWhite}}, 0);
    }
}

// A loaded movie's text field comes from its own dictionary, the main
// movie having none: its text and the variable bound to it are its own.
TEST(Avm1Load, ALoadedMoviesFieldsComeFromItsDictionary) {
    TempDir dir;
    EditTextRecipe field;
    field.text = "from the child";
    field.variableName = "v";
    PlaceRecipe place = At(1, 1);
    place.name = "field";
    ActionWriter script;
    script.Get("field").Push({PushString("text")}).Op(kGetMember).Trace();
    script.Get("v").Trace();
    SwfRecipe child = StageRecipe(false);
    child.version = 8;
    child.tags = DefineEditTextTag(1, field) + PlaceObject2Tag(place) +
                 DoActionTag(script.Records()) + ShowFrameTag();
    WriteBytes(dir / "child.swf", MakeSwf(child));
    ActionWriter first;
    MakeClip(first, "c", 1);
    CallOn(first, "c", "loadMovie", {PushString("child.swf")});
    const LoadRun run = PlayTwoFrames(first, ActionWriter(), dir.path());
    EXPECT_EQ(run.lines, (std::vector<std::string>{"from the child", "from the child"}));
}

// Inside a loaded movie _root is the main timeline of its level, unless the
// clip it was loaded into (or one around it) sets _lockroot.
TEST(Avm1Load, LockrootMakesTheClipTheLoadedMoviesRoot) {
    TempDir dir;
    SwfRecipe child = StageRecipe(false);
    child.version = 8;
    child.tags = DoActionTag(ActionWriter().Get("_root").Trace().Records()) + ShowFrameTag();
    WriteBytes(dir / "child.swf", MakeSwf(child));
    const struct {
        const char* name;
        const char* lockedClip; // null: none
        const char* root;
    } cases[] = {
        {"unlocked", nullptr, "_level0"},
        {"the clip itself", "_root.outer.c", "_level0.outer.c"},
        {"a clip around it", "_root.outer", "_level0.outer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ActionWriter first;
        MakeClip(first, "outer", 1);
        MakeClip(first, "c", 1, "outer");
        if (c.lockedClip)
            first.Get(c.lockedClip).Push({PushString("_lockroot"), PushBool(true)}).Op(kSetMember);
        first.Push({PushString("child.swf"), PushInt(1)})
            .Get("outer.c")
            .Push({PushString("loadMovie")})
            .Op(kCallMethod)
            .Op(kPop);
        const LoadRun run = PlayTwoFrames(first, ActionWriter(), dir.path());
        EXPECT_EQ(run.lines, (std::vector<std::string>{c.root}));
    }
}

// A movie that loads itself into a clip of its own nests no deeper than
// sprites may; one that fills clip after clip is stopped at the count of
// movies shown at once. Either way the player plays on.
TEST(Avm1Load, LoadingItselfEndsAtTheCaps) {
    TempDir dir;
    ActionWriter nest;
    MakeClip(nest, "c", 1, "this");
    CallOn(nest, "c", "loadMovie", {PushString("self.swf")});
    nest.Push({PushString("in")}).Trace();
    SwfRecipe layout = StageRecipe(false);
    layout.version = 8;
    layout.tags = DoActionTag(nest.Records()) + ShowFrameTag();
    const Bytes self = MakeSwf(layout);
    WriteBytes(dir / "self.swf", self);
    WritePicture(dir / "pic.png");

    const movie::Movie m = ParseOrFail(self);
    int entered = 0;
    movie::ScriptOptions options;
    options.trace = [&entered](const std::string&) { ++entered; };
    options.folder = dir.path();
    movie::Player player(m, options);
    for (int i = 0; i < 5; ++i)
        player.Advance();
    EXPECT_GT(entered, 2);
    EXPECT_LE(entered, movie::kMaxSpriteNesting + 1);

    // for (i = 0; i < 100; ++i) { createEmptyMovieClip("c" + i, i + 1); eval("c" +
    // i).loadMovie(...) }
    ActionWriter fill;
    fill.Set("i", PushInt(0)).Label("loop");
    fill.Get("i").Push({PushInt(100)}).Op(kLess2).Op(kNot).If("end");
    fill.Get("i").Push({PushInt(1)}).Op(kAdd2);
    fill.Push({PushString("c")}).Get("i").Op(kAdd2).Push({PushInt(2)});
    fill.Get("_root").Push({PushString("createEmptyMovieClip")}).Op(kCallMethod).Op(kPop);
    fill.Push({PushString("pic.png"), PushInt(1), PushString("c")}).Get("i").Op(kAdd2);
    fill.Op(kGetVariable).Push({PushString("loadMovie")}).Op(kCallMethod).Op(kPop);
    fill.Push({PushString("i")}).Get("i").Push({PushInt(1)}).Op(kAdd2).Op(kSetVariable);
    fill.Jump("loop").Label("end");
    ActionWriter count;
    count.Get("c63").Push({PushString("_width")}).Op(kGetMember).Trace();
    count.Get("c64").Push({PushString("_width")}).Op(kGetMember).Trace();
    const LoadRun run = PlayTwoFrames(fill, count, dir.path());
    EXPECT_EQ(run.lines, (std::vector<std::string>{"4", "0"}));
    ASSERT_EQ(run.warnings.size(), 1u);
    EXPECT_NE(run.warnings[0].find("64 movies"), std::string::npos) << run.warnings[0];
}

} // namespace
} // namespace ww::test
