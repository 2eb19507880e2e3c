#include "tests/support/hostile_movies.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace ww::test {

namespace {

constexpr int32_t kTwips = 20;
constexpr int32_t kStageW = 550 * kTwips, kStageH = 400 * kTwips;

void PutU32Be(Bytes& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

// count bytes repeating pattern, deflated a block at a time: the fixture
// never holds the inflated image.
Bytes DeflateRepeated(const uint8_t* pattern, size_t patternSize, uint64_t count) {
    z_stream z{};
    deflateInit(&z, Z_BEST_COMPRESSION);
    Bytes block(patternSize * 16384), out, chunk(65536);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = pattern[i % patternSize];
    uint64_t left = count;
    int flush = Z_NO_FLUSH;
    do {
        const size_t take = static_cast<size_t>(std::min<uint64_t>(left, block.size()));
        left -= take;
        flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        z.next_in = block.data();
        z.avail_in = static_cast<uInt>(take);
        do {
            z.next_out = chunk.data();
            z.avail_out = static_cast<uInt>(chunk.size());
            deflate(&z, flush);
            out.insert(out.end(), chunk.data(), chunk.data() + (chunk.size() - z.avail_out));
        } while (z.avail_out == 0);
    } while (flush != Z_FINISH);
    deflateEnd(&z);
    return out;
}

// A shape filling the stage with bitmap id, scaled from width x height.
Bytes StageBitmapShape(uint16_t shapeId, uint16_t bitmapId, double width, double height) {
    FillRecipe fill;
    fill.type = 0x41; // clipped, smoothed
    fill.bitmapId = bitmapId;
    fill.matrix.a = kStageW / width;
    fill.matrix.d = kStageH / height;
    ShapeWriter shape({fill});
    shape.Select(-1, 1, -1).Rectangle(0, 0, kStageW, kStageH);
    return DefineShapeTag(3, shapeId, shape);
}

void PngChunk(Bytes& png, const char* type, const Bytes& data) {
    PutU32Be(png, static_cast<uint32_t>(data.size()));
    const size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    PutU32Be(png, static_cast<uint32_t>(crc32(0, png.data() + start, png.size() - start)));
}

} // namespace

Bytes ZeroBitGlyphFlood(size_t records) {
    ShapeWriter glyph;
    glyph.Select(-1, 1, -1).Rectangle(0, -1024, 1024, 0);
    SwfBits text;
    text.U16(2);
    text.U(0, 5); // empty bounds
    text.Align();
    text.U(0, 7); // a matrix of no scale, rotation or translation
    text.Align();
    text.Byte(0); // glyph bits
    text.Byte(0); // advance bits
    // The first record sets font, colour, baseline and height.
    text.Byte(0x80 | 0x08 | 0x04 | 0x02);
    text.U16(1);
    for (uint8_t c : {255, 0, 0})
        text.Byte(c);
    text.U16(static_cast<uint16_t>(300 * kTwips));
    text.U16(static_cast<uint16_t>(200 * kTwips));
    text.Byte(255);
    for (size_t i = 1; i < records; ++i) {
        text.Byte(0x80);
        text.Byte(255);
    }
    text.Byte(0);
    return MakeMovie(DefineFontTag(1, 1, {glyph}) + Tag(11, text.bytes(), true) +
                     PlaceObject2Tag(At(1, 2)) + ShowFrameTag());
}

Bytes SpriteFanOut(int levels, bool tiny) {
    Bytes tags = RectangleShapeTag(1, 1, 0, 0, tiny ? kTwips : kStageW, tiny ? kTwips : kStageH,
                                   Solid(0, 0, 255));
    for (int i = 0; i < levels; ++i) {
        const uint16_t id = static_cast<uint16_t>(2 + i);
        tags = tags + DefineSpriteTag(id, 1,
                                      PlaceObject2Tag(At(1, id - 1)) +
                                          PlaceObject2Tag(At(2, id - 1)) + ShowFrameTag());
    }
    return MakeMovie(tags + PlaceObject2Tag(At(1, 1 + levels)) + ShowFrameTag());
}

Bytes SlowFillFanOut(int levels) {
    Bytes pixels;
    for (int i = 0; i < 16 * 16; ++i)
        pixels = pixels + Bytes{200, static_cast<uint8_t>(i), static_cast<uint8_t>(i * 7), 90};
    FillRecipe fill;
    fill.type = 0x40; // repeating, smoothed
    fill.bitmapId = 1;
    fill.matrix.a = fill.matrix.d = 13.7;
    ShapeWriter square({fill});
    square.Select(-1, 1, -1).Rectangle(0, 0, kStageW, kStageH);
    Bytes tags = DefineBitsLosslessTag(2, 1, 5, 16, 16, pixels) + DefineShapeTag(3, 2, square);
    PlaceRecipe tinted = At(1, 2);
    tinted.hasCxform = true;
    tinted.cxform.mult[0] = 200;
    tinted.cxform.add[2] = 30;
    for (int i = 0; i < levels; ++i) {
        const uint16_t id = static_cast<uint16_t>(3 + i);
        const int inner = i == 0 ? 2 : id - 1;
        PlaceRecipe a = i == 0 ? tinted : At(1, inner), b = a;
        b.depth = 2;
        tags =
            tags + DefineSpriteTag(id, 1, PlaceObject2Tag(a) + PlaceObject2Tag(b) + ShowFrameTag());
    }
    return MakeMovie(tags + PlaceObject2Tag(At(1, 2 + levels)) + ShowFrameTag());
}

Bytes FarCurves(int curves) {
    LineRecipe line;
    line.width = 200;
    line.color = Rgba8{255, 0, 0, 255};
    ShapeWriter shape({Solid(0, 0, 255)}, {line});
    shape.Select(0, 1, 1).MoveTo(0, 0);
    int32_t x = 0;
    for (int i = 0; i < curves; ++i) {
        // Control points as far as an edge's 17-bit fields reach.
        const int32_t far = i % 2 ? 60000 : -60000;
        shape.CurveTo(x + far, far, x + 40, 0);
        x += 40;
    }
    PlaceRecipe place = At(1, 1);
    place.hasMatrix = true;
    place.matrix.a = place.matrix.d = 200;
    place.matrix.tx = kStageW / 2;
    place.matrix.ty = kStageH / 2;
    return MakeMovie(DefineShapeTag(1, 1, shape) + PlaceObject2Tag(place) + ShowFrameTag());
}

Bytes WideZigzagStroke(int turns) {
    LineRecipe line;
    line.width = 65535;
    line.color = Rgba8{0, 128, 0, 255};
    line.join = 0; // round
    ShapeWriter shape({}, {line});
    shape.Select(-1, -1, 1).MoveTo(0, 0);
    for (int i = 1; i <= turns; ++i)
        shape.LineTo((i * 97) % kStageW, i % 2 ? kStageH : 0);
    return MakeMovie(DefineShapeTag(4, 1, shape) + PlaceObject2Tag(At(1, 1)) + ShowFrameTag());
}

Bytes LargeLosslessBitmap(uint16_t width, uint16_t height) {
    const uint8_t grey[4] = {255, 128, 128, 128}; // ARGB
    Bytes body;
    SwfBits head;
    head.U16(1);
    head.Byte(5); // 32-bit pixels
    head.U16(width);
    head.U16(height);
    body = head.bytes() + DeflateRepeated(grey, 4, uint64_t(width) * height * 4);
    return MakeMovie(Tag(36, body, true) + StageBitmapShape(2, 1, width, height) +
                     PlaceObject2Tag(At(1, 2)) + ShowFrameTag());
}

Bytes HugePngInJpeg2(uint32_t width, uint32_t height) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    PutU32Be(header, width);
    PutU32Be(header, height);
    for (uint8_t b : {8, 6, 0, 0, 0}) // 8-bit RGBA, no interlace
        header.push_back(b);
    PngChunk(png, "IHDR", header);
    const uint8_t zero = 0;
    PngChunk(png, "IDAT", DeflateRepeated(&zero, 1, 4096));
    PngChunk(png, "IEND", {});
    return MakeMovie(DefineBitsJpeg2Tag(1, png) + StageBitmapShape(2, 1, width, height) +
                     PlaceObject2Tag(At(1, 2)) + ShowFrameTag());
}

Bytes NestedMaskStage(int side, int masks) {
    const int32_t s = side * kTwips;
    // The mask is drawn at half size and placed at twice that: an edge's
    // fields reach only 65535 twips.
    Bytes tags = RectangleShapeTag(1, 1, s / 4, s / 4, s * 3 / 4, s * 3 / 4, Solid(255, 0, 0)) +
                 RectangleShapeTag(1, 2, 0, 0, s / 2, s / 2, Solid(0, 0, 0));
    int inner = 1;
    for (int k = 0; k < masks; ++k) {
        const uint16_t id = static_cast<uint16_t>(10 + k);
        PlaceRecipe mask = At(1, 2);
        mask.clipDepth = 2;
        mask.hasMatrix = true;
        mask.matrix.a = mask.matrix.d = 2;
        tags = tags +
               DefineSpriteTag(
                   id, 1, PlaceObject2Tag(mask) + PlaceObject2Tag(At(2, inner)) + ShowFrameTag());
        inner = id;
    }
    SwfRecipe recipe = StageRecipe(false);
    recipe.nbits = 18;
    recipe.xmax = recipe.ymax = static_cast<uint32_t>(s);
    recipe.tags = tags + PlaceObject2Tag(At(1, inner)) + ShowFrameTag();
    return MakeSwf(recipe);
}

const std::vector<HostileMovie>& HostileMovies() {
    static const std::vector<HostileMovie> movies = {
        {"zero-bit glyph flood", [] { return ZeroBitGlyphFlood(40000); }, 550, 400},
        {"sprite fan-out", [] { return SpriteFanOut(20); }, 550, 400},
        {"far curves", [] { return FarCurves(20000); }, 1920, 1080},
        {"wide zigzag stroke", [] { return WideZigzagStroke(5000); }, 1920, 1080},
        {"large lossless bitmap", [] { return LargeLosslessBitmap(5000, 5000); }, 4096, 2978},
        {"huge PNG in DefineBitsJPEG2", [] { return HugePngInJpeg2(30000, 30000); }, 550, 400},
        {"4096 x 4096 stage, 9 nested masks", [] { return NestedMaskStage(4096, 9); }, 4096, 4096},
    };
    return movies;
}

} // namespace ww::test
