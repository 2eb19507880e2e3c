// The keyboard's way from a movie view's window into its movie: key presses
// and releases as Flash key codes, typed characters, and the editing keys
// as commands for the focused input field. The clipboard is the system's.
#include "movie/keyboard.h"
#include "movie/text_input.h"
#include "movie/win32/movie_view.h"

#include <cstdlib>
#include <cstring>

namespace ww {

namespace {

bool Held(int vk) {
    return (GetKeyState(vk) & 0x8000) != 0;
}

// The character a key types on its own, for Key.getAscii: letters in the
// case Shift and Caps Lock give, the rest unshifted.
uint32_t AsciiOfKey(UINT vk) {
    switch (vk) {
    case VK_BACK:
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_SPACE:
        return vk;
    case VK_DELETE:
        return 127;
    default:
        break;
    }
    const UINT c = MapVirtualKeyA(vk, MAPVK_VK_TO_CHAR) & 0x7FFF;
    if (c >= 'A' && c <= 'Z') {
        const bool upper = Held(VK_SHIFT) != ((GetKeyState(VK_CAPITAL) & 1) != 0);
        return upper ? c : c - 'A' + 'a';
    }
    return c >= 32 && c < 127 ? c : 0;
}

// The editing command a key stands for in a field, if any.
bool CommandOfKey(UINT vk, movie::TextCommand* out) {
    using movie::TextCommand;
    const bool shift = Held(VK_SHIFT), control = Held(VK_CONTROL);
    switch (vk) {
    case VK_BACK:
        *out = TextCommand::Backspace;
        return true;
    case VK_DELETE:
        *out = TextCommand::Delete;
        return true;
    case VK_RETURN:
        *out = TextCommand::Enter;
        return true;
    case VK_LEFT:
        *out = shift ? TextCommand::SelectLeft : TextCommand::Left;
        return true;
    case VK_RIGHT:
        *out = shift ? TextCommand::SelectRight : TextCommand::Right;
        return true;
    case VK_HOME:
        *out = shift ? TextCommand::SelectHome : TextCommand::Home;
        return true;
    case VK_END:
        *out = shift ? TextCommand::SelectEnd : TextCommand::End;
        return true;
    default:
        break;
    }
    if (!control)
        return false;
    switch (vk) {
    case 'A':
        *out = TextCommand::SelectAll;
        return true;
    case 'C':
        *out = TextCommand::Copy;
        return true;
    case 'X':
        *out = TextCommand::Cut;
        return true;
    case 'V':
        *out = TextCommand::Paste;
        return true;
    default:
        return false;
    }
}

std::string ReadClipboard(HWND owner) {
    std::string text;
    if (!OpenClipboard(owner))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
            const SIZE_T limit = GlobalSize(data) / sizeof(wchar_t);
            std::u32string chars;
            for (SIZE_T i = 0; i < limit && wide[i]; ++i) {
                char32_t c = wide[i];
                if (c >= 0xD800 && c < 0xDC00 && i + 1 < limit && wide[i + 1] >= 0xDC00 &&
                    wide[i + 1] < 0xE000) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
                    ++i;
                }
                chars += c;
            }
            text = movie::CharsToUtf8(chars);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void WriteClipboard(HWND owner, const std::string& text) {
    std::wstring wide;
    for (char32_t c : movie::Utf8ToChars(text)) {
        if (c >= 0x10000) {
            wide += wchar_t(0xD800 + ((c - 0x10000) >> 10));
            wide += wchar_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            wide += wchar_t(c);
        }
    }
    HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
    if (!data)
        return;
    if (void* p = GlobalLock(data)) {
        std::memcpy(p, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(data);
    }
    if (!OpenClipboard(owner)) {
        GlobalFree(data);
        return;
    }
    EmptyClipboard();
    if (!SetClipboardData(CF_UNICODETEXT, data))
        GlobalFree(data);
    CloseClipboard();
}

// The code page an ANSI window's WM_CHAR bytes come in: the one of the
// keyboard layout the window's thread types with.
movie::AnsiCodePage InputCodePage(HWND hwnd) {
    const HKL layout = GetKeyboardLayout(GetWindowThreadProcessId(hwnd, nullptr));
    const LCID locale = MAKELCID(LOWORD(reinterpret_cast<UINT_PTR>(layout)), SORT_DEFAULT);
    UINT page = CP_ACP;
    char digits[8] = {};
    if (GetLocaleInfoA(locale, LOCALE_IDEFAULTANSICODEPAGE, digits, sizeof digits) > 0) {
        const UINT n = static_cast<UINT>(std::strtoul(digits, nullptr, 10));
        if (n != 0)
            page = n;
    }
    movie::AnsiCodePage out;
    out.isLeadByte = [page](uint8_t b) { return IsDBCSLeadByteEx(page, b) != 0; };
    out.toUtf16 = [page](const std::string& bytes) {
        wchar_t wide[4] = {};
        const int n = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes.data(),
                                          static_cast<int>(bytes.size()), wide, 4);
        std::u16string units;
        for (int i = 0; i < n; ++i)
            units += static_cast<char16_t>(wide[i]);
        return units;
    };
    return out;
}

} // namespace

bool MovieView::OnKeyMessage(UINT message, WPARAM wParam) {
    if (!takesKeys_)
        return false;
    if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
        typed_.Reset();
        if (player_)
            player_->WindowFocus(message == WM_SETFOCUS);
        return false;
    }
    if (!player_)
        return message != WM_SYSKEYDOWN && message != WM_SYSKEYUP;
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        const UINT vk = static_cast<UINT>(wParam);
        if (vk >= movie::kKeyCodeCount)
            break;
        player_->KeyDown(static_cast<int>(vk), AsciiOfKey(vk));
        movie::TextCommand command;
        if (CommandOfKey(vk, &command)) {
            movie::KeyboardState& k = player_->keyboard();
            if (command == movie::TextCommand::Paste)
                k.clipboard = ReadClipboard(hwnd_);
            const std::string before = k.clipboard;
            player_->EditCommand(command);
            if (k.clipboard != before)
                WriteClipboard(hwnd_, k.clipboard);
        }
        Draw(false);
        return message == WM_KEYDOWN;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        const UINT vk = static_cast<UINT>(wParam);
        if (vk < movie::kKeyCodeCount)
            player_->KeyUp(static_cast<int>(vk), AsciiOfKey(vk));
        return message == WM_KEYUP;
    }
    case WM_CHAR: {
        // Control characters came as keys.
        std::u32string chars;
        if (IsWindowUnicode(hwnd_)) {
            if (const char32_t c = typed_.FromUnicode(static_cast<uint32_t>(wParam)))
                chars += c;
        } else {
            chars = typed_.FromAnsi(static_cast<uint8_t>(wParam & 0xFF), InputCodePage(hwnd_));
        }
        bool typed = false;
        for (char32_t c : chars) {
            if (c >= 32 && c != 127 && !Held(VK_CONTROL)) {
                player_->TypeCharacter(c);
                typed = true;
            }
        }
        if (typed)
            Draw(false);
        return true;
    }
    default:
        break;
    }
    return false;
}

} // namespace ww
