// The pointer's way from a movie view's window into its movie: client
// pixels through the box the movie is drawn in and the page's scale mode to
// stage twips. A left press captures the pointer so the release is heard
// wherever it happens.
#include "movie/win32/movie_view.h"

#include "movie/pointer.h"

#include <cmath>

namespace ww {

namespace {

// Far outside any stage: where the pointer is said to be once it has left.
constexpr double kAway = -1e9;

} // namespace

bool MovieView::TakesOwnPointer() const {
    if (!hwnd_ || !(GetWindowLongA(hwnd_, GWL_STYLE) & WS_CHILD))
        return true;
    if (!takesPointer_)
        return false;
    // A child of another process's window is the live wallpaper, behind
    // the icons: the mouse hook speaks for it.
    DWORD own = GetCurrentProcessId(), parentProcess = 0;
    GetWindowThreadProcessId(GetParent(hwnd_), &parentProcess);
    return parentProcess == own;
}

void MovieView::OnPointerMessage(UINT message, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
    switch (message) {
    case WM_MOUSEMOVE:
        if (!tracking_) {
            TRACKMOUSEEVENT track{};
            track.cbSize = sizeof track;
            track.dwFlags = TME_LEAVE;
            track.hwndTrack = hwnd_;
            tracking_ = TrackMouseEvent(&track) != FALSE;
        }
        Pointer(PointerAction::Move, x, y);
        break;
    case WM_LBUTTONDOWN:
        SetCapture(hwnd_);
        Pointer(PointerAction::Down, x, y);
        break;
    case WM_LBUTTONUP:
        if (GetCapture() == hwnd_)
            ReleaseCapture();
        Pointer(PointerAction::Up, x, y);
        break;
    case WM_MOUSELEAVE:
        tracking_ = false;
        if (GetCapture() != hwnd_)
            Pointer(PointerAction::Leave, x, y);
        break;
    default:
        break;
    }
}

void MovieView::Wheel(int x, int y, int delta) {
    if (!player_)
        return;
    UINT perNotch = 3;
    if (!SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &perNotch, 0) ||
        perNotch == WHEEL_PAGESCROLL)
        perNotch = 3; // a page a notch has no line count: the usual three
    if (perNotch == 0)
        return; // the user turned wheel scrolling off
    Pointer(PointerAction::Move, x, y);
    // A fine wheel sends parts of a notch: they add up to whole lines.
    const int64_t turned = int64_t(wheelRest_) + int64_t(delta) * perNotch;
    const int lines = static_cast<int>(turned / WHEEL_DELTA);
    wheelRest_ = static_cast<int>(turned % WHEEL_DELTA);
    if (lines == 0)
        return;
    player_->PointerWheel(lines);
    Draw(false);
}

void MovieView::Pointer(PointerAction action, int x, int y) {
    if (!player_ || !movie_ || drawnWidth_ <= 0 || drawnHeight_ <= 0)
        return;
    double sx = kAway, sy = kAway;
    const RECT b = box();
    const int bw = b.right - b.left, bh = b.bottom - b.top;
    movie::Matrix toStage;
    movie::RenderOptions layout;
    layout.scale = settings_.scale;
    layout.align = settings_.align;
    player_->ApplyStageLayout(&layout);
    if (action != PointerAction::Leave && bw > 0 && bh > 0 &&
        movie::Invert(movie::StageToCanvas(*movie_, drawnWidth_, drawnHeight_, layout.scale,
                                           layout.align, AreaScale(drawnWidth_)),
                      &toStage)) {
        // Client pixels to canvas pixels (the canvas is stretched over the
        // box), then canvas pixels to stage twips.
        const double cx = (x - b.left + 0.5) * drawnWidth_ / bw;
        const double cy = (y - b.top + 0.5) * drawnHeight_ / bh;
        sx = toStage.a * cx + toStage.c * cy + toStage.tx;
        sy = toStage.b * cx + toStage.d * cy + toStage.ty;
        // The window's pixels a stage pixel takes, for _xmouse.
        const double twipsPerClient = std::fabs(toStage.a) * drawnWidth_ / bw;
        if (twipsPerClient > 0)
            player_->pointer().windowScale = movie::kTwipsPerPixel / twipsPerClient;
    }
    switch (action) {
    case PointerAction::Move:
    case PointerAction::Leave:
        player_->PointerMove(sx, sy);
        break;
    case PointerAction::Down:
        player_->PointerDown(sx, sy);
        break;
    case PointerAction::Up:
        player_->PointerUp(sx, sy);
        break;
    }
    // Presses show at once; moves at the next frame, which draws anyway.
    if (action == PointerAction::Down || action == PointerAction::Up)
        Draw(false);
}

} // namespace ww
