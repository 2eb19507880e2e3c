// The destination-folder test of the installers, over the machine's fixed
// drives.
#pragma once

#include <string>

namespace ww {

// The root of every fixed drive ("C:\D:\"), in drive-letter order.
std::string FixedDriveList();
// The text after the last backslash; empty when there is none.
std::string LastPathComponent(const std::string& path);
// True when path (one trailing backslash ignored) is an existing folder, or a
// bare fixed drive such as "C:", and its last component holds none of
// \ / : * ? " < > |.
bool IsValidExistingFolder(const std::string& path);

} // namespace ww
