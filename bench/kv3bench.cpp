// How long the tool's operations take against the fixed pauses they are made of, and how the
// reading and safe rewrite of t540.cfg compare with copying the same bytes with cat. Everything
// runs on loopback against the simulator.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

#include "support/loopback_lan.h"
#include "support/test_desktop.h"
#include "window/config_file.h"
#include "window/main_window.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int pauseSum(const kv3::test::TestDesktop& desktop) {
  return std::accumulate(desktop.pauses.begin(), desktop.pauses.end(), 0);
}

// Runs action `rounds` times with real pauses; reports elapsed time against the pauses asked for.
template <class Action>
void measure(const char* what, int rounds, kv3::test::TestDesktop& desktop, Action action) {
  double elapsed = 0;
  int paused = 0;
  for (int i = 0; i < rounds; ++i) {
    desktop.pauses.clear();
    const auto start = Clock::now();
    action();
    elapsed += millisecondsSince(start);
    paused += pauseSum(desktop);
  }
  std::printf("%-44s %8.1f ms per run, fixed pauses %6d ms, ratio %.3f\n", what, elapsed / rounds,
              paused / rounds, elapsed / paused);
}

// Runs work 200 times and `cat t540.cfg > t540.copy` as often; prints both and their ratio.
template <class Work>
bool compareWithCat(const char* what, Work work) {
  constexpr int rounds = 200;
  auto start = Clock::now();
  for (int i = 0; i < rounds; ++i) {
    work();
  }
  const double worked = millisecondsSince(start);
  start = Clock::now();
  for (int i = 0; i < rounds; ++i) {
    if (std::system("cat t540.cfg > t540.copy") != 0) {
      return false;
    }
  }
  const double cats = millisecondsSince(start);
  std::printf("%-44s %8.3f ms per run, cat %.3f ms, ratio %.3f\n", what, worked / rounds,
              cats / rounds, worked / cats);
  return true;
}

}  // namespace

int main() {
  using namespace kv3;
  test::ScratchDirectory directory;
  std::vector<sim::Unit> units;
  for (int n = 1; n <= 3; ++n) {
    units.push_back(test::NumberedUnit(n));
  }
  test::LoopbackLan lan(units);
  test::TestDesktop desktop(1.0);
  window::MainWindow window(desktop, lan.settings());
  window.FormActivate();
  if (window.LB1.items().size() != 3) {
    std::fprintf(stderr, "kv3bench: the simulated units were not found\n");
    return 1;
  }

  measure("search, 3 units (FIND, PaWd, Vers)", 5, desktop, [&] { window.BTSuchen.click(); });
  measure("save settings and search again", 3, desktop, [&] {
    window.Edit8.setText(window.Edit8.text() == "Kessel" ? "Speicher" : "Kessel");
    window.BtESpeichern.click();
  });
  measure("choose another unit (PaWd, Vers)", 5, desktop, [&] { window.LB1.userSelect(1); });

  // File work against cat copying the same file.
  const window::ConfigFile config(directory.path());
  const std::vector<std::string> lines{"gb", "192.168.2.40"};
  test::WriteFileBytes(config.path(), "gb\r\n192.168.2.40\r\nline three\r\n");
  if (!compareWithCat("t540.cfg safe rewrite", [&] { config.save(lines); })) {
    return 1;
  }
  // A configuration file of 24,000 lines: the start reads its first lines only, a manual
  // search's save carries the rest over unchanged.
  std::string longFile = "gb\r\n192.168.2.40\r\n";
  for (int i = 0; i < 24000; ++i) {
    longFile += "line " + std::to_string(i) + "\r\n";
  }
  test::WriteFileBytes(config.path(), longFile);
  if (!compareWithCat("t540.cfg of 24,000 lines, read at start", [&] { (void)config.load(); }) ||
      !compareWithCat("t540.cfg of 24,000 lines, safe rewrite", [&] { config.save(lines); })) {
    return 1;
  }
  return 0;
}
