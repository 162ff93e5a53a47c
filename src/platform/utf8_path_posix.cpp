#include <cstdlib>

#include "platform/utf8_path.h"

namespace kv3::platform {

std::filesystem::path PathFromUtf8(std::string_view utf8) { return std::string(utf8); }

std::string Utf8FromPath(const std::filesystem::path& path) { return path.string(); }

std::vector<std::string> CommandLineUtf8(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

std::filesystem::path EnvironmentPath(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::filesystem::path() : std::filesystem::path(value);
}

std::filesystem::path UserStateFolder() {
  if (auto state = EnvironmentPath("XDG_STATE_HOME"); state.is_absolute()) return state;
  const std::filesystem::path home = EnvironmentPath("HOME");
  return home.empty() ? home : home / ".local" / "state";
}

}  // namespace kv3::platform
