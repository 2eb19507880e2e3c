// The About box (template 100): the product, its maker and two links.
#pragma once

#include "builder/ui/hyperlink.h"
#include "common/win32/dialog.h"

namespace ww {

// The maker's addresses, until the product has real ones.
extern const char kMakerWebAddress[];
extern const char kSupportMailAddress[];

class AboutBox : public Dialog {
  public:
    // Shows the box modally over owner.
    void Run(HWND owner);

    CHyperLink homepage;
    CHyperLink email;

  protected:
    bool OnInit() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
};

} // namespace ww
