// CRC-32 (the reflected 0xEDB88320 polynomial of zlib, PNG and gzip), a bit
// at a time: no table, for programs where size matters more than speed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ww {

// Continues `crc` (0 to start) over `size` bytes; the same value as zlib's
// crc32(crc, data, size).
inline uint32_t Crc32Update(uint32_t crc, const uint8_t* data, size_t size) {
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

} // namespace ww
