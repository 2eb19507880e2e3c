// The frame clock driven with explicit times, and when a wallpaper pauses.
#include "movie/playback.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

namespace ww::movie {
namespace {

TEST(FrameClock, RatesOutsideTheRangeTakeItsNearestEnd) {
    struct Case {
        double asked;
        double rate;
    };
    const Case cases[] = {
        {0, kDefaultFrameRate},
        {-5, kDefaultFrameRate},
        {std::numeric_limits<double>::quiet_NaN(), kDefaultFrameRate},
        {0.25, 1},
        {1, 1},
        {12, 12},
        {29.97, 29.97},
        {120, 120},
        {120.5, 120},
        {1000, 120},
        {std::numeric_limits<double>::infinity(), 120},
    };
    for (const Case& c : cases) {
        FrameClock clock(c.asked);
        EXPECT_EQ(clock.frameRate(), c.rate) << c.asked;
        // One second later a second's worth of frames is due, at the rate
        // taken, not the one asked.
        clock.Start(5000);
        EXPECT_EQ(clock.Due(6000), static_cast<uint32_t>(std::floor(c.rate))) << c.asked;
        EXPECT_GE(clock.periodMs(), 1u) << c.asked;
        EXPECT_LE(clock.periodMs(), 1000.0 / c.rate) << c.asked;
    }
}

TEST(FrameClock, TheTimerPeriodIsTheFramePeriodRoundedDown) {
    const struct {
        double rate;
        uint32_t period;
    } cases[] = {{0, 83}, {0.25, 1000}, {1, 1000}, {24, 41}, {29.97, 33}, {1000, 8}};
    for (const auto& c : cases)
        EXPECT_EQ(FrameClock(c.rate).periodMs(), c.period) << c.rate;
}

struct Tick {
    uint64_t now;
    uint32_t due;
};

// Asks the clock at each time in turn, expecting that many frames due.
void ExpectDue(FrameClock* clock, std::initializer_list<Tick> ticks) {
    for (const Tick& t : ticks)
        EXPECT_EQ(clock->Due(t.now), t.due) << t.now;
}

TEST(FrameClock, FramesFallDueOnTheFractionalPeriod) {
    // At 12 a second frames fall due every 83.3 ms, counted from the start
    // and not from the tick that advanced the last one.
    FrameClock clock(12);
    clock.Start(1000);
    ExpectDue(
        &clock,
        {{1083, 0}, {1084, 1}, {1166, 0}, {1167, 1}, {1249, 0}, {1250, 1}, {2000, 9}, {2083, 0}});
    EXPECT_EQ(clock.dropped(), 8u);
}

TEST(FrameClock, AdvancesOneFrameEachTimeOneFallsDue) {
    FrameClock clock(10);
    clock.Start(1000);
    ExpectDue(&clock, {{1000, 0},
                       {1050, 0},
                       {1099, 0},
                       {1100, 1},
                       {1100, 0},
                       {1150, 0},
                       {1200, 1},
                       {1299, 0},
                       {1300, 1},
                       {1301, 0},
                       {1400, 1}});
    EXPECT_EQ(clock.dropped(), 0u);
}

TEST(FrameClock, ALateTickAdvancesEveryFrameThatFellDue) {
    FrameClock clock(10);
    clock.Start(0);
    EXPECT_EQ(clock.Due(350), 3u);
    EXPECT_EQ(clock.dropped(), 2u);
    // The timeline stays on real time: the next frame is the fourth's, at 400.
    EXPECT_EQ(clock.Due(399), 0u);
    EXPECT_EQ(clock.Due(400), 1u);
    EXPECT_EQ(clock.dropped(), 2u);
    // A full second behind is still caught up.
    EXPECT_EQ(clock.Due(1400), 10u);
    EXPECT_EQ(clock.dropped(), 11u);
    EXPECT_EQ(clock.Due(1500), 1u);
}

TEST(FrameClock, StartsAgainAfterMoreThanASecondBehind) {
    FrameClock clock(10);
    clock.Start(0);
    EXPECT_EQ(clock.Due(100), 1u);
    // Eleven frames behind at 10 a second: one frame, and the clock restarts.
    EXPECT_EQ(clock.Due(1200), 1u);
    EXPECT_EQ(clock.dropped(), 10u);
    EXPECT_EQ(clock.Due(1299), 0u);
    EXPECT_EQ(clock.Due(1300), 1u);

    // A machine suspended for an hour does not race through the hour.
    EXPECT_EQ(clock.Due(1300 + 3600 * 1000), 1u);
    EXPECT_EQ(clock.dropped(), 10u + 36000u - 1u);
    EXPECT_EQ(clock.Due(1300 + 3600 * 1000 + 100), 1u);
    EXPECT_EQ(clock.Due(1300 + 3600 * 1000 + 150), 0u);

    // Dropped frames are a running count, kept across a restart of the timeline.
    clock.Start(10 * 1000 * 1000);
    EXPECT_EQ(clock.dropped(), 10u + 36000u - 1u);
    EXPECT_EQ(clock.Due(10 * 1000 * 1000), 0u);
}

TEST(FrameClock, AClockThatGoesBackStartsFromThere) {
    FrameClock clock(10);
    clock.Start(5000);
    EXPECT_EQ(clock.Due(4000), 0u);
    EXPECT_EQ(clock.Due(4099), 0u);
    EXPECT_EQ(clock.Due(4100), 1u);
    EXPECT_EQ(clock.dropped(), 0u);
}

TEST(FrameClock, KeepsToRealTimeAtTheTimersPeriodAndAtSlowTicks) {
    // Machines that have been up for years give large clock values.
    const uint64_t start = uint64_t(1) << 45;
    for (double rate : {1.0, 7.0, 12.0, 24.0, 29.97, 30.0, 60.0, 120.0}) {
        for (uint32_t period : {0u, 16u, 250u, 900u}) {
            FrameClock clock(rate);
            const uint32_t step = period == 0 ? clock.periodMs() : period;
            clock.Start(start);
            uint64_t advanced = 0, ticksThatDrew = 0;
            const uint64_t runMs = 60 * 1000;
            uint64_t now = start;
            while (now + step <= start + runMs) {
                now += step;
                const uint32_t due = clock.Due(now);
                advanced += due;
                ticksThatDrew += due > 0 ? 1 : 0;
            }
            const double real = (now - start) * clock.frameRate() / 1000.0;
            SCOPED_TRACE(std::to_string(rate) + " fps, tick every " + std::to_string(step));
            EXPECT_LE(std::fabs(double(advanced) - real), 1.0);
            // Every frame advanced and not drawn counts as dropped.
            EXPECT_EQ(clock.dropped(), advanced - ticksThatDrew);
            if (period == 0) {
                // The timer asks at least as often as frames fall due.
                EXPECT_EQ(clock.dropped(), 0u);
            }
        }
    }
}

TEST(CoversMonitor, OnlyAShownWindowHoldingTheWholeMonitor) {
    const MonitorArea main{0, 0, 1920, 1080};
    ScreenWindow minimized{0, 0, 1920, 1080};
    minimized.minimized = true;
    ScreenWindow hidden{0, 0, 1920, 1080};
    hidden.visible = false;
    ScreenWindow shell{0, 0, 1920, 1080};
    shell.shell = true;
    struct Case {
        const char* what;
        ScreenWindow window;
        MonitorArea monitor;
        bool covers;
    };
    const Case cases[] = {
        {"exactly the monitor", ScreenWindow{0, 0, 1920, 1080}, main, true},
        {"maximised, borders past the edges", ScreenWindow{-8, -8, 1928, 1088}, main, true},
        {"across two monitors", ScreenWindow{0, 0, 3840, 1080}, main, true},
        {"one pixel short on the left", ScreenWindow{1, 0, 1920, 1080}, main, false},
        {"one pixel short on top", ScreenWindow{0, 1, 1920, 1080}, main, false},
        {"one pixel short on the right", ScreenWindow{0, 0, 1919, 1080}, main, false},
        {"one pixel short at the bottom", ScreenWindow{0, 0, 1920, 1079}, main, false},
        {"above the taskbar only", ScreenWindow{0, 0, 1920, 1040}, main, false},
        {"on the monitor to the right", ScreenWindow{1920, 0, 3840, 1080}, main, false},
        {"a monitor left of and above the main one", ScreenWindow{-1280, -200, 0, 824},
         MonitorArea{-1280, -200, 0, 824}, true},
        {"an empty rectangle", ScreenWindow{0, 0, 0, 0}, main, false},
        {"minimised", minimized, main, false},
        {"invisible", hidden, main, false},
        {"the shell's own", shell, main, false},
        {"a monitor with no area", ScreenWindow{-100, -100, 4000, 4000}, MonitorArea{0, 0, 0, 1080},
         false},
        {"a monitor turned inside out", ScreenWindow{-100, -100, 4000, 4000},
         MonitorArea{1920, 1080, 0, 0}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CoversMonitor(c.window, c.monitor), c.covers) << c.what;
}

TEST(PauseReason, TheDesktopsStateComesBeforeItsWindows) {
    const MonitorArea main{0, 0, 1920, 1080};
    const std::vector<ScreenWindow> fullScreen = {ScreenWindow{0, 0, 1920, 1080}};
    const std::vector<ScreenWindow> none;
    // Every combination: the reason reported is the first that holds, in the
    // order locked, display off, battery saver, a full-screen window.
    for (int bits = 0; bits < 16; ++bits) {
        DesktopState desktop;
        desktop.sessionLocked = bits & 1;
        desktop.displayOff = bits & 2;
        desktop.batterySaver = bits & 4;
        const bool covered = bits & 8;
        const char* expected = desktop.sessionLocked  ? "session locked"
                               : desktop.displayOff   ? "display off"
                               : desktop.batterySaver ? "battery saver"
                               : covered              ? "full-screen window"
                                                      : "";
        EXPECT_EQ(PauseReason(desktop, main, covered ? fullScreen : none), expected) << bits;
    }
}

TEST(PauseReason, EachMonitorHasItsOwnFullScreenWindows) {
    const MonitorArea left{-1280, 0, 0, 1024};
    const MonitorArea main{0, 0, 1920, 1080};
    const MonitorArea right{1920, -120, 3000, 1800};
    const DesktopState desktop;
    ScreenWindow minimizedGame{0, 0, 1920, 1080};
    minimizedGame.minimized = true;
    ScreenWindow desktopWindow{-1280, -120, 3000, 1800};
    desktopWindow.shell = true;
    ScreenWindow hiddenPlayer{-1280, 0, 0, 1024};
    hiddenPlayer.visible = false;

    struct Case {
        const char* what;
        std::vector<ScreenWindow> windows;
        bool left, main, right;
    };
    const Case cases[] = {
        {"no windows", {}, false, false, false},
        {"a game on the main monitor", {ScreenWindow{0, 0, 1920, 1080}}, false, true, false},
        {"a video on the left one", {ScreenWindow{-1280, 0, 0, 1024}}, true, false, false},
        {"a window over the main and right ones",
         {ScreenWindow{0, -120, 3000, 1800}},
         false,
         true,
         true},
        {"ordinary windows over every monitor",
         {ScreenWindow{-1000, 10, 1500, 900}, ScreenWindow{100, 100, 2500, 1000}},
         false,
         false,
         false},
        {"only windows the wallpaper ignores",
         {minimizedGame, desktopWindow, hiddenPlayer},
         false,
         false,
         false},
        {"ignored windows and one that counts",
         {desktopWindow, minimizedGame, ScreenWindow{1920, -120, 3000, 1800}},
         false,
         false,
         true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PauseReason(desktop, left, c.windows).empty(), !c.left) << c.what;
        EXPECT_EQ(PauseReason(desktop, main, c.windows).empty(), !c.main) << c.what;
        EXPECT_EQ(PauseReason(desktop, right, c.windows).empty(), !c.right) << c.what;
    }
    EXPECT_EQ(PauseReason(desktop, main, {ScreenWindow{0, 0, 1920, 1080}}), "full-screen window");
}

} // namespace
} // namespace ww::movie
