// Throughput of Association::SendMessage against the loopback TCP ceiling of this machine.
//
// The peer is a thread of this process with a listening socket on 127.0.0.1:0. For an
// association it answers the A-ASSOCIATE-RQ with an A-ASSOCIATE-AC accepting every proposed
// context with implicit VR little endian, then reads everything and keeps only the PDU and PDV
// headers: it counts the completed messages and the bytes of their fragments, and answers a
// release. For the raw rows it counts bytes and nothing else. Both read into the same 256 KiB
// buffer, so that only the sender differs.
//
// Names: send/<side>/image64, the 64 MB data set of the codec benchmarks (32 MiB of pixel data and
// 32 MiB of overlay data), wall time from the call until the peer has read the last byte.
//   ours  Association::SendMessage of the data set in implicit VR little endian
//   raw   its encoded bytes, already in memory, with send() calls of 1 MiB: the ceiling
// The counters also give the sending thread's CPU time and its minor page faults, and the CPU
// time of the whole process (sender and peer) as proc_cpu_ms.

#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>

#include "bench/BenchData.h"
#include "bench/Loopback.h"
#include "bench/Timed.h"
#include "net/Association.h"

namespace {

using namespace std::chrono_literals;
using bench::Timed;

constexpr std::string_view kSopClass = "1.2.840.10008.5.1.4.1.1.7";
constexpr std::size_t kRawPiece = bench::kMiB;
constexpr std::size_t kReadBuffer = 256 * 1024;
// No wait of the benchmark or its peer lasts longer than this.
constexpr auto kLimit = 60s;

// A count that one thread raises and another waits on.
class Progress {
 public:
  void Add(std::uint64_t n) {
    {
      const std::lock_guard lock(mutex_);
      value_ += n;
    }
    changed_.notify_all();
  }
  bool WaitFor(std::uint64_t target) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kLimit, [&] { return value_ >= target; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t value_ = 0;
};

// Follows the PDUs of a byte stream as it arrives in pieces, skipping every body: it tells when
// a PDV with the last-fragment bit ends (with the fragment bytes of its message) and when an
// A-RELEASE-RQ ends.
class PduWalker {
 public:
  // False when a PDV does not fit its PDU.
  template <class OnMessage, class OnRelease>
  bool Feed(const std::uint8_t* data, std::size_t size, OnMessage onMessage, OnRelease onRelease) {
    while (size > 0) {
      if (state_ == State::PduHeader || state_ == State::PdvHeader) {
        const std::size_t take = std::min<std::size_t>(6 - have_, size);
        std::copy_n(data, take, header_ + have_);
        have_ += static_cast<unsigned>(take);
        data += take;
        size -= take;
        if (have_ < 6) break;
        have_ = 0;
        if (state_ == State::PduHeader) {
          type_ = header_[0];
          const std::uint32_t length = bench::BigEndian32(header_ + 2);
          if (type_ == 0x04) {
            pduLeft_ = length;
            state_ = length > 0 ? State::PdvHeader : State::PduHeader;
            continue;
          }
          skip_ = length;
          state_ = State::PduBody;
        } else {
          const std::uint32_t length = bench::BigEndian32(header_);
          if (length < 2 || std::uint64_t{length} + 4 > pduLeft_) return false;
          pduLeft_ -= length + 4;
          control_ = header_[5];
          skip_ = length - 2;
          messageBytes_ += skip_;
          state_ = State::PdvBody;
        }
      }
      const std::size_t take = std::min<std::size_t>(skip_, size);
      skip_ -= static_cast<std::uint32_t>(take);
      data += take;
      size -= take;
      if (skip_ > 0) break;
      if (state_ == State::PduBody) {
        if (type_ == 0x05) onRelease();
        state_ = State::PduHeader;
      } else {
        if (control_ & 0x02) {
          onMessage(messageBytes_);
          messageBytes_ = 0;
        }
        state_ = pduLeft_ > 0 ? State::PdvHeader : State::PduHeader;
      }
    }
    return true;
  }

 private:
  enum class State { PduHeader, PduBody, PdvHeader, PdvBody };
  State state_ = State::PduHeader;
  std::uint8_t header_[6] = {};
  unsigned have_ = 0;
  std::uint8_t type_ = 0;
  std::uint8_t control_ = 0;
  std::uint32_t pduLeft_ = 0;
  std::uint32_t skip_ = 0;
  std::uint64_t messageBytes_ = 0;
};

// One connection on a thread of its own, read to its end. Stopped and joined by the destructor,
// whatever state the connection is in.
class DiscardingPeer {
 public:
  enum class Mode { Association, Raw };

  explicit DiscardingPeer(Mode mode) : mode_(mode) {
    listener_ = bench::ListenLoopback(0, port_);
    if (listener_ >= 0) thread_ = std::thread([this] { Run(); });
  }
  ~DiscardingPeer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) close(listener_);
  }
  DiscardingPeer(const DiscardingPeer&) = delete;
  DiscardingPeer& operator=(const DiscardingPeer&) = delete;

  bool Listening() const { return listener_ >= 0; }
  std::string Port() const { return std::to_string(port_); }
  std::uint16_t PortNumber() const { return port_; }
  // Association: completed messages; raw: bytes.
  Progress progress;
  // Fragment bytes of the last completed message.
  std::uint64_t LastMessageBytes() const { return lastMessageBytes_; }

 private:
  void Run() {
    int connection = -1;
    for (auto waited = 0ms; connection < 0 && !stop_ && waited < kLimit; waited += 100ms)
      connection = bench::AcceptWithin(listener_, 100ms);
    if (connection < 0) return;
    if (mode_ == Mode::Raw || Associate(connection)) Discard(connection);
    close(connection);
  }

  bool Associate(int connection) {
    bench::Bytes request;
    if (!bench::ReadPdu(connection, request, 1 << 16, kLimit)) return false;
    const bench::Bytes accept =
        bench::AcceptEveryContext(request, dicom::Association::kImplicitLittleEndianUid, 16384);
    return !accept.empty() && bench::WriteAll(connection, accept.data(), accept.size());
  }

  void Discard(int connection) {
    std::vector<std::uint8_t> buffer(kReadBuffer);
    PduWalker walker;
    auto idle = 0ms;
    while (!stop_ && idle < kLimit) {
      if (!bench::ReadableWithin(connection, 100ms)) {
        idle += 100ms;
        continue;
      }
      idle = 0ms;
      const ssize_t got = recv(connection, buffer.data(), buffer.size(), 0);
      if (got <= 0) return;
      if (mode_ == Mode::Raw) {
        progress.Add(static_cast<std::uint64_t>(got));
        continue;
      }
      const bool fits = walker.Feed(
          buffer.data(), static_cast<std::size_t>(got),
          [&](std::uint64_t bytes) {
            lastMessageBytes_ = bytes;
            progress.Add(1);
          },
          [&] {
            bench::WriteAll(connection, bench::kReleaseResponse, sizeof bench::kReleaseResponse);
          });
      if (!fits) return;
    }
  }

  Mode mode_;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> lastMessageBytes_{0};
  std::thread thread_;
};

// CPU time of every thread of the process, summed over the timed parts.
class ProcessCpu {
 public:
  explicit ProcessCpu(benchmark::State& state) : state_(state) {}
  ~ProcessCpu() {
    const auto n = static_cast<double>(state_.iterations());
    state_.counters["proc_cpu_ms"] = n > 0 ? total_ * 1e3 / n : 0;
  }
  void Start() { start_ = Now(); }
  void Stop() { total_ += Now() - start_; }

 private:
  static double Now() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
  }
  benchmark::State& state_;
  double start_ = 0;
  double total_ = 0;
};

struct Payload {
  dicom::DataSet dataSet;
  bench::Bytes encoded;  // implicit VR little endian, as SendMessage encodes it
};

void SendOurs(benchmark::State& state, const Payload& payload) {
  Timed timed(state, payload.encoded.size());
  ProcessCpu cpu(state);
  DiscardingPeer peer(DiscardingPeer::Mode::Association);
  dicom::Association association;
  association.SetCallingTitle("SENDBENCH");
  association.SetCalledTitle("DISCARD");
  association.SetApplicationContext("1.2.840.10008.3.1.1.1");
  association.AddAbstractSyntax(kSopClass);
  if (!peer.Listening() || association.Request("127.0.0.1", peer.Port().c_str()) != 1) {
    timed.Fail("no association with the peer");
    return;
  }
  std::uint64_t messages = 0;
  for (auto _ : state) {
    cpu.Start();
    timed.Start();
    const int sent =
        association.SendMessage(0, payload.dataSet, kSopClass, dicom::ImplicitLittleEndian);
    const bool arrived = sent == 1 && peer.progress.WaitFor(++messages);
    timed.Stop();
    cpu.Stop();
    if (!arrived) {
      timed.Fail(sent == 1 ? "the peer did not receive the message" : "SendMessage failed");
      break;
    }
    if (peer.LastMessageBytes() != payload.encoded.size()) {
      timed.Fail("the peer received " + std::to_string(peer.LastMessageBytes()) + " bytes");
      break;
    }
  }
  association.Release();
}

void SendRaw(benchmark::State& state, const Payload& payload) {
  const std::size_t total = payload.encoded.size();
  Timed timed(state, total);
  ProcessCpu cpu(state);
  DiscardingPeer peer(DiscardingPeer::Mode::Raw);
  const int connection = peer.Listening() ? bench::ConnectLoopback(peer.PortNumber()) : -1;
  if (connection < 0) {
    timed.Fail("no connection to the peer");
    return;
  }
  std::uint64_t received = 0;
  for (auto _ : state) {
    cpu.Start();
    timed.Start();
    bool written = true;
    for (std::size_t at = 0; written && at < total; at += kRawPiece)
      written =
          bench::WriteAll(connection, payload.encoded.data() + at, std::min(kRawPiece, total - at));
    received += total;
    const bool arrived = written && peer.progress.WaitFor(received);
    timed.Stop();
    cpu.Stop();
    if (!arrived) {
      timed.Fail("the peer did not receive everything");
      break;
    }
  }
  close(connection);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  static Payload image64;
  image64.dataSet = bench::MakeImage(bench::kBigPixelBytes, bench::kBigOverlayBytes);
  image64.encoded = bench::EncodeOurs(image64.dataSet, dicom::ImplicitLittleEndian);
  std::fprintf(stderr, "send image64: %zu elements, %zu bytes\n", image64.dataSet.Size(),
               image64.encoded.size());

  const auto add = [](const std::string& name, auto body) {
    auto* b = benchmark::RegisterBenchmark(name.c_str(), body)
                  ->UseManualTime()
                  ->Unit(benchmark::kMillisecond)
                  ->Iterations(4);
    // The ceiling varies with where the scheduler puts the two threads: 5 tries for the fastest.
    bench::Repeat(b, 5);
  };
  add("send/ours/image64", [](benchmark::State& s) { SendOurs(s, image64); });
  add("send/raw/image64", [](benchmark::State& s) { SendRaw(s, image64); });
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
