#include "support/Replay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "support/Hex.h"

namespace testing_support {
namespace {

// Longer than any receive time-out the replays are used with.
constexpr int kWaitMs = 5000;

bool Readable(int connection) {
  pollfd entry{connection, POLLIN, 0};
  return poll(&entry, 1, kWaitMs) > 0;
}

bool SendAll(int connection, const std::uint8_t* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t sent = send(connection, bytes, count, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes += sent;
    count -= static_cast<std::size_t>(sent);
  }
  return true;
}

// Reads `count` bytes, or fewer when the other side ends the connection or stays silent.
std::vector<std::uint8_t> ReceiveUpTo(int connection, std::size_t count) {
  std::vector<std::uint8_t> got(count);
  std::size_t filled = 0;
  while (filled < count && Readable(connection)) {
    const ssize_t received = recv(connection, got.data() + filled, count - filled, 0);
    if (received <= 0) break;
    filled += static_cast<std::size_t>(received);
  }
  got.resize(filled);
  return got;
}

void End(int connection, Cut::Ending ending) {
  if (ending == Cut::Ending::Reset) {
    const linger reset{1, 0};
    setsockopt(connection, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
  } else {
    // Unread bytes at close would turn the FIN into a reset: the other side is read until it
    // closes too.
    shutdown(connection, SHUT_WR);
    std::uint8_t sink[4096];
    while (Readable(connection) && recv(connection, sink, sizeof sink, 0) > 0) {
    }
  }
  close(connection);
}

}  // namespace

std::size_t CountBytes(const std::vector<Turn>& turns, bool sent) {
  std::size_t count = 0;
  for (const Turn& turn : turns)
    if (turn.sends == sent) count += turn.bytes.size();
  return count;
}

std::size_t SentBeforeCut(const std::vector<Turn>& turns, const std::optional<Cut>& cut) {
  if (!cut) return CountBytes(turns, true);
  if (cut->whileSending) return std::min(cut->offset, CountBytes(turns, true));
  std::size_t sent = 0, received = 0;
  for (const Turn& turn : turns) {
    if (turn.sends) {
      sent += turn.bytes.size();
      continue;
    }
    received += std::min(turn.bytes.size(), cut->offset - received);
    if (received == cut->offset) break;
  }
  return sent;
}

std::string Replay(int connection, const std::vector<Turn>& turns, const std::optional<Cut>& cut) {
  std::size_t sent = 0, received = 0;
  for (const Turn& turn : turns) {
    const std::size_t done = turn.sends ? sent : received;
    const bool cutHere = cut && cut->whileSending == turn.sends;
    const std::size_t count =
        cutHere ? std::min(turn.bytes.size(), cut->offset - done) : turn.bytes.size();
    if (turn.sends) {
      if (!SendAll(connection, turn.bytes.data(), count)) {
        close(connection);
        return "could not send bytes " + std::to_string(sent) + " to " +
               std::to_string(sent + count);
      }
      sent += count;
    } else {
      const std::vector<std::uint8_t> got = ReceiveUpTo(connection, count);
      const auto differ = std::mismatch(got.begin(), got.end(), turn.bytes.begin()).first;
      if (got.size() < count || differ != got.end()) {
        const std::size_t at = static_cast<std::size_t>(differ - got.begin());
        const std::size_t to = std::min(at + 8, turn.bytes.size());
        close(connection);
        return "received bytes differ from the recording at offset " +
               std::to_string(received + at) + " (" + std::to_string(got.size()) + " of " +
               std::to_string(count) + " arrived), expected " +
               ToHex(std::span(turn.bytes).subspan(at, to - at));
      }
      received += count;
    }
    if (cutHere && done + count == cut->offset) {
      End(connection, cut->ending);
      return {};
    }
  }
  End(connection, cut ? cut->ending : Cut::Ending::Close);
  return {};
}

int ListenOnLoopback(std::uint16_t& port) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      listen(listener, 8) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    if (listener >= 0) close(listener);
    return -1;
  }
  port = ntohs(address.sin_port);
  return listener;
}

int ConnectToLoopback(std::uint16_t port) {
  const int connection = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connection >= 0 &&
      connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
    return connection;
  if (connection >= 0) close(connection);
  return -1;
}

int AcceptOne(int listener) {
  return Readable(listener) ? accept4(listener, nullptr, nullptr, SOCK_CLOEXEC) : -1;
}

std::string Describe(const std::optional<Cut>& cut) {
  if (!cut) return "whole exchange";
  return std::string(cut->whileSending ? "sent " : "received ") + std::to_string(cut->offset) +
         (cut->ending == Cut::Ending::Close ? ": close" : ": reset");
}

}  // namespace testing_support
