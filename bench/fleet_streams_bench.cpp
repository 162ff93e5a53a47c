// Hundreds of firmware uploads side by side, two ways: a thread per unit running kv3's own
// upload (announce on the shared reply port, then the paced stream), and one thread running all
// stream legs as an event loop over poll, woken by the next unit's deadline or socket. Prints
// for each the wall time against the one unit's planned pauses, the CPU time and the peak
// memory; the units play on loopback in the parent, each run is a child process of its own.
// Run it inside an isolated namespace:
//   scripts/isolated build/default/bench/kv3fleetstreamsbench [UNITS] [BYTES]
// (default 256 units, 1 MiB; each way takes the time of one upload, about 160 s at 1 MiB).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "child_measure.h"
#include "link/shared_reply_port.h"
#include "support/loopback_lan.h"
#include "update/stream_format.h"
#include "update/stream_upload.h"

namespace {

using namespace kv3;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class SleepPacing : public platform::Pacing {
 public:
  void pause(int ms) override { std::this_thread::sleep_for(milliseconds(ms)); }
  void processMessages() override {}
};

// kv3's way: a thread per unit.
int WithThreads(const std::vector<sim::Unit>& units, const std::string& file,
                const link::LinkSettings& settings) {
  link::SharedReplyPort port(settings);
  std::vector<int> complete(units.size(), 0);
  {
    std::vector<std::jthread> runs;
    for (std::size_t i = 0; i < units.size(); ++i) {
      runs.emplace_back([&, i] {
        SleepPacing pacing;
        link::DeviceRecord record = test::UnitRecord(units[i]);
        link::PortRequester requester(port, pacing);
        const auto outcome =
            update::StreamUpload(update::FirmwareRow, file, record, requester, settings, pacing);
        complete[i] = outcome == update::UploadOutcome::Complete;
      });
    }
  }
  return static_cast<int>(std::count(complete.begin(), complete.end(), 1));
}

// The same datagrams, pauses and segments as kv3's upload of a firmware, every unit a state
// machine of one thread.
struct LoopUnit {
  enum class Step { Connect, Connecting, Prefix, Segment, Answer, Done };
  Step step = Step::Connect;
  Clock::time_point due;
  std::uint32_t address = 0;
  platform::Socket socket;
  platform::ReadFile file;
  std::uint64_t sent = 0;
  bool complete = false;
};

int WithOneLoop(const std::vector<sim::Unit>& units, const std::string& file,
                const link::LinkSettings& settings) {
  const update::UploadProfile& row = update::FirmwareRow;
  const std::uint64_t size = std::filesystem::file_size(file);
  // The announces, all at once, and their acknowledgements by sender.
  platform::Socket datagrams(platform::Socket::Kind::Datagram);
  datagrams.bind(platform::kAnyAddress, platform::ToNet16(settings.replyPort));
  datagrams.setNonBlocking();
  std::vector<LoopUnit> loop(units.size());
  std::map<std::uint32_t, std::size_t> byAddress;
  for (std::size_t i = 0; i < units.size(); ++i) {
    link::DeviceRecord record = test::UnitRecord(units[i]);
    loop[i].address = *platform::ParseAddress(link::Ipv4Text(record, link::record::kIp));
    byAddress[loop[i].address] = i;
    datagrams.sendTo(loop[i].address, platform::ToNet16(settings.commandPort),
                     update::AnnounceDatagram(row, record, update::FileNameOf(file)));
  }
  std::this_thread::sleep_for(milliseconds(update::kPauseAfterAnnounceMs));
  std::vector<bool> acknowledged(units.size(), false);
  std::vector<char> buffer(2048);
  for (int error = 0;;) {
    const auto got = datagrams.receiveFrom(buffer, error);
    if (!got) break;
    const auto it = byAddress.find(got->sender);
    if (it != byAddress.end()) acknowledged[it->second] = true;
  }
  const auto start = Clock::now();
  for (std::size_t i = 0; i < loop.size(); ++i) {
    loop[i].due = start + milliseconds(row.pauseBeforeConnectMs);
    if (!acknowledged[i]) loop[i].step = LoopUnit::Step::Done;
  }
  const auto prefix = update::LengthPrefix(*update::PrefixValue(row.framing, size));
  std::vector<std::uint8_t> segment(update::kSegmentSize);
  for (;;) {
    Clock::time_point next = Clock::time_point::max();
    std::vector<platform::WaitEntry> entries;
    std::vector<std::size_t> answering;
    const auto before = Clock::now();
    for (std::size_t i = 0; i < loop.size(); ++i) {
      if (loop[i].step == LoopUnit::Step::Done) continue;
      if (loop[i].step == LoopUnit::Step::Answer && before >= loop[i].due) {
        entries.push_back({&loop[i].socket, nullptr});
        answering.push_back(i);
      } else {
        next = std::min(next, loop[i].due);
      }
    }
    if (next == Clock::time_point::max() && entries.empty()) break;
    const auto wait = next == Clock::time_point::max()
                          ? 100LL
                          : std::chrono::duration_cast<milliseconds>(next - before).count();
    if (!entries.empty()) {
      platform::WaitReadable(entries, static_cast<int>(std::clamp<long long>(wait, 0, 100)));
      for (std::size_t k = 0; k < entries.size(); ++k) {
        if (!entries[k].ready) continue;
        LoopUnit& unit = loop[answering[k]];
        std::vector<char> answer(update::kAnswerMax);
        int error = 0;
        const long got = unit.socket.receive(answer, error);
        unit.complete = got > 0 && update::IsCompleteAnswer(std::span(
                                       reinterpret_cast<const std::uint8_t*>(answer.data()),
                                       static_cast<std::size_t>(got)));
        unit.step = LoopUnit::Step::Done;
      }
    } else if (wait > 0) {
      std::this_thread::sleep_for(milliseconds(wait));
    }
    const auto now = Clock::now();
    for (LoopUnit& unit : loop) {
      if (unit.step == LoopUnit::Step::Done || unit.step == LoopUnit::Step::Answer ||
          now < unit.due) {
        continue;
      }
      int error = 0;
      switch (unit.step) {
        case LoopUnit::Step::Connect:
          unit.socket = platform::Socket(platform::Socket::Kind::Stream);
          unit.socket.setNonBlocking();
          unit.socket.connectStart(unit.address, platform::ToNet16(settings.transferPort));
          unit.file = platform::ReadFile(file);
          unit.step = LoopUnit::Step::Connecting;
          unit.due = now + milliseconds(1);
          break;
        case LoopUnit::Step::Connecting:
          if (unit.socket.connectResult() != 0) {
            unit.step = LoopUnit::Step::Done;
            break;
          }
          unit.step = LoopUnit::Step::Prefix;
          [[fallthrough]];
        case LoopUnit::Step::Prefix:
          unit.socket.send(prefix, error);
          unit.step = LoopUnit::Step::Segment;
          unit.due = now + milliseconds(update::kPauseAfterPrefixMs + row.pauseBeforeSegmentMs);
          break;
        case LoopUnit::Step::Segment: {
          const std::size_t n = static_cast<std::size_t>(
              std::min<std::uint64_t>(update::kSegmentSize, size - unit.sent));
          const std::span piece(segment.data(), n);
          if (!unit.file.readExactly(piece) ||
              unit.socket.send(piece, error) != static_cast<long>(n)) {
            unit.step = LoopUnit::Step::Done;
            break;
          }
          unit.sent += n;
          if (unit.sent < size) {
            unit.due = now + milliseconds(row.pauseBeforeSegmentMs);
          } else {
            unit.step = LoopUnit::Step::Answer;
            unit.due = now + milliseconds(update::kPauseBeforeAnswerMs);
          }
          break;
        }
        default:
          break;
      }
    }
  }
  return static_cast<int>(
      std::count_if(loop.begin(), loop.end(), [](const LoopUnit& unit) { return unit.complete; }));
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 256;
  const std::size_t bytes = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1 << 20;
  if (count < 1 || count > 1000) {
    std::fputs("UNITS: 1 to 1000\n", stderr);
    return 2;
  }
  test::ScratchDirectory directory;
  std::vector<sim::Unit> units;
  for (int i = 0; i < count; ++i) {
    sim::Unit unit = test::NumberedUnit(1);
    unit.mac[4] = static_cast<std::uint8_t>(i / 256);
    unit.mac[5] = static_cast<std::uint8_t>(i % 256);
    unit.ip = {127, 0, static_cast<std::uint8_t>(1 + i / 250),
               static_cast<std::uint8_t>(1 + i % 250)};
    units.push_back(unit);
  }
  test::LoopbackLan lan(units);
  const std::string file = (directory.path() / "firmware.bin").string();
  test::WriteFileBytes(file, test::PatternBytes(bytes));
  const double planned = static_cast<double>(
      update::PlannedPauseMs(update::FirmwareRow, static_cast<long long>(bytes)));
  std::printf("%d units, %zu bytes of firmware each; one unit's pauses: %.0f ms\n", count, bytes,
              planned);
  std::printf("%-22s %10s %7s %9s %7s %11s %9s\n", "way", "wall ms", "ratio", "CPU ms", "CPU",
              "peak RSS", "complete");
  const struct {
    const char* name;
    int (*way)(const std::vector<sim::Unit>&, const std::string&, const link::LinkSettings&);
  } ways[] = {{"a thread per unit", WithThreads}, {"one poll loop", WithOneLoop}};
  for (const auto& [name, way] : ways) {
    const auto [complete, r] =
        bench::MeasureInChild<int>([&, way = way] { return way(units, file, lan.settings()); });
    std::printf("%-22s %10.0f %7.3f %9.0f %6.2f%% %8ld kB %5d/%d\n", name, r.wallMs,
                r.wallMs / planned, r.cpuMs, 100.0 * r.cpuMs / r.wallMs, r.peakKb,
                r.ran ? complete : -1, count);
    std::fflush(stdout);
  }
  return 0;
}
