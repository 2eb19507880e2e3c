// test.toml read into what the runner plays and compares.
#include "tests/conformance/suite_case.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace ww::conformance {
namespace {

// A case in one line: frames, quality, known failure, then each picture as
// name@frame[tolerance/max,...].
std::string Describe(const SuiteCase& c) {
    const char* qualities[] = {"low", "autolow", "autohigh", "medium", "high", "best"};
    std::string s = std::to_string(c.frames) + " " + qualities[int(c.quality)] +
                    (c.knownFailure ? " known" : "");
    for (const ImageComparison& image : c.images) {
        s += " " + image.name + "@" + (image.frame ? std::to_string(image.frame) : image.trigger);
        for (size_t i = 0; i < image.checks.size(); ++i) {
            s += (i ? "," : "[") + std::to_string(image.checks[i].tolerance) + "/" +
                 std::to_string(image.checks[i].maxOutliers);
        }
        s += "]";
    }
    return s;
}

TEST(SuiteCase, ReadsFramesQualityAndPictures) {
    struct Case {
        const char* toml;
        const char* want;
    } cases[] = {
        {"", "1 high"},
        {"num_frames = 7", "7 high"},
        {"num_ticks = 3", "3 high"},
        {"num_frames = 1\nknown_failure = true", "1 high known"},
        {"num_frames = 2\n[image_comparisons.output]\n", "2 high output@2[0/0]"},
        {"num_frames = 2\n[image_comparisons.output]\ntolerance = 3\nmax_outliers = 40\n"
         "[player_options]\nwith_renderer = { optional = false, quality = \"low\" }",
         "2 low output@2[3/40]"},
        {"num_ticks = 1\nimage_comparisons.\"output\".trigger = 1\n"
         "[player_options]\nwith_renderer = { optional = false, quality = \"medium\" }",
         "1 medium output@1[0/0]"},
        {"num_frames = 50\n[image_comparisons.\"output.5\"]\ntrigger = 5\n"
         "[image_comparisons.\"output.15\"]\ntrigger = 15",
         "50 high output.15@15[0/0] output.5@5[0/0]"},
        {"num_frames = 7\n[image_comparisons.\"output.01\"]\ntrigger = 1\n"
         "[[image_comparisons.\"output.01\".checks]]\ntolerance = 10\nmax_outliers = 3200\n"
         "[[image_comparisons.\"output.01\".checks]]\ntolerance = 128",
         "7 high output.01@1[10/3200,128/0]"},
        {"num_frames = 4\n[image_comparisons.initial]\ntrigger = \"fs_command\"",
         "4 high initial@fs_command[0/0]"},
        {"num_frames = 1\n[player_options]\nwith_renderer = { optional = true }", "1 high"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.toml);
        SuiteCase read;
        std::string error;
        ASSERT_TRUE(ReadSuiteCase(c.toml, &read, &error)) << error;
        EXPECT_EQ(Describe(read), c.want);
    }
}

TEST(SuiteCase, ReadsTheWindowInputPositionsCountIn) {
    struct Case {
        const char* toml;
        double width; // 0: the stage's own
    } cases[] = {
        {"num_frames = 1", 0},
        {"[player_options]\nviewport_dimensions = { width = 1100, height = 800, scale_factor = "
         "2.0 }",
         1100},
        {"[player_options]\nviewport_dimensions = { width = 0, height = 800 }", 0},
        {"[player_options]\nviewport_dimensions = { width = -5, height = 800 }", 0},
        {"[player_options]\nviewport_dimensions = { width = \"wide\" }", 0},
        {"[player_options]\nwith_renderer = { optional = true }", 0},
    };
    for (const Case& c : cases) {
        SuiteCase read;
        std::string error;
        ASSERT_TRUE(ReadSuiteCase(c.toml, &read, &error)) << c.toml << ": " << error;
        EXPECT_EQ(read.viewportWidth, c.width) << c.toml;
    }
}

TEST(SuiteCase, RefusesValuesItCannotPlay) {
    struct Case {
        const char* toml;
        const char* error;
    } cases[] = {
        {"num_frames = 0", "test.toml: num_frames must be a whole number from 1 to 100000"},
        {"num_ticks = 100001", "test.toml: num_ticks must be a whole number from 1 to 100000"},
        {"num_frames = \"3\"", "test.toml: num_frames must be a whole number from 1 to 100000"},
        {"[image_comparisons.output]\ntolerance = 256",
         "test.toml: tolerance must be a whole number from 0 to 255"},
        {"[image_comparisons.output]\nmax_outliers = -1",
         "test.toml: max_outliers must be a whole number from 0 to 9223372036854775807"},
        {"[image_comparisons.output]\ntrigger = 0",
         "test.toml: trigger must be a whole number from 1 to 100000"},
        {"[image_comparisons.\"../x\"]", "test.toml: bad picture name '../x'"},
        {"image_comparisons.output = 1", "test.toml: image_comparisons.output is not a table"},
        {"image_comparisons = 1", "test.toml: image_comparisons is not a table"},
        {"[image_comparisons.output]\nchecks = []",
         "test.toml: image_comparisons.output.checks is not a list of tables"},
        {"[image_comparisons.output]\nchecks = [1]",
         "test.toml: image_comparisons.output.checks holds a non-table"},
        {"[player_options]\nwith_renderer = { quality = \"ultra\" }",
         "test.toml: unknown quality 'ultra'"},
        {"num_frames = ", "test.toml: line 1: a value was expected"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.toml);
        SuiteCase read;
        std::string error;
        EXPECT_FALSE(ReadSuiteCase(c.toml, &read, &error));
        EXPECT_EQ(error, c.error);
    }
}

TEST(SuiteCase, FindsEveryTestFolderSortedAndLoadsOne) {
    test::TempDir dir;
    namespace fs = std::filesystem;
    for (const char* name : {"visual/b", "visual/a/inner", "avm1/trace_only", "notatest"}) {
        fs::create_directories(fs::path(dir.path()) / name);
        if (std::string(name) != "notatest")
            std::ofstream(fs::path(dir.path()) / name / "test.toml") << "num_frames = 2\n";
    }
    std::ofstream(fs::path(dir.path()) / "avm1/trace_only/output.txt") << "hello\n";
    EXPECT_EQ(FindSuiteFolders(dir.path()),
              (std::vector<std::string>{"avm1/trace_only", "visual/a/inner", "visual/b"}));
    EXPECT_TRUE(FindSuiteFolders(dir / "absent").empty());

    SuiteCase c;
    std::string error;
    ASSERT_TRUE(LoadSuiteCase(dir.path(), "avm1/trace_only", &c, &error)) << error;
    EXPECT_TRUE(c.hasTrace);
    EXPECT_EQ(c.frames, 2u);
    EXPECT_FALSE(LoadSuiteCase(dir.path(), "notatest", &c, &error));
    EXPECT_EQ(error, "test.toml cannot be read");
}

} // namespace
} // namespace ww::conformance
