#include "common/win32/dialog.h"

#include <vector>

namespace ww {

Dialog::~Dialog() {
    // A modeless page outliving its object would call into freed memory.
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
        DestroyWindow(hwnd_);
    }
}

INT_PTR Dialog::RunModal(HINSTANCE instance, int templateId, HWND parent) {
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), parent, &Dialog::Procedure,
                           reinterpret_cast<LPARAM>(this));
}

HWND Dialog::Create(HINSTANCE instance, int templateId, HWND parent) {
    return CreateDialogParamA(instance, MAKEINTRESOURCEA(templateId), parent, &Dialog::Procedure,
                              reinterpret_cast<LPARAM>(this));
}

void Dialog::End(INT_PTR result) {
    EndDialog(hwnd_, result);
}

std::string Dialog::ItemText(int id) const {
    HWND item = Item(id);
    if (!item)
        return std::string();
    int length = GetWindowTextLengthA(item);
    std::vector<char> text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    int got = GetWindowTextA(item, text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

void Dialog::SetItemText(int id, const std::string& text) const {
    SetDlgItemTextA(hwnd_, id, text.c_str());
}

bool Dialog::IsChecked(int id) const {
    return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED;
}

void Dialog::SetChecked(int id, bool checked) const {
    CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void Dialog::EnableItem(int id, bool enable) const {
    EnableWindow(Item(id), enable ? TRUE : FALSE);
}

void Dialog::ShowItem(int id, bool show) const {
    ShowWindow(Item(id), show ? SW_SHOW : SW_HIDE);
}

RECT Dialog::ItemRect(int id) const {
    RECT rect{};
    HWND item = Item(id);
    if (item) {
        GetWindowRect(item, &rect);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rect), 2);
    }
    return rect;
}

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    // Messages before WM_INITDIALOG (WM_SETFONT) go to the dialog manager.
    if (!self)
        return FALSE;
    INT_PTR result = self->Dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

namespace {

// The messages whose answer a dialog procedure returns itself instead of
// through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    return (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) ||
           message == WM_QUERYDRAGICON || message == WM_COMPAREITEM || message == WM_VKEYTOITEM ||
           message == WM_CHARTOITEM;
}

} // namespace

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    INT_PTR result = 0;
    switch (message) {
    case WM_INITDIALOG:
        return OnInit() ? TRUE : FALSE;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE
                                                                                         : FALSE;
    case WM_TIMER:
        return OnTimer(static_cast<UINT_PTR>(wParam)) ? TRUE : FALSE;
    case WM_PAINT:
        return OnPaint() ? TRUE : FALSE;
    case WM_CLOSE:
        return OnClose() ? TRUE : FALSE;
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    default:
        if (OnMessage(message, wParam, lParam, &result)) {
            SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
            return ReturnsResultDirectly(message) ? result : TRUE;
        }
        return FALSE;
    }
}

std::string FormatText(const char* pattern, const std::string& value) {
    std::string text = pattern;
    size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, value);
    return text;
}

} // namespace ww
