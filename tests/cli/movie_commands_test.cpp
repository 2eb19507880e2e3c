// Runs the built wallweaver-cli on movies and projectors made here.
#include "common/fs.h"
#include "common/path.h"
#include "tests/support/cli_runner.h"
#include "tests/support/fixtures.h"
#include "tests/support/swf_writer.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace ww {
namespace {

using test::Bytes;
using test::CliResult;
using test::MakeProjector;
using test::MakeSwf;
using test::ReadFileBytes;
using test::ReadFileText;
using test::RunCli;
using test::StageSpec;
using test::TempDir;
using test::WriteFileBytes;

TEST(InfoCommand, PrintsSixLinesForMoviesAndProjectorsAndRefusesTheRest) {
    TempDir dir;
    test::SwfSpec timed = StageSpec(true);
    timed.frameRate = 24;
    timed.frameCount = 300;
    timed.version = 8;
    const Bytes plain = MakeSwf(StageSpec(false));
    const Bytes compressed = MakeSwf(timed);
    WriteFileBytes(dir / "plain.swf", plain);
    WriteFileBytes(dir / "PACKED.SWF", compressed);
    WriteFileBytes(dir / "intro.exe", MakeProjector({test::PatternBytes(4000), compressed}));
    WriteFileBytes(dir / "garbage.swf", test::PatternBytes(64));
    WriteFileBytes(dir / "player.exe", test::PatternBytes(4000));
    WriteFileBytes(dir / "movie.txt", plain);
    // Signatures right, headers unreadable: cut inside the header, and a
    // compressed body that does not inflate.
    WriteFileBytes(dir / "cut.swf", Bytes(plain.begin(), plain.begin() + 9));
    Bytes damaged = test::PatternBytes(200, 4);
    damaged[0] = 'C', damaged[1] = 'W', damaged[2] = 'S', damaged[3] = 6;
    WriteFileBytes(dir / "damaged.swf", damaged);
    const std::string plainLines = "version: 6\nfile length: " + std::to_string(plain.size()) +
                                   "\nwidth: 550\nheight: 400\nframe rate: 12\nframe count: 1\n";
    const std::string packedLines = "version: 8\nfile length: " + std::to_string(plain.size()) +
                                    "\nwidth: 550\nheight: 400\nframe rate: 24\nframe count: 300\n";
    struct Case {
        std::string name;
        int status;
        std::string out, err;
    };
    const std::vector<Case> cases = {
        {"plain.swf", 0, plainLines, ""},
        {"PACKED.SWF", 0, packedLines, ""},
        {"intro.exe", 0, packedLines, ""},
        {"garbage.swf", 1, "", "Non-standard SWF file!\n"},
        {"player.exe", 1, "", "Non-standard SWF file!\n"},
        {"movie.txt", 1, "", "Non-standard SWF file!\n"},
        {"cut.swf", 1, "",
         "Cannot read the movie " + dir / "cut.swf" + ": it is cut short or damaged\n"},
        {"damaged.swf", 1, "",
         "Cannot read the movie " + dir / "damaged.swf" + ": it is cut short or damaged\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CliResult run = RunCli(dir, {"info", dir / c.name});
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
    }
    const CliResult missing = RunCli(dir, {"info", dir / "missing.swf"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find(dir / "missing.swf"), std::string::npos) << missing.err;
}

TEST(ExtractMovieCommand, CopiesTheMovieOutOrFailsWithoutOutput) {
    TempDir dir;
    const Bytes movie = MakeSwf(StageSpec(true));
    WriteFileBytes(dir / "intro.exe", MakeProjector({test::PatternBytes(4000), movie}));
    WriteFileBytes(dir / "player.exe", test::PatternBytes(4000));

    CliResult run = RunCli(dir, {"extract-movie", dir / "intro.exe", dir / "intro.swf"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFileBytes(dir / "intro.swf"), movie);

    for (const char* source : {"player.exe", "missing.exe"}) {
        SCOPED_TRACE(source);
        run = RunCli(dir, {"extract-movie", dir / source, dir / "none.swf"});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(dir / source), std::string::npos) << run.err;
        EXPECT_FALSE(test::PathExists(dir / "none.swf"));
    }
}

} // namespace
} // namespace ww
