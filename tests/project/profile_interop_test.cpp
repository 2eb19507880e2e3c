// Under Windows (Wine here): a file written by our text body reads the same
// through the system's profile functions, and the other way round.
#include "builder/project/profile.h"
#include "builder/project/project_file.h"

#include "tests/support/fixtures.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace ww {
namespace {

std::string SystemRead(const std::string& path, const char* section, const char* key) {
    return ProfileReadString(path, section, key);
}

const struct {
    const char* key;
    const char* value;
    const char* read;
} kValues[] = {
    {"Plain", "Ocean", "Ocean"},
    {"Blanks", "  padded  ", "padded"},
    {"Quoted", "\"Quoted Name\"", "Quoted Name"},
    {"Single", "'single'", "single"},
    {"Inner", "a \"b\" c", "a \"b\" c"},
    {"Path", "C:\\Work\\wave.swf", "C:\\Work\\wave.swf"},
    {"Empty", "", ""},
};

TEST(ProfileInterop, TextBodyWritesWhatTheSystemReads) {
    test::TempDir dir;
    const std::string path = dir / "ours.ini";
    test::WriteFileText(path, "; kept\r\n[Foreign]\r\nx=1\r\n");
    for (const auto& v : kValues)
        ASSERT_TRUE(TextProfileWriteString(path, "General", v.key, v.value));
    for (const auto& v : kValues) {
        EXPECT_EQ(SystemRead(path, "GENERAL", v.key), v.read) << v.key;
        EXPECT_EQ(TextProfileReadString(path, "general", v.key), v.read) << v.key;
    }
    EXPECT_EQ(SystemRead(path, "Foreign", "X"), "1");
}

TEST(ProfileInterop, SystemWritesWhatTheTextBodyReads) {
    test::TempDir dir;
    const std::string path = dir / "system.ini";
    test::WriteFileText(path, "[Foreign]\r\nx=1\r\n[general]\r\nplain=old\r\n");
    for (const auto& v : kValues)
        ASSERT_TRUE(ProfileWriteString(path, "General", v.key, v.value));
    for (const auto& v : kValues)
        EXPECT_EQ(TextProfileReadString(path, "General", v.key), v.read) << v.key;
    EXPECT_EQ(TextProfileReadString(path, "foreign", "x"), "1");
}

TEST(ProfileInterop, AProjectSavedByEitherBodyOpensTheSame) {
    test::TempDir dir;
    WallpaperProject p;
    p.SwfFilename = "C:\\Work\\wave.swf";
    p.WallpaperName = " Ocean ";
    p.Width = "-5";
    p.Quality = 4;
    p.ExtFileItems = {"C:\\a.txt", "\"b.txt\""};
    ASSERT_TRUE(WriteProjectFile(dir / "system.sdf", p));
    for (const auto& [key, value] : ProjectFileEntries(p))
        ASSERT_TRUE(TextProfileWriteString(dir / "text.sdf", "General", key, value));
    WallpaperProject a, b;
    ASSERT_TRUE(ReadProjectFile(dir / "system.sdf", &a));
    ASSERT_TRUE(ReadProjectFile(dir / "text.sdf", &b));
    EXPECT_EQ(ProjectFileEntries(a), ProjectFileEntries(b));
    EXPECT_EQ(a.WallpaperName, "Ocean");
    EXPECT_EQ(a.Width, "0"); // a negative number reads as 0 on both
    EXPECT_EQ(a.ExtFileItems[1], "b.txt");
}

} // namespace
} // namespace ww
