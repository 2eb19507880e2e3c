// A reference one file makes to another (an installed page to its movie;
// later what a movie loads by script), confined to one folder. Whoever wrote
// the referring file chooses the text, so the reference is read as a path
// relative to the folder and nothing else: either separator, "." dropped and
// ".." undoing the name before it, and never leaving the folder.
//
// Refused before anything is looked up or opened: absolute paths ("C:\x",
// "/x"), drive-relative ("C:x") and rooted ("\x") ones, UNC, "\\?\" and
// "\\.\" paths, URLs ("scheme:") and alternate data streams (a ':' anywhere),
// device names (CON, NUL.txt, COM1 ...), names Windows would change or take
// for another file (a trailing dot or blank, a wildcard, a short "~1" form)
// and control characters.
#pragma once

#include <string>
#include <vector>

namespace ww {

enum class ReferenceFault {
    None,
    Outside,      // absolute, rooted, on a drive or a share, or ".." past the folder
    Device,       // a device rather than a file
    NotFileNames, // a URL, a stream, or a name that is no plain file name
    NoFile,       // nothing but the folder itself
};

// The names the reference walks to from the folder, normalised: each a bare,
// safe file name, the last one the file's.
ReferenceFault ReferenceNames(const std::string& reference, std::vector<std::string>* names);

// The file the reference names inside folder: folder, then its names joined
// with this system's separator. A file in a subfolder resolves its own
// references by giving that subfolder (as a reference from folder) as from,
// so that ".." may climb back to folder but no further. Pure string work:
// nothing is looked up or opened.
ReferenceFault ResolveInsideFolder(const std::string& folder, const std::string& reference,
                                   std::string* path, const std::string& from = std::string());

// What a fault means, to follow the reference in a message:
// "is outside <place>", "names a device, not a file", ...
std::string ReferenceFaultText(ReferenceFault fault, const std::string& place);

} // namespace ww
