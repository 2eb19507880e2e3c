#include "setup/pages.h"

#include "common/fs.h"
#include "common/win32/message_box.h"
#include "setup/resource.h"

#include <windows.h>
#include <commctrl.h>

namespace ww::setup {

namespace {

// A button's text shows & as a mnemonic; a name is shown as it is.
std::string EscapeMnemonics(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        escaped += c;
        if (c == '&')
            escaped += '&';
    }
    return escaped;
}

// The edit control breaks lines only at CR LF; readmes written elsewhere
// often end lines with LF alone.
std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

bool IsNavigationKey(WPARAM key) {
    return key == VK_END || key == VK_HOME || key == VK_LEFT || key == VK_UP || key == VK_RIGHT ||
           key == VK_DOWN;
}

// The licence text can be read and scrolled, never changed: typing, pasting
// and the other editing keys are swallowed.
LRESULT CALLBACK LicenseKeyFilter(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR) {
    switch (message) {
    case WM_KEYDOWN:
        if (!IsNavigationKey(wParam))
            return 0;
        break;
    case WM_CHAR:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
        return 0;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, &LicenseKeyFilter, 1);
        break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

} // namespace

bool WizardPage::OnPaint() {
    PaintScope paint(hwnd());
    if (Item(FrameId()))
        image_.DrawStretched(paint.dc(), ItemRect(FrameId()));
    return true;
}

// Welcome

int WelcomePage::FrameId() const {
    return IDC_SIDE_IMAGE;
}

bool WelcomePage::OnInit() {
    // A larger bold heading, kept for the page's life: a font released while
    // the control still uses it would leave the control drawing with none.
    HFONT base = reinterpret_cast<HFONT>(SendMessageA(Item(IDC_HEADING), WM_GETFONT, 0, 0));
    LOGFONTA font{};
    if (base && GetObjectA(base, sizeof font, &font) == sizeof font) {
        font.lfHeight = font.lfHeight * 3 / 2;
        font.lfWidth = 0;
        font.lfWeight = FW_BOLD;
        headingFont_.Reset(CreateFontIndirectA(&font));
        if (headingFont_.get())
            SendMessageA(Item(IDC_HEADING), WM_SETFONT,
                         reinterpret_cast<WPARAM>(headingFont_.get()), FALSE);
    }
    StoreToControls();
    return true;
}

void WelcomePage::OnDestroy() {
    SendMessageA(Item(IDC_HEADING), WM_SETFONT, 0, FALSE);
}

bool WelcomePage::StoreToControls() {
    SetItemText(IDC_HEADING, FormatText("Welcome to the %s Setup Wizard", wallpaperName_));
    SetItemText(IDC_INSTALL_TEXT,
                FormatText("This will install %s on your computer.", wallpaperName_));
    return true;
}

// License Agreement

int LicensePage::FrameId() const {
    return IDC_BANNER;
}

bool LicensePage::OnInit() {
    SetWindowSubclass(Item(IDC_LICENSE_TEXT), &LicenseKeyFilter, 1, 0);
    // Readmes beyond the control's default limit are shown whole.
    SendMessageA(Item(IDC_LICENSE_TEXT), EM_SETLIMITTEXT, 0, 0);
    StoreToControls();
    return true;
}

bool LicensePage::StoreToControls() {
    if (!text_.empty())
        SetItemText(IDC_LICENSE_TEXT, WithCrLf(text_));
    return true;
}

// Select Additional Tasks

int TasksPage::FrameId() const {
    return IDC_BANNER;
}

bool TasksPage::OnInit() {
    StoreToControls();
    return true;
}

bool TasksPage::StoreToControls() {
    SetItemText(IDC_TASKS_TEXT, FormatText("Setect the additional tasks you would like Setup to "
                                           "perform while installing %s , then click Next.",
                                           wallpaperName_));
    SetChecked(IDC_DESKTOP_ICON, desktopIcon_);
    SetChecked(IDC_QUICK_LAUNCH_ICON, quickLaunchIcon_);
    return true;
}

bool TasksPage::LoadFromControls() {
    desktopIcon_ = IsChecked(IDC_DESKTOP_ICON);
    quickLaunchIcon_ = IsChecked(IDC_QUICK_LAUNCH_ICON);
    return true;
}

// Installing

int InstallingPage::FrameId() const {
    return IDC_BANNER;
}

bool InstallingPage::OnInit() {
    SendMessageA(Item(IDC_PROGRESS), PBM_SETRANGE, 0, MAKELPARAM(0, 99));
    return true;
}

bool InstallingPage::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR* result) {
    if (message != WM_EXTRACT_PROGRESS)
        return false;
    ShowStep(static_cast<int>(wParam));
    *result = 0;
    return true;
}

void InstallingPage::ShowStep(int step) {
    if (step < 1 || step > static_cast<int>(captions_.size()))
        return;
    SendMessageA(Item(IDC_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(10 * step), 0);
    SetItemText(IDC_STEP_CAPTION, captions_[static_cast<size_t>(step - 1)]);
    // The extraction runs inside a message handler: only these two controls
    // are brought up to date between steps.
    UpdateWindow(Item(IDC_PROGRESS));
    UpdateWindow(Item(IDC_STEP_CAPTION));
}

void InstallingPage::Install(Installation& installation, HWND wizard) {
    SetItemText(IDC_STATUS, "Extracting files......");
    UpdateWindow(Item(IDC_STATUS));
    if (!installation.PrepareDestination()) {
        ShowMessageBox(wizard, "Can not create directory to extra files!", "Setup",
                       MB_YESNO | MB_ICONEXCLAMATION);
        return;
    }
    captions_ = installation.captions();
    const bool extracted = installation.Extract([wizard](int step) {
        SendMessageA(wizard, WM_EXTRACT_PROGRESS, static_cast<WPARAM>(step), 0);
    });
    SendMessageA(wizard, WM_INSTALL_FINISHED, extracted ? 1 : 0, 0);
}

// Finished

int FinishedPage::FrameId() const {
    return IDC_SIDE_IMAGE;
}

bool FinishedPage::OnInit() {
    StoreToControls();
    return true;
}

bool FinishedPage::StoreToControls() {
    SetItemText(IDC_FINISHED_TEXT,
                FormatText("Setup has finished installing %s on your computer. The application "
                           "may be launched by selecting the installed icons.",
                           wallpaperName_));
    SetItemText(IDC_LAUNCH, FormatText("Launch %s", EscapeMnemonics(wallpaperName_)));
    SetChecked(IDC_LAUNCH, launch_);
    return true;
}

bool FinishedPage::LoadFromControls() {
    launch_ = IsChecked(IDC_LAUNCH);
    return true;
}

} // namespace ww::setup
