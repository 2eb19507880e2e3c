// Comparing a movie's trace log with the suite's expected log. Most tests ask
// for the same text; some allow numbers to differ by a margin, either lines
// that are a number alone or the numbers a pattern captures within a line
// (test.toml's [approximations]).
#pragma once

#include <string>
#include <vector>

namespace ww::conformance {

struct TraceMargin {
    bool given = false; // no [approximations]: texts must be equal
    double epsilon = 0;
    bool bareNumbers = false;                // a line that is one number
    std::vector<std::string> numberPatterns; // ECMAScript regexes; groups are numbers
};

// Line ends as one newline each, and no trailing newlines, so that a log
// written on Windows and ours compare as the same text.
std::string NormaliseLog(const std::string& text);

// Empty when the normalised logs agree under the margin, else the first line
// where they part: "trace differs at line N: expected "...", got "..."".
std::string CompareTrace(const std::string& expected, const std::string& actual,
                         const TraceMargin& margin);

} // namespace ww::conformance
