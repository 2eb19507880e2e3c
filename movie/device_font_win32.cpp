// The system's font of a family, as Windows holds it: the face selected into
// a memory device context and its whole file read with GetFontData.
#include "movie/device_font.h"

#include <windows.h>

namespace ww::movie {

namespace {

const char* const kFamilyFaces[] = {"Arial", "Times New Roman", "Courier New"};

} // namespace

bool ReadSystemFont(DeviceFamily family, std::vector<uint8_t>* bytes) {
    const char* face = kFamilyFaces[static_cast<int>(family)];
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc)
        return false;
    HFONT font =
        CreateFontA(-1024, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                    OUT_TT_ONLY_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
    bool ok = false;
    if (font) {
        HGDIOBJ old = SelectObject(dc, font);
        // Windows gives another face when it lacks this one: take only the
        // face asked for.
        char got[LF_FACESIZE] = {};
        GetTextFaceA(dc, LF_FACESIZE, got);
        const DWORD size = GetFontData(dc, 0, 0, nullptr, 0);
        if (lstrcmpiA(got, face) == 0 && size != GDI_ERROR && size > 0 && size < (64u << 20)) {
            bytes->resize(size);
            ok = GetFontData(dc, 0, 0, bytes->data(), size) == size;
        }
        SelectObject(dc, old);
        DeleteObject(font);
    }
    DeleteDC(dc);
    return ok;
}

} // namespace ww::movie
