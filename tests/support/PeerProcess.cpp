#include "support/PeerProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace testing_support {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kPollInterval{20};

[[noreturn]] void ThrowErrno(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

sockaddr_in Loopback(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

bool Accepts(std::uint16_t port) {
  const int handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (handle < 0) return false;
  const sockaddr_in address = Loopback(port);
  const bool connected =
      connect(handle, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(handle);
  return connected;
}

std::string StatusText(int status) {
  if (status > 128) return "was killed by signal " + std::to_string(status - 128);
  return "exited with status " + std::to_string(status);
}

}  // namespace

std::uint16_t FreePort() {
  const int handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (handle < 0) ThrowErrno("socket");
  sockaddr_in address = Loopback(0);
  socklen_t length = sizeof address;
  if (bind(handle, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    const int error = errno;
    close(handle);
    throw std::system_error(error, std::generic_category(), "FreePort");
  }
  close(handle);
  return ntohs(address.sin_port);
}

PeerProcess::PeerProcess() {
  std::string pattern = (std::filesystem::temp_directory_path() / "dicomnet-peer-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) ThrowErrno("mkdtemp");
  dir_ = pattern;
}

PeerProcess::~PeerProcess() {
  Stop();
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

std::string PeerProcess::Log() const {
  std::ifstream in(LogPath(), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::size_t PeerProcess::CountInLog(std::string_view text) const {
  if (text.empty()) return 0;
  const std::string log = Log();
  std::size_t count = 0;
  for (std::size_t at = log.find(text); at != std::string::npos;
       at = log.find(text, at + text.size())) {
    ++count;
  }
  return count;
}

void PeerProcess::Start(const std::vector<std::string>& argv) {
  if (argv.empty()) throw std::invalid_argument("PeerProcess: no program");
  if (group_ >= 0) throw std::logic_error("PeerProcess: already started");

  // Everything the child needs is prepared here: between fork and exec it may only make
  // async-signal-safe calls.
  std::vector<char*> args;
  for (const std::string& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const std::string dir = dir_.string();
  const int log = open(LogPath().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (log < 0) ThrowErrno("open log");
  const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (devNull < 0) {
    const int error = errno;
    close(log);
    throw std::system_error(error, std::generic_category(), "open /dev/null");
  }
  const pid_t parent = getpid();

  const pid_t pid = fork();
  if (pid < 0) {
    const int error = errno;
    close(log);
    close(devNull);
    throw std::system_error(error, std::generic_category(), "fork");
  }
  if (pid == 0) {
    setpgid(0, 0);
    // Should the test process die without its destructors, the peer goes with it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (int number : {SIGPIPE, SIGTERM, SIGINT, SIGHUP})
      sigaction(number, &defaults, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    dup2(devNull, STDIN_FILENO);
    dup2(log, STDOUT_FILENO);
    dup2(log, STDERR_FILENO);
    if (chdir(dir.c_str()) == 0) execvp(args[0], args.data());
    static constexpr char kFailed[] = "PeerProcess: exec failed\n";
    (void)!write(STDERR_FILENO, kFailed, sizeof kFailed - 1);
    _exit(127);
  }
  // Also here, so that a kill of the group cannot come before the child made it.
  setpgid(pid, pid);
  close(log);
  close(devNull);
  pid_ = pid;
  group_ = pid;
  exitStatus_ = -1;
}

// The ended program is left unreaped (a zombie) until Stop: as long as it is, its pid, and with it
// the group id, cannot be given to another process, so signalling the group stays safe.
bool PeerProcess::Running() {
  if (pid_ < 0 || exitStatus_ >= 0) return false;
  for (;;) {
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0) {
      if (info.si_pid == 0) return true;
      exitStatus_ = info.si_code == CLD_EXITED ? info.si_status : 128 + info.si_status;
      return false;
    }
    if (errno == EINTR) continue;
    // Not our child any more: nothing of it may be signalled.
    pid_ = -1;
    group_ = -1;
    return false;
  }
}

std::string PeerProcess::Status() {
  if (Running()) return "running";
  return exitStatus_ < 0 ? "not running" : StatusText(exitStatus_);
}

std::string PeerProcess::WaitForPort(std::uint16_t port, std::chrono::milliseconds limit) {
  const std::string name = "peer on port " + std::to_string(port);
  const Clock::time_point deadline = Clock::now() + limit;
  for (;;) {
    if (!Running()) {
      return name + " " + Status() + "; its log:\n" + Log();
    }
    if (Accepts(port)) return "";
    if (Clock::now() >= deadline) {
      return name + " did not listen within " + std::to_string(limit.count()) + " ms; its log:\n" +
             Log();
    }
    std::this_thread::sleep_for(kPollInterval);
  }
}

bool PeerProcess::WaitForLog(std::string_view text, std::size_t count,
                             std::chrono::milliseconds limit) {
  const Clock::time_point deadline = Clock::now() + limit;
  for (;;) {
    if (CountInLog(text) > count) return true;
    if (!Running() || Clock::now() >= deadline) return CountInLog(text) > count;
    std::this_thread::sleep_for(kPollInterval);
  }
}

void PeerProcess::Stop() {
  if (group_ < 0) return;
  if (Running()) {
    kill(-group_, SIGTERM);
    const Clock::time_point deadline = Clock::now() + kStopLimit;
    while (Running() && Clock::now() < deadline)
      std::this_thread::sleep_for(kPollInterval);
  }
  // Whatever is left of the group, the program itself or children it forked, is killed.
  if (group_ >= 0) kill(-group_, SIGKILL);
  while (pid_ > 0) {
    int status = 0;
    const pid_t reaped = waitpid(pid_, &status, 0);
    if (reaped < 0 && errno == EINTR) continue;
    if (reaped == pid_ && exitStatus_ < 0) {
      exitStatus_ = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    }
    pid_ = -1;
  }
  group_ = -1;
}

}  // namespace testing_support
