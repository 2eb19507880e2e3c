// Any bytes as a project file: opening reads them, saving rewrites them, and
// what saving wrote opens as what was saved.
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
    ww::WallpaperProject again;
    if (!ww::ReadProjectFile(input.path(), &again) ||
        ww::ProjectFileEntries(again) != ww::ProjectFileEntries(project))
        std::abort();
    return 0;
}
