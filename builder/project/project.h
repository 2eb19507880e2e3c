// WallpaperProject: every setting of one wallpaper under its project-file key
// name, the fixed value tables of the Setting page's lists, and the validation
// rules the pages and the command-line builder share.
#pragma once

#include "common/package_reader.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ww {

struct WallpaperProject {
    // Information page
    std::string SwfFilename;
    std::string WallpaperName;
    std::string PublisherName;
    std::string PublisherURL;
    std::string Copyright;
    // Setting page
    int32_t FlashAlign_Horizontal = 1;
    int32_t FlashAlign_Vertical = 1;
    int32_t Scale = 0;
    int32_t Quality = 2;
    int32_t Dimensions = 0;
    std::string Width;
    std::string Height;
    std::string BKGroundColor = "#FFFFFF";
    int32_t AutoPlay = 1;
    int32_t Loop = 1;
    int32_t ShowMenu = 1;
    // Installer page
    std::string TopImageFilename;
    std::string LeftImageFilename;
    std::string DisplayImageFilename;
    std::string ReadmeFilename;
    std::vector<std::string> ExtFileItems;
    // Build page
    std::string IconFilename;
    std::string WovenliteFilename;
    std::string InstallerPackageFilename;
};

// The Setting page's drop-down lists, in their fixed order.
struct ChoiceList {
    const char* const* labels; // entries as the list shows them
    const char* const* values; // what the page writes for each; null for Dimensions
    int32_t count;
};
extern const ChoiceList kHorizontalAlignList;
extern const ChoiceList kVerticalAlignList;
extern const ChoiceList kScaleList;
extern const ChoiceList kQualityList;
extern const ChoiceList kDimensionsList;

constexpr int32_t kDimensionsMatchMovie = 0;
constexpr int32_t kDimensionsPixels = 1;
constexpr int32_t kDimensionsPercent = 2;
constexpr int32_t kDimensionsFullScreen = 3;

// An index brought into the list's range: below 0 gives the first entry, past
// the end the last.
int32_t ClampChoice(const ChoiceList& list, int32_t index);
// The value a list index stands for in the page (index clamped).
const char* ChoiceValue(const ChoiceList& list, int32_t index);
// "true" for 1, "false" for anything else.
const char* FlagValue(int32_t flag);
// Clamps every list index and flag of the record into range.
void ClampChoices(WallpaperProject& project);

// A message box's icon. Exclamation and Stop are the rules' own words for the
// warning and error icons.
enum class MessageIcon { Exclamation, Stop, Error, Information, Question };

struct UserMessage {
    std::string text;
    MessageIcon icon;
};
using UserMessages = std::vector<UserMessage>;

// What the movie-file check needs to know about the file's content; tests
// give stand-ins.
struct MovieTests {
    std::function<bool(const std::string&)> isSwfFile;
    std::function<bool(const std::string&)> isProjector;
};

// The real content tests: the SWF signature and the projector trailer.
MovieTests SwfMovieTests();

enum class OutputKind { ProjectableWallpaper, InstallerPackage };

// The name a projector's movie is taken out under and packed as.
constexpr const char* kConvertedMovieName = "TmpCvtSwfFile.swf";

// Whether an existing movie file is one the builder takes: a ".swf" (any
// case) that is a SWF movie, or an ".exe" that is a projector; nothing else.
// A file that fails gets "Non-standard SWF file!".
bool IsStandardMovie(const std::string& path, const MovieTests& tests);
// Leaving the Information page forward, in order: a movie is named, a
// wallpaper name is given, the movie exists and is a standard movie, and the
// name holds no character a file name cannot; empty when valid.
UserMessages ValidateInformation(const WallpaperProject& project, const MovieTests& tests);
// The largest width or height a page may ask for, in pixels and in percent.
constexpr int32_t kMaxPagePixels = 16384;
constexpr int32_t kMaxPagePercent = 1000;

// Leaving the Setting page forward: a background colour is chosen, and it is
// "#" with six hexadecimal digits; a width and height the author sets (every
// mode but Match Movie) are whole numbers from 1 to 16384 pixels, or 1 to
// 1000 percent.
UserMessages ValidateSetting(const WallpaperProject& project);
// Desktop preview: a movie and a valid wallpaper name.
UserMessages ValidatePreview(const WallpaperProject& project);
// A warning for a named icon that does not exist; the build goes on.
UserMessages IconWarning(const WallpaperProject& project, OutputKind kind);
// The output name: given, and ending in ".exe"; the overwrite question is
// separate.
UserMessages ValidateOutputName(const WallpaperProject& project, OutputKind kind);
// The question for an output that exists already.
std::string OverwriteQuestion(const std::string& outputPath);
// The readme of an installer package: named, existing, and a ".txt" file.
UserMessages ValidateReadme(const WallpaperProject& project);
// The output path the project names for a kind.
const std::string& OutputPathOf(const WallpaperProject& project, OutputKind kind);

// Why a build stopped before writing anything, or what became of it.
enum class BuildStatus {
    Built,
    Refused,       // the project breaks a rule; the messages say which
    ReadmeRefused, // the readme check: the Installer page is to be brought up
    PageFailed,    // the page could not be generated from the template
    Failed,        // a writer failed; nothing of the output is left behind
};

struct BuildValidation {
    BuildStatus status = BuildStatus::Built; // Built: the build may go on
    UserMessages messages;
    bool ok() const { return status == BuildStatus::Built; }
};

// Every check a build of kind depends on, in the order the pages test them:
// the Information page's, the Setting page's, the output name, and the
// readme for the installer package; then
// each name the package will store, refused with the installers' own reason
// when their readers would refuse it. The overwrite question and the icon
// warning stay with the caller. Reads the movie; writes nothing.
BuildValidation ValidateForBuild(const WallpaperProject& project, OutputKind kind,
                                 const MovieTests& tests);

} // namespace ww
