#include <windows.h>

#include "platform/append_file.h"

namespace kv3::platform {

namespace {

// Sole owner of the handle.
struct AppendHandle {
  explicit AppendHandle(const std::filesystem::path& path)
      : handle(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~AppendHandle() {
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
  }
  AppendHandle(const AppendHandle&) = delete;
  AppendHandle& operator=(const AppendHandle&) = delete;
  HANDLE handle;
};

}  // namespace

int AppendWhole(const std::filesystem::path& path, std::string_view text) {
  const AppendHandle file(path);
  if (file.handle == INVALID_HANDLE_VALUE) return static_cast<int>(::GetLastError());
  DWORD written = 0;
  if (!::WriteFile(file.handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
    return static_cast<int>(::GetLastError());
  }
  if (written != text.size()) return ERROR_DISK_FULL;
  return 0;
}

int CanAppend(const std::filesystem::path& path) {
  const AppendHandle file(path);
  return file.handle == INVALID_HANDLE_VALUE ? static_cast<int>(::GetLastError()) : 0;
}

}  // namespace kv3::platform
