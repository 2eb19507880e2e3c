#include "swf/swf_reader.h"

#include "swf/projector.h"
#include "common/bytes.h"
#include "common/file.h"
#include "common/path.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

namespace ww {

namespace {

constexpr uint32_t kTwipsPerPixel = 20;

bool HasSignature(const uint8_t* head, const char* signature) {
    return std::memcmp(head, signature, 3) == 0;
}

// A RECT field as the unsigned number its bits spell.
uint32_t UnsignedField(int32_t value, unsigned nbits) {
    return nbits == 0 ? 0 : static_cast<uint32_t>(value) & (0xFFFFFFFFu >> (32 - nbits));
}

// The RECT, frame rate and frame count that follow the first 8 bytes; false
// when the movie ends before the frame count does.
bool ReadFrameFields(ByteSource& rest, SwfMovieInfo* info) {
    uint8_t bytes[kSwfMaxFrameHeaderSize];
    if (ReadFull(rest, bytes, 1) != 1)
        return false;
    const unsigned nbits = bytes[0] >> 3;
    const size_t size = (5 + 4 * nbits) / 8 + 1 + 4;
    if (ReadFull(rest, bytes + 1, size - 1) != size - 1)
        return false;
    BitReader r(bytes, size);
    SwfFrameHeader header;
    if (!ReadSwfFrameHeader(r, &header))
        return false;
    // Xmin and Ymin are skipped, and the fields taken unsigned: the stage is
    // taken to start at 0.
    info->width = static_cast<int32_t>(UnsignedField(header.stage.xmax, nbits) / kTwipsPerPixel);
    info->height = static_cast<int32_t>(UnsignedField(header.stage.ymax, nbits) / kTwipsPerPixel);
    info->frameRate = static_cast<uint8_t>(header.frameRate >> 8);
    info->frameCount = header.frameCount;
    return true;
}

SwfMovieInfo ReadPlainAfterHead(const uint8_t* head, ByteSource& rest) {
    SwfMovieInfo info;
    info.version = head[3];
    info.fileLength = LoadU32(head + 4);
    return ReadFrameFields(rest, &info) ? info : SwfMovieInfo{};
}

// The whole stream is inflated, even past the header, because the length of
// the uncompressed movie is part of the result and only a complete stream
// counts.
SwfMovieInfo ReadCompressedAfterHead(const uint8_t* head, ByteSource& rest, uint64_t movieSize) {
    InflateSource body(rest, SwfInflateLimit(movieSize));
    SwfMovieInfo info;
    info.version = head[3];
    if (!ReadFrameFields(body, &info))
        return {};
    Drain(body);
    if (!body.ok() || !body.finished())
        return {};
    info.fileLength = static_cast<uint32_t>(body.produced() + kSwfFixedHeaderSize);
    return info;
}

// Positions file at the start of the movie it holds, the embedded one for a
// projector; false when there is none.
bool SeekToMovie(const std::string& path, File& file, uint64_t* movieSize) {
    int64_t size = file.Size();
    if (size < 0)
        return false;
    uint64_t offset = 0;
    *movieSize = static_cast<uint64_t>(size);
    if (HasEnding(path, ".exe")) {
        ProjectorMovie movie;
        if (!FindProjectorMovie(file, &movie))
            return false;
        offset = movie.offset;
        *movieSize = movie.length;
    }
    return file.Seek(static_cast<int64_t>(offset), SEEK_SET);
}

} // namespace

bool ReadSwfFrameHeader(BitReader& r, SwfFrameHeader* header) {
    header->stage = r.ReadRect(&header->rectBits);
    header->frameRate = r.U16();
    header->frameCount = r.U16();
    return r.ok();
}

bool operator==(const SwfMovieInfo& a, const SwfMovieInfo& b) {
    return a.version == b.version && a.fileLength == b.fileLength && a.width == b.width &&
           a.height == b.height && a.frameRate == b.frameRate && a.frameCount == b.frameCount;
}

uint64_t SwfInflateLimit(uint64_t movieSize) {
    const uint64_t most = std::numeric_limits<uint64_t>::max();
    return movieSize > most / kSwfInflateFactor ? most : movieSize * kSwfInflateFactor;
}

SwfMovieInfo ReadSwfHeaderFrom(ByteSource& movie) {
    uint8_t head[kSwfFixedHeaderSize];
    if (ReadFull(movie, head, sizeof head) != sizeof head)
        return {};
    return ReadPlainAfterHead(head, movie);
}

SwfMovieInfo ReadSwfMovieInfoFrom(ByteSource& movie, uint64_t movieSize) {
    uint8_t head[kSwfFixedHeaderSize];
    if (ReadFull(movie, head, sizeof head) != sizeof head)
        return {};
    if (HasSignature(head, "CWS"))
        return ReadCompressedAfterHead(head, movie, movieSize);
    return ReadPlainAfterHead(head, movie);
}

bool IsSwfFile(const std::string& path) {
    File file(path, "rb");
    uint8_t head[3];
    return file.IsOpen() && file.ReadExact(head, 3) &&
           (HasSignature(head, "FWS") || HasSignature(head, "CWS"));
}

SwfMovieInfo ReadSwfMovieInfo(const std::string& path) {
    File file(path, "rb");
    uint64_t movieSize = 0;
    if (!file.IsOpen() || !SeekToMovie(path, file, &movieSize))
        return {};
    FileSliceSource movie(file, movieSize);
    return ReadSwfMovieInfoFrom(movie, movieSize);
}

} // namespace ww
