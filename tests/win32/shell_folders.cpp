#include "tests/win32/shell_folders.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <vector>

namespace ww::test {

namespace {

const char kUserShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string ReadValue(const char* key, const char* name) {
    char value[MAX_PATH * 2] = "";
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, key, name,
                     RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, value,
                     &size) != ERROR_SUCCESS)
        return std::string();
    return value;
}

void WriteValue(const char* key, const char* name, DWORD type, const std::string& value) {
    HKEY handle;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS)
        return;
    if (value.empty())
        RegDeleteValueA(handle, name);
    else
        RegSetValueExA(handle, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
}

std::string WithoutBackslash(std::string folder) {
    if (folder.size() > 3 && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

} // namespace

DesktopRedirect::DesktopRedirect(const std::string& folder) {
    previousUser_ = ReadValue(kUserShellFolders, "Desktop");
    previousShell_ = ReadValue(kShellFolders, "Desktop");
    CreateDirectoryA(folder.c_str(), nullptr);
    WriteValue(kUserShellFolders, "Desktop", REG_EXPAND_SZ, WithoutBackslash(folder));
    WriteValue(kShellFolders, "Desktop", REG_SZ, WithoutBackslash(folder));
}

DesktopRedirect::~DesktopRedirect() {
    WriteValue(kUserShellFolders, "Desktop", REG_EXPAND_SZ, previousUser_);
    WriteValue(kShellFolders, "Desktop", REG_SZ, previousShell_);
}

bool ReadShortcut(const std::string& linkPath, ShortcutInfo* info) {
    HRESULT com = CoInitialize(nullptr);
    bool read = false;
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            std::vector<wchar_t> wide(linkPath.size() + 1);
            MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide.data(),
                                static_cast<int>(wide.size()));
            char target[MAX_PATH] = "", folder[MAX_PATH] = "";
            // SLGP_RAWPATH: the path as stored, not resolved against the
            // files that exist now.
            read = SUCCEEDED(file->Load(wide.data(), STGM_READ)) &&
                   SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
                   SUCCEEDED(link->GetWorkingDirectory(folder, MAX_PATH));
            info->target = target;
            info->workingFolder = folder;
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return read;
}

} // namespace ww::test
