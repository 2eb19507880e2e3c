// The real builder at a higher DPI (the test prefix's LogPixels): its pages
// grow with the DPI and the preview keeps the screen's shape inside its
// monitor picture.
#include "common/fs.h"
#include "common/path.h"
#include "tests/support/fixtures.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32_driver.h"
#include "tests/ui/builder_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

namespace ww {
namespace {

using test::ChildProcess;

// Sets LogPixels where Wine and Windows read it for programs started from
// now on, and puts the earlier values back.
class DpiSetting {
  public:
    explicit DpiSetting(DWORD dpi) {
        for (Place& p : places_) {
            DWORD size = sizeof p.saved;
            p.had = RegGetValueA(p.root, p.key, "LogPixels", RRF_RT_REG_DWORD, nullptr, &p.saved,
                                 &size) == ERROR_SUCCESS;
            Write(p, dpi);
        }
    }
    ~DpiSetting() {
        for (Place& p : places_) {
            if (p.had) {
                Write(p, p.saved);
            } else {
                HKEY key;
                if (RegOpenKeyExA(p.root, p.key, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
                    RegDeleteValueA(key, "LogPixels");
                    RegCloseKey(key);
                }
            }
        }
    }
    DpiSetting(const DpiSetting&) = delete;
    DpiSetting& operator=(const DpiSetting&) = delete;

  private:
    struct Place {
        HKEY root;
        const char* key;
        bool had = false;
        DWORD saved = 0;
    };
    static void Write(const Place& p, DWORD dpi) {
        HKEY key;
        if (RegCreateKeyExA(p.root, p.key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return;
        RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                       sizeof dpi);
        RegCloseKey(key);
    }
    Place places_[2] = {{HKEY_CURRENT_USER, "Control Panel\\Desktop"},
                        {HKEY_CURRENT_CONFIG, "Software\\Fonts"}};
};

struct PreviewPlaces {
    RECT monitor{}; // the preview's window, the monitor picture
    RECT screen{};  // the player's window inside it, the screen picture
};

// Opens the project in the real builder and reads where its preview lies.
bool ReadPreview(const std::string& project, PreviewPlaces* places) {
    ChildProcess builder;
    if (!builder.Start(FolderOfPath(ModuleFilePath()) + "Wallweaver.exe", {project}))
        return false;
    HWND main = test::WaitForWindow(builder.pid(), "Wallweaver - Information", 30000);
    HWND preview = nullptr, view = nullptr;
    for (DWORD start = GetTickCount(); main && !view && GetTickCount() - start < 10000;
         Sleep(100)) {
        for (HWND page = FindWindowExA(main, nullptr, "#32770", nullptr); page && !view;
             page = FindWindowExA(main, page, "#32770", nullptr)) {
            preview = FindWindowExA(page, nullptr, "WallweaverMoviePreview", nullptr);
            if (preview)
                view = FindWindowExA(preview, nullptr, "WallweaverMovieView", nullptr);
        }
    }
    const bool found =
        view && GetWindowRect(preview, &places->monitor) && GetWindowRect(view, &places->screen);
    builder.Kill();
    return found;
}

TEST(HighDpi, ThePreviewGrowsWithTheDpiAndKeepsTheScreensShapeInsideItsPicture) {
    test::TempDir work;
    test::WriteMovie(work, "wave.swf");
    test::WriteFileText(work / "Ocean.sdf",
                        "[General]\r\nSwfFilename=wave.swf\r\nWallpaperName=Ocean\r\n");
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    PreviewPlaces at96, at144;
    {
        DpiSetting dpi(96);
        ASSERT_TRUE(ReadPreview(work / "Ocean.sdf", &at96));
    }
    {
        DpiSetting dpi(144);
        ASSERT_TRUE(ReadPreview(work / "Ocean.sdf", &at144));
    }
    for (const PreviewPlaces* p : {&at96, &at144}) {
        const RECT& m = p->monitor;
        const RECT& s = p->screen;
        EXPECT_TRUE(s.left >= m.left && s.top >= m.top && s.right <= m.right &&
                    s.bottom <= m.bottom)
            << "screen " << s.left << "," << s.top << "," << s.right << "," << s.bottom
            << " monitor " << m.left << "," << m.top << "," << m.right << "," << m.bottom;
        const int64_t width = s.right - s.left, height = s.bottom - s.top;
        EXPECT_LE(std::abs(width * screenHeight - height * screenWidth),
                  std::max(screenWidth, screenHeight));
    }
    // The page's template grows with the DPI, and the preview with it.
    const int width96 = at96.monitor.right - at96.monitor.left;
    const int width144 = at144.monitor.right - at144.monitor.left;
    EXPECT_NEAR(width144, width96 * 3 / 2, 4) << width96 << " at 96 DPI";
}

} // namespace
} // namespace ww
