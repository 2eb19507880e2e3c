#include "movie/win32/movie_view.h"

#include <algorithm>

namespace ww {

namespace {

const char kViewClass[] = "WallweaverMovieView";
constexpr UINT_PTR kFrameTimer = 1;

bool RegisterViewClass(WNDPROC procedure) {
    static bool registered = false;
    if (registered)
        return true;
    WNDCLASSA wc{};
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    wc.lpszClassName = kViewClass;
    registered = RegisterClassA(&wc) != 0;
    return registered;
}

} // namespace

// GetTickCount64 is missing before Vista, where the page's own wallpaper is
// still the path taken; the 32-bit count is widened here instead.
uint64_t MonotonicMs() {
    static uint32_t last = 0;
    static uint64_t high = 0;
    const uint32_t now = GetTickCount();
    if (now < last)
        high += 1ull << 32;
    last = now;
    return high | now;
}

MovieView::MovieView() = default;

MovieView::~MovieView() {
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

bool MovieView::Create(HWND parent, DWORD style, DWORD exStyle, const RECT& rect, int id) {
    if (hwnd_ || !RegisterViewClass(&MovieView::WindowProc))
        return false;
    HMENU menu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr;
    hwnd_ =
        CreateWindowExA(exStyle, kViewClass, "", style, rect.left, rect.top, rect.right - rect.left,
                        rect.bottom - rect.top, parent, menu, GetModuleHandleA(nullptr), this);
    return hwnd_ != nullptr;
}

bool MovieView::Load(const std::string& path, std::string* error) {
    std::shared_ptr<movie::Movie> movie(new movie::Movie);
    if (!movie::LoadMovie(path, movie.get(), error)) {
        Stop();
        return false;
    }
    Show(std::move(movie));
    return true;
}

void MovieView::Show(std::shared_ptr<const movie::Movie> movie) {
    player_.reset();
    renderer_.reset();
    movie_ = std::move(movie);
    Restart();
}

void MovieView::Stop() {
    if (hwnd_)
        KillTimer(hwnd_, kFrameTimer);
    player_.reset();
    renderer_.reset();
    movie_.reset();
    canvas_ = movie::Canvas();
    drawnWidth_ = drawnHeight_ = 0;
    if (hwnd_)
        InvalidateRect(hwnd_, nullptr, FALSE);
}

void MovieView::Restart() {
    if (!movie_)
        return;
    movie::ScriptOptions scripts;
    scripts.openUrl = [this](const std::string& url) {
        if (urlOpener_)
            urlOpener_(url);
    };
    player_ = std::make_unique<movie::Player>(*movie_, scripts);
    player_->SetLoop(settings_.loop);
    player_->SetPlaying(settings_.play && player_->playing());
    renderer_ = std::make_unique<movie::Renderer>(*movie_);
    ticks_ = 0;
    clock_ = movie::FrameClock(movie_->frameRate);
    clock_.Start(MonotonicMs());
    if (hwnd_)
        SetTimer(hwnd_, kFrameTimer, clock_.periodMs(), nullptr);
    Draw();
}

void MovieView::SetSettings(const movie::PageMovie& settings) {
    const bool restart = settings.play != settings_.play || settings.loop != settings_.loop;
    settings_ = settings;
    if (restart)
        Restart();
    else
        Draw();
}

void MovieView::SetScreenSize(int width, int height) {
    screenWidth_ = std::max(0, width);
    screenHeight_ = std::max(0, height);
    Draw();
}

void MovieView::SetPaused(bool paused) {
    paused_ = paused;
}

bool MovieView::Drawable() const {
    if (!hwnd_ || paused_ || !IsWindowVisible(hwnd_))
        return false;
    HWND top = GetAncestor(hwnd_, GA_ROOT);
    return !top || !IsIconic(top);
}

void MovieView::Tick(uint64_t nowMs) {
    if (!player_)
        return;
    if (!Drawable()) {
        waiting_ = true;
        return;
    }
    if (waiting_) {
        // The timeline waited; it goes on from where it stood.
        waiting_ = false;
        clock_.Start(nowMs);
        return;
    }
    const uint32_t due = clock_.Due(nowMs);
    if (due == 0)
        return;
    for (uint32_t i = 0; i < due; ++i)
        player_->Advance();
    ticks_ += due;
    // For tools outside the process: how far the movie has played.
    SetPropA(hwnd_, kTicksProperty, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(ticks_)));
    SetPropA(hwnd_, kFrameProperty,
             reinterpret_cast<HANDLE>(static_cast<uintptr_t>(player_->frame() + 1)));
    Draw();
}

RECT MovieView::box() const {
    RECT client{};
    if (hwnd_)
        GetClientRect(hwnd_, &client);
    const int cw = client.right, ch = client.bottom;
    RECT r{};
    if (screenWidth_ > 0 && screenHeight_ > 0) {
        const movie::PixelBox b = movie::PlaceBox(settings_, screenWidth_, screenHeight_);
        r.left = static_cast<LONG>(static_cast<int64_t>(b.x) * cw / screenWidth_);
        r.top = static_cast<LONG>(static_cast<int64_t>(b.y) * ch / screenHeight_);
        r.right = static_cast<LONG>(static_cast<int64_t>(b.x + b.width) * cw / screenWidth_);
        r.bottom = static_cast<LONG>(static_cast<int64_t>(b.y + b.height) * ch / screenHeight_);
    } else {
        const movie::PixelBox b = movie::PlaceBox(settings_, cw, ch);
        r = RECT{b.x, b.y, b.x + b.width, b.y + b.height};
    }
    return r;
}

COLORREF MovieView::BackgroundColor() const {
    movie::Rgba c = settings_.background;
    if (!settings_.hasBackground && movie_)
        c = movie_->background;
    return RGB(c.r, c.g, c.b);
}

// Renders the current frame into the box's canvas and asks for a paint.
void MovieView::Draw() {
    if (!hwnd_)
        return;
    const RECT b = box();
    int width = b.right - b.left, height = b.bottom - b.top;
    if (player_ && renderer_ && width > 0 && height > 0) {
        width = std::min(width, movie::kMaxOutputSide);
        height = std::min(height, movie::kMaxOutputSide);
        while (static_cast<uint64_t>(width) * height > movie::kMaxOutputPixels) {
            width = std::max(1, width / 2);
            height = std::max(1, height / 2);
        }
        movie::RenderOptions options;
        options.width = width;
        options.height = height;
        options.scale = settings_.scale;
        // The page's quality is the renderer's: low draws without
        // anti-aliasing at full size. A missing or unknown one stays high.
        movie::ParseQuality(settings_.quality, &options.quality);
        options.overrideBackground = settings_.hasBackground;
        options.background = settings_.background;
        options.deviceOrder = true;
        // A message sent to close the window (the player's /stop sends one)
        // ends a slow frame at once; the next frame is drawn whole.
        options.interrupted = [] { return HIWORD(GetQueueStatus(QS_SENDMESSAGE)) != 0; };
        std::string error;
        if (renderer_->Render(*player_, options, &canvas_, &error)) {
            drawnWidth_ = canvas_.width;
            drawnHeight_ = canvas_.height;
        } else {
            drawnWidth_ = drawnHeight_ = 0;
        }
    } else {
        drawnWidth_ = drawnHeight_ = 0;
    }
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void MovieView::Paint(HDC dc) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const RECT b = box();
    const int saved = SaveDC(dc);
    if (drawnWidth_ > 0 && drawnHeight_ > 0) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = drawnWidth_;
        info.bmiHeader.biHeight = -drawnHeight_; // top down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchDIBits(dc, b.left, b.top, b.right - b.left, b.bottom - b.top, 0, 0, drawnWidth_,
                      drawnHeight_, canvas_.pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
        ExcludeClipRect(dc, b.left, b.top, b.right, b.bottom);
    }
    HBRUSH brush = CreateSolidBrush(BackgroundColor());
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    RestoreDC(dc, saved);
}

LRESULT CALLBACK MovieView::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<MovieView*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self) {
        switch (message) {
        case WM_TIMER:
            if (wParam == kFrameTimer) {
                self->Tick(MonotonicMs());
                return 0;
            }
            break;
        case WM_SIZE:
            self->Draw();
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd, &paint);
            self->Paint(dc);
            EndPaint(hwnd, &paint);
            return 0;
        }
        case WM_PRINTCLIENT:
            self->Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_NCHITTEST:
            // Behind the icons, clicks go to what lies beneath.
            if (!self->TakesOwnPointer())
                return HTTRANSPARENT;
            break;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_MOUSELEAVE:
            if (!self->TakesOwnPointer())
                break;
            self->OnPointerMessage(message, lParam);
            return 0;
        case WM_NCDESTROY:
            RemovePropA(hwnd, kTicksProperty);
            RemovePropA(hwnd, kFrameProperty);
            self->hwnd_ = nullptr;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            break;
        default:
            break;
        }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace ww
