#include "common/fs.h"

#include <cerrno>

namespace ww {

std::vector<FoundEntry> FindMatches(const std::string& pattern) {
    return FindEntries(pattern, false);
}

bool FindFirstMatch(const std::string& pattern, FoundEntry* entry) {
    std::vector<FoundEntry> found = FindEntries(pattern, true);
    if (found.empty())
        return false;
    if (entry)
        *entry = found.front();
    return true;
}

std::string LastWriteFailure() {
    switch (errno) {
    case ENOSPC:
        return "the disk is full";
#ifdef EDQUOT
    case EDQUOT:
        return "the disk quota is used up";
#endif
    case EFBIG:
        return "the file is larger than the file system takes";
    case ENAMETOOLONG:
        return "the name is longer than the file system takes";
    case EACCES:
    case EPERM:
    case EROFS:
        return "access is denied";
    default:
        return std::string();
    }
}

} // namespace ww
