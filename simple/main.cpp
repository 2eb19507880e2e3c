// Wovenlite.exe: a copy of this stub with a simple package appended installs
// one wallpaper. It has no window of its own: it asks, extracts the package
// into the Windows wallpaper folder and offers to apply the page. The stub
// alone, written beside the wallpaper's files, is its remover (/uninstall).
#include "common/file.h"
#include "common/fs.h"
#include "common/install_options.h"
#include "common/package_reader.h"
#include "common/path.h"
#include "common/win32/active_desktop.h"
#include "common/win32/folders.h"
#include "common/win32/hardening.h"
#include "common/win32/live_wallpaper.h"
#include "common/win32/com.h"
#include "common/win32/message_box.h"
#include "common/win32/uninstall.h"
#include "simple/screen_picture.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace {

const char kTitle[] = "Setup";

void ShowError(const char* text) {
    ww::ShowMessageBox(nullptr, text, kTitle, MB_OK | MB_ICONERROR);
}

bool AskYes(const std::string& question) {
    return ww::ShowMessageBox(nullptr, question, kTitle, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// The Windows folder's Web\Wallpaper\, created when the system lacks it.
std::string WallpaperDestination() {
    ww::EnsureWallpaperFolder();
    return ww::WallpaperFolder();
}

// The remover is this stub without its package, so it is no bigger than
// the stub and never installs anything again.
constexpr char kRemoverName[] = "uninstall.exe";

bool WriteRemover(const ww::SimplePackageReader& package, const std::string& path) {
    ww::File in, out;
    const std::string temporary = ww::TemporaryPathFor(path);
    if (!in.Open(ww::ModuleFilePath(), "rb") || !out.Open(temporary, "wb"))
        return false;
    const int64_t stub = package.PageOffset();
    const bool copied = stub > 0 && ww::CopyBytes(in, out, static_cast<uint64_t>(stub)) &&
                        out.Close() && ww::RenameReplace(temporary, path);
    if (!copied)
        ww::RemoveFile(temporary);
    return copied;
}

bool IsMovieStill(const ww::SimpleHeader& header) {
    return ww::EqualsNoCase(header.image.name, ww::kMovieStillName);
}

// The record and the Uninstall entry, written once the files are in place
// and before the wallpaper changes, so the one shown before is recorded.
void RecordInstall(const ww::SimplePackageReader& package, const std::string& destination,
                   const std::vector<std::string>& madeFolders) {
    const ww::SimpleHeader& header = package.header();
    const std::string folder = destination + header.wallpaperName + "\\";
    const std::string remover = folder + kRemoverName;
    if (!WriteRemover(package, remover))
        return;
    ww::InstallRecord record;
    record.name = header.wallpaperName;
    record.previousWallpaper = ww::CurrentDesktopWallpaper();
    record.files = {destination + header.page.name, folder + header.movie.name,
                    folder + header.image.name};
    for (const ww::PackageEntry& extra : package.entries())
        record.files.push_back(folder + extra.name);
    // Made only when the still becomes the wallpaper, but always ours.
    if (IsMovieStill(header))
        record.files.push_back(folder + ww::kMovieStillBitmapName);
    record.files.push_back(remover);
    record.folders = madeFolders;
    const std::string path = folder + ww::kInstallRecordName;
    ww::InstallRecord earlier;
    std::string error;
    if (ww::ReadInstallRecord(path, &earlier, &error))
        ww::MergeEarlierRecord(earlier, &record);
    if (ww::WriteInstallRecord(path, record))
        ww::RegisterUninstallEntry(record, remover, remover, ww::WithoutTrailingSeparator(folder));
}

// Web\, Web\Wallpaper\ and the wallpaper's folder, where missing.
std::vector<std::string> FoldersToMake(const ww::SimplePackageReader& package) {
    return ww::FoldersNotYetMade(ww::WallpaperFolder() + package.header().wallpaperName, 3);
}

// Windows+D, so the desktop shows while the wallpaper changes.
void ShowDesktop() {
    keybd_event(VK_LWIN, 0, 0, 0);
    keybd_event('D', 0, 0, 0);
    keybd_event(VK_LWIN, 0, KEYEVENTF_KEYUP, 0);
    keybd_event('D', 0, KEYEVENTF_KEYUP, 0);
}

// The page where the system can show one; elsewhere, having no player to
// play the movie, the installer makes the display image the wallpaper: the
// author's picture, or the still of the movie the builder drew. Answers the
// bitmap made from the still, or empty.
std::string ApplyWallpaper(const std::string& destination, const ww::SimpleHeader& header,
                           IActiveDesktop* desktop) {
    if (ww::HasHtmlWallpaper()) {
        ww::SetActiveDesktopWallpaper(destination + header.page.name, desktop);
        return std::string();
    }
    const std::string folder = destination + header.wallpaperName + "\\";
    std::string image = folder + header.image.name;
    std::string made;
    // The builder's still of the movie was drawn for a standard screen, as
    // PNG. Without a decoder the desktop keeps what it shows: a picture the
    // system cannot read would leave it blank.
    if (IsMovieStill(header)) {
        made = folder + ww::kMovieStillBitmapName;
        if (!ww::CoverScreenWithPicture(image, made, GetSystemMetrics(SM_CXSCREEN),
                                        GetSystemMetrics(SM_CYSCREEN)))
            return std::string();
        image = made;
    }
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, image.data(),
                          SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE);
    return made;
}

void RunInstaller(IActiveDesktop* desktop) {
    ww::SimplePackageReader package;
    package.Open(ww::ModuleFilePath());
    if (package.error() == ww::PackageError::ForeignName) {
        ShowError(ww::ForeignNameMessage(package.refusal()).c_str());
        return;
    }
    const std::string name = package.header().wallpaperName;
    if (name.empty()) {
        ShowError("This file is not a standard setup file!");
        return;
    }
    if (!AskYes("Do you want to install " + name + "?"))
        return;
    const std::vector<std::string> notYet = FoldersToMake(package);
    const std::string destination = WallpaperDestination();
    std::vector<std::string> made;
    switch (package.ExtractPackage(destination, ww::IsValidExistingFolder)) {
    case ww::SimplePackageReader::ExtractResult::Ok:
        ww::AddFoldersMade(notYet, &made);
        RecordInstall(package, destination, made);
        break;
    case ww::SimplePackageReader::ExtractResult::FolderNotCreated:
        ShowError("Can not create director to install!");
        ShowError("Can not extra files to continue install!");
        return;
    case ww::SimplePackageReader::ExtractResult::Failed:
        ShowError("Can not extra files to continue install!");
        return;
    }
    if (!AskYes("Install success! do your want to set it as current desktop?"))
        return;
    ShowDesktop();
    ApplyWallpaper(destination, package.header(), desktop);
}

// The default road without a question or a window: install, then apply the
// page. Answers a SilentExitCode.
int InstallSilently(const ww::InstallOptions& options, IActiveDesktop* desktop) {
    ww::File log;
    if (!options.logFile.empty() && !log.Open(options.logFile, "wb"))
        return ww::kCannotWriteLog;
    ww::SimplePackageReader package;
    if (!package.Open(ww::ModuleFilePath()))
        return ww::RefusedPackageExitCode(package.error());
    const std::vector<std::string> notYet = FoldersToMake(package);
    const std::string destination = WallpaperDestination();
    std::vector<std::string> made;
    switch (package.ExtractPackage(destination, ww::IsValidExistingFolder)) {
    case ww::SimplePackageReader::ExtractResult::Ok:
        ww::AddFoldersMade(notYet, &made);
        RecordInstall(package, destination, made);
        break;
    case ww::SimplePackageReader::ExtractResult::FolderNotCreated:
        return ww::kNoDestination;
    case ww::SimplePackageReader::ExtractResult::Failed:
        return ww::kCannotWrite;
    }
    const ww::SimpleHeader& header = package.header();
    const std::string folder = destination + header.wallpaperName + "\\";
    std::vector<std::string> written = {destination + header.page.name, folder + header.movie.name,
                                        folder + header.image.name};
    for (const ww::PackageEntry& extra : package.entries())
        written.push_back(folder + extra.name);
    const std::string picture = ApplyWallpaper(destination, header, desktop);
    if (!picture.empty())
        written.push_back(picture);
    for (const std::string& file : written) {
        const std::string line = file + "\r\n";
        if (log.IsOpen())
            log.Write(line.data(), line.size());
    }
    return ww::kInstalled;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
    ww::RestrictDllSearchToSystem32();
    const std::string line = arguments ? arguments : "";
    if (ww::IsUninstallCleanupCommand(line))
        return ww::RunUninstallCleanup(line);
    ww::UninstallOptions uninstall;
    if (ww::IsUninstallCommand(line, &uninstall))
        return ww::RunUninstall(ww::ModuleFilePath(), uninstall);
    const ww::InstallOptions options = ww::ParseInstallOptions(line);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    ww::ComScope com;
    ww::ActiveDesktopObject desktop;
    if (options.silent)
        return InstallSilently(options, desktop.get());
    RunInstaller(desktop.get());
    return 0;
}
