// The resident peak of drawing each hostile movie stays under the movie's
// memory cap plus kSlack. The peak is the kernel's own count (VmHWM in
// /proc/self/status), which sanitizers would inflate several times over, so
// this program and the libraries it draws with are built without them (see
// CMakeLists.txt). Each movie is loaded and drawn in a child process of its
// own whose peak is reset first, so each figure is that movie's alone.
#include "movie/movie.h"
#include "movie/player.h"
#include "movie/render.h"
#include "tests/support/hostile_movies.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

using namespace ww;

// What drawing and the movie may not account for: the program, its stack,
// the movie's file bytes and the allocator's slack.
constexpr uint64_t kSlack = 48ull << 20;

// A field of /proc/self/status in bytes; 0 when absent.
uint64_t StatusBytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, n, field) == 0 && line.size() > n && line[n] == ':')
            return std::stoull(line.substr(n + 1)) << 10;
    }
    return 0;
}

// Resets VmHWM to what is resident now; false where the kernel cannot.
bool ResetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

// Loads and draws one movie; the exit status says whether it kept within.
int DrawOne(const test::HostileMovie& h) {
    const test::Bytes swf = h.make();
    const bool reset = ResetPeak();
    const uint64_t before = reset ? StatusBytes("VmRSS") : 0;
    movie::Movie m;
    std::string error;
    if (!movie::ParseMovie(swf.data(), swf.size(), &m, &error)) {
        std::printf("%-36s refused at load: %s\n", h.name.c_str(), error.c_str());
        return 1;
    }
    movie::Player player(m);
    movie::Renderer renderer(m);
    movie::RenderOptions options;
    options.width = h.width;
    options.height = h.height;
    movie::Canvas canvas;
    const bool drawn = renderer.Render(player, options, &canvas, &error);
    const uint64_t peak = StatusBytes("VmHWM") - before;
    const movie::DrawingBudget& budget = renderer.drawingBudget();
    const bool within =
        drawn && peak <= movie::kMovieMemoryCap + kSlack && budget.held() <= budget.limit();
    std::printf("%-36s %4d x %-4d peak %4llu MiB (movie %3llu, drawing %3llu)%s%s %s\n",
                h.name.c_str(), h.width, h.height, static_cast<unsigned long long>(peak >> 20),
                static_cast<unsigned long long>(m.memoryUsed >> 20),
                static_cast<unsigned long long>(budget.held() >> 20),
                renderer.frameCut() ? ", cut short" : "",
                renderer.skippedObjects() ? ", objects left out" : "", within ? "ok" : "OVER");
    if (!drawn)
        std::printf("  not drawn: %s\n", error.c_str());
    return within ? 0 : 1;
}

} // namespace

int main() {
    std::printf("peak resident size of each load and draw, at most %llu + %llu MiB:\n",
                static_cast<unsigned long long>(movie::kMovieMemoryCap >> 20),
                static_cast<unsigned long long>(kSlack >> 20));
    std::fflush(stdout);
    int failed = 0;
    for (const test::HostileMovie& h : test::HostileMovies()) {
        const pid_t child = fork();
        if (child == 0) {
            const int status = DrawOne(h);
            std::fflush(stdout);
            _exit(status);
        }
        int status = 1;
        if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            std::printf("%s: FAILED\n", h.name.c_str());
            ++failed;
        }
        std::fflush(stdout);
    }
    return failed == 0 ? 0 : 1;
}
