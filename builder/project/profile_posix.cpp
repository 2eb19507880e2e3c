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
    return TextProfileWriteString(path, section, key, value);
}

bool ProfileWriteStrings(const std::string& path, const std::string& section,
                         const ProfileEntries& entries) {
    return TextProfileWriteStrings(path, section, entries);
}

} // namespace ww
