#include "tests/movie/movie_test_util.h"

#include <cstdlib>

namespace ww::test {

movie::Movie ParseOrFail(const Bytes& swf) {
    movie::Movie m;
    std::string error;
    EXPECT_TRUE(movie::ParseMovie(swf.data(), swf.size(), &m, &error)) << error;
    return m;
}

movie::Canvas RenderFrame(const Bytes& swf, int frame, int width, int height,
                          movie::ScaleMode scale, movie::Quality quality) {
    const movie::Movie m = ParseOrFail(swf);
    movie::Player player(m);
    for (int i = 1; i < frame; ++i)
        player.Advance();
    movie::Renderer renderer(m);
    movie::RenderOptions options;
    options.width = width;
    options.height = height;
    options.scale = scale;
    options.quality = quality;
    movie::Canvas canvas;
    std::string error;
    EXPECT_TRUE(renderer.Render(player, options, &canvas, &error)) << error;
    return canvas;
}

Rgba8 PixelAt(const movie::Canvas& canvas, int x, int y) {
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height)
        return Rgba8{0, 0, 0, 0};
    const uint8_t* p = canvas.pixels.data() + (static_cast<size_t>(y) * canvas.width + x) * 4;
    return Rgba8{p[0], p[1], p[2], p[3]};
}

::testing::AssertionResult PixelNear(const movie::Canvas& canvas, int x, int y, Rgba8 want,
                                     int tolerance) {
    const Rgba8 got = PixelAt(canvas, x, y);
    const int d[4] = {got.r - want.r, got.g - want.g, got.b - want.b, got.a - want.a};
    for (int v : d) {
        if (std::abs(v) > tolerance)
            return ::testing::AssertionFailure()
                   << "pixel (" << x << ", " << y << ") is " << int(got.r) << "," << int(got.g)
                   << "," << int(got.b) << "," << int(got.a) << "; want " << int(want.r) << ","
                   << int(want.g) << "," << int(want.b) << "," << int(want.a);
    }
    return ::testing::AssertionSuccess();
}

void ExpectPixels(const movie::Canvas& canvas, const std::vector<PixelCase>& cases, int tolerance) {
    for (const PixelCase& c : cases)
        EXPECT_TRUE(PixelNear(canvas, c.x, c.y, c.want, tolerance));
}

ActionWriter TraceText(const std::string& text) {
    return ActionWriter().Push({PushString(text)}).Trace();
}

ActionWriter Handler(const std::string& target, const std::string& method,
                     const ActionWriter& body) {
    ActionWriter w;
    w.Get(target).Push({PushString(method)}).Function("", {}, body).Op(0x4F);
    return w;
}

} // namespace ww::test
