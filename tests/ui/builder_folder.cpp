#include "tests/ui/builder_folder.h"

#include "builder/ui/resource.h"
#include "common/fs.h"
#include "common/path.h"
#include "tests/support/fixtures.h"
#include "tests/support/swf_writer.h"

#include <gtest/gtest.h>

namespace ww::test {

void FillBuilderFolder(const TempDir& folder) {
    WriteFileBytes(folder / "res.sdt", ReadFileBytes(std::string(WW_SOURCE_DIR) + "/data/res.sdt"));
    WriteFileBytes(folder / "Wovenlite.exe", PatternBytes(900, 1));
    WriteFileBytes(folder / "Wovenset.exe", PatternBytes(800, 2));
    WriteFileBytes(folder / "Wovenplay.exe", PatternBytes(700, 3));
    for (const char* image : {"display1.bmp", "left1.bmp", "top1.bmp"})
        WriteFileBytes(folder / (std::string("Resource\\") + image), PatternBytes(64, image[0]));
}

void CopyBuiltStubs(const TempDir& folder) {
    const std::string bin = FolderOfPath(ModuleFilePath());
    for (const char* stub : {"Wovenlite.exe", "Wovenset.exe", "Wovenplay.exe"}) {
        ASSERT_TRUE(PathExists(bin + stub)) << stub;
        WriteFileBytes(folder / stub, ReadFileBytes(bin + stub));
    }
}

std::string WriteMovie(const TempDir& folder, const std::string& name) {
    std::string path = folder / name;
    WriteFileBytes(path, MakeSwf(StageRecipe(false)));
    return path;
}

void WalkToBuildPage(BuilderUnderTest& b, const std::string& movie, const std::string& name) {
    b.answers().ChooseFile(movie);
    b.Click(b.info(), IDC_INFO_CHOOSE_MOVIE);
    b.Type(b.info(), IDC_INFO_WALLPAPER_NAME, name);
    for (int page = 2; page <= 4; ++page) {
        b.ClickMain(IDC_MAIN_NEXT);
        ASSERT_EQ(b.ShownPage(), page);
    }
}

ShellCallRecorder::ShellCallRecorder() : saved_(CurrentShellCalls()) {
    CurrentShellCalls().execute = [this](HWND, const std::string& verb, const std::string& target,
                                         int show) {
        calls.push_back({verb, target, show});
        return 42;
    };
}

ShellCallRecorder::~ShellCallRecorder() {
    CurrentShellCalls() = saved_;
}

} // namespace ww::test
