#pragma once

#include <filesystem>
#include <stdexcept>

#include "platform/utf8_path.h"

namespace kv3::platform {

// The standard file errors the window's error box shows, with the file's name.
inline std::runtime_error FileOpenError(const std::filesystem::path& path) {
  return std::runtime_error("Datei " + Utf8FromPath(path) + " kann nicht geöffnet werden");
}

inline std::runtime_error FileCreateError(const std::filesystem::path& path) {
  return std::runtime_error("Datei " + Utf8FromPath(path) + " kann nicht erstellt werden");
}

}  // namespace kv3::platform
