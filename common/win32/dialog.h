// The small dialog base class of the Windows programs. A dialog made from a
// template stores `this` when WM_INITDIALOG arrives and hands each message to
// a named handler; a page or dialog is a class over it that overrides what it
// needs and moves its fields to and from the controls in two named functions.
#pragma once

#include "common/win32/com.h"

#include <windows.h>

#include <string>

namespace ww {

class Dialog {
  public:
    Dialog() = default;
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog of template id modally; the result given to End.
    INT_PTR RunModal(HINSTANCE instance, int templateId, HWND parent);
    // Creates the dialog of template id modelessly (a child page when the
    // template has WS_CHILD); null on failure.
    HWND Create(HINSTANCE instance, int templateId, HWND parent);
    // Ends a modal dialog.
    void End(INT_PTR result);

    HWND hwnd() const { return hwnd_; }
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    std::string ItemText(int id) const;
    void SetItemText(int id, const std::string& text) const;
    bool IsChecked(int id) const;
    void SetChecked(int id, bool checked) const;
    void EnableItem(int id, bool enable) const;
    void ShowItem(int id, bool show) const;
    // The rectangle of a control in this dialog's client coordinates.
    RECT ItemRect(int id) const;

    // Transfer between the fields of the derived class and its controls;
    // each answers whether it succeeded.
    virtual bool LoadFromControls() { return true; }
    virtual bool StoreToControls() { return true; }

  protected:
    // WM_INITDIALOG; the answer is the message's (true: default focus).
    virtual bool OnInit() { return true; }
    // WM_COMMAND; true when handled.
    virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    virtual bool OnTimer(UINT_PTR /*timerId*/) { return false; }
    // WM_PAINT; a handler that paints uses PaintScope and answers true.
    virtual bool OnPaint() { return false; }
    // WM_CLOSE (the close box); true when handled, so that the dialog manager
    // does not turn it into IDCANCEL.
    virtual bool OnClose() { return false; }
    virtual void OnDestroy() {}
    // Any other message (private WM_USER messages, notifications); true when
    // handled, with *result as the dialog procedure's answer.
    virtual bool OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/,
                           INT_PTR* /*result*/) {
        return false;
    }

  private:
    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
};

// A message text with %s filled in, for the programs' "... %s ..." texts.
std::string FormatText(const char* pattern, const std::string& value);

} // namespace ww
