// Makes SWF movies and Flash projectors byte by byte, well-formed or broken in
// any chosen way, so the readers can be tested on every shape of input.
#pragma once

#include "tests/support/fixtures.h"

#include <cstdint>

namespace ww::test {

struct SwfSpec {
    bool compressed = false;
    uint8_t version = 6;
    // RECT fields are written in nbits bits each (0 to 31), cut to fit.
    unsigned nbits = 15;
    uint32_t xmin = 0, xmax = 11000, ymin = 0, ymax = 8000;
    uint8_t frameRateFraction = 0;
    uint8_t frameRate = 12;
    uint16_t frameCount = 1;
    // Pseudo-random bytes after the frame count, before the End tag.
    size_t bodyPadding = 0;
    // Zero bytes instead of pattern bytes, which deflate to almost nothing.
    bool zeroPadding = false;
    // The header's file length; by default the uncompressed movie's length.
    long long recordedLength = -1;
    // Bytes appended after the whole file (after the zlib stream if compressed).
    size_t trailingBytes = 0;
    // The finished file is cut to this many bytes when set.
    long long truncateAt = -1;
};

// The movie of a 550 x 400 stage (Nbits 15) with the given form.
SwfSpec StageSpec(bool compressed);
Bytes MakeSwf(const SwfSpec& recipe);

struct ProjectorSpec {
    Bytes player = PatternBytes(3000, 9);
    Bytes movie;
    bool trailer = true;
    uint32_t magic = 0xFA123456;
    // The stored movie length; by default movie.size().
    long long recordedLength = -1;
};

Bytes MakeProjector(const ProjectorSpec& recipe);

} // namespace ww::test
