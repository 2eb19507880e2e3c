// Writes a seed corpus of well-formed packages for the package fuzz targets.
#include "tests/support/package_builder.h"

#include <string>

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    std::string dir = std::string(argv[1]) + "/";
    using namespace ww::test;
#ifdef SEED_SETUP
    SetupPackageSpec spec = SampleSetupSpec();
    spec.stub = PatternBytes(64);
    WriteFileBytes(dir + "seed-plain", MakeSetupPackage(spec));
    spec.extras = {{"a.txt", PatternBytes(20, 1), -1}, {"b.dat", {}, -1}};
    WriteFileBytes(dir + "seed-extras", MakeSetupPackage(spec));
#else
    SimplePackageSpec spec = SampleSimpleSpec();
    spec.stub = PatternBytes(64);
    WriteFileBytes(dir + "seed-plain", MakeSimplePackage(spec));
    spec.extras = {{"a.txt", PatternBytes(20, 1), -1}};
    WriteFileBytes(dir + "seed-extras", MakeSimplePackage(spec));
#endif
    return 0;
}
