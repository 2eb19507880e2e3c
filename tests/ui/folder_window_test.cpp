// The real builder, run as its own program and answered from outside: the
// destination folder it opens in the shell, closed again, must not take the
// builder with it.
#include "builder/ui/resource.h"
#include "common/file.h"
#include "common/fs.h"
#include "common/path.h"
#include "tests/support/fixtures.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32_driver.h"
#include "tests/ui/builder_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

namespace ww {
namespace {

using test::AnswerNextBox;
using test::ChildProcess;

BOOL CALLBACK AddIfVisible(HWND hwnd, LPARAM found) {
    if (IsWindowVisible(hwnd))
        reinterpret_cast<std::set<HWND>*>(found)->insert(hwnd);
    return TRUE;
}

std::set<HWND> VisibleTopWindows() {
    std::set<HWND> windows;
    EnumWindows(AddIfVisible, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// A visible top-level window that was not there before and belongs to no
// process of ours; null when none comes in time.
HWND WaitForNewForeignWindow(const std::set<HWND>& before, DWORD builder, DWORD timeoutMs) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(100)) {
        for (HWND hwnd : VisibleTopWindows()) {
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (!before.count(hwnd) && pid != builder && pid != GetCurrentProcessId())
                return hwnd;
        }
    }
    return nullptr;
}

// A button of the page on display: the pages share their controls' ids.
void Click(HWND main, int id) {
    HWND control = nullptr;
    for (HWND page = FindWindowExA(main, nullptr, "#32770", nullptr); page && !control;
         page = FindWindowExA(main, page, "#32770", nullptr)) {
        if (IsWindowVisible(page))
            control = GetDlgItem(page, id);
    }
    ASSERT_NE(control, nullptr) << id;
    // Posted: the click opens boxes that wait for us.
    PostMessageA(control, BM_CLICK, 0, 0);
}

// Ends the builder whatever happened, so no window of it outlives the test.
struct EndBuilder {
    ChildProcess& builder;
    ~EndBuilder() { builder.Kill(); }
};

// Build the projectable wallpaper, No on the success box (the folder opens),
// close the folder's window, build the installer over an earlier one with Yes
// on the overwrite box: the builder is still there and answers.
TEST(FolderWindow, TheBuilderOutlivesTheFolderWindowItOpened) {
    test::TempDir work;
    const std::string movie = test::WriteMovie(work, "wave.swf");
    test::WriteFileText(work / "readme.txt", "Read me\r\n");
    test::WriteFileText(work / "Ocean Setup.exe", "an earlier build");
    test::WriteFileText(work / "Ocean.sdf",
                        "[General]\r\nSwfFilename=wave.swf\r\nWallpaperName=Ocean\r\n"
                        "ReadmeFilename=readme.txt\r\nBKGroundColor=#1E3C64\r\n"
                        "WovenliteFilename=Ocean Wallpaper.exe\r\n"
                        "InstallerPackageFilename=Ocean Setup.exe\r\n");
    ChildProcess builder;
    ASSERT_TRUE(builder.Start(FolderOfPath(ModuleFilePath()) + "Wallweaver.exe",
                              {work / "Ocean.sdf"}, work.path()));
    EndBuilder end{builder};
    HWND main = test::WaitForWindow(builder.pid(), "Wallweaver - Information", 30000);
    ASSERT_NE(main, nullptr);
    PostMessageA(main, WM_COMMAND, ID_VIEW_BUILD, 0);
    ASSERT_NE(test::WaitForWindow(builder.pid(), "Wallweaver - Build", 10000), nullptr);

    Click(main, IDC_BUILD_WALLPAPER);
    const std::set<HWND> before = VisibleTopWindows();
    EXPECT_NE(AnswerNextBox(builder.pid(), "Wallweaver", IDNO).text.find("successfully"),
              std::string::npos);
    HWND folder = WaitForNewForeignWindow(before, builder.pid(), 20000);
    ASSERT_NE(folder, nullptr) << "no folder window opened";
    // As a person does: the folder's window comes to the front, then its
    // close box.
    SetForegroundWindow(folder);
    Sleep(500);
    PostMessageA(folder, WM_SYSCOMMAND, SC_CLOSE, 0);
    for (DWORD start = GetTickCount(); IsWindow(folder) && GetTickCount() - start < 10000;
         Sleep(100)) {
    }
    EXPECT_FALSE(IsWindow(folder));
    Sleep(500);

    Click(main, IDC_BUILD_INSTALLER);
    const test::SeenBox overwrite = AnswerNextBox(builder.pid(), "Wallweaver", IDYES);
    EXPECT_TRUE(overwrite.found);
    EXPECT_NE(overwrite.text.find("Ocean Setup.exe"), std::string::npos) << overwrite.text;
    EXPECT_NE(AnswerNextBox(builder.pid(), "Wallweaver", IDCANCEL).text.find("successfully"),
              std::string::npos);
    EXPECT_FALSE(builder.Wait(1000)) << "the builder vanished";
    EXPECT_TRUE(IsWindow(main));
    EXPECT_GT(FileSizeOf(work / "Ocean Setup.exe"), 1000);

    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(AnswerNextBox(builder.pid(), "Wallweaver", IDYES).text,
              "Are your sure you want to exit Wallweaver?");
    if (!builder.Wait(5000)) {
        AnswerNextBox(builder.pid(), "Wallweaver", IDNO, 2000);
        EXPECT_TRUE(builder.Wait(10000));
    }
}

} // namespace
} // namespace ww
