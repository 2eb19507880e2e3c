#include "tests/conformance/trace_compare.h"

#include <cmath>
#include <cstdlib>
#include <regex>

namespace ww::conformance {

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t from = 0;
    while (true) {
        const size_t end = text.find('\n', from);
        lines.push_back(
            text.substr(from, end == std::string::npos ? std::string::npos : end - from));
        if (end == std::string::npos)
            return lines;
        from = end + 1;
    }
}

// The whole text as a number, as the suite's logs print them (NaN and the
// infinities included); false for anything else.
bool WholeNumber(const std::string& text, double* value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])))
        return false;
    if (text == "NaN" || text == "Infinity" || text == "-Infinity") {
        *value = text == "NaN" ? NAN : text[0] == '-' ? -INFINITY : INFINITY;
        return true;
    }
    // Hex and words strtod would take are not numbers in a log.
    if (text.find_first_not_of("+-0123456789.eE") != std::string::npos)
        return false;
    char* end = nullptr;
    *value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size();
}

bool Near(double want, double got, double epsilon) {
    if (std::isnan(want) || std::isnan(got))
        return std::isnan(want) && std::isnan(got);
    if (want == got)
        return true; // the infinities
    return std::fabs(want - got) <= epsilon;
}

// A line with each pattern's captured numbers cut out, and the numbers in
// order; false when a capture is not a number.
bool SplitByPattern(const std::string& line, const std::regex& pattern, std::string* rest,
                    std::vector<double>* numbers) {
    size_t copied = 0;
    for (std::sregex_iterator it(line.begin(), line.end(), pattern), end; it != end; ++it) {
        const std::smatch& m = *it;
        for (size_t g = 1; g < m.size(); ++g) {
            if (!m[g].matched)
                continue;
            const size_t at = size_t(m.position(g));
            if (at < copied)
                continue; // a group inside one already cut
            double value = 0;
            if (!WholeNumber(m[g].str(), &value))
                return false;
            rest->append(line, copied, at - copied);
            rest->push_back('\x01'); // where a number stood
            numbers->push_back(value);
            copied = at + size_t(m.length(g));
        }
    }
    rest->append(line, copied, std::string::npos);
    return true;
}

bool LinesAgree(const std::string& want, const std::string& got, const TraceMargin& margin,
                const std::vector<std::regex>& patterns) {
    if (want == got)
        return true;
    if (!margin.given)
        return false;
    double a = 0, b = 0;
    if (margin.bareNumbers && WholeNumber(want, &a) && WholeNumber(got, &b))
        return Near(a, b, margin.epsilon);
    for (const std::regex& pattern : patterns) {
        std::string wantRest, gotRest;
        std::vector<double> wantNumbers, gotNumbers;
        if (!SplitByPattern(want, pattern, &wantRest, &wantNumbers) ||
            !SplitByPattern(got, pattern, &gotRest, &gotNumbers) || wantNumbers.empty() ||
            wantRest != gotRest || wantNumbers.size() != gotNumbers.size())
            continue;
        bool all = true;
        for (size_t i = 0; i < wantNumbers.size() && all; ++i)
            all = Near(wantNumbers[i], gotNumbers[i], margin.epsilon);
        if (all)
            return true;
    }
    return false;
}

std::string Shorten(const std::string& line) {
    return line.size() > 60 ? line.substr(0, 60) + "..." : line;
}

} // namespace

std::string NormaliseLog(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

std::string CompareTrace(const std::string& expected, const std::string& actual,
                         const TraceMargin& margin) {
    const std::string want = NormaliseLog(expected), got = NormaliseLog(actual);
    if (want == got)
        return {};
    std::vector<std::regex> patterns;
    for (const std::string& p : margin.numberPatterns) {
        try {
            patterns.emplace_back(p, std::regex::ECMAScript);
        } catch (const std::regex_error&) {
            return "test.toml: number pattern '" + p + "' is not a regular expression";
        }
    }
    const std::vector<std::string> wantLines = SplitLines(want), gotLines = SplitLines(got);
    const size_t n = std::max(wantLines.size(), gotLines.size());
    for (size_t i = 0; i < n; ++i) {
        const std::string& w = i < wantLines.size() ? wantLines[i] : std::string();
        const std::string& g = i < gotLines.size() ? gotLines[i] : std::string();
        if (i < wantLines.size() && i < gotLines.size() && LinesAgree(w, g, margin, patterns))
            continue;
        return "trace differs at line " + std::to_string(i + 1) + ": expected \"" + Shorten(w) +
               "\", got \"" + Shorten(g) + "\"";
    }
    return {};
}

} // namespace ww::conformance
