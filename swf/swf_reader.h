// SWF movies: recognising them, inflating compressed ones and reading the
// stage size and timing from the header.
//
// Header, integers little-endian:
//   0     3  signature: "FWS" plain, "CWS" zlib-compressed from offset 8 on
//   3     1  version
//   4     4  file length
//   8     n  frame-size RECT: Nbits (5 bits, most significant first), then
//            Xmin, Xmax, Ymin, Ymax of Nbits bits each, padded to a byte
//   8+n   2  frame rate, 8.8 fixed point: fraction byte, then integer byte
//   10+n  2  frame count
// The builder's reader inflates a compressed movie only when its stream ends
// within five times the compressed file's size; the header's own length field
// is not consulted. The renderer takes the same header through
// ReadSwfFrameHeader and inflates within its own memory cap.
#pragma once

#include "swf/bit_reader.h"
#include "swf/byte_source.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace ww {

constexpr size_t kSwfFixedHeaderSize = 8;
// The RECT of Nbits 31 (5 + 4 * 31 bits) fills 17 bytes.
constexpr size_t kSwfMaxRectSize = 17;
// The RECT, the frame rate and the frame count.
constexpr size_t kSwfMaxFrameHeaderSize = kSwfMaxRectSize + 4;
constexpr uint64_t kSwfInflateFactor = 5;

// What follows the fixed 8 bytes, before the first tag.
struct SwfFrameHeader {
    SwfRect stage;          // twips, as the movie states it
    unsigned rectBits = 0;  // Nbits of the stage RECT
    uint16_t frameRate = 0; // 8.8 fixed point
    uint16_t frameCount = 0;
};

// The one parse of those fields; false when the bytes end inside them.
bool ReadSwfFrameHeader(BitReader& r, SwfFrameHeader* header);

// All fields zero when the movie cannot be read.
struct SwfMovieInfo {
    uint8_t version = 0;
    // For a compressed movie, the length of its uncompressed form (body + 8).
    uint32_t fileLength = 0;
    int32_t width = 0;  // Xmax / 20
    int32_t height = 0; // Ymax / 20
    uint8_t frameRate = 0;
    uint16_t frameCount = 0;
};

bool operator==(const SwfMovieInfo& a, const SwfMovieInfo& b);
inline bool operator!=(const SwfMovieInfo& a, const SwfMovieInfo& b) {
    return !(a == b);
}

// The first three bytes are "FWS" or "CWS".
bool IsSwfFile(const std::string& path);
// What callers use: a plain movie, a compressed one or a projector (a name
// ending in ".exe"), read as one stream without writing any file.
SwfMovieInfo ReadSwfMovieInfo(const std::string& path);

// The stream forms behind the file operations, for any source: a plain header
// (signature not tested), and a whole movie of movieSize bytes that may be
// compressed.
SwfMovieInfo ReadSwfHeaderFrom(ByteSource& movie);
SwfMovieInfo ReadSwfMovieInfoFrom(ByteSource& movie, uint64_t movieSize);
// The output limit for inflating a compressed movie of movieSize bytes.
uint64_t SwfInflateLimit(uint64_t movieSize);

} // namespace ww
