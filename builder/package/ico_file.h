// Windows icon files (.ico) and the icon group resource that points at the
// images of an executable's icon.
//
// Icon file, integers little-endian:
//
//   offset  size        field
//        0     2        reserved (ignored)
//        2     2        type (ignored)
//        4     2        count: number of images
//        6  16 x count  directory entries
//
// Directory entry (16 bytes): width (1), height (1), colour count (1),
// reserved (1), planes (2), bit count (2), bytes in resource (4), image
// offset from the start of the file (4).
//
// Checked when an image is read: the whole directory lies in the file, the
// index is below the count, and the image is not empty, at most
// kMaxIconImageSize bytes and lies wholly inside the file. Writers often
// leave planes and bit count 0; the shell picks a group's image by bit count,
// so those then come from the image's own bitmap header when it has one.
//
// Icon group resource (RT_GROUP_ICON): reserved (2), type (2), count (2), then
// count entries of 14 bytes: the first 12 bytes of an icon-file directory
// entry followed by the id (2) of the RT_ICON resource holding that image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ww {

constexpr size_t kIconHeaderSize = 6;
constexpr size_t kIconEntrySize = 16;
constexpr size_t kIconGroupEntrySize = 14;
// A 256 x 256 image at 32 bits with its mask takes about 260 KiB; anything
// far beyond that is not an icon.
constexpr uint32_t kMaxIconImageSize = 4 * 1024 * 1024;

constexpr uint16_t kResourceTypeIcon = 3;       // RT_ICON
constexpr uint16_t kResourceTypeGroupIcon = 14; // RT_GROUP_ICON
constexpr uint16_t kReplacedIconId = 1;
constexpr uint16_t kReplacedIconLanguage = 1033; // English, United States

// One image of an icon file: its directory entry and its bytes exactly as
// stored (image header and pixel data).
struct IconImage {
    uint8_t width = 0;
    uint8_t height = 0;
    uint8_t colourCount = 0;
    uint8_t reserved = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    std::vector<uint8_t> bytes;
};

// Reads image number index of the icon file at path; false when the file
// cannot be read or breaks any of the checks above.
bool ReadIconImage(const std::string& path, int index, IconImage* image);

// Rewrites every entry of an icon group resource that refers to iconId so it
// describes image; answers how many entries changed (0 also for a group too
// short for its own count, which is left alone).
int PatchIconGroup(std::vector<uint8_t>* group, uint16_t iconId, const IconImage& image);

} // namespace ww
