// Removing an installed wallpaper. An install leaves a record beside the
// program that removes it (the installed player for Wovenset, a bare copy of
// the stub for Wovenlite) and an entry in the user's Uninstall key, so that
// Settings' installed apps lists the wallpaper.
//
// The record is text, one "key=value" line each, CRLF or LF:
//   Wallweaver install record 1   the first line, exactly
//   name=NAME                     the wallpaper, which names the entry
//   publisher=TEXT                optional
//   player=PATH                   optional: the live wallpaper's player
//   previous=PATH                 the desktop wallpaper the install replaced
//   file=PATH                     each file the install wrote, the remover too
//   shortcut=PATH                 each shortcut it made
//   folder=PATH                   each folder it made
// Unknown keys are refused; so is a record over kMaxInstallRecordSize.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ww {

constexpr char kInstallRecordName[] = "uninstall.wwr";
constexpr char kInstallRecordHeader[] = "Wallweaver install record 1";
constexpr int64_t kMaxInstallRecordSize = 1 << 20;
constexpr char kUninstallSwitch[] = "/uninstall";
// The temporary copy that deletes the remover once it has ended.
constexpr char kUninstallCleanupSwitch[] = "/uninstall-cleanup";
constexpr char kUninstallKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The exit codes of /uninstall, beside the installers' SilentExitCode.
enum UninstallExitCode {
    kRemoved = 0,
    kNoInstallRecord = 1,   // no readable record beside the remover; nothing is touched
    kCannotRemove = 2,      // a file or shortcut stayed; the record and entry stay for a second try
    kUninstallDeclined = 3, // the user answered No
};

struct InstallRecord {
    std::string name;
    std::string publisher;
    std::string player;
    std::string previousWallpaper;
    std::vector<std::string> files;
    std::vector<std::string> shortcuts;
    std::vector<std::string> folders;
};

std::string FormatInstallRecord(const InstallRecord& record);
// False, saying why, for a record that breaks any rule above.
bool ParseInstallRecord(const std::string& text, InstallRecord* record, std::string* error);
// Written under a temporary name and renamed into place.
bool WriteInstallRecord(const std::string& path, const InstallRecord& record);
bool ReadInstallRecord(const std::string& path, InstallRecord* record, std::string* error);
// A second install over a first: the files, shortcuts and folders of both,
// and the wallpaper from before the first.
void MergeEarlierRecord(const InstallRecord& earlier, InstallRecord* record);

// "Wallweaver NAME", the entry's key under kUninstallKeyPath.
std::string UninstallEntryName(const std::string& wallpaperName);
// The entry of an install whose remover is uninstaller: DisplayName,
// Publisher, DisplayIcon, InstallLocation, EstimatedSize (KiB of the
// recorded files), UninstallString, QuietUninstallString, NoModify, NoRepair.
bool RegisterUninstallEntry(const InstallRecord& record, const std::string& uninstaller,
                            const std::string& icon, const std::string& location);
void RemoveUninstallEntry(const std::string& wallpaperName);

// The desktop wallpaper now, as the system names it; empty for none.
std::string CurrentDesktopWallpaper();
// Whether path exists as a folder now; installers ask before they make one.
bool FolderExists(const std::string& path);
// Of path and the folders above it, levels in all (outermost first, without
// a trailing backslash), those not there yet: the ones an install may make.
std::vector<std::string> FoldersNotYetMade(const std::string& path, size_t levels);
// Adds those of notYet that are there now to made.
void AddFoldersMade(const std::vector<std::string>& notYet, std::vector<std::string>* made);

struct UninstallOptions {
    bool silent = false;
};
// The remover's /uninstall: everything of the record beside self, then a
// temporary copy of self that deletes self, the record and the folders once
// this process has ended. Answers an UninstallExitCode.
int RunUninstall(const std::string& self, const UninstallOptions& options);
// The temporary copy's part: arguments are "PID" "RECORD".
int RunUninstallCleanup(const std::string& arguments);
// Whether a command line (program name excluded) asks for either, and with /S.
bool IsUninstallCommand(const std::string& arguments, UninstallOptions* options);
bool IsUninstallCleanupCommand(const std::string& arguments);

} // namespace ww
