// What the build and preview tests need around the builder window: a builder
// folder that can build (the real page template, stand-in stubs, default
// images), a movie, and a record of the shell calls the window makes.
#pragma once

#include "builder/ui/shell_calls.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/ui_harness.h"

#include <string>
#include <vector>

namespace ww::test {

// res.sdt from the source tree, Wovenlite/Wovenset/Wovenplay as pattern
// bytes, Resource\top1.bmp, left1.bmp, display1.bmp.
void FillBuilderFolder(const TempDir& folder);
// The real Wovenlite, Wovenset and Wovenplay from beside the test program,
// in place of the stand-ins.
void CopyBuiltStubs(const TempDir& folder);
// A 550 x 400 movie written into folder.
std::string WriteMovie(const TempDir& folder, const std::string& name = "wave.swf");
// Chooses the movie through the Information page, names the wallpaper and
// walks Next to the Build page.
void WalkToBuildPage(BuilderUnderTest& b, const std::string& movie,
                     const std::string& name = "Ocean");

struct ShellCall {
    std::string verb;
    std::string target;
    int show = 0;
};

// Replaces the window's shell calls for as long as it lives.
class ShellCallRecorder {
  public:
    ShellCallRecorder();
    ~ShellCallRecorder();
    ShellCallRecorder(const ShellCallRecorder&) = delete;
    ShellCallRecorder& operator=(const ShellCallRecorder&) = delete;
    std::vector<ShellCall> calls;

  private:
    ShellCalls saved_;
};

} // namespace ww::test
