#pragma once

namespace dicom {
class TcpSocket;
}

namespace plugin {

// The host's profile section "dicom" decides how the archive is reached: useTls=1 runs TLS with
// the certificates named by tlsCaFile, tlsCertFile and tlsKeyFile; anything else plain TCP. Read
// before each association, so that a change in the host's preferences applies to the next one.
void ApplyTlsProfile(dicom::TcpSocket& socket);

}  // namespace plugin
