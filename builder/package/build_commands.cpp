#include "builder/package/build_commands.h"

#include "builder/package/movie_still.h"
#include "builder/package/package_writers.h"
#include "builder/page/page_generator.h"
#include "common/file.h"
#include "common/fs.h"
#include "common/path.h"
#include "movie/render.h"
#include "swf/projector.h"
#include "swf/swf_reader.h"

namespace ww {

namespace {

BuildOutcome Outcome(BuildStatus status, const std::string& outputPath, UserMessages messages,
                     const std::string& reason) {
    BuildOutcome outcome;
    outcome.status = status;
    outcome.built = status == BuildStatus::Built;
    outcome.showInstallerPage = status == BuildStatus::ReadmeRefused;
    outcome.outputPath = outputPath;
    outcome.messages = std::move(messages);
    outcome.reason = reason;
    return outcome;
}

BuildOutcome Failed(const std::string& outputPath, const std::string& reason) {
    return Outcome(BuildStatus::Failed, outputPath,
                   {{BuildFailureMessage(outputPath), MessageIcon::Error}}, reason);
}

BuildOutcome Built(const std::string& outputPath) {
    return Outcome(BuildStatus::Built, outputPath, {}, std::string());
}

// Nothing is written for a project that breaks a rule, from any caller.
bool Validate(const WallpaperProject& project, OutputKind kind, BuildOutcome* refused) {
    BuildValidation check = ValidateForBuild(project, kind, SwfMovieTests());
    if (check.ok())
        return true;
    const std::string reason = check.messages.front().text;
    *refused =
        Outcome(check.status, OutputPathOf(project, kind), std::move(check.messages), reason);
    return false;
}

// The movie file to pack: the page refers to a projector's movie under its
// converted name in the temp folder, so it is taken out there first.
bool PrepareMovie(const WallpaperProject& project, const Workspace& workspace, std::string* movie,
                  std::string* reason) {
    *movie = PageMovieFile(project, workspace);
    if (*movie == project.SwfFilename)
        return true;
    if (!ExtractProjectorMovie(project.SwfFilename, *movie)) {
        *reason = "the movie cannot be taken out of the projector " + project.SwfFilename;
        return false;
    }
    return true;
}

// Every extra file must be there to be packed: the projectable wallpaper
// refuses a missing one as the setup package does, in its words.
bool ExtraFilesReadable(const WallpaperProject& project, std::string* reason) {
    for (const std::string& extra : project.ExtFileItems) {
        File in(extra, "rb");
        if (in.Size() < 0) {
            *reason = "the file " + extra + " cannot be read";
            return false;
        }
    }
    return true;
}

std::string OrDefault(const std::string& setting, const std::string& fallback) {
    return setting.empty() ? fallback : setting;
}

// The author's display image; without one, a still of the movie as the page
// shows it, or the shipped picture when the movie draws nothing to show.
std::string DisplayImageFor(const WallpaperProject& project, const Workspace& workspace,
                            const std::string& page, const std::string& movie) {
    if (!project.DisplayImageFilename.empty())
        return project.DisplayImageFilename;
    const std::string still = workspace.GetTempFolder() + kMovieStillName;
    RemoveFile(still);
    movie::Canvas picture;
    long frame = 0;
    std::string error;
    if (RenderMovieStill(page, movie, kMovieStillWidth, kMovieStillHeight, &picture, &frame,
                         &error) &&
        movie::WritePng(picture, still))
        return still;
    return workspace.DefaultDisplayImage();
}

} // namespace

std::string BuildFailureMessage(const std::string& outputPath) {
    return "Failed to build " + outputPath + "! Please check again!";
}

std::string BuildSuccessQuestion(const std::string& outputPath) {
    return "The " + outputPath +
           " was built successfully!  Press Yes to open it, Press No to go to destination "
           "directory, Press Cancel to exit this window!";
}

BuildOutcome BuildProjectableWallpaper(const WallpaperProject& project,
                                       const Workspace& workspace) {
    const std::string& output = project.WovenliteFilename;
    BuildOutcome refused;
    if (!Validate(project, OutputKind::ProjectableWallpaper, &refused))
        return refused;
    const std::string page = workspace.GetTempFolder() + project.WallpaperName + ".htm";
    if (!GenerateWallpaperPage(project, workspace, page, false)) {
        return Outcome(BuildStatus::PageFailed, output,
                       {{"Failed to build HTML File!", MessageIcon::Error}},
                       "the wallpaper page cannot be generated from res.sdt");
    }
    std::string movie, reason;
    if (!PrepareMovie(project, workspace, &movie, &reason) || !ExtraFilesReadable(project, &reason))
        return Failed(output, reason);

    SimplePackageWriter writer;
    writer.SetWallpaperName(project.WallpaperName);
    writer.SetStubFile(workspace.BuilderFile("Wovenlite.exe"));
    writer.SetMovieFile(movie);
    writer.SetPageFile(page);
    writer.SetImageFile(DisplayImageFor(project, workspace, page, movie));
    for (const std::string& extra : project.ExtFileItems)
        writer.AddExtraFile(extra);
    if (!writer.Build(output, project.IconFilename))
        return Failed(output, writer.error());
    return Built(output);
}

BuildOutcome BuildInstallerPackage(const WallpaperProject& project, const Workspace& workspace) {
    const std::string& output = project.InstallerPackageFilename;
    BuildOutcome refused;
    if (!Validate(project, OutputKind::InstallerPackage, &refused))
        return refused;
    const std::string outputFolder = workspace.GetOutputFolder();
    // A page or player left by an earlier build must never be packed in
    // place of one that could not be made now.
    const std::string page = outputFolder + project.WallpaperName + ".htm";
    RemoveFile(page);
    GenerateWallpaperPage(project, workspace, page, false);
    const std::string client = outputFolder + project.WallpaperName + ".exe";
    RemoveFile(client);
    PlayerTailWriter player;
    player.SetStubFile(workspace.BuilderFile("Wovenplay.exe"));
    player.SetPageFile(page);
    player.SetWallpaperName(project.WallpaperName);
    player.SetPublisherName(project.PublisherName);
    player.SetPublisherUrl(project.PublisherURL);
    player.SetCopyright(project.Copyright);
    if (!player.Build(client, project.IconFilename))
        return Failed(output, "the player program cannot be made: " + player.error());
    std::string movie, reason;
    if (!PrepareMovie(project, workspace, &movie, &reason))
        return Failed(output, reason);

    SetupPackageWriter writer;
    writer.SetStubFile(workspace.BuilderFile("Wovenset.exe"));
    writer.SetSlotFile(kSlotPage, page);
    writer.SetSlotFile(kSlotMovie, movie);
    writer.SetSlotFile(kSlotDisplayImage,
                       OrDefault(project.DisplayImageFilename, workspace.DefaultDisplayImage()));
    writer.SetSlotFile(kSlotTopImage,
                       OrDefault(project.TopImageFilename, workspace.DefaultTopImage()));
    writer.SetSlotFile(kSlotLeftImage,
                       OrDefault(project.LeftImageFilename, workspace.DefaultLeftImage()));
    writer.SetSlotFile(kSlotReadme, project.ReadmeFilename);
    writer.SetSlotFile(kSlotPlayer, client);
    writer.SetExtraCount(static_cast<int>(project.ExtFileItems.size()));
    for (size_t i = 0; i < project.ExtFileItems.size(); ++i)
        writer.SetExtraFile(static_cast<int>(i), project.ExtFileItems[i]);
    writer.SetWallpaperName(project.WallpaperName);
    writer.SetPublisherName(project.PublisherName);
    writer.SetPublisherUrl(project.PublisherURL);
    writer.SetCopyright(project.Copyright);
    if (!writer.Build(output, project.IconFilename))
        return Failed(output, writer.error());
    return Built(output);
}

} // namespace ww
