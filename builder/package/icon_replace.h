// Gives an executable the first (or any) image of an icon file as its icon
// resource 1, language 1033, and rewrites the icon group entries that refer to
// that resource so they describe the new image.
#pragma once

#include <string>

namespace ww {

// 1 on success; 0 when the icon file cannot be read or has no image at
// imageIndex, or the executable cannot be rewritten. On 0 the executable is
// byte for byte what it was. The new file is written beside the old one and
// renamed over it; data after the image stays after the image.
int ReplaceExecutableIcon(const std::string& exe, const std::string& icon, int imageIndex);

// The same through our own PE resource editor instead of the system's
// resource-update functions: the body used off Windows, and on Windows a
// second body the tests hold against the first.
int ReplaceExecutableIconPortable(const std::string& exe, const std::string& icon, int imageIndex);

} // namespace ww
