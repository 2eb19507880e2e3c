// What the tag parsers share: the movie being filled, its memory account and
// the JPEG tables of the movie. Each Parse* reads one definition whose
// character id has already been taken from r, and answers false (with the
// reason noted) when the definition is to be skipped.
#pragma once

#include "movie/filters.h"
#include "movie/movie.h"
#include "swf/bit_reader.h"

#include <string>

namespace ww::movie {

// A tag's bytes, with the records that become the movie's own types.
class TagReader : public BitReader {
  public:
    using BitReader::BitReader;
    Matrix ReadMatrix();
    ColorTransform ReadColorTransform(bool withAlpha);
    Rgba ReadRgb();
    Rgba ReadRgba();
};

class ParseContext {
  public:
    explicit ParseContext(Movie* movie) : movie_(movie) {}
    Movie& movie() { return *movie_; }
    // Charges bytes against kMovieMemoryCap; false, charging nothing, when
    // they do not fit.
    bool Charge(uint64_t bytes);
    void Release(uint64_t bytes);
    void Problem(const std::string& text);
    void Unsupported(const std::string& what) { movie_->unsupported.insert(what); }

    const uint8_t* jpegTables = nullptr;
    size_t jpegTablesSize = 0;

  private:
    Movie* movie_;
};

bool ParseShape(TagReader& r, int version, Shape* shape, ParseContext& ctx);
bool ParseMorphShape(TagReader& r, int version, MorphShape* morph, ParseContext& ctx);
bool ParseFont(TagReader& r, int version, Font* font, ParseContext& ctx);
bool ParseText(TagReader& r, int version, Text* text, ParseContext& ctx);
// DefineBitsLossless (version 1) and DefineBitsLossless2 (version 2).
bool ParseLossless(TagReader& r, int version, Bitmap* bitmap, ParseContext& ctx);
// DefineBits (1, with the movie's JPEG tables), DefineBitsJPEG2 (2) and
// DefineBitsJPEG3 (3, with its alpha plane).
bool ParseJpeg(TagReader& r, int version, Bitmap* bitmap, ParseContext& ctx);
// A whole JPEG, PNG or GIF file (its first frame), as loadMovie brings one.
bool ParsePictureFile(const std::vector<uint8_t>& data, Bitmap* bitmap, ParseContext& ctx);
// PlaceObject3's FILTERLIST, appended to filters (at most kMaxFilters).
bool ReadFilterList(TagReader& r, std::vector<Filter>* filters, ParseContext& ctx);

} // namespace ww::movie
