#include "net/TcpListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace dicom {

TcpListener::~TcpListener() {
  Close();
}

int TcpListener::Listen(std::uint16_t port) {
  Close();
  handle_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (handle_ < 0) {
    lastError_ = errno;
    return 0;
  }
  // A receiver restarted at once must not wait for the connections of its predecessor to time
  // out; a port that another program listens on stays refused.
  const int on = 1;
  setsockopt(handle_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  socklen_t length = sizeof address;
  if (bind(handle_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(handle_, SOMAXCONN) != 0 ||
      getsockname(handle_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    lastError_ = errno;
    Close();
    return 0;
  }
  port_ = ntohs(address.sin_port);
  lastError_ = 0;
  return 1;
}

int TcpListener::Accept(std::chrono::milliseconds limit) {
  if (handle_ < 0) return -1;
  pollfd entry{handle_, POLLIN, 0};
  const int ready = poll(&entry, 1, static_cast<int>(limit.count()));
  if (ready <= 0) {
    lastError_ = ready == 0 ? ETIMEDOUT : errno;
    return -1;
  }
  const int connection = accept4(handle_, nullptr, nullptr, SOCK_CLOEXEC);
  if (connection < 0) lastError_ = errno;
  return connection;
}

int TcpListener::Close() {
  if (handle_ >= 0) close(handle_);
  handle_ = -1;
  port_ = 0;
  return 1;
}

}  // namespace dicom
