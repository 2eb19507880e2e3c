// shipped-files: the files a builder folder must hold, one a line, in the
// order the builder tests them at start-up; the dist script copies these.
#include "builder/project/workspace.h"
#include "cli/commands.h"

#include <cstdio>

namespace ww::cli {

namespace {

void RegisterShippedFilesCommand(CLI::App& app) {
    CLI::App* cmd =
        app.add_subcommand("shipped-files", "List the files a builder folder must hold");
    cmd->callback([]() {
        for (int i = 0; i < Workspace::kRequiredFileCount; ++i)
            std::printf("%s\n", Workspace::RequiredFile(i).c_str());
    });
}

CommandRegistrar registrar(&RegisterShippedFilesCommand);

} // namespace

} // namespace ww::cli
