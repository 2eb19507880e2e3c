// Little-endian byte reading and writing over memory buffers. File records are
// always serialised field by field through these, never by laying a struct over
// the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ww {

// Remembers the first failure: after a read past the end every read answers
// zero and ok() turns false, so a parser checks once at the end.
class ByteReader {
  public:
    ByteReader(const void* data, size_t size)
        : data_(static_cast<const uint8_t*>(data)), size_(size) {}

    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    int32_t I32() { return static_cast<int32_t>(U32()); }
    void Bytes(void* out, size_t n);
    // A zero-terminated string field of exactly n bytes: read up to its first
    // zero byte, never past the field.
    std::string FixedString(size_t n);
    void Skip(size_t n);

    bool ok() const { return ok_; }
    void Fail() { ok_ = false; }
    size_t pos() const { return pos_; }
    size_t remaining() const { return size_ - pos_; }
    const uint8_t* Here() const { return data_ + pos_; }

  private:
    bool Take(size_t n);
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// Writes into a caller's buffer of fixed size; a write past the end is dropped
// and ok() turns false.
class ByteWriter {
  public:
    ByteWriter(void* data, size_t size) : data_(static_cast<uint8_t*>(data)), size_(size) {}

    void U8(uint8_t v);
    void U16(uint16_t v);
    void U32(uint32_t v);
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void Bytes(const void* in, size_t n);
    // Writes text into a field of n bytes, zero-padded; text longer than n - 1
    // characters is cut so the field always ends in a zero byte.
    void FixedString(const std::string& text, size_t n);
    void Zeros(size_t n);

    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }

  private:
    bool Room(size_t n);
    uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

uint16_t LoadU16(const uint8_t* p);
uint32_t LoadU32(const uint8_t* p);
void StoreU16(uint8_t* p, uint16_t v);
void StoreU32(uint8_t* p, uint32_t v);

// v as exactly `digits` hexadecimal digits, upper case. By hand rather than
// through printf, whose engine would otherwise be linked into the installers.
std::string HexDigits(uint32_t v, int digits);

} // namespace ww
