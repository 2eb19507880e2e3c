#include "common/win32/shortcuts.h"

#include "common/win32/com.h"
#include "common/win32/strings.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

namespace ww {

namespace {

// Spelt out here rather than taken from the import library, whose one object
// holding every GUID would add 35 KB to the setup stub.
constexpr GUID kShellLinkClass = {
    0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kShellLinkInterface = {
    0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kPersistFileInterface = {
    0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

std::string WithBackslash(std::string folder) {
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    return folder;
}

std::string SpecialFolder(int csidl) {
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list)) || !list)
        return std::string();
    char path[MAX_PATH] = "";
    BOOL found = SHGetPathFromIDListA(list, path);
    CoTaskMemFree(list);
    return found ? WithBackslash(path) : std::string();
}

} // namespace

int CreateShortcut(const std::string& target, const std::string& linkPath) {
    ComScope com;
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(kShellLinkClass, nullptr,
                                CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                                kShellLinkInterface, link.out())))
        return 0;
    if (FAILED(link->SetPath(target.c_str())))
        return 0;
    const size_t cut = target.rfind('\\');
    const std::string folder = cut == std::string::npos ? std::string() : target.substr(0, cut + 1);
    if (FAILED(link->SetWorkingDirectory(folder.c_str())))
        return 0;
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(kPersistFileInterface, file.out())))
        return 0;
    std::wstring wide = WidenAnsi(linkPath);
    return SUCCEEDED(file->Save(wide.c_str(), TRUE)) ? 1 : 0;
}

std::string ShortcutName(const std::string& target) {
    const size_t cut = target.rfind('\\');
    if (cut == std::string::npos)
        return std::string();
    std::string name = target.substr(cut + 1);
    name.resize(name.size() > 4 ? name.size() - 4 : 0);
    return name;
}

std::string DesktopFolder() {
    return SpecialFolder(CSIDL_DESKTOP);
}

std::string QuickLaunchFolder() {
    std::string appData = SpecialFolder(CSIDL_APPDATA);
    return appData.empty() ? appData : appData + "Microsoft\\Internet Explorer\\Quick Launch\\";
}

int CreateDesktopShortcut(const std::string& target) {
    const std::string folder = DesktopFolder();
    if (!folder.empty() && !ShortcutName(target).empty())
        CreateShortcut(target, folder + ShortcutName(target) + ".lnk");
    return 1;
}

int CreateQuickLaunchShortcut(const std::string& target) {
    const std::string appData = SpecialFolder(CSIDL_APPDATA);
    // A nameless shortcut would be a file called ".lnk".
    if (appData.empty() || ShortcutName(target).empty())
        return 1;
    std::string folder = appData;
    for (const char* level : {"Microsoft\\", "Internet Explorer\\", "Quick Launch\\"}) {
        folder += level;
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    CreateShortcut(target, folder + ShortcutName(target) + ".lnk");
    return 1;
}

} // namespace ww
