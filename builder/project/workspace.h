// The builder folder and what lies in it: shipped files, scratch folders, the
// default images, and the small file helpers the rest of the builder shares.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ww {

// True when the path (one trailing separator removed) has a first match in the
// file system; folders count, and wildcards match as FindFirstFile has them.
bool FileExists(const std::string& path);
// False when the name holds any of \ / : * ? " < > |; true otherwise, also when empty.
bool IsValidWallpaperName(const std::string& name);
// 88 for the NT family (top bit of the version word clear), 76 otherwise.
uint32_t FileDialogStructSize(uint32_t versionWord);
// Deletes every file that folder + "*.*" lists; subfolders and files in use stay.
void ClearFolderFiles(const std::string& folder);
// Folder of the running executable, ending in a separator.
std::string GetBuilderFolder();

class Workspace {
  public:
    static constexpr int kRequiredFileCount = 8;

    explicit Workspace(const std::string& builderFolder);

    const std::string& BuilderFolder() const { return builderFolder_; }
    // builder folder + name; name may use either separator form of the table.
    std::string BuilderFile(const std::string& name) const;
    // temp and output under the scratch root (the builder folder unless set
    // otherwise), Resource under the builder folder, each created on demand;
    // the folder above it when creating fails.
    std::string GetTempFolder() const { return ScratchFolder(scratchRoot_, "temp"); }
    std::string GetOutputFolder() const { return ScratchFolder(scratchRoot_, "output"); }
    std::string GetResourceFolder() const { return ScratchFolder(builderFolder_, "Resource"); }
    // Where temp and output go from now on.
    void SetScratchRoot(const std::string& folder);
    // Whether files can be made in temp and output under the scratch root.
    bool ScratchIsWritable() const;
    // Full path of the shipped default image when it exists, else empty.
    std::string DefaultTopImage() const { return ExistingOrEmpty("top1.bmp"); }
    std::string DefaultLeftImage() const { return ExistingOrEmpty("left1.bmp"); }
    std::string DefaultDisplayImage() const { return ExistingOrEmpty("display1.bmp"); }
    // True when every shipped file is present, tested in order; otherwise false
    // with the first missing name in *missing.
    bool CheckRequiredFiles(std::string* missing = nullptr) const;
    // Empties output and temp (under the scratch root) of files, without
    // creating either.
    void ExitCleanUp() const;

    // The shipped files in the order they are tested, with the host separator.
    static std::string RequiredFile(int index);
    // Those of them that the build commands read: the template and the stubs.
    static std::vector<std::string> BuildInputFiles();

  private:
    static std::string ScratchFolder(const std::string& root, const char* name);
    std::string ExistingOrEmpty(const char* imageName) const;
    std::string builderFolder_;
    std::string scratchRoot_;
};

// The name of a private scratch folder: "wallweaver-", the process id, a
// count and random bits, each in decimal and joined by "-".
std::string ScratchFolderName(uint32_t pid, uint32_t count, uint32_t random);
// Whether name has that form; *pid gets its process.
bool ParseScratchFolderName(const std::string& name, uint32_t* pid);
// Removes, from folder, the private scratch folders of processes that no
// longer run (a build killed half-way) with their temp and output; those of
// running ones stay, and so do links and anything else a folder holds.
void RemoveStaleScratchFolders(const std::string& folder);

// A scratch root of one's own under the user's temporary folder, for builds
// that must not meet another build's files (the command line: two builds of
// one wallpaper name may run at once) nor need the builder folder writable.
// Removed with everything in its temp and output when the holder ends; one
// left by a build that was killed goes when the next one starts.
class PrivateScratch {
  public:
    PrivateScratch();
    ~PrivateScratch();
    PrivateScratch(const PrivateScratch&) = delete;
    PrivateScratch& operator=(const PrivateScratch&) = delete;
    bool ok() const { return !path_.empty(); }
    // The folder, ending in a separator; empty when it could not be made.
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

} // namespace ww
