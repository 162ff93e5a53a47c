#include "window/config_file.h"

#include <stdexcept>
#include <system_error>

#include "platform/file_replace.h"
#include "texts/file_errors.h"

namespace kv3::window {

namespace {

// Links are followed: a link whose target is missing stands for a missing file, which a write
// then creates at the link's target.
bool Exists(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
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

std::string_view BytesAfterLines(std::string_view bytes, std::size_t count) {
  std::size_t at = 0;
  for (std::size_t line = 0; line < count; ++line) {
    const std::size_t end = bytes.find_first_of(std::string_view("\r\n\0", 3), at);
    if (end == std::string_view::npos) {
      return {};
    }
    if (bytes[end] == '\0') {
      return bytes.substr(end);
    }
    at = end + 1;
    if (bytes[end] == '\r' && at < bytes.size() && bytes[at] == '\n') {
      ++at;
    }
  }
  return bytes.substr(at);
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
  if (!Exists(path_)) {
    return std::nullopt;
  }
  const auto bytes = platform::ReadRegularFile(path_, ReadLimit);
  if (!bytes) {
    throw texts::FileOpenError(path_);
  }
  std::vector<std::string> lines = SplitConfigLines(*bytes);
  if (lines.size() > UsedLines) {
    lines.resize(UsedLines);
  }
  return lines;
}

void ConfigFile::save(const std::vector<std::string>& lines) const {
  std::string old;
  if (Exists(path_)) {
    auto bytes = platform::ReadRegularFile(path_);
    if (!bytes) {
      throw texts::FileCreateError(path_);
    }
    old = std::move(*bytes);
  }
  std::string bytes;
  for (const std::string& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  bytes += BytesAfterLines(old, lines.size());
  if (platform::ReplaceFileContents(path_, bytes) != platform::ReplaceResult::Written) {
    throw texts::FileCreateError(path_);
  }
}

bool ConfigFile::rewriteLanguageLine(std::string_view code) const {
  std::string bytes;
  if (Exists(path_)) {
    auto existing = platform::ReadRegularFile(path_);
    if (!existing) {
      return false;
    }
    bytes = std::move(*existing);
  }
  return platform::ReplaceFileContents(path_, ReplaceFirstLine(bytes, code)) ==
         platform::ReplaceResult::Written;
}

}  // namespace kv3::window
