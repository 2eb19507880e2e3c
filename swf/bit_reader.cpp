#include "swf/bit_reader.h"

namespace ww {

uint32_t BitReader::UB(unsigned n) {
    uint32_t v = 0;
    if (!ok())
        return 0;
    for (unsigned i = 0; i < n; ++i) {
        if (bit_ == 0) {
            current_ = bytes_.U8();
            if (!bytes_.ok())
                return 0;
        }
        v = (v << 1) | ((current_ >> (7 - bit_)) & 1u);
        bit_ = (bit_ + 1) % 8;
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
    const char* text = reinterpret_cast<const char*>(bytes_.Here());
    const size_t left = ok() ? bytes_.remaining() : 0;
    for (size_t n = 0; n < left; ++n) {
        if (text[n] == '\0') {
            bytes_.Skip(n + 1);
            return std::string(text, n);
        }
    }
    bytes_.Fail();
    return {};
}

SwfRect BitReader::ReadRect(unsigned* nbits) {
    Align();
    const unsigned n = UB(5);
    SwfRect r;
    r.xmin = SB(n);
    r.xmax = SB(n);
    r.ymin = SB(n);
    r.ymax = SB(n);
    Align();
    if (nbits)
        *nbits = n;
    return r;
}

} // namespace ww
