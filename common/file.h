// Files through buffered stdio with 64-bit positions, block copies through a
// fixed buffer, and outputs that appear under their name only when complete.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace ww {

constexpr size_t kCopyBlockSize = 256 * 1024;

class File {
  public:
    File() = default;
    File(const std::string& path, const char* mode) { Open(path, mode); }
    ~File() { Close(); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool Open(const std::string& path, const char* mode);
    // Takes over an open stream (closing any current one); false for nullptr.
    bool Adopt(FILE* f);
    // Closes and reports whether every buffered write reached the file.
    bool Close();
    bool IsOpen() const { return f_ != nullptr; }

    // Reads up to n bytes; answers how many were read.
    size_t Read(void* buf, size_t n);
    bool ReadExact(void* buf, size_t n) { return Read(buf, n) == n; }
    bool Write(const void* buf, size_t n);
    bool Seek(int64_t offset, int whence);
    int64_t Tell();
    // The total size, leaving the position where it was; -1 on failure.
    int64_t Size();
    FILE* get() { return f_; }

  private:
    FILE* f_ = nullptr;
};

// Which side of a copy failed.
enum class CopyFault { None, Read, Write };

// Copies n bytes from the current position of in to out through a fixed
// buffer; false when in ends early or out cannot take them, and *fault (when
// given) says which.
bool CopyBytes(File& in, File& out, uint64_t n, CopyFault* fault = nullptr);
// Size of a file through opening it; -1 when it cannot be opened.
int64_t FileSizeOf(const std::string& path);
// Whether two files can be opened and hold the same bytes.
bool SameFileBytes(const std::string& a, const std::string& b);

// The temporary name beside a target named name: "~", the start of name, then
// ".ww", the process id and random bits in 16 hex digits, and ".tmp". It is
// never longer than name, or than kTemporaryNameFloor characters for shorter
// names, so a name that fits the file system has a temporary name that fits.
constexpr size_t kTemporaryTagSize = 24; // "~" and ".wwPPPPPPPPRRRRRRRR.tmp"
constexpr size_t kTemporaryNameFloor = 32;
std::string TemporaryNameFor(const std::string& name, uint32_t pid, uint32_t random);
// The temporary path AtomicOutput would use beside target, with random bits
// of zero: its length is the one that matters for the file system's limits.
std::string TemporaryPathFor(const std::string& target);
// Whether name has the form of our temporary names; *pid gets its process.
bool ParseTemporaryName(const std::string& name, uint32_t* pid);
// Deletes, from folder, the temporary files left by processes of ours that
// no longer run (a build killed half-way); those of running ones stay.
void RemoveStaleTemporaries(const std::string& folder);

// A file written under a temporary name beside its target, renamed over the
// target by Commit. Abandoned (destroyed without Commit) it is removed, so a
// failed write never leaves a broken file or touches an earlier good one.
// The temporary file is created exclusively under an unguessable name, so a
// link planted beside the target never redirects the write.
class AtomicOutput {
  public:
    AtomicOutput() = default;
    ~AtomicOutput() { Abandon(); }
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;

    // Creates the temporary file for binary writing, after removing stale
    // temporary files of dead processes from the target's folder.
    bool Begin(const std::string& target);
    File& file() { return file_; }
    const std::string& temporaryPath() const { return tempPath_; }
    // Closes the temporary file so another operation may rewrite it in place
    // (an icon replacement), then reopens it for appending.
    bool Suspend();
    bool Resume();
    // Closes the temporary file and renames it onto the target.
    bool Commit();
    void Abandon();

  private:
    File file_;
    std::string target_;
    std::string tempPath_;
};

} // namespace ww
