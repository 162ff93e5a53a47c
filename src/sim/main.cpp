// kv3sim: plays KV3 units on the command port until SIGINT or SIGTERM (Ctrl-C or Ctrl-Break,
// or a closed console, on Windows).

#include <condition_variable>
#include <cstdio>
#include <exception>
#include <mutex>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/net.h"
#include "platform/utf8_path.h"
#include "sim/options.h"
#include "sim/simulator.h"
#include "sim/web_image_reader.h"

int main(int argc, char** argv) {
  // Beyond a limit on file sizes a write must fail like on a full disk, which the file writers
  // handle, instead of ending the process halfway through a file; texts are UTF-8.
  kv3::platform::PrepareConsole();
  // In UTF-8 on every system, as the file names the simulator is given.
  std::vector<std::string> args = kv3::platform::CommandLineUtf8(argc, argv);
  if (!args.empty()) args.erase(args.begin());
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
    const std::string listing =
        kv3::sim::WebImageListing(kv3::platform::PathFromUtf8(line->listImage));
    std::fputs(listing.c_str(), stdout);
    return listing.starts_with("not a web image") ? 1 : 0;
  }

  if (const auto refusal =
          kv3::sim::NetworkRefusal(*line, kv3::platform::ReachableAdapterNames())) {
    std::fprintf(stderr, "kv3sim: %s\n", refusal->c_str());
    return 1;
  }

  // Taken before the serving threads start, so that only the watcher gets the requests. A
  // request while the units already stop changes nothing.
  std::mutex mutex;
  std::condition_variable asked;
  bool stopping = false;
  const kv3::platform::StopRequests requests([&] {
    std::lock_guard lock(mutex);
    stopping = true;
    asked.notify_all();
    return false;
  });

  kv3::sim::Simulator simulator(line->config);
  try {
    simulator.start();
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "kv3sim: %s\n", failure.what());
    return 1;
  }
  std::fputs("kv3sim: ready\n", stdout);
  std::fflush(stdout);

  {
    std::unique_lock lock(mutex);
    asked.wait(lock, [&] { return stopping; });
  }
  simulator.stop();
  return 0;
}
