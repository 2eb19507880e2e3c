// Bitmaps, decoded to premultiplied RGBA.
//
// DefineBitsLossless(2): id, format UI8 (3: colour-mapped, 4: 15-bit RGB,
// 5: 32-bit), width UI16, height UI16, for format 3 the colour count - 1
// UI8, then zlib data: the colour table (RGB, or RGBA in version 2) and
// rows padded to 32 bits; 15-bit pixels are big-endian x5:5:5, 32-bit ones
// are xRGB (ARGB, premultiplied, in version 2). Colour-mapped RGBA entries
// are taken as premultiplied too, and every colour is clamped to its alpha
// so the stored pixels are valid premultiplied ones.
//
// DefineBits: JPEG data that needs the movie's JPEGTables; DefineBitsJPEG2:
// a whole JPEG (or PNG or GIF); DefineBitsJPEG3: AlphaDataOffset UI32, the
// image, then the zlib-compressed alpha plane, one byte per pixel. A JPEG
// may carry the spurious EOI+SOI pair old encoders wrote; it is removed.
//
// The size of the decoded bitmap is charged before anything is inflated or
// decoded, so a 65535 x 65535 bitmap is refused without being allocated.
#include "movie/parse_internal.h"
#include "swf/byte_source.h"

#include <stb_image.h>

#include <algorithm>
#include <cstring>

namespace ww::movie {

namespace {

bool AllocatePixels(Bitmap* bitmap, uint32_t width, uint32_t height, ParseContext& ctx) {
    const uint64_t bytes = uint64_t(width) * height * 4;
    if (!ctx.Charge(bytes)) {
        ctx.Problem("bitmap of " + std::to_string(width) + " x " + std::to_string(height) +
                    " exceeds the movie's memory cap");
        return false;
    }
    bitmap->width = static_cast<int32_t>(width);
    bitmap->height = static_cast<int32_t>(height);
    bitmap->pixels.assign(static_cast<size_t>(bytes), 0);
    return true;
}

void StorePremultiplied(uint8_t* p, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    p[0] = std::min(r, a);
    p[1] = std::min(g, a);
    p[2] = std::min(b, a);
    p[3] = a;
}

uint8_t Mul255(unsigned a, unsigned b) {
    const unsigned t = a * b + 128;
    return static_cast<uint8_t>((t + (t >> 8)) >> 8);
}

void DecodeLossless(const uint8_t* raw, int version, uint8_t format, unsigned colors,
                    Bitmap* bitmap) {
    const size_t w = static_cast<size_t>(bitmap->width);
    const size_t h = static_cast<size_t>(bitmap->height);
    const bool alpha = version == 2;
    for (size_t y = 0; y < h; ++y) {
        uint8_t* out = bitmap->pixels.data() + y * w * 4;
        for (size_t x = 0; x < w; ++x, out += 4) {
            if (format == 3) {
                const size_t entry = alpha ? 4 : 3;
                const uint8_t index = raw[colors * entry + y * ((w + 3) & ~size_t(3)) + x];
                if (index >= colors) {
                    StorePremultiplied(out, 0, 0, 0, 0);
                    continue;
                }
                const uint8_t* c = raw + index * entry;
                StorePremultiplied(out, c[0], c[1], c[2], alpha ? c[3] : 255);
            } else if (format == 4) {
                const uint8_t* p = raw + y * ((w * 2 + 3) & ~size_t(3)) + x * 2;
                const unsigned v = (p[0] << 8) | p[1];
                auto expand = [](unsigned c) { return static_cast<uint8_t>((c << 3) | (c >> 2)); };
                StorePremultiplied(out, expand((v >> 10) & 31), expand((v >> 5) & 31),
                                   expand(v & 31), 255);
            } else {
                const uint8_t* p = raw + (y * w + x) * 4;
                StorePremultiplied(out, p[1], p[2], p[3], alpha ? p[0] : 255);
            }
        }
    }
}

// Removes an EOI+SOI pair that sits among the header markers, before the
// first SOS, so that one decoder reads tables and image as one stream.
void RepairJpeg(std::vector<uint8_t>& j) {
    if (j.size() >= 4 && j[0] == 0xFF && j[1] == 0xD9 && j[2] == 0xFF && j[3] == 0xD8)
        j.erase(j.begin(), j.begin() + 4);
    size_t pos = 2;
    while (pos + 4 <= j.size() && j[pos] == 0xFF) {
        const uint8_t marker = j[pos + 1];
        if (marker == 0xD9 && j[pos + 2] == 0xFF && j[pos + 3] == 0xD8) {
            j.erase(j.begin() + static_cast<std::ptrdiff_t>(pos),
                    j.begin() + static_cast<std::ptrdiff_t>(pos + 4));
            continue;
        }
        if (marker == 0xDA)
            return;
        if (marker == 0xFF) {
            ++pos;
            continue;
        }
        pos += 2 + ((j[pos + 2] << 8) | j[pos + 3]);
    }
}

bool DecodeImage(const std::vector<uint8_t>& data, Bitmap* bitmap, ParseContext& ctx) {
    int w = 0, h = 0, n = 0;
    if (data.size() > INT32_MAX ||
        !stbi_info_from_memory(data.data(), static_cast<int>(data.size()), &w, &h, &n) || w <= 0 ||
        h <= 0) {
        ctx.Problem("image data cannot be decoded");
        return false;
    }
    // The decoder's peak, counted before it runs: a PNG holds its inflated
    // rows and their unfiltered copy (16 bits a channel where the image has
    // them) beside the RGBA result; a JPEG or GIF holds less.
    const uint64_t channelBytes =
        stbi_is_16_bit_from_memory(data.data(), static_cast<int>(data.size())) ? 2 : 1;
    const uint64_t perPixel = 2 * uint64_t(std::max(n, 1)) * channelBytes + 4;
    const uint64_t scratch = uint64_t(w) * uint64_t(h) * perPixel;
    if (!ctx.Charge(scratch)) {
        ctx.Problem("image of " + std::to_string(w) + " x " + std::to_string(h) +
                    " exceeds the movie's memory cap");
        return false;
    }
    uint8_t* decoded =
        stbi_load_from_memory(data.data(), static_cast<int>(data.size()), &w, &h, &n, 4);
    ctx.Release(scratch);
    if (!decoded) {
        ctx.Problem("image data cannot be decoded");
        return false;
    }
    const bool ok = AllocatePixels(bitmap, static_cast<uint32_t>(w), static_cast<uint32_t>(h), ctx);
    if (ok) {
        const size_t count = size_t(w) * size_t(h);
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* s = decoded + i * 4;
            uint8_t* d = bitmap->pixels.data() + i * 4;
            d[0] = Mul255(s[0], s[3]);
            d[1] = Mul255(s[1], s[3]);
            d[2] = Mul255(s[2], s[3]);
            d[3] = s[3];
        }
    }
    stbi_image_free(decoded);
    return ok;
}

bool IsJpeg(const std::vector<uint8_t>& d) {
    return d.size() >= 2 && d[0] == 0xFF && (d[1] == 0xD8 || d[1] == 0xD9);
}

} // namespace

bool ParsePictureFile(const std::vector<uint8_t>& data, Bitmap* bitmap, ParseContext& ctx) {
    return DecodeImage(data, bitmap, ctx);
}

bool ParseLossless(TagReader& r, int version, Bitmap* bitmap, ParseContext& ctx) {
    const uint8_t format = r.U8();
    const uint32_t width = r.U16(), height = r.U16();
    const unsigned colors = format == 3 ? r.U8() + 1u : 0;
    if (!r.ok() || (format != 3 && format != 4 && format != 5) || (format == 4 && version == 2)) {
        ctx.Problem("lossless bitmap of unknown format " + std::to_string(format));
        return false;
    }
    if (width == 0 || height == 0)
        return AllocatePixels(bitmap, 0, 0, ctx);
    uint64_t rawSize = 0;
    if (format == 3)
        rawSize = colors * uint64_t(version == 2 ? 4 : 3) + ((width + 3) & ~3u) * uint64_t(height);
    else if (format == 4)
        rawSize = ((width * 2 + 3) & ~3u) * uint64_t(height);
    else
        rawSize = uint64_t(width) * height * 4;
    if (!AllocatePixels(bitmap, width, height, ctx))
        return false;
    if (!ctx.Charge(rawSize)) {
        ctx.Problem("bitmap data exceeds the movie's memory cap");
        return false;
    }
    std::vector<uint8_t> raw(static_cast<size_t>(rawSize));
    const bool inflated = InflatePrefix(r.Here(), r.remaining(), raw.data(), raw.size());
    if (inflated)
        DecodeLossless(raw.data(), version, format, colors, bitmap);
    ctx.Release(rawSize);
    if (!inflated)
        ctx.Problem("bitmap data is corrupt or cut short");
    return inflated;
}

bool ParseJpeg(TagReader& r, int version, Bitmap* bitmap, ParseContext& ctx) {
    size_t imageSize = r.remaining();
    if (version == 3) {
        const uint32_t alphaOffset = r.U32();
        if (!r.ok() || alphaOffset > r.remaining()) {
            ctx.Problem("JPEG's alpha data lies outside its tag");
            return false;
        }
        imageSize = alphaOffset;
    }
    const uint8_t* image = r.Here();
    if (!ctx.Charge(uint64_t(imageSize) + ctx.jpegTablesSize))
        return false;
    std::vector<uint8_t> data;
    if (version == 1 && ctx.jpegTablesSize >= 2) {
        // The tables' stream without its EOI, then the image's without its SOI.
        std::vector<uint8_t> tables(ctx.jpegTables, ctx.jpegTables + ctx.jpegTablesSize);
        RepairJpeg(tables);
        if (tables.size() >= 2 && tables[tables.size() - 2] == 0xFF && tables.back() == 0xD9)
            tables.resize(tables.size() - 2);
        std::vector<uint8_t> body(image, image + imageSize);
        RepairJpeg(body);
        size_t skip = body.size() >= 2 && body[0] == 0xFF && body[1] == 0xD8 ? 2 : 0;
        data = tables;
        data.insert(data.end(), body.begin() + static_cast<std::ptrdiff_t>(skip), body.end());
    } else {
        data.assign(image, image + imageSize);
        if (IsJpeg(data))
            RepairJpeg(data);
    }
    const bool jpeg = IsJpeg(data);
    const bool decoded = DecodeImage(data, bitmap, ctx);
    ctx.Release(uint64_t(imageSize) + ctx.jpegTablesSize);
    if (!decoded)
        return false;
    if (version == 3 && jpeg) {
        const size_t count = size_t(bitmap->width) * size_t(bitmap->height);
        if (!ctx.Charge(count))
            return false;
        std::vector<uint8_t> alpha(count);
        const uint8_t* alphaData = image + imageSize;
        const size_t alphaSize = r.remaining() - imageSize;
        // Without an alpha plane the image stays opaque.
        if (alphaSize > 0 && InflatePrefix(alphaData, alphaSize, alpha.data(), count)) {
            for (size_t i = 0; i < count; ++i) {
                uint8_t* p = bitmap->pixels.data() + i * 4;
                for (int c = 0; c < 3; ++c)
                    p[c] = Mul255(p[c], alpha[i]);
                p[3] = alpha[i];
            }
        } else if (alphaSize > 0) {
            ctx.Problem("JPEG's alpha data is corrupt or cut short");
        }
        ctx.Release(count);
    }
    return true;
}

} // namespace ww::movie
