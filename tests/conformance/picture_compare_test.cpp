// Both rules on pictures made to sit just inside and just outside them, and
// the expected pictures' decoding.
#include "tests/conformance/picture_compare.h"

#include "movie/raster.h"
#include "movie/render.h"
#include "tests/support/fixtures.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace ww::conformance {
namespace {

constexpr int kSide = 20; // 400 pixels: 5 % is 20 of them

Picture Grey(int width = kSide, int height = kSide, uint8_t level = 100) {
    Picture p;
    p.width = width;
    p.height = height;
    p.rgba.assign(size_t(width) * height * 4, level);
    for (size_t i = 3; i < p.rgba.size(); i += 4)
        p.rgba[i] = 255;
    return p;
}

// The grey picture with count pixels moved by delta on one channel.
Picture Shifted(int count, int delta, int channel = 0) {
    Picture p = Grey();
    for (int i = 0; i < count; ++i)
        p.rgba[size_t(i) * 4 + channel] = uint8_t(p.rgba[size_t(i) * 4 + channel] + delta);
    return p;
}

TEST(PictureCompare, JudgesByTheSuitesRuleAndByOurs) {
    const std::vector<SuiteCheck> exact{{0, 0}};
    struct Case {
        const char* what;
        Picture actual;
        std::vector<SuiteCheck> checks;
        bool suitePass, ourPass;
        const char* reason;
    } cases[] = {
        {"identical", Grey(), exact, true, true, ""},
        {"one pixel at the tolerance", Shifted(1, 2), {{2, 0}}, true, true, ""},
        {"one pixel over it",
         Shifted(1, 3),
         {{2, 0}},
         false,
         true,
         "suite rule: 1 pixels off by more than 2 (suite allows 0); 100.0 % within +-16"},
        {"outliers within the allowance", Shifted(5, -3, 2), {{2, 5}}, true, true, ""},
        {"alpha counts as a channel", Shifted(1, -1, 3), exact, false, true,
         "suite rule: 1 pixels off by more than 0 (suite allows 0); 100.0 % within +-16"},
        {"every check must hold",
         Shifted(3, 60),
         {{10, 3}, {50, 2}},
         false,
         true,
         "suite rule: 3 pixels off by more than 50 (suite allows 2); 99.2 % within +-16"},
        {"5 % far off", Shifted(20, 17), {{16, 20}}, true, true, ""},
        {"just over 5 % far off",
         Shifted(21, 17),
         {{16, 20}},
         false,
         false,
         "percentage off: 94.8 % of pixels within +-16 (needs 95.0 %); 21 pixels off by more "
         "than 16 (suite allows 20)"},
        {"many pixels off by 16", Shifted(400, -16), {{16, 0}}, true, true, ""},
        {"far off, though the suite is lenient",
         Shifted(100, 90),
         {{128, 0}},
         true,
         false,
         "percentage off: 75.0 % of pixels within +-16 (needs 95.0 %)"},
        {"size mismatch", Grey(kSide, kSide + 1), exact, false, false,
         "size mismatch: expected 20x20, rendered 20x21"},
    };
    const Picture expected = Grey();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ComparisonVerdict v =
            Judge(ComparePictures(expected, c.actual), c.checks, expected, c.actual);
        EXPECT_EQ(v.suitePass, c.suitePass);
        EXPECT_EQ(v.ourPass, c.ourPass);
        EXPECT_EQ(v.reason, c.reason);
    }
}

TEST(PictureCompare, DecodesAPngAndRefusesOtherFiles) {
    test::TempDir dir;
    movie::Canvas canvas;
    canvas.width = 3;
    canvas.height = 2;
    canvas.pixels = {10, 20, 30, 255, 0, 0, 0, 0,   255, 255, 255, 255,
                     1,  2,  3,  255, 4, 5, 6, 255, 7,   8,   9,   255};
    ASSERT_TRUE(movie::WritePng(canvas, dir / "good.png"));
    Picture p;
    std::string error;
    ASSERT_TRUE(DecodePng(dir / "good.png", &p, &error)) << error;
    EXPECT_EQ(p.width, 3);
    EXPECT_EQ(p.height, 2);
    EXPECT_EQ(p.rgba, canvas.pixels);

    test::WriteFileText(dir / "text.png", "not a picture at all");
    test::Bytes cut = test::ReadFileBytes(dir / "good.png");
    cut.resize(cut.size() / 2);
    test::WriteFileBytes(dir / "cut.png", cut);
    test::WriteFileBytes(dir / "empty.png", {});
    for (const char* name : {"text.png", "cut.png", "empty.png", "absent.png"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(DecodePng(dir / name, &p, &error));
        EXPECT_NE(error.find(name), std::string::npos) << error;
    }
}

} // namespace
} // namespace ww::conformance
