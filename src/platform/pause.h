#pragma once

namespace kv3::platform {

// Blocks the calling thread for ms milliseconds (nothing for ms <= 0).
void SleepMs(int ms);

}  // namespace kv3::platform
