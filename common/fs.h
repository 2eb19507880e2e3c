// The file-system calls the core needs, with a Win32 body (fs_win32.cpp) and a
// POSIX body (fs_posix.cpp) chosen at build time.
#pragma once

#include <cstdint>
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
// Renames from onto to, replacing an existing file there.
bool RenameReplace(const std::string& from, const std::string& to);
// The full path of the running executable; empty when it cannot be told.
std::string ModuleFilePath();
// The user's temporary folder, ending in a separator.
std::string UserTempFolder();
// A name unique to this process and call, for temporary files.
std::string UniqueSuffix();

} // namespace ww
