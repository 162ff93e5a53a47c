#pragma once

#include <string>
#include <system_error>

namespace kv3::sim {

// The error numbers of the platform's calls (errno, or WSAGetLastError on Windows), worded as the
// platform words them; 0 stands for a failure whose cause the system did not tell.
const std::error_category& PlatformCategory();

// Throws std::system_error for what failed with the platform's error number.
[[noreturn]] void ThrowPlatformError(int error, const std::string& what);

}  // namespace kv3::sim
