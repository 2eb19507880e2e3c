// Bitmaps of every stored form, drawn through bitmap fills whose pixels are
// 10 x 10 screen pixels, so each texel's colour can be read back.
#include "tests/movie/movie_test_util.h"

#include <zlib.h>

namespace ww::test {
namespace {

// A 550 x 400 rectangle filled with bitmap 1, each texel 10 px, from (0, 0).
Bytes BitmapMovie(const Bytes& bitmapTag, uint8_t fillType, double texel = 10,
                  const CxformRecipe* cxform = nullptr) {
    FillRecipe f;
    f.type = fillType;
    f.bitmapId = 1;
    f.matrix.a = f.matrix.d = texel * kPx; // bitmap pixels to twips
    ShapeWriter shape({f});
    shape.Select(-1, 1, -1).Rectangle(0, 0, 550 * kPx, 400 * kPx);
    PlaceRecipe p;
    p.depth = 1;
    p.characterId = 2;
    if (cxform) {
        p.hasCxform = true;
        p.cxform = *cxform;
    }
    return MakeMovie(bitmapTag + DefineShapeTag(3, 2, shape) + PlaceObject2Tag(p) + ShowFrameTag());
}

// Red, green / blue, white: the four texels of a 2 x 2 bitmap.
const Rgba8 kGreen{0, 255, 0, 255};
const std::vector<PixelCase> kQuad = {
    {5, 5, kRed}, {15, 5, kGreen}, {5, 15, kBlue}, {15, 15, kWhite}};

Bytes Lossless32(int version) {
    // xRGB per pixel (ARGB in version 2).
    const Bytes raw = {255, 255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255};
    return DefineBitsLosslessTag(version, 1, 5, 2, 2, raw);
}

TEST(Bitmaps, DecodeEveryLosslessFormat) {
    // Colour-mapped: a table, then rows of 2 indexes padded to 4 bytes.
    const Bytes mapped = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 1, 0, 0, 2, 3, 0, 0};
    const Bytes mappedAlpha = {255, 0,   0,   255, 0, 255, 0, 255, 0, 0, 255, 255,
                               255, 255, 255, 255, 0, 1,   0, 0,   2, 3, 0,   0};
    // 15-bit big-endian x5:5:5, rows of 4 bytes.
    const Bytes rgb15 = {0x7C, 0x00, 0x03, 0xE0, 0x00, 0x1F, 0x7F, 0xFF};
    struct Case {
        const char* name;
        Bytes tag;
    } cases[] = {
        {"32-bit", Lossless32(1)},
        {"32-bit with alpha", Lossless32(2)},
        {"colour-mapped", DefineBitsLosslessTag(1, 1, 3, 2, 2, mapped, 4)},
        {"colour-mapped with alpha", DefineBitsLosslessTag(2, 1, 3, 2, 2, mappedAlpha, 4)},
        {"15-bit", DefineBitsLosslessTag(1, 1, 4, 2, 2, rgb15)},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ExpectPixels(RenderFrame(BitmapMovie(k.tag, 0x43)), kQuad);
    }
}

TEST(Bitmaps, RepeatOrClampAndSmoothAsTheFillSays) {
    const Bytes tag = Lossless32(1);
    // Right of the bitmap: repeating fills start over, clipped ones extend
    // the edge texel.
    ExpectPixels(RenderFrame(BitmapMovie(tag, 0x42)), {{25, 5, kRed}, {35, 15, kWhite}});
    ExpectPixels(RenderFrame(BitmapMovie(tag, 0x43)), {{25, 5, kGreen}, {200, 200, kWhite}});
    // Smoothed, the point halfway between the red and green texel centres is
    // half of each; unsmoothed it is one or the other.
    const Rgba8 halfway{128, 128, 0, 255};
    EXPECT_TRUE(PixelNear(RenderFrame(BitmapMovie(tag, 0x41)), 10, 2, halfway, 14));
    EXPECT_TRUE(PixelNear(RenderFrame(BitmapMovie(tag, 0x43)), 9, 2, kRed));
    EXPECT_TRUE(PixelNear(RenderFrame(BitmapMovie(tag, 0x43)), 10, 2, kGreen));
}

TEST(Bitmaps, BestQualitySmoothsEveryBitmap) {
    // An unsmoothed fill halfway between the red and green texels: one or the
    // other below best, half of each at best.
    const Bytes swf = BitmapMovie(Lossless32(1), 0x43);
    const Rgba8 halfway{128, 128, 0, 255};
    struct Case {
        movie::Quality quality;
        Rgba8 want;
        int tolerance;
    } cases[] = {{movie::Quality::Low, kGreen, 2},
                 {movie::Quality::High, kGreen, 2},
                 {movie::Quality::Best, halfway, 14}};
    for (const Case& k : cases) {
        SCOPED_TRACE(static_cast<int>(k.quality));
        EXPECT_TRUE(PixelNear(RenderFrame(swf, 1, 550, 400, movie::ScaleMode::ShowAll, k.quality),
                              10, 2, k.want, k.tolerance));
    }
}

TEST(Bitmaps, TakeTheColourTransformOfTheirPlacement) {
    CxformRecipe half;
    half.mult[0] = 128;
    half.add[2] = 60;
    ExpectPixels(RenderFrame(BitmapMovie(Lossless32(1), 0x43, 10, &half)),
                 {{5, 5, Rgba8{128, 0, 60, 255}}, {15, 15, Rgba8{128, 255, 255, 255}}});
}

TEST(Bitmaps, PremultipliedAlphaBlendsOverTheBackground) {
    // One texel of alpha 128 with premultiplied red 128.
    const Bytes raw = {128, 128, 0, 0};
    const Bytes tag = DefineBitsLosslessTag(2, 1, 5, 1, 1, raw);
    EXPECT_TRUE(PixelNear(RenderFrame(BitmapMovie(tag, 0x43)), 5, 5, Rgba8{255, 127, 127, 255}));
}

Bytes SolidRgb(int w, int h, Rgba8 c) {
    Bytes rgb;
    for (int i = 0; i < w * h; ++i)
        rgb.insert(rgb.end(), {c.r, c.g, c.b});
    return rgb;
}

TEST(Bitmaps, DecodeJpegsWithTablesApartOrAlphaPlanes) {
    const Rgba8 colour{200, 60, 40, 255};
    const Bytes jpeg = EncodeJpeg(16, 16, SolidRgb(16, 16, colour));
    Bytes tables, image;
    SplitJpeg(jpeg, &tables, &image);
    Bytes withErroneousHeader = {0xFF, 0xD9, 0xFF, 0xD8};
    withErroneousHeader = withErroneousHeader + jpeg;
    struct Case {
        const char* name;
        Bytes tags;
        Rgba8 want;
    } cases[] = {
        {"DefineBits with JPEGTables", JpegTablesTag(tables) + DefineBitsTag(1, image), colour},
        {"DefineBitsJPEG2", DefineBitsJpeg2Tag(1, jpeg), colour},
        {"DefineBitsJPEG2, old header", DefineBitsJpeg2Tag(1, withErroneousHeader), colour},
        {"DefineBitsJPEG3, opaque", DefineBitsJpeg3Tag(1, jpeg, Bytes(256, 255)), colour},
        {"DefineBitsJPEG3, transparent", DefineBitsJpeg3Tag(1, jpeg, Bytes(256, 0)), kWhite},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const movie::Movie m = ParseOrFail(BitmapMovie(k.tags, 0x43, 1));
        ASSERT_NE(m.Find(1), nullptr);
        EXPECT_TRUE(PixelNear(RenderFrame(BitmapMovie(k.tags, 0x43, 1)), 8, 8, k.want, 6));
    }
}

// A PNG's header only: its IHDR and an IDAT of no use. Enough for the size
// to be read, never to be decoded.
Bytes PngHeader(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType) {
    Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    // Byte by byte: 32-bit GCC warns falsely about range inserts here.
    auto put32 = [&png](uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            png.push_back(uint8_t(v >> shift));
    };
    auto chunk = [&](const char* type, const Bytes& body) {
        const uint32_t n = static_cast<uint32_t>(body.size());
        put32(n);
        for (int i = 0; i < 4; ++i)
            png.push_back(uint8_t(type[i]));
        for (uint8_t b : body)
            png.push_back(b);
        put32(static_cast<uint32_t>(
            crc32(crc32(0, reinterpret_cast<const Bytef*>(type), 4), body.data(), n)));
    };
    chunk("IHDR", {uint8_t(width >> 24), uint8_t(width >> 16), uint8_t(width >> 8), uint8_t(width),
                   uint8_t(height >> 24), uint8_t(height >> 16), uint8_t(height >> 8),
                   uint8_t(height), depth, colourType, 0, 0, 0});
    chunk("IDAT", {0x78, 0x9C, 0x03, 0x00});
    chunk("IEND", {});
    return png;
}

// The decoder's peak is charged, not only its result: 16-bit RGBA rows are
// held twice at 8 bytes a pixel beside the 4-byte result.
TEST(Bitmaps, ADecodersPeakIsChargedBeforeItRuns) {
    struct Case {
        uint32_t side;
        uint8_t depth;
        bool refused; // for the cap, rather than as undecodable
    };
    for (const Case& c : {Case{4000, 16, true}, Case{4000, 8, false}, Case{3000, 16, false}}) {
        const Bytes tag = DefineBitsJpeg2Tag(1, PngHeader(c.side, c.side, c.depth, 6));
        const movie::Movie m = ParseOrFail(BitmapMovie(tag, 0x43));
        EXPECT_EQ(m.Find(1), nullptr);
        ASSERT_FALSE(m.problems.empty());
        EXPECT_EQ(m.problems[0].find("memory cap") != std::string::npos, c.refused)
            << c.side << " " << int(c.depth) << ": " << m.problems[0];
    }
}

TEST(Bitmaps, AreRefusedBeforeAllocatingWhenBeyondTheCap) {
    // 65535 x 65535 x 4 bytes is 16 GiB; the zlib stream is a few bytes.
    const Bytes huge = DefineBitsLosslessTag(1, 1, 5, 65535, 65535, Bytes(64, 0));
    const movie::Movie m = ParseOrFail(BitmapMovie(huge, 0x43));
    EXPECT_EQ(m.Find(1), nullptr);
    EXPECT_LT(m.memoryUsed, 1u << 20);
    ASSERT_FALSE(m.problems.empty());
    EXPECT_NE(m.problems[0].find("memory cap"), std::string::npos) << m.problems[0];
    // The fill without its bitmap draws nothing.
    ExpectPixels(RenderFrame(BitmapMovie(huge, 0x43)), {{5, 5, kWhite}});
    // A stream shorter than the rows it claims is refused too.
    const movie::Movie cut =
        ParseOrFail(BitmapMovie(DefineBitsLosslessTag(1, 1, 5, 8, 8, Bytes(16, 0)), 0x43));
    EXPECT_EQ(cut.Find(1), nullptr);
}

} // namespace
} // namespace ww::test

namespace ww::test {
namespace {

// What a window is handed: the frame as drawn, red and blue bytes swapped,
// for every kind of paint (bitmap, gradient, solid over what lies below) and
// an overriding background.
TEST(DeviceOrder, SwapsRedAndBlueOfEveryPaintAndNothingElse) {
    FillRecipe sky;
    sky.type = 0x10;
    sky.matrix.a = 275.0 * kPx / 16384;
    sky.matrix.tx = 275 * kPx;
    sky.stops = {{0, {200, 40, 10, 255}}, {255, {10, 90, 230, 255}}};
    ShapeWriter band({sky, Solid(250, 120, 30, 128)});
    band.Select(-1, 1, -1).Rectangle(0, 0, 550 * kPx, 200 * kPx);
    band.Select(-1, 2, -1).Rectangle(100 * kPx, 100 * kPx, 300 * kPx, 300 * kPx);
    const Bytes shapes = MakeMovie(DefineShapeTag(3, 1, band) + PlaceObject2Tag([] {
                                       PlaceRecipe p;
                                       p.depth = 1;
                                       p.characterId = 1;
                                       return p;
                                   }()) +
                                   ShowFrameTag());
    for (const Bytes& swf : {BitmapMovie(Lossless32(2), 0x43), shapes}) {
        const movie::Movie m = ParseOrFail(swf);
        movie::Player player(m);
        movie::Renderer renderer(m);
        movie::RenderOptions options;
        options.width = 275;
        options.height = 200;
        options.overrideBackground = true;
        options.background = movie::Rgba{20, 160, 240, 255};
        movie::Canvas rgba, bgra;
        std::string error;
        ASSERT_TRUE(renderer.Render(player, options, &rgba, &error)) << error;
        options.deviceOrder = true;
        ASSERT_TRUE(renderer.Render(player, options, &bgra, &error)) << error;
        ASSERT_EQ(rgba.pixels.size(), bgra.pixels.size());
        size_t differing = 0;
        for (size_t i = 0; i < rgba.pixels.size(); i += 4) {
            const bool same =
                bgra.pixels[i] == rgba.pixels[i + 2] && bgra.pixels[i + 1] == rgba.pixels[i + 1] &&
                bgra.pixels[i + 2] == rgba.pixels[i] && bgra.pixels[i + 3] == rgba.pixels[i + 3];
            differing += same ? 0 : 1;
        }
        EXPECT_EQ(differing, 0u);
        // Not a frame that swapping leaves alike.
        EXPECT_NE(rgba.pixels, bgra.pixels);
    }
}

} // namespace
} // namespace ww::test
