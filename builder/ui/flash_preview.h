// FlashPreviewControl: the Information page's movie preview. When the Flash
// Player control is registered it is hosted in place, as a child window,
// through a small OLE container of our own; otherwise a preview window of our
// own stands in for it and plays the movie with our renderer, as a small
// picture of this screen with the Setting page's choices applied. A movie
// the renderer cannot read is described in words instead.
#pragma once

#include "swf/swf_reader.h"
#include "common/win32/com.h"
#include "movie/wallpaper_page.h"
#include "movie/win32/movie_view.h"

#include <windows.h>

#include <cstdint>
#include <string>

struct IOleObject;
struct IDispatch;

namespace ww {

// {D27CDB6E-AE6D-11CF-96B8-444553540000}, the Shockwave Flash control.
extern const CLSID kFlashPlayerClassId;

// Dispatch ids of the player's operations.
constexpr long kDispidMovie = 102;           // property put, the movie's path
constexpr long kDispidBackgroundColor = 123; // property put, 0xRRGGBB
constexpr long kDispidStop = 113;            // method, no arguments

class PlayerSite;

class FlashPreviewControl {
  public:
    FlashPreviewControl();
    ~FlashPreviewControl();
    FlashPreviewControl(const FlashPreviewControl&) = delete;
    FlashPreviewControl& operator=(const FlashPreviewControl&) = delete;

    // Creates the preview window; the player inside it when it can be created.
    bool Create(const std::string& windowName, DWORD style, const RECT& rect, HWND parent, int id);
    void SetMovie(const std::string& path);
    void SetBackgroundColor(int32_t rgb);
    void StopMovie();
    // Scale, alignment, size, background, quality, play and loop as the page
    // will have them; the stand-in applies them at once, the control on the
    // page only.
    void SetPlayback(const movie::PageMovie& settings);

    HWND hwnd() const { return hwnd_; }
    // True when the Flash Player control is hosted, false for the stand-in.
    bool hostsPlayer() const { return static_cast<bool>(player_); }
    // What the stand-in shows, line by line; empty when stopped or before a movie.
    std::string StandInText() const;
    // The stand-in's player; it has a movie only while one plays.
    const MovieView& movieView() const { return view_; }
    MovieView& movieView() { return view_; }

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool CreatePlayer();
    void DestroyPlayer();
    void Resize();
    RECT ScreenPicture() const;
    void PaintStandIn(HDC dc) const;
    void Refresh();
    bool Invoke(long dispid, WORD kind, void* argument);

    HWND hwnd_ = nullptr;
    ComPtr<IOleObject> player_;
    ComPtr<IDispatch> dispatch_;
    ComPtr<PlayerSite> site_;
    // The stand-in's state.
    std::string movieName_;
    SwfMovieInfo movieInfo_;
    bool showingMovie_ = false;
    COLORREF background_ = RGB(255, 255, 255);
    movie::PageMovie playback_;
    MovieView view_;
};

// The stand-in's lines for a movie: file name, stage size, frame rate and
// frame count.
std::string DescribeMovie(const std::string& fileName, const SwfMovieInfo& info);

} // namespace ww
