// The player settings tail appended to a copy of Wovenplay.exe:
//
//   offset  size  field
//        0   260  pageName       file name of the wallpaper page
//      260   260  wallpaperName
//      520   260  publisherName
//      780   260  publisherUrl
//     1040   260  copyright
//     1300   260  reserved       all zero
//     1560     3  marker "WLP"   the last three bytes of the file
//
// String fields are zero-terminated and zero-padded; no flag byte, no file data.
#pragma once

#include "common/package_format.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace ww {

constexpr size_t kPlayerTailSize = 1563;
constexpr char kPlayerMarker[] = "WLP";

struct PlayerSettings {
    std::string pageName;
    std::string wallpaperName;
    std::string publisherName;
    std::string publisherUrl;
    std::string copyright;
};

// Serialises the whole tail, marker included, into out (kPlayerTailSize bytes).
void WritePlayerTail(const PlayerSettings& settings, uint8_t* out);
// Parses a tail; false when the marker is not at its end.
bool ParsePlayerTail(const uint8_t* tail, PlayerSettings* settings);
// Reads the tail from the end of a file; false when the file is too short or
// carries no tail.
bool ReadPlayerTail(const std::string& path, PlayerSettings* settings);

} // namespace ww
