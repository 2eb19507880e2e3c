#include "common/folder_reference.h"

#include "common/package_format.h"
#include "common/path.h"

namespace ww {

namespace {

bool IsSlash(char c) {
    return c == '\\' || c == '/';
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// What the text is as a whole, before its names are looked at.
ReferenceFault ShapeFault(const std::string& text) {
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            return ReferenceFault::NotFileNames;
    }
    // "\x", "\\server\share", "\\?\C:\x", "\\.\pipe\x" and "/x" all start
    // at a root of their own.
    if (!text.empty() && IsSlash(text[0]))
        return ReferenceFault::Outside;
    const size_t colon = text.find(':');
    if (colon == 1 && IsAsciiLetter(text[0]))
        return ReferenceFault::Outside; // "C:\x" and "C:x" alike
    if (colon != std::string::npos)
        return ReferenceFault::NotFileNames; // "http:", "file:", "wave.swf:stream"
    return ReferenceFault::None;
}

// Walks the names of text onto names: "." stays, ".." goes back one, and
// going back past the start is leaving the folder. Every name is checked,
// those that a later ".." undoes too.
ReferenceFault Walk(const std::string& text, std::vector<std::string>* names) {
    const ReferenceFault shape = ShapeFault(text);
    if (shape != ReferenceFault::None)
        return shape;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = at;
        while (end < text.size() && !IsSlash(text[end]))
            ++end;
        const std::string name = text.substr(at, end - at);
        at = end + 1;
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            if (names->empty())
                return ReferenceFault::Outside;
            names->pop_back();
            continue;
        }
        if (IsDeviceName(name))
            return ReferenceFault::Device;
        if (!IsSafeStoredName(name))
            return ReferenceFault::NotFileNames;
        names->push_back(name);
    }
    return ReferenceFault::None;
}

// A reference whose last name is empty, "." or ".." ends at a folder.
bool EndsAtFolder(const std::string& text) {
    const size_t cut = text.find_last_of("\\/");
    const std::string last = cut == std::string::npos ? text : text.substr(cut + 1);
    return last.empty() || last == "." || last == "..";
}

} // namespace

ReferenceFault ReferenceNames(const std::string& reference, std::vector<std::string>* names) {
    names->clear();
    const ReferenceFault fault = Walk(reference, names);
    if (fault != ReferenceFault::None)
        return fault;
    return names->empty() || EndsAtFolder(reference) ? ReferenceFault::NoFile
                                                     : ReferenceFault::None;
}

ReferenceFault ResolveInsideFolder(const std::string& folder, const std::string& reference,
                                   std::string* path, const std::string& from) {
    path->clear();
    std::vector<std::string> names;
    // The referring file's own folder is ours to give, but it is checked all
    // the same: it decides how far ".." may climb.
    ReferenceFault fault = Walk(from, &names);
    if (fault == ReferenceFault::None)
        fault = Walk(reference, &names);
    if (fault == ReferenceFault::None && (names.empty() || EndsAtFolder(reference)))
        fault = ReferenceFault::NoFile;
    if (fault != ReferenceFault::None)
        return fault;
    std::string relative;
    for (const std::string& name : names)
        relative += (relative.empty() ? "" : std::string(1, kPathSeparator)) + name;
    *path = JoinPath(folder, relative);
    return ReferenceFault::None;
}

std::string ReferenceFaultText(ReferenceFault fault, const std::string& place) {
    switch (fault) {
    case ReferenceFault::None:
        break;
    case ReferenceFault::Outside:
        return "is outside " + place;
    case ReferenceFault::Device:
        return "names a device, not a file in " + place;
    case ReferenceFault::NotFileNames:
        return "is not a plain file name in " + place;
    case ReferenceFault::NoFile:
        return "names no file in " + place;
    }
    return std::string();
}

} // namespace ww
