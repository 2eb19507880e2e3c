#include "swf/byte_source.h"

#include <algorithm>
#include <climits>
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
    : in_(compressed), limit_(outputLimit), input_(kInputBufferSize) {
    ok_ = inflateInit(&stream_) == Z_OK;
}

InflateSource::~InflateSource() {
    inflateEnd(&stream_);
}

bool InflateSource::Refill() {
    size_t got = in_.Read(input_.data(), input_.size());
    if (got == 0) {
        inputEnded_ = true;
        return false;
    }
    stream_.next_in = input_.data();
    stream_.avail_in = static_cast<uInt>(got);
    return true;
}

// Runs inflate until n bytes came out, the stream ended or it failed.
size_t InflateSource::Inflate(uint8_t* out, size_t n) {
    stream_.next_out = out;
    stream_.avail_out = static_cast<uInt>(n);
    while (stream_.avail_out > 0) {
        if (stream_.avail_in == 0 && !inputEnded_)
            Refill();
        if (!in_.ok()) {
            ok_ = false;
            break;
        }
        int result = inflate(&stream_, Z_NO_FLUSH);
        if (result == Z_STREAM_END) {
            ended_ = true;
            break;
        }
        // No progress without more input, and none is coming: cut short.
        bool starved = result == Z_BUF_ERROR && stream_.avail_in == 0 && !inputEnded_;
        if (result != Z_OK && !starved) {
            ok_ = false;
            break;
        }
    }
    return n - stream_.avail_out;
}

size_t InflateSource::Read(void* buf, size_t n) {
    if (!ok_ || ended_ || n == 0)
        return 0;
    n = std::min<size_t>(n, UINT_MAX);
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
