// The file-system calls the core needs, with a Win32 body (fs_win32.cpp) and a
// POSIX body (fs_posix.cpp) chosen at build time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace ww {

struct FoundEntry {
    std::string name; // bare name of the entry
    bool isFolder = false;
    uint64_t size = 0;
};

// All entries matching a path whose last component may hold the wildcards * and
// ?, with the meaning FindFirstFile gives them ("*.*" matches every name).
// Without wildcards it is the entry itself, if it exists.
std::vector<FoundEntry> FindMatches(const std::string& pattern);
// The first match only, without listing further; false when nothing matches.
bool FindFirstMatch(const std::string& pattern, FoundEntry* entry);
// The search itself, the one part with a body per system: every match, or
// only the first.
std::vector<FoundEntry> FindEntries(const std::string& pattern, bool firstOnly);

bool IsExistingFolder(const std::string& path);
bool CreateFolder(const std::string& path);
bool RemoveFile(const std::string& path);
// Removes a folder only when it is empty.
bool RemoveEmptyFolder(const std::string& path);
// Renames from onto to, replacing an existing file there.
bool RenameReplace(const std::string& from, const std::string& to);
// The full path of the running executable; empty when it cannot be told.
std::string ModuleFilePath();
// The user's temporary folder, ending in a separator.
std::string UserTempFolder();
// A name unique to this process and call, for temporary files: the process
// id, a counter and random bits, so that a leftover of an earlier process
// that had the same id (a crashed run, a long-lived Wine prefix) is not met
// again. Callers still make their file or folder exclusively, through
// ClaimUniqueName.
std::string UniqueSuffix();

// A new file opened for binary writing, created exclusively: it fails when
// anything stands at path already, a link (even a dangling one) included, so
// a name planted in advance can never redirect the write. nullptr on failure.
std::FILE* CreateNewFile(const std::string& path);
// An existing file reopened for appending, never through a link; the file
// must not be created anew.
std::FILE* ReopenForAppend(const std::string& path);
// A regular file (not a folder, device, pipe or socket); links are followed.
bool IsRegularFile(const std::string& path);
// A symbolic link, junction or other reparse point; never followed.
bool IsLink(const std::string& path);
// prefix + a fresh suffix + extension, claimed by claim(path), which makes the
// file or folder there exclusively and answers whether it did. A name that
// something already holds is skipped for the next suffix, never reused or
// overwritten; any other failure ends the search. Empty when nothing was
// claimed. nextSuffix is for tests that need to force a collision.
template <class Claim>
std::string ClaimUniqueName(const std::string& prefix, const std::string& extension, Claim claim,
                            std::string (*nextSuffix)() = UniqueSuffix) {
    constexpr int kAttempts = 16;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string path = prefix + nextSuffix() + extension;
        if (claim(path))
            return path;
        if (!FindFirstMatch(path, nullptr) && !IsLink(path))
            break;
    }
    return std::string();
}
// A folder made anew at prefix + a unique suffix, without a trailing
// separator; empty when none could be made.
std::string CreateUniqueFolder(const std::string& prefix);

// Whether the file system takes path: each name within its length limit and
// the whole path within the limit the system's file functions take.
bool PathFitsFileSystem(const std::string& path);
// Bytes free for this user on the volume that holds folder; -1 when unknown.
int64_t FreeSpaceOf(const std::string& folder);
// Random bits from the system's generator, for names nobody can guess.
uint32_t RandomBits();
uint32_t CurrentProcessId();
// False only when no process with that id runs; a process of another user
// counts as running.
bool IsProcessRunning(uint32_t pid);
// Why the last failed write failed, in a few words ("the disk is full"), or
// empty when the system gave no reason worth telling.
std::string LastWriteFailure();

// A name read from a package or a player tail, as this system's file
// functions take it. Packages built on Linux store UTF-8; a system whose code
// page is not UTF-8 (Windows before 10 1903, or one that ignores the
// programs' manifests) would take those bytes as its own code page and
// install under a mangled name. There a name that is valid UTF-8 and not
// plain ASCII is re-encoded into the code page; any other name is kept as it
// stands (a package built on Windows stores the code page's own bytes).
// False when the code page cannot hold one of its characters.
bool NameForThisSystem(const std::string& stored, std::string* local);
#ifdef _WIN32
// The same for a given code page, for tests.
bool NameForCodePage(const std::string& stored, unsigned codePage, std::string* local);
#endif
// Whether text is well-formed UTF-8 holding at least one non-ASCII character.
bool IsNonAsciiUtf8(const std::string& text);

} // namespace ww
