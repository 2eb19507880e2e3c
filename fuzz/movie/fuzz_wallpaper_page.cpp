// The page reader and the installed player's movie rule on any text taken as
// a page: neither may fault, and whatever the rule lets through must lie in
// the wallpaper's folder.
#include "movie/wallpaper_page.h"

#include <cstdlib>
#include <string>

using namespace ww::movie;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20)
        return 0;
    const std::string html(reinterpret_cast<const char*>(data), size);
    PageMovie page;
    std::string error;
    if (!ReadPageMovie(html, &page, &error)) {
        if (error.empty())
            std::abort();
        return 0;
    }
    const std::string folder = "/w/Web/Wallpaper/Ocean/";
    std::string path;
    if (ResolvePageMovie("/w/Web/Wallpaper/Ocean.htm", page.movie,
                         MovieScope::WallpaperFolder(folder), &path, &error)) {
        if (path.compare(0, folder.size(), folder) != 0 || path.size() == folder.size() ||
            path.find("/../") != std::string::npos || path.find("/./") != std::string::npos)
            std::abort();
    } else if (error.empty() || !path.empty()) {
        std::abort();
    }
    return 0;
}
