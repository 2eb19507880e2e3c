// The two build commands: the projectable wallpaper (Wovenlite with a simple
// package) and the installer package (Wovenset with a setup package). They
// answer what happened; the builder window turns that into message boxes and
// the command-line builder into lines on standard error.
#pragma once

#include "builder/project/project.h"
#include "builder/project/workspace.h"

#include <string>

namespace ww {

struct BuildOutcome {
    BuildStatus status = BuildStatus::Failed;
    bool built = false; // status == BuildStatus::Built
    std::string outputPath;
    // What the author is told, in order: the rules the project breaks,
    // "Failed to build HTML File!", or the build failure message.
    UserMessages messages;
    // Why a writer failed, in plain words, for the command line.
    std::string reason;
    // status == BuildStatus::ReadmeRefused: the Installer page is to be
    // brought up.
    bool showInstallerPage = false;
};

// Both first run ValidateForBuild and write nothing when it refuses.
BuildOutcome BuildProjectableWallpaper(const WallpaperProject& project, const Workspace& workspace);
BuildOutcome BuildInstallerPackage(const WallpaperProject& project, const Workspace& workspace);

// "Failed to build PATH! Please check again!"
std::string BuildFailureMessage(const std::string& outputPath);
// The result dialog's question after a successful build.
std::string BuildSuccessQuestion(const std::string& outputPath);

} // namespace ww
