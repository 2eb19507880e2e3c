#include "common/file.h"
#include "common/fs.h"
#include "common/path.h"

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
static bool KernelCopy(FILE* in, FILE* out, uint64_t n, bool* failed) {
    *failed = false;
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
            if (done < 0 && left == n)
                return false; // nothing copied: not possible for these files
            *failed = true;
            break;
        }
        left -= static_cast<uint64_t>(done);
    }
    if (fseeko(in, inPos, SEEK_SET) != 0 || fseeko(out, outPos, SEEK_SET) != 0)
        *failed = true;
    return !*failed;
}
#endif

bool CopyBytes(File& in, File& out, uint64_t n) {
#ifdef __linux__
    bool failed = false;
    if (in.IsOpen() && out.IsOpen() && KernelCopy(in.get(), out.get(), n, &failed))
        return true;
    if (failed)
        return false;
#endif
    std::vector<char> buf(kCopyBlockSize);
    while (n > 0) {
        size_t chunk = n < buf.size() ? static_cast<size_t>(n) : buf.size();
        if (!in.ReadExact(buf.data(), chunk) || !out.Write(buf.data(), chunk))
            return false;
        n -= chunk;
    }
    return true;
}

int64_t FileSizeOf(const std::string& path) {
    File f(path, "rb");
    return f.IsOpen() ? f.Size() : -1;
}

bool AtomicOutput::Begin(const std::string& target) {
    Abandon();
    if (target.empty())
        return false;
    target_ = target;
    tempPath_ = FolderOfPath(target) + "~" + FileNameOfPath(target) + "." + UniqueSuffix() + ".tmp";
    if (LastSeparator(target) == std::string::npos)
        tempPath_ = "~" + target + "." + UniqueSuffix() + ".tmp";
    if (!file_.Open(tempPath_, "wb")) {
        tempPath_.clear();
        return false;
    }
    return true;
}

bool AtomicOutput::Suspend() {
    return !tempPath_.empty() && file_.Close();
}

bool AtomicOutput::Resume() {
    return !tempPath_.empty() && file_.Open(tempPath_, "ab") && file_.Seek(0, SEEK_END);
}

bool AtomicOutput::Commit() {
    if (tempPath_.empty())
        return false;
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

bool CopyFileAtomically(const std::string& source, const std::string& target) {
    File in(source, "rb");
    if (!in.IsOpen())
        return false;
    int64_t size = in.Size();
    AtomicOutput out;
    if (size < 0 || !out.Begin(target))
        return false;
    if (!CopyBytes(in, out.file(), static_cast<uint64_t>(size)))
        return false;
    return out.Commit();
}

} // namespace ww
