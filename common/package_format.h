// The records of the two installer packages, shared by the builder's writers
// and the installers' readers. Every integer is 32-bit little-endian; every
// string is a 260-byte field, zero-terminated and zero-padded.
//
// PackageEntry, 264 bytes (one per extra file, both packages):
//      0    4  size   length of the file's data
//      4  260  name   bare file name
//
// FileSlot, 264 bytes (one per fixed file of the setup trailer):
//      0  260  name
//    260    4  size
//
// SetupTrailer, 3152 bytes:
//      0  7 x 264  slots: page, movie, display image, top image, left image,
//                  readme, player program
//   1848    4  extraCount    0 to 128
//   1852  260  wallpaperName
//   2112  260  publisherName
//   2372  260  publisherUrl
//   2632  260  copyright
//   2892  260  reserved      all zero
//
// SimpleHeader, 1052 bytes:
//      0  264  page   (PackageEntry layout: size, then name)
//    264  264  movie
//    528  264  image  the display image
//    792  260  wallpaperName
//
// Setup package, after the stub:  slot data 1..7, extra data 1..n, entries
// 1..n, trailer, flag byte "1", "WLS".
// Simple package, after the stub: page, movie, image data, header, extra data
// 1..n, entries 1..n, count n (4 bytes), flag byte "1", "WLL".
// Nothing stores a position: every one is computed from the end of the file.
#pragma once

#include "common/bytes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace ww {

constexpr size_t kStringFieldSize = 260;
constexpr size_t kPackageEntrySize = 264;
constexpr size_t kFileSlotSize = 264;
constexpr int kSetupSlotCount = 7;
constexpr size_t kSetupTrailerSize = 3152;
constexpr size_t kSimpleHeaderSize = 1052;
constexpr int kSetupCapacity = 128;
constexpr int kSimpleCapacity = 32;
constexpr char kSetupMarker[] = "WLS";
constexpr char kSimpleMarker[] = "WLL";
constexpr char kFlagByte = '1';
constexpr size_t kMarkerSize = 3;
// Flag byte and marker, after the trailer or the count.
constexpr size_t kPackageEndSize = 1 + kMarkerSize;
// From the start of the trailer to the end of the file.
constexpr size_t kSetupTailSize = kSetupTrailerSize + kPackageEndSize; // 3156
// From the start of the count to the end of the file.
constexpr size_t kSimpleTailSize = 4 + kPackageEndSize; // 8
// The display image the builder draws from the movie when the author chose
// none, stored as PNG: a screen-sized bitmap would outweigh the movie many
// times over. Wovenlite decodes a picture of this name, fitted to the user's
// screen, into the bitmap of the second name, the kind the system takes.
constexpr char kMovieStillName[] = "movie-still.png";
constexpr char kMovieStillBitmapName[] = "movie-still.bmp";

static_assert(4 + kStringFieldSize == kPackageEntrySize, "PackageEntry layout");
static_assert(kStringFieldSize + 4 == kFileSlotSize, "FileSlot layout");
static_assert(kSetupSlotCount * kFileSlotSize + 4 + 5 * kStringFieldSize == kSetupTrailerSize,
              "SetupTrailer layout");
static_assert(3 * kPackageEntrySize + kStringFieldSize == kSimpleHeaderSize, "SimpleHeader layout");

// Slots of the setup trailer, numbered as the installers number them.
enum SetupSlot {
    kSlotPage = 1,
    kSlotMovie = 2,
    kSlotDisplayImage = 3,
    kSlotTopImage = 4,
    kSlotLeftImage = 5,
    kSlotReadme = 6,
    kSlotPlayer = 7,
};

struct PackageEntry {
    uint32_t size = 0;
    std::string name;

    void Write(ByteWriter& w) const;
    static PackageEntry Read(ByteReader& r);
};

struct FileSlot {
    std::string name;
    uint32_t size = 0;

    void Write(ByteWriter& w) const;
    static FileSlot Read(ByteReader& r);
};

struct SetupTrailer {
    std::array<FileSlot, kSetupSlotCount> slots; // slots[0] is slot 1
    int32_t extraCount = 0;
    std::string wallpaperName;
    std::string publisherName;
    std::string publisherUrl;
    std::string copyright;

    const FileSlot& slot(int number) const { return slots[number - 1]; }
    // Writes exactly kSetupTrailerSize bytes.
    void Write(uint8_t* out) const;
    static SetupTrailer Read(const uint8_t* in);
};

struct SimpleHeader {
    PackageEntry page;
    PackageEntry movie;
    PackageEntry image;
    std::string wallpaperName;

    void Write(uint8_t* out) const;
    static SimpleHeader Read(const uint8_t* in);
};

// The name a path is stored under: the text after its last slash or
// backslash, whichever comes later; unchanged when it has none, or when
// nothing follows the last one.
std::string StripToFileName(const std::string& path);

// A name a reader accepts for a file it writes, one that Windows takes as
// that file and no other: not empty; none of \ / : * ? " < > |; not . or ..;
// no control characters; not ending in a dot or a blank (Windows drops them,
// so "wave.swf." is wave.swf); not a device name (CON, PRN, AUX, NUL,
// CONIN$, CONOUT$, CLOCK$, COM0-9, LPT0-9 and COM and LPT with a superscript
// 1, 2 or 3, with or without an extension, in any case); not shaped like a
// short 8.3 name with a tilde ("OCEANW~1.HTM"), which may be another file's.
bool IsSafeStoredName(const std::string& name);
// The characters Windows takes in no file name: * ? < > | and ". An
// installer meets them only when it creates the file (or the wallpaper's
// folder), which it then cannot; the readers check them before writing.
bool HasCharacterWindowsRefuses(const std::string& name);
// IsSafeStoredName, those characters allowed.
bool IsSafeStoredNameShape(const std::string& name);
// A device's name (CON, NUL.txt, "COM1 "), as IsSafeStoredName lists them.
bool IsDeviceName(const std::string& name);
// The form two names share when Windows takes them for the same file name:
// letters in one case, and every byte outside ASCII alike, since how those
// fold depends on the code page.
std::string NameFoldKey(const std::string& name);

} // namespace ww
