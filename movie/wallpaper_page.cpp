#include "movie/wallpaper_page.h"

#include "common/file.h"
#include "common/folder_reference.h"
#include "common/fs.h"
#include "common/path.h"

#include <algorithm>
#include <map>
#include <vector>

namespace ww::movie {

namespace {

struct Tag {
    std::string name; // lower case
    std::map<std::string, std::string> attributes;
};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// Reads the tag that starts at text[at] == '<'; at moves past it. Values are
// taken as the page generator writes them, with no entities decoded.
Tag ReadTag(const std::string& text, size_t& at) {
    Tag tag;
    bool unclosed = false;
    size_t i = at + 1;
    // The slash of an end tag belongs to its name: "/object".
    if (i < text.size() && text[i] == '/')
        tag.name += text[i++];
    while (i < text.size() && !IsSpace(text[i]) && text[i] != '>' && text[i] != '/')
        tag.name += text[i++];
    tag.name = ToLowerAscii(tag.name);
    while (i < text.size() && text[i] != '>') {
        if (IsSpace(text[i]) || text[i] == '/') {
            ++i;
            continue;
        }
        std::string name;
        while (i < text.size() && !IsSpace(text[i]) && text[i] != '=' && text[i] != '>')
            name += text[i++];
        while (i < text.size() && IsSpace(text[i]))
            ++i;
        std::string value;
        if (i < text.size() && text[i] == '=') {
            ++i;
            while (i < text.size() && IsSpace(text[i]))
                ++i;
            if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
                const char quote = text[i++];
                const size_t end = text.find(quote, i);
                const size_t stop = end == std::string::npos ? text.size() : end;
                unclosed = unclosed || end == std::string::npos;
                value = text.substr(i, stop - i);
                i = end == std::string::npos ? stop : end + 1;
            } else {
                // "/>" closes an empty-element tag; a lone slash is part of the value.
                while (i < text.size() && !IsSpace(text[i]) && text[i] != '>' &&
                       text.compare(i, 2, "/>") != 0)
                    value += text[i++];
            }
        }
        if (!name.empty())
            tag.attributes.emplace(ToLowerAscii(name), value);
    }
    // A tag the text ends inside (a page cut short) holds nothing to go by:
    // its last value may be part of a name.
    if (i >= text.size() || unclosed) {
        at = text.size();
        return Tag();
    }
    at = i + 1;
    return tag;
}

const std::string* Attribute(const Tag& tag, const char* name) {
    auto it = tag.attributes.find(name);
    return it == tag.attributes.end() ? nullptr : &it->second;
}

std::string Trimmed(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && IsSpace(text[b]))
        ++b;
    while (e > b && IsSpace(text[e - 1]))
        --e;
    return text.substr(b, e - b);
}

void SetFlag(const std::string& text, bool* flag) {
    const std::string v = ToLowerAscii(Trimmed(text));
    if (v == "true" || v == "1" || v == "yes")
        *flag = true;
    else if (v == "false" || v == "0" || v == "no")
        *flag = false;
}

void SetSide(const std::string& text, BoxSide* side) {
    const std::string v = Trimmed(text);
    size_t i = 0;
    long value = 0;
    while (i < v.size() && v[i] >= '0' && v[i] <= '9' && value <= 100000)
        value = value * 10 + (v[i++] - '0');
    if (i == 0 || value > 100000)
        return;
    const bool percent = i < v.size() && v[i] == '%';
    if (i + (percent ? 1 : 0) != v.size())
        return;
    side->value = static_cast<int>(value);
    side->percent = percent;
}

void SetAlign(const std::string& text, const char* nearName, const char* farName, Align* align) {
    const std::string v = ToLowerAscii(Trimmed(text));
    if (v == nearName)
        *align = Align::Near;
    else if (v == farName)
        *align = Align::Far;
    else if (v == "center" || v == "middle")
        *align = Align::Center;
}

} // namespace

void ApplyPageSetting(const std::string& name, const std::string& value, PageMovie* s) {
    if (name == "movie" || name == "src")
        s->movie = Trimmed(value);
    else if (name == "play")
        SetFlag(value, &s->play);
    else if (name == "loop")
        SetFlag(value, &s->loop);
    else if (name == "quality")
        s->quality = ToLowerAscii(Trimmed(value));
    else if (name == "scale") {
        ScaleMode mode;
        if (ParseScaleMode(ToLowerAscii(Trimmed(value)), &mode))
            s->scale = mode;
    } else if (name == "salign") {
        s->align = ParseStageAlign(value);
    } else if (name == "bgcolor") {
        s->hasBackground = ParseHtmlColor(Trimmed(value), &s->background) || s->hasBackground;
    } else if (name == "width") {
        SetSide(value, &s->width);
    } else if (name == "height") {
        SetSide(value, &s->height);
    } else if (name == "align") {
        SetAlign(value, "left", "right", &s->horizontal);
    } else if (name == "valign") {
        SetAlign(value, "top", "bottom", &s->vertical);
    }
}

namespace {

int SideInPixels(const BoxSide& side, int screen) {
    if (!side.percent)
        return std::min(side.value, kMaxOutputSide);
    return static_cast<int>(
        std::min<long long>(static_cast<long long>(screen) * side.value / 100, kMaxOutputSide));
}

int Offset(Align align, int room) {
    switch (align) {
    case Align::Near:
        return 0;
    case Align::Far:
        return room;
    case Align::Center:
        break;
    }
    return room / 2;
}

} // namespace

bool ParseHtmlColor(const std::string& text, Rgba* color) {
    if (text.size() != 7 || text[0] != '#')
        return false;
    unsigned value = 0;
    for (size_t i = 1; i < 7; ++i) {
        const char c = text[i];
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    *color = Rgba{static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
                  static_cast<uint8_t>(value), 255};
    return true;
}

bool ReadPageMovie(const std::string& html, PageMovie* settings, std::string* error) {
    PageMovie embed;
    std::vector<std::pair<std::string, std::string>> params;
    Tag cell, object;
    bool inObject = false, sawObject = false, sawEmbed = false;
    Tag embedCell;
    for (size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at)) {
        if (html.compare(at, 4, "<!--") == 0) {
            const size_t end = html.find("-->", at + 4);
            at = end == std::string::npos ? html.size() : end + 3;
            continue;
        }
        const Tag tag = ReadTag(html, at);
        if (tag.name == "td" && !sawObject) {
            cell = tag;
        } else if (tag.name == "object" && !sawObject) {
            object = tag;
            inObject = sawObject = true;
        } else if (tag.name == "/object") {
            inObject = false;
        } else if (tag.name == "param" && inObject) {
            const std::string* name = Attribute(tag, "name");
            const std::string* value = Attribute(tag, "value");
            if (name && value)
                params.emplace_back(ToLowerAscii(*name), *value);
        } else if (tag.name == "embed" && !sawEmbed) {
            sawEmbed = true;
            if (!sawObject)
                embedCell = cell;
            for (const auto& a : tag.attributes) {
                if (a.first != "align" && a.first != "valign")
                    ApplyPageSetting(a.first, a.second, &embed);
            }
        }
    }
    // The object's parameters are what the control was given; the embed
    // fills in what they leave out.
    PageMovie s = embed;
    if (sawObject) {
        for (const auto& p : params) {
            // An empty parameter gives the control nothing; the embed's stands.
            if (p.first != "width" && p.first != "height" && p.first != "align" &&
                p.first != "valign" && !Trimmed(p.second).empty())
                ApplyPageSetting(p.first, p.second, &s);
        }
        if (const std::string* w = Attribute(object, "width"))
            SetSide(*w, &s.width);
        if (const std::string* h = Attribute(object, "height"))
            SetSide(*h, &s.height);
    } else {
        cell = embedCell;
    }
    for (const char* name : {"align", "valign"}) {
        if (const std::string* value = Attribute(cell, name))
            ApplyPageSetting(name, *value, &s);
    }
    if (s.movie.empty()) {
        *error = "the page names no Flash movie";
        return false;
    }
    // A control character, NUL above all, would cut the path short when it
    // reaches the system and open some other file.
    if (std::any_of(s.movie.begin(), s.movie.end(),
                    [](unsigned char c) { return c < 0x20 || c == 0x7F; })) {
        *error = "the page's Flash movie name holds a control character";
        return false;
    }
    *settings = s;
    return true;
}

bool LoadPageMovie(const std::string& pagePath, PageMovie* settings, std::string* error) {
    File f;
    if (!f.Open(pagePath, "rb")) {
        *error = "cannot open the wallpaper page " + pagePath;
        return false;
    }
    const int64_t size = FileSizeOf(pagePath);
    if (size < 0 || static_cast<uint64_t>(size) > kMaxWallpaperPageSize) {
        *error = "the wallpaper page " + pagePath + " is too large to be one";
        return false;
    }
    std::string html(static_cast<size_t>(size), '\0');
    if (!f.ReadExact(html.data(), html.size())) {
        *error = "cannot read the wallpaper page " + pagePath;
        return false;
    }
    return ReadPageMovie(html, settings, error);
}

std::string PageMoviePath(const std::string& pagePath, const std::string& reference) {
    std::string local = reference;
    for (char& c : local) {
        if (c == '\\' || c == '/')
            c = kPathSeparator;
    }
    if (IsAbsolutePath(local))
        return local;
    while (local.compare(0, 2, std::string(".") + kPathSeparator) == 0)
        local.erase(0, 2);
    return FolderOfPath(pagePath) + local;
}

bool ResolvePageMovie(const std::string& pagePath, const std::string& reference,
                      const MovieScope& scope, std::string* path, std::string* error) {
    if (!scope.confined) {
        *path = PageMoviePath(pagePath, reference);
        return true;
    }
    // The page lies beside the folder, so its reference starts with the
    // folder's own name; after that it must stay inside.
    const std::string folder = WithoutTrailingSeparator(scope.folder);
    const std::string folderName = FileNameOfPath(folder);
    std::vector<std::string> names;
    ReferenceFault fault = ReferenceNames(reference, &names);
    // The installer wrote each file under the name this system takes; the
    // page holds the names as the package stores them.
    for (std::string& name : names) {
        std::string local;
        if (NameForThisSystem(name, &local))
            name = local;
    }
    if (fault == ReferenceFault::None &&
        (folderName.empty() || names.size() < 2 || !EqualsNoCase(names[0], folderName)))
        fault = ReferenceFault::Outside;
    if (fault == ReferenceFault::None) {
        // Joined as they are: a re-encoded name may hold a byte that looks
        // like a separator inside a double-byte character.
        *path = folder;
        for (size_t i = 1; i < names.size(); ++i)
            *path += kPathSeparator + names[i];
        return true;
    }
    path->clear();
    *error = "the page's Flash movie \"" + reference + "\" " +
             ReferenceFaultText(fault, "the wallpaper's folder") + ": " + pagePath;
    return false;
}

PixelBox PlaceBox(const PageMovie& settings, int screenWidth, int screenHeight) {
    PixelBox box;
    box.width = std::max(0, SideInPixels(settings.width, screenWidth));
    box.height = std::max(0, SideInPixels(settings.height, screenHeight));
    box.x = Offset(settings.horizontal, screenWidth - box.width);
    box.y = Offset(settings.vertical, screenHeight - box.height);
    return box;
}

PixelBox FitScreen(int areaWidth, int areaHeight, int screenWidth, int screenHeight) {
    PixelBox box{0, 0, std::max(0, areaWidth), std::max(0, areaHeight)};
    if (screenWidth <= 0 || screenHeight <= 0)
        return box;
    // Cross products in 64 bits: which side of the area the screen fills.
    const int64_t across = static_cast<int64_t>(box.width) * screenHeight;
    const int64_t down = static_cast<int64_t>(box.height) * screenWidth;
    if (across > down)
        box.width = static_cast<int>((down + screenHeight / 2) / screenHeight);
    else
        box.height = static_cast<int>((across + screenWidth / 2) / screenWidth);
    box.x = (std::max(0, areaWidth) - box.width) / 2;
    box.y = (std::max(0, areaHeight) - box.height) / 2;
    return box;
}

} // namespace ww::movie
