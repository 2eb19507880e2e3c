#include "builder/page/page_generator.h"

#include "common/file.h"
#include "common/path.h"

#include <utility>

namespace ww {

namespace {

bool IsPageSeparator(char c) {
    return c == '\\' || c == '/';
}

size_t LastPageSeparator(const std::string& path) {
    for (size_t i = path.size(); i > 0; --i) {
        if (IsPageSeparator(path[i - 1]))
            return i - 1;
    }
    return std::string::npos;
}

std::string WithPercent(const std::string& size, int32_t dimensions) {
    return dimensions == kDimensionsPercent ? size + "%" : size;
}

// The display image: the project's own, else the shipped default when it is
// there, else nothing.
std::string DisplayImageOf(const WallpaperProject& project, const Workspace& workspace) {
    if (!project.DisplayImageFilename.empty())
        return project.DisplayImageFilename;
    return workspace.DefaultDisplayImage();
}

// Text mode as Windows reads it: CR LF becomes LF, a lone CR stays.
std::string WithLineFeeds(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i];
    }
    return out;
}

// Text mode as Windows writes it: every LF goes out as CR LF.
std::string WithCarriageReturns(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

bool ReadTemplate(const std::string& path, std::string* text) {
    File in(path, "rb");
    if (!in.IsOpen())
        return false;
    int64_t size = in.Size();
    if (size < 0 || static_cast<uint64_t>(size) > kMaxPageSize)
        return false;
    std::string raw(static_cast<size_t>(size), '\0');
    if (!in.ReadExact(raw.data(), raw.size()))
        return false;
    *text = WithLineFeeds(raw);
    return true;
}

bool WritePage(const std::string& outputPath, std::string text) {
    size_t nul = text.find('\0');
    if (nul != std::string::npos)
        text.resize(nul);
    const std::string bytes = WithCarriageReturns(text);
    AtomicOutput out;
    if (!out.Begin(outputPath))
        return false;
    if (!out.file().Write(bytes.data(), bytes.size()))
        return false;
    return out.Commit();
}

} // namespace

std::string PageMovieFile(const WallpaperProject& project, const Workspace& workspace) {
    if (HasEnding(project.SwfFilename, ".exe"))
        return workspace.GetTempFolder() + kConvertedMovieName;
    return project.SwfFilename;
}

std::string PageFileNameOf(const std::string& path) {
    size_t cut = LastPageSeparator(path);
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string PageFolderOf(const std::string& path) {
    size_t cut = LastPageSeparator(path);
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

PageValues CollectPageValues(const WallpaperProject& project, const Workspace& workspace,
                             bool absolute) {
    const std::string& name = project.WallpaperName;
    std::string movie = PageMovieFile(project, workspace);
    std::string base;
    std::string display = DisplayImageOf(project, workspace);
    if (absolute) {
        base = PageFolderOf(movie);
    } else {
        movie = name + "\\" + PageFileNameOf(movie);
        base = ".\\" + name + "\\";
        display = name + "\\" + PageFileNameOf(display);
    }
    return {
        {"{TITLE}", name},
        {"{BGColor}", project.BKGroundColor},
        {"{HAlign}", ChoiceValue(kHorizontalAlignList, project.FlashAlign_Horizontal)},
        {"{VAlign}", ChoiceValue(kVerticalAlignList, project.FlashAlign_Vertical)},
        {"{Height}", WithPercent(project.Height, project.Dimensions)},
        {"{Width}", WithPercent(project.Width, project.Dimensions)},
        {"{MovieName}", movie},
        {"{AutoPlay}", FlagValue(project.AutoPlay)},
        {"{Loop}", FlagValue(project.Loop)},
        {"{ShowMenu}", FlagValue(project.ShowMenu)},
        {"{Quality}", ChoiceValue(kQualityList, project.Quality)},
        {"{Scale}", ChoiceValue(kScaleList, project.Scale)},
        {"{DISPLAYBITMAP}", display},
        {"{BasePath}", base},
    };
}

movie::PageMovie PagePlaybackOf(const WallpaperProject& project, const Workspace& workspace) {
    const struct {
        const char* placeholder;
        const char* setting;
    } kSettings[] = {
        {"{MovieName}", "movie"}, {"{AutoPlay}", "play"}, {"{Loop}", "loop"},
        {"{Quality}", "quality"}, {"{Scale}", "scale"},   {"{BGColor}", "bgcolor"},
        {"{Width}", "width"},     {"{Height}", "height"}, {"{HAlign}", "align"},
        {"{VAlign}", "valign"},
    };
    movie::PageMovie playback;
    for (const PagePlaceholder& value : CollectPageValues(project, workspace, true)) {
        for (const auto& s : kSettings) {
            if (std::string(value.placeholder) == s.placeholder)
                movie::ApplyPageSetting(s.setting, value.value, &playback);
        }
    }
    return playback;
}

bool ExpandPlaceholders(std::string& text, const PageValues& values) {
    for (const PagePlaceholder& entry : values) {
        const std::string placeholder = entry.placeholder;
        const std::string& value = entry.value;
        size_t count = 0;
        for (size_t at = text.find(placeholder); at != std::string::npos;
             at = text.find(placeholder, at + placeholder.size()))
            ++count;
        if (count == 0)
            continue;
        if (value.size() > placeholder.size()) {
            size_t growth = value.size() - placeholder.size();
            if (text.size() > kMaxPageSize || growth > (kMaxPageSize - text.size()) / count)
                return false;
        }
        std::string out;
        out.reserve(text.size() - count * placeholder.size() + count * value.size());
        size_t from = 0;
        for (size_t at = text.find(placeholder); at != std::string::npos;
             at = text.find(placeholder, from)) {
            out.append(text, from, at - from);
            out += value;
            from = at + placeholder.size();
        }
        out.append(text, from, std::string::npos);
        text.swap(out);
    }
    return true;
}

bool GenerateWallpaperPage(const WallpaperProject& project, const Workspace& workspace,
                           const std::string& outputPath, bool absolute) {
    if (outputPath.empty())
        return false;
    std::string text;
    if (!ReadTemplate(workspace.BuilderFile("res.sdt"), &text))
        return false;
    if (!ExpandPlaceholders(text, CollectPageValues(project, workspace, absolute)))
        return false;
    return WritePage(outputPath, std::move(text));
}

} // namespace ww
