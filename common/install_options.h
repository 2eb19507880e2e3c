// The installers' command line: Wovenset.exe and Wovenlite.exe take the
// switches that deployment tools pass to installers.
//   /S          install without any window
//   /LOG=FILE   write one line per file written to FILE
//   /WALLPAPER  with /S, start the live wallpaper (an unattended install
//               starts nothing unless asked)
// Switches are matched without regard to case; a value may be quoted.
// Switches written together without a blank are read one by one
// ("/S/LOG=C:\install.log"); the log file's name runs to the end of its
// word, so "/LOG=C:/logs/a.txt/S" names a file and is not silent.
#pragma once

#include <string>
#include <vector>

namespace ww {

// The exit codes of an unattended install, the same for both installers.
enum SilentExitCode {
    kInstalled = 0,
    kNotASetupFile = 1,  // the program carries no package its reader accepts
    kNoDestination = 2,  // the wallpaper's folder cannot be made
    kCannotWrite = 3,    // a file of the package cannot be written
    kCannotWriteLog = 4, // the log file cannot be created; nothing is installed
    kNameNotHeld = 5,    // a name this system's code page cannot hold; nothing is installed
};

struct InstallOptions {
    bool silent = false;
    bool wallpaper = false;
    std::string logFile;
    // Words that are no switch of ours, in order; the installers ignore them.
    std::vector<std::string> unknown;
};

// The words of a command line as the C runtime splits them: blanks separate,
// double quotes group and are dropped, \" is a quote inside a word.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
// The options of the arguments after the program name.
InstallOptions ParseInstallOptions(const std::string& arguments);

} // namespace ww
