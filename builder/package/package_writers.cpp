#include "builder/package/package_writers.h"

#include "builder/package/icon_replace.h"
#include "builder/project/workspace.h"
#include "common/file.h"
#include "common/fs.h"
#include "common/package_reader.h"
#include "common/path.h"

#include <cstdint>

namespace ww {

namespace {

// The steps every writer shares: the stub copied under a temporary name, the
// icon replaced on the bare copy, data appended, the result renamed into place.
class InstallerAssembler {
  public:
    explicit InstallerAssembler(std::string* error) : error_(error) {}

    bool Start(const std::string& stub, const std::string& output, const std::string& icon) {
        output_ = output;
        if (!PathFitsFileSystem(output) || !PathFitsFileSystem(TemporaryPathFor(output)))
            return Fail("the output " + output + " is a longer path than the file system takes");
        File in(stub, "rb");
        int64_t size = in.Size();
        if (size < 0)
            return Fail("the stub " + stub + " cannot be read");
        if (!out_.Begin(output))
            return Fail("the output " + output + " cannot be created");
        CopyFault fault;
        if (!CopyBytes(in, out_.file(), static_cast<uint64_t>(size), &fault))
            return fault == CopyFault::Write ? WriteFailed()
                                             : Fail("the stub " + stub + " cannot be copied");
        if (!icon.empty()) {
            if (!out_.Suspend())
                return WriteFailed();
            if (ReplaceExecutableIcon(out_.temporaryPath(), icon, 0) != 1)
                return Fail("the icon file " + icon + " cannot be used");
            if (!out_.Resume())
                return Fail("the output " + output + " cannot be written");
        }
        return true;
    }

    // Appends a whole file that must still have the length it had when it was
    // set: an entry's size and its data have to agree.
    bool AppendFile(const std::string& path, uint64_t expectedSize) {
        File in(path, "rb");
        int64_t size = in.Size();
        if (size < 0)
            return Fail("the file " + path + " cannot be read");
        if (size != static_cast<int64_t>(expectedSize))
            return Fail("the file " + path + " changed size since it was added");
        CopyFault fault;
        if (!CopyBytes(in, out_.file(), expectedSize, &fault))
            return fault == CopyFault::Write ? WriteFailed()
                                             : Fail("the file " + path + " cannot be copied");
        return true;
    }

    bool Append(const void* data, size_t size) {
        return out_.file().Write(data, size) || WriteFailed();
    }

    bool AppendEnd(const char* marker) {
        const char flag = kFlagByte;
        return Append(&flag, 1) && Append(marker, kMarkerSize);
    }

    bool Commit() { return out_.Commit() || WriteFailed(); }

    bool Fail(const std::string& why) {
        *error_ = why;
        return false;
    }

    // The output could not take the bytes: say why when the system says so
    // (a full disk is not a stub that cannot be read).
    bool WriteFailed() {
        const std::string why = LastWriteFailure();
        return Fail("the output " + output_ + " cannot be written" +
                    (why.empty() ? std::string() : " (" + why + ")"));
    }

  private:
    AtomicOutput out_;
    std::string output_;
    std::string* error_;
};

// A source file's whole length, 0 when it does not exist.
uint64_t FullLengthOf(const std::string& path) {
    FoundEntry entry;
    return !path.empty() && FindFirstMatch(path, &entry) ? entry.size : 0;
}

// Sizes are stored in 32 bits: a file of 4 GiB or more cannot be packed.
bool SizeStorable(const std::string& path, uint64_t size, std::string* error) {
    if (size <= UINT32_MAX)
        return true;
    *error = "the file " + path + " is 4 GiB or larger, more than a package can store";
    return false;
}

// The names the installers will refuse are refused here, in their words,
// before anything is written. Files inside the wallpaper's folder are
// compared as the installers compare their data.
bool NamesInstallable(PackageNames names, const std::vector<std::string>& insidePaths,
                      const std::vector<uint64_t>& insideSizes, std::string* error) {
    names.sameData = [&](size_t i, size_t j) {
        return insideSizes[i] == insideSizes[j] &&
               (insideSizes[i] == 0 || SameFileBytes(insidePaths[i], insidePaths[j]));
    };
    std::string refused;
    const PackageError problem = CheckPackageNames(names, &refused);
    if (problem == PackageError::None)
        return true;
    *error = DescribeNameRefusal(problem, refused);
    return false;
}

// The bare name a path is stored under; false when it cannot be stored.
bool StoredName(const std::string& path, std::string* name, std::string* error) {
    *name = StripToFileName(path);
    if (name->size() >= kStringFieldSize) {
        *error = "the name " + *name + " is longer than a package can store";
        return false;
    }
    return true;
}

int FieldBytes(const std::string& text) {
    return static_cast<int>((text.size() < kStringFieldSize ? text.size() : kStringFieldSize - 1) +
                            1);
}

} // namespace

int PlayerTailWriter::Build(const std::string& outputPath, const std::string& iconPath) {
    error_.clear();
    InstallerAssembler out(&error_);
    PlayerSettings tail = settings_;
    if (!StoredName(pageFile_, &tail.pageName, &error_))
        return 0;
    if (!IsSafeStoredName(tail.pageName)) {
        error_ = DescribeNameRefusal(PackageError::UnsafeName, tail.pageName);
        return 0;
    }
    if (!out.Start(stubFile_, outputPath, iconPath))
        return 0;
    uint8_t bytes[kPlayerTailSize];
    WritePlayerTail(tail, bytes);
    return out.Append(bytes, sizeof bytes) && out.Commit() ? 1 : 0;
}

int SetupPackageWriter::SetStubFile(const std::string& path) {
    stubFile_ = path;
    return 1;
}

void SetupPackageWriter::SetSlotFile(int number, const std::string& path) {
    if (number < 1 || number > kSetupSlotCount)
        return;
    slots_[number - 1] = {path, FullLengthOf(path)};
}

void SetupPackageWriter::SetExtraCount(int count) {
    extraCount_ = count;
    extras_.assign(count > 0 && count <= kSetupCapacity ? count : 0, Source{});
}

void SetupPackageWriter::SetExtraFile(int index, const std::string& path) {
    if (index >= 0 && static_cast<size_t>(index) < extras_.size())
        extras_[index] = {path, FullLengthOf(path)};
}

int SetupPackageWriter::Build(const std::string& outputPath, const std::string& iconPath) {
    error_.clear();
    if (extraCount_ < 0 || extraCount_ > kSetupCapacity) {
        error_ = "a setup package holds at most " + std::to_string(kSetupCapacity) +
                 " extra files, and " + std::to_string(extraCount_) + " were given";
        return 0;
    }
    SetupTrailer trailer = trailer_;
    trailer.extraCount = extraCount_;
    PackageNames names;
    names.wallpaperName = trailer.wallpaperName;
    std::vector<std::string> paths;
    std::vector<uint64_t> sizes;
    for (int i = 0; i < kSetupSlotCount; ++i) {
        trailer.slots[i].size = static_cast<uint32_t>(slots_[i].size);
        if (!StoredName(slots_[i].path, &trailer.slots[i].name, &error_) ||
            !SizeStorable(slots_[i].path, slots_[i].size, &error_))
            return 0;
        if (i == kSlotPage - 1) {
            names.beside.push_back(trailer.slots[i].name);
        } else {
            names.inside.push_back(trailer.slots[i].name);
            paths.push_back(slots_[i].path);
            sizes.push_back(slots_[i].size);
        }
    }
    std::vector<PackageEntry> entries(extras_.size());
    for (size_t i = 0; i < extras_.size(); ++i) {
        entries[i].size = static_cast<uint32_t>(extras_[i].size);
        if (!StoredName(extras_[i].path, &entries[i].name, &error_) ||
            !SizeStorable(extras_[i].path, extras_[i].size, &error_))
            return 0;
        names.inside.push_back(entries[i].name);
        paths.push_back(extras_[i].path);
        sizes.push_back(extras_[i].size);
    }
    if (!NamesInstallable(names, paths, sizes, &error_))
        return 0;

    InstallerAssembler out(&error_);
    if (!out.Start(stubFile_, outputPath, iconPath))
        return 0;
    for (const Source& slot : slots_) {
        if (!out.AppendFile(slot.path, slot.size))
            return 0;
    }
    for (const Source& extra : extras_) {
        if (!out.AppendFile(extra.path, extra.size))
            return 0;
    }
    for (const PackageEntry& e : entries) {
        uint8_t raw[kPackageEntrySize];
        ByteWriter w(raw, sizeof raw);
        e.Write(w);
        if (!out.Append(raw, sizeof raw))
            return 0;
    }
    uint8_t raw[kSetupTrailerSize];
    trailer.Write(raw);
    return out.Append(raw, sizeof raw) && out.AppendEnd(kSetupMarker) && out.Commit() ? 1 : 0;
}

int SimplePackageWriter::SetStubFile(const std::string& path) {
    stubFile_ = path;
    return FieldBytes(path);
}

int SimplePackageWriter::SetPageFile(const std::string& path) {
    pageFile_ = path;
    return FieldBytes(path);
}

int SimplePackageWriter::SetMovieFile(const std::string& path) {
    movieFile_ = path;
    return FieldBytes(path);
}

int SimplePackageWriter::SetImageFile(const std::string& path) {
    imageFile_ = path;
    return FieldBytes(path);
}

int SimplePackageWriter::SetWallpaperName(const std::string& text) {
    wallpaperName_ = text;
    return FieldBytes(text);
}

void SimplePackageWriter::AddExtraFile(const std::string& path) {
    extras_.push_back({path, FullLengthOf(path), FileExists(path)});
}

int SimplePackageWriter::Build(const std::string& outputPath, const std::string& iconPath) {
    error_.clear();
    if (stubFile_.empty() || pageFile_.empty() || movieFile_.empty() || imageFile_.empty() ||
        wallpaperName_.empty()) {
        error_ = "the stub, page, movie, display image and wallpaper name must all be given";
        return 0;
    }
    if (extras_.size() > static_cast<size_t>(kSimpleCapacity)) {
        error_ = "a projectable wallpaper holds at most " + std::to_string(kSimpleCapacity) +
                 " extra files, and " + std::to_string(extras_.size()) + " were given";
        return 0;
    }
    SimpleHeader header;
    header.wallpaperName = wallpaperName_;
    const std::string* fixedFiles[] = {&pageFile_, &movieFile_, &imageFile_};
    PackageEntry* fixedEntries[] = {&header.page, &header.movie, &header.image};
    uint64_t fixedSizes[3];
    PackageNames names;
    names.wallpaperName = wallpaperName_;
    std::vector<std::string> paths;
    std::vector<uint64_t> sizes;
    for (int i = 0; i < 3; ++i) {
        fixedSizes[i] = FullLengthOf(*fixedFiles[i]);
        fixedEntries[i]->size = static_cast<uint32_t>(fixedSizes[i]);
        if (!StoredName(*fixedFiles[i], &fixedEntries[i]->name, &error_) ||
            !SizeStorable(*fixedFiles[i], fixedSizes[i], &error_))
            return 0;
        if (i == 0) {
            names.beside.push_back(fixedEntries[i]->name);
        } else {
            names.inside.push_back(fixedEntries[i]->name);
            paths.push_back(*fixedFiles[i]);
            sizes.push_back(fixedSizes[i]);
        }
    }
    std::vector<PackageEntry> entries(extras_.size());
    for (size_t i = 0; i < extras_.size(); ++i) {
        entries[i].size = static_cast<uint32_t>(extras_[i].size);
        if (!StoredName(extras_[i].path, &entries[i].name, &error_) ||
            !SizeStorable(extras_[i].path, extras_[i].size, &error_))
            return 0;
        names.inside.push_back(entries[i].name);
        paths.push_back(extras_[i].path);
        sizes.push_back(extras_[i].existed ? extras_[i].size : 0);
    }
    if (!NamesInstallable(names, paths, sizes, &error_))
        return 0;

    InstallerAssembler out(&error_);
    if (!out.Start(stubFile_, outputPath, iconPath) || !out.AppendFile(pageFile_, fixedSizes[0]) ||
        !out.AppendFile(movieFile_, fixedSizes[1]) || !out.AppendFile(imageFile_, fixedSizes[2]))
        return 0;
    uint8_t raw[kSimpleHeaderSize];
    header.Write(raw);
    if (!out.Append(raw, sizeof raw))
        return 0;
    for (const Source& extra : extras_) {
        // A file that did not exist when it was added is an empty entry; one
        // that existed then must still be there, unchanged.
        if (extra.existed && !out.AppendFile(extra.path, extra.size))
            return 0;
    }
    for (const PackageEntry& e : entries) {
        uint8_t entry[kPackageEntrySize];
        ByteWriter w(entry, sizeof entry);
        e.Write(w);
        if (!out.Append(entry, sizeof entry))
            return 0;
    }
    uint8_t count[4];
    StoreU32(count, static_cast<uint32_t>(entries.size()));
    return out.Append(count, sizeof count) && out.AppendEnd(kSimpleMarker) && out.Commit() ? 1 : 0;
}

} // namespace ww
