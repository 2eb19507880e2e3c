// Private profile (INI) files, as the project file uses them. Two bodies with
// the same observable behaviour: the system's profile functions on Windows
// (profile_win32.cpp) and our own text body (profile_text.cpp) everywhere
// else. The text body is compiled on Windows too, so tests can set the two
// side by side.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ww {

// Values come back trimmed of surrounding blanks and of one pair of
// surrounding quotes, cut to this many characters (a 260-byte buffer).
constexpr size_t kProfileValueLimit = 259;

// Key and value pairs, written in this order.
using ProfileEntries = std::vector<std::pair<std::string, std::string>>;

// The profile body the project file uses on this system. A missing key, file
// or section reads as empty. The batch forms give what one call per key, in
// order, would give; writing stops at the first failure.
std::string ProfileReadString(const std::string& path, const std::string& section,
                              const std::string& key);
std::vector<std::string> ProfileReadStrings(const std::string& path, const std::string& section,
                                            const std::vector<std::string>& keys);
bool ProfileWriteString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);
bool ProfileWriteStrings(const std::string& path, const std::string& section,
                         const ProfileEntries& entries);

// Our own body, reading a file as the system's functions do: CR, LF and
// CR LF end lines; blanks are space, tab, VT, FF and ^Z;
// "[name]" up to its last ']' starts a section; other lines are keys, with
// a value after their first '='; section and key names are trimmed and
// compare without regard to case; only the first section of a name counts,
// and in it the first key of a name. Writing replaces a key's line in place,
// appends a new key after the last line of its section and a new section at
// the end of the file, keeps every other byte as it was, creates the file
// when missing and ends the lines it writes in CR LF. The file is read in
// blocks, never whole, and rewritten through a temporary file; a file in
// UTF-16 (byte order mark) reads as empty and is not written.
std::string TextProfileReadString(const std::string& path, const std::string& section,
                                  const std::string& key);
std::vector<std::string> TextProfileReadStrings(const std::string& path, const std::string& section,
                                                const std::vector<std::string>& keys);
bool TextProfileWriteString(const std::string& path, const std::string& section,
                            const std::string& key, const std::string& value);
bool TextProfileWriteStrings(const std::string& path, const std::string& section,
                             const ProfileEntries& entries);

// A profile number as the project file reads it on both systems: the value's
// leading decimal digits, at most INT32_MAX; a value that does not start with
// a digit (empty, a sign, a blank) gives 0. The system's own number reading
// takes a sign, "0x" and leading blanks inside quotes, and wraps on overflow.
int32_t ProfileNumber(const std::string& value);
// What reading a stored value gives: surrounding blanks and one pair of
// matching quotes (" or ') removed, cut to kProfileValueLimit. As the system
// does it, the cut is made before the closing quote goes, so a quoted value
// of exactly 259 characters reads as its first 258.
std::string ProfileValueAsRead(const std::string& stored);
// A value as one line can hold it: cut at a NUL, as the system's C strings
// are, and with CR and LF turned into blanks, which would otherwise start a
// new key.
std::string ProfileLineValue(const std::string& value);

} // namespace ww
