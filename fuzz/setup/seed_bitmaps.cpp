// Writes a seed corpus of well-formed bitmaps of every depth for fuzz_bitmap.
#include "tests/support/bitmap_writer.h"

#include <string>

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const std::string dir = std::string(argv[1]) + "/";
    using namespace ww::test;
    const BitmapRecipe bitmapRecipes[] = {
        {8, 4, 24, 0x2040C0, false, 40}, {5, 3, 1, 0x2040C0, false, 40},
        {7, 3, 4, 0x2040C0, false, 40},  {3, -3, 8, 0x2040C0, false, 40},
        {6, 2, 16, 0x2040C0, true, 40},  {4, 4, 32, 0x2040C0, true, 124},
    };
    int n = 0;
    for (const BitmapRecipe& recipe : bitmapRecipes)
        WriteFileBytes(dir + "seed-" + std::to_string(n++) + ".bmp", MakeBitmap(recipe));
    return 0;
}
