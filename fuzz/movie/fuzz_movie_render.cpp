// The renderer on any movie the parser accepts: a few frames drawn in each
// scale mode, at a size taken from the last input byte, scaled as the byte
// before it says: most small, some large, some at the stage's own size, so
// that the drawing budgets of work and memory are reached too.
#include "movie/movie.h"
#include "movie/player.h"
#include "movie/render.h"

#include <string>

using namespace ww::movie;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3 || size > 1 << 20)
        return 0;
    const uint8_t shape = data[size - 1], scale = data[size - 2] & 3;
    Movie movie;
    std::string error;
    if (!ParseMovie(data, size - 2, &movie, &error))
        return 0;
    Player player(movie);
    Renderer renderer(movie);
    RenderOptions options;
    const int times = scale == 1 ? 8 : scale == 2 ? 32 : 1;
    options.width = (16 + (shape & 15) * 4) * times;
    options.height = (12 + (shape >> 4) * 3) * times;
    if (scale == 3)
        options.width = options.height = 0;
    const ScaleMode modes[] = {ScaleMode::ShowAll, ScaleMode::NoBorder, ScaleMode::ExactFit,
                               ScaleMode::NoScale};
    Canvas canvas;
    for (ScaleMode mode : modes) {
        options.scale = mode;
        renderer.Render(player, options, &canvas, &error);
        player.Advance();
    }
    return 0;
}
