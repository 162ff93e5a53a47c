#pragma once

#include <sys/resource.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kv3::test {

// The calling thread checks file permissions as an ordinary user does, also when it runs as
// root: a read-only folder takes no new file, a file without read permission cannot be read.
// Ends with the guard.
class WithoutPermissionOverride {
 public:
  WithoutPermissionOverride();
  ~WithoutPermissionOverride();
  WithoutPermissionOverride(const WithoutPermissionOverride&) = delete;
  WithoutPermissionOverride& operator=(const WithoutPermissionOverride&) = delete;

 private:
  unsigned effective_ = 0;  // the low word of the effective set before
  bool changed_ = false;
};

// No file of this process grows beyond `bytes` while the guard lives: a write beyond fails as
// on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit before_{};
};

// The names in folder, sorted; what a failed write may have left there shows up here.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);

}  // namespace kv3::test
