// Any bytes as a project file: opening reads them, saving rewrites them, and
// from then on saving and opening change nothing. Values are stored as the
// system's profile functions store them, which read back without blanks or
// a pair of quotes at their ends, so the first save may drop those.
#include "builder/project/project_file.h"
#include "fuzz/package/fuzz_input.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ww::fuzz::InputFile input(data, size);
    ww::WallpaperProject project;
    if (!ww::ReadProjectFile(input.path(), &project))
        return 0;
    if (!ww::WriteProjectFile(input.path(), project))
        return 0;
    ww::WallpaperProject saved, again;
    if (!ww::ReadProjectFile(input.path(), &saved) || !ww::WriteProjectFile(input.path(), saved) ||
        !ww::ReadProjectFile(input.path(), &again) ||
        ww::ProjectFileEntries(again) != ww::ProjectFileEntries(saved))
        std::abort();
    return 0;
}
