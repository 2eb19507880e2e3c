// A bitmap file as the setup wizard reads it: whatever the headers say, an
// accepted layout must lie wholly inside the bytes that GDI will be given.
#include "common/win32/bitmap_file.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!ww::IsBitmapFileHeader(data, size))
        return 0;
    // An exact copy, so that a read past its end is caught.
    std::vector<uint8_t> dib(data + ww::kBitmapFileHeaderSize, data + size);
    ww::BitmapLayout layout;
    if (!ww::ParseBitmapInfo(dib.data(), dib.size(), &layout))
        return 0;
    const uint64_t end = dib.size();
    if (uint64_t{layout.pixelOffset} + layout.pixelBytes > end ||
        uint64_t{layout.paletteOffset} + 4ull * layout.paletteEntries > end ||
        (layout.masksOffset && uint64_t{layout.masksOffset} + 12 > end) || layout.width <= 0 ||
        layout.height == 0)
        std::abort();
    volatile uint8_t sink = 0;
    if (layout.pixelBytes)
        sink = sink + dib[layout.pixelOffset + layout.pixelBytes - 1];
    return 0;
}
