// The reader for the bytes of one tag: little-endian integers on byte
// boundaries and SWF bit fields (most significant bit first). Like the house
// ByteReader it remembers the first read past the end: every later read
// answers zero and ok() turns false, so parsers check once per record.
#pragma once

#include "movie/movie.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace ww::movie {

class BitReader {
  public:
    BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t U8();
    uint16_t U16();
    int16_t I16() { return static_cast<int16_t>(U16()); }
    uint32_t U32();
    // n unsigned bits (n <= 32).
    uint32_t UB(unsigned n);
    // n bits, sign-extended.
    int32_t SB(unsigned n);
    // 16.16 fixed point in n bits.
    double FB(unsigned n) { return SB(n) / 65536.0; }
    // Next read starts on a byte boundary.
    void Align() {
        if (bit_ != 0) {
            bit_ = 0;
            ++pos_;
        }
    }
    // A zero-terminated string; fails when the tag ends before the zero.
    std::string String();
    void Skip(size_t n);
    const uint8_t* Here() const { return data_ + pos_; }

    Rect ReadRect();
    Matrix ReadMatrix();
    ColorTransform ReadColorTransform(bool withAlpha);
    Rgba ReadRgb();
    Rgba ReadRgba();

    bool ok() const { return ok_; }
    void Fail() { ok_ = false; }
    size_t pos() const { return pos_; }
    size_t remaining() const { return ok_ ? size_ - pos_ : 0; }

  private:
    bool Take(size_t n);
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    unsigned bit_ = 0; // bits of data_[pos_] already read
    bool ok_ = true;
};

} // namespace ww::movie
