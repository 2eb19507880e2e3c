// No system font is asked for: the DejaVu files beside the program are the
// device fonts everywhere but Windows, so every machine draws alike.
#include "movie/device_font.h"

namespace ww::movie {

bool ReadSystemFont(DeviceFamily, std::vector<uint8_t>*) {
    return false;
}

} // namespace ww::movie
