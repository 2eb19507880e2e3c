// Wovenlite.exe: the simple installer stub. The builder appends a simple
// package to a copy of it; this first version recognises the package by its
// marker.
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
    if (!EndsWithMarker(ww::ModuleFilePath(), "WLL")) {
        ww::ShowMessageBox(nullptr, "This file is not a standard setup file!", "Setup",
                           MB_OK | MB_ICONERROR);
        return 0;
    }
    return 0;
}
