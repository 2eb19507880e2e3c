// What the four wizard pages share: creation as a child of the main window,
// ShowPage, the change notification, the keyboard filter, and the tooltips.
#pragma once

#include "builder/project/project.h"
#include "common/win32/dialog.h"

#include <windows.h>

#include <vector>

namespace ww {

// One tooltip per control, each owned by its control, with its text from the
// string table.
class PageTooltips {
  public:
    struct Tip {
        int controlId;
        int stringId;
    };

    PageTooltips() = default;
    ~PageTooltips();
    PageTooltips(const PageTooltips&) = delete;
    PageTooltips& operator=(const PageTooltips&) = delete;

    // Creates the tooltips in the order given; the texts come later
    // (LPSTR_TEXTCALLBACK) until Refresh sets them.
    void Create(HWND page, const std::vector<Tip>& tips);
    // Hands a message of the page to every tooltip.
    void Relay(const MSG& message) const;
    // Loads every text from the string table and sets it again.
    void Refresh() const;
    // A tooltip's request for its text (TTN_GETDISPINFO); true when answered.
    bool AnswerTextRequest(NMHDR* header) const;
    // The tooltip of a control, null when it has none.
    HWND TooltipOf(int controlId) const;
    void Destroy();

  private:
    struct Entry {
        Tip tip;
        HWND control;
        HWND tooltip;
    };
    HWND page_ = nullptr;
    std::vector<Entry> entries_;
};

class WizardPage : public Dialog {
  public:
    WizardPage(int pageNumber, int templateId) : pageNumber_(pageNumber), templateId_(templateId) {}

    // Creates the page from its template as a hidden child of the main window.
    HWND CreatePage(HWND mainWindow);
    // Asks the main window to make this page current (WM_SHOW_PAGE).
    virtual void ShowPage();
    // The page's share of the project: ShowProject puts the project's values
    // into the controls, as opening a project does (each change notified);
    // TakeProject transfers from the controls and writes the page's values
    // into project, leaving the other pages' values alone.
    virtual void ShowProject(const WallpaperProject& project) = 0;
    virtual void TakeProject(WallpaperProject& project) = 0;
    // The check made before the page is left forward; shows its own messages.
    virtual bool ValidatePage() { return true; }
    // Sees each message meant for the page or one of its controls before the
    // dialog manager does; true when the message is used up. The pages drop
    // Escape; Enter in a field is the wizard's Next.
    virtual bool PreTranslate(const MSG& message);

    int pageNumber() const { return pageNumber_; }

  protected:
    HWND MainWindow() const { return GetParent(hwnd()); }
    // Marks the project changed (WM_PROJECT_MODIFIED to the main window).
    void NotifyModified() const;
    // The owner of this page's boxes: the main window.
    HWND BoxOwner() const { return MainWindow(); }

  private:
    int pageNumber_;
    int templateId_;
};

// True for the key-down messages every page drops: Escape anywhere.
bool IsFilteredPageKey(const MSG& message);

} // namespace ww
