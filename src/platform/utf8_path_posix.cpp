#include "platform/utf8_path.h"

namespace kv3::platform {

std::filesystem::path PathFromUtf8(std::string_view utf8) { return std::string(utf8); }

std::string Utf8FromPath(const std::filesystem::path& path) { return path.string(); }

std::vector<std::string> CommandLineUtf8(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace kv3::platform
