#include "common/win32/active_desktop.h"

#include "common/win32/com.h"
#include "common/win32/strings.h"

#include <utility>

namespace ww {

namespace {

// Spelt out here: the import library keeps every GUID in one 35 KB object,
// which the installers would otherwise carry whole.
constexpr GUID kActiveDesktopClass = {
    0x75048700, 0xEF1F, 0x11D0, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};
constexpr GUID kActiveDesktopInterface = {
    0xF490EB00, 0x1240, 0x11D1, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};

} // namespace

IActiveDesktop* CreateActiveDesktop() {
    IActiveDesktop* object = nullptr;
    if (FAILED(CoCreateInstance(kActiveDesktopClass, nullptr, CLSCTX_INPROC_SERVER,
                                kActiveDesktopInterface, reinterpret_cast<void**>(&object))))
        return nullptr;
    return object;
}

namespace {

std::function<bool()>& SettingReader() {
    static std::function<bool()> reader;
    return reader;
}

} // namespace

void SetActiveDesktopSettingReader(std::function<bool()> reader) {
    SettingReader() = std::move(reader);
}

bool IsActiveDesktopOn() {
    if (SettingReader())
        return SettingReader()();
    SHELLFLAGSTATE state{};
    SHGetSettings(&state, SSF_DESKTOPHTML);
    return state.fDesktopHTML != 0;
}

void SetActiveDesktopWallpaper(const std::string& pagePath, IActiveDesktop* longLived) {
    ComPtr<IActiveDesktop> desktop(CreateActiveDesktop());
    if (desktop) {
        std::wstring wide = WidenAnsi(pagePath);
        desktop->SetWallpaper(wide.c_str(), 0);
        desktop->ApplyChanges(AD_APPLY_SAVE | AD_APPLY_HTMLGEN | AD_APPLY_REFRESH);
    }
    if (!IsActiveDesktopOn() && longLived) {
        COMPONENTSOPT options{};
        options.dwSize = sizeof options;
        options.fEnableComponents = TRUE;
        options.fActiveDesktop = TRUE;
        longLived->SetDesktopItemOptions(&options, 0);
        longLived->ApplyChanges(AD_APPLY_REFRESH);
    }
}

} // namespace ww
