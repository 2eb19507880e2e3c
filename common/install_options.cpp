#include "common/install_options.h"

#include "common/path.h"

namespace ww {

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (size_t i = 0; i < commandLine.size(); ++i) {
        const char c = commandLine[i];
        if (c == '\\' && i + 1 < commandLine.size() && commandLine[i + 1] == '"') {
            word += '"';
            inWord = true;
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

InstallOptions ParseInstallOptions(const std::string& arguments) {
    InstallOptions options;
    for (const std::string& word : SplitCommandLine(arguments)) {
        const std::string lower = ToLowerAscii(word);
        if (lower == "/s")
            options.silent = true;
        else if (lower.rfind("/log=", 0) == 0 && word.size() > 5)
            options.logFile = word.substr(5);
        else
            options.unknown.push_back(word);
    }
    return options;
}

} // namespace ww
