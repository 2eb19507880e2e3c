#include "common/win32/message_box.h"
#include "common/bytes.h"

#include <cstdio>
#include <cstdlib>

namespace ww {

namespace {

MessageBoxAnswerer gAnswerer = nullptr;

// Tests that drive a program from outside cannot see which icon a box shows;
// with WALLWEAVER_BOX_LOG set, each box's flags, title and text are appended
// to that file as a line before the box appears.
void LogBox(const std::string& text, const std::string& title, UINT flags) {
    const char* log = std::getenv("WALLWEAVER_BOX_LOG");
    if (!log || !*log)
        return;
    const std::string line = "0x" + HexDigits(flags, 8) + "\t" + title + "\t" + text + "\n";
    if (FILE* f = std::fopen(log, "ab")) {
        std::fwrite(line.data(), 1, line.size(), f);
        std::fclose(f);
    }
}

} // namespace

int ShowMessageBox(HWND owner, const std::string& text, const std::string& title, UINT flags) {
    if (gAnswerer)
        return gAnswerer(owner, text, title, flags);
    LogBox(text, title, flags);
    // A box owned by a window that has gone (or by another program's) would
    // hang on to what the window system no longer has: no owner then.
    DWORD ownerProcess = 0;
    if (owner && (!IsWindow(owner) || !GetWindowThreadProcessId(owner, &ownerProcess) ||
                  ownerProcess != GetCurrentProcessId()))
        owner = nullptr;
    return MessageBoxA(owner, text.c_str(), title.c_str(), flags);
}

void SetMessageBoxAnswerer(MessageBoxAnswerer answerer) {
    gAnswerer = answerer;
}

} // namespace ww
