#include "cli/commands.h"

namespace ww::cli {

namespace {
int gExitStatus = 0;
}

int ExitStatus() {
    return gExitStatus;
}
void SetExitStatus(int status) {
    gExitStatus = status;
}

void RegisterCommands(CLI::App& app) {
    (void)app;
}

} // namespace ww::cli
