// Fuzz inputs reach the readers as a file, as an installer's own file would.
#pragma once

#include "common/fs.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace ww::fuzz {

class InputFile {
  public:
    InputFile(const uint8_t* data, size_t size) {
        dir_ = std::filesystem::temp_directory_path() / ("wwfuzz-" + UniqueSuffix());
        std::filesystem::create_directories(dir_ / "out");
        path_ = (dir_ / "input.exe").string();
        if (FILE* f = std::fopen(path_.c_str(), "wb")) {
            std::fwrite(data, 1, size, f);
            std::fclose(f);
        }
    }
    ~InputFile() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::string& path() const { return path_; }
    std::string outFolder() const { return (dir_ / "out").string(); }

  private:
    std::filesystem::path dir_;
    std::string path_;
};

} // namespace ww::fuzz
