// Sequential byte sources with fixed buffers, so a movie is read, sliced out of
// a projector and inflated as one stream without ever being held whole.
#pragma once

#include "common/file.h"
#include "common/inflate.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ww {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Up to n bytes; fewer only at the end of the data or after a failure.
    virtual size_t Read(void* buf, size_t n) = 0;
    // False after a read error or bad data; reaching the end is no failure.
    virtual bool ok() const { return true; }
};

// Reads until n bytes arrived or the source ends; answers how many arrived.
size_t ReadFull(ByteSource& source, void* buf, size_t n);
// Reads and discards everything left; answers how many bytes that was.
uint64_t Drain(ByteSource& source);

class MemorySource : public ByteSource {
  public:
    MemorySource(const void* data, size_t size)
        : data_(static_cast<const uint8_t*>(data)), size_(size) {}
    size_t Read(void* buf, size_t n) override;

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// At most length bytes of an open file from its current position.
class FileSliceSource : public ByteSource {
  public:
    FileSliceSource(File& file, uint64_t length) : file_(file), left_(length) {}
    size_t Read(void* buf, size_t n) override;
    bool ok() const override { return ok_; }

  private:
    File& file_;
    uint64_t left_;
    bool ok_ = true;
};

// The inflated form of a zlib stream, with the rules of a one-shot uncompress
// into a buffer of outputLimit bytes: the data counts only when the stream
// ends (checksum included) within that many output bytes. Bytes after the end
// of the stream are ignored.
class InflateSource : public ByteSource, private InflateInput {
  public:
    static constexpr size_t kInputBufferSize = 64 * 1024;

    InflateSource(ByteSource& compressed, uint64_t outputLimit);
    InflateSource(const InflateSource&) = delete;
    InflateSource& operator=(const InflateSource&) = delete;

    size_t Read(void* buf, size_t n) override;
    // False for a corrupt or truncated stream, or one that outgrows the limit.
    bool ok() const override { return ok_; }
    // True once the whole stream has been inflated within the limit.
    bool finished() const { return ended_; }
    uint64_t produced() const { return produced_; }

  private:
    size_t Next(const uint8_t** bytes) override;
    size_t Inflate(uint8_t* out, size_t n);

    ByteSource& in_;
    uint64_t limit_;
    uint64_t produced_ = 0;
    std::vector<uint8_t> input_;
    Inflater inflater_;
    bool ended_ = false;
    bool ok_ = true;
};

// Inflates exactly size bytes from the start of a zlib stream held in memory;
// false when the stream fails or ends before them. What follows them, even the
// stream's own end, is not read.
bool InflatePrefix(const uint8_t* in, size_t inSize, uint8_t* out, size_t size);

} // namespace ww
