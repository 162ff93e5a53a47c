#pragma once

#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>

#include "platform/console.h"
#include "platform/pacing.h"

namespace kv3::cli {

// Thrown out of a pause once the user asked to stop; everything a run opened is closed as the
// exception passes.
struct Cancelled : std::exception {
  const char* what() const noexcept override { return "cancelled"; }
};

// The user's requests to stop (Ctrl-C, a closed terminal or console, a request to end): the first
// asks every run to stop at its next pause or wait, a second ends the process at once, removing
// what it was writing beside a user's file. Make it before any other thread.
class Interrupt {
 public:
  Interrupt();
  ~Interrupt();
  Interrupt(const Interrupt&) = delete;
  Interrupt& operator=(const Interrupt&) = delete;

  bool requested() const { return requested_.load(); }
  void request();
  // Waits ms milliseconds or until a stop is asked for; true when it was.
  bool waitFor(int ms);

 private:
  std::atomic<bool> requested_{false};
  std::mutex mutex_;
  std::condition_variable woken_;
  std::unique_ptr<platform::StopRequests> requests_;  // last: it calls request()
};

// The pauses of the protocol for a command-line run: real time, cut short by an interrupt.
class CliPacing final : public platform::Pacing {
 public:
  explicit CliPacing(Interrupt& interrupt) : interrupt_(interrupt) {}
  void pause(int ms) override;
  void processMessages() override;
  void checkpoint() override;

 private:
  Interrupt& interrupt_;
};

}  // namespace kv3::cli
