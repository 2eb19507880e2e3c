// The .ico reader on any bytes, and the same bytes taken as an icon group.
#include "builder/package/ico_file.h"
#include "fuzz/package/fuzz_input.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ww::fuzz::InputFile input(data, size);
    for (int index = 0; index < 3; ++index) {
        ww::IconImage image;
        if (!ww::ReadIconImage(input.path(), index, &image))
            continue;
        if (image.bytes.empty() || image.bytes.size() > ww::kMaxIconImageSize ||
            image.bytes.size() > size)
            std::abort();
        std::vector<uint8_t> group(data, data + size);
        ww::PatchIconGroup(&group, ww::kReplacedIconId, image);
        if (group.size() != size)
            std::abort();
    }
    return 0;
}
