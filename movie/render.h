// Drawing a player's current frame into an RGBA canvas of any size, the stage
// scaled as the wallpaper page's Scale setting does: show all (the whole stage,
// centred, bordered in the background colour), no border (the stage fills the
// canvas, centred, cut at two sides) or exact fit (stretched).
#pragma once

#include "movie/movie.h"
#include "movie/player.h"
#include "movie/raster.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ww::movie {

constexpr int kMaxOutputSide = 8192;
constexpr uint64_t kMaxOutputPixels = 4096ull * 4096ull;
// Clip masks inside clip masks deeper than this draw nothing.
constexpr int kMaxMaskNesting = 8;
// Layers (filtered, blended or cached objects) nested deeper than this, or
// larger than this many pixels, are drawn plainly.
constexpr int kMaxLayerNesting = 16;
constexpr uint64_t kMaxLayerPixels = 4096ull * 4096ull;

enum class ScaleMode { ShowAll, NoBorder, ExactFit };

// "showall", "noborder", "exactfit".
bool ParseScaleMode(const std::string& text, ScaleMode* mode);

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
// Maps stage twips to canvas pixels.
Matrix StageToCanvas(const Movie& movie, int width, int height, ScaleMode scale);

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
    explicit Renderer(const Movie& movie) : movie_(movie) {}
    // Draws the player's frame; the canvas is resized to the output size.
    bool Render(const Player& player, const RenderOptions& options, Canvas* canvas,
                std::string* error);
    // Redraws only the regions of a canvas drawn before at the same size and
    // options (otherwise the whole canvas); each region's pixels come out
    // exactly as a whole Render would draw them.
    bool RenderRegions(const Player& player, const RenderOptions& options,
                       const std::vector<PixelRect>& regions, Canvas* canvas, std::string* error);
    // Told of every fill drawn into the canvas (not into clip masks) while
    // set.
    void Observe(FillObserver* observer) { observer_ = observer; }
    // The last frame ended early: past its work budget, or interrupted.
    bool frameCut() const { return cut_; }
    // Some frame since this renderer began went past its work budget.
    bool everOverBudget() const { return everOverBudget_; }

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
    void DrawShape(const Shape& shape, const Matrix& m, const ColorTransform& cx, const Target& t,
                   const Rgba* solid);
    void DrawText(const Text& text, const Matrix& m, const ColorTransform& cx, const Target& t);
    // Text fields and buttons (render_text.cpp).
    void DrawEditText(const DisplayObject& o, const Matrix& m, const ColorTransform& cx,
                      const Target& t);
    void DrawButton(const DisplayObject& o, const Matrix& m, const ColorTransform& cx,
                    const Target& t, int maskLevel);
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

    const Movie& movie_;
    Canvas* canvas_ = nullptr;
    bool deviceOrder_ = false;
    bool smoothBitmaps_ = false;
    PixelRect box_; // the region drawn; empty: all
    NineSlice slice_;
    double filterScale_ = 1;  // canvas pixels a stage pixel
    int layers_ = 0;          // layers open, nested
    uint64_t layerBytes_ = 0; // their pixels
    std::vector<std::vector<uint8_t>> layerPool_;
    Rasterizer raster_;
    uint64_t budget_ = 0, spent_ = 0;
    uint32_t sinceAsked_ = 0;
    std::function<bool()> interrupted_;
    bool cut_ = false, everOverBudget_ = false;
    std::vector<std::unique_ptr<std::vector<uint8_t>>> masks_;
    Shape morphScratch_;
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
    explicit DamageTracker(const Movie& movie) : movie_(movie) {}
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
        PixelRect box;
    };
    void Collect(const SpriteState& sprite, const Matrix& m, const ColorTransform& cx, bool mask,
                 uint64_t clips, uint64_t effects, int grow, std::vector<uint16_t>* path);
    bool Box(CharacterKind kind, uint32_t index, const Matrix& m, PixelRect* box) const;

    const Movie& movie_;
    bool seen_ = false;
    int width_ = 0, height_ = 0;
    double scale_ = 1; // canvas pixels a stage pixel, for filter reach
    RenderOptions options_;
    std::vector<Item> items_, last_;
};

// Writes a canvas as an RGBA PNG through a temporary name; false, leaving any
// earlier file untouched, when it cannot be written.
bool WritePng(const Canvas& canvas, const std::string& path);

} // namespace ww::movie
