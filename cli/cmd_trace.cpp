// wallweaver-cli trace MOVIE [--frames N] [--clock MS] [--seed N]: plays a
// movie headless and prints what its scripts trace, one line per trace()
// call exactly as Flash's trace log has it, and nothing else, on standard
// output. Warnings (a script stopped for its action budget, a refused network
// request) go to standard error.
//
// --frames N plays N frames (the first is entered when the movie starts);
// the default is the movie's own frame count. --clock fixes the time Date and
// getTimer start from (milliseconds since 1970) and --seed the sequence of
// Math.random, so that a run repeats exactly.
#include "cli/commands.h"
#include "common/file.h"
#include "common/fs.h"
#include "movie/movie.h"
#include "movie/player.h"

#include <cstdio>
#include <memory>
#include <string>

namespace ww::cli {

namespace {

constexpr long kMaxTraceFrames = 1000000;

struct TraceCommandOptions {
    std::string moviePath;
    long frames = 0;
    double clock = -1;
    long long seed = -1;
};

void RunTrace(const TraceCommandOptions& o) {
    if (IsExistingFolder(o.moviePath)) {
        Fail("Cannot read the movie " + o.moviePath + ": it is a folder");
        return;
    }
    if (o.frames < 0 || o.frames > kMaxTraceFrames) {
        Fail("Bad frame count " + std::to_string(o.frames) + ": play 1 to " +
             std::to_string(kMaxTraceFrames) + " frames");
        return;
    }
    movie::Movie m;
    std::string error;
    if (!movie::LoadMovie(o.moviePath, &m, &error)) {
        Fail("Cannot read the movie " + o.moviePath + ": " + error);
        return;
    }
    movie::ScriptOptions scripts;
    scripts.trace = [](const std::string& line) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
    };
    scripts.clockMs = o.clock;
    if (o.seed >= 0) {
        scripts.seed = static_cast<uint32_t>(o.seed);
        scripts.seeded = true;
    }
    const long frames = o.frames ? o.frames : std::max<long>(1, m.root.frames.size());
    movie::Player player(m, scripts);
    for (long frame = 2; frame <= frames; ++frame)
        player.Advance();
    std::fflush(stdout);
    for (const std::string& warning : player.scriptWarnings())
        std::fprintf(stderr, "warning: %s\n", warning.c_str());
}

void RegisterTraceCommand(CLI::App& app) {
    auto o = std::make_shared<TraceCommandOptions>();
    CLI::App* trace = app.add_subcommand(
        "trace", "Play a movie without drawing it and print what its scripts trace");
    trace->add_option("movie", o->moviePath, "movie or projector")->required();
    trace->add_option("--frames", o->frames, "frames to play (default: the movie's count)");
    trace->add_option("--clock", o->clock, "milliseconds since 1970 the clock starts at");
    trace->add_option("--seed", o->seed, "seed of Math.random");
    trace->callback([o]() { RunTrace(*o); });
}

CommandRegistrar reg(&RegisterTraceCommand);

} // namespace

} // namespace ww::cli
