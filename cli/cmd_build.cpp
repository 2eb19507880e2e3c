// build-wallpaper and build-installer: the Build page's two commands for
// scripts; the build commands refuse what the pages refuse.
#include "builder/package/build_commands.h"
#include "builder/project/project_file.h"
#include "builder/project/workspace.h"
#include "cli/commands.h"
#include "common/fs.h"

#include <cstdio>
#include <memory>
#include <string>

namespace ww::cli {

namespace {

struct BuildOptions {
    std::string project;
    std::string output;
    std::string builderFolder;
};

// The window shows the movie's messages beside the movie's box; a script's
// log needs its name after them.
void PrintMessages(const UserMessages& messages, const std::string& movie = std::string()) {
    for (const UserMessage& m : messages) {
        const bool aboutMovie = m.text == "Non-standard SWF file!" || m.text == "Invalid file name";
        if (aboutMovie && !movie.empty())
            std::fprintf(stderr, "%s \"%s\"\n", m.text.c_str(), movie.c_str());
        else
            std::fprintf(stderr, "%s\n", m.text.c_str());
    }
}

// Files the builds read from the builder folder.
bool CheckBuilderFolder(const Workspace& workspace) {
    for (const std::string& name : Workspace::BuildInputFiles()) {
        if (!FileExists(workspace.BuilderFile(name))) {
            Fail("The builder folder " + workspace.BuilderFolder() + " lacks " + name +
                 " (use --builder-folder to name the folder that holds the Wallweaver programs)");
            return false;
        }
    }
    return true;
}

void RunBuild(const BuildOptions& options, OutputKind kind) {
    WallpaperProject project;
    if (!LoadProjectFile(options.project, &project)) {
        Fail("Cannot open the project file " + options.project);
        return;
    }
    std::string& output = kind == OutputKind::ProjectableWallpaper
                              ? project.WovenliteFilename
                              : project.InstallerPackageFilename;
    if (!options.output.empty())
        output = options.output;
    PrintMessages(IconWarning(project, kind)); // a warning only: the build goes on
    Workspace workspace(options.builderFolder.empty() ? GetBuilderFolder() : options.builderFolder);
    if (!CheckBuilderFolder(workspace))
        return;
    // A folder of this run's own, so that builds running side by side never
    // pack each other's page and the builder folder may be read-only.
    PrivateScratch scratch;
    if (!scratch.ok()) {
        Fail("Cannot make a scratch folder in " + UserTempFolder());
        return;
    }
    workspace.SetScratchRoot(scratch.path());
    BuildOutcome outcome = kind == OutputKind::ProjectableWallpaper
                               ? BuildProjectableWallpaper(project, workspace)
                               : BuildInstallerPackage(project, workspace);
    if (!outcome.built) {
        PrintMessages(outcome.messages, project.SwfFilename);
        // A refusal's messages say it all; a failure also says what failed.
        const bool failed =
            outcome.status == BuildStatus::Failed || outcome.status == BuildStatus::PageFailed;
        if (failed && !outcome.reason.empty())
            std::fprintf(stderr, "(%s)\n", outcome.reason.c_str());
        SetExitStatus(1);
        return;
    }
    std::printf("built %s\n", outcome.outputPath.c_str());
}

void AddBuildCommand(CLI::App& app, const char* name, const char* help, OutputKind kind) {
    auto options = std::make_shared<BuildOptions>();
    CLI::App* cmd = app.add_subcommand(name, help);
    cmd->add_option("project", options->project, "the project file (.sdf)")->required();
    cmd->add_option("--output", options->output,
                    "the executable to build (default: the path the project names)");
    cmd->add_option("--builder-folder", options->builderFolder,
                    "the folder holding res.sdt, the stubs and Resource/ (default: this "
                    "program's folder)");
    cmd->callback([options, kind]() { RunBuild(*options, kind); });
}

void RegisterBuildCommands(CLI::App& app) {
    AddBuildCommand(app, "build-wallpaper",
                    "Build the projectable wallpaper (Wovenlite with a simple package)",
                    OutputKind::ProjectableWallpaper);
    AddBuildCommand(app, "build-installer",
                    "Build the installer package (Wovenset with a setup package)",
                    OutputKind::InstallerPackage);
}

CommandRegistrar registrar(&RegisterBuildCommands);

} // namespace

} // namespace ww::cli
