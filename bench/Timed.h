#pragma once

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace bench {

// Reported per benchmark next to the median: noise from other work on the cores only adds time,
// so the fastest repetition is the steadiest estimate of the work itself.
inline double Fastest(const std::vector<double>& values) {
  return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

// Repetitions and the statistics every benchmark here reports.
inline benchmark::internal::Benchmark* Repeat(benchmark::internal::Benchmark* b, int times) {
  return b->Repetitions(times)->ComputeStatistics("min", Fastest)->ReportAggregatesOnly(true);
}

// The timed part of each iteration, reported as manual time. Alongside: the thread's CPU time
// (steadier than wall time when other work shares the cores) and the minor page faults, which
// explain much of a big value's time where first touching fresh memory is slow.
class Timed {
 public:
  // bytes and items: the work of one iteration.
  Timed(benchmark::State& state, std::uint64_t bytes, std::uint64_t items = 0)
      : state_(state), bytes_(bytes), items_(items) {}
  ~Timed() {
    const auto n = static_cast<double>(state_.iterations());
    state_.SetBytesProcessed(static_cast<std::int64_t>(state_.iterations() * bytes_));
    if (items_ > 0)
      state_.SetItemsProcessed(static_cast<std::int64_t>(state_.iterations() * items_));
    state_.counters["msg_bytes"] = static_cast<double>(bytes_);
    if (items_ > 0) state_.counters["items"] = static_cast<double>(items_);
    state_.counters["cpu_ms"] = n > 0 ? cpu_ * 1e3 / n : 0;
    state_.counters["faults"] = n > 0 ? static_cast<double>(faults_) / n : 0;
  }
  void Start() {
    faultsAtStart_ = MinorFaults();
    cpuAtStart_ = ThreadCpuSeconds();
    start_ = std::chrono::steady_clock::now();
  }
  void Stop() {
    const auto stop = std::chrono::steady_clock::now();
    cpu_ += ThreadCpuSeconds() - cpuAtStart_;
    faults_ += MinorFaults() - faultsAtStart_;
    state_.SetIterationTime(std::chrono::duration<double>(stop - start_).count());
  }
  void Fail(std::string message) {
    static std::deque<std::string> messages;
    state_.SkipWithError(messages.emplace_back(std::move(message)).c_str());
  }

 private:
  static long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt;
  }
  static double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
  }

  benchmark::State& state_;
  std::uint64_t bytes_;
  std::uint64_t items_;
  std::chrono::steady_clock::time_point start_;
  double cpuAtStart_ = 0;
  double cpu_ = 0;
  long faultsAtStart_ = 0;
  long faults_ = 0;
};

}  // namespace bench
