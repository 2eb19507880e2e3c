// Making a page the Active Desktop wallpaper through the shell's
// IActiveDesktop object.
#pragma once

#include "common/win32/com.h"

#include <windows.h>
// IActiveDesktop is declared only after the Internet headers.
#include <wininet.h>
#include <shlobj.h>

#include <functional>
#include <string>

namespace ww {

// Creates an IActiveDesktop object (in-process server); null when the system
// has none.
IActiveDesktop* CreateActiveDesktop();

// Holds the object a program keeps for its whole run; released at the end.
class ActiveDesktopObject {
  public:
    ActiveDesktopObject() : object_(CreateActiveDesktop()) {}
    IActiveDesktop* get() const { return object_.get(); }

  private:
    ComPtr<IActiveDesktop> object_;
};

// The shell's desktop-HTML setting: whether Active Desktop is on.
bool IsActiveDesktopOn();
// Replaces the reading of that setting for this process (tests on a system
// that cannot turn it on); empty restores the shell's.
void SetActiveDesktopSettingReader(std::function<bool()> reader);

// One wallpaper change: a fresh object sets the page and applies it; when
// Active Desktop is then still off, the long-lived object switches it on.
// Results of the shell's calls are not examined: a failing call leaves the
// desktop as it was.
void SetActiveDesktopWallpaper(const std::string& pagePath, IActiveDesktop* longLived);

} // namespace ww
