#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// File names travel through the tool as UTF-8; the system's path type holds them in its own
// form (UTF-16 on Windows). These convert at that border, losing nothing.
namespace kv3::platform {

std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

// The program's arguments in UTF-8, whatever the system's own code page (Windows gives them as
// UTF-16; argv would hold them in the ANSI code page, which loses characters).
std::vector<std::string> CommandLineUtf8(int argc, char** argv);

// The environment variable as a path (read as UTF-16 on Windows); empty when it is not set or
// empty.
std::filesystem::path EnvironmentPath(const char* name);

// Where a user's programs keep what they record about their own runs:
// ${XDG_STATE_HOME:-~/.local/state} on Linux, %LOCALAPPDATA% on Windows. Empty when the
// environment names none.
std::filesystem::path UserStateFolder();

}  // namespace kv3::platform
