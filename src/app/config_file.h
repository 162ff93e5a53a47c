#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv3::app {

inline constexpr std::string_view ConfigFileName = "t540.cfg";

// Splits the file's bytes into lines: a line ends at CR, LF or CR LF, reading stops at the first
// zero byte, a last line without line end still counts, no bytes means no lines.
std::vector<std::string> SplitConfigLines(std::string_view bytes);

// Replaces the first line of the file's bytes by code, keeping every other byte as it was
// (the first line's own line end too; a first line without one gets CR LF).
std::string ReplaceFirstLine(std::string_view bytes, std::string_view code);

// t540.cfg in the directory the program started in. Its lines are raw single-byte text.
// Every write goes to a file beside it that is then renamed over it, so a failed write leaves
// the old file as it was.
class ConfigFile {
 public:
  explicit ConfigFile(const std::filesystem::path& directory);

  const std::filesystem::path& path() const { return path_; }

  // The file's lines, or nothing when there is no file. A file that exists but cannot be read
  // throws "Datei <name> kann nicht geöffnet werden".
  std::optional<std::vector<std::string>> load() const;
  // Writes the lines, each followed by CR LF. Throws "Datei <name> kann nicht erstellt werden".
  void save(const std::vector<std::string>& lines) const;
  // Records the language code as the first line; false when the file could not be written.
  bool rewriteLanguageLine(std::string_view code) const;

 private:
  void replaceWith(std::string_view bytes) const;
  std::filesystem::path path_;
};

}  // namespace kv3::app
