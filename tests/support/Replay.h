#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// One side's part of a recorded exchange, in order: the bytes it sends and the bytes it must
// receive, turn by turn. Replaying it with a cut kills that side at a chosen byte offset, the way
// a crashed or impatient peer would, so that a test can walk the cut over every byte.
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
// How many bytes this side sends before it stops at the cut.
std::size_t SentBeforeCut(const std::vector<Turn>& turns, const std::optional<Cut>& cut);

// Plays the turns on a connected socket until the cut and ends the connection there: an orderly
// close sends FIN and waits for the other side to close too, a reset closes with SO_LINGER 0.
// Without a cut the whole exchange is played and the connection closed. Empty when every byte
// that arrived was the recorded one, else what differed; a wait for the other side ends after
// a few seconds, so that a replay never hangs. Takes over the handle.
std::string Replay(int connection, const std::vector<Turn>& turns, const std::optional<Cut>& cut);

// A listening socket on 127.0.0.1 and a free port; -1 on failure.
int ListenOnLoopback(std::uint16_t& port);
// A connection to 127.0.0.1:port; -1 on failure.
int ConnectToLoopback(std::uint16_t port);
// Waits a few seconds at most for the next connection; -1 when none came.
int AcceptOne(int listener);

// "sent 12: close", for the messages of a test walking cuts.
std::string Describe(const std::optional<Cut>& cut);

}  // namespace testing_support
