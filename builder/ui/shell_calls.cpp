#include "builder/ui/shell_calls.h"

#include <objbase.h>
#include <shellapi.h>

namespace ww {

namespace {

struct ShellRequest {
    std::string verb;
    std::string target;
    int show = SW_SHOWNORMAL;
    int result = SE_ERR_NOASSOC;
};

DWORD WINAPI ExecuteOnOwnThread(void* context) {
    auto* request = static_cast<ShellRequest*>(context);
    // The shell's objects want COM on the thread that calls them.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = request->verb.c_str();
    info.lpFile = request->target.c_str();
    info.nShow = request->show;
    if (ShellExecuteExA(&info))
        request->result = 33; // above 32: done, as ShellExecute answers
    else
        request->result = static_cast<int>(reinterpret_cast<INT_PTR>(info.hInstApp));
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

// The shell is asked from a thread of its own, with no window of ours as its
// owner: a folder window it opens, and whatever the shell keeps of it after
// that window is closed, never refer to the builder's windows.
int RealExecute(HWND, const std::string& verb, const std::string& target, int show) {
    ShellRequest request{verb, target, show};
    HANDLE thread = CreateThread(nullptr, 0, &ExecuteOnOwnThread, &request, 0, nullptr);
    if (!thread)
        return SE_ERR_OOM;
    // Messages sent to our windows meanwhile (a shell's broadcast) are
    // answered; posted ones wait, so nothing of ours runs twice.
    MSG message;
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) ==
           WAIT_OBJECT_0 + 1)
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    CloseHandle(thread);
    return request.result;
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
