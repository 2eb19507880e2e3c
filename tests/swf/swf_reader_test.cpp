#include "swf/swf_reader.h"

#include "tests/support/fixtures.h"
#include "tests/support/swf_writer.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace ww {
namespace {

using test::Bytes;
using test::ListFolder;
using test::MakeProjector;
using test::MakeSwf;
using test::ReadFileBytes;
using test::StageRecipe;
using test::SwfRecipe;
using test::TempDir;
using test::WriteFileBytes;

const SwfMovieInfo kZero{};

std::string Describe(const SwfMovieInfo& i) {
    return "{v" + std::to_string(i.version) + " len " + std::to_string(i.fileLength) + " " +
           std::to_string(i.width) + "x" + std::to_string(i.height) + " rate " +
           std::to_string(i.frameRate) + " frames " + std::to_string(i.frameCount) + "}";
}

SwfMovieInfo InfoOfBytes(const TempDir& dir, const std::string& name, const Bytes& movie) {
    WriteFileBytes(dir / name, movie);
    return ReadSwfMovieInfo(dir / name);
}

// The uncompressed length a movie of this recipe has, header included.
uint32_t PlainLength(SwfRecipe recipe) {
    recipe.compressed = false;
    recipe.recordedLength = -1;
    recipe.trailingBytes = 0;
    recipe.truncateAt = -1;
    return static_cast<uint32_t>(MakeSwf(recipe).size());
}

TEST(ReadSwfMovieInfo, StageSizeAndTimingOfEveryHeaderShape) {
    struct Case {
        const char* what;
        SwfRecipe recipe;
        int32_t width, height;
    };
    auto recipe = [](unsigned nbits, uint32_t xmin, uint32_t xmax, uint32_t ymax) {
        SwfRecipe s;
        s.nbits = nbits;
        s.xmin = xmin;
        s.xmax = xmax;
        s.ymax = ymax;
        return s;
    };
    std::vector<Case> cases = {
        {"550 x 400", recipe(15, 0, 11000, 8000), 550, 400},
        {"Nbits 0 reads one RECT byte", recipe(0, 0, 0, 0), 0, 0},
        {"Xmin not 0", recipe(15, 2000, 11000, 8000), 550, 400},
        {"twips truncate", recipe(13, 0, 4799, 19), 239, 0},
        {"unsigned, no sign extension", recipe(16, 0, 0xFFFF, 0x8000), 3276, 1638},
        {"Nbits 31", recipe(31, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF), 107374182, 107374182},
        {"Nbits 1", recipe(1, 1, 1, 1), 0, 0},
    };
    Case timing{"fraction dropped", recipe(15, 0, 11000, 8000), 550, 400};
    timing.recipe.frameRateFraction = 0x80;
    timing.recipe.frameRate = 24;
    timing.recipe.frameCount = 0x1234;
    timing.recipe.version = 10;
    cases.push_back(timing);
    TempDir dir;
    for (Case& c : cases) {
        for (bool compressed : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (compressed ? " CWS" : " FWS"));
            c.recipe.compressed = compressed;
            // The header's length counts for a plain movie only.
            c.recipe.recordedLength = 123456;
            const SwfMovieInfo expected{c.recipe.version,
                                        compressed ? PlainLength(c.recipe) : 123456u,
                                        c.width,
                                        c.height,
                                        c.recipe.frameRate,
                                        c.recipe.frameCount};
            const SwfMovieInfo got = InfoOfBytes(dir, "movie.swf", MakeSwf(c.recipe));
            EXPECT_EQ(got, expected) << Describe(got);
        }
    }
}

TEST(ReadSwfMovieInfo, TruncationAtEveryByteGivesTheZeroRecord) {
    TempDir dir;
    for (bool compressed : {false, true}) {
        SwfRecipe recipe = StageRecipe(compressed);
        recipe.nbits = 31;
        // A plain movie needs its header only: 8 + 17 RECT bytes + 4.
        const size_t needed = compressed ? MakeSwf(recipe).size() : 29;
        for (size_t cut = 0; cut <= needed; ++cut) {
            SCOPED_TRACE((compressed ? "CWS cut at " : "FWS cut at ") + std::to_string(cut));
            recipe.truncateAt = static_cast<long long>(cut);
            const SwfMovieInfo got = InfoOfBytes(dir, "cut.swf", MakeSwf(recipe));
            EXPECT_EQ(got == kZero, cut < needed) << Describe(got);
        }
    }
}

// A compressed movie of zeros padded after its zlib stream to exactly
// fileSize bytes: the body inflates to inflatedBody bytes whatever the size.
Bytes ZeroMovieOfSize(size_t inflatedBody, size_t fileSize) {
    SwfRecipe recipe = StageRecipe(true);
    recipe.zeroPadding = true;
    recipe.bodyPadding = inflatedBody - (PlainLength(recipe) - 8);
    const size_t natural = MakeSwf(recipe).size();
    recipe.trailingBytes = fileSize - natural;
    Bytes movie = MakeSwf(recipe);
    EXPECT_EQ(movie.size(), fileSize);
    return movie;
}

// Whether zlib's one-shot call accepts the body into five times the file.
bool OneShotInflates(const Bytes& movie) {
    uLongf size = static_cast<uLongf>(movie.size() * 5);
    Bytes out(size);
    return uncompress(out.data(), &size, movie.data() + 8, static_cast<uLong>(movie.size() - 8)) ==
           Z_OK;
}

TEST(ReadSwfMovieInfo, InflationStopsAtFiveTimesTheFileSizeLikeTheOneShotCall) {
    TempDir dir;
    const size_t body = 50000;
    struct Case {
        size_t fileSize;
        bool inflates;
    };
    for (const Case& c : {Case{body / 5, true}, Case{body / 5 - 1, false}, Case{body, true}}) {
        SCOPED_TRACE("file of " + std::to_string(c.fileSize));
        const Bytes movie = ZeroMovieOfSize(body, c.fileSize);
        ASSERT_EQ(OneShotInflates(movie), c.inflates);
        const SwfMovieInfo got = InfoOfBytes(dir, "zeros.swf", movie);
        EXPECT_EQ(got.fileLength, c.inflates ? body + 8 : 0u);
        EXPECT_EQ(got.width, c.inflates ? 550 : 0);
    }
}

// Reading a broken movie writes nothing and changes nothing.
TEST(ReadSwfMovieInfo, GarbageAndCorruptStreamsGiveTheZeroRecordAndNoFile) {
    const Bytes good = MakeSwf(StageRecipe(true));
    Bytes badData = good;
    badData[12] ^= 0xFF;
    Bytes badChecksum = good;
    ASSERT_GT(badChecksum.size(), 20u);
    badChecksum.at(badChecksum.size() - 1) ^= 0x01;
    Bytes badHeader = good;
    badHeader[8] = 0x0F; // compression method other than deflate
    struct Case {
        const char* what;
        Bytes movie;
    };
    const std::vector<Case> cases = {
        {"empty", {}},
        {"signature only", {'C', 'W', 'S'}},
        {"seven bytes", {'F', 'W', 'S', 6, 30, 0, 0}},
        {"corrupt deflate data", badData},
        {"wrong checksum", badChecksum},
        {"no zlib header", badHeader},
        {"no stream at all", {'C', 'W', 'S', 6, 30, 0, 0, 0}},
        {"stream cut short", Bytes(good.begin(), good.begin() + 20)},
    };
    TempDir dir;
    const Bytes old = {9, 8, 7};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(dir / "old.swf", old);
        EXPECT_EQ(InfoOfBytes(dir, "bad.swf", c.movie), kZero);
        EXPECT_EQ(ReadFileBytes(dir / "old.swf"), old);
        EXPECT_EQ(ReadFileBytes(dir / "bad.swf"), c.movie);
        EXPECT_EQ(ListFolder(dir.path()), (std::vector<std::string>{"bad.swf", "old.swf"}));
    }
    EXPECT_EQ(ReadSwfMovieInfo(dir / "missing.swf"), kZero);
}

TEST(ReadSwfMovieInfo, ReadsProjectorsThroughTheirMovieAndWritesNoFile) {
    // The folder stands for the builder's temporary folder, where an author's
    // movie may lie already: reading must leave every file as it was.
    TempDir dir;
    SwfRecipe bigger = StageRecipe(true);
    bigger.bodyPadding = 200000;
    SwfRecipe zeros = StageRecipe(true);
    zeros.zeroPadding = true;
    zeros.bodyPadding = 40000;
    const Bytes plain = MakeSwf(StageRecipe(false));
    const Bytes compressed = MakeSwf(bigger);
    const Bytes zeroMovie = MakeSwf(zeros);
    test::ProjectorRecipe largePlayer;
    largePlayer.movie = zeroMovie;
    largePlayer.player = test::PatternBytes(400000);
    WriteFileBytes(dir / "intro.swf", plain);
    WriteFileBytes(dir / "intro.EXE", MakeProjector({test::PatternBytes(3000), plain}));
    WriteFileBytes(dir / "packed.swf", compressed);
    WriteFileBytes(dir / "packed.exe", MakeProjector({test::PatternBytes(3000), compressed}));
    // Five times the embedded movie, not the projector, bounds the inflation.
    WriteFileBytes(dir / "zeros.exe", MakeProjector(largePlayer));
    WriteFileBytes(dir / "swf.exe", plain);
    const std::vector<std::string> before = ListFolder(dir.path());
    std::vector<Bytes> contents;
    for (const std::string& name : before)
        contents.push_back(ReadFileBytes(dir / name));

    const SwfMovieInfo plainInfo = ReadSwfMovieInfo(dir / "intro.swf");
    EXPECT_EQ(plainInfo.width, 550);
    EXPECT_EQ(ReadSwfMovieInfo(dir / "intro.EXE"), plainInfo);
    const SwfMovieInfo packedInfo = ReadSwfMovieInfo(dir / "packed.swf");
    EXPECT_EQ(packedInfo.fileLength, PlainLength(bigger));
    EXPECT_EQ(ReadSwfMovieInfo(dir / "packed.exe"), packedInfo);
    EXPECT_EQ(ReadSwfMovieInfo(dir / "zeros.exe"), kZero);
    EXPECT_EQ(ReadSwfMovieInfo(dir / "swf.exe"), kZero); // a movie, but no trailer

    EXPECT_EQ(ListFolder(dir.path()), before);
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(ReadFileBytes(dir / before[i]), contents[i]) << before[i];
}

} // namespace
} // namespace ww
