#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/read_file.h"

namespace kv3::platform {

ReadFile::ReadFile(const std::filesystem::path& path)
    // O_NONBLOCK: a FIFO put where the chosen file was must not hold the caller in open().
    : handle_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
  struct stat status {};
  if (valid() && (::fstat(static_cast<int>(handle_), &status) != 0 || !S_ISREG(status.st_mode))) {
    close();
  }
}

ReadFile::~ReadFile() { close(); }

ReadFile::ReadFile(ReadFile&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

ReadFile& ReadFile::operator=(ReadFile&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, -1);
  }
  return *this;
}

void ReadFile::close() {
  if (valid()) ::close(static_cast<int>(std::exchange(handle_, -1)));
}

std::optional<FileStamp> ReadFile::stamp() const {
  struct stat status {};
  if (!valid() || ::fstat(static_cast<int>(handle_), &status) != 0) return std::nullopt;
  FileStamp stamp;
  stamp.device = static_cast<std::uint64_t>(status.st_dev);
  stamp.inode = static_cast<std::uint64_t>(status.st_ino);
  stamp.size = static_cast<std::uint64_t>(status.st_size);
  stamp.modified = status.st_mtim.tv_sec;
  stamp.modifiedNs = status.st_mtim.tv_nsec;
  stamp.changed = status.st_ctim.tv_sec;
  stamp.changedNs = status.st_ctim.tv_nsec;
  return stamp;
}

long ReadFile::read(std::span<std::uint8_t> dest) {
  for (;;) {
    const ssize_t got = ::read(static_cast<int>(handle_), dest.data(), dest.size());
    if (got >= 0) return static_cast<long>(got);
    if (errno != EINTR) return -1;
  }
}

ReadProblem WhyNotReadable(const std::filesystem::path& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? ReadProblem::Missing : ReadProblem::NoAccess;
  }
  if (S_ISDIR(status.st_mode)) return ReadProblem::Folder;
  return S_ISREG(status.st_mode) ? ReadProblem::NoAccess : ReadProblem::NotRegular;
}

std::optional<std::pair<StdFile, std::uint64_t>> OpenRegularFile(
    const std::filesystem::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat status {};
  if (fd < 0) return std::nullopt;
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  StdFile file(::fdopen(fd, "rb"));
  if (!file) {
    ::close(fd);
    return std::nullopt;
  }
  return std::pair{std::move(file), static_cast<std::uint64_t>(status.st_size)};
}

}  // namespace kv3::platform
