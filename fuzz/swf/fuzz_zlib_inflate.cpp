// Our inflater against zlib on raw streams: both refuse a stream, or both
// inflate it to the same bytes within the same output cap. The first byte
// sets the size of the pieces the input arrives in.
#include "common/inflate.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

constexpr size_t kCap = 1 << 18;

class PieceInput : public ww::InflateInput {
  public:
    PieceInput(const uint8_t* data, size_t size, size_t piece)
        : data_(data), size_(size), piece_(piece) {}
    size_t Next(const uint8_t** bytes) override {
        const size_t take = std::min(piece_, size_ - pos_);
        *bytes = data_ + pos_;
        pos_ += take;
        return take;
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t piece_;
    size_t pos_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const size_t piece = 1 + data[0] % 64;
    ++data, --size;

    std::vector<uint8_t> theirs(kCap);
    uLongf length = kCap;
    const bool zlibOk = uncompress(theirs.data(), &length, data, static_cast<uLong>(size)) == Z_OK;

    PieceInput input(data, size, piece);
    ww::Inflater inflater(input);
    std::vector<uint8_t> ours(kCap);
    size_t got = 0;
    while (got < kCap) {
        const size_t n = inflater.Read(ours.data() + got, std::min<size_t>(piece * 3, kCap - got));
        if (n == 0)
            break;
        got += n;
    }
    uint8_t probe;
    const bool oursOk = inflater.Read(&probe, 1) == 0 && inflater.ended();
    if (oursOk != zlibOk ||
        (oursOk &&
         (got != length || !std::equal(ours.begin(), ours.begin() + got, theirs.begin()))))
        std::abort();
    return 0;
}
