// Drawing a player's current frame into an RGBA canvas of any size, the stage
// scaled as the wallpaper page's Scale setting does: show all (the whole stage,
// centred, bordered in the background colour), no border (the stage fills the
// canvas, centred, cut at two sides) or exact fit (stretched).
#pragma once

#include "movie/drawing_budget.h"
#include "movie/movie.h"
#include "movie/player.h"
#include "movie/raster.h"
#include "movie/stage_layout.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ww::movie {

class LayerCache;
struct FieldState;
struct TextPicture;

constexpr int kMaxOutputSide = 8192;
constexpr uint64_t kMaxOutputPixels = 4096ull * 4096ull;
// Clip masks inside clip masks deeper than this draw nothing.
constexpr int kMaxMaskNesting = 8;
// Layers (filtered, blended or cached objects) nested deeper than this, or
// larger than this many pixels, are drawn plainly.
constexpr int kMaxLayerNesting = 16;
constexpr uint64_t kMaxLayerPixels = 4096ull * 4096ull;

// The page's quality setting. Low draws without anti-aliasing; best also
// smooths every bitmap; the two auto settings start as their names say.
enum class Quality { Low, AutoLow, AutoHigh, Medium, High, Best };

// "low", "autolow", "autohigh", "medium", "high", "best", in any case.
bool ParseQuality(const std::string& text, Quality* quality);
// Every quality but low and auto low smooths edges; those draw each pixel
// wholly in or out.
bool AntiAliases(Quality quality);

struct RenderOptions {
    int width = 0, height = 0; // 0: the stage's size in pixels
    ScaleMode scale = ScaleMode::ShowAll;
    uint8_t align = 0; // StageAlign bits
    // Canvas pixels per pixel of the area the stage is laid out in, where
    // the canvas pictures a larger area (a preview of the screen); only
    // noScale, which keeps the stage's own pixels, needs it.
    double areaScale = 1;
    Quality quality = Quality::High;
    bool overrideBackground = false;
    Rgba background;
    // B, G, R, A bytes, as a 32-bit device bitmap takes them, rather than
    // R, G, B, A: a window then shows the canvas without another pass over it.
    bool deviceOrder = false;
    // Asked now and then between objects; true ends the frame where it
    // stands (a window with a message waiting to close it).
    std::function<bool()> interrupted;
};

// The drawing work one frame may take, counted in the rasteriser's units
// (cells swept and pixels drawn) with each object and glyph worth
// kObjectWork and each edge walked worth one: a floor, plus so many times
// the canvas's pixels. A frame past it ends without the rest of its objects,
// so no movie can hold the player on one frame for long.
constexpr uint64_t kFrameWorkFloor = 64ull << 20;
constexpr uint64_t kFrameWorkPerPixel = 256;
constexpr uint64_t kObjectWork = 256;

// The canvas size options give for a movie: the stage size for a zero side,
// the other side kept in the stage's proportions when only one is given.
bool OutputSize(const Movie& movie, const RenderOptions& options, int* width, int* height,
                std::string* error);
// Maps stage twips to canvas pixels. The stage is centred on each axis where
// it does not fill the canvas, unless align keeps it to an edge.
Matrix StageToCanvas(const Movie& movie, int width, int height, ScaleMode scale, uint8_t align = 0,
                     double areaScale = 1);

// A rectangle of canvas pixels, x0..x1 - 1 by y0..y1 - 1.
struct PixelRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// One fill as the renderer hands it to the rasteriser, for tools that replay
// a frame elsewhere (the benchmark draws the same outlines with another
// library). Fills count from 1 in the lines; fills[k - 1] is null where fill k
// draws nothing; solid, when set, overrides every fill's colour (text).
struct FillRecord {
    std::vector<EdgeLine> lines;
    std::vector<const FillStyle*> fills;
    Matrix matrix; // shape to canvas, for gradients
    ColorTransform cx;
    bool nonZero = false;
    bool hasSolid = false;
    Rgba solid;
};

class FillObserver {
  public:
    virtual ~FillObserver() = default;
    virtual void OnFill(const FillRecord& fill) = 0;
};

class Renderer {
  public:
    explicit Renderer(const Movie& movie) : movie_(&movie) {}
    // Draws the player's frame; the canvas is resized to the output size.
    bool Render(const Player& player, const RenderOptions& options, Canvas* canvas,
                std::string* error);
    // Redraws only the regions of a canvas drawn before at the same size and
    // options (otherwise the whole canvas); each region's pixels come out
    // exactly as a whole Render would draw them.
    bool RenderRegions(const Player& player, const RenderOptions& options,
                       const std::vector<PixelRect>& regions, Canvas* canvas, std::string* error);
    // Draws a sprite's content (not the stage, nor the sprite's own place)
    // onto a canvas that already holds pixels: m maps the sprite's twips to
    // canvas pixels. BitmapData.draw's way onto a script's bitmap.
    bool DrawSpriteOnto(const SpriteState& sprite, const Matrix& m, const ColorTransform& cx,
                        Quality quality, Canvas* canvas, std::string* error);
    // Told of every fill drawn into the canvas (not into clip masks) while
    // set.
    void Observe(FillObserver* observer) { observer_ = observer; }
    // The last frame ended early: past its work budget, or interrupted.
    bool frameCut() const { return cut_; }
    // Some frame since this renderer began went past its work budget.
    bool everOverBudget() const { return everOverBudget_; }
    // Cached objects (cacheAsBitmap or filtered) drawn into their layer
    // anew, and drawn from the layer kept, since this renderer began.
    struct LayerCacheCounts {
        uint64_t drawn = 0, reused = 0;
    };
    LayerCacheCounts layerCacheCounts() const { return cacheCounts_; }
    // Objects of the last frame left out because the memory to draw them
    // could not be had (see DrawingBudget), or because memory ran out.
    uint32_t skippedObjects() const { return skipped_; }
    // Some frame since this renderer began left an object out for memory.
    bool everOverMemory() const { return everOverMemory_; }
    // The memory drawing may hold, as set for the last frame: the canvas,
    // masks, layers and the rasteriser's cells together.
    const DrawingBudget& drawingBudget() const { return drawing_; }

  private:
    struct Target {
        uint8_t* maskOut; // coverage goes here instead of colour when set
        const uint8_t* clip;
    };
    void DrawList(const SpriteState& sprite, const Matrix& m, const ColorTransform& cx,
                  const Target& t, int maskLevel);
    void DrawObject(const DisplayObject& o, const Matrix& m, const ColorTransform& cx,
                    const Target& t, int maskLevel);
    // The object without its filters and blend mode; without ownColor its
    // colour transform and cx are left out (a layer takes them later).
    void DrawContent(const DisplayObject& o, const Matrix& m, const ColorTransform& cx,
                     const Target& t, int maskLevel, bool ownColor = true);
    // The object drawn into a layer of its own, filtered and blended into the
    // canvas; false when the layer cannot be had (too large for the memory
    // left), and the object is to be drawn plainly.
    bool DrawLayered(const DisplayObject& o, const Matrix& m, const ColorTransform& cx,
                     const Target& t, int maskLevel);
    // Bitmap caching (layer_cache.h): the signature of a cacheable object's
    // layer, drawing options included; false when it is not cached.
    bool CacheSignature(const DisplayObject& o, const Matrix& full, uint64_t* signature) const;
    // Draws the object from its kept layer when that covers box; false
    // when there is none to use.
    bool DrawFromCache(const DisplayObject& o, const Matrix& full, uint64_t signature,
                       const PixelRect& box, const ColorTransform& cx, const Target& t);
    // A finished layer, its colour transform applied and blended in.
    void CompositeOnto(Layer* layer, const ColorTransform& total, BlendMode mode, const Target& t);
    // opaqueBackground: area (canvas pixels) of a layer filled opaque.
    void FillBackground(Rgba color, const PixelRect& area, const PixelRect& layerBox,
                        Canvas* layer) const;
    // Whether the drawing memory can take bytes more for a layer.
    bool LayerFits(uint64_t bytes) const;
    void StartLayerCache(const RenderOptions& options);
    void DrawShape(const Shape& shape, const Matrix& m, const ColorTransform& cx, const Target& t,
                   const Rgba* solid);
    void DrawText(const Text& text, const Matrix& m, const ColorTransform& cx, const Target& t);
    // Text fields and buttons (render_text.cpp).
    void DrawEditText(const DisplayObject& o, const Matrix& m, const ColorTransform& cx,
                      const Target& t);
    void DrawButton(const DisplayObject& o, const Matrix& m, const ColorTransform& cx,
                    const Target& t, int maskLevel);
    // The focus as the user sees it (render_focus.cpp): the yellow rectangle
    // over the movie round a focused button or clip, drawn last; the caret
    // or the selection of the focused field, drawn with the field.
    void DrawFocusRect(const Player& player, const Matrix& stage);
    void DrawFieldFocus(const FieldState& f, const TextPicture& picture, const Matrix& m,
                        const Target& t);
    // Whole canvas pixels x0..x1 by rows y0..y1 (fractional rows cover in
    // part) set to color, or inverted when it is null; inside the region
    // being drawn and the clip mask.
    void FillPixels(int x0, int x1, double y0, double y1, const Rgba* color, const uint8_t* clip);
    void AddEdge(const Edge& e, const Matrix& m, uint32_t fill0, uint32_t fill1);
    void Stroke(const Shape& shape, uint32_t line, const Matrix& m, const ColorTransform& cx,
                const Target& t);
    Paint* PaintFor(const FillStyle& fill, const Matrix& m, const ColorTransform& cx);
    Surface SurfaceFor(const Target& t) const;
    // Nine-slice scaling of a sprite with a scaling grid, done on canvas
    // positions: each axis maps piecewise linearly, so the corners keep the
    // size they have without the sprite's own scale and the centre stretches.
    struct NineSlice {
        bool on = false;
        double from[2][4] = {}, to[2][4] = {}; // x then y: box edge, grid edges, box edge
    };
    void SetSlice(const DisplayObject& o, const Matrix& full);
    void Slice(double* x, double* y) const;
    // Sets up drawing; answers the background as a packed pixel.
    uint32_t Begin(const RenderOptions& options, int w, int h, Canvas* canvas);
    // Counts work; false, ending the frame, once the budget is spent or the
    // frame is interrupted.
    bool Spend(uint64_t units);
    // Sets the frame's drawing budget and charges a w x h canvas to it,
    // giving up the buffers kept from earlier frames if that makes room.
    bool ChargeFrame(int w, int h, std::string* error);
    // What the buffers kept from frame to frame hold, and freeing them.
    uint64_t KeptBytes() const;
    void ReleaseKept();
    // The root's objects; memory running out ends the frame, not the program.
    void DrawRoot(const SpriteState& root, const Matrix& m);
    void Skipped();
    void FillRaster(bool nonZero, Paint* const* paints, uint32_t count, const Target& t);

    // The movie of the display list being drawn: a loaded clip draws from its own.
    const Movie* movie_;
    Canvas* canvas_ = nullptr;
    const avm1::Object* focus_ = nullptr; // the focused object while a frame is drawn
    bool deviceOrder_ = false;
    bool smoothBitmaps_ = false;
    PixelRect box_; // the region drawn; empty: all
    NineSlice slice_;
    double filterScale_ = 1; // canvas pixels a stage pixel
    int layers_ = 0;         // layers open, nested
    std::vector<std::vector<uint8_t>> layerPool_;
    std::shared_ptr<LayerCache> cache_;
    uint64_t cacheOptions_ = 0; // the drawing options a kept layer was drawn with
    LayerCacheCounts cacheCounts_;
    Rasterizer raster_;
    uint64_t budget_ = 0, spent_ = 0;
    uint32_t sinceAsked_ = 0;
    uint64_t askedAt_ = 0; // work done when interrupted_ was last asked
    std::function<bool()> interrupted_;
    bool cut_ = false, everOverBudget_ = false;
    std::vector<std::unique_ptr<std::vector<uint8_t>>> masks_;
    Shape morphScratch_;
    std::vector<double> strokePoints_;
    DrawingBudget drawing_;
    uint32_t skipped_ = 0, refusedSeen_ = 0;
    bool everOverMemory_ = false;
    FillObserver* observer_ = nullptr;
    FillRecord record_;
    struct Paints;
    std::shared_ptr<Paints> paints_;
    struct TextState;
    std::shared_ptr<TextState> text_;
};

// What changed on the canvas from one frame to the next: each drawn object's
// box, state and place in the display list are kept, and the boxes of
// objects placed, moved, recoloured, morphed, reclipped or removed (old and
// new) are the regions to redraw.
class DamageTracker {
  public:
    explicit DamageTracker(const Movie& movie) : movie_(&movie) {}
    // The regions of the canvas that may differ from the frame seen at the
    // last call; the whole canvas the first time or when the options change.
    std::vector<PixelRect> Update(const Player& player, const RenderOptions& options);

  private:
    struct Item {
        std::vector<uint16_t> path; // depths from the root
        CharacterKind kind;
        uint32_t index;
        Matrix matrix;
        ColorTransform cx;
        uint16_t ratio;
        bool mask;
        uint64_t clips;   // the masks over it, folded into one number
        uint64_t effects; // filters and blend modes over it, folded
        uint64_t content; // what a script changes inside it: text, a button's state, a drawing
        PixelRect box;
    };
    void Collect(const SpriteState& sprite, const Matrix& m, const ColorTransform& cx, bool mask,
                 uint64_t clips, uint64_t effects, int grow, std::vector<uint16_t>* path);
    bool Box(CharacterKind kind, uint32_t index, const Matrix& m, PixelRect* box) const;

    const Movie* movie_; // of the display list being collected
    bool seen_ = false;
    int width_ = 0, height_ = 0;
    // The focus as last drawn: its rectangle or caret, and where.
    uint64_t focusPrint_ = 0;
    PixelRect focusBox_;
    double scale_ = 1; // canvas pixels a stage pixel, for filter reach
    RenderOptions options_;
    std::vector<Item> items_, last_;
};

// The box round an object's content as its characters declare it (a
// button's hit area), parent mapping the object's parent to canvas pixels;
// false when it has none.
bool DeclaredBox(const Movie& movie, const DisplayObject& o, const Matrix& parent, double* x0,
                 double* y0, double* x1, double* y1);

// A fingerprint of what the focus draws (the focused object, whether its
// rectangle shows, a field's selection) and the canvas pixels it may touch;
// 0 when it draws nothing.
uint64_t FocusPrint(const Player& player, const Matrix& stage, PixelRect* box);

// Writes a canvas as an RGBA PNG through a temporary name; false, leaving any
// earlier file untouched, when it cannot be written.
bool WritePng(const Canvas& canvas, const std::string& path);

} // namespace ww::movie
