// The builder's few calls into the shell and the registry (opening the help
// file, a web address or a mail address), behind one replaceable table so
// that tests can see what would be opened without starting a browser.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace ww {

struct ShellCalls {
    // ShellExecute with no parameters and no working folder; its result code.
    std::function<int(HWND owner, const std::string& verb, const std::string& target, int show)>
        execute;
    // The default value of a key under HKEY_CLASSES_ROOT; 0 or the error code
    // of opening the key.
    std::function<LONG(const std::string& key, std::string* value)> readClassesRootDefault;
    // WinExec; its result code.
    std::function<int(const std::string& commandLine, int show)> winExec;
};

// The calls in use; the real ones unless a test replaced them.
ShellCalls& CurrentShellCalls();
ShellCalls RealShellCalls();

} // namespace ww
