#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <utility>

namespace kv3::platform {

// What tells one state of a file from another: any part that differs means the file changed.
struct FileStamp {
  std::uint64_t device = 0, inode = 0, size = 0;
  std::int64_t modified = 0, modifiedNs = 0, changed = 0, changedNs = 0;
  bool operator==(const FileStamp&) const = default;
};

// Sole owner of a regular file opened for reading. A FIFO or a device put where the chosen file
// was is refused without waiting in the open.
class ReadFile {
 public:
  ReadFile() = default;
  // Opens path; valid() is false when it cannot be opened or is no regular file.
  explicit ReadFile(const std::filesystem::path& path);
  ~ReadFile();
  ReadFile(ReadFile&& other) noexcept;
  ReadFile& operator=(ReadFile&& other) noexcept;
  ReadFile(const ReadFile&) = delete;
  ReadFile& operator=(const ReadFile&) = delete;

  bool valid() const { return handle_ != -1; }
  explicit operator bool() const { return valid(); }
  // The file as it is now; nothing when the system cannot tell.
  std::optional<FileStamp> stamp() const;
  // Reads exactly dest.size() bytes from where the last read ended; false on an error or when
  // the file ends sooner.
  bool readExactly(std::span<std::uint8_t> dest);
  // Reads what comes next, up to dest.size() bytes: the count, 0 at the end, -1 on an error.
  long read(std::span<std::uint8_t> dest);
  // Gives the system's handle up to the caller, who closes it from then on.
  std::intptr_t release() { return std::exchange(handle_, -1); }

 private:
  void close();
  std::intptr_t handle_ = -1;
};

struct StdFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using StdFile = std::unique_ptr<std::FILE, StdFileCloser>;

// A regular file opened for buffered reading, with its size; nothing when it cannot be opened or
// is no regular file (a folder, or a FIFO that would block the reader).
std::optional<std::pair<StdFile, std::uint64_t>> OpenRegularFile(const std::filesystem::path& path);

// Why a file that could not be opened for reading cannot be: what the system tells of it now.
// InUse where another program holds it open and lets nobody read it (Windows); NoAccess for
// every other refusal.
enum class ReadProblem { Missing, Folder, NotRegular, InUse, NoAccess };
ReadProblem WhyNotReadable(const std::filesystem::path& path);

}  // namespace kv3::platform
