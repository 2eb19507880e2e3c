// Buttons: the records of each state, the actions kept for the runtime, and
// the up state drawn while the others are not.
#include "movie/button.h"
#include "tests/movie/movie_test_util.h"

namespace ww::test {
namespace {

const Rgba8 kGreen{0, 255, 0, 255};
const Rgba8 kBlack{0, 0, 0, 255};

// Shapes 1-4, each a 50 px square in its own column: red, blue, green,
// black; button 10 shows one in each of its states.
Bytes StateMovie(int version, const Bytes& extra = {}) {
    Bytes tags =
        RectangleShapeTag(1, 1, 50 * kPx, 50 * kPx, 100 * kPx, 100 * kPx, Solid(255, 0, 0)) +
        RectangleShapeTag(1, 2, 150 * kPx, 50 * kPx, 200 * kPx, 100 * kPx, Solid(0, 0, 255)) +
        RectangleShapeTag(1, 3, 250 * kPx, 50 * kPx, 300 * kPx, 100 * kPx, Solid(0, 255, 0)) +
        RectangleShapeTag(1, 4, 350 * kPx, 50 * kPx, 400 * kPx, 100 * kPx, Solid(0, 0, 0));
    std::vector<ButtonRecordRecipe> records(4);
    for (int i = 0; i < 4; ++i) {
        records[i].states = static_cast<uint8_t>(1 << i);
        records[i].characterId = static_cast<uint16_t>(i + 1);
        records[i].depth = static_cast<uint16_t>(4 - i);
    }
    ButtonActionRecipe release;
    release.records = ActionRecord(0x07) + Bytes{0};
    ButtonActionRecipe press;
    press.conditions = 0x0004;
    press.records = ActionRecord(0x06) + Bytes{0};
    tags = tags + DefineButtonTag(version, 10, records, {release, press}) + extra +
           PlaceObject2Tag(At(1, 10)) + ShowFrameTag();
    return MakeMovie(tags);
}

TEST(Buttons, DrawTheUpStateAndNoOther) {
    for (int version : {1, 2}) {
        SCOPED_TRACE(version);
        ExpectPixels(RenderFrame(StateMovie(version)),
                     {{75, 75, kRed}, {175, 75, kWhite}, {275, 75, kWhite}, {375, 75, kWhite}});
    }
}

TEST(Buttons, KeepEveryStatesRecordsAndTheirActions) {
    const movie::Movie m = ParseOrFail(StateMovie(2));
    ASSERT_EQ(m.buttons.size(), 1u);
    const movie::Button& b = m.buttons[0];
    ASSERT_EQ(b.records.size(), 4u);
    // In depth order: the hit record (depth 1) first.
    EXPECT_EQ(b.records[0].states, movie::kButtonHit);
    EXPECT_EQ(b.records[0].characterId, 4);
    EXPECT_EQ(b.records[3].states, movie::kButtonUp);
    ASSERT_EQ(b.actions.size(), 2u);
    EXPECT_EQ(b.actions[0].conditions, 0x0008);
    EXPECT_EQ(b.actions[0].records, (std::vector<uint8_t>{0x07, 0x00}));
    EXPECT_EQ(b.actions[1].conditions, 0x0004);
    EXPECT_EQ(b.actions[1].records, (std::vector<uint8_t>{0x06, 0x00}));
    for (const char* tag : {"DefineButton", "DefineButton2"})
        EXPECT_EQ(m.unsupported.count(tag), 0u) << tag;

    const movie::Movie v1 = ParseOrFail(StateMovie(1));
    ASSERT_EQ(v1.buttons.at(0).actions.size(), 1u);
    EXPECT_EQ(v1.buttons[0].actions[0].records, (std::vector<uint8_t>{0x07, 0x00, 0x06, 0x00}));

    movie::SpriteState hit;
    movie::ButtonDisplayList(m, b, movie::kButtonHit | movie::kButtonOver, 0, &hit);
    ASSERT_EQ(hit.objects.size(), 2u);
    EXPECT_EQ(hit.objects.begin()->second.characterId, 4);
}

TEST(Buttons, TakeTheirRecordsMatricesColourTransformsAndCxform) {
    // The up record moved 100 px right and made half as red plus green.
    ButtonRecordRecipe up;
    up.characterId = 1;
    up.matrix = Translate(100 * kPx, 0);
    up.cxform.mult[0] = 128;
    up.cxform.add[1] = 255;
    up.blur = true;
    up.blendMode = 0;
    const Bytes shape =
        RectangleShapeTag(1, 1, 50 * kPx, 50 * kPx, 100 * kPx, 100 * kPx, Solid(255, 0, 0));
    const Bytes two = MakeMovie(shape + DefineButtonTag(2, 10, {up}) + PlaceObject2Tag(At(1, 10)) +
                                ShowFrameTag());
    ExpectPixels(RenderFrame(two), {{75, 75, kWhite}, {175, 75, Rgba8{128, 255, 0, 255}}});

    CxformRecipe green;
    green.mult[0] = 0;
    green.add[1] = 255;
    const Bytes one =
        MakeMovie(shape + DefineButtonTag(1, 10, {up}) + DefineButtonCxformTag(10, green) +
                  PlaceObject2Tag(At(1, 10)) + ShowFrameTag());
    ExpectPixels(RenderFrame(one), {{75, 75, kWhite}, {175, 75, kGreen}});
}

TEST(Buttons, ShowASpritesFirstFrameAndStopAtThemselves) {
    // A sprite of shape 1 inside the up state; a second button whose up state
    // holds itself draws its other record once.
    const Bytes sprite = DefineSpriteTag(5, 1, PlaceObject2Tag(At(1, 1)) + ShowFrameTag());
    ButtonRecordRecipe viaSprite;
    viaSprite.characterId = 5;
    ButtonRecordRecipe self;
    self.characterId = 11;
    self.depth = 2;
    ButtonRecordRecipe black;
    black.characterId = 4;
    black.depth = 1;
    const Bytes swf = MakeMovie(
        RectangleShapeTag(1, 1, 50 * kPx, 50 * kPx, 100 * kPx, 100 * kPx, Solid(255, 0, 0)) +
        RectangleShapeTag(1, 4, 350 * kPx, 50 * kPx, 400 * kPx, 100 * kPx, Solid(0, 0, 0)) +
        sprite + DefineButtonTag(2, 10, {viaSprite}) + DefineButtonTag(2, 11, {black, self}) +
        PlaceObject2Tag(At(1, 10)) + PlaceObject2Tag(At(2, 11)) + ShowFrameTag());
    ExpectPixels(RenderFrame(swf), {{75, 75, kRed}, {375, 75, kBlack}, {200, 75, kWhite}});
}

TEST(Buttons, CutShortAreSkipped) {
    ButtonRecordRecipe up;
    up.characterId = 1;
    Bytes tag = DefineButtonTag(2, 10, {up});
    for (size_t cut = 1; cut < tag.size() - 6; ++cut) {
        Bytes shorter(tag.begin(), tag.end() - static_cast<ptrdiff_t>(cut));
        const uint32_t length = static_cast<uint32_t>(shorter.size() - 6);
        shorter[2] = static_cast<uint8_t>(length);
        shorter[3] = static_cast<uint8_t>(length >> 8);
        shorter[4] = shorter[5] = 0;
        const movie::Movie m = ParseOrFail(MakeMovie(shorter + ShowFrameTag()));
        EXPECT_TRUE(m.buttons.empty()) << cut;
    }
}

} // namespace
} // namespace ww::test
