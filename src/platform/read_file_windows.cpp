#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/read_file.h"

namespace kv3::platform {

namespace {

HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

std::int64_t Ticks(FILETIME time) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                   time.dwLowDateTime);
}

}  // namespace

ReadFile::ReadFile(const std::filesystem::path& path) {
  // Others may read and even replace the file meanwhile; the stamp tells when they did.
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  handle_ = reinterpret_cast<std::intptr_t>(file);
  // A pipe, a console or a device is no file to send.
  if (::GetFileType(file) != FILE_TYPE_DISK || !stamp()) close();
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
  if (valid()) ::CloseHandle(Handle(std::exchange(handle_, -1)));
}

std::optional<FileStamp> ReadFile::stamp() const {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!valid() || !::GetFileInformationByHandle(Handle(handle_), &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  FileStamp stamp;
  stamp.device = info.dwVolumeSerialNumber;
  stamp.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  stamp.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  stamp.modified = Ticks(info.ftLastWriteTime);
  stamp.changed = Ticks(info.ftCreationTime);
  return stamp;
}

long ReadFile::read(std::span<std::uint8_t> dest) {
  const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(dest.size(), 1u << 30));
  DWORD got = 0;
  if (!::ReadFile(Handle(handle_), dest.data(), wanted, &got, nullptr)) return -1;
  return static_cast<long>(got);
}

ReadProblem WhyNotReadable(const std::filesystem::path& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadProblem::Missing
                                                                          : ReadProblem::NoAccess;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return ReadProblem::Folder;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return ReadProblem::NotRegular;
  // Opened as ReadFile opens it: a program that holds the file and shares no reading with
  // others is what stops that.
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION
               ? ReadProblem::InUse
               : ReadProblem::NoAccess;
  }
  const DWORD type = ::GetFileType(file);
  ::CloseHandle(file);
  return type == FILE_TYPE_DISK ? ReadProblem::NoAccess : ReadProblem::NotRegular;
}

std::optional<std::pair<StdFile, std::uint64_t>> OpenRegularFile(
    const std::filesystem::path& path) {
  ReadFile opened(path);
  const auto stamp = opened.stamp();
  if (!stamp) return std::nullopt;
  // The C runtime takes the handle over; from here on fclose closes it.
  const int fd = ::_open_osfhandle(opened.release(), _O_RDONLY | _O_BINARY);
  if (fd < 0) return std::nullopt;
  StdFile file(::_fdopen(fd, "rb"));
  if (!file) {
    ::_close(fd);
    return std::nullopt;
  }
  return std::pair{std::move(file), stamp->size};
}

}  // namespace kv3::platform
