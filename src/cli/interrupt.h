#pragma once

#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>

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
  // What standard output gets should a second request end the process at once: a run that
  // promises one document (--json) keeps it up to date, so that even then it ends whole.
  void setLastWords(std::string words);
  // Writes the run's one document to out, unless a second request has ended the run with its
  // last words already; after it, those last words are gone.
  void finalWords(std::ostream& out, const std::string& document);
  // Waits ms milliseconds or until a stop is asked for; true when it was.
  bool waitFor(int ms);

 private:
  std::atomic<bool> requested_{false};
  std::mutex mutex_;
  std::string lastWords_;  // guarded by mutex_
  bool spoken_ = false;    // the one document is out; guarded by mutex_
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
