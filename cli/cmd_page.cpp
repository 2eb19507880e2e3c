// wallweaver-cli page PROJECT.sdf OUTPUT.htm [--absolute]: the wallpaper page
// of a project, from the template beside the program.
#include "builder/page/page_generator.h"
#include "builder/project/project_file.h"
#include "builder/project/workspace.h"
#include "cli/commands.h"

#include <memory>
#include <string>

namespace ww::cli {

namespace {

struct PageOptions {
    std::string projectPath;
    std::string outputPath;
    bool absolute = false;
};

void RunPage(const PageOptions& options) {
    WallpaperProject project;
    if (!LoadProjectFile(options.projectPath, &project)) {
        Fail("Cannot open the project file " + options.projectPath);
        return;
    }
    Workspace workspace(GetBuilderFolder());
    const std::string pageTemplate = workspace.BuilderFile("res.sdt");
    if (!FileExists(pageTemplate)) {
        Fail("Failed to build HTML File! The page template " + pageTemplate + " is missing.");
        return;
    }
    if (!GenerateWallpaperPage(project, workspace, options.outputPath, options.absolute))
        Fail("Failed to build HTML File! Cannot write " + options.outputPath);
}

void RegisterPageCommand(CLI::App& app) {
    auto options = std::make_shared<PageOptions>();
    CLI::App* page = app.add_subcommand(
        "page", "Write the wallpaper page of a project (relative to a folder named after the "
                "wallpaper, as the installers lay it out, or with --absolute full paths)");
    page->add_option("project", options->projectPath, "project file (.sdf)")->required();
    page->add_option("output", options->outputPath, "page to write (.htm)")->required();
    page->add_flag("--absolute", options->absolute,
                   "refer to the movie and images by their full paths, as the preview does");
    page->callback([options]() { RunPage(*options); });
}

CommandRegistrar reg(&RegisterPageCommand);

} // namespace

} // namespace ww::cli
