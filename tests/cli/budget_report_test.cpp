// info and render on movies past a frame's budgets: info names the first
// such frame with the cap it passed, render warns once a movie, and both
// still answer 0; a normal movie gets neither (its info lines are checked
// whole in movie_commands_test.cpp).
#include "tests/support/cli_runner.h"
#include "tests/support/fixtures.h"
#include "tests/support/hostile_movies.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace ww {
namespace {

TEST(BudgetReport, InfoAndRenderSayWhichBudgetAFramePasses) {
    test::TempDir dir;
    struct Case {
        const char* name;
        test::Bytes swf;
        std::string info, warning;
    };
    const Case cases[] = {
        {"fan.swf", test::SpriteFanOut(17),
         "over budget: frame 1 at 550 x 400 takes more than the 123428864 units of drawing work "
         "a frame of that size may; it is drawn without the rest of its objects\n",
         "warning: frame 2 of " + dir / "fan.swf" +
             " takes more drawing work than a frame may; it is drawn without the rest of its "
             "objects\n"},
        {"zigzag.swf", test::WideZigzagStroke(5000),
         "over budget: frame 1 at 550 x 400 leaves out 1 objects for memory (drawing may hold ",
         "warning: frame 2 of " + dir / "zigzag.swf" +
             " needs more memory to draw than the movie's cap leaves; it is drawn without 1 of "
             "its objects\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteFileBytes(dir / c.name, c.swf);
        const test::CliResult info = test::RunCli(dir, {"info", dir / c.name});
        EXPECT_EQ(info.status, 0) << info.err;
        const size_t at = info.out.find("\nover budget: ");
        ASSERT_NE(at, std::string::npos) << info.out;
        EXPECT_EQ(info.out.substr(at + 1, c.info.size()), c.info);
        if (c.info.find("memory") != std::string::npos) {
            EXPECT_NE(info.out.find(" MiB, the movie's 256 MiB cap less the ", at),
                      std::string::npos)
                << info.out;
        }
        // Frames 2 and 3 draw the same: one warning for the movie.
        const test::CliResult render = test::RunCli(
            dir, {"render", dir / c.name, "f.png", "--frames", "2-3", "--out-dir", dir / "out"});
        EXPECT_EQ(render.status, 0) << render.err;
        EXPECT_EQ(render.err, c.warning);
    }
}

} // namespace
} // namespace ww
