#include "common/package_format.h"

#include "common/path.h"

namespace ww {

void PackageEntry::Write(ByteWriter& w) const {
    w.U32(size);
    w.FixedString(name, kNameFieldSize);
}

PackageEntry PackageEntry::Read(ByteReader& r) {
    PackageEntry e;
    e.size = r.U32();
    e.name = r.FixedString(kNameFieldSize);
    return e;
}

void FileSlot::Write(ByteWriter& w) const {
    w.FixedString(name, kNameFieldSize);
    w.U32(size);
}

FileSlot FileSlot::Read(ByteReader& r) {
    FileSlot s;
    s.name = r.FixedString(kNameFieldSize);
    s.size = r.U32();
    return s;
}

void SetupTrailer::Write(uint8_t* out) const {
    ByteWriter w(out, kSetupTrailerSize);
    for (const FileSlot& s : slots)
        s.Write(w);
    w.I32(extraCount);
    w.FixedString(wallpaperName, kNameFieldSize);
    w.FixedString(publisherName, kNameFieldSize);
    w.FixedString(publisherUrl, kNameFieldSize);
    w.FixedString(copyright, kNameFieldSize);
    w.Zeros(kNameFieldSize);
}

SetupTrailer SetupTrailer::Read(const uint8_t* in) {
    ByteReader r(in, kSetupTrailerSize);
    SetupTrailer t;
    for (FileSlot& s : t.slots)
        s = FileSlot::Read(r);
    t.extraCount = r.I32();
    t.wallpaperName = r.FixedString(kNameFieldSize);
    t.publisherName = r.FixedString(kNameFieldSize);
    t.publisherUrl = r.FixedString(kNameFieldSize);
    t.copyright = r.FixedString(kNameFieldSize);
    return t;
}

void SimpleHeader::Write(uint8_t* out) const {
    ByteWriter w(out, kSimpleHeaderSize);
    page.Write(w);
    movie.Write(w);
    image.Write(w);
    w.FixedString(wallpaperName, kNameFieldSize);
}

SimpleHeader SimpleHeader::Read(const uint8_t* in) {
    ByteReader r(in, kSimpleHeaderSize);
    SimpleHeader h;
    h.page = PackageEntry::Read(r);
    h.movie = PackageEntry::Read(r);
    h.image = PackageEntry::Read(r);
    h.wallpaperName = r.FixedString(kNameFieldSize);
    return h;
}

std::string StripToFileName(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos || cut + 1 == path.size())
        return path;
    return path.substr(cut + 1);
}

bool IsSafeStoredName(const std::string& name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '\\' || c == '/' || c == ':' || u < 0x20 || u == 0x7F)
            return false;
    }
    // Device names are devices whatever their extension ("NUL.txt") and
    // whatever trailing blanks or dots follow them.
    std::string stem = ToLowerAscii(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (const char* device : {"con", "prn", "aux", "nul", "conin$", "conout$"}) {
        if (stem == device)
            return false;
    }
    if (stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) &&
        stem[3] >= '0' && stem[3] <= '9')
        return false;
    return true;
}

} // namespace ww
