#include "builder/project/project_file.h"

#include "builder/project/profile.h"
#include "builder/project/workspace.h"
#include "common/path.h"

#include <cstdio>

namespace ww {

namespace {

const char kSection[] = "General";

// A value on one line: a line break inside it would start a new key.
std::string OneLine(const std::string& value) {
    std::string v = value;
    for (char& c : v) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return v;
}

std::string Decimal(int32_t n) {
    return std::to_string(n);
}

std::string ItemKey(size_t i) {
    return "ExtFileItem" + std::to_string(i);
}

// Windows paths are absolute on every system: a project saved there names
// its files so even when read elsewhere.
bool IsStoredPathAbsolute(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':')
        return true;
    if (path.size() >= 2 && (path[0] == '\\' || path[0] == '/') &&
        (path[1] == '\\' || path[1] == '/'))
        return true;
    return IsAbsolutePath(path);
}

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
    for (const auto& [key, value] : ProjectFileEntries(project)) {
        if (!ProfileWriteString(path, kSection, key, OneLine(value)))
            return false;
    }
    return true;
}

bool ReadProjectFile(const std::string& path, WallpaperProject* project) {
    if (path.empty() || !FileExists(path))
        return false;
    auto text = [&](const char* key) { return ProfileReadString(path, kSection, key); };
    auto number = [&](const char* key) { return ProfileNumber(text(key)); };
    WallpaperProject p;
    p.SwfFilename = text("SwfFilename");
    p.WallpaperName = text("WallpaperName");
    p.PublisherName = text("PublisherName");
    p.PublisherURL = text("PublisherURL");
    p.Copyright = text("Copyright");
    p.TopImageFilename = text("TopImageFilename");
    p.LeftImageFilename = text("LeftImageFilename");
    p.DisplayImageFilename = text("DisplayImageFilename");
    p.ReadmeFilename = text("ReadmeFilename");
    int32_t count = number("ExtFileCount");
    if (count > kMaxStoredExtraFiles)
        count = kMaxStoredExtraFiles;
    for (int32_t i = 0; i < count; ++i)
        p.ExtFileItems.push_back(ProfileReadString(path, kSection, ItemKey(i)));
    p.FlashAlign_Horizontal = number("FlashAlign_Horizontal");
    p.FlashAlign_Vertical = number("FlashAlign_Vertical");
    p.Scale = number("Scale");
    p.BKGroundColor = text("BKGroundColor");
    p.AutoPlay = number("AutoPlay");
    p.Loop = number("Loop");
    p.ShowMenu = number("ShowMenu");
    p.Quality = number("Quality");
    p.Dimensions = number("Dimensions");
    // Stored as the boxes' text, read back as numbers.
    p.Height = Decimal(number("Height"));
    p.Width = Decimal(number("Width"));
    p.IconFilename = text("IconFilename");
    p.WovenliteFilename = text("WovenliteFilename");
    p.InstallerPackageFilename = text("InstallerPackageFilename");
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
