// wallweaver-cli info MOVIE: the header values the builder reads from a movie
// or a projector, one per line, then what the renderer leaves out, and the
// first frames that go past a frame's drawing budgets.
#include "builder/project/project.h"
#include "swf/swf_reader.h"
#include "cli/commands.h"
#include "common/file.h"
#include "common/fs.h"
#include "common/path.h"
#include "movie/movie.h"
#include "movie/player.h"
#include "movie/render.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

namespace ww::cli {

namespace {

// The builder's recognition: a ".swf" by its signature, a ".exe" by its
// projector trailer, nothing else.
bool IsRecognisedMovie(const std::string& path) {
    return IsStandardMovie(path, SwfMovieTests());
}

// Frames drawn to find a budget passed: a hostile movie shows itself at once,
// and a normal one costs a few quick frames.
constexpr int kBudgetFrames = 3;

std::string MiB(uint64_t bytes) {
    return std::to_string(bytes >> 20) + " MiB";
}

// The stage's own size, or one that fits the largest picture.
bool BudgetPictureSize(const movie::Movie& m, movie::RenderOptions* options, int* w, int* h) {
    std::string error;
    if (movie::OutputSize(m, *options, w, h, &error))
        return true;
    options->width = 4096;
    return movie::OutputSize(m, *options, w, h, &error);
}

// Says which of the first frames go past the work or the memory a frame may
// take, and what those caps are; nothing for a movie within both.
void PrintBudgets(const movie::Movie& m) {
    movie::RenderOptions options;
    int w = 0, h = 0;
    if (!BudgetPictureSize(m, &options, &w, &h))
        return;
    movie::Player player(m);
    movie::Renderer renderer(m);
    movie::Canvas canvas;
    const int frames = static_cast<int>(std::min<size_t>(kBudgetFrames, m.root.frames.size()));
    const std::string size = std::to_string(w) + " x " + std::to_string(h);
    for (int frame = 1; frame <= std::max(frames, 1); ++frame) {
        if (frame > 1)
            player.Advance();
        std::string error;
        const bool drawn = renderer.Render(player, options, &canvas, &error);
        const std::string memory = "drawing may hold " + MiB(renderer.drawingBudget().limit()) +
                                   ", the movie's " + MiB(movie::kMovieMemoryCap) +
                                   " cap less the " + MiB(m.memoryUsed) + " it holds";
        if (!drawn) {
            std::printf("over budget: frame %d cannot be drawn at %s: %s (%s)\n", frame,
                        size.c_str(), error.c_str(), memory.c_str());
            return;
        }
        const bool overWork = renderer.frameCut(), overMemory = renderer.skippedObjects() > 0;
        if (overWork)
            std::printf("over budget: frame %d at %s takes more than the %llu units of drawing "
                        "work a frame of that size may; it is drawn without the rest of its "
                        "objects\n",
                        frame, size.c_str(),
                        static_cast<unsigned long long>(movie::kFrameWorkFloor +
                                                        movie::kFrameWorkPerPixel * uint64_t(w) *
                                                            uint64_t(h)));
        if (overMemory)
            std::printf("over budget: frame %d at %s leaves out %u objects for memory (%s)\n",
                        frame, size.c_str(), renderer.skippedObjects(), memory.c_str());
        if (overWork || overMemory)
            return;
    }
}

void RunInfo(const std::string& path) {
    if (IsExistingFolder(path)) {
        Fail("Cannot read the movie " + path + ": it is a folder");
        return;
    }
    // A pipe or a device would block the read.
    if (!IsRegularFile(path) || !File(path, "rb").IsOpen()) {
        Fail("Cannot open the movie file " + path);
        return;
    }
    if (!IsRecognisedMovie(path)) {
        Fail("Non-standard SWF file!");
        return;
    }
    const SwfMovieInfo info = ReadSwfMovieInfo(path);
    // The builder takes the all-zero record of a movie it cannot read; here
    // that is a failure, not a movie of zeros.
    if (info == SwfMovieInfo()) {
        Fail("Cannot read the movie " + path + ": it is cut short or damaged");
        return;
    }
    std::printf("version: %u\nfile length: %u\nwidth: %d\nheight: %d\nframe rate: %u\n"
                "frame count: %u\n",
                static_cast<unsigned>(info.version), static_cast<unsigned>(info.fileLength),
                static_cast<int>(info.width), static_cast<int>(info.height),
                static_cast<unsigned>(info.frameRate), static_cast<unsigned>(info.frameCount));
    // What the renderer would leave out of the picture.
    movie::Movie parsed;
    std::string error;
    if (movie::LoadMovie(path, &parsed, &error)) {
        std::printf("not drawn: %s\n", movie::UnsupportedTagList(parsed).c_str());
        PrintBudgets(parsed);
    } else
        std::printf("not drawn: the tags cannot be read (%s)\n", error.c_str());
}

void RegisterInfoCommand(CLI::App& app) {
    auto path = std::make_shared<std::string>();
    CLI::App* info = app.add_subcommand(
        "info", "Print the version, length, stage size in pixels, frame rate and frame count "
                "of a movie (.swf, plain or compressed) or of the movie in a Flash projector "
                "(.exe)");
    info->add_option("movie", *path, "movie or projector")->required();
    info->callback([path]() { RunInfo(*path); });
}

CommandRegistrar reg(&RegisterInfoCommand);

} // namespace

} // namespace ww::cli
