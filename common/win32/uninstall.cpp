#include "common/win32/uninstall.h"

#include "common/file.h"
#include "common/fs.h"
#include "common/install_options.h"
#include "common/path.h"
#include "common/win32/dialog.h"
#include "common/win32/folders.h"
#include "common/win32/live_wallpaper.h"
#include "common/win32/message_box.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>

namespace ww {

namespace {

constexpr DWORD kCleanupWaitMs = 30000;
constexpr DWORD kDeleteRetryMs = 10000;

struct RecordKey {
    const char* key;
    std::string InstallRecord::*single;
    std::vector<std::string> InstallRecord::*list;
};

const RecordKey kRecordKeys[] = {
    {"name", &InstallRecord::name, nullptr},
    {"publisher", &InstallRecord::publisher, nullptr},
    {"player", &InstallRecord::player, nullptr},
    {"previous", &InstallRecord::previousWallpaper, nullptr},
    {"file", nullptr, &InstallRecord::files},
    {"shortcut", nullptr, &InstallRecord::shortcuts},
    {"folder", nullptr, &InstallRecord::folders},
};

bool HasControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// Only whole, plain paths: a record edited to say "..\" or a bare name must
// not steer the remover anywhere the install could not have written.
bool IsPlainAbsolutePath(const std::string& path) {
    if (!IsAbsolutePath(path) || path.rfind("\\\\", 0) == 0 || path.rfind("//", 0) == 0)
        return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = start;
        while (end < path.size() && !IsPathSeparator(path[end]))
            ++end;
        const std::string part = path.substr(start, end - start);
        if (part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

void AddMissing(const std::vector<std::string>& from, std::vector<std::string>* to) {
    for (const std::string& item : from) {
        const bool known = std::any_of(to->begin(), to->end(), [&](const std::string& have) {
            return EqualsNoCase(have, item);
        });
        if (!known)
            to->push_back(item);
    }
}

bool SetString(HKEY key, const char* name, const std::string& value) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool SetNumber(HKEY key, const char* name, DWORD value) {
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value) == ERROR_SUCCESS;
}

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// A file already gone counts as removed, so a second run finishes a first.
bool DeleteIfPresent(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return false;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return DeleteFileA(path.c_str()) != 0;
}

// Deepest first, so a folder's own folders go before it; one still holding
// a file of the user's stays.
void RemoveFoldersIfEmpty(std::vector<std::string> folders) {
    std::sort(folders.begin(), folders.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const std::string& folder : folders)
        RemoveDirectoryA(WithoutTrailingSeparator(folder).c_str());
}

// The wallpaper goes back only while it is still one of ours: a picture the
// user chose since is theirs to keep.
void RestoreDesktopWallpaper(const InstallRecord& record) {
    const std::string current = CurrentDesktopWallpaper();
    const bool ours = !current.empty() &&
                      std::any_of(record.files.begin(), record.files.end(),
                                  [&](const std::string& f) { return EqualsNoCase(f, current); });
    if (!ours)
        return;
    std::string previous = record.previousWallpaper;
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, previous.data(),
                          SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE);
}

// Starts a copy of self from the temporary folder that waits for this
// process, then deletes self, the record and the folders: Windows keeps a
// running program's file. False when the copy could not be started.
bool StartCleanupCopy(const std::string& self, const std::string& recordPath) {
    // Never over a leftover of the same name: it may be running still.
    const std::string copy = ClaimUniqueName(
        UserTempFolder() + "Wallweaver uninstall ", ".exe", [&](const std::string& path) {
            return CopyFileA(self.c_str(), path.c_str(), TRUE) != FALSE;
        });
    if (copy.empty())
        return false;
    std::string command = Quoted(copy) + " " + kUninstallCleanupSwitch + " " +
                          std::to_string(GetCurrentProcessId()) + " " + Quoted(self) + " " +
                          Quoted(recordPath);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const std::string folder = UserTempFolder();
    if (!CreateProcessA(copy.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process)) {
        DeleteFileA(copy.c_str());
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// The last resort of every installer: the files go at the next restart.
void DeleteAtRestart(const std::string& path) {
    MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// Installs write only under the wallpaper folder and make only shortcuts:
// a record naming anything else was not written by one.
bool StaysInItsPlaces(const InstallRecord& record, std::string* error) {
    const std::string wallpapers = WallpaperFolder();
    for (const std::string& file : record.files) {
        if (wallpapers.empty() || file.size() <= wallpapers.size() ||
            !EqualsNoCase(file.substr(0, wallpapers.size()), wallpapers)) {
            *error = "it names " + file + ", outside " + wallpapers;
            return false;
        }
    }
    for (const std::string& link : record.shortcuts) {
        if (!HasEnding(link, ".lnk")) {
            *error = "it names " + link + " as a shortcut";
            return false;
        }
    }
    return true;
}

void Tell(const UninstallOptions& options, const std::string& text, const std::string& title,
          UINT icon) {
    if (!options.silent)
        ShowMessageBox(nullptr, text, title, MB_OK | icon);
}

} // namespace

std::string FormatInstallRecord(const InstallRecord& record) {
    std::string text = std::string(kInstallRecordHeader) + "\r\n";
    for (const RecordKey& k : kRecordKeys) {
        if (k.single && (k.single != &InstallRecord::publisher || !record.publisher.empty()) &&
            (k.single != &InstallRecord::player || !record.player.empty()))
            text += std::string(k.key) + "=" + record.*k.single + "\r\n";
        if (k.list) {
            for (const std::string& item : record.*k.list)
                text += std::string(k.key) + "=" + item + "\r\n";
        }
    }
    return text;
}

bool ParseInstallRecord(const std::string& text, InstallRecord* record, std::string* error) {
    *record = InstallRecord();
    if (static_cast<int64_t>(text.size()) > kMaxInstallRecordSize) {
        *error = "the record is too long";
        return false;
    }
    size_t at = 0;
    int line = 0;
    bool sawName = false;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string content = text.substr(at, end - at);
        at = end + 1;
        ++line;
        if (!content.empty() && content.back() == '\r')
            content.pop_back();
        const std::string where = "line " + std::to_string(line);
        if (line == 1) {
            if (content != kInstallRecordHeader) {
                *error = "it is not a Wallweaver install record";
                return false;
            }
            continue;
        }
        if (content.empty())
            continue;
        if (HasControlCharacter(content)) {
            *error = where + " holds a control character";
            return false;
        }
        const size_t equals = content.find('=');
        const std::string key = equals == std::string::npos ? content : content.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : content.substr(equals + 1);
        const RecordKey* known = nullptr;
        for (const RecordKey& k : kRecordKeys) {
            if (key == k.key)
                known = &k;
        }
        if (!known || equals == std::string::npos) {
            *error = where + " is not a line of the record";
            return false;
        }
        const bool isPath = known->list || known->single == &InstallRecord::player;
        if (isPath && !IsPlainAbsolutePath(value)) {
            *error = where + " does not name a whole path";
            return false;
        }
        if (known->list)
            (record->*known->list).push_back(value);
        else
            record->*known->single = value;
        sawName = sawName || known->single == &InstallRecord::name;
    }
    if (line == 0) {
        *error = "it is empty";
        return false;
    }
    if (!sawName || record->name.empty()) {
        *error = "it names no wallpaper";
        return false;
    }
    return true;
}

bool WriteInstallRecord(const std::string& path, const InstallRecord& record) {
    const std::string text = FormatInstallRecord(record);
    const std::string temporary = TemporaryPathFor(path);
    File out;
    if (!out.Open(temporary, "wb"))
        return false;
    const bool written = out.Write(text.data(), text.size()) && out.Close();
    if (!written || !RenameReplace(temporary, path)) {
        RemoveFile(temporary);
        return false;
    }
    return true;
}

bool ReadInstallRecord(const std::string& path, InstallRecord* record, std::string* error) {
    const int64_t size = FileSizeOf(path);
    if (size < 0) {
        *error = "it cannot be read";
        return false;
    }
    if (size > kMaxInstallRecordSize) {
        *error = "the record is too long";
        return false;
    }
    File in;
    std::string text(static_cast<size_t>(size), '\0');
    if (!in.Open(path, "rb") || (size > 0 && !in.ReadExact(&text[0], text.size()))) {
        *error = "it cannot be read";
        return false;
    }
    return ParseInstallRecord(text, record, error);
}

void MergeEarlierRecord(const InstallRecord& earlier, InstallRecord* record) {
    record->previousWallpaper = earlier.previousWallpaper;
    AddMissing(earlier.files, &record->files);
    AddMissing(earlier.shortcuts, &record->shortcuts);
    AddMissing(earlier.folders, &record->folders);
}

std::string UninstallEntryName(const std::string& wallpaperName) {
    return "Wallweaver " + wallpaperName;
}

bool RegisterUninstallEntry(const InstallRecord& record, const std::string& uninstaller,
                            const std::string& icon, const std::string& location) {
    const std::string keyPath =
        std::string(kUninstallKeyPath) + "\\" + UninstallEntryName(record.name);
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    uint64_t bytes = 0;
    for (const std::string& file : record.files) {
        const int64_t size = FileSizeOf(file);
        if (size > 0)
            bytes += static_cast<uint64_t>(size);
    }
    const uint64_t kib = (bytes + 1023) / 1024;
    const std::string command = Quoted(uninstaller) + " " + kUninstallSwitch;
    bool ok = SetString(key, "DisplayName", record.name) && SetString(key, "DisplayIcon", icon) &&
              SetString(key, "InstallLocation", location) &&
              SetNumber(key, "EstimatedSize",
                        kib > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(kib)) &&
              SetString(key, "UninstallString", command) &&
              SetString(key, "QuietUninstallString", command + " /S") &&
              SetNumber(key, "NoModify", 1) && SetNumber(key, "NoRepair", 1);
    if (!record.publisher.empty())
        ok = SetString(key, "Publisher", record.publisher) && ok;
    RegCloseKey(key);
    return ok;
}

void RemoveUninstallEntry(const std::string& wallpaperName) {
    const std::string keyPath =
        std::string(kUninstallKeyPath) + "\\" + UninstallEntryName(wallpaperName);
    RegDeleteKeyA(HKEY_CURRENT_USER, keyPath.c_str());
}

std::string CurrentDesktopWallpaper() {
    char path[MAX_PATH + 1] = "";
    if (!SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0))
        return std::string();
    path[MAX_PATH] = '\0';
    return path;
}

bool FolderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(WithoutTrailingSeparator(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> FoldersNotYetMade(const std::string& path, size_t levels) {
    std::vector<std::string> chain;
    std::string folder = WithoutTrailingSeparator(path);
    for (size_t i = 0; i < levels && !folder.empty() && folder.back() != ':'; ++i) {
        if (!FolderExists(folder))
            chain.insert(chain.begin(), folder);
        folder = WithoutTrailingSeparator(FolderOfPath(folder));
    }
    return chain;
}

void AddFoldersMade(const std::vector<std::string>& notYet, std::vector<std::string>* made) {
    for (const std::string& folder : notYet) {
        if (FolderExists(folder))
            made->push_back(folder);
    }
}

int RunUninstall(const std::string& self, const UninstallOptions& options) {
    const std::string recordPath = FolderOfPath(self) + kInstallRecordName;
    InstallRecord record;
    std::string error;
    if (!ReadInstallRecord(recordPath, &record, &error) || !StaysInItsPlaces(record, &error)) {
        Tell(options,
             "There is nothing to remove: the install record " + recordPath + " is unusable (" +
                 error + ").",
             "Uninstall", MB_ICONSTOP);
        return kNoInstallRecord;
    }
    const std::string title = record.name + " Uninstall";
    if (!options.silent &&
        ShowMessageBox(nullptr,
                       FormatText("Do you want to remove %s and all of its files?", record.name),
                       title, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return kUninstallDeclined;
    if (!record.player.empty()) {
        StopLiveWallpaperOf(record.player);
        UnregisterAtLogon(record.player);
    }
    RestoreDesktopWallpaper(record);
    std::vector<std::string> stayed;
    for (const std::string& link : record.shortcuts) {
        if (!DeleteIfPresent(link))
            stayed.push_back(link);
    }
    for (const std::string& file : record.files) {
        if (!EqualsNoCase(file, self) && !DeleteIfPresent(file))
            stayed.push_back(file);
    }
    if (!stayed.empty()) {
        Tell(options,
             "Some files of " + record.name + " could not be removed, " + stayed.front() +
                 " first. Close the programs that use them and remove the wallpaper again.",
             title, MB_ICONEXCLAMATION);
        return kCannotRemove;
    }
    RemoveUninstallEntry(record.name);
    if (!StartCleanupCopy(self, recordPath)) {
        DeleteIfPresent(recordPath);
        DeleteAtRestart(self);
        RemoveFoldersIfEmpty(record.folders);
    }
    Tell(options, record.name + " was removed from your computer.", title, MB_ICONINFORMATION);
    return kRemoved;
}

int RunUninstallCleanup(const std::string& arguments) {
    const std::vector<std::string> words = SplitCommandLine(arguments);
    if (words.size() != 4 || words[0] != kUninstallCleanupSwitch)
        return 1;
    const DWORD pid = static_cast<DWORD>(std::strtoul(words[1].c_str(), nullptr, 10));
    const std::string& remover = words[2];
    const std::string& recordPath = words[3];
    if (HANDLE waited = OpenProcess(SYNCHRONIZE, FALSE, pid)) {
        WaitForSingleObject(waited, kCleanupWaitMs);
        CloseHandle(waited);
    }
    InstallRecord record;
    std::string error;
    // Only the remover the record names, so a stray command deletes nothing.
    const bool known = ReadInstallRecord(recordPath, &record, &error) &&
                       EqualsNoCase(FolderOfPath(remover), FolderOfPath(recordPath)) &&
                       std::any_of(record.files.begin(), record.files.end(),
                                   [&](const std::string& f) { return EqualsNoCase(f, remover); });
    if (!known)
        return 1;
    bool deleted = DeleteIfPresent(remover);
    for (const DWORD start = GetTickCount(); !deleted && GetTickCount() - start < kDeleteRetryMs;
         deleted = DeleteIfPresent(remover))
        Sleep(100);
    if (!deleted)
        DeleteAtRestart(remover);
    DeleteIfPresent(recordPath);
    RemoveFoldersIfEmpty(record.folders);
    DeleteAtRestart(ModuleFilePath());
    return deleted ? 0 : 1;
}

bool IsUninstallCommand(const std::string& arguments, UninstallOptions* options) {
    const std::vector<std::string> words = SplitCommandLine(arguments);
    if (words.empty() || !EqualsNoCase(words[0], kUninstallSwitch))
        return false;
    *options = UninstallOptions();
    for (size_t i = 1; i < words.size(); ++i)
        options->silent = options->silent || EqualsNoCase(words[i], "/S");
    return true;
}

bool IsUninstallCleanupCommand(const std::string& arguments) {
    const std::vector<std::string> words = SplitCommandLine(arguments);
    return !words.empty() && words[0] == kUninstallCleanupSwitch;
}

} // namespace ww
