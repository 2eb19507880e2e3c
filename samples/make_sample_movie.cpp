// Writes the sample project's movie, wave.swf, with the test fixture writer:
// a 550 x 400 stage at 12 frames a second.
#include "tests/support/swf_writer.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample_movie OUTPUT.swf\n");
        return 2;
    }
    ww::test::SwfSpec recipe = ww::test::StageSpec(false);
    recipe.frameCount = 24;
    recipe.bodyPadding = 256;
    ww::test::WriteFileBytes(argv[1], ww::test::MakeSwf(recipe));
    return 0;
}
