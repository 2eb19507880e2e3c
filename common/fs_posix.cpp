#include "common/fs.h"
#include "common/path.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace ww {

namespace {

bool HasWildcard(const std::string& s) {
    return s.find_first_of("*?") != std::string::npos;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// Wildcard match as the Windows file system does it: case-insensitive, and a
// pattern ending in ".*" also matches names without any dot.
bool WildcardMatch(const char* p, const char* s) {
    if (*p == '\0')
        return *s == '\0';
    if (*p == '*') {
        for (;;) {
            if (WildcardMatch(p + 1, s))
                return true;
            if (*s == '\0')
                break;
            ++s;
        }
        return false;
    }
    if (*p == '.' && p[1] == '*' && p[2] == '\0' && *s == '\0')
        return true;
    if (*s == '\0')
        return false;
    if (*p == '?' || Lower(*p) == Lower(*s))
        return WildcardMatch(p + 1, s + 1);
    return false;
}

bool StatEntry(const std::string& path, const std::string& name, FoundEntry* entry) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return false;
    entry->name = name;
    entry->isFolder = S_ISDIR(st.st_mode);
    entry->size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
    return true;
}

} // namespace

std::vector<FoundEntry> FindEntries(const std::string& pattern, bool firstOnly) {
    std::vector<FoundEntry> found;
    std::string folder = FolderOfPath(pattern);
    std::string last = FileNameOfPath(pattern);
    if (LastSeparator(pattern) == std::string::npos)
        last = pattern;
    if (last.empty())
        return found;
    if (!HasWildcard(last)) {
        FoundEntry entry;
        if (StatEntry(pattern, last, &entry))
            found.push_back(entry);
        return found;
    }
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return found;
    while (struct dirent* d = readdir(dir)) {
        if (!WildcardMatch(last.c_str(), d->d_name))
            continue;
        FoundEntry entry;
        if (StatEntry(folder + d->d_name, d->d_name, &entry)) {
            found.push_back(entry);
            if (firstOnly)
                break;
        }
    }
    closedir(dir);
    return found;
}

bool IsExistingFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolder(const std::string& path) {
    return mkdir(path.c_str(), 0777) == 0;
}

bool RemoveFile(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    return unlink(path.c_str()) == 0;
}

bool RemoveEmptyFolder(const std::string& path) {
    return rmdir(path.c_str()) == 0;
}

bool RenameReplace(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

std::string ModuleFilePath() {
    char buf[PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0)
        return std::string();
    return std::string(buf, static_cast<size_t>(n));
}

std::string UserTempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return WithTrailingSeparator(tmp && *tmp ? tmp : "/tmp");
}

std::string UniqueSuffix() {
    static std::atomic<unsigned> counter{0};
    char buf[64];
    // Process ids come round again; the generator does not. Fixed width, so
    // that names made side by side have the same length.
    std::snprintf(buf, sizeof buf, "%ld-%u-%08x", static_cast<long>(getpid()), counter++,
                  static_cast<unsigned>(RandomBits()));
    return buf;
}

FILE* CreateNewFile(const std::string& path) {
    // O_EXCL refuses any existing name, a dangling link included.
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    FILE* f = fdopen(fd, "wb");
    if (!f)
        close(fd);
    return f;
}

FILE* ReopenForAppend(const std::string& path) {
    int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st;
    FILE* f = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? fdopen(fd, "ab") : nullptr;
    if (!f)
        close(fd);
    return f;
}

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsLink(const std::string& path) {
    struct stat st;
    return lstat(WithoutTrailingSeparator(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool PathFitsFileSystem(const std::string& path) {
    if (path.empty() || path.size() >= PATH_MAX)
        return false;
    // The name limit of the nearest folder that exists; 255 when none says.
    long nameMax = -1;
    for (std::string folder = FolderOfPath(path); nameMax < 0;) {
        nameMax = pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
        if (nameMax >= 0 || folder.size() <= 1)
            break;
        folder = FolderOfPath(WithoutTrailingSeparator(folder));
    }
    if (nameMax < 0)
        nameMax = NAME_MAX;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        if (end - start > static_cast<size_t>(nameMax))
            return false;
        start = end + 1;
    }
    return true;
}

int64_t FreeSpaceOf(const std::string& folder) {
    struct statvfs st;
    if (statvfs(folder.empty() ? "." : folder.c_str(), &st) != 0)
        return -1;
    return static_cast<int64_t>(st.f_bavail) * static_cast<int64_t>(st.f_frsize);
}

uint32_t RandomBits() {
    uint32_t bits = 0;
    if (getrandom(&bits, sizeof bits, 0) == static_cast<ssize_t>(sizeof bits))
        return bits;
    // Without the generator, still nothing another process can read off.
    static std::atomic<uint32_t> mix{0x9E3779B9u};
    uintptr_t here = reinterpret_cast<uintptr_t>(&bits);
    return mix.fetch_add(0x6D2B79F5u) ^ static_cast<uint32_t>(here) ^
           static_cast<uint32_t>(clock());
}

uint32_t CurrentProcessId() {
    return static_cast<uint32_t>(getpid());
}

bool IsProcessRunning(uint32_t pid) {
    if (pid == 0 || pid > static_cast<uint32_t>(INT32_MAX))
        return false;
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

// File names here are bytes; nothing to re-encode.
bool NameForThisSystem(const std::string& stored, std::string* local) {
    *local = stored;
    return true;
}

} // namespace ww
