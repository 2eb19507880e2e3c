// Building an installer around large extra files, and extracting it, against
// cat and cp -r of the same files in the same run. Each operation runs in a
// child process so its own peak memory can be read; the sizes are 10 MiB and
// 1 GiB (WW_BENCH_MIB overrides the larger), to show memory does not grow.
#include "builder/package/package_writers.h"
#include "common/package_reader.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Run {
    double seconds = 0;
    long peakKiB = 0;
    bool ok = false;
};

// Runs job in a child; its wall time and peak resident size.
Run MeasureOnce(const std::function<bool()>& job) {
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0)
        _exit(job() ? 0 : 1);
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    Run r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.peakKiB = usage.ru_maxrss;
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return r;
}

// The better of two runs, with the disk's write-back settled before each, so
// neither side pays for the other's dirty pages.
Run Measure(const std::function<bool()>& job) {
    Run best;
    for (int i = 0; i < 2; ++i) {
        sync();
        Run r = MeasureOnce(job);
        if (i == 0 || r.seconds < best.seconds)
            best = r;
    }
    return best;
}

bool WriteFile(const std::string& path, size_t bytes, unsigned seed) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    std::vector<unsigned char> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<unsigned char>((i * 31 + seed) & 0xFF);
    for (size_t done = 0; done < bytes;) {
        size_t n = bytes - done < block.size() ? bytes - done : block.size();
        std::fwrite(block.data(), 1, n, f);
        done += n;
    }
    return std::fclose(f) == 0;
}

bool Shell(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

void Case(const std::string& work, size_t mib) {
    const std::string dir = work + "/extras-" + std::to_string(mib);
    Shell("rm -rf '" + dir + "' '" + work + "/out' && mkdir -p '" + dir + "' '" + work + "/out'");
    const int files = 16;
    std::vector<std::string> paths;
    for (int i = 0; i < files; ++i) {
        paths.push_back(dir + "/extra" + std::to_string(i) + ".bin");
        WriteFile(paths.back(), mib * (1u << 20) / files, i);
    }
    // The stub and seven small slot files under names the readers take.
    const std::string small = work + "/small.bin";
    WriteFile(small, 4096, 99);
    std::vector<std::string> slots;
    for (int k = 1; k <= 7; ++k) {
        slots.push_back(
            work + (k == 1 ? std::string("/Bench.htm") : "/slot" + std::to_string(k) + ".bin"));
        WriteFile(slots.back(), 4096, 99 + k);
    }

    std::string list;
    for (const std::string& p : paths)
        list += " '" + p + "'";
    Run cat = Measure([&] { return Shell("cat" + list + " > '" + work + "/cat.out'"); });
    Run build = Measure([&] {
        ww::SetupPackageWriter w;
        w.SetStubFile(small);
        for (int k = 1; k <= 7; ++k)
            w.SetSlotFile(k, slots[k - 1]);
        w.SetWallpaperName("Bench");
        w.SetExtraCount(files);
        for (int i = 0; i < files; ++i)
            w.SetExtraFile(i, paths[i]);
        return w.Build(work + "/setup.exe", "") == 1;
    });
    Run cp = Measure([&] { return Shell("cp -r '" + dir + "' '" + work + "/cp.out'"); });
    Shell("mkdir -p '" + work + "/out/Bench'");
    Run extract = Measure([&] {
        ww::SetupPackageReader r;
        return r.Open(work + "/setup.exe") && r.ExtractAll(work + "/out/Bench", nullptr);
    });
    std::printf("%5zu MiB  build %.2fs (cat %.2fs): ratio %.2f, peak %ld KiB%s\n", mib,
                build.seconds, cat.seconds, cat.seconds / build.seconds, build.peakKiB,
                build.ok ? "" : " FAILED");
    std::printf("%5zu MiB  extract %.2fs (cp -r %.2fs): ratio %.2f, peak %ld KiB%s\n", mib,
                extract.seconds, cp.seconds, cp.seconds / extract.seconds, extract.peakKiB,
                extract.ok ? "" : " FAILED");
    Shell("rm -rf '" + dir + "' '" + work + "/out' '" + work + "/cp.out' '" + work + "/cat.out' '" +
          work + "/setup.exe'");
}

} // namespace

int main(int argc, char** argv) {
    std::string work = argc > 1 ? argv[1] : "/tmp";
    const char* env = std::getenv("WW_BENCH_MIB");
    size_t large = env ? std::strtoul(env, nullptr, 10) : 1024;
    std::printf("installer build and extraction (targets: ratio >= 0.9, peak < 16 MiB, the same "
                "for both sizes)\n");
    Case(work, 10);
    Case(work, large);
    return 0;
}
