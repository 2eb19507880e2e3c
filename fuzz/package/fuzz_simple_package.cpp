#include "common/package_reader.h"
#include "fuzz/package/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ww::fuzz::InputFile input(data, size);
    ww::SimplePackageReader reader;
    if (reader.Open(input.path()))
        reader.ExtractPackage(input.outFolder(), nullptr);
    return 0;
}
