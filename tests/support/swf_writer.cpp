#include "tests/support/swf_writer.h"

#include <zlib.h>

#include <cstdlib>

namespace ww::test {

namespace {

void PutU16(Bytes& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(Bytes& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

// Bits written most significant first, the last byte padded with zeros.
class BitWriter {
  public:
    explicit BitWriter(Bytes& out) : out_(out) {}
    void Put(uint32_t value, unsigned count) {
        for (unsigned i = count; i-- > 0;) {
            if (used_ == 0)
                out_.push_back(0);
            if ((value >> i) & 1u)
                out_.back() |= static_cast<uint8_t>(0x80u >> used_);
            used_ = (used_ + 1) % 8;
        }
    }

  private:
    Bytes& out_;
    unsigned used_ = 0;
};

Bytes Deflate(const Bytes& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 6) != Z_OK)
        std::abort(); // cannot happen with a buffer of compressBound bytes
    out.resize(size);
    return out;
}

// Pseudo-random bytes, which deflate hardly shrinks: a padded movie then stays
// within five times its compressed size.
Bytes NoiseBytes(size_t length) {
    Bytes b(length);
    uint32_t state = 12345;
    for (uint8_t& byte : b) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    return b;
}

} // namespace

SwfSpec StageSpec(bool compressed) {
    SwfSpec recipe;
    recipe.compressed = compressed;
    return recipe;
}

Bytes MakeSwf(const SwfSpec& recipe) {
    Bytes body;
    BitWriter bits(body);
    const unsigned nbits = recipe.nbits & 31u;
    const uint32_t mask = nbits == 0 ? 0 : 0xFFFFFFFFu >> (32 - nbits);
    bits.Put(nbits, 5);
    for (uint32_t field : {recipe.xmin, recipe.xmax, recipe.ymin, recipe.ymax})
        bits.Put(field & mask, nbits);
    body.push_back(recipe.frameRateFraction);
    body.push_back(recipe.frameRate);
    PutU16(body, recipe.frameCount);
    const Bytes padding =
        recipe.zeroPadding ? Bytes(recipe.bodyPadding) : NoiseBytes(recipe.bodyPadding);
    body.insert(body.end(), padding.begin(), padding.end());
    PutU16(body, 0); // End tag

    Bytes movie = {static_cast<uint8_t>(recipe.compressed ? 'C' : 'F'), 'W', 'S', recipe.version};
    const uint32_t length = recipe.recordedLength >= 0
                                ? static_cast<uint32_t>(recipe.recordedLength)
                                : static_cast<uint32_t>(body.size() + 8);
    PutU32(movie, length);
    const Bytes stored = recipe.compressed ? Deflate(body) : body;
    movie.insert(movie.end(), stored.begin(), stored.end());
    const Bytes trailing = PatternBytes(recipe.trailingBytes, 40);
    movie.insert(movie.end(), trailing.begin(), trailing.end());
    if (recipe.truncateAt >= 0 && static_cast<size_t>(recipe.truncateAt) < movie.size())
        movie.resize(static_cast<size_t>(recipe.truncateAt));
    return movie;
}

Bytes MakeProjector(const ProjectorSpec& recipe) {
    Bytes out = recipe.player;
    out.insert(out.end(), recipe.movie.begin(), recipe.movie.end());
    if (recipe.trailer) {
        PutU32(out, recipe.magic);
        PutU32(out, recipe.recordedLength >= 0 ? static_cast<uint32_t>(recipe.recordedLength)
                                               : static_cast<uint32_t>(recipe.movie.size()));
    }
    return out;
}

} // namespace ww::test
