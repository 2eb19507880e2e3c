// The plain header reader on any bytes, checked against the header layout read
// directly off the input.
#include "swf/swf_reader.h"
#include "common/bytes.h"

#include <cstdlib>

using namespace ww;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemorySource source(data, size);
    const SwfMovieInfo info = ReadSwfHeaderFrom(source);
    size_t needed = SIZE_MAX;
    if (size > kSwfFixedHeaderSize)
        needed = kSwfFixedHeaderSize + (5 + 4 * (data[8] >> 3)) / 8 + 1 + 4;
    if (size < needed) {
        if (info != SwfMovieInfo{})
            std::abort();
    } else if (info.version != data[3] || info.fileLength != LoadU32(data + 4) ||
               info.frameRate != data[needed - 3] ||
               info.frameCount != LoadU16(data + needed - 2)) {
        std::abort();
    }
    // Both branches of the whole-movie reader, on the same bytes.
    MemorySource again(data, size);
    ReadSwfMovieInfoFrom(again, size);
    return 0;
}
