// Writes a seed corpus for the icon fuzz targets: icon files, or executables
// in each section layout.
#include "tests/support/icon_writer.h"
#include "tests/support/pe_writer.h"

#include <string>

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const std::string dir = std::string(argv[1]) + "/";
    using namespace ww::test;
#ifdef SEED_ICO
    WriteFileBytes(dir + "seed-one", MakeIcon({MakeIconImage(16, 1)}));
    WriteFileBytes(dir + "seed-three",
                   MakeIcon({MakeIconImage(8, 1), MakeIconImage(4, 2), MakeIconImage(2, 3)}));
#else
    const PeLayout layouts[] = {PeLayout::kResourceLast, PeLayout::kResourceThenRelocations,
                                PeLayout::kResourceInMiddle, PeLayout::kNoResources};
    int n = 0;
    for (PeLayout layout : layouts) {
        for (bool plus : {false, true}) {
            PeRecipe recipe = SamplePeRecipe(MakeIconImage(4, 1).bytes);
            recipe.layout = layout;
            recipe.pe32Plus = plus;
            recipe.symbols = PatternBytes(36, 2);
            WriteFileBytes(dir + "seed-" + std::to_string(n++), MakePe(recipe));
        }
    }
#endif
    return 0;
}
