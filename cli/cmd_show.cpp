// show: a project file as the builder reads it, one key a line.
#include "builder/project/project_file.h"
#include "builder/project/workspace.h"
#include "cli/commands.h"
#include "common/file.h"
#include "common/fs.h"

#include <cstdio>
#include <memory>

namespace ww::cli {

namespace {

// A byte order mark of UTF-16, which the builder's profile reading takes
// for a file without settings.
bool IsUtf16Text(const std::string& path) {
    File f(path, "rb");
    unsigned char mark[2] = {0, 0};
    return f.ReadExact(mark, 2) &&
           ((mark[0] == 0xFF && mark[1] == 0xFE) || (mark[0] == 0xFE && mark[1] == 0xFF));
}

void Show(const std::string& path) {
    WallpaperProject project;
    // A pipe or a device would block the read.
    if (!FileExists(path) || !IsRegularFile(path) || !LoadProjectFile(path, &project)) {
        Fail("Cannot open the project file " + path);
        return;
    }
    if (IsUtf16Text(path)) {
        Fail("Cannot read the project file " + path +
             ": it is UTF-16 text, which the builder reads as holding no settings");
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
