#pragma once

#include <filesystem>

namespace kv3::platform {

// Whether users other than the file's owner (and the system's administrators) may read it: on
// Linux a mode with any group or other bit; on Windows an entry that allows reading to Everyone,
// Users or Authenticated Users. False when the file cannot be examined.
bool OthersMayRead(const std::filesystem::path& path);

}  // namespace kv3::platform
