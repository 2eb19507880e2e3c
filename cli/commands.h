// The subcommands of wallweaver-cli. Each registers its options and a callback
// that leaves its exit status for main to return.
#pragma once

#include <CLI/CLI.hpp>

namespace ww::cli {

void RegisterCommands(CLI::App& app);
int ExitStatus();
void SetExitStatus(int status);

} // namespace ww::cli
