// bench_actions WORKDIR: actions per processor second of the ActionScript
// runtime on a tight counting loop (registers and arithmetic) and on
// property-heavy code (an object's member read, added to and written back),
// each as a ratio against a plain C++ loop doing the same work in the same
// run: the loop's iterations a second over the script's. Then a scripted
// scene: 500 clips duplicated by script and moved every frame, played and
// drawn at 1920 x 1080, against the same 500 clips standing still.
#include "movie/movie.h"
#include "movie/player.h"
#include "movie/render.h"
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

constexpr int kSceneClips = 500;

// for (r1 = 0; r1 < kSceneClips; ++r1) body, with "c" + r1 on the stack's
// top at the body's start.
test::ActionWriter EachClip(const test::ActionWriter& body) {
    using namespace test;
    ActionWriter w;
    w.Push({PushInt(0)}).StoreRegister(1).Op(0x17).Label("top");
    w.Push({PushRegister(1), PushInt(kSceneClips)}).Op(0x48).Op(0x12).If("end");
    w.Push({PushString("c"), PushRegister(1)}).Op(0x21);
    w.Raw(body.Records());
    w.Push({PushRegister(1)}).Op(0x50).StoreRegister(1).Op(0x17).Jump("top").Label("end");
    return w;
}

// The scene: a 40-pixel square sprite "c" on the stage, duplicated 500
// times by the first frame's script; when moving, each frame sets every
// copy's _x, _y and _rotation from a counter.
test::Bytes SceneMovie(bool moving) {
    using namespace test;
    ActionWriter setup;
    setup.Get("made").If("made");
    // duplicateMovieClip("c", "c" + i, i + 1)
    setup.Raw(EachClip(ActionWriter()
                           .Push({PushString("c")})
                           .Op(0x4D) // swap: source under the new name
                           .Push({PushRegister(1), PushInt(1)})
                           .Op(0x47)
                           .Op(0x24))
                  .Records());
    setup.Set("t", PushInt(0)).Set("made", PushInt(1)).Label("made");
    ActionWriter move;
    if (moving) {
        move.Push({PushString("t"), PushString("t")}).Op(0x1C).Op(0x50).Op(0x1D);
        // setProperty("c" + i, p, (i * k + t * 7) % m) for _x, _y, _rotation
        const struct {
            int property, factor, modulus;
        } sets[] = {{0, 37, 1900}, {1, 53, 1060}, {10, 11, 360}};
        ActionWriter each;
        for (const auto& set : sets) {
            each.Op(0x4C); // keep the name for the next property
            each.Push({PushInt(set.property), PushRegister(1), PushInt(set.factor)}).Op(0x0C);
            each.Push({PushString("t")}).Op(0x1C).Push({PushInt(7)}).Op(0x0C).Op(0x47);
            each.Push({PushInt(set.modulus)}).Op(0x3F).Op(0x23);
        }
        each.Op(0x17);
        move.Raw(EachClip(each).Records());
    }
    SwfRecipe layout = StageRecipe(false);
    layout.version = 8;
    layout.nbits = 17;
    layout.xmax = 1920 * 20;
    layout.ymax = 1080 * 20;
    PlaceRecipe place = At(1, 2);
    place.name = "c";
    layout.tags = RectangleShapeTag(1, 1, 0, 0, 800, 800, Solid(200, 60, 40)) +
                  DefineSpriteTag(2, 1, PlaceObject2Tag(At(1, 1)) + ShowFrameTag()) +
                  PlaceObject2Tag(place) + DoActionTag(setup.Records()) +
                  DoActionTag(move.Records()) + ShowFrameTag() + DoActionTag(move.Records()) +
                  ShowFrameTag();
    layout.frameCount = 2;
    return MakeSwf(layout);
}

// Frames a processor second of playing and drawing the scene at 1080p.
double SceneFps(bool moving) {
    const test::Bytes swf = SceneMovie(moving);
    movie::Movie m;
    std::string error;
    if (!movie::ParseMovie(swf.data(), swf.size(), &m, &error))
        return -1;
    movie::Player player(m);
    movie::Renderer renderer(m);
    movie::RenderOptions options;
    options.width = 1920;
    options.height = 1080;
    movie::Canvas canvas;
    renderer.Render(player, options, &canvas, &error); // warm up
    int frames = 0;
    const double start = CpuSeconds();
    double seconds = 0;
    while (seconds < 1.0 || frames < 10) {
        player.Advance();
        renderer.Render(player, options, &canvas, &error);
        ++frames;
        seconds = CpuSeconds() - start;
    }
    return frames / seconds;
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
    const double still = SceneFps(false);
    const double moving = SceneFps(true);
    if (still < 0 || moving < 0) {
        std::fprintf(stderr, "the scene movie cannot be read\n");
        return 1;
    }
    std::printf("scripted scene, %d clips moved every frame at 1920 x 1080: %.1f frames/s "
                "(target 60: %s); the same clips standing still %.1f frames/s; ratio %.2f\n",
                kSceneClips, moving, moving >= 60 ? "met" : "MISSED", still, moving / still);
    // Left in the work folder, to be looked at with render.
    const test::Bytes scene = SceneMovie(true);
    if (FILE* f = std::fopen((std::string(argv[1]) + "/scene.swf").c_str(), "wb")) {
        std::fwrite(scene.data(), 1, scene.size(), f);
        std::fclose(f);
    }
    return 0;
}
