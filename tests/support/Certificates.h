#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "support/Programs.h"

namespace testing_support {

// Certificates for TLS, made by the openssl command in a directory of their own: the authority
// "ca"; signed by it "server" (for 127.0.0.1 and localhost), "client" and "elsewhere" (for another
// host); the authority "other" and, signed by it, "stranger" (for 127.0.0.1 and localhost). Each
// as NAME.crt and NAME.key.
class Certificates : public TempDir {
 public:
  // Empty when all were made, otherwise the failing command's output.
  std::string Make();
  std::string Crt(std::string_view name) const { return File(std::string(name) + ".crt"); }
  std::string Key(std::string_view name) const { return File(std::string(name) + ".key"); }
};

// Orthanc with TLS on its DICOM port, the "server" certificate and "ca" as the authority its peers
// need; it serves the calling title DICOMNET and moves to DICOMNET and STORESCP at
// 127.0.0.1:movePort over TLS.
std::vector<std::string> TlsOrthancArgs(const Peer& peer, const Certificates& certificates,
                                        std::uint16_t movePort);

}  // namespace testing_support
