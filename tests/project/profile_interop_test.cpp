// Under Windows (Wine here): the system's profile functions and our text body
// read the same values from the same files, and each reads what the other
// wrote.
#include "builder/project/profile.h"
#include "builder/project/project_file.h"

#include "tests/project/profile_cases.h"
#include "tests/support/fixtures.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace ww {
namespace {

using test::ReadFileText;
using test::TempDir;
using test::WriteFileText;

// The system's function itself, as the Windows body calls it.
std::string SystemRead(const std::string& path, const char* section, const char* key) {
    char value[kProfileValueLimit + 1] = "";
    GetPrivateProfileStringA(section, key, "", value, sizeof value, path.c_str());
    return value;
}

void ExpectReads(const std::string& path, const std::vector<test::ProfileRead>& reads,
                 const char* what) {
    for (const auto& r : reads) {
        EXPECT_EQ(SystemRead(path, r.section, r.key), r.value)
            << what << ", system: [" << r.section << "] " << r.key;
        EXPECT_EQ(TextProfileReadString(path, r.section, r.key), r.value)
            << what << ", text body: [" << r.section << "] " << r.key;
    }
}

TEST(ProfileInterop, BothBodiesReadTheSameFilesAlike) {
    TempDir dir;
    for (const auto& c : test::ProfileReadCases()) {
        WriteFileText(dir / "p.ini", c.text);
        ExpectReads(dir / "p.ini", c.reads, c.what);
    }
}

TEST(ProfileInterop, EachReadsWhatTheOtherWrote) {
    TempDir dir;
    for (const auto& c : test::ProfileWriteCases()) {
        const std::string ours = dir / "ours.ini", system = dir / "system.ini";
        if (c.exists) {
            WriteFileText(ours, c.before);
            WriteFileText(system, c.before);
        }
        for (const auto& w : c.writes) {
            ASSERT_TRUE(TextProfileWriteString(ours, w.section, w.key, w.value)) << c.what;
            ASSERT_TRUE(ProfileWriteString(system, w.section, w.key, w.value)) << c.what;
        }
        ExpectReads(ours, c.reads, c.what);
        ExpectReads(system, c.reads, c.what);
        DeleteFileA(ours.c_str());
        DeleteFileA(system.c_str());
    }
}

TEST(ProfileInterop, NumbersFollowOneRuleWhereTheSystemTakesMore) {
    TempDir dir;
    const struct {
        const char* stored;
        int system; // GetPrivateProfileIntA
        int32_t ours;
    } numbers[] = {
        {"7", 7, 7},  {"007", 7, 7},   {"12px", 12, 12}, {"abc", 0, 0},      {"-5", -5, 0},
        {"+5", 5, 0}, {"0x10", 16, 0}, {"\" 8\"", 8, 0}, {"\"64\"", 64, 64},
    };
    for (const auto& n : numbers) {
        const std::string path = dir / "n.sdf";
        WriteFileText(path, std::string("[General]\r\nWidth=") + n.stored + "\r\n");
        EXPECT_EQ(static_cast<int>(GetPrivateProfileIntA("General", "Width", 0, path.c_str())),
                  n.system)
            << n.stored;
        EXPECT_EQ(ProfileNumber(ProfileReadString(path, "General", "Width")), n.ours) << n.stored;
        WallpaperProject p;
        ASSERT_TRUE(ReadProjectFile(path, &p));
        EXPECT_EQ(p.Width, std::to_string(n.ours)) << n.stored;
    }
}

TEST(ProfileInterop, AFileNameWithoutAFolderIsTheCurrentFolders) {
    TempDir dir;
    char previous[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    WallpaperProject p;
    p.WallpaperName = "Here";
    const bool written = WriteProjectFile("here.sdf", p);
    WallpaperProject read;
    const bool opened = ReadProjectFile("here.sdf", &read);
    SetCurrentDirectoryA(previous);
    ASSERT_TRUE(written);
    ASSERT_TRUE(opened);
    EXPECT_EQ(read.WallpaperName, "Here");
    EXPECT_EQ(SystemRead(dir / "here.sdf", "General", "WallpaperName"), "Here");
    char windows[MAX_PATH];
    ASSERT_NE(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    EXPECT_EQ(GetFileAttributesA((std::string(windows) + "\\here.sdf").c_str()),
              INVALID_FILE_ATTRIBUTES);
}

TEST(ProfileInterop, AProjectSavedByEitherBodyOpensTheSame) {
    TempDir dir;
    WallpaperProject p;
    p.SwfFilename = "C:\\Work\\wave.swf";
    p.WallpaperName = " Ocean  ";
    p.PublisherName = "\"Tide\" Works";
    p.PublisherURL = "http://example.invalid/" + std::string(277, 'u');
    p.Copyright = "'(c) 2026'";
    p.ReadmeFilename = "readme.txt\r\nIconFilename=C:\\evil.ico";
    p.Width = "-5";
    p.Height = "12px";
    p.Quality = 4;
    p.BKGroundColor = "\"#1E3C64  \"";
    p.ExtFileItems = {"C:\\a.txt", "\"b.txt\"", "  c.txt  "};
    WriteFileText(dir / "system.sdf", "; notes\r\n[Other]\r\nWidth=7\r\n");
    WriteFileText(dir / "text.sdf", "; notes\r\n[Other]\r\nWidth=7\r\n");
    ASSERT_TRUE(WriteProjectFile(dir / "system.sdf", p));
    ASSERT_TRUE(TextProfileWriteStrings(dir / "text.sdf", "General", ProjectFileEntries(p)));
    WallpaperProject a, b;
    ASSERT_TRUE(ReadProjectFile(dir / "system.sdf", &a));
    ASSERT_TRUE(ReadProjectFile(dir / "text.sdf", &b));
    EXPECT_EQ(ProjectFileEntries(a), ProjectFileEntries(b));
    for (const char* file : {"system.sdf", "text.sdf"}) {
        EXPECT_EQ(TextProfileReadString(dir / file, "General", "PublisherURL"),
                  p.PublisherURL.substr(0, 259));
        EXPECT_EQ(SystemRead(dir / file, "other", "width"), "7") << file;
        EXPECT_EQ(SystemRead(dir / file, "General", "Width"), "-5") << file;
    }
    EXPECT_EQ(a.WallpaperName, "Ocean");
    EXPECT_EQ(a.PublisherName, "\"Tide\" Works");
    EXPECT_EQ(a.Copyright, "(c) 2026");
    EXPECT_EQ(a.ReadmeFilename, "readme.txt  IconFilename=C:\\evil.ico");
    EXPECT_TRUE(a.IconFilename.empty());
    EXPECT_EQ(a.Width, "0"); // a negative number reads as 0 on both
    EXPECT_EQ(a.Height, "12");
    EXPECT_EQ(a.BKGroundColor, "#1E3C64  ");
    EXPECT_EQ(a.ExtFileItems, (std::vector<std::string>{"C:\\a.txt", "b.txt", "c.txt"}));

    // Saving again over the other body's file changes nothing either reads.
    ASSERT_TRUE(WriteProjectFile(dir / "text.sdf", p));
    ASSERT_TRUE(TextProfileWriteStrings(dir / "system.sdf", "General", ProjectFileEntries(p)));
    ASSERT_TRUE(ReadProjectFile(dir / "system.sdf", &a));
    ASSERT_TRUE(ReadProjectFile(dir / "text.sdf", &b));
    EXPECT_EQ(ProjectFileEntries(a), ProjectFileEntries(b));
    EXPECT_EQ(ReadFileText(dir / "text.sdf").rfind("; notes\r\n[Other]\r\nWidth=7\r\n", 0), 0u);
}

} // namespace
} // namespace ww
