#pragma once

#include <cstdio>

namespace kv3::platform {

// Size of an open file in bytes: seeks to its end and back to where it stood. -1 on failure.
long long FileSizeOf(std::FILE* file);

}  // namespace kv3::platform
