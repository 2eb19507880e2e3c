// The streaming inflation of a compressed movie against zlib's one-shot call
// into five times the movie's size: both must agree on every input.
#include "swf/swf_reader.h"
#include "common/bytes.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace ww;

namespace {

SwfMovieInfo OneShotInfo(const std::vector<uint8_t>& movie) {
    uLongf length = static_cast<uLongf>(SwfInflateLimit(movie.size()));
    std::vector<uint8_t> plain(kSwfFixedHeaderSize + length);
    if (uncompress(plain.data() + kSwfFixedHeaderSize, &length, movie.data() + kSwfFixedHeaderSize,
                   static_cast<uLong>(movie.size() - kSwfFixedHeaderSize)) != Z_OK)
        return {};
    std::memcpy(plain.data(), "FWS", 3);
    plain[3] = movie[3];
    StoreU32(plain.data() + 4, static_cast<uint32_t>(length + kSwfFixedHeaderSize));
    MemorySource source(plain.data(), kSwfFixedHeaderSize + length);
    return ReadSwfHeaderFrom(source);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kSwfFixedHeaderSize || size > 1 << 20)
        return 0;
    std::vector<uint8_t> movie(data, data + size);
    std::memcpy(movie.data(), "CWS", 3);
    MemorySource source(movie.data(), movie.size());
    if (ReadSwfMovieInfoFrom(source, movie.size()) != OneShotInfo(movie))
        std::abort();
    return 0;
}
