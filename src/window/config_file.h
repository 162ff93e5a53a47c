#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv3::window {

inline constexpr std::string_view ConfigFileName = "t540.cfg";

// Splits the file's bytes into lines: a line ends at CR, LF or CR LF, reading stops at the first
// zero byte, a last line without line end still counts, no bytes means no lines.
std::vector<std::string> SplitConfigLines(std::string_view bytes);

// Replaces the first line of the file's bytes by code, keeping every other byte as it was
// (the first line's own line end too; a first line without one gets CR LF).
std::string ReplaceFirstLine(std::string_view bytes, std::string_view code);

// The bytes that follow the first `count` lines (by the line rules above, without stopping at a
// zero byte, which then belongs to what follows); empty when the bytes hold fewer lines.
std::string_view BytesAfterLines(std::string_view bytes, std::size_t count);

// t540.cfg in the directory the program started in. Its lines are raw single-byte text. The
// tool uses its first two lines; whatever follows them is the user's and stays as it is.
// Writes go through the safe replace of the platform layer.
class ConfigFile {
 public:
  // Lines the tool reads and writes: the language and the manual-search address.
  static constexpr std::size_t UsedLines = 2;
  // Bytes read at start: enough for both lines, small whatever the file holds.
  static constexpr std::size_t ReadLimit = 4096;

  explicit ConfigFile(const std::filesystem::path& directory);

  const std::filesystem::path& path() const { return path_; }

  // The file's first lines (at most UsedLines, from its first ReadLimit bytes), or nothing when
  // there is no file. A file that exists but is not a regular file, or cannot be read, throws
  // "Datei <name> kann nicht geöffnet werden".
  std::optional<std::vector<std::string>> load() const;
  // Writes the lines, each followed by CR LF, in place of the file's first UsedLines lines.
  // Throws "Datei <name> kann nicht erstellt werden".
  void save(const std::vector<std::string>& lines) const;
  // Records the language code as the first line; false when the file could not be written.
  bool rewriteLanguageLine(std::string_view code) const;

 private:
  std::filesystem::path path_;
};

}  // namespace kv3::window
