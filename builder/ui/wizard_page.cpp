#include "builder/ui/wizard_page.h"

#include "builder/ui/messages.h"

#include <commctrl.h>

namespace ww {

PageTooltips::~PageTooltips() {
    Destroy();
}

void PageTooltips::Create(HWND page, const std::vector<Tip>& tips) {
    Destroy();
    page_ = page;
    for (const Tip& tip : tips) {
        HWND control = GetDlgItem(page, tip.controlId);
        if (!control)
            continue;
        HWND tooltip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, control,
                                       nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!tooltip)
            continue;
        TTTOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND;
        tool.hwnd = page;
        tool.uId = reinterpret_cast<UINT_PTR>(control);
        tool.lpszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        entries_.push_back({tip, control, tooltip});
    }
}

void PageTooltips::Relay(const MSG& message) const {
    for (const Entry& entry : entries_) {
        if (IsWindow(entry.tooltip)) {
            MSG copy = message;
            SendMessageA(entry.tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&copy));
        }
    }
}

void PageTooltips::Refresh() const {
    for (const Entry& entry : entries_) {
        std::string text = LoadResourceString(entry.tip.stringId);
        TTTOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND;
        tool.hwnd = page_;
        tool.uId = reinterpret_cast<UINT_PTR>(entry.control);
        tool.lpszText = &text[0];
        SendMessageA(entry.tooltip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

bool PageTooltips::AnswerTextRequest(NMHDR* header) const {
    if (header->code != TTN_GETDISPINFOA && header->code != TTN_GETDISPINFOW)
        return false;
    for (const Entry& entry : entries_) {
        if (header->idFrom != reinterpret_cast<UINT_PTR>(entry.control))
            continue;
        std::string text = LoadResourceString(entry.tip.stringId);
        if (header->code == TTN_GETDISPINFOA) {
            auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
            lstrcpynA(info->szText, text.c_str(), sizeof info->szText);
            info->lpszText = info->szText;
            // The longer texts do not fit szText; the string table's own copy does.
            if (text.size() >= sizeof info->szText) {
                info->hinst = GetModuleHandleA(nullptr);
                info->lpszText = MAKEINTRESOURCEA(entry.tip.stringId);
            }
        } else {
            auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
            info->hinst = GetModuleHandleA(nullptr);
            info->lpszText = MAKEINTRESOURCEW(entry.tip.stringId);
        }
        return true;
    }
    return false;
}

HWND PageTooltips::TooltipOf(int controlId) const {
    for (const Entry& entry : entries_) {
        if (entry.tip.controlId == controlId)
            return entry.tooltip;
    }
    return nullptr;
}

void PageTooltips::Destroy() {
    for (const Entry& entry : entries_) {
        if (IsWindow(entry.tooltip))
            DestroyWindow(entry.tooltip);
    }
    entries_.clear();
}

HWND WizardPage::CreatePage(HWND mainWindow) {
    return Create(GetModuleHandleA(nullptr), templateId_, mainWindow);
}

void WizardPage::ShowPage() {
    SendMessageA(MainWindow(), WM_SHOW_PAGE, 0, pageNumber_);
}

void WizardPage::NotifyModified() const {
    SendMessageA(MainWindow(), WM_PROJECT_MODIFIED, 0, 0);
}

bool WizardPage::PreTranslate(const MSG& message) {
    return IsFilteredPageKey(message);
}

bool IsFilteredPageKey(const MSG& message) {
    return message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE;
}

} // namespace ww
