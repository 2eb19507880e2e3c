#include "builder/ui/hyperlink.h"

#include "builder/ui/messages.h"
#include "builder/ui/shell_calls.h"
#include "common/win32/com.h"
#include "common/win32/message_box.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

namespace ww {

namespace {

constexpr UINT_PTR kSubclassId = 0x4C494E4B; // "LINK"

HCURSOR gHandCursor = nullptr;

std::string WindowTextOf(HWND hwnd) {
    int length = GetWindowTextLengthA(hwnd);
    std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    int got = GetWindowTextA(hwnd, &text[0], static_cast<int>(text.size()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

// Position of needle in text, stepping over double-byte characters so that a
// trail byte is never taken for the start of a match.
size_t FindMultibyte(const std::string& text, const char* needle) {
    const size_t length = std::strlen(needle);
    size_t at = 0;
    while (at + length <= text.size()) {
        if (text.compare(at, length, needle) == 0)
            return at;
        at += IsDBCSLeadByte(static_cast<BYTE>(text[at])) && at + 1 < text.size() ? 2 : 1;
    }
    return std::string::npos;
}

TTTOOLINFOA ToolInfo(HWND owner, const std::string* text) {
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = owner;
    tool.uId = CHyperLink::kTipToolId;
    GetClientRect(owner, &tool.rect);
    tool.lpszText = const_cast<char*>(text ? text->c_str() : "");
    return tool;
}

} // namespace

CHyperLink::~CHyperLink() {
    if (hwnd_ && IsWindow(hwnd_))
        RemoveWindowSubclass(hwnd_, &CHyperLink::SubclassProc, kSubclassId);
    if (linkTip && IsWindow(linkTip))
        DestroyWindow(linkTip);
    if (linkFont)
        DeleteObject(linkFont);
}

bool CHyperLink::SubclassDlgItem(int id, HWND dialog) {
    HWND control = GetDlgItem(dialog, id);
    if (!control || hwnd_)
        return false;
    hwnd_ = control;
    PreSubclassWindow();
    return SetWindowSubclass(hwnd_, &CHyperLink::SubclassProc, kSubclassId,
                             reinterpret_cast<DWORD_PTR>(this)) != FALSE;
}

void CHyperLink::PreSubclassWindow() {
    if (linkTarget.empty())
        linkTarget = WindowTextOf(hwnd_);
    if (WindowTextOf(hwnd_).empty())
        SetWindowTextA(hwnd_, linkTarget.c_str());
    auto font = reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
    LOGFONTA description{};
    if (font && GetObjectA(font, sizeof description, &description)) {
        description.lfUnderline = (linkStyle & LINK_UNDERLINE) ? TRUE : FALSE;
        linkFont = CreateFontIndirectA(&description);
        if (linkFont)
            SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont), TRUE);
        FitToText();
    } else {
        linkStyle &= ~LINK_FIT_TEXT;
    }
    LoadHandCursor();
    linkTip =
        CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, hwnd_, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (linkTip) {
        TTTOOLINFOA tool = ToolInfo(hwnd_, &linkTarget);
        SendMessageA(linkTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void CHyperLink::SetLinkTarget(const std::string& target) {
    linkTarget = target;
    if (!hwnd_)
        return;
    ShowWindow(hwnd_, SW_HIDE);
    FitToText();
    if (linkTip) {
        TTTOOLINFOA tool = ToolInfo(hwnd_, &linkTarget);
        SendMessageA(linkTip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    ShowWindow(hwnd_, SW_SHOW);
}

void CHyperLink::SetLinkText(const std::string& text) {
    if (!hwnd_)
        return;
    ShowWindow(hwnd_, SW_HIDE);
    SetWindowTextA(hwnd_, text.c_str());
    FitToText();
    ShowWindow(hwnd_, SW_SHOW);
}

void CHyperLink::FitToText() {
    if (!(linkStyle & LINK_FIT_TEXT) || !hwnd_)
        return;
    HWND parent = GetParent(hwnd_);
    RECT window{};
    RECT client{};
    GetWindowRect(hwnd_, &window);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
    GetClientRect(hwnd_, &client);
    const int borderX = (window.right - window.left) - (client.right - client.left);
    const int borderY = (window.bottom - window.top) - (client.bottom - client.top);

    const std::string text = WindowTextOf(hwnd_);
    SIZE extent{};
    HDC dc = GetDC(hwnd_);
    {
        SelectedObject font(dc, linkFont ? static_cast<HGDIOBJ>(linkFont)
                                         : GetStockObject(DEFAULT_GUI_FONT));
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    }
    ReleaseDC(hwnd_, dc);

    const LONG style = GetWindowLongA(hwnd_, GWL_STYLE);
    RECT fitted = window;
    if (style & SS_CENTERIMAGE) {
        int shrink = ((fitted.bottom - fitted.top) - extent.cy) / 2;
        fitted.top += shrink;
        fitted.bottom -= shrink;
    } else {
        fitted.bottom = fitted.top + extent.cy;
    }
    const LONG align = style & SS_TYPEMASK;
    if (align == SS_CENTER) {
        int shrink = ((fitted.right - fitted.left) - extent.cx) / 2;
        fitted.left += shrink;
        fitted.right -= shrink;
    } else if (align == SS_RIGHT) {
        fitted.left = fitted.right - extent.cx;
    } else {
        fitted.right = fitted.left + extent.cx;
    }
    SetWindowPos(hwnd_, nullptr, fitted.left, fitted.top, fitted.right - fitted.left + borderX,
                 fitted.bottom - fitted.top + borderY, SWP_NOZORDER | SWP_NOACTIVATE);
    // The tool follows the control's new size, so the tip shows over all of it.
    if (linkTip) {
        TTTOOLINFOA tool = ToolInfo(hwnd_, nullptr);
        SendMessageA(linkTip, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    Repaint();
}

COLORREF CHyperLink::TextColour() const {
    if (isActive)
        return kActiveColour;
    if (isVisited)
        return kVisitedColour;
    return kLinkColour;
}

HBRUSH CHyperLink::OnCtlColor(HDC dc) const {
    SetTextColor(dc, TextColour());
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

// The control draws over a transparent background, so the dialog repaints
// beneath it first; otherwise a colour change would draw over the old text.
void CHyperLink::Repaint() const {
    HWND parent = GetParent(hwnd_);
    RECT area{};
    GetWindowRect(hwnd_, &area);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CHyperLink::OnMouseMove(POINT at) {
    if (!isHovering) {
        isHovering = 1;
        Repaint();
        SetCapture(hwnd_);
        return;
    }
    RECT client{};
    GetClientRect(hwnd_, &client);
    if (!PtInRect(&client, at)) {
        isHovering = 0;
        ReleaseCapture();
        Repaint();
    }
}

void CHyperLink::FollowLink() {
    int result = OpenTarget(linkTarget, SW_SHOW);
    if (result <= 32) {
        MessageBeep(MB_ICONEXCLAMATION);
        ShowLinkError(GetParent(hwnd_), result);
        return;
    }
    isVisited = 1;
    Repaint();
}

LRESULT CHyperLink::Handle(UINT message, WPARAM wParam, LPARAM lParam, bool* handled) {
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST && linkTip) {
        MSG relayed{hwnd_, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
        SendMessageA(linkTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    *handled = true;
    switch (message) {
    case WM_SETCURSOR:
        if (!gHandCursor)
            return FALSE;
        SetCursor(gHandCursor);
        return TRUE;
    case WM_NCHITTEST:
        return HTCLIENT;
    case WM_MOUSEMOVE:
        OnMouseMove(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(hwnd_);
        isActive = 1;
        return 0;
    case WM_LBUTTONUP:
        if (isActive)
            FollowLink();
        return 0;
    case WM_SETFOCUS:
        isActive = 1;
        Repaint();
        return 0;
    case WM_KILLFOCUS:
        isHovering = 0;
        isActive = 0;
        if (GetCapture() == hwnd_)
            ReleaseCapture();
        Repaint();
        return 0;
    case WM_CAPTURECHANGED:
        // Capture taken away (a box opening): the next move starts hovering anew.
        if (reinterpret_cast<HWND>(lParam) != hwnd_)
            isHovering = 0;
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
            FollowLink();
            return 0;
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd_, &CHyperLink::SubclassProc, kSubclassId);
        hwnd_ = nullptr;
        break;
    default:
        break;
    }
    *handled = false;
    return 0;
}

LRESULT CALLBACK CHyperLink::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR self) {
    bool handled = false;
    LRESULT result = reinterpret_cast<CHyperLink*>(self)->Handle(message, wParam, lParam, &handled);
    return handled ? result : DefSubclassProc(hwnd, message, wParam, lParam);
}

int OpenTarget(const std::string& target, int show) {
    ShellCalls& shell = CurrentShellCalls();
    int result = shell.execute(nullptr, "open", target, show);
    if (result > 32)
        return result;
    std::string htmClass;
    if (shell.readClassesRootDefault(".htm", &htmClass) != ERROR_SUCCESS)
        return result;
    std::string openCommand;
    if (shell.readClassesRootDefault(htmClass + "\\shell\\open\\command", &openCommand) !=
        ERROR_SUCCESS)
        return result;
    std::string commandLine;
    if (!BuildFallbackCommand(openCommand, target, &commandLine))
        return result;
    return shell.winExec(commandLine, show);
}

bool BuildFallbackCommand(const std::string& openCommand, const std::string& target,
                          std::string* commandLine) {
    std::string line = openCommand;
    size_t cut = FindMultibyte(line, "\"%1\"");
    if (cut == std::string::npos)
        cut = FindMultibyte(line, "%1");
    if (cut != std::string::npos)
        line.erase(cut);
    if (line.size() + 1 + target.size() + 1 > kLinkCommandBufferSize)
        return false;
    *commandLine = line + " " + target;
    return true;
}

std::string LinkErrorText(int code) {
    switch (code) {
    case 0:
        return "The operating system is out\nof memory or resources.";
    case SE_ERR_FNF:
        return "The specified file was not found.";
    case SE_ERR_PNF:
        return "The specified path was not found.";
    case SE_ERR_ACCESSDENIED:
        return "The operating system denied\naccess to the specified file.";
    case SE_ERR_OOM:
        return "There was not enough memory to complete the operation.";
    case ERROR_BAD_FORMAT:
        return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case SE_ERR_SHARE:
        return "A sharing violation occurred. ";
    case SE_ERR_ASSOCINCOMPLETE:
        return "The filename association is\nincomplete or invalid.";
    case SE_ERR_DDETIMEOUT:
        return "The DDE transaction could not\nbe completed because the request timed out.";
    case SE_ERR_DDEFAIL:
        return "The DDE transaction failed.";
    case SE_ERR_DDEBUSY:
        return "The DDE transaction could not\nbe completed because other DDE "
               "transactions\nwere being processed.";
    case SE_ERR_NOASSOC:
        return "There is no application associated\nwith the given filename extension.";
    case SE_ERR_DLLNOTFOUND:
        return "The specified dynamic-link library was not found.";
    default: {
        char text[64];
        std::snprintf(text, sizeof text, "Unknown Error (%d) occurred.", code);
        return text;
    }
    }
}

void ShowLinkError(HWND owner, int code) {
    ShowMessageBox(owner, "Can't open link:\n\n" + LinkErrorText(code), kBuilderTitle,
                   MB_OK | MB_ICONEXCLAMATION);
}

HCURSOR LoadHandCursor() {
    if (gHandCursor)
        return gHandCursor;
    char windows[MAX_PATH] = "";
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length > 0 && length < sizeof windows) {
        std::string helpProgram = std::string(windows) + "\\winhlp32.exe";
        HMODULE module = LoadLibraryExA(helpProgram.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (module) {
            if (HCURSOR cursor = LoadCursorA(module, MAKEINTRESOURCEA(106)))
                gHandCursor = CopyCursor(cursor);
            FreeLibrary(module);
        }
    }
    if (!gHandCursor)
        gHandCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)); // IDC_HAND
    return gHandCursor;
}

} // namespace ww
