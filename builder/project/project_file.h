// The project file: a Windows private profile (INI) text file, extension
// ".sdf", section "General", holding the settings of one WallpaperProject.
#pragma once

#include "builder/project/project.h"

#include <string>

namespace ww {

// Writes the 25 keys in their order into section "General" of path, leaving
// every other line of an existing file as it was.
bool WriteProjectFile(const std::string& path, const WallpaperProject& project);
// Reads a project file as stored: no path resolution, nothing dropped. False
// (and project untouched) when path is empty or names no file.
bool ReadProjectFile(const std::string& path, WallpaperProject* project);
// ReadProjectFile, then paths that are not absolute taken relative to the
// project file's own folder.
bool LoadProjectFile(const std::string& path, WallpaperProject* project);

} // namespace ww
