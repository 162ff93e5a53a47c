#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/open_url.h"

extern char** environ;

namespace kv3::platform {

void OpenUrl(const std::string& url, int waitMs, const std::string& opener) {
  std::vector<char*> argv{const_cast<char*>(opener.c_str()), const_cast<char*>(url.c_str()),
                          nullptr};
  pid_t child = -1;
  if (::posix_spawnp(&child, opener.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  while (true) {
    int status = 0;
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done != 0 || std::chrono::steady_clock::now() >= deadline) {
      return;  // ended, failed, or still running after the wait: nothing is reported
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace kv3::platform
