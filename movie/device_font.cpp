#include "movie/device_font.h"

#include "common/file.h"
#include "common/fs.h"

#include <stb_truetype.h>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace ww::movie {

namespace {

const char* const kDejaVuFiles[] = {"DejaVuSans.ttf", "DejaVuSerif.ttf", "DejaVuSansMono.ttf"};

class TrueTypeFace : public DeviceFace {
  public:
    bool Load(std::vector<uint8_t> bytes) {
        bytes_ = std::move(bytes);
        if (bytes_.empty())
            return false;
        const int offset = stbtt_GetFontOffsetForIndex(bytes_.data(), 0);
        if (offset < 0 || !stbtt_InitFont(&info_, bytes_.data(), offset))
            return false;
        scale_ = stbtt_ScaleForMappingEmToPixels(&info_, static_cast<float>(kDeviceEm));
        int a = 0, d = 0, gap = 0;
        stbtt_GetFontVMetrics(&info_, &a, &d, &gap);
        ascent = a * scale_;
        descent = -d * scale_;
        leading = gap * scale_;
        return scale_ > 0;
    }

    bool Outline(uint32_t code, Shape* glyph, double* advance) const override {
        *advance = 0;
        const int index = stbtt_FindGlyphIndex(&info_, static_cast<int>(code));
        if (index == 0)
            return false;
        int width = 0, bearing = 0;
        stbtt_GetGlyphHMetrics(&info_, index, &width, &bearing);
        *advance = width * scale_;
        stbtt_vertex* v = nullptr;
        const int n = stbtt_GetGlyphShape(&info_, index, &v);
        Convert(v, n, glyph);
        stbtt_FreeShape(&info_, v);
        return true;
    }

  private:
    // Contours in font units, y up, become edges in em units, y down, all
    // with fill 1 on one side: the non-zero rule fills them as TrueType does.
    void Convert(const stbtt_vertex* v, int n, Shape* glyph) const {
        glyph->nonZero = true;
        FillStyle fill;
        glyph->fills.assign(1, fill);
        glyph->layers.assign(1, StyleLayer{0, 1, 0, 0});
        auto px = [&](double x) { return static_cast<int32_t>(std::lround(x * scale_)); };
        auto py = [&](double y) { return static_cast<int32_t>(std::lround(-y * scale_)); };
        int32_t x = 0, y = 0;
        double fx = 0, fy = 0; // the pen in font units
        for (int i = 0; i < n; ++i) {
            const int32_t nx = px(v[i].x), ny = py(v[i].y);
            if (v[i].type == STBTT_vline) {
                glyph->edges.push_back(Edge{x, y, 0, 0, nx, ny, 0, 1, 0, false});
            } else if (v[i].type == STBTT_vcurve) {
                glyph->edges.push_back(Edge{x, y, px(v[i].cx), py(v[i].cy), nx, ny, 0, 1, 0, true});
            } else if (v[i].type == STBTT_vcubic) {
                // A cubic (CFF outlines) as one quadratic whose control point
                // matches the cubic's midpoint: close enough at text sizes.
                const double cx = (3.0 * (v[i].cx + v[i].cx1) - fx - v[i].x) / 4;
                const double cy = (3.0 * (v[i].cy + v[i].cy1) - fy - v[i].y) / 4;
                glyph->edges.push_back(Edge{x, y, px(cx), py(cy), nx, ny, 0, 1, 0, true});
            }
            x = nx;
            y = ny;
            fx = v[i].x;
            fy = v[i].y;
        }
    }

    std::vector<uint8_t> bytes_;
    stbtt_fontinfo info_{};
    float scale_ = 0;
};

// The running program's folder, with its separator; empty when unknown.
std::string ProgramFolder() {
    const std::string self = ModuleFilePath();
    const size_t slash = self.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : self.substr(0, slash + 1);
}

std::unique_ptr<DeviceFace> LoadFace(DeviceFamily family) {
    auto face = std::make_unique<TrueTypeFace>();
    std::vector<uint8_t> bytes;
    if (ReadSystemFont(family, &bytes) && face->Load(std::move(bytes)))
        return face;
    const std::string folder = ProgramFolder();
    const std::string name = kDejaVuFiles[static_cast<int>(family)];
    for (const std::string& path : {folder + "Fonts/" + name, folder + name}) {
        File file(path, "rb");
        const int64_t size = file.IsOpen() ? file.Size() : -1;
        if (size <= 0 || size > (64 << 20))
            continue;
        bytes.resize(static_cast<size_t>(size));
        if (file.ReadExact(bytes.data(), bytes.size()) && face->Load(std::move(bytes)))
            return face;
    }
    return nullptr;
}

} // namespace

DeviceFamily DeviceFamilyOf(const std::string& name) {
    std::string n;
    for (char c : name)
        n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* key : {"_typewriter", "courier", "mono", "consol", "typewriter"}) {
        if (n.find(key) != std::string::npos)
            return DeviceFamily::Typewriter;
    }
    for (const char* key : {"_serif", "times", "georgia", "garamond", "roman", "serif"}) {
        if (n.find(key) != std::string::npos && n.find("sans") == std::string::npos)
            return DeviceFamily::Serif;
    }
    return DeviceFamily::Sans;
}

const DeviceFace* FindDeviceFace(DeviceFamily family) {
    // Read once, on first use; read-only afterwards, so drawing threads share
    // them.
    static const std::unique_ptr<DeviceFace> faces[] = {LoadFace(DeviceFamily::Sans),
                                                        LoadFace(DeviceFamily::Serif),
                                                        LoadFace(DeviceFamily::Typewriter)};
    return faces[static_cast<int>(family)].get();
}

const Shape* DeviceGlyphCache::Glyph(const DeviceFace* face, uint32_t code, double* advance) {
    auto& glyphs = faces_[face];
    auto it = glyphs.find(code);
    if (it == glyphs.end()) {
        Entry e;
        auto shape = std::make_unique<Shape>();
        if (face->Outline(code, shape.get(), &e.advance))
            e.shape = std::move(shape);
        it = glyphs.emplace(code, std::move(e)).first;
    }
    *advance = it->second.advance;
    return it->second.shape.get();
}

} // namespace ww::movie
