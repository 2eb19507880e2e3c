#include "tests/support/swf_writer.h"

#include <cstring>

#include <zlib.h>

#include <cstdlib>
#include <cstring>

namespace ww::test {

PlaceRecipe At(uint16_t depth, int id) {
    PlaceRecipe p;
    p.depth = depth;
    p.characterId = id;
    return p;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

namespace {

void PutU16(Bytes& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(Bytes& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

// Bits written most significant first, the last byte padded with zeros.
class BitWriter {
  public:
    explicit BitWriter(Bytes& out) : out_(out) {}
    void Put(uint32_t value, unsigned count) {
        for (unsigned i = count; i-- > 0;) {
            if (used_ == 0)
                out_.push_back(0);
            if ((value >> i) & 1u)
                out_.back() |= static_cast<uint8_t>(0x80u >> used_);
            used_ = (used_ + 1) % 8;
        }
    }

  private:
    Bytes& out_;
    unsigned used_ = 0;
};

Bytes Deflate(const Bytes& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 6) != Z_OK)
        std::abort(); // cannot happen with a buffer of compressBound bytes
    out.resize(size);
    return out;
}

// Pseudo-random bytes, which deflate hardly shrinks: a padded movie then stays
// within five times its compressed size.
Bytes NoiseBytes(size_t length) {
    Bytes b(length);
    uint32_t state = 12345;
    for (uint8_t& byte : b) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    return b;
}

} // namespace

SwfRecipe StageRecipe(bool compressed) {
    SwfRecipe recipe;
    recipe.compressed = compressed;
    return recipe;
}

Bytes MakeSwf(const SwfRecipe& recipe) {
    Bytes body;
    BitWriter bits(body);
    const unsigned nbits = recipe.nbits & 31u;
    const uint32_t mask = nbits == 0 ? 0 : 0xFFFFFFFFu >> (32 - nbits);
    bits.Put(nbits, 5);
    for (uint32_t field : {recipe.xmin, recipe.xmax, recipe.ymin, recipe.ymax})
        bits.Put(field & mask, nbits);
    body.push_back(recipe.frameRateFraction);
    body.push_back(recipe.frameRate);
    PutU16(body, recipe.frameCount);
    const Bytes padding =
        recipe.zeroPadding ? Bytes(recipe.bodyPadding) : NoiseBytes(recipe.bodyPadding);
    body.insert(body.end(), padding.begin(), padding.end());
    body.insert(body.end(), recipe.tags.begin(), recipe.tags.end());
    PutU16(body, 0); // End tag

    Bytes movie = {static_cast<uint8_t>(recipe.compressed ? 'C' : 'F'), 'W', 'S', recipe.version};
    const uint32_t length = recipe.recordedLength >= 0
                                ? static_cast<uint32_t>(recipe.recordedLength)
                                : static_cast<uint32_t>(body.size() + 8);
    PutU32(movie, length);
    const Bytes stored = recipe.compressed ? Deflate(body) : body;
    movie.insert(movie.end(), stored.begin(), stored.end());
    const Bytes trailing = PatternBytes(recipe.trailingBytes, 40);
    movie.insert(movie.end(), trailing.begin(), trailing.end());
    if (recipe.truncateAt >= 0 && static_cast<size_t>(recipe.truncateAt) < movie.size())
        movie.resize(static_cast<size_t>(recipe.truncateAt));
    return movie;
}

Bytes MakeProjector(const ProjectorRecipe& recipe) {
    Bytes out = recipe.player;
    out.insert(out.end(), recipe.movie.begin(), recipe.movie.end());
    if (recipe.trailer) {
        PutU32(out, recipe.magic);
        PutU32(out, recipe.recordedLength >= 0 ? static_cast<uint32_t>(recipe.recordedLength)
                                               : static_cast<uint32_t>(recipe.movie.size()));
    }
    return out;
}

} // namespace ww::test

#include <stb_image_write.h>

#include <algorithm>
#include <cmath>

namespace ww::test {

namespace {

unsigned BitLength(uint32_t v) {
    unsigned n = 0;
    while (v) {
        ++n;
        v >>= 1;
    }
    return n;
}

int32_t Fixed(double v) {
    return static_cast<int32_t>(std::lround(v * 65536.0));
}

void PutRect(SwfBits& bits, int32_t x0, int32_t x1, int32_t y0, int32_t y1) {
    bits.Align();
    const unsigned n = SwfBits::SignedBits({x0, x1, y0, y1});
    bits.U(n, 5);
    for (int32_t v : {x0, x1, y0, y1})
        bits.S(v, n);
    bits.Align();
}

void PutStageRect(SwfBits& bits) {
    PutRect(bits, 0, 11000, 0, 8000);
}

void PutMatrix(SwfBits& bits, const MatrixRecipe& m) {
    bits.Align();
    if (m.a != 1 || m.d != 1) {
        const unsigned n = SwfBits::SignedBits({Fixed(m.a), Fixed(m.d)});
        bits.U(1, 1);
        bits.U(n, 5);
        bits.S(Fixed(m.a), n);
        bits.S(Fixed(m.d), n);
    } else {
        bits.U(0, 1);
    }
    if (m.b != 0 || m.c != 0) {
        const unsigned n = SwfBits::SignedBits({Fixed(m.b), Fixed(m.c)});
        bits.U(1, 1);
        bits.U(n, 5);
        bits.S(Fixed(m.b), n);
        bits.S(Fixed(m.c), n);
    } else {
        bits.U(0, 1);
    }
    const unsigned n = SwfBits::SignedBits({m.tx, m.ty});
    bits.U(n, 5);
    bits.S(m.tx, n);
    bits.S(m.ty, n);
    bits.Align();
}

void PutCxform(SwfBits& bits, const CxformRecipe& cx) {
    bits.Align();
    unsigned n = 0;
    for (int i = 0; i < 4; ++i)
        n = std::max(n, SwfBits::SignedBits({int32_t{cx.mult[i]}, int32_t{cx.add[i]}}));
    bits.U(1, 1);
    bits.U(1, 1);
    bits.U(n, 4);
    for (int i = 0; i < 4; ++i)
        bits.S(cx.mult[i], n);
    for (int i = 0; i < 4; ++i)
        bits.S(cx.add[i], n);
    bits.Align();
}

void PutColor(SwfBits& bits, const Rgba8& c, bool alpha) {
    bits.Byte(c.r);
    bits.Byte(c.g);
    bits.Byte(c.b);
    if (alpha)
        bits.Byte(c.a);
}

void PutCount(SwfBits& bits, size_t count) {
    if (count >= 255) {
        bits.Byte(0xFF);
        bits.U16(static_cast<uint16_t>(count));
    } else {
        bits.Byte(static_cast<uint8_t>(count));
    }
}

void PutGradientHeader(SwfBits& bits, const FillRecipe& f) {
    bits.Byte(static_cast<uint8_t>((f.spread << 6) | (f.interpolation << 4) | f.stops.size()));
}

void PutFill(SwfBits& bits, const FillRecipe& f, bool alpha) {
    bits.Byte(f.type);
    if (f.type == 0x00) {
        PutColor(bits, f.color, alpha);
    } else if (f.type >= 0x40) {
        bits.U16(f.bitmapId);
        PutMatrix(bits, f.matrix);
    } else {
        PutMatrix(bits, f.matrix);
        PutGradientHeader(bits, f);
        for (const auto& stop : f.stops) {
            bits.Byte(stop.first);
            PutColor(bits, stop.second, alpha);
        }
        if (f.type == 0x13)
            bits.U16(static_cast<uint16_t>(static_cast<int16_t>(std::lround(f.focal * 256))));
    }
}

void PutLineFlags(SwfBits& bits, const LineRecipe& l) {
    bits.U(l.startCap, 2);
    bits.U(l.join, 2);
    bits.U(l.hasFill, 1);
    bits.U(l.noHScale, 1);
    bits.U(l.noVScale, 1);
    bits.U(0, 1);
    bits.U(0, 5);
    bits.U(l.noClose, 1);
    bits.U(l.endCap, 2);
    if (l.join == 2)
        bits.U16(static_cast<uint16_t>(std::lround(l.miterLimit * 256)));
}

void PutStyles(SwfBits& bits, int version, const std::vector<FillRecipe>& fills,
               const std::vector<LineRecipe>& lines) {
    PutCount(bits, fills.size());
    for (const FillRecipe& f : fills)
        PutFill(bits, f, version >= 3);
    PutCount(bits, lines.size());
    for (const LineRecipe& l : lines) {
        bits.U16(l.width);
        if (version >= 4) {
            PutLineFlags(bits, l);
            if (l.hasFill)
                PutFill(bits, l.fill, true);
            else
                PutColor(bits, l.color, true);
        } else {
            PutColor(bits, l.color, version >= 3);
        }
    }
}

Bytes Compress(const Bytes& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 6) != Z_OK)
        std::abort();
    out.resize(size);
    return out;
}

Bytes WithId(uint16_t id, const Bytes& rest) {
    SwfBits bits;
    bits.U16(id);
    bits.Append(rest);
    return bits.bytes();
}

} // namespace

void SwfBits::U(uint32_t value, unsigned count) {
    for (unsigned i = count; i-- > 0;) {
        if (used_ == 0)
            out_.push_back(0);
        if ((value >> i) & 1u)
            out_.back() |= static_cast<uint8_t>(0x80u >> used_);
        used_ = (used_ + 1) % 8;
    }
}

void SwfBits::Byte(uint8_t v) {
    Align();
    out_.push_back(v);
}

void SwfBits::U16(uint16_t v) {
    Align();
    PutU16(out_, v);
}

void SwfBits::U32(uint32_t v) {
    Align();
    PutU32(out_, v);
}

void SwfBits::Append(const Bytes& b) {
    Align();
    out_.insert(out_.end(), b.begin(), b.end());
}

unsigned SwfBits::SignedBits(std::initializer_list<int32_t> values) {
    unsigned n = 0;
    for (int32_t v : values) {
        if (v != 0)
            n = std::max(n, BitLength(static_cast<uint32_t>(v < 0 ? ~v : v)) + 1);
    }
    return n;
}

unsigned SwfBits::UnsignedBits(uint32_t value) {
    return BitLength(value);
}

MatrixRecipe Translate(int32_t tx, int32_t ty) {
    MatrixRecipe m;
    m.tx = tx;
    m.ty = ty;
    return m;
}

FillRecipe Solid(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    FillRecipe f;
    f.color = Rgba8{r, g, b, a};
    return f;
}

ShapeWriter& ShapeWriter::Select(int fill0, int fill1, int line) {
    Op op;
    op.kind = 0;
    op.fill0 = fill0;
    op.fill1 = fill1;
    op.line = line;
    ops_.push_back(op);
    return *this;
}

ShapeWriter& ShapeWriter::MoveTo(int32_t x, int32_t y) {
    Op op;
    op.kind = 0;
    op.move = true;
    op.x = x;
    op.y = y;
    ops_.push_back(op);
    return *this;
}

ShapeWriter& ShapeWriter::LineTo(int32_t x, int32_t y) {
    Op op;
    op.kind = 1;
    op.x = x;
    op.y = y;
    ops_.push_back(op);
    return *this;
}

ShapeWriter& ShapeWriter::CurveTo(int32_t cx, int32_t cy, int32_t x, int32_t y) {
    Op op;
    op.kind = 2;
    op.cx = cx;
    op.cy = cy;
    op.x = x;
    op.y = y;
    ops_.push_back(op);
    return *this;
}

ShapeWriter& ShapeWriter::NewStyles(std::vector<FillRecipe> fills, std::vector<LineRecipe> lines) {
    Op op;
    op.kind = 3;
    op.fills = std::move(fills);
    op.lines = std::move(lines);
    ops_.push_back(op);
    return *this;
}

ShapeWriter& ShapeWriter::Rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    return MoveTo(x0, y0).LineTo(x1, y0).LineTo(x1, y1).LineTo(x0, y1).LineTo(x0, y0);
}

void ShapeWriter::PutRecords(SwfBits& bits, int version, unsigned fillBits,
                             unsigned lineBits) const {
    bits.U(fillBits, 4);
    bits.U(lineBits, 4);
    int32_t x = 0, y = 0;
    for (const Op& op : ops_) {
        if (op.kind == 0) {
            const unsigned flags = (op.line >= 0 ? 8 : 0) | (op.fill1 >= 0 ? 4 : 0) |
                                   (op.fill0 >= 0 ? 2 : 0) | (op.move ? 1 : 0);
            if (flags == 0)
                continue; // would read as the end record
            bits.U(0, 1);
            bits.U(flags, 5);
            if (op.move) {
                const unsigned n = SwfBits::SignedBits({op.x, op.y});
                bits.U(n, 5);
                bits.S(op.x, n);
                bits.S(op.y, n);
                x = op.x;
                y = op.y;
            }
            if (op.fill0 >= 0)
                bits.U(static_cast<uint32_t>(op.fill0), fillBits);
            if (op.fill1 >= 0)
                bits.U(static_cast<uint32_t>(op.fill1), fillBits);
            if (op.line >= 0)
                bits.U(static_cast<uint32_t>(op.line), lineBits);
        } else if (op.kind == 3) {
            bits.U(0, 1);
            bits.U(16, 5);
            PutStyles(bits, version, op.fills, op.lines);
            fillBits = SwfBits::UnsignedBits(static_cast<uint32_t>(op.fills.size()));
            lineBits = SwfBits::UnsignedBits(static_cast<uint32_t>(op.lines.size()));
            bits.U(fillBits, 4);
            bits.U(lineBits, 4);
        } else if (op.kind == 1) {
            const int32_t dx = op.x - x, dy = op.y - y;
            const unsigned n = std::max(2u, SwfBits::SignedBits({dx, dy}));
            bits.U(1, 1);
            bits.U(1, 1);
            bits.U(n - 2, 4);
            if (dx != 0 && dy != 0) {
                bits.U(1, 1);
                bits.S(dx, n);
                bits.S(dy, n);
            } else if (dx == 0) {
                bits.U(0, 1);
                bits.U(1, 1);
                bits.S(dy, n);
            } else {
                bits.U(0, 1);
                bits.U(0, 1);
                bits.S(dx, n);
            }
            x = op.x;
            y = op.y;
        } else {
            const int32_t cdx = op.cx - x, cdy = op.cy - y, adx = op.x - op.cx, ady = op.y - op.cy;
            const unsigned n = std::max(2u, SwfBits::SignedBits({cdx, cdy, adx, ady}));
            bits.U(1, 1);
            bits.U(0, 1);
            bits.U(n - 2, 4);
            for (int32_t v : {cdx, cdy, adx, ady})
                bits.S(v, n);
            x = op.x;
            y = op.y;
        }
    }
    bits.U(0, 6);
    bits.Align();
}

Bytes ShapeWriter::WithStyles(int version) const {
    SwfBits bits;
    PutStyles(bits, version, fills_, lines_);
    PutRecords(bits, version, SwfBits::UnsignedBits(static_cast<uint32_t>(fills_.size())),
               SwfBits::UnsignedBits(static_cast<uint32_t>(lines_.size())));
    return bits.bytes();
}

Bytes ShapeWriter::Records(int version, unsigned fillBits, unsigned lineBits) const {
    SwfBits bits;
    PutRecords(bits, version, fillBits, lineBits);
    return bits.bytes();
}

Bytes Tag(uint16_t code, const Bytes& body, bool longHeader) {
    Bytes out;
    if (body.size() < 0x3F && !longHeader) {
        PutU16(out, static_cast<uint16_t>((code << 6) | body.size()));
    } else {
        PutU16(out, static_cast<uint16_t>((code << 6) | 0x3F));
        PutU32(out, static_cast<uint32_t>(body.size()));
    }
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes ShowFrameTag() {
    return Tag(1, {});
}

Bytes SetBackgroundColorTag(uint8_t r, uint8_t g, uint8_t b) {
    return Tag(9, {r, g, b});
}

Bytes FrameLabelTag(const std::string& label) {
    Bytes body(label.begin(), label.end());
    body.push_back(0);
    return Tag(43, body);
}

Bytes DefineShapeTag(int version, uint16_t id, const ShapeWriter& shape, bool nonZero) {
    static const uint16_t kCodes[] = {2, 22, 32, 83};
    SwfBits bits;
    bits.U16(id);
    PutStageRect(bits);
    if (version >= 4) {
        PutStageRect(bits);
        bits.U(0, 5);
        bits.U(nonZero, 1);
        bits.U(0, 1);
        bits.U(1, 1);
    }
    bits.Append(shape.WithStyles(version));
    return Tag(kCodes[version - 1], bits.bytes());
}

Bytes RectangleShapeTag(int version, uint16_t id, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                        const FillRecipe& fill) {
    ShapeWriter shape({fill});
    shape.Select(-1, 1, -1).Rectangle(x0, y0, x1, y1);
    return DefineShapeTag(version, id, shape);
}

Bytes PlaceObjectTag(uint16_t id, uint16_t depth, const MatrixRecipe& matrix) {
    SwfBits bits;
    bits.U16(id);
    bits.U16(depth);
    PutMatrix(bits, matrix);
    return Tag(4, bits.bytes());
}

namespace {

Bytes PlaceBody(const PlaceRecipe& p, bool three) {
    SwfBits bits;
    const uint8_t flags = static_cast<uint8_t>(
        (p.clipActions.empty() ? 0 : 0x80) | (p.clipDepth >= 0 ? 0x40 : 0) |
        (p.name.empty() ? 0 : 0x20) | (p.ratio >= 0 ? 0x10 : 0) | (p.hasCxform ? 0x08 : 0) |
        (p.hasMatrix ? 0x04 : 0) | (p.characterId >= 0 ? 0x02 : 0) | (p.move ? 0x01 : 0));
    bits.Byte(flags);
    if (three)
        bits.Byte(
            static_cast<uint8_t>((p.filters.empty() ? 0 : 0x01) | (p.blendMode >= 0 ? 0x02 : 0) |
                                 (p.cacheAsBitmap >= 0 ? 0x04 : 0) | (p.visible >= 0 ? 0x20 : 0) |
                                 (p.background >= 0 ? 0x40 : 0)));
    bits.U16(p.depth);
    if (p.characterId >= 0)
        bits.U16(static_cast<uint16_t>(p.characterId));
    if (p.hasMatrix)
        PutMatrix(bits, p.matrix);
    if (p.hasCxform)
        PutCxform(bits, p.cxform);
    if (p.ratio >= 0)
        bits.U16(static_cast<uint16_t>(p.ratio));
    if (!p.name.empty()) {
        for (char c : p.name)
            bits.Byte(static_cast<uint8_t>(c));
        bits.Byte(0);
    }
    if (p.clipDepth >= 0)
        bits.U16(static_cast<uint16_t>(p.clipDepth));
    if (three && !p.filters.empty()) {
        bits.Byte(static_cast<uint8_t>(p.filters.size()));
        for (const Bytes& f : p.filters)
            bits.Append(f);
    }
    if (three && p.blendMode >= 0)
        bits.Byte(static_cast<uint8_t>(p.blendMode));
    if (three && p.cacheAsBitmap >= 0)
        bits.Byte(static_cast<uint8_t>(p.cacheAsBitmap));
    if (three && p.visible >= 0)
        bits.Byte(static_cast<uint8_t>(p.visible));
    if (three && p.background >= 0)
        for (int shift = 24; shift >= 0; shift -= 8)
            bits.Byte(static_cast<uint8_t>(p.background >> shift));
    if (!p.clipActions.empty()) {
        uint32_t all = 0;
        for (const auto& a : p.clipActions)
            all |= a.first;
        bits.U16(0);
        bits.U32(all);
        for (const auto& a : p.clipActions) {
            bits.U32(a.first);
            bits.U32(static_cast<uint32_t>(a.second.size()));
            bits.Append(a.second);
        }
        bits.U32(0);
    }
    return bits.bytes();
}

void PutFixed(SwfBits& bits, double v) {
    bits.U32(static_cast<uint32_t>(static_cast<int32_t>(std::lround(v * 65536))));
}

void PutFloat(SwfBits& bits, float v) {
    uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    bits.U32(u);
}

void PutRgba(SwfBits& bits, const Rgba8& c) {
    for (uint8_t v : {c.r, c.g, c.b, c.a})
        bits.Byte(v);
}

Bytes ShadowOrGlow(uint8_t id, const ShadowRecipe& s) {
    SwfBits bits;
    bits.Byte(id);
    PutRgba(bits, s.color);
    PutFixed(bits, s.blurX);
    PutFixed(bits, s.blurY);
    if (id == 0) {
        PutFixed(bits, s.angle);
        PutFixed(bits, s.distance);
    }
    bits.U16(static_cast<uint16_t>(std::lround(s.strength * 256)));
    bits.U(s.inner, 1);
    bits.U(s.knockout, 1);
    bits.U(s.compositeSource, 1);
    bits.U(s.passes, 5);
    bits.Align();
    return bits.bytes();
}

} // namespace

Bytes DropShadowFilter(const ShadowRecipe& s) {
    return ShadowOrGlow(0, s);
}

Bytes GlowFilter(const ShadowRecipe& s) {
    return ShadowOrGlow(2, s);
}

Bytes BlurFilter(double blurX, double blurY, unsigned passes) {
    SwfBits bits;
    bits.Byte(1);
    PutFixed(bits, blurX);
    PutFixed(bits, blurY);
    bits.U(passes, 5);
    bits.U(0, 3);
    return bits.bytes();
}

Bytes ColorMatrixFilter(const float (&matrix)[20]) {
    SwfBits bits;
    bits.Byte(6);
    for (float v : matrix)
        PutFloat(bits, v);
    return bits.bytes();
}

Bytes ConvolutionFilter(uint8_t columns, uint8_t rows, float divisor, float bias,
                        const std::vector<float>& matrix, bool clamp, bool preserveAlpha) {
    SwfBits bits;
    bits.Byte(5);
    bits.Byte(columns);
    bits.Byte(rows);
    PutFloat(bits, divisor);
    PutFloat(bits, bias);
    for (float v : matrix)
        PutFloat(bits, v);
    PutRgba(bits, Rgba8{0, 0, 0, 0});
    bits.U(0, 6);
    bits.U(clamp, 1);
    bits.U(preserveAlpha, 1);
    return bits.bytes();
}

Bytes DefineScalingGridTag(uint16_t id, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    SwfBits bits;
    bits.U16(id);
    PutRect(bits, x0, x1, y0, y1);
    bits.Align();
    return Tag(78, bits.bytes());
}

Bytes PlaceObject2Tag(const PlaceRecipe& p) {
    return Tag(26, PlaceBody(p, false));
}

Bytes PlaceObject3Tag(const PlaceRecipe& p) {
    return Tag(70, PlaceBody(p, true));
}

Bytes RemoveObjectTag(uint16_t id, uint16_t depth) {
    SwfBits bits;
    bits.U16(id);
    bits.U16(depth);
    return Tag(5, bits.bytes());
}

Bytes RemoveObject2Tag(uint16_t depth) {
    SwfBits bits;
    bits.U16(depth);
    return Tag(28, bits.bytes());
}

Bytes DefineSpriteTag(uint16_t id, uint16_t frameCount, const Bytes& tags) {
    SwfBits bits;
    bits.U16(id);
    bits.U16(frameCount);
    bits.Append(tags);
    bits.U16(0);
    return Tag(39, bits.bytes());
}

Bytes ActionRecord(uint8_t code) {
    return {code};
}

Bytes ActionGotoFrame(uint16_t frame) {
    SwfBits bits;
    bits.Byte(0x81);
    bits.U16(2);
    bits.U16(frame);
    return bits.bytes();
}

Bytes ActionGotoLabel(const std::string& label) {
    SwfBits bits;
    bits.Byte(0x8C);
    bits.U16(static_cast<uint16_t>(label.size() + 1));
    bits.Append(Bytes(label.begin(), label.end()));
    bits.Byte(0);
    return bits.bytes();
}

Bytes DoActionTag(const Bytes& records) {
    Bytes body = records;
    body.push_back(0);
    return Tag(12, body);
}

Bytes DoInitActionTag(uint16_t spriteId, const Bytes& records) {
    Bytes body = {static_cast<uint8_t>(spriteId), static_cast<uint8_t>(spriteId >> 8)};
    body.insert(body.end(), records.begin(), records.end());
    body.push_back(0);
    return Tag(59, body, true);
}

PushValue PushString(const std::string& s) {
    PushValue v;
    v.kind = PushValue::String;
    v.text = s;
    return v;
}

PushValue PushDouble(double d) {
    PushValue v;
    v.kind = PushValue::Double;
    v.number = d;
    return v;
}

PushValue PushInt(int32_t i) {
    PushValue v;
    v.kind = PushValue::Integer;
    v.integer = i;
    return v;
}

PushValue PushBool(bool b) {
    PushValue v;
    v.kind = PushValue::Boolean;
    v.integer = b;
    return v;
}

PushValue PushNull() {
    PushValue v;
    v.kind = PushValue::Null;
    return v;
}

PushValue PushUndefined() {
    return PushValue();
}

PushValue PushRegister(uint8_t r) {
    PushValue v;
    v.kind = PushValue::Register;
    v.integer = r;
    return v;
}

PushValue PushConstant(uint8_t index) {
    PushValue v;
    v.kind = PushValue::Constant8;
    v.integer = index;
    return v;
}

namespace {

void PutString(Bytes& out, const std::string& s) {
    out.insert(out.end(), s.begin(), s.end());
    out.push_back(0);
}

} // namespace

void ActionWriter::Record(uint8_t code, const Bytes& fields) {
    out_.push_back(code);
    if (code >= 0x80) {
        PutU16(out_, static_cast<uint16_t>(fields.size()));
        out_.insert(out_.end(), fields.begin(), fields.end());
    }
}

ActionWriter& ActionWriter::Op(uint8_t code) {
    Record(code, {});
    return *this;
}

ActionWriter& ActionWriter::Push(std::initializer_list<PushValue> values) {
    Bytes f;
    for (const PushValue& v : values) {
        f.push_back(v.kind);
        switch (v.kind) {
        case PushValue::String:
            PutString(f, v.text);
            break;
        case PushValue::Double: {
            uint64_t bits;
            std::memcpy(&bits, &v.number, 8);
            // The two halves are swapped: high word first.
            PutU32(f, static_cast<uint32_t>(bits >> 32));
            PutU32(f, static_cast<uint32_t>(bits));
            break;
        }
        case PushValue::Integer:
            PutU32(f, static_cast<uint32_t>(v.integer));
            break;
        case PushValue::Register:
        case PushValue::Boolean:
        case PushValue::Constant8:
            f.push_back(static_cast<uint8_t>(v.integer));
            break;
        case PushValue::Float: {
            const float x = static_cast<float>(v.number);
            uint32_t bits;
            std::memcpy(&bits, &x, 4);
            PutU32(f, bits);
            break;
        }
        default:
            break;
        }
    }
    Record(0x96, f);
    return *this;
}

ActionWriter& ActionWriter::Get(const std::string& name) {
    return Push({PushString(name)}).Op(0x1C);
}

ActionWriter& ActionWriter::Set(const std::string& name, const PushValue& value) {
    return Push({PushString(name), value}).Op(0x1D);
}

ActionWriter& ActionWriter::ConstantPool(const std::vector<std::string>& pool) {
    Bytes f;
    PutU16(f, static_cast<uint16_t>(pool.size()));
    for (const std::string& s : pool)
        PutString(f, s);
    Record(0x88, f);
    return *this;
}

ActionWriter& ActionWriter::StoreRegister(uint8_t r) {
    Record(0x87, {r});
    return *this;
}

ActionWriter& ActionWriter::Label(const std::string& name) {
    labels_.emplace_back(name, out_.size());
    return *this;
}

ActionWriter& ActionWriter::Jump(const std::string& label) {
    Record(0x99, {0, 0});
    fixups_.push_back({out_.size() - 2, label});
    return *this;
}

ActionWriter& ActionWriter::If(const std::string& label) {
    Record(0x9D, {0, 0});
    fixups_.push_back({out_.size() - 2, label});
    return *this;
}

ActionWriter& ActionWriter::GotoFrame(uint16_t frame) {
    Bytes f;
    PutU16(f, frame);
    Record(0x81, f);
    return *this;
}

ActionWriter& ActionWriter::Function(const std::string& name,
                                     const std::vector<std::string>& params,
                                     const ActionWriter& body) {
    const Bytes code = body.Records();
    Bytes f;
    PutString(f, name);
    PutU16(f, static_cast<uint16_t>(params.size()));
    for (const std::string& p : params)
        PutString(f, p);
    PutU16(f, static_cast<uint16_t>(code.size()));
    Record(0x9B, f);
    out_.insert(out_.end(), code.begin(), code.end());
    return *this;
}

ActionWriter& ActionWriter::Function2(const std::string& name, uint8_t registers, uint16_t flags,
                                      const std::vector<std::pair<uint8_t, std::string>>& params,
                                      const ActionWriter& body) {
    const Bytes code = body.Records();
    Bytes f;
    PutString(f, name);
    PutU16(f, static_cast<uint16_t>(params.size()));
    f.push_back(registers);
    PutU16(f, flags);
    for (const auto& p : params) {
        f.push_back(p.first);
        PutString(f, p.second);
    }
    PutU16(f, static_cast<uint16_t>(code.size()));
    Record(0x8E, f);
    out_.insert(out_.end(), code.begin(), code.end());
    return *this;
}

ActionWriter& ActionWriter::With(const ActionWriter& body) {
    const Bytes code = body.Records();
    Bytes f;
    PutU16(f, static_cast<uint16_t>(code.size()));
    Record(0x94, f);
    out_.insert(out_.end(), code.begin(), code.end());
    return *this;
}

ActionWriter& ActionWriter::Try(const ActionWriter& body, const std::string& catchName,
                                const ActionWriter& handler, const ActionWriter* finally) {
    const Bytes catchCode = handler.Records();
    // The try block ends with a jump over the catch block, as compilers write it.
    Bytes tryCode = body.Records();
    const uint8_t jump[] = {0x99, 2, 0};
    tryCode.insert(tryCode.end(), jump, jump + 3);
    PutU16(tryCode, static_cast<uint16_t>(catchCode.size()));
    const Bytes finallyCode = finally ? finally->Records() : Bytes();
    Bytes f;
    f.push_back(static_cast<uint8_t>(0x01 | (finally ? 0x02 : 0)));
    PutU16(f, static_cast<uint16_t>(tryCode.size()));
    PutU16(f, static_cast<uint16_t>(catchCode.size()));
    PutU16(f, static_cast<uint16_t>(finallyCode.size()));
    PutString(f, catchName);
    Record(0x8F, f);
    out_.insert(out_.end(), tryCode.begin(), tryCode.end());
    out_.insert(out_.end(), catchCode.begin(), catchCode.end());
    out_.insert(out_.end(), finallyCode.begin(), finallyCode.end());
    return *this;
}

ActionWriter& ActionWriter::Raw(const Bytes& records) {
    out_.insert(out_.end(), records.begin(), records.end());
    return *this;
}

Bytes ActionWriter::Records() const {
    Bytes out = out_;
    for (const Fixup& f : fixups_) {
        size_t target = 0;
        for (const auto& l : labels_) {
            if (l.first == f.label)
                target = l.second;
        }
        const long offset = static_cast<long>(target) - static_cast<long>(f.at + 2);
        out[f.at] = static_cast<uint8_t>(offset);
        out[f.at + 1] = static_cast<uint8_t>(offset >> 8);
    }
    return out;
}

Bytes DefineBitsLosslessTag(int version, uint16_t id, uint8_t format, uint16_t width,
                            uint16_t height, const Bytes& raw, unsigned colors) {
    SwfBits bits;
    bits.U16(id);
    bits.Byte(format);
    bits.U16(width);
    bits.U16(height);
    if (format == 3)
        bits.Byte(static_cast<uint8_t>(colors - 1));
    bits.Append(Compress(raw));
    return Tag(version == 2 ? 36 : 20, bits.bytes(), true);
}

Bytes EncodeJpeg(int width, int height, const Bytes& rgb) {
    Bytes out;
    auto sink = [](void* context, void* data, int size) {
        auto* o = static_cast<Bytes*>(context);
        o->insert(o->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    };
    if (!stbi_write_jpg_to_func(sink, &out, width, height, 3, rgb.data(), 95))
        std::abort();
    return out;
}

void SplitJpeg(const Bytes& jpeg, Bytes* tables, Bytes* image) {
    *tables = {0xFF, 0xD8};
    *image = {0xFF, 0xD8};
    size_t pos = 2;
    while (pos + 4 <= jpeg.size()) {
        const uint8_t marker = jpeg[pos + 1];
        if (marker == 0xDA) {
            image->insert(image->end(), jpeg.begin() + static_cast<std::ptrdiff_t>(pos),
                          jpeg.end());
            break;
        }
        const size_t length = 2u + ((jpeg[pos + 2] << 8) | jpeg[pos + 3]);
        Bytes* to = marker == 0xDB || marker == 0xC4 ? tables : image;
        to->insert(to->end(), jpeg.begin() + static_cast<std::ptrdiff_t>(pos),
                   jpeg.begin() + static_cast<std::ptrdiff_t>(pos + length));
        pos += length;
    }
    tables->insert(tables->end(), {0xFF, 0xD9});
}

Bytes DefineBitsTag(uint16_t id, const Bytes& image) {
    return Tag(6, WithId(id, image), true);
}

Bytes JpegTablesTag(const Bytes& tables) {
    return Tag(8, tables, true);
}

Bytes DefineBitsJpeg2Tag(uint16_t id, const Bytes& image) {
    return Tag(21, WithId(id, image), true);
}

Bytes DefineBitsJpeg3Tag(uint16_t id, const Bytes& jpeg, const Bytes& alpha) {
    SwfBits bits;
    bits.U16(id);
    bits.U32(static_cast<uint32_t>(jpeg.size()));
    bits.Append(jpeg);
    bits.Append(Compress(alpha));
    return Tag(35, bits.bytes(), true);
}

Bytes DefineMorphShapeTag(int version, uint16_t id, const ShapeWriter& start,
                          const ShapeWriter& end) {
    SwfBits styles;
    PutCount(styles, start.fills().size());
    for (size_t i = 0; i < start.fills().size(); ++i) {
        const FillRecipe& s = start.fills()[i];
        const FillRecipe& e = end.fills()[i];
        styles.Byte(s.type);
        if (s.type == 0x00) {
            PutColor(styles, s.color, true);
            PutColor(styles, e.color, true);
        } else if (s.type >= 0x40) {
            styles.U16(s.bitmapId);
            PutMatrix(styles, s.matrix);
            PutMatrix(styles, e.matrix);
        } else {
            PutMatrix(styles, s.matrix);
            PutMatrix(styles, e.matrix);
            PutGradientHeader(styles, s);
            for (size_t k = 0; k < s.stops.size(); ++k) {
                styles.Byte(s.stops[k].first);
                PutColor(styles, s.stops[k].second, true);
                styles.Byte(e.stops[k].first);
                PutColor(styles, e.stops[k].second, true);
            }
        }
    }
    PutCount(styles, start.lines().size());
    for (size_t i = 0; i < start.lines().size(); ++i) {
        const LineRecipe& s = start.lines()[i];
        const LineRecipe& e = end.lines()[i];
        styles.U16(s.width);
        styles.U16(e.width);
        if (version >= 2) {
            LineRecipe flags = s;
            flags.hasFill = false;
            PutLineFlags(styles, flags);
        }
        PutColor(styles, s.color, true);
        PutColor(styles, e.color, true);
    }
    styles.Append(
        start.Records(1, SwfBits::UnsignedBits(static_cast<uint32_t>(start.fills().size())),
                      SwfBits::UnsignedBits(static_cast<uint32_t>(start.lines().size()))));
    SwfBits bits;
    bits.U16(id);
    PutStageRect(bits);
    PutStageRect(bits);
    if (version >= 2) {
        PutStageRect(bits);
        PutStageRect(bits);
        bits.Byte(0x01);
    }
    bits.U32(static_cast<uint32_t>(styles.bytes().size()));
    bits.Append(styles.bytes());
    bits.Append(end.Records(1, 0, 0));
    return Tag(version == 2 ? 84 : 46, bits.bytes(), true);
}

Bytes DefineFontTag(int version, uint16_t id, const std::vector<ShapeWriter>& glyphs) {
    std::vector<Bytes> shapes;
    for (const ShapeWriter& g : glyphs)
        shapes.push_back(g.Records(1, 1, 0));
    const bool wide = version == 3;
    const size_t entry = wide ? 4 : 2;
    const size_t tableSize = (glyphs.size() + (version >= 2 ? 1 : 0)) * entry;
    SwfBits table;
    size_t offset = tableSize;
    for (const Bytes& s : shapes) {
        if (wide)
            table.U32(static_cast<uint32_t>(offset));
        else
            table.U16(static_cast<uint16_t>(offset));
        offset += s.size();
    }
    if (version >= 2) {
        if (wide)
            table.U32(static_cast<uint32_t>(offset));
        else
            table.U16(static_cast<uint16_t>(offset));
    }
    for (const Bytes& s : shapes)
        table.Append(s);
    SwfBits bits;
    bits.U16(id);
    if (version >= 2) {
        bits.Byte(static_cast<uint8_t>((wide ? 0x08 : 0) | 0x04));
        bits.Byte(0);
        bits.Byte(4);
        bits.Append(Bytes{'T', 'e', 's', 't'});
        bits.U16(static_cast<uint16_t>(glyphs.size()));
    }
    bits.Append(table.bytes());
    if (version >= 2) {
        for (size_t i = 0; i < glyphs.size(); ++i)
            bits.U16(static_cast<uint16_t>('A' + i));
    }
    return Tag(version == 1 ? 10 : version == 2 ? 48 : 75, bits.bytes(), true);
}

Bytes DefineFontTag(int version, uint16_t id, const FontRecipe& font) {
    std::vector<Bytes> shapes;
    for (const ShapeWriter& g : font.glyphs)
        shapes.push_back(g.Records(1, 1, 0));
    const size_t count = font.glyphs.size();
    SwfBits table;
    uint32_t offset = static_cast<uint32_t>((count + 1) * 4);
    for (const Bytes& shape : shapes) {
        table.U32(offset);
        offset += static_cast<uint32_t>(shape.size());
    }
    table.U32(offset);
    for (const Bytes& shape : shapes)
        table.Append(shape);
    for (size_t i = 0; i < count; ++i)
        table.U16(i < font.codes.size() ? font.codes[i] : 0);
    if (font.hasLayout) {
        table.U16(font.ascent);
        table.U16(font.descent);
        table.U16(static_cast<uint16_t>(font.leading));
        for (size_t i = 0; i < count; ++i)
            table.U16(static_cast<uint16_t>(i < font.advances.size() ? font.advances[i] : 0));
        for (size_t i = 0; i < count; ++i)
            PutRect(table, 0, 0, 0, 0);
        table.U16(0);
    }
    SwfBits bits;
    bits.U16(id);
    bits.Byte(static_cast<uint8_t>((font.hasLayout ? 0x80 : 0) | 0x08 | 0x04 |
                                   (font.italic ? 0x02 : 0) | (font.bold ? 0x01 : 0)));
    bits.Byte(0);
    bits.Byte(static_cast<uint8_t>(font.name.size()));
    bits.Append(Bytes(font.name.begin(), font.name.end()));
    bits.U16(static_cast<uint16_t>(count));
    bits.Append(table.bytes());
    return Tag(version == 3 ? 75 : 48, bits.bytes(), true);
}

Bytes DefineEditTextTag(uint16_t id, const EditTextRecipe& f) {
    SwfBits bits;
    bits.U16(id);
    PutRect(bits, f.xmin, f.xmax, f.ymin, f.ymax);
    bits.Byte(static_cast<uint8_t>((f.hasText ? 0x80 : 0) | (f.wordWrap ? 0x40 : 0) |
                                   (f.multiline ? 0x20 : 0) | (f.password ? 0x10 : 0) |
                                   (f.readOnly ? 0x08 : 0) | (f.hasColor ? 0x04 : 0) |
                                   (f.maxLength >= 0 ? 0x02 : 0) | (f.fontId >= 0 ? 0x01 : 0)));
    bits.Byte(static_cast<uint8_t>((!f.fontClass.empty() ? 0x80 : 0) | (f.autoSize ? 0x40 : 0) |
                                   (f.hasLayout ? 0x20 : 0) | (f.noSelect ? 0x10 : 0) |
                                   (f.border ? 0x08 : 0) | (f.wasStatic ? 0x04 : 0) |
                                   (f.html ? 0x02 : 0) | (f.useOutlines ? 0x01 : 0)));
    auto putString = [&](const std::string& text) {
        bits.Append(Bytes(text.begin(), text.end()));
        bits.Byte(0);
    };
    if (f.fontId >= 0)
        bits.U16(static_cast<uint16_t>(f.fontId));
    if (!f.fontClass.empty())
        putString(f.fontClass);
    if (f.fontId >= 0 || !f.fontClass.empty())
        bits.U16(f.fontHeight);
    if (f.hasColor)
        PutColor(bits, f.color, true);
    if (f.maxLength >= 0)
        bits.U16(static_cast<uint16_t>(f.maxLength));
    if (f.hasLayout) {
        bits.Byte(f.align);
        bits.U16(f.leftMargin);
        bits.U16(f.rightMargin);
        bits.U16(f.indent);
        bits.U16(static_cast<uint16_t>(f.leading));
    }
    putString(f.variableName);
    if (f.hasText)
        putString(f.text);
    return Tag(37, bits.bytes(), true);
}

Bytes DefineButtonTag(int version, uint16_t id, const std::vector<ButtonRecordRecipe>& records,
                      const std::vector<ButtonActionRecipe>& actions, bool trackAsMenu) {
    SwfBits body;
    for (const ButtonRecordRecipe& r : records) {
        const bool blend = version >= 2 && r.blendMode >= 0, blur = version >= 2 && r.blur;
        body.Byte(static_cast<uint8_t>((blend ? 0x20 : 0) | (blur ? 0x10 : 0) | r.states));
        body.U16(r.characterId);
        body.U16(r.depth);
        PutMatrix(body, r.matrix);
        if (version >= 2) {
            PutCxform(body, r.cxform);
            if (blur) {
                body.Byte(1);
                body.Byte(1); // blur: x and y (16.16), passes
                body.U32(0x40000);
                body.U32(0x40000);
                body.Byte(1 << 3);
            }
            if (blend)
                body.Byte(static_cast<uint8_t>(r.blendMode));
        }
    }
    body.Byte(0);
    SwfBits bits;
    bits.U16(id);
    if (version < 2) {
        bits.Append(body.bytes());
        for (const ButtonActionRecipe& a : actions)
            bits.Append(a.records);
        return Tag(7, bits.bytes(), true);
    }
    bits.Byte(trackAsMenu ? 1 : 0);
    // The offset counts from its own field to the first action record.
    bits.U16(actions.empty() ? 0 : static_cast<uint16_t>(2 + body.bytes().size()));
    bits.Append(body.bytes());
    for (size_t i = 0; i < actions.size(); ++i) {
        const bool last = i + 1 == actions.size();
        bits.U16(last ? 0 : static_cast<uint16_t>(4 + actions[i].records.size()));
        bits.U16(actions[i].conditions);
        bits.Append(actions[i].records);
    }
    return Tag(34, bits.bytes(), true);
}

Bytes DefineButtonCxformTag(uint16_t id, const CxformRecipe& cx) {
    SwfBits bits;
    bits.U16(id);
    unsigned n = 0;
    for (int i = 0; i < 3; ++i)
        n = std::max(n, SwfBits::SignedBits({int32_t{cx.mult[i]}, int32_t{cx.add[i]}}));
    bits.U(1, 1);
    bits.U(1, 1);
    bits.U(n, 4);
    for (int i = 0; i < 3; ++i)
        bits.S(cx.mult[i], n);
    for (int i = 0; i < 3; ++i)
        bits.S(cx.add[i], n);
    bits.Align();
    return Tag(23, bits.bytes());
}

Bytes DefineTextTag(int version, uint16_t id, const MatrixRecipe& matrix,
                    const std::vector<TextRunRecipe>& runs) {
    unsigned glyphBits = 1, advanceBits = 1;
    for (const TextRunRecipe& r : runs) {
        for (const auto& g : r.glyphs) {
            glyphBits = std::max(glyphBits, SwfBits::UnsignedBits(g.first));
            advanceBits = std::max(advanceBits, SwfBits::SignedBits({g.second}));
        }
    }
    SwfBits bits;
    bits.U16(id);
    PutStageRect(bits);
    PutMatrix(bits, matrix);
    bits.Byte(static_cast<uint8_t>(glyphBits));
    bits.Byte(static_cast<uint8_t>(advanceBits));
    for (const TextRunRecipe& r : runs) {
        bits.Byte(0x80 | 0x08 | 0x04 | 0x02 | 0x01);
        bits.U16(r.fontId);
        PutColor(bits, r.color, version >= 2);
        bits.U16(static_cast<uint16_t>(static_cast<int16_t>(r.x)));
        bits.U16(static_cast<uint16_t>(static_cast<int16_t>(r.y)));
        bits.U16(r.height);
        bits.Byte(static_cast<uint8_t>(r.glyphs.size()));
        for (const auto& g : r.glyphs) {
            bits.U(g.first, glyphBits);
            bits.S(g.second, advanceBits);
        }
        bits.Align();
    }
    bits.Byte(0);
    return Tag(version == 2 ? 33 : 11, bits.bytes());
}

Bytes MakeMovie(const Bytes& tags, uint16_t frameCount) {
    SwfRecipe recipe = StageRecipe(false);
    recipe.tags = tags;
    recipe.frameCount = frameCount;
    return MakeSwf(recipe);
}

} // namespace ww::test
