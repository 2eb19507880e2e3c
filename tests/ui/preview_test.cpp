// The desktop preview from the Build page: the checks, the calls made on the
// shell's Active Desktop object (seen through the recording stand-in), and
// the "Desktop Preview" dialog driven through its own timer messages.
#include "builder/ui/desktop_preview.h"
#include "builder/ui/resource.h"
#include "common/win32/active_desktop.h"
#include "common/win32/live_wallpaper.h"
#include "tests/support/fixtures.h"
#include "tests/support/win32_active_desktop.h"
#include "tests/support/win32_driver.h"
#include "tests/ui/builder_folder.h"
#include "tests/ui/ui_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace ww {
namespace {

using test::BuilderUnderTest;

// The stand-in reads its settings with getenv, which in this process sees
// only what _putenv sets.
void PutEnv(const std::string& name, const std::string& value) {
    std::string assignment = name + "=" + value;
    _putenv(assignment.c_str());
}

// What the dialog showed while a script answered it.
struct PreviewSeen {
    bool found = false;
    std::string caption;
    std::string textBeforeTick;
    bool timerRunning = false;
    std::vector<std::string> countdown;
    bool openAfterZero = false;
    std::string screenshot;
    int liveViews = 0; // movie windows of this thread behind the others
};

enum class Answer { Ok, Cancel, Close, TimeOut };

PreviewSeen gSeen;
Answer gAnswer = Answer::Cancel;

std::string CountdownShown(HWND dialog) {
    return test::WindowText(GetDlgItem(dialog, IDC_PREVIEW_COUNTDOWN));
}

void Tick(HWND dialog) {
    SendMessageA(dialog, WM_TIMER, kPreviewTimerId, 0);
    gSeen.countdown.push_back(CountdownShown(dialog));
}

// Looks for the dialog from inside its own loop and answers it. A time-out
// takes two looks: the second one finds the dialog still open after the tick
// that showed 0, and gives the tick that ends it.
bool gSecondLook = false;

BOOL CALLBACK CountLiveView(HWND window, LPARAM) {
    if (test::ClassNameOf(window) == "WallweaverMovieView" && IsWindowVisible(window))
        ++gSeen.liveViews;
    return TRUE;
}

int LiveViewsNow() {
    const int before = gSeen.liveViews;
    gSeen.liveViews = 0;
    EnumThreadWindows(GetCurrentThreadId(), &CountLiveView, 0);
    const int now = gSeen.liveViews;
    gSeen.liveViews = before;
    return now;
}

void CALLBACK AnswerPreview(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowA(nullptr, "Desktop Preview");
    if (!dialog)
        return;
    gSeen.liveViews = LiveViewsNow();
    if (gSecondLook) {
        KillTimer(nullptr, timer);
        gSecondLook = false;
        gSeen.openAfterZero = IsWindowVisible(dialog) != FALSE;
        SendMessageA(dialog, WM_TIMER, kPreviewTimerId, 0);
        return;
    }
    if (gAnswer == Answer::TimeOut)
        gSecondLook = true;
    else
        KillTimer(nullptr, timer);
    gSeen.found = true;
    gSeen.caption = test::WindowText(dialog);
    gSeen.textBeforeTick = CountdownShown(dialog);
    // The test steps the clock itself, so the real one is stopped.
    gSeen.timerRunning = KillTimer(dialog, kPreviewTimerId) != FALSE;
    Tick(dialog);
    switch (gAnswer) {
    case Answer::Ok:
        gSeen.screenshot = test::SaveScreenshot(dialog, "7-desktop-preview");
        SendMessageA(GetDlgItem(dialog, IDC_PREVIEW_OK), BM_CLICK, 0, 0);
        break;
    case Answer::Cancel:
        SendMessageA(GetDlgItem(dialog, IDC_PREVIEW_CANCEL), BM_CLICK, 0, 0);
        break;
    case Answer::Close:
        SendMessageA(dialog, WM_CLOSE, 0, 0);
        break;
    case Answer::TimeOut:
        for (int i = 0; i < 29; ++i)
            Tick(dialog);
        break;
    }
}

class DesktopPreview : public ::testing::Test {
  protected:
    void SetUp() override {
        test::FillBuilderFolder(b_.folder());
        movie_ = test::WriteMovie(b_.folder());
        test::WalkToBuildPage(b_, movie_);
        PutEnv("WALLWEAVER_AD_LOG", log_);
        PutEnv("WALLWEAVER_AD_PREVIOUS", "");
        ASSERT_TRUE(recorder_.registered());
        SetActiveDesktopSettingReader([this] { return activeDesktopOn_; });
    }
    void TearDown() override {
        SetActiveDesktopSettingReader(nullptr);
        PutEnv("WALLWEAVER_AD_LOG", "");
        PutEnv("WALLWEAVER_AD_PREVIOUS", "");
    }

    void Fill(const std::string& movie, const std::string& name) {
        b_.window().informationPage.SetItemText(IDC_INFO_MOVIE_PATH, movie);
        b_.window().informationPage.SetItemText(IDC_INFO_WALLPAPER_NAME, name);
    }
    // Presses the preview button; the script answers the dialog.
    void Preview(Answer answer) {
        gSeen = PreviewSeen();
        gAnswer = answer;
        gSecondLook = false;
        recorder_.Clear();
        b_.answers().Forget();
        SetTimer(nullptr, 0, 50, &AnswerPreview);
        b_.Click(b_.build(), IDC_BUILD_PREVIEW);
    }
    std::string TempPage() {
        return Workspace(b_.folder().path()).GetTempFolder() + "TempHTMLFile.htm";
    }

    BuilderUnderTest b_;
    std::string movie_;
    std::string log_ = b_.folder() / "desktop.log";
    test::ActiveDesktopRecorder recorder_{log_};
    bool activeDesktopOn_ = false;
};

TEST_F(DesktopPreview, RefusalsComeFirstAndTouchNothing) {
    // Another titled window is minimised with the builder; an untitled one is not.
    HWND titled = CreateWindowExA(0, "STATIC", "Another Program", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  10, 10, 200, 100, nullptr, nullptr, nullptr, nullptr);
    HWND untitled = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 200,
                                    100, nullptr, nullptr, nullptr, nullptr);
    b_.Pump();
    struct Case {
        std::string movie;
        std::string name;
        std::vector<std::string> messages;
        UINT icon;
    };
    const Case cases[] = {
        {"",
         "",
         {"Please enter the SWF file name!", "Please enter the Wallpaper name!"},
         MB_ICONERROR},
        {"", "Ocean", {"Please enter the SWF file name!"}, MB_ICONERROR},
        {movie_, "", {"Please enter the Wallpaper name!"}, MB_ICONERROR},
        {movie_,
         "Bad?Name",
         {"Incorrect Wallpaper Name, letters or number only!"},
         MB_ICONEXCLAMATION},
        {movie_, "a|b", {"Incorrect Wallpaper Name, letters or number only!"}, MB_ICONEXCLAMATION},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.movie + "/" + c.name);
        Fill(c.movie, c.name);
        Preview(Answer::Cancel);
        EXPECT_FALSE(gSeen.found);
        EXPECT_EQ(b_.answers().BoxTexts(), c.messages);
        for (const test::SeenMessageBox& box : b_.answers().boxes) {
            EXPECT_EQ(box.flags, UINT(MB_OK) | c.icon);
            EXPECT_EQ(box.title, "Wallweaver");
        }
        EXPECT_TRUE(recorder_.Calls().empty());
        EXPECT_FALSE(IsIconic(b_.main()));
    }
    EXPECT_TRUE(IsIconic(titled));
    EXPECT_FALSE(IsIconic(untitled));
    test::DestroyTopWindow(titled);
    test::DestroyTopWindow(untitled);
}

TEST_F(DesktopPreview, OffBeforeCancelCloseAndTimeOutSwitchItOffAgain) {
    Fill(movie_, "Ocean");
    const std::vector<std::string> applied = {
        "Create",
        "Create",
        "SetWallpaper " + TempPage() + " 0",
        "ApplyChanges 7",
        "SetDesktopItemOptions 12 1 1",
        "ApplyChanges 4",
        "Release",
    };
    std::vector<std::string> reverted = applied;
    reverted.insert(reverted.end(), {"SetDesktopItemOptions 12 0 0", "ApplyChanges 4", "Release"});
    for (Answer answer : {Answer::Cancel, Answer::Close, Answer::TimeOut}) {
        SCOPED_TRACE(static_cast<int>(answer));
        Preview(answer);
        ASSERT_TRUE(gSeen.found);
        EXPECT_EQ(gSeen.caption, "Desktop Preview");
        EXPECT_EQ(gSeen.textBeforeTick, "");
        EXPECT_TRUE(gSeen.timerRunning);
        EXPECT_EQ(gSeen.countdown.front(), "Reverting in 29 seconds");
        EXPECT_EQ(recorder_.Calls(), reverted);
        EXPECT_TRUE(b_.answers().boxes.empty());
        EXPECT_FALSE(IsIconic(b_.main()));
        if (answer == Answer::TimeOut) {
            ASSERT_EQ(gSeen.countdown.size(), 30u);
            EXPECT_EQ(gSeen.countdown[28], "Reverting in 1 seconds");
            EXPECT_EQ(gSeen.countdown[29], "Reverting in 0 seconds");
            EXPECT_TRUE(gSeen.openAfterZero);
        }
    }
    // The page is the absolute-mode page, in temp\.
    const std::string page = test::ReadFileText(TempPage());
    EXPECT_NE(page.find(movie_), std::string::npos);
}

TEST_F(DesktopPreview, OnBeforeCancelPutsThePreviousWallpaperBack) {
    activeDesktopOn_ = true;
    PutEnv("WALLWEAVER_AD_PREVIOUS", "C:\\windows\\Web\\Wallpaper\\Previous.htm");
    Fill(movie_, "Ocean");
    Preview(Answer::Cancel);
    ASSERT_TRUE(gSeen.found);
    const std::vector<std::string> expected = {
        "Create",         "Create",
        "GetWallpaper",   "Release",
        "Create",         "SetWallpaper " + TempPage() + " 0",
        "ApplyChanges 7", "Release",
        "Create",         "SetWallpaper C:\\windows\\Web\\Wallpaper\\Previous.htm 0",
        "ApplyChanges 7", "Release",
        "Release",
    };
    EXPECT_EQ(recorder_.Calls(), expected);
}

TEST_F(DesktopPreview, OkKeepsTheWallpaperInTheWindowsFolder) {
    // Blanks and punctuation pass despite the message's wording.
    Fill(movie_, "Ocean Wave #1");
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string kept = std::string(windows) + "\\Web\\Wallpaper\\Ocean Wave #1.htm";
    DeleteFileA(kept.c_str());
    Preview(Answer::Ok);
    ASSERT_TRUE(gSeen.found);
    EXPECT_FALSE(gSeen.screenshot.empty());
    const std::vector<std::string> expected = {
        "Create",
        "Create",
        "SetWallpaper " + TempPage() + " 0",
        "ApplyChanges 7",
        "SetDesktopItemOptions 12 1 1",
        "ApplyChanges 4",
        "Release",
        "Create",
        "SetWallpaper " + kept + " 0",
        "ApplyChanges 7",
        "SetDesktopItemOptions 12 1 1",
        "ApplyChanges 4",
        "Release",
        "Release",
    };
    EXPECT_EQ(recorder_.Calls(), expected);
    EXPECT_EQ(test::ReadFileText(kept), test::ReadFileText(TempPage()));
    EXPECT_FALSE(IsIconic(b_.main()));
    DeleteFileA(kept.c_str());
}

// A current system: no page wallpaper, so the movie plays behind the icons
// for the countdown and nothing is asked of Active Desktop.
class LiveDesktopPreview : public DesktopPreview {
  protected:
    void SetUp() override {
        DesktopPreview::SetUp();
        test::CopyBuiltStubs(b_.folder());
        SetHtmlWallpaperCheck([] { return false; });
    }
    void TearDown() override {
        if (FindWindowA("WovenplayWallpaper", nullptr)) {
            test::ChildProcess stop;
            if (stop.Start(player_, {"/stop"}))
                stop.Wait(20000);
        }
        UnregisterAtLogon(player_);
        SetHtmlWallpaperCheck([] { return true; });
        DesktopPreview::TearDown();
    }
    void ExpectNoActiveDesktopCalls() {
        for (const std::string& call : recorder_.Calls())
            EXPECT_EQ(call.find("SetWallpaper"), std::string::npos) << call;
    }
    std::string player_ = b_.folder() / "Wovenplay.exe";
};

TEST_F(LiveDesktopPreview, CancelCloseAndTimeOutLeaveTheDesktopAsItWas) {
    for (Answer answer : {Answer::Cancel, Answer::Close, Answer::TimeOut}) {
        Preview(answer);
        ASSERT_TRUE(gSeen.found);
        EXPECT_EQ(gSeen.liveViews, GetSystemMetrics(SM_CMONITORS)) << "no movie behind the icons";
        EXPECT_EQ(LiveViewsNow(), 0) << "the movie stayed";
        ExpectNoActiveDesktopCalls();
        EXPECT_EQ(LogonCommand(), "");
        EXPECT_FALSE(IsIconic(b_.main()));
    }
}

TEST_F(LiveDesktopPreview, OkHasTheBuildersPlayerPlayTheKeptPage) {
    Fill(movie_, "Ocean Live");
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string kept = std::string(windows) + "\\Web\\Wallpaper\\Ocean Live.htm";
    Preview(Answer::Ok);
    ASSERT_TRUE(gSeen.found);
    EXPECT_EQ(gSeen.liveViews, GetSystemMetrics(SM_CMONITORS));
    EXPECT_EQ(test::ReadFileText(kept), test::ReadFileText(TempPage()));
    EXPECT_EQ(LogonCommand(), "\"" + player_ + "\" /wallpaper \"" + kept + "\"");
    HWND host = nullptr;
    for (DWORD start = GetTickCount(); !host && GetTickCount() - start < 30000; Sleep(50))
        host = FindWindowA("WovenplayWallpaper", nullptr);
    EXPECT_NE(host, nullptr) << "the builder's player does not play the kept page";
    ExpectNoActiveDesktopCalls();
    test::ChildProcess stop;
    ASSERT_TRUE(stop.Start(player_, {"/stop"}));
    EXPECT_TRUE(stop.Wait(20000));
    EXPECT_EQ(LogonCommand(), "");
    DeleteFileA(kept.c_str());
}

TEST(DesktopPreviewText, CountdownAndKeptPath) {
    EXPECT_EQ(CountdownText(29), "Reverting in 29 seconds");
    EXPECT_EQ(KeptWallpaperPath("C:\\WINDOWS", "Ocean"), "C:\\WINDOWS\\Web\\Wallpaper\\Ocean.htm");
    EXPECT_EQ(KeptWallpaperPath("C:\\", "Ocean"), "C:\\Web\\Wallpaper\\Ocean.htm");
}

} // namespace
} // namespace ww
