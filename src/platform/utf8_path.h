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

}  // namespace kv3::platform
