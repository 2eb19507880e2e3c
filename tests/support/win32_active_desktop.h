// Puts the recording Active Desktop stand-in (recording_active_desktop.dll,
// built beside the tests) in place of the shell's object for this test
// prefix, and reads back the calls it saw.
#pragma once

#include <string>
#include <vector>

namespace ww::test {

// The system the programs started from now on believe they run on: one with
// the page wallpaper (Windows XP, as Wine reports it), or a current one where
// the stand-in is still registered but must not be asked.
enum class DesktopSystem { WithHtmlWallpaper, Current };

class ActiveDesktopRecorder {
  public:
    // Calls are recorded into logPath by every program started from now on.
    explicit ActiveDesktopRecorder(const std::string& logPath,
                                   DesktopSystem system = DesktopSystem::WithHtmlWallpaper);
    ~ActiveDesktopRecorder();
    bool registered() const { return registered_; }
    // The wallpaper GetWallpaper answers with.
    void SetPreviousWallpaper(const std::string& path);
    std::vector<std::string> Calls() const;
    void Clear() const;

  private:
    std::string logPath_;
    DesktopSystem system_;
    std::string previousServer_;
    std::string previousVersion_;
    bool versionSet_ = false;
    bool registered_ = false;
};

} // namespace ww::test
