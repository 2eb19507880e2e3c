#include "tests/support/win32_active_desktop.h"

#include "common/fs.h"
#include "common/path.h"
#include "common/win32/live_wallpaper.h"

#include <windows.h>

#include <cstdio>

namespace ww::test {

namespace {

const char kClassKey[] =
    "Software\\Classes\\CLSID\\{75048700-EF1F-11D0-9888-006097DEACF9}\\InprocServer32";

std::string GetDefaultValue(HKEY root) {
    char buf[MAX_PATH * 2] = "";
    LONG size = sizeof buf;
    if (RegQueryValueA(root, kClassKey, buf, &size) != ERROR_SUCCESS)
        return std::string();
    return buf;
}

bool SetValue(HKEY root, const char* name, const std::string& value) {
    HKEY key;
    if (RegCreateKeyExA(root, kClassKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

// Wine answers GetVersionEx from this value for programs started after it
// is set.
const char kWineKey[] = "Software\\Wine";

bool ReadWineVersion(std::string& value) {
    char buf[64] = "";
    DWORD size = sizeof buf - 1, type = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kWineKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    const LONG rc =
        RegQueryValueExA(key, "Version", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ)
        return false;
    value.assign(buf, size && !buf[size - 1] ? size - 1 : size);
    return true;
}

void WriteWineVersion(const std::string* value) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kWineKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    if (value)
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                       static_cast<DWORD>(value->size() + 1));
    else
        RegDeleteValueA(key, "Version");
    RegCloseKey(key);
}

} // namespace

ActiveDesktopRecorder::ActiveDesktopRecorder(const std::string& logPath, DesktopSystem system)
    : logPath_(logPath), system_(system) {
    std::string dll = FolderOfPath(ModuleFilePath()) + "recording_active_desktop.dll";
    // Wine reads the machine's classes key: the shell's own entry is kept and
    // put back afterwards.
    previousServer_ = GetDefaultValue(HKEY_LOCAL_MACHINE);
    registered_ = SetValue(HKEY_LOCAL_MACHINE, nullptr, dll) &&
                  SetValue(HKEY_LOCAL_MACHINE, "ThreadingModel", "Apartment");
    SetEnvironmentVariableA("WALLWEAVER_AD_LOG", logPath.c_str());
    const bool old = system == DesktopSystem::WithHtmlWallpaper;
    if (old) {
        versionSet_ = ReadWineVersion(previousVersion_);
        const std::string xp = "winxp";
        WriteWineVersion(&xp);
    }
    // This process started before the value changed.
    SetHtmlWallpaperCheck([old] { return old; });
    Clear();
}

ActiveDesktopRecorder::~ActiveDesktopRecorder() {
    SetEnvironmentVariableA("WALLWEAVER_AD_LOG", nullptr);
    SetEnvironmentVariableA("WALLWEAVER_AD_PREVIOUS", nullptr);
    SetHtmlWallpaperCheck(nullptr);
    if (system_ == DesktopSystem::WithHtmlWallpaper)
        WriteWineVersion(versionSet_ ? &previousVersion_ : nullptr);
    if (!previousServer_.empty())
        SetValue(HKEY_LOCAL_MACHINE, nullptr, previousServer_);
}

void ActiveDesktopRecorder::SetPreviousWallpaper(const std::string& path) {
    SetEnvironmentVariableA("WALLWEAVER_AD_PREVIOUS", path.c_str());
}

std::vector<std::string> ActiveDesktopRecorder::Calls() const {
    std::vector<std::string> calls;
    FILE* f = std::fopen(logPath_.c_str(), "rb");
    if (!f)
        return calls;
    char line[4096];
    while (std::fgets(line, sizeof line, f)) {
        std::string s(line);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
            s.pop_back();
        calls.push_back(s);
    }
    std::fclose(f);
    return calls;
}

void ActiveDesktopRecorder::Clear() const {
    DeleteFileA(logPath_.c_str());
}

} // namespace ww::test
