#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "support/loopback_lan.h"
#include "support/test_desktop.h"
#include "window/main_window.h"

namespace kv3::window {

// A window talking to simulated units on loopback, started in a fresh directory. Pauses pass at
// a fifth of their length, which leaves the simulator ample time to answer; a late unit is late
// against the window's pauses at their full length, on the simulator's clock that only they
// move, however long the machine takes.
class WindowOnLoopback : public ::testing::Test {
 protected:
  static constexpr double PauseScale = 0.2;

  // The units keep what is sent to them under stored/ in the test's directory.
  void startUnits(std::vector<sim::Unit> units) {
    lan = std::make_unique<test::LoopbackLan>(std::move(units), directory.path() / "stored", true);
    window = std::make_unique<MainWindow>(desktop, lan->settings());
    desktop.passTime = [this](int ms) {
      if (!lan) return;
      lan->sim().settle();  // every datagram of the window handled: its answer is late from now
      lan->sim().advance(std::chrono::milliseconds(ms));
    };
    desktop.settle = [this] {
      if (lan) lan->sim().settle();
    };
  }
  // The unit listens on its own address only, so the broadcast finds nobody and only a search
  // at its address does. The window uses the same ports.
  std::unique_ptr<sim::Simulator> startUnitOnItsOwnAddress(const sim::Unit& unit) {
    startUnits({unit});
    lan->sim().stop();
    sim::Config config;
    config.units = {unit};
    config.commandPort = lan->ports().command;
    config.bindAddress = unit.ip;
    auto direct = std::make_unique<sim::Simulator>(config);
    direct->start();
    return direct;
  }
  void activate() {
    window->dispatch([this] { window->FormActivate(); });
  }
  std::string configBytes() const { return test::ReadFileBytes(directory.path() / "t540.cfg"); }
  void writeConfig(const std::string& bytes) {
    test::WriteFileBytes(directory.path() / "t540.cfg", bytes);
  }
  std::vector<std::string> listed() const { return window->LB1.items(); }
  // A file of `size` pattern bytes in the folder "chosen"; its full path.
  std::string writeChosenFile(const std::string& name, std::size_t size) {
    const auto path = directory.path() / "chosen" / name;
    std::filesystem::create_directories(path.parent_path());
    test::WriteFileBytes(path, test::PatternBytes(size));
    return path.string();
  }

  test::ScratchDirectory directory;
  test::TestDesktop desktop{PauseScale};
  std::unique_ptr<test::LoopbackLan> lan;
  std::unique_ptr<MainWindow> window;
};

}  // namespace kv3::window
