// Inflation of zlib streams (RFC 1950 framing around RFC 1951 deflate data),
// for the programs that only ever read compressed data and would otherwise
// carry all of zlib.
//
// A zlib stream is a two-byte header (method 8, a window of at most 32 KiB,
// the pair a multiple of 31, no preset dictionary), deflate blocks (stored,
// fixed Huffman or dynamic Huffman, the last one flagged), then the Adler-32
// of the output, big-endian. Everything the stream states is checked as
// zlib checks it: code sets neither over-subscribed nor incomplete (a lone
// one-bit code excepted), no repeat before a first length or past the count,
// no symbol outside its alphabet, no distance before the start of the output.
// Only a stream whose checksum matches counts as ended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ww {

// Where an Inflater takes its compressed bytes from.
class InflateInput {
  public:
    virtual ~InflateInput() = default;
    // Points at the next run of compressed bytes and answers its length;
    // 0 at the end of the data or after a read failure.
    virtual size_t Next(const uint8_t** bytes) = 0;
};

// A canonical Huffman code, decoded through a table of its short codes
// first and by code length for the rest.
class HuffmanCode {
  public:
    static constexpr int kMaxLength = 15;
    static constexpr int kMaxSymbols = 288;
    static constexpr int kTableBits = 9;

    // Builds the code from each symbol's length (0: not used). False when the
    // lengths cannot form a prefix code; an incomplete code passes only when
    // allowed and it is a single one-bit code, or has no code at all.
    bool Build(const uint8_t* lengths, int count, bool allowIncomplete);

    // A table entry: the symbol above, its length in the low 4 bits; 0 when
    // the code is longer than the table or unused.
    uint16_t Entry(uint32_t bits) const { return table_[bits & ((1u << kTableBits) - 1)]; }
    // The symbol whose code is the first `length` bits read, each new bit
    // appended at the low end; -1 while none matches.
    int Match(uint32_t code, int length) const;

  private:
    uint16_t table_[1 << kTableBits];
    uint16_t lengthCount_[kMaxLength + 1];
    uint16_t firstCode_[kMaxLength + 1];
    uint16_t firstIndex_[kMaxLength + 1];
    uint16_t symbols_[kMaxSymbols];
};

class Inflater {
  public:
    explicit Inflater(InflateInput& input);
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // Up to n bytes of output; fewer only when the stream ends or fails.
    size_t Read(uint8_t* out, size_t n);
    bool ended() const { return phase_ == Phase::kEnded; }
    bool failed() const { return phase_ == Phase::kFailed; }

  private:
    enum class Phase { kHeader, kBlock, kStored, kCoded, kTrailer, kEnded, kFailed };

    bool NextByte(uint8_t* byte);
    bool Need(int count);
    uint32_t Take(int count);
    bool Bits(int count, uint32_t* value);
    int Decode(const HuffmanCode& code);

    bool ReadHeader();
    bool ReadBlockHeader();
    bool ReadDynamicCodes();
    bool ReadTrailer();
    // One literal, the end of the block or a copy to make; false on bad data.
    bool DecodeSymbol(uint8_t* out, size_t* done);
    void DecodeFast(uint8_t* out, size_t* done, size_t n);
    void Emit(uint8_t byte, uint8_t* out, size_t* done);
    void Sum(const uint8_t* bytes, size_t n);

    InflateInput& input_;
    const uint8_t* in_ = nullptr;
    size_t inLeft_ = 0;
    uint64_t bits_ = 0;
    int bitCount_ = 0;

    Phase phase_ = Phase::kHeader;
    bool lastBlock_ = false;
    uint32_t storedLeft_ = 0;
    uint32_t copyLeft_ = 0;
    uint32_t copyDistance_ = 0;
    HuffmanCode literals_;
    HuffmanCode distances_;

    std::vector<uint8_t> window_;
    uint64_t produced_ = 0;
    uint32_t adlerLow_ = 1;
    uint32_t adlerHigh_ = 0;
};

} // namespace ww
