// Makes SWF movies and Flash projectors byte by byte, well-formed or broken in
// any chosen way, so the readers can be tested on every shape of input.
#pragma once

#include "tests/support/fixtures.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace ww::test {

struct SwfRecipe {
    bool compressed = false;
    uint8_t version = 6;
    // RECT fields are written in nbits bits each (0 to 31), cut to fit.
    unsigned nbits = 15;
    uint32_t xmin = 0, xmax = 11000, ymin = 0, ymax = 8000;
    uint8_t frameRateFraction = 0;
    uint8_t frameRate = 12;
    uint16_t frameCount = 1;
    // Pseudo-random bytes after the frame count, before the End tag.
    size_t bodyPadding = 0;
    // Zero bytes instead of pattern bytes, which deflate to almost nothing.
    bool zeroPadding = false;
    // Tags written after the padding, before the End tag.
    Bytes tags;
    // The header's file length; by default the uncompressed movie's length.
    long long recordedLength = -1;
    // Bytes appended after the whole file (after the zlib stream if compressed).
    size_t trailingBytes = 0;
    // The finished file is cut to this many bytes when set.
    long long truncateAt = -1;
};

// The movie of a 550 x 400 stage (Nbits 15) with the given form.
SwfRecipe StageRecipe(bool compressed);
Bytes MakeSwf(const SwfRecipe& recipe);

struct ProjectorRecipe {
    Bytes player = PatternBytes(3000, 9);
    Bytes movie;
    bool trailer = true;
    uint32_t magic = 0xFA123456;
    // The stored movie length; by default movie.size().
    long long recordedLength = -1;
};

Bytes MakeProjector(const ProjectorRecipe& recipe);

// Tags, byte by byte. Coordinates are twips; colours straight RGBA.

// Bits most significant first; Align pads the last byte with zeros.
class SwfBits {
  public:
    void U(uint32_t value, unsigned count);
    void S(int32_t value, unsigned count) { U(static_cast<uint32_t>(value), count); }
    void Align() { used_ = 0; }
    void Byte(uint8_t v);
    void U16(uint16_t v);
    void U32(uint32_t v);
    void Append(const Bytes& b);
    // Bits a signed (or unsigned) field needs to hold every value given.
    static unsigned SignedBits(std::initializer_list<int32_t> values);
    static unsigned UnsignedBits(uint32_t value);
    const Bytes& bytes() const { return out_; }

  private:
    Bytes out_;
    unsigned used_ = 0;
};

struct Rgba8 {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};

struct MatrixRecipe {
    double a = 1, b = 0, c = 0, d = 1;
    int32_t tx = 0, ty = 0;
};
MatrixRecipe Translate(int32_t tx, int32_t ty);

// Multiply terms in 8.8 (256 is 1), add terms in 0-255 units.
struct CxformRecipe {
    int16_t mult[4] = {256, 256, 256, 256};
    int16_t add[4] = {0, 0, 0, 0};
};

struct FillRecipe {
    uint8_t type = 0x00; // 0x10 linear, 0x12 radial, 0x13 focal, 0x40-0x43 bitmap
    Rgba8 color;
    MatrixRecipe matrix;
    std::vector<std::pair<uint8_t, Rgba8>> stops;
    uint8_t spread = 0, interpolation = 0;
    double focal = 0;
    uint16_t bitmapId = 0;
};
FillRecipe Solid(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);

struct LineRecipe {
    uint16_t width = 20;
    Rgba8 color;
    // LINESTYLE2 only (DefineShape4): 0 round, 1 none, 2 square caps;
    // 0 round, 1 bevel, 2 miter joins.
    uint8_t startCap = 0, endCap = 0, join = 0;
    double miterLimit = 3;
    bool noClose = false;
    bool noHScale = false, noVScale = false;
    bool hasFill = false;
    FillRecipe fill;
};

// Drawing records of a shape, with its first style tables.
class ShapeWriter {
  public:
    ShapeWriter(std::vector<FillRecipe> fills = {}, std::vector<LineRecipe> lines = {})
        : fills_(std::move(fills)), lines_(std::move(lines)) {}
    // Style indexes from 1; -1 leaves one unchanged, 0 clears it.
    ShapeWriter& Select(int fill0, int fill1, int line);
    ShapeWriter& MoveTo(int32_t x, int32_t y);
    ShapeWriter& LineTo(int32_t x, int32_t y);
    ShapeWriter& CurveTo(int32_t cx, int32_t cy, int32_t x, int32_t y);
    ShapeWriter& NewStyles(std::vector<FillRecipe> fills, std::vector<LineRecipe> lines);
    // A closed rectangle drawn clockwise (on screen) from its top left.
    ShapeWriter& Rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1);

    // SHAPEWITHSTYLE for DefineShape version 1-4.
    Bytes WithStyles(int version) const;
    // SHAPE: the records alone (glyphs, a morph's edges), fill and line
    // indexes in the bit counts given.
    Bytes Records(int version, unsigned fillBits, unsigned lineBits) const;
    const std::vector<FillRecipe>& fills() const { return fills_; }
    const std::vector<LineRecipe>& lines() const { return lines_; }

  private:
    struct Op {
        int kind; // 0 style change, 1 line, 2 curve, 3 new styles
        int32_t x = 0, y = 0, cx = 0, cy = 0;
        int fill0 = -1, fill1 = -1, line = -1;
        bool move = false;
        std::vector<FillRecipe> fills;
        std::vector<LineRecipe> lines;
    };
    void PutRecords(SwfBits& bits, int version, unsigned fillBits, unsigned lineBits) const;
    std::vector<FillRecipe> fills_;
    std::vector<LineRecipe> lines_;
    std::vector<Op> ops_;
};

Bytes Tag(uint16_t code, const Bytes& body, bool longHeader = false);
Bytes ShowFrameTag();
Bytes SetBackgroundColorTag(uint8_t r, uint8_t g, uint8_t b);
Bytes FrameLabelTag(const std::string& label);
Bytes DefineShapeTag(int version, uint16_t id, const ShapeWriter& shape, bool nonZero = false);
// A shape of one rectangle filled with fill.
Bytes RectangleShapeTag(int version, uint16_t id, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                        const FillRecipe& fill);

struct PlaceRecipe {
    uint16_t depth = 1;
    int characterId = -1; // -1: none (a move)
    bool move = false;
    bool hasMatrix = false;
    MatrixRecipe matrix;
    bool hasCxform = false;
    CxformRecipe cxform;
    int ratio = -1;
    int clipDepth = -1;
    std::string name; // an instance name when not empty
    // Clip events (SWF 6 flags) and their action records, end flag included.
    std::vector<std::pair<uint32_t, Bytes>> clipActions;
    // PlaceObject3 only: filter records (see the Filter functions), written
    // as a FILTERLIST when any; the blend mode and cache bytes when >= 0.
    std::vector<Bytes> filters;
    int blendMode = -1;
    int cacheAsBitmap = -1;
    int visible = -1;
    int64_t background = -1; // opaque background, 0xRRGGBBAA
};
// A placement of a character at a depth, nothing else set.
PlaceRecipe At(uint16_t depth, int id);
// Tags and records joined in order.
Bytes operator+(Bytes a, const Bytes& b);

// Filter records of a FILTERLIST: id byte and fields. Sizes, angles and
// distances in pixels and radians, written as FIXED; strength as FIXED8.
struct ShadowRecipe {
    Rgba8 color;
    double blurX = 0, blurY = 0, angle = 0, distance = 0, strength = 1;
    bool inner = false, knockout = false, compositeSource = true;
    unsigned passes = 1;
};
Bytes DropShadowFilter(const ShadowRecipe& s);
Bytes GlowFilter(const ShadowRecipe& s);
Bytes BlurFilter(double blurX, double blurY, unsigned passes);
Bytes ColorMatrixFilter(const float (&matrix)[20]);
Bytes ConvolutionFilter(uint8_t columns, uint8_t rows, float divisor, float bias,
                        const std::vector<float>& matrix, bool clamp, bool preserveAlpha);
Bytes PlaceObjectTag(uint16_t id, uint16_t depth, const MatrixRecipe& matrix);
Bytes PlaceObject2Tag(const PlaceRecipe& p);
// The centre rectangle of sprite id for nine-slice scaling, in twips.
Bytes DefineScalingGridTag(uint16_t id, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
Bytes PlaceObject3Tag(const PlaceRecipe& p);
Bytes RemoveObjectTag(uint16_t id, uint16_t depth);
Bytes RemoveObject2Tag(uint16_t depth);
Bytes DefineSpriteTag(uint16_t id, uint16_t frameCount, const Bytes& tags);

Bytes ActionRecord(uint8_t code); // 0x04 next, 0x05 previous, 0x06 play, 0x07 stop
Bytes ActionGotoFrame(uint16_t frame);
Bytes ActionGotoLabel(const std::string& label);
// DoAction with the records given and the end flag.
Bytes DoActionTag(const Bytes& records);
// DoInitAction for a sprite, with the end flag.
Bytes DoInitActionTag(uint16_t spriteId, const Bytes& records);

// A value an ActionPush record carries.
struct PushValue {
    enum Kind : uint8_t {
        String = 0,
        Float = 1,
        Null = 2,
        Undefined = 3,
        Register = 4,
        Boolean = 5,
        Double = 6,
        Integer = 7,
        Constant8 = 8
    } kind = Undefined;
    std::string text;
    double number = 0;
    int32_t integer = 0;
};
PushValue PushString(const std::string& s);
PushValue PushDouble(double d);
PushValue PushInt(int32_t i);
PushValue PushBool(bool b);
PushValue PushNull();
PushValue PushUndefined();
PushValue PushRegister(uint8_t r);
PushValue PushConstant(uint8_t index);

// Action records written in order, with named labels for the jumps: an
// assembler for the scripts the runtime tests run.
class ActionWriter {
  public:
    ActionWriter& Op(uint8_t code); // an action without fields
    ActionWriter& Push(std::initializer_list<PushValue> values);
    ActionWriter& Trace() { return Op(0x26); }
    // push name, GetVariable
    ActionWriter& Get(const std::string& name);
    // push name, value, SetVariable
    ActionWriter& Set(const std::string& name, const PushValue& value);
    ActionWriter& ConstantPool(const std::vector<std::string>& pool);
    ActionWriter& StoreRegister(uint8_t r);
    ActionWriter& Label(const std::string& name);
    ActionWriter& Jump(const std::string& label);
    ActionWriter& If(const std::string& label);
    ActionWriter& GotoFrame(uint16_t frame);
    // DefineFunction: params by name, body inline.
    ActionWriter& Function(const std::string& name, const std::vector<std::string>& params,
                           const ActionWriter& body);
    // DefineFunction2: params as (register, name), 0 for a named local.
    ActionWriter& Function2(const std::string& name, uint8_t registers, uint16_t flags,
                            const std::vector<std::pair<uint8_t, std::string>>& params,
                            const ActionWriter& body);
    ActionWriter& With(const ActionWriter& body);
    // Try with a catch into a variable and an optional finally.
    ActionWriter& Try(const ActionWriter& body, const std::string& catchName,
                      const ActionWriter& handler, const ActionWriter* finally = nullptr);
    ActionWriter& Raw(const Bytes& records);
    // The records, jumps resolved; no end flag.
    Bytes Records() const;

  private:
    void Record(uint8_t code, const Bytes& fields);
    struct Fixup {
        size_t at; // the jump's offset field
        std::string label;
    };
    Bytes out_;
    std::vector<std::pair<std::string, size_t>> labels_;
    std::vector<Fixup> fixups_;
};

// DefineBitsLossless (version 1) or DefineBitsLossless2 (2): raw is what the
// zlib stream holds (colour table and padded rows); the colour count is only
// for format 3.
Bytes DefineBitsLosslessTag(int version, uint16_t id, uint8_t format, uint16_t width,
                            uint16_t height, const Bytes& raw, unsigned colors = 0);
// A baseline JPEG of a width x height picture (RGB rows) from stb's encoder.
Bytes EncodeJpeg(int width, int height, const Bytes& rgb);
// The tables (DQT, DHT) of a JPEG as JPEGTables holds them, and the rest
// (SOF onwards) as DefineBits holds it, each between SOI and EOI.
void SplitJpeg(const Bytes& jpeg, Bytes* tables, Bytes* image);
Bytes DefineBitsTag(uint16_t id, const Bytes& image);
Bytes JpegTablesTag(const Bytes& tables);
Bytes DefineBitsJpeg2Tag(uint16_t id, const Bytes& image);
Bytes DefineBitsJpeg3Tag(uint16_t id, const Bytes& jpeg, const Bytes& alpha);

// DefineMorphShape (version 1) or DefineMorphShape2 (2). Start and end carry
// the same fills and lines tables (their colours, widths and matrices being
// the start and end values) and edges in the same order.
Bytes DefineMorphShapeTag(int version, uint16_t id, const ShapeWriter& start,
                          const ShapeWriter& end);

// DefineFont (1), DefineFont2 (2) or DefineFont3 (3); glyphs use fill 1.
Bytes DefineFontTag(int version, uint16_t id, const std::vector<ShapeWriter>& glyphs);

struct TextRunRecipe {
    uint16_t fontId = 0;
    Rgba8 color;
    int32_t x = 0, y = 0;
    uint16_t height = 1024;
    std::vector<std::pair<uint32_t, int32_t>> glyphs; // index, advance
};
// DefineText (1, RGB colours) or DefineText2 (2, RGBA).
Bytes DefineTextTag(int version, uint16_t id, const MatrixRecipe& matrix,
                    const std::vector<TextRunRecipe>& runs);

// DefineFont2 (2) or DefineFont3 (3) with a name, a code for each glyph and
// a layout: ascent, descent, leading and an advance per glyph (em units),
// zero bounds and no kerning.
struct FontRecipe {
    std::string name = "Test";
    bool bold = false, italic = false;
    std::vector<ShapeWriter> glyphs;
    std::vector<uint16_t> codes;
    bool hasLayout = true;
    uint16_t ascent = 0, descent = 0;
    int16_t leading = 0;
    std::vector<int16_t> advances;
};
Bytes DefineFontTag(int version, uint16_t id, const FontRecipe& font);

struct EditTextRecipe {
    int32_t xmin = 0, xmax = 2000, ymin = 0, ymax = 400;
    bool wordWrap = false, multiline = false, password = false, readOnly = true;
    bool autoSize = false, noSelect = false, border = false, wasStatic = false;
    bool html = false, useOutlines = false;
    int fontId = -1; // -1: no font
    std::string fontClass;
    uint16_t fontHeight = 240;
    bool hasColor = true;
    Rgba8 color;
    int maxLength = -1;
    bool hasLayout = false;
    uint8_t align = 0;
    uint16_t leftMargin = 0, rightMargin = 0, indent = 0;
    int16_t leading = 0;
    std::string variableName;
    bool hasText = true;
    std::string text;
};
Bytes DefineEditTextTag(uint16_t id, const EditTextRecipe& field);

struct ButtonRecordRecipe {
    uint8_t states = 0x01; // 1 up, 2 over, 4 down, 8 hit
    uint16_t characterId = 0;
    uint16_t depth = 1;
    MatrixRecipe matrix;
    CxformRecipe cxform;
    // DefineButton2 only: a blur filter and a blend mode byte.
    bool blur = false;
    int blendMode = -1;
};
struct ButtonActionRecipe {
    uint16_t conditions = 0x0008;
    Bytes records; // action records, end flag included
};
// DefineButton (1: records without colour transforms, one action list) or
// DefineButton2 (2).
Bytes DefineButtonTag(int version, uint16_t id, const std::vector<ButtonRecordRecipe>& records,
                      const std::vector<ButtonActionRecipe>& actions = {},
                      bool trackAsMenu = false);
// DefineButtonCxform: a colour transform without alpha for every record.
Bytes DefineButtonCxformTag(uint16_t id, const CxformRecipe& cxform);

// The 550 x 400 stage with these tags, plain.
Bytes MakeMovie(const Bytes& tags, uint16_t frameCount = 1);

} // namespace ww::test
