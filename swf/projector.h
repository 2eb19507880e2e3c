// Flash projectors: a player executable with a SWF movie appended to it.
//
// Layout, integers little-endian, F the file's size:
//   0          F - 8 - L  the player executable (not read)
//   F - 8 - L  L          the embedded movie, byte for byte
//   F - 8      4          magic number 0xFA123456
//   F - 4      4          L, the movie's length in bytes
//
// A length that does not fit in the bytes before the trailer, or that is
// negative as a signed 32-bit number, means the file carries no movie.
#pragma once

#include "common/file.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace ww {

constexpr uint32_t kProjectorMagic = 0xFA123456;
constexpr size_t kProjectorTrailerSize = 8;
constexpr size_t kProjectorBlockSize = 2048;

struct ProjectorMovie {
    uint64_t offset = 0;
    uint32_t length = 0;
};

// The movie that a trailer (the last 8 bytes of a file of fileSize bytes)
// describes; false when it describes none.
bool LocateProjectorMovie(const uint8_t* trailer, uint64_t fileSize, ProjectorMovie* movie);
// Reads the trailer of an open file; leaves the position unspecified.
bool FindProjectorMovie(File& file, ProjectorMovie* movie);

// True when the file ends in a projector trailer that describes a movie.
bool IsProjector(const std::string& path);
// Copies length bytes from in's position to out in blocks of 2048 bytes. Each
// block is zero-filled before it is read, so bytes missing from in come out as
// zeros and out always receives length bytes; false only when writing fails.
bool CopyProjectorBlocks(File& in, File& out, uint32_t length);
// Writes the embedded movie to outputPath through a temporary name; false,
// with nothing created and an existing output untouched, when the file is no
// projector or a file cannot be opened or written. The output may be the
// projector itself.
bool ExtractProjectorMovie(const std::string& projectorPath, const std::string& outputPath);

} // namespace ww
