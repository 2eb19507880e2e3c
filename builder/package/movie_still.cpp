#include "builder/package/movie_still.h"

#include "common/bytes.h"
#include "common/file.h"
#include "movie/movie.h"
#include "movie/player.h"
#include "movie/render.h"
#include "movie/wallpaper_page.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace ww {

namespace {

// Frames are searched at this size at most: whether a frame draws anything
// shows as well in a small picture, at a fraction of the work.
constexpr int kSearchSide = 256;

movie::Rgba BackgroundOf(const movie::PageMovie& page, const movie::Movie& m) {
    return page.hasBackground ? page.background : m.background;
}

movie::RenderOptions OptionsFor(const movie::PageMovie& page, int width, int height) {
    movie::RenderOptions options;
    options.width = width;
    options.height = height;
    options.scale = page.scale;
    movie::ParseQuality(page.quality, &options.quality);
    options.overrideBackground = page.hasBackground;
    options.background = page.background;
    return options;
}

bool DrawsBesides(const movie::Canvas& canvas, movie::Rgba background) {
    for (size_t i = 0; i + 3 < canvas.pixels.size(); i += 4) {
        const uint8_t* p = &canvas.pixels[i];
        if (p[0] != background.r || p[1] != background.g || p[2] != background.b)
            return true;
    }
    return false;
}

// The first frame (from 1) that draws something, or 0.
long FirstDrawingFrame(const movie::Movie& m, const movie::PageMovie& page, int boxWidth,
                       int boxHeight, std::string* error) {
    const int longer = std::max(boxWidth, boxHeight);
    const int width = std::max(1, boxWidth * std::min(longer, kSearchSide) / longer);
    const int height = std::max(1, boxHeight * std::min(longer, kSearchSide) / longer);
    const movie::RenderOptions options = OptionsFor(page, width, height);
    const movie::Rgba background = BackgroundOf(page, m);
    movie::Player player(m);
    movie::Renderer renderer(m);
    movie::Canvas canvas;
    const long frames =
        std::min<long>(kMovieStillSearchFrames, std::max<long>(1, m.headerFrameCount));
    for (long frame = 1; frame <= frames; ++frame) {
        if (frame > 1)
            player.Advance();
        if (!renderer.Render(player, options, &canvas, error))
            return 0;
        if (DrawsBesides(canvas, background))
            return frame;
    }
    *error = "no frame of the first " + std::to_string(frames) + " draws anything";
    return 0;
}

void Fill(movie::Canvas* canvas, int width, int height, movie::Rgba color) {
    canvas->width = width;
    canvas->height = height;
    canvas->pixels.resize(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < canvas->pixels.size(); i += 4) {
        canvas->pixels[i] = color.r;
        canvas->pixels[i + 1] = color.g;
        canvas->pixels[i + 2] = color.b;
        canvas->pixels[i + 3] = 255;
    }
}

// Copies the box's picture into the screen at (x, y), cut to the screen.
void Paste(const movie::Canvas& box, int x, int y, movie::Canvas* screen) {
    const int x0 = std::max(0, x), x1 = std::min(screen->width, x + box.width);
    const int y0 = std::max(0, y), y1 = std::min(screen->height, y + box.height);
    if (x0 >= x1)
        return;
    for (int row = y0; row < y1; ++row) {
        const uint8_t* from =
            &box.pixels[(static_cast<size_t>(row - y) * box.width + (x0 - x)) * 4];
        uint8_t* to = &screen->pixels[(static_cast<size_t>(row) * screen->width + x0) * 4];
        std::memcpy(to, from, static_cast<size_t>(x1 - x0) * 4);
    }
}

} // namespace

bool RenderMovieStill(const std::string& pagePath, const std::string& moviePath, int width,
                      int height, movie::Canvas* still, long* frame, std::string* error) {
    if (width <= 0 || height <= 0 || width > movie::kMaxOutputSide ||
        height > movie::kMaxOutputSide ||
        static_cast<uint64_t>(width) * height > movie::kMaxOutputPixels) {
        *error = "the picture size is out of range";
        return false;
    }
    movie::PageMovie page;
    movie::Movie m;
    if (!movie::LoadPageMovie(pagePath, &page, error) || !movie::LoadMovie(moviePath, &m, error))
        return false;
    const movie::PixelBox box = movie::PlaceBox(page, width, height);
    Fill(still, width, height, BackgroundOf(page, m));
    if (box.width <= 0 || box.height <= 0) {
        *error = "the movie's box is empty on a " + std::to_string(width) + " x " +
                 std::to_string(height) + " screen";
        return false;
    }
    const int boxWidth = std::min(box.width, movie::kMaxOutputSide);
    const int boxHeight = std::min(box.height, movie::kMaxOutputSide);
    *frame = FirstDrawingFrame(m, page, boxWidth, boxHeight, error);
    if (*frame == 0)
        return false;
    movie::Player player(m);
    for (long k = 1; k < *frame; ++k)
        player.Advance();
    movie::Renderer renderer(m);
    movie::Canvas picture;
    if (!renderer.Render(player, OptionsFor(page, boxWidth, boxHeight), &picture, error))
        return false;
    Paste(picture, box.x, box.y, still);
    return true;
}

} // namespace ww
