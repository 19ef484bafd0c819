#include "bench/Loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace bench {
namespace {

constexpr std::string_view kImplementationClass = "1.2.826.0.1.3680043.9.7433.9.1";
constexpr std::string_view kImplementationVersion = "BENCHPEER";

bool WaitFor(int fd, short events, std::chrono::milliseconds limit) {
  pollfd entry{fd, events, 0};
  for (;;) {
    const int ready = poll(&entry, 1, static_cast<int>(limit.count()));
    if (ready > 0) return true;
    if (ready == 0 || errno != EINTR) return false;
  }
}

void PutItem(Bytes& out, std::uint8_t type, std::string_view text) {
  out.push_back(type);
  out.push_back(0);
  PutBigEndian16(out, static_cast<std::uint16_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
}

// Calls visit(type, offset, length) for each item of an A-ASSOCIATE-RQ after its fixed part;
// false when an item reaches past the PDU.
template <class Visit>
bool ForEachItem(const Bytes& request, Visit visit) {
  constexpr std::size_t kFirstItem = 6 + 68;
  if (request.size() < kFirstItem || request[0] != 0x01) return false;
  for (std::size_t at = kFirstItem; at < request.size();) {
    if (at + 4 > request.size()) return false;
    const std::size_t length = (std::size_t{request[at + 2]} << 8) | request[at + 3];
    if (at + 4 + length > request.size()) return false;
    visit(request[at], at, length);
    at += 4 + length;
  }
  return true;
}

}  // namespace

int ListenLoopback(std::uint16_t port, std::uint16_t& bound) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  socklen_t size = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 8) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    close(fd);
    return -1;
  }
  bound = ntohs(address.sin_port);
  return fd;
}

int ConnectLoopback(std::uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return fd;
}

int AcceptWithin(int listener, std::chrono::milliseconds limit) {
  if (!WaitFor(listener, POLLIN, limit)) return -1;
  return accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

bool ReadableWithin(int fd, std::chrono::milliseconds limit) {
  return WaitFor(fd, POLLIN, limit);
}

bool ReadExactly(int fd, void* buffer, std::size_t count, std::chrono::milliseconds limit) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  while (count > 0) {
    if (!WaitFor(fd, POLLIN, limit)) return false;
    const ssize_t got = recv(fd, out, count, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    out += got;
    count -= static_cast<std::size_t>(got);
  }
  return true;
}

bool WriteAll(int fd, const void* buffer, std::size_t count) {
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  while (count > 0) {
    const ssize_t put = send(fd, in, count, MSG_NOSIGNAL);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    in += put;
    count -= static_cast<std::size_t>(put);
  }
  return true;
}

bool ReadPdu(int fd, Bytes& pdu, std::uint32_t maxBody, std::chrono::milliseconds limit) {
  pdu.resize(6);
  if (!ReadExactly(fd, pdu.data(), 6, limit)) return false;
  const std::uint32_t length = BigEndian32(pdu.data() + 2);
  if (length > maxBody) return false;
  pdu.resize(6 + std::size_t{length});
  return ReadExactly(fd, pdu.data() + 6, length, limit);
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

void PutBigEndian32(Bytes& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutBigEndian16(Bytes& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}

std::vector<std::uint8_t> ProposedContextIds(const Bytes& request) {
  std::vector<std::uint8_t> ids;
  const bool parsed = ForEachItem(request, [&](std::uint8_t type, std::size_t at, std::size_t n) {
    if (type == 0x20 && n >= 1) ids.push_back(request[at + 4]);
  });
  return parsed ? ids : std::vector<std::uint8_t>{};
}

Bytes AcceptEveryContext(const Bytes& request, std::string_view transferSyntax,
                         std::uint32_t maxLength) {
  Bytes applicationContext;
  std::vector<std::uint8_t> ids;
  const bool parsed = ForEachItem(request, [&](std::uint8_t type, std::size_t at, std::size_t n) {
    if (type == 0x10) applicationContext.assign(request.begin() + at, request.begin() + at + 4 + n);
    if (type == 0x20 && n >= 1) ids.push_back(request[at + 4]);
  });
  if (!parsed || ids.empty() || applicationContext.empty()) return {};

  Bytes body;
  // Version, reserved, both titles and the reserved 32 bytes, as the request has them.
  body.insert(body.end(), request.begin() + 6, request.begin() + 6 + 68);
  body[2] = body[3] = 0;
  body.insert(body.end(), applicationContext.begin(), applicationContext.end());
  for (const std::uint8_t id : ids) {
    body.insert(body.end(), {0x21, 0});
    PutBigEndian16(body, static_cast<std::uint16_t>(4 + 4 + transferSyntax.size()));
    body.insert(body.end(), {id, 0, 0, 0});
    PutItem(body, 0x40, transferSyntax);
  }
  Bytes user;
  user.insert(user.end(), {0x51, 0, 0, 4});
  PutBigEndian32(user, maxLength);
  PutItem(user, 0x52, kImplementationClass);
  PutItem(user, 0x55, kImplementationVersion);
  body.insert(body.end(), {0x50, 0});
  PutBigEndian16(body, static_cast<std::uint16_t>(user.size()));
  body.insert(body.end(), user.begin(), user.end());

  Bytes pdu = {0x02, 0};
  PutBigEndian32(pdu, static_cast<std::uint32_t>(body.size()));
  pdu.insert(pdu.end(), body.begin(), body.end());
  return pdu;
}

}  // namespace bench
