// Puts the recording Active Desktop stand-in (recording_active_desktop.dll,
// built beside the tests) in place of the shell's object for this test
// prefix, and reads back the calls it saw.
#pragma once

#include <string>
#include <vector>

namespace ww::test {

class ActiveDesktopRecorder {
  public:
    // Calls are recorded into logPath by every program started from now on.
    explicit ActiveDesktopRecorder(const std::string& logPath);
    ~ActiveDesktopRecorder();
    bool registered() const { return registered_; }
    // The wallpaper GetWallpaper answers with.
    void SetPreviousWallpaper(const std::string& path);
    std::vector<std::string> Calls() const;
    void Clear() const;

  private:
    std::string logPath_;
    std::string previousServer_;
    bool registered_ = false;
};

} // namespace ww::test
