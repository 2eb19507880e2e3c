// The dialog base class over a real dialog of this test program: handlers
// reached by their messages, fields moved to and from the controls.
#include "common/win32/dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ww {
namespace {

constexpr int kForm = 300, kName = 301, kLoop = 302, kGo = 303;
constexpr UINT WM_ASK = WM_USER + 7;

class Form : public Dialog {
  public:
    std::string name = "Ocean";
    bool loop = true;
    std::vector<std::string> seen;
    UINT_PTR endOnTimer = 0;

    bool LoadFromControls() override {
        name = ItemText(kName);
        loop = IsChecked(kLoop);
        return !name.empty();
    }
    bool StoreToControls() override {
        SetItemText(kName, name);
        SetChecked(kLoop, loop);
        return true;
    }

  protected:
    bool OnInit() override {
        seen.push_back(hwnd() ? "init" : "init without window");
        StoreToControls();
        if (endOnTimer)
            SetTimer(hwnd(), endOnTimer, 10, nullptr);
        return true;
    }
    bool OnCommand(int id, int code, HWND) override {
        if (id != kGo || code != BN_CLICKED)
            return false;
        seen.push_back("go");
        return true;
    }
    bool OnTimer(UINT_PTR id) override {
        seen.push_back("timer " + std::to_string(id));
        End(42);
        return true;
    }
    bool OnClose() override {
        seen.push_back("close");
        return true;
    }
    void OnDestroy() override { seen.push_back("destroy"); }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR* result) override {
        if (message != WM_ASK)
            return false;
        *result = static_cast<INT_PTR>(wParam) * 2;
        return true;
    }
};

TEST(DialogBase, DispatchesToHandlersAndTransfersFields) {
    Form form;
    HWND hwnd = form.Create(GetModuleHandleA(nullptr), kForm, nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(form.hwnd(), hwnd);
    EXPECT_EQ(form.ItemText(kName), "Ocean");
    EXPECT_TRUE(form.IsChecked(kLoop));

    // What a person would change, read back into the fields.
    SetDlgItemTextA(hwnd, kName, "Tide & Sand");
    SendMessageA(GetDlgItem(hwnd, kLoop), BM_CLICK, 0, 0);
    EXPECT_TRUE(form.LoadFromControls());
    EXPECT_EQ(form.name, "Tide & Sand");
    EXPECT_FALSE(form.loop);
    SetDlgItemTextA(hwnd, kName, "");
    EXPECT_FALSE(form.LoadFromControls());

    SendMessageA(GetDlgItem(hwnd, kGo), BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageA(hwnd, WM_ASK, 21, 0), 42);
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hwnd)) << "a handled close leaves the window";
    DestroyWindow(hwnd);
    EXPECT_EQ(form.hwnd(), nullptr);
    EXPECT_EQ(form.seen, (std::vector<std::string>{"init", "go", "close", "destroy"}));
}

TEST(DialogBase, ModalDialogEndsWithTheResultGivenToEnd) {
    Form form;
    form.endOnTimer = 5;
    EXPECT_EQ(form.RunModal(GetModuleHandleA(nullptr), kForm, nullptr), 42);
    EXPECT_EQ(form.seen, (std::vector<std::string>{"init", "timer 5", "destroy"}));
}

TEST(DialogBase, FormatTextFillsTheFirstPlaceholder) {
    const struct {
        const char* pattern;
        std::string value;
        std::string expected;
    } cases[] = {
        {"Launch %s", "Ocean", "Launch Ocean"},
        {"%s is not a Wallweaver Setup File!", "C:\\a b\\s.exe",
         "C:\\a b\\s.exe is not a Wallweaver Setup File!"},
        {"No placeholder", "x", "No placeholder"},
        {"%s and %s", "100%s", "100%s and %s"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatText(c.pattern, c.value), c.expected) << c.pattern;
}

} // namespace
} // namespace ww
