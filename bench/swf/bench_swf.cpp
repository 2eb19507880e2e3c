// bench_swf WORKDIR: ReadSwfMovieInfo on a 64 MiB compressed movie against a
// bare zlib inflate of the same stream, and the reader's peak memory for a
// small and a large movie, each measured in a fresh process.
//
// The verdicts are printed, not returned, so the other benchmarks still run.
//
// bench_swf --peak MOVIE: reads one movie and prints the process's peak
// resident size in KiB (the child side of the memory measurement).
#include "swf/swf_reader.h"
#include "common/bytes.h"
#include "common/file.h"
#include "common/fs.h"

#include <sys/resource.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kBlock = 64 * 1024;
constexpr int kRounds = 3;

long PeakKib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A movie whose body is bodyBytes of four-bit noise, so that it deflates to
// about half: written through streaming deflate, never whole in memory.
bool WriteMovie(const std::string& path, uint64_t bodyBytes) {
    ww::File out(path, "wb");
    uint8_t head[8] = {'C', 'W', 'S', 8};
    ww::StoreU32(head + 4, static_cast<uint32_t>(bodyBytes + 8));
    if (!out.Write(head, sizeof head))
        return false;
    z_stream z{};
    if (deflateInit(&z, 1) != Z_OK)
        return false;
    std::vector<uint8_t> in(kBlock), packed(kBlock);
    // A 550 x 400 stage at 24 frames a second, then the noise.
    const uint8_t header[] = {0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F,
                              0xA0, 0x00, 0x00, 0x18, 0x01, 0x00};
    uint32_t state = 1;
    uint64_t left = bodyBytes;
    bool first = true;
    int flush = Z_NO_FLUSH;
    while (flush != Z_FINISH) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(left, in.size()));
        size_t i = 0;
        if (first) {
            i = std::min(n, sizeof header);
            std::copy(header, header + i, in.begin());
            first = false;
        }
        for (; i < n; ++i) {
            state = state * 1664525u + 1013904223u;
            in[i] = static_cast<uint8_t>(0x40 | (state >> 28));
        }
        left -= n;
        flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        z.next_in = in.data();
        z.avail_in = static_cast<uInt>(n);
        do {
            z.next_out = packed.data();
            z.avail_out = static_cast<uInt>(packed.size());
            deflate(&z, flush);
            if (!out.Write(packed.data(), packed.size() - z.avail_out))
                return false;
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return out.Close();
}

// The machine's own limit: the same stream inflated and thrown away.
uint64_t BareInflate(const std::string& path) {
    ww::File in(path, "rb");
    std::vector<uint8_t> input(kBlock), output(kBlock);
    in.Seek(8, SEEK_SET);
    z_stream z{};
    inflateInit(&z);
    uint64_t total = 0;
    int result = Z_OK;
    while (result == Z_OK) {
        if (z.avail_in == 0) {
            z.avail_in = static_cast<uInt>(in.Read(input.data(), input.size()));
            z.next_in = input.data();
            if (z.avail_in == 0)
                break;
        }
        z.next_out = output.data();
        z.avail_out = static_cast<uInt>(output.size());
        result = inflate(&z, Z_NO_FLUSH);
        total += output.size() - z.avail_out;
    }
    inflateEnd(&z);
    return result == Z_STREAM_END ? total : 0;
}

template <typename Fn> double BestSeconds(Fn fn) {
    double best = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        const Clock::time_point start = Clock::now();
        fn();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

long ChildPeak(const std::string& self, const std::string& movie) {
    const std::string command = "\"" + self + "\" --peak \"" + movie + "\"";
    FILE* pipe = popen(command.c_str(), "r");
    long kib = -1;
    if (pipe) {
        if (std::fscanf(pipe, "%ld", &kib) != 1)
            kib = -1;
        pclose(pipe);
    }
    return kib;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--peak") {
        const ww::SwfMovieInfo info = ww::ReadSwfMovieInfo(argv[2]);
        std::printf("%ld\n", info.width == 550 ? PeakKib() : -1L);
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_swf WORKDIR\n");
        return 2;
    }
    const std::string work = argv[1];
    const std::string large = work + "/large_cws.swf";
    const std::string small = work + "/small_cws.swf";
    const uint64_t largeBody = 110ull << 20; // deflates to about 64 MiB
    if (!WriteMovie(large, largeBody) || !WriteMovie(small, 8ull << 20)) {
        std::fprintf(stderr, "cannot write the movies in %s\n", work.c_str());
        return 1;
    }
    const int64_t largeSize = ww::FileSizeOf(large);

    uint64_t inflated = 0;
    ww::SwfMovieInfo info;
    const double bare = BestSeconds([&] { inflated = BareInflate(large); });
    const double ours = BestSeconds([&] { info = ww::ReadSwfMovieInfo(large); });
    if (inflated != largeBody || info.fileLength != largeBody + 8 || info.width != 550) {
        std::fprintf(stderr, "the movie did not read back (%u bytes, %d wide)\n",
                     static_cast<unsigned>(info.fileLength), static_cast<int>(info.width));
        return 1;
    }
    const double ratio = bare / ours;
    std::printf("ReadSwfMovieInfo, %.1f MiB CWS movie (%.0f MiB inflated): %.3f s; bare inflate "
                "%.3f s; ratio %.2f of bare inflate (target >= 0.90) %s\n",
                largeSize / 1048576.0, largeBody / 1048576.0, ours, bare, ratio,
                ratio >= 0.9 ? "ok" : "BELOW TARGET");

    const long smallPeak = ChildPeak(argv[0], small);
    const long largePeak = ChildPeak(argv[0], large);
    const long growth = largePeak - smallPeak;
    // Allow a few pages of noise between two runs of the same program.
    const bool flat = smallPeak > 0 && largePeak > 0 && growth < 512;
    std::printf("peak memory: %ld KiB reading a 16x smaller movie, %ld KiB reading this one "
                "(growth %ld KiB) %s\n",
                smallPeak, largePeak, growth, flat ? "ok: does not grow" : "GROWS");
    ww::RemoveFile(large);
    ww::RemoveFile(small);
    return 0;
}
