#include "movie/bits.h"

namespace ww::movie {

bool BitReader::Take(size_t n) {
    Align();
    if (!ok_ || n > size_ - pos_) {
        ok_ = false;
        return false;
    }
    return true;
}

uint8_t BitReader::U8() {
    if (!Take(1))
        return 0;
    return data_[pos_++];
}

uint16_t BitReader::U16() {
    if (!Take(2))
        return 0;
    const uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
}

uint32_t BitReader::U32() {
    if (!Take(4))
        return 0;
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | data_[pos_ + static_cast<size_t>(i)];
    pos_ += 4;
    return v;
}

uint32_t BitReader::UB(unsigned n) {
    uint32_t v = 0;
    for (unsigned i = 0; i < n; ++i) {
        if (!ok_ || pos_ >= size_) {
            ok_ = false;
            return 0;
        }
        v = (v << 1) | ((data_[pos_] >> (7 - bit_)) & 1u);
        if (++bit_ == 8) {
            bit_ = 0;
            ++pos_;
        }
    }
    return v;
}

int32_t BitReader::SB(unsigned n) {
    if (n == 0)
        return 0;
    const uint32_t v = UB(n);
    if (n < 32 && (v >> (n - 1)) & 1u)
        return static_cast<int32_t>(v | ~((1u << n) - 1u));
    return static_cast<int32_t>(v);
}

std::string BitReader::String() {
    Align();
    std::string s;
    while (ok_) {
        if (pos_ >= size_) {
            ok_ = false;
            break;
        }
        const char c = static_cast<char>(data_[pos_++]);
        if (c == 0)
            return s;
        s.push_back(c);
    }
    return {};
}

void BitReader::Skip(size_t n) {
    if (Take(n))
        pos_ += n;
}

Rect BitReader::ReadRect() {
    Align();
    const unsigned nbits = UB(5);
    Rect r;
    r.xmin = SB(nbits);
    r.xmax = SB(nbits);
    r.ymin = SB(nbits);
    r.ymax = SB(nbits);
    Align();
    return r;
}

Matrix BitReader::ReadMatrix() {
    Align();
    Matrix m;
    if (UB(1)) {
        const unsigned n = UB(5);
        m.a = FB(n);
        m.d = FB(n);
    }
    if (UB(1)) {
        const unsigned n = UB(5);
        m.b = FB(n);
        m.c = FB(n);
    }
    const unsigned n = UB(5);
    m.tx = SB(n);
    m.ty = SB(n);
    Align();
    return m;
}

ColorTransform BitReader::ReadColorTransform(bool withAlpha) {
    Align();
    ColorTransform cx;
    const bool hasAdd = UB(1) != 0;
    const bool hasMult = UB(1) != 0;
    const unsigned n = UB(4);
    const int channels = withAlpha ? 4 : 3;
    if (hasMult) {
        for (int i = 0; i < channels; ++i)
            cx.mult[i] = static_cast<float>(SB(n)) / 256.0f;
    }
    if (hasAdd) {
        for (int i = 0; i < channels; ++i)
            cx.add[i] = static_cast<float>(SB(n));
    }
    Align();
    return cx;
}

Rgba BitReader::ReadRgb() {
    Rgba c;
    c.r = U8();
    c.g = U8();
    c.b = U8();
    return c;
}

Rgba BitReader::ReadRgba() {
    Rgba c = ReadRgb();
    c.a = U8();
    return c;
}

} // namespace ww::movie
