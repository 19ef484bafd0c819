#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/Hex.h"

namespace testing_support {

// A loopback TCP server that accepts one connection and runs a script of steps in a thread, so
// that a test reads like the exchange it checks (Replay below plays a recording instead). The first
// step that goes wrong ends the script and is reported with its byte offset and a hex excerpt.
class ScriptedPeer {
 public:
  struct Step {
    enum class Kind { Expect, ExpectPdu, Send, Wait, Close, Abort, ExpectClosed } kind;
    std::vector<std::uint8_t> bytes{};
    std::vector<std::size_t> pieces{};  // Send: sizes of the separate sends; empty = one send
    std::uint8_t pduType = 0;
    std::chrono::milliseconds duration{0};
    std::size_t repeat = 1;  // Send: how many times the bytes go out
  };

  // These exact bytes must arrive next.
  static Step Expect(std::string_view hex) { return {Step::Kind::Expect, FromHex(hex)}; }
  // A whole PDU of this type must arrive next; its content is not compared.
  static Step ExpectPdu(std::uint8_t type) { return {Step::Kind::ExpectPdu, {}, {}, type}; }
  static Step Send(std::string_view hex) { return Send(FromHex(hex)); }
  static Step Send(std::vector<std::uint8_t> bytes) { return {Step::Kind::Send, std::move(bytes)}; }
  // The bytes in separate sends of these sizes (the last size repeats until all are sent).
  static Step SendInPieces(std::string_view hex, std::vector<std::size_t> pieces) {
    return {Step::Kind::Send, FromHex(hex), std::move(pieces)};
  }
  // The bytes, that many times over, without holding them that many times.
  static Step SendRepeated(std::string_view hex, std::size_t times);
  static Step Wait(std::chrono::milliseconds duration) {
    return {Step::Kind::Wait, {}, {}, 0, duration};
  }
  // Orderly close of the connection.
  static Step Close() { return {Step::Kind::Close}; }
  // Close with a reset, as a crashed peer would.
  static Step Abort() { return {Step::Kind::Abort}; }
  // The other side must close the connection without sending anything more.
  static Step ExpectClosed() { return {Step::Kind::ExpectClosed}; }

  explicit ScriptedPeer(std::vector<Step> steps);
  ScriptedPeer(const ScriptedPeer&) = delete;
  ScriptedPeer& operator=(const ScriptedPeer&) = delete;
  ~ScriptedPeer();

  std::uint16_t Port() const { return port_; }
  std::string PortText() const { return std::to_string(port_); }
  // Waits for the script to end; empty when every step went as written, else what went wrong.
  std::string Finish();
  // Every byte received from the other side, in order.
  const std::vector<std::uint8_t>& Received() const { return received_; }

 private:
  void Run(std::vector<Step> steps);

  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::thread thread_;
  std::string failure_;
  std::vector<std::uint8_t> received_;
};

// One side's part of a recorded exchange, in order: the bytes it sends and the bytes it must
// receive. Replaying it with a cut kills that side at a chosen byte offset, the way a crashed or
// impatient peer would, so that a test can walk the cut over every byte.
struct Turn {
  bool sends;
  std::vector<std::uint8_t> bytes;
};

struct Cut {
  enum class Ending { Close, Reset };
  // Counted in the bytes this side sends, or else in the bytes it receives.
  bool whileSending;
  std::size_t offset;
  Ending ending;
};

// Bytes this side sends, or receives, in the whole exchange.
std::size_t CountBytes(const std::vector<Turn>& turns, bool sent);
// Plays the turns on a connected socket until the cut and ends the connection there: an orderly
// close sends FIN and waits for the other side to close too, a reset closes with SO_LINGER 0.
// Without a cut the whole exchange is played and the connection closed. Empty when every byte
// that arrived was the recorded one, else what differed; a wait for the other side ends after
// a few seconds, so that a replay never hangs. Takes over the handle.
std::string Replay(int connection, const std::vector<Turn>& turns, const std::optional<Cut>& cut);
// "sent 12: close", for the messages of a test walking cuts.
std::string Describe(const std::optional<Cut>& cut);

// A listening socket on 127.0.0.1 and a free port; -1 on failure.
int ListenOnLoopback(std::uint16_t& port);
// A connection to 127.0.0.1:port; -1 on failure.
int ConnectToLoopback(std::uint16_t port);

}  // namespace testing_support
