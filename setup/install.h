// The install engine of Wovenset, with no window of its own: where the
// wallpaper goes, making its folders, extracting the package with progress,
// the shortcuts and the launch of the installed player. The wizard pages
// drive it step by step; an unattended install can drive it alone.
#pragma once

#include "common/install_options.h"
#include "common/package_reader.h"

#include <windows.h>

#include <array>
#include <string>
#include <vector>

namespace ww::setup {

// The ten steps of the extraction, as ExtractAll reports them.
constexpr int kInstallStepCount = 10;

// What the end user chose on the Tasks and Finished pages.
struct InstallTasks {
    bool desktopIcon = true;
    bool quickLaunchIcon = true;
    // The Finished page's Launch box: the player's window, and where no
    // page can be the wallpaper, the live wallpaper now and at each logon.
    bool launch = true;
    // The live wallpaper alone, for an unattended install that asks for it.
    bool liveWallpaper = false;
};

class Installation {
  public:
    // package: opened on the program's own file; it outlives this object.
    explicit Installation(const SetupPackageReader& package);

    // The wallpaper's folder under the Windows folder's Web\Wallpaper\,
    // without a trailing backslash.
    const std::string& destination() const { return destination_; }
    // The captions shown for each step: the seven files, the wallpaper's
    // name, nothing, and the destination folder.
    const std::array<std::string, kInstallStepCount>& captions() const { return captions_; }

    // Web\, Web\Wallpaper\ when the system lacks them, then the wallpaper's
    // own folder; false when that folder cannot be made.
    bool PrepareDestination();
    // Every file into place, reporting steps 1 to 10, then the install
    // record and the Uninstall entry; false when any file could not be
    // written.
    bool Extract(const SetupPackageReader::Progress& progress);
    // The installed player; empty until Extract has succeeded.
    const std::string& playerPath() const { return playerPath_; }
    // The shortcuts asked for, the install record and the Uninstall entry,
    // and the launch, for an installed player only; owner parents anything
    // the shell shows.
    void Finish(const InstallTasks& tasks, HWND owner);

  private:
    // What an uninstall removes: every file written, the shortcuts made, the
    // folders made, and the wallpaper shown before.
    void RecordInstall(const std::vector<std::string>& shortcuts);

    const SetupPackageReader& package_;
    std::vector<std::string> madeFolders_;
    std::string destination_;
    std::array<std::string, kInstallStepCount> captions_;
    std::string playerPath_;
};

// Installs the package of exePath without showing any window: the files, the
// shortcuts the wizard makes by default; nothing started unless
// options.wallpaper asks for the live wallpaper. With options.logFile set,
// one line per file written goes there. Answers a SilentExitCode.
int InstallSilently(const std::string& exePath, const InstallOptions& options);

} // namespace ww::setup
