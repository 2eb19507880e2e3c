// The PE reader on any bytes; whatever it accepts, given a new icon, must be
// written out so that it reads back with that icon.
#include "builder/package/ico_file.h"
#include "builder/package/pe_resources.h"
#include "fuzz/package/fuzz_input.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ww::fuzz::InputFile input(data, size);
    ww::PeResourceEditor editor;
    if (!editor.Open(input.path()))
        return 0;
    const std::vector<uint8_t> icon(300, 0x5A);
    editor.resources().Set(ww::kResourceTypeIcon, ww::kReplacedIconId, ww::kReplacedIconLanguage,
                           icon);
    const std::string written = input.outFolder() + "/written.exe";
    {
        ww::File out(written, "wb");
        if (!editor.WriteTo(out))
            return 0;
    }
    editor.Close();
    ww::PeResourceEditor again;
    if (!again.Open(written))
        std::abort();
    const std::vector<uint8_t>* read = again.resources().Find(
        ww::kResourceTypeIcon, ww::kReplacedIconId, ww::kReplacedIconLanguage);
    if (!read || *read != icon)
        std::abort();
    return 0;
}
