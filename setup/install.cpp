#include "setup/install.h"

#include "common/file.h"
#include "common/fs.h"
#include "common/win32/folders.h"
#include "common/win32/live_wallpaper.h"
#include "common/win32/shortcuts.h"
#include "common/win32/uninstall.h"
#include "common/path.h"

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

bool Installation::PrepareDestination() {
    // Web\, Web\Wallpaper\ and the wallpaper's folder.
    const std::vector<std::string> before = FoldersNotYetMade(destination_, 3);
    EnsureWallpaperFolder();
    const bool ready =
        IsValidExistingFolder(destination_) || CreateDirectoryA(destination_.c_str(), nullptr) != 0;
    AddFoldersMade(before, &madeFolders_);
    return ready;
}

bool Installation::Extract(const SetupPackageReader::Progress& progress) {
    playerPath_.clear();
    if (!package_.ExtractAll(destination_, progress))
        return false;
    playerPath_ = destination_ + "\\" + package_.trailer().slot(kSlotPlayer).name;
    // Removable from here on, even if the wizard never reaches Finish.
    RecordInstall({});
    return true;
}

void Installation::Finish(const InstallTasks& tasks, HWND owner) {
    // Without an installed player there is nothing to point at or start.
    if (playerPath_.empty())
        return;
    std::vector<std::string> shortcuts;
    const std::string linkName = ShortcutName(playerPath_) + ".lnk";
    if (tasks.desktopIcon && !DesktopFolder().empty()) {
        CreateDesktopShortcut(playerPath_);
        shortcuts.push_back(DesktopFolder() + linkName);
    }
    if (tasks.quickLaunchIcon && !QuickLaunchFolder().empty()) {
        // Microsoft\, Internet Explorer\ and Quick Launch\ under the profile.
        const std::vector<std::string> before = FoldersNotYetMade(QuickLaunchFolder(), 3);
        CreateQuickLaunchShortcut(playerPath_);
        AddFoldersMade(before, &madeFolders_);
        shortcuts.push_back(QuickLaunchFolder() + linkName);
    }
    RecordInstall(shortcuts);
    // Where a page cannot be the wallpaper, the player plays the movie
    // behind the icons, from now on and at each logon, when the user asks.
    if ((tasks.launch || tasks.liveWallpaper) && !HasHtmlWallpaper())
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

void Installation::RecordInstall(const std::vector<std::string>& shortcuts) {
    InstallRecord record;
    record.name = package_.trailer().wallpaperName;
    record.publisher = package_.trailer().publisherName;
    record.player = playerPath_;
    record.previousWallpaper = CurrentDesktopWallpaper();
    for (int step = 1; step <= kInstallStepCount; ++step) {
        for (const std::string& file : FilesOfStep(package_, destination_, step))
            record.files.push_back(file);
    }
    for (const std::string& link : shortcuts) {
        if (IsRegularFile(link))
            record.shortcuts.push_back(link);
    }
    record.folders = madeFolders_;
    const std::string path = destination_ + "\\" + kInstallRecordName;
    InstallRecord earlier;
    std::string error;
    if (ReadInstallRecord(path, &earlier, &error))
        MergeEarlierRecord(earlier, &record);
    if (WriteInstallRecord(path, record))
        RegisterUninstallEntry(record, playerPath_, playerPath_, destination_);
}

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
    tasks.liveWallpaper = options.wallpaper;
    installation.Finish(tasks, nullptr);
    return kInstalled;
}

} // namespace ww::setup
