#include "support/file_faults.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <stdexcept>

namespace kv3::test {

namespace {

constexpr unsigned kOverrides =
    (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

bool Capabilities(__user_cap_data_struct (&data)[2], bool set) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return ::syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

}  // namespace

WithoutPermissionOverride::WithoutPermissionOverride() {
  __user_cap_data_struct data[2]{};
  if (!Capabilities(data, false)) return;
  effective_ = data[0].effective;
  if ((effective_ & kOverrides) == 0) return;
  data[0].effective &= ~kOverrides;
  changed_ = Capabilities(data, true);
}

WithoutPermissionOverride::~WithoutPermissionOverride() {
  if (!changed_) return;
  __user_cap_data_struct data[2]{};
  if (Capabilities(data, false)) {
    data[0].effective = effective_;
    Capabilities(data, true);
  }
}

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
  // The signal would end the process; the tool ignores it too.
  std::signal(SIGXFSZ, SIG_IGN);
  ::getrlimit(RLIMIT_FSIZE, &before_);
  const rlimit limit{bytes, before_.rlim_max};
  if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("no file size limit");
}

FileSizeLimit::~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &before_); }

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace kv3::test
