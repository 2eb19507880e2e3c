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
// Size of the first match, low 32 bits; 0 when nothing matches.
uint32_t FileLengthOf(const std::string& path);
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
    // temp, output and Resource under the builder folder, created on demand;
    // the builder folder itself when creating fails.
    std::string GetTempFolder() const { return ScratchFolder("temp"); }
    std::string GetOutputFolder() const { return ScratchFolder("output"); }
    std::string GetResourceFolder() const { return ScratchFolder("Resource"); }
    // Full path of the shipped default image when it exists, else empty.
    std::string DefaultTopImage() const { return ExistingOrEmpty("top1.bmp"); }
    std::string DefaultLeftImage() const { return ExistingOrEmpty("left1.bmp"); }
    std::string DefaultDisplayImage() const { return ExistingOrEmpty("display1.bmp"); }
    // True when every shipped file is present, tested in order; otherwise false
    // with the first missing name in *missing.
    bool CheckRequiredFiles(std::string* missing = nullptr) const;
    // Empties output and temp of files, without creating either.
    void ExitCleanUp() const;

    // The shipped files in the order they are tested, with the host separator.
    static std::string RequiredFile(int index);
    // Those of them that the build commands read: the template and the stubs.
    static std::vector<std::string> BuildInputFiles();

  private:
    std::string ScratchFolder(const char* name) const;
    std::string ExistingOrEmpty(const char* imageName) const;
    std::string builderFolder_;
};

} // namespace ww
