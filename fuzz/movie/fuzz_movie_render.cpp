// The renderer on any movie the parser accepts: a few frames drawn small in
// each scale mode, at a size taken from the last input byte.
#include "movie/movie.h"
#include "movie/player.h"
#include "movie/render.h"

#include <string>

using namespace ww::movie;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 1 << 18)
        return 0;
    const uint8_t shape = data[size - 1];
    Movie movie;
    std::string error;
    if (!ParseMovie(data, size - 1, &movie, &error))
        return 0;
    Player player(movie);
    Renderer renderer(movie);
    RenderOptions options;
    options.width = 16 + (shape & 15) * 4;
    options.height = 12 + (shape >> 4) * 3;
    const ScaleMode modes[] = {ScaleMode::ShowAll, ScaleMode::NoBorder, ScaleMode::ExactFit};
    Canvas canvas;
    for (ScaleMode mode : modes) {
        options.scale = mode;
        renderer.Render(player, options, &canvas, &error);
        player.Advance();
    }
    return 0;
}
