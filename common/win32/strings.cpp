#include "common/win32/strings.h"

#include <windows.h>

namespace ww {

std::wstring WidenAnsi(const std::string& text) {
    if (text.empty())
        return std::wstring();
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), size, nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), size, &wide[0], n);
    return wide;
}

} // namespace ww
