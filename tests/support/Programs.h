#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Running other programs from tests: the dicomnet tool, DCMTK, Orthanc and pydicom.
namespace testing_support {

// Debian's pydicom is installed for the system interpreter, not for any python3 on PATH.
inline constexpr const char* kSystemPython = "/usr/bin/python3";

struct CommandResult {
  int status = -1;  // the exit status, or 128 + the signal number
  std::string out;
  std::string err;
};

// Runs the program (looked up on PATH) without a shell, with standard input closed.
CommandResult RunProgram(const std::vector<std::string>& argv);
bool HaveProgram(std::string_view name);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, std::string_view bytes);
// Without end-of-line characters and without an empty last line.
std::vector<std::string> Lines(std::string_view text);
// A port on 127.0.0.1 that nothing listened on a moment ago.
std::uint16_t FreePort();

// A fresh temporary directory, removed with its contents.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string File(std::string_view name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// A server run in the background, in its own process group and directory, logging both output
// streams to peer.log there. Stop (also run by the destructor) ends the whole group and gives the
// server's exit status, 128 + the signal that ended it, or -1 when it was not running.
class Peer : public TempDir {
 public:
  ~Peer() { Stop(); }
  const std::uint16_t port = FreePort();

  // Empty once the program listens on `port`, otherwise why not, with its log.
  std::string Start(const std::vector<std::string>& argv);
  std::string Log() const { return ReadFile(File("peer.log")); }
  std::size_t CountInLog(std::string_view text) const;
  // Whether the text shows up in the log more than `count` times within 30 seconds.
  bool WaitForLog(std::string_view text, std::size_t count);
  int Stop();

 private:
  bool Running();
  pid_t pid_ = -1;
  bool exited_ = false;
};

// The command line of "storescp", "dcmqrscp" or "Orthanc", with its configuration written to the
// peer's directory. storescp files what it receives under "received". The archives, dcmqrscp as
// ARCHIVE and Orthanc as ORTHANC, serve the calling title DICOMNET and know STORESCP on
// storescpPort as a move destination. Orthanc closes an association left idle for 2 seconds, so
// that every test that pauses meets what users of a real archive meet.
std::vector<std::string> PeerArgs(std::string_view name, const Peer& peer,
                                  std::uint16_t storescpPort = FreePort());

}  // namespace testing_support
