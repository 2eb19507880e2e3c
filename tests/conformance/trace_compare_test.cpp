// Trace logs compared as the suite compares them: equal text, or numbers
// within test.toml's margin where it gives one.
#include "tests/conformance/trace_compare.h"

#include "tests/conformance/suite_case.h"

#include <gtest/gtest.h>

namespace ww::conformance {
namespace {

TraceMargin Bare(double epsilon) {
    TraceMargin m;
    m.given = true;
    m.epsilon = epsilon;
    m.bareNumbers = true;
    return m;
}

TraceMargin Patterns(double epsilon, std::vector<std::string> patterns) {
    TraceMargin m;
    m.given = true;
    m.epsilon = epsilon;
    m.numberPatterns = std::move(patterns);
    return m;
}

TEST(TraceCompare, JudgesLinesByTheMargin) {
    const std::string decimals = "(\\d+\\.\\d+)";
    struct Case {
        const char* what;
        const char* expected;
        const char* actual;
        TraceMargin margin;
        const char* want; // empty: agree; else the start of the reason
    } cases[] = {
        {"equal", "a\nb\n", "a\r\nb", TraceMargin(), ""},
        {"no margin, numbers differ", "1.5", "1.6", TraceMargin(), "trace differs at line 1"},
        {"bare within", "x\n100\n", "x\n102", Bare(2), ""},
        {"bare beyond", "x\n100\n", "x\n102.5", Bare(2),
         "trace differs at line 2: expected \"100\", got \"102.5\""},
        {"bare only whole lines", "w: 100", "w: 101", Bare(5), "trace differs at line 1"},
        {"bare NaN only meets NaN", "NaN", "0", Bare(1e9), "trace differs"},
        {"bare NaN meets NaN", "NaN\nInfinity", "NaN\nInfinity", Bare(0), ""},
        {"bare words are not numbers", "0x10", "0x11", Bare(5), "trace differs"},
        {"log too short", "1\n2\n3", "1\n2", Bare(1), "trace differs at line 3"},
        {"log too long", "1\n2", "1\n2\n3", Bare(1), "trace differs at line 3"},
        {"pattern within", "sin = 0.841470984807896", "sin = 0.841470984807897",
         Patterns(1e-14, {decimals}), ""},
        {"pattern beyond", "sin = 0.84", "sin = 0.85", Patterns(1e-14, {decimals}),
         "trace differs"},
        {"pattern keeps the words", "sin = 0.5", "cos = 0.5", Patterns(1, {decimals}),
         "trace differs"},
        {"pattern each number", "0.5, 1.25", "0.5, 1.75", Patterns(0.3, {decimals}),
         "trace differs"},
        {"pattern all numbers near", "0.5, 1.25", "0.6, 1.35", Patterns(0.3, {decimals}), ""},
        {"integers left exact", "n = 3", "n = 4", Patterns(5, {decimals}), "trace differs"},
        {"named capture", "angle=45.0001 q", "angle=45 q", Patterns(0.001, {"angle=([\\d.]+)"}),
         ""},
        {"bad pattern", "1.5", "1.6", Patterns(1, {"(unclosed"}),
         "test.toml: number pattern '(unclosed'"},
    };
    for (const Case& c : cases) {
        const std::string got = CompareTrace(c.expected, c.actual, c.margin);
        if (*c.want == 0)
            EXPECT_EQ(got, "") << c.what;
        else
            EXPECT_EQ(got.rfind(c.want, 0), 0u) << c.what << ": " << got;
    }
}

TEST(TraceCompare, ReadsTheMarginFromTestToml) {
    SuiteCase c;
    std::string error;
    ASSERT_TRUE(ReadSuiteCase("[approximations]\nbare_numbers = true\nepsilon = 0.051\n", &c,
                              &error))
        << error;
    EXPECT_TRUE(c.margin.given && c.margin.bareNumbers);
    EXPECT_DOUBLE_EQ(c.margin.epsilon, 0.051);
    ASSERT_TRUE(ReadSuiteCase(
        "[approximations]\nepsilon = 1e-14\nnumber_patterns = [\"(\\\\d+\\\\.\\\\d+)\"]\n", &c,
        &error))
        << error;
    EXPECT_FALSE(c.margin.bareNumbers);
    ASSERT_EQ(c.margin.numberPatterns.size(), 1u);
    EXPECT_EQ(c.margin.numberPatterns[0], "(\\d+\\.\\d+)");
    ASSERT_TRUE(ReadSuiteCase("num_frames = 2\n", &c, &error));
    EXPECT_FALSE(c.margin.given);
    for (const char* bad : {"[approximations]\nbare_numbers = true\n",
                            "[approximations]\nepsilon = -1\n",
                            "[approximations]\nepsilon = 1\nnumber_patterns = [1]\n",
                            "[approximations]\nepsilon = 1\nnumber_patterns = \"x\"\n"})
        EXPECT_FALSE(ReadSuiteCase(bad, &c, &error)) << bad;
}

} // namespace
} // namespace ww::conformance
