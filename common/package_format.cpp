#include "common/package_format.h"

#include "common/path.h"

namespace ww {

void PackageEntry::Write(ByteWriter& w) const {
    w.U32(size);
    w.FixedString(name, kStringFieldSize);
}

PackageEntry PackageEntry::Read(ByteReader& r) {
    PackageEntry e;
    e.size = r.U32();
    e.name = r.FixedString(kStringFieldSize);
    return e;
}

void FileSlot::Write(ByteWriter& w) const {
    w.FixedString(name, kStringFieldSize);
    w.U32(size);
}

FileSlot FileSlot::Read(ByteReader& r) {
    FileSlot s;
    s.name = r.FixedString(kStringFieldSize);
    s.size = r.U32();
    return s;
}

void SetupTrailer::Write(uint8_t* out) const {
    ByteWriter w(out, kSetupTrailerSize);
    for (const FileSlot& s : slots)
        s.Write(w);
    w.I32(extraCount);
    w.FixedString(wallpaperName, kStringFieldSize);
    w.FixedString(publisherName, kStringFieldSize);
    w.FixedString(publisherUrl, kStringFieldSize);
    w.FixedString(copyright, kStringFieldSize);
    w.Zeros(kStringFieldSize);
}

SetupTrailer SetupTrailer::Read(const uint8_t* in) {
    ByteReader r(in, kSetupTrailerSize);
    SetupTrailer t;
    for (FileSlot& s : t.slots)
        s = FileSlot::Read(r);
    t.extraCount = r.I32();
    t.wallpaperName = r.FixedString(kStringFieldSize);
    t.publisherName = r.FixedString(kStringFieldSize);
    t.publisherUrl = r.FixedString(kStringFieldSize);
    t.copyright = r.FixedString(kStringFieldSize);
    return t;
}

void SimpleHeader::Write(uint8_t* out) const {
    ByteWriter w(out, kSimpleHeaderSize);
    page.Write(w);
    movie.Write(w);
    image.Write(w);
    w.FixedString(wallpaperName, kStringFieldSize);
}

SimpleHeader SimpleHeader::Read(const uint8_t* in) {
    ByteReader r(in, kSimpleHeaderSize);
    SimpleHeader h;
    h.page = PackageEntry::Read(r);
    h.movie = PackageEntry::Read(r);
    h.image = PackageEntry::Read(r);
    h.wallpaperName = r.FixedString(kStringFieldSize);
    return h;
}

std::string StripToFileName(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos || cut + 1 == path.size())
        return path;
    return path.substr(cut + 1);
}

namespace {

bool IsDeviceStem(const std::string& stem) {
    for (const char* device : {"con", "prn", "aux", "nul", "conin$", "conout$", "clock$"}) {
        if (stem == device)
            return true;
    }
    if (stem.compare(0, 3, "com") != 0 && stem.compare(0, 3, "lpt") != 0)
        return false;
    const std::string number = stem.substr(3);
    if (number.size() == 1 && number[0] >= '0' && number[0] <= '9')
        return true;
    // Superscript one, two and three, in the Windows code page and in UTF-8.
    for (const char* superscript : {"\xB9", "\xB2", "\xB3", "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"}) {
        if (number == superscript)
            return true;
    }
    return false;
}

// At most eight characters, a dot and three more, with a tilde among them.
bool LooksLikeShortName(const std::string& name) {
    if (name.find('~') == std::string::npos)
        return false;
    const size_t dot = name.rfind('.');
    const size_t stem = dot == std::string::npos ? name.size() : dot;
    const size_t ending = dot == std::string::npos ? 0 : name.size() - dot - 1;
    return stem <= 8 && ending <= 3;
}

} // namespace

bool HasCharacterWindowsRefuses(const std::string& name) {
    return name.find_first_of("*?<>|\"") != std::string::npos;
}

bool IsSafeStoredNameShape(const std::string& name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '\\' || c == '/' || c == ':')
            return false;
    }
    if (name.back() == '.' || name.back() == ' ')
        return false;
    return !IsDeviceName(name) && !LooksLikeShortName(name);
}

bool IsDeviceName(const std::string& name) {
    // Devices whatever their extension ("NUL.txt") and whatever trailing
    // blanks or dots follow them.
    std::string stem = ToLowerAscii(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    return IsDeviceStem(stem);
}

bool IsSafeStoredName(const std::string& name) {
    return IsSafeStoredNameShape(name) && !HasCharacterWindowsRefuses(name);
}

std::string NameFoldKey(const std::string& name) {
    std::string key = ToLowerAscii(name);
    for (char& c : key) {
        if (static_cast<unsigned char>(c) >= 0x80)
            c = '\x80';
    }
    return key;
}

} // namespace ww
