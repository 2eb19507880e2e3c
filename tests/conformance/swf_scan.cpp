#include "tests/conformance/swf_scan.h"

#include <zlib.h>

#include <algorithm>

namespace ww::conformance {

namespace {

// Movies are read whole; more than this is left unread.
constexpr size_t kMaxMovieBytes = 64u << 20;

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The body after the 8-byte header, inflated as far as the stream goes.
std::vector<uint8_t> Inflate(const std::vector<uint8_t>& file, size_t bodySize) {
    std::vector<uint8_t> body(bodySize);
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return {};
    z.next_in = const_cast<Bytef*>(file.data() + 8);
    z.avail_in = uInt(file.size() - 8);
    z.next_out = body.data();
    z.avail_out = uInt(body.size());
    inflate(&z, Z_FINISH);
    body.resize(z.total_out);
    inflateEnd(&z);
    return body;
}

} // namespace

// Header: "FWS" or "CWS", version byte, 32-bit little-endian length of the
// whole uncompressed file. The body: the stage RECT (5 bits of field size,
// then four fields), 16-bit rate and count, then tags. A tag header is 16
// bits, code in the top 10 and length in the low 6; length 63 means a 32-bit
// length follows.
bool ScanTagCodes(const std::vector<uint8_t>& file, std::set<uint16_t>* codes, std::string* error) {
    codes->clear();
    if (file.size() < 8 || (file[0] != 'F' && file[0] != 'C') || file[1] != 'W' || file[2] != 'S') {
        *error = "not a SWF movie";
        return false;
    }
    const uint32_t length = Le32(file.data() + 4);
    if (length < 8) {
        *error = "the movie's length field is too small";
        return false;
    }
    const size_t bodySize = std::min<size_t>(length - 8, kMaxMovieBytes);
    const std::vector<uint8_t> body =
        file[0] == 'C'
            ? Inflate(file, bodySize)
            : std::vector<uint8_t>(file.begin() + 8,
                                   file.begin() + 8 + std::min(bodySize, file.size() - 8));
    if (body.empty()) {
        *error = "the movie has no body";
        return false;
    }
    const size_t rectBits = 5 + 4 * size_t(body[0] >> 3);
    size_t at = (rectBits + 7) / 8 + 4;
    while (at < body.size() && body.size() - at >= 2) {
        const uint16_t header = uint16_t(body[at] | body[at + 1] << 8);
        at += 2;
        size_t size = header & 0x3F;
        if (size == 0x3F) {
            if (body.size() - at < 4)
                break;
            size = Le32(body.data() + at);
            at += 4;
        }
        codes->insert(header >> 6);
        if (header >> 6 == 0 || size > body.size() - at)
            break;
        at += size;
    }
    return true;
}

bool CarriesActionScript3(const std::set<uint16_t>& codes) {
    return codes.count(kDoAbcTag) || codes.count(kDoAbcDefineTag);
}

} // namespace ww::conformance
