// The system's resource-update functions do the rewriting here, on a copy
// beside the executable that replaces it only when every call succeeded.
#include "builder/package/icon_replace.h"

#include "builder/package/ico_file.h"
#include "builder/package/pe_resources.h"
#include "common/file.h"

#include <windows.h>

#include <vector>

namespace ww {

namespace {

// An icon group resource as found in the executable, already patched.
struct IconGroup {
    std::string name; // when not an integer id
    WORD id = 0;
    WORD language = 0;
    std::vector<uint8_t> data;

    LPCSTR Name() const { return name.empty() ? MAKEINTRESOURCEA(id) : name.c_str(); }
};

struct GroupSearch {
    const IconImage* image;
    std::vector<IconGroup>* groups;
    IconGroup current;
};

BOOL CALLBACK OnGroupLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language,
                              LONG_PTR param) {
    GroupSearch& search = *reinterpret_cast<GroupSearch*>(param);
    HRSRC found = FindResourceExA(module, type, name, language);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const uint8_t* bytes = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    if (!bytes)
        return TRUE;
    IconGroup group = search.current;
    group.language = language;
    group.data.assign(bytes, bytes + SizeofResource(module, found));
    if (PatchIconGroup(&group.data, kReplacedIconId, *search.image) > 0)
        search.groups->push_back(std::move(group));
    return TRUE;
}

BOOL CALLBACK OnGroupName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param) {
    GroupSearch& search = *reinterpret_cast<GroupSearch*>(param);
    search.current = IconGroup();
    if (IS_INTRESOURCE(name))
        search.current.id = LOWORD(reinterpret_cast<ULONG_PTR>(name));
    else
        search.current.name = name;
    EnumResourceLanguagesA(module, type, name, OnGroupLanguage, param);
    return TRUE;
}

// The executable's icon groups that refer to the replaced icon, patched to
// describe image; false when the file does not load as an image.
bool CollectIconGroups(const std::string& exe, const IconImage& image,
                       std::vector<IconGroup>* groups) {
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return false;
    GroupSearch search{&image, groups, IconGroup()};
    EnumResourceNamesA(module, MAKEINTRESOURCEA(kResourceTypeGroupIcon), OnGroupName,
                       reinterpret_cast<LONG_PTR>(&search));
    FreeLibrary(module);
    return true;
}

bool UpdateIcon(const std::string& exe, const IconImage& image,
                const std::vector<IconGroup>& groups) {
    HANDLE update = BeginUpdateResourceA(exe.c_str(), FALSE);
    if (!update)
        return false;
    bool ok = UpdateResourceA(update, MAKEINTRESOURCEA(kResourceTypeIcon),
                              MAKEINTRESOURCEA(kReplacedIconId), kReplacedIconLanguage,
                              const_cast<uint8_t*>(image.bytes.data()),
                              static_cast<DWORD>(image.bytes.size())) != 0;
    for (const IconGroup& g : groups)
        ok = ok && UpdateResourceA(update, MAKEINTRESOURCEA(kResourceTypeGroupIcon), g.Name(),
                                   g.language, const_cast<uint8_t*>(g.data.data()),
                                   static_cast<DWORD>(g.data.size())) != 0;
    return EndUpdateResourceA(update, ok ? FALSE : TRUE) != 0 && ok;
}

} // namespace

// The system's functions take malformed images that our reader refuses (and
// some crash on them), so our reader checks the executable first. They are
// given the image alone: what followed it is put back behind the new image by
// our writer, which also moves the offsets into it and sets the checksum, as
// the system's functions do not.
int ReplaceExecutableIcon(const std::string& exe, const std::string& icon, int imageIndex) {
    IconImage image;
    std::vector<IconGroup> groups;
    PeOverlay overlay;
    {
        PeResourceEditor original;
        if (!ReadIconImage(icon, imageIndex, &image) || !original.Open(exe))
            return 0;
        overlay = original.overlay();
    }
    if (!CollectIconGroups(exe, image, &groups))
        return 0;

    AtomicOutput updated;
    {
        File in(exe, "rb");
        if (!in.IsOpen() || !updated.Begin(exe) || !CopyBytes(in, updated.file(), overlay.at) ||
            !updated.Suspend())
            return 0;
    }
    if (!UpdateIcon(updated.temporaryPath(), image, groups))
        return 0;

    AtomicOutput out;
    {
        PeResourceEditor result;
        if (!result.Open(updated.temporaryPath()) || !out.Begin(exe) ||
            !result.WriteImageWithOverlay(out.file(), exe, overlay))
            return 0;
    }
    return out.Commit() ? 1 : 0;
}

} // namespace ww
