#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/append_file.h"
#include "platform/unique_fd.h"

namespace kv3::platform {

namespace {

UniqueFd OpenForAppend(const std::filesystem::path& path) {
  return UniqueFd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600));
}

}  // namespace

int AppendWhole(const std::filesystem::path& path, std::string_view text) {
  const UniqueFd file = OpenForAppend(path);
  if (!file) return errno;
  const ssize_t written = ::write(file.get(), text.data(), text.size());
  if (written < 0) return errno;
  // A full disk cuts the write short: what went in stays, the rest is lost.
  if (static_cast<std::size_t>(written) != text.size()) return ENOSPC;
  return 0;
}

int CanAppend(const std::filesystem::path& path) { return OpenForAppend(path) ? 0 : errno; }

}  // namespace kv3::platform
