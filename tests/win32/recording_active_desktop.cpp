// A stand-in for the shell's Active Desktop object, registered for
// CLSID_ActiveDesktop in the test prefix only: it records every call it gets
// into the file named by WALLWEAVER_AD_LOG, one line a call, so the tests can
// check what the programs asked of the shell. GetWallpaper answers with
// WALLWEAVER_AD_PREVIOUS.
#include <windows.h>
#include <wininet.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

LONG gObjects = 0;

void Record(const std::string& line) {
    const char* log = std::getenv("WALLWEAVER_AD_LOG");
    if (!log || !*log)
        return;
    if (FILE* f = std::fopen(log, "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

std::string Narrow(PCWSTR wide) {
    std::string s;
    for (; wide && *wide; ++wide)
        s += static_cast<char>(*wide & 0xFF);
    return s;
}

class RecordingDesktop : public IActiveDesktop {
  public:
    RecordingDesktop() {
        InterlockedIncrement(&gObjects);
        Record("Create");
    }
    virtual ~RecordingDesktop() { InterlockedDecrement(&gObjects); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IActiveDesktop) {
            *ppv = static_cast<IActiveDesktop*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) {
            Record("Release");
            delete this;
        }
        return n;
    }
    STDMETHODIMP ApplyChanges(DWORD flags) override {
        Record("ApplyChanges " + std::to_string(flags));
        return S_OK;
    }
    STDMETHODIMP GetWallpaper(PWSTR out, UINT size, DWORD) override {
        Record("GetWallpaper");
        const char* previous = std::getenv("WALLWEAVER_AD_PREVIOUS");
        std::string p = previous ? previous : "";
        UINT i = 0;
        for (; i + 1 < size && i < p.size(); ++i)
            out[i] = static_cast<unsigned char>(p[i]);
        if (size > 0)
            out[i] = 0;
        return S_OK;
    }
    STDMETHODIMP SetWallpaper(PCWSTR path, DWORD reserved) override {
        Record("SetWallpaper " + Narrow(path) + " " + std::to_string(reserved));
        return S_OK;
    }
    STDMETHODIMP SetDesktopItemOptions(LPCCOMPONENTSOPT o, DWORD) override {
        Record("SetDesktopItemOptions " + std::to_string(o->dwSize) + " " +
               std::to_string(o->fEnableComponents) + " " + std::to_string(o->fActiveDesktop));
        return S_OK;
    }
    STDMETHODIMP GetWallpaperOptions(LPWALLPAPEROPT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetWallpaperOptions(LPCWALLPAPEROPT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetPattern(PWSTR, UINT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetPattern(PCWSTR, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetDesktopItemOptions(LPCOMPONENTSOPT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP AddDesktopItem(LPCCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP AddDesktopItemWithUI(HWND, LPCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP ModifyDesktopItem(LPCCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveDesktopItem(LPCCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetDesktopItemCount(int*, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetDesktopItem(int, LPCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetDesktopItemByID(ULONG_PTR, LPCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GenerateDesktopItemHtml(PCWSTR, LPCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP AddUrl(HWND, PCWSTR, LPCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetDesktopItemBySource(PCWSTR, LPCOMPONENT, DWORD) override { return E_NOTIMPL; }

  private:
    LONG refs_ = 1;
};

class Factory : public IClassFactory {
  public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (outer)
            return CLASS_E_NOAGGREGATION;
        RecordingDesktop* d = new RecordingDesktop();
        HRESULT hr = d->QueryInterface(riid, ppv);
        d->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

Factory gFactory;

} // namespace

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (clsid != CLSID_ActiveDesktop) {
        *ppv = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return gFactory.QueryInterface(riid, ppv);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
    return gObjects == 0 ? S_OK : S_FALSE;
}
