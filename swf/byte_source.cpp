#include "swf/byte_source.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace ww {

namespace {
constexpr size_t kDrainBlockSize = 64 * 1024;
} // namespace

size_t ReadFull(ByteSource& source, void* buf, size_t n) {
    uint8_t* out = static_cast<uint8_t*>(buf);
    size_t total = 0;
    while (total < n) {
        size_t got = source.Read(out + total, n - total);
        if (got == 0)
            break;
        total += got;
    }
    return total;
}

uint64_t Drain(ByteSource& source) {
    std::vector<uint8_t> block(kDrainBlockSize);
    uint64_t total = 0;
    for (;;) {
        size_t got = source.Read(block.data(), block.size());
        if (got == 0)
            return total;
        total += got;
    }
}

size_t MemorySource::Read(void* buf, size_t n) {
    size_t take = std::min(n, size_ - pos_);
    if (take > 0)
        std::memcpy(buf, data_ + pos_, take);
    pos_ += take;
    return take;
}

size_t FileSliceSource::Read(void* buf, size_t n) {
    if (!ok_ || left_ == 0)
        return 0;
    size_t want = left_ < n ? static_cast<size_t>(left_) : n;
    size_t got = file_.Read(buf, want);
    left_ -= got;
    // The file ending before the slice does is a fault of the data.
    if (got < want)
        ok_ = false;
    return got;
}

InflateSource::InflateSource(ByteSource& compressed, uint64_t outputLimit)
    : in_(compressed), limit_(outputLimit), input_(kInputBufferSize), inflater_(*this) {}

size_t InflateSource::Next(const uint8_t** bytes) {
    *bytes = input_.data();
    return in_.Read(input_.data(), input_.size());
}

// Inflates until n bytes came out, the stream ended or it failed; a source
// that failed to read fails the stream, wherever it stood.
size_t InflateSource::Inflate(uint8_t* out, size_t n) {
    const size_t got = inflater_.Read(out, n);
    if (inflater_.failed() || !in_.ok())
        ok_ = false;
    ended_ = inflater_.ended();
    return got;
}

size_t InflateSource::Read(void* buf, size_t n) {
    if (!ok_ || ended_ || n == 0)
        return 0;
    uint64_t allowance = limit_ - produced_;
    size_t want = allowance < n ? static_cast<size_t>(allowance) : n;
    size_t got = want > 0 ? Inflate(static_cast<uint8_t*>(buf), want) : 0;
    produced_ += got;
    if (ok_ && !ended_ && produced_ == limit_) {
        // The output is full: the stream must end here without one more byte.
        uint8_t probe;
        if (Inflate(&probe, 1) > 0 || !ended_)
            ok_ = false;
    }
    return ok_ ? got : 0;
}

bool InflatePrefix(const uint8_t* in, size_t inSize, uint8_t* out, size_t size) {
    MemorySource compressed(in, inSize);
    InflateSource stream(compressed, std::numeric_limits<uint64_t>::max());
    return ReadFull(stream, out, size) == size;
}

} // namespace ww
