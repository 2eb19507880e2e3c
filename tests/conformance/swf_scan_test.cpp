// Telling ActionScript 3 movies apart by their tags, on whole, compressed,
// cut and broken files.
#include "tests/conformance/swf_scan.h"

#include "tests/support/swf_writer.h"

#include <gtest/gtest.h>

namespace ww::conformance {
namespace {

using test::Bytes;
using test::operator+;

Bytes Movie(bool compressed, const Bytes& tags, long long cutAt = -1) {
    test::SwfRecipe recipe = test::StageRecipe(compressed);
    recipe.tags = tags;
    recipe.truncateAt = cutAt;
    return test::MakeSwf(recipe);
}

TEST(SwfScan, FindsDoAbcInEveryFormOfMovie) {
    const Bytes abc = test::Tag(kDoAbcTag, Bytes(100, 7), true);
    const Bytes oldAbc = test::Tag(kDoAbcDefineTag, Bytes(10, 1));
    const Bytes plain = test::SetBackgroundColorTag(1, 2, 3) + test::ShowFrameTag();
    const Bytes actions = test::DoActionTag(test::ActionRecord(0x07));
    struct Case {
        const char* what;
        Bytes file;
        bool as3;
    } cases[] = {
        {"plain, no script", Movie(false, plain), false},
        {"ActionScript 1 only", Movie(true, actions + plain), false},
        {"DoABC", Movie(false, plain + abc), true},
        {"DoABC, compressed", Movie(true, abc + plain), true},
        {"the older DoABC", Movie(false, oldAbc + plain), true},
        {"the code in a long body of another tag",
         Movie(false, test::Tag(77, Bytes{0x92, 0x14}, true)), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::set<uint16_t> codes;
        std::string error;
        ASSERT_TRUE(ScanTagCodes(c.file, &codes, &error)) << error;
        EXPECT_EQ(CarriesActionScript3(codes), c.as3);
        EXPECT_TRUE(codes.count(0)); // the End tag ends the walk
    }
}

TEST(SwfScan, ACutMovieGivesTheTagsBeforeTheCut) {
    const Bytes tags =
        test::SetBackgroundColorTag(1, 2, 3) + test::Tag(kDoAbcTag, test::PatternBytes(4000, 3));
    for (bool compressed : {false, true}) {
        SCOPED_TRACE(compressed);
        const Bytes whole = Movie(compressed, tags);
        const Bytes cut = Movie(compressed, tags, (long long)whole.size() / 2);
        std::set<uint16_t> codes;
        std::string error;
        ASSERT_TRUE(ScanTagCodes(cut, &codes, &error)) << error;
        EXPECT_TRUE(codes.count(9));
        EXPECT_FALSE(codes.count(0));
    }
}

TEST(SwfScan, RefusesWhatIsNotAMovie) {
    struct Case {
        Bytes file;
        const char* error;
    } cases[] = {
        {{}, "not a SWF movie"},
        {{'F', 'W', 'S', 6, 20, 0, 0}, "not a SWF movie"},
        {{'Z', 'W', 'S', 13, 20, 0, 0, 0, 0}, "not a SWF movie"},
        {{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0}, "not a SWF movie"},
        {{'F', 'W', 'S', 6, 7, 0, 0, 0}, "the movie's length field is too small"},
        {{'F', 'W', 'S', 6, 8, 0, 0, 0}, "the movie has no body"},
        {{'C', 'W', 'S', 6, 100, 0, 0, 0, 1, 2, 3}, "the movie has no body"},
    };
    for (const Case& c : cases) {
        std::set<uint16_t> codes;
        std::string error;
        EXPECT_FALSE(ScanTagCodes(c.file, &codes, &error));
        EXPECT_EQ(error, c.error);
    }
}

} // namespace
} // namespace ww::conformance
