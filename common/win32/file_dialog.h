// Every file and colour dialog of the Windows programs goes through these
// helpers, so a test running the real windows can see each request and
// choose the answer, as it does for the message boxes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace ww {

enum class FileDialogKind { Open, Save };

// OPENFILENAME's sizes in a 32-bit program: whole, and before Windows 2000.
constexpr DWORD kFullFileDialogSize = 88;
constexpr DWORD kOldFileDialogSize = 76;

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    HWND owner = nullptr;
    // As the program states them: "*.swf", and "*.swf" or a folder + "*.bmp".
    std::string defaultExtension;
    std::string initialFileName;
    // Description and pattern pairs separated by bars, "Flash Files(*.swf)|*.swf||".
    std::string filter;
    // OFN_ flags; OFN_EXPLORER is always added.
    DWORD flags = 0;
    // lStructSize as the 32-bit structure has it; the builder passes
    // FileDialogStructSize. DialogStructSize maps it onto this build's.
    DWORD structSize = kFullFileDialogSize;
    // Characters the dialog may fill with the chosen name or names.
    size_t bufferSize = MAX_PATH;
};

// Fills *paths with the full paths chosen, in the dialog's order; false when
// the author cancels.
using FileDialogAnswerer =
    std::function<bool(const FileDialogRequest& request, std::vector<std::string>* paths)>;

bool ShowFileDialog(const FileDialogRequest& request, std::vector<std::string>* paths);
// The structure size the dialog is given for a size stated as the 32-bit
// structure has it: 76, the size before Windows 2000, gives that older form
// of this build's structure, anything else the whole structure. A 64-bit
// program's structure is larger, and the dialog refuses the 32-bit numbers.
DWORD DialogStructSize(DWORD stated);
// The single-choice form: the first path chosen.
bool ShowFileDialog(const FileDialogRequest& request, std::string* path);
// Installs an answerer for this process (tests); empty restores the real dialogs.
void SetFileDialogAnswerer(FileDialogAnswerer answerer);

struct ColourDialogRequest {
    HWND owner = nullptr;
    COLORREF initial = RGB(255, 255, 255);
    // CC_ flags; CC_RGBINIT is always added.
    DWORD flags = 0;
};

using ColourDialogAnswerer =
    std::function<bool(const ColourDialogRequest& request, COLORREF* chosen)>;

bool ShowColourDialog(const ColourDialogRequest& request, COLORREF* chosen);
void SetColourDialogAnswerer(ColourDialogAnswerer answerer);

// The dialog's form of a bar-separated filter: every bar a NUL, ending in two.
std::string DialogFilter(const std::string& barSeparated);
// The extension the system appends: the text after a leading "*." ("*.swf" gives "swf").
std::string DialogDefaultExtension(const std::string& defaultExtension);
// The names the dialog wrote into buffer: one full path, or (several chosen)
// the folder followed by one name per string, ending in an empty string.
// Reads nothing past size characters.
std::vector<std::string> ChosenPaths(const char* buffer, size_t size);

} // namespace ww
