#include "net/TcpSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "net/IdleHook.h"

namespace dicom {
namespace {

std::uint16_t instanceCount = 0;

// Waits for the handle to become ready for the events, at most the given time; a signal does not
// end the wait early. The wait runs in slices, and the idle hook, when one is installed, runs
// between them, so that a blocked application still paints; the limit stays what it was. True
// when ready.
bool WaitFor(int handle, short events, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const IdleHook hook = CurrentIdleHook();
    const long long slice =
        hook == nullptr ? left.count() : std::min<long long>(left.count(), kIdleSliceMilliseconds);
    pollfd entry{handle, events, 0};
    const int ready = poll(&entry, 1, static_cast<int>(std::max<long long>(slice, 0)));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
    if (left.count() <= 0) return false;
    if (ready == 0 && hook != nullptr) hook();
  }
}

}  // namespace

TcpSocket::TcpSocket() {
  ++instanceCount;
}

TcpSocket::~TcpSocket() {
  Close();
  --instanceCount;
}

std::uint16_t TcpSocket::InstanceCount() {
  return instanceCount;
}

void TcpSocket::ResolveHost(const char* host) {
  // A text that starts with a non-zero number is a dotted address and is never looked up.
  if (std::atoi(host) == 0) {
    if (const hostent* entry = gethostbyname(host);
        entry != nullptr && entry->h_addrtype == AF_INET && entry->h_addr_list[0] != nullptr) {
      std::memcpy(&address_, entry->h_addr_list[0], sizeof address_);
      return;
    }
  }
  address_.s_addr = inet_addr(host);
}

bool TcpSocket::ResolvePort(const char* port) {
  const auto number = static_cast<std::uint16_t>(std::atoi(port));
  if (number != 0) {
    port_ = htons(number);
    return true;
  }
  const servent* entry = getservbyname(port, nullptr);
  if (entry == nullptr) return false;
  port_ = static_cast<std::uint16_t>(entry->s_port);
  return true;
}

int TcpSocket::Connect(const char* host, const char* port) {
  Close();
  if (std::strlen(host) > kMaxHostLength) return 0;
  ResolveHost(host);
  if (!ResolvePort(port)) return 0;

  handle_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (handle_ < 0) {
    lastError_ = errno;
    handle_ = -1;
    return 0;
  }
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = port_;
  peer.sin_addr = address_;
  // The connect runs non-blocking, so that its wait goes through WaitFor like every receive; the
  // socket is blocking again once connected.
  const int flags = fcntl(handle_, F_GETFL);
  fcntl(handle_, F_SETFL, flags | O_NONBLOCK);
  int result = connect(handle_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
  if (result != 0 && (errno == EINPROGRESS || errno == EINTR)) {
    int error = 0;
    socklen_t size = sizeof error;
    if (!WaitFor(handle_, POLLOUT, std::chrono::seconds(receiveTimeout_))) {
      error = ETIMEDOUT;
    } else if (getsockopt(handle_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
      error = errno;
    }
    result = error == 0 ? 0 : -1;
    errno = error;
  }
  fcntl(handle_, F_SETFL, flags);
  lastError_ = result == 0 ? 0 : errno;
  if (result != 0) {
    close(handle_);
    handle_ = -1;
    return 0;
  }
  return Adopt(handle_);
}

int TcpSocket::Adopt(int handle) {
  if (handle != handle_) Close();
  handle_ = handle;
  // PDUs leave in several small sends; without this every exchange waits on delayed
  // acknowledgements.
  const int on = 1;
  setsockopt(handle_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  lastError_ = 0;
  connected_ = true;
  return 1;
}

int TcpSocket::Send(const void* buffer, std::uint32_t length) {
  if (!connected_) return 0;
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  while (length > 0) {
    // A vanished peer must not raise SIGPIPE in the host process.
    const ssize_t sent = send(handle_, bytes, length, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0) {
      lastError_ = errno;
      std::printf("SOCKET END ERROR: %d\n", lastError_);
      break;
    }
    bytes += sent;
    length -= static_cast<std::uint32_t>(sent);
  }
  return 1;
}

int TcpSocket::Receive(void* buffer, std::uint32_t capacity) {
  if (!connected_) return -1;
  // What is already there is taken without a wait.
  ssize_t received;
  do {
    received = recv(handle_, buffer, capacity, MSG_DONTWAIT);
  } while (received < 0 && errno == EINTR);
  if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
#ifdef TCP_QUICKACK
    // A Nagle peer holds its next small write for our delayed ACK: send it before every wait.
    const int on = 1;
    setsockopt(handle_, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
#endif
    if (!WaitFor(handle_, POLLIN, std::chrono::seconds(receiveTimeout_))) {
      lastError_ = kTimedOut;
      return -1;
    }
    do {
      received = recv(handle_, buffer, capacity, 0);
    } while (received < 0 && errno == EINTR);
  }
  if (received == 0) {
    Close();
    lastError_ = kClosedByPeer;
    return -1;
  }
  return received < 0 ? -1 : static_cast<int>(received);
}

bool TcpSocket::HasInput() const {
  if (!connected_) return false;
  pollfd entry{handle_, POLLIN, 0};
  int ready;
  do {
    ready = poll(&entry, 1, 0);
  } while (ready < 0 && errno == EINTR);
  return ready > 0;
}

int TcpSocket::Close() {
  if (handle_ >= 0) close(handle_);
  handle_ = -1;
  connected_ = false;
  return 1;
}

}  // namespace dicom
