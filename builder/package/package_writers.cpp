#include "builder/package/package_writers.h"

#include "builder/package/icon_replace.h"
#include "builder/project/workspace.h"
#include "common/file.h"
#include "common/path.h"

namespace ww {

namespace {

// The steps every writer shares: the stub copied under a temporary name, the
// icon replaced on the bare copy, data appended, the result renamed into place.
class InstallerAssembler {
  public:
    explicit InstallerAssembler(std::string* error) : error_(error) {}

    bool Start(const std::string& stub, const std::string& output, const std::string& icon) {
        File in(stub, "rb");
        int64_t size = in.Size();
        if (size < 0)
            return Fail("the stub " + stub + " cannot be read");
        if (!out_.Begin(output))
            return Fail("the output " + output + " cannot be created");
        if (!CopyBytes(in, out_.file(), static_cast<uint64_t>(size)))
            return Fail("the stub " + stub + " cannot be copied");
        if (!icon.empty()) {
            if (!out_.Suspend())
                return Fail("the output " + output + " cannot be written");
            if (ReplaceExecutableIcon(out_.temporaryPath(), icon, 0) != 1)
                return Fail("the icon file " + icon + " cannot be used");
            if (!out_.Resume())
                return Fail("the output " + output + " cannot be written");
        }
        return true;
    }

    // Appends a whole file that must still have the length it had when it was
    // set: an entry's size and its data have to agree.
    bool AppendFile(const std::string& path, uint32_t expectedSize) {
        File in(path, "rb");
        int64_t size = in.Size();
        if (size < 0)
            return Fail("the file " + path + " cannot be read");
        if (size != static_cast<int64_t>(expectedSize))
            return Fail("the file " + path + " changed size since it was added");
        if (!CopyBytes(in, out_.file(), expectedSize))
            return Fail("the file " + path + " cannot be copied");
        return true;
    }

    bool Append(const void* data, size_t size) {
        return out_.file().Write(data, size) || Fail("the output cannot be written");
    }

    bool AppendEnd(const char* marker) {
        const char flag = kFlagByte;
        return Append(&flag, 1) && Append(marker, kMarkerSize);
    }

    bool Commit(const std::string& output) {
        return out_.Commit() || Fail("the output " + output + " cannot be written");
    }

    bool Fail(const std::string& why) {
        *error_ = why;
        return false;
    }

  private:
    AtomicOutput out_;
    std::string* error_;
};

// The bare name a path is stored under; false when it cannot be stored.
bool StoredName(const std::string& path, std::string* name, std::string* error) {
    *name = StripToFileName(path);
    if (name->size() >= kNameFieldSize) {
        *error = "the name " + *name + " is longer than a package can store";
        return false;
    }
    return true;
}

int FieldBytes(const std::string& text) {
    return static_cast<int>((text.size() < kNameFieldSize ? text.size() : kNameFieldSize - 1) + 1);
}

} // namespace

int PlayerTailWriter::Build(const std::string& outputPath, const std::string& iconPath) {
    error_.clear();
    InstallerAssembler out(&error_);
    PlayerSettings tail = settings_;
    if (!StoredName(pageFile_, &tail.pageName, &error_) ||
        !out.Start(stubFile_, outputPath, iconPath))
        return 0;
    uint8_t bytes[kPlayerTailSize];
    WritePlayerTail(tail, bytes);
    return out.Append(bytes, sizeof bytes) && out.Commit(outputPath) ? 1 : 0;
}

int SetupPackageWriter::SetStubFile(const std::string& path) {
    stubFile_ = path;
    return 1;
}

void SetupPackageWriter::SetSlotFile(int number, const std::string& path) {
    if (number < 1 || number > kSetupSlotCount)
        return;
    slots_[number - 1] = {path, FileLengthOf(path)};
}

void SetupPackageWriter::SetExtraCount(int count) {
    extraCount_ = count;
    extras_.assign(count > 0 && count <= kSetupCapacity ? count : 0, Source{});
}

void SetupPackageWriter::SetExtraFile(int index, const std::string& path) {
    if (index >= 0 && static_cast<size_t>(index) < extras_.size())
        extras_[index] = {path, FileLengthOf(path)};
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
    for (int i = 0; i < kSetupSlotCount; ++i) {
        trailer.slots[i].size = slots_[i].size;
        if (!StoredName(slots_[i].path, &trailer.slots[i].name, &error_))
            return 0;
    }
    std::vector<PackageEntry> entries(extras_.size());
    for (size_t i = 0; i < extras_.size(); ++i) {
        entries[i].size = extras_[i].size;
        if (!StoredName(extras_[i].path, &entries[i].name, &error_))
            return 0;
    }

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
    return out.Append(raw, sizeof raw) && out.AppendEnd(kSetupMarker) && out.Commit(outputPath) ? 1
                                                                                                : 0;
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
    extras_.push_back({path, FileLengthOf(path), FileExists(path)});
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
    header.page.size = FileLengthOf(pageFile_);
    header.movie.size = FileLengthOf(movieFile_);
    header.image.size = FileLengthOf(imageFile_);
    if (!StoredName(pageFile_, &header.page.name, &error_) ||
        !StoredName(movieFile_, &header.movie.name, &error_) ||
        !StoredName(imageFile_, &header.image.name, &error_))
        return 0;
    std::vector<PackageEntry> entries(extras_.size());
    for (size_t i = 0; i < extras_.size(); ++i) {
        entries[i].size = extras_[i].size;
        if (!StoredName(extras_[i].path, &entries[i].name, &error_))
            return 0;
    }

    InstallerAssembler out(&error_);
    if (!out.Start(stubFile_, outputPath, iconPath) ||
        !out.AppendFile(pageFile_, header.page.size) ||
        !out.AppendFile(movieFile_, header.movie.size) ||
        !out.AppendFile(imageFile_, header.image.size))
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
    return out.Append(count, sizeof count) && out.AppendEnd(kSimpleMarker) && out.Commit(outputPath)
               ? 1
               : 0;
}

} // namespace ww
