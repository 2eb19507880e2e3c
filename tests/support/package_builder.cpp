#include "tests/support/package_builder.h"

#include <cstdint>

namespace ww::test {

namespace {

void U32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void Name(Bytes& out, const std::string& name) {
    Bytes field(260, 0);
    for (size_t i = 0; i < name.size() && i < 260; ++i)
        field[i] = static_cast<uint8_t>(name[i]);
    out.insert(out.end(), field.begin(), field.end());
}

uint32_t Recorded(const PackageFile& f) {
    return f.recordedSize >= 0 ? static_cast<uint32_t>(f.recordedSize)
                               : static_cast<uint32_t>(f.data.size());
}

void Append(Bytes& out, const Bytes& data) {
    out.insert(out.end(), data.begin(), data.end());
}

} // namespace

SetupPackageSpec SampleSetupSpec() {
    SetupPackageSpec s;
    const char* names[7] = {"Ocean.htm", "wave.swf",   "display1.bmp", "top1.bmp",
                            "left1.bmp", "readme.txt", "Ocean.exe"};
    for (int i = 0; i < 7; ++i)
        s.slots[i] = {names[i], PatternBytes(10 * (i + 1), static_cast<uint8_t>(i)), -1};
    return s;
}

SimplePackageSpec SampleSimpleSpec() {
    SimplePackageSpec s;
    s.page = {"Ocean.htm", PatternBytes(100, 1), -1};
    s.movie = {"wave.swf", PatternBytes(2000, 2), -1};
    s.image = {"display1.bmp", PatternBytes(300, 3), -1};
    return s;
}

Bytes MakeSetupPackage(const SetupPackageSpec& spec) {
    Bytes out = spec.stub;
    for (const PackageFile& f : spec.slots)
        Append(out, f.data);
    for (const PackageFile& f : spec.extras)
        Append(out, f.data);
    for (const PackageFile& f : spec.extras) {
        U32(out, Recorded(f));
        Name(out, f.name);
    }
    for (const PackageFile& f : spec.slots) {
        Name(out, f.name);
        U32(out, Recorded(f));
    }
    U32(out, spec.recordedCount >= 0 ? static_cast<uint32_t>(spec.recordedCount)
                                     : static_cast<uint32_t>(spec.extras.size()));
    Name(out, spec.wallpaperName);
    Name(out, spec.publisherName);
    Name(out, spec.publisherUrl);
    Name(out, spec.copyright);
    Name(out, "");
    out.push_back('1');
    Append(out, Bytes(spec.marker.begin(), spec.marker.end()));
    return out;
}

Bytes MakeSimplePackage(const SimplePackageSpec& spec) {
    Bytes out = spec.stub;
    Append(out, spec.page.data);
    Append(out, spec.movie.data);
    Append(out, spec.image.data);
    for (const PackageFile* f : {&spec.page, &spec.movie, &spec.image}) {
        U32(out, Recorded(*f));
        Name(out, f->name);
    }
    Name(out, spec.wallpaperName);
    for (const PackageFile& f : spec.extras)
        Append(out, f.data);
    for (const PackageFile& f : spec.extras) {
        U32(out, Recorded(f));
        Name(out, f.name);
    }
    U32(out, spec.recordedCount >= 0 ? static_cast<uint32_t>(spec.recordedCount)
                                     : static_cast<uint32_t>(spec.extras.size()));
    out.push_back('1');
    Append(out, Bytes(spec.marker.begin(), spec.marker.end()));
    return out;
}

} // namespace ww::test
