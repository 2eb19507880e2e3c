// The shell folders that the installers write shortcuts into, as the tests
// see them: the desktop moved into the test's own folder (in a fresh Wine
// prefix it is the host's home folder), and shortcuts read back through the
// shell's own link object.
#pragma once

#include <string>

namespace ww::test {

// Points the user's desktop folder at folder while it lives; the previous
// setting is put back afterwards.
class DesktopRedirect {
  public:
    explicit DesktopRedirect(const std::string& folder);
    ~DesktopRedirect();
    DesktopRedirect(const DesktopRedirect&) = delete;
    DesktopRedirect& operator=(const DesktopRedirect&) = delete;

  private:
    std::string previousUser_;
    std::string previousShell_;
};

struct ShortcutInfo {
    std::string target;
    std::string workingFolder;
};
// Loads a ".lnk" file through IShellLinkA; false when it cannot be read.
bool ReadShortcut(const std::string& linkPath, ShortcutInfo* info);

} // namespace ww::test
