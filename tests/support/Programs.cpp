#include "support/Programs.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "support/ScriptedPeer.h"

namespace testing_support {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

[[noreturn]] void ThrowErrno(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

// The child gets its own process group, so that Peer::Stop reaches whatever it forks, and dies
// with us should the tests end without their destructors.
pid_t Spawn(const std::vector<std::string>& argv, int out, int err, const std::string& dir) {
  std::vector<char*> args;
  for (const std::string& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) ThrowErrno("fork");
  if (pid == 0) {  // only async-signal-safe calls from here to exec
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    signal(SIGPIPE, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    dup2(open("/dev/null", O_RDONLY | O_CLOEXEC), STDIN_FILENO);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    if (dir.empty() || chdir(dir.c_str()) == 0) execvp(args[0], args.data());
    (void)!write(STDERR_FILENO, "exec failed\n", 12);
    _exit(127);
  }
  setpgid(pid, pid);  // here too, so that the group exists before anyone signals it
  return pid;
}

// The text with each "{}" replaced by the next value.
std::string Fill(std::string text, std::initializer_list<std::string> values) {
  std::size_t at = 0;
  for (const std::string& value : values) {
    at = text.find("{}", at);
    text.replace(at, 2, value);
    at += value.size();
  }
  return text;
}

}  // namespace

CommandResult RunProgram(const std::vector<std::string>& argv) {
  using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
  File out(std::tmpfile(), std::fclose), err(std::tmpfile(), std::fclose);
  if (!out || !err) ThrowErrno("tmpfile");
  const pid_t pid = Spawn(argv, fileno(out.get()), fileno(err.get()), "");
  int wstatus = 0;
  while (waitpid(pid, &wstatus, 0) < 0)
    if (errno != EINTR) ThrowErrno("waitpid");
  const auto text = [](std::FILE* file) {
    return ReadFile("/proc/self/fd/" + std::to_string(fileno(file)));
  };
  return {WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus), text(out.get()),
          text(err.get())};
}

bool HaveProgram(std::string_view name) {
  return RunProgram({"sh", "-c", "command -v \"$0\"", std::string(name)}).status == 0;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<std::string> Lines(std::string_view text) {
  std::istringstream in{std::string(text)};
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

std::uint16_t FreePort() {
  std::uint16_t port = 0;
  const int listener = ListenOnLoopback(port);
  if (listener < 0) ThrowErrno("FreePort");
  close(listener);
  return port;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "dicomnet-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) ThrowErrno("mkdtemp");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string Peer::Start(const std::vector<std::string>& argv) {
  const std::string name = argv.at(0) + " on port " + std::to_string(port);
  const int log = open(File("peer.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (log < 0) return name + ": cannot open the log";
  pid_ = Spawn(argv, log, log, File(""));
  close(log);
  for (const auto deadline = Clock::now() + 30s;; std::this_thread::sleep_for(20ms)) {
    const int connection = ConnectToLoopback(port);
    if (connection >= 0) return close(connection), "";
    if (!Running()) return name + " ended; its log:\n" + Log();
    if (Clock::now() > deadline) return name + " does not listen; its log:\n" + Log();
  }
}

std::size_t Peer::CountInLog(std::string_view text) const {
  const std::string log = Log();
  std::size_t count = 0;
  for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
    ++count;
  return count;
}

bool Peer::WaitForLog(std::string_view text, std::size_t count) {
  for (const auto deadline = Clock::now() + 30s; CountInLog(text) <= count;) {
    if (!Running() || Clock::now() > deadline) return CountInLog(text) > count;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

// An ended program stays a zombie until Stop reaps it, so its group id cannot go to another
// process meanwhile.
bool Peer::Running() {
  siginfo_t info{};
  if (pid_ < 0 || exited_ ||
      waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
    return false;
  }
  exited_ = info.si_pid != 0;
  return !exited_;
}

int Peer::Stop() {
  if (pid_ < 0) return -1;
  kill(-pid_, SIGTERM);
  for (const auto deadline = Clock::now() + 5s; Running() && Clock::now() < deadline;)
    std::this_thread::sleep_for(20ms);
  kill(-pid_, SIGKILL);  // whatever is left of the group
  int wstatus = 0;
  while (waitpid(pid_, &wstatus, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
}

// dcmqrscp gets -dhl, so that it compares the peers' address as 127.0.0.1 rather than by name.
std::vector<std::string> PeerArgs(std::string_view name, const Peer& peer,
                                  std::uint16_t storescpPort) {
  const std::string port = std::to_string(peer.port), storescp = std::to_string(storescpPort);
  if (name == "storescp") {
    std::filesystem::create_directory(peer.File("received"));
    return {"storescp", "-v", "-aet", "STORESCP", "-od", peer.File("received"), port};
  }
  if (name == "Orthanc") {
    WriteFile(peer.File("orthanc.json"),
              Fill(R"({
  "Name": "dicomnet-test", "DicomAet": "ORTHANC", "DicomPort": {}, "DicomCheckCalledAet": true,
  "DicomScpTimeout": 2,
  "HttpServerEnabled": false, "HttpPort": {}, "RemoteAccessAllowed": false, "Plugins": [],
  "StorageDirectory": "{}", "IndexDirectory": "{}",
  "DicomModalities": {"dicomnet": ["DICOMNET", "127.0.0.1", {}],
                      "storescp": ["STORESCP", "127.0.0.1", {}]}})",
                   {port, std::to_string(FreePort()), peer.File("storage"), peer.File("index"),
                    std::to_string(FreePort()), storescp}));
    return {"/usr/sbin/Orthanc", "--verbose", peer.File("orthanc.json")};
  }
  std::filesystem::create_directory(peer.File("ARCHIVE"));
  WriteFile(peer.File("dcmqrscp.cfg"),
            Fill(R"(NetworkTCPPort = {}
MaxPDUSize = 16384
MaxAssociations = 16
HostTable BEGIN
dicomnet = (DICOMNET, 127.0.0.1, {})
storescp = (STORESCP, 127.0.0.1, {})
peers = dicomnet, storescp
HostTable END
VendorTable BEGIN
VendorTable END
AETable BEGIN
ARCHIVE {} RW (10, 1024mb) peers
AETable END
)",
                 {port, std::to_string(FreePort()), storescp, peer.File("ARCHIVE")}));
  return {"dcmqrscp", "-v", "-dhl", "-c", peer.File("dcmqrscp.cfg"), port};
}

}  // namespace testing_support
