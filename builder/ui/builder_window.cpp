#include "builder/ui/builder_window.h"

#include "builder/desktop/desktop_preview.h"
#include "builder/project/project_file.h"
#include "builder/ui/about_box.h"
#include "builder/ui/messages.h"
#include "builder/ui/resource.h"
#include "builder/ui/shell_calls.h"
#include "common/path.h"
#include "common/win32/file_dialog.h"
#include "common/win32/message_box.h"

#include <climits>

namespace ww {

namespace {

const char kProjectFilter[] = "*.sdf|*.sdf|";
const char kNextText[] = "&Next >";
const char kSaveText[] = "&Save >";

FileDialogRequest ProjectDialog(HWND owner, FileDialogKind kind, const std::string& initial) {
    FileDialogRequest request;
    request.kind = kind;
    request.owner = owner;
    request.defaultExtension = "*.sdf";
    request.initialFileName = initial;
    request.filter = kProjectFilter;
    request.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    request.structSize = FileDialogStructSize(GetVersion());
    return request;
}

// The wait cursor for the length of a build.
class WaitCursor {
  public:
    WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    HCURSOR previous_;
};

bool NamesExistingFile(const std::string& path) {
    return !path.empty() && FileExists(path);
}

} // namespace

int32_t LeadingNumber(const std::string& text) {
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > INT32_MAX)
            return INT32_MAX;
    }
    return static_cast<int32_t>(value);
}

BuilderWindow::BuilderWindow(const Workspace& workspace, const std::string& startupProjectPath)
    : startupProjectPath(startupProjectPath), workspace_(workspace),
      icon_(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAINFRAME))) {}

bool BuilderWindow::CreateMainWindow() {
    if (!Create(GetModuleHandleA(nullptr), IDD_MAIN, nullptr))
        return false;
    ShowWindow(hwnd(), SW_SHOW);
    UpdateWindow(hwnd());
    return true;
}

int BuilderWindow::RunModal() {
    if (!CreateMainWindow())
        return -1;
    MSG message{};
    int exitCode = 0;
    for (;;) {
        BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            exitCode = static_cast<int>(message.wParam);
            break;
        }
        if (got == -1)
            break;
        ProcessMessage(message);
    }
    DestroyWindow(hwnd());
    return exitCode;
}

void BuilderWindow::ProcessMessage(MSG& message) {
    if (PreTranslate(message))
        return;
    if (hwnd() && IsDialogMessageA(hwnd(), &message))
        return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

bool BuilderWindow::PreTranslate(const MSG& message) {
    HWND window = hwnd();
    if (!window || (message.hwnd != window && !IsChild(window, message.hwnd)))
        return false;
    // Esc never closes the window.
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE)
        return true;
    for (int number = kInformationPage; number <= kBuildPage; ++number) {
        WizardPage* page = PageAt(number);
        HWND pageWindow = page->hwnd();
        if (!pageWindow || (message.hwnd != pageWindow && !IsChild(pageWindow, message.hwnd)))
            continue;
        if (page->PreTranslate(message))
            return true;
        // The page's own dialog manager, so that Enter on a page's button
        // reaches that page.
        MSG copy = message;
        return IsDialogMessageA(pageWindow, &copy) != FALSE;
    }
    return false;
}

WizardPage* BuilderWindow::PageAt(int number) {
    switch (number) {
    case kInformationPage:
        return &informationPage;
    case kSettingPage:
        return &settingPage;
    case kInstallerPage:
        return &installerPage;
    default:
        return &buildPage;
    }
}

bool BuilderWindow::OnInit() {
    SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    installerPage.workspace = &workspace_;
    buildPage.workspace = &workspace_;
    const RECT frame = ItemRect(IDC_MAIN_FRAME);
    for (int number = kInformationPage; number <= kBuildPage; ++number) {
        HWND page = PageAt(number)->CreatePage(hwnd());
        if (page)
            SetWindowPos(page, nullptr, frame.left, frame.top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowOnlyPage(kInformationPage);
    ShowItem(IDC_MAIN_FRAME, false);
    currentPage = kInformationPage;
    EnableItem(IDC_MAIN_BACK, false);
    EnableItem(IDC_MAIN_CANCEL, true);
    SetTitle();
    if (!startupProjectPath.empty())
        LoadProject(startupProjectPath);
    return true;
}

void BuilderWindow::HideAllPages() {
    for (int number = kInformationPage; number <= kBuildPage; ++number) {
        if (HWND page = PageAt(number)->hwnd())
            ShowWindow(page, SW_HIDE);
    }
}

void BuilderWindow::ShowOnlyPage(int number) {
    HideAllPages();
    if (HWND page = PageAt(number)->hwnd())
        ShowWindow(page, SW_SHOW);
}

void BuilderWindow::SetButtons(bool back, bool next, bool cancel) {
    EnableItem(IDC_MAIN_BACK, back);
    EnableItem(IDC_MAIN_NEXT, next);
    EnableItem(IDC_MAIN_CANCEL, cancel);
}

void BuilderWindow::SetTitle() {
    static const int kPageNames[] = {IDS_PAGE_INFORMATION, IDS_PAGE_SETTING, IDS_PAGE_INSTALLER,
                                     IDS_PAGE_BUILD};
    std::string title = titlePrefix_ + LoadResourceString(kPageNames[currentPage - 1]);
    SetWindowTextA(hwnd(), title.c_str());
}

void BuilderWindow::GoToPage(int target) {
    if (target < kInformationPage || target > kBuildPage)
        return;
    for (int i = currentPage; i < target; ++i) {
        if (i == kInformationPage && !informationPage.ValidatePage()) {
            informationPage.ShowPage();
            return;
        }
        if (i == kSettingPage && !settingPage.ValidatePage()) {
            settingPage.ShowPage();
            return;
        }
    }
    HideAllPages();
    switch (target) {
    case kInformationPage:
        SetButtons(false, true, true);
        SetItemText(IDC_MAIN_NEXT, kNextText);
        informationPage.RedrawPreview();
        break;
    case kBuildPage:
        SetButtons(true, isModified, true);
        SetItemText(IDC_MAIN_NEXT, kSaveText);
        break;
    default:
        SetButtons(true, true, true);
        SetItemText(IDC_MAIN_NEXT, kNextText);
        break;
    }
    ShowWindow(PageAt(target)->hwnd(), SW_SHOW);
    currentPage = target;
    SetTitle();
}

bool BuilderWindow::ValidateCurrentPage() {
    switch (currentPage) {
    case kInformationPage:
        return informationPage.ValidatePage();
    case kSettingPage:
        return settingPage.ValidatePage();
    default:
        return true;
    }
}

void BuilderWindow::NextCommand() {
    if (currentPage == kBuildPage) {
        if (isModified) {
            SaveProject();
            SetTitle();
        }
        return;
    }
    if (!ValidateCurrentPage())
        return;
    ++currentPage;
    HideAllPages();
    switch (currentPage) {
    case kSettingPage:
        SetButtons(true, true, true);
        ShowWindow(settingPage.hwnd(), SW_SHOW);
        if (settingPage.refreshDimensions) {
            settingPage.Width = std::to_string(movieWidth);
            settingPage.Height = std::to_string(movieHeight);
        }
        settingPage.ShowPage();
        break;
    case kInstallerPage:
        SetButtons(true, true, true);
        ShowWindow(installerPage.hwnd(), SW_SHOW);
        installerPage.ShowPage();
        break;
    default:
        SetButtons(true, isModified, true);
        SetItemText(IDC_MAIN_NEXT, kSaveText);
        ShowWindow(buildPage.hwnd(), SW_SHOW);
        buildPage.ShowPage();
        break;
    }
    SetTitle();
}

void BuilderWindow::BackCommand() {
    if (currentPage <= kInformationPage)
        return;
    --currentPage;
    HideAllPages();
    switch (currentPage) {
    case kSettingPage:
        SetButtons(true, true, true);
        ShowWindow(settingPage.hwnd(), SW_SHOW);
        settingPage.Width = std::to_string(movieWidth);
        settingPage.Height = std::to_string(movieHeight);
        settingPage.ShowPage();
        break;
    case kInstallerPage:
        SetButtons(true, true, true);
        SetItemText(IDC_MAIN_NEXT, kNextText);
        ShowWindow(installerPage.hwnd(), SW_SHOW);
        installerPage.ShowPage();
        break;
    default:
        SetButtons(false, true, true);
        ShowWindow(informationPage.hwnd(), SW_SHOW);
        informationPage.ShowPage();
        break;
    }
    SetTitle();
}

void BuilderWindow::ExitCommand() {
    if (!AskYesNo(hwnd(), "Are your sure you want to exit Wallweaver?"))
        return;
    if (HasProjectContent() && isModified &&
        AskYesNo(hwnd(), "Do you want to save current setting?"))
        SaveProject();
    workspace_.ExitCleanUp();
    PostQuitMessage(0);
}

void BuilderWindow::OpenProjectCommand() {
    std::string path;
    if (!ShowFileDialog(ProjectDialog(hwnd(), FileDialogKind::Open, "*.sdf"), &path))
        return;
    if (currentPage != kInformationPage)
        informationPage.ShowPage();
    LoadProject(path);
}

void BuilderWindow::SaveProjectCommand() {
    if (isModified)
        SaveProject();
}

WallpaperProject BuilderWindow::CollectProject() {
    informationPage.LoadFromControls();
    installerPage.LoadFromControls();
    settingPage.LoadFromControls();
    buildPage.LoadFromControls();
    WallpaperProject project;
    project.SwfFilename = informationPage.SwfFilename;
    project.WallpaperName = informationPage.WallpaperName;
    project.PublisherName = informationPage.PublisherName;
    project.PublisherURL = informationPage.PublisherURL;
    project.Copyright = informationPage.Copyright;
    project.FlashAlign_Horizontal = settingPage.Selection(IDC_SET_HORIZONTAL);
    project.FlashAlign_Vertical = settingPage.Selection(IDC_SET_VERTICAL);
    project.Scale = settingPage.Selection(IDC_SET_SCALE);
    project.Quality = settingPage.Selection(IDC_SET_QUALITY);
    project.Dimensions = settingPage.Selection(IDC_SET_DIMENSIONS);
    project.Width = settingPage.Width;
    project.Height = settingPage.Height;
    project.BKGroundColor = settingPage.BKGroundColor;
    project.AutoPlay = settingPage.AutoPlay;
    project.Loop = settingPage.Loop;
    project.ShowMenu = settingPage.ShowMenu;
    project.TopImageFilename = installerPage.TopImageFilename;
    project.LeftImageFilename = installerPage.LeftImageFilename;
    project.DisplayImageFilename = installerPage.DisplayImageFilename;
    project.ReadmeFilename = installerPage.ReadmeFilename;
    project.ExtFileItems = installerPage.ExternalFiles();
    project.IconFilename = buildPage.IconFilename;
    project.WovenliteFilename = buildPage.WovenliteFilename;
    project.InstallerPackageFilename = buildPage.InstallerPackageFilename;
    return project;
}

void BuilderWindow::SaveProject() {
    informationPage.LoadFromControls();
    const std::string& name = informationPage.WallpaperName;
    std::string initial = name.empty() ? std::string("*.sdf") : name + ".sdf";
    std::string path;
    if (!ShowFileDialog(ProjectDialog(hwnd(), FileDialogKind::Save, initial), &path) ||
        path.empty())
        return;
    // A project that could not be written stays marked as changed, so that
    // the exit path still offers to save it.
    if (!WriteProjectFile(path, CollectProject()))
        return;
    isModified = false;
    if (currentPage == kBuildPage)
        EnableItem(IDC_MAIN_NEXT, false);
}

bool BuilderWindow::LoadProject(const std::string& path) {
    if (!NamesExistingFile(path))
        return false;
    WallpaperProject stored;
    if (!LoadProjectFile(path, &stored))
        return false;
    // Files that have gone are dropped without a message; a movie that has
    // gone takes its size with it.
    const bool movieKept = DropMissingFiles(stored);

    // Information page
    informationPage.SetItemText(IDC_INFO_MOVIE_PATH, stored.SwfFilename);
    if (movieKept) {
        informationPage.preview.SetMovie(stored.SwfFilename);
        informationPage.preview.SetBackgroundColor(0xFFFFFF);
    }
    informationPage.SetItemText(IDC_INFO_WALLPAPER_NAME, stored.WallpaperName);
    informationPage.SetItemText(IDC_INFO_PUBLISHER_NAME, stored.PublisherName);
    informationPage.SetItemText(IDC_INFO_PUBLISHER_URL, stored.PublisherURL);
    informationPage.SetItemText(IDC_INFO_COPYRIGHT, stored.Copyright);
    if (movieKept) {
        informationPage.movieInfo = ReadSwfMovieInfo(stored.SwfFilename);
    } else {
        informationPage.movieInfo.width = 0;
        informationPage.movieInfo.height = 0;
    }

    // Setting page
    settingPage.Select(IDC_SET_HORIZONTAL, stored.FlashAlign_Horizontal);
    settingPage.Select(IDC_SET_VERTICAL, stored.FlashAlign_Vertical);
    settingPage.Select(IDC_SET_SCALE, stored.Scale);
    settingPage.SetItemText(IDC_SET_COLOUR, stored.BKGroundColor);
    settingPage.Select(IDC_SET_QUALITY, stored.Quality);
    settingPage.Select(IDC_SET_DIMENSIONS, stored.Dimensions);
    const int32_t storedWidth = LeadingNumber(stored.Width);
    const int32_t storedHeight = LeadingNumber(stored.Height);
    settingPage.SetItemText(IDC_SET_HEIGHT, std::to_string(storedHeight));
    settingPage.SetItemText(IDC_SET_WIDTH, std::to_string(storedWidth));
    settingPage.LoadFromControls();
    settingPage.AutoPlay = stored.AutoPlay;
    settingPage.Loop = stored.Loop;
    settingPage.ShowMenu = stored.ShowMenu;
    settingPage.StoreToControls();

    // Installer page
    installerPage.SetItemText(IDC_INST_TOP_IMAGE, stored.TopImageFilename);
    installerPage.SetItemText(IDC_INST_LEFT_IMAGE, stored.LeftImageFilename);
    installerPage.SetItemText(IDC_INST_DISPLAY_IMAGE, stored.DisplayImageFilename);
    installerPage.SetItemText(IDC_INST_README, stored.ReadmeFilename);
    installerPage.SetExternalFiles(stored.ExtFileItems);

    // Build page: the output paths are kept as stored.
    buildPage.SetItemText(IDC_BUILD_ICON, stored.IconFilename);
    buildPage.SetItemText(IDC_BUILD_WALLPAPER_PATH, stored.WovenliteFilename);
    buildPage.SetItemText(IDC_BUILD_INSTALLER_PATH, stored.InstallerPackageFilename);

    movieWidth = storedWidth;
    movieHeight = storedHeight;
    isModified = false;
    return true;
}

bool BuilderWindow::HasProjectContent() {
    return ww::HasProjectContent(CollectProject());
}

void BuilderWindow::BuildWallpaperCommand() {
    BuildOutcome outcome;
    {
        WaitCursor wait;
        outcome = BuildProjectableWallpaper(CollectProject(), workspace_);
    }
    ShowBuildOutcome(outcome);
}

void BuilderWindow::BuildInstallerCommand() {
    BuildOutcome outcome;
    {
        WaitCursor wait;
        WallpaperProject project = CollectProject();
        // The page's own test tells the author; the build then is not tried.
        if (!installerPage.ValidateReadme())
            outcome.showInstallerPage = true;
        else
            outcome = BuildInstallerPackage(project, workspace_);
    }
    ShowBuildOutcome(outcome);
}

void BuilderWindow::ShowBuildOutcome(const BuildOutcome& outcome) {
    if (outcome.showInstallerPage) {
        ShowUserMessages(hwnd(), outcome.messages);
        SendMessageA(hwnd(), WM_SHOW_PAGE, 0, kInstallerPage);
        return;
    }
    if (outcome.built || (outcome.messages.size() == 1 &&
                          outcome.messages[0].text == BuildFailureMessage(outcome.outputPath))) {
        ReportBuildResult(outcome.outputPath, outcome.built);
        return;
    }
    ShowUserMessages(hwnd(), outcome.messages);
}

void BuilderWindow::ReportBuildResult(const std::string& outputPath, bool success) {
    if (!success) {
        ShowMessageBox(hwnd(), BuildFailureMessage(outputPath), kBuilderTitle,
                       MB_OK | MB_ICONERROR);
        return;
    }
    const int answer = ShowMessageBox(hwnd(), BuildSuccessQuestion(outputPath), kBuilderTitle,
                                      MB_YESNOCANCEL | MB_ICONINFORMATION);
    if (answer == IDYES)
        CurrentShellCalls().execute(hwnd(), "open", outputPath, SW_SHOWNORMAL);
    else if (answer == IDNO)
        CurrentShellCalls().execute(hwnd(), "explore", FolderOfPath(outputPath), SW_SHOWNORMAL);
}

void BuilderWindow::PreviewCommand() {
    RunDesktopPreview(
        hwnd(), [this] { return CollectProject(); }, workspace_);
}

void BuilderWindow::OpenWithShell(const std::string& target) const {
    CurrentShellCalls().execute(hwnd(), "Open", target, SW_SHOW);
}

void BuilderWindow::ShowAbout() {
    AboutBox about;
    about.Run(hwnd());
}

void BuilderWindow::CheckViewItems(HMENU menu) const {
    static const int kViewItems[] = {ID_VIEW_INFORMATION, ID_VIEW_SETTING, ID_VIEW_INSTALLER,
                                     ID_VIEW_BUILD};
    for (int i = 0; i < 4; ++i) {
        CheckMenuItem(menu, static_cast<UINT>(kViewItems[i]),
                      MF_BYCOMMAND | (i + 1 == currentPage ? MF_CHECKED : MF_UNCHECKED));
    }
}

bool BuilderWindow::OnCommand(int id, int, HWND) {
    switch (id) {
    case IDC_MAIN_NEXT:
        NextCommand();
        return true;
    case IDC_MAIN_BACK:
        BackCommand();
        return true;
    case IDC_MAIN_CANCEL:
    case IDCANCEL: // the close box
    case ID_FILE_EXIT:
        ExitCommand();
        return true;
    case IDOK: // Enter with no button focused presses nothing
        return true;
    case ID_FILE_OPEN:
        OpenProjectCommand();
        return true;
    case ID_FILE_SAVE:
        SaveProjectCommand();
        return true;
    case ID_VIEW_INFORMATION:
        informationPage.ShowPage();
        return true;
    case ID_VIEW_SETTING:
        settingPage.ShowPage();
        return true;
    case ID_VIEW_INSTALLER:
        installerPage.ShowPage();
        return true;
    case ID_VIEW_BUILD:
        buildPage.ShowPage();
        return true;
    case ID_HELP_CONTENT:
        OpenWithShell(workspace_.BuilderFile("Wallweaver.chm"));
        return true;
    case ID_HELP_HOMEPAGE:
        OpenWithShell(kMakerWebAddress);
        return true;
    case ID_HELP_EMAIL:
        OpenWithShell(std::string("mailto:") + kSupportMailAddress);
        return true;
    case ID_HELP_ABOUT:
        ShowAbout();
        return true;
    default:
        return false;
    }
}

bool BuilderWindow::OnPaint() {
    if (!IsIconic(hwnd()))
        return false;
    PaintScope paint(hwnd());
    SendMessageA(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.dc()), 0);
    RECT client{};
    GetClientRect(hwnd(), &client);
    int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(paint.dc(), x, y, icon_);
    return true;
}

bool BuilderWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
    *result = 0;
    switch (message) {
    case WM_SHOW_PAGE:
        GoToPage(static_cast<int>(lParam));
        return true;
    case WM_PROJECT_MODIFIED:
        isModified = true;
        if (currentPage == kBuildPage)
            EnableItem(IDC_MAIN_NEXT, true);
        return true;
    case WM_BUILD_WALLPAPER:
        BuildWallpaperCommand();
        return true;
    case WM_BUILD_INSTALLER:
        BuildInstallerCommand();
        return true;
    case WM_PREVIEW_WALLPAPER:
        PreviewCommand();
        return true;
    case WM_MOVIE_SIZE:
        movieWidth = static_cast<int32_t>(wParam);
        movieHeight = static_cast<int32_t>(lParam);
        settingPage.refreshDimensions = true;
        return true;
    case WM_INITMENU:
        CheckViewItems(reinterpret_cast<HMENU>(wParam));
        return true;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
            ShowAbout();
            return true;
        }
        return false;
    case WM_QUERYDRAGICON:
        *result = reinterpret_cast<INT_PTR>(icon_);
        return true;
    default:
        return false;
    }
}

} // namespace ww
