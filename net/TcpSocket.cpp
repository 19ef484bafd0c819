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
#include "net/TlsSession.h"

namespace dicom {
namespace {

std::uint16_t instanceCount = 0;

// Waits for the handle to become ready for the events, at most the given time; a signal does not
// end the wait early. The wait runs in slices, and the idle hook, when one is installed, runs
// between them, so that a blocked application still paints; the limit stays what it was. True
// when ready; false after the limit, or at once once the waits are interrupted.
bool WaitFor(int handle, short events, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (WaitsInterrupted()) return false;
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

using Clock = std::chrono::steady_clock;

// Why a wait that WaitFor gave up on failed.
int WaitFailure() {
  return WaitsInterrupted() ? TcpSocket::kInterrupted : TcpSocket::kTimedOut;
}

std::chrono::milliseconds Left(Clock::time_point deadline) {
  return std::max(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()),
                  std::chrono::milliseconds(0));
}

bool Readable(int handle) {
  pollfd entry{handle, POLLIN, 0};
  int ready;
  do {
    ready = poll(&entry, 1, 0);
  } while (ready < 0 && errno == EINTR);
  return ready > 0;
}

// A Nagle peer holds its next small write for our delayed ACK: send it before every wait.
void AcknowledgeNow([[maybe_unused]] int handle) {
#ifdef TCP_QUICKACK
  const int on = 1;
  setsockopt(handle, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
#endif
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
  lastError_ = result == 0 ? 0 : WaitsInterrupted() ? kInterrupted : errno;
  if (result != 0) {
    close(handle_);
    handle_ = -1;
    return 0;
  }
  TakeOver(handle_);
  return !tlsConfig_ || StartTls(false, host) ? 1 : 0;
}

int TcpSocket::Adopt(int handle) {
  TakeOver(handle);
  return !tlsConfig_ || StartTls(true, nullptr) ? 1 : 0;
}

void TcpSocket::TakeOver(int handle) {
  if (handle != handle_) Close();
  handle_ = handle;
  tlsFailure_ = TlsFailure::None;
  tlsDetail_.clear();
  tlsVerifyResult_ = 0;
  // PDUs leave in several small sends; without this every exchange waits on delayed
  // acknowledgements.
  const int on = 1;
  setsockopt(handle_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  lastError_ = 0;
  connected_ = true;
}

bool TcpSocket::StartTls(bool server, const char* peerName) {
  tls_ = TlsSession::Create(handle_, *tlsConfig_, server, peerName, tlsFailure_, tlsDetail_);
  if (!tls_) {
    FailTls(tlsFailure_, tlsDetail_, 0);
    return false;
  }
  const auto deadline = Clock::now() + std::chrono::seconds(receiveTimeout_);
  for (;;) {
    const TlsSession::Step step = tls_->Handshake();
    if (step == TlsSession::Step::Done) return true;
    if (step == TlsSession::Step::Failed) {
      FailTls(tls_->Failure(), tls_->Detail(), tls_->VerifyResult());
      return false;
    }
    if (!WaitFor(handle_, step == TlsSession::Step::WantWrite ? POLLOUT : POLLIN, Left(deadline))) {
      FailTls(TlsFailure::Handshake,
              "no answer within " + std::to_string(receiveTimeout_) + " s during the handshake", 0);
      lastError_ = WaitFailure();
      return false;
    }
  }
}

void TcpSocket::FailTls(TlsFailure failure, std::string detail, long verifyResult) {
  // After a fatal error the session may send nothing more, not even its close notification.
  tls_.reset();
  Close();
  tlsFailure_ = failure;
  tlsDetail_ = std::move(detail);
  tlsVerifyResult_ = verifyResult;
  lastError_ = kTlsFailed;
}

int TcpSocket::Send(const void* buffer, std::uint32_t length) {
  if (!connected_) return 0;
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  if (tls_) return SendTls(bytes, length);
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

// A peer that takes nothing for the receive time-out fails the send, as a silent one fails a
// receive. A failure shows at the next receive, as it does without TLS.
int TcpSocket::SendTls(const std::uint8_t* bytes, std::uint32_t length) {
  auto deadline = Clock::now() + std::chrono::seconds(receiveTimeout_);
  while (length > 0) {
    int sent = 0;
    const TlsSession::Step step = tls_->Write(bytes, length, sent);
    if (step == TlsSession::Step::Done) {
      bytes += sent;
      length -= static_cast<std::uint32_t>(sent);
      deadline = Clock::now() + std::chrono::seconds(receiveTimeout_);
      continue;
    }
    const bool waiting = step == TlsSession::Step::WantRead || step == TlsSession::Step::WantWrite;
    if (waiting &&
        WaitFor(handle_, step == TlsSession::Step::WantRead ? POLLIN : POLLOUT, Left(deadline))) {
      continue;
    }
    if (step == TlsSession::Step::Failed || step == TlsSession::Step::Closed) {
      // A peer that turned the handshake down after it ended on this side (as a TLS 1.3 server
      // does with a client's certificate) has said why before it closed: that is the reason.
      if (Readable(handle_) && tls_->Peek() == TlsSession::Step::Failed &&
          tls_->Failure() != TlsFailure::Broken) {
        FailTls(tls_->Failure(), tls_->Detail(), tls_->VerifyResult());
      } else if (step == TlsSession::Step::Failed) {
        FailTls(tls_->Failure(), tls_->Detail(), tls_->VerifyResult());
      } else {
        lastError_ = kClosedByPeer;
      }
    } else {
      lastError_ = WaitFailure();
    }
    std::printf("SOCKET END ERROR: %d\n", lastError_);
    break;
  }
  return 1;
}

int TcpSocket::ReceiveTls(void* buffer, std::uint32_t capacity) {
  const auto deadline = Clock::now() + std::chrono::seconds(receiveTimeout_);
  for (;;) {
    int received = 0;
    switch (tls_->Read(buffer, capacity, received)) {
      case TlsSession::Step::Done:
        return received;
      case TlsSession::Step::Closed:
        Close();
        lastError_ = kClosedByPeer;
        return -1;
      case TlsSession::Step::Failed:
        FailTls(tls_->Failure(), tls_->Detail(), tls_->VerifyResult());
        return -1;
      case TlsSession::Step::WantWrite:
        if (WaitFor(handle_, POLLOUT, Left(deadline))) continue;
        break;
      case TlsSession::Step::WantRead:
        AcknowledgeNow(handle_);
        if (WaitFor(handle_, POLLIN, Left(deadline))) continue;
        break;
    }
    lastError_ = WaitFailure();
    return -1;
  }
}

int TcpSocket::Receive(void* buffer, std::uint32_t capacity) {
  if (!connected_) return -1;
  if (tls_) return ReceiveTls(buffer, capacity);
  // What is already there is taken without a wait.
  ssize_t received;
  do {
    received = recv(handle_, buffer, capacity, MSG_DONTWAIT);
  } while (received < 0 && errno == EINTR);
  if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
    AcknowledgeNow(handle_);
    if (!WaitFor(handle_, POLLIN, std::chrono::seconds(receiveTimeout_))) {
      lastError_ = WaitFailure();
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

int TcpSocket::AwaitInput() {
  if (!connected_) return 1;
  const auto deadline = Clock::now() + std::chrono::seconds(receiveTimeout_);
  while (!HasInput()) {
    AcknowledgeNow(handle_);
    if (!WaitFor(handle_, POLLIN, Left(deadline))) {
      lastError_ = WaitFailure();
      return 0;
    }
  }
  return 1;
}

bool TcpSocket::HasInput() const {
  if (!connected_) return false;
  if (!tls_) return Readable(handle_);
  // Records that carry no data (a session ticket after the handshake) are taken on the way, so
  // that only data, a close or a failure count. Bounded, should a peer send nothing else.
  for (int records = 0; records < 64; ++records) {
    const TlsSession::Step step = tls_->Peek();
    if (step != TlsSession::Step::WantRead && step != TlsSession::Step::WantWrite) return true;
    if (!Readable(handle_)) return false;
  }
  return true;
}

std::uint32_t TcpSocket::PeerAddress() const {
  sockaddr_in peer{};
  socklen_t length = sizeof peer;
  if (!connected_ || getpeername(handle_, reinterpret_cast<sockaddr*>(&peer), &length) != 0 ||
      peer.sin_family != AF_INET) {
    return 0;
  }
  return peer.sin_addr.s_addr;
}

int TcpSocket::Close() {
  if (tls_) {
    tls_->Shutdown();
    tls_.reset();
  }
  if (handle_ >= 0) close(handle_);
  handle_ = -1;
  connected_ = false;
  return 1;
}

}  // namespace dicom
