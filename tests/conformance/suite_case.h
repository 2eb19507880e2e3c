// One test of the conformance corpus as its folder describes it: test.toml
// read into the frames to play, the quality to draw at and the pictures to
// compare, with the suite's own tolerances; output.txt marks a trace test.
#pragma once

#include "movie/render.h"
#include "tests/conformance/trace_compare.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ww::conformance {

// One of the suite's checks on a picture: a pixel with any channel off by more
// than tolerance is an outlier, and at most maxOutliers are allowed.
struct SuiteCheck {
    int tolerance = 0;
    int64_t maxOutliers = 0;
};

struct ImageComparison {
    std::string name; // the picture is NAME.expected.png
    // Frames played when the picture is taken, counted from 1; 0 for a
    // trigger that needs scripts (an fscommand), named in trigger.
    uint32_t frame = 0;
    std::string trigger;
    std::vector<SuiteCheck> checks; // all must hold; one zero check by default
};

struct SuiteCase {
    std::string name;    // the folder relative to the corpus, '/'-separated
    std::string folder;  // the folder's path
    uint32_t frames = 1; // num_frames, or num_ticks (one tick plays one frame)
    movie::Quality quality = movie::Quality::High;
    bool knownFailure = false;
    bool hasTrace = false;    // output.txt is there
    double viewportWidth = 0; // pixels the input positions count in; 0: the stage's
    double viewportHeight = 0;
    std::vector<ImageComparison> images;
    TraceMargin margin; // how far logged numbers may stray
};

// Fills the settings of c from its test.toml text; name, folder and hasTrace
// are the caller's. False with the reason when the text or a value is bad.
bool ReadSuiteCase(const std::string& tomlText, SuiteCase* c, std::string* error);

// Every folder under root holding a test.toml, relative and sorted.
std::vector<std::string> FindSuiteFolders(const std::string& root);

// A whole file into text; false when it cannot be read.
bool ReadTextFile(const std::string& path, std::string* text);

// Loads root/name: reads its test.toml and looks for output.txt.
bool LoadSuiteCase(const std::string& root, const std::string& name, SuiteCase* c,
                   std::string* error);

} // namespace ww::conformance
