#include "cli/interrupt.h"

#include <chrono>

namespace kv3::cli {

Interrupt::Interrupt()
    : requests_(std::make_unique<platform::StopRequests>([this] {
        const bool already = requested();
        request();
        return already;
      })) {}

Interrupt::~Interrupt() = default;

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
