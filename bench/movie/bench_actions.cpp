// bench_actions WORKDIR: actions per processor second of the ActionScript
// runtime on a tight counting loop (registers and arithmetic) and on
// property-heavy code (an object's member read, added to and written back),
// each as a ratio against a plain C++ loop doing the same work in the same
// run: the loop's iterations a second over the script's.
#include "movie/movie.h"
#include "movie/player.h"
#include "tests/support/swf_writer.h"

#include <time.h>

#include <cstdio>
#include <string>
#include <unordered_map>

namespace {

using namespace ww;
constexpr int32_t kIterations = 2000000;

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// for (r1 = 0; r1 < N; ++r1) body: 9 actions an iteration besides the body.
test::ActionWriter Loop(const test::ActionWriter& body) {
    using namespace test;
    ActionWriter w;
    w.Push({PushInt(0)}).StoreRegister(1).Op(0x17).Label("top");
    w.Push({PushRegister(1), PushInt(kIterations)}).Op(0x48).Op(0x12).If("end");
    w.Raw(body.Records());
    w.Push({PushRegister(1)}).Op(0x50).StoreRegister(1).Op(0x17).Jump("top").Label("end");
    return w;
}

// Seconds to run the script as a movie's first frame.
double RunSeconds(const test::ActionWriter& script) {
    test::SwfRecipe layout = test::StageRecipe(false);
    layout.version = 8;
    layout.tags = test::DoActionTag(script.Records());
    const test::Bytes show = test::ShowFrameTag();
    layout.tags.insert(layout.tags.end(), show.begin(), show.end());
    const test::Bytes swf = test::MakeSwf(layout);
    movie::Movie m;
    std::string error;
    if (!movie::ParseMovie(swf.data(), swf.size(), &m, &error))
        return -1;
    movie::ScriptOptions options;
    options.actionBudget = 1ull << 40;
    const double start = CpuSeconds();
    movie::Player player(m, options);
    return CpuSeconds() - start;
}

void Report(const char* name, double seconds, int actionsPerIteration, double baseline) {
    const double actions = static_cast<double>(kIterations) * actionsPerIteration;
    std::printf("%s: %.1f million actions/s; the plain C++ loop %.1f million iterations/s; "
                "ratio %.4f (a script iteration costs %.0f of the loop's)\n",
                name, actions / seconds / 1e6, kIterations / baseline / 1e6, baseline / seconds,
                seconds / baseline);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_actions WORKDIR\n");
        return 2;
    }
    using namespace test;
    // The plain loops, with volatile state so that the compiler keeps them.
    double start = CpuSeconds();
    volatile double counter = 0;
    for (int32_t i = 0; i < kIterations; i = i + 1)
        counter = counter + 1;
    const double plainLoop = CpuSeconds() - start;
    std::unordered_map<std::string, double> object{{"x", 0}};
    start = CpuSeconds();
    for (volatile int32_t i = 0; i < kIterations; i = i + 1)
        object["x"] = object["x"] + 1;
    const double plainMembers = CpuSeconds() - start;

    const double tight = RunSeconds(Loop(ActionWriter()));
    // r2 = {x: 0}; each iteration r2.x = r2.x + 1: 5 more actions.
    ActionWriter members;
    members.Push({PushString("x"), PushInt(0), PushInt(1)}).Op(0x43).StoreRegister(2).Op(0x17);
    members.Raw(Loop(ActionWriter()
                         .Push({PushRegister(2), PushString("x"), PushRegister(2), PushString("x")})
                         .Op(0x4E)
                         .Push({PushInt(1)})
                         .Op(0x47)
                         .Op(0x4F))
                    .Records());
    const double heavy = RunSeconds(members);
    if (tight < 0 || heavy < 0) {
        std::fprintf(stderr, "the benchmark movie cannot be read\n");
        return 1;
    }
    Report("tight loop", tight, 9, plainLoop);
    Report("property-heavy loop", heavy, 14, plainMembers);
    (void)argv;
    return 0;
}
