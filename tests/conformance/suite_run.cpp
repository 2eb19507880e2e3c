#include "tests/conformance/suite_run.h"

#include "movie/focus.h"
#include "movie/keyboard.h"
#include "movie/movie.h"
#include "movie/player.h"
#include "movie/pointer.h"
#include "movie/render.h"
#include "tests/conformance/input_script.h"
#include "tests/conformance/picture_compare.h"
#include "tests/conformance/suite_case.h"
#include "tests/conformance/swf_scan.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <set>
#include <system_error>

namespace ww::conformance {

namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxMovieFileBytes = 64u << 20;
// The suite's logs were captured at 2001-02-03 04:05:06 in a zone 5:45 east
// of UTC; trace runs start from that instant in that zone.
constexpr double kTraceClockMs = 981152406000.0;
// The C library's spelling of that zone: Windows' takes a three-letter name.
#ifdef _WIN32
constexpr const char* kTraceZone = "NPT-05:45";
#else
constexpr const char* kTraceZone = "<+0545>-05:45";
#endif

void UseTraceZone() {
#ifdef _WIN32
    _putenv_s("TZ", kTraceZone);
    _tzset();
#else
    setenv("TZ", kTraceZone, 1);
    tzset();
#endif
}

bool ReadBytes(const std::string& path, std::vector<uint8_t>* bytes) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return false;
    bytes->clear();
    uint8_t block[65536];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, file.get())) > 0) {
        if (n > kMaxMovieFileBytes - bytes->size())
            return false;
        bytes->insert(bytes->end(), block, block + n);
    }
    return !std::ferror(file.get());
}

// The canvas is premultiplied; the expected pictures are not.
Picture Unpremultiplied(const movie::Canvas& canvas) {
    Picture p;
    p.width = canvas.width;
    p.height = canvas.height;
    p.rgba = canvas.pixels;
    for (size_t i = 0; i + 3 < p.rgba.size(); i += 4) {
        const unsigned a = p.rgba[i + 3];
        if (a == 255)
            continue;
        for (int c = 0; c < 3; ++c)
            p.rgba[i + c] = a ? uint8_t(std::min(255u, (p.rgba[i + c] * 255u + a / 2) / a)) : 0;
    }
    return p;
}

// The test's input.json handed to the player a frame at a time: each call
// gives the events up to the next Wait, which stands for the frame that
// follows. A test without the file has no events.
class InputReplay {
  public:
    // scale: stage pixels per input pixel.
    bool Load(const std::string& folder, double scale, std::string* error) {
        scale_ = scale;
        const fs::path path = fs::path(folder) / "input.json";
        std::error_code ec;
        if (!fs::exists(path, ec))
            return true;
        std::string text;
        if (!ReadTextFile(path.string(), &text)) {
            *error = "input.json cannot be read";
            return false;
        }
        if (!ParseInputScript(text, &events_, error)) {
            *error = "input.json: " + *error;
            return false;
        }
        return true;
    }

    void UntilWait(movie::Player& player) {
        while (next_ < events_.size()) {
            const InputEvent& e = events_[next_++];
            if (e.kind == InputKind::Wait)
                return;
            Give(player, e);
        }
    }

  private:
    void Give(movie::Player& player, const InputEvent& e) {
        if (scale_ > 0)
            player.pointer().windowScale = 1 / scale_;
        const double x = e.x * scale_ * movie::kTwipsPerPixel;
        const double y = e.y * scale_ * movie::kTwipsPerPixel;
        int code = 0, ascii = 0;
        switch (e.kind) {
        case InputKind::MouseMove:
            player.PointerMove(x, y);
            break;
        case InputKind::MouseDown:
        case InputKind::MouseUp:
            MouseButton(player, e.button, e.kind == InputKind::MouseDown);
            if (e.button == "Left" && e.kind == InputKind::MouseDown)
                player.PointerDown(x, y);
            else if (e.button == "Left")
                player.PointerUp(x, y);
            else if (x != player.pointer().x || y != player.pointer().y)
                player.PointerMove(x, y); // a move only when it moved
            // The right button opens the player's menu, which hides the
            // focus rectangle as a left press does.
            if (e.button == "Right")
                movie::HideFocusRect(player, false);
            break;
        case InputKind::MouseWheel:
            player.PointerWheel(static_cast<int>(e.lines));
            break;
        case InputKind::KeyDown:
            if (KeyCodeOf(e, &code, &ascii))
                player.KeyDown(code, uint32_t(ascii));
            break;
        case InputKind::KeyUp:
            if (KeyCodeOf(e, &code, &ascii))
                player.KeyUp(code, uint32_t(ascii));
            break;
        case InputKind::TextInput:
            player.TypeCharacter(e.codepoint);
            break;
        case InputKind::TextControl:
            GiveCommand(player, e.text);
            break;
        case InputKind::SetClipboardText:
            player.keyboard().clipboard = e.text;
            break;
        case InputKind::FocusGained:
        case InputKind::FocusLost:
            player.WindowFocus(e.kind == InputKind::FocusGained);
            break;
        default:
            break;
        }
    }

    // Key.isDown answers for the mouse's buttons too (1 left, 2 right, 4
    // middle), as Flash's key codes have them.
    static void MouseButton(movie::Player& player, const std::string& button, bool down) {
        const int code = button == "Left" ? 1 : button == "Right" ? 2 : button == "Middle" ? 4 : 0;
        if (code)
            player.keyboard().down[code] = down;
    }

    static void GiveCommand(movie::Player& player, const std::string& code) {
        using movie::TextCommand;
        static const struct {
            const char* name;
            TextCommand command;
        } kCommands[] = {{"Backspace", TextCommand::Backspace},
                         {"Delete", TextCommand::Delete},
                         {"Enter", TextCommand::Enter},
                         {"MoveLeft", TextCommand::Left},
                         {"MoveRight", TextCommand::Right},
                         {"MoveLeftLine", TextCommand::Home},
                         {"MoveRightLine", TextCommand::End},
                         {"SelectLeft", TextCommand::SelectLeft},
                         {"SelectRight", TextCommand::SelectRight},
                         {"SelectLeftLine", TextCommand::SelectHome},
                         {"SelectRightLine", TextCommand::SelectEnd},
                         {"SelectAll", TextCommand::SelectAll},
                         {"Copy", TextCommand::Copy},
                         {"Cut", TextCommand::Cut},
                         {"Paste", TextCommand::Paste}};
        for (const auto& c : kCommands) {
            if (code == c.name)
                player.EditCommand(c.command);
        }
    }

    std::vector<InputEvent> events_;
    size_t next_ = 0;
    double scale_ = 1;
};

// Stage pixels per pixel of the window the test's input was given in.
double InputScale(const SuiteCase& c, const movie::Movie& m) {
    const double stageWidth = double(m.stage.xmax - m.stage.xmin) / movie::kTwipsPerPixel;
    return c.viewportWidth > 0 && stageWidth > 0 ? stageWidth / c.viewportWidth : 1;
}

// The area the movie is shown in: the test's window, else the stage.
movie::StageView ViewOf(const SuiteCase& c, const movie::Movie& m) {
    movie::StageView view;
    const bool given = c.viewportWidth > 0 && c.viewportHeight > 0;
    view.width =
        int(given ? c.viewportWidth : double(m.stage.xmax - m.stage.xmin) / movie::kTwipsPerPixel);
    view.height =
        int(given ? c.viewportHeight : double(m.stage.ymax - m.stage.ymin) / movie::kTwipsPerPixel);
    return view;
}

struct PendingPicture {
    const ImageComparison* comparison;
    Picture expected;
};

class ImageRun {
  public:
    ImageRun(const SuiteCase& c, const RunSettings& settings, CaseResult* result)
        : case_(c), settings_(settings), result_(result) {}

    void Run() {
        result_->suitePass = result_->ourPass = true;
        std::vector<PendingPicture> pending;
        if (!LoadExpected(&pending) || !LoadMovie())
            return;
        std::stable_sort(pending.begin(), pending.end(), [](const auto& a, const auto& b) {
            return a.comparison->frame < b.comparison->frame;
        });
        InputReplay input;
        std::string error;
        if (!input.Load(case_.folder, InputScale(case_, movie_), &error)) {
            Fail("", error);
            return;
        }
        // The pictures and movies it loads are read from its own folder.
        movie::ScriptOptions scripts;
        scripts.folder = case_.folder;
        scripts.stage = ViewOf(case_, movie_);
        movie::Player player(movie_, scripts);
        movie::Renderer renderer(movie_);
        uint32_t shown = 1; // the player enters the first frame when made
        input.UntilWait(player);
        for (const PendingPicture& p : pending) {
            while (shown < p.comparison->frame) {
                player.Advance();
                input.UntilWait(player);
                ++shown;
            }
            Compare(player, renderer, p);
        }
    }

  private:
    void Fail(const std::string& name, const std::string& why) {
        result_->suitePass = result_->ourPass = false;
        if (result_->reason.empty())
            result_->reason = name.empty() ? why : name + ": " + why;
    }

    bool LoadExpected(std::vector<PendingPicture>* pending) {
        for (const ImageComparison& image : case_.images) {
            if (image.frame == 0) {
                Fail(image.name, "needs a script runtime (trigger " + image.trigger + ")");
                continue;
            }
            PendingPicture p{&image, {}};
            std::string error;
            const std::string path =
                (fs::path(case_.folder) / (image.name + ".expected.png")).string();
            if (!DecodePng(path, &p.expected, &error)) {
                Fail(image.name, "expected picture: " + error);
                continue;
            }
            pending->push_back(std::move(p));
        }
        return result_->reason.empty();
    }

    bool LoadMovie() {
        const std::string path = (fs::path(case_.folder) / "test.swf").string();
        std::vector<uint8_t> bytes;
        if (!ReadBytes(path, &bytes)) {
            Fail("", "load error: test.swf cannot be read");
            return false;
        }
        std::set<uint16_t> codes;
        std::string error;
        if (ScanTagCodes(bytes, &codes, &error))
            result_->actionScript3 = CarriesActionScript3(codes);
        if (!movie::ParseMovie(bytes.data(), bytes.size(), &movie_, &error)) {
            Fail("", "load error: " + error);
            return false;
        }
        return true;
    }

    void Compare(const movie::Player& player, movie::Renderer& renderer, const PendingPicture& p) {
        movie::RenderOptions options;
        options.width = p.expected.width;
        options.height = p.expected.height;
        options.quality = case_.quality;
        player.ApplyStageLayout(&options);
        movie::Canvas canvas;
        std::string error;
        if (!renderer.Render(player, options, &canvas, &error)) {
            Fail(p.comparison->name, "render error: " + error);
            return;
        }
        Save(canvas, p.comparison->name);
        const Picture actual = Unpremultiplied(canvas);
        const ComparisonVerdict v =
            Judge(ComparePictures(p.expected, actual), p.comparison->checks, p.expected, actual);
        result_->suitePass = result_->suitePass && v.suitePass;
        result_->ourPass = result_->ourPass && v.ourPass;
        if (!v.reason.empty() && result_->reason.empty())
            result_->reason = p.comparison->name + ": " + v.reason;
    }

    void Save(const movie::Canvas& canvas, const std::string& picture) {
        if (settings_.saveFolder.empty())
            return;
        std::string flat = case_.name;
        std::replace(flat.begin(), flat.end(), '/', '-');
        movie::WritePng(
            canvas, (fs::path(settings_.saveFolder) / (flat + "-" + picture + ".png")).string());
    }

    const SuiteCase& case_;
    const RunSettings& settings_;
    CaseResult* result_;
    movie::Movie movie_;
};

// A trace test: the movie played for its frames with a fixed clock and seed,
// what it traces compared with output.txt.
void TraceRun(const SuiteCase& c, CaseResult* result) {
    UseTraceZone();
    std::string expected;
    if (!ReadTextFile((fs::path(c.folder) / "output.txt").string(), &expected)) {
        result->reason = "output.txt cannot be read";
        return;
    }
    std::vector<uint8_t> bytes;
    if (!ReadBytes((fs::path(c.folder) / "test.swf").string(), &bytes)) {
        result->reason = "load error: test.swf cannot be read";
        return;
    }
    std::set<uint16_t> codes;
    std::string error;
    if (ScanTagCodes(bytes, &codes, &error))
        result->actionScript3 = CarriesActionScript3(codes);
    movie::Movie m;
    if (!movie::ParseMovie(bytes.data(), bytes.size(), &m, &error)) {
        result->reason = "load error: " + error;
        return;
    }
    InputReplay input;
    if (!input.Load(c.folder, InputScale(c, m), &error)) {
        result->reason = error;
        return;
    }
    std::string log;
    movie::ScriptOptions scripts;
    scripts.trace = [&log](const std::string& line) {
        // Flash's log ends a line at each carriage return a traced string holds.
        std::string shown = line;
        std::replace(shown.begin(), shown.end(), '\r', '\n');
        if (log.size() < kMaxMovieFileBytes)
            log += shown + "\n";
    };
    scripts.clockMs = kTraceClockMs;
    scripts.folder = c.folder;
    scripts.seeded = true;
    scripts.stage = ViewOf(c, m);
    {
        movie::Player player(m, scripts);
        input.UntilWait(player);
        for (uint32_t frame = 2; frame <= c.frames; ++frame) {
            player.Advance();
            input.UntilWait(player);
        }
    }
    result->reason = CompareTrace(expected, log, c.margin);
    result->suitePass = result->ourPass = result->reason.empty();
}

bool HasExpectedPicture(const std::string& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string file = it->path().filename().string();
        const std::string suffix = ".expected.png";
        if (file.size() > suffix.size() &&
            file.compare(file.size() - suffix.size(), suffix.size(), suffix) == 0)
            return true;
    }
    return false;
}

} // namespace

CaseResult RunSuiteCase(const std::string& root, const std::string& name,
                        const RunSettings& settings) {
    CaseResult result;
    result.name = name;
    SuiteCase c;
    std::string error;
    if (!LoadSuiteCase(root, name, &c, &error)) {
        // A test.toml we cannot read still names a test; with pictures beside
        // it, it counts as a failed image test rather than vanishing.
        result.kind = HasExpectedPicture(c.folder) ? CaseKind::Image : CaseKind::Other;
        result.run = result.kind == CaseKind::Image;
        result.reason = error;
        return result;
    }
    result.knownFailure = c.knownFailure;
    if (!c.images.empty()) {
        result.kind = CaseKind::Image;
        result.run = true;
        ImageRun(c, settings, &result).Run();
    } else if (c.hasTrace) {
        result.kind = CaseKind::Trace;
        result.run = true;
        TraceRun(c, &result);
    }
    return result;
}

} // namespace ww::conformance
