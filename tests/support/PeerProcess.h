#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// A TCP port on 127.0.0.1 that nothing listened on at the time of the call: bound to port 0, read
// back and closed.
std::uint16_t FreePort();

// A server program run in the background for the length of a test: in its own process group, in a
// fresh working directory that also holds its log (both output streams). The destructor ends the
// whole group, whatever state the test left it in, and removes the directory.
class PeerProcess {
 public:
  static constexpr std::chrono::seconds kStartLimit{30};
  static constexpr std::chrono::seconds kStopLimit{5};

  // Makes the working directory; nothing runs yet, so that configuration files can go there first.
  PeerProcess();
  PeerProcess(const PeerProcess&) = delete;
  PeerProcess& operator=(const PeerProcess&) = delete;
  ~PeerProcess();

  const std::filesystem::path& Dir() const { return dir_; }
  std::string File(std::string_view name) const { return (dir_ / name).string(); }
  std::string LogPath() const { return File("peer.log"); }
  std::string Log() const;
  // How many times the text occurs in the log so far.
  std::size_t CountInLog(std::string_view text) const;

  // Starts the program (searched on PATH when the name holds no slash) in the working directory.
  // Throws when the process cannot be created; a failing exec shows in the log and the exit status.
  // The program is killed should the calling thread end first, so start it from the test's thread.
  void Start(const std::vector<std::string>& argv);
  // Empty once the port on 127.0.0.1 accepts a connection; otherwise why not (the process ended,
  // or the limit passed), followed by the log.
  std::string WaitForPort(std::uint16_t port, std::chrono::milliseconds limit = kStartLimit);
  // Waits until the text occurs in the log more than `count` times; false when the limit passes or
  // the process ends first.
  bool WaitForLog(std::string_view text, std::size_t count,
                  std::chrono::milliseconds limit = kStartLimit);
  // Whether the program still runs.
  bool Running();
  // Ends the process group: SIGTERM, up to kStopLimit for the program to end, then SIGKILL to all
  // that is left of the group; reaps the program. Safe to call again.
  void Stop();
  // The program's exit status, 128 + the signal number when killed, -1 while it runs.
  int ExitStatus() const { return exitStatus_; }
  // "running", or how the program ended, for failure messages.
  std::string Status();

 private:
  std::filesystem::path dir_;
  pid_t pid_ = -1;    // the program, until reaped
  pid_t group_ = -1;  // its process group, until stopped
  int exitStatus_ = -1;
};

}  // namespace testing_support
