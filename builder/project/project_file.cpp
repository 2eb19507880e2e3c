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

// The file's keys in the order saving writes them. Reading, resolving,
// dropping and printing all walk this table, so a new setting is one row.
const std::vector<ProjectField> kProjectFields = {
    {"SwfFilename", FieldKind::Path, &WallpaperProject::SwfFilename},
    {"WallpaperName", FieldKind::Text, &WallpaperProject::WallpaperName},
    {"PublisherName", FieldKind::Text, &WallpaperProject::PublisherName},
    {"PublisherURL", FieldKind::Text, &WallpaperProject::PublisherURL},
    {"Copyright", FieldKind::Text, &WallpaperProject::Copyright},
    {"TopImageFilename", FieldKind::Path, &WallpaperProject::TopImageFilename},
    {"LeftImageFilename", FieldKind::Path, &WallpaperProject::LeftImageFilename},
    {"DisplayImageFilename", FieldKind::Path, &WallpaperProject::DisplayImageFilename},
    {"ReadmeFilename", FieldKind::Path, &WallpaperProject::ReadmeFilename},
    {"ExtFileCount", FieldKind::PathList, nullptr, nullptr, &WallpaperProject::ExtFileItems},
    {"FlashAlign_Horizontal", FieldKind::Number, nullptr, &WallpaperProject::FlashAlign_Horizontal},
    {"FlashAlign_Vertical", FieldKind::Number, nullptr, &WallpaperProject::FlashAlign_Vertical},
    {"Scale", FieldKind::Number, nullptr, &WallpaperProject::Scale},
    {"BKGroundColor", FieldKind::Text, &WallpaperProject::BKGroundColor},
    {"AutoPlay", FieldKind::Number, nullptr, &WallpaperProject::AutoPlay},
    {"Loop", FieldKind::Number, nullptr, &WallpaperProject::Loop},
    {"ShowMenu", FieldKind::Number, nullptr, &WallpaperProject::ShowMenu},
    {"Quality", FieldKind::Number, nullptr, &WallpaperProject::Quality},
    {"Dimensions", FieldKind::Number, nullptr, &WallpaperProject::Dimensions},
    {"Height", FieldKind::NumberText, &WallpaperProject::Height},
    {"Width", FieldKind::NumberText, &WallpaperProject::Width},
    {"IconFilename", FieldKind::Path, &WallpaperProject::IconFilename},
    {"WovenliteFilename", FieldKind::OutputPath, &WallpaperProject::WovenliteFilename},
    {"InstallerPackageFilename", FieldKind::OutputPath,
     &WallpaperProject::InstallerPackageFilename},
};

const std::vector<ProjectField>& ProjectFields() {
    return kProjectFields;
}

std::vector<std::pair<std::string, std::string>> ProjectFileEntries(const WallpaperProject& p) {
    std::vector<std::pair<std::string, std::string>> e;
    for (const ProjectField& f : kProjectFields) {
        switch (f.kind) {
        case FieldKind::Number:
            e.push_back({f.key, Decimal(p.*f.number)});
            break;
        case FieldKind::PathList: {
            const std::vector<std::string>& items = p.*f.list;
            e.push_back({f.key, Decimal(static_cast<int32_t>(items.size()))});
            for (size_t i = 0; i < items.size(); ++i)
                e.push_back({ItemKey(i), items[i]});
            break;
        }
        default:
            e.push_back({f.key, p.*f.text});
            break;
        }
    }
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
    std::vector<std::string> keys;
    for (const ProjectField& f : kProjectFields)
        keys.push_back(f.key);
    const std::vector<std::string> values = ProfileReadStrings(path, kSection, keys);
    WallpaperProject p;
    for (size_t i = 0; i < keys.size(); ++i) {
        const ProjectField& f = kProjectFields[i];
        switch (f.kind) {
        case FieldKind::Number:
            p.*f.number = ProfileNumber(values[i]);
            break;
        case FieldKind::NumberText:
            // Stored as the boxes' text, read back as numbers.
            p.*f.text = Decimal(ProfileNumber(values[i]));
            break;
        case FieldKind::PathList: {
            const int32_t count = std::min(ProfileNumber(values[i]), kMaxStoredExtraFiles);
            std::vector<std::string> itemKeys;
            for (int32_t n = 0; n < count; ++n)
                itemKeys.push_back(ItemKey(static_cast<size_t>(n)));
            p.*f.list = ProfileReadStrings(path, kSection, itemKeys);
            break;
        }
        default:
            p.*f.text = values[i];
            break;
        }
    }
    ClampChoices(p);
    *project = p;
    return true;
}

bool LoadProjectFile(const std::string& path, WallpaperProject* project) {
    WallpaperProject p;
    if (!ReadProjectFile(path, &p))
        return false;
    const std::string folder = FolderOfPath(path);
    for (const ProjectField& f : kProjectFields) {
        if (f.kind == FieldKind::Path || f.kind == FieldKind::OutputPath)
            p.*f.text = Resolve(folder, p.*f.text);
        if (f.kind == FieldKind::PathList) {
            for (std::string& item : p.*f.list)
                item = Resolve(folder, item);
        }
    }
    *project = p;
    return true;
}

bool DropMissingFiles(WallpaperProject& p) {
    for (const ProjectField& f : kProjectFields) {
        if (f.kind == FieldKind::Path)
            DropIfMissing(p.*f.text);
        if (f.kind == FieldKind::PathList) {
            std::vector<std::string>& items = p.*f.list;
            items.erase(std::remove_if(items.begin(), items.end(),
                                       [](const std::string& item) {
                                           return item.empty() || !FileExists(item);
                                       }),
                        items.end());
        }
    }
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
