#include "app/config_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

#include "platform/unique_fd.h"

namespace kv3::app {

namespace {

std::runtime_error cannotOpen(const std::filesystem::path& path) {
  return std::runtime_error("Datei " + path.string() + " kann nicht geöffnet werden");
}

std::runtime_error cannotCreate(const std::filesystem::path& path) {
  return std::runtime_error("Datei " + path.string() + " kann nicht erstellt werden");
}

// The whole file; nothing when it cannot be opened or read.
std::optional<std::string> readAll(const std::filesystem::path& path) {
  platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) {
    return std::nullopt;
  }
  std::string bytes;
  char chunk[4096];
  while (true) {
    const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
    if (got == 0) {
      return bytes;
    }
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      return std::nullopt;
    }
    bytes.append(chunk, static_cast<std::size_t>(got));
  }
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

std::vector<std::string> SplitConfigLines(std::string_view bytes) {
  bytes = bytes.substr(0, bytes.find('\0'));
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(bytes.substr(start));
      break;
    }
    lines.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
    if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') {
      ++start;
    }
  }
  return lines;
}

std::string ReplaceFirstLine(std::string_view bytes, std::string_view code) {
  const std::size_t end = bytes.find_first_of("\r\n");
  if (end == std::string_view::npos) {
    return std::string(code) + "\r\n";
  }
  return std::string(code) + std::string(bytes.substr(end));
}

ConfigFile::ConfigFile(const std::filesystem::path& directory)
    : path_(directory / ConfigFileName) {}

std::optional<std::vector<std::string>> ConfigFile::load() const {
  std::error_code error;
  if (!std::filesystem::exists(path_, error)) {
    return std::nullopt;
  }
  const auto bytes = readAll(path_);
  if (!bytes) {
    throw cannotOpen(path_);
  }
  return SplitConfigLines(*bytes);
}

void ConfigFile::save(const std::vector<std::string>& lines) const {
  std::string bytes;
  for (const std::string& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  replaceWith(bytes);
}

bool ConfigFile::rewriteLanguageLine(std::string_view code) const {
  std::string bytes;
  std::error_code error;
  if (std::filesystem::exists(path_, error)) {
    const auto existing = readAll(path_);
    if (!existing) {
      return false;
    }
    bytes = *existing;
  }
  try {
    replaceWith(ReplaceFirstLine(bytes, code));
    return true;
  } catch (const std::runtime_error&) {
    return false;
  }
}

void ConfigFile::replaceWith(std::string_view bytes) const {
  std::string temporary = path_.string() + ".XXXXXX";
  platform::UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (!fd) {
    throw cannotCreate(path_);
  }
  // The new file keeps the old one's permissions.
  struct stat existing {};
  ::fchmod(fd.get(), ::stat(path_.c_str(), &existing) == 0 ? existing.st_mode & 07777 : 0644);
  const bool written = writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
  if (!fd.reset() || !written || ::rename(temporary.c_str(), path_.c_str()) != 0) {
    ::unlink(temporary.c_str());
    throw cannotCreate(path_);
  }
}

}  // namespace kv3::app
