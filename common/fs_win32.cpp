#include "common/fs.h"
#include "common/path.h"

#include <windows.h>

#include <iterator>
#include <fcntl.h>
#include <io.h>
#include <ntsecapi.h>

#include <cstdio>

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

bool RemoveEmptyFolder(const std::string& path) {
    return RemoveDirectoryA(path.c_str()) != 0;
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
    // Process ids come round again; the clock and the generator do not.
    // Fixed width, so that names made side by side have the same length.
    uint32_t random = GetTickCount() ^ RandomBits();
    char hex[8];
    for (int i = 7; i >= 0; --i, random >>= 4)
        hex[i] = "0123456789abcdef"[random & 15];
    return Decimal(GetCurrentProcessId()) + "-" + Decimal(count) + "-" + std::string(hex, 8);
}

namespace {

FILE* AsStream(HANDLE h, int flags, const char* mode) {
    if (h == INVALID_HANDLE_VALUE)
        return nullptr;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), flags);
    if (fd < 0) {
        CloseHandle(h);
        return nullptr;
    }
    FILE* f = _fdopen(fd, mode);
    if (!f)
        _close(fd);
    return f;
}

} // namespace

FILE* CreateNewFile(const std::string& path) {
    // CREATE_NEW refuses any existing name; opening the reparse point itself
    // keeps a planted link from being followed to create its target.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    return AsStream(h, _O_WRONLY | _O_BINARY, "wb");
}

FILE* ReopenForAppend(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return nullptr;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
        GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return nullptr;
    }
    FILE* f = AsStream(h, _O_WRONLY | _O_APPEND | _O_BINARY, "ab");
    if (f)
        std::fseek(f, 0, SEEK_END);
    return f;
}

bool IsRegularFile(const std::string& path) {
    DWORD attr = GetFileAttributesA(path.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    // Device names (CON, a named pipe) answer attributes too; only a disk
    // file is a file.
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const bool disk = GetFileType(h) == FILE_TYPE_DISK;
    CloseHandle(h);
    return disk;
}

bool IsLink(const std::string& path) {
    DWORD attr = GetFileAttributesA(WithoutTrailingSeparator(path).c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool PathFitsFileSystem(const std::string& path) {
    if (path.empty())
        return false;
    // The limit holds for the full path, however the caller wrote it.
    std::string full(32768, '\0');
    DWORD n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (n == 0 || n >= full.size())
        return false;
    full.resize(n);
    auto wideLength = [](const std::string& text) {
        return text.empty() ? 0
                            : MultiByteToWideChar(CP_ACP, 0, text.data(),
                                                  static_cast<int>(text.size()), nullptr, 0);
    };
    const std::string name = FileNameOfPath(full);
    return wideLength(full) < MAX_PATH && wideLength(name) <= 255;
}

int64_t FreeSpaceOf(const std::string& folder) {
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExA(folder.empty() ? nullptr : folder.c_str(), &available, nullptr,
                             nullptr))
        return -1;
    return static_cast<int64_t>(available.QuadPart);
}

uint32_t RandomBits() {
    uint32_t bits = 0;
    if (RtlGenRandom(&bits, sizeof bits))
        return bits;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<uint32_t>(now.QuadPart) ^ (GetCurrentThreadId() << 16);
}

uint32_t CurrentProcessId() {
    return GetCurrentProcessId();
}

bool IsProcessRunning(uint32_t pid) {
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!h)
        return GetLastError() != ERROR_INVALID_PARAMETER;
    const bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return running;
}

bool NameForCodePage(const std::string& stored, unsigned codePage, std::string* local) {
    *local = stored;
    if (codePage == CP_UTF8 || !IsNonAsciiUtf8(stored))
        return true;
    const int size = static_cast<int>(stored.size());
    const int wide =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, stored.data(), size, nullptr, 0);
    if (wide <= 0)
        return true;
    std::wstring text(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, stored.data(), size, &text[0], wide);
    // No best fit: "e" for "\u00e9" would install a different name, silently.
    BOOL lossy = FALSE;
    const int bytes = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), wide,
                                          nullptr, 0, nullptr, &lossy);
    if (bytes <= 0 || lossy)
        return false;
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), wide, &out[0], bytes, nullptr,
                        &lossy);
    if (lossy)
        return false;
    *local = out;
    return true;
}

bool NameForThisSystem(const std::string& stored, std::string* local) {
    return NameForCodePage(stored, GetACP(), local);
}

} // namespace ww
