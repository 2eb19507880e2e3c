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

namespace {

// Takes the switches of one word: several may be written together
// ("/S/LOG=C:\install.log"). The log's name is the rest of the word, slashes
// and all, since a path may be written with them; a word that is no switch
// of ours from some point on is kept, from there, as a stranger.
void ReadSwitches(const std::string& word, InstallOptions* options) {
    size_t at = 0;
    while (at < word.size()) {
        const std::string rest = ToLowerAscii(word.substr(at));
        if (rest.rfind("/log=", 0) == 0 && rest.size() > 5) {
            options->logFile = word.substr(at + 5);
            return;
        }
        if (rest == "/wallpaper" || rest.rfind("/wallpaper/", 0) == 0) {
            options->wallpaper = true;
            at += 10;
            continue;
        }
        if (rest == "/s" || rest.rfind("/s/", 0) == 0) {
            options->silent = true;
            at += 2;
            continue;
        }
        options->unknown.push_back(word.substr(at));
        return;
    }
}

} // namespace

InstallOptions ParseInstallOptions(const std::string& arguments) {
    InstallOptions options;
    for (const std::string& word : SplitCommandLine(arguments))
        ReadSwitches(word, &options);
    return options;
}

} // namespace ww
