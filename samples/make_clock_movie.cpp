// Writes the clock sample's movie, clock.swf (see clock_movie.h).
#include "samples/clock_movie.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_clock_movie OUTPUT.swf\n");
        return 2;
    }
    ww::test::WriteFileBytes(argv[1], ww::samples::MakeClockMovie());
    return 0;
}
