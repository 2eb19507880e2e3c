#include "common/file.h"
#include "common/fs.h"
#include "common/path.h"

#include <vector>

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

bool CopyBytes(File& in, File& out, uint64_t n) {
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
