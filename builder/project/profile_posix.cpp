#include "builder/project/profile.h"

namespace ww {

std::string ProfileReadString(const std::string& path, const std::string& section,
                              const std::string& key) {
    return TextProfileReadString(path, section, key);
}

bool ProfileWriteString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
    return TextProfileWriteString(path, section, key, value);
}

} // namespace ww
