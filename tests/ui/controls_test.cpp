// The builder's own controls: the keyed picture, the link, the movie preview
// (the stand-in, and the hosting of a player object), the mouse hook and the
// file dialog helper's conversions.
#include "builder/ui/mouse_hook.h"
#include "builder/ui/build_page.h"
#include "builder/ui/flash_preview.h"
#include "builder/ui/hyperlink.h"
#include "builder/ui/resource.h"
#include "builder/ui/shell_calls.h"
#include "builder/ui/transparent_bitmap.h"
#include "common/win32/dialog.h"
#include "common/win32/file_dialog.h"
#include "tests/support/fixtures.h"
#include "tests/support/swf_writer.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/ui_harness.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <ole2.h>

#include <atomic>
#include <map>
#include <thread>
#include <string>
#include <vector>

namespace ww {
namespace {

// ---- TransparentBitmapStatic ---------------------------------------------

// A top-down 32-bit DIB section of width x height filled by pixel(x, y).
template <typename Pixel> HBITMAP MakeBitmap(int width, int height, Pixel pixel) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixels = static_cast<uint32_t*>(bits);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            COLORREF c = pixel(x, y);
            pixels[y * width + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }
    }
    return bitmap;
}

TEST(TransparentBitmap, KeyColouredPixelsShowWhatWasBeneathByEitherComposition) {
    const COLORREF page = RGB(10, 120, 200);
    const COLORREF picture = RGB(200, 30, 30);
    const COLORREF nearKey = RGB(214, 211, 207);
    auto bitmapPixel = [&](int x, int y) -> COLORREF {
        bool corner = (x < 3 || x >= 29) && (y < 3 || y >= 29);
        if (corner)
            return TRANSPARENT_KEY;
        if (x == 16 && y == 16)
            return nearKey;
        return picture;
    };
    struct Probe {
        int x, y;
        COLORREF expected;
    };
    const Probe probes[] = {
        {0, 0, page},      {31, 31, page},  {1, 30, page},  {16, 16, nearKey},
        {10, 10, picture}, {3, 3, picture}, {35, 10, page}, {10, 34, page}, // beyond the bitmap
    };
    for (bool masked : {true, false}) {
        HBITMAP source = MakeBitmap(32, 32, bitmapPixel);
        HBITMAP targetBitmap = MakeBitmap(40, 36, [&](int, int) { return page; });
        HDC target = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(target, targetBitmap);
        EXPECT_TRUE(PaintKeyedBitmap(target, source, 40, 36, masked));
        for (const Probe& probe : probes)
            EXPECT_EQ(GetPixel(target, probe.x, probe.y), probe.expected)
                << (masked ? "masked" : "fallback") << " at " << probe.x << "," << probe.y;
        SelectObject(target, old);
        DeleteDC(target);
        DeleteObject(targetBitmap);
        DeleteObject(source);
    }
    EXPECT_FALSE(PaintKeyedBitmap(GetDC(nullptr), nullptr, 10, 10));
}

TEST(TransparentBitmap, TheBuildPagePictureShowsThePageInItsCorners) {
    test::BuilderUnderTest b;
    ShowWindow(b.info(), SW_HIDE);
    ShowWindow(b.build(), SW_SHOW);
    HWND picture = GetDlgItem(b.build(), IDC_BUILD_PICTURE);
    ASSERT_NE(picture, nullptr);
    RECT place{};
    GetWindowRect(picture, &place);
    MapWindowPoints(nullptr, b.build(), reinterpret_cast<POINT*>(&place), 2);
    COLORREF background = test::ClientPixel(b.build(), place.left - 3, place.top + 2);
    EXPECT_EQ(test::ClientPixel(picture, 0, 0), background);
    EXPECT_EQ(test::ClientPixel(picture, 31, 31), background);
    COLORREF middle = test::ClientPixel(picture, 16, 12);
    EXPECT_NE(middle, background);
    EXPECT_NE(middle, TRANSPARENT_KEY);
}

// The About template without anything attached, as a modeless host.
class PlainDialog : public Dialog {
  public:
    bool Open() {
        if (!Create(GetModuleHandleA(nullptr), IDD_ABOUTBOX, nullptr))
            return false;
        ShowWindow(hwnd(), SW_SHOW);
        return true;
    }
};

TEST(TransparentBitmap, AControlWithoutABitmapPaintsAsAnOrdinaryStatic) {
    PlainDialog dialog;
    ASSERT_TRUE(dialog.Open());
    HWND line = GetDlgItem(dialog.hwnd(), IDC_ABOUT_LINE);
    ASSERT_NE(line, nullptr);
    RECT client{};
    GetClientRect(line, &client);
    std::vector<COLORREF> before;
    for (int x = 0; x < client.right; x += 17)
        before.push_back(test::ClientPixel(line, x, 0));
    TransparentBitmapStatic keyed;
    ASSERT_TRUE(keyed.SubclassDlgItem(IDC_ABOUT_LINE, dialog.hwnd()));
    std::vector<COLORREF> after;
    for (int x = 0; x < client.right; x += 17)
        after.push_back(test::ClientPixel(line, x, 0));
    EXPECT_EQ(after, before);
    test::DestroyTopWindow(dialog.hwnd());
}

// ---- CHyperLink ------------------------------------------------------------

// What the fake shell was asked, and how it answers.
struct FakeShell {
    int executeResult = 42;
    std::map<std::string, std::string> classes;
    int winExecResult = 33;
    std::vector<std::string> opened;
    std::vector<std::string> started;
    ShellCalls saved;

    FakeShell() : saved(CurrentShellCalls()) {
        CurrentShellCalls().execute = [this](HWND, const std::string& verb,
                                             const std::string& target, int show) {
            opened.push_back(verb + " " + target + (show == SW_SHOW ? "" : " (hidden)"));
            return executeResult;
        };
        CurrentShellCalls().readClassesRootDefault = [this](const std::string& key,
                                                            std::string* value) -> LONG {
            auto found = classes.find(key);
            if (found == classes.end())
                return ERROR_FILE_NOT_FOUND;
            *value = found->second;
            return ERROR_SUCCESS;
        };
        CurrentShellCalls().winExec = [this](const std::string& line, int) {
            started.push_back(line);
            return winExecResult;
        };
    }
    ~FakeShell() { CurrentShellCalls() = saved; }
};

// The About template as a modeless host for one link.
class LinkHost : public Dialog {
  public:
    CHyperLink link;
    bool Open() {
        if (!Create(GetModuleHandleA(nullptr), IDD_ABOUTBOX, nullptr))
            return false;
        ShowWindow(hwnd(), SW_SHOW);
        return true;
    }

  protected:
    bool OnInit() override {
        link.SubclassDlgItem(IDC_ABOUT_HOMEPAGE, hwnd());
        link.SetLinkText("Tide Works online");
        link.SetLinkTarget("http://tide.example.invalid/");
        return true;
    }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override {
        if (message == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lParam) == link.hwnd()) {
            *result = reinterpret_cast<INT_PTR>(link.OnCtlColor(reinterpret_cast<HDC>(wParam)));
            return true;
        }
        return false;
    }
};

COLORREF DrawnColour(LinkHost& host) {
    HDC dc = CreateCompatibleDC(nullptr);
    SendMessageA(host.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(host.link.hwnd()));
    COLORREF colour = GetTextColor(dc);
    DeleteDC(dc);
    return colour;
}

std::string TipText(const CHyperLink& link) {
    char text[512] = "";
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = link.hwnd();
    tool.uId = CHyperLink::kTipToolId;
    tool.lpszText = text;
    SendMessageA(link.tooltip(), TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    return text;
}

TEST(HyperLink, AClickTakesTheFocusAndOpensOnReleaseThenShowsVisited) {
    FakeShell shell;
    test::DialogAnswers answers;
    LinkHost host;
    ASSERT_TRUE(host.Open());
    HWND link = host.link.hwnd();
    EXPECT_EQ(DrawnColour(host), CHyperLink::kLinkColour);
    EXPECT_EQ(host.link.style(), 0x15u);
    SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_EQ(GetFocus(), link);
    EXPECT_EQ(DrawnColour(host), CHyperLink::kActiveColour);
    EXPECT_TRUE(shell.opened.empty()); // nothing on the press itself
    SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(shell.opened, std::vector<std::string>{"open http://tide.example.invalid/"});
    EXPECT_TRUE(host.link.visited());
    SetFocus(GetDlgItem(host.hwnd(), IDOK));
    EXPECT_EQ(DrawnColour(host), CHyperLink::kVisitedColour);
    // The space bar opens it as well.
    SetFocus(link);
    SendMessageA(link, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(shell.opened.size(), 2u);
    SendMessageA(link, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(shell.opened.size(), 2u);
    EXPECT_TRUE(answers.boxes.empty());
    // Over the link the pointer is a hand, and the link takes mouse input.
    EXPECT_NE(LoadHandCursor(), nullptr);
    EXPECT_EQ(SendMessageA(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), HTCLIENT), TRUE);
    EXPECT_EQ(SendMessageA(link, WM_NCHITTEST, 0, 0), HTCLIENT);
    test::DestroyTopWindow(host.hwnd());
}

TEST(HyperLink, LeavingTheLinkReleasesTheMouse) {
    FakeShell shell;
    LinkHost host;
    ASSERT_TRUE(host.Open());
    HWND link = host.link.hwnd();
    SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(host.link.hovering());
    EXPECT_EQ(GetCapture(), link);
    SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(GetCapture(), link);
    SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    // Off the link: the capture goes, so the release lands elsewhere.
    SendMessageA(link, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-20, -20));
    EXPECT_FALSE(host.link.hovering());
    EXPECT_NE(GetCapture(), link);
    EXPECT_TRUE(shell.opened.empty());
    test::DestroyTopWindow(host.hwnd());
}

TEST(HyperLink, FailuresExplainThemselvesAndTheHtmProgramIsTheFallback) {
    struct Case {
        const char* name;
        int shellResult;
        std::map<std::string, std::string> classes;
        int winExecResult;
        std::vector<std::string> started;
        std::vector<std::string> boxes;
        bool visited;
    };
    const std::string target = "http://tide.example.invalid/";
    const Case cases[] = {
        {"no association, no .htm program",
         31,
         {},
         0,
         {},
         {"Can't open link:\n\nThere is no application associated\nwith the given filename "
          "extension."},
         false},
        {"an unlisted code",
         7,
         {},
         0,
         {},
         {"Can't open link:\n\nUnknown Error (7) occurred."},
         false},
        {"quoted placeholder",
         31,
         {{".htm", "htmlfile"},
          {"htmlfile\\shell\\open\\command", "\"C:\\Browser\\browse.exe\" -new \"%1\""}},
         33,
         {"\"C:\\Browser\\browse.exe\" -new  " + target},
         {},
         true},
        {"the fallback fails too",
         2,
         {{".htm", "htmlfile"}, {"htmlfile\\shell\\open\\command", "browse.exe %1"}},
         2,
         {"browse.exe  " + target},
         {"Can't open link:\n\nThe specified file was not found."},
         false},
        {"no open command",
         31,
         {{".htm", "htmlfile"}},
         0,
         {},
         {"Can't open link:\n\nThere is no "
          "application associated\nwith "
          "the given filename extension."},
         false},
    };
    for (const Case& c : cases) {
        FakeShell shell;
        shell.executeResult = c.shellResult;
        shell.classes = c.classes;
        shell.winExecResult = c.winExecResult;
        test::DialogAnswers answers;
        LinkHost host;
        ASSERT_TRUE(host.Open());
        host.link.FollowLink();
        EXPECT_EQ(shell.started, c.started) << c.name;
        EXPECT_EQ(answers.BoxTexts(), c.boxes) << c.name;
        for (const test::SeenMessageBox& box : answers.boxes) {
            EXPECT_EQ(box.title, "Wallweaver") << c.name;
            EXPECT_EQ(box.icon(), UINT(MB_ICONEXCLAMATION)) << c.name;
        }
        EXPECT_EQ(host.link.visited(), c.visited) << c.name;
        test::DestroyTopWindow(host.hwnd());
    }
}

TEST(HyperLink, FallbackCommandLinesAreCutAtThePlaceholderAndMustFit) {
    const std::string target = "mailto:support@wallweaver.example.invalid";
    struct Case {
        std::string command;
        bool fits;
        std::string line;
    };
    const std::string longProgram(520 - 1 - target.size() - 1, 'p'); // fits exactly
    const Case cases[] = {
        {"\"C:\\B\\b.exe\" \"%1\"", true, "\"C:\\B\\b.exe\"  " + target},
        {"C:\\B\\b.exe %1 -x", true, "C:\\B\\b.exe  " + target},
        {"C:\\B\\b.exe", true, "C:\\B\\b.exe " + target},
        {"", true, " " + target},
        {longProgram, true, longProgram + " " + target},
        {longProgram + "q", false, ""},
    };
    for (const Case& c : cases) {
        std::string line;
        EXPECT_EQ(BuildFallbackCommand(c.command, target, &line), c.fits) << c.command.size();
        if (c.fits) {
            EXPECT_EQ(line, c.line);
        }
    }
}

TEST(HyperLink, EveryShellErrorCodeHasItsText) {
    const std::map<int, std::string> texts = {
        {0, "The operating system is out\nof memory or resources."},
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {5, "The operating system denied\naccess to the specified file."},
        {8, "There was not enough memory to complete the operation."},
        {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
        {26, "A sharing violation occurred. "},
        {27, "The filename association is\nincomplete or invalid."},
        {28, "The DDE transaction could not\nbe completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere "
             "being processed."},
        {31, "There is no application associated\nwith the given filename extension."},
        {32, "The specified dynamic-link library was not found."},
        {7, "Unknown Error (7) occurred."},
        {-5, "Unknown Error (-5) occurred."},
    };
    for (const auto& [code, text] : texts)
        EXPECT_EQ(LinkErrorText(code), text) << code;
}

TEST(HyperLink, ANewTargetReachesTheTooltipAndTheTextSetsTheSize) {
    FakeShell shell;
    LinkHost host;
    ASSERT_TRUE(host.Open());
    EXPECT_EQ(TipText(host.link), "http://tide.example.invalid/");
    host.link.SetLinkTarget("http://other.example.invalid/");
    EXPECT_EQ(TipText(host.link), "http://other.example.invalid/");
    EXPECT_EQ(host.link.target(), "http://other.example.invalid/");
    // The control is as wide as its text.
    HWND link = host.link.hwnd();
    RECT before{};
    GetClientRect(link, &before);
    host.link.SetLinkText("A much longer text for the same link");
    RECT after{};
    GetClientRect(link, &after);
    EXPECT_GT(after.right, before.right);
    HDC dc = GetDC(link);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(link, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32A(dc, "A much longer text for the same link", 36, &extent);
    SelectObject(dc, old);
    ReleaseDC(link, dc);
    EXPECT_EQ(after.right, extent.cx);
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(link, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_TRUE(font.lfUnderline);
    test::DestroyTopWindow(host.hwnd());
}

// ---- FlashPreviewControl ---------------------------------------------------

HWND MakeParentWindow() {
    HWND parent = CreateWindowExA(0, "STATIC", "preview host", WS_POPUP | WS_VISIBLE, 50, 50, 300,
                                  200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    return parent;
}

TEST(FlashPreview, WithoutThePlayerTheStandInShowsTheMovieOverItsBackground) {
    test::TempDir dir;
    test::SwfRecipe recipe = test::StageRecipe(true);
    recipe.frameRate = 24;
    recipe.frameCount = 96;
    test::WriteFileBytes(dir / "Ocean.swf", test::MakeSwf(recipe));
    HWND parent = MakeParentWindow();
    {
        FlashPreviewControl preview;
        ASSERT_TRUE(
            preview.Create("", WS_CHILD | WS_VISIBLE, RECT{10, 10, 170, 130}, parent, 1034));
        EXPECT_FALSE(preview.hostsPlayer());
        EXPECT_EQ(GetDlgCtrlID(preview.hwnd()), 1034);
        EXPECT_EQ(preview.StandInText(), "");
        preview.SetMovie(dir / "Ocean.swf");
        preview.SetBackgroundColor(0x000080); // navy
        EXPECT_EQ(preview.StandInText(),
                  "Ocean.swf\r\n550 x 400 pixels\r\n24 frames per second\r\n96 frames");
        char shown[256] = "";
        GetWindowTextA(preview.hwnd(), shown, sizeof shown);
        EXPECT_EQ(preview.StandInText(), shown);
        // The screen's picture (5:4 here, in a 4:3 place) shows the page's
        // background; beside it lies the monitor's black frame.
        EXPECT_EQ(test::ClientPixel(preview.hwnd(), 80, 2), RGB(0, 0, 0x80));
        EXPECT_EQ(test::ClientPixel(preview.hwnd(), 1, 1), RGB(0, 0, 0));
        preview.StopMovie();
        EXPECT_EQ(preview.StandInText(), "");
        EXPECT_EQ(test::ClientPixel(preview.hwnd(), 80, 60), RGB(0, 0, 0x80));
    }
    test::DestroyTopWindow(parent);
}

// A stand-in for the Flash Player object, registered for this process only,
// that remembers what its container asked of it.
class FakePlayer : public IOleObject, public IOleInPlaceObject, public IDispatch {
  public:
    struct Call {
        DISPID id;
        WORD kind;
        VARTYPE type;
        std::string text;
        long number;
    };
    std::vector<Call> calls;
    std::vector<std::string> events;
    IOleClientSite* site = nullptr;
    HWND container = nullptr;
    ULONG references = 1;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleObject))
            *object = static_cast<IOleObject*>(this);
        else if (IsEqualIID(iid, IID_IOleInPlaceObject) || IsEqualIID(iid, IID_IOleWindow))
            *object = static_cast<IOleInPlaceObject*>(this);
        else if (IsEqualIID(iid, IID_IDispatch))
            *object = static_cast<IDispatch*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
    STDMETHODIMP_(ULONG) Release() override { return --references; }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* clientSite) override {
        events.push_back(clientSite ? "site" : "no site");
        if (site)
            site->Release();
        site = clientSite;
        if (site)
            site->AddRef();
        return S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite** out) override {
        *out = site;
        if (site)
            site->AddRef();
        return S_OK;
    }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD) override {
        events.push_back("close");
        return S_OK;
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent,
                        LPCRECT) override {
        events.push_back(verb == OLEIVERB_INPLACEACTIVATE ? "in place" : "other verb");
        IOleInPlaceSite* inPlace = nullptr;
        if (activeSite && SUCCEEDED(activeSite->QueryInterface(
                              IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace)))) {
            if (inPlace->CanInPlaceActivate() == S_OK)
                inPlace->GetWindow(&container);
            IOleInPlaceFrame* frame = nullptr;
            IOleInPlaceUIWindow* document = nullptr;
            RECT position{}, clip{};
            OLEINPLACEFRAMEINFO info{};
            info.cb = sizeof info;
            if (SUCCEEDED(inPlace->GetWindowContext(&frame, &document, &position, &clip, &info)) &&
                frame)
                frame->Release();
            inPlace->Release();
        }
        if (container != parent)
            container = nullptr;
        return S_OK;
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID*) override { return E_NOTIMPL; }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND*) override { return E_NOTIMPL; }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InPlaceDeactivate() override {
        events.push_back("deactivate");
        return S_OK;
    }
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT, LPCRECT) override { return S_OK; }
    STDMETHODIMP ReactivateAndUndo() override { return S_OK; }

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* parameters, VARIANT*,
                        EXCEPINFO*, UINT*) override {
        Call call{id, kind, VT_EMPTY, "", 0};
        if (parameters->cArgs == 1) {
            const VARIANT& argument = parameters->rgvarg[0];
            call.type = argument.vt;
            if (argument.vt == VT_BSTR) {
                char text[MAX_PATH] = "";
                WideCharToMultiByte(CP_ACP, 0, argument.bstrVal, -1, text, sizeof text, nullptr,
                                    nullptr);
                call.text = text;
            } else if (argument.vt == VT_I4) {
                call.number = argument.lVal;
            }
            if (parameters->cNamedArgs != 1 ||
                parameters->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
                call.type = VT_ERROR;
        }
        calls.push_back(call);
        return S_OK;
    }
};

class FakePlayerFactory : public IClassFactory {
  public:
    explicit FakePlayerFactory(FakePlayer* player) : player_(player) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *object = this;
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return player_->QueryInterface(iid, object);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

  private:
    FakePlayer* player_;
};

TEST(FlashPreview, AHostedPlayerGetsItsSiteAndTheThreeDispatchCalls) {
    FakePlayer player;
    FakePlayerFactory factory(&player);
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(kFlashPlayerClassId, &factory, CLSCTX_INPROC_SERVER,
                                    REGCLS_MULTIPLEUSE, &cookie),
              S_OK);
    HWND parent = MakeParentWindow();
    {
        FlashPreviewControl preview;
        ASSERT_TRUE(
            preview.Create("", WS_CHILD | WS_VISIBLE, RECT{10, 10, 170, 130}, parent, 1034));
        ASSERT_TRUE(preview.hostsPlayer());
        EXPECT_EQ(player.container, preview.hwnd());
        preview.SetMovie("C:\\movies\\Ocean.swf");
        preview.SetBackgroundColor(0xFFFFFF);
        preview.StopMovie();
        ASSERT_EQ(player.calls.size(), 3u);
        EXPECT_EQ(player.calls[0].id, 102);
        EXPECT_EQ(player.calls[0].kind, DISPATCH_PROPERTYPUT);
        EXPECT_EQ(player.calls[0].type, VT_BSTR);
        EXPECT_EQ(player.calls[0].text, "C:\\movies\\Ocean.swf");
        EXPECT_EQ(player.calls[1].id, 123);
        EXPECT_EQ(player.calls[1].kind, DISPATCH_PROPERTYPUT);
        EXPECT_EQ(player.calls[1].type, VT_I4);
        EXPECT_EQ(player.calls[1].number, 0xFFFFFF);
        EXPECT_EQ(player.calls[2].id, 113);
        EXPECT_EQ(player.calls[2].kind, DISPATCH_METHOD);
        EXPECT_EQ(player.calls[2].type, VT_EMPTY);
        // The stand-in does not show over a hosted player.
        EXPECT_EQ(preview.StandInText(), "");
    }
    test::DestroyTopWindow(parent);
    CoRevokeClassObject(cookie);
    EXPECT_EQ(player.events,
              (std::vector<std::string>{"site", "in place", "deactivate", "close", "no site"}));
    EXPECT_EQ(player.site, nullptr);
    EXPECT_EQ(player.references, 1u); // every reference the container took was given back
}

// ---- the mouse hook ----------------------------------------------------------

TEST(MouseHook, PlayerWindowsAreKnownByTheirClassNames) {
    const std::pair<const char*, bool> names[] = {
        {"ATL:0041A0B0", true},
        {"ATL:", true},
        {"atl:0041A0B0", false},
        {"MacromediaFlashPlayerActiveX", true},
        {"MacromediaFlashPlayerActiveXWindow", true},
        {"MacromediaFlashPlayerActive", false},
        {"macromediaflashplayeractivex", false},
        {"Static", false},
        {"", false},
    };
    for (const auto& [name, isFlash] : names)
        EXPECT_EQ(IsFlashWindowClass(name), isFlash) << name;
}

TEST(MouseHook, DecidesWhatEachMouseMessageDoes) {
    using Send = MouseHookAction::Send;
    struct Step {
        UINT message;
        POINT at;
        bool overFlash, inListView;
        bool swallow, quit;
        Send send;
    };
    struct Case {
        const char* name;
        FlashMouseOptions options;
        std::vector<Step> steps;
    };
    FlashMouseOptions page; // as the Information page installs it
    page.interceptRightPress = true;
    page.interceptLeftPress = true;
    FlashMouseOptions quitting;
    quitting.quitOnLeftPress = quitting.quitOnRightPress = quitting.quitOnMove = true;
    const Case cases[] = {
        {"Information page",
         page,
         {
             {WM_RBUTTONDOWN, {5, 5}, true, false, true, false, Send::RightPress},
             {WM_RBUTTONDOWN, {5, 5}, true, true, true, false, Send::DesktopPress},
             {WM_RBUTTONDOWN, {5, 5}, false, false, false, false, Send::None},
             {WM_RBUTTONUP, {5, 5}, true, false, false, false, Send::None},
             {WM_LBUTTONDOWN, {5, 5}, true, false, false, false, Send::None},
             {WM_LBUTTONDOWN, {5, 5}, true, true, true, false, Send::DesktopPress},
             {WM_LBUTTONDBLCLK, {5, 5}, true, false, false, false, Send::None},
             {WM_LBUTTONDBLCLK, {5, 5}, true, true, true, false, Send::None},
             {WM_MOUSEMOVE, {500, 500}, true, false, false, false, Send::None},
         }},
        {"quit options",
         quitting,
         {
             {WM_MOUSEMOVE, {100, 100}, false, false, false, false, Send::None}, // remembered
             {WM_MOUSEMOVE, {104, 96}, false, false, false, false, Send::None},  // within 4
             {WM_MOUSEMOVE, {109, 96}, false, false, false, true, Send::None},   // 5 in x
             {WM_MOUSEMOVE, {109, 101}, false, false, false, true, Send::None},  // 5 in y
             {WM_LBUTTONDOWN, {0, 0}, false, false, false, true, Send::None},
             {WM_RBUTTONDOWN, {0, 0}, true, false, false, true, Send::None},
             {WM_LBUTTONDBLCLK, {0, 0}, true, true, true, false, Send::None},
         }},
    };
    for (const Case& c : cases) {
        FlashMouseFilter filter(c.options);
        int i = 0;
        for (const Step& step : c.steps) {
            MouseHookAction action =
                filter.Decide(step.message, step.at, step.overFlash, step.inListView);
            EXPECT_EQ(action.swallow, step.swallow) << c.name << " step " << i;
            EXPECT_EQ(action.postQuit, step.quit) << c.name << " step " << i;
            EXPECT_EQ(action.send, step.send) << c.name << " step " << i;
            ++i;
        }
    }
}

// Real mouse input over a player window: the right press is kept from it and
// reported to the page's parent; the left press and the releases reach it.
struct HookWitness {
    std::vector<UINT> playerMessages;
    std::vector<POINT> reportedPresses;
};
HookWitness gWitness;

LRESULT CALLBACK PlayerStandInProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_RBUTTONUP)
        gWitness.playerMessages.push_back(message);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK HookHostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_FLASH_RIGHT_PRESS)
        gWitness.reportedPresses.push_back(
            POINT{static_cast<LONG>(wParam), static_cast<LONG>(lParam)});
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void Click(DWORD down, DWORD up) {
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = down;
    inputs[1].mi.dwFlags = up;
    SendInput(2, inputs, sizeof(INPUT));
    for (int i = 0; i < 20; ++i) {
        test::PumpMessages(nullptr);
        Sleep(10);
    }
}

TEST(MouseHook, RightPressesOverThePlayerGoToThePageParentInstead) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA player{};
    player.lpfnWndProc = &PlayerStandInProc;
    player.hInstance = instance;
    player.lpszClassName = "MacromediaFlashPlayerActiveX";
    RegisterClassA(&player);
    WNDCLASSA host{};
    host.lpfnWndProc = &HookHostProc;
    host.hInstance = instance;
    host.lpszClassName = "WallweaverHookHost";
    RegisterClassA(&host);
    gWitness = HookWitness();

    HWND hostWindow = CreateWindowExA(0, "WallweaverHookHost", "hook host", WS_POPUP | WS_VISIBLE,
                                      100, 100, 300, 200, nullptr, nullptr, instance, nullptr);
    HWND page = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 300, 200, hostWindow,
                                nullptr, instance, nullptr);
    HWND playerWindow =
        CreateWindowExA(0, "MacromediaFlashPlayerActiveX", "", WS_CHILD | WS_VISIBLE, 50, 50, 100,
                        80, page, nullptr, instance, nullptr);
    ASSERT_NE(playerWindow, nullptr);
    ASSERT_TRUE(InstallFlashMouseHook(page, true, true, false, false, false, true));
    POINT centre{100, 90};
    ClientToScreen(page, &centre);
    SetCursorPos(centre.x, centre.y);
    test::PumpMessages(nullptr);
    if (WindowFromPoint(centre) != playerWindow) {
        InstallFlashMouseHook(nullptr, false, false, false, false, false, false);
        test::DestroyTopWindow(hostWindow);
        GTEST_SKIP() << "the player window is not under the cursor on this display";
    }
    Click(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(gWitness.playerMessages, (std::vector<UINT>{WM_RBUTTONUP, WM_LBUTTONDOWN}));
    ASSERT_EQ(gWitness.reportedPresses.size(), 1u);
    EXPECT_EQ(gWitness.reportedPresses[0].x, centre.x);
    EXPECT_EQ(gWitness.reportedPresses[0].y, centre.y);
    // Removed, the hook lets the right press through.
    ASSERT_TRUE(InstallFlashMouseHook(nullptr, false, false, false, false, false, false));
    Click(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    EXPECT_EQ(gWitness.playerMessages.size(), 4u);
    EXPECT_EQ(gWitness.reportedPresses.size(), 1u);
    test::DestroyTopWindow(hostWindow);
}

// ---- the file dialog helper ------------------------------------------------

BOOL CALLBACK CancelFileDialog(HWND window, LPARAM seen) {
    char cls[16] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !IsWindowVisible(window))
        return TRUE;
    reinterpret_cast<std::atomic<bool>*>(seen)->store(true);
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return FALSE;
}

// The sizes the builder states are the 32-bit structure's; a 64-bit build's
// structure is larger, and the system refused those numbers outright.
TEST(FileDialog, TheSystemDialogOpensForTheSizesTheBuilderStates) {
    const DWORD thread = GetCurrentThreadId();
    for (DWORD stated : {kFullFileDialogSize, kOldFileDialogSize}) {
        for (FileDialogKind kind : {FileDialogKind::Open, FileDialogKind::Save}) {
            std::atomic<bool> seen{false};
            std::thread closer([&] {
                for (int i = 0; i < 200 && !seen; ++i) {
                    Sleep(50);
                    EnumThreadWindows(thread, CancelFileDialog, reinterpret_cast<LPARAM>(&seen));
                }
            });
            FileDialogRequest request;
            request.kind = kind;
            request.structSize = stated;
            request.filter = "Flash Files(*.swf)|*.swf||";
            std::vector<std::string> paths;
            EXPECT_FALSE(ShowFileDialog(request, &paths));
            closer.join();
            EXPECT_TRUE(seen) << "no dialog for size " << stated;
            EXPECT_EQ(CommDlgExtendedError(), 0u) << stated;
        }
    }
}

TEST(FileDialog, FiltersExtensionsAndChosenNamesTakeTheDialogsForm) {
    const std::pair<std::string, std::string> filters[] = {
        {"Flash Files(*.swf)|*.swf||", std::string("Flash Files(*.swf)\0*.swf\0\0", 27)},
        {"*.sdf|*.sdf|", std::string("*.sdf\0*.sdf\0\0", 13)},
        {"Bitmap Files(*.bmp)|*.bmp", std::string("Bitmap Files(*.bmp)\0*.bmp\0\0", 27)},
        {"", ""},
    };
    for (const auto& [bars, dialog] : filters)
        EXPECT_EQ(DialogFilter(bars), dialog) << bars;

    EXPECT_EQ(DialogDefaultExtension("*.swf"), "swf");
    EXPECT_EQ(DialogDefaultExtension(".ico"), "ico");
    EXPECT_EQ(DialogDefaultExtension("exe"), "exe");
    EXPECT_EQ(DialogDefaultExtension(""), "");

    struct Case {
        std::string buffer;
        std::vector<std::string> paths;
    };
    const Case cases[] = {
        {std::string("C:\\m\\a.swf\0", 11), {"C:\\m\\a.swf"}},
        {std::string("C:\\m\0a.swf\0b.txt\0\0", 19), {"C:\\m\\a.swf", "C:\\m\\b.txt"}},
        {std::string("C:\\\0a.swf\0\0", 11), {"C:\\a.swf"}},
        {std::string("\0", 1), {}},
        // No terminator within the buffer: nothing is read past it.
        {std::string("C:\\m\0a.sw", 9), {"C:\\m\\a.sw"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChosenPaths(c.buffer.data(), c.buffer.size()), c.paths);
}

} // namespace
} // namespace ww
