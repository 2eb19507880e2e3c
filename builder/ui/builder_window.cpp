#include "builder/ui/builder_window.h"

#include "builder/page/page_generator.h"

#include "builder/ui/desktop_preview.h"
#include "builder/project/profile.h"
#include "builder/project/project_file.h"
#include "builder/ui/about_box.h"
#include "builder/ui/messages.h"
#include "builder/ui/resource.h"
#include "builder/ui/shell_calls.h"
#include "common/path.h"
#include "common/win32/file_dialog.h"
#include "common/win32/message_box.h"

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

BuilderWindow::BuilderWindow(const Workspace& workspace, const std::string& startupProjectPath)
    : startupProjectPath(startupProjectPath),
      pages_{
          {&informationPage, ID_VIEW_INFORMATION, IDS_PAGE_INFORMATION, nullptr, nullptr,
           &BuilderWindow::RedrawInformationPreview},
          {&settingPage, ID_VIEW_SETTING, IDS_PAGE_SETTING, &BuilderWindow::SettingPageFromNewMovie,
           &BuilderWindow::SettingPageFromMovie, nullptr},
          {&installerPage, ID_VIEW_INSTALLER, IDS_PAGE_INSTALLER, nullptr, nullptr, nullptr},
          {&buildPage, ID_VIEW_BUILD, IDS_PAGE_BUILD, nullptr, nullptr, nullptr},
      },
      workspace_(workspace),
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
    // The menu bar's letters open its menus, even where a page's label has
    // the same letter.
    if (message.message == WM_SYSCHAR && IsMenuBarLetter(static_cast<char>(message.wParam))) {
        SendMessageA(window, WM_SYSCOMMAND, SC_KEYMENU, message.wParam);
        return true;
    }
    for (const PageSlot& slot : pages_) {
        WizardPage* page = slot.page;
        HWND pageWindow = page->hwnd();
        if (pageWindow && (message.hwnd == pageWindow || IsChild(pageWindow, message.hwnd)))
            return page->PreTranslate(message);
    }
    return false;
}

bool BuilderWindow::IsMenuBarLetter(char letter) const {
    HMENU bar = GetMenu(hwnd());
    const int count = bar ? GetMenuItemCount(bar) : 0;
    for (int i = 0; i < count; ++i) {
        char text[64] = "";
        GetMenuStringA(bar, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        const char* amp = std::strchr(text, '&');
        if (amp && amp[1] &&
            std::tolower(static_cast<unsigned char>(amp[1])) ==
                std::tolower(static_cast<unsigned char>(letter)))
            return true;
    }
    return false;
}

WizardPage* BuilderWindow::PageAt(int number) {
    return pages_[static_cast<size_t>(number - 1)].page;
}

bool BuilderWindow::OnInit() {
    SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    installerPage.workspace = &workspace_;
    buildPage.workspace = &workspace_;
    const RECT frame = ItemRect(IDC_MAIN_FRAME);
    // The pages come first among the window's children, so that Tab walks a
    // page's fields and then Back, Next and Cancel, one order for both.
    for (auto slot = pages_.rbegin(); slot != pages_.rend(); ++slot) {
        HWND page = slot->page->CreatePage(hwnd());
        if (page)
            SetWindowPos(page, HWND_TOP, frame.left, frame.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
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
    for (const PageSlot& slot : pages_) {
        if (HWND page = slot.page->hwnd())
            ShowWindow(page, SW_HIDE);
    }
}

void BuilderWindow::ShowOnlyPage(int number) {
    HideAllPages();
    if (HWND page = PageAt(number)->hwnd())
        ShowWindow(page, SW_SHOW);
}

// Back on every page but the first; on the last page Next saves, and only a
// changed project.
void BuilderWindow::UpdateButtons() {
    const bool last = currentPage == PageCount();
    EnableItem(IDC_MAIN_BACK, currentPage > 1);
    EnableItem(IDC_MAIN_NEXT, !last || isModified);
    EnableItem(IDC_MAIN_CANCEL, true);
    SetItemText(IDC_MAIN_NEXT, last ? kSaveText : kNextText);
}

void BuilderWindow::SetTitle() {
    const int titleId = pages_[static_cast<size_t>(currentPage - 1)].titleStringId;
    SetWindowTextA(hwnd(), (titlePrefix_ + LoadResourceString(titleId)).c_str());
}

void BuilderWindow::EnterPage(int number, void (BuilderWindow::*PageSlot::*hook)()) {
    HideAllPages();
    currentPage = number;
    UpdateButtons();
    const PageSlot& slot = pages_[static_cast<size_t>(number - 1)];
    ShowWindow(slot.page->hwnd(), SW_SHOW);
    if (slot.*hook)
        (this->*(slot.*hook))();
    SetTitle();
}

// Going back to the Setting page always shows the movie's size; going
// forward only after the movie changed.
void BuilderWindow::SettingPageFromMovie() {
    settingPage.Width = std::to_string(movieWidth);
    settingPage.Height = std::to_string(movieHeight);
}

void BuilderWindow::SettingPageFromNewMovie() {
    if (settingPage.refreshDimensions)
        SettingPageFromMovie();
}

void BuilderWindow::RedrawInformationPreview() {
    ApplyPlaybackToPreview();
    informationPage.RedrawPreview();
}

// The Setting page's choices, as the page will hold them, reach the preview
// as they are made.
void BuilderWindow::ApplyPlaybackToPreview() {
    WallpaperProject project;
    settingPage.ReadProject(project);
    informationPage.preview.SetPlayback(PagePlaybackOf(project, workspace_));
}

void BuilderWindow::GoToPage(int target) {
    if (target < 1 || target > PageCount())
        return;
    for (int i = currentPage; i < target; ++i) {
        if (!PageAt(i)->ValidatePage()) {
            PageAt(i)->ShowPage();
            return;
        }
    }
    EnterPage(target, &PageSlot::onJump);
}

bool BuilderWindow::ValidateCurrentPage() {
    return PageAt(currentPage)->ValidatePage();
}

void BuilderWindow::NextCommand() {
    if (currentPage == PageCount()) {
        if (isModified) {
            SaveProject();
            SetTitle();
        }
        return;
    }
    if (!ValidateCurrentPage())
        return;
    EnterPage(currentPage + 1, &PageSlot::onNext);
    PageAt(currentPage)->ShowPage();
}

void BuilderWindow::BackCommand() {
    if (currentPage <= 1)
        return;
    EnterPage(currentPage - 1, &PageSlot::onBack);
    PageAt(currentPage)->ShowPage();
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
    WallpaperProject project;
    for (const PageSlot& slot : pages_)
        slot.page->TakeProject(project);
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
    if (currentPage == PageCount())
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
    DropMissingFiles(stored);
    for (const PageSlot& slot : pages_)
        slot.page->ShowProject(stored);
    ApplyPlaybackToPreview();
    movieWidth = ProfileNumber(stored.Width);
    movieHeight = ProfileNumber(stored.Height);
    // The project's own sizes stand: its movie was read, not changed.
    settingPage.refreshDimensions = false;
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
        if (!installerPage.ValidateReadme()) {
            outcome.status = BuildStatus::ReadmeRefused;
            outcome.showInstallerPage = true;
        } else {
            outcome = BuildInstallerPackage(project, workspace_);
        }
    }
    ShowBuildOutcome(outcome);
}

void BuilderWindow::ShowBuildOutcome(const BuildOutcome& outcome) {
    switch (outcome.status) {
    case BuildStatus::ReadmeRefused:
        ShowUserMessages(hwnd(), outcome.messages);
        SendMessageA(hwnd(), WM_SHOW_PAGE, 0, kInstallerPage);
        return;
    case BuildStatus::Built:
    case BuildStatus::Failed:
        ReportBuildResult(outcome.outputPath, outcome.built);
        return;
    case BuildStatus::Refused:
    case BuildStatus::PageFailed:
        ShowUserMessages(hwnd(), outcome.messages);
        return;
    }
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
    for (int i = 0; i < PageCount(); ++i) {
        CheckMenuItem(menu, static_cast<UINT>(pages_[static_cast<size_t>(i)].viewMenuId),
                      MF_BYCOMMAND | (i + 1 == currentPage ? MF_CHECKED : MF_UNCHECKED));
    }
}

bool BuilderWindow::OnCommand(int id, int code, HWND control) {
    // Enter on a page's focused button comes here through the window's
    // dialog manager; the button belongs to its page. (Enter in a field comes
    // as IDOK, naming the field.)
    if (id != IDOK && control && GetParent(control) != hwnd()) {
        SendMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(id, code),
                     reinterpret_cast<LPARAM>(control));
        return true;
    }
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
    case IDOK: // Enter in a field: Next, where Next can be pressed
        if (IsWindowEnabled(Item(IDC_MAIN_NEXT)))
            NextCommand();
        return true;
    case ID_FILE_OPEN:
        OpenProjectCommand();
        return true;
    case ID_FILE_SAVE:
        SaveProjectCommand();
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
        for (const PageSlot& slot : pages_) {
            if (id == slot.viewMenuId) {
                slot.page->ShowPage();
                return true;
            }
        }
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
        ApplyPlaybackToPreview();
        isModified = true;
        if (currentPage == PageCount())
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
