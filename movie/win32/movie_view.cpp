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
    ReleaseBackBuffer();
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
    damage_.reset();
    renderer_.reset();
    movie_ = std::move(movie);
    Restart();
}

void MovieView::Stop() {
    if (hwnd_)
        KillTimer(hwnd_, kFrameTimer);
    player_.reset();
    damage_.reset();
    renderer_.reset();
    movie_.reset();
    canvas_ = movie::Canvas();
    if (hwnd_)
        DrawNothing();
}

void MovieView::Restart() {
    if (!movie_)
        return;
    movie::ScriptOptions scripts;
    scripts.openUrl = [this](const std::string& url) {
        if (urlOpener_)
            urlOpener_(url);
    };
    scripts.stage = StageViewNow();
    player_ = std::make_unique<movie::Player>(*movie_, scripts);
    player_->SetLoop(settings_.loop);
    player_->SetPlaying(settings_.play && player_->playing());
    renderer_ = std::make_unique<movie::Renderer>(*movie_);
    damage_ = std::make_unique<movie::DamageTracker>(*movie_);
    presented_ = PresentedArea();
    ticks_ = 0;
    clock_ = movie::FrameClock(movie_->frameRate);
    clock_.Start(MonotonicMs());
    if (hwnd_)
        SetTimer(hwnd_, kFrameTimer, clock_.periodMs(), nullptr);
    Draw(true);
}

void MovieView::SetSettings(const movie::PageMovie& settings) {
    const bool restart = settings.play != settings_.play || settings.loop != settings_.loop;
    settings_ = settings;
    if (restart)
        Restart();
    else
        Draw(true);
}

void MovieView::SetScreenSize(int width, int height) {
    screenWidth_ = std::max(0, width);
    screenHeight_ = std::max(0, height);
    Draw(true);
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
    Draw(false);
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

// The canvas the box is drawn on: the box's pixels, halved while larger
// than the renderer draws.
void MovieView::CanvasSize(int* width, int* height) const {
    const RECT b = box();
    int w = b.right - b.left, h = b.bottom - b.top;
    if (w > 0 && h > 0) {
        w = std::min(w, movie::kMaxOutputSide);
        h = std::min(h, movie::kMaxOutputSide);
        while (static_cast<uint64_t>(w) * h > movie::kMaxOutputPixels) {
            w = std::max(1, w / 2);
            h = std::max(1, h / 2);
        }
    }
    *width = std::max(0, w);
    *height = std::max(0, h);
}

movie::StageView MovieView::StageViewNow() const {
    movie::StageView view;
    if (hwnd_) {
        // A box picturing the screen smaller stands for the screen's pixels.
        if (screenWidth_ > 0 && screenHeight_ > 0) {
            const movie::PixelBox b = movie::PlaceBox(settings_, screenWidth_, screenHeight_);
            view.width = b.width;
            view.height = b.height;
        } else {
            const RECT b = box();
            view.width = std::max<int>(0, b.right - b.left);
            view.height = std::max<int>(0, b.bottom - b.top);
        }
    }
    view.scale = settings_.scale;
    view.align = settings_.align;
    return view;
}

double MovieView::AreaScale(int canvasWidth) const {
    const movie::StageView view = StageViewNow();
    return view.width > 0 && canvasWidth > 0 ? double(canvasWidth) / view.width : 1.0;
}

// Renders the current frame into the box's canvas, whole or only where it
// changed, and shows what was drawn.
void MovieView::Draw(bool whole) {
    if (!hwnd_)
        return;
    int width = 0, height = 0;
    CanvasSize(&width, &height);
    if (!player_ || !renderer_ || !damage_ || width <= 0 || height <= 0) {
        DrawNothing();
        return;
    }
    // A script told of a new size may change what is drawn.
    player_->SetStageView(StageViewNow());
    movie::RenderOptions options;
    options.width = width;
    options.height = height;
    options.scale = settings_.scale;
    options.align = settings_.align;
    options.areaScale = AreaScale(width);
    player_->ApplyStageLayout(&options);
    // The page's quality is the renderer's: low draws without
    // anti-aliasing at full size. A missing or unknown one stays high.
    movie::ParseQuality(settings_.quality, &options.quality);
    options.overrideBackground = settings_.hasBackground;
    options.background = settings_.background;
    options.deviceOrder = true;
    // A message sent or posted to close the window (the player's /stop
    // sends one) ends a slow frame at once; the next frame is drawn whole.
    options.interrupted = [] {
        return HIWORD(GetQueueStatus(QS_SENDMESSAGE | QS_POSTMESSAGE)) != 0;
    };
    // The tracker sees every frame drawn, whole ones too, so that the next
    // frame's changes are measured from what the canvas holds.
    const std::vector<movie::PixelRect> changed = damage_->Update(*player_, options);
    whole = whole || drawnWidth_ != width || drawnHeight_ != height;
    if (!whole && changed.empty())
        return; // nothing moved: nothing to draw or show
    std::string error;
    const bool drawn = whole
                           ? renderer_->Render(*player_, options, &canvas_, &error)
                           : renderer_->RenderRegions(*player_, options, changed, &canvas_, &error);
    if (!drawn) {
        damage_ = std::make_unique<movie::DamageTracker>(*movie_);
        DrawNothing();
        return;
    }
    drawnWidth_ = canvas_.width;
    drawnHeight_ = canvas_.height;
    // A frame cut short, or short of memory, holds objects undrawn: the
    // next one is drawn whole.
    if (renderer_->frameCut() || renderer_->skippedObjects() > 0)
        damage_ = std::make_unique<movie::DamageTracker>(*movie_);
    Present(changed, box(), whole);
}

// The view shows the background alone.
void MovieView::DrawNothing() {
    drawnWidth_ = drawnHeight_ = 0;
    Present({}, RECT{}, true);
}

// Asks the window to show the changed rectangles of the canvas, or all of it.
// Every paint copies from the canvas, which always holds the whole current
// picture, so a paint of any area the system asks for later is right too.
void MovieView::Present(const std::vector<movie::PixelRect>& changed, const RECT& b, bool whole) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    // Canvas pixels are window pixels unless the canvas was capped.
    const bool oneToOne =
        drawnWidth_ == b.right - b.left && drawnHeight_ == b.bottom - b.top && drawnWidth_ > 0;
    whole = whole || !oneToOne;
    std::vector<RECT> areas;
    if (!whole) {
        for (const movie::PixelRect& r : changed) {
            const RECT area{b.left + std::max(r.x0, 0), b.top + std::max(r.y0, 0),
                            b.left + std::min(r.x1, drawnWidth_),
                            b.top + std::min(r.y1, drawnHeight_)};
            if (area.left < area.right && area.top < area.bottom)
                areas.push_back(area);
        }
    }
    if (GetWindowLongA(hwnd_, GWL_EXSTYLE) & WS_EX_LAYERED) {
        // Painted in part, a layered child can lose the rest (Wine drops it):
        // given no back buffer, it is painted whole.
        if (!PresentLayered(areas, whole)) {
            InvalidateRect(hwnd_, nullptr, FALSE);
            whole = true;
        }
    } else if (whole) {
        InvalidateRect(hwnd_, nullptr, FALSE);
    } else {
        for (const RECT& area : areas)
            InvalidateRect(hwnd_, &area, FALSE);
    }
    uint64_t pixels = 0;
    if (whole) {
        pixels = static_cast<uint64_t>(client.right) * static_cast<uint64_t>(client.bottom);
        ++presented_.wholeFrames;
    } else {
        for (const RECT& a : areas)
            pixels +=
                static_cast<uint64_t>(a.right - a.left) * static_cast<uint64_t>(a.bottom - a.top);
    }
    ++presented_.frames;
    presented_.pixels += pixels;
    presented_.lastPixels = pixels;
}

namespace {

using LayeredUpdate = BOOL(WINAPI*)(HWND, const UPDATELAYEREDWINDOWINFO*);

// Absent before Vista, where no view is layered.
LayeredUpdate LayeredUpdateFunction() {
    static LayeredUpdate update = [] {
        HMODULE user = GetModuleHandleA("user32.dll");
        return user ? reinterpret_cast<LayeredUpdate>(reinterpret_cast<void*>(
                          GetProcAddress(user, "UpdateLayeredWindowIndirect")))
                    : nullptr;
    }();
    return update;
}

} // namespace

// A layered window shows what it was last given whole: the system may drop
// what a paint drew into it (Wine does when the window is a child), so the
// back buffer keeps the whole current picture and is handed over entire, the
// changed area only telling the system what to copy again.
bool MovieView::PresentLayered(const std::vector<RECT>& areas, bool whole) {
    const LayeredUpdate update = LayeredUpdateFunction();
    if (layeredRefused_ || !update)
        return false;
    RECT client{}, window{};
    GetClientRect(hwnd_, &client);
    GetWindowRect(hwnd_, &window);
    // The picture given is the whole window's: a frame would not be in it.
    if (window.right - window.left != client.right || window.bottom - window.top != client.bottom)
        return false;
    if (client.right <= 0 || client.bottom <= 0)
        return true;
    if (!backDc_ || backWidth_ != client.right || backHeight_ != client.bottom) {
        ReleaseBackBuffer();
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = client.right;
        info.bmiHeader.biHeight = -client.bottom;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HDC screen = GetDC(nullptr);
        backDc_ = CreateCompatibleDC(screen);
        backBitmap_ = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ReleaseDC(nullptr, screen);
        if (!backDc_ || !backBitmap_) {
            ReleaseBackBuffer();
            return false;
        }
        backOld_ = SelectObject(backDc_, backBitmap_);
        backWidth_ = client.right;
        backHeight_ = client.bottom;
        whole = true;
    }
    RECT dirty = client;
    if (whole) {
        Paint(backDc_, client);
    } else {
        SetRectEmpty(&dirty);
        for (const RECT& a : areas) {
            Paint(backDc_, a);
            UnionRect(&dirty, &dirty, &a);
        }
        if (IsRectEmpty(&dirty))
            return true;
    }
    GdiFlush();
    // Opaque throughout: the constant alpha is used, not the pixels' own.
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, 0};
    POINT from{0, 0};
    SIZE size{client.right, client.bottom};
    UPDATELAYEREDWINDOWINFO info{};
    info.cbSize = sizeof info;
    info.hdcSrc = backDc_;
    info.pptSrc = &from;
    info.psize = &size;
    info.pblend = &blend;
    info.dwFlags = ULW_ALPHA;
    info.prcDirty = &dirty;
    if (update(hwnd_, &info))
        return true;
    // Taken no other way: the window is painted whole from now on, with a
    // constant alpha set once (which rules out this way for good).
    layeredRefused_ = true;
    ReleaseBackBuffer();
    SetLayeredWindowAttributes(hwnd_, 0, 255, LWA_ALPHA);
    return false;
}

void MovieView::ReleaseBackBuffer() {
    if (backDc_ && backOld_)
        SelectObject(backDc_, backOld_);
    if (backBitmap_)
        DeleteObject(backBitmap_);
    if (backDc_)
        DeleteDC(backDc_);
    backDc_ = nullptr;
    backBitmap_ = nullptr;
    backOld_ = nullptr;
    backWidth_ = backHeight_ = 0;
}

// Paints the part of the client area given from the canvas, and the
// background around the movie's box.
void MovieView::Paint(HDC dc, const RECT& area) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const RECT b = box();
    const int saved = SaveDC(dc);
    // The copy keeps to the area asked for.
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    if (drawnWidth_ > 0 && drawnHeight_ > 0) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = drawnWidth_;
        info.bmiHeader.biHeight = -drawnHeight_; // top down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        if (drawnWidth_ == b.right - b.left && drawnHeight_ == b.bottom - b.top) {
            SetDIBitsToDevice(dc, b.left, b.top, drawnWidth_, drawnHeight_, 0, 0, 0, drawnHeight_,
                              canvas_.pixels.data(), &info, DIB_RGB_COLORS);
        } else {
            SetStretchBltMode(dc, COLORONCOLOR);
            StretchDIBits(dc, b.left, b.top, b.right - b.left, b.bottom - b.top, 0, 0, drawnWidth_,
                          drawnHeight_, canvas_.pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
        }
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
            self->Draw(true);
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd, &paint);
            self->Paint(dc, paint.rcPaint);
            EndPaint(hwnd, &paint);
            return 0;
        }
        case WM_PRINTCLIENT: {
            RECT client{};
            GetClientRect(hwnd, &client);
            self->Paint(reinterpret_cast<HDC>(wParam), client);
            return 0;
        }
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
            if (message == WM_LBUTTONDOWN && (self->takesKeys_ || self->pointerNeedsFocus_))
                SetFocus(hwnd);
            if (self->pointerNeedsFocus_ && GetFocus() != hwnd)
                break;
            self->OnPointerMessage(message, lParam);
            return 0;
        case WM_MOUSEWHEEL: {
            // The wheel reaches the movie where the pointer does.
            if (!self->TakesOwnPointer() || (self->pointerNeedsFocus_ && GetFocus() != hwnd))
                break;
            POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ScreenToClient(hwnd, &at);
            self->Wheel(at.x, at.y, GET_WHEEL_DELTA_WPARAM(wParam));
            return 0;
        }
        case WM_GETDLGCODE:
            if (self->takesKeys_)
                return DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_WANTTAB;
            break;
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
        case WM_CHAR:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            if (self->OnKeyMessage(message, wParam))
                return 0;
            break;
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
