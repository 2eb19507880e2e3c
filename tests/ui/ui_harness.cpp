#include "tests/ui/ui_harness.h"

#include "common/fs.h"
#include "common/path.h"
#include "common/win32/message_box.h"
#include "tests/support/fixtures.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <ole2.h>

#include <cstring>

namespace ww::test {

namespace {

// The window classes need OLE (the hosted player) and the common controls.
class WindowsEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        OleInitialize(nullptr);
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
    }
    void TearDown() override { OleUninitialize(); }
};

::testing::Environment* const gEnvironment =
    ::testing::AddGlobalTestEnvironment(new WindowsEnvironment);

DialogAnswers* gAnswers = nullptr;

int AnswerBox(HWND, const std::string& text, const std::string& title, UINT flags) {
    if (!gAnswers)
        return IDCANCEL;
    gAnswers->boxes.push_back({text, title, flags});
    if (!gAnswers->boxAnswers.empty()) {
        int answer = gAnswers->boxAnswers.front();
        gAnswers->boxAnswers.pop_front();
        return answer;
    }
    return (flags & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
}

} // namespace

DialogAnswers::DialogAnswers() {
    gAnswers = this;
    SetMessageBoxAnswerer(&AnswerBox);
    SetFileDialogAnswerer(
        [this](const FileDialogRequest& request, std::vector<std::string>* paths) {
            fileRequests.push_back(request);
            if (fileReplies.empty())
                return false;
            FileReply reply = fileReplies.front();
            fileReplies.pop_front();
            *paths = reply.paths;
            return reply.ok;
        });
    SetColourDialogAnswerer([this](const ColourDialogRequest& request, COLORREF* chosen) {
        colourRequests.push_back(request);
        if (colourReplies.empty())
            return false;
        *chosen = colourReplies.front();
        colourReplies.pop_front();
        return true;
    });
}

DialogAnswers::~DialogAnswers() {
    SetMessageBoxAnswerer(nullptr);
    SetFileDialogAnswerer(nullptr);
    SetColourDialogAnswerer(nullptr);
    gAnswers = nullptr;
}

void DialogAnswers::AnswerBoxes(const std::vector<int>& answers) {
    boxAnswers.insert(boxAnswers.end(), answers.begin(), answers.end());
}

void DialogAnswers::Forget() {
    boxes.clear();
    fileRequests.clear();
    colourRequests.clear();
}

std::vector<std::string> DialogAnswers::BoxTexts() const {
    std::vector<std::string> texts;
    for (const SeenMessageBox& box : boxes)
        texts.push_back(box.text);
    return texts;
}

bool PumpMessages(BuilderWindow* window) {
    bool quit = false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = true;
            continue;
        }
        if (window)
            window->ProcessMessage(message);
        else {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return quit;
}

BuilderUnderTest::BuilderUnderTest(const std::string& projectPath) {
    CreateFolder(folder_ / "temp");
    CreateFolder(folder_ / "output");
    CreateFolder(folder_ / "Resource");
    window_ = std::make_unique<BuilderWindow>(Workspace(folder_.path()), projectPath);
    EXPECT_TRUE(window_->CreateMainWindow());
    Pump();
}

BuilderUnderTest::~BuilderUnderTest() {
    if (window_->hwnd())
        DestroyTopWindow(window_->hwnd());
    Pump();
    window_.reset();
}

void DestroyTopWindow(HWND window) {
    SetWindowLongA(window, GWL_STYLE, GetWindowLongA(window, GWL_STYLE) & ~WS_VISIBLE);
    DestroyWindow(window);
}

void BuilderUnderTest::Pump() {
    if (PumpMessages(window_.get()))
        quitPosted_ = true;
}

void BuilderUnderTest::Click(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    ASSERT_NE(button, nullptr) << id;
    ASSERT_TRUE(IsWindowEnabled(button)) << "button " << id << " is disabled";
    SendMessageA(button, BM_CLICK, 0, 0);
    Pump();
}

void BuilderUnderTest::Menu(int command) {
    SendMessageA(main(), WM_INITMENU, reinterpret_cast<WPARAM>(GetMenu(main())), 0);
    SendMessageA(main(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
    Pump();
}

void BuilderUnderTest::Type(HWND dialog, int id, const std::string& text) {
    HWND edit = GetDlgItem(dialog, id);
    ASSERT_NE(edit, nullptr) << id;
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    PostMessageA(edit, WM_CHAR, VK_BACK, 0);
    for (char c : text)
        PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
    Pump();
}

void BuilderUnderTest::PressKey(HWND control, WPARAM key) {
    // Focus as Tab gives it, so a push button becomes the default one.
    SendMessageA(GetParent(control), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    PostMessageA(control, WM_KEYDOWN, key, 1);
    PostMessageA(control, WM_KEYUP, key, 0xC0000001);
    Pump();
}

void BuilderUnderTest::PickListEntry(HWND dialog, int id, int index) {
    HWND list = GetDlgItem(dialog, id);
    ASSERT_NE(list, nullptr) << id;
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    Pump();
}

std::string BuilderUnderTest::Title() const {
    char text[256] = "";
    GetWindowTextA(main(), text, sizeof text);
    return text;
}

std::string BuilderUnderTest::Text(HWND dialog, int id) const {
    char text[1024] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

bool BuilderUnderTest::Enabled(HWND dialog, int id) const {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

bool BuilderUnderTest::Visible(HWND window) const {
    return IsWindowVisible(window) != FALSE;
}

bool BuilderUnderTest::ReadOnly(HWND dialog, int id) const {
    return (GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & ES_READONLY) != 0;
}

int BuilderUnderTest::ShownPage() const {
    int shown = 0;
    const HWND pages[] = {info(), setting(), installer(), build()};
    for (int i = 0; i < 4; ++i) {
        if (IsWindowVisible(pages[i])) {
            if (shown)
                return 0;
            shown = i + 1;
        }
    }
    return shown;
}

bool BuilderUnderTest::MenuChecked(int command) {
    HMENU menu = GetMenu(main());
    SendMessageA(main(), WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
    return (GetMenuState(menu, static_cast<UINT>(command), MF_BYCOMMAND) & MF_CHECKED) != 0;
}

namespace {

// Copies what the window shows (its own surface, frame included) into a
// 24-bit DIB section.
struct Capture {
    HBITMAP bitmap = nullptr;
    void* bits = nullptr;
    int width = 0;
    int height = 0;
    ~Capture() {
        if (bitmap)
            DeleteObject(bitmap);
    }
};

bool CaptureWindow(HWND window, bool clientOnly, Capture* capture) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT rect{};
    if (clientOnly)
        GetClientRect(window, &rect);
    else
        GetWindowRect(window, &rect);
    capture->width = rect.right - rect.left;
    capture->height = rect.bottom - rect.top;
    if (capture->width <= 0 || capture->height <= 0)
        return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = capture->width;
    info.bmiHeader.biHeight = capture->height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    HDC source = clientOnly ? GetDC(window) : GetWindowDC(window);
    capture->bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &capture->bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(source);
    HGDIOBJ old = SelectObject(memory, capture->bitmap);
    BOOL copied = BitBlt(memory, 0, 0, capture->width, capture->height, source, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(window, source);
    GdiFlush();
    return copied && capture->bits;
}

} // namespace

std::string SaveScreenshot(HWND window, const std::string& name) {
    Capture capture;
    if (!CaptureWindow(window, false, &capture))
        return std::string();
    const uint32_t stride = (static_cast<uint32_t>(capture.width) * 3 + 3) & ~3u;
    const uint32_t bodySize = stride * static_cast<uint32_t>(capture.height);
    Bytes file;
    auto put16 = [&file](uint32_t v) {
        file.push_back(static_cast<uint8_t>(v));
        file.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto put32 = [&put16](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    file.push_back('B');
    file.push_back('M');
    put32(54 + bodySize);
    put32(0);
    put32(54);
    put32(40);
    put32(static_cast<uint32_t>(capture.width));
    put32(static_cast<uint32_t>(capture.height));
    put16(1);
    put16(24);
    put32(0);
    put32(bodySize);
    put32(2835);
    put32(2835);
    put32(0);
    put32(0);
    const auto* bits = static_cast<const uint8_t*>(capture.bits);
    file.insert(file.end(), bits, bits + bodySize);
    const std::string folder = FolderOfPath(ModuleFilePath()) + "ui-screenshots\\";
    CreateFolder(folder);
    const std::string path = folder + name + ".bmp";
    WriteFileBytes(path, file);
    return path;
}

COLORREF ClientPixel(HWND window, int x, int y) {
    Capture capture;
    if (!CaptureWindow(window, true, &capture) || x < 0 || y < 0 || x >= capture.width ||
        y >= capture.height)
        return CLR_INVALID;
    const uint32_t stride = (static_cast<uint32_t>(capture.width) * 3 + 3) & ~3u;
    const auto* row = static_cast<const uint8_t*>(capture.bits) +
                      stride * static_cast<uint32_t>(capture.height - 1 - y);
    const uint8_t* pixel = row + 3 * x;
    return RGB(pixel[2], pixel[1], pixel[0]);
}

} // namespace ww::test
