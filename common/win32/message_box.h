// Every message box of the Windows programs goes through ShowMessageBox, so a
// test running the real windows can see each box and choose its answer.
#pragma once

#include <windows.h>

#include <string>

namespace ww {

// Answers a box instead of showing it: gets the owner, text, title and MB_
// flags, returns the button id (IDOK, IDYES, ...).
using MessageBoxAnswerer = int (*)(HWND owner, const std::string& text, const std::string& title,
                                   UINT flags);

int ShowMessageBox(HWND owner, const std::string& text, const std::string& title, UINT flags);
// Installs an answerer for this process (tests); null restores the real boxes.
void SetMessageBoxAnswerer(MessageBoxAnswerer answerer);

} // namespace ww
