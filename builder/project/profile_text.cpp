// Our own profile body: a profile read line by line through a fixed buffer,
// the way the system's functions read it, and written by copying the file
// through a temporary one with the changed and added lines in place.
#include "builder/project/profile.h"

#include "common/file.h"
#include "common/fs.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <unordered_map>
#include <vector>

namespace ww {

namespace {

// Longest section or key name kept; a longer one matches none we look for.
constexpr size_t kNameKeep = 256;
// A value's first characters kept: an opening quote and kProfileValueLimit more.
constexpr size_t kValueKeep = kProfileValueLimit + 1;

bool IsProfileBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n' || c == '\x1a';
}

std::string TrimBlanks(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsProfileBlank(text[begin]))
        ++begin;
    while (end > begin && IsProfileBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// Text fed one character at a time, kept trimmed: leading blanks skipped,
// the first `keep` characters stored, the length up to the last non-blank
// character and that character counted.
class TrimmedText {
  public:
    explicit TrimmedText(size_t keep) : keep_(keep) {}

    void Add(char c) {
        if (!started_) {
            if (IsProfileBlank(c))
                return;
            started_ = true;
        }
        if (head_.size() < keep_)
            head_.push_back(c);
        ++count_;
        if (!IsProfileBlank(c)) {
            length_ = count_;
            last_ = c;
        }
    }
    void AddBlock(const char* p, size_t n) {
        size_t i = 0;
        if (!started_) {
            while (i < n && IsProfileBlank(p[i]))
                ++i;
            if (i == n)
                return;
            started_ = true;
        }
        const size_t room = head_.size() < keep_ ? keep_ - head_.size() : 0;
        head_.append(p + i, std::min(room, n - i));
        size_t j = n;
        while (j > i && IsProfileBlank(p[j - 1]))
            --j;
        if (j > i) {
            length_ = count_ + static_cast<int64_t>(j - i);
            last_ = p[j - 1];
        }
        count_ += static_cast<int64_t>(n - i);
    }
    int64_t length() const { return length_; }
    char last() const { return last_; }
    const std::string& head() const { return head_; }
    // The first n characters, when they were all kept.
    bool Prefix(int64_t n, std::string* out) const {
        if (n > static_cast<int64_t>(head_.size()))
            return false;
        out->assign(head_, 0, static_cast<size_t>(n));
        return true;
    }

  private:
    size_t keep_;
    bool started_ = false;
    std::string head_;
    int64_t count_ = 0;
    int64_t length_ = 0;
    char last_ = 0;
};

// One line of a profile, as far as finding, reading and replacing keys needs.
struct ProfileLine {
    enum class Kind { Blank, Section, Key };
    Kind kind = Kind::Blank;
    int64_t start = 0; // first byte of the line
    int64_t end = 0;   // past its line break
    std::string name;  // trimmed section or key name
    bool nameTooLong = false;
    bool hasValue = false; // a key line with '='
    std::string valueHead; // the trimmed value's first kValueKeep characters
    int64_t valueLength = 0;
    char valueLast = 0;
};

// Splits one line while it is read: a section header ("[" first, a "]"
// somewhere after it; the name runs to the last one), or a key with its value
// after the first '='.
class LineParser {
  public:
    void Feed(char c) {
        if (!started_) {
            if (IsProfileBlank(c))
                return;
            started_ = true;
            bracket_ = c == '[';
            if (bracket_) {
                keyName_.Add(c);
                return;
            }
        }
        if (bracket_) {
            if (c == ']') {
                closed_ = true;
                sectionNameLength_ = section_.length();
            }
            section_.Add(c);
        }
        if (seenEquals_)
            value_.Add(c);
        else if (c == '=')
            seenEquals_ = true;
        else
            keyName_.Add(c);
    }

    // The same as Feed for each of n characters: the value, which may be
    // long, is taken whole.
    void FeedBlock(const char* p, size_t n) {
        size_t i = 0;
        while (i < n && (bracket_ || !seenEquals_))
            Feed(p[i++]);
        if (i < n)
            value_.AddBlock(p + i, n - i);
    }

    void Finish(ProfileLine* line) const {
        if (!started_) {
            line->kind = ProfileLine::Kind::Blank;
            return;
        }
        if (bracket_ && closed_) {
            line->kind = ProfileLine::Kind::Section;
            line->nameTooLong = !section_.Prefix(sectionNameLength_, &line->name);
            return;
        }
        line->kind = ProfileLine::Kind::Key;
        line->nameTooLong = !keyName_.Prefix(keyName_.length(), &line->name);
        line->hasValue = seenEquals_;
        line->valueHead = value_.head();
        line->valueLength = value_.length();
        line->valueLast = value_.last();
    }

  private:
    bool started_ = false;
    bool bracket_ = false;
    bool closed_ = false;
    bool seenEquals_ = false;
    int64_t sectionNameLength_ = 0;
    TrimmedText section_{kNameKeep};
    TrimmedText keyName_{kNameKeep};
    TrimmedText value_{kValueKeep};
};

// A profile file opened for scanning.
class ProfileFile {
  public:
    enum class State { Missing, Unreadable, Utf16, Ready };

    explicit ProfileFile(const std::string& path) : buffer_(kCopyBlockSize) {
        if (IsExistingFolder(path)) {
            state_ = State::Unreadable;
            return;
        }
        errno = 0;
        if (!file_.Open(path, "rb")) {
            state_ = errno == ENOENT ? State::Missing : State::Unreadable;
            return;
        }
        size_ = file_.Size();
        if (size_ < 0 || !Inspect())
            state_ = State::Unreadable;
    }

    State state() const { return state_; }
    File& file() { return file_; }
    int64_t size() const { return size_; }
    // The last byte ends a line (or the file is empty of lines).
    bool EndsInLineBreak() const {
        return size_ == dataStart_ || lastByte_ == '\n' || lastByte_ == '\r';
    }
    int64_t dataStart() const { return dataStart_; }
    // A read stopped short of the size the file had when opened.
    bool failed() const { return failed_; }

    bool Rewind() {
        if (!file_.Seek(dataStart_, SEEK_SET))
            return false;
        offset_ = dataStart_;
        have_ = used_ = 0;
        failed_ = false;
        return true;
    }

    // The next line, false at the end of the file.
    bool Next(ProfileLine* line) {
        if (failed_ || offset_ >= size_)
            return false;
        *line = ProfileLine();
        line->start = offset_;
        LineParser parser;
        // The line's bytes go to the parser a buffer's stretch at a time.
        while (Fill()) {
            const char* begin = buffer_.data() + used_;
            const char* end = buffer_.data() + have_;
            const char* stop = begin;
            while (stop < end && *stop != '\n' && *stop != '\r')
                ++stop;
            parser.FeedBlock(begin, static_cast<size_t>(stop - begin));
            used_ += static_cast<size_t>(stop - begin);
            offset_ += stop - begin;
            if (stop == end)
                continue;
            // CR, LF and CR LF each end a line, as they do for the system.
            if (Get() == '\r' && Peek() == '\n')
                Get();
            break;
        }
        line->end = offset_;
        parser.Finish(line);
        return true;
    }

  private:
    bool Fill() {
        if (used_ < have_)
            return true;
        have_ = file_.Read(buffer_.data(), buffer_.size());
        used_ = 0;
        // A read error, or a file cut short while it is read.
        if (have_ == 0 || offset_ >= size_) {
            failed_ = offset_ < size_;
            have_ = 0;
            return false;
        }
        return true;
    }
    int Get() {
        if (!Fill())
            return -1;
        ++offset_;
        return static_cast<unsigned char>(buffer_[used_++]);
    }
    int Peek() { return Fill() ? static_cast<unsigned char>(buffer_[used_]) : -1; }

    // Byte order mark and last byte.
    bool Inspect() {
        unsigned char mark[3] = {0, 0, 0};
        const size_t got = file_.Read(mark, size_ < 3 ? static_cast<size_t>(size_) : 3);
        if ((got >= 2 && mark[0] == 0xFF && mark[1] == 0xFE) ||
            (got >= 2 && mark[0] == 0xFE && mark[1] == 0xFF)) {
            state_ = State::Utf16;
            return true;
        }
        state_ = State::Ready;
        if (got == 3 && mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF)
            dataStart_ = 3;
        if (size_ > dataStart_ &&
            (!file_.Seek(size_ - 1, SEEK_SET) || !file_.ReadExact(&lastByte_, 1)))
            return false;
        return Rewind();
    }

    File file_;
    State state_ = State::Missing;
    int64_t size_ = 0;
    int64_t dataStart_ = 0;
    char lastByte_ = 0;
    std::vector<char> buffer_;
    size_t have_ = 0, used_ = 0;
    int64_t offset_ = 0;
    bool failed_ = false;
};

// Walks the lines of the first section of a name; keys before any header
// belong to the section without a name.
class SectionWalk {
  public:
    SectionWalk(ProfileFile& file, const std::string& section)
        : file_(file), section_(TrimBlanks(section)), inSection_(section_.empty()),
          found_(inSection_), headerEnd_(file.dataStart()) {}

    // The next line of the section (blank ones too); false after its last.
    bool Next(ProfileLine* line) {
        while (file_.Next(line)) {
            if (line->kind != ProfileLine::Kind::Section) {
                if (inSection_)
                    return true;
                continue;
            }
            if (inSection_)
                break;
            if (!line->nameTooLong && EqualsNoCaseAscii(line->name, section_)) {
                inSection_ = found_ = true;
                headerEnd_ = line->end;
            }
        }
        inSection_ = false;
        return false;
    }
    bool found() const { return found_; }
    int64_t headerEnd() const { return headerEnd_; }

    static bool EqualsNoCaseAscii(const std::string& a, const std::string& b) {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i) {
            char x = a[i], y = b[i];
            if (x >= 'A' && x <= 'Z')
                x = static_cast<char>(x - 'A' + 'a');
            if (y >= 'A' && y <= 'Z')
                y = static_cast<char>(y - 'A' + 'a');
            if (x != y)
                return false;
        }
        return true;
    }

  private:
    ProfileFile& file_;
    std::string section_;
    bool inSection_;
    bool found_;
    int64_t headerEnd_;
};

// Key names compare without regard to ASCII case: the index holds them
// lowered, each with the positions that asked for it.
using KeyIndex = std::unordered_map<std::string, std::vector<size_t>>;

std::string KeyIndexName(const std::string& name) {
    std::string lowered = name;
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lowered;
}

std::string ValueAsRead(const std::string& stored, int64_t length, char last) {
    // A caller's C string ends at a NUL, and saving writes no more than
    // that: the value is what stands before it, less the blanks the cut
    // leaves, so what is read is what saving it again would store.
    std::string head = stored;
    size_t nul = head.find('\0');
    if (nul != std::string::npos && static_cast<int64_t>(nul) < length) {
        head.resize(nul);
        head.erase(head.find_last_not_of(" \t\v\f\x1a") + 1);
        length = static_cast<int64_t>(head.size());
        if (length == 0)
            return std::string();
        last = head.back();
    }
    const bool quoted = length >= 2 && (head[0] == '"' || head[0] == '\'') && last == head[0];
    const size_t skip = quoted ? 1 : 0;
    const int64_t rest = length - static_cast<int64_t>(skip);
    const int64_t take = std::min<int64_t>(rest, static_cast<int64_t>(kProfileValueLimit));
    std::string value = head.substr(skip, static_cast<size_t>(take));
    if (quoted && rest <= static_cast<int64_t>(kProfileValueLimit) + 1)
        value.pop_back();
    return value;
}

// A key's new value as it was stored already: nothing to rewrite.
bool SameStoredValue(const ProfileLine& line, const std::string& value) {
    return line.hasValue && line.valueLength <= static_cast<int64_t>(line.valueHead.size()) &&
           line.valueHead.compare(0, static_cast<size_t>(line.valueLength), value) == 0 &&
           value.size() == static_cast<size_t>(line.valueLength);
}

struct PendingKey {
    std::string key;
    std::string value;
    bool done = false;
};

// The entries as a sequence of single writes leaves them: names trimmed, a
// repeated key written once, where it first came, with its last value;
// values on one line without leading blanks, as the system stores them.
std::vector<PendingKey> PendingKeys(const ProfileEntries& entries) {
    std::vector<PendingKey> keys;
    std::unordered_map<std::string, size_t> where;
    for (const auto& [rawKey, rawValue] : entries) {
        std::string value = ProfileLineValue(rawValue);
        value.erase(0, std::min(value.size(), value.find_first_not_of(" \t\v\f\x1a")));
        const std::string key = TrimBlanks(rawKey);
        auto [at, added] = where.emplace(KeyIndexName(key), keys.size());
        if (added)
            keys.push_back({key, value});
        else
            keys[at->second].value = value;
    }
    return keys;
}

// A change to the file: bytes [from, to) replaced by text.
struct Edit {
    int64_t from;
    int64_t to;
    std::string text;
};

bool WriteText(File& out, const std::string& text) {
    return out.Write(text.data(), text.size());
}

// Copies the file through a temporary one with the edits applied, then
// renames it into place; any failure leaves the file as it was.
bool RewriteWithEdits(const std::string& path, ProfileFile& in, std::vector<Edit> edits) {
    std::stable_sort(edits.begin(), edits.end(),
                     [](const Edit& a, const Edit& b) { return a.from < b.from; });
    AtomicOutput out;
    if (!out.Begin(path))
        return false;
    int64_t at = 0;
    if (in.state() == ProfileFile::State::Ready && !in.file().Seek(0, SEEK_SET))
        return false;
    for (const Edit& edit : edits) {
        if (!CopyBytes(in.file(), out.file(), static_cast<uint64_t>(edit.from - at)) ||
            !WriteText(out.file(), edit.text))
            return false;
        if (edit.to != edit.from && !in.file().Seek(edit.to, SEEK_SET))
            return false;
        at = edit.to;
    }
    if (in.state() == ProfileFile::State::Ready &&
        !CopyBytes(in.file(), out.file(), static_cast<uint64_t>(in.size() - at)))
        return false;
    // Windows renames nothing over a file that is still open.
    in.file().Close();
    return out.Commit();
}

std::string EntryLines(const std::vector<PendingKey>& keys) {
    std::string text;
    for (const PendingKey& k : keys) {
        if (!k.done)
            text += k.key + "=" + k.value + "\r\n";
    }
    return text;
}

} // namespace

int32_t ProfileNumber(const std::string& value) {
    int64_t number = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            break;
        number = number * 10 + (c - '0');
        if (number > INT32_MAX)
            return INT32_MAX;
    }
    return static_cast<int32_t>(number);
}

std::string ProfileValueAsRead(const std::string& stored) {
    const std::string value = TrimBlanks(stored);
    return value.empty() ? value
                         : ValueAsRead(value, static_cast<int64_t>(value.size()), value.back());
}

std::string ProfileLineValue(const std::string& value) {
    std::string line = value.substr(0, value.find('\0'));
    std::replace(line.begin(), line.end(), '\r', ' ');
    std::replace(line.begin(), line.end(), '\n', ' ');
    return line;
}

std::vector<std::string> TextProfileReadStrings(const std::string& path, const std::string& section,
                                                const std::vector<std::string>& keys) {
    std::vector<std::string> values(keys.size());
    ProfileFile file(path);
    if (file.state() != ProfileFile::State::Ready)
        return values;
    // Each line is looked up once, whatever the number of keys asked for.
    KeyIndex wanted;
    for (size_t i = 0; i < keys.size(); ++i)
        wanted[KeyIndexName(TrimBlanks(keys[i]))].push_back(i);
    SectionWalk walk(file, section);
    ProfileLine line;
    while (!wanted.empty() && walk.Next(&line)) {
        if (line.kind != ProfileLine::Kind::Key || line.nameTooLong)
            continue;
        auto found = wanted.find(KeyIndexName(line.name));
        if (found == wanted.end())
            continue;
        // A key line without '=' holds no value; it still hides later ones.
        if (line.hasValue) {
            const std::string value = ValueAsRead(line.valueHead, line.valueLength, line.valueLast);
            for (size_t i : found->second)
                values[i] = value;
        }
        wanted.erase(found);
    }
    return values;
}

std::string TextProfileReadString(const std::string& path, const std::string& section,
                                  const std::string& key) {
    return TextProfileReadStrings(path, section, {key}).front();
}

bool TextProfileWriteStrings(const std::string& path, const std::string& section,
                             const ProfileEntries& entries) {
    if (entries.empty())
        return true;
    ProfileFile file(path);
    if (file.state() == ProfileFile::State::Unreadable || file.state() == ProfileFile::State::Utf16)
        return false;
    std::vector<PendingKey> keys = PendingKeys(entries);
    std::vector<Edit> edits;
    const std::string sectionName = TrimBlanks(section);
    if (file.state() == ProfileFile::State::Missing)
        return RewriteWithEdits(path, file,
                                {{0, 0, "[" + sectionName + "]\r\n" + EntryLines(keys)}});

    SectionWalk walk(file, sectionName);
    ProfileLine line;
    int64_t lastLineEnd = -1; // after the section's last line that is not blank
    std::unordered_map<std::string, size_t> pending;
    for (size_t i = 0; i < keys.size(); ++i)
        pending.emplace(KeyIndexName(keys[i].key), i);
    while (walk.Next(&line)) {
        if (line.kind == ProfileLine::Kind::Blank)
            continue;
        lastLineEnd = line.end;
        if (line.kind != ProfileLine::Kind::Key || line.nameTooLong)
            continue;
        auto found = pending.find(KeyIndexName(line.name));
        if (found == pending.end())
            continue;
        PendingKey& k = keys[found->second];
        pending.erase(found);
        k.done = true;
        if (!SameStoredValue(line, k.value))
            edits.push_back({line.start, line.end, line.name + "=" + k.value + "\r\n"});
    }
    if (file.failed())
        return false;
    const std::string added = EntryLines(keys);
    if (!added.empty()) {
        if (walk.found()) {
            const int64_t at = lastLineEnd >= 0 ? lastLineEnd : walk.headerEnd();
            const bool needsBreak = at == file.size() && !file.EndsInLineBreak();
            edits.push_back({at, at, (needsBreak ? "\r\n" : "") + added});
        } else {
            const std::string header = "[" + sectionName + "]\r\n";
            edits.push_back({file.size(), file.size(),
                             (file.EndsInLineBreak() ? "" : "\r\n") + header + added});
        }
    }
    if (edits.empty())
        return true;
    return RewriteWithEdits(path, file, edits);
}

bool TextProfileWriteString(const std::string& path, const std::string& section,
                            const std::string& key, const std::string& value) {
    return TextProfileWriteStrings(path, section, {{key, value}});
}

} // namespace ww
