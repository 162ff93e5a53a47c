#pragma once

#include <filesystem>
#include <stdexcept>

namespace kv3::platform {

// The standard file errors the window's error box shows, with the file's name.
inline std::runtime_error FileOpenError(const std::filesystem::path& path) {
  return std::runtime_error("Datei " + path.string() + " kann nicht geöffnet werden");
}

inline std::runtime_error FileCreateError(const std::filesystem::path& path) {
  return std::runtime_error("Datei " + path.string() + " kann nicht erstellt werden");
}

}  // namespace kv3::platform
