// A SWF movie read whole into the records the renderer draws from: the
// dictionary of characters (shapes, morph shapes, bitmaps, fonts, texts,
// sprites) and the timelines of control tags, frame by frame.
//
// Every count, length and bit field is checked against the bytes of its tag;
// a broken definition is skipped and noted, a broken tag header ends the
// timeline it belongs to. Memory is charged against kMovieMemoryCap before it
// is allocated, so no movie, however hostile, takes more.
#pragma once

#include "movie/filters.h"
#include "swf/bit_reader.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace ww::movie {

constexpr uint64_t kMovieMemoryCap = 256ull << 20;
constexpr int32_t kTwipsPerPixel = 20;
// Frames of one timeline; more are ignored (the header field is 16 bits).
constexpr size_t kMaxFrames = 65535;

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};

// x' = a x + c y + tx, y' = b x + d y + ty; translation in twips.
struct Matrix {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
};
Matrix Multiply(const Matrix& outer, const Matrix& inner);
bool Invert(const Matrix& m, Matrix* inverse);

// c' = c * mult + add on straight (not premultiplied) channels 0-255.
struct ColorTransform {
    float mult[4] = {1, 1, 1, 1};
    float add[4] = {0, 0, 0, 0};
    bool IsIdentity() const;
};
ColorTransform Combine(const ColorTransform& outer, const ColorTransform& inner);
Rgba Apply(const ColorTransform& cx, Rgba c);

using Rect = SwfRect;

enum class FillKind : uint8_t { Solid, Linear, Radial, Focal, Bitmap };
enum class Spread : uint8_t { Pad, Reflect, Repeat };

struct GradientStop {
    uint8_t ratio = 0;
    Rgba color;
};

struct Bitmap;

struct FillStyle {
    FillKind kind = FillKind::Solid;
    Rgba color;
    Matrix matrix; // gradient square or bitmap pixels to shape twips
    Spread spread = Spread::Pad;
    bool linearRgb = false;
    float focal = 0; // -1..1 along the gradient's x axis
    std::vector<GradientStop> stops;
    uint16_t bitmapId = 0;
    bool repeat = true, smooth = true;
    // A script's bitmap (attachBitmap), drawn instead of bitmapId's.
    std::shared_ptr<const Bitmap> scriptPixels;
};

enum class Cap : uint8_t { Round, None, Square };
enum class Join : uint8_t { Round, Bevel, Miter };

struct LineStyle {
    uint16_t width = 0; // twips
    Cap startCap = Cap::Round, endCap = Cap::Round;
    Join join = Join::Round;
    float miterLimit = 3;
    bool noClose = false;
    // LINESTYLE2: the width does not grow with the object's scale across
    // (NoHScale) or along (NoVScale) its x axis; both: stage pixels as given.
    bool noHScale = false, noVScale = false;
    FillStyle fill; // solid for LINESTYLE, any for LINESTYLE2 with a fill
};

// One straight or quadratic segment in twips; styles are 1-based indexes into
// the shape's tables (0: none), fill0 on the left of the direction of travel.
struct Edge {
    int32_t x0, y0, cx, cy, x1, y1;
    uint32_t fill0, fill1, line;
    bool curve;
};

// Styles declared together (the first tables, then each NewStyles record) are
// drawn together: their fills, then their lines.
struct StyleLayer {
    uint32_t firstFill, fillCount, firstLine, lineCount;
};

struct Shape {
    Rect bounds;
    std::vector<FillStyle> fills;
    std::vector<LineStyle> lines;
    std::vector<Edge> edges;
    std::vector<StyleLayer> layers;
    bool nonZero = false; // winding rule; otherwise even-odd
};

struct MorphShape {
    Shape start, end; // same styles and edges, paired one to one
};

// Premultiplied RGBA, rows top down.
struct Bitmap {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> pixels;
};

struct Font {
    std::vector<Shape> glyphs;
    double emSquare = 1024; // 20480 for DefineFont3
    // DefineFont2/3 only: the character code of each glyph, and its layout
    // (em units) when the font carries one.
    std::vector<uint16_t> codes;
    std::unordered_map<uint16_t, uint32_t> glyphOfCode;
    std::string name;
    bool bold = false, italic = false;
    bool hasLayout = false;
    double ascent = 0, descent = 0, leading = 0;
    std::vector<int16_t> advances;
};

struct TextGlyph {
    uint32_t index;
    int32_t advance;
};

struct TextRun {
    uint16_t fontId = 0;
    Rgba color;
    int32_t x = 0, y = 0;
    uint16_t height = 0;
    std::vector<TextGlyph> glyphs;
};

struct Text {
    Rect bounds;
    Matrix matrix;
    std::vector<TextRun> runs;
};

// The raw records of one action block (DoAction, DoInitAction, a clip
// event), shared by the functions the block defines.
using ActionBytes = std::shared_ptr<const std::vector<uint8_t>>;

// Clip event bits as SWF 6 and later write them (SWF 5's 16 bits are the low
// half): load, enterFrame, unload, mouse and key events, init, the pointer
// on the clip as on a button, construct.
enum ClipEventBit : uint32_t {
    kEventLoad = 1u << 0,
    kEventEnterFrame = 1u << 1,
    kEventUnload = 1u << 2,
    kEventMouseMove = 1u << 3,
    kEventMouseDown = 1u << 4,
    kEventMouseUp = 1u << 5,
    kEventKeyDown = 1u << 6,
    kEventKeyUp = 1u << 7,
    kEventData = 1u << 8,
    kEventInitialize = 1u << 9,
    kEventPress = 1u << 10,
    kEventRelease = 1u << 11,
    kEventReleaseOutside = 1u << 12,
    kEventRollOver = 1u << 13,
    kEventRollOut = 1u << 14,
    kEventDragOver = 1u << 15,
    kEventDragOut = 1u << 16,
    kEventConstruct = 1u << 18,
};

struct ClipAction {
    uint32_t events = 0;
    uint8_t keyCode = 0;
    ActionBytes actions;
};

struct PlaceCommand {
    uint16_t depth = 0;
    bool move = false;
    bool hasCharacter = false, hasMatrix = false, hasColor = false, hasRatio = false,
         hasClipDepth = false;
    uint16_t characterId = 0;
    Matrix matrix;
    ColorTransform color;
    uint16_t ratio = 0;
    uint16_t clipDepth = 0;
    bool hasName = false;
    std::string name;
    std::shared_ptr<const std::vector<ClipAction>> clipActions;
    // PlaceObject3: each kept on the object until a later place sets it.
    bool hasFilters = false, hasBlendMode = false, hasCacheAsBitmap = false, hasVisible = false;
    std::vector<Filter> filters;
    BlendMode blendMode = BlendMode::Normal;
    bool cacheAsBitmap = false;
    bool visible = true;
    bool hasBackground = false; // opaqueBackground: the object's box filled
    Rgba background;
};

enum class ActionKind : uint8_t { Stop, Play, GotoFrame, GotoLabel, NextFrame, PrevFrame };

struct Action {
    ActionKind kind;
    uint32_t frame = 0; // 0-based, for GotoFrame
    std::string label;
};

struct FrameCommand {
    bool remove = false;
    PlaceCommand place; // for a removal only place.depth counts
};

// DoInitAction: run once, before the frame's own scripts, for a sprite.
struct InitAction {
    uint16_t spriteId = 0;
    ActionBytes actions;
};

struct Frame {
    std::vector<FrameCommand> commands;
    // The timeline actions alone, for a movie that has no other script.
    std::vector<Action> actions;
    // Every DoAction block of the frame, whole, in order, and how many of
    // the frame's commands come before each.
    std::vector<ActionBytes> scripts;
    std::vector<uint32_t> scriptAfter;
    std::vector<InitAction> initScripts;
};

struct Timeline {
    std::vector<Frame> frames;
    std::map<std::string, uint32_t> labels;
};

// A text field (DefineEditText) as its tag defines it; what a script may
// change later (the text, its format, the bound variable) is plain data here.
struct EditText {
    Rect bounds;
    bool wordWrap = false, multiline = false, password = false, readOnly = false;
    bool autoSize = false, noSelect = false, border = false, wasStatic = false;
    bool html = false, useOutlines = false;
    bool hasFont = false;
    uint16_t fontId = 0;
    std::string fontClass;
    uint16_t fontHeight = 240; // twips
    Rgba color{0, 0, 0, 255};
    uint16_t maxLength = 0; // 0: none
    bool hasLayout = false;
    uint8_t align = 0; // 0 left, 1 right, 2 centre, 3 justify
    uint16_t leftMargin = 0, rightMargin = 0, indent = 0;
    int16_t leading = 0;
    std::string variableName;
    std::string text; // the initial text; HTML when html is set
};

// Which states of a button a record shows in.
enum ButtonStateBits : uint8_t {
    kButtonUp = 0x01,
    kButtonOver = 0x02,
    kButtonDown = 0x04,
    kButtonHit = 0x08
};

struct ButtonRecord {
    uint8_t states = 0;
    uint16_t characterId = 0;
    uint16_t depth = 0;
    Matrix matrix;
    ColorTransform color;
};

// The actions a button runs, kept as their raw action records for the
// runtime; DefineButton's one list has condition 0x0008 (release inside).
struct ButtonAction {
    uint16_t conditions = 0;
    std::vector<uint8_t> records;
};

struct Button {
    bool trackAsMenu = false;
    std::vector<ButtonRecord> records; // in depth order
    std::vector<ButtonAction> actions;
};

enum class CharacterKind : uint8_t { Shape, Morph, Bitmap, Font, Text, Sprite, EditText, Button };

struct CharacterRef {
    CharacterKind kind;
    uint32_t index;
};

struct SoundInfo {
    uint32_t sampleCount = 0;
    double rate = 0; // samples per second
};

struct Movie {
    uint8_t version = 0;
    Rect stage;
    double frameRate = 0;
    uint16_t headerFrameCount = 0;
    uint32_t fileLength = 0; // as the header states it: getBytesTotal
    bool hasBackground = false;
    Rgba background{255, 255, 255, 255};

    Timeline root;
    std::vector<Shape> shapes;
    std::vector<MorphShape> morphs;
    std::vector<Bitmap> bitmaps;
    std::vector<Font> fonts;
    std::vector<Text> texts;
    std::vector<Timeline> sprites;
    std::vector<EditText> editTexts;
    std::vector<Button> buttons;
    std::unordered_map<uint16_t, CharacterRef> dictionary;
    // ExportAssets names, for attachMovie.
    std::map<std::string, uint16_t> exports;
    // Some action is more than stop, play and go to (or there are init or
    // clip actions): the movie needs the script runtime.
    bool scripted = false;
    // ScriptLimits' recursion depth; 0 when the movie sets none.
    uint16_t maxRecursion = 0;
    // FileAttributes' UseNetwork: the sandbox scripts are told of.
    bool useNetwork = false;
    // DefineSound headers by character id, for Sound's duration (nothing plays).
    std::unordered_map<uint16_t, SoundInfo> sounds;
    // The folder of the file it was loaded from, whose files its scripts may
    // load; empty for a movie read from memory.
    std::string folder;
    // DefineScalingGrid: a sprite's centre rectangle for nine-slice scaling.
    std::unordered_map<uint16_t, Rect> scalingGrids;

    // What the movie holds that a player would show and this renderer does
    // not: tag names ("DefineButton2") and features ("filters").
    std::set<std::string> unsupported;
    // Definitions skipped and streams cut short, in the order met.
    std::vector<std::string> problems;
    uint64_t memoryUsed = 0;

    const CharacterRef* Find(uint16_t id) const;
};

// The name of a tag code ("DefineShape3"), or "tag N" for one without a name.
// The unsupported kinds met, comma-separated, "none" for none.
std::string UnsupportedTagList(const Movie& movie);

// A w x h twips rectangle at the origin painted with fill: how a picture is
// shown (a loaded picture, a script's attached bitmap).
Shape PictureShape(const FillStyle& fill, int32_t w, int32_t h);

// A whole movie file's bytes ("FWS" or "CWS" with its header).
bool ParseMovie(const uint8_t* data, size_t size, Movie* movie, std::string* error);
// A movie file, plain or compressed, or the movie in a projector (".exe").
bool LoadMovie(const std::string& path, Movie* movie, std::string* error);

} // namespace ww::movie
