// What a wallpaper page asks of its movie, read back from the page itself:
// the movie it names and the settings of its Flash object (the <param>
// elements, else the <embed> attributes), the box the object takes on the
// screen and how that box is aligned. Pages of every version of the builder
// carry these, so the page stays the one record of an installed wallpaper.
//
// Layout follows the page: the box is the object's width and height (pixels,
// or percent of the screen) aligned in the screen as its table cell says; the
// movie is scaled into the box by the Scale setting, and the rest of the
// screen shows the background colour.
#pragma once

#include "movie/movie.h"
#include "movie/render.h"

#include <cstddef>
#include <string>

namespace ww::movie {

// Larger pages are not wallpaper pages.
constexpr size_t kMaxWallpaperPageSize = 16 * 1024 * 1024;

enum class Align { Near, Center, Far };

// A side of the object's box: pixels, or percent of the screen's side.
struct BoxSide {
    int value = 100;
    bool percent = true;
};

struct PageMovie {
    std::string movie; // as the page names it, relative to the page's folder or absolute
    bool play = true;
    bool loop = true;
    std::string quality = "high";
    ScaleMode scale = ScaleMode::ShowAll;
    uint8_t align = 0; // salign: the edges the stage keeps to (StageAlign)
    bool hasBackground = false;
    Rgba background{255, 255, 255, 255};
    BoxSide width, height;
    Align horizontal = Align::Center;
    Align vertical = Align::Center;
};

// "#RRGGBB".
bool ParseHtmlColor(const std::string& text, Rgba* color);

// One setting under its name in the page: a <param> name (movie, play, loop,
// quality, scale, salign, bgcolor), width and height, or the cell's align and valign.
// A value that does not parse leaves the setting as it was.
void ApplyPageSetting(const std::string& name, const std::string& value, PageMovie* settings);
// Reads the settings from a page's text; false, saying why, for a page that
// names no movie.
bool ReadPageMovie(const std::string& html, PageMovie* settings, std::string* error);
// The same from the page's file.
bool LoadPageMovie(const std::string& pagePath, PageMovie* settings, std::string* error);
// The movie's file: an absolute reference as it stands, a relative one from
// the page's folder; either separator is taken. For the builder's own page
// only (MovieScope::AuthorsFiles).
std::string PageMoviePath(const std::string& pagePath, const std::string& reference);

// Which files a page's movie reference may reach. Who runs the page says
// which, never the page itself: an installed page comes with the package,
// whose author chose its text.
struct MovieScope {
    // The builder's desktop preview page: the author's movie where it lies,
    // written as an absolute path on purpose.
    static MovieScope AuthorsFiles() { return MovieScope(); }
    // An installed page, kept beside the wallpaper's folder: only a file
    // inside that folder, named relative to the page ("Ocean\wave.swf").
    static MovieScope WallpaperFolder(const std::string& folder) {
        MovieScope scope;
        scope.confined = true;
        scope.folder = folder;
        return scope;
    }

    bool confined = false;
    std::string folder; // when confined
};

// The movie's file as the scope allows it; false, naming the reference and
// the page, when it reaches outside. Nothing is opened on the way.
bool ResolvePageMovie(const std::string& pagePath, const std::string& reference,
                      const MovieScope& scope, std::string* path, std::string* error);

struct PixelBox {
    int x = 0, y = 0, width = 0, height = 0;
};
// Where the object's box lies on a screen of the given size.
PixelBox PlaceBox(const PageMovie& settings, int screenWidth, int screenHeight);
// A picture of a screen inside an area (a preview's monitor): the largest
// rectangle of the screen's proportions, centred, so the screen's layout is
// scaled alike across and down. The whole area for a screen with no size.
PixelBox FitScreen(int areaWidth, int areaHeight, int screenWidth, int screenHeight);

} // namespace ww::movie
