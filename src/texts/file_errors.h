#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>

namespace kv3::texts {

// A file that could not be opened or created: besides the socket's failures the one error a user
// is shown as an exception. what() is the text the window's error box shows, with the file's
// name; a front end in another language says it from kind() and path().
class FileError : public std::runtime_error {
 public:
  enum class Kind { Open, Create };
  FileError(Kind kind, std::filesystem::path path)
      : std::runtime_error(
            "Datei " + utf8Name(path) +
            (kind == Kind::Open ? " kann nicht geöffnet werden" : " kann nicht erstellt werden")),
        kind_(kind),
        path_(std::move(path)) {}
  Kind kind() const { return kind_; }
  const std::filesystem::path& path() const { return path_; }

 private:
  static std::string utf8Name(const std::filesystem::path& path) {
    const std::u8string name = path.u8string();
    return {name.begin(), name.end()};
  }

  Kind kind_;
  std::filesystem::path path_;
};

inline FileError FileOpenError(const std::filesystem::path& path) {
  return {FileError::Kind::Open, path};
}

inline FileError FileCreateError(const std::filesystem::path& path) {
  return {FileError::Kind::Create, path};
}

}  // namespace kv3::texts
