// Loading files beside the movie: which requests are refused, and the order
// in which a load's handlers run against the frame's own scripts.
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

} // namespace
} // namespace ww::test
