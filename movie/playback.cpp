#include "movie/playback.h"

#include <algorithm>
#include <cmath>

namespace ww::movie {

namespace {

// Behind by more than this, the clock starts again.
constexpr double kMaxCatchUpSeconds = 1.0;

} // namespace

FrameClock::FrameClock(double frameRate) {
    if (!(frameRate > 0))
        frameRate = kDefaultFrameRate;
    rate_ = std::clamp(frameRate, kMinFrameRate, kMaxFrameRate);
}

void FrameClock::Start(uint64_t nowMs) {
    startMs_ = nowMs;
    shown_ = 0;
}

uint32_t FrameClock::Due(uint64_t nowMs) {
    if (nowMs < startMs_) {
        Start(nowMs);
        return 0;
    }
    const uint64_t due = static_cast<uint64_t>(std::floor((nowMs - startMs_) * rate_ / 1000.0));
    if (due <= shown_)
        return 0;
    const uint64_t behind = due - shown_;
    if (behind > rate_ * kMaxCatchUpSeconds) {
        dropped_ += behind - 1;
        Start(nowMs);
        return 1;
    }
    shown_ = due;
    dropped_ += behind - 1;
    return static_cast<uint32_t>(behind);
}

uint32_t FrameClock::periodMs() const {
    return std::max<uint32_t>(1, static_cast<uint32_t>(1000.0 / rate_));
}

bool CoversMonitor(const ScreenWindow& w, const MonitorArea& m) {
    if (!w.visible || w.minimized || w.shell)
        return false;
    if (m.right <= m.left || m.bottom <= m.top)
        return false;
    return w.left <= m.left && w.top <= m.top && w.right >= m.right && w.bottom >= m.bottom;
}

std::string PauseReason(const DesktopState& desktop, const MonitorArea& monitor,
                        const std::vector<ScreenWindow>& windows) {
    if (desktop.sessionLocked)
        return "session locked";
    if (desktop.displayOff)
        return "display off";
    if (desktop.batterySaver)
        return "battery saver";
    for (const ScreenWindow& w : windows) {
        if (CoversMonitor(w, monitor))
            return "full-screen window";
    }
    return std::string();
}

} // namespace ww::movie
