#include "player/player_window.h"

#include "common/package_format.h"
#include "common/path.h"
#include "common/win32/active_desktop.h"
#include "common/win32/live_wallpaper.h"
#include "common/win32/message_box.h"
#include "player/mouse_hook.h"
#include "player/resource.h"

#include <shellapi.h>

namespace ww::player {

namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    const std::string p = prefix;
    return text.size() >= p.size() && EqualsNoCase(text.substr(0, p.size()), p);
}

HFONT DerivedFont(HWND control, int heightPercent, int weight, bool underline) {
    HFONT base = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    LOGFONTA font{};
    if (!base || GetObjectA(base, sizeof font, &font) != sizeof font)
        return nullptr;
    font.lfHeight = font.lfHeight * heightPercent / 100;
    font.lfWidth = 0;
    font.lfWeight = weight;
    font.lfUnderline = underline ? TRUE : FALSE;
    return CreateFontIndirectA(&font);
}

} // namespace

std::string LinkTarget(const std::string& address) {
    if (StartsWithNoCase(address, "http://") || StartsWithNoCase(address, "https://"))
        return address;
    // Another scheme or a path is not opened: the shell would run it.
    if (address.empty() || address.find_first_of(":\\ \"") != std::string::npos ||
        address[0] == '/' || address[0] == '.')
        return std::string();
    return "http://" + address;
}

std::string InstalledPagePath(const std::string& playerPath, const std::string& pageName) {
    if (!IsSafeStoredName(pageName))
        return std::string();
    const std::string folder = FolderOfPath(playerPath);
    if (folder.empty())
        return std::string();
    return FolderOfPath(WithoutTrailingSeparator(folder)) + pageName;
}

movie::MovieScope InstalledMovieScope(const std::string& playerPath) {
    return movie::MovieScope::WallpaperFolder(FolderOfPath(playerPath));
}

bool ShowPageMovie(const std::string& pagePath, const movie::MovieScope& scope, MovieView* view,
                   std::string* error) {
    movie::PageMovie page;
    std::string moviePath;
    if (!movie::LoadPageMovie(pagePath, &page, error) ||
        !movie::ResolvePageMovie(pagePath, page.movie, scope, &moviePath, error))
        return false;
    view->SetSettings(page);
    if (!view->Load(moviePath, error)) {
        *error = moviePath + ": " + *error;
        return false;
    }
    return true;
}

PlayerWindow::PlayerWindow(const PlayerSettings& settings, const std::string& playerPath,
                           IActiveDesktop* desktop)
    : settings_(settings), playerPath_(playerPath),
      pagePath_(InstalledPagePath(playerPath, settings.pageName)),
      link_(LinkTarget(settings.publisherUrl)), desktop_(desktop) {}

bool PlayerWindow::OnInit() {
    SetIcons();
    MakeFonts();
    StoreToControls();
    CreateMovieView();
    return true;
}

// In the placeholder's place: a small screen showing the wallpaper as it
// stands on this one.
void PlayerWindow::CreateMovieView() {
    HWND placeholder = Item(IDC_MOVIE);
    RECT r{};
    GetWindowRect(placeholder, &r);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&r), 2);
    ShowWindow(placeholder, SW_HIDE);
    // The screen's shape, centred in the placeholder: the layout as it stands.
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const movie::PixelBox b =
        movie::FitScreen(r.right - r.left, r.bottom - r.top, screenWidth, screenHeight);
    r = RECT{r.left + b.x, r.top + b.y, r.left + b.x + b.width, r.top + b.y + b.height};
    if (!movie_.Create(hwnd(), WS_CHILD | WS_VISIBLE, WS_EX_CLIENTEDGE, r, IDC_MOVIE + 100))
        return;
    movie_.SetScreenSize(screenWidth, screenHeight);
    movie_.SetTakesPointer(true);
    movie_.SetTakesKeys(true);
    movie_.SetUrlOpener(&OpenWebPage);
    std::string error;
    if (!pagePath_.empty() &&
        !ShowPageMovie(pagePath_, InstalledMovieScope(playerPath_), &movie_, &error))
        SetItemText(IDC_APPLY_STATUS, "The movie cannot be shown: " + error + ".");
}

void PlayerWindow::SetIcons() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HICON bigIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_PLAYER),
                                                  IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                  GetSystemMetrics(SM_CYICON), LR_SHARED));
    HICON smallIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_PLAYER),
                                                    IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                    GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
}

void PlayerWindow::MakeFonts() {
    nameFont_.Reset(DerivedFont(Item(IDC_WALLPAPER_NAME), 160, FW_BOLD, false));
    if (nameFont_.get())
        SendMessageA(Item(IDC_WALLPAPER_NAME), WM_SETFONT,
                     reinterpret_cast<WPARAM>(nameFont_.get()), FALSE);
    if (link_.empty())
        return;
    linkFont_.Reset(DerivedFont(Item(IDC_ADDRESS), 100, FW_NORMAL, true));
    if (linkFont_.get())
        SendMessageA(Item(IDC_ADDRESS), WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_.get()),
                     FALSE);
}

void PlayerWindow::OnDestroy() {
    // The controls let go of the fonts before the fonts are deleted.
    SendMessageA(Item(IDC_WALLPAPER_NAME), WM_SETFONT, 0, FALSE);
    SendMessageA(Item(IDC_ADDRESS), WM_SETFONT, 0, FALSE);
}

bool PlayerWindow::StoreToControls() {
    SetWindowTextA(hwnd(), settings_.wallpaperName.c_str());
    SetItemText(IDC_WALLPAPER_NAME, settings_.wallpaperName);
    SetItemText(IDC_PUBLISHER, settings_.publisherName);
    SetItemText(IDC_ADDRESS, settings_.publisherUrl);
    SetItemText(IDC_COPYRIGHT, settings_.copyright);
    EnableItem(IDC_APPLY, !pagePath_.empty());
    return true;
}

void PlayerWindow::ApplyWallpaper() {
    if (GetFileAttributesA(pagePath_.c_str()) == INVALID_FILE_ATTRIBUTES) {
        ShowMessageBox(hwnd(),
                       "The wallpaper page " + pagePath_ +
                           " cannot be found. Please install the wallpaper again.",
                       settings_.wallpaperName, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (HasHtmlWallpaper()) {
        SetActiveDesktopWallpaper(pagePath_, desktop_);
    } else if (!StartLiveWallpaper(playerPath_)) {
        ShowMessageBox(hwnd(), "The wallpaper cannot be started from " + playerPath_ + ".",
                       settings_.wallpaperName, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    SetItemText(IDC_APPLY_STATUS, "The wallpaper is on the desktop again.");
}

void PlayerWindow::OpenLink() {
    if (!link_.empty())
        ShellExecuteA(hwnd(), "open", link_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool PlayerWindow::OnCommand(int id, int code, HWND) {
    switch (id) {
    case IDC_APPLY:
        if (code == BN_CLICKED)
            ApplyWallpaper();
        return true;
    case IDC_ADDRESS:
        if (code == STN_CLICKED)
            OpenLink();
        return true;
    case IDCANCEL:
        End(IDCANCEL);
        return true;
    }
    return false;
}

bool PlayerWindow::OnClose() {
    End(IDCANCEL);
    return true;
}

bool PlayerWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
    const bool overLink = !link_.empty() && reinterpret_cast<HWND>(wParam) == Item(IDC_ADDRESS);
    if (message == WM_SETCURSOR && overLink) {
        SetCursor(LoadCursor(nullptr, IDC_HAND));
        *result = TRUE;
        return true;
    }
    if (message == WM_MOUSEWHEEL && movie_.hwnd()) {
        // The wheel comes to the window with the keyboard; over the movie it
        // is the movie's.
        const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        RECT r{};
        if (GetWindowRect(movie_.hwnd(), &r) && PtInRect(&r, at)) {
            SendMessageA(movie_.hwnd(), WM_MOUSEWHEEL, wParam, lParam);
            *result = 0;
            return true;
        }
    }
    if (message == WM_CTLCOLORSTATIC && !link_.empty() &&
        reinterpret_cast<HWND>(lParam) == Item(IDC_ADDRESS)) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, RGB(0, 0, 204));
        SetBkMode(dc, TRANSPARENT);
        *result = reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        return true;
    }
    return false;
}

} // namespace ww::player
