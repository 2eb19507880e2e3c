#include "common/package_reader.h"

#include "common/file.h"
#include "common/fs.h"
#include "common/install_options.h"
#include "common/path.h"
#include "common/pe_overlay.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

namespace ww {

namespace {

// Readmes beyond this are cut: the licence page shows text, and a package
// must not make the installer claim gigabytes of memory.
constexpr uint32_t kReadmeLimit = 16u * 1024 * 1024;

bool ReadAt(File& f, int64_t offset, void* buf, size_t n) {
    return f.Seek(offset, SEEK_SET) && f.ReadExact(buf, n);
}

// One file of a package and where it goes.
struct Placement {
    std::string path;
    int64_t offset;
    uint32_t size;
};

// Per file, a block's worth of room beyond its bytes.
constexpr int64_t kBlockSlack = 4096;

// The room the files need on the disk: new bytes, plus the largest file that
// replaces one, whose temporary copy stands beside the old until the rename.
int64_t RoomNeeded(const std::vector<Placement>& files) {
    int64_t growth = 0, largestReplaced = 0;
    for (const Placement& p : files) {
        const int64_t old = IsRegularFile(p.path) ? FileSizeOf(p.path) : -1;
        const int64_t size = static_cast<int64_t>(p.size) + kBlockSlack;
        if (old < 0) {
            growth += size;
        } else {
            growth += size > old ? size - old : 0;
            largestReplaced = std::max(largestReplaced, std::min(size, old));
        }
    }
    return growth + largestReplaced;
}

// Every check that can be made before the first byte is written, so a
// package never fails half-way for a reason known in advance.
bool CheckPlacements(const std::vector<Placement>& files, const std::string& volume,
                     std::string* failure) {
    for (const Placement& p : files) {
        if (!PathFitsFileSystem(p.path) || !PathFitsFileSystem(TemporaryPathFor(p.path))) {
            *failure = p.path + ": the path is longer than the file system takes";
            return false;
        }
        if (IsExistingFolder(p.path)) {
            *failure = p.path + ": a folder stands where the file goes";
            return false;
        }
    }
    const int64_t free = FreeSpaceOf(volume);
    const int64_t needed = RoomNeeded(files);
    if (free >= 0 && free < needed) {
        *failure = volume + ": the disk has " + std::to_string(free) +
                   " bytes free and the files need " + std::to_string(needed);
        return false;
    }
    return true;
}

// Copies size bytes at offset into a new file at outPath, replacing what is
// there only once the copy is complete.
bool ExtractRange(File& in, const Placement& p, std::string* failure) {
    AtomicOutput out;
    CopyFault fault = CopyFault::None;
    if (!out.Begin(p.path)) {
        *failure = p.path + ": the file cannot be created";
    } else if (!in.Seek(p.offset, SEEK_SET) || !CopyBytes(in, out.file(), p.size, &fault)) {
        const std::string why = fault == CopyFault::Write ? LastWriteFailure() : std::string();
        *failure = p.path +
                   (fault == CopyFault::Write ? ": the file cannot be written"
                                              : ": the installer cannot be read") +
                   (why.empty() ? "" : " (" + why + ")");
    } else if (!out.Commit()) {
        const std::string why = LastWriteFailure();
        *failure = p.path + ": the file cannot be written" + (why.empty() ? "" : " (" + why + ")");
    } else {
        return true;
    }
    return false;
}

// Whether two stretches of one file hold the same bytes.
bool SameRanges(File& f, int64_t a, int64_t b, uint32_t size) {
    std::vector<char> x(64 * 1024), y(64 * 1024);
    for (uint32_t done = 0; done < size;) {
        const size_t n = std::min<size_t>(x.size(), size - done);
        if (!ReadAt(f, a + done, x.data(), n) || !ReadAt(f, b + done, y.data(), n) ||
            std::memcmp(x.data(), y.data(), n) != 0)
            return false;
        done += static_cast<uint32_t>(n);
    }
    return true;
}

// The names Windows could not create, found before the first byte is written.
bool CreatableNames(const std::vector<std::string>& names, std::string* failure) {
    for (const std::string& n : names) {
        if (HasCharacterWindowsRefuses(n)) {
            *failure = DescribeNameRefusal(PackageError::UnsafeName, n);
            return false;
        }
    }
    return true;
}

bool LinkedFolder(const std::string& folder, std::string* failure) {
    if (!IsLink(folder))
        return false;
    *failure = WithoutTrailingSeparator(folder) + ": the folder is a link to elsewhere";
    return true;
}

bool ReadEntries(File& f, int64_t tableStart, int count, std::vector<PackageEntry>* entries) {
    std::vector<uint8_t> table(static_cast<size_t>(count) * kPackageEntrySize);
    if (count > 0 && !ReadAt(f, tableStart, table.data(), table.size()))
        return false;
    ByteReader r(table.data(), table.size());
    entries->clear();
    for (int i = 0; i < count; ++i)
        entries->push_back(PackageEntry::Read(r));
    return r.ok();
}

// Starts of n back-to-back files that end at end, from the last one back.
std::vector<int64_t> StartsBefore(int64_t end, const std::vector<PackageEntry>& entries) {
    std::vector<int64_t> starts(entries.size());
    for (size_t i = entries.size(); i > 0; --i) {
        end -= entries[i - 1].size;
        starts[i - 1] = end;
    }
    return starts;
}

uint64_t SumOfSizes(const std::vector<PackageEntry>& entries) {
    uint64_t sum = 0;
    for (const PackageEntry& e : entries)
        sum += e.size;
    return sum;
}

// The first entry whose name is not safe; nullptr when all are.
const PackageEntry* UnsafeEntry(const std::vector<PackageEntry>& entries) {
    for (const PackageEntry& e : entries) {
        if (!IsSafeStoredNameShape(e.name))
            return &e;
    }
    return nullptr;
}

// Every stored name as this system's file functions take it, before any
// check, so the checks see the names that will reach the disk.
bool LocaliseNames(const std::vector<std::string*>& names, std::string* refused) {
    for (std::string* name : names) {
        std::string local;
        if (!NameForThisSystem(*name, &local)) {
            *refused = *name;
            return false;
        }
        *name = local;
    }
    return true;
}

std::vector<std::string> NamesOf(const std::vector<PackageEntry>& entries) {
    std::vector<std::string> names;
    for (const PackageEntry& e : entries)
        names.push_back(e.name);
    return names;
}

} // namespace

const char* DescribePackageError(PackageError error) {
    switch (error) {
    case PackageError::None:
        return "no error";
    case PackageError::CannotOpen:
        return "the file cannot be read";
    case PackageError::NoPackage:
        return "the file carries no package";
    case PackageError::BadCount:
        return "the package's file count is out of range";
    case PackageError::OutOfBounds:
        return "the package's sizes reach outside the file";
    case PackageError::UnsafeName:
        return "the package stores a name that is not a plain file name";
    case PackageError::NoName:
        return "the package names no wallpaper";
    case PackageError::NameClash:
        return "the package stores two files under one name";
    case PackageError::ForeignName:
        return "the package stores a name this system's code page cannot hold";
    }
    return "unknown error";
}

static std::vector<std::string> WithFolder(const PackageNames& names) {
    std::vector<std::string> beside = names.beside;
    if (!names.wallpaperName.empty())
        beside.push_back(names.wallpaperName);
    return beside;
}

// The whole check, or (when opening a package) all of it but the characters
// Windows refuses, which the installers meet only when creating the files.
static PackageError CheckNames(const PackageNames& names, bool windowsCharacters,
                               std::string* name) {
    std::string ignored;
    std::string& refused = name ? *name : ignored;
    auto safe = [&](const std::string& n) {
        return IsSafeStoredNameShape(n) && !(windowsCharacters && HasCharacterWindowsRefuses(n));
    };
    for (const std::vector<std::string>* group : {&names.beside, &names.inside}) {
        for (const std::string& n : *group) {
            if (!safe(n)) {
                refused = n;
                return PackageError::UnsafeName;
            }
        }
    }
    if (!names.wallpaperName.empty() && !safe(names.wallpaperName)) {
        refused = names.wallpaperName;
        return PackageError::UnsafeName;
    }
    // Beside the page stands the wallpaper's folder; inside it, every file.
    const std::vector<std::string> beside = WithFolder(names);
    for (const std::vector<std::string>* group : {&beside, &names.inside}) {
        std::map<std::string, size_t> first;
        for (size_t j = 0; j < group->size(); ++j) {
            const std::string& n = (*group)[j];
            auto [at, added] = first.emplace(NameFoldKey(n), j);
            if (added)
                continue;
            const size_t i = at->second;
            const bool repeated = group == &names.inside && (*group)[i] == n && names.sameData &&
                                  names.sameData(i, j);
            if (!repeated) {
                refused = n;
                return PackageError::NameClash;
            }
        }
    }
    // A file inside named like the page would pass for it: refused too,
    // though the two land in different folders.
    std::set<std::string> pages;
    for (const std::string& n : names.beside)
        pages.insert(NameFoldKey(n));
    for (const std::string& n : names.inside) {
        if (pages.count(NameFoldKey(n))) {
            refused = n;
            return PackageError::NameClash;
        }
    }
    return PackageError::None;
}

PackageError CheckPackageNames(const PackageNames& names, std::string* name) {
    return CheckNames(names, true, name);
}

namespace {

// The name check both readers make once every entry's place is known: the
// page beside the folder, the rest inside it, where the same bytes listed
// twice under one name are one file.
PackageError CheckStoredNames(File& f, const std::string& wallpaperName, const std::string& page,
                              const std::vector<PackageEntry>& inside,
                              const std::vector<int64_t>& starts, std::string* refused) {
    PackageNames names;
    names.wallpaperName = wallpaperName;
    names.beside = {page};
    names.inside = NamesOf(inside);
    names.sameData = [&](size_t i, size_t j) {
        return inside[i].size == inside[j].size &&
               SameRanges(f, starts[i], starts[j], inside[i].size);
    };
    return CheckNames(names, false, refused);
}

} // namespace

std::string DescribeNameRefusal(PackageError error, const std::string& name) {
    return std::string(DescribePackageError(error)) + ": \"" + name + "\"";
}

std::string ForeignNameMessage(const std::string& refusal) {
    return "This wallpaper cannot be installed on this system: " + refusal + ".";
}

int RefusedPackageExitCode(PackageError error) {
    return error == PackageError::ForeignName ? kNameNotHeld : kNotASetupFile;
}

bool HasPackageMarker(const std::string& path, const char* marker) {
    // A pipe or a device would block the read or never end.
    if (!IsRegularFile(path))
        return false;
    File f(path, "rb");
    char tail[kMarkerSize];
    int64_t size = AppendedDataEnd(f);
    return size >= static_cast<int64_t>(kMarkerSize) &&
           ReadAt(f, size - static_cast<int64_t>(kMarkerSize), tail, kMarkerSize) &&
           std::memcmp(tail, marker, kMarkerSize) == 0;
}

static std::string RefusalOf(PackageError error, const std::string& name) {
    return name.empty() ? DescribePackageError(error) : DescribeNameRefusal(error, name);
}

bool SetupPackageReader::Refuse(PackageError error, const std::string& name) {
    error_ = error;
    refusedName_ = name;
    return false;
}

std::string SetupPackageReader::refusal() const {
    return RefusalOf(error_, refusedName_);
}

bool SetupPackageReader::Open(const std::string& exePath) {
    path_ = exePath;
    if (!IsRegularFile(exePath))
        return Refuse(PackageError::CannotOpen);
    File f(exePath, "rb");
    int64_t size = AppendedDataEnd(f);
    if (size < 0)
        return Refuse(PackageError::CannotOpen);
    if (size < static_cast<int64_t>(kSetupTailSize) || !HasPackageMarker(exePath, kSetupMarker))
        return Refuse(PackageError::NoPackage);

    const int64_t trailerStart = size - static_cast<int64_t>(kSetupTailSize);
    uint8_t raw[kSetupTrailerSize];
    if (!ReadAt(f, trailerStart, raw, sizeof raw))
        return Refuse(PackageError::CannotOpen);
    trailer_ = SetupTrailer::Read(raw);
    const int32_t n = trailer_.extraCount;
    if (n < 0 || n > kSetupCapacity)
        return Refuse(PackageError::BadCount);
    const int64_t tableSize = static_cast<int64_t>(n) * kPackageEntrySize;
    if (tableSize > trailerStart)
        return Refuse(PackageError::OutOfBounds);
    const int64_t tableStart = trailerStart - tableSize;
    if (!ReadEntries(f, tableStart, n, &entries_))
        return Refuse(PackageError::CannotOpen);
    std::vector<std::string*> stored = {&trailer_.wallpaperName};
    for (FileSlot& s : trailer_.slots)
        stored.push_back(&s.name);
    for (PackageEntry& e : entries_)
        stored.push_back(&e.name);
    if (std::string foreign; !LocaliseNames(stored, &foreign))
        return Refuse(PackageError::ForeignName, foreign);

    std::vector<PackageEntry> slots;
    for (const FileSlot& s : trailer_.slots)
        slots.push_back({s.size, s.name});
    if (SumOfSizes(entries_) + SumOfSizes(slots) > static_cast<uint64_t>(tableStart))
        return Refuse(PackageError::OutOfBounds);
    for (const std::vector<PackageEntry>* group : {&entries_, &slots}) {
        if (const PackageEntry* bad = UnsafeEntry(*group))
            return Refuse(PackageError::UnsafeName, bad->name);
    }
    if (trailer_.wallpaperName.empty())
        return Refuse(PackageError::NoName);
    extraStart_ = StartsBefore(tableStart, entries_);
    int64_t extrasStart = tableStart - static_cast<int64_t>(SumOfSizes(entries_));
    slotStart_ = StartsBefore(extrasStart, slots);

    // Inside the folder: slots 2 to 7, then the extras.
    std::vector<PackageEntry> inside(slots.begin() + 1, slots.end());
    std::vector<int64_t> starts(slotStart_.begin() + 1, slotStart_.end());
    inside.insert(inside.end(), entries_.begin(), entries_.end());
    starts.insert(starts.end(), extraStart_.begin(), extraStart_.end());
    std::string refused;
    const PackageError nameError =
        CheckStoredNames(f, trailer_.wallpaperName, slots[0].name, inside, starts, &refused);
    if (nameError != PackageError::None)
        return Refuse(nameError, refused);
    error_ = PackageError::None;
    return true;
}

bool SetupPackageReader::ReadReadme(std::string* text) const {
    if (error_ != PackageError::None)
        return false;
    File f(path_, "rb");
    const FileSlot& slot = trailer_.slot(kSlotReadme);
    uint32_t size = slot.size < kReadmeLimit ? slot.size : kReadmeLimit;
    std::string data(size, '\0');
    if (size > 0 && !ReadAt(f, SlotOffset(kSlotReadme), &data[0], size))
        return false;
    size_t zero = data.find('\0');
    if (zero != std::string::npos)
        data.resize(zero);
    *text = data;
    return true;
}

bool SetupPackageReader::ExtractImages(const std::string& folder, std::string* top,
                                       std::string* left) const {
    failure_.clear();
    if (error_ != PackageError::None || LinkedFolder(folder, &failure_))
        return false;
    const std::string base = WithTrailingSeparator(folder);
    if (!CreatableNames({trailer_.slot(kSlotTopImage).name, trailer_.slot(kSlotLeftImage).name},
                        &failure_))
        return false;
    *top = base + trailer_.slot(kSlotTopImage).name;
    *left = base + trailer_.slot(kSlotLeftImage).name;
    const std::vector<Placement> files = {
        {*top, SlotOffset(kSlotTopImage), trailer_.slot(kSlotTopImage).size},
        {*left, SlotOffset(kSlotLeftImage), trailer_.slot(kSlotLeftImage).size}};
    if (!CheckPlacements(files, base, &failure_))
        return false;
    File f(path_, "rb");
    return ExtractRange(f, files[0], &failure_) && ExtractRange(f, files[1], &failure_);
}

bool SetupPackageReader::ExtractAll(const std::string& destination,
                                    const Progress& progress) const {
    failure_.clear();
    if (error_ != PackageError::None || destination.empty())
        return false;
    auto notify = [&](int step) {
        if (progress)
            progress(step);
    };
    const std::string parent = FolderOfPath(WithoutTrailingSeparator(destination));
    const std::string folder = WithTrailingSeparator(destination);
    if (LinkedFolder(folder, &failure_))
        return false;
    std::vector<Placement> files;
    std::vector<std::string> names = {trailer_.wallpaperName};
    for (int number = 1; number <= kSetupSlotCount; ++number) {
        const FileSlot& slot = trailer_.slot(number);
        files.push_back(
            {(number == kSlotPage ? parent : folder) + slot.name, SlotOffset(number), slot.size});
        names.push_back(slot.name);
    }
    for (size_t i = 0; i < entries_.size(); ++i) {
        files.push_back({folder + entries_[i].name, ExtraOffset(i), entries_[i].size});
        names.push_back(entries_[i].name);
    }
    if (!CreatableNames(names, &failure_) || !CheckPlacements(files, folder, &failure_))
        return false;
    File f(path_, "rb");
    if (!f.IsOpen()) {
        failure_ = path_ + ": " + DescribePackageError(PackageError::CannotOpen);
        return false;
    }
    notify(1);
    notify(2);
    for (size_t i = 0; i < files.size(); ++i) {
        if (!ExtractRange(f, files[i], &failure_))
            return false;
        if (i < kSetupSlotCount)
            notify(static_cast<int>(i) + 3);
    }
    notify(10);
    return true;
}

bool SimplePackageReader::Refuse(PackageError error, const std::string& name) {
    error_ = error;
    refusedName_ = name;
    return false;
}

std::string SimplePackageReader::refusal() const {
    return RefusalOf(error_, refusedName_);
}

bool SimplePackageReader::Open(const std::string& exePath) {
    path_ = exePath;
    header_ = SimpleHeader();
    if (!IsRegularFile(exePath))
        return Refuse(PackageError::CannotOpen);
    File f(exePath, "rb");
    int64_t size = AppendedDataEnd(f);
    if (size < 0)
        return Refuse(PackageError::CannotOpen);
    if (size < static_cast<int64_t>(kSimpleTailSize) || !HasPackageMarker(exePath, kSimpleMarker))
        return Refuse(PackageError::NoPackage);

    const int64_t countStart = size - static_cast<int64_t>(kSimpleTailSize);
    uint8_t raw[4];
    if (!ReadAt(f, countStart, raw, sizeof raw))
        return Refuse(PackageError::CannotOpen);
    const int32_t n = static_cast<int32_t>(LoadU32(raw));
    if (n < 0 || n > kSimpleCapacity)
        return Refuse(PackageError::BadCount);
    const int64_t tableSize = static_cast<int64_t>(n) * kPackageEntrySize;
    if (tableSize > countStart)
        return Refuse(PackageError::OutOfBounds);
    const int64_t tableStart = countStart - tableSize;
    if (!ReadEntries(f, tableStart, n, &entries_))
        return Refuse(PackageError::CannotOpen);
    const uint64_t extras = SumOfSizes(entries_);
    if (extras + kSimpleHeaderSize > static_cast<uint64_t>(tableStart))
        return Refuse(PackageError::OutOfBounds);
    const int64_t headerStart = tableStart - static_cast<int64_t>(extras) - kSimpleHeaderSize;
    uint8_t header[kSimpleHeaderSize];
    if (!ReadAt(f, headerStart, header, sizeof header))
        return Refuse(PackageError::CannotOpen);
    header_ = SimpleHeader::Read(header);
    std::vector<std::string*> stored = {&header_.wallpaperName, &header_.page.name,
                                        &header_.movie.name, &header_.image.name};
    for (PackageEntry& e : entries_)
        stored.push_back(&e.name);
    if (std::string foreign; !LocaliseNames(stored, &foreign))
        return Refuse(PackageError::ForeignName, foreign);
    const uint64_t fixed = uint64_t{header_.page.size} + header_.movie.size + header_.image.size;
    if (fixed > static_cast<uint64_t>(headerStart))
        return Refuse(PackageError::OutOfBounds);
    pageStart_ = headerStart - static_cast<int64_t>(fixed);
    extraStart_ = StartsBefore(tableStart, entries_);

    std::vector<PackageEntry> inside = {header_.movie, header_.image};
    std::vector<int64_t> starts = {MovieOffset(), ImageOffset()};
    inside.insert(inside.end(), entries_.begin(), entries_.end());
    starts.insert(starts.end(), extraStart_.begin(), extraStart_.end());
    std::string refused;
    const PackageError nameError =
        CheckStoredNames(f, header_.wallpaperName, header_.page.name, inside, starts, &refused);
    if (nameError != PackageError::None)
        return Refuse(nameError, refused);
    error_ = PackageError::None;
    return true;
}

SimplePackageReader::ExtractResult
SimplePackageReader::ExtractPackage(const std::string& destination,
                                    const FolderTest& isExistingFolder) const {
    failure_.clear();
    if (error_ != PackageError::None || header_.wallpaperName.empty() || destination.empty())
        return ExtractResult::Failed;
    const std::string base = WithTrailingSeparator(destination);
    const std::string folder = base + header_.wallpaperName;
    const std::string into = WithTrailingSeparator(folder);
    std::vector<Placement> files = {{base + header_.page.name, PageOffset(), header_.page.size},
                                    {into + header_.movie.name, MovieOffset(), header_.movie.size},
                                    {into + header_.image.name, ImageOffset(), header_.image.size}};
    std::vector<std::string> names = {header_.page.name, header_.movie.name, header_.image.name};
    for (size_t i = 0; i < entries_.size(); ++i) {
        files.push_back({into + entries_[i].name, ExtraOffset(i), entries_[i].size});
        names.push_back(entries_[i].name);
    }
    if (LinkedFolder(folder, &failure_))
        return ExtractResult::Failed;
    // A folder Windows cannot create fails as it would there, on any system.
    if (HasCharacterWindowsRefuses(header_.wallpaperName)) {
        failure_ = folder + ": the folder cannot be created";
        return ExtractResult::FolderNotCreated;
    }
    if (!CreatableNames(names, &failure_) || !CheckPlacements(files, base, &failure_))
        return ExtractResult::Failed;
    bool exists = isExistingFolder ? isExistingFolder(folder) : IsExistingFolder(folder);
    if (!exists && !CreateFolder(folder)) {
        failure_ = folder + ": the folder cannot be created";
        return ExtractResult::FolderNotCreated;
    }
    File f(path_, "rb");
    if (!f.IsOpen()) {
        failure_ = path_ + ": " + DescribePackageError(PackageError::CannotOpen);
        return ExtractResult::Failed;
    }
    for (const Placement& p : files) {
        if (!ExtractRange(f, p, &failure_))
            return ExtractResult::Failed;
    }
    return ExtractResult::Ok;
}

} // namespace ww
