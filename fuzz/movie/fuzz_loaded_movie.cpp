// What loadMovie makes of any file's bytes (a movie, a picture or nothing):
// no fault, a reason for every refusal, never more memory than was left, and
// a movie that plays.
#include "movie/loaded_movie.h"
#include "movie/player.h"

#include <cstdlib>
#include <string>
#include <vector>

using namespace ww::movie;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 1 << 20)
        return 0;
    // The first byte picks how much of the cap the other movies left.
    const uint64_t left = (kMovieMemoryCap >> 8) * (uint64_t(data[0]) + 1);
    const std::vector<uint8_t> bytes(data + 1, data + size);
    Movie movie;
    LoadedKind kind;
    std::string why;
    if (!MakeLoadedMovie(bytes, left, &movie, &kind, &why)) {
        if (why.empty())
            std::abort();
        return 0;
    }
    if (movie.memoryUsed > left)
        std::abort();
    Player player(movie);
    for (int frame = 0; frame < 2; ++frame)
        player.Advance();
    return 0;
}
