#include "builder/project/profile.h"

#include "common/file.h"
#include "common/path.h"

#include <vector>

namespace ww {

std::string ProfileTrimBlanks(const std::string& s);

namespace {

// Profiles larger than this are not project files; reading them is refused.
constexpr int64_t kMaxProfileSize = 16 * 1024 * 1024;

bool ReadLines(const std::string& path, std::vector<std::string>* lines) {
    File f(path, "rb");
    int64_t size = f.Size();
    if (size < 0 || size > kMaxProfileSize)
        return false;
    std::string text(static_cast<size_t>(size), '\0');
    if (size > 0 && !f.ReadExact(&text[0], text.size()))
        return false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? end : end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines->push_back(line);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return true;
}

// "[name]" gives name; anything else is no section header.
bool SectionName(const std::string& line, std::string* name) {
    std::string t = ProfileTrimBlanks(line);
    if (t.size() < 2 || t[0] != '[')
        return false;
    size_t close = t.find(']');
    if (close == std::string::npos)
        return false;
    *name = ProfileTrimBlanks(t.substr(1, close - 1));
    return true;
}

// "key = value" gives key and the raw value.
bool KeyValue(const std::string& line, std::string* key, std::string* value) {
    size_t eq = line.find('=');
    if (eq == std::string::npos)
        return false;
    *key = ProfileTrimBlanks(line.substr(0, eq));
    *value = line.substr(eq + 1);
    return !key->empty();
}

} // namespace

std::string ProfileTrimBlanks(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return std::string();
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

std::string ProfileValueAsRead(const std::string& raw) {
    std::string v = ProfileTrimBlanks(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    if (v.size() > kProfileValueLimit)
        v.resize(kProfileValueLimit);
    return v;
}

int32_t ProfileNumber(const std::string& value) {
    std::string v = ProfileTrimBlanks(value);
    int64_t n = 0;
    for (char c : v) {
        if (c < '0' || c > '9')
            break;
        n = n * 10 + (c - '0');
        if (n > INT32_MAX)
            return INT32_MAX;
    }
    return static_cast<int32_t>(n);
}

std::string TextProfileReadString(const std::string& path, const std::string& section,
                                  const std::string& key) {
    std::vector<std::string> lines;
    if (!ReadLines(path, &lines))
        return std::string();
    bool inSection = false;
    for (const std::string& line : lines) {
        std::string name, k, v;
        if (SectionName(line, &name)) {
            inSection = EqualsNoCase(name, section);
        } else if (inSection && KeyValue(line, &k, &v) && EqualsNoCase(k, key)) {
            return ProfileValueAsRead(v);
        }
    }
    return std::string();
}

bool TextProfileWriteString(const std::string& path, const std::string& section,
                            const std::string& key, const std::string& value) {
    std::vector<std::string> lines;
    File probe(path, "rb");
    if (probe.IsOpen()) {
        probe.Close();
        if (!ReadLines(path, &lines))
            return false;
    }
    const std::string entry = key + "=" + value;
    bool inSection = false, done = false;
    size_t sectionEnd = std::string::npos; // after the section's last key line
    for (size_t i = 0; i < lines.size() && !done; ++i) {
        std::string name, k, v;
        if (SectionName(lines[i], &name)) {
            if (inSection)
                break;
            inSection = EqualsNoCase(name, section);
            if (inSection)
                sectionEnd = i + 1;
        } else if (inSection && KeyValue(lines[i], &k, &v)) {
            if (EqualsNoCase(k, key)) {
                lines[i] = entry;
                done = true;
            }
            sectionEnd = i + 1;
        }
    }
    if (!done) {
        if (sectionEnd != std::string::npos) {
            lines.insert(lines.begin() + static_cast<long>(sectionEnd), entry);
        } else {
            if (!lines.empty() && lines.back().empty())
                lines.pop_back();
            lines.push_back("[" + section + "]");
            lines.push_back(entry);
        }
    } else if (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
    AtomicOutput out;
    if (!out.Begin(path))
        return false;
    for (const std::string& line : lines) {
        if (!out.file().Write(line.data(), line.size()) || !out.file().Write("\r\n", 2))
            return false;
    }
    return out.Commit();
}

} // namespace ww
