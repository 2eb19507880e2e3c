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
    NameClash,   // two names Windows takes for one file in the same folder
    ForeignName, // a UTF-8 name this system's code page cannot hold
};

// A sentence for the command-line builder and logs.
const char* DescribePackageError(PackageError error);

// A package's names, placed as the readers place them: the page beside the
// wallpaper's folder, every other file inside it.
struct PackageNames {
    std::string wallpaperName; // the folder's name; empty when not given
    std::vector<std::string> beside;
    std::vector<std::string> inside;
    // Whether inside files i and j hold the same bytes. A file listed twice
    // under one name, exactly, with the same data installs as one file and
    // is accepted; unset, no two are taken for the same.
    std::function<bool(size_t i, size_t j)> sameData;
};
// The readers' whole check of a package's names, made before anything is
// written (Open makes all of it but the characters Windows refuses, which
// the installers meet when they create the files, so extraction checks
// those, and a wallpaper's folder holding one cannot be created): each name a safe stored name
// (IsSafeStoredName), the wallpaper name too when given, and no two names that Windows takes for
// one file in one folder, the wallpaper's folder counting as a name beside the page (a name
// repeated exactly for the same data excepted), nor a file inside named like the page. Answers
// None, UnsafeName or NameClash; *name gets the name refused.
PackageError CheckPackageNames(const PackageNames& names, std::string* name = nullptr);
// The readers' sentence for a refused name, naming it, e.g.
// the package stores a name that is not a plain file name: "wave.swf."
std::string DescribeNameRefusal(PackageError error, const std::string& name);

// What an installer says when its package holds a name this system cannot
// write (PackageError::ForeignName), naming it.
std::string ForeignNameMessage(const std::string& refusal);
// The unattended exit code for a package that Open refused.
int RefusedPackageExitCode(PackageError error);

// Whether a file ends in a marker, without reading anything else.
bool HasPackageMarker(const std::string& path, const char* marker);

class SetupPackageReader {
  public:
    // Steps 1 to 10 of ExtractAll, reported as each completes.
    using Progress = std::function<void(int step)>;

    bool Open(const std::string& exePath);
    PackageError error() const { return error_; }
    // Why Open refused the package, naming the entry when one is at fault.
    std::string refusal() const;
    // Why the last extraction wrote nothing or stopped, naming the file.
    const std::string& failure() const { return failure_; }
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
    // destination; existing files are replaced. Nothing is written unless
    // every file fits: destination not a link, each path (and its temporary
    // name) within the file system's limits, no folder in a file's place,
    // room enough on the disk.
    bool ExtractAll(const std::string& destination, const Progress& progress) const;

  private:
    bool Refuse(PackageError error, const std::string& name = std::string());
    std::string path_;
    PackageError error_ = PackageError::CannotOpen;
    std::string refusedName_;
    mutable std::string failure_;
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
    std::string refusal() const;
    const std::string& failure() const { return failure_; }
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
    // isExistingFolder says it does not exist yet. As for the setup package,
    // every file is checked before the folder is made or a byte written.
    ExtractResult ExtractPackage(const std::string& destination,
                                 const FolderTest& isExistingFolder) const;

  private:
    bool Refuse(PackageError error, const std::string& name = std::string());
    std::string path_;
    PackageError error_ = PackageError::CannotOpen;
    std::string refusedName_;
    mutable std::string failure_;
    SimpleHeader header_;
    std::vector<PackageEntry> entries_;
    int64_t pageStart_ = 0;
    std::vector<int64_t> extraStart_;
};

} // namespace ww
