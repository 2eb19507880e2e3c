// wallweaver-cli render MOVIE OUT.png: one frame of a movie (or of the movie
// in a projector) drawn by our own renderer and written as a PNG; with
// --frames A-B --out-dir DIR, every frame from A to B, as DIR/OUT-NNNN.png.
//
// Frame N is what a player shows after playing N - 1 frames from the start,
// actions and looping sprites included.
#include "builder/project/project.h"
#include "swf/swf_reader.h"
#include "cli/commands.h"
#include "common/file.h"
#include "common/fs.h"
#include "common/path.h"
#include "movie/movie.h"
#include "movie/player.h"
#include "movie/render.h"
#include "movie/wallpaper_page.h"

#include <cstdio>
#include <memory>
#include <string>

namespace ww::cli {

namespace {

// Frames past this many are not played to, so that a typing slip does not
// keep the command busy for hours.
constexpr long kMaxFrameNumber = 100000;

struct RenderCommandOptions {
    std::string moviePath;
    std::string outputPath;
    long frame = 1;
    std::string frames;
    std::string outDir;
    int width = 0, height = 0;
    std::string scale = "showall";
    std::string quality = "high";
    std::string background;
    double clock = -1; // milliseconds since 1970 scripts start from; negative: now
};

bool IsRecognisedMovie(const std::string& path) {
    return IsStandardMovie(path, SwfMovieTests());
}

bool ParseRange(const std::string& text, long* first, long* last) {
    const size_t dash = text.find('-');
    if (dash == std::string::npos || dash == 0 || dash + 1 == text.size())
        return false;
    try {
        size_t used = 0;
        *first = std::stol(text.substr(0, dash), &used);
        if (used != dash)
            return false;
        *last = std::stol(text.substr(dash + 1), &used);
        if (used != text.size() - dash - 1)
            return false;
    } catch (...) {
        return false;
    }
    return *first >= 1 && *last >= *first && *last <= kMaxFrameNumber;
}

// DIR/OUT-NNNN.png for frame N of a range.
std::string FramePath(const RenderCommandOptions& o, long frame) {
    const size_t cut = LastSeparator(o.outputPath);
    std::string name = cut == std::string::npos ? o.outputPath : o.outputPath.substr(cut + 1);
    if (HasEnding(name, ".png"))
        name.resize(name.size() - 4);
    char number[16];
    std::snprintf(number, sizeof number, "-%04ld.png", frame);
    return JoinPath(o.outDir, name + number);
}

bool ReadOptions(const RenderCommandOptions& o, movie::RenderOptions* render, long* first,
                 long* last) {
    render->width = o.width;
    render->height = o.height;
    if (!movie::ParseScaleMode(o.scale, &render->scale)) {
        Fail("Unknown scale " + o.scale + ": use showall, noborder, exactfit or noscale");
        return false;
    }
    if (!movie::ParseQuality(o.quality, &render->quality)) {
        Fail("Unknown quality " + o.quality + ": use low, autolow, autohigh, medium, high or best");
        return false;
    }
    if (!o.background.empty()) {
        if (!movie::ParseHtmlColor(o.background, &render->background)) {
            Fail("Bad background colour " + o.background + ": use #RRGGBB");
            return false;
        }
        render->overrideBackground = true;
    }
    if (o.frames.empty()) {
        if (o.frame < 1 || o.frame > kMaxFrameNumber) {
            Fail("Bad frame number " + std::to_string(o.frame) + ": frames count from 1 to " +
                 std::to_string(kMaxFrameNumber));
            return false;
        }
        *first = *last = o.frame;
        return true;
    }
    if (!ParseRange(o.frames, first, last)) {
        Fail("Bad frame range " + o.frames +
             ": use A-B with 1 <= A <= B <= " + std::to_string(kMaxFrameNumber));
        return false;
    }
    if (o.outDir.empty()) {
        Fail("A frame range needs --out-dir");
        return false;
    }
    if (!IsExistingFolder(o.outDir) && !CreateFolder(o.outDir)) {
        Fail("Cannot create the folder " + o.outDir);
        return false;
    }
    return true;
}

void RunRender(const RenderCommandOptions& o) {
    if (IsExistingFolder(o.moviePath)) {
        Fail("Cannot read the movie " + o.moviePath + ": it is a folder");
        return;
    }
    if (!File(o.moviePath, "rb").IsOpen()) {
        Fail("Cannot open the movie file " + o.moviePath);
        return;
    }
    if (!IsRecognisedMovie(o.moviePath)) {
        Fail("Non-standard SWF file! \"" + o.moviePath + "\"");
        return;
    }
    movie::RenderOptions render;
    long first = 1, last = 1;
    if (!ReadOptions(o, &render, &first, &last))
        return;
    movie::Movie m;
    std::string error;
    if (!movie::LoadMovie(o.moviePath, &m, &error)) {
        Fail("Cannot read the movie " + o.moviePath + ": " + error);
        return;
    }
    movie::ScriptOptions scripts;
    scripts.clockMs = o.clock;
    // Scripts see the picture as the area they are shown in.
    if (!movie::OutputSize(m, render, &scripts.stage.width, &scripts.stage.height, &error)) {
        Fail("Cannot render the movie " + o.moviePath + ": " + error);
        return;
    }
    scripts.stage.scale = render.scale;
    scripts.stage.align = render.align;
    movie::Player player(m, scripts);
    movie::Renderer renderer(m);
    movie::Canvas canvas;
    bool warned = false; // once a movie
    for (long frame = 1; frame <= last; ++frame) {
        if (frame > 1)
            player.Advance();
        if (frame < first)
            continue;
        movie::RenderOptions shown = render;
        player.ApplyStageLayout(&shown);
        if (!renderer.Render(player, shown, &canvas, &error)) {
            Fail("Cannot render the movie " + o.moviePath + ": " + error);
            return;
        }
        const std::string path = o.frames.empty() ? o.outputPath : FramePath(o, frame);
        if (!movie::WritePng(canvas, path)) {
            Fail("Cannot write the image " + path);
            return;
        }
        std::printf("frame %ld: %s (%d x %d)\n", frame, path.c_str(), canvas.width, canvas.height);
        if (renderer.frameCut() && !warned) {
            std::fprintf(stderr,
                         "warning: frame %ld of %s takes more drawing work than a frame may; it "
                         "is drawn without the rest of its objects\n",
                         frame, o.moviePath.c_str());
            warned = true;
        } else if (renderer.skippedObjects() > 0 && !warned) {
            std::fprintf(stderr,
                         "warning: frame %ld of %s needs more memory to draw than the movie's "
                         "cap leaves; it is drawn without %u of its objects\n",
                         frame, o.moviePath.c_str(), renderer.skippedObjects());
            warned = true;
        }
    }
}

void RegisterRenderCommand(CLI::App& app) {
    auto o = std::make_shared<RenderCommandOptions>();
    CLI::App* render = app.add_subcommand(
        "render", "Draw a frame of a movie (.swf, plain or compressed, or a Flash projector "
                  "(.exe)) into a PNG image");
    render->add_option("movie", o->moviePath, "movie or projector")->required();
    render->add_option("output", o->outputPath, "PNG image to write")->required();
    CLI::Option* frame = render->add_option("--frame", o->frame, "frame to draw, from 1");
    CLI::Option* frames =
        render->add_option("--frames", o->frames, "frames A-B, each to DIR/OUTPUT-NNNN.png");
    frame->excludes(frames);
    render->add_option("--out-dir", o->outDir, "folder for the frames of --frames");
    render->add_option("--width", o->width, "image width in pixels (default: the stage's)");
    render->add_option("--height", o->height, "image height in pixels (default: the stage's)");
    render->add_option("--clock", o->clock,
                       "milliseconds since 1970 the movie's clock starts at (default: now)");
    render->add_option("--scale", o->scale, "showall (default), noborder, exactfit or noscale");
    render->add_option("--quality", o->quality,
                       "low or autolow (no anti-aliasing), autohigh, medium, high (default), or "
                       "best (every bitmap smoothed)");
    render->add_option("--background", o->background,
                       "background colour #RRGGBB (default: the movie's)");
    render->callback([o]() { RunRender(*o); });
}

CommandRegistrar reg(&RegisterRenderCommand);

} // namespace

} // namespace ww::cli
