#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "net/TlsConfig.h"

namespace dicom {

// One TLS session over a connected socket handle, for the socket's own use: it never waits.
// Each step says what it needs before it can go on, and the socket does the waiting.
class TlsSession {
 public:
  enum class Step { Done, WantRead, WantWrite, Closed, Failed };

  // A client session checks `peerName` (a dotted address or a host name) against the peer's
  // certificate. nullptr with `failure` and `detail` set when the configuration cannot be used.
  static std::unique_ptr<TlsSession> Create(int handle, const TlsConfig& config, bool server,
                                            const char* peerName, TlsFailure& failure,
                                            std::string& detail);
  ~TlsSession();
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;

  Step Handshake();
  // Done with `count` bytes moved.
  Step Read(void* buffer, std::uint32_t capacity, int& count);
  Step Write(const void* buffer, std::uint32_t length, int& count);
  // Done when application data is waiting, Closed when the peer closed, WantRead when nothing
  // is there yet; records that carry no data (session tickets) are taken on the way.
  Step Peek();
  // Decrypted bytes already held.
  bool HasPending() const;
  // Sends the close notification, without waiting for the peer's.
  void Shutdown();

  // After a Failed step: why, OpenSSL's words for it, and the certificate verification result.
  TlsFailure Failure() const { return failure_; }
  const std::string& Detail() const { return detail_; }
  long VerifyResult() const { return verifyResult_; }

 private:
  struct State;
  explicit TlsSession(std::unique_ptr<State> state);
  Step Result(int returned);
  void Classify();

  std::unique_ptr<State> state_;
  TlsFailure failure_ = TlsFailure::None;
  std::string detail_;
  long verifyResult_ = 0;
};

}  // namespace dicom
