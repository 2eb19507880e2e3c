#include "common/path.h"

#include <gtest/gtest.h>

namespace ww {
namespace {

TEST(Path, FolderAndFileName) {
    struct Case {
        const char* path;
        const char* folder;
        const char* name;
    };
    const std::string s(1, kPathSeparator);
    const Case cases[] = {
        {"movie.swf", "", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FolderOfPath(c.path), c.folder) << c.path;
        EXPECT_EQ(FileNameOfPath(c.path), c.name) << c.path;
    }
    EXPECT_EQ(FolderOfPath("a" + s + "b" + s + "c.swf"), "a" + s + "b" + s);
    EXPECT_EQ(FileNameOfPath("a" + s + "b" + s + "c.swf"), "c.swf");
    EXPECT_EQ(FileNameOfPath("a" + s), "");
#ifdef _WIN32
    // Windows takes either separator; the later one counts.
    EXPECT_EQ(FolderOfPath("C:\\Work/Films\\intro.exe"), "C:\\Work/Films\\");
    EXPECT_EQ(FileNameOfPath("C:\\Work\\Films/intro.exe"), "intro.exe");
#else
    EXPECT_EQ(FileNameOfPath("dir/back\\slash.swf"), "back\\slash.swf");
#endif
}

TEST(Path, EndingsIgnoreCase) {
    EXPECT_TRUE(HasEnding("MOVIE.SWF", ".swf"));
    EXPECT_TRUE(HasEnding("intro.Exe", ".exe"));
    EXPECT_FALSE(HasEnding("notes.exe.txt", ".exe"));
    EXPECT_FALSE(HasEnding("swf", ".swf"));
    EXPECT_TRUE(HasEnding(".swf", ".swf"));
}

TEST(Path, TrailingSeparators) {
    const std::string s(1, kPathSeparator);
    EXPECT_EQ(WithTrailingSeparator("a"), "a" + s);
    EXPECT_EQ(WithTrailingSeparator("a" + s), "a" + s);
    EXPECT_EQ(WithoutTrailingSeparator("a" + s), "a");
    EXPECT_EQ(WithoutTrailingSeparator("a" + s + s), "a" + s);
    EXPECT_EQ(JoinPath("a", "b"), "a" + s + "b");
    EXPECT_EQ(JoinPath("a" + s, "b"), "a" + s + "b");
}

} // namespace
} // namespace ww
