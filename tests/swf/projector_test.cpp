#include "swf/projector.h"

#include "swf/swf_reader.h"
#include "common/file.h"
#include "tests/support/fixtures.h"
#include "tests/support/swf_writer.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace ww {
namespace {

using test::Bytes;
using test::ListFolder;
using test::MakeProjector;
using test::PatternBytes;
using test::ProjectorRecipe;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

TEST(ExtractProjectorMovie, CopiesMoviesOfEveryLengthAroundTheBlockSize) {
    TempDir dir;
    for (size_t length : {0, 1, 2047, 2048, 2049, 4096, 6001}) {
        for (size_t playerSize : {0, 5000}) {
            SCOPED_TRACE(std::to_string(length) + " bytes after a player of " +
                         std::to_string(playerSize));
            const Bytes movie = PatternBytes(length, 2);
            WriteFileBytes(dir / "p.exe", MakeProjector({PatternBytes(playerSize, 1), movie}));
            EXPECT_TRUE(IsProjector(dir / "p.exe"));
            ASSERT_TRUE(ExtractProjectorMovie(dir / "p.exe", dir / "m.swf"));
            EXPECT_EQ(ReadFileBytes(dir / "m.swf"), movie);
            EXPECT_EQ(ListFolder(dir.path()), (std::vector<std::string>{"m.swf", "p.exe"}));
        }
    }
}

TEST(ExtractProjectorMovie, RefusesTrailersThatDescribeNoMovie) {
    struct Case {
        const char* what;
        Bytes file;
    };
    const Bytes movie = test::MakeSwf(test::StageRecipe(false));
    auto withLength = [&](long long length) {
        ProjectorRecipe recipe{PatternBytes(100), movie};
        recipe.recordedLength = length;
        return MakeProjector(recipe);
    };
    ProjectorRecipe wrongMagic{PatternBytes(100), movie};
    wrongMagic.magic = 0xFA123457;
    ProjectorRecipe noTrailer{PatternBytes(100), movie};
    noTrailer.trailer = false;
    const std::vector<Case> cases = {
        {"no trailer", MakeProjector(noTrailer)},
        {"wrong magic", MakeProjector(wrongMagic)},
        {"one byte longer than the file", withLength(100 + movie.size() + 1)},
        {"negative as signed", withLength(0x80000000)},
        {"minus one", withLength(0xFFFFFFFF)},
        {"shorter than a trailer", {0x56, 0x34, 0x12, 0xFA, 0, 0, 0}},
        {"empty", {}},
    };
    TempDir dir;
    const Bytes old = {4, 5, 6};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(dir / "p.exe", c.file);
        WriteFileBytes(dir / "old.swf", old);
        EXPECT_FALSE(IsProjector(dir / "p.exe"));
        EXPECT_FALSE(ExtractProjectorMovie(dir / "p.exe", dir / "new.swf"));
        EXPECT_FALSE(ExtractProjectorMovie(dir / "p.exe", dir / "old.swf"));
        EXPECT_EQ(ReadFileBytes(dir / "old.swf"), old);
        EXPECT_EQ(ReadSwfMovieInfo(dir / "p.exe"), SwfMovieInfo{});
        EXPECT_EQ(ListFolder(dir.path()), (std::vector<std::string>{"old.swf", "p.exe"}));
    }
    EXPECT_FALSE(IsProjector(dir / "missing.exe"));
    EXPECT_FALSE(ExtractProjectorMovie(dir / "missing.exe", dir / "new.swf"));
    // The length may take every byte before the trailer.
    WriteFileBytes(dir / "p.exe", MakeProjector({{}, movie}));
    EXPECT_TRUE(IsProjector(dir / "p.exe"));
    EXPECT_EQ(ReadSwfMovieInfo(dir / "p.exe").width, 550);
}

TEST(ExtractProjectorMovie, OutputMayBeTheProjectorItself) {
    TempDir dir;
    const Bytes movie = PatternBytes(5000, 3);
    WriteFileBytes(dir / "p.exe", MakeProjector({PatternBytes(7000), movie}));
    ASSERT_TRUE(ExtractProjectorMovie(dir / "p.exe", dir / "p.exe"));
    EXPECT_EQ(ReadFileBytes(dir / "p.exe"), movie);
    EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"p.exe"});
}

TEST(CopyProjectorBlocks, ZerosStandInForBytesTheSourceLacks) {
    TempDir dir;
    const Bytes present = PatternBytes(3000, 4);
    WriteFileBytes(dir / "short.bin", present);
    {
        File in(dir / "short.bin", "rb");
        File out(dir / "out.bin", "wb");
        ASSERT_TRUE(CopyProjectorBlocks(in, out, 5000));
    }
    Bytes expected = present;
    expected.resize(5000, 0);
    EXPECT_EQ(ReadFileBytes(dir / "out.bin"), expected);
}

} // namespace
} // namespace ww
