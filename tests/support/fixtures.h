// Small file helpers for tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ww::test {

using Bytes = std::vector<uint8_t>;

void WriteFileBytes(const std::string& path, const Bytes& bytes);
void WriteFileText(const std::string& path, const std::string& text);
Bytes ReadFileBytes(const std::string& path);
std::string ReadFileText(const std::string& path);
bool PathExists(const std::string& path);
// Bytes 0, 1, 2, ... (mod 251) of the given length, seeded so files differ.
Bytes PatternBytes(size_t length, uint8_t seed = 0);
// Names in a folder (not recursive), sorted.
std::vector<std::string> ListFolder(const std::string& folder);

} // namespace ww::test
