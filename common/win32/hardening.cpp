#include "common/win32/hardening.h"

#include <windows.h>

namespace ww {

void RestrictDllSearchToSystem32() {
    // Looked up at run time: older systems lack the function.
    using SetDirsFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto setDirs = kernel ? reinterpret_cast<SetDirsFn>(reinterpret_cast<void*>(
                                GetProcAddress(kernel, "SetDefaultDllDirectories")))
                          : nullptr;
    if (setDirs)
        setDirs(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryA("");
}

} // namespace ww
