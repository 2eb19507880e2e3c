// The tag codes of a movie's main timeline, read without building the movie:
// enough to tell a movie that carries ActionScript 3 from one that does not.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace ww::conformance {

constexpr uint16_t kDoAbcTag = 82;
constexpr uint16_t kDoAbcDefineTag = 72; // the older form, with no flags or name

// The codes of every tag header in a whole SWF file's bytes ("FWS", or "CWS"
// with a zlib body). A file cut short gives the tags before the cut; false
// only when the header itself is not a SWF one.
bool ScanTagCodes(const std::vector<uint8_t>& file, std::set<uint16_t>* codes, std::string* error);

bool CarriesActionScript3(const std::set<uint16_t>& codes);

} // namespace ww::conformance
