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

SetupPackageRecipe SampleSetupRecipe() {
    SetupPackageRecipe s;
    const char* names[7] = {"Ocean.htm", "wave.swf",   "display1.bmp", "top1.bmp",
                            "left1.bmp", "readme.txt", "Ocean.exe"};
    for (int i = 0; i < 7; ++i)
        s.slots[i] = {names[i], PatternBytes(10 * (i + 1), static_cast<uint8_t>(i)), -1};
    return s;
}

SimplePackageRecipe SampleSimpleRecipe() {
    SimplePackageRecipe s;
    s.page = {"Ocean.htm", PatternBytes(100, 1), -1};
    s.movie = {"wave.swf", PatternBytes(2000, 2), -1};
    s.image = {"display1.bmp", PatternBytes(300, 3), -1};
    return s;
}

Bytes MakeSetupPackage(const SetupPackageRecipe& recipe) {
    Bytes out = recipe.stub;
    for (const PackageFile& f : recipe.slots)
        Append(out, f.data);
    for (const PackageFile& f : recipe.extras)
        Append(out, f.data);
    for (const PackageFile& f : recipe.extras) {
        U32(out, Recorded(f));
        Name(out, f.name);
    }
    for (const PackageFile& f : recipe.slots) {
        Name(out, f.name);
        U32(out, Recorded(f));
    }
    U32(out, recipe.recordedCount >= 0 ? static_cast<uint32_t>(recipe.recordedCount)
                                       : static_cast<uint32_t>(recipe.extras.size()));
    Name(out, recipe.wallpaperName);
    Name(out, recipe.publisherName);
    Name(out, recipe.publisherUrl);
    Name(out, recipe.copyright);
    Name(out, "");
    out.push_back('1');
    Append(out, Bytes(recipe.marker.begin(), recipe.marker.end()));
    return out;
}

Bytes MakeSimplePackage(const SimplePackageRecipe& recipe) {
    Bytes out = recipe.stub;
    Append(out, recipe.page.data);
    Append(out, recipe.movie.data);
    Append(out, recipe.image.data);
    for (const PackageFile* f : {&recipe.page, &recipe.movie, &recipe.image}) {
        U32(out, Recorded(*f));
        Name(out, f->name);
    }
    Name(out, recipe.wallpaperName);
    for (const PackageFile& f : recipe.extras)
        Append(out, f.data);
    for (const PackageFile& f : recipe.extras) {
        U32(out, Recorded(f));
        Name(out, f.name);
    }
    U32(out, recipe.recordedCount >= 0 ? static_cast<uint32_t>(recipe.recordedCount)
                                       : static_cast<uint32_t>(recipe.extras.size()));
    out.push_back('1');
    Append(out, Bytes(recipe.marker.begin(), recipe.marker.end()));
    return out;
}

} // namespace ww::test
