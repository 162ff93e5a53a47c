#pragma once

// A measured run in a child process of its own, so that its peak memory is its own: the wall
// time, the CPU time and the peak resident memory of the run, with what the run returned.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <type_traits>

namespace kv3::bench {

struct ChildCost {
  bool ran = false;  // the child reported back
  double wallMs = 0;
  double cpuMs = 0;
  long peakKb = 0;
};

inline long PeakKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
  }
  return 0;
}

inline double CpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Runs work() in a child process; its value (copied byte for byte) and its cost.
template <class Value, class Work>
std::pair<Value, ChildCost> MeasureInChild(Work work) {
  static_assert(std::is_trivially_copyable_v<Value>);
  struct Report {
    Value value;
    ChildCost cost;
  };
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    const double cpuBefore = CpuMs();
    const auto start = std::chrono::steady_clock::now();
    Report report{work(), {}};
    report.cost.ran = true;
    report.cost.wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    report.cost.cpuMs = CpuMs() - cpuBefore;
    report.cost.peakKb = PeakKb();
    [[maybe_unused]] const auto written = write(fds[1], &report, sizeof report);
    _exit(0);
  }
  close(fds[1]);
  Report report{};
  if (read(fds[0], &report, sizeof report) != sizeof report) report.cost.ran = false;
  close(fds[0]);
  waitpid(child, nullptr, 0);
  return {report.value, report.cost};
}

}  // namespace kv3::bench
