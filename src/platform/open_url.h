#pragma once

#include <string>

namespace kv3::platform {

// Hands a web address to the desktop's default handler (xdg-open in a child process) and waits
// for that process at most waitMs milliseconds. Reports nothing, whatever happens.
void OpenUrl(const std::string& url, int waitMs = 20000, const std::string& opener = "xdg-open");

}  // namespace kv3::platform
