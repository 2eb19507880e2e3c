#include "common/fs.h"

#include <cerrno>

namespace ww {

std::vector<FoundEntry> FindMatches(const std::string& pattern) {
    return FindEntries(pattern, false);
}

bool FindFirstMatch(const std::string& pattern, FoundEntry* entry) {
    std::vector<FoundEntry> found = FindEntries(pattern, true);
    if (found.empty())
        return false;
    if (entry)
        *entry = found.front();
    return true;
}

std::string CreateUniqueFolder(const std::string& prefix) {
    return ClaimUniqueName(prefix, std::string(),
                           [](const std::string& path) { return CreateFolder(path); });
}

std::string LastWriteFailure() {
    switch (errno) {
    case ENOSPC:
        return "the disk is full";
#ifdef EDQUOT
    case EDQUOT:
        return "the disk quota is used up";
#endif
    case EFBIG:
        return "the file is larger than the file system takes";
    case ENAMETOOLONG:
        return "the name is longer than the file system takes";
    case EACCES:
    case EPERM:
    case EROFS:
        return "access is denied";
    default:
        return std::string();
    }
}

bool IsNonAsciiUtf8(const std::string& text) {
    bool wide = false;
    for (size_t i = 0; i < text.size();) {
        const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
        const unsigned lead = byte(i);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t length;
        uint32_t code;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (text.size() - i < length)
            return false;
        for (size_t k = 1; k < length; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (byte(i + k) & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are no UTF-8.
        if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000) ||
            (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return false;
        wide = true;
        i += length;
    }
    return wide;
}

} // namespace ww
