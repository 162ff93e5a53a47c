#include <windows.h>
// The shell's API needs the types of windows.h.
#include <shellapi.h>

#include <cstdlib>

#include "platform/utf8_path.h"
#include "platform/windows_text.h"

namespace kv3::platform {

std::filesystem::path PathFromUtf8(std::string_view utf8) { return detail::Wide(utf8); }

std::string Utf8FromPath(const std::filesystem::path& path) { return detail::Utf8(path.native()); }

std::vector<std::string> CommandLineUtf8(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(detail::Utf8(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

std::filesystem::path EnvironmentPath(const char* name) {
  const wchar_t* value = ::_wgetenv(detail::Wide(name).c_str());
  return value == nullptr ? std::filesystem::path() : std::filesystem::path(value);
}

std::filesystem::path UserStateFolder() { return EnvironmentPath("LOCALAPPDATA"); }

}  // namespace kv3::platform
