// The memory a renderer may hold while it draws. Its limit is the movie's cap
// less what the movie already holds, so a movie and the drawing of it stay
// within kMovieMemoryCap together. Every buffer drawing grows (the canvas,
// clip mask planes, layers, the rasteriser's cells, stroke outlines) is
// charged here before it is allocated; an object whose buffers cannot be had
// is skipped, and the frame says so.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace ww::movie {

class DrawingBudget {
  public:
    // A fresh frame: limit bytes in all, of which held are held already
    // (buffers kept from earlier frames).
    void Reset(uint64_t limit, uint64_t held) {
        limit_ = limit;
        held_ = held;
        refused_ = 0;
    }
    uint64_t limit() const { return limit_; }
    uint64_t held() const { return held_; }
    // Times Take answered false since the frame began.
    uint32_t refused() const { return refused_; }

    // Charges bytes; false, charging nothing, when they would pass the limit.
    bool Take(uint64_t bytes) {
        if (bytes > limit_ || held_ > limit_ - bytes) {
            ++refused_;
            return false;
        }
        held_ += bytes;
        return true;
    }
    void Give(uint64_t bytes) { held_ -= std::min(bytes, held_); }

    // Room for n elements in v, the growth charged first; false, leaving v
    // as it was, when it cannot be had.
    template <class T> bool Reserve(std::vector<T>& v, size_t n) {
        if (v.capacity() >= n)
            return true;
        if (n > v.max_size() || !Take((uint64_t(n) - v.capacity()) * sizeof(T)))
            return false;
        const size_t asked = n;
        v.reserve(asked);
        held_ += (uint64_t(v.capacity()) - asked) * sizeof(T); // any slack it took
        return true;
    }
    // Frees v and gives its bytes back.
    template <class T> void Release(std::vector<T>& v) {
        Give(uint64_t(v.capacity()) * sizeof(T));
        std::vector<T>().swap(v);
    }

  private:
    uint64_t limit_ = UINT64_MAX, held_ = 0;
    uint32_t refused_ = 0;
};

template <class T> uint64_t HeldBytes(const std::vector<T>& v) {
    return uint64_t(v.capacity()) * sizeof(T);
}

} // namespace ww::movie
