#include "common/player_tail.h"

#include "common/bytes.h"
#include "common/file.h"
#include "common/pe_overlay.h"

#include <cstring>

namespace ww {

static_assert(6 * kStringFieldSize + 3 == kPlayerTailSize, "player tail layout");

void WritePlayerTail(const PlayerSettings& settings, uint8_t* out) {
    ByteWriter w(out, kPlayerTailSize);
    w.FixedString(settings.pageName, kStringFieldSize);
    w.FixedString(settings.wallpaperName, kStringFieldSize);
    w.FixedString(settings.publisherName, kStringFieldSize);
    w.FixedString(settings.publisherUrl, kStringFieldSize);
    w.FixedString(settings.copyright, kStringFieldSize);
    w.Zeros(kStringFieldSize);
    w.Bytes(kPlayerMarker, 3);
}

bool ParsePlayerTail(const uint8_t* tail, PlayerSettings* settings) {
    if (std::memcmp(tail + kPlayerTailSize - 3, kPlayerMarker, 3) != 0)
        return false;
    ByteReader r(tail, kPlayerTailSize);
    settings->pageName = r.FixedString(kStringFieldSize);
    settings->wallpaperName = r.FixedString(kStringFieldSize);
    settings->publisherName = r.FixedString(kStringFieldSize);
    settings->publisherUrl = r.FixedString(kStringFieldSize);
    settings->copyright = r.FixedString(kStringFieldSize);
    return r.ok();
}

bool ReadPlayerTail(const std::string& path, PlayerSettings* settings) {
    File f(path, "rb");
    int64_t size = AppendedDataEnd(f);
    if (size < static_cast<int64_t>(kPlayerTailSize))
        return false;
    uint8_t tail[kPlayerTailSize];
    if (!f.Seek(size - static_cast<int64_t>(kPlayerTailSize), SEEK_SET) ||
        !f.ReadExact(tail, sizeof tail))
        return false;
    return ParsePlayerTail(tail, settings);
}

} // namespace ww
