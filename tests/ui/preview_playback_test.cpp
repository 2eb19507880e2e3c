// The Information page's preview where the Flash Player control is missing:
// our renderer plays the movie in a small picture of this screen, with the
// Setting page's choices, and only while the page shows.
#include "builder/ui/resource.h"
#include "common/fs.h"
#include "common/path.h"
#include "tests/support/cli_runner.h"
#include "tests/support/fixtures.h"
#include "tests/support/win32_driver.h"
#include "tests/support/win32_frames.h"
#include "tests/ui/ui_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace ww {
namespace {

using test::BuilderUnderTest;
using test::Pixels;

// Lets the window's timers run for a while.
void RunFor(BuilderUnderTest& b, DWORD ms) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(20))
        b.Pump();
}

class PreviewPlayback : public ::testing::Test {
  protected:
    void SetUp() override {
        movie_ = b_.folder() / "wave.swf";
        const std::string writer = "\"\"" + FolderOfPath(ModuleFilePath()) +
                                   "make_sample_movie.exe\" \"" + movie_ + "\"\"";
        ASSERT_EQ(std::system(writer.c_str()), 0);
        b_.answers().ChooseFile(movie_);
        b_.Click(b_.info(), IDC_INFO_CHOOSE_MOVIE);
        b_.Type(b_.info(), IDC_INFO_WALLPAPER_NAME, "Ocean");
    }
    MovieView& view() { return b_.window().informationPage.preview.movieView(); }
    // The movie's box as the screen shows it now.
    Pixels Box() {
        Pixels client, box;
        EXPECT_TRUE(test::CaptureClient(view().hwnd(), &client));
        const RECT r = view().box();
        box.width = r.right - r.left;
        box.height = r.bottom - r.top;
        for (int y = r.top; y < r.bottom; ++y) {
            const uint8_t* row =
                client.rgb.data() + (static_cast<size_t>(y) * client.width + r.left) * 3;
            box.rgb.insert(box.rgb.end(), row, row + box.width * 3);
        }
        return box;
    }

    BuilderUnderTest b_;
    std::string movie_;
};

TEST_F(PreviewPlayback, ShowsTheFrameTheCommandLineDraws) {
    ASSERT_FALSE(b_.window().informationPage.preview.hostsPlayer());
    ASSERT_TRUE(view().hasMovie());
    SetForegroundWindow(b_.main());
    RunFor(b_, 800);
    view().SetPaused(true);
    InvalidateRect(view().hwnd(), nullptr, FALSE);
    RunFor(b_, 300);
    const uint64_t frame = view().ticks() + 1;
    EXPECT_GT(frame, 1u) << "the movie did not play";
    const Pixels shown = Box();
    ASSERT_GT(shown.width, 0);
    const test::CliResult run = test::RunCli(
        b_.folder(), {"render", movie_, b_.folder() / "frame.png", "--frame", std::to_string(frame),
                      "--width", std::to_string(shown.width), "--height",
                      std::to_string(shown.height), "--background", "#FFFFFF"});
    ASSERT_EQ(run.status, 0) << run.err;
    Pixels drawn;
    ASSERT_TRUE(test::ReadPng(b_.folder() / "frame.png", &drawn));
    EXPECT_LT(test::MeanDifference(shown, drawn), 4.0) << "frame " << frame;
    test::SaveBmp(shown, test::ArtefactFolder() + "preview-frame.bmp");
    EXPECT_FALSE(test::SaveScreenshot(b_.main(), "0-preview-playing").empty());
}

TEST_F(PreviewPlayback, TheSettingPagesChoicesTakeEffectAtOnce) {
    // The Setting page takes the movie's size on being entered.
    b_.ClickMain(IDC_MAIN_NEXT);
    ASSERT_EQ(b_.ShownPage(), 2);
    const RECT centred = view().box();
    EXPECT_GT(centred.left, 0);
    b_.PickListEntry(b_.setting(), IDC_SET_HORIZONTAL, 0);
    const RECT left = view().box();
    EXPECT_LT(left.left, centred.left);
    EXPECT_EQ(left.left, 0);
    b_.PickListEntry(b_.setting(), IDC_SET_HORIZONTAL, 2);
    EXPECT_GT(view().box().left, centred.left);
    RECT client{};
    GetClientRect(view().hwnd(), &client);
    EXPECT_EQ(view().box().right, client.right);

    b_.Type(b_.setting(), IDC_SET_COLOUR, "#102030");
    EXPECT_TRUE(view().settings().hasBackground);
    EXPECT_EQ(view().settings().background.r, 0x10);
    EXPECT_EQ(view().settings().background.b, 0x30);

    b_.Click(b_.setting(), IDC_SET_AUTO_PLAY);
    EXPECT_FALSE(view().settings().play);
    b_.Click(b_.setting(), IDC_SET_LOOP);
    EXPECT_FALSE(view().settings().loop);
    b_.PickListEntry(b_.setting(), IDC_SET_SCALE, 2);
    EXPECT_EQ(view().settings().scale, movie::ScaleMode::ExactFit);
}

// The preview is a picture of this screen: the screen's shape inside the
// monitor's frame, and in it what the live wallpaper shows (the page's box,
// scale and background), scaled alike across and down.
TEST_F(PreviewPlayback, IsAPictureOfTheScreenAsTheWallpaperShowsIt) {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const struct {
        int dimensions; // the Setting page's list: 0 the movie's size, 2 percent
        int scale;      // 0 showall, 1 noborder, 2 exactfit
        const char* scaleName;
    } cases[] = {{2, 0, "showall"}, {2, 1, "noborder"}, {2, 2, "exactfit"}, {0, 0, "showall"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.dimensions) + " " + c.scaleName);
        b_.ClickMain(IDC_MAIN_NEXT);
        ASSERT_EQ(b_.ShownPage(), 2);
        b_.PickListEntry(b_.setting(), IDC_SET_DIMENSIONS, c.dimensions);
        b_.PickListEntry(b_.setting(), IDC_SET_SCALE, c.scale);
        b_.Type(b_.setting(), IDC_SET_COLOUR, "#102030");
        b_.ClickMain(IDC_MAIN_BACK);
        view().SetPaused(false);
        RunFor(b_, 500);
        view().SetPaused(true);
        InvalidateRect(view().hwnd(), nullptr, FALSE);
        RunFor(b_, 300);
        const uint64_t frame = view().ticks() + 1;

        Pixels shown;
        ASSERT_TRUE(test::CaptureClient(view().hwnd(), &shown));
        // The screen's proportions, to the pixel, inside the monitor picture.
        EXPECT_LE(
            std::abs(int64_t(shown.width) * screenHeight - int64_t(shown.height) * screenWidth),
            std::max(screenWidth, screenHeight));
        RECT frameRect{}, viewRect{};
        GetWindowRect(b_.window().informationPage.preview.hwnd(), &frameRect);
        GetWindowRect(view().hwnd(), &viewRect);
        EXPECT_TRUE(viewRect.left >= frameRect.left && viewRect.right <= frameRect.right &&
                    viewRect.top >= frameRect.top && viewRect.bottom <= frameRect.bottom);

        // The page's background around the box, the frame the command line
        // draws in it.
        const RECT box = view().box();
        const int boxWidth = box.right - box.left, boxHeight = box.bottom - box.top;
        ASSERT_GT(boxWidth, 0);
        const test::CliResult run =
            test::RunCli(b_.folder(), {"render", movie_, b_.folder() / "frame.png", "--frame",
                                       std::to_string(frame), "--width", std::to_string(boxWidth),
                                       "--height", std::to_string(boxHeight), "--scale",
                                       c.scaleName, "--background", "#102030"});
        ASSERT_EQ(run.status, 0) << run.err;
        Pixels drawn, expected = shown;
        ASSERT_TRUE(test::ReadPng(b_.folder() / "frame.png", &drawn));
        for (int y = 0; y < expected.height; ++y) {
            for (int x = 0; x < expected.width; ++x) {
                uint8_t* px = &expected.rgb[(static_cast<size_t>(y) * expected.width + x) * 3];
                const bool inBox = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
                const uint8_t* from =
                    inBox ? &drawn.rgb[(static_cast<size_t>(y - box.top) * drawn.width +
                                        (x - box.left)) *
                                       3]
                          : nullptr;
                const uint8_t background[3] = {0x10, 0x20, 0x30};
                std::copy_n(from ? from : background, 3, px);
            }
        }
        EXPECT_LT(test::MeanDifference(shown, expected), 4.0) << "frame " << frame;
        test::SaveBmp(shown, test::ArtefactFolder() + "preview-" + std::to_string(c.dimensions) +
                                 "-" + c.scaleName + ".bmp");
    }
}

TEST_F(PreviewPlayback, NothingIsDrawnWhileThePageIsHidden) {
    RunFor(b_, 400);
    b_.ClickMain(IDC_MAIN_NEXT);
    ASSERT_EQ(b_.ShownPage(), 2);
    RunFor(b_, 200);
    const uint64_t hidden = view().ticks();
    RunFor(b_, 600);
    EXPECT_EQ(view().ticks(), hidden);
    b_.ClickMain(IDC_MAIN_BACK);
    RunFor(b_, 600);
    EXPECT_GT(view().ticks(), hidden);
}

} // namespace
} // namespace ww
