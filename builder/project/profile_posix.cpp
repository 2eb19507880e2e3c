// Elsewhere than on Windows, the project file goes through our own body.
#include "builder/project/profile.h"

namespace ww {

std::string ProfileReadString(const std::string& path, const std::string& section,
                              const std::string& key) {
    return TextProfileReadString(path, section, key);
}

std::vector<std::string> ProfileReadStrings(const std::string& path, const std::string& section,
                                            const std::vector<std::string>& keys) {
    return TextProfileReadStrings(path, section, keys);
}

bool ProfileWriteString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
    return TextProfileWriteString(path, section, key, ProfileStoredValue(value));
}

bool ProfileWriteStrings(const std::string& path, const std::string& section,
                         const ProfileEntries& entries) {
    ProfileEntries stored;
    stored.reserve(entries.size());
    for (const auto& [key, value] : entries)
        stored.emplace_back(key, ProfileStoredValue(value));
    return TextProfileWriteStrings(path, section, stored);
}

} // namespace ww
