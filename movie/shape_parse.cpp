// Shapes, morph shapes, fonts and texts.
//
// SHAPEWITHSTYLE: FILLSTYLEARRAY, LINESTYLEARRAY, NumFillBits UB[4],
// NumLineBits UB[4], then SHAPERECORDs until the end record (six zero bits):
//   style change: 0, NewStyles, LineStyle, FillStyle1, FillStyle0, MoveTo
//                 flags (UB[1] each), then MoveBits UB[5] + two SB, the style
//                 indexes, and for NewStyles new arrays and bit counts;
//   straight edge: 1, 1, NumBits UB[4] (+2), general flag, deltas SB;
//   curved edge:   1, 0, NumBits UB[4] (+2), control and anchor deltas SB.
// A style index beyond the current arrays is taken as none. Coordinates are
// kept within +-2^30 twips so sums never overflow.
#include "movie/parse_internal.h"

#include <algorithm>
#include <cstring>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace ww::movie {

namespace {

constexpr int64_t kCoordinateLimit = int64_t(1) << 30;
constexpr size_t kEdgeChargeBlock = 1024;

Rgba ReadColor(TagReader& r, bool alpha) {
    return alpha ? r.ReadRgba() : r.ReadRgb();
}

uint32_t ReadCount(TagReader& r, bool extended) {
    uint32_t count = r.U8();
    if (count == 0xFF && extended)
        count = r.U16();
    return count;
}

void ReadGradientHeader(TagReader& r, FillStyle* f, unsigned* count) {
    const uint32_t spread = r.UB(2);
    f->spread = spread == 1 ? Spread::Reflect : spread == 2 ? Spread::Repeat : Spread::Pad;
    f->linearRgb = r.UB(2) == 1;
    *count = r.UB(4);
}

bool ReadFillStyle(TagReader& r, bool alpha, FillStyle* f, ParseContext& ctx) {
    const uint8_t type = r.U8();
    switch (type) {
    case 0x00:
        f->kind = FillKind::Solid;
        f->color = ReadColor(r, alpha);
        return r.ok();
    case 0x10:
    case 0x12:
    case 0x13: {
        f->kind = type == 0x10   ? FillKind::Linear
                  : type == 0x12 ? FillKind::Radial
                                 : FillKind::Focal;
        f->matrix = r.ReadMatrix();
        unsigned count = 0;
        ReadGradientHeader(r, f, &count);
        for (unsigned i = 0; i < count && r.ok(); ++i) {
            GradientStop stop;
            stop.ratio = r.U8();
            stop.color = ReadColor(r, alpha);
            f->stops.push_back(stop);
        }
        if (type == 0x13)
            f->focal = std::fmax(-1.0f, std::fmin(1.0f, r.I16() / 256.0f));
        return r.ok();
    }
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        f->kind = FillKind::Bitmap;
        f->bitmapId = r.U16();
        f->matrix = r.ReadMatrix();
        f->repeat = type == 0x40 || type == 0x42;
        f->smooth = type == 0x40 || type == 0x41;
        return r.ok();
    default:
        ctx.Problem("unknown fill style type " + std::to_string(type));
        return false;
    }
}

Cap CapOf(uint32_t v) {
    return v == 1 ? Cap::None : v == 2 ? Cap::Square : Cap::Round;
}

Join JoinOf(uint32_t v) {
    return v == 1 ? Join::Bevel : v == 2 ? Join::Miter : Join::Round;
}

// LINESTYLE2's flags, shared by shapes and morph shapes; answers HasFill.
bool ReadLineFlags(TagReader& r, LineStyle* l) {
    l->startCap = CapOf(r.UB(2));
    l->join = JoinOf(r.UB(2));
    const bool hasFill = r.UB(1) != 0;
    const bool noHScale = r.UB(1) != 0;
    const bool noVScale = r.UB(1) != 0;
    r.UB(1); // pixel hinting: strokes land where the geometry says
    r.UB(5);
    l->noClose = r.UB(1) != 0;
    l->endCap = CapOf(r.UB(2));
    l->noHScale = noHScale;
    l->noVScale = noVScale;
    if (l->join == Join::Miter)
        l->miterLimit = std::fmax(1.0f, r.U16() / 256.0f);
    return hasFill;
}

bool ReadStyleArrays(TagReader& r, int version, Shape* shape, ParseContext& ctx) {
    const bool alpha = version >= 3;
    StyleLayer layer{};
    const uint32_t fills = ReadCount(r, version >= 2);
    if (!r.ok() || !ctx.Charge(uint64_t(fills) * sizeof(FillStyle)))
        return false;
    layer.firstFill = static_cast<uint32_t>(shape->fills.size());
    for (uint32_t i = 0; i < fills; ++i) {
        FillStyle f;
        if (!ReadFillStyle(r, alpha, &f, ctx))
            return false;
        shape->fills.push_back(f);
    }
    layer.fillCount = fills;
    const uint32_t lines = ReadCount(r, version >= 2);
    if (!r.ok() || !ctx.Charge(uint64_t(lines) * sizeof(LineStyle)))
        return false;
    layer.firstLine = static_cast<uint32_t>(shape->lines.size());
    for (uint32_t i = 0; i < lines; ++i) {
        LineStyle l;
        l.width = r.U16();
        if (version >= 4) {
            if (ReadLineFlags(r, &l)) {
                if (!ReadFillStyle(r, true, &l.fill, ctx))
                    return false;
            } else {
                l.fill.color = r.ReadRgba();
            }
        } else {
            l.fill.color = ReadColor(r, alpha);
        }
        if (!r.ok())
            return false;
        shape->lines.push_back(l);
    }
    layer.lineCount = lines;
    shape->layers.push_back(layer);
    return true;
}

// Reads SHAPERECORDs into shape->edges. With styles false (glyphs, a morph's
// end edges) NewStyles is refused and indexes are read but not resolved.
bool ReadShapeRecords(TagReader& r, int version, Shape* shape, bool styles, ParseContext& ctx) {
    unsigned fillBits = r.UB(4), lineBits = r.UB(4);
    int64_t x = 0, y = 0;
    uint32_t fill0 = 0, fill1 = 0, line = 0;
    auto resolveFill = [&](uint32_t local) -> uint32_t {
        const StyleLayer& layer = shape->layers.back();
        return local == 0 || local > layer.fillCount ? 0 : layer.firstFill + local;
    };
    auto resolveLine = [&](uint32_t local) -> uint32_t {
        const StyleLayer& layer = shape->layers.back();
        return local == 0 || local > layer.lineCount ? 0 : layer.firstLine + local;
    };
    auto addEdge = [&](int64_t cx, int64_t cy, int64_t nx, int64_t ny, bool curve) {
        if (std::llabs(nx) > kCoordinateLimit || std::llabs(ny) > kCoordinateLimit ||
            std::llabs(cx) > kCoordinateLimit || std::llabs(cy) > kCoordinateLimit)
            return false;
        if (shape->edges.size() % kEdgeChargeBlock == 0 &&
            !ctx.Charge(kEdgeChargeBlock * sizeof(Edge)))
            return false;
        shape->edges.push_back(Edge{static_cast<int32_t>(x), static_cast<int32_t>(y),
                                    static_cast<int32_t>(cx), static_cast<int32_t>(cy),
                                    static_cast<int32_t>(nx), static_cast<int32_t>(ny), fill0,
                                    fill1, line, curve});
        x = nx;
        y = ny;
        return true;
    };
    while (r.ok()) {
        if (r.UB(1) == 0) {
            const uint32_t flags = r.UB(5);
            if (flags == 0)
                return r.ok();
            if (flags & 1) {
                const unsigned n = r.UB(5);
                x = r.SB(n);
                y = r.SB(n);
            }
            if (flags & 2)
                fill0 = styles ? resolveFill(r.UB(fillBits)) : (r.UB(fillBits), 0);
            if (flags & 4)
                fill1 = styles ? resolveFill(r.UB(fillBits)) : (r.UB(fillBits), 0);
            if (flags & 8)
                line = styles ? resolveLine(r.UB(lineBits)) : (r.UB(lineBits), 0);
            if (flags & 16) {
                if (!styles || version < 2 || !ReadStyleArrays(r, version, shape, ctx))
                    return false;
                fillBits = r.UB(4);
                lineBits = r.UB(4);
                fill0 = fill1 = line = 0;
            }
        } else if (r.UB(1) == 1) {
            const unsigned n = r.UB(4) + 2;
            int64_t dx = 0, dy = 0;
            if (r.UB(1)) {
                dx = r.SB(n);
                dy = r.SB(n);
            } else if (r.UB(1)) {
                dy = r.SB(n);
            } else {
                dx = r.SB(n);
            }
            if (!r.ok() || !addEdge(x, y, x + dx, y + dy, false))
                return false;
        } else {
            const unsigned n = r.UB(4) + 2;
            const int64_t cx = x + r.SB(n), cy = y + r.SB(n);
            const int64_t ax = cx + r.SB(n), ay = cy + r.SB(n);
            if (!r.ok() || !addEdge(cx, cy, ax, ay, true))
                return false;
        }
    }
    return false;
}

// A glyph: SHAPE with one implicit solid fill.
bool ReadGlyph(const uint8_t* data, size_t size, Shape* glyph, ParseContext& ctx) {
    TagReader r(data, size);
    glyph->fills.resize(1);
    glyph->layers.push_back(StyleLayer{0, 1, 0, 0});
    glyph->nonZero = false;
    return ReadShapeRecords(r, 1, glyph, true, ctx);
}

// A morph fill: the start and the end style read side by side.
bool ReadMorphFill(TagReader& r, FillStyle* s, FillStyle* e, ParseContext& ctx) {
    const uint8_t type = r.U8();
    switch (type) {
    case 0x00:
        s->color = r.ReadRgba();
        e->color = r.ReadRgba();
        return r.ok();
    case 0x10:
    case 0x12:
    case 0x13: {
        s->kind = type == 0x10 ? FillKind::Linear : FillKind::Radial;
        s->matrix = r.ReadMatrix();
        e->matrix = r.ReadMatrix();
        unsigned count = 0;
        ReadGradientHeader(r, s, &count);
        for (unsigned i = 0; i < count && r.ok(); ++i) {
            GradientStop a, b;
            a.ratio = r.U8();
            a.color = r.ReadRgba();
            b.ratio = r.U8();
            b.color = r.ReadRgba();
            s->stops.push_back(a);
            e->stops.push_back(b);
        }
        break;
    }
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        s->kind = FillKind::Bitmap;
        s->bitmapId = r.U16();
        s->matrix = r.ReadMatrix();
        e->matrix = r.ReadMatrix();
        s->repeat = type == 0x40 || type == 0x42;
        s->smooth = type == 0x40 || type == 0x41;
        break;
    default:
        ctx.Problem("unknown morph fill style type " + std::to_string(type));
        return false;
    }
    e->kind = s->kind;
    e->spread = s->spread;
    e->linearRgb = s->linearRgb;
    e->bitmapId = s->bitmapId;
    e->repeat = s->repeat;
    e->smooth = s->smooth;
    return r.ok();
}

bool ReadMorphStyles(TagReader& r, int version, MorphShape* m, ParseContext& ctx) {
    const uint32_t fills = ReadCount(r, true);
    if (!r.ok() || !ctx.Charge(uint64_t(fills) * 2 * sizeof(FillStyle)))
        return false;
    m->start.fills.resize(fills);
    m->end.fills.resize(fills);
    for (uint32_t i = 0; i < fills; ++i) {
        if (!ReadMorphFill(r, &m->start.fills[i], &m->end.fills[i], ctx))
            return false;
    }
    const uint32_t lines = ReadCount(r, true);
    if (!r.ok() || !ctx.Charge(uint64_t(lines) * 2 * sizeof(LineStyle)))
        return false;
    m->start.lines.resize(lines);
    m->end.lines.resize(lines);
    for (uint32_t i = 0; i < lines; ++i) {
        LineStyle& s = m->start.lines[i];
        LineStyle& e = m->end.lines[i];
        s.width = r.U16();
        e.width = r.U16();
        bool hasFill = false;
        if (version >= 2)
            hasFill = ReadLineFlags(r, &s);
        if (hasFill) {
            if (!ReadMorphFill(r, &s.fill, &e.fill, ctx))
                return false;
        } else {
            s.fill.color = r.ReadRgba();
            e.fill.color = r.ReadRgba();
        }
        e.startCap = s.startCap;
        e.endCap = s.endCap;
        e.join = s.join;
        e.miterLimit = s.miterLimit;
        e.noClose = s.noClose;
    }
    const StyleLayer layer{0, fills, 0, lines};
    m->start.layers.push_back(layer);
    m->end.layers.push_back(layer);
    return r.ok();
}

// Pairs the end edges with the start ones: same count, styles from the start,
// a straight edge made a curve wherever its partner is one.
bool PairMorphEdges(MorphShape* m) {
    std::vector<Edge>& s = m->start.edges;
    std::vector<Edge>& e = m->end.edges;
    if (s.size() != e.size())
        return false;
    for (size_t i = 0; i < s.size(); ++i) {
        e[i].fill0 = s[i].fill0;
        e[i].fill1 = s[i].fill1;
        e[i].line = s[i].line;
        for (Edge* edge : {&s[i], &e[i]}) {
            if (!edge->curve) {
                edge->cx = static_cast<int32_t>((int64_t(edge->x0) + edge->x1) / 2);
                edge->cy = static_cast<int32_t>((int64_t(edge->y0) + edge->y1) / 2);
            }
        }
        const bool curve = s[i].curve || e[i].curve;
        s[i].curve = e[i].curve = curve;
    }
    return true;
}

} // namespace

bool ParseShape(TagReader& r, int version, Shape* shape, ParseContext& ctx) {
    shape->bounds = r.ReadRect();
    if (version >= 4) {
        r.ReadRect(); // edge bounds
        r.UB(5);
        shape->nonZero = r.UB(1) != 0;
        r.UB(2);
        r.Align();
    }
    if (!ReadStyleArrays(r, version, shape, ctx)) {
        ctx.Problem("bad style tables");
        return false;
    }
    if (!ReadShapeRecords(r, version, shape, true, ctx)) {
        ctx.Problem("bad shape records");
        return false;
    }
    return true;
}

bool ParseMorphShape(TagReader& r, int version, MorphShape* morph, ParseContext& ctx) {
    morph->start.bounds = r.ReadRect();
    morph->end.bounds = r.ReadRect();
    if (version >= 2) {
        r.ReadRect();
        r.ReadRect();
        r.U8();
    }
    const uint32_t offset = r.U32();
    if (!r.ok() || offset > r.remaining()) {
        ctx.Problem("morph shape's end edges lie outside its tag");
        return false;
    }
    TagReader endEdges(r.Here() + offset, r.remaining() - offset);
    if (!ReadMorphStyles(r, version, morph, ctx) ||
        !ReadShapeRecords(r, 1, &morph->start, true, ctx) ||
        !ReadShapeRecords(endEdges, 1, &morph->end, false, ctx)) {
        ctx.Problem("bad morph shape records");
        return false;
    }
    if (!PairMorphEdges(morph)) {
        ctx.Problem("morph shape's start and end edges differ in number");
        return false;
    }
    return true;
}

namespace {

// After DefineFont2/3's glyph shapes: a code for each glyph (UI16 with
// WideCodes, else UI8), then with HasLayout the ascent, descent (UI16) and
// leading (SI16), an SI16 advance per glyph, a RECT per glyph and the kerning
// pairs. The bounds and kerning are not used; a layout cut short is dropped,
// the codes kept.
void ReadFontCodesAndLayout(const uint8_t* table, size_t tableSize, size_t codeTable,
                            uint32_t count, uint8_t flags, Font* font, ParseContext& ctx) {
    if (codeTable > tableSize || (count > 0 && codeTable == 0))
        return;
    TagReader r(table + codeTable, tableSize - codeTable);
    const bool wideCodes = (flags & 0x04) != 0;
    if (!ctx.Charge(uint64_t(count) * (sizeof(uint16_t) * 2 + 16)))
        return;
    std::vector<uint16_t> codes(count);
    for (uint32_t i = 0; i < count; ++i)
        codes[i] = wideCodes ? r.U16() : r.U8();
    if (!r.ok()) {
        ctx.Problem("font's code table is cut short");
        return;
    }
    font->codes = std::move(codes);
    for (uint32_t i = 0; i < count; ++i)
        font->glyphOfCode.emplace(font->codes[i], i);
    if (!(flags & 0x80))
        return;
    const double ascent = r.U16(), descent = r.U16(), leading = r.I16();
    std::vector<int16_t> advances(count);
    for (uint32_t i = 0; i < count; ++i)
        advances[i] = r.I16();
    if (!r.ok()) {
        ctx.Problem("font's layout is cut short");
        return;
    }
    font->hasLayout = true;
    font->ascent = ascent;
    font->descent = descent;
    font->leading = leading;
    font->advances = std::move(advances);
}

} // namespace

// DefineFont: offset table (its first entry / 2 is the glyph count) and the
// glyph shapes. DefineFont2/3: flags, language, name, glyph count, offsets
// (32-bit when WideOffsets), the code table offset, the glyph shapes, then
// the code table and layout that text fields lay glyphs out by.
bool ParseFont(TagReader& r, int version, Font* font, ParseContext& ctx) {
    uint32_t count = 0;
    bool wide = false;
    uint8_t flags = 0;
    if (version >= 2) {
        flags = r.U8();
        wide = (flags & 0x08) != 0;
        font->bold = (flags & 0x01) != 0;
        font->italic = (flags & 0x02) != 0;
        r.U8();
        const uint8_t nameLength = r.U8();
        if (r.ok() && nameLength <= r.remaining()) {
            font->name.assign(reinterpret_cast<const char*>(r.Here()), nameLength);
            // Names end with a zero byte in some movies.
            font->name.resize(std::strlen(font->name.c_str()));
        }
        r.Skip(nameLength);
        count = r.U16();
        font->emSquare = version >= 3 ? 20480 : 1024;
    }
    const uint8_t* table = r.Here();
    const size_t tableSize = r.remaining();
    if (version == 1) {
        count = tableSize >= 2 ? (table[0] | (table[1] << 8)) / 2u : 0;
    }
    if (!r.ok() || !ctx.Charge(uint64_t(count) * (sizeof(Shape) + 8)))
        return false;
    std::vector<uint32_t> offsets(count + 1);
    for (uint32_t i = 0; i < count; ++i)
        offsets[i] = wide ? r.U32() : r.U16();
    offsets[count] = static_cast<uint32_t>(tableSize);
    if (version >= 2 && count > 0) {
        const uint32_t codeTable = wide ? r.U32() : r.U16();
        offsets[count] = codeTable;
    }
    if (!r.ok()) {
        ctx.Problem("font's offset table is cut short");
        return false;
    }
    font->glyphs.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        if (offsets[i] > offsets[i + 1] || offsets[i + 1] > tableSize ||
            !ReadGlyph(table + offsets[i], offsets[i + 1] - offsets[i], &font->glyphs[i], ctx)) {
            // A glyph that cannot be read is drawn as nothing.
            font->glyphs[i] = Shape{};
        }
    }
    if (version >= 2)
        ReadFontCodesAndLayout(table, tableSize, offsets[count], count, flags, font, ctx);
    return true;
}

// DefineText/DefineText2: bounds, matrix, GlyphBits, AdvanceBits, then text
// records until a zero byte. A record's first byte holds its type bit and the
// HasFont, HasColor, HasYOffset, HasXOffset flags; a font carries a height.
bool ParseText(TagReader& r, int version, Text* text, ParseContext& ctx) {
    text->bounds = r.ReadRect();
    text->matrix = r.ReadMatrix();
    const unsigned glyphBits = r.U8(), advanceBits = r.U8();
    if (glyphBits > 32 || advanceBits > 32) {
        ctx.Problem("text's glyph fields are wider than 32 bits");
        return false;
    }
    TextRun state;
    while (r.ok()) {
        const uint8_t flags = r.U8();
        if (flags == 0 || !r.ok())
            break;
        TextRun run = state;
        run.glyphs.clear();
        if (flags & 0x08)
            run.fontId = r.U16();
        if (flags & 0x04)
            run.color = version >= 2 ? r.ReadRgba() : r.ReadRgb();
        if (flags & 0x01)
            run.x = r.I16();
        if (flags & 0x02)
            run.y = r.I16();
        if (flags & 0x08)
            run.height = r.U16();
        const unsigned count = r.U8();
        if (!ctx.Charge(count * sizeof(TextGlyph) + sizeof(TextRun)))
            return false;
        int64_t x = run.x;
        for (unsigned i = 0; i < count && r.ok(); ++i) {
            TextGlyph g;
            g.index = r.UB(glyphBits);
            g.advance = r.SB(advanceBits);
            x += g.advance;
            run.glyphs.push_back(g);
        }
        r.Align();
        text->runs.push_back(run);
        state = run;
        state.x =
            static_cast<int32_t>(std::max<int64_t>(INT32_MIN, std::min<int64_t>(INT32_MAX, x)));
    }
    if (!r.ok()) {
        ctx.Problem("text records are cut short");
        return false;
    }
    return true;
}

} // namespace ww::movie
