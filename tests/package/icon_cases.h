// What the icon tests share: where our own stubs are, the icons they are
// given, and the comparison of an executable before and after.
#pragma once

#include "builder/package/pe_resources.h"
#include "tests/support/icon_writer.h"

#include <string>
#include <vector>

namespace ww::test {

// The Windows stubs of our build: beside the test program in the Windows
// build, in the Windows build tree for the native one. Empty when absent.
std::string StubFolder();
extern const char* const kStubNames[4];

struct IconCase {
    std::string label;
    std::vector<IconFileImage> images;
};
// One image smaller and one larger than the stubs' own 32 x 32, and a file of
// several images whose first is the larger.
std::vector<IconCase> IconCases();

// Every resource of an executable, or none when it does not open.
ResourceTree ResourcesOf(const std::string& exe);
// The group entry that refers to icon 1 describes image, and every other
// resource is what it was before.
void ExpectOnlyTheIconChanged(const ResourceTree& before, const ResourceTree& after,
                              const IconFileImage& image);

} // namespace ww::test
