#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/file_replace.h"
#include "platform/file_replace_calls.h"
#include "platform/file_replace_parts.h"
#include "platform/unique_fd.h"

namespace kv3::platform {

detail::ReplaceCalls& detail::PosixReplaceCalls() {
  static ReplaceCalls calls{::fsync, ::rename};
  return calls;
}

namespace {

// Writes every byte at offset on; `done`, when given, learns how many reached the file.
bool WriteAll(int fd, std::string_view bytes, off_t offset, std::size_t* done = nullptr) {
  if (done != nullptr) *done = 0;
  while (!bytes.empty()) {
    const ssize_t written = ::pwrite(fd, bytes.data(), bytes.size(), offset);
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    if (written == 0) {
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
    offset += written;
    if (done != nullptr) *done += static_cast<std::size_t>(written);
  }
  return true;
}

bool HasNoWritePermission(const std::string& target, const struct stat& status) {
  // access() says "writable" to root whatever the mode; a file that nobody may write is
  // protected all the same.
  return ::access(target.c_str(), W_OK) != 0 || (status.st_mode & 0222) == 0;
}

// Fills a new file beside the target through `fill` and renames it over the target.
bool ReplaceBeside(const std::string& target, const std::function<bool(int fd)>& fill,
                   const struct stat* old) {
  std::string temporary = target + ".XXXXXX";
  UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (!fd) {
    return false;
  }
  const detail::PendingTemporary pending(temporary);
  const auto discard = [&temporary] { ::unlink(temporary.c_str()); };
  mode_t mode = 0666;
  if (old != nullptr) {
    mode = old->st_mode & 07777;
    // Owner and group must be the old file's, or this way would hand the file to someone else.
    if ((old->st_uid != ::geteuid() || old->st_gid != ::getegid()) &&
        ::fchown(fd.get(), old->st_uid, old->st_gid) != 0) {
      discard();
      return false;
    }
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode &= ~mask;
  }
  const detail::ReplaceCalls& calls = detail::PosixReplaceCalls();
  const bool written =
      ::fchmod(fd.get(), mode) == 0 && fill(fd.get()) && calls.fsync(fd.get()) == 0;
  if (!fd.reset() || !written || calls.rename(temporary.c_str(), target.c_str()) != 0) {
    discard();
    return false;
  }
  return true;
}

bool ReplaceBeside(const std::string& target, std::string_view bytes, const struct stat* old) {
  return ReplaceBeside(
      target, [bytes](int fd) { return WriteAll(fd, bytes, 0); }, old);
}

// Reads up to n bytes from the start of fd; nothing when a read fails.
std::optional<std::string> ReadStart(int fd, std::size_t n) {
  std::string bytes(n, '\0');
  std::size_t got = 0;
  while (got < n) {
    const ssize_t part = ::pread(fd, bytes.data() + got, n - got, static_cast<off_t>(got));
    if (part < 0 && errno == EINTR) continue;
    if (part < 0) return std::nullopt;
    if (part == 0) break;
    got += static_cast<std::size_t>(part);
  }
  bytes.resize(got);
  return bytes;
}

// Writes the bytes into the file itself. The room is secured first, so that a full disk stops
// the write before the first old byte is overwritten. Should a write, the truncation or the flush
// to disk still fail (a limit on file sizes, an input/output error), the old contents are put
// back: every old byte a write reached, and the old tail a shorter new content cut off. The file
// holds either its old or its new contents, never a mixture.
bool ReplaceInPlace(const std::string& target, std::string_view bytes) {
  UniqueFd fd(::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
  struct stat status {};
  if (!fd || ::fstat(fd.get(), &status) != 0) {
    return false;
  }
  if (bytes.size() > static_cast<std::size_t>(LLONG_MAX)) {
    return false;
  }
  const auto size = static_cast<off_t>(bytes.size());
  const off_t oldSize = status.st_size;
  const std::optional<std::string> old = ReadStart(fd.get(), static_cast<std::size_t>(oldSize));
  if (!old || old->size() != static_cast<std::size_t>(oldSize)) {
    return false;
  }
  if (size > 0 && ::posix_fallocate(fd.get(), 0, size) != 0) {
    // A partly secured room may have lengthened the file.
    [[maybe_unused]] const int ignored = ::ftruncate(fd.get(), oldSize);
    return false;
  }
  const detail::ReplaceCalls& calls = detail::PosixReplaceCalls();
  std::size_t reached = 0;
  bool cut = false;
  if (WriteAll(fd.get(), bytes, 0, &reached)) {
    cut = ::ftruncate(fd.get(), size) == 0;
    if (cut && calls.fsync(fd.get()) == 0) return fd.reset();
  }
  // The old bytes fit in under any limit the new ones met: the file held them before.
  const std::size_t restored = cut ? old->size() : std::min(reached, old->size());
  if (WriteAll(fd.get(), std::string_view(*old).substr(0, restored), 0)) {
    [[maybe_unused]] const int ignored = ::ftruncate(fd.get(), oldSize);
    calls.fsync(fd.get());
  }
  return false;
}

}  // namespace

std::optional<std::string> ReadRegularFile(const std::filesystem::path& path, std::size_t limit) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer before the type can be checked.
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat status {};
  if (!fd || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
    return std::nullopt;
  }
  std::string bytes;
  char chunk[4096];
  while (bytes.size() < limit) {
    const std::size_t wanted = std::min(sizeof chunk, limit - bytes.size());
    const ssize_t got = ::read(fd.get(), chunk, wanted);
    if (got == 0) {
      break;
    }
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      return std::nullopt;
    }
    bytes.append(chunk, static_cast<std::size_t>(got));
  }
  return bytes;
}

ReplaceResult ReplaceFileContents(const std::filesystem::path& path, std::string_view bytes) {
  const std::string target = detail::FinalTarget(path).string();
  struct stat status {};
  if (::stat(target.c_str(), &status) != 0) {
    if (errno != ENOENT) {
      return ReplaceResult::Failed;
    }
    return ReplaceBeside(target, bytes, nullptr) ? ReplaceResult::Written : ReplaceResult::Failed;
  }
  if (!S_ISREG(status.st_mode)) {
    return ReplaceResult::Failed;
  }
  if (HasNoWritePermission(target, status)) {
    return ReplaceResult::WriteProtected;
  }
  // A second hard link would keep the old bytes after a rename.
  if (status.st_nlink <= 1 && ReplaceBeside(target, bytes, &status)) {
    return ReplaceResult::Written;
  }
  return ReplaceInPlace(target, bytes) ? ReplaceResult::Written : ReplaceResult::Failed;
}

ReplaceResult ReplaceFileStreamed(const std::filesystem::path& path, const ContentWriter& writer) {
  const std::string target = detail::FinalTarget(path).string();
  struct stat status {};
  const bool exists = ::stat(target.c_str(), &status) == 0;
  if (!exists && errno != ENOENT) {
    return ReplaceResult::Failed;
  }
  if (exists && !S_ISREG(status.st_mode)) {
    return ReplaceResult::Failed;
  }
  if (exists && HasNoWritePermission(target, status)) {
    return ReplaceResult::WriteProtected;
  }
  const auto fill = [&writer](int fd) {
    detail::BufferedFileWriter out([fd](std::string_view bytes, std::uint64_t offset) {
      return WriteAll(fd, bytes, static_cast<off_t>(offset));
    });
    return writer([&out](std::span<const std::uint8_t> piece) { return out.put(piece); }) &&
           out.flush();
  };
  return ReplaceBeside(target, fill, exists ? &status : nullptr) ? ReplaceResult::Written
                                                                 : ReplaceResult::Failed;
}

void detail::RemoveNow(const std::string& path) noexcept { ::unlink(path.c_str()); }

}  // namespace kv3::platform
