#include "common/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace ww {
namespace {

std::string Ours(const char* format, ...) {
    char text[2048];
    va_list args;
    va_start(args, format);
    const int n = FormatTextV(text, sizeof text, format, args);
    va_end(args);
    EXPECT_EQ(n, static_cast<int>(std::strlen(text))) << format;
    return text;
}

// The C library of the build: glibc natively, MinGW's own under Wine.
std::string Library(const char* format, ...) {
    char text[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// Doubles where digits are hard to get right: ties, carries into a new
// digit, the ends of the range, integers past 2^53, the AVM1 printing's
// boundaries.
std::vector<double> HardDoubles() {
    return {0.0,
            -0.0,
            0.5,
            1.5,
            2.5,
            -2.5,
            0.125,
            0.1,
            0.3,
            1.0 / 3,
            2.0 / 3,
            9.5,
            99.5,
            0.95,
            9.999999999999999e22,
            1e15,
            1e15 - 1,
            1000000000000005.0,
            4503599627370497.0,
            9007199254740993.0,
            123456789012345678.0,
            1e21,
            1e-5,
            1e-7,
            5e-324,
            2.2250738585072014e-308,
            2.2250738585072009e-308,
            DBL_MAX,
            -DBL_MAX,
            DBL_EPSILON,
            3.14159265358979,
            2.718281828459045,
            1234.5678,
            -0.000123456789,
            std::ldexp(1.0, 1023),
            std::ldexp(1.0, -1074),
            std::ldexp(3.0, -1074)};
}

TEST(FormatTextV, DoublesAsTheLibraryWritesThem) {
    const char* formats[] = {"%.14e", "%.0f",   "%f",       "%e",    "%g",    "%.17g",   "%.3f",
                             "%.20e", "%.1e",   "%.0e",     "%#.0f", "%#.0e", "%#g",     "%G",
                             "%E",    "%12.4f", "%-12.4e|", "%+.2f", "% .2f", "%012.3f", "%.30f",
                             "%.15g", "%.1g",   "%.0g",     "%g",    "%.320f"};
    for (double v : HardDoubles()) {
        for (const char* f : formats)
            EXPECT_EQ(Ours(f, v), Library(f, v)) << f << " of " << Library("%.17g", v);
    }
    std::mt19937_64 random(1);
    for (int i = 0; i < 3000; ++i) {
        uint64_t bits = random();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v))
            continue;
        // Numbers of every size, and the sizes scripts meet most.
        const double near =
            static_cast<double>(static_cast<int64_t>(random() % 2000000) - 1000000) /
            static_cast<double>(1 + random() % 1000);
        for (double x : {v, near}) {
            for (const char* f : {"%.14e", "%.0f", "%g", "%.17g"})
                ASSERT_EQ(Ours(f, x), Library(f, x)) << f << " of " << Library("%.17g", x);
        }
    }
}

TEST(FormatTextV, EverythingElseAsTheLibraryWritesIt) {
    EXPECT_EQ(Ours("%%%02X", 0x3A), Library("%%%02X", 0x3A));
    EXPECT_EQ(Ours("%s %s %d %02d:%02d:%02d GMT%c%02ld%02ld %.0f", "Wed", "Dec", 9, 7, 5, 3, '+',
                   1L, 30L, 2026.0),
              Library("%s %s %d %02d:%02d:%02d GMT%c%02ld%02ld %.0f", "Wed", "Dec", 9, 7, 5, 3, '+',
                      1L, 30L, 2026.0));
    const struct {
        const char* format;
        long long value;
    } integers[] = {
        {"%d", 0},           {"%d", -2147483647 - 1},
        {"%5d", -42},        {"%-5d|", 42},
        {"%05d", -42},       {"%+d", 7},
        {"% d", 7},          {"%.3d", 7},
        {"%.0d", 0},         {"%8.3d", -7},
        {"%x", 255},         {"%#x", 255},
        {"%#X", 0},          {"%o", 8},
        {"%#o", 8},          {"%u", 4000000000LL},
        {"%hhd", 300},       {"%hd", 70000},
        {"%hhu", 300},       {"%lld", -1234567890123LL},
        {"%llx", 1LL << 40}, {"%zu", 123},
        {"%*d", 3},          {"%-*d|", 6},
    };
    for (const auto& c : integers) {
        if (std::strstr(c.format, "ll"))
            EXPECT_EQ(Ours(c.format, c.value), Library(c.format, c.value)) << c.format;
        else if (std::strchr(c.format, 'z'))
            EXPECT_EQ(Ours(c.format, static_cast<size_t>(c.value)),
                      Library(c.format, static_cast<size_t>(c.value)));
        else if (std::strchr(c.format, '*'))
            EXPECT_EQ(Ours(c.format, 5, static_cast<int>(c.value)),
                      Library(c.format, 5, static_cast<int>(c.value)))
                << c.format;
        else
            EXPECT_EQ(Ours(c.format, static_cast<int>(c.value)),
                      Library(c.format, static_cast<int>(c.value)))
                << c.format;
    }
    for (const char* f : {"%s|", "%8s|", "%-8s|", "%.2s|", "%c|", "%3c|"}) {
        if (std::strchr(f, 'c'))
            EXPECT_EQ(Ours(f, 'q'), Library(f, 'q')) << f;
        else
            EXPECT_EQ(Ours(f, "text"), Library(f, "text")) << f;
    }
    // Cut to the buffer, terminated, and the whole length answered.
    char small[5];
    auto cut = [&](const char* format, ...) {
        va_list args;
        va_start(args, format);
        const int n = FormatTextV(small, sizeof small, format, args);
        va_end(args);
        return n;
    };
    EXPECT_EQ(cut("%s-%d", "abcdef", 12), 9);
    EXPECT_STREQ(small, "abcd");
}

TEST(ParseDouble, ReadsAsTheLibraryReads) {
    const char* texts[] = {"0",
                           "-0",
                           "1",
                           "  \t+1.5xyz",
                           "1e",
                           "1e+",
                           "1e-5",
                           "1E400",
                           "-1e400",
                           "1e-400",
                           ".5",
                           "5.",
                           ".",
                           "-",
                           "",
                           "e5",
                           "0x1p-1074",
                           "0x1.fffffffffffffp1023",
                           "0X10",
                           "0x",
                           "0x.8",
                           "0x1p",
                           "0x1.8p+1",
                           "inf",
                           "-Infinity",
                           "INFx",
                           "nan",
                           "nan(123)",
                           "nan(",
                           "12abc",
                           "2.2250738585072011e-308",
                           "4.9406564584124654e-324",
                           "2.4703282292062327e-324",
                           "2.4703282292062328e-324",
                           "1.7976931348623157e308",
                           "1.7976931348623158e308",
                           "1.7976931348623159e308",
                           "9007199254740993",
                           "9007199254740992.5",
                           "9007199254740993.0000000000000000000000000001",
                           "0.1",
                           "0.30000000000000004",
                           "123456789012345678901234567890",
                           "000000000000000000000000000001e-2",
                           "1.00000000000000011102230246251565404236316680908203125",
                           "1.000000000000000111022302462515654042363166809082031250000000001",
                           "1.00000000000000011102230246251565404236316680908203124999999999"};
    for (const char* t : texts) {
        char* ourEnd = nullptr;
        char* theirEnd = nullptr;
        const double ours = ParseDouble(t, &ourEnd);
        const double theirs = std::strtod(t, &theirEnd);
        EXPECT_EQ(ourEnd - t, theirEnd - t) << t;
        if (std::isnan(theirs))
            EXPECT_TRUE(std::isnan(ours)) << t;
        else
            EXPECT_EQ(std::memcmp(&ours, &theirs, sizeof ours), 0)
                << t << ": " << Library("%.17g", ours) << " vs " << Library("%.17g", theirs);
    }
}

// Random doubles written in full, with 17 digits, and as the exact middle
// between two neighbours (the hardest case: the tie goes to the even one).
TEST(ParseDouble, RoundsAsTheLibraryRounds) {
    std::mt19937_64 random(7);
    for (int i = 0; i < 800; ++i) {
        uint64_t bits = random() & ~(uint64_t{1} << 63);
        double v;
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v) || v == DBL_MAX)
            continue;
        const double next = std::nextafter(v, HUGE_VAL);
        std::vector<std::string> texts = {Library("%.17g", v), Library("%.25e", v),
                                          Library("%.800e", v / 2 + next / 2)};
        // The exact middle: v's full digits and next's halved by hand would
        // need big numbers; long double has the room where it is wider.
        texts.push_back(Library("%.40Le", static_cast<long double>(v) / 2 +
                                              static_cast<long double>(next) / 2));
        for (const std::string& t : texts) {
            const double ours = ParseDouble(t.c_str(), nullptr);
            const double theirs = std::strtod(t.c_str(), nullptr);
            ASSERT_EQ(std::memcmp(&ours, &theirs, sizeof ours), 0) << t;
        }
    }
}

} // namespace
} // namespace ww
