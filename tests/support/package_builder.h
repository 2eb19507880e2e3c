// Builds package bytes by hand, field by field, so reader tests can make
// well-formed packages and every kind of hostile one.
#pragma once

#include "tests/support/fixtures.h"

#include <string>
#include <vector>

namespace ww::test {

struct PackageFile {
    std::string name;
    Bytes data;
    // When set, the size recorded for the file instead of data.size().
    long long recordedSize = -1;
};

struct SetupPackageRecipe {
    Bytes stub = PatternBytes(700, 3);
    PackageFile slots[7];
    std::vector<PackageFile> extras;
    std::string wallpaperName = "Ocean";
    std::string publisherName, publisherUrl, copyright;
    // When set, stored instead of extras.size().
    long long recordedCount = -1;
    std::string marker = "WLS";
};

struct SimplePackageRecipe {
    Bytes stub = PatternBytes(900, 5);
    PackageFile page, movie, image;
    std::vector<PackageFile> extras;
    std::string wallpaperName = "Ocean";
    long long recordedCount = -1;
    std::string marker = "WLL";
};

// A setup package whose slots hold ordinary small files named after the
// wallpaper, ready to be altered by a test.
SetupPackageRecipe SampleSetupRecipe();
SimplePackageRecipe SampleSimpleRecipe();

Bytes MakeSetupPackage(const SetupPackageRecipe& recipe);
Bytes MakeSimplePackage(const SimplePackageRecipe& recipe);

} // namespace ww::test
