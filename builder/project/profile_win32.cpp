#include "builder/project/profile.h"

#include <windows.h>

namespace ww {

std::string ProfileReadString(const std::string& path, const std::string& section,
                              const std::string& key) {
    char buf[kProfileValueLimit + 1] = "";
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buf, sizeof buf, path.c_str());
    // The system strips the quotes and leading blanks but keeps trailing
    // blanks the writer wrote; reading strips them, as the text body does.
    return ProfileTrimBlanks(buf);
}

bool ProfileWriteString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) !=
           0;
}

} // namespace ww
