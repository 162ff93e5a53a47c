#include "cli/interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <ctime>

#include "platform/file_replace.h"

namespace kv3::cli {

namespace {

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  // A closed terminal: the user is gone, and the run ends as cleanly as after Ctrl-C.
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

Interrupt::Interrupt() {
  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  watcher_ = std::thread([this, signals] {
    const timespec slice{0, 200'000'000};
    while (!ending_.load()) {
      if (sigtimedwait(&signals, nullptr, &slice) < 0) continue;
      if (ending_.load()) break;
      if (requested_.load()) {
        // A second Ctrl-C: the user does not want to wait for the runs to wind down. What is
        // being written beside a user's file goes with the process.
        platform::RemovePendingTemporaries();
        static constexpr char kNote[] = "\n";
        [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, kNote, sizeof kNote - 1);
        ::_exit(130);
      }
      request();
    }
  });
}

Interrupt::~Interrupt() {
  ending_.store(true);
  // Wakes the watcher at once instead of at the end of its slice.
  pthread_kill(watcher_.native_handle(), SIGTERM);
  watcher_.join();
}

void Interrupt::request() {
  {
    const std::lock_guard lock(mutex_);
    requested_.store(true);
  }
  woken_.notify_all();
}

bool Interrupt::waitFor(int ms) {
  std::unique_lock lock(mutex_);
  return woken_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return requested_.load(); });
}

void CliPacing::pause(int ms) {
  if (interrupt_.waitFor(ms)) throw Cancelled();
}

void CliPacing::processMessages() {
  if (interrupt_.requested()) throw Cancelled();
}

void CliPacing::checkpoint() {
  if (interrupt_.requested()) throw Cancelled();
}

}  // namespace kv3::cli
