#include "common/file.h"
#include "common/bytes.h"
#include "common/fs.h"
#include "common/path.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#ifdef __linux__
#include <unistd.h>
#endif

namespace ww {

bool File::Open(const std::string& path, const char* mode) {
    Close();
    f_ = std::fopen(path.c_str(), mode);
    return f_ != nullptr;
}

bool File::Adopt(FILE* f) {
    Close();
    f_ = f;
    return f_ != nullptr;
}

bool File::Close() {
    if (!f_)
        return true;
    bool ok = std::ferror(f_) == 0;
    ok = (std::fclose(f_) == 0) && ok;
    f_ = nullptr;
    return ok;
}

size_t File::Read(void* buf, size_t n) {
    return f_ ? std::fread(buf, 1, n, f_) : 0;
}

bool File::Write(const void* buf, size_t n) {
    errno = 0;
    return f_ && (n == 0 || std::fwrite(buf, 1, n, f_) == n);
}

bool File::Seek(int64_t offset, int whence) {
    if (!f_)
        return false;
#ifdef _WIN32
    return _fseeki64(f_, offset, whence) == 0;
#else
    return fseeko(f_, static_cast<off_t>(offset), whence) == 0;
#endif
}

int64_t File::Tell() {
    if (!f_)
        return -1;
#ifdef _WIN32
    return _ftelli64(f_);
#else
    return static_cast<int64_t>(ftello(f_));
#endif
}

int64_t File::Size() {
    int64_t here = Tell();
    if (here < 0 || !Seek(0, SEEK_END))
        return -1;
    int64_t size = Tell();
    if (!Seek(here, SEEK_SET))
        return -1;
    return size;
}

#ifdef __linux__
// Lets the kernel copy between two files without passing the bytes through
// this process (cat and cp do the same). Answers false without having copied
// anything when the kernel cannot do it for these files, so the caller falls
// back to the buffer; *failed is set when it stopped part way.
static bool KernelCopy(FILE* in, FILE* out, uint64_t n, bool* failed, bool* writeFailed) {
    *failed = *writeFailed = false;
    if (n == 0 || std::fflush(out) != 0)
        return n == 0;
    off_t inPos = ftello(in);
    off_t outPos = ftello(out);
    if (inPos < 0 || outPos < 0)
        return false;
    uint64_t left = n;
    while (left > 0) {
        size_t chunk = left < (1u << 30) ? static_cast<size_t>(left) : (1u << 30);
        // Explicit offsets leave both descriptors' own positions alone.
        ssize_t done = copy_file_range(fileno(in), &inPos, fileno(out), &outPos, chunk, 0);
        if (done <= 0) {
            if (done < 0 && left == n && errno != ENOSPC && errno != EFBIG)
                return false; // nothing copied: not possible for these files
            *failed = true;
            *writeFailed = done < 0 && (errno == ENOSPC || errno == EFBIG || errno == EDQUOT);
            break;
        }
        left -= static_cast<uint64_t>(done);
    }
    if (fseeko(in, inPos, SEEK_SET) != 0 || fseeko(out, outPos, SEEK_SET) != 0)
        *failed = true;
    return !*failed;
}
#endif

bool CopyBytes(File& in, File& out, uint64_t n, CopyFault* fault) {
    CopyFault ignored;
    CopyFault& result = fault ? *fault : ignored;
    result = CopyFault::None;
    errno = 0; // what LastWriteFailure reads is this copy's reason, or none
#ifdef __linux__
    bool failed = false, writeFailed = false;
    if (in.IsOpen() && out.IsOpen() && KernelCopy(in.get(), out.get(), n, &failed, &writeFailed))
        return true;
    if (failed) {
        result = writeFailed ? CopyFault::Write : CopyFault::Read;
        return false;
    }
#endif
    std::vector<char> buf(kCopyBlockSize);
    while (n > 0) {
        size_t chunk = n < buf.size() ? static_cast<size_t>(n) : buf.size();
        if (!in.ReadExact(buf.data(), chunk)) {
            result = CopyFault::Read;
            return false;
        }
        if (!out.Write(buf.data(), chunk)) {
            result = CopyFault::Write;
            return false;
        }
        n -= chunk;
    }
    return true;
}

int64_t FileSizeOf(const std::string& path) {
    File f(path, "rb");
    return f.IsOpen() ? f.Size() : -1;
}

bool SameFileBytes(const std::string& a, const std::string& b) {
    File x(a, "rb"), y(b, "rb");
    const int64_t size = x.Size();
    if (size < 0 || y.Size() != size)
        return false;
    std::vector<char> bx(64 * 1024), by(64 * 1024);
    for (int64_t left = size; left > 0;) {
        const size_t n =
            left < static_cast<int64_t>(bx.size()) ? static_cast<size_t>(left) : bx.size();
        if (!x.ReadExact(bx.data(), n) || !y.ReadExact(by.data(), n) ||
            !std::equal(bx.begin(), bx.begin() + static_cast<std::ptrdiff_t>(n), by.begin()))
            return false;
        left -= static_cast<int64_t>(n);
    }
    return true;
}

std::string TemporaryNameFor(const std::string& name, uint32_t pid, uint32_t random) {
    const size_t length = std::max(name.size(), kTemporaryNameFloor);
    std::string head = name.substr(0, length - kTemporaryTagSize);
    // Cut back to a whole character: no byte of a multi-byte one is left
    // dangling at the cut.
    while (!head.empty() && static_cast<unsigned char>(head.back()) >= 0x80)
        head.pop_back();
    return "~" + head + ".ww" + ToLowerAscii(HexDigits(pid, 8) + HexDigits(random, 8)) + ".tmp";
}

static bool SplitTarget(const std::string& target, std::string* folder, std::string* name) {
    *folder = FolderOfPath(target);
    *name = LastSeparator(target) == std::string::npos ? target : FileNameOfPath(target);
    return !name->empty();
}

std::string TemporaryPathFor(const std::string& target) {
    std::string folder, name;
    if (!SplitTarget(target, &folder, &name))
        return std::string();
    return folder + TemporaryNameFor(name, CurrentProcessId(), 0);
}

static int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool ParseTemporaryName(const std::string& name, uint32_t* pid) {
    const size_t n = name.size();
    if (n < kTemporaryTagSize || name[0] != '~' || name.compare(n - 23, 3, ".ww") != 0 ||
        name.compare(n - 4, 4, ".tmp") != 0)
        return false;
    uint32_t value = 0;
    for (size_t i = n - 20; i < n - 4; ++i) {
        const int digit = HexDigit(name[i]);
        if (digit < 0)
            return false;
        if (i < n - 12)
            value = (value << 4) | static_cast<uint32_t>(digit);
    }
    *pid = value;
    return true;
}

void RemoveStaleTemporaries(const std::string& folder) {
    const std::string base = folder.empty() ? folder : WithTrailingSeparator(folder);
    const uint32_t self = CurrentProcessId();
    for (const FoundEntry& entry : FindMatches(base + "~*.tmp")) {
        uint32_t pid = 0;
        // Ours in the making, or of a process that may still finish: kept.
        if (entry.isFolder || !ParseTemporaryName(entry.name, &pid) || pid == self ||
            IsProcessRunning(pid))
            continue;
        RemoveFile(base + entry.name);
    }
}

bool AtomicOutput::Begin(const std::string& target) {
    Abandon();
    std::string folder, name;
    if (!SplitTarget(target, &folder, &name))
        return false;
    RemoveStaleTemporaries(folder);
    // A clash (a name planted or left behind) only costs another draw.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string temp = folder + TemporaryNameFor(name, CurrentProcessId(), RandomBits());
        if (file_.Adopt(CreateNewFile(temp))) {
            target_ = target;
            tempPath_ = temp;
            return true;
        }
    }
    return false;
}

bool AtomicOutput::Suspend() {
    return !tempPath_.empty() && file_.Close();
}

bool AtomicOutput::Resume() {
    return !tempPath_.empty() && file_.Adopt(ReopenForAppend(tempPath_)) && file_.Seek(0, SEEK_END);
}

bool AtomicOutput::Commit() {
    if (tempPath_.empty())
        return false;
    errno = 0;
    if (!file_.Close() || !RenameReplace(tempPath_, target_)) {
        Abandon();
        return false;
    }
    tempPath_.clear();
    return true;
}

void AtomicOutput::Abandon() {
    file_.Close();
    if (!tempPath_.empty())
        RemoveFile(tempPath_);
    tempPath_.clear();
}

} // namespace ww
