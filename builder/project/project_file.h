// The project file: a Windows private profile (INI) text file, extension
// ".sdf", section "General", holding the settings of one WallpaperProject.
#pragma once

#include "builder/project/project.h"

#include <string>
#include <utility>
#include <vector>

namespace ww {

// More ExtFileItem keys than this are not read: no author's list is that
// long, and a hostile count must not keep the reader busy for hours.
constexpr int32_t kMaxStoredExtraFiles = 4096;

// What a key holds, and so how it is stored, read, resolved and dropped.
enum class FieldKind {
    Text,       // stored as it is
    Number,     // a list index or check box, stored in decimal
    NumberText, // a box's text that is stored as typed and read back as a number
    Path,       // a file: relative to the project file, dropped on opening when gone
    OutputPath, // a file to build: relative to the project file, kept when absent
    PathList,   // a count key followed by ExtFileItem0, 1, ...
};

// One key of section "General" and the member of WallpaperProject it holds;
// exactly one of the three member pointers is set, as kind says.
struct ProjectField {
    const char* key;
    FieldKind kind;
    std::string WallpaperProject::*text = nullptr;
    int32_t WallpaperProject::*number = nullptr;
    std::vector<std::string> WallpaperProject::*list = nullptr;
};

// The keys in file order.
const std::vector<ProjectField>& ProjectFields();

// The keys with their values as saving writes them, in file order, with
// ExtFileCount followed by its ExtFileItem keys.
std::vector<std::pair<std::string, std::string>>
ProjectFileEntries(const WallpaperProject& project);

// Writes the 25 keys in their order into section "General" of path, leaving
// every other line of an existing file as it was.
bool WriteProjectFile(const std::string& path, const WallpaperProject& project);
// Reads a project file as stored: no path resolution, nothing dropped; list
// indexes and check boxes are clamped into range. False (and project
// untouched) when path is empty, names no file, names a folder or cannot be
// opened. At most kMaxStoredExtraFiles external files are read.
bool ReadProjectFile(const std::string& path, WallpaperProject* project);
// ReadProjectFile, then paths that are not absolute taken relative to the
// project file's own folder.
bool LoadProjectFile(const std::string& path, WallpaperProject* project);

// Opening into the pages: files named in the project that no longer exist
// are dropped (the movie, the four installer files, each external file, the
// icon); output paths stay as stored. Answers whether the movie was kept.
bool DropMissingFiles(WallpaperProject& project);
// Whether the project holds anything worth offering to save.
bool HasProjectContent(const WallpaperProject& project);

} // namespace ww
