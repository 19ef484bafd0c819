#pragma once

#include <cstdint>
#include <string>

namespace dicom {

// What a connection needs to run TLS. PEM files throughout.
struct TlsConfig {
  // The authority that signed the peer's certificate. A requestor without one trusts the
  // system's authorities; an acceptor with one requires a certificate it signed from each peer.
  std::string caFile;
  // This side's certificate (the chain after it may follow in the same file) and its key: an
  // acceptor always needs them, a requestor only for a peer that asks for a certificate.
  std::string certFile;
  std::string keyFile;
  // A requestor checks the acceptor's certificate, its address or name included, unless this is
  // cleared.
  bool verifyPeer = true;
};

// Why a TLS connection failed, or None.
enum class TlsFailure : std::uint8_t {
  None,
  Setup,                // this side's certificate, key or authority file cannot be used
  NotTrusted,           // the peer's certificate was signed by no trusted authority
  Expired,              // the peer's certificate has expired or is not valid yet
  NameMismatch,         // the peer's certificate names another host or address
  NoPeerCertificate,    // the peer sent no certificate, though one is required
  RefusedByPeer,        // the peer refused this side's certificate
  CertificateRequired,  // the peer wants a certificate from this side, which has none
  NotTls,               // the peer does not speak TLS
  Handshake,            // any other handshake failure: no common version or cipher, a time-out
  Broken,               // the session failed after the handshake
};

}  // namespace dicom
