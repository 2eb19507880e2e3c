// Where the data appended to an executable ends. A signing tool (signtool,
// osslsigncode) pads the file with zero bytes to a multiple of 8 and appends
// the PE certificate table after everything else, naming it in the optional
// header's security directory. Data appended before signing therefore ends
// where that table begins, less the padding.
//
// Read, little-endian: "MZ" at 0 and the PE header's offset (u32) at 0x3C;
// there "PE\0\0", the COFF header's SizeOfOptionalHeader (u16) at +20, and
// the optional header from +24: magic 0x10B (PE32) or 0x20B (PE32+),
// NumberOfRvaAndSizes (u32) at 92 or 108, the data directories after it, of
// which entry 4, the security directory, holds a file offset and a size
// (u32 each). The table counts only when the directory lies inside the
// optional header, the table lies after the headers and wholly inside the
// file, and it ends where the file ends (something appended after signing
// is found at the end of the file, as for an unsigned one).
#pragma once

#include "common/file.h"

#include <cstdint>
#include <string>

namespace ww {

// The offset where appended data ends: the start of a certificate table
// that closes the file, less its zero padding; otherwise the file's size.
// -1 when the size cannot be told. Moves the file's position.
int64_t AppendedDataEnd(File& f);

} // namespace ww
