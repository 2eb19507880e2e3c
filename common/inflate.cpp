#include "common/inflate.h"

#include <cstring>

namespace ww {

// The fast path reads its input eight bytes at a time, lowest first.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the inflater reads little-endian words");

namespace {

constexpr uint32_t kWindowSize = 32 * 1024;
constexpr uint32_t kAdlerModulus = 65521;
constexpr int kEndOfBlock = 256;
constexpr int kLengthSymbols = 29;   // 257..285 carry a length
constexpr int kDistanceSymbols = 30; // 30 and 31 have fixed codes but no meaning
constexpr int kMaxLiteralLengths = 286;
constexpr int kMaxDistanceLengths = 30;

constexpr uint16_t kLengthBase[kLengthSymbols] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                  15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                  67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[kLengthSymbols] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistanceBase[kDistanceSymbols] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistanceExtra[kDistanceSymbols] = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                      4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                      9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a dynamic block lists the code lengths of its code
// lengths: the likely ones first, so the list can stop early.
constexpr uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                          11, 4,  12, 3, 13, 2, 14, 1, 15};

uint32_t Reversed(uint32_t code, int length) {
    uint32_t out = 0;
    for (int i = 0; i < length; ++i, code >>= 1)
        out = (out << 1) | (code & 1);
    return out;
}

} // namespace

bool HuffmanCode::Build(const uint8_t* lengths, int count, bool allowIncomplete) {
    std::memset(table_, 0, sizeof table_);
    std::memset(lengthCount_, 0, sizeof lengthCount_);
    for (int s = 0; s < count; ++s)
        ++lengthCount_[lengths[s]];
    lengthCount_[0] = 0;

    // Each length halves the room left; running out means over-subscribed.
    int left = 1;
    int longest = 0;
    for (int length = 1; length <= kMaxLength; ++length) {
        left = left * 2 - lengthCount_[length];
        if (left < 0)
            return false;
        if (lengthCount_[length] > 0)
            longest = length;
    }
    if (left > 0 && longest > 0 && !(allowIncomplete && longest == 1))
        return false;

    uint16_t nextCode[kMaxLength + 1];
    uint16_t nextIndex[kMaxLength + 1];
    uint32_t code = 0;
    uint16_t index = 0;
    for (int length = 1; length <= kMaxLength; ++length) {
        firstCode_[length] = nextCode[length] = static_cast<uint16_t>(code);
        firstIndex_[length] = nextIndex[length] = index;
        code = (code + lengthCount_[length]) << 1;
        index = static_cast<uint16_t>(index + lengthCount_[length]);
    }
    for (int s = 0; s < count; ++s) {
        const int length = lengths[s];
        if (length == 0)
            continue;
        symbols_[nextIndex[length]++] = static_cast<uint16_t>(s);
        const uint32_t assigned = nextCode[length]++;
        if (length > kTableBits)
            continue;
        // The stream sends a code's first bit first: the table is indexed
        // by the bits as they arrive, whatever follows them.
        const uint16_t entry = static_cast<uint16_t>(s << 4 | length);
        for (uint32_t fill = Reversed(assigned, length); fill < (1u << kTableBits);
             fill += 1u << length)
            table_[fill] = entry;
    }
    return true;
}

int HuffmanCode::Match(uint32_t code, int length) const {
    const uint32_t offset = code - firstCode_[length];
    if (code < firstCode_[length] || offset >= lengthCount_[length])
        return -1;
    return symbols_[firstIndex_[length] + offset];
}

Inflater::Inflater(InflateInput& input) : input_(input), window_(kWindowSize) {}

bool Inflater::NextByte(uint8_t* byte) {
    if (inLeft_ == 0) {
        inLeft_ = input_.Next(&in_);
        if (inLeft_ == 0)
            return false;
    }
    *byte = *in_++;
    --inLeft_;
    return true;
}

bool Inflater::Need(int count) {
    while (bitCount_ < count) {
        uint8_t byte;
        if (!NextByte(&byte))
            return false;
        bits_ |= static_cast<uint64_t>(byte) << bitCount_;
        bitCount_ += 8;
    }
    return true;
}

uint32_t Inflater::Take(int count) {
    const uint32_t value = static_cast<uint32_t>(bits_ & ((1u << count) - 1));
    bits_ >>= count;
    bitCount_ -= count;
    return value;
}

bool Inflater::Bits(int count, uint32_t* value) {
    if (!Need(count))
        return false;
    *value = Take(count);
    return true;
}

// The next symbol of `code`, -1 for a code it lacks or a stream cut short.
int Inflater::Decode(const HuffmanCode& code) {
    // Bits from the chunk at hand while they fit, then as many as the table
    // looks at, fewer at the end of the input.
    for (; bitCount_ <= 56 && inLeft_ > 0; --inLeft_, bitCount_ += 8)
        bits_ |= static_cast<uint64_t>(*in_++) << bitCount_;
    uint8_t byte;
    while (bitCount_ < HuffmanCode::kTableBits && NextByte(&byte)) {
        bits_ |= static_cast<uint64_t>(byte) << bitCount_;
        bitCount_ += 8;
    }
    const uint16_t entry = code.Entry(static_cast<uint32_t>(bits_));
    const int length = entry & 15;
    if (length != 0) {
        if (length > bitCount_)
            return -1;
        Take(length);
        return entry >> 4;
    }
    uint32_t bits = 0;
    for (int n = 1; n <= HuffmanCode::kMaxLength; ++n) {
        uint32_t bit;
        if (!Bits(1, &bit))
            return -1;
        bits = bits << 1 | bit;
        const int symbol = code.Match(bits, n);
        if (symbol >= 0)
            return symbol;
    }
    return -1;
}

bool Inflater::ReadHeader() {
    uint32_t method, flags;
    if (!Bits(8, &method) || !Bits(8, &flags))
        return false;
    const bool checked = (method << 8 | flags) % 31 == 0;
    const bool deflate = (method & 15) == 8 && (method >> 4) <= 7;
    const bool presetDictionary = (flags & 0x20) != 0;
    if (!checked || !deflate || presetDictionary)
        return false;
    phase_ = Phase::kBlock;
    return true;
}

bool Inflater::ReadBlockHeader() {
    uint32_t last, type;
    if (!Bits(1, &last) || !Bits(2, &type))
        return false;
    lastBlock_ = last != 0;
    if (type == 0) {
        Take(bitCount_ % 8);
        uint32_t length, complement;
        if (!Bits(16, &length) || !Bits(16, &complement) || length != (~complement & 0xFFFF))
            return false;
        storedLeft_ = length;
        phase_ = Phase::kStored;
        return true;
    }
    if (type == 1) {
        uint8_t lengths[HuffmanCode::kMaxSymbols];
        std::memset(lengths, 8, 144);
        std::memset(lengths + 144, 9, 256 - 144);
        std::memset(lengths + 256, 7, 280 - 256);
        std::memset(lengths + 280, 8, 288 - 280);
        literals_.Build(lengths, 288, false);
        std::memset(lengths, 5, 32);
        distances_.Build(lengths, 32, false);
        phase_ = Phase::kCoded;
        return true;
    }
    if (type == 2 && ReadDynamicCodes()) {
        phase_ = Phase::kCoded;
        return true;
    }
    return false;
}

bool Inflater::ReadDynamicCodes() {
    uint32_t literalCount, distanceCount, codeLengthCount;
    if (!Bits(5, &literalCount) || !Bits(5, &distanceCount) || !Bits(4, &codeLengthCount))
        return false;
    literalCount += 257;
    distanceCount += 1;
    codeLengthCount += 4;
    if (literalCount > kMaxLiteralLengths || distanceCount > kMaxDistanceLengths)
        return false;

    uint8_t codeLengths[19] = {};
    for (uint32_t i = 0; i < codeLengthCount; ++i) {
        uint32_t length;
        if (!Bits(3, &length))
            return false;
        codeLengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(length);
    }
    HuffmanCode lengthCode;
    if (!lengthCode.Build(codeLengths, 19, false))
        return false;

    // Both codes' lengths form one sequence; a repeat may run from one into
    // the other, never past the end.
    const uint32_t total = literalCount + distanceCount;
    uint8_t lengths[kMaxLiteralLengths + kMaxDistanceLengths];
    uint32_t filled = 0;
    while (filled < total) {
        const int symbol = Decode(lengthCode);
        if (symbol < 0)
            return false;
        if (symbol < 16) {
            lengths[filled++] = static_cast<uint8_t>(symbol);
            continue;
        }
        uint8_t value = 0;
        uint32_t repeat;
        if (symbol == 16) {
            if (filled == 0 || !Bits(2, &repeat))
                return false;
            value = lengths[filled - 1];
            repeat += 3;
        } else if (symbol == 17) {
            if (!Bits(3, &repeat))
                return false;
            repeat += 3;
        } else {
            if (!Bits(7, &repeat))
                return false;
            repeat += 11;
        }
        if (repeat > total - filled)
            return false;
        std::memset(lengths + filled, value, repeat);
        filled += repeat;
    }
    // A block without an end could never be left.
    if (lengths[kEndOfBlock] == 0)
        return false;
    return literals_.Build(lengths, static_cast<int>(literalCount), true) &&
           distances_.Build(lengths + literalCount, static_cast<int>(distanceCount), true);
}

bool Inflater::ReadTrailer() {
    Take(bitCount_ % 8);
    uint32_t sum = 0;
    for (int i = 0; i < 4; ++i) {
        uint32_t byte;
        if (!Bits(8, &byte))
            return false;
        sum = sum << 8 | byte;
    }
    if (sum != (adlerHigh_ << 16 | adlerLow_))
        return false;
    phase_ = Phase::kEnded;
    return true;
}

bool Inflater::DecodeSymbol(uint8_t* out, size_t* done) {
    int symbol = Decode(literals_);
    if (symbol < 0)
        return false;
    if (symbol < kEndOfBlock) {
        Emit(static_cast<uint8_t>(symbol), out, done);
        return true;
    }
    if (symbol == kEndOfBlock) {
        phase_ = lastBlock_ ? Phase::kTrailer : Phase::kBlock;
        return true;
    }
    symbol -= kEndOfBlock + 1;
    uint32_t extra;
    if (symbol >= kLengthSymbols || !Bits(kLengthExtra[symbol], &extra))
        return false;
    const uint32_t length = kLengthBase[symbol] + extra;
    const int code = Decode(distances_);
    if (code < 0 || code >= kDistanceSymbols || !Bits(kDistanceExtra[code], &extra))
        return false;
    const uint32_t distance = kDistanceBase[code] + extra;
    if (distance > produced_)
        return false;
    copyLeft_ = length;
    copyDistance_ = distance;
    return true;
}

// Every output byte passes here: into the caller's buffer and the window
// later copies reach back into. The checksum follows in runs (Sum).
void Inflater::Emit(uint8_t byte, uint8_t* out, size_t* done) {
    window_[produced_++ % kWindowSize] = byte;
    out[(*done)++] = byte;
}

// Adler-32 over a run of output, reduced only as often as the sums could
// overflow 32 bits.
void Inflater::Sum(const uint8_t* bytes, size_t n) {
    constexpr size_t kMaxRun = 5552;
    while (n > 0) {
        const size_t run = n < kMaxRun ? n : kMaxRun;
        for (size_t i = 0; i < run; ++i) {
            adlerLow_ += bytes[i];
            adlerHigh_ += adlerLow_;
        }
        adlerLow_ %= kAdlerModulus;
        adlerHigh_ %= kAdlerModulus;
        bytes += run;
        n -= run;
    }
}

// The common case at speed: whole symbols while the chunk at hand holds more
// input than any symbol needs and the output has room for the longest copy.
// The state lives in locals meanwhile, as every byte stored could otherwise
// alias it. A symbol it cannot finish here (a code longer than the tables,
// a bad one, the end of the block) is left whole to DecodeSymbol.
void Inflater::DecodeFast(uint8_t* out, size_t* done, size_t n) {
    constexpr size_t kLongestCopy = 258;
    uint64_t bits = bits_;
    int count = bitCount_;
    const uint8_t* in = in_;
    size_t left = inLeft_;
    uint64_t produced = produced_;
    uint8_t* window = window_.data();
    size_t at = *done;
    while (left >= 8 && n - at >= kLongestCopy) {
        // Eight bytes read at once; those that did not fit are read again.
        uint64_t next;
        std::memcpy(&next, in, sizeof next);
        bits |= next << count;
        const int taken = (63 - count) >> 3;
        in += taken;
        left -= static_cast<size_t>(taken);
        count += taken * 8;
        const uint16_t entry = literals_.Entry(static_cast<uint32_t>(bits));
        const int length = entry & 15;
        const int symbol = entry >> 4;
        if (length == 0 || symbol == kEndOfBlock)
            break;
        if (symbol < kEndOfBlock) {
            bits >>= length;
            count -= length;
            const uint8_t byte = static_cast<uint8_t>(symbol);
            window[produced++ % kWindowSize] = byte;
            out[at++] = byte;
            continue;
        }
        const int lengthCode = symbol - kEndOfBlock - 1;
        if (lengthCode >= kLengthSymbols)
            break;
        uint64_t b = bits >> length;
        int used = length;
        const int lengthExtra = kLengthExtra[lengthCode];
        const uint32_t copy =
            kLengthBase[lengthCode] + static_cast<uint32_t>(b & ((1u << lengthExtra) - 1));
        b >>= lengthExtra;
        used += lengthExtra;
        const uint16_t far = distances_.Entry(static_cast<uint32_t>(b));
        const int farLength = far & 15;
        const int farCode = far >> 4;
        if (farLength == 0 || farCode >= kDistanceSymbols)
            break;
        b >>= farLength;
        const int farExtra = kDistanceExtra[farCode];
        const uint32_t distance =
            kDistanceBase[farCode] + static_cast<uint32_t>(b & ((1u << farExtra) - 1));
        used += farLength + farExtra;
        if (distance > produced)
            break;
        bits >>= used;
        count -= used;
        for (uint32_t i = 0; i < copy; ++i) {
            const uint8_t byte = window[(produced - distance) % kWindowSize];
            window[produced++ % kWindowSize] = byte;
            out[at++] = byte;
        }
    }
    bits_ = bits;
    bitCount_ = count;
    in_ = in;
    inLeft_ = left;
    produced_ = produced;
    *done = at;
}

size_t Inflater::Read(uint8_t* out, size_t n) {
    size_t done = 0;
    size_t summed = 0;
    while (done < n) {
        bool ok = true;
        switch (phase_) {
        case Phase::kHeader:
            ok = ReadHeader();
            break;
        case Phase::kBlock:
            ok = ReadBlockHeader();
            break;
        case Phase::kStored: {
            uint32_t byte;
            if (storedLeft_ == 0) {
                phase_ = lastBlock_ ? Phase::kTrailer : Phase::kBlock;
            } else if ((ok = Bits(8, &byte))) {
                --storedLeft_;
                Emit(static_cast<uint8_t>(byte), out, &done);
            }
            break;
        }
        case Phase::kCoded:
            while (ok && done < n && phase_ == Phase::kCoded) {
                if (copyLeft_ == 0) {
                    DecodeFast(out, &done, n);
                    if (done < n)
                        ok = DecodeSymbol(out, &done);
                    continue;
                }
                for (; copyLeft_ > 0 && done < n; --copyLeft_)
                    Emit(window_[(produced_ - copyDistance_) % kWindowSize], out, &done);
            }
            break;
        case Phase::kTrailer:
            Sum(out + summed, done - summed);
            summed = done;
            ok = ReadTrailer();
            break;
        case Phase::kEnded:
        case Phase::kFailed:
            n = done;
            break;
        }
        if (!ok)
            phase_ = Phase::kFailed;
    }
    Sum(out + summed, done - summed);
    return done;
}

} // namespace ww
