// Running one test of the corpus: its movie played to each compared frame,
// drawn at the expected picture's size and quality, and judged by both rules;
// or, for a test that only has a trace log, played for its frames with its
// scripts, and what they trace compared with the log (line ends normalised).
#pragma once

#include "tests/conformance/suite_case.h"

#include <string>

namespace ww::conformance {

enum class CaseKind {
    Image, // at least one picture to compare
    Trace, // output.txt only: the log of trace() calls
    Other  // neither (sound or network checks)
};

struct CaseResult {
    std::string name;
    CaseKind kind = CaseKind::Other;
    bool run = false; // false: not run (see reason)
    bool actionScript3 = false;
    bool knownFailure = false;
    bool suitePass = false;
    bool ourPass = false;
    std::string reason; // the first failure, "NAME: why"
};

struct RunSettings {
    // Where each rendered picture goes as NAME-PICTURE.png (folders flattened
    // with '-'); none when empty.
    std::string saveFolder;
};

CaseResult RunSuiteCase(const std::string& root, const std::string& name,
                        const RunSettings& settings);

} // namespace ww::conformance
