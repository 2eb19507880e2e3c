// Runs the builder's real main window inside the test process: every message
// box and file or colour dialog is answered here and remembered, the window's
// messages are pumped through the window's own loop step, and buttons, menus,
// lists and typing reach it as real window messages.
#pragma once

#include "builder/project/workspace.h"
#include "builder/ui/builder_window.h"
#include "common/win32/file_dialog.h"
#include "tests/support/temp_dir.h"

#include <windows.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace ww::test {

struct SeenMessageBox {
    std::string text;
    std::string title;
    UINT flags = 0;
    UINT icon() const { return flags & MB_ICONMASK; }
    UINT buttons() const { return flags & MB_TYPEMASK; }
};

struct FileReply {
    bool ok = false;
    std::vector<std::string> paths;
};

// Answers boxes and dialogs for as long as it lives.
class DialogAnswers {
  public:
    DialogAnswers();
    ~DialogAnswers();
    DialogAnswers(const DialogAnswers&) = delete;
    DialogAnswers& operator=(const DialogAnswers&) = delete;

    // The next boxes get these answers in turn; after them, OK or No.
    void AnswerBoxes(const std::vector<int>& answers);
    void ChooseFile(const std::string& path) { fileReplies.push_back({true, {path}}); }
    void ChooseFiles(const std::vector<std::string>& paths) {
        fileReplies.push_back({true, paths});
    }
    void CancelFileDialog() { fileReplies.push_back({false, {}}); }
    void ChooseColour(COLORREF colour) { colourReplies.push_back(colour); }

    // Everything seen so far, and forgetting it.
    std::vector<SeenMessageBox> boxes;
    std::vector<FileDialogRequest> fileRequests;
    std::vector<ColourDialogRequest> colourRequests;
    void Forget();
    std::vector<std::string> BoxTexts() const;

    std::deque<int> boxAnswers;
    std::deque<FileReply> fileReplies;
    std::deque<COLORREF> colourReplies;
};

// Hands every waiting message of this thread to the window's loop step;
// true when a quit message was among them.
bool PumpMessages(BuilderWindow* window);

// The builder's main window over a fresh builder folder.
class BuilderUnderTest {
  public:
    explicit BuilderUnderTest(const std::string& projectPath = "");
    ~BuilderUnderTest();

    BuilderWindow& window() { return *window_; }
    HWND main() const { return window_->hwnd(); }
    const TempDir& folder() const { return folder_; }
    DialogAnswers& answers() { return answers_; }
    // True once the window has asked the loop to end.
    bool quitPosted() const { return quitPosted_; }

    void Pump();
    // A click on a button of the main window or of a page, as the mouse gives it.
    void Click(HWND dialog, int id);
    void ClickMain(int id) { Click(main(), id); }
    void Menu(int command);
    // Replaces the text of an edit box by typing: select all, backspace, characters.
    void Type(HWND dialog, int id, const std::string& text);
    // Sends one key press (down and up) to a control through the loop.
    void PressKey(HWND control, WPARAM key);
    // Picks a list entry as a person does: the selection, then its notification.
    void PickListEntry(HWND dialog, int id, int index);

    std::string Title() const;
    std::string Text(HWND dialog, int id) const;
    bool Enabled(HWND dialog, int id) const;
    bool Visible(HWND window) const;
    bool ReadOnly(HWND dialog, int id) const;
    // Which page is showing, 1 to 4; 0 when none or several.
    int ShownPage() const;
    // The menu item's check mark after the menu bar is activated.
    bool MenuChecked(int command);

    HWND info() const { return window_->informationPage.hwnd(); }
    HWND setting() const { return window_->settingPage.hwnd(); }
    HWND installer() const { return window_->installerPage.hwnd(); }
    HWND build() const { return window_->buildPage.hwnd(); }

  private:
    TempDir folder_;
    DialogAnswers answers_;
    std::unique_ptr<BuilderWindow> window_;
    bool quitPosted_ = false;
};

// Destroys a top-level window without first hiding it: under Wine with no
// window manager, every hide waits two seconds for a state change that never
// comes.
void DestroyTopWindow(HWND window);

// Saves what a window shows as a 24-bit bitmap under the build tree's
// ui-screenshots folder; the path written, empty on failure.
std::string SaveScreenshot(HWND window, const std::string& name);
// The colour of one pixel of what a window shows, client coordinates.
COLORREF ClientPixel(HWND window, int x, int y);

} // namespace ww::test
