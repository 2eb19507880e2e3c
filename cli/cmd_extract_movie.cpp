// wallweaver-cli extract-movie PROJECTOR.exe OUTPUT.swf: the movie inside a
// Flash projector, copied out into a file of its own.
#include "swf/projector.h"
#include "cli/commands.h"
#include "common/file.h"

#include <memory>
#include <string>

namespace ww::cli {

namespace {

struct ExtractOptions {
    std::string projectorPath;
    std::string outputPath;
};

void RunExtractMovie(const ExtractOptions& options) {
    if (!File(options.projectorPath, "rb").IsOpen()) {
        Fail("Cannot open the projector " + options.projectorPath);
        return;
    }
    if (!IsProjector(options.projectorPath)) {
        Fail("No Flash projector movie in " + options.projectorPath);
        return;
    }
    if (!ExtractProjectorMovie(options.projectorPath, options.outputPath))
        Fail("Cannot write the movie " + options.outputPath);
}

void RegisterExtractMovieCommand(CLI::App& app) {
    auto options = std::make_shared<ExtractOptions>();
    CLI::App* extract = app.add_subcommand(
        "extract-movie", "Copy the movie out of a Flash projector into a .swf file");
    extract->add_option("projector", options->projectorPath, "Flash projector (.exe)")->required();
    extract->add_option("output", options->outputPath, "movie to write (.swf)")->required();
    extract->callback([options]() { RunExtractMovie(*options); });
}

CommandRegistrar reg(&RegisterExtractMovieCommand);

} // namespace

} // namespace ww::cli
