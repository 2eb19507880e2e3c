#include "builder/project/workspace.h"

#include "common/fs.h"
#include "common/path.h"

#include <atomic>
#include <cstdint>
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

namespace {

constexpr char kScratchPrefix[] = "wallweaver-";

// Decimal digits at text[at], up to the next '-' or the end, as a 32-bit
// value; at moves past them.
bool ReadDecimal(const std::string& text, size_t& at, uint32_t* value) {
    uint64_t v = 0;
    const size_t start = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 10)
        v = v * 10 + static_cast<uint64_t>(text[at++] - '0');
    if (at == start || v > UINT32_MAX || (at < text.size() && text[at] != '-'))
        return false;
    *value = static_cast<uint32_t>(v);
    return true;
}

// Empties and removes the scratch root's temp and output, then the root.
// Files only: a link or anything else the build never makes stops it there.
void RemoveScratchFolder(const std::string& root) {
    const std::string base = WithTrailingSeparator(root);
    for (const char* name : {"temp", "output"}) {
        const std::string folder = base + name;
        if (IsExistingFolder(folder) && !IsLink(folder)) {
            ClearFolderFiles(folder);
            RemoveEmptyFolder(folder);
        }
    }
    RemoveEmptyFolder(WithoutTrailingSeparator(root));
}

} // namespace

std::string ScratchFolderName(uint32_t pid, uint32_t count, uint32_t random) {
    return kScratchPrefix + std::to_string(pid) + "-" + std::to_string(count) + "-" +
           std::to_string(random);
}

bool ParseScratchFolderName(const std::string& name, uint32_t* pid) {
    const size_t prefix = sizeof kScratchPrefix - 1;
    if (name.compare(0, prefix, kScratchPrefix) != 0)
        return false;
    size_t at = prefix;
    uint32_t value = 0, count = 0, random = 0;
    if (!ReadDecimal(name, at, &value) || at++ >= name.size() || !ReadDecimal(name, at, &count) ||
        at++ >= name.size() || !ReadDecimal(name, at, &random) || at != name.size())
        return false;
    *pid = value;
    return true;
}

void RemoveStaleScratchFolders(const std::string& folder) {
    const std::string base = WithTrailingSeparator(folder);
    const uint32_t self = CurrentProcessId();
    for (const FoundEntry& entry : FindMatches(base + kScratchPrefix + "*")) {
        uint32_t pid = 0;
        // Ours in use, or of a process that may still finish: kept.
        if (!entry.isFolder || !ParseScratchFolderName(entry.name, &pid) || pid == self ||
            IsProcessRunning(pid) || IsLink(base + entry.name))
            continue;
        RemoveScratchFolder(base + entry.name);
    }
}

PrivateScratch::PrivateScratch() {
    const std::string base = UserTempFolder();
    RemoveStaleScratchFolders(base);
    static std::atomic<uint32_t> count{0};
    for (int attempt = 0; attempt < 16 && path_.empty(); ++attempt) {
        const std::string folder =
            base + ScratchFolderName(CurrentProcessId(), count++, RandomBits());
        if (!IsExistingFolder(folder) && CreateFolder(folder))
            path_ = WithTrailingSeparator(folder);
    }
}

PrivateScratch::~PrivateScratch() {
    if (!path_.empty())
        RemoveScratchFolder(path_);
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
