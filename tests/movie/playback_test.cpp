// The frame clock of the movie windows and the live wallpaper's pause rules.
#include "movie/playback.h"

#include <gtest/gtest.h>

#include <cmath>

#include <string>
#include <vector>

namespace ww::movie {
namespace {

TEST(FrameClock, KeepsToRealTimeDrawingOnlyTheLastOfLateFrames) {
    FrameClock clock(12);
    clock.Start(1000);
    EXPECT_EQ(clock.Due(1000), 0u);
    EXPECT_EQ(clock.Due(1083), 0u); // the first frame falls due 83.3 ms in
    EXPECT_EQ(clock.Due(1084), 1u);
    EXPECT_EQ(clock.Due(1100), 0u);
    // A tick half a second late advances the six frames that fell due.
    EXPECT_EQ(clock.Due(1584), 6u);
    EXPECT_EQ(clock.dropped(), 5u);
    // Frames still follow the start, not the late tick.
    EXPECT_EQ(clock.Due(1667), 1u);
    // Over a second behind (a suspended machine): one frame, then a new start.
    EXPECT_EQ(clock.Due(60000), 1u);
    EXPECT_EQ(clock.Due(60050), 0u);
    EXPECT_EQ(clock.Due(60084), 1u);
    // A clock that went back starts again instead of waiting for it.
    EXPECT_EQ(clock.Due(500), 0u);
    EXPECT_EQ(clock.Due(584), 1u);
}

TEST(FrameClock, RatesOutsideTheRangeTakeItsEnds) {
    const struct {
        double asked, taken;
        uint32_t period;
    } cases[] = {{0, 12, 83}, {-5, 12, 83}, {0.25, 1, 1000}, {24, 24, 41}, {1000, 120, 8}};
    for (const auto& c : cases) {
        FrameClock clock(c.asked);
        EXPECT_EQ(clock.frameRate(), c.taken) << c.asked;
        EXPECT_EQ(clock.periodMs(), c.period) << c.asked;
    }
    FrameClock unknown(std::nan(""));
    EXPECT_EQ(unknown.frameRate(), kDefaultFrameRate);
}

TEST(PauseReason, DecisionTable) {
    const MonitorArea left{0, 0, 1920, 1080}, right{1920, 0, 3840, 1080};
    ScreenWindow game{0, 0, 1920, 1080};
    ScreenWindow spanning{-8, -8, 3848, 1088};
    ScreenWindow editor{100, 100, 1200, 900};
    ScreenWindow minimisedGame = game;
    minimisedGame.minimized = true;
    ScreenWindow hiddenGame = game;
    hiddenGame.visible = false;
    ScreenWindow desktop = spanning;
    desktop.shell = true;
    const DesktopState free, locked{true, false, false}, saver{false, true, false},
        lockedOnSaver{true, true, false}, off{false, false, true};
    const struct {
        const char* name;
        DesktopState state;
        MonitorArea monitor;
        std::vector<ScreenWindow> windows;
        const char* reason;
    } cases[] = {
        {"nothing in the way", free, left, {editor}, ""},
        {"locked", locked, left, {}, "session locked"},
        {"locked beats battery saver", lockedOnSaver, left, {game}, "session locked"},
        {"battery saver", saver, right, {}, "battery saver"},
        {"display off", off, left, {}, "display off"},
        {"a full-screen program on this monitor", free, left, {editor, game}, "full-screen window"},
        {"a full-screen program on the other monitor", free, right, {game}, ""},
        {"one window over both monitors", free, right, {spanning}, "full-screen window"},
        {"minimised", free, left, {minimisedGame}, ""},
        {"hidden", free, left, {hiddenGame}, ""},
        {"the shell's own desktop window", free, left, {desktop}, ""},
        {"a monitor of no size", free, MonitorArea{5, 5, 5, 5}, {spanning}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PauseReason(c.state, c.monitor, c.windows), c.reason) << c.name;
}

} // namespace
} // namespace ww::movie
