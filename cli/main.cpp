// wallweaver-cli: the builder's core without a window, for scripts.
#include "cli/commands.h"

#include <CLI/CLI.hpp>

#include <cstdio>

int main(int argc, char** argv) {
    CLI::App app{"Wallweaver command-line builder: turns a Flash movie into an Active Desktop "
                 "wallpaper and builds its installers.",
                 "wallweaver-cli"};
    app.set_version_flag("--version", std::string("wallweaver-cli ") + WW_VERSION);
    app.require_subcommand(0, 1);
    ww::cli::RegisterCommands(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and --version succeed; every usage error is a failure like any
        // other, status 1.
        return app.exit(e) == 0 ? 0 : 1;
    }
    if (app.get_subcommands().empty()) {
        std::fputs(app.help().c_str(), stdout);
        return 0;
    }
    return ww::cli::ExitStatus();
}
