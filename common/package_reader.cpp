#include "common/package_reader.h"

#include "common/file.h"
#include "common/fs.h"
#include "common/path.h"
#include "common/pe_overlay.h"

#include <cstring>

namespace ww {

namespace {

// Readmes beyond this are cut: the licence page shows text, and a package
// must not make the installer claim gigabytes of memory.
constexpr uint32_t kReadmeLimit = 16u * 1024 * 1024;

bool ReadAt(File& f, int64_t offset, void* buf, size_t n) {
    return f.Seek(offset, SEEK_SET) && f.ReadExact(buf, n);
}

// Copies size bytes at offset into a new file at outPath, replacing what is
// there only once the copy is complete.
bool ExtractRange(File& in, int64_t offset, uint32_t size, const std::string& outPath) {
    AtomicOutput out;
    if (!out.Begin(outPath) || !in.Seek(offset, SEEK_SET) || !CopyBytes(in, out.file(), size))
        return false;
    return out.Commit();
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

bool AllNamesSafe(const std::vector<PackageEntry>& entries) {
    for (const PackageEntry& e : entries) {
        if (!IsSafeStoredName(e.name))
            return false;
    }
    return true;
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
    }
    return "unknown error";
}

bool HasPackageMarker(const std::string& path, const char* marker) {
    File f(path, "rb");
    char tail[kMarkerSize];
    int64_t size = AppendedDataEnd(f);
    return size >= static_cast<int64_t>(kMarkerSize) &&
           ReadAt(f, size - static_cast<int64_t>(kMarkerSize), tail, kMarkerSize) &&
           std::memcmp(tail, marker, kMarkerSize) == 0;
}

bool SetupPackageReader::Refuse(PackageError error) {
    error_ = error;
    return false;
}

bool SetupPackageReader::Open(const std::string& exePath) {
    path_ = exePath;
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

    std::vector<PackageEntry> slots;
    for (const FileSlot& s : trailer_.slots)
        slots.push_back({s.size, s.name});
    if (SumOfSizes(entries_) + SumOfSizes(slots) > static_cast<uint64_t>(tableStart))
        return Refuse(PackageError::OutOfBounds);
    if (!AllNamesSafe(entries_) || !AllNamesSafe(slots))
        return Refuse(PackageError::UnsafeName);
    if (trailer_.wallpaperName.empty())
        return Refuse(PackageError::NoName);
    if (!IsSafeStoredName(trailer_.wallpaperName))
        return Refuse(PackageError::UnsafeName);

    extraStart_ = StartsBefore(tableStart, entries_);
    int64_t extrasStart = tableStart - static_cast<int64_t>(SumOfSizes(entries_));
    slotStart_ = StartsBefore(extrasStart, slots);
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
    if (error_ != PackageError::None)
        return false;
    File f(path_, "rb");
    std::string base = WithTrailingSeparator(folder);
    *top = base + trailer_.slot(kSlotTopImage).name;
    *left = base + trailer_.slot(kSlotLeftImage).name;
    return ExtractRange(f, SlotOffset(kSlotTopImage), trailer_.slot(kSlotTopImage).size, *top) &&
           ExtractRange(f, SlotOffset(kSlotLeftImage), trailer_.slot(kSlotLeftImage).size, *left);
}

bool SetupPackageReader::ExtractAll(const std::string& destination,
                                    const Progress& progress) const {
    if (error_ != PackageError::None || destination.empty())
        return false;
    auto notify = [&](int step) {
        if (progress)
            progress(step);
    };
    const std::string parent = FolderOfPath(WithoutTrailingSeparator(destination));
    const std::string folder = WithTrailingSeparator(destination);
    File f(path_, "rb");
    if (!f.IsOpen())
        return false;
    notify(1);
    notify(2);
    for (int number = 1; number <= kSetupSlotCount; ++number) {
        const FileSlot& slot = trailer_.slot(number);
        const std::string& into = number == kSlotPage ? parent : folder;
        if (!ExtractRange(f, SlotOffset(number), slot.size, into + slot.name))
            return false;
        notify(number + 2);
    }
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (!ExtractRange(f, ExtraOffset(i), entries_[i].size, folder + entries_[i].name))
            return false;
    }
    notify(10);
    return true;
}

bool SimplePackageReader::Refuse(PackageError error) {
    error_ = error;
    return false;
}

bool SimplePackageReader::Open(const std::string& exePath) {
    path_ = exePath;
    header_ = SimpleHeader();
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
    const uint64_t fixed = uint64_t{header_.page.size} + header_.movie.size + header_.image.size;
    if (fixed > static_cast<uint64_t>(headerStart))
        return Refuse(PackageError::OutOfBounds);
    if (!AllNamesSafe(entries_) || !AllNamesSafe({header_.page, header_.movie, header_.image}))
        return Refuse(PackageError::UnsafeName);
    if (!header_.wallpaperName.empty() && !IsSafeStoredName(header_.wallpaperName))
        return Refuse(PackageError::UnsafeName);

    pageStart_ = headerStart - static_cast<int64_t>(fixed);
    extraStart_ = StartsBefore(tableStart, entries_);
    error_ = PackageError::None;
    return true;
}

SimplePackageReader::ExtractResult
SimplePackageReader::ExtractPackage(const std::string& destination,
                                    const FolderTest& isExistingFolder) const {
    if (error_ != PackageError::None || header_.wallpaperName.empty() || destination.empty())
        return ExtractResult::Failed;
    const std::string base = WithTrailingSeparator(destination);
    const std::string folder = base + header_.wallpaperName;
    bool exists = isExistingFolder ? isExistingFolder(folder) : IsExistingFolder(folder);
    if (!exists && !CreateFolder(folder))
        return ExtractResult::FolderNotCreated;
    const std::string into = WithTrailingSeparator(folder);
    File f(path_, "rb");
    if (!f.IsOpen() ||
        !ExtractRange(f, PageOffset(), header_.page.size, base + header_.page.name) ||
        !ExtractRange(f, MovieOffset(), header_.movie.size, into + header_.movie.name) ||
        !ExtractRange(f, ImageOffset(), header_.image.size, into + header_.image.name))
        return ExtractResult::Failed;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (!ExtractRange(f, ExtraOffset(i), entries_[i].size, into + entries_[i].name))
            return ExtractResult::Failed;
    }
    return ExtractResult::Ok;
}

} // namespace ww
