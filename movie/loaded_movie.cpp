#include "movie/loaded_movie.h"

#include "movie/parse_internal.h"

#include <algorithm>
#include <cstring>

namespace ww::movie {

namespace {

bool StartsWith(const std::vector<uint8_t>& bytes, const char* magic, size_t n) {
    return bytes.size() >= n && std::memcmp(bytes.data(), magic, n) == 0;
}

LoadedKind KindOf(const std::vector<uint8_t>& bytes) {
    if (StartsWith(bytes, "FWS", 3) || StartsWith(bytes, "CWS", 3))
        return LoadedKind::Movie;
    if (StartsWith(bytes, "\xFF\xD8\xFF", 3) || StartsWith(bytes, "\x89PNG\r\n\x1A\n", 8) ||
        StartsWith(bytes, "GIF87a", 6) || StartsWith(bytes, "GIF89a", 6))
        return LoadedKind::Picture;
    return LoadedKind::Nothing;
}

// One frame placing a rectangle filled with the picture's pixels at depth 1.
void ShowPicture(Movie* movie) {
    const Bitmap& b = movie->bitmaps[0];
    const int32_t w = b.width * kTwipsPerPixel, h = b.height * kTwipsPerPixel;
    FillStyle fill;
    fill.kind = FillKind::Bitmap;
    fill.bitmapId = kPictureBitmapId;
    fill.matrix = Matrix{kTwipsPerPixel, 0, 0, kTwipsPerPixel, 0, 0};
    fill.repeat = false;
    fill.smooth = false;
    movie->shapes.push_back(PictureShape(fill, w, h));
    movie->dictionary[kPictureBitmapId] = CharacterRef{CharacterKind::Bitmap, 0};
    movie->dictionary[kPictureShapeId] = CharacterRef{CharacterKind::Shape, 0};
    FrameCommand place;
    place.place.depth = 1;
    place.place.hasCharacter = true;
    place.place.characterId = kPictureShapeId;
    movie->root.frames.resize(1);
    movie->root.frames[0].commands.push_back(place);
}

bool MakePicture(const std::vector<uint8_t>& bytes, uint64_t memoryLeft, Movie* out,
                 std::string* why) {
    *out = Movie{};
    // The cap less what is left: the decoder's charges fail beyond it.
    const uint64_t taken = kMovieMemoryCap - std::min(kMovieMemoryCap, memoryLeft);
    out->memoryUsed = taken;
    ParseContext ctx(out);
    Bitmap bitmap;
    if (!ParsePictureFile(bytes, &bitmap, ctx)) {
        *why = out->problems.empty() ? "the picture cannot be decoded" : out->problems.back();
        return false;
    }
    out->memoryUsed -= taken;
    out->bitmaps.push_back(std::move(bitmap));
    out->stage =
        Rect{0, out->bitmaps[0].width * kTwipsPerPixel, 0, out->bitmaps[0].height * kTwipsPerPixel};
    ShowPicture(out);
    return true;
}

} // namespace

bool MakeLoadedMovie(const std::vector<uint8_t>& bytes, uint64_t memoryLeft, Movie* out,
                     LoadedKind* kind, std::string* why) {
    *kind = KindOf(bytes);
    bool ok = true;
    switch (*kind) {
    case LoadedKind::Movie:
        ok = ParseMovie(bytes.data(), bytes.size(), out, why);
        if (ok && out->memoryUsed > memoryLeft) {
            *why = "it needs more memory than the movies already loaded leave";
            ok = false;
        }
        break;
    case LoadedKind::Picture:
        ok = MakePicture(bytes, memoryLeft, out, why);
        break;
    case LoadedKind::Nothing:
        *out = Movie{};
        out->root.frames.resize(1);
        break;
    }
    if (!ok) {
        *out = Movie{};
        return false;
    }
    // A picture reports its file's size; a movie the length its header gives.
    if (*kind != LoadedKind::Movie)
        out->fileLength = *kind == LoadedKind::Picture ? static_cast<uint32_t>(bytes.size()) : 0;
    return true;
}

} // namespace ww::movie
