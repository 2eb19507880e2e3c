// Runs the built wallweaver-cli, which lies beside the test program.
#pragma once

#include "tests/support/temp_dir.h"

#include <string>
#include <vector>

namespace ww::test {

struct CliResult {
    int status;
    std::string out, err; // line ends without CR
};

// Runs wallweaver-cli with args; its output goes through files in dir.
// Elsewhere than on Windows a run that hangs is stopped after a minute and
// answers status 124.
CliResult RunCli(const TempDir& dir, const std::vector<std::string>& args);

} // namespace ww::test
