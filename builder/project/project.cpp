#include "builder/project/project.h"

#include "builder/project/workspace.h"
#include "common/file.h"
#include "common/package_format.h"
#include "common/package_reader.h"
#include "common/path.h"
#include "swf/projector.h"
#include "swf/swf_reader.h"

#include <algorithm>
#include <cctype>

namespace ww {

namespace {

const char* const kHAlignLabels[] = {"Left", "Center", "Right"};
const char* const kVAlignLabels[] = {"Top", "Middle", "Bottom"};
const char* const kScaleLabels[] = {"Default(Show all)", "No border", "Exact fit"};
const char* const kScaleValues[] = {"showall", "noborder", "exactfit"};
const char* const kQualityLabels[] = {"Low", "Auto Low", "Auto High", "Medium", "High", "Best"};
const char* const kQualityValues[] = {"low", "autolow", "autohigh", "medium", "high", "best"};
const char* const kDimensionsLabels[] = {"Match Movie", "Pixels", "Percent", "Full Screen"};

UserMessage Warn(const char* text) {
    return {text, MessageIcon::Exclamation};
}

// The names a package of kind stores, placed as the installer places them;
// files left to the shipped defaults go under the defaults' names.
PackageNames StoredNames(const WallpaperProject& p, OutputKind kind,
                         std::vector<std::string>* insidePaths) {
    PackageNames names;
    names.wallpaperName = p.WallpaperName;
    names.beside.push_back(p.WallpaperName + ".htm");
    auto inside = [&](const std::string& path, const char* defaultName) {
        insidePaths->push_back(path);
        names.inside.push_back(path.empty() ? defaultName : StripToFileName(path));
    };
    // A projector's movie is stored under the converted movie's fixed name.
    inside(HasEnding(p.SwfFilename, ".exe") ? std::string() : p.SwfFilename, kConvertedMovieName);
    inside(p.DisplayImageFilename, "display1.bmp");
    if (kind == OutputKind::InstallerPackage) {
        inside(p.TopImageFilename, "top1.bmp");
        inside(p.LeftImageFilename, "left1.bmp");
        inside(p.ReadmeFilename, "readme.txt");
        inside(std::string(), "");
        names.inside.back() = p.WallpaperName + ".exe";
    }
    for (const std::string& extra : p.ExtFileItems)
        inside(extra, "");
    return names;
}

BuildValidation Refusal(BuildStatus status, UserMessages messages) {
    return {status, std::move(messages)};
}

} // namespace

const ChoiceList kHorizontalAlignList = {kHAlignLabels, kHAlignLabels, 3};
const ChoiceList kVerticalAlignList = {kVAlignLabels, kVAlignLabels, 3};
const ChoiceList kScaleList = {kScaleLabels, kScaleValues, 3};
const ChoiceList kQualityList = {kQualityLabels, kQualityValues, 6};
const ChoiceList kDimensionsList = {kDimensionsLabels, nullptr, 4};

int32_t ClampChoice(const ChoiceList& list, int32_t index) {
    if (index < 0)
        return 0;
    return index >= list.count ? list.count - 1 : index;
}

const char* ChoiceValue(const ChoiceList& list, int32_t index) {
    const char* const* table = list.values ? list.values : list.labels;
    return table[ClampChoice(list, index)];
}

const char* FlagValue(int32_t flag) {
    return flag == 1 ? "true" : "false";
}

void ClampChoices(WallpaperProject& project) {
    project.FlashAlign_Horizontal =
        ClampChoice(kHorizontalAlignList, project.FlashAlign_Horizontal);
    project.FlashAlign_Vertical = ClampChoice(kVerticalAlignList, project.FlashAlign_Vertical);
    project.Scale = ClampChoice(kScaleList, project.Scale);
    project.Quality = ClampChoice(kQualityList, project.Quality);
    project.Dimensions = ClampChoice(kDimensionsList, project.Dimensions);
    for (int32_t* flag : {&project.AutoPlay, &project.Loop, &project.ShowMenu})
        *flag = *flag != 0 ? 1 : 0;
}

bool IsStandardMovie(const std::string& path, const MovieTests& tests) {
    if (HasEnding(path, ".swf"))
        return tests.isSwfFile && tests.isSwfFile(path);
    if (HasEnding(path, ".exe"))
        return tests.isProjector && tests.isProjector(path);
    return false;
}

UserMessages ValidateInformation(const WallpaperProject& project, const MovieTests& tests) {
    if (project.SwfFilename.empty())
        return {Warn("Please select a swf file!")};
    if (project.WallpaperName.empty())
        return {Warn("Please enter Wallpaper name!")};
    UserMessages messages;
    const std::string& movie = project.SwfFilename;
    if (!FileExists(movie)) {
        messages.push_back(Warn("Invalid file name"));
    } else if (!IsStandardMovie(movie, tests)) {
        messages.push_back(Warn("Non-standard SWF file!"));
    }
    if (!IsValidWallpaperName(project.WallpaperName))
        messages.push_back(Warn("Invalid Wallpaper name, please enter letters or number only!"));
    return messages;
}

namespace {

bool IsHexColour(const std::string& text) {
    if (text.size() != 7 || text[0] != '#')
        return false;
    return std::all_of(text.begin() + 1, text.end(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

// Digits only, no sign or blank, from 1 to most.
bool IsWholeNumberUpTo(const std::string& text, int32_t most) {
    if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        }))
        return false;
    const long value = std::stol(text);
    return value >= 1 && value <= most;
}

} // namespace

UserMessages ValidateSetting(const WallpaperProject& project) {
    if (project.BKGroundColor.empty())
        return {Warn("Please select a HTML background color!")};
    UserMessages messages;
    if (!IsHexColour(project.BKGroundColor))
        messages.push_back(Warn("The background color must be # and six hexadecimal digits, "
                                "such as #1E3C64!"));
    const bool percent = project.Dimensions == kDimensionsPercent;
    if (project.Dimensions != kDimensionsMatchMovie) {
        const int32_t most = percent ? kMaxPagePercent : kMaxPagePixels;
        if (!IsWholeNumberUpTo(project.Width, most) || !IsWholeNumberUpTo(project.Height, most))
            messages.push_back(Warn(percent ? "Width and height must be whole percentages "
                                              "from 1 to 1000!"
                                            : "Width and height must be whole numbers of "
                                              "pixels from 1 to 16384!"));
    }
    return messages;
}

UserMessages ValidatePreview(const WallpaperProject& project) {
    UserMessages messages;
    if (project.SwfFilename.empty()) {
        messages.push_back({"Please enter the SWF file name!", MessageIcon::Error});
        if (project.WallpaperName.empty())
            messages.push_back({"Please enter the Wallpaper name!", MessageIcon::Error});
    } else if (project.WallpaperName.empty()) {
        messages.push_back({"Please enter the Wallpaper name!", MessageIcon::Error});
    } else if (!IsValidWallpaperName(project.WallpaperName)) {
        messages.push_back(Warn("Incorrect Wallpaper Name, letters or number only!"));
    }
    return messages;
}

UserMessages IconWarning(const WallpaperProject& project, OutputKind kind) {
    if (project.IconFilename.empty() || FileExists(project.IconFilename))
        return {};
    // The two commands' texts differ by the leading blank.
    return {Warn(kind == OutputKind::ProjectableWallpaper ? " Invalid icon file!"
                                                          : "Invalid icon file!")};
}

const std::string& OutputPathOf(const WallpaperProject& project, OutputKind kind) {
    return kind == OutputKind::ProjectableWallpaper ? project.WovenliteFilename
                                                    : project.InstallerPackageFilename;
}

UserMessages ValidateOutputName(const WallpaperProject& project, OutputKind kind) {
    const std::string& output = OutputPathOf(project, kind);
    if (output.empty()) {
        return {Warn(kind == OutputKind::ProjectableWallpaper
                         ? "Please enter a file name of projectable wallpaper!"
                         : "Please enter a file name of the installer!")};
    }
    if (!HasEnding(output, ".exe"))
        return {{"File name error! Please save it as exe file!", MessageIcon::Stop}};
    return {};
}

std::string OverwriteQuestion(const std::string& outputPath) {
    return outputPath + " already exist,do you want to overwrite it?";
}

UserMessages ValidateReadme(const WallpaperProject& project) {
    const std::string& readme = project.ReadmeFilename;
    if (readme.empty())
        return {Warn("Readme file is required for buliding a custom installer!")};
    if (!FileExists(readme))
        return {Warn("Invalidate file!")};
    if (!HasEnding(readme, ".txt"))
        return {Warn("Only text file is available!")};
    return {};
}

BuildValidation ValidateForBuild(const WallpaperProject& project, OutputKind kind,
                                 const MovieTests& tests) {
    for (UserMessages messages : {ValidateInformation(project, tests), ValidateSetting(project),
                                  ValidateOutputName(project, kind)}) {
        if (!messages.empty())
            return Refusal(BuildStatus::Refused, std::move(messages));
    }
    if (kind == OutputKind::InstallerPackage) {
        UserMessages readme = ValidateReadme(project);
        if (!readme.empty())
            return Refusal(BuildStatus::ReadmeRefused, std::move(readme));
    }
    std::vector<std::string> paths;
    PackageNames names = StoredNames(project, kind, &paths);
    // The same bytes listed twice under one name install as one file.
    names.sameData = [&paths](size_t i, size_t j) {
        return !paths[i].empty() && !paths[j].empty() &&
               (paths[i] == paths[j] || SameFileBytes(paths[i], paths[j]));
    };
    std::string refused;
    const PackageError problem = CheckPackageNames(names, &refused);
    if (problem != PackageError::None)
        return Refusal(BuildStatus::Refused,
                       {{DescribeNameRefusal(problem, refused), MessageIcon::Exclamation}});
    return {};
}

MovieTests SwfMovieTests() {
    return {&IsSwfFile, &IsProjector};
}

} // namespace ww
