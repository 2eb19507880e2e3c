#include "builder/ui/shell_calls.h"

#include <shellapi.h>

namespace ww {

namespace {

int RealExecute(HWND owner, const std::string& verb, const std::string& target, int show) {
    HINSTANCE result = ShellExecuteA(owner, verb.c_str(), target.c_str(), nullptr, nullptr, show);
    return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}

LONG RealReadClassesRootDefault(const std::string& key, std::string* value) {
    HKEY handle = nullptr;
    LONG error = RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, &handle);
    if (error != ERROR_SUCCESS)
        return error;
    char data[MAX_PATH + 1] = "";
    DWORD size = MAX_PATH;
    DWORD type = 0;
    // A value that is missing or not text reads as empty.
    if (RegQueryValueExA(handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        data[0] = '\0';
    data[MAX_PATH] = '\0';
    *value = data;
    RegCloseKey(handle);
    return ERROR_SUCCESS;
}

int RealWinExec(const std::string& commandLine, int show) {
    return static_cast<int>(WinExec(commandLine.c_str(), static_cast<UINT>(show)));
}

} // namespace

ShellCalls RealShellCalls() {
    return ShellCalls{&RealExecute, &RealReadClassesRootDefault, &RealWinExec};
}

ShellCalls& CurrentShellCalls() {
    static ShellCalls calls = RealShellCalls();
    return calls;
}

} // namespace ww
