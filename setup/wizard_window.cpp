#include "setup/wizard_window.h"

#include "common/fs.h"
#include "common/win32/message_box.h"
#include "setup/resource.h"

namespace ww::setup {

namespace {

void RemoveImages(const std::string& folder, const std::string& top, const std::string& left) {
    if (!top.empty())
        DeleteFileA(top.c_str());
    if (!left.empty())
        DeleteFileA(left.c_str());
    if (!folder.empty())
        RemoveDirectoryA(folder.c_str());
}

} // namespace

WizardWindow::WizardWindow(HINSTANCE instance, const SetupPackageReader& package)
    : instance_(instance), package_(package), installation_(package) {}

void WizardWindow::Run() {
    RunModal(instance_, IDD_WIZARD, nullptr);
}

bool WizardWindow::OnInit() {
    SetIcons();
    TakePageArea();
    wallpaperName_ = package_.trailer().wallpaperName;
    for (WizardPage* page : {static_cast<WizardPage*>(&welcome_), static_cast<WizardPage*>(&tasks_),
                             static_cast<WizardPage*>(&finished_)})
        page->SetWallpaperName(wallpaperName_);
    GiveImagesToPages();
    GiveReadmeToLicensePage();
    if (!CreatePages())
        return true;
    ShowPage(kWelcome);
    page_ = kWelcome;
    titleSuffix_ = " - " + wallpaperName_ + " Setup Wizard";
    UpdateTitle();
    EnableItem(IDC_BACK, false);
    return true;
}

void WizardWindow::SetIcons() {
    HICON bigIcon = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_SETUP),
                                                  IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                  GetSystemMetrics(SM_CYICON), LR_SHARED));
    HICON smallIcon = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_SETUP),
                                                    IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                    GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
}

void WizardWindow::TakePageArea() {
    pageArea_ = ItemRect(IDC_PAGE_AREA);
}

void WizardWindow::GiveImagesToPages() {
    // A folder of our own, so that no file of the same name already in the
    // temporary folder is overwritten or removed. The pages keep the images
    // in memory, so the files go again at once.
    const std::string folder = CreateUniqueFolder(UserTempFolder() + "Wovenset-");
    if (folder.empty())
        return;
    std::string top, left;
    // An image that could not be written is simply not drawn.
    package_.ExtractImages(folder, &top, &left);
    welcome_.SetImage(left);
    finished_.SetImage(left);
    license_.SetImage(top);
    tasks_.SetImage(top);
    installing_.SetImage(top);
    RemoveImages(folder, top, left);
}

void WizardWindow::GiveReadmeToLicensePage() {
    std::string readme;
    if (package_.ReadReadme(&readme))
        license_.SetText(readme);
}

bool WizardWindow::CreatePages() {
    const int templates[] = {IDD_WELCOME, IDD_LICENSE, IDD_TASKS, IDD_INSTALLING, IDD_FINISHED};
    for (int number = kWelcome; number <= kFinished; ++number) {
        HWND page = Page(number).Create(instance_, templates[number - 1], hwnd());
        if (!page)
            return false;
        SetWindowPos(page, nullptr, pageArea_.left, pageArea_.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(page, SW_HIDE);
    }
    return true;
}

WizardPage& WizardWindow::Page(int number) {
    switch (number) {
    case kWelcome:
        return welcome_;
    case kLicense:
        return license_;
    case kTasks:
        return tasks_;
    case kInstalling:
        return installing_;
    default:
        return finished_;
    }
}

void WizardWindow::HidePagesEnableButtons() {
    for (int number = kWelcome; number <= kFinished; ++number)
        ShowWindow(Page(number).hwnd(), SW_HIDE);
    EnableItem(IDC_BACK, true);
    EnableItem(IDC_NEXT, true);
    EnableItem(IDC_EXIT, true);
}

void WizardWindow::ShowPage(int number) {
    ShowWindow(Page(number).hwnd(), SW_SHOW);
    UpdateWindow(Page(number).hwnd());
}

void WizardWindow::UpdateTitle() {
    char name[128] = "";
    LoadStringA(instance_, static_cast<UINT>(IDS_PAGE_FIRST + page_ - 1), name, sizeof name);
    SetWindowTextA(hwnd(), (name + titleSuffix_).c_str());
    // Keep the keyboard on a button that is there to press.
    HWND next = Item(IDC_NEXT);
    HWND focus = IsWindowVisible(next) && IsWindowEnabled(next) ? next : Item(IDC_EXIT);
    SendMessageA(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
}

void WizardWindow::GoForward() {
    // On the last page there is nowhere to go; the pages stay as they are.
    if (page_ == kFinished)
        return;
    HidePagesEnableButtons();
    ++page_;
    ShowPage(page_);
    if (page_ == kInstalling) {
        // Nothing to go back or on to while the files are written.
        EnableItem(IDC_BACK, false);
        EnableItem(IDC_NEXT, false);
        UpdateTitle();
        installing_.Install(installation_, hwnd());
        // A failed install stays here: Back or Next tries again.
        if (page_ == kInstalling) {
            EnableItem(IDC_BACK, true);
            EnableItem(IDC_NEXT, true);
        }
    } else if (page_ == kFinished) {
        EnableItem(IDC_NEXT, false);
        ShowItem(IDC_NEXT, false);
        ShowItem(IDC_BACK, false);
        SetItemText(IDC_EXIT, "Finish");
    }
    // The installation may have moved on to the last page meanwhile: the
    // title names the page on display.
    UpdateTitle();
}

void WizardWindow::GoBack() {
    if (page_ == kWelcome || page_ == kFinished)
        return;
    HidePagesEnableButtons();
    --page_;
    ShowPage(page_);
    if (page_ == kWelcome)
        EnableItem(IDC_BACK, false);
    UpdateTitle();
}

void WizardWindow::AskToExit() {
    if (ShowMessageBox(hwnd(), "Do your want to exit setup?", "Wallweaver Setup",
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES)
        End(IDCANCEL);
}

void WizardWindow::FinishAction() {
    tasks_.LoadFromControls();
    finished_.LoadFromControls();
    InstallTasks chosen;
    chosen.desktopIcon = tasks_.desktopIcon();
    chosen.quickLaunchIcon = tasks_.quickLaunchIcon();
    chosen.launch = finished_.launch();
    installation_.Finish(chosen, hwnd());
    End(IDOK);
}

bool WizardWindow::OnCommand(int id, int code, HWND) {
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_BACK:
        GoBack();
        return true;
    case IDC_NEXT:
        GoForward();
        return true;
    case IDC_EXIT:
        if (page_ == kFinished)
            FinishAction();
        else
            AskToExit();
        return true;
    case IDOK:
    case IDCANCEL:
        // Enter without a default button and Escape do nothing.
        return true;
    }
    return false;
}

bool WizardWindow::OnClose() {
    if (page_ != kFinished)
        AskToExit();
    return true;
}

bool WizardWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
    if (message == WM_EXTRACT_PROGRESS) {
        *result = SendMessageA(installing_.hwnd(), message, wParam, lParam);
        return true;
    }
    if (message == WM_INSTALL_FINISHED) {
        GoForward();
        *result = 0;
        return true;
    }
    return false;
}

} // namespace ww::setup
