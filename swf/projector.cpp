#include "swf/projector.h"

#include "common/bytes.h"

#include <cstdio>
#include <cstring>

namespace ww {

bool LocateProjectorMovie(const uint8_t* trailer, uint64_t fileSize, ProjectorMovie* movie) {
    if (fileSize < kProjectorTrailerSize || LoadU32(trailer) != kProjectorMagic)
        return false;
    uint32_t length = LoadU32(trailer + 4);
    uint64_t before = fileSize - kProjectorTrailerSize;
    if (static_cast<int32_t>(length) < 0 || length > before)
        return false;
    movie->offset = before - length;
    movie->length = length;
    return true;
}

bool FindProjectorMovie(File& file, ProjectorMovie* movie) {
    int64_t size = file.Size();
    uint8_t trailer[kProjectorTrailerSize];
    if (size < static_cast<int64_t>(kProjectorTrailerSize) ||
        !file.Seek(size - static_cast<int64_t>(kProjectorTrailerSize), SEEK_SET) ||
        !file.ReadExact(trailer, sizeof trailer))
        return false;
    return LocateProjectorMovie(trailer, static_cast<uint64_t>(size), movie);
}

bool IsProjector(const std::string& path) {
    File file(path, "rb");
    ProjectorMovie movie;
    return file.IsOpen() && FindProjectorMovie(file, &movie);
}

bool CopyProjectorBlocks(File& in, File& out, uint32_t length) {
    uint8_t block[kProjectorBlockSize];
    while (length > 0) {
        size_t chunk = length < sizeof block ? length : sizeof block;
        std::memset(block, 0, sizeof block);
        in.Read(block, chunk);
        if (!out.Write(block, chunk))
            return false;
        length -= static_cast<uint32_t>(chunk);
    }
    return true;
}

bool ExtractProjectorMovie(const std::string& projectorPath, const std::string& outputPath) {
    File in(projectorPath, "rb");
    ProjectorMovie movie;
    if (!in.IsOpen() || !FindProjectorMovie(in, &movie) ||
        !in.Seek(static_cast<int64_t>(movie.offset), SEEK_SET))
        return false;
    AtomicOutput out;
    if (!out.Begin(outputPath) || !CopyProjectorBlocks(in, out.file(), movie.length))
        return false;
    // Closed before the rename, which may replace the projector itself.
    in.Close();
    return out.Commit();
}

} // namespace ww
