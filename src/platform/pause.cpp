#include "platform/pause.h"

#include <chrono>
#include <thread>

namespace kv3::platform {

void SleepMs(int ms) {
  if (ms > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
}

}  // namespace kv3::platform
