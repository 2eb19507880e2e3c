// What loadMovie and MovieClipLoader bring into a clip, made into a movie of
// its own that the clip plays from: a SWF file as it is; a JPEG, PNG or GIF
// picture (a GIF's first frame) as a movie of one frame that shows it at the
// clip's origin, one twip for every twentieth of a pixel; anything else as
// an empty movie, which leaves the clip showing nothing.
//
// Every movie loaded at once shares the memory cap of the movie that loads
// them: the caller passes what the others leave, and a file that needs more
// is refused.
#pragma once

#include "movie/movie.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ww::movie {

enum class LoadedKind : uint8_t { Movie, Picture, Nothing };

// The character ids a picture's movie uses for its bitmap and its shape.
constexpr uint16_t kPictureBitmapId = 1;
constexpr uint16_t kPictureShapeId = 2;

// Makes out from a file's bytes; false with the reason when the file is a
// movie or picture that is broken or too large for memoryLeft.
bool MakeLoadedMovie(const std::vector<uint8_t>& bytes, uint64_t memoryLeft, Movie* out,
                     LoadedKind* kind, std::string* why);

} // namespace ww::movie
