#include "tests/support/temp_dir.h"

#include "common/fs.h"
#include "common/path.h"

#include <filesystem>

namespace ww::test {

TempDir::TempDir() {
    std::filesystem::path base = std::filesystem::temp_directory_path();
    // Process numbers come round again (under Wine within seconds), and a
    // folder that an earlier run could not remove must not be shared.
    std::filesystem::path dir;
    std::error_code ec;
    do
        dir = base / ("wwtest-" + UniqueSuffix());
    while (!std::filesystem::create_directories(dir, ec) && !ec);
    path_ = WithTrailingSeparator(dir.string());
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

} // namespace ww::test
