#include "common/fs.h"
#include "common/path.h"

#include <windows.h>

#include <iterator>

namespace ww {

std::vector<FoundEntry> FindEntries(const std::string& pattern, bool firstOnly) {
    std::vector<FoundEntry> found;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return found;
    do {
        FoundEntry entry;
        entry.name = data.cFileName;
        entry.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        found.push_back(entry);
    } while (!firstOnly && FindNextFileA(h, &data));
    FindClose(h);
    return found;
}

bool IsExistingFolder(const std::string& path) {
    DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolder(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool RemoveFile(const std::string& path) {
    return DeleteFileA(path.c_str()) != 0;
}

bool RenameReplace(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

std::string ModuleFilePath() {
    // Grow the buffer: the path may be longer than MAX_PATH.
    std::string buf(MAX_PATH, '\0');
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, &buf[0], static_cast<DWORD>(buf.size()));
        if (n == 0)
            return std::string();
        if (n < buf.size()) {
            buf.resize(n);
            return buf;
        }
        if (buf.size() >= 32768)
            return std::string();
        buf.resize(buf.size() * 2);
    }
}

std::string UserTempFolder() {
    char buf[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof buf, buf);
    if (n == 0 || n > MAX_PATH)
        return std::string();
    return WithTrailingSeparator(std::string(buf, n));
}

// Decimal digits by hand: the C library's formatting would bring its whole
// printf engine into the installers.
static std::string Decimal(unsigned long value) {
    char digits[24];
    size_t n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return std::string(std::make_reverse_iterator(digits + n), std::make_reverse_iterator(digits));
}

std::string UniqueSuffix() {
    static LONG counter = 0;
    const auto count = static_cast<unsigned long>(InterlockedIncrement(&counter));
    return Decimal(GetCurrentProcessId()) + "-" + Decimal(count);
}

} // namespace ww
