#include "builder/ui/flash_preview.h"

#include "common/path.h"
#include "common/win32/strings.h"

#include <ocidl.h>
#include <ole2.h>

#include <cstdio>

namespace ww {

const CLSID kFlashPlayerClassId = {
    0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

namespace {

const char kPreviewClass[] = "WallweaverMoviePreview";

bool RegisterPreviewClass(WNDPROC procedure) {
    static bool registered = false;
    if (registered)
        return true;
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    wc.lpszClassName = kPreviewClass;
    registered = RegisterClassA(&wc) != 0;
    return registered;
}

} // namespace

// The container side of in-place activation: one site, one frame, both the
// preview window. The player asks for little more than the window and its
// rectangle.
class PlayerSite : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
  public:
    explicit PlayerSite(HWND window) : window_(window) {}

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite))
            *object = static_cast<IOleClientSite*>(this);
        else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite))
            *object = static_cast<IOleInPlaceSite*>(this);
        else if (IsEqualIID(iid, IID_IOleInPlaceUIWindow) || IsEqualIID(iid, IID_IOleInPlaceFrame))
            *object = static_cast<IOleInPlaceFrame*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
        if (moniker)
            *moniker = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** container) override {
        if (container)
            *container = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow, shared by the site and the frame
    STDMETHODIMP GetWindow(HWND* window) override {
        if (!window)
            return E_POINTER;
        *window = window_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                  LPRECT position, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override {
        if (frame) {
            *frame = this;
            AddRef();
        }
        if (document)
            *document = nullptr;
        if (position)
            GetClientRect(window_, position);
        if (clip)
            GetClientRect(window_, clip);
        if (info) {
            info->fMDIApp = FALSE;
            info->hwndFrame = GetAncestor(window_, GA_ROOT);
            info->haccel = nullptr;
            info->cAccelEntries = 0;
        }
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }

    // IOleInPlaceFrame
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  private:
    virtual ~PlayerSite() = default;
    HWND window_;
    ULONG references_ = 1;
};

FlashPreviewControl::FlashPreviewControl() = default;

FlashPreviewControl::~FlashPreviewControl() {
    DestroyPlayer();
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

bool FlashPreviewControl::Create(const std::string& windowName, DWORD style, const RECT& rect,
                                 HWND parent, int id) {
    if (hwnd_ || !RegisterPreviewClass(&FlashPreviewControl::WindowProc))
        return false;
    hwnd_ = CreateWindowExA(0, kPreviewClass, windowName.c_str(), style | WS_CLIPCHILDREN,
                            rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                            parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleA(nullptr), this);
    if (!hwnd_)
        return false;
    if (!CreatePlayer()) {
        view_.Create(hwnd_, WS_CHILD, 0, ScreenPicture(), 1);
        view_.SetScreenSize(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        view_.SetSettings(playback_);
        // The author tries the movie's buttons and fields in the preview once
        // it has the keyboard.
        view_.SetTakesPointer(true);
        view_.SetTakesKeys(true);
        view_.SetPointerNeedsFocus(true);
    }
    return true;
}

// The stand-in's player takes the screen's shape inside the monitor picture,
// so the page's layout shrinks alike across and down, as on the screen.
RECT FlashPreviewControl::ScreenPicture() const {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const movie::PixelBox b = movie::FitScreen(
        client.right, client.bottom, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return RECT{b.x, b.y, b.x + b.width, b.y + b.height};
}

bool FlashPreviewControl::CreatePlayer() {
    ComPtr<IOleObject> player;
    if (FAILED(CoCreateInstance(kFlashPlayerClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                player.out())))
        return false;
    site_ = ComPtr<PlayerSite>(new PlayerSite(hwnd_));
    player->SetClientSite(static_cast<IOleClientSite*>(site_.get()));
    ComPtr<IPersistStreamInit> persist;
    if (SUCCEEDED(player->QueryInterface(IID_IPersistStreamInit, persist.out())))
        persist->InitNew(); // no saved state to restore
    RECT client{};
    GetClientRect(hwnd_, &client);
    HRESULT activated =
        player->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(site_.get()),
                       0, hwnd_, &client);
    const bool scriptable =
        SUCCEEDED(activated) && SUCCEEDED(player->QueryInterface(IID_IDispatch, dispatch_.out()));
    player_ = std::move(player);
    if (!scriptable) {
        DestroyPlayer();
        return false;
    }
    return true;
}

void FlashPreviewControl::DestroyPlayer() {
    dispatch_.Reset();
    if (player_) {
        ComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(player_->QueryInterface(IID_IOleInPlaceObject, inPlace.out())))
            inPlace->InPlaceDeactivate();
        player_->Close(OLECLOSE_NOSAVE);
        player_->SetClientSite(nullptr);
        player_.Reset();
    }
    site_.Reset();
}

void FlashPreviewControl::Resize() {
    if (!player_)
        return;
    ComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(player_->QueryInterface(IID_IOleInPlaceObject, inPlace.out()))) {
        RECT client{};
        GetClientRect(hwnd_, &client);
        inPlace->SetObjectRects(&client, &client);
    }
}

bool FlashPreviewControl::Invoke(long dispid, WORD kind, void* argument) {
    if (!dispatch_)
        return false;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{};
    if (kind == DISPATCH_PROPERTYPUT) {
        parameters.rgvarg = static_cast<VARIANT*>(argument);
        parameters.cArgs = 1;
        parameters.rgdispidNamedArgs = &named;
        parameters.cNamedArgs = 1;
    }
    return SUCCEEDED(dispatch_->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters,
                                       nullptr, nullptr, nullptr));
}

void FlashPreviewControl::SetMovie(const std::string& path) {
    if (player_) {
        const std::wstring wide = WidenAnsi(path);
        VARIANT argument;
        VariantInit(&argument);
        argument.vt = VT_BSTR;
        argument.bstrVal = SysAllocString(wide.c_str());
        Invoke(kDispidMovie, DISPATCH_PROPERTYPUT, &argument);
        VariantClear(&argument);
        return;
    }
    if (!hwnd_)
        return;
    movieName_ = FileNameOfPath(path);
    if (movieName_.empty())
        movieName_ = path;
    movieInfo_ = ReadSwfMovieInfo(path);
    showingMovie_ = true;
    std::string error;
    const bool plays = view_.hwnd() && view_.Load(path, &error);
    if (view_.hwnd())
        ShowWindow(view_.hwnd(), plays ? SW_SHOWNA : SW_HIDE);
    Refresh();
}

void FlashPreviewControl::SetPlayback(const movie::PageMovie& settings) {
    playback_ = settings;
    background_ = RGB(settings.background.r, settings.background.g, settings.background.b);
    if (!player_ && view_.hwnd())
        view_.SetSettings(playback_);
    Refresh();
}

void FlashPreviewControl::SetBackgroundColor(int32_t rgb) {
    if (player_) {
        VARIANT argument;
        VariantInit(&argument);
        argument.vt = VT_I4;
        argument.lVal = rgb;
        Invoke(kDispidBackgroundColor, DISPATCH_PROPERTYPUT, &argument);
        return;
    }
    if (!hwnd_)
        return;
    background_ = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    playback_.hasBackground = true;
    playback_.background = movie::Rgba{static_cast<uint8_t>(GetRValue(background_)),
                                       static_cast<uint8_t>(GetGValue(background_)),
                                       static_cast<uint8_t>(GetBValue(background_)), 255};
    if (view_.hwnd())
        view_.SetSettings(playback_);
    Refresh();
}

void FlashPreviewControl::StopMovie() {
    if (player_) {
        Invoke(kDispidStop, DISPATCH_METHOD, nullptr);
        return;
    }
    if (!hwnd_)
        return;
    showingMovie_ = false;
    view_.Stop();
    if (view_.hwnd())
        ShowWindow(view_.hwnd(), SW_HIDE);
    Refresh();
}

std::string FlashPreviewControl::StandInText() const {
    return showingMovie_ ? DescribeMovie(movieName_, movieInfo_) : std::string();
}

// The window's text is what it shows, so a reader of the screen sees it too.
void FlashPreviewControl::Refresh() {
    SetWindowTextA(hwnd_, StandInText().c_str());
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void FlashPreviewControl::PaintStandIn(HDC dc) const {
    RECT client{};
    GetClientRect(hwnd_, &client);
    // Beside a playing screen picture lies the monitor's frame, not the page.
    const bool playing = view_.hwnd() && IsWindowVisible(view_.hwnd());
    GdiObject brush(CreateSolidBrush(playing ? RGB(0, 0, 0) : background_));
    FillRect(dc, &client, static_cast<HBRUSH>(brush.get()));
    const std::string text = StandInText();
    if (text.empty() || playing)
        return;
    // Dark text on light backgrounds, light text on dark ones.
    int light = GetRValue(background_) * 3 + GetGValue(background_) * 6 + GetBValue(background_);
    SetTextColor(dc, light > 1275 ? RGB(0, 0, 0) : RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    SelectedObject font(dc, GetStockObject(DEFAULT_GUI_FONT));
    RECT area = client;
    InflateRect(&area, -4, -4);
    RECT measured = area;
    DrawTextA(dc, text.c_str(), -1, &measured, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
    int offset = ((area.bottom - area.top) - (measured.bottom - measured.top)) / 2;
    if (offset > 0)
        area.top += offset;
    DrawTextA(dc, text.c_str(), -1, &area, DT_CENTER | DT_WORDBREAK | DT_END_ELLIPSIS);
}

LRESULT CALLBACK FlashPreviewControl::WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<FlashPreviewControl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self) {
        switch (message) {
        case WM_SIZE:
            self->Resize();
            if (self->view_.hwnd()) {
                const RECT r = self->ScreenPicture();
                MoveWindow(self->view_.hwnd(), r.left, r.top, r.right - r.left, r.bottom - r.top,
                           TRUE);
            }
            break;
        case WM_ERASEBKGND:
            return self->player_ ? DefWindowProcA(hwnd, message, wParam, lParam) : 1;
        case WM_PAINT:
            if (!self->player_) {
                PAINTSTRUCT paint;
                HDC dc = BeginPaint(hwnd, &paint);
                self->PaintStandIn(dc);
                EndPaint(hwnd, &paint);
                return 0;
            }
            break;
        case WM_DESTROY:
            self->DestroyPlayer();
            break;
        case WM_NCDESTROY:
            self->hwnd_ = nullptr;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            break;
        default:
            break;
        }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

std::string DescribeMovie(const std::string& fileName, const SwfMovieInfo& info) {
    char text[128];
    std::snprintf(text, sizeof text, "\r\n%d x %d pixels\r\n%u frames per second\r\n%u frames",
                  static_cast<int>(info.width), static_cast<int>(info.height),
                  static_cast<unsigned>(info.frameRate), static_cast<unsigned>(info.frameCount));
    return fileName + text;
}

} // namespace ww
