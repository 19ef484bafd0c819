#include "support/ScriptedPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <sstream>

#include "support/Hex.h"

namespace testing_support {
namespace {

// No step waits longer than this for the other side, so that a broken test cannot hang.
constexpr int kStepTimeoutMs = 20000;

std::string Excerpt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  const std::size_t from = at < 8 ? 0 : at - 8;
  const std::size_t to = std::min(bytes.size(), at + 8);
  return ToHex(std::span(bytes).subspan(from, to - from));
}

}  // namespace

ScriptedPeer::Step ScriptedPeer::Expect(std::string_view hex) {
  return Step{Step::Kind::Expect, FromHex(hex), {}, 0, {}};
}
ScriptedPeer::Step ScriptedPeer::ExpectPdu(std::uint8_t type) {
  return Step{Step::Kind::ExpectPdu, {}, {}, type, {}};
}
ScriptedPeer::Step ScriptedPeer::Send(std::string_view hex) {
  return Send(FromHex(hex));
}
ScriptedPeer::Step ScriptedPeer::Send(std::vector<std::uint8_t> bytes) {
  return Step{Step::Kind::Send, std::move(bytes), {}, 0, {}};
}
ScriptedPeer::Step ScriptedPeer::SendInPieces(std::string_view hex,
                                              std::vector<std::size_t> pieces) {
  return Step{Step::Kind::Send, FromHex(hex), std::move(pieces), 0, {}};
}
ScriptedPeer::Step ScriptedPeer::SendRepeated(std::string_view hex, std::size_t times) {
  // Sent in batches of up to 1000 copies, so that a long run costs few sends.
  std::size_t batch = std::min<std::size_t>(times, 1000);
  while (times % batch != 0)
    --batch;
  const std::vector<std::uint8_t> one = FromHex(hex);
  Step step{Step::Kind::Send, {}, {}, 0, {}};
  for (std::size_t i = 0; i < batch; ++i)
    step.bytes.insert(step.bytes.end(), one.begin(), one.end());
  step.repeat = times / batch;
  return step;
}
ScriptedPeer::Step ScriptedPeer::Wait(std::chrono::milliseconds duration) {
  return Step{Step::Kind::Wait, {}, {}, 0, duration};
}
ScriptedPeer::Step ScriptedPeer::Close() {
  return Step{Step::Kind::Close, {}, {}, 0, {}};
}
ScriptedPeer::Step ScriptedPeer::Abort() {
  return Step{Step::Kind::Abort, {}, {}, 0, {}};
}
ScriptedPeer::Step ScriptedPeer::ExpectClosed() {
  return Step{Step::Kind::ExpectClosed, {}, {}, 0, {}};
}

ScriptedPeer::ScriptedPeer(std::vector<Step> steps) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      listen(listener_, 1) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    failure_ = "cannot listen on the loopback interface";
    return;
  }
  port_ = ntohs(address.sin_port);
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

bool ScriptedPeer::ReadExactly(int connection, std::size_t count, std::vector<std::uint8_t>& out) {
  out.clear();
  while (out.size() < count) {
    pollfd entry{connection, POLLIN, 0};
    if (poll(&entry, 1, kStepTimeoutMs) <= 0) return false;
    std::uint8_t buffer[65536];
    const ssize_t got = recv(connection, buffer, std::min(sizeof buffer, count - out.size()), 0);
    if (got <= 0) return false;
    out.insert(out.end(), buffer, buffer + got);
    received_.insert(received_.end(), buffer, buffer + got);
  }
  return true;
}

void ScriptedPeer::Run(std::vector<Step> steps) {
  pollfd waiting{listener_, POLLIN, 0};
  if (poll(&waiting, 1, kStepTimeoutMs) <= 0) {
    failure_ = "no connection arrived";
    return;
  }
  const int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  if (connection < 0) {
    failure_ = "accept failed";
    return;
  }
  bool open = true;
  for (std::size_t index = 0; index < steps.size() && failure_.empty(); ++index) {
    const Step& step = steps[index];
    std::ostringstream why;
    why << "step " << index + 1 << ": ";
    std::vector<std::uint8_t> got;
    switch (step.kind) {
      case Step::Kind::Expect: {
        const bool complete = ReadExactly(connection, step.bytes.size(), got);
        const auto mismatch = std::mismatch(got.begin(), got.end(), step.bytes.begin());
        if (mismatch.first != got.end() || !complete) {
          const std::size_t at = static_cast<std::size_t>(mismatch.first - got.begin());
          why << "expected bytes differ at offset " << at << " (" << got.size() << " of "
              << step.bytes.size() << " received): expected " << Excerpt(step.bytes, at) << ", got "
              << Excerpt(got, at);
          failure_ = why.str();
        }
        break;
      }
      case Step::Kind::ExpectPdu: {
        if (!ReadExactly(connection, 6, got) || got[0] != step.pduType) {
          why << "expected a PDU of type " << int{step.pduType} << ", got " << Excerpt(got, 0);
          failure_ = why.str();
          break;
        }
        const std::size_t length =
            std::size_t{got[2]} << 24 | std::size_t{got[3]} << 16 | got[4] << 8 | got[5];
        if (!ReadExactly(connection, length, got)) {
          why << "the PDU of type " << int{step.pduType} << " ended early";
          failure_ = why.str();
        }
        break;
      }
      case Step::Kind::Send:
        for (std::size_t round = 0; round < step.repeat && failure_.empty(); ++round) {
          std::size_t sent = 0, piece = 0;
          while (sent < step.bytes.size()) {
            std::size_t size = step.bytes.size() - sent;
            if (!step.pieces.empty()) {
              size = std::min(size, step.pieces[std::min(piece++, step.pieces.size() - 1)]);
            }
            const ssize_t put = send(connection, step.bytes.data() + sent, size, MSG_NOSIGNAL);
            if (put <= 0) break;
            sent += static_cast<std::size_t>(put);
            if (!step.pieces.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }
          if (sent < step.bytes.size()) {
            why << "could send only " << sent << " of " << step.bytes.size() << " bytes";
            failure_ = why.str();
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
      case Step::Kind::Abort: {
        const linger reset{1, 0};
        setsockopt(connection, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        close(connection);
        return;
      }
      case Step::Kind::ExpectClosed: {
        pollfd entry{connection, POLLIN, 0};
        std::uint8_t byte;
        const bool closed =
            poll(&entry, 1, kStepTimeoutMs) > 0 && recv(connection, &byte, 1, 0) <= 0;
        if (!closed) {
          why << "the connection stayed open or more bytes arrived";
          failure_ = why.str();
        }
        break;
      }
    }
  }
  if (open) shutdown(connection, SHUT_RDWR);
  close(connection);
}

}  // namespace testing_support
