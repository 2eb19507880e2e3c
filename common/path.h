// Plain string operations on paths. Windows accepts both separators, so there
// both count; elsewhere only the slash does. Folders handed around end in a
// separator.
#pragma once

#include <string>

namespace ww {

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

bool IsPathSeparator(char c);
// Position of the last separator, or std::string::npos.
size_t LastSeparator(const std::string& path);
// The path up to and including its last separator; empty when it has none.
std::string FolderOfPath(const std::string& path);
// The text after the last separator; empty when the path has none.
std::string FileNameOfPath(const std::string& path);
std::string WithTrailingSeparator(const std::string& folder);
// Removes one trailing separator, if present.
std::string WithoutTrailingSeparator(const std::string& path);
// True when the last four characters equal ending (".swf", ".exe"), ignoring case.
bool HasEnding(const std::string& path, const char* ending);
std::string ToLowerAscii(std::string text);
bool EqualsNoCase(const std::string& a, const std::string& b);
bool IsAbsolutePath(const std::string& path);
// Joins folder and name with exactly one separator between them.
std::string JoinPath(const std::string& folder, const std::string& name);

} // namespace ww
