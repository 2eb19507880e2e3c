// The ActionScript runtime on any action bytes: the first byte is the movie's
// SWF version, the rest one frame's DoAction records, run for three frames
// with a small action budget. The VM must neither fault nor leak, whatever
// the records say, and every frame must end.
#include "movie/movie.h"
#include "movie/player.h"

#include <cstdlib>
#include <string>
#include <vector>

using namespace ww::movie;

namespace {

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

// A movie of two frames whose first carries the records (long tag header).
std::vector<uint8_t> Wrap(uint8_t version, const uint8_t* records, size_t size) {
    std::vector<uint8_t> swf = {'F', 'W', 'S', version, 0, 0, 0, 0};
    // RECT of 8-bit fields: 0, 100, 0, 100 twips.
    const uint8_t rect[] = {0x40, 0x03, 0x20, 0x03, 0x20};
    swf.insert(swf.end(), rect, rect + sizeof rect);
    PutU16(swf, 12 << 8);
    PutU16(swf, 2);
    PutU16(swf, (12 << 6) | 0x3F);
    const uint32_t length = static_cast<uint32_t>(size + 1);
    PutU16(swf, length & 0xFFFF);
    PutU16(swf, length >> 16);
    swf.insert(swf.end(), records, records + size);
    swf.push_back(0);
    PutU16(swf, 1 << 6);
    PutU16(swf, 1 << 6);
    PutU16(swf, 0);
    const uint32_t total = static_cast<uint32_t>(swf.size());
    for (int i = 0; i < 4; ++i)
        swf[4 + i] = static_cast<uint8_t>(total >> (8 * i));
    return swf;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 1 << 16)
        return 0;
    const std::vector<uint8_t> swf = Wrap(data[0], data + 1, size - 1);
    Movie movie;
    std::string error;
    if (!ParseMovie(swf.data(), swf.size(), &movie, &error))
        std::abort(); // the wrapper is always a good movie
    ScriptOptions options;
    options.clockMs = 0;
    options.seeded = true;
    options.actionBudget = 20000;
    Player player(movie, options);
    for (int frame = 0; frame < 3; ++frame)
        player.Advance();
    return 0;
}
