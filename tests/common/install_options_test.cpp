#include "common/install_options.h"

#include <gtest/gtest.h>

namespace ww {
namespace {

TEST(InstallOptions, SwitchesQuotesAndStrangers) {
    struct Case {
        const char* line;
        bool silent;
        const char* log;
        std::vector<std::string> unknown;
        bool wallpaper = false;
    };
    const Case cases[] = {
        {"", false, "", {}},
        {"/S", true, "", {}},
        {"  /s\t", true, "", {}},
        {"/S /LOG=C:\\Logs\\install.txt", true, "C:\\Logs\\install.txt", {}},
        {"/log=\"C:\\My Logs\\a b.txt\" /S", true, "C:\\My Logs\\a b.txt", {}},
        {"\"/LOG=C:\\x y.txt\"", false, "C:\\x y.txt", {}},
        // An empty log name is no log; /SILENT is not /S.
        {"/LOG= /SILENT", false, "", {"/LOG=", "/SILENT"}},
        {"-S /S extra \"two words\"", true, "", {"-S", "extra", "two words"}},
        {"say\\\"hi\\\"", false, "", {"say\"hi\""}},
        // Written together, as deployment scripts sometimes do.
        {"/S/LOG=C:\\log.txt", true, "C:\\log.txt", {}},
        {"/s/log=\"C:\\My Logs\\a.txt\"", true, "C:\\My Logs\\a.txt", {}},
        {"/S/S", true, "", {}},
        // The log's name is the rest of its word, slashes included.
        {"/LOG=C:/logs/install.txt", false, "C:/logs/install.txt", {}},
        {"/LOG=x/S", false, "x/S", {}},
        {"/LOG=x /S", true, "x", {}},
        {"/S/LOG=", true, "", {"/LOG="}},
        {"/S/SILENT", true, "", {"/SILENT"}},
        {"/SILENT/S", false, "", {"/SILENT/S"}},
        {"/S/", true, "", {"/"}},
        {"/Sx", false, "", {"/Sx"}},
        // The live wallpaper, started only when asked.
        {"/S /WALLPAPER", true, "", {}, true},
        {"/wallpaper/s/LOG=a.txt", true, "a.txt", {}, true},
        {"/S /WALLPAPERS", true, "", {"/WALLPAPERS"}, false},
        {"/LOG=x/WALLPAPER", false, "x/WALLPAPER", {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const InstallOptions options = ParseInstallOptions(c.line);
        EXPECT_EQ(options.silent, c.silent);
        EXPECT_EQ(options.logFile, c.log);
        EXPECT_EQ(options.unknown, c.unknown);
        EXPECT_EQ(options.wallpaper, c.wallpaper);
    }
}

} // namespace
} // namespace ww
