// The reader for the bytes of one SWF tag: the house ByteReader's
// little-endian integers on byte boundaries, plus SWF bit fields (most
// significant bit first). A byte read starts on the next whole byte. Like
// ByteReader it remembers the first read past the end: every later read
// answers zero and ok() turns false, so parsers check once per record.
#pragma once

#include "common/bytes.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace ww {

// A RECT in twips, its fields sign-extended.
struct SwfRect {
    int32_t xmin = 0, xmax = 0, ymin = 0, ymax = 0;
};

class BitReader {
  public:
    BitReader(const uint8_t* data, size_t size) : bytes_(data, size) {}

    uint8_t U8() { return Align(), bytes_.U8(); }
    uint16_t U16() { return Align(), bytes_.U16(); }
    int16_t I16() { return static_cast<int16_t>(U16()); }
    uint32_t U32() { return Align(), bytes_.U32(); }
    // n unsigned bits (n <= 32).
    uint32_t UB(unsigned n);
    // n bits, sign-extended.
    int32_t SB(unsigned n);
    // 16.16 fixed point in n bits.
    double FB(unsigned n) { return SB(n) / 65536.0; }
    // The next read starts on a byte boundary.
    void Align() { bit_ = 0; }
    // A zero-terminated string; fails when the tag ends before the zero.
    std::string String();
    void Skip(size_t n) { Align(), bytes_.Skip(n); }
    // The first byte not yet wholly read.
    const uint8_t* Here() const { return bytes_.Here() - (bit_ != 0 ? 1 : 0); }

    // Nbits (5 bits), then Xmin, Xmax, Ymin, Ymax of Nbits bits each; ends on
    // a byte boundary. *nbits, when asked for, receives Nbits.
    SwfRect ReadRect(unsigned* nbits = nullptr);

    bool ok() const { return bytes_.ok(); }
    void Fail() { bytes_.Fail(); }
    size_t pos() const { return bytes_.pos() - (bit_ != 0 ? 1 : 0); }
    size_t remaining() const { return ok() ? bytes_.remaining() + (bit_ != 0 ? 1 : 0) : 0; }

  private:
    ByteReader bytes_;
    uint8_t current_ = 0; // the byte bits are being read from
    unsigned bit_ = 0;    // bits of current_ already read; 0: none pending
};

} // namespace ww
