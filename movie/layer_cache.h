// Bitmap caching: an object drawn into a layer of its own (cacheAsBitmap, or
// any filter) keeps its filtered layer from frame to frame, and the renderer
// reuses it while nothing that shapes its pixels has changed. Moving the
// object by whole pixels changes nothing: the layer is placed again. A layer
// drawn for a blend mode alone is kept the same way once it holds still.
//
// The layers kept are charged to a budget in bytes; past it the least
// recently used go first, and a layer unused for a few frames goes anyway.
#pragma once

#include "movie/filters.h"
#include "movie/player.h"

#include <cstdint>
#include <list>
#include <unordered_map>

namespace ww::movie {

constexpr uint64_t kLayerCacheBudget = 64ull << 20;
// Frames a kept layer may go unused before it is dropped.
constexpr uint64_t kLayerCacheStaleFrames = 2;

// Folds what an object's pixels in its own layer depend on, apart from its
// translation and its own colour transform (applied after the filters),
// into one number; false when the object holds something whose look can
// change unseen (text fields, buttons), and is never cached.
bool LayerSignature(const DisplayObject& o, const Matrix& full, uint64_t* signature);

struct CachedLayer {
    uint64_t signature = 0;
    double tx = 0, ty = 0; // the object's translation on the canvas when drawn
    Layer layer;           // filtered, before the colour transform
    uint64_t lastFrame = 0;
};

class LayerCache {
  public:
    explicit LayerCache(uint64_t budget = kLayerCacheBudget) : budget_(budget) {}
    // The layer kept for an object under this signature; null when none.
    CachedLayer* Find(const void* object, uint64_t signature);
    // Keeps a copy of layer for an object, dropping the least recently used
    // to make room; false when it is larger than the whole budget.
    bool Store(const void* object, uint64_t signature, double tx, double ty, const Layer& layer);
    // Whether an object was seen with the same signature in the frame
    // before: an object the movie does not ask to cache (a blend mode
    // alone) is kept once it holds still, not while it changes each frame.
    bool Steady(const void* object, uint64_t signature);
    // Starts a frame: layers unused for kLayerCacheStaleFrames are dropped.
    void NextFrame();
    void Clear();
    uint64_t bytes() const { return bytes_; }
    size_t size() const { return entries_.size(); }

  private:
    using Order = std::list<const void*>; // most recently used first
    struct Entry {
        CachedLayer kept;
        Order::iterator place;
    };
    void Drop(const void* object);

    uint64_t budget_;
    uint64_t bytes_ = 0;
    uint64_t frame_ = 0;
    Order order_;
    std::unordered_map<const void*, Entry> entries_;
    struct Sighting {
        uint64_t signature, frame;
    };
    std::unordered_map<const void*, Sighting> seen_;
};

} // namespace ww::movie
