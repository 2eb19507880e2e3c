// conformance_runner: draws the corpus's image tests and plays its trace
// tests, and reports how many pass (pictures by the suite's rule and by ours,
// trace logs when they match exactly).
//
//   conformance_runner --corpus DIR [--write-passing FILE] [--save-pictures DIR] [NAME...]
//   conformance_runner --corpus DIR --listed FILE
//
// The first form runs every image test (or the named ones) and prints the
// report; it exits 0 whatever passes. The second re-runs the tests FILE lists
// and exits 1 when one of them no longer passes by our rule, 77 (a skip to
// CTest) when the corpus is not there.
#include "tests/conformance/suite_run.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace {

using namespace ww::conformance;

constexpr int kExitRegression = 1;
constexpr int kExitUsage = 2;
constexpr int kExitSkip = 77;

struct Arguments {
    std::string corpus;
    std::string listed;
    std::string writePassing;
    RunSettings settings;
    std::vector<std::string> names;
};

bool ParseArguments(int argc, char** argv, Arguments* a) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string* value = arg == "--corpus"          ? &a->corpus
                             : arg == "--listed"        ? &a->listed
                             : arg == "--write-passing" ? &a->writePassing
                             : arg == "--save-pictures" ? &a->settings.saveFolder
                                                        : nullptr;
        if (value) {
            if (i + 1 >= argc)
                return false;
            *value = argv[++i];
        } else if (arg.rfind("--", 0) == 0) {
            return false;
        } else {
            a->names.push_back(arg);
        }
    }
    return !a->corpus.empty() &&
           (a->listed.empty() || (a->writePassing.empty() && a->names.empty()));
}

bool ReadListed(const std::string& path, std::vector<std::string>* names) {
    std::ifstream in(path);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (!line.empty() && line[0] != '#')
            names->push_back(line);
    }
    return true;
}

bool WritePassing(const std::string& path, const std::vector<CaseResult>& results) {
    std::vector<std::string> names;
    for (const CaseResult& r : results) {
        if ((r.kind == CaseKind::Image || r.kind == CaseKind::Trace) && r.ourPass)
            names.push_back(r.name);
    }
    std::sort(names.begin(), names.end());
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        for (const std::string& name : names)
            out << name << '\n';
        if (!out.flush())
            return false;
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    return !ec;
}

struct Tally {
    int tests = 0, suitePass = 0, ourPass = 0, knownFailures = 0;

    void Add(const CaseResult& r) {
        ++tests;
        suitePass += r.suitePass;
        ourPass += r.ourPass;
        knownFailures += r.knownFailure;
    }
};

void PrintFailures(const char* title, const std::vector<CaseResult>& results, bool as3,
                   CaseKind kind) {
    std::vector<const CaseResult*> failures;
    for (const CaseResult& r : results) {
        if (r.kind == kind && r.actionScript3 == as3 && !(r.suitePass && r.ourPass))
            failures.push_back(&r);
    }
    std::printf("\n%s (%zu):\n", title, failures.size());
    for (const CaseResult* r : failures) {
        std::printf("  %s: %s%s\n", r->name.c_str(), r->reason.c_str(),
                    r->knownFailure ? " [known failure]" : "");
    }
}

void PrintReport(const std::string& corpus, const std::vector<CaseResult>& results) {
    Tally plain, as3, tracePlain, traceAs3;
    int others = 0;
    for (const CaseResult& r : results) {
        if (r.kind == CaseKind::Image)
            (r.actionScript3 ? as3 : plain).Add(r);
        else if (r.kind == CaseKind::Trace)
            (r.actionScript3 ? traceAs3 : tracePlain).Add(r);
        else
            ++others;
    }
    std::printf("Conformance of %s: %d image tests\n", corpus.c_str(), plain.tests + as3.tests);
    const char* row = "%-36s %4d of %-4d %11d of %d\n";
    std::printf("%-36s %s   %s\n", "", "suite's rule", "ours (95 % within +-16)");
    std::printf(row, "movies without ActionScript 3", plain.suitePass, plain.tests, plain.ourPass,
                plain.tests);
    std::printf(row, "movies with ActionScript 3 (apart)", as3.suitePass, as3.tests, as3.ourPass,
                as3.tests);
    std::printf("known failures of the suite's own player among them: %d\n",
                plain.knownFailures + as3.knownFailures);
    std::printf("\n%d trace tests (the log of trace() compared line by line)\n",
                tracePlain.tests + traceAs3.tests);
    std::printf("%-36s %4d of %d\n", "movies without ActionScript 3", tracePlain.ourPass,
                tracePlain.tests);
    std::printf("%-36s %4d of %d\n", "movies with ActionScript 3 (apart)", traceAs3.ourPass,
                traceAs3.tests);
    if (others)
        std::printf("not run: neither pictures nor a trace log: %d tests\n", others);
    PrintFailures("Failures", results, false, CaseKind::Image);
    PrintFailures("Failures of movies with ActionScript 3", results, true, CaseKind::Image);
    PrintFailures("Trace failures", results, false, CaseKind::Trace);
    PrintFailures("Trace failures of movies with ActionScript 3", results, true, CaseKind::Trace);
}

// Re-runs the listed tests; any that no longer passes by our rule fails.
int CheckListed(const Arguments& a) {
    std::vector<std::string> names;
    if (!ReadListed(a.listed, &names)) {
        std::fprintf(stderr, "cannot read %s\n", a.listed.c_str());
        return kExitUsage;
    }
    int failed = 0;
    for (const std::string& name : names) {
        std::error_code ec;
        const bool present = std::filesystem::is_regular_file(
            std::filesystem::path(a.corpus) / name / "test.toml", ec);
        const CaseResult r = present ? RunSuiteCase(a.corpus, name, a.settings) : CaseResult();
        if (present && (r.kind == CaseKind::Image || r.kind == CaseKind::Trace) && r.ourPass)
            continue;
        ++failed;
        std::printf("no longer passes: %s: %s\n", name.c_str(),
                    present ? r.reason.c_str() : "not in the corpus");
    }
    std::printf("%zu of %zu listed conformance tests pass\n", names.size() - failed, names.size());
    return failed ? kExitRegression : 0;
}

int RunAll(const Arguments& a) {
    const std::vector<std::string> names = a.names.empty() ? FindSuiteFolders(a.corpus) : a.names;
    std::vector<CaseResult> results;
    results.reserve(names.size());
    for (const std::string& name : names)
        results.push_back(RunSuiteCase(a.corpus, name, a.settings));
    PrintReport(a.corpus, results);
    if (!a.writePassing.empty()) {
        if (!WritePassing(a.writePassing, results)) {
            std::fprintf(stderr, "cannot write %s\n", a.writePassing.c_str());
            return kExitUsage;
        }
        std::printf("\nwrote %s\n", a.writePassing.c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Arguments a;
    if (!ParseArguments(argc, argv, &a)) {
        std::fprintf(stderr,
                     "usage: %s --corpus DIR [--write-passing FILE] [--save-pictures DIR] "
                     "[NAME...]\n       %s --corpus DIR --listed FILE\n",
                     argv[0], argv[0]);
        return kExitUsage;
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(a.corpus, ec)) {
        std::printf("No conformance corpus at %s: nothing to run.\n", a.corpus.c_str());
        return a.listed.empty() ? 0 : kExitSkip;
    }
    if (!a.settings.saveFolder.empty() &&
        !std::filesystem::create_directories(a.settings.saveFolder, ec) && ec) {
        std::fprintf(stderr, "cannot make %s\n", a.settings.saveFolder.c_str());
        return kExitUsage;
    }
    return a.listed.empty() ? RunAll(a) : CheckListed(a);
}
