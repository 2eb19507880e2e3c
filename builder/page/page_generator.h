// The wallpaper page: the template res.sdt from the builder folder with its
// fourteen placeholders replaced by the project's values. Absolute mode (the
// desktop preview) refers to the author's files where they are; relative mode
// (the installers) refers into a folder named after the wallpaper beside the
// page. Separators inside the page are backslashes: the page is for Windows.
#pragma once

#include "builder/project/project.h"
#include "builder/project/workspace.h"
#include "movie/wallpaper_page.h"

#include <cstddef>
#include <string>
#include <vector>

namespace ww {

// Largest template read and largest page written. Values may hold later
// placeholders, which are expanded again, so a hostile project could
// otherwise grow the page without bound.
constexpr size_t kMaxPageSize = 16 * 1024 * 1024;

// The movie file as the page refers to it: for a projector (SwfFilename ending
// in ".exe", any case) the temp folder + kConvertedMovieName, where the build
// commands must extract the projector's movie before packing; otherwise
// SwfFilename itself.
std::string PageMovieFile(const WallpaperProject& project, const Workspace& workspace);

// File name and folder of a path as the page sees them: either separator
// counts, so a host path on Linux works too. A bare name is its own file name,
// as the package writers store it.
std::string PageFileNameOf(const std::string& path);
std::string PageFolderOf(const std::string& path);

struct PagePlaceholder {
    const char* placeholder; // e.g. "{TITLE}"
    std::string value;
};
using PageValues = std::vector<PagePlaceholder>;

// The fourteen placeholders with their values, in replacement order.
PageValues CollectPageValues(const WallpaperProject& project, const Workspace& workspace,
                             bool absolute);

// What the page will ask of its movie, for a preview that plays it as the
// page would: the same values, read as the page's reader reads them.
movie::PageMovie PagePlaybackOf(const WallpaperProject& project, const Workspace& workspace);

// Replaces each placeholder in turn over the whole current text: every
// occurrence, case-sensitive, left to right, non-overlapping. False, with the
// text only partly expanded, when it would grow past kMaxPageSize.
bool ExpandPlaceholders(std::string& text, const PageValues& values);

// Expands Workspace::BuilderFile("res.sdt") (read with CR LF as LF) and writes
// it to outputPath with CR LF line ends, up to the first NUL, through a
// temporary file renamed into place. False, with nothing shown and any earlier
// file at outputPath untouched, for an empty output path, a missing, unreadable
// or oversized template, or an output that cannot be created.
bool GenerateWallpaperPage(const WallpaperProject& project, const Workspace& workspace,
                           const std::string& outputPath, bool absolute);

} // namespace ww
