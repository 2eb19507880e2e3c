// The subcommands of wallweaver-cli. Each cmd_*.cpp registers its own through
// a CommandRegistrar, so adding a command touches no other file; a command's
// callback leaves its exit status for main to return.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace ww::cli {

using RegisterFn = void (*)(CLI::App& app);

struct CommandRegistrar {
    explicit CommandRegistrar(RegisterFn fn);
};

void RegisterCommands(CLI::App& app);
int ExitStatus();
void SetExitStatus(int status);
// A failure: the message on standard error, exit status 1.
void Fail(const std::string& message);

} // namespace ww::cli
