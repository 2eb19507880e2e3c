// The two bodies of BlendSpan: a portable one, and one that blends four
// pixels at a time with SSE2, chosen when the library is built. Both are
// built where SSE2 is, so that tests hold them to the same pixels.
#pragma once

#include <cstdint>

namespace ww::movie {

// As BlendSpan (raster.h): coverages at most kFullCover, colours and pixels
// premultiplied.
void BlendSpanScalar(uint8_t* dst, int n, const uint32_t* colors, uint32_t color,
                     const uint16_t* cover, uint32_t coverage);
#ifdef __SSE2__
void BlendSpanSse2(uint8_t* dst, int n, const uint32_t* colors, uint32_t color,
                   const uint16_t* cover, uint32_t coverage);
#endif

} // namespace ww::movie
