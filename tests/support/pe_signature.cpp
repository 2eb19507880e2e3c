#include "tests/support/pe_signature.h"

#include <cstdlib>

namespace ww::test {

namespace {

uint32_t Get32(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}

void Set32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

int Run(const std::string& command) {
    return std::system((command + " > /dev/null 2>&1").c_str());
}

} // namespace

size_t SecurityDirectoryAt(const Bytes& image) {
    const size_t pe = Get32(image, 0x3C);
    const bool plus = image[pe + 24] == 0x0B && image[pe + 25] == 0x02;
    return pe + 24 + (plus ? 112 : 96) + 4 * 8;
}

void SetSecurityDirectory(Bytes& image, uint32_t offset, uint32_t size) {
    const size_t at = SecurityDirectoryAt(image);
    Set32(image, at, offset);
    Set32(image, at + 4, size);
}

Bytes WithCertificateTable(const Bytes& image, size_t tableSize) {
    Bytes out = image;
    out.resize((out.size() + 7) / 8 * 8, 0);
    const uint32_t start = static_cast<uint32_t>(out.size());
    Bytes table = PatternBytes(tableSize, 9);
    Set32(table, 0, static_cast<uint32_t>(tableSize)); // WIN_CERTIFICATE: length, revision, type
    table[4] = 0x00;
    table[5] = 0x02;
    table[6] = 0x02;
    table[7] = 0x00;
    out.insert(out.end(), table.begin(), table.end());
    SetSecurityDirectory(out, start, static_cast<uint32_t>(tableSize));
    return out;
}

bool SignWithThrowawayCertificate(const std::string& folder, const std::string& in,
                                  const std::string& out, std::string* why) {
    const std::string key = folder + "/key.pem", cert = folder + "/cert.pem";
    if (Run("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Throwaway -keyout \"" +
            key + "\" -out \"" + cert + "\"") != 0) {
        *why = "openssl could not make a certificate";
        return false;
    }
    if (Run("osslsigncode sign -certs \"" + cert + "\" -key \"" + key + "\" -in \"" + in +
            "\" -out \"" + out + "\"") != 0) {
        *why = "osslsigncode could not sign " + in;
        return false;
    }
    return true;
}

bool VerifySignature(const std::string& folder, const std::string& path) {
    return Run("osslsigncode verify -CAfile \"" + folder + "/cert.pem\" -in \"" + path + "\"") == 0;
}

} // namespace ww::test
