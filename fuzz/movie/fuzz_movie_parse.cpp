// The tag parser and the player on any bytes taken as a movie file: they must
// neither fault nor charge more than the memory cap, and the player must keep
// its display lists within their caps.
#include "movie/movie.h"
#include "movie/player.h"

#include <cstdlib>
#include <string>

using namespace ww::movie;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20)
        return 0;
    Movie movie;
    std::string error;
    if (!ParseMovie(data, size, &movie, &error)) {
        if (error.empty())
            std::abort();
        return 0;
    }
    if (movie.memoryUsed > kMovieMemoryCap)
        std::abort();
    Player player(movie);
    for (int frame = 0; frame < 4; ++frame) {
        player.Advance();
        if (player.objectCount() > kMaxDisplayObjects)
            std::abort();
    }
    return 0;
}
