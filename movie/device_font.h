// Device fonts: the fonts a text field names without carrying their glyphs
// (_sans, _serif, _typewriter, or a system font's name). Each name is taken
// to one of three faces: the system's Arial, Times New Roman or Courier New
// on Windows where they exist, else DejaVu Sans, Serif or Sans Mono read from
// the Fonts folder beside the program (or the program's own folder). Their
// TrueType outlines become our shapes, drawn by our rasteriser.
#pragma once

#include "movie/movie.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace ww::movie {

// Device glyphs are shapes in an em of this many units, y down, the origin
// on the baseline: the em of DefineFont2.
constexpr double kDeviceEm = 1024;

enum class DeviceFamily : uint8_t { Sans, Serif, Typewriter };

// The family a font name stands for.
DeviceFamily DeviceFamilyOf(const std::string& name);

// One face's file and metrics (em units); read once, never changed.
class DeviceFace {
  public:
    virtual ~DeviceFace() = default;
    double ascent = 0, descent = 0, leading = 0;
    // The outline of a code point (false when the face lacks it) and its
    // advance.
    virtual bool Outline(uint32_t code, Shape* glyph, double* advance) const = 0;
};

// The face of a family; null when no font file can be found or read.
const DeviceFace* FindDeviceFace(DeviceFamily family);

// A face's bytes from the platform; the Win32 body asks the system for the
// family's font by name, the POSIX one has none to offer.
bool ReadSystemFont(DeviceFamily family, std::vector<uint8_t>* bytes);

// The outlines of device glyphs, made the first time each is asked for.
class DeviceGlyphCache {
  public:
    // Null when the face lacks the code point (advance then is 0).
    const Shape* Glyph(const DeviceFace* face, uint32_t code, double* advance);

  private:
    struct Entry {
        std::unique_ptr<Shape> shape;
        double advance = 0;
    };
    std::unordered_map<const DeviceFace*, std::unordered_map<uint32_t, Entry>> faces_;
};

} // namespace ww::movie
