#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace testing_support {

// A loopback TCP server that accepts one connection and runs a script of steps in a thread, so
// that a test reads like the exchange it checks. The first step that goes wrong ends the script
// and is reported with its byte offset and a hex excerpt.
class ScriptedPeer {
 public:
  struct Step {
    enum class Kind { Expect, ExpectPdu, Send, Wait, Close, Abort, ExpectClosed } kind;
    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> pieces;  // Send: sizes of the separate sends; empty = one send
    std::uint8_t pduType = 0;
    std::chrono::milliseconds duration{0};
    std::size_t repeat = 1;  // Send: how many times the bytes go out
  };

  // These exact bytes must arrive next.
  static Step Expect(std::string_view hex);
  // A whole PDU of this type must arrive next; its content is not compared.
  static Step ExpectPdu(std::uint8_t type);
  static Step Send(std::string_view hex);
  static Step Send(std::vector<std::uint8_t> bytes);
  // The bytes in separate sends of these sizes (the last size repeats until all are sent).
  static Step SendInPieces(std::string_view hex, std::vector<std::size_t> pieces);
  // The bytes, that many times over, without holding them that many times.
  static Step SendRepeated(std::string_view hex, std::size_t times);
  static Step Wait(std::chrono::milliseconds duration);
  // Orderly close of the connection.
  static Step Close();
  // Close with a reset, as a crashed peer would.
  static Step Abort();
  // The other side must close the connection without sending anything more.
  static Step ExpectClosed();

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
  bool ReadExactly(int connection, std::size_t count, std::vector<std::uint8_t>& out);

  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::thread thread_;
  std::string failure_;
  std::vector<std::uint8_t> received_;
};

}  // namespace testing_support
