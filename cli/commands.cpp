#include "cli/commands.h"

#include <cstdio>
#include <vector>

namespace ww::cli {

namespace {

int gExitStatus = 0;

std::vector<RegisterFn>& Registered() {
    static std::vector<RegisterFn> fns;
    return fns;
}

} // namespace

CommandRegistrar::CommandRegistrar(RegisterFn fn) {
    Registered().push_back(fn);
}

void RegisterCommands(CLI::App& app) {
    for (RegisterFn fn : Registered())
        fn(app);
}

int ExitStatus() {
    return gExitStatus;
}
void SetExitStatus(int status) {
    gExitStatus = status;
}

void Fail(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    gExitStatus = 1;
}

} // namespace ww::cli
