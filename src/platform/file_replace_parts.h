#pragma once

// What the systems' ways of replacing a user's file share; not for use outside the platform.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kv3::platform::detail {

// The file a path stands for once every symbolic link is followed; a link whose target does
// not exist yet stands for that target.
std::filesystem::path FinalTarget(const std::filesystem::path& path);

// Removes a file at once; safe to call while the process is being stopped.
void RemoveNow(const std::string& path) noexcept;

// Keeps a new file's name in the process's list while it may still be left behind, so that a
// second Ctrl-C can remove it (RemovePendingTemporaries).
class PendingTemporary {
 public:
  explicit PendingTemporary(const std::string& path);
  ~PendingTemporary();
  PendingTemporary(const PendingTemporary&) = delete;
  PendingTemporary& operator=(const PendingTemporary&) = delete;

 private:
  std::string path_;
};

// Collects pieces into larger writes, so that small pieces cost no system call each. `write`
// stores bytes at the given offset and says whether all of them went.
class BufferedFileWriter {
 public:
  using Write = std::function<bool(std::string_view bytes, std::uint64_t offset)>;
  explicit BufferedFileWriter(Write write);
  bool put(std::span<const std::uint8_t> piece);
  bool flush();

 private:
  Write write_;
  std::uint64_t offset_ = 0;
  bool failed_ = false;
  std::vector<std::uint8_t> buffer_;
};

}  // namespace kv3::platform::detail
