#include "builder/swf/swf_reader.h"

#include "builder/swf/projector.h"
#include "common/bytes.h"
#include "common/file.h"
#include "common/path.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

namespace ww {

namespace {

constexpr size_t kInflateBlockSize = 64 * 1024;
constexpr int32_t kTwipsPerPixel = 20;

bool HasSignature(const uint8_t* head, const char* signature) {
    return std::memcmp(head, signature, 3) == 0;
}

bool ReadSignature(const std::string& path, uint8_t* head) {
    File file(path, "rb");
    return file.IsOpen() && file.ReadExact(head, 3);
}

// Nbits-wide field of the RECT at bit position start, most significant first,
// taken unsigned.
uint32_t RectField(const uint8_t* rect, unsigned start, unsigned nbits) {
    uint32_t value = 0;
    for (unsigned bit = start; bit < start + nbits; ++bit)
        value = (value << 1) | ((rect[bit / 8] >> (7 - bit % 8)) & 1u);
    return value;
}

// The RECT, frame rate and frame count that follow the first 8 bytes; false
// when the movie ends before the frame count does.
bool ReadFrameFields(ByteSource& rest, SwfMovieInfo* info) {
    uint8_t rect[kSwfMaxRectSize];
    if (ReadFull(rest, rect, 1) != 1)
        return false;
    const unsigned nbits = rect[0] >> 3;
    const size_t rectSize = (5 + 4 * nbits) / 8 + 1;
    uint8_t timing[4];
    if (ReadFull(rest, rect + 1, rectSize - 1) != rectSize - 1 ||
        ReadFull(rest, timing, sizeof timing) != sizeof timing)
        return false;
    // Xmin and Ymin are skipped: the stage is taken to start at 0.
    info->width = static_cast<int32_t>(RectField(rect, nbits + 5, nbits) / kTwipsPerPixel);
    info->height = static_cast<int32_t>(RectField(rect, 3 * nbits + 5, nbits) / kTwipsPerPixel);
    info->frameRate = timing[1];
    info->frameCount = LoadU16(timing + 2);
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
    uint8_t head[3];
    return ReadSignature(path, head) && (HasSignature(head, "FWS") || HasSignature(head, "CWS"));
}

bool IsCompressedSwf(const std::string& path) {
    uint8_t head[3];
    return ReadSignature(path, head) && HasSignature(head, "CWS");
}

bool DecompressSwf(const std::string& sourcePath, const std::string& destinationPath) {
    File in(sourcePath, "rb");
    uint8_t head[kSwfFixedHeaderSize];
    const int64_t size = in.IsOpen() ? in.Size() : -1;
    if (size < static_cast<int64_t>(sizeof head) || !in.ReadExact(head, sizeof head) ||
        !HasSignature(head, "CWS"))
        return false;
    AtomicOutput out;
    if (!out.Begin(destinationPath))
        return false;
    uint8_t outHead[kSwfFixedHeaderSize] = {'F', 'W', 'S', head[3]};
    FileSliceSource compressed(in, static_cast<uint64_t>(size) - sizeof head);
    InflateSource body(compressed, SwfInflateLimit(static_cast<uint64_t>(size)));
    std::vector<uint8_t> block(kInflateBlockSize);
    // The length is known only at the end; its place is filled in then.
    bool written = out.file().Write(outHead, sizeof outHead);
    while (written) {
        size_t got = body.Read(block.data(), block.size());
        if (got == 0)
            break;
        written = out.file().Write(block.data(), got);
    }
    if (!written || !body.ok() || !body.finished())
        return false;
    StoreU32(outHead + 4, static_cast<uint32_t>(body.produced() + kSwfFixedHeaderSize));
    if (!out.file().Seek(4, SEEK_SET) || !out.file().Write(outHead + 4, 4))
        return false;
    // Closed before the rename, which may replace the source itself.
    in.Close();
    return out.Commit();
}

SwfMovieInfo ReadSwfHeader(const std::string& path) {
    File file(path, "rb");
    const int64_t size = file.IsOpen() ? file.Size() : -1;
    if (size < 0)
        return {};
    FileSliceSource movie(file, static_cast<uint64_t>(size));
    return ReadSwfHeaderFrom(movie);
}

SwfMovieInfo ReadSwfMovieInfo(const std::string& path) {
    File file(path, "rb");
    uint64_t movieSize = 0;
    if (!file.IsOpen() || !SeekToMovie(path, file, &movieSize))
        return {};
    FileSliceSource movie(file, movieSize);
    return ReadSwfMovieInfoFrom(movie, movieSize);
}

MovieTests SwfMovieTests() {
    return {&IsSwfFile, &IsProjector};
}

} // namespace ww
