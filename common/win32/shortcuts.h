// Shell shortcuts (".lnk" files) to an installed program, on the desktop and
// in the Quick Launch folder.
#pragma once

#include <string>

namespace ww {

// Saves a shortcut at linkPath that starts target in target's folder (with
// its trailing backslash); 1 when the file was saved, else 0.
int CreateShortcut(const std::string& target, const std::string& linkPath);
// The file name of target without its last four characters (".exe"); empty
// when target has no backslash.
std::string ShortcutName(const std::string& target);
// The desktop folder and the Quick Launch folder, each ending in a backslash;
// empty when the shell cannot tell.
std::string DesktopFolder();
std::string QuickLaunchFolder();
// Both always answer 1: a shortcut that cannot be made is simply missing.
// The Quick Launch folder is created when the profile lacks it, so that the
// box the user left checked has an effect.
int CreateDesktopShortcut(const std::string& target);
int CreateQuickLaunchShortcut(const std::string& target);

} // namespace ww
