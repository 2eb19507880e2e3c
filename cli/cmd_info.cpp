// wallweaver-cli info MOVIE: the header values the builder reads from a movie
// or a projector, one per line.
#include "builder/project/project.h"
#include "swf/swf_reader.h"
#include "cli/commands.h"
#include "common/file.h"
#include "common/fs.h"
#include "common/path.h"
#include "movie/movie.h"

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
    if (movie::LoadMovie(path, &parsed, &error))
        std::printf("not drawn: %s\n", movie::UnsupportedTagList(parsed).c_str());
    else
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
