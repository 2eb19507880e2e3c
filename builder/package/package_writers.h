// The three writers that make installers: each copies a stub executable,
// gives the copy the chosen icon, and appends its data. The output is
// assembled under a temporary name beside the target and renamed into place
// only when complete, so a failed build leaves no broken installer and keeps
// an earlier good one. Every file is copied through a fixed buffer.
#pragma once

#include "common/package_format.h"
#include "common/player_tail.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ww {

// Writes the player settings tail onto a copy of Wovenplay.exe.
class PlayerTailWriter {
  public:
    void SetStubFile(const std::string& path) { stubFile_ = path; }
    void SetPageFile(const std::string& path) { pageFile_ = path; }
    void SetWallpaperName(const std::string& text) { settings_.wallpaperName = text; }
    void SetPublisherName(const std::string& text) { settings_.publisherName = text; }
    void SetPublisherUrl(const std::string& text) { settings_.publisherUrl = text; }
    void SetCopyright(const std::string& text) { settings_.copyright = text; }
    // 1 on success, 0 on failure (error() says why).
    int Build(const std::string& outputPath, const std::string& iconPath);
    const std::string& error() const { return error_; }

  private:
    std::string stubFile_;
    std::string pageFile_;
    PlayerSettings settings_;
    std::string error_;
};

// A copy of Wovenset.exe with a setup package.
class SetupPackageWriter {
  public:
    int SetStubFile(const std::string& path);
    // Slot 1 to 7; records the file's length now (0 when it does not exist).
    void SetSlotFile(int number, const std::string& path);
    void SetExtraCount(int count);
    // Index from 0; records the file's length now.
    void SetExtraFile(int index, const std::string& path);
    void SetWallpaperName(const std::string& text) { trailer_.wallpaperName = text; }
    void SetPublisherName(const std::string& text) { trailer_.publisherName = text; }
    void SetPublisherUrl(const std::string& text) { trailer_.publisherUrl = text; }
    void SetCopyright(const std::string& text) { trailer_.copyright = text; }
    int Build(const std::string& outputPath, const std::string& iconPath);
    const std::string& error() const { return error_; }

  private:
    struct Source {
        std::string path;
        uint64_t size = 0;
    };
    std::string stubFile_;
    Source slots_[kSetupSlotCount];
    int extraCount_ = 0;
    std::vector<Source> extras_;
    SetupTrailer trailer_;
    std::string error_;
};

// A copy of Wovenlite.exe with a simple package.
class SimplePackageWriter {
  public:
    // Each returns the number of bytes its field takes (length + 1).
    int SetStubFile(const std::string& path);
    int SetPageFile(const std::string& path);
    int SetMovieFile(const std::string& path);
    int SetImageFile(const std::string& path);
    int SetWallpaperName(const std::string& text);
    // Records the file's length now (0 when it does not exist).
    void AddExtraFile(const std::string& path);
    int Build(const std::string& outputPath, const std::string& iconPath);
    const std::string& error() const { return error_; }

  private:
    struct Source {
        std::string path;
        uint64_t size = 0;
        bool existed = false;
    };
    std::string stubFile_;
    std::string pageFile_;
    std::string movieFile_;
    std::string imageFile_;
    std::string wallpaperName_;
    std::vector<Source> extras_;
    std::string error_;
};

} // namespace ww
