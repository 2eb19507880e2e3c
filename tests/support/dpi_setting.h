// The DPI that programs started from now on take, as a person sets it.
#pragma once

#include <windows.h>

namespace ww::test {

// Sets LogPixels where Wine and Windows read it for programs started from
// now on, and puts the earlier values back.
class DpiSetting {
  public:
    explicit DpiSetting(DWORD dpi) {
        for (Place& p : places_) {
            DWORD size = sizeof p.saved;
            p.had = RegGetValueA(p.root, p.key, "LogPixels", RRF_RT_REG_DWORD, nullptr, &p.saved,
                                 &size) == ERROR_SUCCESS;
            Write(p, dpi);
        }
    }
    ~DpiSetting() {
        for (Place& p : places_) {
            if (p.had) {
                Write(p, p.saved);
            } else {
                HKEY key;
                if (RegOpenKeyExA(p.root, p.key, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
                    RegDeleteValueA(key, "LogPixels");
                    RegCloseKey(key);
                }
            }
        }
    }
    DpiSetting(const DpiSetting&) = delete;
    DpiSetting& operator=(const DpiSetting&) = delete;

  private:
    struct Place {
        HKEY root;
        const char* key;
        bool had = false;
        DWORD saved = 0;
    };
    static void Write(const Place& p, DWORD dpi) {
        HKEY key;
        if (RegCreateKeyExA(p.root, p.key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return;
        RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                       sizeof dpi);
        RegCloseKey(key);
    }
    Place places_[2] = {{HKEY_CURRENT_USER, "Control Panel\\Desktop"},
                        {HKEY_CURRENT_CONFIG, "Software\\Fonts"}};
};

} // namespace ww::test
