// CHyperLink: a static text control of a dialog turned into a link. Drawn
// underlined in link colours, a hand cursor over it, a tooltip naming the
// target; a click (on release) or the space bar opens the target through the
// shell, falling back to the program registered for ".htm" files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace ww {

class CHyperLink {
  public:
    static constexpr uint32_t LINK_UNDERLINE = 0x01;
    static constexpr uint32_t LINK_FIT_TEXT = 0x04;
    static constexpr uint32_t LINK_FOCUS_ON_CLICK = 0x10;
    static constexpr COLORREF kLinkColour = RGB(0, 0, 255);
    static constexpr COLORREF kActiveColour = RGB(0, 128, 128);
    static constexpr COLORREF kVisitedColour = RGB(128, 0, 128);
    // The tool id of the tooltip's only tool.
    static constexpr UINT_PTR kTipToolId = 1;

    CHyperLink() = default;
    ~CHyperLink();
    CHyperLink(const CHyperLink&) = delete;
    CHyperLink& operator=(const CHyperLink&) = delete;

    // Takes over control id of dialog: prepares it (PreSubclassWindow) and
    // routes its messages here. False when there is no such control.
    bool SubclassDlgItem(int id, HWND dialog);
    void SetLinkTarget(const std::string& target);
    void SetLinkText(const std::string& text);
    // The dialog's WM_CTLCOLORSTATIC for this control, reflected here.
    HBRUSH OnCtlColor(HDC dc) const;
    // Opens the target; on failure beeps and explains.
    void FollowLink();

    HWND hwnd() const { return hwnd_; }
    HWND tooltip() const { return linkTip; }
    const std::string& target() const { return linkTarget; }
    COLORREF TextColour() const;
    bool visited() const { return isVisited != 0; }
    bool hovering() const { return isHovering != 0; }
    uint32_t style() const { return linkStyle; }

  private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam, bool* handled);
    void PreSubclassWindow();
    void FitToText();
    void OnMouseMove(POINT at);
    void Repaint() const;

    int32_t isActive = 0;
    int32_t isHovering = 0;
    int32_t isVisited = 0;
    uint32_t linkStyle = LINK_UNDERLINE | LINK_FIT_TEXT | LINK_FOCUS_ON_CLICK;
    std::string linkTarget;
    HFONT linkFont = nullptr;
    HWND linkTip = nullptr;
    HWND hwnd_ = nullptr;
};

// The fallback command line in a buffer of this many characters, its
// terminating zero included.
constexpr size_t kLinkCommandBufferSize = 520;

// Opens target with the shell's "open"; when that fails, with the program the
// registry names for ".htm" files. The shell's result code when both fail.
int OpenTarget(const std::string& target, int show);
// The ".htm" open command with its "%1" placeholder (quoted or not) cut off,
// followed by a blank and the target. False when it would not fit the buffer.
bool BuildFallbackCommand(const std::string& openCommand, const std::string& target,
                          std::string* commandLine);
// The explanation of a shell result code (32 or less).
std::string LinkErrorText(int code);
void ShowLinkError(HWND owner, int code);
// The hand cursor shared by every link: the help program's cursor 106, or the
// system's hand where that program has none.
HCURSOR LoadHandCursor();

} // namespace ww
