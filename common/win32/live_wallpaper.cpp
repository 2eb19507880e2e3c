#include "common/win32/live_wallpaper.h"

#include "common/path.h"

#include <windows.h>

#include <utility>
#include <vector>

namespace ww {

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::function<bool()>& Check() {
    static std::function<bool()> check;
    return check;
}

} // namespace

void SetHtmlWallpaperCheck(std::function<bool()> check) {
    Check() = std::move(check);
}

bool HasHtmlWallpaper() {
    if (Check())
        return Check()();
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    // Vista dropped the page wallpaper; the object it kept draws nothing.
    // Before it, a shell without the object fails where the page would be
    // set, as it always has.
    return GetVersionExA(&version) && version.dwMajorVersion < 6;
}

std::string LiveWallpaperCommand(const std::string& playerPath, const std::string& page) {
    std::string command = "\"" + playerPath + "\" " + kWallpaperSwitch;
    if (!page.empty())
        command += " \"" + page + "\"";
    return command;
}

bool StartLiveWallpaper(const std::string& playerPath, const std::string& page) {
    std::string command = LiveWallpaperCommand(playerPath, page);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const std::string folder = FolderOfPath(playerPath);
    if (!CreateProcessA(playerPath.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    RegisterAtLogon(playerPath, page);
    return true;
}

bool RegisterAtLogon(const std::string& playerPath, const std::string& page) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const std::string command = LiveWallpaperCommand(playerPath, page);
    const LONG rc = RegSetValueExA(key, kRunValueName, 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(command.c_str()),
                                   static_cast<DWORD>(command.size() + 1));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

std::string LogonCommand() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::string();
    char value[2 * MAX_PATH + 32] = "";
    DWORD size = sizeof value - 1, type = 0;
    const LONG rc =
        RegQueryValueExA(key, kRunValueName, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ)
        return std::string();
    value[size < sizeof value ? size : sizeof value - 1] = '\0';
    return value;
}

namespace {

#ifndef PROCESS_QUERY_LIMITED_INFORMATION
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
#endif

using ImageNameQuery = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);

// The program file of a process; empty when the system will not say.
std::string ProgramOf(HANDLE process) {
    static ImageNameQuery query = [] {
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        return kernel ? reinterpret_cast<ImageNameQuery>(reinterpret_cast<void*>(
                            GetProcAddress(kernel, "QueryFullProcessImageNameA")))
                      : nullptr;
    }();
    char path[MAX_PATH * 2] = "";
    DWORD size = sizeof path;
    if (!query || !query(process, 0, path, &size))
        return std::string();
    return std::string(path, size);
}

struct PlayerSearch {
    std::string playerPath;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectPlayerWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<PlayerSearch*>(parameter);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, kLiveWallpaperWindowClass) != 0)
        return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process) {
        if (EqualsNoCase(ProgramOf(process), search->playerPath))
            search->windows.push_back(window);
        CloseHandle(process);
    }
    return TRUE;
}

} // namespace

bool StopLiveWallpaperOf(const std::string& playerPath) {
    PlayerSearch search{playerPath, {}};
    EnumWindows(&CollectPlayerWindow, reinterpret_cast<LPARAM>(&search));
    bool stopped = true;
    for (HWND window : search.windows) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kLiveWallpaperStopWaitMs,
                            &answer);
        if (process) {
            stopped =
                WaitForSingleObject(process, kLiveWallpaperStopWaitMs) == WAIT_OBJECT_0 && stopped;
            CloseHandle(process);
        }
    }
    return stopped;
}

void UnregisterAtLogon(const std::string& playerPath) {
    const std::string ours = LiveWallpaperCommand(playerPath);
    const std::string entry = LogonCommand();
    if (entry.size() < ours.size() || !EqualsNoCase(entry.substr(0, ours.size()), ours) ||
        (entry.size() > ours.size() && entry[ours.size()] != ' '))
        return;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, kRunValueName);
    RegCloseKey(key);
}

} // namespace ww
