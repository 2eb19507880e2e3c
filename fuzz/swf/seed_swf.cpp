// Writes a seed corpus for one of the SWF fuzz targets into the folder given,
// from the test fixture writers.
#include "tests/support/fixtures.h"
#include "tests/support/swf_writer.h"

#include <string>
#include <vector>

using namespace ww::test;

namespace {

std::vector<SwfRecipe> MovieSpecs(bool compressed) {
    std::vector<SwfRecipe> recipes;
    for (unsigned nbits : {0u, 1u, 15u, 31u}) {
        SwfRecipe recipe = StageRecipe(compressed);
        recipe.nbits = nbits;
        recipe.xmin = 40;
        recipe.bodyPadding = nbits * 10;
        recipes.push_back(recipe);
    }
    SwfRecipe zeros = StageRecipe(compressed);
    zeros.zeroPadding = true;
    zeros.bodyPadding = 3000;
    recipes.push_back(zeros);
    SwfRecipe cut = StageRecipe(compressed);
    cut.truncateAt = 14;
    recipes.push_back(cut);
    return recipes;
}

std::vector<Bytes> Seeds() {
    std::vector<Bytes> seeds;
#if defined(WW_SEED_header)
    for (const SwfRecipe& recipe : MovieSpecs(false))
        seeds.push_back(MakeSwf(recipe));
#elif defined(WW_SEED_inflate)
    for (const SwfRecipe& recipe : MovieSpecs(true))
        seeds.push_back(MakeSwf(recipe));
#else
    for (bool compressed : {false, true}) {
        for (const SwfRecipe& recipe : MovieSpecs(compressed))
            seeds.push_back(MakeProjector({PatternBytes(64), MakeSwf(recipe)}));
    }
    ProjectorRecipe large{PatternBytes(16), PatternBytes(2049)};
    seeds.push_back(MakeProjector(large));
    ProjectorRecipe negative{PatternBytes(16), PatternBytes(10)};
    negative.recordedLength = 0x80000000;
    seeds.push_back(MakeProjector(negative));
#endif
    return seeds;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    const std::vector<Bytes> seeds = Seeds();
    for (size_t i = 0; i < seeds.size(); ++i)
        WriteFileBytes(std::string(argv[1]) + "/seed" + std::to_string(i), seeds[i]);
    return 0;
}
