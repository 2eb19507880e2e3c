// Writes a seed corpus of well-formed packages for the package fuzz targets.
#include "tests/support/package_builder.h"
#include "tests/support/pe_signature.h"
#include "tests/support/pe_writer.h"

#include <string>

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    std::string dir = std::string(argv[1]) + "/";
    using namespace ww::test;
    // A real executable under a certificate table, as a signing tool leaves it.
    PeRecipe signedStub;
    signedStub.layout = PeLayout::kNoResources;
#ifdef SEED_SETUP
    SetupPackageRecipe recipe = SampleSetupRecipe();
    recipe.stub = PatternBytes(64);
    WriteFileBytes(dir + "seed-plain", MakeSetupPackage(recipe));
    recipe.extras = {{"a.txt", PatternBytes(20, 1), -1}, {"b.dat", {}, -1}};
    WriteFileBytes(dir + "seed-extras", MakeSetupPackage(recipe));
    recipe.stub = MakePe(signedStub);
    WriteFileBytes(dir + "seed-signed", WithCertificateTable(MakeSetupPackage(recipe)));
#else
    SimplePackageRecipe recipe = SampleSimpleRecipe();
    recipe.stub = PatternBytes(64);
    WriteFileBytes(dir + "seed-plain", MakeSimplePackage(recipe));
    recipe.extras = {{"a.txt", PatternBytes(20, 1), -1}};
    WriteFileBytes(dir + "seed-extras", MakeSimplePackage(recipe));
    recipe.stub = MakePe(signedStub);
    WriteFileBytes(dir + "seed-signed", WithCertificateTable(MakeSimplePackage(recipe)));
#endif
    return 0;
}
