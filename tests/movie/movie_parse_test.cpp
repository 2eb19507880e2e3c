// Reading movies: every intake form, tags skipped by their length, and broken
// movies (cut at every byte, lengths that lie) read without harm.
#include "tests/movie/movie_test_util.h"
#include "tests/support/temp_dir.h"

namespace ww::test {
namespace {

// A bit of everything the parser reads.
Bytes RichTags() {
    FillRecipe gradient;
    gradient.type = 0x12;
    gradient.stops = {{0, Rgba8{255, 0, 0, 255}}, {255, Rgba8{0, 0, 255, 128}}};
    gradient.matrix.a = gradient.matrix.d = 0.05;
    LineRecipe line;
    line.width = 60;
    line.join = 2;
    ShapeWriter shape({Solid(0, 128, 0), gradient}, {line});
    shape.Select(-1, 1, 1)
        .Rectangle(100, 100, 2000, 1500)
        .Select(2, 0, -1)
        .MoveTo(300, 300)
        .CurveTo(900, 100, 1500, 300)
        .LineTo(300, 300)
        .NewStyles({Solid(1, 2, 3, 200)}, {})
        .Select(-1, 1, 0)
        .Rectangle(50, 50, 80, 80);
    ShapeWriter mStart({Solid(255, 0, 0)});
    mStart.Select(-1, 1, -1).MoveTo(0, 0).LineTo(400, 0).CurveTo(400, 400, 0, 400).LineTo(0, 0);
    ShapeWriter mEnd({Solid(0, 255, 0)});
    mEnd.Select(-1, 1, -1)
        .MoveTo(100, 100)
        .CurveTo(300, 0, 500, 100)
        .LineTo(100, 500)
        .LineTo(100, 100);
    ShapeWriter glyph;
    glyph.Select(-1, 1, -1).Rectangle(0, -1024, 512, 0);
    TextRunRecipe run;
    run.fontId = 5;
    run.glyphs = {{0, 300}, {1, 300}};
    const Bytes pixels = {255, 10, 20, 30, 255, 40, 50, 60};
    PlaceRecipe moved;
    moved.depth = 2;
    moved.move = true;
    moved.hasMatrix = true;
    moved.matrix.b = 0.5;
    moved.hasCxform = true;
    moved.ratio = 9;
    PlaceRecipe clip = At(9, 1);
    clip.clipDepth = 12;
    return SetBackgroundColorTag(10, 20, 30) + DefineShapeTag(4, 1, shape) +
           DefineMorphShapeTag(2, 2, mStart, mEnd) + DefineBitsLosslessTag(2, 3, 5, 2, 1, pixels) +
           DefineSpriteTag(4, 2,
                           PlaceObject2Tag(At(1, 1)) + DoActionTag(ActionRecord(0x07)) +
                               ShowFrameTag() + RemoveObject2Tag(1) + ShowFrameTag()) +
           DefineFontTag(2, 5, {glyph, glyph}) + DefineTextTag(2, 6, Translate(200, 200), {run}) +
           PlaceObject2Tag(At(1, 4)) + PlaceObject2Tag(At(2, 2)) + PlaceObject3Tag(At(3, 6)) +
           PlaceObject2Tag(clip) + PlaceObject2Tag(At(10, 1)) + FrameLabelTag("one") +
           ShowFrameTag() + PlaceObject2Tag(moved) + DoActionTag(ActionGotoLabel("one")) +
           ShowFrameTag();
}

TEST(MovieIntake, ReadsPlainCompressedAndProjectorMoviesAlike) {
    TempDir dir;
    SwfRecipe recipe = StageRecipe(false);
    recipe.tags = RichTags();
    recipe.frameCount = 2;
    recipe.frameRate = 24;
    recipe.frameRateFraction = 128;
    const Bytes plain = MakeSwf(recipe);
    recipe.compressed = true;
    const Bytes packed = MakeSwf(recipe);
    WriteFileBytes(dir / "plain.swf", plain);
    WriteFileBytes(dir / "packed.swf", packed);
    WriteFileBytes(dir / "intro.exe", MakeProjector({PatternBytes(3000), packed}));
    WriteFileBytes(dir / "player.exe", PatternBytes(3000));
    WriteFileBytes(dir / "noise.swf", PatternBytes(300));
    for (const char* name : {"plain.swf", "packed.swf", "intro.exe"}) {
        SCOPED_TRACE(name);
        movie::Movie m;
        std::string error;
        ASSERT_TRUE(movie::LoadMovie(dir / name, &m, &error)) << error;
        EXPECT_EQ(m.stage.xmax, 11000);
        EXPECT_EQ(m.stage.ymax, 8000);
        EXPECT_DOUBLE_EQ(m.frameRate, 24.5);
        EXPECT_EQ(m.root.frames.size(), 2u);
        EXPECT_EQ(m.shapes.size(), 1u);
        EXPECT_EQ(m.morphs.size(), 1u);
        EXPECT_EQ(m.bitmaps.size(), 1u);
        EXPECT_EQ(m.sprites.size(), 1u);
        EXPECT_EQ(m.fonts.size(), 1u);
        EXPECT_EQ(m.texts.size(), 1u);
        EXPECT_TRUE(m.hasBackground);
        EXPECT_EQ(m.background.b, 30);
        EXPECT_TRUE(m.problems.empty()) << m.problems[0];
        EXPECT_EQ(movie::UnsupportedTagList(m), "none");
        EXPECT_LT(m.memoryUsed, 1u << 20);
    }
    for (const char* name : {"player.exe", "noise.swf", "missing.swf"}) {
        SCOPED_TRACE(name);
        movie::Movie m;
        std::string error;
        EXPECT_FALSE(movie::LoadMovie(dir / name, &m, &error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(MovieIntake, TheFirstBackgroundColourWins) {
    const movie::Movie m =
        ParseOrFail(MakeMovie(SetBackgroundColorTag(10, 20, 30) + ShowFrameTag() +
                              SetBackgroundColorTag(200, 0, 0) + ShowFrameTag()));
    ASSERT_TRUE(m.hasBackground);
    EXPECT_EQ(m.background.r, 10);
    EXPECT_EQ(m.background.b, 30);
}

// The renderer's only limit on inflation is its memory cap: text and script
// compress far better than five to one. The header's length is a first
// guess, not a promise.
TEST(MovieIntake, CompressedMoviesInflateToAnySizeWithinTheCap) {
    struct Case {
        const char* what;
        long long recordedLength;
    };
    for (const Case& c : {Case{"length as written", -1}, Case{"length understated", 20},
                          Case{"length overstated", 0xFFFFFFFFll}, Case{"length zero", 0}}) {
        SCOPED_TRACE(c.what);
        SwfRecipe recipe = StageRecipe(true);
        recipe.recordedLength = c.recordedLength;
        // Metadata of zeros, a thousand times its compressed size.
        const size_t metadata = 3 << 20;
        recipe.tags = Tag(77, Bytes(metadata, 0), true) +
                      RectangleShapeTag(1, 1, 0, 0, 10 * kPx, 10 * kPx, Solid(255, 0, 0)) +
                      PlaceObject2Tag(At(1, 1)) + ShowFrameTag();
        const Bytes swf = MakeSwf(recipe);
        ASSERT_LT(swf.size() * 5, metadata);
        movie::Movie m;
        std::string error;
        ASSERT_TRUE(movie::ParseMovie(swf.data(), swf.size(), &m, &error)) << error;
        EXPECT_EQ(m.shapes.size(), 1u);
        EXPECT_LT(m.memoryUsed, 1u << 20); // the body is not kept
    }
}

TEST(MovieIntake, SkipsTagsItDoesNotDrawByTheirLength) {
    const Bytes unknown = Tag(200, PatternBytes(10), true);
    const Bytes video = Tag(60, PatternBytes(70));
    const Bytes attributes = Tag(69, {0, 0, 0, 0});
    const Bytes swf =
        MakeMovie(unknown + video + attributes +
                  RectangleShapeTag(1, 1, 0, 0, 10 * kPx, 10 * kPx, Solid(255, 0, 0)) +
                  PlaceObject3Tag(At(1, 1)) + ShowFrameTag());
    const movie::Movie m = ParseOrFail(swf);
    EXPECT_EQ(movie::UnsupportedTagList(m), "DefineVideoStream, tag 200");
    EXPECT_TRUE(PixelNear(RenderFrame(swf), 5, 5, kRed));
}

TEST(MovieIntake, KeepsWhatComesBeforeATagThatLies) {
    struct Case {
        const char* name;
        Bytes tail;
        const char* problem;
    } cases[] = {
        {"a length past the end", Bytes{0x3F, 0x03, 0xE8, 0x03, 0x00, 0x00, 1, 2, 3},
         "runs past the end"},
        {"a header cut short", Bytes{0x3F}, "header cut short"},
        {"a definition without its id", Tag(2, {}), "without a new character id"},
        {"a second definition of an id",
         RectangleShapeTag(1, 1, 0, 0, 10 * kPx, 10 * kPx, Solid(0, 0, 255)), "defined twice"},
        {"a morph whose edges do not pair",
         DefineMorphShapeTag(
             1, 7, ShapeWriter({Solid(1, 1, 1)}).Select(-1, 1, -1).Rectangle(0, 0, 9, 9),
             ShapeWriter({Solid(1, 1, 1)}).Select(-1, 1, -1).MoveTo(0, 0).LineTo(9, 9)),
         "differ in number"},
        {"a definition inside a sprite",
         DefineSpriteTag(8, 1,
                         RectangleShapeTag(1, 9, 0, 0, 9, 9, Solid(0, 0, 0)) + ShowFrameTag()),
         "inside a sprite"},
        {"text with glyph indexes wider than 32 bits", Tag(11, Bytes{11, 0, 0, 0, 40, 8, 0}),
         "wider than 32 bits"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Bytes tags = RectangleShapeTag(1, 1, 0, 0, 10 * kPx, 10 * kPx, Solid(255, 0, 0)) +
                     PlaceObject2Tag(At(1, 1)) + ShowFrameTag();
        SwfRecipe recipe = StageRecipe(false);
        recipe.tags = tags + k.tail;
        const movie::Movie m = ParseOrFail(MakeSwf(recipe));
        ASSERT_FALSE(m.problems.empty());
        EXPECT_NE(m.problems[0].find(k.problem), std::string::npos) << m.problems[0];
        EXPECT_EQ(m.root.frames.size(), 1u);
        EXPECT_TRUE(PixelNear(RenderFrame(MakeSwf(recipe)), 5, 5, kRed));
    }
}

// Parsed, played for a few frames and drawn small, under the sanitizers.
void ReadPlayAndDraw(const Bytes& swf) {
    movie::Movie m;
    std::string error;
    if (!movie::ParseMovie(swf.data(), swf.size(), &m, &error)) {
        EXPECT_FALSE(error.empty());
        return;
    }
    movie::Player player(m);
    movie::Renderer renderer(m);
    movie::RenderOptions options;
    options.width = 22;
    options.height = 16;
    movie::Canvas canvas;
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_TRUE(renderer.Render(player, options, &canvas, &error)) << error;
        player.Advance();
    }
}

TEST(HostileMovies, EveryCutOfARichMovieReadsWithoutHarm) {
    SwfRecipe recipe = StageRecipe(false);
    recipe.tags = RichTags();
    const Bytes whole = MakeSwf(recipe);
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        SCOPED_TRACE(cut);
        ReadPlayAndDraw(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)));
    }
    // Compressed, the cut streams are refused as a whole.
    recipe.compressed = true;
    const Bytes packed = MakeSwf(recipe);
    for (size_t cut = 0; cut < packed.size(); cut += 7) {
        const Bytes part(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(cut));
        movie::Movie m;
        std::string error;
        EXPECT_FALSE(movie::ParseMovie(part.data(), part.size(), &m, &error)) << cut;
    }
}

TEST(HostileMovies, FlippedBytesReadWithoutHarm) {
    SwfRecipe recipe = StageRecipe(false);
    recipe.tags = RichTags();
    const Bytes whole = MakeSwf(recipe);
    uint32_t state = 7;
    for (size_t i = 20; i < whole.size(); ++i) {
        Bytes broken = whole;
        state = state * 1103515245u + 12345u;
        broken[i] ^= static_cast<uint8_t>(1u << ((state >> 16) % 8));
        ReadPlayAndDraw(broken);
    }
}

TEST(HostileMovies, ExtremeMatricesDrawWithoutHarm) {
    // Gradient and bitmap fills inside sprites nested 30 deep, each level
    // scaling by a huge, a tiny or a lopsided factor.
    FillRecipe gradient;
    gradient.type = 0x12;
    gradient.spread = 2;
    gradient.stops = {{0, Rgba8{255, 0, 0, 255}}, {255, Rgba8{0, 0, 255, 255}}};
    FillRecipe bitmap;
    bitmap.type = 0x42;
    bitmap.bitmapId = 1;
    ShapeWriter shape({gradient, bitmap});
    shape.Select(-1, 1, -1).Rectangle(0, 0, 2000, 2000).Select(-1, 2, -1).Rectangle(10, 10, 90, 90);
    const Bytes base =
        DefineBitsLosslessTag(1, 1, 5, 1, 1, {255, 1, 2, 3}) + DefineShapeTag(3, 2, shape);
    for (const auto& scale : std::vector<std::pair<double, double>>{
             {16000, 16000}, {1.0 / 65536, 1.0 / 65536}, {16000, 1.0 / 65536}}) {
        SCOPED_TRACE(scale.first);
        Bytes tags = base;
        for (uint16_t id = 3; id < 33; ++id) {
            PlaceRecipe p = At(1, id - 1);
            p.hasMatrix = true;
            p.matrix.a = scale.first;
            p.matrix.d = scale.second;
            p.matrix.tx = -1000000;
            tags = tags + DefineSpriteTag(id, 1, PlaceObject2Tag(p) + ShowFrameTag());
        }
        ReadPlayAndDraw(MakeMovie(tags + PlaceObject2Tag(At(1, 32)) + ShowFrameTag()));
    }
}

TEST(HostileMovies, StagesAndPicturesBeyondTheLimitsAreRefused) {
    SwfRecipe empty = StageRecipe(false);
    empty.xmax = 0;
    movie::Movie m;
    std::string error;
    const Bytes none = MakeSwf(empty);
    EXPECT_FALSE(movie::ParseMovie(none.data(), none.size(), &m, &error));
    const Bytes swf = MakeMovie(ShowFrameTag());
    ASSERT_TRUE(movie::ParseMovie(swf.data(), swf.size(), &m, &error));
    movie::Player player(m);
    movie::Renderer renderer(m);
    movie::Canvas canvas;
    for (const auto& size : std::vector<std::pair<int, int>>{{9000, 10}, {5000, 5000}, {-1, 5}}) {
        movie::RenderOptions options;
        options.width = size.first;
        options.height = size.second;
        EXPECT_FALSE(renderer.Render(player, options, &canvas, &error)) << size.first;
    }
    // One side given: the other follows the stage's proportions.
    movie::RenderOptions wide;
    wide.width = 1100;
    ASSERT_TRUE(renderer.Render(player, wide, &canvas, &error)) << error;
    EXPECT_EQ(canvas.height, 800);
}

} // namespace
} // namespace ww::test
