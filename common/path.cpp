#include "common/path.h"

#include <cstring>

namespace ww {

bool IsPathSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

size_t LastSeparator(const std::string& path) {
    for (size_t i = path.size(); i > 0; --i) {
        if (IsPathSeparator(path[i - 1]))
            return i - 1;
    }
    return std::string::npos;
}

std::string FolderOfPath(const std::string& path) {
    size_t cut = LastSeparator(path);
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string FileNameOfPath(const std::string& path) {
    size_t cut = LastSeparator(path);
    return cut == std::string::npos ? std::string() : path.substr(cut + 1);
}

std::string WithTrailingSeparator(const std::string& folder) {
    if (!folder.empty() && IsPathSeparator(folder.back()))
        return folder;
    return folder + kPathSeparator;
}

std::string WithoutTrailingSeparator(const std::string& path) {
    if (!path.empty() && IsPathSeparator(path.back()))
        return path.substr(0, path.size() - 1);
    return path;
}

static char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

std::string ToLowerAscii(std::string text) {
    for (char& c : text)
        c = LowerAscii(c);
    return text;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

bool HasEnding(const std::string& path, const char* ending) {
    size_t n = std::strlen(ending);
    if (path.size() < n)
        return false;
    return EqualsNoCase(path.substr(path.size() - n), ending);
}

bool IsAbsolutePath(const std::string& path) {
#ifdef _WIN32
    if (path.size() >= 2 && path[1] == ':')
        return true;
    return path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]);
#else
    return !path.empty() && path[0] == '/';
#endif
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    return WithTrailingSeparator(folder) + name;
}

} // namespace ww
