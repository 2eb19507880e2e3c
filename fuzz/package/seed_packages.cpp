// Writes a seed corpus of well-formed packages for the package fuzz targets.
#include "tests/support/package_builder.h"

#include <string>

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    std::string dir = std::string(argv[1]) + "/";
    using namespace ww::test;
#ifdef SEED_SETUP
    SetupPackageSpec recipe = SampleSetupSpec();
    recipe.stub = PatternBytes(64);
    WriteFileBytes(dir + "seed-plain", MakeSetupPackage(recipe));
    recipe.extras = {{"a.txt", PatternBytes(20, 1), -1}, {"b.dat", {}, -1}};
    WriteFileBytes(dir + "seed-extras", MakeSetupPackage(recipe));
#else
    SimplePackageSpec recipe = SampleSimpleSpec();
    recipe.stub = PatternBytes(64);
    WriteFileBytes(dir + "seed-plain", MakeSimplePackage(recipe));
    recipe.extras = {{"a.txt", PatternBytes(20, 1), -1}};
    WriteFileBytes(dir + "seed-extras", MakeSimplePackage(recipe));
#endif
    return 0;
}
