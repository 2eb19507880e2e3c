// On Windows, the project file goes through the system's private profile
// functions.
#include "builder/project/profile.h"

#include <windows.h>

namespace ww {

namespace {

// The system looks for a name without a folder in the Windows folder, not in
// the current one; a full path means the file the caller named. Empty when
// the path cannot be made full.
std::string FullPathOf(const std::string& path) {
    char full[MAX_PATH];
    const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return n == 0 || n >= MAX_PATH ? std::string() : std::string(full, n);
}

std::string ReadFromFullPath(const std::string& full, const std::string& section,
                             const std::string& key) {
    char value[kProfileValueLimit + 1] = "";
    if (!full.empty())
        GetPrivateProfileStringA(section.c_str(), key.c_str(), "", value, sizeof value,
                                 full.c_str());
    return value;
}

} // namespace

std::string ProfileReadString(const std::string& path, const std::string& section,
                              const std::string& key) {
    return ReadFromFullPath(FullPathOf(path), section, key);
}

std::vector<std::string> ProfileReadStrings(const std::string& path, const std::string& section,
                                            const std::vector<std::string>& keys) {
    const std::string full = FullPathOf(path);
    std::vector<std::string> values;
    values.reserve(keys.size());
    for (const std::string& key : keys)
        values.push_back(ReadFromFullPath(full, section, key));
    return values;
}

bool ProfileWriteStrings(const std::string& path, const std::string& section,
                         const ProfileEntries& entries) {
    const std::string full = FullPathOf(path);
    if (full.empty())
        return false;
    for (const auto& [key, value] : entries) {
        if (!WritePrivateProfileStringA(section.c_str(), key.c_str(),
                                        ProfileLineValue(value).c_str(), full.c_str()))
            return false;
    }
    return true;
}

bool ProfileWriteString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
    return ProfileWriteStrings(path, section, {{key, value}});
}

} // namespace ww
