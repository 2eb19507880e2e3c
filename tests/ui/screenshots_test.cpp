// What a person sees of each page and of the About box, saved as pictures
// under the build tree (bin/ui-screenshots/) for a look by eye.
#include "builder/ui/resource.h"
#include "tests/support/fixtures.h"
#include "tests/support/swf_writer.h"
#include "tests/support/win32_driver.h"
#include "tests/ui/ui_harness.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace ww {
namespace {

using test::BuilderUnderTest;

TEST(Screenshots, EveryPageWithAProjectFilledIn) {
    BuilderUnderTest b;
    const std::string movie = b.folder() / "Ocean.swf";
    test::WriteFileBytes(movie, test::MakeSwf(test::StageRecipe(false)));
    b.answers().ChooseFile(movie);
    b.Click(b.info(), IDC_INFO_CHOOSE_MOVIE);
    b.Type(b.info(), IDC_INFO_WALLPAPER_NAME, "Ocean");
    b.Type(b.info(), IDC_INFO_PUBLISHER_NAME, "Tide Works");
    b.Type(b.info(), IDC_INFO_PUBLISHER_URL, "http://tide.example.invalid/");
    b.Type(b.info(), IDC_INFO_COPYRIGHT, "(c) Tide Works");
    const char* names[] = {"1-information", "2-setting", "3-installer", "4-build"};
    for (int page = 1; page <= 4; ++page) {
        if (page > 1)
            b.ClickMain(IDC_MAIN_NEXT);
        ASSERT_EQ(b.ShownPage(), page);
        std::string path = test::SaveScreenshot(b.main(), names[page - 1]);
        ASSERT_FALSE(path.empty());
        EXPECT_GT(test::ReadFileBytes(path).size(), 100000u);
    }
}

// The About box is modal: a timer inside its loop looks at it and closes it.
struct AboutSeen {
    bool found = false;
    std::string title;
    std::string homepage;
    std::string email;
    std::string homepageTip;
    std::string screenshot;
};
AboutSeen gAbout;

std::string ToolText(HWND tooltip, HWND tool) {
    char text[256] = "";
    TTTOOLINFOA info{};
    info.cbSize = sizeof info;
    info.hwnd = tool;
    info.uId = 1;
    info.lpszText = text;
    SendMessageA(tooltip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
    return text;
}

BOOL CALLBACK FindTip(HWND window, LPARAM lParam) {
    if (test::ClassNameOf(window) == TOOLTIPS_CLASSA) {
        std::string text =
            ToolText(window, GetDlgItem(reinterpret_cast<HWND>(lParam), IDC_ABOUT_HOMEPAGE));
        if (!text.empty())
            gAbout.homepageTip = text;
    }
    return TRUE;
}

void CALLBACK LookAtAbout(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND about = FindWindowA(nullptr, "About Wallweaver Version 1.0");
    if (!about)
        return;
    KillTimer(nullptr, timer);
    gAbout.found = true;
    gAbout.homepage = test::WindowText(GetDlgItem(about, IDC_ABOUT_HOMEPAGE));
    gAbout.email = test::WindowText(GetDlgItem(about, IDC_ABOUT_EMAIL));
    EnumThreadWindows(GetCurrentThreadId(), &FindTip, reinterpret_cast<LPARAM>(about));
    gAbout.screenshot = test::SaveScreenshot(about, "5-about");
    SendMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
}

TEST(Screenshots, TheAboutBoxWithItsTwoLinks) {
    BuilderUnderTest b;
    for (int way = 0; way < 2; ++way) {
        gAbout = AboutSeen();
        SetTimer(nullptr, 0, 100, &LookAtAbout);
        if (way == 0)
            b.Menu(ID_HELP_ABOUT);
        else
            SendMessageA(b.main(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        ASSERT_TRUE(gAbout.found) << way;
        EXPECT_EQ(gAbout.homepage, "http://wallweaver.example.invalid/");
        EXPECT_EQ(gAbout.email, "E-Mail:support@wallweaver.example.invalid");
        EXPECT_EQ(gAbout.homepageTip, "http://wallweaver.example.invalid/");
        EXPECT_FALSE(gAbout.screenshot.empty());
    }
    EXPECT_TRUE(b.answers().boxes.empty());
}

} // namespace
} // namespace ww
