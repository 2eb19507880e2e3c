// The live wallpaper behind the desktop icons. Wine has no Explorer desktop
// of Windows 10 or 11, so the test makes one: a Progman window that answers
// 0x052C by making the WorkerW layer where each version makes it.
#include "common/fs.h"
#include "common/path.h"
#include "common/player_tail.h"
#include "common/win32/live_wallpaper.h"
#include "movie/win32/desktop_layer.h"
#include "player/wallpaper_mode.h"
#include "tests/support/cli_runner.h"
#include "tests/support/fixtures.h"
#include "tests/support/hostile_movies.h"
#include "tests/support/swf_writer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32_active_desktop.h"
#include "tests/support/win32_driver.h"
#include "tests/support/win32_frames.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace ww {
namespace {

using test::ChildProcess;
using test::Pixels;

constexpr int kApply = 1105;
constexpr int kFrames = 24; // the sample movie's loop

std::string BinFolder() {
    return FolderOfPath(ModuleFilePath());
}

// Handles messages of this thread until done() or the time is up: the fake
// shell lives here and other processes send to it.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return true;
}

// A visible top-level window of pid with this title, now; null when none.
HWND WindowOf(DWORD pid, const std::string& title) {
    for (const test::WindowInfo& w : test::TopWindowsOf(pid)) {
        if (w.title == title)
            return w.hwnd;
    }
    return nullptr;
}

// Explorer's desktop windows as Windows 10 (layer beside the icons) or
// Windows 11 24H2 (layer inside Progman) make them. On 24H2 there is a
// taskbar at the bottom of the screen, outside the work area, and what shows
// follows the public reports: a child of Progman below the icons and above
// the WorkerW shows; a child of the WorkerW does not.
class FakeShell {
  public:
    static constexpr int kTaskbarHeight = 40;

    explicit FakeShell(DesktopLayout layout) : layout_(layout) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &FakeShell::Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        for (const char* name : {"Progman", "WorkerW", "SHELLDLL_DefView"}) {
            wc.lpszClassName = name;
            RegisterClassA(&wc);
        }
        const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
        progman_ = CreateWindowExA(WS_EX_TOOLWINDOW, "Progman", "Program Manager",
                                   WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, w, h, nullptr,
                                   nullptr, wc.hInstance, this);
        // A corner of icons; the rest of the screen shows the layer.
        icons_ = CreateWindowExA(0, "SHELLDLL_DefView", "", WS_CHILD | WS_VISIBLE, 0, 0, 48, 48,
                                 progman_, nullptr, wc.hInstance, nullptr);
        // Under every other test's windows.
        SetWindowPos(progman_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (layout_ == DesktopLayout::WorkerInProgman) {
            wc.lpszClassName = "Shell_TrayWnd";
            RegisterClassA(&wc);
            taskbar_ = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "Shell_TrayWnd", "",
                                       WS_POPUP | WS_VISIBLE, 0, h - kTaskbarHeight, w,
                                       kTaskbarHeight, nullptr, nullptr, wc.hInstance, nullptr);
            SystemParametersInfoA(SPI_GETWORKAREA, 0, &previousWork_, 0);
            RECT work{0, 0, w, h - kTaskbarHeight};
            SystemParametersInfoA(SPI_SETWORKAREA, 0, &work, 0);
        }
    }
    ~FakeShell() {
        if (taskbar_)
            SystemParametersInfoA(SPI_SETWORKAREA, 0, &previousWork_, 0);
        for (HWND w : {worker_, iconsHolder_, progman_, taskbar_}) {
            if (w && IsWindow(w))
                DestroyWindow(w);
        }
    }

    HWND progman() const { return progman_; }
    HWND worker() const { return worker_; }
    HWND icons() const { return icons_; }
    HWND taskbar() const { return taskbar_; }
    int asked() const { return asked_; }

    // Whether this desktop composes what view draws.
    bool Shows(HWND view) const {
        if (layout_ != DesktopLayout::WorkerInProgman)
            return GetParent(view) == worker_;
        if (GetParent(view) != progman_)
            return false;
        bool belowIcons = false;
        for (HWND w = GetWindow(progman_, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
            if (w == icons_)
                belowIcons = true;
            else if (w == view)
                return belowIcons;
            else if (w == worker_)
                return false;
        }
        return false;
    }
    // Progman's children from the top: the icons first, the WorkerW last.
    std::vector<HWND> ProgmanChildren() const {
        std::vector<HWND> children;
        for (HWND w = GetWindow(progman_, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
            children.push_back(w);
        return children;
    }
    // What Explorer does when it restarts: the layer goes, Progman stays.
    void LoseLayer() {
        DestroyWindow(worker_);
        worker_ = nullptr;
    }

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<FakeShell*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (message == kMakeWorkerMessage && self && hwnd == self->progman_) {
            self->MakeLayer();
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    void MakeLayer() {
        ++asked_;
        if (worker_ && IsWindow(worker_))
            return;
        const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
        HINSTANCE instance = GetModuleHandleA(nullptr);
        if (layout_ == DesktopLayout::WorkerInProgman) {
            worker_ = CreateWindowExA(0, "WorkerW", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                                      0, w, h, progman_, nullptr, instance, nullptr);
            // The icons stay in front of the layer.
            SetWindowPos(worker_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            return;
        }
        // The icons move into a WorkerW of their own; the empty WorkerW
        // right behind it is the layer, Progman behind both.
        if (!iconsHolder_) {
            iconsHolder_ = CreateWindowExA(WS_EX_TOOLWINDOW, "WorkerW", "", WS_POPUP | WS_VISIBLE,
                                           0, 0, 48, 48, nullptr, nullptr, instance, nullptr);
            SetParent(icons_, iconsHolder_);
            SetWindowPos(iconsHolder_, progman_, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            SetWindowPos(progman_, iconsHolder_, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
        worker_ = CreateWindowExA(WS_EX_TOOLWINDOW, "WorkerW", "",
                                  WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, w, h, nullptr,
                                  nullptr, instance, nullptr);
        SetWindowPos(worker_, iconsHolder_, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }

    DesktopLayout layout_;
    HWND taskbar_ = nullptr;
    RECT previousWork_{};
    HWND progman_ = nullptr;
    HWND icons_ = nullptr;
    HWND iconsHolder_ = nullptr;
    HWND worker_ = nullptr;
    int asked_ = 0;
};

// Windows by class, for a failure's message.
std::string Describe(const std::vector<HWND>& windows) {
    std::string text;
    for (HWND w : windows)
        text += test::ClassNameOf(w) + " ";
    return text;
}

// The installed layout: the page, and the folder with the movie and the
// player. The page stretches the movie over the whole screen, so a view's
// pixels are the renderer's frame at the view's size.
class InstalledWallpaper {
  public:
    InstalledWallpaper() {
        EXPECT_TRUE(CreateFolder(dir_ / "Ocean"));
        std::string writer =
            "\"\"" + BinFolder() + "make_sample_movie.exe\" \"" + dir_ / "Ocean\\wave.swf" + "\"\"";
        EXPECT_EQ(std::system(writer.c_str()), 0);
        WritePage("Ocean/wave.swf");
        settings_ = {"Ocean.htm", "Ocean " + UniqueSuffix(), "Tide Works", "", ""};
        test::Bytes exe = test::ReadFileBytes(BinFolder() + "Wovenplay.exe");
        uint8_t tail[kPlayerTailSize];
        WritePlayerTail(settings_, tail);
        exe.insert(exe.end(), tail, tail + sizeof tail);
        test::WriteFileBytes(player(), exe);
    }

    // The installed page, naming its movie as reference.
    void WritePage(const std::string& reference) const {
        test::WriteFileText(
            page(), "<html><body><table><tr><td align=\"center\" valign=\"middle\">"
                    "<object classid=\"clsid:D27CDB6E-AE6D-11CF-96B8-444553540000\" width=\"100%\" "
                    "height=\"100%\"><param name=\"movie\" value=\"" +
                        reference +
                        "\"><param name=\"scale\" value=\"exactfit\">"
                        "<param name=\"quality\" value=\"high\"><embed src=\"" +
                        reference +
                        "\" width=\"100%\" height=\"100%\" scale=\"exactfit\">"
                        "</object></td></tr></table></body></html>");
    }

    std::string page() const { return dir_ / "Ocean.htm"; }
    std::string player() const { return dir_ / "Ocean\\Ocean.exe"; }
    std::string movie() const { return dir_ / "Ocean\\wave.swf"; }
    const PlayerSettings& settings() const { return settings_; }
    const test::TempDir& dir() const { return dir_; }

    // The command line renderer's frames 1 to 24 at a view's size.
    std::vector<Pixels> Frames(int width, int height) const {
        std::vector<Pixels> frames;
        const test::CliResult run = test::RunCli(
            dir_, {"render", movie(), "f.png", "--frames", "1-" + std::to_string(kFrames),
                   "--out-dir", dir_ / "frames", "--width", std::to_string(width), "--height",
                   std::to_string(height), "--scale", "exactfit"});
        EXPECT_EQ(run.status, 0) << run.err;
        for (int n = 1; n <= kFrames; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "frames\\f-%04d.png", n);
            Pixels frame;
            EXPECT_TRUE(test::ReadPng(dir_ / name, &frame)) << name;
            frames.push_back(frame);
        }
        return frames;
    }

  private:
    test::TempDir dir_;
    PlayerSettings settings_;
};

struct ViewSearch {
    DWORD pid;
    std::vector<HWND> views;
};

BOOL CALLBACK CollectView(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<ViewSearch*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (test::ClassNameOf(w) == "WallweaverMovieView" && (!s->pid || owner == s->pid))
        s->views.push_back(w);
    return TRUE;
}

// The movie views of a process below a window.
std::vector<HWND> ViewsBelow(HWND parent, DWORD pid) {
    ViewSearch search{pid, {}};
    if (parent)
        EnumChildWindows(parent, &CollectView, reinterpret_cast<LPARAM>(&search));
    return search.views;
}

// What a view shows matches one of the movie's frames, and a moment later
// another: the movie plays, drawn as the renderer draws it.
void ExpectPlaysTheMovie(HWND view, const InstalledWallpaper& installed, const char* shot) {
    Pixels first, later;
    PumpUntil([] { return false; }, 500);
    ASSERT_TRUE(test::CaptureClient(view, &first));
    PumpUntil([] { return false; }, 700);
    ASSERT_TRUE(test::CaptureClient(view, &later));
    const std::vector<Pixels> frames = installed.Frames(first.width, first.height);
    const test::FrameMatch a = test::NearestFrame(first, frames);
    const test::FrameMatch b = test::NearestFrame(later, frames);
    EXPECT_LT(a.difference, 4.0) << "nearest frame " << a.frame;
    EXPECT_LT(b.difference, 4.0) << "nearest frame " << b.frame;
    EXPECT_NE(a.frame, b.frame) << "the movie stands still";
    test::SaveBmp(later, test::ArtefactFolder() + shot + ".bmp");
    if (b.frame > 0 && b.difference >= 4.0)
        test::SaveBmp(frames[static_cast<size_t>(b.frame - 1)],
                      test::ArtefactFolder() + shot + "-nearest.bmp");
}

// A view of another process plays: its frame count goes on. (Wine does not
// show what a process draws into a window tree that another process owns,
// so the pixels of the layer are compared where the layer is this
// process's own, in LiveWallpaperLayer.)
void ExpectTicks(HWND view) {
    auto ticks = [view] { return reinterpret_cast<uintptr_t>(GetPropA(view, kTicksProperty)); };
    uintptr_t first = 0;
    EXPECT_TRUE(PumpUntil([&] { return (first = ticks()) > 0; }, 5000)) << "the movie never starts";
    EXPECT_TRUE(PumpUntil([&] { return ticks() >= first + 3; }, 5000)) << "the movie stands still";
}

class LiveWallpaperLayer : public ::testing::TestWithParam<DesktopLayout> {};

TEST_P(LiveWallpaperLayer, FindsTheLayerAndPlaysThereOnEveryMonitor) {
    FakeShell shell(GetParam());
    const bool inProgman = GetParam() == DesktopLayout::WorkerInProgman;
    const DesktopLayer found = FindDesktopLayer();
    EXPECT_EQ(shell.asked(), 1);
    ASSERT_NE(shell.worker(), nullptr);
    EXPECT_EQ(found.worker, shell.worker());
    EXPECT_EQ(found.window, inProgman ? shell.progman() : shell.worker());
    EXPECT_EQ(found.layout, GetParam());

    InstalledWallpaper installed;
    movie::PageMovie page;
    std::string error;
    ASSERT_TRUE(movie::LoadPageMovie(installed.dir() / "Ocean.htm", &page, &error)) << error;
    std::shared_ptr<movie::Movie> loaded(new movie::Movie);
    ASSERT_TRUE(movie::LoadMovie(installed.movie(), loaded.get(), &error)) << error;
    LiveWallpaper wallpaper;
    ASSERT_TRUE(wallpaper.Start(loaded, page));
    ASSERT_EQ(wallpaper.views().size(), ReadMonitors().size());
    const int height = GetSystemMetrics(SM_CYSCREEN) - (inProgman ? FakeShell::kTaskbarHeight : 0);
    for (const auto& view : wallpaper.views()) {
        EXPECT_TRUE(shell.Shows(view->hwnd()));
        RECT r{};
        GetWindowRect(view->hwnd(), &r);
        EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXSCREEN));
        EXPECT_EQ(r.bottom - r.top, height) << "the view covers the taskbar, or leaves a gap";
        RECT taskbar{}, both{};
        if (shell.taskbar()) {
            GetWindowRect(shell.taskbar(), &taskbar);
            EXPECT_FALSE(IntersectRect(&both, &r, &taskbar)) << "the view covers the taskbar";
        }
    }
    if (inProgman) {
        // Made layered only once a child of Progman; the icons stay on top
        // and the WorkerW at the bottom, the views between them.
        std::vector<HWND> order = {shell.icons()};
        for (const auto& view : wallpaper.views()) {
            order.push_back(view->hwnd());
            EXPECT_TRUE(GetWindowLongA(view->hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED);
            EXPECT_TRUE(GetWindowLongA(view->hwnd(), GWL_STYLE) & WS_CHILD);
        }
        order.push_back(shell.worker());
        EXPECT_EQ(shell.ProgmanChildren(), order);
    }
    ExpectPlaysTheMovie(wallpaper.views()[0]->hwnd(), installed, "layer");

    // Explorer restarted: the next check finds the new layer.
    shell.LoseLayer();
    wallpaper.Check();
    ASSERT_NE(shell.worker(), nullptr);
    EXPECT_EQ(wallpaper.layer().worker, shell.worker());
    ASSERT_FALSE(wallpaper.views().empty());
    EXPECT_TRUE(shell.Shows(wallpaper.views()[0]->hwnd()));
    if (inProgman) {
        EXPECT_EQ(shell.ProgmanChildren().size(), 2 + wallpaper.views().size())
            << "the views of the lost layer stayed";
    }
}

// A still stage with one small square crossing it, a frame a step, looping.
constexpr int kMoverFrames = 24;

test::Bytes SmallMoverMovie() {
    constexpr int32_t kTwips = 20;
    test::Bytes tags = test::SetBackgroundColorTag(30, 60, 100);
    const test::Bytes shape =
        test::RectangleShapeTag(1, 1, 0, 0, 16 * kTwips, 16 * kTwips, test::Solid(250, 200, 20));
    tags.insert(tags.end(), shape.begin(), shape.end());
    for (int f = 0; f < kMoverFrames; ++f) {
        test::PlaceRecipe p;
        p.characterId = f == 0 ? 1 : -1;
        p.move = f > 0;
        p.hasMatrix = true;
        p.matrix = test::Translate((40 + 18 * f) * kTwips, 180 * kTwips);
        for (const test::Bytes& tag : {test::PlaceObject2Tag(p), test::ShowFrameTag()})
            tags.insert(tags.end(), tag.begin(), tag.end());
    }
    return test::MakeMovie(tags, kMoverFrames);
}

// Pixels where a and b differ by more than a shade in some channel.
size_t PixelsApart(const Pixels& a, const Pixels& b) {
    if (a.width != b.width || a.height != b.height)
        return static_cast<size_t>(-1);
    size_t apart = 0;
    for (size_t i = 0; i + 2 < a.rgb.size(); i += 3) {
        for (size_t c = 0; c < 3; ++c) {
            if (std::abs(a.rgb[i + c] - b.rgb[i + c]) > 2) {
                ++apart;
                break;
            }
        }
    }
    return apart;
}

// Between frames a view shows only what changed: after the first frame a
// small moving square hands over small rectangles, and what the window shows
// (stale pixels included, were any left) is still the renderer's frame.
TEST_P(LiveWallpaperLayer, ASmallMoverPresentsSmallRectanglesAndStillShowsTheFrame) {
    FakeShell shell(GetParam());
    test::TempDir dir;
    const std::string path = dir / "mover.swf";
    test::WriteFileBytes(path, SmallMoverMovie());
    std::shared_ptr<movie::Movie> loaded(new movie::Movie);
    std::string error;
    ASSERT_TRUE(movie::LoadMovie(path, loaded.get(), &error)) << error;
    movie::PageMovie page;
    page.scale = movie::ScaleMode::ExactFit;
    LiveWallpaper wallpaper;
    ASSERT_TRUE(wallpaper.Start(loaded, page));
    MovieView& view = *wallpaper.views()[0];
    // A late tick advances several frames and shows only the last.
    PumpUntil([&] { return view.presented().frames >= 10; }, 15000);
    view.SetPaused(true);
    PumpUntil([] { return false; }, 400); // the last frame's paint

    RECT client{};
    GetClientRect(view.hwnd(), &client);
    const uint64_t whole = static_cast<uint64_t>(client.right) * client.bottom;
    const PresentedArea& shown = view.presented();
    ASSERT_GE(shown.frames, 5u);
    EXPECT_EQ(shown.wholeFrames, 1u) << "only the first frame is shown whole";
    // Each later frame: the square's old and new places, under 1 % of the view.
    const uint64_t later = (shown.pixels - whole) / (shown.frames - 1);
    EXPECT_LT(later, whole / 100) << later << " pixels a frame of " << whole;
    EXPECT_LT(shown.lastPixels, whole / 100);

    Pixels captured;
    ASSERT_TRUE(test::CaptureClient(view.hwnd(), &captured));
    const int frame = static_cast<int>(view.ticks() % kMoverFrames) + 1;
    const test::CliResult run =
        test::RunCli(dir, {"render", path, dir / "frame.png", "--frame", std::to_string(frame),
                           "--width", std::to_string(captured.width), "--height",
                           std::to_string(captured.height), "--scale", "exactfit"});
    ASSERT_EQ(run.status, 0) << run.err;
    Pixels rendered;
    ASSERT_TRUE(test::ReadPng(dir / "frame.png", &rendered));
    const size_t apart = PixelsApart(captured, rendered);
    if (apart != 0) {
        test::SaveBmp(captured, test::ArtefactFolder() + "mover-shown.bmp");
        test::SaveBmp(rendered, test::ArtefactFolder() + "mover-rendered.bmp");
    }
    EXPECT_EQ(apart, 0u) << "frame " << frame << ": pixels that are not the renderer's";
}

// A movie laid out by script for any screen: noScale keeps its red stage at
// its own 550 x 400 pixels in the top left corner, and its blue marker is
// put in the area's bottom right corner at the start and at each onResize.
test::Bytes ScreenFillingMovie() {
    constexpr int32_t kTwips = 20;
    test::Bytes tags = test::SetBackgroundColorTag(30, 60, 100);
    auto add = [&tags](const test::Bytes& tag) { tags.insert(tags.end(), tag.begin(), tag.end()); };
    add(test::RectangleShapeTag(1, 1, 0, 0, 550 * kTwips, 400 * kTwips, test::Solid(255, 0, 0)));
    add(test::RectangleShapeTag(1, 2, 0, 0, 20 * kTwips, 20 * kTwips, test::Solid(0, 0, 255)));
    test::PlaceRecipe marker;
    marker.characterId = 2;
    test::Bytes inside = test::PlaceObject2Tag(marker);
    const test::Bytes shown = test::ShowFrameTag();
    inside.insert(inside.end(), shown.begin(), shown.end());
    add(test::DefineSpriteTag(3, 1, inside));
    test::PlaceRecipe stage;
    stage.characterId = 1;
    add(test::PlaceObject2Tag(stage));
    test::PlaceRecipe clip;
    clip.characterId = 3;
    clip.depth = 2;
    clip.name = "m";
    add(test::PlaceObject2Tag(clip));
    // m._x = Stage.width - 20, and the same down.
    test::ActionWriter place;
    for (const char* axis : {"x", "y"}) {
        place.Get("m")
            .Push({test::PushString(std::string("_") + axis)})
            .Get("Stage")
            .Push({test::PushString(axis[0] == 'x' ? "width" : "height")})
            .Op(0x4E)
            .Push({test::PushInt(20)})
            .Op(0x0B)
            .Op(0x4F);
    }
    test::ActionWriter script;
    script.Get("Stage").Push({test::PushString("scaleMode"), test::PushString("noScale")}).Op(0x4F);
    script.Get("Stage").Push({test::PushString("align"), test::PushString("TL")}).Op(0x4F);
    script.Get("_root").Push({test::PushString("onResize")}).Function("", {}, place).Op(0x4F);
    script.Get("_root")
        .Push({test::PushInt(1)})
        .Get("Stage")
        .Push({test::PushString("addListener")})
        .Op(0x52)
        .Op(0x17);
    script.Push({test::PushInt(0)})
        .Get("_root")
        .Push({test::PushString("onResize")})
        .Op(0x52)
        .Op(0x17);
    add(test::DoActionTag(script.Records()));
    add(test::ShowFrameTag());
    return test::MakeMovie(tags, 1);
}

// The colour at (x, y) of a capture, as 0xRRGGBB.
uint32_t ColourAt(const Pixels& p, int x, int y) {
    const uint8_t* c = p.rgb.data() + (static_cast<size_t>(y) * p.width + x) * 3;
    return (uint32_t(c[0]) << 16) | (uint32_t(c[1]) << 8) | c[2];
}

// The screen's own pixels, whatever its size, and a new size heard by the
// movie's script, which moves its marker to the new corner.
TEST_P(LiveWallpaperLayer, AMovieInNoScaleKeepsItsPixelsAndHearsTheScreensSize) {
    FakeShell shell(GetParam());
    test::TempDir dir;
    const std::string path = dir / "fill.swf";
    test::WriteFileBytes(path, ScreenFillingMovie());
    std::shared_ptr<movie::Movie> loaded(new movie::Movie);
    std::string error;
    ASSERT_TRUE(movie::LoadMovie(path, loaded.get(), &error)) << error;
    movie::PageMovie page; // show all: the script's noScale takes over
    LiveWallpaper wallpaper;
    ASSERT_TRUE(wallpaper.Start(loaded, page));
    MovieView& view = *wallpaper.views()[0];
    PumpUntil([&] { return view.presented().frames >= 2; }, 15000);
    PumpUntil([] { return false; }, 300);
    const uint32_t red = 0xFF0000, blue = 0x0000FF, ground = 0x1E3C64;
    auto check = [&](const char* when) {
        SCOPED_TRACE(when);
        Pixels p;
        ASSERT_TRUE(test::CaptureClient(view.hwnd(), &p));
        ASSERT_GT(p.width, 600);
        ASSERT_GT(p.height, 450);
        EXPECT_EQ(ColourAt(p, 5, 5), red);
        EXPECT_EQ(ColourAt(p, 545, 395), red);
        EXPECT_EQ(ColourAt(p, 555, 200), ground) << "the stage was scaled";
        EXPECT_EQ(ColourAt(p, p.width - 5, p.height - 5), blue);
        EXPECT_EQ(ColourAt(p, p.width - 25, p.height - 25), ground);
    };
    check("at the start");
    RECT r{};
    GetClientRect(view.hwnd(), &r);
    SetWindowPos(view.hwnd(), nullptr, 0, 0, r.right - 100, r.bottom - 60,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(view.hwnd(), nullptr, FALSE);
    PumpUntil([] { return false; }, 500);
    check("after the area shrank");
}

// Names given to the pause rules instead of the system's: under Wine the
// input desktop is always "Default", whatever desktop a process runs on
// (CreateDesktop and a process started on it work, but SwitchDesktop leaves
// the input where it was).
DesktopNames givenNames;
DesktopNames GivenNames() {
    return givenNames;
}

// Started on a desktop of another name (an alternate-desktop tool's), the
// wallpaper plays while that desktop takes input, and pauses while another
// one does or none can be opened (the lock screen).
TEST_P(LiveWallpaperLayer, PlaysOnItsOwnDesktopWhateverItsName) {
    FakeShell shell(GetParam());
    test::TempDir dir;
    const std::string path = dir / "mover.swf";
    test::WriteFileBytes(path, SmallMoverMovie());
    std::shared_ptr<movie::Movie> loaded(new movie::Movie);
    std::string error;
    ASSERT_TRUE(movie::LoadMovie(path, loaded.get(), &error)) << error;
    movie::PageMovie page;
    LiveWallpaper wallpaper;
    wallpaper.SetDesktopNamesReader(&GivenNames);
    ASSERT_TRUE(wallpaper.Start(loaded, page));
    ASSERT_FALSE(wallpaper.views().empty());
    const MovieView& view = *wallpaper.views()[0];
    const struct {
        const char* input;
        const char* ours;
        bool plays;
    } cases[] = {
        {"Weave Alternate", "Weave Alternate", true}, {"weave ALTERNATE", "Weave Alternate", true},
        {"Default", "Weave Alternate", false},        {"", "Weave Alternate", false},
        {"Weave Alternate", "Default", false},        {"Default", "Default", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("input \"") + c.input + "\", ours \"" + c.ours + "\"");
        givenNames = {c.input, c.ours};
        wallpaper.Check();
        EXPECT_EQ(view.paused(), !c.plays);
        PumpUntil([] { return false; }, 200); // a tick already due
        const uint64_t before = view.ticks();
        const bool moved = PumpUntil([&] { return view.ticks() >= before + 3; }, 2000);
        EXPECT_EQ(moved, c.plays) << "frames " << before << " then " << view.ticks();
    }
    givenNames = DesktopNames();
}

INSTANTIATE_TEST_SUITE_P(Windows, LiveWallpaperLayer,
                         ::testing::Values(DesktopLayout::WorkerSibling,
                                           DesktopLayout::WorkerInProgman),
                         [](const ::testing::TestParamInfo<DesktopLayout>& info) {
                             return info.param == DesktopLayout::WorkerSibling
                                        ? std::string("Windows10")
                                        : std::string("Windows11_24H2");
                         });

TEST(LiveWallpaperLayerAbsent, ViewsStandBelowEveryWindow) {
    if (FindWindowA("Progman", nullptr))
        GTEST_SKIP() << "this system has a Progman window of its own";
    InstalledWallpaper installed;
    std::shared_ptr<movie::Movie> loaded(new movie::Movie);
    std::string error;
    ASSERT_TRUE(movie::LoadMovie(installed.movie(), loaded.get(), &error)) << error;
    LiveWallpaper wallpaper;
    ASSERT_TRUE(wallpaper.Start(loaded, movie::PageMovie()));
    EXPECT_EQ(wallpaper.layer().layout, DesktopLayout::None);
    for (const auto& view : wallpaper.views()) {
        EXPECT_EQ(GetParent(view->hwnd()), nullptr);
        EXPECT_TRUE(GetWindowLongA(view->hwnd(), GWL_EXSTYLE) & WS_EX_NOACTIVATE);
    }
}

// The player on a current system: its button starts itself behind the icons
// for now and for each logon, and never asks for the page wallpaper.
class LiveWallpaperPlayer : public ::testing::Test {
  protected:
    void TearDown() override {
        ChildProcess stop;
        if (stop.Start(installed_.player(), {"/stop"}))
            PumpUntil([&] { return stop.Wait(0); }, 15000);
        window_.Kill();
        UnregisterAtLogon(installed_.player());
    }
    HWND WallpaperView(DWORD pid) {
        HWND view = nullptr;
        PumpUntil(
            [&] {
                std::vector<HWND> views = ViewsBelow(shell_.progman(), pid);
                view = views.empty() ? nullptr : views[0];
                return view != nullptr;
            },
            30000);
        return view;
    }
    DWORD WallpaperProcess() {
        HWND host = nullptr;
        PumpUntil(
            [&] {
                host = FindWindowA(player::kWallpaperWindowClass, nullptr);
                return host != nullptr;
            },
            30000);
        DWORD pid = 0;
        if (host)
            GetWindowThreadProcessId(host, &pid);
        return pid;
    }

    FakeShell shell_{DesktopLayout::WorkerInProgman};
    InstalledWallpaper installed_;
    ChildProcess window_;
};

TEST_F(LiveWallpaperPlayer, TheButtonPlaysTheMovieBehindTheIconsUntilStopped) {
    test::ActiveDesktopRecorder desktop(installed_.dir() / "desktop.log",
                                        test::DesktopSystem::Current);
    ASSERT_TRUE(window_.Start(installed_.player()));
    HWND window = nullptr;
    PumpUntil(
        [&] {
            window = WindowOf(window_.pid(), installed_.settings().wallpaperName);
            return window != nullptr;
        },
        30000);
    ASSERT_NE(window, nullptr);
    // The player's own window plays the movie too.
    std::vector<HWND> own = ViewsBelow(window, window_.pid());
    ASSERT_EQ(own.size(), 1u);
    SetForegroundWindow(window);
    ExpectPlaysTheMovie(own[0], installed_, "player-movie");
    // The desktop shows with the player out of the way.
    PostMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    PumpUntil([&] { return IsIconic(window) != 0; }, 5000);

    PostMessageA(window, WM_COMMAND, MAKEWPARAM(kApply, BN_CLICKED),
                 reinterpret_cast<LPARAM>(test::FindControl(window, kApply)));
    const DWORD pid = WallpaperProcess();
    ASSERT_NE(pid, 0u);
    EXPECT_NE(pid, window_.pid());
    HWND view = WallpaperView(pid);
    ASSERT_NE(view, nullptr) << "no view behind the icons";
    EXPECT_EQ(LogonCommand(), "\"" + installed_.player() + "\" /wallpaper");
    ExpectTicks(view);
    for (const std::string& call : desktop.Calls())
        EXPECT_EQ(call.find("SetWallpaper"), std::string::npos) << call;

    ChildProcess stop;
    ASSERT_TRUE(stop.Start(installed_.player(), {"/stop"}));
    DWORD code = 1;
    ASSERT_TRUE(PumpUntil([&] { return stop.Wait(0, &code); }, 20000));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(
        PumpUntil([] { return !FindWindowA(player::kWallpaperWindowClass, nullptr); }, 10000));
    EXPECT_TRUE(ViewsBelow(shell_.progman(), pid).empty());
    EXPECT_EQ(LogonCommand(), "");
}

// The pointer reaching the movie: a movie whose stage is one button that,
// released, goes to frame 2 and stops there; each view tells its frame.
test::Bytes ClickToFrameTwoMovie() {
    test::ButtonRecordRecipe record;
    record.states = 0x0F;
    record.characterId = 1;
    test::ButtonActionRecipe release;
    release.records = test::ActionGotoFrame(1);
    release.records.insert(release.records.end(), {0x07, 0x00});
    test::PlaceRecipe place;
    place.characterId = 10;
    test::Bytes tags;
    for (const test::Bytes& part :
         {test::RectangleShapeTag(1, 1, 0, 0, 550 * 20, 400 * 20, test::Solid(255, 0, 0)),
          test::DefineButtonTag(2, 10, {record}, {release}), test::PlaceObject2Tag(place),
          test::DoActionTag({0x07}), test::ShowFrameTag(), test::DoActionTag({0x07}),
          test::ShowFrameTag()})
        tags.insert(tags.end(), part.begin(), part.end());
    return test::MakeMovie(tags, 2);
}

uintptr_t ViewFrame(HWND view) {
    return reinterpret_cast<uintptr_t>(GetPropA(view, kFrameProperty));
}

void SendClick(int x, int y) {
    SetCursorPos(x, y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
}

TEST_F(LiveWallpaperPlayer, AClickInThePlayersWindowReachesTheMovie) {
    test::WriteFileBytes(installed_.movie(), ClickToFrameTwoMovie());
    ASSERT_TRUE(window_.Start(installed_.player()));
    HWND window = nullptr;
    PumpUntil(
        [&] {
            window = WindowOf(window_.pid(), installed_.settings().wallpaperName);
            return window != nullptr;
        },
        30000);
    ASSERT_NE(window, nullptr);
    std::vector<HWND> own = ViewsBelow(window, window_.pid());
    ASSERT_EQ(own.size(), 1u);
    ASSERT_TRUE(PumpUntil([&] { return ViewFrame(own[0]) == 1; }, 10000));
    RECT client{};
    GetClientRect(own[0], &client);
    const LPARAM middle = MAKELPARAM(client.right / 2, client.bottom / 2);
    PostMessageA(own[0], WM_MOUSEMOVE, 0, middle);
    PostMessageA(own[0], WM_LBUTTONDOWN, MK_LBUTTON, middle);
    PostMessageA(own[0], WM_LBUTTONUP, 0, middle);
    EXPECT_TRUE(PumpUntil([&] { return ViewFrame(own[0]) == 2; }, 10000))
        << "frame " << ViewFrame(own[0]);
}

// A Mouse listener sends the movie to its second frame when the wheel turns.
test::Bytes WheelToFrameTwoMovie() {
    test::ActionWriter body;
    body.GotoFrame(1);
    test::ActionWriter script;
    script.Push({test::PushString("l"), test::PushInt(0)}).Op(0x43).Op(0x1D);
    script.Get("l").Push({test::PushString("onMouseWheel")}).Function("", {}, body).Op(0x4F);
    script.Get("l").Push({test::PushInt(1)}).Get("Mouse").Push({test::PushString("addListener")});
    script.Op(0x52).Op(0x17).Op(0x07);
    test::Bytes tags;
    for (const test::Bytes& part :
         {test::RectangleShapeTag(1, 1, 0, 0, 550 * 20, 400 * 20, test::Solid(255, 0, 0)),
          test::PlaceObject2Tag(test::At(1, 1)), test::DoActionTag(script.Records()),
          test::ShowFrameTag(), test::DoActionTag({0x07}), test::ShowFrameTag()})
        tags.insert(tags.end(), part.begin(), part.end());
    return test::MakeMovie(tags, 2);
}

TEST_F(LiveWallpaperPlayer, TheWheelOverThePlayersMovieReachesIt) {
    test::WriteFileBytes(installed_.movie(), WheelToFrameTwoMovie());
    ASSERT_TRUE(window_.Start(installed_.player()));
    HWND window = nullptr;
    PumpUntil(
        [&] {
            window = WindowOf(window_.pid(), installed_.settings().wallpaperName);
            return window != nullptr;
        },
        30000);
    ASSERT_NE(window, nullptr);
    std::vector<HWND> own = ViewsBelow(window, window_.pid());
    ASSERT_EQ(own.size(), 1u);
    ASSERT_TRUE(PumpUntil([&] { return ViewFrame(own[0]) == 1; }, 10000));
    // The wheel goes to the window with the keyboard, with a screen point.
    RECT r{};
    GetWindowRect(window, &r);
    const LPARAM beside = MAKELPARAM(r.left + 2, r.top + 2);
    PostMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), beside);
    PumpUntil([] { return false; }, 1000);
    EXPECT_EQ(ViewFrame(own[0]), 1u) << "a turn beside the movie reached it";
    GetWindowRect(own[0], &r);
    const LPARAM middle = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), middle);
    EXPECT_TRUE(PumpUntil([&] { return ViewFrame(own[0]) == 2; }, 10000))
        << "frame " << ViewFrame(own[0]);
}

// An input field over the whole stage, bound to v; the first two frames
// loop until v reads "ab", then the movie stops on its third frame.
test::Bytes TypeToFrameThreeMovie() {
    test::EditTextRecipe field;
    field.readOnly = false;
    field.xmax = 550 * 20;
    field.ymax = 400 * 20;
    field.variableName = "v";
    field.text = "";
    test::PlaceRecipe place;
    place.characterId = 1;
    test::ActionWriter check;
    check.Get("v").Push({test::PushString("ab")}).Op(0x49).Op(0x12).If("stay");
    check.GotoFrame(2).Op(0x07).Label("stay");
    test::Bytes tags;
    for (const test::Bytes& part :
         {test::DefineEditTextTag(1, field), test::PlaceObject2Tag(place),
          test::DoActionTag(check.Records()), test::ShowFrameTag(), test::ShowFrameTag(),
          test::DoActionTag({0x07}), test::ShowFrameTag()})
        tags.insert(tags.end(), part.begin(), part.end());
    return test::MakeMovie(tags, 3);
}

TEST_F(LiveWallpaperPlayer, TypingInThePlayersWindowFillsTheMoviesField) {
    test::WriteFileBytes(installed_.movie(), TypeToFrameThreeMovie());
    ASSERT_TRUE(window_.Start(installed_.player()));
    HWND window = nullptr;
    PumpUntil(
        [&] {
            window = WindowOf(window_.pid(), installed_.settings().wallpaperName);
            return window != nullptr;
        },
        30000);
    ASSERT_NE(window, nullptr);
    std::vector<HWND> own = ViewsBelow(window, window_.pid());
    ASSERT_EQ(own.size(), 1u);
    ASSERT_TRUE(PumpUntil([&] { return ViewFrame(own[0]) >= 1; }, 10000));
    RECT client{};
    GetClientRect(own[0], &client);
    const LPARAM middle = MAKELPARAM(client.right / 2, client.bottom / 2);
    // A press gives the field the keyboard; the characters fill it.
    PostMessageA(own[0], WM_LBUTTONDOWN, MK_LBUTTON, middle);
    PostMessageA(own[0], WM_LBUTTONUP, 0, middle);
    PostMessageA(own[0], WM_CHAR, 'a', 1);
    PostMessageA(own[0], WM_CHAR, 'b', 1);
    EXPECT_TRUE(PumpUntil([&] { return ViewFrame(own[0]) == 3; }, 10000))
        << "frame " << ViewFrame(own[0]);
}

TEST_F(LiveWallpaperPlayer, TheDesktopsClicksReachTheMovieButNotThoseOnIcons) {
    test::WriteFileBytes(installed_.movie(), ClickToFrameTwoMovie());
    ChildProcess live;
    ASSERT_TRUE(live.Start(installed_.player(), {"/wallpaper"}));
    HWND view = WallpaperView(live.pid());
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return ViewFrame(view) == 1; }, 10000));
    // The icons' corner keeps its clicks.
    SendClick(20, 20);
    PumpUntil([] { return false; }, 1500);
    EXPECT_EQ(ViewFrame(view), 1u) << "a click on the icons reached the movie";
    // The bare desktop passes them on.
    SendClick(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
    EXPECT_TRUE(PumpUntil([&] { return ViewFrame(view) == 2; }, 10000))
        << "frame " << ViewFrame(view);
    live.Kill();
}

TEST_F(LiveWallpaperPlayer, AnotherWallpaperChosenEndsItAndItsLogonEntry) {
    ASSERT_TRUE(RegisterAtLogon(installed_.player()));
    ChildProcess live;
    ASSERT_TRUE(live.Start(installed_.player(), {"/wallpaper"}));
    HWND dv = WallpaperView(live.pid());
    ASSERT_NE(dv, nullptr);
    ExpectTicks(dv);
    HWND host = FindWindowA(player::kWallpaperWindowClass, nullptr);
    ASSERT_NE(host, nullptr);
    // What the system broadcasts when a new wallpaper is set.
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(host, WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, 0, SMTO_ABORTIFHUNG, 5000,
                        &answer);
    EXPECT_TRUE(PumpUntil([&] { return live.Wait(0); }, 15000)) << "the wallpaper did not end";
    EXPECT_EQ(LogonCommand(), "");
}

// The tray menu's commands, as the menu sends them to the hidden window.
TEST_F(LiveWallpaperPlayer, TheTrayMenuPausesResumesOpensAndStops) {
    ASSERT_TRUE(RegisterAtLogon(installed_.player()));
    ChildProcess live;
    ASSERT_TRUE(live.Start(installed_.player(), {"/wallpaper"}));
    HWND view = WallpaperView(live.pid());
    ASSERT_NE(view, nullptr);
    // In place within the player's first check of the desktop.
    EXPECT_TRUE(PumpUntil([&] { return shell_.Shows(view); }, 5000))
        << Describe(shell_.ProgmanChildren());
    ExpectTicks(view);
    HWND host = FindWindowA(player::kWallpaperWindowClass, nullptr);
    ASSERT_NE(host, nullptr);
    auto ticks = [view] { return reinterpret_cast<uintptr_t>(GetPropA(view, kTicksProperty)); };
    auto command = [host](int id) { PostMessageA(host, WM_COMMAND, MAKEWPARAM(id, 0), 0); };

    command(player::kTrayPauseResume);
    PumpUntil([] { return false; }, 500);
    const uintptr_t paused = ticks();
    PumpUntil([] { return false; }, 1500);
    EXPECT_EQ(ticks(), paused) << "Pause left the movie playing";
    command(player::kTrayPauseResume);
    EXPECT_TRUE(PumpUntil([&] { return ticks() >= paused + 3; }, 5000))
        << "Resume left the movie still";

    command(player::kTrayOpen);
    DWORD windowPid = 0;
    HWND window = nullptr;
    PumpUntil(
        [&] {
            window = test::WaitForAnyWindow(installed_.settings().wallpaperName, 1, &windowPid);
            return window != nullptr && windowPid != live.pid();
        },
        30000);
    ASSERT_NE(window, nullptr) << "Open showed no player window";
    EXPECT_NE(windowPid, live.pid());
    test::PressButton(window, IDCANCEL);

    command(player::kTrayStop);
    DWORD code = 1;
    EXPECT_TRUE(PumpUntil([&] { return live.Wait(0, &code); }, 15000)) << "Stop left it running";
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(LogonCommand(), "");
    EXPECT_TRUE(ViewsBelow(shell_.progman(), live.pid()).empty());
}

// A request to close, from another process, ends the frame under way and the
// player with it: /stop on the live wallpaper, and the player window's close.
// Each is timed on a movie of two squares and on one whose every frame is
// 16,384 bitmap-filled squares the size of the screen, seconds of drawing
// ended only by its work budget; the
// busy player may take at most a second longer (Wine's own share, starting
// /stop and ending a process, is in both).
TEST_F(LiveWallpaperPlayer, StopAndCloseEndItDuringABusyFrame) {
    auto stopTime = [&](const test::Bytes& swf) -> DWORD {
        test::WriteFileBytes(installed_.movie(), swf);
        ChildProcess live;
        EXPECT_TRUE(live.Start(installed_.player(), {"/wallpaper"}));
        EXPECT_NE(WallpaperView(live.pid()), nullptr);
        PumpUntil([] { return false; }, 3000); // well into its frames
        ChildProcess stop;
        const DWORD start = GetTickCount();
        EXPECT_TRUE(stop.Start(installed_.player(), {"/stop"}));
        EXPECT_TRUE(PumpUntil([&] { return live.Wait(0); }, 20000)) << "/stop left it running";
        const DWORD took = GetTickCount() - start;
        DWORD code = 1;
        EXPECT_TRUE(PumpUntil([&] { return stop.Wait(0, &code); }, 20000));
        EXPECT_EQ(code, 0u);
        return took;
    };
    auto closeTime = [&](const test::Bytes& swf) -> DWORD {
        test::WriteFileBytes(installed_.movie(), swf);
        ChildProcess window;
        EXPECT_TRUE(window.Start(installed_.player()));
        HWND shown = nullptr;
        PumpUntil(
            [&] {
                shown = WindowOf(window.pid(), installed_.settings().wallpaperName);
                return shown != nullptr;
            },
            30000);
        EXPECT_NE(shown, nullptr);
        PumpUntil([] { return false; }, 3000);
        const DWORD start = GetTickCount();
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(shown, WM_CLOSE, 0, 0, SMTO_NORMAL, 20000, &answer);
        EXPECT_TRUE(PumpUntil([&] { return window.Wait(0); }, 20000)) << "it stayed open";
        return GetTickCount() - start;
    };
    const test::Bytes plain = test::SpriteFanOut(1), busy = test::SlowFillFanOut(14);
    const DWORD stopPlain = stopTime(plain), stopBusy = stopTime(busy);
    const DWORD closePlain = closeTime(plain), closeBusy = closeTime(busy);
    std::printf("/stop ended the player in %lu ms, busy %lu ms; its window closed in %lu ms, "
                "busy %lu ms\n",
                static_cast<unsigned long>(stopPlain), static_cast<unsigned long>(stopBusy),
                static_cast<unsigned long>(closePlain), static_cast<unsigned long>(closeBusy));
    EXPECT_LT(stopBusy, stopPlain + 1000) << "the busy wallpaper ended slowly";
    EXPECT_LT(closeBusy, closePlain + 1000) << "the busy window closed slowly";
}

TEST_F(LiveWallpaperPlayer, AMissingMovieIsSaidAndNothingStarts) {
    DeleteFileA(installed_.movie().c_str());
    ChildProcess live;
    ASSERT_TRUE(live.Start(installed_.player(), {"/wallpaper"}));
    test::SeenBox box;
    PumpUntil(
        [&] {
            HWND w = WindowOf(live.pid(), installed_.settings().wallpaperName);
            if (w && test::IsMessageBox(w)) {
                box.found = true;
                box.text = test::MessageBoxText(w);
                test::PressButton(w, IDOK);
            }
            return box.found;
        },
        30000);
    ASSERT_TRUE(box.found);
    EXPECT_NE(box.text.find("The wallpaper cannot be played"), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("wave.swf"), std::string::npos) << box.text;
    DWORD code = 0;
    EXPECT_TRUE(PumpUntil([&] { return live.Wait(0, &code); }, 15000));
    EXPECT_EQ(code, 1u);
    EXPECT_TRUE(ViewsBelow(shell_.progman(), live.pid()).empty());
}

// A hostile author's page: each reference reaches a real movie outside the
// wallpaper's folder (or a share, a pipe, a host file, a device). The
// installed player names the page, refuses, and plays nothing.
TEST_F(LiveWallpaperPlayer, AMovieOutsideTheWallpapersFolderIsRefused) {
    const std::string outside = installed_.dir() / "outside";
    ASSERT_TRUE(CreateFolder(outside));
    const std::string secret = outside + "\\secret.swf";
    ASSERT_TRUE(CopyFileA(installed_.movie().c_str(), secret.c_str(), FALSE));
    const std::string folderName =
        FileNameOfPath(WithoutTrailingSeparator(installed_.dir().path()));
    const std::string away = "is outside the wallpaper's folder";
    const struct {
        std::string reference;
        std::string why;
        std::vector<std::string> args;
    } cases[] = {
        {"outside\\secret.swf", away, {"/wallpaper"}},
        {"Ocean\\..\\outside\\secret.swf", away, {"/wallpaper"}},
        {"..\\" + folderName + "\\outside\\secret.swf", away, {"/wallpaper"}},
        {secret, away, {"/wallpaper"}},
        {"\\\\?\\" + secret, away, {"/wallpaper"}},
        {"C:secret.swf", away, {"/wallpaper"}},
        {"\\\\attacker.invalid\\share\\x.swf", away, {"/wallpaper"}},
        {"\\\\.\\pipe\\wallweaver", away, {"/wallpaper"}},
        {"Z:\\etc\\hostname", away, {"/wallpaper"}},
        {"CON", "names a device, not a file in the wallpaper's folder", {"/wallpaper"}},
        {"Ocean\\wave.swf:x", "is not a plain file name in the wallpaper's folder", {"/wallpaper"}},
        // Named on the command line, an installed player keeps to its folder.
        {secret, away, {"/wallpaper", installed_.page()}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reference);
        installed_.WritePage(c.reference);
        ChildProcess live;
        ASSERT_TRUE(live.Start(installed_.player(), c.args));
        const std::string title =
            c.args.size() > 1 ? std::string("Wovenplay") : installed_.settings().wallpaperName;
        test::SeenBox box;
        PumpUntil(
            [&] {
                HWND w = WindowOf(live.pid(), title);
                if (w && test::IsMessageBox(w)) {
                    box.found = true;
                    box.text = test::MessageBoxText(w);
                    test::PressButton(w, IDOK);
                }
                return box.found;
            },
            30000);
        ASSERT_TRUE(box.found);
        EXPECT_NE(box.text.find("The wallpaper cannot be played: the page's Flash movie \"" +
                                c.reference + "\" " + c.why + ": "),
                  std::string::npos)
            << box.text;
        EXPECT_NE(box.text.find("Ocean.htm"), std::string::npos) << box.text;
        DWORD code = 0;
        EXPECT_TRUE(PumpUntil([&] { return live.Wait(0, &code); }, 15000));
        EXPECT_EQ(code, 1u);
        EXPECT_TRUE(ViewsBelow(shell_.progman(), live.pid()).empty());
    }
    EXPECT_EQ(FindWindowA(player::kWallpaperWindowClass, nullptr), nullptr);
}

TEST(LiveWallpaperCommand, SwitchesPagesAndLogonEntries) {
    const struct {
        const char* arguments;
        player::Mode mode;
        const char* page;
    } cases[] = {
        {"", player::Mode::Window, ""},
        {"  /WALLPAPER ", player::Mode::Wallpaper, ""},
        {"\"/wallpaper\"", player::Mode::Wallpaper, ""},
        {"/wallpaper \"C:\\Web\\My Page.htm\"", player::Mode::Wallpaper, "C:\\Web\\My Page.htm"},
        {"/wallpaper C:\\page.htm", player::Mode::Wallpaper, "C:\\page.htm"},
        {"/Stop", player::Mode::Stop, ""},
        {"/wallpapers", player::Mode::Window, ""},
        {"page.htm", player::Mode::Window, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(player::ParseMode(c.arguments), c.mode) << c.arguments;
        if (c.mode == player::Mode::Wallpaper) {
            EXPECT_EQ(player::WallpaperPageArgument(c.arguments), c.page) << c.arguments;
        }
    }

    // Only the entry that starts this very player is removed.
    const std::string player = "C:\\Wallpapers\\Ocean\\Ocean.exe";
    ASSERT_TRUE(RegisterAtLogon(player, "C:\\Web\\Ocean.htm"));
    EXPECT_EQ(LogonCommand(), "\"" + player + "\" /wallpaper \"C:\\Web\\Ocean.htm\"");
    UnregisterAtLogon("C:\\Wallpapers\\Ocean\\Ocean.ex");
    UnregisterAtLogon("C:\\Wallpapers\\Ocean");
    EXPECT_NE(LogonCommand(), "");
    UnregisterAtLogon("c:\\wallpapers\\ocean\\OCEAN.EXE");
    EXPECT_EQ(LogonCommand(), "");
}

} // namespace
} // namespace ww
