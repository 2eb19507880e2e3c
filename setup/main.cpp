// Wovenset.exe: the setup wizard stub. The builder appends a setup package to a
// copy of it; this first version recognises the package by its marker.
#include "common/file.h"
#include "common/fs.h"
#include "common/win32/hardening.h"
#include "common/win32/message_box.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace {

bool EndsWithMarker(const std::string& path, const char* marker) {
    ww::File f(path, "rb");
    char tail[3];
    return f.Size() >= 3 && f.Seek(-3, SEEK_END) && f.ReadExact(tail, 3) &&
           std::memcmp(tail, marker, 3) == 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ww::RestrictDllSearchToSystem32();
    std::string self = ww::ModuleFilePath();
    if (!EndsWithMarker(self, "WLS")) {
        ww::ShowMessageBox(nullptr, self + " is not a Wallweaver Setup File!", "Setup",
                           MB_OK | MB_ICONSTOP);
        return 0;
    }
    return 0;
}
