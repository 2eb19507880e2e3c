// Drives real windows of another process as a person would: waits for a
// window or message box, reads its texts, presses its buttons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ww::test {

class ChildProcess {
  public:
    ~ChildProcess();
    // Starts exe with a command line built from args (each quoted).
    bool Start(const std::string& exe, const std::vector<std::string>& args = {},
               const std::string& workingFolder = "");
    // Waits for the process to end; false on time-out. *exitCode when it ended.
    bool Wait(DWORD timeoutMs, DWORD* exitCode = nullptr);
    void Kill();
    DWORD pid() const { return pi_.dwProcessId; }

  private:
    PROCESS_INFORMATION pi_{};
};

struct WindowInfo {
    HWND hwnd = nullptr;
    std::string className;
    std::string title;
};

// Visible top-level windows of a process.
std::vector<WindowInfo> TopWindowsOf(DWORD pid);
// Waits for a visible top-level window of pid whose title is title (any
// title when empty); null on time-out or when the process ended.
HWND WaitForWindow(DWORD pid, const std::string& title, DWORD timeoutMs);
std::string WindowText(HWND hwnd);
std::string ClassNameOf(HWND hwnd);
bool IsMessageBox(HWND hwnd);
// The message text of a message box.
std::string MessageBoxText(HWND box);
// The flags each box was shown with, from the box log of a program started
// with BoxLog set (see ShowMessageBox): one entry per box, in order.
struct LoggedBox {
    UINT flags = 0;
    std::string title;
    std::string text;
};
class BoxLog {
  public:
    // Sets WALLWEAVER_BOX_LOG for the programs this process starts from now on.
    explicit BoxLog(const std::string& path);
    ~BoxLog();
    std::vector<LoggedBox> Read() const;

  private:
    std::string path_;
};
// Clicks a button of a dialog as the mouse would.
void PressButton(HWND dialog, int id);

// The next message box of pid with the given title: its text is returned
// (empty with found false on time-out), then button is pressed and the box
// waited away, so the following call sees the box after it.
struct SeenBox {
    bool found = false;
    std::string text;
};
SeenBox AnswerNextBox(DWORD pid, const std::string& title, int button, DWORD timeoutMs = 30000);

// The first window below root (children, grandchildren...) with control id
// id; pages that are child dialogs are searched too. Null when none.
HWND FindControl(HWND root, int id);
// A control's text through WM_GETTEXT, which also reaches the current text
// of another process's edit boxes.
std::string ControlText(HWND control);
// Clicks a check box or button itself (BM_CLICK), as the mouse would, and
// waits until the program has handled it.
void ClickControl(HWND control);
bool IsCheckedBox(HWND checkBox);
// A visible top-level window of any process with this title; null on
// time-out. *pid gets its process.
HWND WaitForAnyWindow(const std::string& title, DWORD timeoutMs, DWORD* pid = nullptr);
// Saves what the screen shows of a window as a 24-bit BMP file, for a person
// to look at; the window is brought to the front first.
bool SaveWindowImage(HWND hwnd, const std::string& bmpPath);

} // namespace ww::test
