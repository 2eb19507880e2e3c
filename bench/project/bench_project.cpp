// Opening a project file of a million lines, 76 MB, with 4096 extra files
// listed, against reading the same file with wc -l in the same run: reading
// must stay linear in the file, whatever the number of keys looked up.
#include "builder/project/project_file.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace {

double Seconds(const std::function<bool()>& job, bool* ok) {
    auto start = std::chrono::steady_clock::now();
    *ok = job();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The settings, 4096 items, and filler lines (comments and keys nobody asks
// for) up to lines in all, each about 76 bytes.
bool WriteProject(const std::string& path, long lines) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const std::string pad(50, 'x');
    long written = 0;
    std::fprintf(f, "[General]\r\nSwfFilename=wave.swf\r\nWallpaperName=Ocean\r\n"
                    "ExtFileCount=4096\r\n");
    written += 4;
    for (int i = 0; i < 4096; ++i, ++written)
        std::fprintf(f, "ExtFileItem%d=C:\\Files\\extra-%d-%s.dat\r\n", i, i, pad.c_str());
    for (; written < lines; ++written)
        std::fprintf(f, "Filler%ld=%s%s\r\n", written, pad.c_str(), "........");
    return std::fclose(f) == 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string work = argc > 1 ? argv[1] : "/tmp";
    const std::string path = work + "/big.sdf";
    const long lines = 1000000;
    if (!WriteProject(path, lines)) {
        std::printf("cannot write %s\n", path.c_str());
        return 1;
    }
    bool wcOk = false, readOk = false;
    const double wc = Seconds(
        [&] { return std::system(("wc -l '" + path + "' > /dev/null").c_str()) == 0; }, &wcOk);
    ww::WallpaperProject project;
    const double read = Seconds(
        [&] { return ww::ReadProjectFile(path, &project) && project.ExtFileItems.size() == 4096; },
        &readOk);
    std::printf("project file read (target: 1M lines, 4096 items, within 1 s)\n");
    std::printf("%ld lines  read %.2fs (wc -l %.2fs): ratio %.3f%s%s\n", lines, read, wc, wc / read,
                readOk && wcOk ? "" : " FAILED", read <= 1.0 ? "" : " SLOW");
    std::remove(path.c_str());
    return 0;
}
