#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "net/TlsConfig.h"

namespace dicom {

class TlsSession;

// One blocking IPv4 TCP connection to a peer, plain or with TLS inside. Moves bytes and nothing
// else: every receive waits at most the receive time-out, and the last error tells why the last
// step failed.
class TcpSocket {
 public:
  static constexpr int kDefaultReceiveTimeout = 300;  // seconds
  static constexpr int kTimedOut = -2;
  static constexpr int kClosedByPeer = -3;
  static constexpr int kTlsFailed = -4;    // TlsFailed() says why
  static constexpr int kInterrupted = -5;  // the user gave up on the wait (InterruptWaits)
  // Longest host text that is resolved; a longer one makes Connect fail.
  static constexpr std::size_t kMaxHostLength = 127;

  TcpSocket();
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;
  virtual ~TcpSocket();

  // 0 when not connected; otherwise 1, also after a failed send, which shows at the next receive.
  virtual int Send(const void* buffer, std::uint32_t length);
  // Bytes received (at least 1), or -1: not connected, time-out (kTimedOut), peer closed
  // (kClosedByPeer, the socket is then closed) or a receive error.
  virtual int Receive(void* buffer, std::uint32_t capacity);
  // 1 when connected, 0 on any failure.
  virtual int Connect(const char* host, const char* port);
  // Takes over a connection that a listener accepted; the receive time-out stays as it was set.
  // With TLS, 0 when the handshake failed; the connection is then closed.
  int Adopt(int handle);
  int Close();
  // True when bytes, an orderly close or a reset wait to be read: a receive would not wait.
  bool HasInput() const;
  // Waits until HasInput, at most the receive time-out: 1 then (also when not connected, so that
  // the receive says why), 0 when the wait timed out or was interrupted (LastError says which).
  // Nothing is read.
  int AwaitInput();

  // From the next Connect (as the requestor, which checks the peer's certificate against the
  // host it connects to) or Adopt (as the acceptor) on, the connection runs TLS. The handshake
  // waits at most the receive time-out.
  void UseTls(const TlsConfig& config) { tlsConfig_ = config; }
  void UsePlain() { tlsConfig_.reset(); }
  bool UsesTls() const { return tlsConfig_.has_value(); }
  // Why the last TLS connection failed (None when it did not), OpenSSL's words for it, and the
  // result of checking the peer's certificate (0 when it passed or was not checked).
  TlsFailure TlsFailed() const { return tlsFailure_; }
  const std::string& TlsDetail() const { return tlsDetail_; }
  long TlsVerifyResult() const { return tlsVerifyResult_; }
  // The peer's IPv4 address in network order; 0 when not connected.
  std::uint32_t PeerAddress() const;

  bool IsConnected() const { return connected_; }
  int LastError() const { return lastError_; }
  // The connection's handle, shown as the connection number in protocol logs; 0 when closed.
  int Handle() const { return handle_ < 0 ? 0 : handle_; }
  int ReceiveTimeout() const { return receiveTimeout_; }
  // Only tests and the command-line tool change the time-out; the services keep the default.
  void SetReceiveTimeout(int seconds) { receiveTimeout_ = seconds; }

  static std::uint16_t InstanceCount();

 private:
  void ResolveHost(const char* host);
  bool ResolvePort(const char* port);
  void TakeOver(int handle);
  bool StartTls(bool server, const char* peerName);
  // Ends the connection after a failed TLS step, keeping why.
  void FailTls(TlsFailure failure, std::string detail, long verifyResult);
  int SendTls(const std::uint8_t* bytes, std::uint32_t length);
  int ReceiveTls(void* buffer, std::uint32_t capacity);

  int lastError_ = 0;
  int handle_ = -1;
  bool connected_ = false;
  in_addr address_{};
  std::uint16_t port_ = 0;  // network order
  int receiveTimeout_ = kDefaultReceiveTimeout;
  std::optional<TlsConfig> tlsConfig_;
  std::unique_ptr<TlsSession> tls_;
  TlsFailure tlsFailure_ = TlsFailure::None;
  std::string tlsDetail_;
  long tlsVerifyResult_ = 0;
};

}  // namespace dicom
