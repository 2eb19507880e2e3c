#include "common/win32/active_desktop.h"

#include "common/win32/com.h"
#include "common/win32/strings.h"

#include <shlguid.h>

#include <utility>

namespace ww {

IActiveDesktop* CreateActiveDesktop() {
    IActiveDesktop* object = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ActiveDesktop, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IActiveDesktop, reinterpret_cast<void**>(&object))))
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
