// Our text profile body against the tables of what the system's functions do.
#include "builder/project/profile.h"

#include "common/fs.h"
#include "tests/project/profile_cases.h"
#include "tests/support/fixtures.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace ww {
namespace {

using test::ReadFileText;
using test::TempDir;
using test::WriteFileText;

TEST(TextProfile, ReadsAsTheSystemDoes) {
    TempDir dir;
    for (const auto& c : test::ProfileReadCases()) {
        WriteFileText(dir / "p.ini", c.text);
        std::vector<std::string> keys;
        for (const auto& r : c.reads) {
            EXPECT_EQ(TextProfileReadString(dir / "p.ini", r.section, r.key), r.value)
                << c.what << ": [" << r.section << "] " << r.key;
            if (std::string(r.section) == "General")
                keys.push_back(r.key);
        }
        // A key asked again, in another case or with blanks, reads the same.
        for (size_t i = 0, n = keys.size(); i < n; ++i) {
            std::string upper = keys[i];
            for (char& ch : upper)
                ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 32 : ch);
            keys.push_back(upper);
            keys.push_back(" " + keys[i] + "\t");
        }
        // One pass over the file gives what one read per key gives.
        const std::vector<std::string> values =
            TextProfileReadStrings(dir / "p.ini", "General", keys);
        for (size_t i = 0; i < keys.size(); ++i)
            EXPECT_EQ(values[i], TextProfileReadString(dir / "p.ini", "General", keys[i]))
                << keys[i];
    }
}

TEST(TextProfile, WritesAsTheSystemDoesKeepingEveryOtherLine) {
    TempDir dir;
    for (const auto& c : test::ProfileWriteCases()) {
        for (bool batch : {false, true}) {
            const std::string path = dir / (batch ? "batch.ini" : "single.ini");
            if (c.exists)
                WriteFileText(path, c.before);
            if (batch) {
                // One batch for each run of writes to the same section.
                for (size_t i = 0; i < c.writes.size();) {
                    ProfileEntries run;
                    size_t j = i;
                    for (; j < c.writes.size() &&
                           std::string(c.writes[j].section) == c.writes[i].section;
                         ++j)
                        run.push_back({c.writes[j].key, c.writes[j].value});
                    ASSERT_TRUE(TextProfileWriteStrings(path, c.writes[i].section, run));
                    i = j;
                }
            } else {
                for (const auto& w : c.writes)
                    ASSERT_TRUE(TextProfileWriteString(path, w.section, w.key, w.value));
            }
            EXPECT_EQ(ReadFileText(path), c.after) << c.what;
            for (const auto& r : c.reads)
                EXPECT_EQ(TextProfileReadString(path, r.section, r.key), r.value)
                    << c.what << ": [" << r.section << "] " << r.key;
            RemoveFile(path);
        }
    }
}

TEST(TextProfile, ABatchEqualsOneWriteAfterAnother) {
    TempDir dir;
    const std::string start = "[General]\r\nB=old\r\n; note\r\n\r\n[Other]\r\nx=1\r\n";
    const ProfileEntries entries = {{"A", "1"}, {"b", "2"}, {"C", "3"}, {"a", "4"}};
    WriteFileText(dir / "one.ini", start);
    WriteFileText(dir / "batch.ini", start);
    for (const auto& [key, value] : entries)
        ASSERT_TRUE(TextProfileWriteString(dir / "one.ini", "General", key, value));
    ASSERT_TRUE(TextProfileWriteStrings(dir / "batch.ini", "General", entries));
    EXPECT_EQ(ReadFileText(dir / "batch.ini"), ReadFileText(dir / "one.ini"));
    EXPECT_EQ(ReadFileText(dir / "batch.ini"),
              "[General]\r\nB=2\r\n; note\r\nA=4\r\nC=3\r\n\r\n[Other]\r\nx=1\r\n");
}

TEST(TextProfile, LongLinesAndLargeFilesPassThroughWhole) {
    TempDir dir;
    // Lines longer than any buffer, before and inside the section.
    const std::string huge(300000, 'h');
    const std::string text = "[Before]\r\nbig=" + huge + "\r\n[General]\r\n" + huge +
                             "=ignored\r\nValue=  \"" + huge + "\"\r\nKeep=" + huge + "\r\n";
    WriteFileText(dir / "big.ini", text);
    EXPECT_EQ(TextProfileReadString(dir / "big.ini", "General", "Value"), huge.substr(0, 259));
    EXPECT_EQ(TextProfileReadString(dir / "big.ini", "Before", "big"), huge.substr(0, 259));
    ASSERT_TRUE(TextProfileWriteString(dir / "big.ini", "General", "Value", "short"));
    ASSERT_TRUE(TextProfileWriteString(dir / "big.ini", "General", "Added", "1"));
    EXPECT_EQ(ReadFileText(dir / "big.ini"), "[Before]\r\nbig=" + huge + "\r\n[General]\r\n" +
                                                 huge + "=ignored\r\nValue=short\r\nKeep=" + huge +
                                                 "\r\nAdded=1\r\n");
}

TEST(TextProfile, RefusesWhatItCannotRewriteAndLeavesItAlone) {
    TempDir dir;
    // UTF-16 is read by the system but not by us: leave such a file as it is.
    const std::string utf16("\xFF\xFE[\0G\0]\0", 8);
    WriteFileText(dir / "wide.ini", utf16);
    EXPECT_FALSE(TextProfileWriteString(dir / "wide.ini", "G", "A", "1"));
    EXPECT_EQ(ReadFileText(dir / "wide.ini"), utf16);
    EXPECT_EQ(TextProfileReadString(dir / "wide.ini", "G", "A"), "");

    EXPECT_FALSE(TextProfileWriteString(dir.path(), "General", "A", "1")); // a folder
    EXPECT_FALSE(TextProfileWriteString(dir / "no" + "/" + "p.ini", "General", "A", "1"));
    EXPECT_EQ(test::ListFolder(dir.path()), std::vector<std::string>{"wide.ini"});
}

TEST(ProfileValues, AsReadAsNumbersAndOnOneLine) {
    const struct {
        std::string stored;
        std::string read;
        int32_t number;
    } values[] = {
        {"7", "7", 7},
        {"007", "007", 7},
        {"12px", "12px", 12},
        {"-5", "-5", 0},
        {"+5", "+5", 0},
        {"0x10", "0x10", 0},
        {"\" 8\"", " 8", 0},
        {"  42  ", "42", 42},
        {"abc", "abc", 0},
        {"", "", 0},
        {"99999999999", "99999999999", INT32_MAX},
        {"'x'", "x", 0},
        {"\"", "\"", 0},
        {"\"'", "\"'", 0},
    };
    for (const auto& v : values) {
        EXPECT_EQ(ProfileValueAsRead(v.stored), v.read) << v.stored;
        EXPECT_EQ(ProfileNumber(ProfileValueAsRead(v.stored)), v.number) << v.stored;
    }
    EXPECT_EQ(ProfileLineValue(std::string("a\r\nb\0c", 6)), "a  b");
}

} // namespace
} // namespace ww
