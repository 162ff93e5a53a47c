// kv3sim: plays KV3 units on the command port until SIGINT or SIGTERM.

#include <signal.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "sim/options.h"
#include "sim/simulator.h"
#include "sim/web_image_reader.h"

int main(int argc, char** argv) {
  // Beyond a limit on file sizes a write must fail like on a full disk, which the file writers
  // handle, instead of ending the process halfway through a file.
  ::signal(SIGXFSZ, SIG_IGN);
  const std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  const auto line = kv3::sim::ParseCommandLine(args, error);
  if (!line) {
    std::fprintf(stderr, "kv3sim: %s\nTry kv3sim --help.\n", error.c_str());
    return 2;
  }
  if (line->help) {
    std::fputs(kv3::sim::HelpText().c_str(), stdout);
    return 0;
  }

  if (!line->listImage.empty()) {
    const std::string listing = kv3::sim::WebImageListing(line->listImage);
    std::fputs(listing.c_str(), stdout);
    return listing.starts_with("not a web image") ? 1 : 0;
  }

  // Blocked before the serving thread starts, so only sigwait below takes these signals.
  sigset_t endSignals;
  sigemptyset(&endSignals);
  sigaddset(&endSignals, SIGINT);
  sigaddset(&endSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

  kv3::sim::Simulator simulator(line->config);
  try {
    simulator.start();
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "kv3sim: %s\n", failure.what());
    return 1;
  }
  std::fputs("kv3sim: ready\n", stdout);
  std::fflush(stdout);

  int caught = 0;
  sigwait(&endSignals, &caught);
  simulator.stop();
  return 0;
}
