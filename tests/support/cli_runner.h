// Runs the built wallweaver-cli (beside the test program) and collects what
// it printed, with carriage returns dropped.
#pragma once

#include "tests/support/temp_dir.h"

#include <string>
#include <vector>

namespace ww::test {

struct CliResult {
    int status;
    std::string out, err;
};

// Standard output and error go through files in dir.
CliResult RunCli(const TempDir& dir, const std::vector<std::string>& args);

} // namespace ww::test
