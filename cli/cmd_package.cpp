// list and extract: look into an installer the builder made, and install it
// into a folder of your choosing exactly as the installer would.
#include "builder/project/workspace.h"
#include "cli/commands.h"
#include "common/fs.h"
#include "common/package_reader.h"
#include "common/path.h"

#include <cstdio>
#include <memory>
#include <string>

namespace ww::cli {

namespace {

struct PackageOptions {
    std::string package;
    std::string folder;
};

enum class Kind { None, Setup, Simple };

// Where the installers put the files, under the Windows folder.
const std::string kInstallRoot = "Web\\Wallpaper\\";

// Which package an executable carries, opened in the matching reader.
Kind OpenPackage(const std::string& path, SetupPackageReader* setup, SimplePackageReader* simple) {
    if (!FileExists(path)) {
        Fail("No such file: " + path);
        return Kind::None;
    }
    // A pipe or a device would never end, or never answer.
    if (!IsRegularFile(path)) {
        Fail(path + ": " + DescribePackageError(PackageError::CannotOpen));
        return Kind::None;
    }
    if (HasPackageMarker(path, kSetupMarker)) {
        if (setup->Open(path))
            return Kind::Setup;
        Fail(path + ": " + setup->refusal());
        return Kind::None;
    }
    if (HasPackageMarker(path, kSimpleMarker)) {
        if (simple->Open(path) && !simple->header().wallpaperName.empty())
            return Kind::Simple;
        Fail(path + ": " +
             (simple->error() == PackageError::None ? DescribePackageError(PackageError::NoName)
                                                    : simple->refusal()));
        return Kind::None;
    }
    Fail(path + ": the file carries no Wallweaver package");
    return Kind::None;
}

// What a reader said about a failed extraction, after the failure itself.
std::string Detail(const std::string& failure) {
    return failure.empty() ? std::string() : ": " + failure;
}

void PrintFile(uint32_t size, const std::string& name, const std::string& where) {
    std::printf("%10lu  %s  -> %s\n", static_cast<unsigned long>(size), name.c_str(),
                where.c_str());
}

void List(const PackageOptions& o) {
    SetupPackageReader setup;
    SimplePackageReader simple;
    switch (OpenPackage(o.package, &setup, &simple)) {
    case Kind::None:
        return;
    case Kind::Setup: {
        const SetupTrailer& t = setup.trailer();
        const std::string folder = kInstallRoot + t.wallpaperName + "\\";
        std::printf("setup package\nwallpaper: %s\n", t.wallpaperName.c_str());
        for (int k = 1; k <= kSetupSlotCount; ++k)
            PrintFile(t.slot(k).size, t.slot(k).name, k == kSlotPage ? kInstallRoot : folder);
        for (const PackageEntry& e : setup.entries())
            PrintFile(e.size, e.name, folder);
        return;
    }
    case Kind::Simple: {
        const SimpleHeader& h = simple.header();
        const std::string folder = kInstallRoot + h.wallpaperName + "\\";
        std::printf("simple package\nwallpaper: %s\n", h.wallpaperName.c_str());
        PrintFile(h.page.size, h.page.name, kInstallRoot);
        PrintFile(h.movie.size, h.movie.name, folder);
        PrintFile(h.image.size, h.image.name, folder);
        for (const PackageEntry& e : simple.entries())
            PrintFile(e.size, e.name, folder);
        return;
    }
    }
}

// Installs into o.folder; false when it failed, with the reason told.
bool ExtractInto(const PackageOptions& o, SetupPackageReader& setup, SimplePackageReader& simple,
                 Kind kind) {
    switch (kind) {
    case Kind::None:
        return false;
    case Kind::Setup: {
        std::string destination = JoinPath(o.folder, setup.trailer().wallpaperName);
        const bool created = !IsExistingFolder(destination);
        // A name Windows cannot give a folder fails here as it does there.
        if (created && (HasCharacterWindowsRefuses(setup.trailer().wallpaperName) ||
                        !CreateFolder(destination))) {
            Fail("Cannot create the folder " + destination);
            return false;
        }
        if (!setup.ExtractAll(destination, nullptr)) {
            // A package refused before its first byte leaves nothing behind.
            if (created)
                RemoveEmptyFolder(destination);
            Fail("Cannot write the files into " + destination + Detail(setup.failure()));
            return false;
        }
        std::printf("installed into %s\n", destination.c_str());
        return true;
    }
    case Kind::Simple:
        switch (simple.ExtractPackage(o.folder, nullptr)) {
        case SimplePackageReader::ExtractResult::Ok:
            std::printf("installed into %s\n",
                        JoinPath(o.folder, simple.header().wallpaperName).c_str());
            return true;
        case SimplePackageReader::ExtractResult::FolderNotCreated:
            Fail("Cannot create the folder " + JoinPath(o.folder, simple.header().wallpaperName));
            return false;
        case SimplePackageReader::ExtractResult::Failed:
            Fail("Cannot write the files into " + o.folder + Detail(simple.failure()));
            return false;
        }
    }
    return false;
}

void Extract(const PackageOptions& o) {
    SetupPackageReader setup;
    SimplePackageReader simple;
    const Kind kind = OpenPackage(o.package, &setup, &simple);
    if (kind == Kind::None)
        return;
    // The folder is made when missing, as mkdir would (its parent must
    // exist), and taken away again when nothing could be installed into it.
    const bool created = !IsExistingFolder(o.folder);
    if (created && !CreateFolder(o.folder)) {
        Fail("Cannot create the folder " + o.folder);
        return;
    }
    if (!ExtractInto(o, setup, simple, kind) && created)
        RemoveEmptyFolder(o.folder);
}

void RegisterPackageCommands(CLI::App& app) {
    auto list = std::make_shared<PackageOptions>();
    CLI::App* cmd = app.add_subcommand("list", "List the files an installer carries");
    cmd->add_option("package", list->package, "an installer built by Wallweaver")->required();
    cmd->callback([list]() { List(*list); });

    auto extract = std::make_shared<PackageOptions>();
    cmd = app.add_subcommand("extract", "Install an installer's files into a folder");
    cmd->add_option("package", extract->package, "an installer built by Wallweaver")->required();
    cmd->add_option("folder", extract->folder, "where to install (the page lands here)")
        ->required();
    cmd->callback([extract]() { Extract(*extract); });
}

CommandRegistrar registrar(&RegisterPackageCommands);

} // namespace

} // namespace ww::cli
