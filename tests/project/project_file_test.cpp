#include "builder/project/project_file.h"

#include "builder/project/profile.h"
#include "common/fs.h"
#include "common/path.h"
#include "tests/support/fixtures.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace ww {
namespace {

using test::ReadFileText;
using test::TempDir;
using test::WriteFileText;

const std::string kSep(1, kPathSeparator);

WallpaperProject FullProject(const TempDir& dir) {
    WallpaperProject p;
    p.SwfFilename = dir / "wave.swf";
    p.WallpaperName = "Ocean";
    p.PublisherName = "Tide Works";
    p.PublisherURL = "http://example.invalid/";
    p.Copyright = "(c) 2026";
    p.TopImageFilename = dir / "top.bmp";
    p.ReadmeFilename = dir / "readme.txt";
    p.ExtFileItems = {dir / "a.txt", dir / "b.txt", dir / "a.txt"};
    p.FlashAlign_Horizontal = 2;
    p.FlashAlign_Vertical = 0;
    p.Scale = 1;
    p.Quality = 5;
    p.Dimensions = 1;
    p.Width = "640";
    p.Height = "480";
    p.BKGroundColor = "#1E3C64";
    p.ShowMenu = 0;
    p.IconFilename = dir / "app.ico";
    p.WovenliteFilename = dir / "out" + kSep + "Ocean.exe";
    p.InstallerPackageFilename = dir / "out" + kSep + "Setup.exe";
    return p;
}

void ExpectSame(const WallpaperProject& a, const WallpaperProject& b) {
    auto ea = ProjectFileEntries(a), eb = ProjectFileEntries(b);
    EXPECT_EQ(ea, eb);
}

TEST(ProjectFile, RoundTripInKeyOrderWithCrLf) {
    TempDir dir;
    WallpaperProject saved = FullProject(dir);
    ASSERT_TRUE(WriteProjectFile(dir / "p.sdf", saved));
    WallpaperProject opened;
    ASSERT_TRUE(ReadProjectFile(dir / "p.sdf", &opened));
    ExpectSame(saved, opened);
    std::string text = ReadFileText(dir / "p.sdf");
    EXPECT_EQ(text.rfind("[General]\r\nSwfFilename=", 0), 0u) << text;
    EXPECT_NE(text.find("ExtFileCount=3\r\nExtFileItem0="), std::string::npos);
    EXPECT_NE(text.find("Height=480\r\nWidth=640\r\n"), std::string::npos);
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);
}

TEST(ProjectFile, FewerExtraFilesLeaveTheOldKeysWhichOpeningIgnores) {
    TempDir dir;
    // Someone's notes in the file stay where they are.
    const std::string foreign = "; notes\r\n[Other]\r\nx=1\r\n";
    WriteFileText(dir / "p.sdf", foreign);
    WallpaperProject p = FullProject(dir);
    ASSERT_TRUE(WriteProjectFile(dir / "p.sdf", p));
    p.ExtFileItems = {dir / "only.txt"};
    ASSERT_TRUE(WriteProjectFile(dir / "p.sdf", p));
    std::string text = ReadFileText(dir / "p.sdf");
    EXPECT_EQ(text.rfind(foreign + "[General]\r\nSwfFilename=", 0), 0u) << text;
    EXPECT_NE(text.find("ExtFileCount=1\r\nExtFileItem0=" + (dir / "only.txt") + "\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("ExtFileItem1="), std::string::npos);
    EXPECT_NE(text.find("ExtFileItem2="), std::string::npos);
    WallpaperProject opened;
    ASSERT_TRUE(ReadProjectFile(dir / "p.sdf", &opened));
    EXPECT_EQ(opened.ExtFileItems, std::vector<std::string>{dir / "only.txt"});
}

TEST(ProjectFile, ValuesAsStoredAndAsRead) {
    TempDir dir;
    WallpaperProject p;
    p.PublisherURL = "http://example.invalid/" + std::string(277, 'x'); // 300 characters
    p.Dimensions = 2;
    p.Width = "100";
    p.Height = "12px";
    ASSERT_TRUE(WriteProjectFile(dir / "p.sdf", p));
    EXPECT_NE(ReadFileText(dir / "p.sdf").find(p.PublisherURL), std::string::npos);
    WallpaperProject q;
    ASSERT_TRUE(ReadProjectFile(dir / "p.sdf", &q));
    EXPECT_EQ(q.PublisherURL, p.PublisherURL.substr(0, 259));
    EXPECT_EQ(q.Dimensions, 2);
    EXPECT_EQ(q.Width, "100");
    EXPECT_EQ(q.Height, "12"); // the leading digits only
}

TEST(ProjectFile, AFileThatIsNoProjectOpensEmptyAndOutOfRangeIndexesAreClamped) {
    TempDir dir;
    WriteFileText(dir / "notes.sdf", "just some text\nnot an INI file\n");
    WallpaperProject p;
    ASSERT_TRUE(ReadProjectFile(dir / "notes.sdf", &p));
    EXPECT_TRUE(p.SwfFilename.empty() && p.WallpaperName.empty());
    EXPECT_EQ(p.FlashAlign_Horizontal + p.Quality + p.Dimensions, 0);
    EXPECT_EQ(p.AutoPlay + p.Loop + p.ShowMenu, 0);
    EXPECT_TRUE(p.BKGroundColor.empty());

    WriteFileText(dir / "wild.sdf",
                  "[General]\r\nQuality=9\r\nScale=3\r\nDimensions=4\r\nAutoPlay=2\r\n"
                  "ExtFileCount=99999999\r\n");
    ASSERT_TRUE(ReadProjectFile(dir / "wild.sdf", &p));
    EXPECT_EQ(p.Quality, 5);
    EXPECT_EQ(p.Scale, 2);
    EXPECT_EQ(p.Dimensions, 3);
    EXPECT_EQ(p.AutoPlay, 1);
    EXPECT_EQ(p.ExtFileItems.size(), static_cast<size_t>(kMaxStoredExtraFiles));

    WallpaperProject untouched = FullProject(dir);
    EXPECT_FALSE(ReadProjectFile(dir / "missing.sdf", &untouched));
    EXPECT_FALSE(ReadProjectFile("", &untouched));
    EXPECT_FALSE(ReadProjectFile(dir.path(), &untouched));    // a folder
    EXPECT_FALSE(ReadProjectFile(dir / "*.sdf", &untouched)); // a pattern
    EXPECT_EQ(untouched.WallpaperName, "Ocean");
}

#ifndef _WIN32
// Our body only: the system's functions read NUL bytes inside a file their
// own way (found by fuzzing the reader; left as the system has it).
TEST(ProjectFile, AValueWithANulReadsAsWhatSavingItAgainStores) {
    TempDir dir;
    using namespace std::string_literals;
    const std::string text = "[General]\r\nSwfFilename=C:\\a \0\xff\\wave.swf\r\n"s +
                             "PublisherURL=\"http://example.invalid/\"\0\n"s +
                             "Copyright= \0x\r\n"s;
    test::WriteFileBytes(dir / "nul.sdf", test::Bytes(text.begin(), text.end()));
    WallpaperProject first, second;
    ASSERT_TRUE(ReadProjectFile(dir / "nul.sdf", &first));
    EXPECT_EQ(first.SwfFilename, "C:\\a");
    EXPECT_EQ(first.PublisherURL, "http://example.invalid/");
    EXPECT_EQ(first.Copyright, "");
    ASSERT_TRUE(WriteProjectFile(dir / "nul.sdf", first));
    ASSERT_TRUE(ReadProjectFile(dir / "nul.sdf", &second));
    EXPECT_EQ(ProjectFileEntries(first), ProjectFileEntries(second));
}

#endif

TEST(LoadProjectFile, RelativePathsFollowTheProjectFile) {
    TempDir dir;
    ASSERT_TRUE(CreateFolder(dir / "proj"));
    WriteFileText(
        dir / "proj" + kSep + "p.sdf",
        "[General]\r\nSwfFilename=media\\wave.swf\r\nReadmeFilename=" + (dir / "abs.txt") +
            "\r\nIconFilename=C:\\Icons\\app.ico\r\nExtFileCount=1\r\n"
            "ExtFileItem0=x.txt\r\nWovenliteFilename=out.exe\r\n"
            "TopImageFilename=\\Work\\top.bmp\r\nLeftImageFilename=/art/left.bmp\r\n");
    WallpaperProject p;
    ASSERT_TRUE(LoadProjectFile(dir / "proj" + kSep + "p.sdf", &p));
    const std::string base = dir / "proj" + kSep;
    EXPECT_EQ(p.SwfFilename, base + "media" + kSep + "wave.swf");
    EXPECT_EQ(p.ReadmeFilename, dir / "abs.txt");
    EXPECT_EQ(p.IconFilename, "C:\\Icons\\app.ico");
    EXPECT_EQ(p.ExtFileItems, std::vector<std::string>{base + "x.txt"});
    EXPECT_EQ(p.WovenliteFilename, base + "out.exe");
    // From the root of a drive: no path below the project's folder.
    EXPECT_EQ(p.TopImageFilename, "\\Work\\top.bmp");
    EXPECT_EQ(p.LeftImageFilename, "/art/left.bmp");
    EXPECT_TRUE(p.DisplayImageFilename.empty());
}

TEST(DropMissingFiles, AProjectWhoseFilesMovedAwayOpensWithoutThem) {
    TempDir dir;
    WallpaperProject saved = FullProject(dir);
    for (const char* name : {"wave.swf", "a.txt", "b.txt", "readme.txt", "top.bmp", "app.ico"})
        test::WriteFileBytes(dir / name, {1});
    ASSERT_TRUE(WriteProjectFile(dir / "p.sdf", saved));
    WallpaperProject opened;
    ASSERT_TRUE(LoadProjectFile(dir / "p.sdf", &opened));
    EXPECT_TRUE(DropMissingFiles(opened));
    ExpectSame(saved, opened);

    for (const char* name : {"wave.swf", "b.txt", "top.bmp", "app.ico"})
        ASSERT_TRUE(RemoveFile(dir / name));
    ASSERT_TRUE(LoadProjectFile(dir / "p.sdf", &opened));
    EXPECT_FALSE(DropMissingFiles(opened)); // the window then sets the movie size to 0
    EXPECT_TRUE(opened.SwfFilename.empty());
    EXPECT_TRUE(opened.TopImageFilename.empty());
    EXPECT_TRUE(opened.IconFilename.empty());
    EXPECT_EQ(opened.ReadmeFilename, dir / "readme.txt");
    EXPECT_EQ(opened.ExtFileItems, (std::vector<std::string>{dir / "a.txt", dir / "a.txt"}));
    // Output paths are not tested: they name files still to be built.
    EXPECT_EQ(opened.WovenliteFilename, saved.WovenliteFilename);
    EXPECT_EQ(opened.InstallerPackageFilename, saved.InstallerPackageFilename);
    EXPECT_EQ(opened.WallpaperName, "Ocean");
}

// Each key is one row of the table: a record filled through the rows alone
// is saved, opened, resolved and dropped through them, so a new setting needs
// that one row and nothing else.
TEST(ProjectFields, EveryRowIsSavedOpenedResolvedAndDroppedThroughTheTable) {
    TempDir dir;
    ASSERT_TRUE(CreateFolder(dir / "files"));
    const std::string files = "files" + kSep;
    WallpaperProject stored;
    int n = 0;
    for (const ProjectField& f : ProjectFields()) {
        SCOPED_TRACE(f.key);
        ++n;
        ASSERT_EQ((f.text != nullptr) + (f.number != nullptr) + (f.list != nullptr), 1);
        switch (f.kind) {
        case FieldKind::Number:
            stored.*f.number = n % 2; // in range of every list and check box
            break;
        case FieldKind::NumberText:
            stored.*f.text = std::to_string(100 + n);
            break;
        case FieldKind::Text:
            stored.*f.text = std::string("text ") + f.key;
            break;
        case FieldKind::PathList:
            stored.*f.list = {files + f.key + ".0", files + f.key + ".1"};
            break;
        default: // Path and OutputPath: relative to the project file
            stored.*f.text = files + f.key;
            break;
        }
    }
    ASSERT_TRUE(WriteProjectFile(dir / "p.sdf", stored));
    const std::string text = ReadFileText(dir / "p.sdf");
    for (const ProjectField& f : ProjectFields())
        EXPECT_NE(text.find(std::string("\r\n") + f.key + "="), std::string::npos) << f.key;

    // Only the first of each list's files and no Path file exist yet.
    for (const ProjectField& f : ProjectFields()) {
        if (f.kind == FieldKind::PathList)
            WriteFileText(dir / files + f.key + ".0", "x");
    }
    WallpaperProject opened;
    ASSERT_TRUE(LoadProjectFile(dir / "p.sdf", &opened));
    DropMissingFiles(opened);
    for (const ProjectField& f : ProjectFields()) {
        SCOPED_TRACE(f.key);
        const std::string resolved = dir / "files" + kSep + f.key;
        switch (f.kind) {
        case FieldKind::Number:
            EXPECT_EQ(opened.*f.number, stored.*f.number);
            break;
        case FieldKind::Text:
        case FieldKind::NumberText:
            EXPECT_EQ(opened.*f.text, stored.*f.text);
            break;
        case FieldKind::Path:
            EXPECT_EQ(opened.*f.text, "") << "dropped: the file is not there";
            break;
        case FieldKind::OutputPath:
            EXPECT_EQ(opened.*f.text, resolved) << "kept: it is yet to be built";
            break;
        case FieldKind::PathList:
            EXPECT_EQ(opened.*f.list, std::vector<std::string>{resolved + ".0"});
            break;
        }
    }
}

TEST(HasProjectContent, WhatCountsAsContent) {
    WallpaperProject p;
    EXPECT_FALSE(HasProjectContent(p));
    p.WovenliteFilename = "x.exe"; // does not count
    p.Quality = 4;
    EXPECT_FALSE(HasProjectContent(p));
    p.ExtFileItems = {"a"};
    EXPECT_TRUE(HasProjectContent(p));
    WallpaperProject q;
    q.InstallerPackageFilename = "s.exe";
    EXPECT_TRUE(HasProjectContent(q));
}

} // namespace
} // namespace ww
