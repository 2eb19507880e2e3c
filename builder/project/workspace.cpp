#include "builder/project/workspace.h"

#include "common/fs.h"
#include "common/path.h"

#include <cstdio>

namespace ww {

bool FileExists(const std::string& path) {
    std::string probe = WithoutTrailingSeparator(path);
    if (probe.empty())
        return false;
    return FindFirstMatch(probe, nullptr);
}

bool IsValidWallpaperName(const std::string& name) {
    return name.find_first_of("\\/:*?\"<>|") == std::string::npos;
}

uint32_t FileDialogStructSize(uint32_t versionWord) {
    return (versionWord & 0x80000000u) == 0 ? 88 : 76;
}

void ClearFolderFiles(const std::string& folder) {
    std::string base = WithTrailingSeparator(folder);
    for (const FoundEntry& entry : FindMatches(base + "*.*")) {
        if (!entry.isFolder)
            RemoveFile(base + entry.name);
    }
}

std::string GetBuilderFolder() {
    return WithTrailingSeparator(FolderOfPath(ModuleFilePath()));
}

Workspace::Workspace(const std::string& builderFolder)
    : builderFolder_(WithTrailingSeparator(builderFolder)), scratchRoot_(builderFolder_) {}

void Workspace::SetScratchRoot(const std::string& folder) {
    scratchRoot_ = WithTrailingSeparator(folder);
}

bool Workspace::ScratchIsWritable() const {
    // A file made and removed again in each folder, or in the root where a
    // folder is yet to be made on demand: nothing is left behind.
    for (const char* name : {"temp", "output"}) {
        const std::string folder = scratchRoot_ + name;
        const std::string probe =
            WithTrailingSeparator(IsExistingFolder(folder) ? folder : scratchRoot_) +
            "~wallweaver-probe." + UniqueSuffix() + "-" + std::to_string(RandomBits());
        std::FILE* f = CreateNewFile(probe);
        if (!f)
            return false;
        std::fclose(f);
        RemoveFile(probe);
    }
    return true;
}

PrivateScratch::PrivateScratch() {
    const std::string base = UserTempFolder();
    for (int attempt = 0; attempt < 16 && path_.empty(); ++attempt) {
        const std::string folder =
            base + "wallweaver-" + UniqueSuffix() + "-" + std::to_string(RandomBits());
        if (!IsExistingFolder(folder) && CreateFolder(folder))
            path_ = WithTrailingSeparator(folder);
    }
}

PrivateScratch::~PrivateScratch() {
    if (path_.empty())
        return;
    for (const char* name : {"temp", "output"}) {
        const std::string folder = path_ + name;
        if (IsExistingFolder(folder)) {
            ClearFolderFiles(folder);
            RemoveEmptyFolder(folder);
        }
    }
    RemoveEmptyFolder(WithoutTrailingSeparator(path_));
}

std::string Workspace::BuilderFile(const std::string& name) const {
    std::string local = name;
    for (char& c : local) {
        if (c == '\\' || c == '/')
            c = kPathSeparator;
    }
    return builderFolder_ + local;
}

namespace {

// The files shipped in the builder folder, in the order start-up tests them;
// the first four are what the build commands read.
const char* const kShippedFiles[Workspace::kRequiredFileCount] = {
    "res.sdt",        "Wovenset.exe",           "Wovenplay.exe",       "Wovenlite.exe",
    "Wallweaver.chm", "Resource\\display1.bmp", "Resource\\left1.bmp", "Resource\\top1.bmp"};
constexpr int kBuildInputCount = 4;

} // namespace

std::vector<std::string> Workspace::BuildInputFiles() {
    std::vector<std::string> files;
    for (int i = 0; i < kBuildInputCount; ++i)
        files.push_back(RequiredFile(i));
    return files;
}

std::string Workspace::RequiredFile(int index) {
    std::string name = (index >= 0 && index < kRequiredFileCount) ? kShippedFiles[index] : "";
    for (char& c : name) {
        if (c == '\\')
            c = kPathSeparator;
    }
    return name;
}

bool Workspace::CheckRequiredFiles(std::string* missing) const {
    for (int i = 0; i < kRequiredFileCount; ++i) {
        if (!FileExists(BuilderFile(RequiredFile(i)))) {
            if (missing)
                *missing = RequiredFile(i);
            return false;
        }
    }
    return true;
}

std::string Workspace::ScratchFolder(const std::string& root, const char* name) {
    std::string folder = root + name;
    if (!IsExistingFolder(folder) && !CreateFolder(folder))
        return root;
    return WithTrailingSeparator(folder);
}

std::string Workspace::ExistingOrEmpty(const char* imageName) const {
    std::string path = builderFolder_ + "Resource" + kPathSeparator + imageName;
    return FileExists(path) ? path : std::string();
}

void Workspace::ExitCleanUp() const {
    // Formed directly: a missing folder is neither created nor replaced.
    for (const char* name : {"output", "temp"}) {
        std::string folder = scratchRoot_ + name;
        if (IsExistingFolder(folder))
            ClearFolderFiles(folder);
    }
}

} // namespace ww
