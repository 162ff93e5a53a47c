// What an upload costs beyond the pauses its row asks for: wall time against the sum of those
// pauses (at real pacing and with the pauses scaled down, so that the tool's own cost shows),
// the CPU time the run takes against its wall time, and the peak memory of a small and a large
// file. Each run is a child process of its own, so its peak memory is its own; the simulated
// unit plays on loopback in the parent and discards what it receives.
// Run it inside an isolated namespace: scripts/isolated build/default/bench/kv3uploadbench
//   --quick   leaves out the runs at real pacing (about eight minutes)
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "child_measure.h"
#include "support/loopback_lan.h"
#include "update/stream_format.h"
#include "update/stream_upload.h"

namespace {

using namespace kv3;
using Clock = std::chrono::steady_clock;

// Pauses scaled by `scale`. The wait for the acknowledgement keeps at least kAckFloorMs, the
// time the simulated unit is given to answer; the sum below counts what was really asked for.
class ScaledPacing : public platform::Pacing {
 public:
  static constexpr int kAckFloorMs = 20;
  explicit ScaledPacing(double scale) : scale_(scale) {}
  void pause(int ms) override {
    const double scaled = scaled_ms(ms);
    asked_ += scaled;
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(scaled));
  }
  void processMessages() override {}
  double asked() const { return asked_; }
  double scaled_ms(int ms) const {
    const double scaled = ms * scale_;
    return ms == update::kPauseAfterAnnounceMs && scaled < kAckFloorMs ? kAckFloorMs : scaled;
  }

 private:
  double scale_;
  double asked_ = 0;
};

struct Result {
  int outcome = -1;
  double wallMs = 0;
  double pausesMs = 0;
  double cpuMs = 0;
  long peakKb = 0;
};

// One upload in a child process.
Result Measure(const update::UploadProfile& row, const std::filesystem::path& file,
               const sim::Unit& unit, const link::LinkSettings& settings, double scale) {
  struct Upload {
    int outcome;
    double pausesMs;
  };
  const auto [upload, cost] = bench::MeasureInChild<Upload>([&] {
    link::DeviceRecord record = test::UnitRecord(unit);
    link::TSock sock;
    ScaledPacing pacing(scale);
    link::SocketRequester requester(sock, settings, pacing);
    const auto outcome =
        update::StreamUpload(row, file.string(), record, requester, settings, pacing);
    return Upload{static_cast<int>(outcome), pacing.asked()};
  });
  if (!cost.ran) return {};
  return {upload.outcome, cost.wallMs, upload.pausesMs, cost.cpuMs, cost.peakKb};
}

void Print(const char* row, long long size, double scale, const Result& r) {
  std::printf(
      "%-9s %10lld %6.3f %10.0f %10.0f %7.4f %6.2f %%   %8ld kB  %s\n", row, size, scale, r.wallMs,
      r.pausesMs, r.wallMs / r.pausesMs, 100.0 * r.cpuMs / r.wallMs, r.peakKb,
      r.outcome == static_cast<int>(update::UploadOutcome::Complete) ? "complete" : "NOT COMPLETE");
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  test::ScratchDirectory directory;
  const sim::Unit unit = test::NumberedUnit(1);
  test::LoopbackLan lan({unit});
  const auto makeFile = [&](const char* name, std::size_t size) {
    const auto path = directory.path() / name;
    test::WriteFileBytes(path, test::PatternBytes(size));
    return path;
  };
  const auto oneMb = makeFile("one.bin", 1 << 20);

  struct Row {
    const char* name;
    const update::UploadProfile* profile;
  };
  const Row rows[] = {{"firmware", &update::FirmwareRow},
                      {"web app", &update::WebAppRow},
                      {"skin", &update::SkinRow}};
  std::printf("%-9s %10s %6s %10s %10s %7s %8s   %11s\n", "row", "bytes", "scale", "wall ms",
              "pauses ms", "ratio", "CPU", "peak RSS");
  for (const double scale : {0.01, 1.0}) {
    if (quick && scale == 1.0) continue;
    for (const Row& row : rows) {
      Print(row.name, 1 << 20, scale, Measure(*row.profile, oneMb, unit, lan.settings(), scale));
    }
  }
  // Peak memory against the file size: the content goes through one segment buffer.
  const auto large = makeFile("large.bin", std::size_t{200} << 20);
  for (const auto& [path, size] : {std::pair{oneMb, 1LL << 20}, std::pair{large, 200LL << 20}}) {
    Print("web app", size, 0.001, Measure(update::WebAppRow, path, unit, lan.settings(), 0.001));
  }
  return 0;
}
