// Keeping a movie's time in a window, and when a wallpaper should not draw
// at all. No window here: the Windows side reports what it sees, these
// decide.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ww::movie {

// Frame rates outside this range are taken as its nearest end; a rate of 0
// (which old movies use for "as fast as you can") is the low end's default.
constexpr double kMinFrameRate = 1;
constexpr double kMaxFrameRate = 120;
constexpr double kDefaultFrameRate = 12;

// Milliseconds on a monotonic clock. The timeline keeps to real time: a tick
// that comes late advances every frame that fell due, and the window draws
// only the last of them. After a long gap (a suspended machine, a debugger)
// the clock starts again instead of racing through the frames it missed.
class FrameClock {
  public:
    explicit FrameClock(double frameRate);
    void Start(uint64_t nowMs);
    // Frames to advance now; 0 when the next one is not yet due.
    uint32_t Due(uint64_t nowMs);
    // The timer period that asks at the frame rate.
    uint32_t periodMs() const;
    double frameRate() const { return rate_; }
    // Frames that fell due but were never drawn.
    uint64_t dropped() const { return dropped_; }

  private:
    double rate_;
    uint64_t startMs_ = 0;
    uint64_t shown_ = 0; // frames advanced since start
    uint64_t dropped_ = 0;
};

// What a live wallpaper sees of the desktop at one moment.
struct DesktopState {
    bool sessionLocked = false;
    bool batterySaver = false;
    bool displayOff = false;
};

// A top-level window as the wallpaper sees it, in virtual-screen pixels.
struct ScreenWindow {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool visible = true;
    bool minimized = false;
    // The shell's own desktop and taskbar windows, and the wallpaper's own.
    bool shell = false;
};

struct MonitorArea {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// Whether a window covers the whole monitor: visible, not minimised, not the
// shell's, and its rectangle holding the monitor's.
bool CoversMonitor(const ScreenWindow& window, const MonitorArea& monitor);

// Why a wallpaper on one monitor is paused; empty when it plays.
// "session locked", "battery saver", "display off", "full-screen window".
std::string PauseReason(const DesktopState& desktop, const MonitorArea& monitor,
                        const std::vector<ScreenWindow>& windows);

} // namespace ww::movie
