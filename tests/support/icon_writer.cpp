#include "tests/support/icon_writer.h"

namespace ww::test {

namespace {

void Put16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(Bytes& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

} // namespace

IconFileImage MakeIconImage(int size, uint8_t seed) {
    IconFileImage image;
    image.width = static_cast<uint8_t>(size >= 256 ? 0 : size);
    image.height = image.width;
    Bytes& b = image.bytes;
    const uint32_t pixels = uint32_t(size) * uint32_t(size) * 4;
    const uint32_t maskRow = (uint32_t(size) + 31) / 32 * 4;
    Put32(b, 40);
    Put32(b, uint32_t(size));
    Put32(b, uint32_t(size) * 2);
    Put16(b, 1);
    Put16(b, 32);
    Put32(b, 0);
    Put32(b, pixels + maskRow * uint32_t(size));
    for (int i = 0; i < 4; ++i)
        Put32(b, 0);
    Bytes body = PatternBytes(pixels, seed);
    b.insert(b.end(), body.begin(), body.end());
    b.resize(b.size() + maskRow * uint32_t(size), 0);
    return image;
}

Bytes MakeIcon(const std::vector<IconFileImage>& images) {
    Bytes out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (const IconFileImage& image : images) {
        out.push_back(image.width);
        out.push_back(image.height);
        out.push_back(image.colourCount);
        out.push_back(0);
        Put16(out, image.planes);
        Put16(out, image.bitCount);
        Put32(out, static_cast<uint32_t>(image.bytes.size()));
        Put32(out, offset);
        offset += static_cast<uint32_t>(image.bytes.size());
    }
    for (const IconFileImage& image : images)
        out.insert(out.end(), image.bytes.begin(), image.bytes.end());
    return out;
}

} // namespace ww::test
