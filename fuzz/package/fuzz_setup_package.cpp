#include "common/package_reader.h"
#include "fuzz/package/fuzz_input.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ww::fuzz::InputFile input(data, size);
    ww::SetupPackageReader reader;
    if (!reader.Open(input.path()))
        return 0;
    std::string readme;
    reader.ReadReadme(&readme);
    reader.ExtractAll(input.outFolder() + "/dest", nullptr);
    return 0;
}
