// A user's file replaced safely on Windows: the new bytes go into a new file beside it, reach
// the disk, and only then take the old file's place (ReplaceFileW keeps its attributes and
// security; MoveFileExW for a new file). A failure on the way leaves the old file as it was.
// A file with several hard links, or in a folder that takes no new file, is written in place,
// so that every name sees the new bytes.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>

#include "platform/file_replace.h"
#include "platform/file_replace_parts.h"
#include "platform/read_file.h"
#include "platform/windows_text.h"

namespace kv3::platform {

namespace {

// Sole owner of a handle of CreateFileW.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() { close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool close() {
    if (!valid()) return false;
    return ::CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != 0;
  }

 private:
  HANDLE handle_;
};

// Writes every byte at offset on; `done`, when given, learns how many reached the file.
bool WriteAll(HANDLE file, std::string_view bytes, std::uint64_t offset,
              std::size_t* done = nullptr) {
  if (done != nullptr) *done = 0;
  while (!bytes.empty()) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), wanted, &written, &at) || written == 0) return false;
    bytes.remove_prefix(written);
    offset += written;
    if (done != nullptr) *done += written;
  }
  return true;
}

// Reads n bytes from the start of the file; nothing when a read fails or the file is shorter.
std::optional<std::string> ReadStart(HANDLE file, std::size_t n) {
  std::string bytes(n, '\0');
  std::size_t got = 0;
  while (got < n) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(got);
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(got) >> 32);
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(n - got, 1u << 30));
    DWORD part = 0;
    if (!::ReadFile(file, bytes.data() + got, wanted, &part, &at) || part == 0) return std::nullopt;
    got += part;
  }
  return bytes;
}

bool SetSize(HANDLE file, std::uint64_t size) {
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(size);
  return ::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) != 0 && ::SetEndOfFile(file) != 0;
}

// How many names the file has; 1 when the system cannot tell.
DWORD LinkCount(const std::filesystem::path& target) {
  Handle file(::CreateFileW(target.c_str(), FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file.valid() || !::GetFileInformationByHandle(file.get(), &info)) return 1;
  return info.nNumberOfLinks;
}

// Writes the bytes into the file itself. The room is taken first, so that a full disk stops the
// write before the first old byte is overwritten. Should a write still fail, the old bytes it
// overwrote are put back: the file holds either its old or its new contents, never a mixture.
bool ReplaceInPlace(const std::filesystem::path& target, std::string_view bytes) {
  // Others may read meanwhile, but not write.
  Handle file(::CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER oldSize{};
  if (!file.valid() || !::GetFileSizeEx(file.get(), &oldSize)) return false;
  const auto before = static_cast<std::uint64_t>(oldSize.QuadPart);
  const std::uint64_t size = bytes.size();
  const auto overwritten = ReadStart(file.get(), static_cast<std::size_t>(std::min(before, size)));
  if (!overwritten) return false;
  if (size > before && !SetSize(file.get(), size)) {
    SetSize(file.get(), before);  // a part of the room may have been taken
    return false;
  }
  std::size_t reached = 0;
  if (WriteAll(file.get(), bytes, 0, &reached) && SetSize(file.get(), size) &&
      ::FlushFileBuffers(file.get()) != 0) {
    return file.close();
  }
  // Only the bytes that reached the file are put back, so they fit where those went.
  if (WriteAll(file.get(), std::string_view(*overwritten).substr(0, reached), 0)) {
    SetSize(file.get(), before);
    ::FlushFileBuffers(file.get());
  }
  return false;
}

// Fills a new file beside the target through `fill` and puts it in the target's place.
bool ReplaceBeside(const std::filesystem::path& target, bool exists,
                   const std::function<bool(HANDLE)>& fill) {
  const std::filesystem::path folder =
      target.has_parent_path() ? target.parent_path() : std::filesystem::path(L".");
  wchar_t name[MAX_PATH + 1] = {};
  // Makes the new file under a name no other file has; fails in a folder that takes no file.
  if (::GetTempFileNameW(folder.c_str(), L"kv3", 0, name) == 0) return false;
  const std::wstring temporary = name;
  const detail::PendingTemporary pending(detail::Utf8(temporary));
  const auto discard = [&temporary] { ::DeleteFileW(temporary.c_str()); };
  Handle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  const bool written = file.valid() && fill(file.get()) && ::FlushFileBuffers(file.get()) != 0;
  if (!file.close() || !written) {
    discard();
    return false;
  }
  const bool placed =
      exists ? ::ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                              REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
             : ::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
  if (!placed) {
    discard();
    return false;
  }
  return true;
}

enum class Existing { None, File, WriteProtected, Other };

Existing Examine(const std::filesystem::path& target) {
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Existing::None
                                                                          : Existing::Other;
  }
  if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
    return Existing::Other;
  }
  return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? Existing::WriteProtected : Existing::File;
}

// inPlace, when given, writes the new contents into the file itself, for a file with several
// names or where no new file can be made beside it.
ReplaceResult Replace(const std::filesystem::path& path, const std::function<bool(HANDLE)>& fill,
                      const std::function<bool(const std::filesystem::path&)>& inPlace = {}) {
  const std::filesystem::path target = detail::FinalTarget(path);
  switch (Examine(target)) {
    case Existing::Other:
      return ReplaceResult::Failed;
    case Existing::WriteProtected:
      return ReplaceResult::WriteProtected;
    case Existing::None:
      return ReplaceBeside(target, false, fill) ? ReplaceResult::Written : ReplaceResult::Failed;
    case Existing::File:
      break;
  }
  // A second hard link would keep the old bytes after the replace.
  if ((!inPlace || LinkCount(target) <= 1) && ReplaceBeside(target, true, fill)) {
    return ReplaceResult::Written;
  }
  return inPlace && inPlace(target) ? ReplaceResult::Written : ReplaceResult::Failed;
}

}  // namespace

void detail::RemoveNow(const std::string& path) noexcept { ::DeleteFileW(Wide(path).c_str()); }

std::optional<std::string> ReadRegularFile(const std::filesystem::path& path, std::size_t limit) {
  ReadFile file(path);
  if (!file) return std::nullopt;
  std::string bytes;
  std::uint8_t chunk[4096];
  while (bytes.size() < limit) {
    const std::size_t wanted = std::min(sizeof chunk, limit - bytes.size());
    const long got = file.read({chunk, wanted});
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    bytes.append(reinterpret_cast<const char*>(chunk), static_cast<std::size_t>(got));
  }
  return bytes;
}

ReplaceResult ReplaceFileContents(const std::filesystem::path& path, std::string_view bytes) {
  return Replace(
      path, [bytes](HANDLE file) { return WriteAll(file, bytes, 0); },
      [bytes](const std::filesystem::path& target) { return ReplaceInPlace(target, bytes); });
}

ReplaceResult ReplaceFileStreamed(const std::filesystem::path& path, const ContentWriter& writer) {
  return Replace(path, [&writer](HANDLE file) {
    detail::BufferedFileWriter out([file](std::string_view bytes, std::uint64_t offset) {
      return WriteAll(file, bytes, offset);
    });
    return writer([&out](std::span<const std::uint8_t> piece) { return out.put(piece); }) &&
           out.flush();
  });
}

}  // namespace kv3::platform
