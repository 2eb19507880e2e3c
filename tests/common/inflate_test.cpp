#include "common/inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace ww {
namespace {

using Bytes = std::vector<uint8_t>;

// Hands out the compressed bytes in pieces of a fixed size, as a file read
// through a small buffer would.
class PieceInput : public InflateInput {
  public:
    PieceInput(const Bytes& bytes, size_t piece) : bytes_(bytes), piece_(piece) {}
    size_t Next(const uint8_t** bytes) override {
        const size_t take = std::min(piece_, bytes_.size() - pos_);
        *bytes = bytes_.data() + pos_;
        pos_ += take;
        return take;
    }

  private:
    const Bytes& bytes_;
    size_t piece_;
    size_t pos_ = 0;
};

struct Outcome {
    bool ok = false;
    Bytes bytes;
};

// Ours, by the rule the movie readers use: the stream must end, checksum
// included, within `cap` bytes of output.
Outcome Ours(const Bytes& stream, size_t cap, size_t piece = 4096, size_t readSize = 0) {
    PieceInput input(stream, piece);
    Inflater inflater(input);
    Outcome out;
    out.bytes.resize(cap);
    size_t got = 0;
    const size_t step = readSize ? readSize : cap;
    while (got < cap) {
        const size_t n = inflater.Read(out.bytes.data() + got, std::min(step, cap - got));
        got += n;
        if (n == 0)
            break;
    }
    uint8_t probe;
    out.ok = inflater.Read(&probe, 1) == 0 && inflater.ended() && !inflater.failed();
    out.bytes.resize(out.ok ? got : 0);
    return out;
}

Outcome Zlibs(const Bytes& stream, size_t cap) {
    Outcome out;
    out.bytes.resize(cap);
    uLongf length = static_cast<uLongf>(cap);
    const uint8_t empty = 0;
    out.ok = uncompress(cap ? out.bytes.data() : const_cast<uint8_t*>(&empty), &length,
                        stream.data(), static_cast<uLong>(stream.size())) == Z_OK;
    out.bytes.resize(out.ok ? length : 0);
    return out;
}

Bytes Deflate(const Bytes& plain, int level, int strategy) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, 15, 8, strategy), Z_OK);
    Bytes out(deflateBound(&z, static_cast<uLong>(plain.size())));
    z.next_in = const_cast<uint8_t*>(plain.data());
    z.avail_in = static_cast<uInt>(plain.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

Bytes Random(size_t size, uint32_t seed, int alphabet) {
    std::mt19937 random(seed);
    Bytes out(size);
    for (uint8_t& b : out)
        b = static_cast<uint8_t>(random() % alphabet);
    return out;
}

// Plain data that exercises every block kind: nothing, a byte, text, noise
// (stored blocks), runs (long copies of distance 1), and repeats reaching
// back nearly the whole window.
std::vector<Bytes> Plains() {
    Bytes far = Random(30000, 7, 256);
    const Bytes again = far;
    far.insert(far.end(), again.begin(), again.end());
    const std::string text = "The quick brown fox jumps over the lazy dog. ";
    Bytes prose;
    for (int i = 0; i < 300; ++i)
        prose.insert(prose.end(), text.begin(), text.end());
    return {
        Bytes{}, Bytes{42}, prose, Random(70000, 1, 256), Bytes(100000, 'a'), Random(50000, 3, 4),
        far};
}

TEST(Inflater, ReadsWhatZlibWrote) {
    const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
    int index = 0;
    for (const Bytes& plain : Plains()) {
        for (int level : {0, 1, 6, 9}) {
            for (int strategy : strategies) {
                SCOPED_TRACE("plain " + std::to_string(index) + " level " + std::to_string(level) +
                             " strategy " + std::to_string(strategy));
                const Bytes stream = Deflate(plain, level, strategy);
                const Outcome whole = Ours(stream, plain.size());
                EXPECT_TRUE(whole.ok);
                EXPECT_TRUE(whole.bytes == plain);
            }
        }
        ++index;
    }
}

// Input and output in every grain: a byte at a time on either side must not
// lose the place in a code, a copy or a stored block.
TEST(Inflater, AnyPieceAndReadSize) {
    Bytes plain = Plains()[6];
    const Bytes prose = Plains()[2];
    plain.insert(plain.end(), prose.begin(), prose.end());
    for (int level : {0, 6}) {
        const Bytes stream = Deflate(plain, level, Z_DEFAULT_STRATEGY);
        const struct {
            size_t piece, read;
        } grains[] = {{1, 0}, {3, 1}, {1, 7}, {65536, 1}, {5, 258}, {4096, 32769}};
        for (const auto& g : grains) {
            SCOPED_TRACE("level " + std::to_string(level) + " piece " + std::to_string(g.piece) +
                         " read " + std::to_string(g.read));
            const Outcome out = Ours(stream, plain.size(), g.piece, g.read);
            EXPECT_TRUE(out.ok);
            EXPECT_TRUE(out.bytes == plain);
        }
    }
}

// Streams written by hand, each breaking one rule; zlib refuses them all.
TEST(Inflater, RefusesWhatZlibRefuses) {
    const struct {
        const char* what;
        Bytes stream;
    } cases[] = {
        {"empty", {}},
        {"header only", {0x78, 0x9C}},
        {"header not a multiple of 31", {0x78, 0x9D, 0x03, 0x00, 0, 0, 0, 1}},
        {"method 7", {0x77, 0x85, 0x03, 0x00, 0, 0, 0, 1}},
        {"window of 64 KiB", {0x88, 0x98, 0x03, 0x00, 0, 0, 0, 1}},
        {"preset dictionary", {0x78, 0xBB, 0, 0, 0, 1, 0x03, 0x00, 0, 0, 0, 1}},
        {"block type 3", {0x78, 0x9C, 0x07, 0, 0, 0, 0, 0}},
        {"stored length without its complement", {0x78, 0x9C, 0x01, 0x01, 0x00, 0xFF, 0xFF, 0x41}},
        {"stored block cut short", {0x78, 0x9C, 0x01, 0x05, 0x00, 0xFA, 0xFF, 0x41}},
        // Fixed block: a copy of distance 1 before any output.
        {"distance before the start", {0x78, 0x9C, 0x03, 0x02, 0x00, 0, 0, 0, 1}},
        {"checksum wrong", {0x78, 0x9C, 0x03, 0x00, 0, 0, 0, 2}},
        {"checksum cut short", {0x78, 0x9C, 0x03, 0x00, 0, 0, 0}},
        // Fixed block: literal/length 286; a length, then distance 30.
        {"length symbol 286", {0x78, 0x9C, 0x1B, 0x03, 0x00, 0, 0, 0, 1}},
        {"distance symbol 30", {0x78, 0x9C, 0x03, 0x3E, 0x00, 0, 0, 0, 1}},
        // Dynamic blocks: 257 + 31 lengths, then 1 + 31 distances.
        {"too many literal lengths", {0x78, 0x9C, 0xFD, 0x00, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"too many distance lengths", {0x78, 0x9C, 0x05, 0x1F, 0, 0, 0, 0, 0, 0, 0, 0}},
        // All 19 code-length codes one bit long: over-subscribed.
        {"over-subscribed lengths code",
         {0x78, 0x9C, 0x05, 0xE0, 0x93, 0x24, 0x49, 0x92, 0x24, 0x49, 0x92, 0x00}},
        // Only the code for 0 (one bit): incomplete, refused for this code.
        {"incomplete lengths code", {0x78, 0x9C, 0x05, 0x00, 0x00, 0x04, 0, 0, 0, 0}},
        // Codes for 0 and 16; 16 (repeat the last) comes first.
        {"repeat before any length", {0x78, 0x9C, 0x05, 0x00, 0x02, 0x24, 0, 0, 0, 0}},
        // Codes for 0 and 18: 138 + 120 zeros, so 256 has no code.
        {"no end-of-block code", {0x78, 0x9C, 0x05, 0x00, 0x80, 0xE4, 0x7F, 0x1B, 0, 0, 0, 0}},
        {"repeat past the count", {0x78, 0x9C, 0x05, 0x00, 0x80, 0xE4, 0xFF, 0x1F, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(Zlibs(c.stream, 1024).ok);
        EXPECT_FALSE(Ours(c.stream, 1024).ok);
    }
    // The one empty stream both accept, for contrast with the cases above.
    const Bytes empty = {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01};
    EXPECT_TRUE(Zlibs(empty, 16).ok);
    EXPECT_TRUE(Ours(empty, 16).ok);
}

TEST(Inflater, EveryCutAndEveryCapFails) {
    const Bytes plain = Plains()[2];
    const Bytes stream = Deflate(plain, 9, Z_DEFAULT_STRATEGY);
    for (size_t cut = 0; cut < stream.size(); ++cut) {
        const Bytes head(stream.begin(), stream.begin() + static_cast<ptrdiff_t>(cut));
        EXPECT_FALSE(Ours(head, plain.size(), 7).ok) << "cut at " << cut;
    }
    // Output one byte short of the stream's is over-long output.
    EXPECT_FALSE(Ours(stream, plain.size() - 1).ok);
    EXPECT_TRUE(Ours(stream, plain.size() + 1).ok);
    Bytes trailing = stream;
    trailing.push_back(0xAB);
    EXPECT_TRUE(Ours(trailing, plain.size()).ok);
}

// Damage anywhere in real streams: each damaged stream is either refused by
// both or inflated by both to the same bytes.
TEST(Inflater, AgreesWithZlibOnDamagedStreams) {
    std::mt19937 random(2026);
    int agreedOk = 0;
    const std::vector<Bytes> plains = Plains();
    for (size_t p = 1; p < plains.size(); ++p) {
        for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY}) {
            const Bytes stream = Deflate(plains[p], 6, strategy);
            const size_t cap = plains[p].size() * 2 + 64;
            for (int trial = 0; trial < 60; ++trial) {
                Bytes damaged = stream;
                const int flips = 1 + static_cast<int>(random() % 3);
                // Most damage lands near the front, where the codes are.
                for (int f = 0; f < flips; ++f) {
                    const size_t span =
                        trial % 2 ? damaged.size() : std::min<size_t>(64, damaged.size());
                    damaged[random() % span] ^= static_cast<uint8_t>(1u << (random() % 8));
                }
                const Outcome ours = Ours(damaged, cap);
                const Outcome zlibs = Zlibs(damaged, cap);
                ASSERT_EQ(ours.ok, zlibs.ok) << "plain " << p << " trial " << trial;
                ASSERT_TRUE(ours.bytes == zlibs.bytes) << "plain " << p << " trial " << trial;
                agreedOk += ours.ok;
            }
        }
    }
    // The checksum catches nearly all damage; the comparison above is the test.
    EXPECT_LT(agreedOk, 60);
}

} // namespace
} // namespace ww
