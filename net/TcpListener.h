#pragma once

#include <chrono>
#include <cstdint>

namespace dicom {

// A listening IPv4 TCP socket on every local address. It hands out accepted connections as plain
// handles, which a TcpSocket then adopts; it knows nothing of what travels on them.
class TcpListener {
 public:
  TcpListener() = default;
  TcpListener(const TcpListener&) = delete;
  TcpListener& operator=(const TcpListener&) = delete;
  ~TcpListener();

  // 1 when listening; 0 with LastError() holding the errno (EADDRINUSE for a port taken). Port 0
  // takes a free port, which Port() then tells.
  int Listen(std::uint16_t port);
  // Waits at most `limit` for a connection. The accepted handle, or -1 when none came in time,
  // when a signal interrupted the wait (so that the caller can look at its stop flag), or on an
  // error (LastError()).
  int Accept(std::chrono::milliseconds limit);
  int Close();

  bool IsListening() const { return handle_ >= 0; }
  std::uint16_t Port() const { return port_; }
  int LastError() const { return lastError_; }

 private:
  int handle_ = -1;
  std::uint16_t port_ = 0;
  int lastError_ = 0;
};

}  // namespace dicom
