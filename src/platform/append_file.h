#pragma once

#include <filesystem>
#include <string_view>

namespace kv3::platform {

// Appends the text at the file's end in one write, making the file (readable by its owner only)
// when there is none: lines that several programs append at once never interleave. 0, or the
// system's error number.
int AppendWhole(const std::filesystem::path& path, std::string_view text);

// Whether the file can be appended to (made when missing, nothing written): 0, or the system's
// error number.
int CanAppend(const std::filesystem::path& path);

}  // namespace kv3::platform
