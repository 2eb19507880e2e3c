#include "builder/package/icon_replace.h"

#include "builder/package/ico_file.h"
#include "builder/package/pe_resources.h"
#include "common/file.h"

namespace ww {

namespace {

void PatchGroups(ResourceTree& tree, const IconImage& image) {
    for (ResourceType& type : tree.types) {
        if (!type.key.Matches(kResourceTypeGroupIcon))
            continue;
        for (ResourceName& name : type.names)
            for (ResourceLanguage& language : name.languages)
                PatchIconGroup(&language.data, kReplacedIconId, image);
    }
}

} // namespace

int ReplaceExecutableIconPortable(const std::string& exe, const std::string& icon, int imageIndex) {
    IconImage image;
    if (!ReadIconImage(icon, imageIndex, &image))
        return 0;
    AtomicOutput out;
    {
        PeResourceEditor editor;
        if (!editor.Open(exe))
            return 0;
        PatchGroups(editor.resources(), image);
        editor.resources().Set(kResourceTypeIcon, kReplacedIconId, kReplacedIconLanguage,
                               std::move(image.bytes));
        if (!out.Begin(exe) || !editor.WriteTo(out.file()))
            return 0;
    } // the executable is closed before the new file replaces it
    return out.Commit() ? 1 : 0;
}

#ifndef _WIN32
int ReplaceExecutableIcon(const std::string& exe, const std::string& icon, int imageIndex) {
    return ReplaceExecutableIconPortable(exe, icon, imageIndex);
}
#endif

} // namespace ww
