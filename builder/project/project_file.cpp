#include "builder/project/project_file.h"

#include "builder/project/profile.h"
#include "builder/project/workspace.h"
#include "common/file.h"
#include "common/fs.h"
#include "common/path.h"

#include <algorithm>

namespace ww {

namespace {

const char kSection[] = "General";

std::string Decimal(int32_t n) {
    return std::to_string(n);
}

std::string ItemKey(size_t i) {
    return "ExtFileItem" + std::to_string(i);
}

// Windows paths are absolute on every system: a project saved there names
// its files so even when read elsewhere. A path from the root of a drive
// (\Work\wave.swf) is no path below the project's folder either.
bool IsStoredPathAbsolute(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':')
        return true;
    if (!path.empty() && (path[0] == '\\' || path[0] == '/'))
        return true;
    return IsAbsolutePath(path);
}

// A relative path below the project's folder; its separators become the
// host's, so a project written on Windows finds its files elsewhere too.
std::string Resolve(const std::string& folder, const std::string& path) {
    if (path.empty() || IsStoredPathAbsolute(path))
        return path;
    std::string local = path;
    for (char& c : local) {
        if (c == '\\' || c == '/')
            c = kPathSeparator;
    }
    return folder + local;
}

void DropIfMissing(std::string& path) {
    if (!path.empty() && !FileExists(path))
        path.clear();
}

} // namespace

std::vector<std::pair<std::string, std::string>> ProjectFileEntries(const WallpaperProject& p) {
    std::vector<std::pair<std::string, std::string>> e = {
        {"SwfFilename", p.SwfFilename},
        {"WallpaperName", p.WallpaperName},
        {"PublisherName", p.PublisherName},
        {"PublisherURL", p.PublisherURL},
        {"Copyright", p.Copyright},
        {"TopImageFilename", p.TopImageFilename},
        {"LeftImageFilename", p.LeftImageFilename},
        {"DisplayImageFilename", p.DisplayImageFilename},
        {"ReadmeFilename", p.ReadmeFilename},
        {"ExtFileCount", Decimal(static_cast<int32_t>(p.ExtFileItems.size()))},
    };
    for (size_t i = 0; i < p.ExtFileItems.size(); ++i)
        e.push_back({ItemKey(i), p.ExtFileItems[i]});
    const std::pair<std::string, std::string> rest[] = {
        {"FlashAlign_Horizontal", Decimal(p.FlashAlign_Horizontal)},
        {"FlashAlign_Vertical", Decimal(p.FlashAlign_Vertical)},
        {"Scale", Decimal(p.Scale)},
        {"BKGroundColor", p.BKGroundColor},
        {"AutoPlay", Decimal(p.AutoPlay)},
        {"Loop", Decimal(p.Loop)},
        {"ShowMenu", Decimal(p.ShowMenu)},
        {"Quality", Decimal(p.Quality)},
        {"Dimensions", Decimal(p.Dimensions)},
        {"Height", p.Height},
        {"Width", p.Width},
        {"IconFilename", p.IconFilename},
        {"WovenliteFilename", p.WovenliteFilename},
        {"InstallerPackageFilename", p.InstallerPackageFilename},
    };
    e.insert(e.end(), std::begin(rest), std::end(rest));
    return e;
}

bool WriteProjectFile(const std::string& path, const WallpaperProject& project) {
    if (path.empty())
        return false;
    return ProfileWriteStrings(path, kSection, ProjectFileEntries(project));
}

bool ReadProjectFile(const std::string& path, WallpaperProject* project) {
    // A folder, or a pattern that FileExists matches, opens as no file.
    if (path.empty() || !FileExists(path) || IsExistingFolder(path) || !File(path, "rb").IsOpen())
        return false;
    const std::vector<std::string> keys = {
        "SwfFilename",
        "WallpaperName",
        "PublisherName",
        "PublisherURL",
        "Copyright",
        "TopImageFilename",
        "LeftImageFilename",
        "DisplayImageFilename",
        "ReadmeFilename",
        "ExtFileCount",
        "FlashAlign_Horizontal",
        "FlashAlign_Vertical",
        "Scale",
        "BKGroundColor",
        "AutoPlay",
        "Loop",
        "ShowMenu",
        "Quality",
        "Dimensions",
        "Height",
        "Width",
        "IconFilename",
        "WovenliteFilename",
        "InstallerPackageFilename",
    };
    const std::vector<std::string> values = ProfileReadStrings(path, kSection, keys);
    size_t next = 0;
    auto text = [&]() { return values[next++]; };
    auto number = [&]() { return ProfileNumber(values[next++]); };
    WallpaperProject p;
    p.SwfFilename = text();
    p.WallpaperName = text();
    p.PublisherName = text();
    p.PublisherURL = text();
    p.Copyright = text();
    p.TopImageFilename = text();
    p.LeftImageFilename = text();
    p.DisplayImageFilename = text();
    p.ReadmeFilename = text();
    const int32_t count = std::min(number(), kMaxStoredExtraFiles);
    std::vector<std::string> itemKeys;
    for (int32_t i = 0; i < count; ++i)
        itemKeys.push_back(ItemKey(static_cast<size_t>(i)));
    p.ExtFileItems = ProfileReadStrings(path, kSection, itemKeys);
    p.FlashAlign_Horizontal = number();
    p.FlashAlign_Vertical = number();
    p.Scale = number();
    p.BKGroundColor = text();
    p.AutoPlay = number();
    p.Loop = number();
    p.ShowMenu = number();
    p.Quality = number();
    p.Dimensions = number();
    // Stored as the boxes' text, read back as numbers.
    p.Height = Decimal(number());
    p.Width = Decimal(number());
    p.IconFilename = text();
    p.WovenliteFilename = text();
    p.InstallerPackageFilename = text();
    ClampChoices(p);
    *project = p;
    return true;
}

bool LoadProjectFile(const std::string& path, WallpaperProject* project) {
    WallpaperProject p;
    if (!ReadProjectFile(path, &p))
        return false;
    const std::string folder = FolderOfPath(path);
    for (std::string* f :
         {&p.SwfFilename, &p.TopImageFilename, &p.LeftImageFilename, &p.DisplayImageFilename,
          &p.ReadmeFilename, &p.IconFilename, &p.WovenliteFilename, &p.InstallerPackageFilename})
        *f = Resolve(folder, *f);
    for (std::string& item : p.ExtFileItems)
        item = Resolve(folder, item);
    *project = p;
    return true;
}

bool DropMissingFiles(WallpaperProject& p) {
    DropIfMissing(p.SwfFilename);
    for (std::string* f : {&p.TopImageFilename, &p.LeftImageFilename, &p.DisplayImageFilename,
                           &p.ReadmeFilename, &p.IconFilename})
        DropIfMissing(*f);
    std::vector<std::string> kept;
    for (const std::string& item : p.ExtFileItems) {
        if (!item.empty() && FileExists(item))
            kept.push_back(item);
    }
    p.ExtFileItems = kept;
    return !p.SwfFilename.empty();
}

bool HasProjectContent(const WallpaperProject& p) {
    for (const std::string* f :
         {&p.SwfFilename, &p.WallpaperName, &p.PublisherName, &p.PublisherURL, &p.Copyright,
          &p.TopImageFilename, &p.LeftImageFilename, &p.DisplayImageFilename, &p.ReadmeFilename,
          &p.IconFilename, &p.InstallerPackageFilename}) {
        if (!f->empty())
            return true;
    }
    return !p.ExtFileItems.empty();
}

} // namespace ww
