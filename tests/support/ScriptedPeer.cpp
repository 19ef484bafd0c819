#include "support/ScriptedPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <numeric>
#include <span>

#include "support/Hex.h"

namespace testing_support {
namespace {

// No step waits longer than this for the other side, so that a broken test cannot hang.
constexpr int kStepTimeoutMs = 20000;
// Longer than any receive time-out the replays are used with.
constexpr int kReplayWaitMs = 5000;

bool Readable(int connection, int timeoutMs) {
  pollfd entry{connection, POLLIN, 0};
  return poll(&entry, 1, timeoutMs) > 0;
}

// The next connection, or -1 when none came in time.
int AcceptOne(int listener) {
  return Readable(listener, kStepTimeoutMs) ? accept4(listener, nullptr, nullptr, SOCK_CLOEXEC)
                                            : -1;
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

// `count` bytes, or fewer when the other side ends the connection or stays silent.
std::vector<std::uint8_t> ReceiveUpTo(int connection, std::size_t count, int timeoutMs) {
  // Grown as bytes arrive: a count may come from a length field the other side made up.
  std::vector<std::uint8_t> got;
  while (got.size() < count && Readable(connection, timeoutMs)) {
    std::uint8_t buffer[65536];
    const ssize_t received =
        recv(connection, buffer, std::min(sizeof buffer, count - got.size()), 0);
    if (received <= 0) break;
    got.insert(got.end(), buffer, buffer + received);
  }
  return got;
}

void CloseWithReset(int connection) {
  const linger reset{1, 0};
  setsockopt(connection, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
  close(connection);
}

std::string Excerpt(std::span<const std::uint8_t> bytes, std::size_t at) {
  const std::size_t from = at < 8 ? 0 : at - 8;
  return ToHex(bytes.subspan(from, std::min(bytes.size(), at + 8) - from));
}

// Empty when all the expected bytes arrived, else where they differ; offsets start at `base`.
std::string Mismatch(std::span<const std::uint8_t> expected, const std::vector<std::uint8_t>& got,
                     std::size_t base) {
  const auto differ = std::mismatch(got.begin(), got.end(), expected.begin()).first;
  if (differ == got.end() && got.size() == expected.size()) return {};
  const std::size_t at = static_cast<std::size_t>(differ - got.begin());
  return "bytes differ at offset " + std::to_string(base + at) + " (" + std::to_string(got.size()) +
         " of " + std::to_string(expected.size()) + " received): expected " +
         Excerpt(expected, at) + ", got " + Excerpt(got, at);
}

}  // namespace

ScriptedPeer::Step ScriptedPeer::SendRepeated(std::string_view hex, std::size_t times) {
  // Sent in batches of up to 1000 copies, so that a long run costs few sends.
  const std::size_t batch = std::gcd(times, std::size_t{1000});
  const std::vector<std::uint8_t> one = FromHex(hex);
  Step step{Step::Kind::Send};
  for (std::size_t i = 0; i < batch; ++i)
    step.bytes.insert(step.bytes.end(), one.begin(), one.end());
  step.repeat = times / batch;
  return step;
}
ScriptedPeer::ScriptedPeer(std::vector<Step> steps) {
  listener_ = ListenOnLoopback(port_);
  if (listener_ < 0) {
    failure_ = "cannot listen on the loopback interface";
    return;
  }
  thread_ = std::thread(&ScriptedPeer::Run, this, std::move(steps));
}

ScriptedPeer::~ScriptedPeer() {
  Finish();
  if (listener_ >= 0) close(listener_);
}

std::string ScriptedPeer::Finish() {
  if (thread_.joinable()) thread_.join();
  return failure_;
}

void ScriptedPeer::Run(std::vector<Step> steps) {
  const int connection = AcceptOne(listener_);
  if (connection < 0) {
    failure_ = "no connection arrived";
    return;
  }
  // Every byte read is kept for Received().
  const auto receive = [&](std::size_t count) {
    std::vector<std::uint8_t> got = ReceiveUpTo(connection, count, kStepTimeoutMs);
    received_.insert(received_.end(), got.begin(), got.end());
    return got;
  };
  bool open = true;
  for (std::size_t index = 0; index < steps.size() && failure_.empty(); ++index) {
    const Step& step = steps[index];
    const std::string where = "step " + std::to_string(index + 1) + ": ";
    switch (step.kind) {
      case Step::Kind::Expect: {
        const std::string differ = Mismatch(step.bytes, receive(step.bytes.size()), 0);
        if (!differ.empty()) failure_ = where + "expected " + differ;
        break;
      }
      case Step::Kind::ExpectPdu: {
        const std::vector<std::uint8_t> header = receive(6);
        if (header.size() < 6 || header[0] != step.pduType) {
          failure_ = where + "expected a PDU of type " + std::to_string(step.pduType) + ", got " +
                     Excerpt(header, 0);
          break;
        }
        const std::size_t length = std::size_t{header[2]} << 24 | std::size_t{header[3]} << 16 |
                                   header[4] << 8 | header[5];
        if (receive(length).size() < length)
          failure_ = where + "the PDU of type " + std::to_string(step.pduType) + " ended early";
        break;
      }
      case Step::Kind::Send:
        for (std::size_t round = 0; round < step.repeat && failure_.empty(); ++round) {
          std::size_t sent = 0, piece = 0;
          while (sent < step.bytes.size()) {
            std::size_t size = step.bytes.size() - sent;
            if (!step.pieces.empty())
              size = std::min(size, step.pieces[std::min(piece++, step.pieces.size() - 1)]);
            if (!SendAll(connection, step.bytes.data() + sent, size)) break;
            sent += size;
            if (!step.pieces.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }
          if (sent < step.bytes.size()) {
            failure_ = where + "could send only " + std::to_string(sent) + " of " +
                       std::to_string(step.bytes.size()) + " bytes";
          }
        }
        break;
      case Step::Kind::Wait:
        std::this_thread::sleep_for(step.duration);
        break;
      case Step::Kind::Close:
        shutdown(connection, SHUT_RDWR);
        open = false;
        break;
      case Step::Kind::Abort:
        CloseWithReset(connection);
        return;
      case Step::Kind::ExpectClosed: {
        std::uint8_t byte;
        if (!Readable(connection, kStepTimeoutMs) || recv(connection, &byte, 1, 0) > 0)
          failure_ = where + "the connection stayed open or more bytes arrived";
        break;
      }
    }
  }
  if (open) shutdown(connection, SHUT_RDWR);
  close(connection);
}

std::size_t CountBytes(const std::vector<Turn>& turns, bool sent) {
  std::size_t count = 0;
  for (const Turn& turn : turns)
    if (turn.sends == sent) count += turn.bytes.size();
  return count;
}

std::string Replay(int connection, const std::vector<Turn>& turns, const std::optional<Cut>& cut) {
  const auto end = [connection](Cut::Ending ending) {
    if (ending == Cut::Ending::Reset) return CloseWithReset(connection);
    // Unread bytes at close would turn the FIN into a reset: the other side is read until it
    // closes too.
    shutdown(connection, SHUT_WR);
    while (!ReceiveUpTo(connection, 4096, kReplayWaitMs).empty()) {
    }
    close(connection);
  };
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
      const std::string differ = Mismatch(std::span(turn.bytes).first(count),
                                          ReceiveUpTo(connection, count, kReplayWaitMs), received);
      if (!differ.empty()) {
        close(connection);
        return "received " + differ;
      }
      received += count;
    }
    if (cutHere && done + count == cut->offset) {
      end(cut->ending);
      return {};
    }
  }
  end(cut ? cut->ending : Cut::Ending::Close);
  return {};
}

std::string Describe(const std::optional<Cut>& cut) {
  if (!cut) return "whole exchange";
  return std::string(cut->whileSending ? "sent " : "received ") + std::to_string(cut->offset) +
         (cut->ending == Cut::Ending::Close ? ": close" : ": reset");
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

}  // namespace testing_support
