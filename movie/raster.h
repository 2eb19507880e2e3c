// The scanline rasteriser. Edges are held in 1/256 pixel units and walked
// row by row, and inside a row pixel cell by pixel cell. In each cell an edge
// crosses it leaves two numbers: its cover (the height it spans there, signed
// by its direction) and its area (that height times twice its mean distance
// from the cell's left side). Only touched cells are stored; sorted by row and
// column, a running sum of cover along the row is the winding of the pixels
// between cells, and a touched pixel's exact coverage is that sum with the
// cell's own cover less the part its edges leave on their left. Work grows with
// the length of the edges and the number of spans, not with the shape's box.
//
// Each edge names the fill on either side, so all the fills of a shape are
// found in one pass: a cell counts for its edge's fill1 and against its fill0.
// Where fills meet inside a pixel their coverages add up to the whole pixel,
// and the pixel is blended once with the mix of their colours: no seam.
//
// Without anti-aliasing an edge leaves a whole pixel's cover where it crosses
// a row's centre line, in the first pixel whose centre is not left of it, so a
// pixel is in exactly when its centre is.
#pragma once

#include "movie/drawing_budget.h"
#include "movie/movie.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace ww::movie {

struct Canvas {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels; // premultiplied RGBA, rows top down
};

// Coverage in spans runs 0..kFullCover; a whole pixel scales a colour by
// exactly one, so full coverage of an opaque colour stores it unchanged.
constexpr uint32_t kFullCover = 256;

// A fill's colours, premultiplied and packed (see PackPixel).
class Paint {
  public:
    virtual ~Paint() = default;
    // Colours of pixels x0 .. x1 - 1 of row y.
    virtual void Colors(int y, int x0, int x1, uint32_t* out) = 0;
    // True, with the colour, when the whole paint is one colour.
    virtual bool Uniform(uint32_t* color) {
        (void)color;
        return false;
    }
    // True, with the colour, when all of row y is one colour.
    virtual bool RowColor(int y, uint32_t* color) {
        (void)y;
        (void)color;
        return false;
    }
};

// Where fills go: blended into premultiplied RGBA pixels, or, for a clip
// shape, into a coverage mask as the union of everything drawn into it. A clip
// mask scales coverage when there is one. Masks are width x height bytes.
struct Surface {
    int width = 0, height = 0;
    uint8_t* pixels = nullptr;
    uint8_t* maskOut = nullptr;
    const uint8_t* clip = nullptr;
    // Only pixels in boxX0..boxX1 - 1 x boxY0..boxY1 - 1 are drawn, when the
    // box is not empty; each is drawn exactly as with no box.
    int boxX0 = 0, boxY0 = 0, boxX1 = 0, boxY1 = 0;
};

// Premultiplied RGBA packed little-endian: r in the low byte, as stored.
inline uint32_t PackPixel(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    return r | (g << 8) | (b << 16) | (a << 24);
}

// On little-endian machines the packed word is the stored bytes.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
inline uint32_t LoadPixel(const uint8_t* d) {
    uint32_t p;
    std::memcpy(&p, d, sizeof p);
    return p;
}

inline void StorePixel(uint8_t* d, uint32_t p) {
    std::memcpy(d, &p, sizeof p);
}
#else
inline uint32_t LoadPixel(const uint8_t* d) {
    return PackPixel(d[0], d[1], d[2], d[3]);
}

inline void StorePixel(uint8_t* d, uint32_t p) {
    d[0] = static_cast<uint8_t>(p);
    d[1] = static_cast<uint8_t>(p >> 8);
    d[2] = static_cast<uint8_t>(p >> 16);
    d[3] = static_cast<uint8_t>(p >> 24);
}
#endif

// Blends n packed colours (or one colour for all when colors is null) at
// coverage cover[i] (or one coverage for all when cover is null) into the
// pixels at dst. Several pixels at a time where the processor allows.
void BlendSpan(uint8_t* dst, int n, const uint32_t* colors, uint32_t color, const uint16_t* cover,
               uint32_t coverage);

// A line as given to AddEdge, kept for replaying elsewhere.
struct EdgeLine {
    double x0, y0, x1, y1;
    uint32_t fill0, fill1;
};

class Rasterizer {
  public:
    // The clip rectangle is 0..width x 0..height (each at most 32767);
    // forgets every edge.
    void SetSize(int width, int height);
    // Off: each pixel wholly in or out, by its centre.
    void SetAntiAlias(bool on) { antiAlias_ = on; }
    // A line from (x0, y0) to (x1, y1) in pixels with fill fill0 on one side
    // and fill1 on the other (fills count from 1 to 65535; 0 is none), as a
    // shape's edges give them.
    void AddEdge(double x0, double y0, double x1, double y1, uint32_t fill0, uint32_t fill1);
    // A line of a closed outline filled with fill 1.
    void AddLine(double x0, double y0, double x1, double y1) { AddEdge(x0, y0, x1, y1, 0, 1); }
    bool Empty() const { return cells_.empty() && !refused_; }
    // Draws fills 1..count with paints[0..count - 1] (a null paint draws
    // nothing, but still takes its share of the pixels it meets), then
    // forgets the edges. A mask target ignores the paints.
    void Fill(bool nonZero, Paint* const* paints, uint32_t count, const Surface& surface);
    void Fill(bool nonZero, Paint& paint, const Surface& surface) {
        Paint* p = &paint;
        Fill(nonZero, &p, 1, surface);
    }
    void Clear();
    // The work since the last reset: lines given, cells swept and pixels
    // drawn, the measure of a frame's cost.
    uint64_t work() const { return work_; }
    void ResetWork() { work_ = 0; }
    // Every line given to AddEdge is also appended here while set.
    void Record(std::vector<EdgeLine>* lines) { record_ = lines; }
    // Cell storage is charged to budget while set. A fill whose cells cannot
    // all be stored (past the budget, or past a fixed cap on cells) is
    // refused whole: nothing of it drawn, its edges no longer walked.
    void SetBudget(DrawingBudget* budget) { budget_ = budget; }
    // The edges given since the last fill are refused: more would be lost.
    bool refusing() const { return refused_; }
    // Fills refused since the rasteriser was made.
    uint32_t refusedFills() const { return refusedFills_; }
    // What the rasteriser's buffers hold, kept from fill to fill.
    uint64_t heldBytes() const;
    // Frees the cell buffers, giving their bytes back to the budget.
    void ReleaseStorage();

  private:
    // 16 bytes: sorting moves them about.
    struct Cell {
        int16_t x, y;
        int16_t cover;
        uint16_t fill0, fill1;
        int16_t spare;
        int32_t area;
    };
    struct Run;
    void SplitColumns(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t f0, uint32_t f1);
    void WalkRows(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t f0, uint32_t f1);
    void WalkCells(int32_t row, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int32_t sign,
                   uint32_t f0, uint32_t f1);
    void SampleRows(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t f0, uint32_t f1);
    void Deposit(int32_t row, int32_t column, int32_t cover, int32_t area, uint32_t f0,
                 uint32_t f1);
    bool GrowCells();
    bool ReserveSorted();
    void SortCells();
    void SweepOne(bool nonZero, Run& run);
    void SweepMany(bool nonZero, uint32_t count, Run& run);

    int width_ = 0, height_ = 0;
    bool antiAlias_ = true;
    uint64_t work_ = 0;
    std::vector<EdgeLine>* record_ = nullptr;
    DrawingBudget* budget_ = nullptr;
    bool refused_ = false; // the edges since the last fill cannot all be held
    uint32_t refusedFills_ = 0;
    int32_t minRow_ = 0, maxRow_ = -1;
    int32_t firstRow_ = 0, lastRow_ = -1; // the rows a fill draws
    std::vector<Cell> cells_, sorted_;
    std::vector<uint32_t> rowStart_;
    // Per fill, while sweeping a row: the running cover, and the pixel's own.
    std::vector<int64_t> winding_, pixelCover_, pixelArea_;
    std::vector<uint32_t> active_, touched_;
    std::vector<uint16_t> coverBuffer_;
    std::vector<uint32_t> colorBuffer_, uniformColor_;
    std::vector<uint8_t> uniform_;
};

} // namespace ww::movie
