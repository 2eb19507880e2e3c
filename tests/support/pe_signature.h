// Lays a certificate table onto an executable the way a signing tool does:
// zero bytes up to a multiple of 8, the table, and the optional header's
// security directory naming it. The table is not a real signature (the
// readers only have to find where it begins); tests that need a real one
// sign with osslsigncode.
#pragma once

#include "tests/support/fixtures.h"

#include <cstdint>
#include <string>

namespace ww::test {

// Where the optional header's security directory entry sits (offset, then
// size, 4 bytes each), for PE32 and PE32+.
size_t SecurityDirectoryAt(const Bytes& image);
void SetSecurityDirectory(Bytes& image, uint32_t offset, uint32_t size);
Bytes WithCertificateTable(const Bytes& image, size_t tableSize = 1448);

// osslsigncode signs in with a throwaway certificate made by openssl in
// folder; false (with the reason in *why) when a tool is missing or fails.
bool SignWithThrowawayCertificate(const std::string& folder, const std::string& in,
                                  const std::string& out, std::string* why);
bool VerifySignature(const std::string& folder, const std::string& path);

} // namespace ww::test
