#include "cli/interrupt.h"

#include <chrono>
#include <cstdio>

namespace kv3::cli {

Interrupt::Interrupt()
    : requests_(std::make_unique<platform::StopRequests>([this] {
        const bool already = requested();
        request();
        if (already) {
          const std::lock_guard lock(mutex_);
          if (!spoken_ && !lastWords_.empty()) {
            spoken_ = true;
            std::fwrite(lastWords_.data(), 1, lastWords_.size(), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
          }
        }
        return already;
      })) {}

void Interrupt::setLastWords(std::string words) {
  const std::lock_guard lock(mutex_);
  lastWords_ = std::move(words);
}

void Interrupt::finalWords(std::ostream& out, const std::string& document) {
  const std::lock_guard lock(mutex_);
  if (spoken_) return;
  spoken_ = true;
  out << document << '\n' << std::flush;
}

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
