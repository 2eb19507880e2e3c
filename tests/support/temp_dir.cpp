#include "tests/support/temp_dir.h"

#include "common/fs.h"
#include "common/path.h"

#include <filesystem>

namespace ww::test {

TempDir::TempDir() {
    std::filesystem::path base = std::filesystem::temp_directory_path();
    std::filesystem::path dir = base / ("wwtest-" + UniqueSuffix());
    std::filesystem::create_directories(dir);
    path_ = WithTrailingSeparator(dir.string());
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

} // namespace ww::test
