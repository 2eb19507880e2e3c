#include "tests/support/cli_runner.h"

#include "common/fs.h"
#include "common/path.h"
#include "tests/support/fixtures.h"

#include <algorithm>
#include <cstdlib>
#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace ww::test {

namespace {

std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

} // namespace

CliResult RunCli(const TempDir& dir, const std::vector<std::string>& args) {
    std::string command = Quoted(FolderOfPath(ModuleFilePath()) + "wallweaver-cli");
    for (const std::string& a : args)
        command += " " + Quoted(a);
    command += " > " + Quoted(dir / "out.txt") + " 2> " + Quoted(dir / "err.txt");
#ifdef _WIN32
    // cmd.exe drops the outer pair of quotes of a command that starts with one.
    command = "\"" + command + "\"";
#else
    // A command that would wait for ever (on a pipe, say) fails the test instead.
    command = "timeout 60 " + command;
#endif
    int status = std::system(command.c_str());
#ifndef _WIN32
    status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    CliResult run{status, ReadFileText(dir / "out.txt"), ReadFileText(dir / "err.txt")};
    for (std::string* text : {&run.out, &run.err})
        text->erase(std::remove(text->begin(), text->end(), '\r'), text->end());
    RemoveFile(dir / "out.txt");
    RemoveFile(dir / "err.txt");
    return run;
}

} // namespace ww::test
