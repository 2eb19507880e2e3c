// The Tab order: which stop Tab and Shift+Tab choose, how tabIndex values
// compare, and the order a movie's fields and clips are visited in.
#include "movie/focus.h"
#include "tests/movie/movie_test_util.h"

#include <cmath>
#include <string>
#include <vector>

namespace ww::test {
namespace {

using movie::TabStop;

TEST(TabOrder, ChoosesTheNearestStopPastTheFocus) {
    const std::vector<TabStop> stops = {{10, 5}, {10, 1}, {20, 0}, {10, 5}, {5, 9}};
    const TabStop middle{10, 3}, last{20, 0}, first{5, 9}, between{15, 0};
    const struct {
        const char* name;
        const TabStop* from;
        bool backwards;
        size_t want;
    } cases[] = {
        {"from nowhere Tab takes the first", nullptr, false, 4},
        {"from nowhere Shift+Tab takes the last", nullptr, true, 2},
        {"minor breaks a tie of major", &first, false, 1},
        {"of equal stops the first in order", &middle, false, 0},
        {"backwards to the nearest before", &middle, true, 1},
        {"backwards reaches the first of equal stops", &last, true, 0},
        {"past the last Tab wraps to the first", &last, false, 4},
        {"before the first Shift+Tab wraps to the last", &first, true, 2},
        {"a focus between stops goes to the next", &between, false, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(movie::ChooseTabStop(stops, c.from, c.backwards), c.want);
    }
    EXPECT_EQ(movie::ChooseTabStop({}, nullptr, false), movie::kNoTabStop);
}

TEST(TabOrder, ComparesTabIndexAsSigned32Bits) {
    const struct {
        double value;
        bool field;
        int32_t want;
    } cases[] = {
        {4294967293.0, true, -3},          // a field keeps -3 unsigned
        {2147483648.0, true, INT32_MIN},   // and wraps past the largest
        {1.9, true, 1},                    // fractions are cut
        {NAN, true, 0},                    //
        {-4, false, -4},                   // clips and buttons keep the sign
        {2147483647.0, false, INT32_MAX},  //
        {2147483648.0, false, INT32_MIN},  // out of range
        {4294967293.0, false, INT32_MIN},  //
        {-2147483649.0, false, INT32_MIN}, //
        {NAN, false, INT32_MIN},           // not a number
        {-1.5, false, -1},                 // toward zero
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << (c.field ? " field" : " clip"));
        EXPECT_EQ(movie::TabIndexAsInt(c.value, c.field), c.want);
    }
}

// obj.name = value
ActionWriter SetMember(const std::string& obj, const std::string& name, const PushValue& value) {
    ActionWriter w;
    w.Get(obj).Push({PushString(name), value}).Op(0x4F);
    return w;
}

// Input fields a and b at one place, c below them and d to the right
// between the two rows; a Selection listener traces where the focus goes.
// setup runs before the listener is added.
Bytes FieldsMovie(const ActionWriter& setup) {
    EditTextRecipe field;
    field.readOnly = false;
    field.xmax = 40 * kPx;
    field.ymax = 20 * kPx;
    field.text = "";
    const struct {
        const char* name;
        int x, y;
    } places[] = {{"a", 10, 10}, {"b", 10, 10}, {"c", 10, 100}, {"d", 200, 50}};
    Bytes tags = DefineEditTextTag(1, field);
    uint16_t depth = 1;
    for (const auto& p : places) {
        PlaceRecipe place;
        place.depth = depth++;
        place.characterId = 1;
        place.name = p.name;
        place.hasMatrix = true;
        place.matrix.tx = p.x * kPx;
        place.matrix.ty = p.y * kPx;
        tags = tags + PlaceObject2Tag(place);
    }
    ActionWriter script = setup;
    script.Push({PushString("s"), PushInt(0)}).Op(0x43).Op(0x1D);
    ActionWriter focus;
    focus.Get("to").Trace();
    script.Get("s").Push({PushString("onSetFocus")}).Function("", {"from", "to"}, focus).Op(0x4F);
    script.Get("s").Push({PushInt(1)}).Get("Selection").Push({PushString("addListener")});
    script.Op(0x52).Op(0x17);
    SwfRecipe movie = StageRecipe(false);
    movie.version = 8;
    movie.tags = tags + DoActionTag(script.Records()) + ShowFrameTag();
    return MakeSwf(movie);
}

TEST(TabOrder, VisitsAMoviesFieldsAsFlashDoes) {
    const struct {
        const char* name;
        ActionWriter setup;
        int tabs;
        bool backwards;
        std::vector<std::string> want;
    } cases[] = {
        {"by place, a field at an earlier one's place is passed over",
         ActionWriter(),
         4,
         false,
         {"_level0.a", "_level0.d", "_level0.c", "_level0.a"}},
        {"Shift+Tab walks the other way",
         ActionWriter(),
         3,
         true,
         {"_level0.c", "_level0.d", "_level0.a"}},
        {"by tabIndex, signed, -1 and unset fields passed over",
         ActionWriter()
             .Raw(SetMember("a", "tabIndex", PushInt(5)).Records())
             .Raw(SetMember("b", "tabIndex", PushDouble(4294967293.0)).Records())
             .Raw(SetMember("c", "tabIndex", PushInt(-1)).Records()),
         3,
         false,
         {"_level0.b", "_level0.a", "_level0.b"}},
        {"an equal tabIndex keeps every field, in display order",
         ActionWriter()
             .Raw(SetMember("d", "tabIndex", PushInt(2)).Records())
             .Raw(SetMember("c", "tabIndex", PushInt(2)).Records()),
         3,
         false,
         {"_level0.c", "_level0.d", "_level0.c"}},
        {"tabEnabled false passes a field over",
         SetMember("d", "tabEnabled", PushBool(false)),
         2,
         false,
         {"_level0.a", "_level0.c"}},
        {"the root's tabChildren false turns Tab off",
         SetMember("_root", "tabChildren", PushBool(false)),
         2,
         false,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        movie::Movie m = ParseOrFail(FieldsMovie(c.setup));
        std::vector<std::string> lines;
        movie::ScriptOptions options;
        options.trace = [&lines](const std::string& l) { lines.push_back(l); };
        movie::Player player(m, options);
        if (c.backwards)
            player.KeyDown(16, 0);
        for (int i = 0; i < c.tabs; ++i) {
            player.KeyDown(9, 9);
            player.KeyUp(9, 9);
        }
        EXPECT_EQ(lines, c.want);
    }
}

} // namespace
} // namespace ww::test
