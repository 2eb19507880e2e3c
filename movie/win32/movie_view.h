// MovieView: a window that plays a movie with our renderer, laid out as the
// wallpaper page lays it out. The builder's preview, the player's window and
// the live wallpaper behind the desktop icons are each one of these.
//
// A timer asks at the movie's frame rate; a late tick advances every frame
// that fell due and draws only the last, and of that only what changed since
// the frame before: a frame where nothing changed draws and shows nothing.
// A first frame, a resize, a change of settings and any paint the system asks
// for draw whole. Nothing is advanced or drawn while the view is hidden, its
// top window minimised, or its owner has paused it.
#pragma once

#include "movie/movie.h"
#include "movie/playback.h"
#include "movie/player.h"
#include "movie/render.h"
#include "movie/typed_chars.h"
#include "movie/wallpaper_page.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ww {

// The window property that holds ticks() for other processes.
constexpr char kTicksProperty[] = "WallweaverTicks";
// The movie's current frame (from 1), beside it.
constexpr char kFrameProperty[] = "WallweaverFrame";

// What a view has handed to the screen since its movie started, so tests can
// see that a small change shows as a small area.
struct PresentedArea {
    uint64_t frames = 0; // frames shown whole or in part
    uint64_t wholeFrames = 0;
    uint64_t pixels = 0;     // window pixels handed over, all frames
    uint64_t lastPixels = 0; // of the last frame shown
};

class MovieView {
  public:
    MovieView();
    ~MovieView();
    MovieView(const MovieView&) = delete;
    MovieView& operator=(const MovieView&) = delete;

    bool Create(HWND parent, DWORD style, DWORD exStyle, const RECT& rect, int id);
    HWND hwnd() const { return hwnd_; }

    // Reads the movie and starts it from its first frame; false, saying why,
    // with the view showing only the background.
    bool Load(const std::string& path, std::string* error);
    // The same movie, read once, shown by several views.
    void Show(std::shared_ptr<const movie::Movie> movie);
    // Unloads the movie; the view shows the background.
    void Stop();
    bool hasMovie() const { return static_cast<bool>(movie_); }

    // Layout, scale, background, quality; a change of play or loop starts
    // the movie again, as the page would on being opened.
    void SetSettings(const movie::PageMovie& settings);
    const movie::PageMovie& settings() const { return settings_; }
    // Draws a scaled-down screen of this size (the preview); 0 x 0: the
    // view is the screen.
    void SetScreenSize(int width, int height);
    // The owner's reason to stop drawing (locked session, a full-screen
    // program); the timeline waits and resumes where it stood.
    void SetPaused(bool paused);
    bool paused() const { return paused_; }

    // Frames advanced since the movie started, and the movie's box in the
    // client area.
    uint64_t ticks() const { return ticks_; }
    RECT box() const;
    // One timer tick at nowMs; the window's timer calls this.
    void Tick(uint64_t nowMs);
    const PresentedArea& presented() const { return presented_; }

    // The pointer at a client point (view_pointer.cpp): mapped through the
    // box and the scale mode into the stage and handed to the movie. A view
    // inside another process's window (the live wallpaper) is given it by
    // the player's mouse hook instead of its own messages.
    enum class PointerAction { Move, Down, Up, Leave };
    void Pointer(PointerAction action, int x, int y);
    // The wheel turned by delta (WHEEL_DELTA a notch, positive away from the
    // user) with the pointer at a client point: the movie hears it in lines,
    // as many a notch as the system scrolls.
    void Wheel(int x, int y, int delta);
    // A child view hands its own mouse messages to the movie only when
    // asked; otherwise clicks go through it to its parent.
    void SetTakesPointer(bool takes) { takesPointer_ = takes; }
    // Keys typed while the view has the keyboard go to the movie
    // (view_keys.cpp); a press on the view gives it the keyboard. The live
    // wallpaper never takes keys.
    void SetTakesKeys(bool takes) { takesKeys_ = takes; }
    // The pointer reaches the movie only while the view has the keyboard; a
    // press gives it the keyboard first (the builder's preview).
    void SetPointerNeedsFocus(bool needs) { pointerNeedsFocus_ = needs; }
    // Opens the pages a movie asks for in answer to a click; unset, none is
    // opened.
    void SetUrlOpener(std::function<void(const std::string&)> opener) {
        urlOpener_ = std::move(opener);
    }

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Restart();
    bool Drawable() const;
    void CanvasSize(int* width, int* height) const;
    // The area the movie is shown in, as its scripts see it.
    movie::StageView StageViewNow() const;
    // Canvas pixels per pixel of that area.
    double AreaScale(int canvasWidth) const;
    // whole: the frame is drawn and shown whole rather than what changed.
    void Draw(bool whole);
    void DrawNothing();
    void Present(const std::vector<movie::PixelRect>& changed, const RECT& box, bool whole);
    // A layered window (the live wallpaper inside Progman) is given its
    // whole picture from a back buffer each time, the changed area only as a
    // hint; false when the system will not take it that way.
    bool PresentLayered(const std::vector<RECT>& areas, bool whole);
    void ReleaseBackBuffer();
    void Paint(HDC dc, const RECT& area);
    COLORREF BackgroundColor() const;

    HWND hwnd_ = nullptr;
    std::shared_ptr<const movie::Movie> movie_;
    std::unique_ptr<movie::Player> player_;
    std::unique_ptr<movie::Renderer> renderer_;
    // What changed since the last frame drawn: only that is drawn again.
    std::unique_ptr<movie::DamageTracker> damage_;
    movie::FrameClock clock_{movie::kDefaultFrameRate};
    movie::PageMovie settings_;
    int screenWidth_ = 0, screenHeight_ = 0;
    bool paused_ = false;
    bool waiting_ = false; // not drawable at the last tick
    uint64_t ticks_ = 0;
    std::function<void(const std::string&)> urlOpener_;
    bool TakesOwnPointer() const;
    void OnPointerMessage(UINT message, LPARAM lParam);
    bool tracking_ = false; // asked to hear when the pointer leaves
    int wheelRest_ = 0;     // a fine wheel's turn not yet a whole line
    bool takesPointer_ = false;
    // true when the message was the movie's and is not passed on.
    bool OnKeyMessage(UINT message, WPARAM wParam);
    bool takesKeys_ = false;
    bool pointerNeedsFocus_ = false;
    // WM_CHAR units and bytes not yet a whole character.
    movie::TypedChars typed_;
    movie::Canvas canvas_;
    int drawnWidth_ = 0, drawnHeight_ = 0;
    PresentedArea presented_;
    // The layered window's picture, client sized, and whether the system
    // refused to take it (the window is then painted whole instead).
    HDC backDc_ = nullptr;
    HBITMAP backBitmap_ = nullptr;
    HGDIOBJ backOld_ = nullptr;
    int backWidth_ = 0, backHeight_ = 0;
    bool layeredRefused_ = false;
};

// Milliseconds since the system started, for ticks.
uint64_t MonotonicMs();

} // namespace ww
