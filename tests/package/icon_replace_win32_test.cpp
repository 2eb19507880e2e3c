// Under Wine: the system's resource-update body and ours leave the same
// resources, and the stubs still run, and find a package appended afterwards.
#include "builder/package/icon_replace.h"

#include "common/player_tail.h"
#include "tests/package/icon_cases.h"
#include "tests/support/fixtures.h"
#include "tests/support/icon_writer.h"
#include "tests/support/package_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32_driver.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <map>

namespace ww {
namespace {

using test::Bytes;
using test::TempDir;

class Module {
  public:
    explicit Module(const std::string& path)
        : h_(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~Module() {
        if (h_)
            FreeLibrary(h_);
    }
    HMODULE get() const { return h_; }

  private:
    HMODULE h_;
};

Bytes ResourceBytes(HMODULE m, LPCSTR type, LPCSTR name, WORD language) {
    HRSRC found = FindResourceExA(m, type, name, language);
    HGLOBAL loaded = found ? LoadResource(m, found) : nullptr;
    const uint8_t* p = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    return p ? Bytes(p, p + SizeofResource(m, found)) : Bytes();
}

using Groups = std::map<std::string, Bytes>;

BOOL CALLBACK OnLanguage(HMODULE m, LPCSTR type, LPCSTR name, WORD language, LONG_PTR param) {
    std::string key = (IS_INTRESOURCE(name) ? std::to_string(LOWORD(ULONG_PTR(name))) : name) +
                      "/" + std::to_string(language);
    (*reinterpret_cast<Groups*>(param))[key] = ResourceBytes(m, type, name, language);
    return TRUE;
}

BOOL CALLBACK OnName(HMODULE m, LPCSTR type, LPSTR name, LONG_PTR param) {
    EnumResourceLanguagesA(m, type, name, OnLanguage, param);
    return TRUE;
}

Groups IconGroupsOf(HMODULE m) {
    Groups groups;
    EnumResourceNamesA(m, RT_GROUP_ICON, OnName, reinterpret_cast<LONG_PTR>(&groups));
    return groups;
}

TEST(IconBodies, SystemAndOursLeaveTheSameResources) {
    const std::string stubs = test::StubFolder();
    ASSERT_FALSE(stubs.empty());
    TempDir dir;
    for (const char* name : test::kStubNames) {
        for (const test::IconCase& c : test::IconCases()) {
            SCOPED_TRACE(std::string(name) + ", " + c.label);
            const Bytes stub = test::ReadFileBytes(stubs + name);
            test::WriteFileBytes(dir / "system.exe", stub);
            test::WriteFileBytes(dir / "ours.exe", stub);
            test::WriteFileBytes(dir / "icon.ico", test::MakeIcon(c.images));
            ASSERT_EQ(ReplaceExecutableIcon(dir / "system.exe", dir / "icon.ico", 0), 1);
            ASSERT_EQ(ReplaceExecutableIconPortable(dir / "ours.exe", dir / "icon.ico", 0), 1);
            {
                Module system(dir / "system.exe"), ours(dir / "ours.exe");
                ASSERT_TRUE(system.get() && ours.get());
                const Bytes icon = ResourceBytes(system.get(), RT_ICON, MAKEINTRESOURCEA(1), 1033);
                EXPECT_EQ(icon, c.images[0].bytes);
                EXPECT_EQ(ResourceBytes(ours.get(), RT_ICON, MAKEINTRESOURCEA(1), 1033), icon);
                const Groups groups = IconGroupsOf(system.get());
                EXPECT_FALSE(groups.empty());
                EXPECT_EQ(IconGroupsOf(ours.get()), groups);
            }
            // Read by our parser too, the system's result changed nothing else.
            test::ExpectOnlyTheIconChanged(test::ResourcesOf(stubs + name),
                                           test::ResourcesOf(dir / "system.exe"), c.images[0]);
        }
    }
}

// The first thing a program shows: a window's title and text, or that it
// ended without one.
std::string FirstSight(const std::string& exe) {
    test::ChildProcess child;
    if (!child.Start(exe))
        return "not started";
    HWND w = test::WaitForWindow(child.pid(), "", 20000);
    std::string seen = "ended without a window";
    if (w)
        seen = test::WindowText(w) + ": " +
               (test::IsMessageBox(w) ? test::MessageBoxText(w) : test::ClassNameOf(w));
    child.Kill();
    child.Wait(10000);
    return seen;
}

Bytes WithPackage(const std::string& stubName, const Bytes& stub) {
    if (stubName == "Wovenset.exe") {
        test::SetupPackageRecipe recipe = test::SampleSetupRecipe();
        recipe.stub = stub;
        return test::MakeSetupPackage(recipe);
    }
    if (stubName == "Wovenlite.exe") {
        test::SimplePackageRecipe recipe = test::SampleSimpleRecipe();
        recipe.stub = stub;
        return test::MakeSimplePackage(recipe);
    }
    PlayerSettings settings;
    settings.pageName = "Ocean.htm";
    settings.wallpaperName = "Ocean";
    Bytes out = stub;
    out.resize(stub.size() + kPlayerTailSize);
    WritePlayerTail(settings, out.data() + stub.size());
    return out;
}

TEST(IconBodies, StubsRunAsBeforeAndFindAPackageAppendedAfterwards) {
    const std::string stubs = test::StubFolder();
    ASSERT_FALSE(stubs.empty());
    TempDir dir;
    test::WriteFileBytes(dir / "icon.ico", test::MakeIcon(test::IconCases()[2].images));
    for (const std::string name : {"Wovenset.exe", "Wovenlite.exe", "Wovenplay.exe"}) {
        const Bytes original = test::ReadFileBytes(stubs + name);
        test::WriteFileBytes(dir / "replaced.exe", original);
        ASSERT_EQ(ReplaceExecutableIcon(dir / "replaced.exe", dir / "icon.ico", 0), 1);
        const Bytes replaced = test::ReadFileBytes(dir / "replaced.exe");
        // Both copies run under one name, as the box texts may show it.
        const std::string exe = dir / name;
        for (bool packaged : {false, true}) {
            SCOPED_TRACE(name + (packaged ? " with a package" : " bare"));
            test::WriteFileBytes(exe, packaged ? WithPackage(name, original) : original);
            const std::string before = FirstSight(exe);
            EXPECT_NE(before.find(": "), std::string::npos) << before; // a window was seen
            test::WriteFileBytes(exe, packaged ? WithPackage(name, replaced) : replaced);
            EXPECT_EQ(FirstSight(exe), before);
            if (name == "Wovenlite.exe") {
                EXPECT_EQ(before, packaged ? "Setup: Do you want to install Ocean?"
                                           : "Setup: This file is not a standard setup file!");
            }
        }
    }
}

} // namespace
} // namespace ww
