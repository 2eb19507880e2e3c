#include "common/win32/folders.h"

#include <windows.h>

namespace ww {

std::string WindowsFolder() {
    char folder[MAX_PATH + 1] = "";
    const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    std::string windows = folder;
    if (windows.back() != '\\')
        windows += '\\';
    return windows;
}

std::string WallpaperFolder() {
    return WindowsFolder() + "Web\\Wallpaper\\";
}

bool EnsureWallpaperFolder() {
    const std::string windows = WindowsFolder();
    if (windows.empty())
        return false;
    // One level at a time: CreateDirectory makes no parents.
    for (const char* folder : {"Web", "Web\\Wallpaper"}) {
        const std::string path = windows + folder;
        if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return true;
}

std::string FixedDriveList() {
    std::string roots;
    DWORD mask = GetLogicalDrives();
    for (char letter = 'A'; mask != 0 && letter <= 'Z'; ++letter, mask >>= 1) {
        char root[4] = {letter, ':', '\\', '\0'};
        if ((mask & 1) && GetDriveTypeA(root) == DRIVE_FIXED)
            roots += root;
    }
    return roots;
}

std::string LastPathComponent(const std::string& path) {
    size_t cut = path.rfind('\\');
    return cut == std::string::npos ? std::string() : path.substr(cut + 1);
}

bool IsValidExistingFolder(const std::string& path) {
    std::string probe = path;
    if (!probe.empty() && probe.back() == '\\')
        probe.pop_back();
    bool exists = false;
    WIN32_FIND_DATAA data;
    HANDLE h = probe.empty() ? INVALID_HANDLE_VALUE : FindFirstFileA(probe.c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) {
        exists = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        FindClose(h);
    } else if (probe.size() == 2 && probe[1] == ':') {
        exists = FixedDriveList().find(probe) != std::string::npos;
    }
    return exists && LastPathComponent(probe).find_first_of("\\/:*?\"<>|") == std::string::npos;
}

} // namespace ww
