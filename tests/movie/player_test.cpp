// The timeline: display list changes frame by frame, sprites looping on their
// own, the timeline actions, and movies built to break the player.
#include "tests/movie/movie_test_util.h"

#include <vector>

namespace ww::test {
namespace {

void Append(Bytes& to, const Bytes& more) {
    to.insert(to.end(), more.begin(), more.end());
}

Bytes TwoShapes() {
    return RectangleShapeTag(1, 1, 0, 0, 10 * kPx, 10 * kPx, Solid(255, 0, 0)) +
           RectangleShapeTag(1, 2, 0, 0, 10 * kPx, 10 * kPx, Solid(0, 0, 255));
}

std::vector<int> Depths(const movie::SpriteState& s) {
    std::vector<int> depths;
    for (const auto& entry : s.objects)
        depths.push_back(entry.first);
    return depths;
}

TEST(Timeline, PlacesMovesReplacesAndRemovesFrameByFrame) {
    PlaceRecipe move;
    move.depth = 1;
    move.move = true;
    move.hasMatrix = true;
    move.matrix = Translate(100 * kPx, 0);
    PlaceRecipe replace = At(1, 2);
    replace.move = true;
    const Bytes tags = TwoShapes() + PlaceObject2Tag(At(1, 1)) + ShowFrameTag() +
                       PlaceObject2Tag(move) + PlaceObjectTag(2, 2, Translate(0, 0)) +
                       ShowFrameTag() + PlaceObject2Tag(replace) + RemoveObjectTag(2, 2) +
                       ShowFrameTag() + RemoveObject2Tag(1) + FrameLabelTag("four") +
                       PlaceObject3Tag(At(5, 1)) + ShowFrameTag();
    const movie::Movie m = ParseOrFail(MakeMovie(tags, 4));
    ASSERT_EQ(m.root.frames.size(), 4u);
    EXPECT_EQ(m.root.labels.at("four"), 3u);
    struct Step {
        uint32_t frame;
        std::vector<int> depths;
        int firstId;
        double firstX;
    } steps[] = {
        {0, {1}, 1, 0}, {1, {1, 2}, 1, 2000}, {2, {1}, 2, 2000},
        {3, {5}, 1, 0}, {0, {1}, 1, 0}, // the movie loops
    };
    movie::Player player(m);
    for (const Step& s : steps) {
        SCOPED_TRACE(s.frame);
        EXPECT_EQ(player.frame(), s.frame);
        EXPECT_EQ(Depths(player.root()), s.depths);
        const movie::DisplayObject& first = player.root().objects.begin()->second;
        EXPECT_EQ(first.characterId, s.firstId);
        EXPECT_EQ(first.matrix.tx, s.firstX);
        player.Advance();
    }
}

TEST(Timeline, SpritesLoopOnTheirOwnInsideAStillMovie) {
    const Bytes spriteTags = PlaceObject2Tag(At(1, 1)) + ShowFrameTag() + RemoveObject2Tag(1) +
                             PlaceObject2Tag(At(1, 2)) + ShowFrameTag() + ShowFrameTag();
    const Bytes swf = MakeMovie(TwoShapes() + DefineSpriteTag(3, 3, spriteTags) +
                                PlaceObject2Tag(At(1, 3)) + ShowFrameTag());
    const movie::Movie m = ParseOrFail(swf);
    movie::Player player(m);
    const uint32_t frames[] = {0, 1, 2, 0, 1};
    const int ids[] = {1, 2, 2, 1, 2};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const movie::SpriteState& sprite = *player.root().objects.at(1).sprite;
        EXPECT_EQ(player.frame(), 0u);
        EXPECT_EQ(sprite.frame, frames[i]);
        EXPECT_EQ(sprite.objects.at(1).characterId, ids[i]);
        player.Advance();
    }
    // Drawn: red on the sprite's first frame, blue on its second.
    EXPECT_TRUE(PixelNear(RenderFrame(swf, 1), 5, 5, kRed));
    EXPECT_TRUE(PixelNear(RenderFrame(swf, 2), 5, 5, kBlue));
}

// A movie of five frames whose frames carry the given actions.
Bytes ActionMovie(const std::vector<Bytes>& actions) {
    Bytes tags;
    for (size_t i = 0; i < 5; ++i) {
        if (i == 3)
            tags = tags + FrameLabelTag("four");
        if (i < actions.size() && !actions[i].empty())
            tags = tags + DoActionTag(actions[i]);
        tags = tags + ShowFrameTag();
    }
    return MakeMovie(tags, 5);
}

TEST(Actions, StopPlayAndGoToOnTheMainTimeline) {
    const Bytes stop = ActionRecord(0x07), play = ActionRecord(0x06);
    struct Case {
        const char* name;
        std::vector<Bytes> actions;
        std::vector<uint32_t> frames; // after 0, 1, 2, ... advances
    } cases[] = {
        {"plays and loops", {}, {0, 1, 2, 3, 4, 0}},
        {"stop", {{}, stop}, {0, 1, 1, 1}},
        {"go to and stop", {ActionGotoFrame(3) + stop}, {3, 3, 3}},
        {"go to and play", {ActionGotoFrame(3) + play}, {3, 4, 3, 4}},
        {"go to a label", {{}, ActionGotoLabel("four") + stop}, {0, 3, 3}},
        {"an unknown label does nothing", {ActionGotoLabel("none")}, {0, 1, 2}},
        {"next frame", {{}, ActionRecord(0x04)}, {0, 2, 2}},
        {"previous frame", {{}, {}, ActionRecord(0x05)}, {0, 1, 1, 1}},
        {"a frame going to itself", {ActionGotoFrame(0)}, {0, 1, 2}},
        {"a ring of jumps ends", {ActionGotoFrame(1), ActionGotoFrame(0)}, {1}},
        {"past the last frame is the last", {ActionGotoFrame(900) + stop}, {4, 4}},
        {"other actions are skipped", {Bytes{0x96, 0x02, 0x00, 0x00, 0x00} + stop}, {0, 0}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const movie::Movie m = ParseOrFail(ActionMovie(k.actions));
        movie::Player player(m);
        for (size_t i = 0; i < k.frames.size(); ++i) {
            EXPECT_EQ(player.frame(), k.frames[i]) << "after " << i << " frames";
            player.Advance();
        }
    }
}

TEST(Actions, RunOnTheSpriteTheyBelongTo) {
    // The sprite stops on its second frame; the main timeline plays on and
    // loops, and the sprite, still at its depth, stays where it stopped.
    const Bytes spriteTags =
        ShowFrameTag() + DoActionTag(ActionRecord(0x07)) + ShowFrameTag() + ShowFrameTag();
    const movie::Movie m =
        ParseOrFail(MakeMovie(DefineSpriteTag(1, 3, spriteTags) + PlaceObject2Tag(At(1, 1)) +
                                  ShowFrameTag() + ShowFrameTag(),
                              2));
    movie::Player player(m);
    for (int i = 0; i < 4; ++i)
        player.Advance();
    EXPECT_EQ(player.frame(), 0u);
    EXPECT_EQ(player.root().objects.at(1).sprite->frame, 1u);
    EXPECT_FALSE(player.root().objects.at(1).sprite->playing);
}

TEST(HostileTimelines, SelfContainingSpritesAreNotPlaced) {
    struct Case {
        const char* name;
        Bytes tags;
        size_t objects;
    } cases[] = {
        {"a sprite placing itself",
         DefineSpriteTag(1, 1, PlaceObject2Tag(At(1, 1)) + ShowFrameTag()) +
             PlaceObject2Tag(At(1, 1)) + ShowFrameTag(),
         1},
        {"two sprites placing each other",
         DefineSpriteTag(1, 1, PlaceObject2Tag(At(1, 2)) + ShowFrameTag()) +
             DefineSpriteTag(2, 1, PlaceObject2Tag(At(1, 1)) + ShowFrameTag()) +
             PlaceObject2Tag(At(1, 1)) + ShowFrameTag(),
         2},
        {"a character that is not there", PlaceObject2Tag(At(1, 9)) + ShowFrameTag(), 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const Bytes swf = MakeMovie(k.tags);
        const movie::Movie m = ParseOrFail(swf);
        movie::Player player(m);
        player.Advance();
        EXPECT_EQ(player.objectCount(), k.objects);
        EXPECT_TRUE(PixelNear(RenderFrame(swf), 5, 5, kWhite));
    }
}

TEST(HostileTimelines, LargeDisplayListsStayWithinTheObjectCap) {
    // 50,000 shapes in a sprite placed twice: 100,002 objects, all drawn.
    Bytes many;
    for (int depth = 1; depth <= 50000; ++depth)
        Append(many, PlaceObject2Tag(At(static_cast<uint16_t>(depth), 1)));
    const Bytes shape = RectangleShapeTag(1, 1, 0, 0, 100 * kPx, 100 * kPx, Solid(255, 0, 0));
    const Bytes swf =
        MakeMovie(shape + DefineSpriteTag(2, 1, many + ShowFrameTag()) + PlaceObject2Tag(At(1, 2)) +
                  PlaceObject2Tag(At(2, 2)) + ShowFrameTag());
    const movie::Movie m = ParseOrFail(swf);
    movie::Player player(m);
    EXPECT_EQ(player.objectCount(), 100002u);
    EXPECT_TRUE(PixelNear(RenderFrame(swf, 1, 55, 40), 5, 5, kRed));
    // Six placements of 50,000 pass the cap: what fits is placed, no more.
    Bytes six;
    for (uint16_t depth = 1; depth <= 6; ++depth)
        six = six + PlaceObject2Tag(At(depth, 2));
    const movie::Movie crowded = ParseOrFail(
        MakeMovie(shape + DefineSpriteTag(2, 1, many + ShowFrameTag()) + six + ShowFrameTag()));
    movie::Player full(crowded);
    EXPECT_LE(full.objectCount(), movie::kMaxDisplayObjects);
    EXPECT_GT(full.objectCount(), movie::kMaxDisplayObjects - 50000);
}

} // namespace
} // namespace ww::test
