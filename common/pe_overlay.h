// Where the data appended to an executable ends. A signing tool (signtool,
// osslsigncode) pads the file with zero bytes to a multiple of 8 and appends
// the PE certificate table after everything else, naming it in the optional
// header's security directory. Data appended before signing therefore ends
// where that table begins, less the padding.
//
// The headers are read as common/pe_headers.h describes; entry 4 of the data
// directories, the security directory, holds the table's file offset and
// size. The table counts only when the directory lies inside the
// optional header, the table lies after the headers and wholly inside the
// file, and it ends where the file ends (something appended after signing
// is found at the end of the file, as for an unsigned one).
#pragma once

#include "common/file.h"

#include <cstdint>
#include <string>

namespace ww {

// The offset where appended data ends: the start of a certificate table
// that closes the file, less its zero padding; for a signed file whose
// signature was removed again (an empty security directory), the file's end
// less that padding; otherwise the file's size.
// -1 when the size cannot be told. Moves the file's position.
int64_t AppendedDataEnd(File& f);

} // namespace ww
