// Bitmap files read and drawn as the setup wizard draws its images: every
// depth it meets drawn stretched with the right colour, and every kind of
// lying header refused before GDI sees it.
#include "common/win32/bitmap_view.h"
#include "tests/support/bitmap_writer.h"
#include "tests/support/fixtures.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace ww {
namespace {

using test::BitmapRecipe;
using test::Bytes;

// A 40 x 20 canvas, white, into which a bitmap is stretched.
class Canvas {
  public:
    Canvas() {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, 40, 20);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        PatBlt(dc_, 0, 0, 40, 20, WHITENESS);
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    // 0xRRGGBB at a point.
    uint32_t At(int x, int y) const {
        COLORREF c = GetPixel(dc_, x, y);
        return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }

  private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

// 16-bit pixels widen five bits to eight, so channels may differ a little.
::testing::AssertionResult Near(uint32_t got, uint32_t want) {
    for (int shift = 0; shift < 24; shift += 8) {
        int a = (got >> shift) & 0xFF, b = (want >> shift) & 0xFF;
        if (a - b > 8 || b - a > 8)
            return ::testing::AssertionFailure() << std::hex << got << " is not " << want;
    }
    return ::testing::AssertionSuccess();
}

TEST(BitmapView, DrawsEveryDepthStretchedIntoTheRectangle) {
    test::TempDir dir;
    const BitmapRecipe bitmapRecipes[] = {
        {8, 4, 24, 0x2040C0, false, 40},  {5, 3, 1, 0x2040C0, false, 40},
        {7, 3, 4, 0x2040C0, false, 40},   {3, 3, 8, 0x2040C0, false, 40},
        {6, 2, 16, 0x2040C0, false, 40},  {6, 2, 16, 0x2040C0, true, 40},
        {4, 4, 32, 0x2040C0, false, 40},  {4, 4, 32, 0x2040C0, true, 40},
        {4, 4, 32, 0x2040C0, true, 124},  {9, -5, 24, 0x2040C0, false, 40},
        {9, 5, 24, 0x2040C0, false, 108},
    };
    for (const BitmapRecipe& recipe : bitmapRecipes) {
        SCOPED_TRACE(::testing::Message() << recipe.bitCount << " bits, " << recipe.width << " x "
                                          << recipe.height << ", header " << recipe.headerSize
                                          << (recipe.bitFields ? ", bit fields" : ""));
        test::WriteFileBytes(dir / "image.bmp", test::MakeBitmap(recipe));
        BitmapView view;
        ASSERT_TRUE(view.Load(dir / "image.bmp"));
        EXPECT_EQ(view.width(), recipe.width);
        EXPECT_EQ(view.height(), recipe.height < 0 ? -recipe.height : recipe.height);
        Canvas canvas;
        RECT rect = {10, 5, 30, 15};
        ASSERT_TRUE(view.DrawStretched(canvas.dc(), rect));
        EXPECT_TRUE(Near(canvas.At(10, 5), recipe.colour));
        EXPECT_TRUE(Near(canvas.At(29, 14), recipe.colour));
        EXPECT_EQ(canvas.At(9, 5), 0xFFFFFFu) << "drawn outside the rectangle";
        EXPECT_EQ(canvas.At(30, 14), 0xFFFFFFu) << "drawn outside the rectangle";
    }
}

TEST(BitmapView, RefusesAnyFileThatLiesAboutItsSizes) {
    test::TempDir dir;
    const Bytes good = test::MakeBitmap({8, 4, 24, 0x2040C0, false, 40});
    const Bytes palette = test::MakeBitmap({8, 4, 8, 0x2040C0, false, 40});
    auto with = [](Bytes b, size_t at, uint32_t v) {
        test::PutU32(b, at, v);
        return b;
    };
    auto cut = [](Bytes b, size_t n) {
        b.resize(b.size() - n);
        return b;
    };
    Bytes notBm = good;
    notBm[0] = 'M';
    Bytes sevenBits = good;
    sevenBits[test::kBmpBitCountAt] = 7;
    Bytes twoPlanes = good;
    twoPlanes[26] = 2;
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"empty file", {}},
        {"only the file header", Bytes(good.begin(), good.begin() + 14)},
        {"not BM", notBm},
        {"info header cut short", Bytes(good.begin(), good.begin() + 40)},
        {"last pixel byte missing", cut(good, 1)},
        {"width beyond the pixels", with(good, test::kBmpWidthAt, 9)},
        {"height beyond the pixels", with(good, test::kBmpHeightAt, 5)},
        {"huge width", with(good, test::kBmpWidthAt, 0x7FFFFFFF)},
        {"huge negative height", with(good, test::kBmpHeightAt, 0x80000000u)},
        {"zero width", with(good, test::kBmpWidthAt, 0)},
        {"negative width", with(good, test::kBmpWidthAt, 0xFFFFFFF8u)},
        {"zero height", with(good, test::kBmpHeightAt, 0)},
        {"palette larger than the depth allows", with(palette, test::kBmpColoursUsedAt, 257)},
        {"colour table beyond the file", with(good, test::kBmpColoursUsedAt, 0x40000000)},
        {"run-length compression", with(palette, test::kBmpCompressionAt, 1)},
        {"bit fields on 24 bits", with(good, test::kBmpCompressionAt, 3)},
        {"unknown depth", sevenBits},
        {"two planes", twoPlanes},
        {"old 12-byte header", with(good, 14, 12)},
        {"header size beyond the file", with(good, 14, 0xFFFFFFFF)},
        {"header size 124 without room", with(good, 14, 124)},
    };
    for (const auto& c : cases) {
        test::WriteFileBytes(dir / "image.bmp", c.bytes);
        BitmapView view;
        EXPECT_FALSE(view.Load(dir / "image.bmp")) << c.what;
        EXPECT_FALSE(view.loaded()) << c.what;
        Canvas canvas;
        RECT rect = {0, 0, 40, 20};
        EXPECT_FALSE(view.DrawStretched(canvas.dc(), rect)) << c.what;
        EXPECT_EQ(canvas.At(20, 10), 0xFFFFFFu) << c.what;
    }
}

} // namespace
} // namespace ww
