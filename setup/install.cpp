#include "setup/install.h"

#include "common/file.h"
#include "common/fs.h"
#include "common/win32/folders.h"
#include "common/win32/live_wallpaper.h"
#include "common/win32/shortcuts.h"

#include <shellapi.h>

#include <vector>

namespace ww::setup {

Installation::Installation(const SetupPackageReader& package)
    : package_(package), destination_(WallpaperFolder() + package.trailer().wallpaperName) {
    for (int slot = 1; slot <= kSetupSlotCount; ++slot)
        captions_[static_cast<size_t>(slot - 1)] = package.trailer().slot(slot).name;
    captions_[7] = package.trailer().wallpaperName;
    captions_[9] = destination_ + "\\";
}

bool Installation::PrepareDestination() const {
    EnsureWallpaperFolder();
    return IsValidExistingFolder(destination_) ||
           CreateDirectoryA(destination_.c_str(), nullptr) != 0;
}

bool Installation::Extract(const SetupPackageReader::Progress& progress) {
    playerPath_.clear();
    if (!package_.ExtractAll(destination_, progress))
        return false;
    playerPath_ = destination_ + "\\" + package_.trailer().slot(kSlotPlayer).name;
    return true;
}

void Installation::Finish(const InstallTasks& tasks, HWND owner) const {
    // Without an installed player there is nothing to point at or start.
    if (playerPath_.empty())
        return;
    if (tasks.desktopIcon)
        CreateDesktopShortcut(playerPath_);
    if (tasks.quickLaunchIcon)
        CreateQuickLaunchShortcut(playerPath_);
    // Where a page cannot be the wallpaper, the player plays the movie
    // behind the icons, from now on and at each logon.
    if (!HasHtmlWallpaper())
        StartLiveWallpaper(playerPath_);
    if (tasks.launch)
        ShellExecuteA(owner, "open", playerPath_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

namespace {

// The files a step of the extraction has just written: each of steps 3 to 9
// one fixed file (the page beside the folder), step 10 the extra files.
std::vector<std::string> FilesOfStep(const SetupPackageReader& package,
                                     const std::string& destination, int step) {
    const std::string folder = destination + "\\";
    if (step >= 3 && step <= 2 + kSetupSlotCount) {
        const int slot = step - 2;
        const std::string& into = slot == kSlotPage ? WallpaperFolder() : folder;
        return {into + package.trailer().slot(slot).name};
    }
    std::vector<std::string> files;
    if (step == kInstallStepCount) {
        for (const PackageEntry& extra : package.entries())
            files.push_back(folder + extra.name);
    }
    return files;
}

} // namespace

int InstallSilently(const std::string& exePath, const InstallOptions& options) {
    File log;
    if (!options.logFile.empty() && !log.Open(options.logFile, "wb"))
        return kCannotWriteLog;
    SetupPackageReader package;
    if (!package.Open(exePath))
        return RefusedPackageExitCode(package.error());
    Installation installation(package);
    if (!installation.PrepareDestination())
        return kNoDestination;
    const bool extracted = installation.Extract([&](int step) {
        for (const std::string& file : FilesOfStep(package, installation.destination(), step)) {
            const std::string line = file + "\r\n";
            if (log.IsOpen())
                log.Write(line.data(), line.size());
        }
    });
    if (!extracted)
        return kCannotWrite;
    InstallTasks tasks;
    tasks.launch = false; // the player is a window; an unattended install shows none
    installation.Finish(tasks, nullptr);
    return kInstalled;
}

} // namespace ww::setup
