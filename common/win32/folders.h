// The installers' folders: the Windows folder's wallpaper folder, and the
// destination-folder test over the machine's fixed drives.
#pragma once

#include <string>

namespace ww {

// The Windows folder, ending in a backslash; empty when the system does not
// say or its answer does not fit a path.
std::string WindowsFolder();
// WindowsFolder() + "Web\\Wallpaper\\", where every wallpaper is installed.
std::string WallpaperFolder();
// WallpaperFolder(), with Web\ and Web\Wallpaper\ created when the system
// lacks them; whether the folder is there now.
bool EnsureWallpaperFolder();

// The root of every fixed drive ("C:\D:\"), in drive-letter order.
std::string FixedDriveList();
// The text after the last backslash; empty when there is none.
std::string LastPathComponent(const std::string& path);
// True when path (one trailing backslash ignored) is an existing folder, or a
// bare fixed drive such as "C:", and its last component holds none of
// \ / : * ? " < > |.
bool IsValidExistingFolder(const std::string& path);

} // namespace ww
