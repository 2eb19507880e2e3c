#include "common/folder_reference.h"

#include "common/path.h"

#include <gtest/gtest.h>

namespace ww {
namespace {

using F = ReferenceFault;

// What a hostile author may write where a file inside the folder is meant;
// each is refused before anything is looked up.
TEST(ResolveInsideFolder, HostileReferencesAreRefused) {
    const struct {
        const char* reference;
        ReferenceFault fault;
    } cases[] = {
        {"..\\..\\..\\outside\\secret.swf", F::Outside},
        {"../secret.swf", F::Outside},
        {"Ocean\\..\\..\\secret.swf", F::Outside},
        {"a/b/../../../secret.swf", F::Outside},
        {"C:\\outside\\secret.swf", F::Outside},
        {"c:/outside/secret.swf", F::Outside},
        {"C:secret.swf", F::Outside},
        {"Z:\\etc\\hostname", F::Outside},
        {"\\outside\\secret.swf", F::Outside},
        {"/etc/hostname", F::Outside},
        {"\\\\?\\C:\\outside\\secret.swf", F::Outside},
        {"\\\\.\\pipe\\wallweaver", F::Outside},
        {"\\\\attacker.invalid\\share\\x.swf", F::Outside},
        {"//attacker.invalid/share/x.swf", F::Outside},
        {"CON", F::Device},
        {"con.swf", F::Device},
        {"Ocean\\NUL", F::Device},
        {"AUX.txt", F::Device},
        {"PRN", F::Device},
        {"com1", F::Device},
        {"LPT9.swf", F::Device},
        {"CONIN$", F::Device},
        {"conout$", F::Device},
        {"CLOCK$", F::Device},
        {"COM1 .swf", F::Device},
        {"NUL\\..\\wave.swf", F::Device},
        {"http://attacker.invalid/x.swf", F::NotFileNames},
        {"file:///C:/outside/secret.swf", F::NotFileNames},
        {"res:x.swf", F::NotFileNames},
        {"wave.swf:hidden", F::NotFileNames},
        {"Ocean\\wave.swf::$DATA", F::NotFileNames},
        {"wave.swf.", F::NotFileNames},
        {"wave.swf ", F::NotFileNames},
        {"Ocean.\\wave.swf", F::NotFileNames},
        {"...\\wave.swf", F::NotFileNames},
        {"wave*.swf", F::NotFileNames},
        {"wave?.swf", F::NotFileNames},
        {"WAVE~1.SWF", F::NotFileNames},
        {"wave\t.swf", F::NotFileNames},
        {"", F::NoFile},
        {".", F::NoFile},
        {"Ocean\\", F::NoFile},
        {"Ocean\\.", F::NoFile},
        {"Ocean\\sub\\..", F::NoFile},
    };
    for (const auto& c : cases) {
        std::string path = "untouched";
        EXPECT_EQ(ResolveInsideFolder("base", c.reference, &path), c.fault) << c.reference;
        EXPECT_EQ(path, "") << c.reference;
        std::vector<std::string> names{"stale"};
        EXPECT_EQ(ReferenceNames(c.reference, &names), c.fault) << c.reference;
    }
    // A NUL cuts a name short where the system reads it.
    std::string path;
    EXPECT_EQ(ResolveInsideFolder("base", std::string("wave.swf\0.txt", 13), &path),
              F::NotFileNames);
}

TEST(ResolveInsideFolder, PlainReferencesStayInside) {
    const std::string sep(1, kPathSeparator);
    const std::string folder = "base" + sep;
    const struct {
        const char* reference;
        const char* from;
        std::string path;
    } cases[] = {
        {"wave.swf", "", folder + "wave.swf"},
        {"Ocean\\wave.swf", "", folder + "Ocean" + sep + "wave.swf"},
        {"Ocean/sub\\wave.swf", "", folder + "Ocean" + sep + "sub" + sep + "wave.swf"},
        {".\\Ocean//wave.swf", "", folder + "Ocean" + sep + "wave.swf"},
        {"Ocean\\..\\wave.swf", "", folder + "wave.swf"},
        {".wave.swf", "", folder + ".wave.swf"},
        {"Wave Tide (2).swf", "", folder + "Wave Tide (2).swf"},
        {"console.swf", "", folder + "console.swf"},
        {"COM10.swf", "", folder + "COM10.swf"},
        // A file in a subfolder climbs back to the folder, but no further.
        {"..\\intro.swf", "Ocean", folder + "intro.swf"},
        {"../sea/intro.swf", "Ocean/deep", folder + "Ocean" + sep + "sea" + sep + "intro.swf"},
        {"intro.swf", "Ocean\\", folder + "Ocean" + sep + "intro.swf"},
    };
    for (const auto& c : cases) {
        std::string path;
        EXPECT_EQ(ResolveInsideFolder("base", c.reference, &path, c.from), F::None)
            << c.reference << " from " << c.from;
        EXPECT_EQ(path, c.path) << c.reference << " from " << c.from;
    }
    std::vector<std::string> names;
    EXPECT_EQ(ReferenceNames("./Ocean\\x\\..\\wave.swf", &names), F::None);
    EXPECT_EQ(names, (std::vector<std::string>{"Ocean", "wave.swf"}));
}

TEST(ResolveInsideFolder, FromCannotLendAWayOut) {
    const struct {
        const char* reference;
        const char* from;
        ReferenceFault fault;
    } cases[] = {
        {"..\\..\\secret.swf", "Ocean", F::Outside},
        {"..\\..\\..\\secret.swf", "Ocean\\deep", F::Outside},
        {"C:\\secret.swf", "Ocean", F::Outside},
        {"\\secret.swf", "Ocean", F::Outside},
        {"wave.swf", "..", F::Outside},
        {"wave.swf", "C:\\elsewhere", F::Outside},
        {"wave.swf", "CON", F::Device},
        {"..", "Ocean", F::NoFile},
    };
    for (const auto& c : cases) {
        std::string path;
        EXPECT_EQ(ResolveInsideFolder("base", c.reference, &path, c.from), c.fault)
            << c.reference << " from " << c.from;
        EXPECT_EQ(path, "");
    }
}

} // namespace
} // namespace ww
