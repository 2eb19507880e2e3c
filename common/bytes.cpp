#include "common/bytes.h"

#include <cstring>

namespace ww {

uint16_t LoadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t LoadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void StoreU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void StoreU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool ByteReader::Take(size_t n) {
    if (!ok_ || n > size_ - pos_) {
        ok_ = false;
        return false;
    }
    return true;
}

uint8_t ByteReader::U8() {
    if (!Take(1))
        return 0;
    return data_[pos_++];
}

uint16_t ByteReader::U16() {
    if (!Take(2))
        return 0;
    uint16_t v = LoadU16(data_ + pos_);
    pos_ += 2;
    return v;
}

uint32_t ByteReader::U32() {
    if (!Take(4))
        return 0;
    uint32_t v = LoadU32(data_ + pos_);
    pos_ += 4;
    return v;
}

void ByteReader::Bytes(void* out, size_t n) {
    if (!Take(n)) {
        std::memset(out, 0, n);
        return;
    }
    std::memcpy(out, data_ + pos_, n);
    pos_ += n;
}

std::string ByteReader::FixedString(size_t n) {
    if (!Take(n))
        return std::string();
    const char* field = reinterpret_cast<const char*>(data_ + pos_);
    size_t len = 0;
    while (len < n && field[len] != '\0')
        ++len;
    pos_ += n;
    return std::string(field, len);
}

void ByteReader::Skip(size_t n) {
    if (Take(n))
        pos_ += n;
}

bool ByteWriter::Room(size_t n) {
    if (!ok_ || n > size_ - pos_) {
        ok_ = false;
        return false;
    }
    return true;
}

void ByteWriter::U8(uint8_t v) {
    if (Room(1))
        data_[pos_++] = v;
}

void ByteWriter::U16(uint16_t v) {
    if (!Room(2))
        return;
    StoreU16(data_ + pos_, v);
    pos_ += 2;
}

void ByteWriter::U32(uint32_t v) {
    if (!Room(4))
        return;
    StoreU32(data_ + pos_, v);
    pos_ += 4;
}

void ByteWriter::Bytes(const void* in, size_t n) {
    if (!Room(n))
        return;
    std::memcpy(data_ + pos_, in, n);
    pos_ += n;
}

void ByteWriter::FixedString(const std::string& text, size_t n) {
    if (n == 0 || !Room(n))
        return;
    size_t len = text.size() < n - 1 ? text.size() : n - 1;
    std::memcpy(data_ + pos_, text.data(), len);
    std::memset(data_ + pos_ + len, 0, n - len);
    pos_ += n;
}

void ByteWriter::Zeros(size_t n) {
    if (!Room(n))
        return;
    std::memset(data_ + pos_, 0, n);
    pos_ += n;
}

std::string HexDigits(uint32_t v, int digits) {
    std::string out(static_cast<size_t>(digits), '0');
    for (int i = 0; i < digits && i < 8; ++i)
        out[static_cast<size_t>(digits - 1 - i)] = "0123456789ABCDEF"[(v >> (4 * i)) & 0xF];
    return out;
}

} // namespace ww
