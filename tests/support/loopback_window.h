#pragma once

#include "support/loopback_lan.h"
#include "support/test_desktop.h"
#include "window/main_window.h"

namespace kv3::test {

// What the views' tests drive: the real window's model and two simulated units on loopback,
// pauses at a fifth of their length, every datagram answered before a pause ends. Made after
// the current directory is set: the window reads its configuration file there.
struct LoopbackWindow {
  LoopbackLan lan{{NumberedUnit(1), NumberedUnit(2)}};
  TestDesktop desktop = [this] {
    TestDesktop paced(0.2);
    paced.settle = [this] { lan.sim().settle(); };
    return paced;
  }();
  window::MainWindow window{desktop, lan.settings()};
};

}  // namespace kv3::test
