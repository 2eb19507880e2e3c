// Private profile (INI) files, as the project file uses them. Two bodies with
// the same observable behaviour: the system's profile functions on Windows
// (profile_win32.cpp) and our own text body (profile_text.cpp) everywhere
// else. The text body is compiled on Windows too, so tests can set the two
// side by side.
#pragma once

#include <cstdint>
#include <string>

namespace ww {

// Values come back trimmed of surrounding blanks and of one pair of
// surrounding quotes, cut to this many characters (a 260-byte buffer).
constexpr size_t kProfileValueLimit = 259;

// The profile body the project file uses on this system.
std::string ProfileReadString(const std::string& path, const std::string& section,
                              const std::string& key);
bool ProfileWriteString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);

// Our own body. Section and key names compare without regard to case; writing
// replaces a key's line in place, appends a new key at the end of its section
// and a new section at the end of the file, keeps every other line as it was,
// creates the file when missing, and ends lines in CR LF.
std::string TextProfileReadString(const std::string& path, const std::string& section,
                                  const std::string& key);
bool TextProfileWriteString(const std::string& path, const std::string& section,
                            const std::string& key, const std::string& value);

// A profile number as the project file reads it: the value's leading decimal
// digits; empty, a non-digit start or a negative number give 0. Settled here
// for both bodies (the system's own number reading takes a sign).
int32_t ProfileNumber(const std::string& value);
// What reading a value back gives: surrounding blanks and one pair of quotes
// removed, cut to kProfileValueLimit.
std::string ProfileValueAsRead(const std::string& raw);
// Surrounding blanks and tabs removed.
std::string ProfileTrimBlanks(const std::string& text);

} // namespace ww
