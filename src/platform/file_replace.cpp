#include "platform/file_replace.h"

#include <algorithm>
#include <mutex>
#include <system_error>

#include "platform/file_replace_parts.h"

namespace kv3::platform {

namespace {

constexpr std::size_t kWriteCapacity = std::size_t{64} * 1024;

std::string_view AsText(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The new files beside their targets that exist at this moment.
class PendingTemporaries {
 public:
  static PendingTemporaries& all() {
    static PendingTemporaries pending;
    return pending;
  }
  void add(const std::string& path) {
    const std::lock_guard lock(mutex_);
    paths_.push_back(path);
  }
  void remove(const std::string& path) {
    const std::lock_guard lock(mutex_);
    std::erase(paths_, path);
  }
  void removeAll() noexcept {
    const std::lock_guard lock(mutex_);
    for (const std::string& path : paths_) detail::RemoveNow(path);
    paths_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> paths_;
};

}  // namespace

namespace detail {

std::filesystem::path FinalTarget(const std::filesystem::path& path) {
  std::filesystem::path current = path;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code error;
    if (!std::filesystem::is_symlink(current, error)) {
      return current;
    }
    const std::filesystem::path next = std::filesystem::read_symlink(current, error);
    if (error) {
      return current;
    }
    current = next.is_absolute() ? next : current.parent_path() / next;
  }
  return current;
}

PendingTemporary::PendingTemporary(const std::string& path) : path_(path) {
  PendingTemporaries::all().add(path_);
}

PendingTemporary::~PendingTemporary() { PendingTemporaries::all().remove(path_); }

BufferedFileWriter::BufferedFileWriter(Write write) : write_(std::move(write)) {
  buffer_.reserve(kWriteCapacity);
}

bool BufferedFileWriter::put(std::span<const std::uint8_t> piece) {
  if (failed_) return false;
  if (buffer_.size() + piece.size() > kWriteCapacity && !flush()) return false;
  if (piece.size() >= kWriteCapacity) {
    failed_ = !write_(AsText(piece), offset_);
    offset_ += piece.size();
    return !failed_;
  }
  buffer_.insert(buffer_.end(), piece.begin(), piece.end());
  return true;
}

bool BufferedFileWriter::flush() {
  if (failed_) return false;
  failed_ = !write_(AsText(buffer_), offset_);
  offset_ += buffer_.size();
  buffer_.clear();
  return !failed_;
}

}  // namespace detail

void RemovePendingTemporaries() noexcept { PendingTemporaries::all().removeAll(); }

}  // namespace kv3::platform
