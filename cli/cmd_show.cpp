// show: a project file as the builder reads it, one key a line.
#include "builder/project/project_file.h"
#include "builder/project/workspace.h"
#include "cli/commands.h"

#include <cstdio>
#include <memory>

namespace ww::cli {

namespace {

void Show(const std::string& path) {
    WallpaperProject project;
    if (!FileExists(path) || !LoadProjectFile(path, &project)) {
        Fail("Cannot open the project file " + path);
        return;
    }
    for (const auto& [key, value] : ProjectFileEntries(project))
        std::printf("%s=%s\n", key.c_str(), value.c_str());
}

void RegisterShowCommand(CLI::App& app) {
    auto path = std::make_shared<std::string>();
    CLI::App* cmd = app.add_subcommand("show", "Print a project file's settings as read");
    cmd->add_option("project", *path, "the project file (.sdf)")->required();
    cmd->callback([path]() { Show(*path); });
}

CommandRegistrar registrar(&RegisterShowCommand);

} // namespace

} // namespace ww::cli
