#include "movie/layer_cache.h"

#include <cstring>

namespace ww::movie {

namespace {

// FNV-1a over the bytes of each value folded in.
struct Hash {
    uint64_t h = 1469598103934665603ull;
    void Bytes(const void* p, size_t n) {
        const auto* b = static_cast<const uint8_t*>(p);
        for (size_t i = 0; i < n; ++i)
            h = (h ^ b[i]) * 1099511628211ull;
    }
    template <typename T> void Add(const T& v) { Bytes(&v, sizeof v); }
    void Add(double v) {
        if (v == 0)
            v = 0; // -0 and 0 draw alike
        Bytes(&v, sizeof v);
    }
    void Add(float v) { Add(double(v)); }
};

void AddColor(Hash& h, const FilterColor& c) {
    h.Add(uint32_t(c.r) | uint32_t(c.g) << 8 | uint32_t(c.b) << 16 | uint32_t(c.a) << 24);
}

void AddFilter(Hash& h, const Filter& f) {
    h.Add(static_cast<uint8_t>(f.kind));
    for (float v : {f.blurX, f.blurY, f.angle, f.distance, f.strength, f.divisor, f.bias})
        h.Add(v);
    h.Add(f.passes);
    h.Add(uint8_t(f.inner | f.knockout << 1 | f.compositeSource << 2 | f.onTop << 3 | f.clamp << 4 |
                  f.preserveAlpha << 5));
    AddColor(h, f.color);
    AddColor(h, f.highlight);
    AddColor(h, f.defaultColor);
    h.Add(f.colors.size());
    for (const FilterColor& c : f.colors)
        AddColor(h, c);
    h.Add(f.ratios.size());
    if (!f.ratios.empty())
        h.Bytes(f.ratios.data(), f.ratios.size());
    for (float v : f.matrix)
        h.Add(v);
    h.Add(f.matrixX);
    h.Add(f.matrixY);
    h.Add(f.kernel.size());
    for (float v : f.kernel)
        h.Add(v);
}

void AddColorTransform(Hash& h, const ColorTransform& cx) {
    for (int k = 0; k < 4; ++k) {
        h.Add(cx.mult[k]);
        h.Add(cx.add[k]);
    }
}

// What an object draws, seen from its parent: all of it but what the caller
// folds in itself.
bool AddObject(Hash& h, const DisplayObject& o, int depth) {
    if (depth > kMaxSpriteNesting || o.ref.kind == CharacterKind::EditText ||
        o.ref.kind == CharacterKind::Button)
        return false;
    h.Add(o.depth);
    h.Add(o.characterId);
    h.Add(static_cast<uint8_t>(o.ref.kind));
    h.Add(o.ref.index);
    // A movie loaded into the clip brings other content under the same ids.
    if (o.sprite)
        h.Add(reinterpret_cast<uintptr_t>(o.sprite->movie));
    h.Add(o.ratio);
    h.Add(o.clipDepth);
    h.Add(uint8_t(o.visible | o.cacheAsBitmap << 1));
    h.Add(static_cast<uint8_t>(o.blendMode));
    if (o.hasBackground)
        h.Add(uint32_t(o.background.r) | uint32_t(o.background.g) << 8 |
              uint32_t(o.background.b) << 16 | 1u << 24);
    h.Add(o.filters.size());
    for (const Filter& f : o.filters)
        AddFilter(h, f);
    if (o.ref.kind != CharacterKind::Sprite)
        return true;
    if (!o.sprite)
        return true;
    h.Add(o.sprite->objects.size());
    for (const auto& entry : o.sprite->objects) {
        const DisplayObject& child = entry.second;
        const Matrix& m = child.matrix;
        for (double v : {m.a, m.b, m.c, m.d, m.tx, m.ty})
            h.Add(v);
        AddColorTransform(h, child.color);
        if (!AddObject(h, child, depth + 1))
            return false;
    }
    return true;
}

} // namespace

bool LayerSignature(const DisplayObject& o, const Matrix& full, uint64_t* signature) {
    Hash h;
    if (!AddObject(h, o, 0))
        return false;
    for (double v : {full.a, full.b, full.c, full.d})
        h.Add(v);
    *signature = h.h;
    return true;
}

CachedLayer* LayerCache::Find(const void* object, uint64_t signature) {
    const auto it = entries_.find(object);
    if (it == entries_.end() || it->second.kept.signature != signature)
        return nullptr;
    order_.splice(order_.begin(), order_, it->second.place);
    it->second.kept.lastFrame = frame_;
    return &it->second.kept;
}

bool LayerCache::Store(const void* object, uint64_t signature, double tx, double ty,
                       const Layer& layer) {
    Drop(object);
    const uint64_t size = layer.pixels.size();
    if (size > budget_)
        return false;
    while (bytes_ + size > budget_ && !order_.empty())
        Drop(order_.back());
    order_.push_front(object);
    Entry& e = entries_[object];
    e.place = order_.begin();
    e.kept.signature = signature;
    e.kept.tx = tx;
    e.kept.ty = ty;
    e.kept.layer = layer;
    e.kept.lastFrame = frame_;
    bytes_ += size;
    return true;
}

bool LayerCache::Steady(const void* object, uint64_t signature) {
    Sighting& s = seen_[object];
    const bool steady = s.signature == signature && s.frame + 1 == frame_;
    s = Sighting{signature, frame_};
    return steady;
}

void LayerCache::NextFrame() {
    ++frame_;
    for (auto it = seen_.begin(); it != seen_.end();) {
        if (frame_ - it->second.frame > 1)
            it = seen_.erase(it);
        else
            ++it;
    }
    while (!order_.empty()) {
        const auto it = entries_.find(order_.back());
        if (frame_ - it->second.kept.lastFrame <= kLayerCacheStaleFrames)
            break;
        Drop(order_.back());
    }
}

void LayerCache::Clear() {
    entries_.clear();
    seen_.clear();
    order_.clear();
    bytes_ = 0;
}

void LayerCache::Drop(const void* object) {
    const auto it = entries_.find(object);
    if (it == entries_.end())
        return;
    bytes_ -= it->second.kept.layer.pixels.size();
    order_.erase(it->second.place);
    entries_.erase(it);
}

} // namespace ww::movie
