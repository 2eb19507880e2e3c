// Projector files of any bytes through the file operations: recognition,
// extraction and the movie reader must agree with the trailer read directly.
#include "swf/projector.h"
#include "swf/swf_reader.h"
#include "common/file.h"
#include "common/fs.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using namespace ww;

namespace {

// Never destroyed, so the exit handler that removes the folder can still name it.
const std::string& WorkFolder() {
    static const std::string* const folder = [] {
        auto* f = new std::string(UserTempFolder() + "ww_fuzz_projector_" + UniqueSuffix() + "/");
        std::filesystem::create_directories(*f);
        std::atexit([] { std::filesystem::remove_all(WorkFolder()); });
        return f;
    }();
    return *folder;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    File file(path, "rb");
    int64_t size = file.IsOpen() ? file.Size() : -1;
    std::vector<uint8_t> bytes(size > 0 ? static_cast<size_t>(size) : 0);
    if (size < 0 || !file.ReadExact(bytes.data(), bytes.size()))
        std::abort();
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string projector = WorkFolder() + "p.exe";
    const std::string output = WorkFolder() + "m.swf";
    {
        File file(projector, "wb");
        if (!file.Write(data, size) || !file.Close())
            std::abort();
    }
    ProjectorMovie movie;
    const bool located = size >= kProjectorTrailerSize &&
                         LocateProjectorMovie(data + size - kProjectorTrailerSize, size, &movie);
    if (IsProjector(projector) != located || ExtractProjectorMovie(projector, output) != located)
        std::abort();
    SwfMovieInfo expected;
    if (located) {
        const std::vector<uint8_t> copied = ReadAll(output);
        if (copied.size() != movie.length ||
            (movie.length > 0 && std::memcmp(copied.data(), data + movie.offset, movie.length)))
            std::abort();
        RemoveFile(output);
        MemorySource slice(data + movie.offset, movie.length);
        expected = ReadSwfMovieInfoFrom(slice, movie.length);
    }
    if (ReadSwfMovieInfo(projector) != expected)
        std::abort();
    return 0;
}
