// Readers of the two installer packages, located from the end of the
// installer's own file, or from where its signature begins when it is signed
// (common/pe_overlay.h). A reader trusts nothing it reads: Open checks the
// marker, every count against its capacity, every size and computed position
// against the file, and every stored name; a package that breaks any rule is
// refused whole, before anything is written.
#pragma once

#include "common/package_format.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ww {

enum class PackageError {
    None,
    CannotOpen,  // the file cannot be opened or read
    NoPackage,   // too short, or the marker is not at its end
    BadCount,    // a count above capacity or negative
    OutOfBounds, // sizes that reach outside the file
    UnsafeName,  // a stored name that is not a bare, safe file name
    NoName,      // an empty wallpaper name
};

// A sentence for the command-line builder and logs.
const char* DescribePackageError(PackageError error);

// Whether a file ends in a marker, without reading anything else.
bool HasPackageMarker(const std::string& path, const char* marker);

class SetupPackageReader {
  public:
    // Steps 1 to 10 of ExtractAll, reported as each completes.
    using Progress = std::function<void(int step)>;

    bool Open(const std::string& exePath);
    PackageError error() const { return error_; }
    const SetupTrailer& trailer() const { return trailer_; }
    const std::vector<PackageEntry>& entries() const { return entries_; }
    // Start of a slot's data (number 1 to 7) and of an extra file's (index
    // from 0), from the start of the file.
    int64_t SlotOffset(int number) const { return slotStart_[number - 1]; }
    int64_t ExtraOffset(size_t index) const { return extraStart_[index]; }

    // The readme (slot 6) as text: its bytes up to the first zero byte.
    bool ReadReadme(std::string* text) const;
    // Writes the top and left images (slots 4 and 5) into folder under their
    // stored names; the paths written go to *top and *left.
    bool ExtractImages(const std::string& folder, std::string* top, std::string* left) const;
    // The page into the folder that holds destination, every other file into
    // destination; existing files are replaced.
    bool ExtractAll(const std::string& destination, const Progress& progress) const;

  private:
    bool Refuse(PackageError error);
    std::string path_;
    PackageError error_ = PackageError::CannotOpen;
    SetupTrailer trailer_;
    std::vector<PackageEntry> entries_;
    std::vector<int64_t> slotStart_;
    std::vector<int64_t> extraStart_;
};

class SimplePackageReader {
  public:
    enum class ExtractResult { Ok, FolderNotCreated, Failed };
    using FolderTest = std::function<bool(const std::string& folder)>;

    bool Open(const std::string& exePath);
    PackageError error() const { return error_; }
    // The header as read; after a refusal it still holds what could be read
    // (empty when the header could not be located at all).
    const SimpleHeader& header() const { return header_; }
    const std::vector<PackageEntry>& entries() const { return entries_; }
    int64_t PageOffset() const { return pageStart_; }
    int64_t MovieOffset() const { return pageStart_ + header_.page.size; }
    int64_t ImageOffset() const { return MovieOffset() + header_.movie.size; }
    int64_t ExtraOffset(size_t index) const { return extraStart_[index]; }

    // The page into destination, the movie, the display image and the extra
    // files into destination + wallpaper name, which is created when
    // isExistingFolder says it does not exist yet.
    ExtractResult ExtractPackage(const std::string& destination,
                                 const FolderTest& isExistingFolder) const;

  private:
    bool Refuse(PackageError error);
    std::string path_;
    PackageError error_ = PackageError::CannotOpen;
    SimpleHeader header_;
    std::vector<PackageEntry> entries_;
    int64_t pageStart_ = 0;
    std::vector<int64_t> extraStart_;
};

} // namespace ww
