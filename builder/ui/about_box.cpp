#include "builder/ui/about_box.h"

#include "builder/ui/resource.h"

#include <string>

namespace ww {

const char kMakerWebAddress[] = "http://wallweaver.example.invalid/";
const char kSupportMailAddress[] = "support@wallweaver.example.invalid";

void AboutBox::Run(HWND owner) {
    RunModal(GetModuleHandleA(nullptr), IDD_ABOUTBOX, owner);
}

bool AboutBox::OnInit() {
    homepage.SubclassDlgItem(IDC_ABOUT_HOMEPAGE, hwnd());
    email.SubclassDlgItem(IDC_ABOUT_EMAIL, hwnd());
    homepage.SetLinkText(kMakerWebAddress);
    homepage.SetLinkTarget(kMakerWebAddress);
    email.SetLinkText(std::string("E-Mail:") + kSupportMailAddress);
    email.SetLinkTarget(std::string("mailto:") + kSupportMailAddress);
    return true;
}

bool AboutBox::OnCommand(int id, int, HWND) {
    if (id == IDOK || id == IDCANCEL) {
        End(id);
        return true;
    }
    return false;
}

bool AboutBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
    if (message != WM_CTLCOLORSTATIC)
        return false;
    auto control = reinterpret_cast<HWND>(lParam);
    auto dc = reinterpret_cast<HDC>(wParam);
    for (const CHyperLink* link : {&homepage, &email}) {
        if (link->hwnd() && control == link->hwnd()) {
            *result = reinterpret_cast<INT_PTR>(link->OnCtlColor(dc));
            return true;
        }
    }
    return false;
}

} // namespace ww
