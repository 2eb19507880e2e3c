#include "common/fs.h"

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

} // namespace ww
